#!/usr/bin/python3
"""DXT levels of other writers' BLP2 files, decoded by us and by two independent DXT readers.

Level 0 of every BLP2 file with DXT content in the peer sample folder is wrapped, block for
block, in a DDS file, which Pillow and ImageMagick decode. Wherever the two agree, our decode of
the BLP file must equal them: colour exactly; alpha exactly, except DXT5 alpha, which both
readers truncate where we round (at most 1 apart). Pixels where the two readers disagree are
counted and shown, not judged.

usage: check_peer_dxt.py <blp_interop_tool> <peer folder> <work folder>
Exits 0 when everything compared matches, 1 on a mismatch, 77 when PIL, convert or the peer
folder is missing.
"""
import glob
import os
import shutil
import struct
import subprocess
import sys

try:
    from PIL import Image
except ImportError:
    print("PIL is not installed for this interpreter: skipped")
    sys.exit(77)

FOURCC = {0: b"DXT1", 1: b"DXT3", 7: b"DXT5"}  # by the BLP2 alpha encoding field
DXT5_ALPHA_TOLERANCE = 1


def blocks_per_side(n):
    return (n + 3) // 4


def dxt_level_zero(blp):
    """(width, height, fourcc, alpha depth, block bytes) of a BLP2 DXT file's level 0, or None."""
    if len(blp) < 148 or blp[:4] != b"BLP2":
        return None
    content, encoding, alpha_depth, alpha_encoding = struct.unpack_from("<IBBB", blp, 4)
    width, height = struct.unpack_from("<II", blp, 12)
    offset, size = struct.unpack_from("<I", blp, 20)[0], struct.unpack_from("<I", blp, 84)[0]
    if content != 1 or encoding != 2 or alpha_encoding not in FOURCC:
        return None
    fourcc = FOURCC[alpha_encoding]
    need = blocks_per_side(width) * blocks_per_side(height) * (8 if fourcc == b"DXT1" else 16)
    if not 0 < width <= 4096 or not 0 < height <= 4096 or size < need or offset + need > len(blp):
        return None  # the hostile samples: nothing a viewer could show
    return width, height, fourcc, alpha_depth, blp[offset:offset + need]


def dds_file(width, height, fourcc, blocks):
    head = bytearray(128)
    struct.pack_into("<4sIIIII", head, 0, b"DDS ", 124, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000,
                     height, width, len(blocks))
    struct.pack_into("<II4s", head, 76, 32, 0x4, fourcc)
    struct.pack_into("<I", head, 108, 0x1000)
    return bytes(head) + blocks


def pillow_rgba(path, size):
    with Image.open(path) as im:
        if im.size != size:
            raise OSError(f"Pillow: size {im.size}")
        return im.convert("RGBA").tobytes()


def magick_rgba(path, size):
    raw = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgba:-"],
                         capture_output=True, check=True).stdout
    if len(raw) < size[0] * size[1] * 4:
        raise OSError(f"ImageMagick: {len(raw)} bytes")
    return raw[:size[0] * size[1] * 4]


def ours_rgba(tool, path, out, size):
    got = subprocess.run([tool, "decode", path, out], check=True, capture_output=True,
                         text=True).stdout.split()
    if tuple(int(v) for v in got) != size:
        raise OSError(f"our size {got}")
    with open(out, "rb") as f:
        bgra = f.read()
    rgba = bytearray(len(bgra))
    rgba[0::4], rgba[1::4], rgba[2::4], rgba[3::4] = bgra[2::4], bgra[1::4], bgra[0::4], bgra[3::4]
    return bytes(rgba)


def compare(ours, pillow, magick, channels):
    """(largest difference where the readers agree, bytes where they disagree)"""
    worst = disagree = 0
    for c in channels:
        for o, p, m in zip(ours[c::4], pillow[c::4], magick[c::4]):
            if p != m:
                disagree += 1
            else:
                worst = max(worst, abs(o - p))
    return worst, disagree


def main():
    tool, peer, work = sys.argv[1], sys.argv[2], sys.argv[3]
    if shutil.which("convert") is None or not os.path.isdir(peer):
        print("ImageMagick's convert or the peer folder is missing: skipped")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    failures = checked = 0
    for path in sorted(glob.glob(os.path.join(peer, "*", "*.blp"))):
        with open(path, "rb") as f:
            level = dxt_level_zero(f.read())
        if level is None:
            continue
        width, height, fourcc, alpha_depth, blocks = level
        size = (width, height)
        name = os.path.relpath(path, peer)
        dds = os.path.join(work, name.replace(os.sep, "_") + ".dds")
        with open(dds, "wb") as f:
            f.write(dds_file(width, height, fourcc, blocks))
        ours = ours_rgba(tool, path, dds + ".bgra", size)
        pillow, magick = pillow_rgba(dds, size), magick_rgba(dds, size)
        colour, colour_split = compare(ours, pillow, magick, (0, 1, 2))
        ok = colour == 0
        result = (f"{name} ({fourcc.decode()}, {width}x{height}): colour {colour}"
                  f" (allowed 0, readers disagree on {colour_split} bytes)")
        if alpha_depth:  # a BLP without alpha shows its DXT1 level opaque, unlike a DDS
            allowed = DXT5_ALPHA_TOLERANCE if fourcc == b"DXT5" else 0
            alpha, alpha_split = compare(ours, pillow, magick, (3,))
            ok = ok and alpha <= allowed
            result += f", alpha {alpha} (allowed {allowed}, readers disagree on {alpha_split})"
        checked += 1
        failures += not ok
        print(f"{'ok  ' if ok else 'FAIL'} {result}")
    print(f"{checked - failures} passed, {failures} failed")
    return 1 if failures or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
