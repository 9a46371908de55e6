#!/usr/bin/python3
"""Writes the decoder test pictures and, for each, NAME.rgba: what Pillow decodes from it
(little-endian 32-bit width and height, then R, G, B, A bytes row by row, top row first).

Run from anywhere with Debian's Python (python3-pil) and ImageMagick's convert; the files
are committed, so this only needs running again to change them.
"""
import io
import os
import struct
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
COLOURS = [(255, 0, 0), (0, 128, 255), (20, 200, 20), (255, 255, 255), (0, 0, 0), (250, 200, 10)]


def picture(width=13, height=7):
    """Six colours in diagonal stripes; odd sizes so that rows need padding."""
    im = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            im.putpixel((x, y), COLOURS[(x // 2 + y) % len(COLOURS)])
    return im


def photo(width=24, height=16):
    """Smooth colours for the JPEG files."""
    im = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            im.putpixel((x, y), (x * 10, y * 15, 255 - x * 5 - y * 5))
    return im


def write_reference(name):
    im = Image.open(os.path.join(HERE, name))
    im.load()
    rgba = im.convert("RGBA")
    with open(os.path.join(HERE, name + ".rgba"), "wb") as f:
        f.write(struct.pack("<II", *rgba.size))
        f.write(rgba.tobytes())


def rle_rows(indices, width, four):
    """RLE8 or RLE4 data: a run of equal pixels as (count, value), the rest as literal runs,
    end of line after each row, end of picture at the end. Rows bottom first. (Pillow 9.4
    misreads the move escape, so the tests build that one by hand.)"""
    out = bytearray()
    rows = [indices[y * width:(y + 1) * width] for y in range(len(indices) // width)]
    for row in reversed(rows):
        x = 0
        while x < width:
            run = 1
            while x + run < width and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 2 or width - x < 3:
                value = (row[x] << 4 | row[x]) if four else row[x]
                out += bytes([run, value])
                x += run
                continue
            literal = [row[x]]
            while x + len(literal) < width and len(literal) < 255:
                nxt = row[x + len(literal)]
                if x + len(literal) + 1 < width and row[x + len(literal) + 1] == nxt:
                    break
                literal.append(nxt)
            if len(literal) < 3:
                value = (row[x] << 4 | row[x]) if four else row[x]
                out += bytes([1, value])
                x += 1
                continue
            out += bytes([0, len(literal)])
            if four:
                packed = bytearray()
                for i in range(0, len(literal), 2):
                    hi = literal[i]
                    lo = literal[i + 1] if i + 1 < len(literal) else 0
                    packed.append(hi << 4 | lo)
                data = bytes(packed)
            else:
                data = bytes(literal)
            out += data
            if len(data) % 2:
                out += b"\0"
            x += len(literal)
        out += bytes([0, 0])
    out += bytes([0, 1])
    return bytes(out)


def write_rle_bmp(name, four):
    im = picture().quantize(colors=6)
    width, height = im.size
    palette = im.getpalette()[: 3 * 16]
    indices = list(im.getdata())
    data = rle_rows(indices, width, four)
    colours = 16 if four else 256
    table = bytearray()
    for i in range(colours):
        r, g, b = (palette[3 * i: 3 * i + 3] + [0, 0, 0])[:3] if 3 * i < len(palette) else (0, 0, 0)
        table += bytes([b, g, r, 0])
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4 if four else 8,
                       2 if four else 1, len(data), 2835, 2835, colours, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + bytes(table) + data)


def write_top_down(name):
    """A 24-bit file with a negative height: rows stored top first."""
    buffer = io.BytesIO()
    picture().save(buffer, "BMP")
    raw = bytearray(buffer.getvalue())
    offset, = struct.unpack_from("<I", raw, 10)
    width, height = struct.unpack_from("<ii", raw, 18)
    stride = (width * 3 + 3) // 4 * 4
    rows = [raw[offset + y * stride: offset + (y + 1) * stride] for y in range(height)]
    raw[offset:] = b"".join(reversed(rows))
    struct.pack_into("<i", raw, 22, -height)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bytes(raw))


def convert(args, name, prefix=""):
    subprocess.run(["convert", *args, prefix + os.path.join(HERE, name)], check=True)


def main():
    base = picture()
    path = os.path.join(HERE, "picture.png.tmp")
    base.save(path, "PNG")
    src = "PNG:" + path
    try:
        base.save(os.path.join(HERE, "picture.png"))
        base.save(os.path.join(HERE, "rgb24.bmp"))
        rgba = base.copy()
        rgba.putalpha(200)
        rgba.save(os.path.join(HERE, "rgb32.bmp"))  # 32-bit, no alpha field
        base.quantize(colors=6).save(os.path.join(HERE, "pal8.bmp"))
        base.convert("1").save(os.path.join(HERE, "mono1.bmp"))
        convert([src, "-type", "Palette"], "pal4.bmp", "BMP3:")
        convert([src, "-define", "bmp:subtype=RGB565"], "rgb565.bmp")
        convert([src], "core24.bmp", "BMP2:")
        write_rle_bmp("rle8.bmp", four=False)
        write_rle_bmp("rle4.bmp", four=True)
        write_top_down("topdown24.bmp")

        indexed = base.quantize(colors=6)
        indexed.save(os.path.join(HERE, "plain.gif"), interlace=False)
        # Pillow interlaces pictures of 16 pixels or more each way only.
        picture(19, 17).quantize(colors=6).save(os.path.join(HERE, "interlaced.gif"),
                                                interlace=True)
        indexed.save(os.path.join(HERE, "transparent.gif"), transparency=0, interlace=False)
        convert([src, "-monochrome"], "mono.gif", "GIF:")  # a 2-colour table
        convert([src], "small.gif", "GIF:")  # an 8-colour table
        # A 5 x 3 picture at (4, 2) of a 13 x 7 screen.
        convert([src, "-crop", "5x3+0+0", "-repage", "13x7+4+2"], "offset.gif")

        shot = photo()
        shot.save(os.path.join(HERE, "baseline.jpg"), quality=90)
        shot.save(os.path.join(HERE, "progressive.jpg"), quality=90, progressive=True)
        shot.convert("L").save(os.path.join(HERE, "gray.jpg"), quality=90)
        Image.new("CMYK", (16, 8), (0, 200, 100, 0)).save(os.path.join(HERE, "cmyk.jpg"),
                                                          quality=95)
    finally:
        os.remove(path)

    for name in sorted(os.listdir(HERE)):
        if name.endswith((".bmp", ".gif", ".jpg", ".png")) and name != "offset.gif" and name != "cmyk.jpg":
            write_reference(name)


if __name__ == "__main__":
    sys.exit(main())
