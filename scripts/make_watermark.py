#!/usr/bin/python3
"""Draws the factory watermark stamp, data/lib/images/watermark.bmp: the word "Pelko" in dark
grey with a near-white outline (so it reads on dark and light screens), drawn without
anti-aliasing on a plain white background. White is the colour of the bottom-left pixel, so a
transparent stamp leaves the background out and keeps only the lettering. 24-bit Windows
bitmap file.

Needs Pillow (Debian's python3-pil) and the DejaVu fonts; run it with /usr/bin/python3 from
anywhere. The result is committed.
"""
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

TEXT = "Pelko"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SIZE = 18
BACKGROUND = (255, 255, 255)
LETTERS = (40, 40, 40)
OUTLINE = (250, 250, 250)
MARGIN = 3

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "lib", "images",
                   "watermark.bmp")


def main():
    font = ImageFont.truetype(FONT, SIZE)
    left, top, right, bottom = font.getbbox(TEXT)
    width = right - left + 2 * MARGIN
    height = bottom - top + 2 * MARGIN
    # The letters as a two-level mask (no anti-aliasing), and the outline as the mask grown by
    # one pixel each way: the stamp has exactly three colours.
    letters = Image.new("L", (width, height), 0)
    draw = ImageDraw.Draw(letters)
    draw.fontmode = "1"
    draw.text((MARGIN - left, MARGIN - top), TEXT, font=font, fill=255)
    outline = ImageChops.subtract(letters.filter(ImageFilter.MaxFilter(3)), letters)
    image = Image.new("RGB", (width, height), BACKGROUND)
    image.paste(OUTLINE, mask=outline)
    image.paste(LETTERS, mask=letters)
    assert image.getpixel((0, height - 1)) == BACKGROUND
    assert sorted(set(image.getdata())) == sorted([LETTERS, OUTLINE, BACKGROUND])
    image.save(os.path.normpath(OUT), "BMP")


if __name__ == "__main__":
    main()
