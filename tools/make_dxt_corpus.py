#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_dxt: a few small DXT1, DXT3 and DXT5 levels.

Input layout of the target: format (0 DXT1, 1 DXT3, 2 DXT5), width and height as 16-bit
little-endian, a pixel-buffer shortfall byte, then the blocks.
Usage: make_dxt_corpus.py <output folder>
"""
import hashlib
import os
import struct
import sys


def color_block(c0, c1, indices):
    return struct.pack("<HHI", c0, c1, indices)


def level(fmt, width, height, blocks, shortfall=0):
    return struct.pack("<BHHB", fmt, width, height, shortfall) + b"".join(blocks)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    dxt3_alpha = struct.pack("<4H", 0x3210, 0x7654, 0xBA98, 0xFEDC)
    dxt5_alpha = bytes([255, 0]) + (0xFAC688).to_bytes(3, "little") * 2
    dxt5_alpha_six = bytes([40, 200]) + bytes([0x88, 0xC6, 0xFA, 0x77, 0x11, 0x05])
    seeds = [
        level(0, 4, 4, [color_block(0xFFFF, 0x0000, 0xE4E4E4E4)]),
        level(0, 4, 4, [color_block(0x001F, 0xF800, 0x1B1B1B1B)]),
        level(0, 5, 3, [color_block(0x7BEF, 0x8C31, 0xFFFFFFFF), color_block(0x8410, 0x8410, 0)]),
        level(1, 4, 4, [dxt3_alpha + color_block(0xF800, 0x07E0, 0xE4E4E4E4)]),
        level(1, 2, 2, [dxt3_alpha + color_block(0x001F, 0xFFFF, 0x55AA55AA)], shortfall=0x83),
        level(2, 4, 4, [dxt5_alpha + color_block(0xFFFF, 0x0000, 0xE4E4E4E4)]),
        level(2, 8, 8, [dxt5_alpha_six + color_block(0x1234 * k & 0xFFFF, 0x4321, 0x1E1E1E1E * k & 0xFFFFFFFF)
                        for k in range(4)]),
        level(2, 1, 1, [dxt5_alpha + color_block(0xF81F, 0x07E0, 0x3)]),
    ]
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()
        with open(os.path.join(out, name), "wb") as f:
            f.write(seed)


if __name__ == "__main__":
    main()
