"""Decodes image files with Pillow, for the codec tests.

For each FILE argument, writes FILE.rgb (the pixels as 8-bit R, G, B, rows top first) and
FILE.txt (one "key value" line per property: format, mode, size, and what Pillow reports about
the file, such as JPEG quantisation tables).
"""
import sys
import warnings

from PIL import Image

warnings.simplefilter("ignore")


def describe(image):
    lines = [
        ("format", image.format),
        ("mode", image.mode),
        ("width", image.width),
        ("height", image.height),
    ]
    info = image.info
    if "transparency" in info:
        value = info["transparency"]
        if isinstance(value, bytes):
            value = " ".join(str(b) for b in value)
        elif isinstance(value, tuple):
            value = " ".join(str(v) for v in value)
        lines.append(("transparency", value))
    if "progressive" in info or "progression" in info:
        lines.append(("progressive", 1))
    if "jfif" in info:
        lines.append(("jfif", 1))
    if "version" in info:
        lines.append(("version", info["version"].decode("ascii")))
    quantization = getattr(image, "quantization", None)
    if quantization:
        for index, table in sorted(quantization.items()):
            lines.append((f"quant{index}", " ".join(str(v) for v in table)))
    if image.mode == "P":
        lines.append(("palette", " ".join(str(v) for v in image.getpalette())))
    return lines


def main():
    for path in sys.argv[1:]:
        with Image.open(path) as image:
            image.load()
            with open(path + ".txt", "w") as out:
                for key, value in describe(image):
                    out.write(f"{key} {value}\n")
            with open(path + ".rgb", "wb") as out:
                out.write(image.convert("RGB").tobytes())


if __name__ == "__main__":
    main()
