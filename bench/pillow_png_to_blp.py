#!/usr/bin/python3
"""Pillow's nearest equivalent of our PNG -> BLP conversion: quantize to a 256-colour palette
and save as BLP2 (Pillow writes paletted BLP only, without mipmaps).

usage: pillow_png_to_blp.py SOURCE_DIR TARGET_DIR
"""
import os
import sys

from PIL import Image


def main():
    source, target = sys.argv[1], sys.argv[2]
    os.makedirs(target, exist_ok=True)
    for name in sorted(os.listdir(source)):
        if not name.endswith(".png"):
            continue
        with Image.open(os.path.join(source, name)) as im:
            paletted = im.convert("RGBA").quantize(256)
            paletted.save(os.path.join(target, name[:-4] + ".blp"), format="BLP", blp_version="BLP2")
    return 0


if __name__ == "__main__":
    sys.exit(main())
