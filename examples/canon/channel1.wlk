; canon, channel 1: the lead, the first voice of the canon (square at quarter duty, light vibrato)
; i.25: the pulse is high for a quarter of each cycle, a brighter, reedier
; tone than the plain square. s2~3000: a vibrato that lengthens the period
; by up to 2 frames and back, a little over 7 times a second; it colours
; the long notes and is off for the fast ones. Panned left.

l6615 i.25 s2~3000 p.3
v100 n-1/500

; ground 1: the lead waits two bars while the bass states the ground
r32
; ground 2: the theme, one quarter note over each bass note
o5 f#4 e4 d4 c#4   o4 b4 a4 b4 o5 c#4
; ground 3
d4 c#4 o4 b4 a4   g4 f#4 g4 e4
; ground 4: the same harmonies in eighth notes, without vibrato
s0/1
d2 f#2 a2 g2 f#2 d2 f#2 e2   d2 o3 b2 o4 d2 a2 g2 b2 a2 g2
; ground 5: sixteenths, shorter decay so each one speaks
n-2/500
o5 d1 c#1 d1 o4 d1 c#1 a1 e1 f#1   d1 o5 d1 c#1 o4 b1 o5 c#1 f#1 a1 b1
g1 f#1 e1 g1 f#1 e1 d1 c#1   o4 b1 a1 g1 f#1 e1 g1 f#1 e1
; ground 6: the eighth-note line of ground 4, an octave higher
n-1/500
o5 d2 f#2 a2 g2 f#2 d2 f#2 e2   d2 o4 b2 o5 d2 a2 g2 b2 a2 g2

; the end: the last G falls to F#, the third of the final D chord
s2~3000 n-1/1000 f#16 r8
