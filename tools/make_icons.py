"""Draws the program's icons (tool buttons, window and about picture) into program/forms/icons/.

Run with Debian's /usr/bin/python3 (Pillow). Shapes are drawn at four times the size and scaled
down, which smooths their edges.
"""
from pathlib import Path

from PIL import Image, ImageDraw

OUT = Path(__file__).resolve().parent.parent / "program" / "forms" / "icons"
INK = (52, 73, 94, 255)
SCALE = 4


def canvas(size):
    img = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def save(img, size, name):
    img.resize((size, size), Image.LANCZOS).save(OUT / name, optimize=True)


def s(*values):
    return [v * SCALE for v in values]


def arrow(name, pointing_right):
    img, d = canvas(24)
    pts = [(7, 4), (19, 12), (7, 20)] if pointing_right else [(17, 4), (5, 12), (17, 20)]
    d.polygon([(x * SCALE, y * SCALE) for x, y in pts], fill=INK)
    save(img, 24, name)


def alpha():
    img, d = canvas(24)
    for x in range(3 * SCALE, 21 * SCALE):
        g = round(255 * (x - 3 * SCALE) / (18 * SCALE))
        d.line([(x, 3 * SCALE), (x, 21 * SCALE)], fill=(g, g, g, 255))
    d.rectangle(s(3, 3, 21, 21), outline=INK, width=SCALE)
    save(img, 24, name="show-alpha.png")


def transparency():
    img, d = canvas(24)
    for cy in range(3):
        for cx in range(3):
            grey = 192 if (cx + cy) % 2 == 0 else 255
            d.rectangle(s(3 + cx * 6, 3 + cy * 6, 9 + cx * 6, 9 + cy * 6), fill=(grey, grey, grey, 255))
    over = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(over).ellipse(s(6, 6, 18, 18), fill=(214, 69, 65, 150))
    img = Image.alpha_composite(img, over)
    ImageDraw.Draw(img).rectangle(s(3, 3, 21, 21), outline=INK, width=SCALE)
    save(img, 24, "show-trans.png")


def magnifier(name, plus):
    img, d = canvas(24)
    d.ellipse(s(3, 3, 16, 16), outline=INK, width=2 * SCALE)
    d.line(s(14, 14, 21, 21), fill=INK, width=3 * SCALE)
    d.line(s(6.5, 9.5, 12.5, 9.5), fill=INK, width=2 * SCALE)
    if plus:
        d.line(s(9.5, 6.5, 9.5, 12.5), fill=INK, width=2 * SCALE)
    save(img, 24, name)


def gradient_tile(side, c0, c1):
    """A square whose colour runs from c0 at the top left to c1 at the bottom right."""
    tile = Image.new("RGBA", (side, side))
    span = max(1, 2 * (side - 1))
    tile.putdata([tuple(round(a + (b - a) * (x + y) / span) for a, b in zip(c0, c1)) + (255,)
                  for y in range(side) for x in range(side)])
    return tile


def program_icon():
    """A texture and its mipmaps: three tiles, each half the size of the one before."""
    img, d = canvas(64)
    tiles = [((4, 12), 36, (231, 76, 60), (241, 196, 15)),
             ((42, 12), 18, (46, 204, 113), (52, 152, 219)),
             ((42, 32), 9, (155, 89, 182), (52, 152, 219))]
    for (x0, y0), side, c0, c1 in tiles:
        img.paste(gradient_tile(side * SCALE, c0, c1), (x0 * SCALE, y0 * SCALE))
        d.rectangle(s(x0, y0, x0 + side, y0 + side), outline=INK, width=SCALE)
    img.save(OUT / "ondrel-256.png", optimize=True)
    save(img, 64, "ondrel-64.png")


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    arrow("file-prev.png", pointing_right=False)
    arrow("file-next.png", pointing_right=True)
    alpha()
    transparency()
    magnifier("zoom-in.png", plus=True)
    magnifier("zoom-out.png", plus=False)
    program_icon()


if __name__ == "__main__":
    main()
