# Canvas-like grain: soft Perlin clouds.
isl 1
size 200 200
effect 11 Perlin noise
  3 = 99        # seed
  4 = 12        # cell size in pixels
  5 = 5         # octaves
  6 = 55        # persistence percent
