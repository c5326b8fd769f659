#!/usr/bin/env python3
"""Writes the seed corpora of the DXT fuzz targets.

fuzz_dxt (decoders): format (0 DXT1, 1 DXT3, 2 DXT5), width and height as 16-bit
little-endian, a pixel-buffer shortfall byte, then the blocks.
fuzz_dxt_encode: flags (bit 0: 4 bytes per pixel, else 3; bit 1: alpha block; bit 2:
dithering), width - 1, height - 1, then the pixels.
Usage: make_dxt_corpus.py <corpus root, e.g. fuzz/corpus>
"""
import hashlib
import os
import struct
import sys


def color_block(c0, c1, indices):
    return struct.pack("<HHI", c0, c1, indices)


def level(fmt, width, height, blocks, shortfall=0):
    return struct.pack("<BHHB", fmt, width, height, shortfall) + b"".join(blocks)


def pseudo_random_bytes(count, seed):
    out = bytearray()
    for _ in range(count):
        seed = (seed * 1664525 + 1013904223) & 0xFFFFFFFF
        out.append(seed >> 24)
    return bytes(out)


def write_all(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for seed in seeds:
        with open(os.path.join(folder, hashlib.sha1(seed).hexdigest()), "wb") as f:
            f.write(seed)


def encoder_seeds():
    seeds = []
    for flags, w, h, bpp in [(1, 4, 4, 4), (7, 5, 3, 4), (4, 2, 2, 3), (3, 8, 8, 4), (0, 1, 1, 3)]:
        seeds.append(bytes([flags, w - 1, h - 1]) + pseudo_random_bytes(w * h * bpp, w * 7 + h))
    seeds.append(bytes([7, 3, 3]) + bytes([128, 128, 128, 255]) * 16)  # a solid block
    return seeds


def main():
    root = sys.argv[1]
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
    write_all(os.path.join(root, "fuzz_dxt"), seeds)
    write_all(os.path.join(root, "fuzz_dxt_encode"), encoder_seeds())


if __name__ == "__main__":
    main()
