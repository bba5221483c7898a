#!/usr/bin/env python3
"""Draws the menu tests' toolbar bitmaps: 16-colour strips of square images, each a light grey
(button face) field with a square of its own colour and a black and a dark grey corner mark."""
import struct
import sys

PALETTE = [0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00]
PALETTE += [0x000000] * (16 - len(PALETTE))
BLACK, DARK, FACE, WHITE = 0, 1, 2, 3
OWN_COLOURS = [4, 5, 6, 7]


def image(size, colour):
    pixels = [[FACE] * size for _ in range(size)]
    for y in range(2, size - 6):
        for x in range(2, size - 6):
            pixels[y][x] = colour
    for y in range(size - 3, size):
        for x in range(size - 3, size):
            pixels[y][x] = BLACK
        for x in range(0, 3):
            pixels[y][x] = DARK
    pixels[0][size - 1] = WHITE
    return pixels


def write_strip(path, size, count):
    images = [image(size, OWN_COLOURS[i % len(OWN_COLOURS)]) for i in range(count)]
    width, height = size * count, size
    stride = ((width * 4 + 31) // 32) * 4
    rows = b""
    for y in reversed(range(height)):  # bottom-up
        row = [images[x // size][y][x % size] for x in range(width)]
        packed = bytes((row[i] << 4) | (row[i + 1] if i + 1 < width else 0)
                       for i in range(0, width, 2))
        rows += packed + b"\0" * (stride - len(packed))
    table = b"".join(struct.pack("<I", c) for c in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + table + rows)


if __name__ == "__main__":
    out = sys.argv[1]
    write_strip(f"{out}/strip16x4.bmp", 16, 4)
    write_strip(f"{out}/strip16x3.bmp", 16, 3)
    write_strip(f"{out}/strip24x1.bmp", 24, 1)
