#!/usr/bin/env python3
"""Writes examples/landscape.srp (and the end-to-end test's small scene,
tests/apps/data/small_landscape.srp): a small landscape (sky with clouds, sun,
two hills, a meadow, a tree) as a paint script, the way a Lua filter records
one. Replay it on a 640 x 400 canvas:

    build/tessary replay examples/landscape.srp --size 640x400 -o out/demo.png

Brush numbers are the presets of data/brushes.txt. Deterministic: running it
again writes the same file."""
import math
import os
import random

W, H = 640, 400
HARD, AIRBRUSH, CHALK, SMUDGE, WETMIX, ERASER, LEAF = 1, 2, 3, 4, 5, 6, 7


class Script:
    """Writes lines as the recorder does: keyword, then one line per argument,
    numbers in Lua's %.14g form, CR LF line ends."""

    def __init__(self, seed):
        self.lines = ["1554", "Description", "1", " ", "RandomSeed", str(seed)]

    @staticmethod
    def num(v):
        return "%.14g" % v

    def cmd(self, keyword, *args):
        self.lines.append(keyword)
        self.lines.extend(a if isinstance(a, str) else self.num(a) for a in args)

    # The recorder's Lua functions.
    def brush(self, n, size=0, opacity=0):
        self.cmd("SelectBrush", n, size, opacity)

    def color(self, r, g, b):  # 0..255, as paint_brush_color writes trunc(v * 255)
        self.cmd("SetColor", int(r), int(g), int(b))

    def stroke(self, points):
        x, y, _ = points[0]
        self.cmd("DrawStart", x, y, "-1")
        self.cmd("SmoothPlot2", "0", "0", "0", "1", "0")
        for x, y, p in points:
            self.cmd("SmoothPlot2", round(x, 2), round(y, 2), round(p, 3), "0", "0")
        self.cmd("SmoothPlot2", "0", "0", "0", "0", "1")
        self.cmd("DrawStop", "1")

    def save(self, path):
        with open(path, "w", newline="") as f:
            f.write("\r\n".join(self.lines + ["ScriptEnd"]) + "\r\n")


def hill(x, base, height, centre, width):
    return base - height * math.exp(-((x - centre) / width) ** 2)


def main():
    rnd = random.Random(7)
    s = Script(20240)

    # Sky: a pale fill, then deeper blue bands laid towards the top with the airbrush.
    s.color(186, 214, 240)
    s.cmd("FillPage")
    s.brush(AIRBRUSH, 90, 14)
    for i, (r, g, b) in enumerate([(70, 120, 200), (90, 140, 210), (120, 165, 225)]):
        y = 10 + i * 45
        s.color(r, g, b)
        s.stroke([(-40, y + 6, 1.0), (W / 3, y - 4, 1.0), (2 * W / 3, y + 5, 1.0), (W + 40, y, 1.0)])

    # Sun: soft glow, then a hard disc of dabs.
    s.brush(AIRBRUSH, 120, 20)
    s.color(255, 236, 170)
    s.cmd("Dab", 500, 80, 1)
    s.brush(HARD, 44)
    s.color(255, 222, 110)
    s.cmd("Dab", 500, 80, 1)

    # Clouds: the eraser opens the paint to the white background layer.
    s.brush(ERASER, 34)
    for cx, cy in [(150, 70), (300, 40)]:
        for k in range(3):
            s.stroke([(cx - 60 + k * 6, cy + k * 9, 0.5), (cx - 20, cy - 8 + k * 8, 1.0),
                      (cx + 30, cy - 4 + k * 7, 0.9), (cx + 70 - k * 8, cy + 6 + k * 6, 0.4)])

    # Far hill, only inside an elliptic selection: broad strokes of the wet
    # mix brush cannot spill over its outline.
    s.cmd("MaskEllipse", -160, 190, 520, 470, 0)
    s.brush(HARD, 60)
    s.color(96, 128, 150)
    for y in range(200, 400, 22):
        s.stroke([(-40, y, 1.0), (W / 2, y + 8, 1.0), (W + 40, y, 1.0)])
    s.cmd("SetColorBanks", "hills", 60, 90, 110, 96, 128, 150, 150, 180, 190, 200, 215, 220)
    s.brush(WETMIX, 30)
    s.color(120, 150, 160)
    for y in range(215, 330, 18):
        s.stroke([(0, y, 0.7), (200, y - 10, 1.0), (420, y + 6, 0.8)])
    s.cmd("MaskClear")

    # Near hill on the right, also masked, with two greens of chalk.
    s.cmd("MaskEllipse", 180, 240, 900, 560, 0)
    s.brush(HARD, 60)
    s.color(84, 140, 60)
    for y in range(250, 400, 24):
        s.stroke([(170, y, 1.0), (540, y + 6, 1.0), (W + 40, y, 1.0)])
    s.brush(CHALK, 22)
    for y in range(256, 400, 11):
        s.color(110 + rnd.randint(-10, 10), 170 + rnd.randint(-10, 10), 70)
        s.stroke([(200, y, 0.8), (420, y + rnd.uniform(-4, 4), 1.0), (W + 20, y, 0.7)])
    s.cmd("MaskClear")

    # Meadow along the bottom.
    s.brush(HARD, 50)
    s.color(70, 125, 50)
    for y in range(352, 420, 20):
        s.stroke([(-30, y, 1.0), (W / 2, y - 4, 1.0), (W + 30, y + 3, 1.0)])
    s.brush(CHALK, 16)
    s.color(120, 175, 80)
    for y in range(350, 400, 9):
        s.stroke([(-10, y, 0.6), (W / 2, y + 2, 0.9), (W + 10, y, 0.6)])

    # Smudge the horizon so sky and hills melt a little.
    s.brush(SMUDGE, 26)
    for x0 in range(20, W - 40, 70):
        s.stroke([(x0, 232, 1.0), (x0 + 30, 246, 1.0), (x0 + 60, 240, 1.0)])

    # Grass blades.
    s.brush(HARD, 3)
    for i in range(60):
        x = rnd.uniform(0, W)
        y = rnd.uniform(365, 398)
        s.color(40, 100 + rnd.randint(0, 40), 30)
        s.cmd("Line2", round(x, 1), round(y, 1), round(x + rnd.uniform(-4, 4), 1), round(y - rnd.uniform(8, 16), 1))

    # The tree: trunk and branches with the hard round brush, pressure tapering.
    tx, ty = 170, 372
    s.brush(HARD, 20)
    s.color(92, 62, 38)
    s.stroke([(tx, ty, 1.0), (tx + 3, ty - 60, 0.9), (tx - 2, ty - 120, 0.7), (tx + 2, ty - 165, 0.45)])
    s.brush(HARD, 10)
    for (x1, y1, x2, y2, x3, y3) in [(tx, ty - 100, tx - 35, ty - 135, tx - 70, ty - 150),
                                     (tx, ty - 110, tx + 40, ty - 140, tx + 72, ty - 145),
                                     (tx, ty - 140, tx - 20, ty - 175, tx - 30, ty - 200)]:
        s.cmd("Spline", x1, y1, x2, y2, x3, y3, 0.9, 0.3)

    # Crown: dark mass first, then leaves of the texture brush in several greens.
    s.brush(AIRBRUSH, 90, 30)
    s.color(40, 80, 35)
    s.stroke([(tx - 70, ty - 170, 1.0), (tx, ty - 215, 1.0), (tx + 70, ty - 170, 1.0), (tx, ty - 140, 1.0),
              (tx - 60, ty - 165, 1.0)])
    s.brush(LEAF, 26)
    for i in range(140):
        a = rnd.uniform(0, 2 * math.pi)
        r = 85 * math.sqrt(rnd.random())
        x = tx + r * math.cos(a) * 1.05
        y = ty - 175 + r * math.sin(a) * 0.62
        shade = rnd.randint(0, 3)
        s.color(*[(50, 110, 40), (70, 140, 50), (95, 165, 60), (130, 190, 80)][shade])
        s.cmd("Dab", round(x, 1), round(y, 1), round(rnd.uniform(0.6, 1.0), 2))
    # Red flowers in the meadow.
    s.brush(HARD, 7)
    for i in range(24):
        s.color(220, 40 + rnd.randint(0, 40), 50)
        s.cmd("Dab", round(rnd.uniform(260, 620), 1), round(rnd.uniform(360, 392), 1), 1)

    s.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "landscape.srp"))


