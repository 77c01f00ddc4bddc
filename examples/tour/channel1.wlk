; tour, channel 1: the triangle wave, sweeps and ring modulation
; See channel0.wlk for how the tour is laid out: one line per section.
l11025 v100

; 1-2. the square wave plays
r8
r8

; 3. the triangle: soft and round, like a flute or a recorder, a good bass.
;    Its inflection moves the peak: i. (0) gives a falling saw, which is
;    buzzier; i.5 is the plain triangle again.
o4 c1 d1 e1 f1 i. g2 e2 i.5

; 4-7. noise, sine, envelope and tremolo elsewhere
r8
r8
r8
r8

; 8. sweep "s rise/run": the period grows by "rise" frames every "run"
;    frames from the start of each note. A longer period is a lower pitch:
;    s40/4410 drops from C5 (84 frames) by 40 frames every tenth of a second.
;    A negative rise shortens the period and the pitch climbs.
;    s0/1 turns the sweep off.
s40/4410 o5 c4 s-3/4410 o4 c4 s0/1

; 9-10. vibrato and panning elsewhere
r8
r8

; 11. ring modulation "*N": this channel's wave is multiplied by channel N's,
;     giving the sum and difference of the two pitches: bells and metal.
;     Channel 3 is only heard through the product while the pair is set.
;     Both volumes are raised, since the product's level is
;     200 * 200 / 255 = 156. "*1" (this channel's own number) ends it.
*3 v200 a8 *1 v100

; 12. everyone: the root of the chord, an octave below middle C
o3 n-1/800 c8 r2
