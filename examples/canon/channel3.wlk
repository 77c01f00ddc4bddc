; canon, channel 3: the percussion, kick, snare and hi-hat from one noise channel
; Noise draws a new random bit 8 times per cycle, so its pitch follows the
; note: a low note (o1 c) thumps like a kick, a middle one (o4 c) hisses like
; a snare, a high one (o6 c) ticks like a hi-hat. Settings last until changed,
; so every hit sets its own volume, decay and octave before its note:
;   kick  v70n-3/100o1c2   starts at 70, loses 3 every 100 frames (gone in 53 ms)
;   hat   v30n-1/50o6c2    starts at 30, gone in 34 ms
;   snare v56n-1/120o4c2   starts at 56, gone in 152 ms
; Each hit lasts an eighth note (2 sixteenths); a bar is kick hat snare hat twice.

l6615 p.5

; ground 1: soft hi-hats on every eighth
v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2
v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2 v24n-1/50o6c2
; ground 2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
; ground 3
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
; ground 4
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
; ground 5
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
; ground 6
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2
v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2 v70n-3/100o1c2 v30n-1/50o6c2 v56n-1/120o4c2 v30n-1/50o6c2

; the end: a kick and a long crash that fades over a bar, then silence
v70n-3/100o1c2 v60n-1/600o5c14 r8
