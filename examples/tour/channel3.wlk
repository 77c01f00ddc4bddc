; tour, channel 3: the sine wave, tremolo, vibrato and the partner in ring modulation
; See channel0.wlk for how the tour is laid out: one line per section.
l11025 v100

; 1-4. square, triangle and noise play
r8
r8
r8
r8

; 5. the sine: the purest tone, like a whistle or a tuning fork
o4 c1 d1 e1 f1 g2 e2

; 6. the envelope plays on channel 0
r8

; 7. tremolo "n depth~width": the level swings from the volume to volume +
;    depth and back, once every 2 * width frames. n-70~2756 dips from 100 to
;    30 eight times a second. n0/1 turns it off.
n-70~2756 a4 n-40~5512 e4 n0/1

; 8. the sweep plays on channel 1
r8

; 9. vibrato "s depth~width": the period swings from its own length to
;    "depth" frames longer and back, once every 2 * width frames.
;    s3~2756: up to 2% lower, eight times a second. s0/1 turns it off.
s3~2756 e2 g2 a4 s0/1

; 10. panning plays on channel 0
r8

; 11. partner of channel 1's ring modulation: heard only through the product
v200 o3 d2 e2 f2 g2 v100

; 12. everyone: the fifth of the chord
o4 n-1/800 g8 r2
