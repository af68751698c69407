# A ragged round blob: plasma faded out toward the rim.
isl 1
size 96 96
effect 5 Plasma
  3 = 31
  4 = 70
effect 31 Round mask
  3 = 30        # inner radius percent
  4 = 100       # outer radius percent
