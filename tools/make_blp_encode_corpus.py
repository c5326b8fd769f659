#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_blp_encode: one save record of every kind, then pixels.

Input layout of the target: the 168-byte TBLPHeader record (width and height are folded to
1..64 by the target), then pixel bytes that are repeated to fill the image.
Usage: make_blp_encode_corpus.py <output folder>
"""
import hashlib
import os
import struct
import sys


def record(signature, compression, width, height, alpha_bits=0, picture_type=5, encoding=0,
           alpha_depth=0, alpha_encoding=0, mipmaps_minus1=15, colors_or_quality=0,
           flag_a=0, flag_b=0):
    offsets = [0] * 16
    sizes = [0] * 16
    return (signature + struct.pack("<III", compression, width, height)
            + struct.pack("<16I", *offsets) + struct.pack("<16I", *sizes)
            + struct.pack("<II", alpha_bits, picture_type)
            + bytes([encoding, alpha_depth, alpha_encoding, 1])
            + struct.pack("<II", mipmaps_minus1, colors_or_quality)
            + bytes([flag_a, flag_b, 0, 0]))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    pixels = bytes((i * 37 + (i // 4) * 11) & 0xFF for i in range(256))
    seeds = [
        record(b"BLP1", 0, 17, 9, 8, 4, colors_or_quality=75),
        record(b"BLP1", 0, 16, 16, colors_or_quality=90, flag_a=1),
        record(b"BLP1", 0, 16, 8, colors_or_quality=90, flag_a=1, flag_b=1),
        record(b"BLP1", 1, 30, 20, 8, 4, colors_or_quality=16, flag_a=1, flag_b=1),
        record(b"BLP2", 1, 33, 7, encoding=1, alpha_depth=8, alpha_encoding=8,
               colors_or_quality=256),
        record(b"BLP2", 1, 5, 3, encoding=2, mipmaps_minus1=1),
        record(b"BLP2", 1, 63, 2, encoding=2, alpha_depth=8, alpha_encoding=7, flag_b=1),
    ]
    for seed in seeds:
        data = seed + pixels
        name = hashlib.sha1(data).hexdigest()
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
