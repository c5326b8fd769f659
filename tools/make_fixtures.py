#!/usr/bin/python3
"""Makes the small fixture files of the image-layer tests and the optimizer fuzz seeds.

PNG: one file per colour type and depth the loader handles, each with a reference beside it
(name.ref: width, height, channels as 32-bit little-endian, then the expected pixels as blue,
green, red[, alpha]). Written with Pillow, interlaced and 16-bit RGBA files with ImageMagick.
Fuzz seeds: small BLP1 files with four-component JPEG levels, merged and not.

Run with Debian's Python (it has Pillow): /usr/bin/python3 tools/make_fixtures.py
"""
import io
import os
import struct
import subprocess
import zlib

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PNG = os.path.join(ROOT, "tests", "fixtures", "png")
SEEDS = os.path.join(ROOT, "fuzz", "corpus", "fuzz_optimize_blp")
W, H = 7, 5


def ref(name, pixels, channels):
    with open(os.path.join(PNG, name + ".ref"), "wb") as f:
        f.write(struct.pack("<III", W, H, channels))
        for p in pixels:
            r, g, b = p[:3]
            f.write(bytes([b, g, r] + ([p[3]] if channels == 4 else [])))


def rgb_at(x, y):
    return (x * 36 % 256, y * 60 % 256, (x * 17 + y * 40) % 256)


