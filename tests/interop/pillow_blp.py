#!/usr/bin/python3
"""BLP files read by an independent reader: Pillow.

Our BLP1 (JPEG, paletted) and BLP2 (paletted, DXT1, DXT5) files are opened with Pillow and its
levels compared with our own decode; Pillow's own BLP1 and BLP2 writer output is read back
through our decoder. Debian's Pillow 9.4 reads level 0 only and gets some variants wrong (see
UNCHECKED); those parts are listed, not compared.

usage: pillow_blp.py <blp_interop_tool> <work folder>
Exits 0 when everything compared matches, 1 on a mismatch, 77 when PIL is missing.
"""
import io
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

# Our decode and Pillow's run the same libjpeg on the same streams; measured largest channel
# difference on these images: 0 (pinned at 2, the slack of a different IDCT build).
JPEG_TOLERANCE = 2
# Pillow truncates the interpolated DXT5 alpha values where we round: at most 1 apart.
DXT5_ALPHA_TOLERANCE = 1
# Pillow 9.4's BLP reader widens 5:6:5 endpoints by shifting (31 -> 248), where the format, its
# own DDS reader and ours replicate the high bits (31 -> 255): its DXT colours are up to 7 darker.
# The same blocks read by its DDS reader are compared exactly.
PILLOW_BLP_DXT_TOLERANCE = 7

# What each case compares, by our case name: "rgb" exact colour, "jpeg" colour within
# JPEG_TOLERANCE, "dxt" DXT colour exact (and "dxt+alpha" DXT5 alpha within
# DXT5_ALPHA_TOLERANCE) through Pillow's DDS reader, or None: not checkable.
CHECKS = {
    "blp1_jpeg": "jpeg",
    "blp1_jpeg_merged": "jpeg",
    "blp1_jpeg_progressive_merged": "jpeg",
    "blp1_paletted": "rgb",
    "blp1_paletted_dithered": "rgb",
    "blp1_paletted_compressed": None,
    "blp1_paletted_alpha": "rgb",
    "blp2_paletted": "rgb",
    "blp2_paletted_compressed": "rgb",
    "blp2_paletted_alpha": "rgb",
    "blp2_dxt1": "dxt",
    "blp2_dxt1_dithered": "dxt",
    "blp2_dxt5": "dxt+alpha",
}

UNCHECKED = [
    "levels above 0 of BLP1 paletted files (Pillow reads level 0 only; the other kinds are "
    "checked level by level by moving each level into table entry 0)",
    "BLP1 paletted with a compressed palette (Pillow reads BLP1 level data right after a full "
    "palette and ignores the offset table)",
    "BLP1 alpha, paletted and JPEG (Pillow reads BLP1 files as RGB; with JPEG content it would "
    "also multiply the colours by the fourth channel, so only opaque JPEG images are compared)",
    "the alpha plane of BLP2 paletted files (Pillow takes alpha from the palette's fourth byte)",
    "BLP1 picture type 3 (Pillow refuses it; we never write it)",
    "DXT levels whose sides are not multiples of 4 (Pillow lays out whole blocks as rows of "
    "the image)",
]


def read_bgra(path, width, height):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != width * height * 4:
        raise ValueError(f"{path}: {len(data)} bytes for {width} x {height}")
    return data


def ours_as_rgba(bgra):
    out = bytearray(len(bgra))
    out[0::4] = bgra[2::4]
    out[1::4] = bgra[1::4]
    out[2::4] = bgra[0::4]
    out[3::4] = bgra[3::4]
    return bytes(out)


def largest_difference(a, b, channels, stride=4):
    worst = 0
    for c in channels:
        for x, y in zip(a[c::stride], b[c::stride]):
            d = abs(x - y)
            if d > worst:
                worst = d
    return worst


def as_level_zero(blp, level, width, height):
    """The file with level `level` moved into table entry 0 and the header's size set to it:
    Pillow reads entry 0 only, so this lets it read every level of the same bytes."""
    data = bytearray(blp)
    tables = 28 if data[:4] == b"BLP1" else 20
    offset, size = struct.unpack_from("<II", data, tables + 4 * level)[0], \
        struct.unpack_from("<I", data, tables + 64 + 4 * level)[0]
    struct.pack_into("<I", data, tables, offset)
    struct.pack_into("<I", data, tables + 64, size)
    struct.pack_into("<II", data, 12, width, height)
    return bytes(data)


def level_as_dds(blp, level, width, height):
    """The DXT blocks of a BLP2 level in a DDS file of the same size, for Pillow's DDS reader."""
    offset = struct.unpack_from("<I", blp, 20 + 4 * level)[0]
    size = struct.unpack_from("<I", blp, 84 + 4 * level)[0]
    fourcc = b"DXT5" if blp[10] == 7 else b"DXT1"
    head = bytearray(128)
    struct.pack_into("<4sIIIII", head, 0, b"DDS ", 124, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000,
                     height, width, size)
    struct.pack_into("<II4s", head, 76, 32, 0x4, fourcc)
    struct.pack_into("<I", head, 108, 0x1000)
    return bytes(head) + blp[offset:offset + size]


