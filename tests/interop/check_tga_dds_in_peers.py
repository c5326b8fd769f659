#!/usr/bin/python3
"""Opens our TGA and DDS files in Pillow and ImageMagick and compares their pixels.

usage: check_tga_dds_in_peers.py WRITER FOLDER
WRITER writes the files into FOLDER with NAME.bgra (the pixels a reader must show) and a
MANIFEST.txt of "name width height alpha_tolerance readers" lines (readers: Pillow,ImageMagick).
Colour must be exact; alpha may differ by up to alpha_tolerance.
"""
import os
import shutil
import subprocess
import sys

from PIL import Image


def bgra(im):
    r, g, b, a = im.convert("RGBA").split()
    return Image.merge("RGBA", (b, g, r, a)).tobytes()


def pillow_pixels(path, size):
    with Image.open(path) as im:
        if im.size != size:
            raise OSError(f"size {im.size}")
        return bgra(im)


def magick_pixels(path, size):
    # ImageMagick keeps TGA rows in file order; -auto-orient applies the declared origin.
    raw = subprocess.run(["convert", path + "[0]", "-auto-orient", "-depth", "8", "rgba:-"],
                         capture_output=True, check=True).stdout
    return bgra(Image.frombytes("RGBA", size, raw[:size[0] * size[1] * 4]))


def worst_difference(a, b, channels):
    if len(a) != len(b):
        return 256
    return max((abs(x - y) for c in channels for x, y in zip(a[c::4], b[c::4])), default=0)


def main():
    writer, folder = sys.argv[1], sys.argv[2]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    subprocess.run([writer, folder], check=True)
    failures = checks = 0
    with open(os.path.join(folder, "MANIFEST.txt")) as manifest:
        entries = [line.split() for line in manifest if line.strip()]
    readers = {
        "Pillow": lambda path, size: pillow_pixels(path, size),
        "ImageMagick": lambda path, size: magick_pixels(path, size),
    }
    for name, width, height, alpha_tolerance, tools in entries:
        size, alpha_tolerance = (int(width), int(height)), int(alpha_tolerance)
        path = os.path.join(folder, name)
        with open(path + ".bgra", "rb") as f:
            expected = f.read()
        for tool in tools.split(","):
            try:
                pixels = readers[tool](path, size)
                colour = worst_difference(pixels, expected, (0, 1, 2))
                alpha = worst_difference(pixels, expected, (3,))
            except (OSError, subprocess.CalledProcessError) as error:
                print(f"     {tool} cannot read {name}: {error}")
                colour = alpha = 256
            checks += 1
            ok = colour == 0 and alpha <= alpha_tolerance
            failures += not ok
            print(f"{'ok  ' if ok else 'FAIL'} {tool:12} {name}: largest difference {colour}"
                  f" in colour (allowed 0), {alpha} in alpha (allowed {alpha_tolerance})")
    print(f"{checks - failures} passed, {failures} failed")
    return 1 if failures or not checks else 0


if __name__ == "__main__":
    sys.exit(main())
