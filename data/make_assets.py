#!/usr/bin/env python3
"""Writes the pictures the brush presets use: the chalk grain and the leaf
shape. Deterministic (fixed seed); run it after changing it and commit the
PNG files it writes next to this script."""
import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_grey_png(path, width, height, pixels):
    """pixels: list of rows, each a list of 0..255 values."""
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def chalk_grain(size=256):
    """Paper tooth: smoothed noise with a horizontal fibre, tileable. Dark
    values are the paper's valleys (grain values at most the density paint)."""
    rnd = random.Random(1554)
    cell = 8
    n = size // cell
    lattice = [[rnd.random() for _ in range(n)] for _ in range(n)]

    def smooth(x, y):
        gx, gy = x / cell, y / cell
        x0, y0 = int(gx) % n, int(gy) % n
        x1, y1 = (x0 + 1) % n, (y0 + 1) % n
        fx, fy = gx - int(gx), gy - int(gy)
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        top = lattice[y0][x0] * (1 - fx) + lattice[y0][x1] * fx
        bottom = lattice[y1][x0] * (1 - fx) + lattice[y1][x1] * fx
        return top * (1 - fy) + bottom * fy

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            v = 0.6 * smooth(x, y) + 0.4 * rnd.random()
            v += 0.08 * math.sin(y * 0.9)
            row.append(max(0, min(255, int(v * 255))))
        rows.append(row)
    return rows


def leaf_shape(size=64):
    """A pointed leaf, white (full coverage) on black, tilted 30 degrees."""
    rows = []
    a = math.radians(30)
    c, s = math.cos(a), math.sin(a)
    for y in range(size):
        row = []
        for x in range(size):
            u = ((x + 0.5 - size / 2) * c + (y + 0.5 - size / 2) * s) / (size * 0.46)
            v = (-(x + 0.5 - size / 2) * s + (y + 0.5 - size / 2) * c) / (size * 0.46)
            # Width of the leaf at u: zero at both tips.
            half = 0.42 * (1 - u * u) * (1 + 0.25 * u) if abs(u) < 1 else 0
            d = abs(v) - half
            value = 255 if d < -0.04 else (0 if d > 0.02 else int(255 * (0.02 - d) / 0.06))
            # A darker middle vein.
            if abs(v) < 0.02 and abs(u) < 0.8:
                value = value * 2 // 3
            row.append(value)
        rows.append(row)
    return rows


if __name__ == "__main__":
    write_grey_png(os.path.join(HERE, "grains", "chalk.png"), 256, 256, chalk_grain())
    write_grey_png(os.path.join(HERE, "shapes", "leaf.png"), 64, 64, leaf_shape())