def check_ours(tool, folder):
    failures = []
    subprocess.run([tool, "write", folder], check=True)
    with open(os.path.join(folder, "cases.txt")) as f:
        cases = [line.split() for line in f if line.strip()]
    for name, level, w, h in cases:
        level, w, h = int(level), int(w), int(h)
        check = CHECKS[name]
        label = f"{name} level {level} {w}x{h}"
        if check is None:
            if level == 0:
                print(f"  {name}: not checked (Pillow cannot read it correctly)")
            continue
        if level > 0 and name.startswith("blp1_paletted"):
            continue  # Pillow ignores the BLP1 paletted offset table: level 0 only
        ours = ours_as_rgba(read_bgra(os.path.join(folder, f"{name}.{level}.bgra"), w, h))
        # Two blank images would agree trivially; every source picture has many colours.
        colours = len({ours[i:i + 3] for i in range(0, len(ours), 4)})
        if level == 0 and colours < 8:
            failures.append(f"{label}: our decode has only {colours} colours")
            continue
        with open(os.path.join(folder, name + ".blp"), "rb") as f:
            original = f.read()
        with Image.open(io.BytesIO(as_level_zero(original, level, w, h))) as im:
            theirs = im.convert("RGBA").tobytes()
        colour = largest_difference(ours, theirs, (0, 1, 2))
        allowed = {"jpeg": JPEG_TOLERANCE, "rgb": 0}.get(check, PILLOW_BLP_DXT_TOLERANCE)
        result = f"  {label}: largest colour difference {colour} (allowed {allowed})"
        ok = colour <= allowed
        if check.startswith("dxt"):
            with Image.open(io.BytesIO(level_as_dds(original, level, w, h))) as im:
                blocks = im.convert("RGBA").tobytes()
            colour = largest_difference(ours, blocks, (0, 1, 2))
            result += f"; as DDS {colour} (allowed 0)"
            ok = ok and colour == 0
            if check == "dxt+alpha":
                alpha = largest_difference(ours, blocks, (3,))
                result += f", alpha {alpha} (allowed {DXT5_ALPHA_TOLERANCE})"
                ok = ok and alpha <= DXT5_ALPHA_TOLERANCE
        if not ok:
            failures.append(result)
        print(result)
    return failures


def pillow_source(width, height):
    """An opaque paletted picture: smooth gradients and a hard-edged block, 64 colours."""
    rgb = Image.new("RGB", (width, height))
    rgb.putdata([((x * 255) // max(1, width - 1), (y * 255) // max(1, height - 1),
                  255 if (width // 4 <= x < width // 2 and y < height // 2) else 96)
                 for y in range(height) for x in range(width)])
    return rgb.quantize(64)


def check_theirs(tool, folder):
    failures = []
    width, height = 45, 31
    source = pillow_source(width, height)
    expected = source.convert("RGB").tobytes()
    for version in ("BLP1", "BLP2"):
        path = os.path.join(folder, f"pillow_{version.lower()}.blp")
        source.save(path, blp_version=version)
        out = path + ".bgra"
        size = subprocess.run([tool, "decode", path, out], check=True, capture_output=True,
                              text=True).stdout.split()
        if [int(v) for v in size] != [width, height]:
            failures.append(f"{version} from Pillow: our size {size}")
            continue
        ours = ours_as_rgba(read_bgra(out, width, height))
        ours_rgb = bytes(v for i, v in enumerate(ours) if i % 4 != 3)
        if version == "BLP1":
            # Pillow's writer stores level 0's offset as if the header were BLP2's (1172, not
            # 1180), so a reader that follows the table, as ours does, starts 8 bytes early:
            # 8 pixels of palette bytes, then the image shifted by 8 pixels.
            shift = 8 * 3
            same = ours_rgb[shift:] == expected[:-shift]
        else:
            same = ours_rgb == expected
        alpha_zero = all(v == 0 for v in ours[3::4])  # no alpha plane: alpha bytes 0
        print(f"  {version} written by Pillow {width}x{height}: colours "
              f"{'match' if same else 'DIFFER'}, alpha {'0' if alpha_zero else 'not 0'}")
        if not same or not alpha_zero:
            failures.append(f"{version} written by Pillow read back wrongly")
    return failures


def main():
    tool, folder = sys.argv[1], sys.argv[2]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    print("Our files read by Pillow:")
    failures = check_ours(tool, folder)
    print("Pillow's files read by us:")
    failures += check_theirs(tool, folder)
    print("Not checkable with this Pillow:")
    for item in UNCHECKED:
        print(f"  - {item}")
    if failures:
        print("FAILED:")
        for f in failures:
            print(f"  {f}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
