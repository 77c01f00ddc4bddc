; tour, channel 0: the square wave, its inflection (pulse width), envelopes and panning
; The tour plays one short phrase per sound and per effect, one after another.
; Each of the four channels has one line per section, so reading the four
; files side by side shows what plays when. A section is 8 units long, and
; a channel that is not featured rests through it ("r8").
;
; l11025: one unit is 11025 frames, an eighth note at 120 beats a minute
;   (44100 frames are one second; 44100 * 60 / 120 / 2 = 11025).
; v100: volume 100 of 255. Settings like these stay until changed.
l11025 v100

; 1. the square wave: a bright, hollow tone, something like a clarinet
o4 c1 d1 e1 f1 g2 e2

; 2. inflection: how much of each cycle the pulse stays high. i.5 is the
;    square above; i.25 sounds thinner and nasal, i.125 thin and reedy.
i.25 g1 e1 c2 i.125 g1 e1 c2 i.5

; 3-5. the triangle, the noise and the sine play; this channel rests
r8
r8
r8

; 6. envelope "n rise/run": every "run" frames the level moves by "rise".
;    n-2/100 falls 2 every 100 frames: 100 to silence in 5000 frames, a pluck.
n-2/100 c1 e1 g1 o5 c1
;    n1/400 from v0 rises 1 every 400 frames: a swell, 110 after a second.
;    n0/1 turns the envelope off again, v100 restores the volume.
v0 n1/400 o4 g4 n0/1 v100

; 7-9. tremolo, sweep and vibrato play on the other channels
r8
r8
r8

; 10. panning "p": "p." (0) is the left speaker only, "p.5" the middle (the
;     default), "p.99999999" rounds to exactly 1, the right speaker only.
;     Fractions need their leading point: "p.25", never "p0.25" or "p1".
p. c1 p.25 e1 p.5 g1 p.75 o5 c1 p.99999999 e2 p.5 c2

; 11. ring modulation plays on channels 1 and 3
o4 r8

; 12. everyone: a C major chord that fades over two seconds, then half a
;     second of silence. The last event is a rest, so the channel is
;     silent when its file runs out.
n-1/800 e8 r2
