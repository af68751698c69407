# Chalk on rough paper: soft Perlin clouds for the paper's hills and valleys,
# with fine random tooth mixed in. Dark values are the valleys; a dab paints
# the grain pixels at or below its density.
isl 1
size 256 256
effect 11 Perlin noise
  3 = 1554      # seed
  4 = 7         # cell size in pixels
  5 = 3         # octaves
  6 = 60        # persistence percent
effect 21 Noise
  3 = 77        # seed
  4 = 35        # amount percent
