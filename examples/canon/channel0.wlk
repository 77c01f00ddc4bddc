; canon, channel 0: the ground bass, eight quarter notes repeated under everything (triangle)
; Pachelbel's Canon in D, arranged for four chip channels. The unit is a
; sixteenth note at 100 beats a minute: 44100 * 60 / 100 / 4 = 6615 frames.
; Every channel counts 216 sixteenths: six grounds of 32, then a bar and a half
; to end on, so all four files run out together.

l6615 p.5
v150 n-1/400          ; each note starts at 150 and loses 1 every 400 frames

; ground 1: the bass alone, D A B F# G D G A
o3 d4 o2 a4 b4 f#4   g4 d4 g4 a4
; ground 2: the lead enters
o3 d4 o2 a4 b4 f#4   g4 d4 g4 a4
; ground 3: the second voice follows the lead, two bars behind
o3 d4 o2 a4 b4 f#4   g4 d4 g4 a4
; ground 4
o3 d4 o2 a4 b4 f#4   g4 d4 g4 a4
; grounds 5 and 6: the same bass in repeated eighths, to drive the faster lines
v140 n-1/300
o3 d2 d2 o2 a2 a2 b2 b2 f#2 f#2   g2 g2 d2 d2 g2 g2 a2 a2
o3 d2 d2 o2 a2 a2 b2 b2 f#2 f#2   g2 g2 d2 d2 g2 g2 a2 a2

; the end: a low D that fades out over a bar, then half a bar of silence
v150 n-1/600 d16 r8
