# A chalk-like dab: noise inside a soft disc, enlarged and turned by 30
# degrees so the grains become small slanted flecks.
isl 1
size 80 80
effect 21 Noise
  3 = 8         # seed
effect 31 Round mask
  3 = 20
  4 = 70
effect 51 Rotate
  3 = 30        # degrees
  4 = 140       # scale percent
