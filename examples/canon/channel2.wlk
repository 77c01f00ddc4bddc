; canon, channel 2: the second voice, the lead's lines two bars later (stepped triangle)
; A true canon: this channel plays exactly what channel 1 played one ground
; earlier. The stepped triangle is softer than the square, and panned right.

l6615 p.7
v110 n-1/450

; grounds 1 and 2: wait for the lead to finish its first phrase
r32
r32
; ground 3: the theme
o5 f#4 e4 d4 c#4   o4 b4 a4 b4 o5 c#4
; ground 4
d4 c#4 o4 b4 a4   g4 f#4 g4 e4
; ground 5: eighth notes
d2 f#2 a2 g2 f#2 d2 f#2 e2   d2 o3 b2 o4 d2 a2 g2 b2 a2 g2
; ground 6: sixteenths
n-2/450
o5 d1 c#1 d1 o4 d1 c#1 a1 e1 f#1   d1 o5 d1 c#1 o4 b1 o5 c#1 f#1 a1 b1
g1 f#1 e1 g1 f#1 e1 d1 c#1   o4 b1 a1 g1 f#1 e1 g1 f#1 e1

; the end: the E resolves down to D
n-1/1000 d16 r8
