#!/usr/bin/env python3
"""Writes the picture the leaf texture preset uses as its shape (the chalk
grain is an image script, grains/chalk.isl). Deterministic (fixed seed); run it after changing it and commit the
PNG files it writes next to this script."""
import math
import os
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
    write_grey_png(os.path.join(HERE, "shapes", "leaf.png"), 64, 64, leaf_shape())
