#!/usr/bin/python3
"""Draws the application icon's PNG sizes (dist/pelko-48.png, dist/pelko-256.png) in the
shapes of dist/pelko.svg, with Pillow, four times over-sampled."""
import os

from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "dist")


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw(size):
    k = 4 * size / 256
    big = 4 * size
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    # The body with the viewfinder bump, its outline, then a vertical gradient inside.
    outline = (0x16, 0x3f, 0x8a, 255)
    d.rounded_rectangle([12 * k, 67 * k, 244 * k, 226 * k], radius=31 * k, fill=outline)
    d.rounded_rectangle([77 * k, 36 * k, 179 * k, 90 * k], radius=15 * k, fill=outline)
    mask = Image.new("L", (big, big), 0)
    m = ImageDraw.Draw(mask)
    w = 10.7 * k
    m.rounded_rectangle([12 * k + w, 67 * k + w, 244 * k - w, 226 * k - w], radius=26 * k, fill=255)
    m.rounded_rectangle([77 * k + w, 36 * k + w, 179 * k - w, 90 * k], radius=10 * k, fill=255)
    grad = Image.new("RGBA", (big, big))
    gd = ImageDraw.Draw(grad)
    for y in range(big):
        t = min(1.0, max(0.0, (y / k - 66) / (225 - 66)))
        gd.line([(0, y), (big, y)], fill=lerp((0x5b, 0x9b, 0xf0), (0x1f, 0x5c, 0xc4), t) + (255,))
    img.paste(grad, (0, 0), mask)
    # The lens: a white ring around a radial gradient.
    cx, cy, r = 128 * k, 148 * k, 61 * k
    d.ellipse([cx - r - 8 * k, cy - r - 8 * k, cx + r + 8 * k, cy + r + 8 * k], fill=(0xf4, 0xf7, 0xfc, 255))
    lens = Image.new("RGBA", (big, big))
    lp = lens.load()
    fx, fy, fr = 110 * k, 130 * k, 74 * k
    for y in range(int(cy - r), int(cy + r) + 1):
        for x in range(int(cx - r), int(cx + r) + 1):
            t = min(1.0, ((x - fx) ** 2 + (y - fy) ** 2) ** 0.5 / fr)
            c = lerp((0x9f, 0xd4, 0xff), (0x24, 0x4a, 0x80), t / 0.5) if t < 0.5 else lerp(
                (0x24, 0x4a, 0x80), (0x0c, 0x1c, 0x38), (t - 0.5) / 0.5)
            lp[x, y] = c + (255,)
    lmask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(lmask).ellipse([cx - r + 8 * k, cy - r + 8 * k, cx + r - 8 * k, cy + r - 8 * k], fill=255)
    img.paste(lens, (0, 0), lmask)
    d.rounded_rectangle([36 * k, 87 * k, 67 * k, 105 * k], radius=5 * k, fill=(0xff, 0xd3, 0x5c, 255))
    return img.resize((size, size), Image.LANCZOS)


for size in (48, 256):
    draw(size).save(os.path.join(HERE, f"pelko-{size}.png"), optimize=True)
