#!/usr/bin/env python3
"""Write assets/bmptest.bmp: a 16 x 16, 8 bits per pixel Windows bitmap.

The program reads this bitmap's palette as its general 256-colour palette,
so the palette is what matters:

    0-15     the 16 standard VGA colours
    16-231   a 6 x 6 x 6 colour cube, levels 0, 51, 102, 153, 204, 255
             (index 16 + 36 r + 6 g + b)
    232-255  24 greys from 8 to 238, between the cube's black and white

Each pixel shows one palette entry: the top row holds entries 0-15, the next
16-31, and so on. The file has the classic headers (BITMAPFILEHEADER and a
40-byte BITMAPINFOHEADER), bottom-up rows, no compression.

Usage: make_bitmap.py [--out DIR]
"""

import argparse
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZE = 16

VGA = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0xAA), (0x00, 0xAA, 0x00), (0x00, 0xAA, 0xAA),
    (0xAA, 0x00, 0x00), (0xAA, 0x00, 0xAA), (0xAA, 0x55, 0x00), (0xAA, 0xAA, 0xAA),
    (0x55, 0x55, 0x55), (0x55, 0x55, 0xFF), (0x55, 0xFF, 0x55), (0x55, 0xFF, 0xFF),
    (0xFF, 0x55, 0x55), (0xFF, 0x55, 0xFF), (0xFF, 0xFF, 0x55), (0xFF, 0xFF, 0xFF),
]


def palette():
    colours = list(VGA)
    levels = [0, 51, 102, 153, 204, 255]
    for r in levels:
        for g in levels:
            for b in levels:
                colours.append((r, g, b))
    for i in range(24):
        v = 8 + 10 * i
        colours.append((v, v, v))
    assert len(colours) == 256
    return colours


def bmp_bytes():
    colours = palette()
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    row_size = (SIZE + 3) // 4 * 4
    rows = []
    for y in range(SIZE):
        row = bytes(y * SIZE + x for x in range(SIZE))
        rows.append(row + b"\0" * (row_size - SIZE))
    pixels = b"".join(reversed(rows))  # BMP rows run bottom-up
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(ROOT, "assets"))
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "bmptest.bmp"), "wb") as f:
        f.write(bmp_bytes())
    print("bmptest.bmp: 16 x 16, 8 bpp, 256 colours")
    return 0


if __name__ == "__main__":
    sys.exit(main())
