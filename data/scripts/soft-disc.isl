# A smooth brush: a white disc with a soft edge.
isl 1
size 64 64
effect 1 Fill   # white, opaque
effect 31 Round mask
  3 = 60
  4 = 100
