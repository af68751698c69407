# Sand or spray grain: plain random grey noise.
isl 1
size 128 128
effect 21 Noise
  3 = 2024      # seed
  4 = 100       # amount percent
