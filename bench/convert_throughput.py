#!/usr/bin/python3
"""ondrel-convert's throughput over 200 generated textures, beside Pillow and ImageMagick.

usage: convert_throughput.py ONDREL_CONVERT WORK_DIR [COUNT] [PILLOW_EVERY]

Makes COUNT (200) PNG textures of 256 x 256, 512 x 512 and 1024 x 1024 pixels (RGBA, photo-like
with shapes, noise and a soft alpha), then times:
  ours   PNG -> BLP2 DXT5, all mipmaps, --jobs 1 and --jobs 2, and --jobs 1 undithered
  ours   PNG -> BLP1 JPEG, all mipmaps, --jobs 1 and --jobs 2
  Pillow PNG -> BLP2 paletted (its nearest equivalent; no mipmaps), one process, over every
         PILLOW_EVERY-th file (default 20: its BLP writer takes seconds a file), the same mix
         of sizes
  ImageMagick convert PNG -> DDS DXT5 with mipmaps, one process per file, one thread
Each is reported as files per second of wall time and per CPU second (the CPU time of the
child processes: on a shared machine the fairer per-core figure).
"""
import os
import random
import resource
import shutil
import subprocess
import sys
import time

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))


def make_texture(side, seed):
    rng = random.Random(seed)
    red = Image.linear_gradient("L").rotate(rng.randrange(360)).resize((side, side))
    green = Image.radial_gradient("L").resize((side, side))
    blue = Image.effect_noise((side, side), 30 + rng.randrange(40))
    picture = Image.merge("RGB", (red, green, blue))
    draw = ImageDraw.Draw(picture)
    for _ in range(12):
        x, y = rng.randrange(side), rng.randrange(side)
        r = rng.randrange(side // 16, side // 4)
        colour = tuple(rng.randrange(256) for _ in range(3))
        if rng.random() < 0.5:
            draw.ellipse((x - r, y - r, x + r, y + r), fill=colour)
        else:
            draw.rectangle((x - r, y - r // 2, x + r, y + r // 2), fill=colour)
    picture = picture.filter(ImageFilter.GaussianBlur(1))
    alpha = Image.radial_gradient("L").resize((side, side)).point(lambda v: 255 - v)
    picture.putalpha(alpha)
    return picture


def make_inputs(folder, count):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        side = 256 << (i % 3)
        make_texture(side, i).save(os.path.join(folder, f"tex{i:03d}.png"), compress_level=1)


def timed(commands, env=None):
    """Runs the commands one after the other; returns (wall seconds, CPU seconds)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    for command in commands:
        subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    exe, work = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    pillow_every = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    inputs = os.path.join(work, "png")
    if not os.path.isdir(inputs) or len(os.listdir(inputs)) != count:
        shutil.rmtree(inputs, ignore_errors=True)
        make_inputs(inputs, count)
    files = sorted(os.path.join(inputs, f) for f in os.listdir(inputs))

    def out(name):
        # Only the inputs are kept between runs: the work folder may be a RAM disk.
        for old in os.listdir(work):
            if old != "png":
                shutil.rmtree(os.path.join(work, old))
        return os.path.join(work, name)

    rows = []
    # The designed defaults dither the DXT blocks (error diffusion); ImageMagick does not, so
    # the undithered run is the like-for-like one beside it.
    for fmt, label, jobs_list, extra in (
            ("blp2", "PNG -> BLP2 DXT5, all mipmaps", (1, 2), []),
            ("blp2", "PNG -> BLP2 DXT5, no dithering", (1,), ["--no-error-diffusion"]),
            ("blp1", "PNG -> BLP1 JPEG, all mipmaps", (1, 2), [])):
        for jobs in jobs_list:
            target = out(f"ours_{fmt}_{jobs}")
            command = [exe, inputs, "-o", target, "--format", fmt, "--mipmaps", "all",
                       "--jobs", str(jobs), "-q"] + extra
            rows.append((f"ondrel-convert --jobs {jobs}", label) + timed([command]))

    target = out("pillow")
    sample = os.path.join(work, "pillow_png")
    os.makedirs(sample, exist_ok=True)
    sampled = files[::pillow_every]
    for f in sampled:
        os.symlink(f, os.path.join(sample, os.path.basename(f)))
    wall, cpu = timed([["/usr/bin/python3", os.path.join(HERE, "pillow_png_to_blp.py"), sample, target]])
    scale = count / len(sampled)  # its rate over the sample, as if over all files
    rows.append((f"Pillow {Image.__version__} ({len(sampled)} of {count} files)",
                 "PNG -> BLP2 paletted, no mipmaps", wall * scale, cpu * scale))
    shutil.rmtree(sample)

    target = out("magick")
    os.makedirs(target)
    env = dict(os.environ, MAGICK_THREAD_LIMIT="1")
    commands = [["convert", f, "-define", "dds:compression=dxt5",
                 os.path.join(target, os.path.basename(f)[:-4] + ".dds")] for f in files]
    rows.append(("ImageMagick convert (1 thread)", "PNG -> DDS DXT5, all mipmaps") + timed(commands, env))
    with open(commands[-1][-1], "rb") as f:
        head = f.read(32)
    magick_levels = int.from_bytes(head[28:32], "little")

    print(f"{count} textures of 256^2, 512^2, 1024^2 pixels (RGBA); {os.cpu_count()} cores, "
          f"load average {os.getloadavg()[0]:.1f} at the end (a shared machine)")
    print(f"(ImageMagick wrote {magick_levels} mipmap levels for the last file)")
    print()
    print(f"| {'tool':<34} | {'conversion':<33} | {'wall s':>7} | {'files/s':>7} | {'CPU s':>7} | {'files/CPU s':>11} |")
    print(f"|{'-' * 36}|{'-' * 35}|{'-' * 9}|{'-' * 9}|{'-' * 9}|{'-' * 13}|")
    for tool, conversion, wall, cpu in rows:
        print(f"| {tool:<34} | {conversion:<33} | {wall:7.2f} | {count / wall:7.1f} | {cpu:7.2f} | {count / cpu:11.1f} |")
    print()
    per_cpu = {(tool, conversion): count / cpu for tool, conversion, _, cpu in rows}
    per_wall = {(tool, conversion): count / wall for tool, conversion, wall, _ in rows}
    dxt1 = ("ondrel-convert --jobs 1", "PNG -> BLP2 DXT5, all mipmaps")
    dxt2 = ("ondrel-convert --jobs 2", "PNG -> BLP2 DXT5, all mipmaps")
    plain1 = ("ondrel-convert --jobs 1", "PNG -> BLP2 DXT5, no dithering")
    jpg1 = ("ondrel-convert --jobs 1", "PNG -> BLP1 JPEG, all mipmaps")
    jpg2 = ("ondrel-convert --jobs 2", "PNG -> BLP1 JPEG, all mipmaps")
    pillow, magick = rows[-2][:2], rows[-1][:2]
    print(f"per CPU second: BLP2 DXT5 vs Pillow {per_cpu[dxt1] / per_cpu[pillow]:.1f}x, "
          f"BLP1 JPEG vs Pillow {per_cpu[jpg1] / per_cpu[pillow]:.1f}x; "
          f"BLP2 DXT5 vs ImageMagick DDS DXT5 {per_cpu[dxt1] / per_cpu[magick]:.1f}x dithered, "
          f"{per_cpu[plain1] / per_cpu[magick]:.1f}x undithered")
    print(f"two jobs against one (wall): BLP2 DXT5 {per_wall[dxt2] / per_wall[dxt1]:.2f}x, "
          f"BLP1 JPEG {per_wall[jpg2] / per_wall[jpg1]:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