def small():
    """The end-to-end test's scene, 96 x 64: every preset, a masked area, a
    smudge, a curve and the colour banks, in few dabs."""
    s = Script(5)
    s.color(150, 190, 230)
    s.cmd("FillPage")
    s.brush(AIRBRUSH, 30, 25)
    s.color(60, 100, 190)
    s.stroke([(-10, 6, 1.0), (50, 2, 1.0), (106, 8, 1.0)])
    s.brush(ERASER, 10)
    s.stroke([(20, 14, 0.6), (32, 12, 1.0), (44, 15, 0.5)])
    s.cmd("MaskEllipse", -20, 30, 70, 90, 0)
    s.brush(HARD, 20)
    s.color(80, 120, 140)
    s.stroke([(-5, 42, 1.0), (50, 46, 1.0), (100, 44, 1.0)])
    s.stroke([(-5, 58, 1.0), (50, 60, 1.0), (100, 58, 1.0)])
    s.cmd("MaskClear")
    s.brush(CHALK, 8)
    s.color(90, 160, 60)
    for y in (50, 55, 60):
        s.stroke([(0, y, 0.7), (48, y + 2, 1.0), (96, y, 0.8)])
    s.brush(SMUDGE, 10)
    s.stroke([(10, 34, 1.0), (30, 40, 1.0), (50, 36, 1.0)])
    s.cmd("SetColorBanks", "t", 30, 60, 30, 80, 140, 60, 160, 200, 120, 230, 240, 200)
    s.brush(WETMIX, 8)
    s.color(70, 130, 60)
    s.stroke([(60, 40, 0.8), (75, 36, 1.0), (90, 42, 0.8)])
    s.brush(HARD, 4)
    s.color(90, 60, 40)
    s.cmd("Spline", 30, 62, 28, 45, 33, 30, 1, 0.5)
    s.brush(LEAF, 12)
    s.color(60, 130, 50)
    for x, y in ((28, 26), (36, 28), (32, 22), (24, 30)):
        s.cmd("Dab", x, y, 1)
    s.cmd("Line2", 70, 62, 72, 52)
    s.cmd("Filter", *[str(i) for i in range(20)])
    s.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "apps", "data",
                        "small_landscape.srp"))


if __name__ == "__main__":
    main()
    small()
