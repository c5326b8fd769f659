#!/usr/bin/env python3
"""Peak memory of the thumbnailer, of QImageReader through the BLP plugin and of
ondrel-convert --info on three hostile BLP files made here, and how fast --info refuses
/dev/zero. Each figure is one process's peak resident set (GNU time's %M). The goal: at most 200 MB.

usage: bench/hostile_memory.py [BUILD_DIR]   (default build; needs ondrel-thumbnailer,
ondrel-convert, the qblp plugin and qt_read_all_levels built there)"""
import os
import struct
import subprocess
import sys
import tempfile
import time

GOAL_MB = 200
SIDE = 16384


def blp1_header(compression, width, height, offsets, sizes, alpha_bits=8, picture_type=4):
    offsets = (offsets + [0] * 16)[:16]
    sizes = (sizes + [0] * 16)[:16]
    return (b"BLP1" + struct.pack("<5I", compression, alpha_bits, width, height, picture_type)
            + struct.pack("<I", 1) + struct.pack("<16I", *offsets) + struct.pack("<16I", *sizes))


def jpeg_frame(width, height, body=b""):
    """A four-channel baseline frame header and a scan start, then `body`; no end marker."""
    def seg(marker, payload):
        return b"\xff" + bytes([marker]) + struct.pack(">H", len(payload) + 2) + payload
    dqt = seg(0xDB, b"\x00" + bytes([1] * 64))
    sof = seg(0xC0, b"\x08" + struct.pack(">HH", height, width) + b"\x04"
              + b"".join(bytes([i, 0x11, 0]) for i in range(1, 5)))
    # A DC and an AC table of one code each, enough for a decoder to start.
    dht = seg(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00") + seg(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    sos = seg(0xDA, b"\x04" + b"".join(bytes([i, 0]) for i in range(1, 5)) + b"\x00\x3f\x00")
    return b"\xff\xd8" + dqt + sof + dht + sos + body


def make_files(folder):
    paths = {}
    # 1. A 531 KB BLP1 JPEG whose header claims 16384 x 16384 over a 16 x 16 frame.
    frame = jpeg_frame(16, 16, b"\x00" * 64) + b"\xff\xd9"
    level = frame + b"\x00" * (531_000 - 160 - len(frame))
    data = blp1_header(0, SIDE, SIDE, [160], [len(level)]) + struct.pack("<I", 0) + level
    paths["BLP1 JPEG, 16384^2 header over a 16x16 frame (531 KB)"] = data
    # 2. 4.2 MB: 15 levels, each an unterminated 16384 x 16384 frame.
    levels = [jpeg_frame(SIDE, SIDE, bytes((i * 7 + 1) & 0xFF for i in range(280_000 - 200))) for _ in range(15)]
    offsets, at = [], 160
    for lv in levels:
        offsets.append(at)
        at += len(lv)
    data = blp1_header(0, SIDE, SIDE, offsets, [len(lv) for lv in levels]) + struct.pack("<I", 0) + b"".join(levels)
    paths["BLP1 JPEG, 15 levels of unterminated 16384^2 frames (4.2 MB)"] = data
    # 3. A BLP2 DXT1 header claiming 16384 x 16384 over a short file.
    size0 = (SIDE // 4) * (SIDE // 4) * 8
    header = (b"BLP2" + struct.pack("<I", 1) + bytes([2, 0, 0, 1]) + struct.pack("<II", SIDE, SIDE)
              + struct.pack("<16I", *([1172] + [0] * 15)) + struct.pack("<16I", *([size0] + [0] * 15)) + bytes(1024))
    paths["BLP2 DXT1, 16384^2 header over a 64 KB file"] = header + bytes(65536 - len(header))
    made = {}
    for i, (label, data) in enumerate(paths.items(), 1):
        path = os.path.join(folder, f"hostile{i}.blp")
        with open(path, "wb") as f:
            f.write(data)
        made[label] = path
    return made


def peak_mb(command, env=None, timeout=120):
    """Runs the command under /usr/bin/time (a small parent, so the figure is the command's
    own); returns (peak RSS in MB, seconds, exit code, last output line)."""
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.monotonic()
        try:
            run = subprocess.run(["/usr/bin/time", "-q", "-o", report.name, "-f", "%M"] + command,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env, timeout=timeout)
            code, output = run.returncode, run.stdout
        except subprocess.TimeoutExpired as expired:
            code, output = "timed out", expired.stdout or b""
        seconds = time.monotonic() - start
        figures = report.read().split()
    kb = float(figures[-1]) if figures and figures[-1].isdigit() else float("nan")
    lines = output.decode(errors="replace").strip().splitlines()
    return kb / 1024, seconds, code, lines[-1] if lines else ""


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    bin_dir = os.path.join(build, "bin")
    env = dict(os.environ, QT_PLUGIN_PATH=os.path.abspath(os.path.join(build, "plugins")),
               QT_QPA_PLATFORM="offscreen")
    worst = 0.0
    with tempfile.TemporaryDirectory() as folder:
        files = make_files(folder)
        out = os.path.join(folder, "thumb.png")
        for label, path in files.items():
            print(label)
            for tool, command in (
                    ("thumbnailer -s 256", [os.path.join(bin_dir, "ondrel-thumbnailer"), "-s", "256", path, out]),
                    ("QImageReader, every level", [os.path.join(bin_dir, "qt_read_all_levels"), path]),
                    ("ondrel-convert --info", [os.path.join(bin_dir, "ondrel-convert"), "--info", path])):
                mb, seconds, code, last = peak_mb(command, env)
                worst = max(worst, mb)
                print(f"  {tool:28s} peak {mb:7.1f} MB  {seconds:6.2f} s  exit {code}  {last[:90]}")
        link = os.path.join(folder, "zero.png")
        os.symlink("/dev/zero", link)
        mb, seconds, code, last = peak_mb([os.path.join(bin_dir, "ondrel-convert"), "--info", link], env, timeout=20)
        print(f"ondrel-convert --info on a link to /dev/zero: peak {mb:.1f} MB, {seconds:.2f} s, exit {code}: {last}")
    print(f"largest peak {worst:.1f} MB (goal: at most {GOAL_MB} MB)")


if __name__ == "__main__":
    main()
