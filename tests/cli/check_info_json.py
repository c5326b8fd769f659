#!/usr/bin/python3
"""--info --json on the peer BLP files, each object checked against the file's header bytes.

usage: check_info_json.py ONDREL_CONVERT PEER_BLP_FOLDER
"""
import glob
import json
import os
import struct
import subprocess
import sys


def header_facts(data):
    """The facts the header bytes give, as --info --json names them."""
    sig = data[:4].decode("latin-1")
    width, height = struct.unpack_from("<II", data, 12)
    if sig == "BLP1":
        compression, alpha_bits = struct.unpack_from("<II", data, 4)
        picture_type = struct.unpack_from("<I", data, 20)[0]
        tables = 28
        raw = {"compression": compression, "alpha_bits": alpha_bits, "picture_type": picture_type,
               "width": width, "height": height}
        alpha = alpha_bits
    else:
        compression = struct.unpack_from("<I", data, 4)[0]
        encoding, alpha_depth, alpha_encoding = data[8], data[9], data[10]
        tables = 20
        raw = {"compression": compression, "encoding": encoding, "alpha_depth": alpha_depth,
               "alpha_encoding": alpha_encoding, "width": width, "height": height}
        alpha = alpha_depth
    offsets = struct.unpack_from("<16I", data, tables)
    sizes = struct.unpack_from("<16I", data, tables + 64)
    if sig == "BLP1" and compression == 0:
        header_size = struct.unpack_from("<I", data, 156)[0]
    else:
        header_size = (offsets[0] - (156 if sig == "BLP1" else 148)) & 0xFFFFFFFF
    levels = [0] + [i for i in range(1, 16) if sizes[i] != 0 and
                    (sig != "BLP1" or offsets[i] + sizes[i] <= len(data))]
    return sig, raw, alpha, header_size, [(i, offsets[i], sizes[i]) for i in levels]


def main():
    exe, peers = sys.argv[1], sys.argv[2]
    files = sorted(glob.glob(os.path.join(peers, "*", "*.blp")))
    if not files:
        print("no peer BLP files in", peers, "- skipped")
        return 77
    run = subprocess.run([exe, "--info", "--json", "-j", "2"] + files, capture_output=True)
    objects = json.loads(run.stdout)
    assert [o["file"] for o in objects] == files, "one object per file, in order"
    failed = [o for o in objects if o["error"] is not None]
    assert run.returncode == (1 if failed else 0), run.returncode
    for o in failed:
        assert os.path.basename(o["file"]) in run.stderr.decode(), o["file"]
    checked = 0
    for o in objects:
        name = os.path.relpath(o["file"], peers)
        with open(o["file"], "rb") as f:
            data = f.read()
        sig, raw, alpha, header_size, levels = header_facts(data)
        if o["error"] is not None:
            # Only the hostile files may fail, and never for want of a message.
            assert "timeout-" in name or "jpeg2" in name, (name, o["error"])
            continue
        try:
            assert o["signature"] == sig and o["format"] == sig.lower()
            for key, value in raw.items():
                assert o["blp"][key] == value, (key, o["blp"][key], value)
            assert o["alpha_bits"] == alpha
            assert o["header_size"] == header_size
            assert o["file_size"] == len(data)
            assert (o["width"], o["height"]) == (raw["width"], raw["height"]), "level 0 is the header's size"
            assert [(m["index"], m["offset"], m["size"]) for m in o["mipmaps"]] == levels
            assert o["mipmap_count"] == len(levels)
            assert o["irregular_mipmaps"] == sum(1 for m in o["mipmaps"] if not m["regular"])
            if sig == "BLP1":
                assert o["compression"] == ("jpeg" if raw["compression"] == 0 else "none")
            elif raw["encoding"] == 2:
                expected = {0: "dxt1", 1: "dxt3", 7: "dxt5"}.get(raw["alpha_encoding"])
                assert o["compression"] == "dxt" and o["picture_type"] == expected, o["picture_type"]
        except AssertionError as e:
            print("FAILED", name, e, json.dumps(o, indent=1))
            return 1
        checked += 1
    print(f"{checked} peer files agree with their headers; {len(failed)} refused with a reason")
    assert checked >= 20
    return 0


if __name__ == "__main__":
    sys.exit(main())
