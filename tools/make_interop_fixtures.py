#!/usr/bin/python3
"""Writes the TGA and DDS files of other writers that the tests open.

Run once with Debian's Python (it has Pillow) and ImageMagick's `convert`:
    /usr/bin/python3 tools/make_interop_fixtures.py
Each file in tests/fixtures/{tga,dds}/ comes with NAME.bgra: the pixels the writing tool itself
decodes from it, top row first, 4 bytes a pixel (blue, green, red, alpha). MANIFEST.txt lists
name, width, height and the tool and version that wrote the file.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, __version__ as pillow_version

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
OUT = os.path.join(ROOT, "tests", "fixtures")

# Odd sides on purpose: rows of 13 pixels and a DXT surface of partial edge blocks.
WIDTH, HEIGHT = 13, 7


def magick_version():
    first = subprocess.run(["convert", "-version"], capture_output=True, text=True).stdout
    return first.splitlines()[0].split("Version: ")[1].split(" https")[0]


def source_rgba():
    im = Image.new("RGBA", (WIDTH, HEIGHT))
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # Runs of equal pixels (for run-length packets) next to smooth gradients.
            if y < 2 and x < 9:
                im.putpixel((x, y), (200, 40, 10, 255))
            else:
                im.putpixel((x, y), (x * 19 % 256, y * 37 % 256, (x * y * 11) % 256,
                                     255 - x * 9 - y * 7))
    return im


def bgra_of(im):
    r, g, b, a = im.convert("RGBA").split()
    return Image.merge("RGBA", (b, g, r, a)).tobytes()


def magick_decode(path, size):
    """The RGBA pixels ImageMagick reads from a file (its top level), as BGRA bytes.

    ImageMagick 6 keeps TGA rows in file order and the descriptor's origin as metadata, which
    -auto-orient applies. (Its TGA writer stores the top row first yet declares a bottom-left
    origin, so its files read upside down by the format's rule, in Pillow and in ours alike.)
    """
    raw = subprocess.run(["convert", path + "[0]", "-auto-orient", "-depth", "8", "rgba:-"],
                         capture_output=True, check=True).stdout
    im = Image.frombytes("RGBA", size, raw[:size[0] * size[1] * 4])
    return bgra_of(im)


def pillow_decode(path, size):
    with Image.open(path) as im:
        assert im.size == size
        return bgra_of(im)


class Folder:
    def __init__(self, kind):
        self.dir = os.path.join(OUT, kind)
        os.makedirs(self.dir, exist_ok=True)
        self.lines = []

    def path(self, name):
        return os.path.join(self.dir, name)

    def add(self, name, writer, decode, size=(WIDTH, HEIGHT)):
        with open(self.path(name + ".bgra"), "wb") as f:
            f.write(decode(self.path(name), size))
        self.lines.append(f"{name} {size[0]} {size[1]} {writer}")

    def finish(self):
        with open(self.path("MANIFEST.txt"), "w") as f:
            f.write("# file width height writer (expected pixels: file.bgra, BGRA, top row first)\n")
            f.write("\n".join(self.lines) + "\n")


def main():
    pillow = f"Pillow-{pillow_version}"
    magick = magick_version().replace(" ", "-")
    with tempfile.TemporaryDirectory() as tmp:
        rgba = source_rgba()
        rgb = rgba.convert("RGB")
        src_rgba, src_rgb = os.path.join(tmp, "rgba.png"), os.path.join(tmp, "rgb.png")
        rgba.save(src_rgba)
        rgb.save(src_rgb)
        palette = rgb.quantize(16)
        # ImageMagick makes mipmaps for power-of-two sides only.
        src_pow2 = os.path.join(tmp, "pow2.png")
        rgba.resize((16, 8), Image.NEAREST).save(src_pow2)

        def im(args, out):
            subprocess.run(["convert", *args, out], check=True)

        tga = Folder("tga")
        pil_tga = [
            ("pil_type2_24_bottomup.tga", rgb, {}),
            ("pil_type2_32_topdown.tga", rgba, {"orientation": 1}),
            ("pil_type10_24_topdown.tga", rgb, {"compression": "tga_rle", "orientation": 1}),
            ("pil_type10_32_bottomup.tga", rgba, {"compression": "tga_rle"}),
            ("pil_type1_paletted.tga", palette, {}),
            ("pil_type9_paletted.tga", palette, {"compression": "tga_rle"}),
        ]
        for name, image, options in pil_tga:
            image.save(tga.path(name), **options)
            tga.add(name, pillow, pillow_decode)
        magick_tga = [
            ("im_type2_24.tga", [src_rgb, "-compress", "none"]),
            ("im_type2_32.tga", [src_rgba, "-compress", "none"]),
            ("im_type10_24.tga", [src_rgb, "-compress", "RLE"]),
            ("im_type10_32.tga", [src_rgba, "-compress", "RLE"]),
            ("im_type1_paletted.tga", [src_rgb, "-colors", "16", "-type", "Palette",
                                       "-compress", "none"]),
            ("im_type9_paletted.tga", [src_rgb, "-colors", "16", "-type", "Palette",
                                       "-compress", "RLE"]),
        ]
        for name, args in magick_tga:
            im(args, tga.path(name))
            tga.add(name, magick, magick_decode)
        tga.finish()

        dds = Folder("dds")
        magick_dds = [
            ("im_dxt1.dds", [src_rgb, "-define", "dds:compression=dxt1",
                             "-define", "dds:mipmaps=0"]),
            ("im_dxt1_alpha.dds", [src_rgba, "-define", "dds:compression=dxt1",
                                   "-define", "dds:mipmaps=0"]),
            ("im_dxt5.dds", [src_rgba, "-define", "dds:compression=dxt5",
                             "-define", "dds:mipmaps=0"]),
            ("im_none32.dds", [src_rgba, "-define", "dds:compression=none",
                               "-define", "dds:mipmaps=0"]),
            ("im_none24.dds", [src_rgb, "-alpha", "off", "-define", "dds:compression=none",
                               "-define", "dds:mipmaps=0"]),
        ]
        for name, args in magick_dds:
            im(args, dds.path(name))
            dds.add(name, magick, magick_decode)
        for name, compression in [("im_dxt1_mipmaps.dds", "dxt1"), ("im_dxt5_mipmaps.dds", "dxt5"),
                                  ("im_none32_mipmaps.dds", "none")]:
            im([src_pow2, "-define", f"dds:compression={compression}"], dds.path(name))
            dds.add(name, magick, magick_decode, (16, 8))
        rgb.save(dds.path("pil_rgb24.dds"))
        dds.add("pil_rgb24.dds", pillow, pillow_decode)
        rgba.save(dds.path("pil_rgba32.dds"))
        dds.add("pil_rgba32.dds", pillow, pillow_decode)
        dds.finish()
    return 0


if __name__ == "__main__":
    sys.exit(main())