def paletted(name, bits, colours, trns=None):
    palette = [((i * 53) % 256, (i * 97 + 11) % 256, (i * 151 + 7) % 256) for i in range(colours)]
    im = Image.new("P", (W, H))
    im.putpalette([c for p in palette for c in p])
    idx = [(x + 2 * y) % colours for y in range(H) for x in range(W)]
    im.putdata(idx)
    extra = {"bits": bits} if bits < 8 else {}
    if trns is not None:
        extra["transparency"] = bytes(trns)
    im.save(os.path.join(PNG, name + ".png"), **extra)
    if trns is None:
        ref(name, [palette[i] for i in idx], 3)
    else:
        alpha = lambda i: trns[i] if i < len(trns) else 255
        ref(name, [palette[i] + (alpha(i),) for i in idx], 4)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def raw_grey_png(path, vals, bits, key):
    """A grey PNG of 1, 2 or 4 bits per sample, packed by hand."""
    rows = b""
    for y in range(H):
        acc, n, row = 0, 0, bytearray([0])
        for x in range(W):
            acc = (acc << bits) | vals[y * W + x]
            n += bits
            if n == 8:
                row.append(acc)
                acc, n = 0, 0
        if n:
            row.append(acc << (8 - n))
        rows += bytes(row)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, bits, 0, 0, 0, 0))
    if key is not None:
        data += chunk(b"tRNS", struct.pack(">H", key))
    data += chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def grey(name, bits, key=None):
    levels = (1 << bits) - 1
    vals = [((x + y * W) * 3) % (levels + 1) for y in range(H) for x in range(W)]
    im = Image.new("L", (W, H))
    im.putdata([v * 255 // levels for v in vals])
    extra = {"bits": bits} if bits < 8 else {}
    if key is not None:
        extra["transparency"] = key * 255 // levels
    path = os.path.join(PNG, name + ".png")
    im.save(path, **extra)
    if bits < 8:  # Pillow writes grey at 8 bits only
        raw_grey_png(path, vals, bits, None if key is None else key)
    g = [v * 255 // levels for v in vals]
    if key is None:
        ref(name, [(v, v, v) for v in g], 3)
    else:
        ref(name, [(v, v, v, 0 if v == key * 255 // levels else 255) for v in g], 4)


def save(folder, name, data):
    os.makedirs(os.path.join(ROOT, "tests", "fixtures", folder), exist_ok=True)
    with open(os.path.join(ROOT, "tests", "fixtures", folder, name), "wb") as f:
        f.write(data)


def hand_made():
    """Small files of the library's formats, laid out byte by byte, for the loader sweeps."""
    w, h = 4, 3
    px = [rgb_at(x, y) for y in range(h) for x in range(w)]
    # TGA: true colour bottom-up, run-length 32-bit top-left, colour-mapped.
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 24, 0)
    rows = b"".join(bytes([b, g, r]) for y in reversed(range(h)) for (r, g, b) in px[y * w:(y + 1) * w])
    save("tga", "true24.tga", head + rows)
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 10, 0, 0, 0, 0, 0, w, h, 32, 0x28)
    data = bytes([0x83, 10, 20, 30, 255]) + b"".join(
        bytes([0x03]) + b"".join(bytes([b, g, r, 128]) for (r, g, b) in px[y * w:(y + 1) * w]) for y in (1, 2))
    save("tga", "rle32_topleft.tga", head + data)
    head = struct.pack("<BBBHHBHHHHBB", 0, 1, 1, 0, 3, 24, 0, 0, w, h, 8, 0)
    save("tga", "mapped.tga", head + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]) + bytes(i % 3 for i in range(w * h)))
    # DDS: uncompressed 24-bit and one DXT1 block.
    def dds_head(flags, fourcc, bits, linear):
        d = bytearray(128)
        d[0:4] = b"DDS "
        struct.pack_into("<IIIII", d, 4, 124, 0x81007, 4, 4, linear)
        struct.pack_into("<II4sI", d, 76, 32, flags, fourcc, bits)
        if bits:
            struct.pack_into("<III", d, 92, 0xFF0000, 0xFF00, 0xFF)
        struct.pack_into("<I", d, 108, 0x1000)
        return bytes(d)
    save("dds", "rgb24.dds", dds_head(0x40, b"\0\0\0\0", 24, 48) + bytes(range(48)))
    save("dds", "dxt1.dds", dds_head(4, b"DXT1", 0, 8) + bytes([0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0x1B, 0x1B]))
    # BLP1 paletted 4 x 4 with an alpha plane and 3 levels; BLP2 paletted without alpha.
    palette = b"".join(bytes([i * 9 % 256, i * 31 % 256, i * 77 % 256, 0]) for i in range(8)) + bytes(1024 - 32)
    levels = [bytes(i % 8 for i in range(n)) + bytes(200 - i for i in range(n)) for n in (16, 4, 1)]
    head = bytearray(156)
    head[0:4] = b"BLP1"
    struct.pack_into("<IIIIII", head, 4, 1, 8, 4, 4, 4, 1)
    offset = 156 + 1024
    for i, l in enumerate(levels):
        struct.pack_into("<I", head, 28 + 4 * i, offset)
        struct.pack_into("<I", head, 92 + 4 * i, len(l))
        offset += len(l)
    save("blp", "blp1_paletted_alpha.blp", bytes(head) + palette + b"".join(levels))
    head = bytearray(148)
    head[0:4] = b"BLP2"
    struct.pack_into("<IBBBBII", head, 4, 1, 1, 0, 0, 1, 4, 4)
    levels = [bytes(i % 8 for i in range(n)) for n in (16, 4, 1)]
    offset = 148 + 1024
    for i, l in enumerate(levels):
        struct.pack_into("<I", head, 20 + 4 * i, offset)
        struct.pack_into("<I", head, 84 + 4 * i, len(l))
        offset += len(l)
    save("blp", "blp2_paletted.blp", bytes(head) + palette + b"".join(levels))
    head = bytearray(148)
    head[0:4] = b"BLP2"
    struct.pack_into("<IBBBBII", head, 4, 1, 2, 0, 0, 1, 4, 4)
    struct.pack_into("<I", head, 20, 148)
    struct.pack_into("<I", head, 84, 8)
    save("blp", "blp2_dxt1.blp", bytes(head) + bytes([0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0x1B, 0x1B]))
    # JPEG and BMP written by Pillow.
    im = Image.new("RGB", (w * 4, h * 4))
    im.putdata([rgb_at(x, y) for y in range(h * 4) for x in range(w * 4)])
    out = io.BytesIO()
    im.save(out, "JPEG", quality=70)
    save("jpeg", "photo.jpg", out.getvalue())
    out = io.BytesIO()
    im.save(out, "JPEG", quality=70, progressive=True)
    save("jpeg", "photo_progressive.jpg", out.getvalue())
    out = io.BytesIO()
    im.save(out, "BMP")
    save("bmp", "photo24.bmp", out.getvalue())
    out = io.BytesIO()
    im.convert("P", palette=Image.ADAPTIVE, colors=16).save(out, "BMP")
    save("bmp", "photo8.bmp", out.getvalue())


def main():
    os.makedirs(PNG, exist_ok=True)
    paletted("pal8", 8, 20)
    paletted("pal8_trns", 8, 20, trns=[0, 64, 128])
    paletted("pal4_trns", 4, 12, trns=[10, 200])
    paletted("pal2", 2, 4)
    paletted("pal1", 1, 2)
    grey("grey8", 8)
    grey("grey4", 4)
    grey("grey8_key", 8, key=9)
    grey("grey2_key", 2, key=1)

    rgb = [rgb_at(x, y) for y in range(H) for x in range(W)]
    im = Image.new("RGB", (W, H))
    im.putdata(rgb)
    im.save(os.path.join(PNG, "rgb8.png"))
    ref("rgb8", rgb, 3)
    key = rgb[8]
    im.save(os.path.join(PNG, "rgb8_key.png"), transparency=key)
    ref("rgb8_key", [p + (0 if p == key else 255,) for p in rgb], 4)

    rgba = [rgb_at(x, y) + ((x * 40 + y * 9) % 256,) for y in range(H) for x in range(W)]
    im = Image.new("RGBA", (W, H))
    im.putdata(rgba)
    im.save(os.path.join(PNG, "rgba8.png"))
    ref("rgba8", rgba, 4)
    subprocess.run(["convert", os.path.join(PNG, "rgba8.png"), "-interlace", "PNG",
                    "PNG32:" + os.path.join(PNG, "rgba8_interlaced.png")], check=True)
    ref("rgba8_interlaced", rgba, 4)
    # 16-bit samples v * 257 reduce to v exactly whichever rounding a reader uses.
    subprocess.run(["convert", os.path.join(PNG, "rgba8.png"), "-depth", "16",
                    "PNG64:" + os.path.join(PNG, "rgba16.png")], check=True)
    ref("rgba16", rgba, 4)

    la = [((x * 30) % 256, (y * 50 + 5) % 256) for y in range(H) for x in range(W)]
    im = Image.new("LA", (W, H))
    im.putdata(la)
    im.save(os.path.join(PNG, "grey_alpha8.png"))
    ref("grey_alpha8", [(g, g, g, a) for g, a in la], 4)
    im16 = Image.new("I;16", (W, H))
    im16.putdata([g * 257 for g, _ in la])
    im16.save(os.path.join(PNG, "grey16.png"))
    ref("grey16", [(g, g, g) for g, _ in la], 3)

    hand_made()

    os.makedirs(SEEDS, exist_ok=True)
    for merged in (False, True):
        for size in (8, 16):
            levels = []
            s = size
            while s >= 1:
                im = Image.new("CMYK", (s, s), (s * 9 % 256, 40, 200, 255))
                out = io.BytesIO()
                im.save(out, "JPEG", quality=80)
                levels.append(out.getvalue())
                s //= 2
            shared = b""
            if merged:  # everything before the first frame header is common to all levels
                cut = levels[0].index(b"\xff\xc0")
                shared = levels[0][:cut]
                levels = [l[cut:] if l[:cut] == shared else l for l in levels]
            head = bytearray(156)
            head[0:4] = b"BLP1"
            struct.pack_into("<IIIIII", head, 4, 0, 8, size, size, 4, 1)
            offset = 160 + len(shared)
            for i, l in enumerate(levels):
                struct.pack_into("<I", head, 28 + 4 * i, offset)
                struct.pack_into("<I", head, 92 + 4 * i, len(l))
                offset += len(l)
            data = bytes(head) + struct.pack("<I", len(shared)) + shared + b"".join(levels)
            name = "cmyk_%d_%s.blp" % (size, "merged" if merged else "plain")
            with open(os.path.join(SEEDS, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
