#!/usr/bin/python3
"""Writes the small JPEG seed files of the JPEG fuzz target (fuzz/corpus/fuzz_jpeg/).

Made with Debian's Pillow; run with /usr/bin/python3 from the repository root."""
import io
import os

from PIL import Image

out = "fuzz/corpus/fuzz_jpeg"
os.makedirs(out, exist_ok=True)

rgb = Image.new("RGB", (19, 13))
rgb.putdata([((x * 13) % 256, (y * 19) % 256, (x * y) % 256) for y in range(13) for x in range(19)])
variants = {
    "baseline.jpg": (rgb, dict(quality=80)),
    "progressive.jpg": (rgb, dict(quality=80, progressive=True)),
    "nosubsample.jpg": (rgb, dict(quality=95, subsampling=0)),
    "grey.jpg": (rgb.convert("L"), dict(quality=80)),
    "cmyk.jpg": (rgb.convert("CMYK"), dict(quality=80)),
    "restart.jpg": (rgb, dict(quality=60, restart_marker_blocks=1)),
}
for name, (image, options) in variants.items():
    buffer = io.BytesIO()
    image.save(buffer, "JPEG", **options)
    with open(os.path.join(out, name), "wb") as f:
        f.write(buffer.getvalue())
    print(name, len(buffer.getvalue()))
