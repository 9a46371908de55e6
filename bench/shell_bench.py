#!/usr/bin/python3
"""Times the tray program on a virtual desktop.

- ready: from process start until the main window is mapped (the settings are loaded and the
  hotkeys bound before it shows) and the tray icon is embedded in the panel;
- hotkey to file: from an F9 press (xdotool) until the whole-screen PNG file is complete, with
  the main window hidden in the tray, beside bench_encode's in-process encode of that screen;
- idle memory: resident memory of the running program after start-up, and again after
  --captures more hotkey captures (each waited for) and a second of rest.

The screen shows windows over a photograph (--screen synthetic: over the synthetic wallpaper).

    bench/shell_bench.py [--runs N] [--captures N] [--screen photo|synthetic] [--build DIR]
"""
import argparse
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from encode_results import median_of

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def poll(predicate, timeout=10.0):
    deadline = time.perf_counter() + timeout
    while time.perf_counter() < deadline:
        if predicate():
            return time.perf_counter()
        time.sleep(0.001)
    raise RuntimeError("timed out")


def visible(env, name):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], env=env,
                         capture_output=True, text=True).stdout
    return bool(out.strip())


def tray_icon_embedded(env):
    # The tray icon is a small window of ours reparented into the panel's tray.
    tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                          text=True).stdout
    return any('("pelko" "Pelko")  24x24' in line for line in tree.splitlines())


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def in_process_png(build, screen):
    """bench_encode's in-process PNG encode of the same 1920x1080 screen, in seconds."""
    photo = 1 if screen == "photo" else 0
    return median_of(build, f"encode/png/w:1920/h:1080/photo:{photo}", "real_time") / 1000.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--captures", type=int, default=100)
    parser.add_argument("--screen", choices=("photo", "synthetic"), default="photo")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    args = parser.parse_args()
    pelko = os.path.join(args.build, "pelko/pelko")
    tmp = tempfile.mkdtemp(prefix="pelko-shell-bench-")
    state = os.path.join(tmp, "desktop")
    os.mkdir(state)
    display = subprocess.check_output([os.path.join(ROOT, "tests/desktop.sh"), "start", state],
                                      text=True).strip()
    picture = os.path.join(tmp, "screen.ppm")
    photo = ["--photo"] if args.screen == "photo" else []
    subprocess.check_call([os.path.join(args.build, "bench/encode/pelko-make-screen"), *photo,
                           "1920", "1080", picture])
    runtime = os.path.join(tmp, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
               XDG_RUNTIME_DIR=runtime)
    show = subprocess.Popen([os.path.join(args.build, "tests/tools/pelko-show-picture"), "--root",
                             picture], env=env, stdout=subprocess.PIPE, text=True)
    show.stdout.readline()
    ready, hotkey, memory, memory_after = [], [], [], []
    try:
        for run in range(args.runs):
            home = os.path.join(tmp, f"home{run}")
            os.makedirs(os.path.join(home, "screens"))
            with open(os.path.join(home, "settings.ini"), "w") as f:
                f.write("[main]\nsaveas=png\nssreccursor=0\nrunww=0\n[settings]\nsaveac=1\n"
                        "wct=1\n[general]\nminimizewc=1\n")
            start = time.perf_counter()
            proc = subprocess.Popen([pelko, "--home", home], env=env)
            try:
                t_window = poll(lambda: visible(env, "^Pelko$"))
                t_tray = poll(lambda: tray_icon_embedded(env))
                ready.append(max(t_window, t_tray) - start)
                time.sleep(0.5)
                memory.append(rss_mib(proc.pid))
                # Hide the main window in the tray, then press the default hotkey.
                subprocess.check_call(["xdotool", "search", "--onlyvisible", "--name", "^Pelko$",
                                       "windowminimize"], env=env)
                poll(lambda: not visible(env, "^Pelko$"))
                pressed = time.perf_counter()
                subprocess.check_call(["xdotool", "key", "F9"], env=env)

                def written():
                    files = glob.glob(os.path.join(home, "screens", "*.png"))
                    return files and os.path.getsize(files[0]) > 0 and \
                        open(files[0], "rb").read()[-8:-4] == b"IEND"
                hotkey.append(poll(written) - pressed)

                def count():
                    return len(glob.glob(os.path.join(home, "screens", "*.png")))
                for n in range(args.captures):
                    before = count()
                    subprocess.check_call(["xdotool", "key", "F9"], env=env)
                    poll(lambda: count() > before)
                time.sleep(1.0)
                memory_after.append(rss_mib(proc.pid))
            finally:
                proc.terminate()
                proc.wait()
    finally:
        show.kill()
        show.wait()
        subprocess.call([os.path.join(ROOT, "tests/desktop.sh"), "stop", state])
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"runs: {args.runs}")
    print(f"ready (window shown, hotkeys bound, tray icon embedded): median "
          f"{statistics.median(ready) * 1000:.0f} ms (min {min(ready) * 1000:.0f})")
    encode = in_process_png(args.build, args.screen)
    print(f"hotkey to PNG file, 1920x1080, main window in the tray: median "
          f"{statistics.median(hotkey) * 1000:.0f} ms (min {min(hotkey) * 1000:.0f}); "
          f"in-process encode {encode * 1000:.0f} ms, ratio "
          f"{statistics.median(hotkey) / encode:.2f}")
    print(f"idle resident memory: median {statistics.median(memory):.1f} MiB; after "
          f"{args.captures} more captures: median {statistics.median(memory_after):.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
