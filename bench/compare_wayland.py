#!/usr/bin/python3
"""Times whole-screen captures by pelko and grim on the same headless sway output.

Starts the Wayland test desktop (tests/wayland-desktop.sh) at each size with each of
bench_encode's screens (windows with text over the synthetic background or over the photograph)
as its background, then, inside that session, runs each tool
N times writing PNG and JPEG (quality 90 for both) and prints medians, the ratio pelko / grim,
peak memory and file sizes. Debian's grim is built without JPEG: its JPEG row is grim writing
PPM into libjpeg-turbo's cjpeg, the same library grim would call. Run as root it uses the test
user the install script creates.

The PNG rows also give the floor of that screen (bench_encode's one-core level-7 deflate of the
filtered rows divided by the cores).

    bench/compare_wayland.py [--runs N] [--sizes 1920x1080,3840x2160]
                             [--screens synthetic,photo] [--build DIR]
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

from encode_results import median_of  # noqa: E402
from wayland_session import ROOT, add_inner_options, session  # noqa: E402


def make_picture(build, screen, path, width, height):
    """The screen of bench_encode (windows with text over the synthetic background or over the
    photograph) as a PNG file for the output's background, so that the PNG floor of
    bench_encode applies to it."""
    from PIL import Image
    ppm = path + ".ppm"
    photo = ["--photo"] if screen == "photo" else []
    subprocess.check_call([os.path.join(build, "bench/encode/pelko-make-screen"), *photo,
                           str(width), str(height), ppm])
    Image.open(ppm).save(path)
    os.remove(ppm)


def run_measured(cmd):
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{cmd[0]} failed: {err}")
    return wall, usage.ru_maxrss / 1024.0


def measure(name, cmd, out, runs):
    walls, mems = [], []
    for i in range(runs + 1):
        if os.path.exists(out):
            os.remove(out)
        wall, mem = run_measured(cmd)
        if i > 0:  # the first run warms the caches
            walls.append(wall)
            mems.append(mem)
    return {"name": name, "wall": statistics.median(walls), "mem": max(mems),
            "size": os.path.getsize(out)}


def inner(args):
    """Inside the session: times both tools, prints the rows as JSON."""
    home, out = args.home, os.path.join(args.home, "out")
    rows = []
    for fmt, ext in (("png", "png"), ("jpg", "jpg")):
        with open(os.path.join(home, "settings.ini"), "w") as f:
            f.write(f"[main]\nsaveto={out}/\nsaveas={fmt}\nssreccursor=0\n"
                    "[settings]\nscreensfilename=shot\nsaveac=1\njcq=90\n")
        target = os.path.join(out, f"shot.{ext}")
        rows.append((ext.upper(), [
            measure("pelko", [args.pelko, "--home", home, "--capture", "screen"], target,
                    args.runs),
            measure("grim", ["grim", target] if fmt == "png" else
                    ["sh", "-c", f"grim -t ppm - | cjpeg -quality 90 -outfile {target}"], target,
                    args.runs),
        ]))
    print(json.dumps(rows))


def bench_size(size, screen, runs, build, results):
    width, height = map(int, size.split("x"))
    with tempfile.TemporaryDirectory(prefix="pelko-bench-wayland-") as tmp:
        os.chmod(tmp, 0o755)
        picture = os.path.join(tmp, "screen.png")
        make_picture(build, screen, picture, width, height)
        with session(tmp, size, picture) as (_, run_inner):
            for fmt, rows in run_inner(__file__, build, runs):
                if fmt == "PNG":
                    photo = 1 if screen == "photo" else 0
                    floor = median_of(build, f"pngFloor/w:{width}/h:{height}/photo:{photo}",
                                      "floor_ms") / 1000.0
                    rows.append({"name": "floor", "wall": floor, "mem": 0.0, "size": 0})
                results.append((size, screen, fmt, rows))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    parser.add_argument("--screens", default="synthetic,photo")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    add_inner_options(parser)
    args = parser.parse_args()
    if args.inner:
        inner(args)
        return 0
    results = []
    for size in args.sizes.split(","):
        for screen in args.screens.split(","):
            bench_size(size, screen, args.runs, os.path.abspath(args.build), results)
    print(f"median of {args.runs} runs; ratio = pelko / grim, or pelko / floor (one-core "
          "level-7 deflate of the filtered rows divided by the cores, from bench_encode)")
    print(f"{'size':<10} {'screen':<10} {'fmt':<4} {'tool':<8} {'wall ms':>8} {'ratio':>6} "
          f"{'peak MiB':>9} {'bytes':>10}")
    for size, screen, fmt, rows in results:
        ours = rows[0]
        for r in rows:
            print(f"{size:<10} {screen:<10} {fmt:<4} {r['name']:<8} {r['wall'] * 1000:8.1f} "
                  f"{ours['wall'] / r['wall']:6.2f} {r['mem']:9.1f} {r['size']:10d}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
