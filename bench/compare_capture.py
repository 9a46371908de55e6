#!/usr/bin/python3
"""Times whole-screen captures by pelko, scrot and maim on the same virtual screen.

Starts a test desktop of each size, shows the synthetic screen picture on its root window (with
its synthetic wallpaper, and with a photograph as wallpaper),
runs each tool N times writing PNG and JPEG (and pelko's GIF against ImageMagick's
`convert +dither -colors 256`), and prints medians, ratios, peak memory and file sizes.

    bench/compare_capture.py [--runs N] [--sizes 1920x1080,3840x2160]
                             [--screens synthetic,photo] [--build DIR]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

from encode_results import median_of

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def peak_memory(cmd, env):
    """Runs cmd under GNU time; returns the peak resident memory in MiB of that process.

    A child forked from this script would start from the script's own high-water mark (which
    the Pillow comparisons raise), not from its own."""
    with tempfile.NamedTemporaryFile(prefix="pelko-bench-rss-") as rss:
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss.name, *cmd], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if proc.returncode != 0:
            raise RuntimeError(f"{cmd[0]} failed ({proc.returncode}): "
                               f"{proc.stderr.decode(errors='replace')}")
        return int(open(rss.name).read().split()[-1]) / 1024.0


def wall_time(cmd, env):
    """Runs cmd; returns its wall seconds. Timed on its own, not under GNU time, whose own start
    (a fork and an exec) added 4 to 14 ms to every run here."""
    start = time.perf_counter()
    proc = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if proc.returncode != 0:
        raise RuntimeError(f"{cmd[0]} failed ({proc.returncode}): "
                           f"{proc.stderr.decode(errors='replace')}")
    return wall


def measure(name, make_cmd, out, env, runs):
    walls = []
    for i in range(runs + 1):
        if os.path.exists(out):
            os.remove(out)
        if i == 0:  # the first run warms the caches and gives the peak memory
            mem = peak_memory(make_cmd(), env)
        else:
            walls.append(wall_time(make_cmd(), env))
    return {"name": name, "wall": statistics.median(walls), "mem": mem,
            "size": os.path.getsize(out)}


def mean_squared_error(a_path, b_path):
    from PIL import Image, ImageChops, ImageStat
    a = Image.open(a_path).convert("RGB")
    b = Image.open(b_path).convert("RGB")
    stat = ImageStat.Stat(ImageChops.difference(a, b))
    return sum(stat.sum2) / (3.0 * a.width * a.height)


def png_floor(build, width, height, screen):
    """The PNG floor of bench_encode (one-core level-7 deflate of the filtered rows divided by
    the cores) for this screen, in seconds."""
    photo = 1 if screen == "photo" else 0
    return median_of(build, f"pngFloor/w:{width}/h:{height}/photo:{photo}", "floor_ms") / 1000.0


def write_settings(home, saveas, out_dir):
    with open(os.path.join(home, "settings.ini"), "w") as f:
        f.write(f"[main]\nsaveto={out_dir}/\nsaveas={saveas}\nssreccursor=0\nrunww=0\n"
                "[settings]\nscreensfilename=shot\nsaveac=1\njcq=90\ngifcomp=1\n"
                "[general]\nopeneditor=0\n")


def bench_size(size, screen, runs, build, results):
    width, height = map(int, size.split("x"))
    with tempfile.TemporaryDirectory(prefix="pelko-bench-") as tmp:
        state = os.path.join(tmp, "desktop")
        os.mkdir(state)
        display = subprocess.check_output(
            [os.path.join(ROOT, "tests/desktop.sh"), "start", state, f"{size}x24", "nowm"],
            text=True).strip()
        env = dict(os.environ, DISPLAY=display)
        picture = os.path.join(tmp, "screen.ppm")
        photo = ["--photo"] if screen == "photo" else []
        subprocess.check_call([os.path.join(build, "bench/encode/pelko-make-screen"), *photo,
                               str(width), str(height), picture])
        show = subprocess.Popen([os.path.join(build, "tests/tools/pelko-show-picture"),
                                 "--root", picture], env=env, stdout=subprocess.PIPE, text=True)
        try:
            show.stdout.readline()
            home = os.path.join(tmp, "home")
            out_dir = os.path.join(tmp, "out")
            os.makedirs(home)
            os.makedirs(out_dir)
            pelko = os.path.join(build, "pelko/pelko")
            for fmt, ext in (("png", "png"), ("jpg", "jpg")):
                write_settings(home, fmt, out_dir)
                target = os.path.join(out_dir, f"shot.{ext}")
                # PNG: each peer's own default compression; JPEG: quality 90 like pelko's.
                peer_quality = {"scrot": [], "maim": []} if fmt == "png" else {
                    "scrot": ["-q", "90"], "maim": ["-m", "9"]}
                rows = [
                    measure("pelko", lambda: [pelko, "--home", home, "--capture", "1"],
                            target, env, runs),
                    measure("scrot", lambda: ["scrot", "-o", *peer_quality["scrot"], target],
                            target, env, runs),
                    measure("maim", lambda: ["maim", "-u", *peer_quality["maim"], target], target,
                            env, runs),
                ]
                if fmt == "png":
                    rows.append({"name": "floor", "wall": png_floor(build, width, height, screen),
                                 "mem": 0.0, "size": 0})
                results.append((size, screen, ext.upper(), rows))
            write_settings(home, "gif", out_dir)
            target = os.path.join(out_dir, "shot.gif")
            ours = measure("pelko", lambda: [pelko, "--home", home, "--capture", "1"], target,
                           env, runs)
            ours["error"] = mean_squared_error(picture, target)
            im_out = os.path.join(tmp, "im.gif")
            im = measure("convert", lambda: ["convert", picture, "+dither", "-colors", "256",
                                             im_out], im_out, env, runs)
            im["error"] = mean_squared_error(picture, im_out)
            results.append((size, screen, "GIF", [ours, im]))
        finally:
            show.kill()
            show.wait()
            subprocess.call([os.path.join(ROOT, "tests/desktop.sh"), "stop", state])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    parser.add_argument("--screens", default="synthetic,photo")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    args = parser.parse_args()
    results = []
    for size in args.sizes.split(","):
        for screen in args.screens.split(","):
            bench_size(size, screen, args.runs, args.build, results)
    print(f"median of {args.runs} runs; ratio = pelko / peer; PNG floor = one-core level-7 deflate "
          f"of the filtered rows / cores (bench_encode)")
    print(f"{'size':<10} {'screen':<9} {'fmt':<4} {'tool':<8} {'wall ms':>8} {'ratio':>6} "
          f"{'peak MiB':>9} {'bytes':>10} {'MSE':>8}")
    for size, screen, fmt, rows in results:
        ours = rows[0]
        for r in rows:
            ratio = ours["wall"] / r["wall"]
            mse = f"{r['error']:.2f}" if "error" in r else ""
            print(f"{size:<10} {screen:<9} {fmt:<4} {r['name']:<8} {r['wall'] * 1000:8.1f} "
                  f"{ratio:6.2f} {r['mem']:9.1f} {r['size']:10d} {mse:>8}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
