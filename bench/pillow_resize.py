#!/usr/bin/python3
"""Pillow's LANCZOS on the pictures bench_resample wrote (raw BGRA), and the side-by-side table.

usage: pillow_resize.py SOURCE_DIR [OURS_JSON]
CPU time on both sides (the build machine is shared, so wall time says less).
Times Image.resize(..., Image.LANCZOS) on the RGBA picture as users call it (Pillow
premultiplies alpha around the filter), and on the same bytes already premultiplied
("RGBa", the filter alone). With OURS_JSON (Google Benchmark JSON of bench_resample) it prints
our figures beside Pillow's.
"""
import json
import sys
import time

from PIL import Image

CASES = [("down_4096_to_2048", 4096, 2048), ("up_512_to_2048", 512, 2048)]
REPEATS = 5


def load(directory, side):
    with open(f"{directory}/source_{side}.bgra", "rb") as f:
        data = f.read()
    return Image.frombytes("RGBA", (side, side), data, "raw", "BGRA")


def best_ms(image, size):
    times = []
    for _ in range(REPEATS):
        start = time.process_time()
        image.resize((size, size), Image.LANCZOS)
        times.append((time.process_time() - start) * 1e3)
    return min(times)


def ours_ms(path):
    if not path:
        return {}
    with open(path) as f:
        results = json.load(f)["benchmarks"]
    figures = {}
    for r in results:
        name = r["name"]
        if name.startswith("Scale/"):
            figures[name[len("Scale/"):]] = r["cpu_time"]  # reported in ms
    return figures


def main():
    directory = sys.argv[1]
    ours = ours_ms(sys.argv[2] if len(sys.argv) > 2 else None)
    print(f"Pillow {Image.__version__}, best CPU time of {REPEATS}; ours: best kernel set "
          "(AVX2 where present), SSE2 baseline, scalar")
    header = (f"{'case':<20}{'ours ms':>10}{'sse2 ms':>10}{'scalar ms':>11}"
              f"{'Pillow RGBA ms':>16}{'Pillow RGBa ms':>16}{'Pillow/ours':>13}")
    print(header)
    for name, source_side, size in CASES:
        image = load(directory, source_side)
        pillow_rgba = best_ms(image, size)
        pillow_core = best_ms(image.convert("RGBa"), size)
        mine = ours.get(name)
        sse2 = ours.get(name + "_sse2")
        scalar = ours.get(name + "_scalar")

        def cell(v, width):
            return f"{v:>{width}.1f}" if v is not None else f"{'-':>{width}}"

        ratio = f"{pillow_rgba / mine:>12.1f}x" if mine else f"{'-':>13}"
        print(f"{name:<20}{cell(mine, 10)}{cell(sse2, 10)}{cell(scalar, 11)}"
              f"{cell(pillow_rgba, 16)}{cell(pillow_core, 16)}{ratio}")


if __name__ == "__main__":
    main()
