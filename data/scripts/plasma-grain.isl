# Coarse paper grain: a grey plasma that tiles (256 is a power of two).
isl 1
size 256 256
effect 5 Plasma
  3 = 4711      # seed
  4 = 55        # roughness
