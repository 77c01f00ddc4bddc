; hello: the first phrase of Ode to Joy on one stepped-triangle channel
l11025 o4 v96 n-1/300   ; unit: an eighth note at 120 bpm; each note fades 1 level every 300 frames
e2 e2 f2 g2  g2 f2 e2 d2
c2 c2 d2 e2  e3 d1 d4
r2                      ; end on a rest, so the last note does not ring on
