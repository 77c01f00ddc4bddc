; tour, channel 2: the noise generator as a drum kit
; See channel0.wlk for how the tour is laid out: one line per section.
l11025

; 1-3. square and triangle play
r8
r8
r8

; 4. noise: random bits, 8 per cycle of the note, so the note's pitch sets
;    the colour: low notes rumble, high notes hiss. A quick envelope per hit:
;    kick o1 c with n-3/100, snare o4 c with n-1/100, hi-hat o6 c with n-1/40.
v90n-3/100o1c1 v40n-1/40o6c1 v70n-1/100o4c1 v40n-1/40o6c1 v90n-3/100o1c1 v90n-3/100o1c1 v70n-1/100o4c2

; 5-11. sine, envelope, tremolo, sweep, vibrato, panning, ring modulation
r8
r8
r8
r8
r8
r8
r8

; 12. everyone: a cymbal that fades over a second, then silence
v50 n-1/900 o5 c8 r2
