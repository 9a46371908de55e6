#!/usr/bin/python3
"""Sets pelko's scaling, watermark and rotation against ImageMagick doing the same operations
on the same synthetic screen, and against a memcpy of the frame (the memory floor).

pelko's figures come from bench_image (in-process, Google Benchmark). ImageMagick's are
whole `convert` runs reading a memory-mapped .mpc copy of the frame and writing nothing
(null:), minus a run that only reads it: what is left is the operation itself. Both are the
fastest of several runs (the machine may be shared); medians are printed beside them.

    bench/image/compare_imagemagick.py [--build DIR] [--runs N] [--threads N]

The goal: every operation within 10 times the memcpy floor and faster than ImageMagick.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STAMP = os.path.join(ROOT, "data", "lib", "images", "watermark.bmp")

# name in bench_image, frame size, ImageMagick arguments (after the input), memcpy of
OPERATIONS = [
    ("scale/w:1920/h:1080", "3840x2160", ["-filter", "Box", "-resize", "50%"],
     "scale 3840x2160 to 50 %"),
    ("scale/w:1000/h:700", "3840x2160", ["-filter", "Box", "-resize", "1000x700!"],
     "scale 3840x2160 to 1000x700"),
    ("watermark", "3840x2160",
     ["(", STAMP, "-transparent", "white", ")", "-gravity", "SouthEast", "-geometry", "+90+90",
      "-composite"],
     "watermark on 3840x2160"),
    ("rotate/degrees:90", "1920x1080", ["-rotate", "90"], "rotate 1920x1080 by 90"),
    ("rotate/degrees:30", "1920x1080", ["-background", "white", "-filter", "Point",
                                        "-rotate", "30"], "rotate 1920x1080 by 30"),
]
FLOOR = {"3840x2160": "memcpyFrame/3840/2160", "1920x1080": "memcpyFrame/1920/1080"}


def pelko_times(build, runs):
    out = subprocess.run(
        [os.path.join(build, "bench", "image", "bench_image"), f"--benchmark_repetitions={runs}",
         "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
            times.setdefault(b["run_name"], []).append(b["real_time"] * scale)
    return times


def wall(cmd, env):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, env=env, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000.0


def magick_times(frames, runs, threads):
    env = dict(os.environ, MAGICK_THREAD_LIMIT=str(threads))
    times = {}
    for name, size, args, _ in OPERATIONS:
        frame = frames[size]
        base, op = [], []
        for _ in range(runs):
            base.append(wall(["convert", frame, "null:"], env))
            op.append(wall(["convert", frame, *args, "null:"], env))
        times[name] = [o - min(base) for o in op]
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--threads", default="1,2",
                        help="ImageMagick thread counts to try (comma-separated)")
    args = parser.parse_args()

    make_screen = os.path.join(args.build, "bench", "encode", "pelko-make-screen")
    with tempfile.TemporaryDirectory(prefix="pelko-bench-image-") as tmp:
        frames = {}
        for size in ("3840x2160", "1920x1080"):
            w, h = size.split("x")
            ppm = os.path.join(tmp, f"screen-{size}.ppm")
            subprocess.run([make_screen, w, h, ppm], check=True)
            mpc = os.path.join(tmp, f"screen-{size}.mpc")
            subprocess.run(["convert", ppm, mpc], check=True)
            frames[size] = mpc
        pelko = pelko_times(args.build, args.runs)
        magick = {t: magick_times(frames, args.runs, t) for t in args.threads.split(",")}

    print(f"{'operation':30} {'pelko ms':>9} {'(median)':>9} {'memcpy ms':>9} {'x floor':>8}",
          end="")
    for t in magick:
        print(f" {'IM ' + t + 't ms':>10} {'IM/pelko':>9}", end="")
    print()
    ok = True
    for name, size, _, label in OPERATIONS:
        best = min(pelko[name])
        floor = min(pelko[FLOOR[size]])
        print(f"{label:30} {best:9.2f} {statistics.median(pelko[name]):9.2f} {floor:9.3f} "
              f"{best / floor:8.1f}", end="")
        ok &= best <= 10 * floor
        for t, times in magick.items():
            im = min(times[name])
            print(f" {im:10.1f} {im / best:9.1f}", end="")
            ok &= im > best
        print()
    print("goal met" if ok else "goal NOT met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
