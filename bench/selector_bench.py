#!/usr/bin/python3
"""Times the selector overlay of the tray program on a virtual desktop.

- hotkey to overlay: from an F9 press (xdotool, default kind "rectangle") until the overlay is
  painted with the frozen screen and holds pointer and keyboard (it then takes the title
  "Pelko selection"), with the tray program running and its main window in the tray;
- the peers, when installed, from the command a hotkey binding runs until their overlay window
  is visible: `flameshot gui` (with its daemon resident) and `ksnip -r`.

Times are polled with xdotool, so each includes the start of one xdotool process (a few ms).

    bench/selector_bench.py [--runs N] [--build DIR] [--sizes 1920x1080,3840x2160]

Peers for comparison only: `apt-get install flameshot ksnip` (not needed by the tests).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def poll(predicate, timeout=10.0):
    deadline = time.perf_counter() + timeout
    while time.perf_counter() < deadline:
        if predicate():
            return time.perf_counter()
    raise RuntimeError("timed out")


def search(env, *args):
    return subprocess.run(["xdotool", "search", *args], env=env, capture_output=True,
                          text=True).stdout.split()


def tray_icon_embedded(env):
    tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                          text=True).stdout
    return '("pelko" "Pelko")  24x24' in tree


def summary(name, times):
    if not times:
        return f"{name}: not measured"
    ms = sorted(t * 1000 for t in times)
    p95 = ms[min(len(ms) - 1, int(round(0.95 * (len(ms) - 1))))]
    return f"{name}: median {statistics.median(ms):.1f} ms, p95 {p95:.1f} ms ({len(ms)} runs)"


def time_pelko(args, env, tmp):
    home = os.path.join(tmp, "home")
    os.makedirs(os.path.join(home, "screens"), exist_ok=True)
    with open(os.path.join(home, "settings.ini"), "w") as f:
        f.write("[main]\nsaveas=png\nssreccursor=0\nrunww=0\nrunmm=1\n[settings]\nsaveac=1\n"
                "wct=3\n[general]\nminimizewc=1\n")
    proc = subprocess.Popen([os.path.join(args.build, "pelko/pelko"), "--home", home], env=env)
    times = []
    try:
        poll(lambda: tray_icon_embedded(env), 20)
        time.sleep(0.5)
        for _ in range(args.runs):
            pressed = time.perf_counter()
            subprocess.check_call(["xdotool", "key", "F9"], env=env)
            shown = poll(lambda: search(env, "--onlyvisible", "--name", "^Pelko selection$"))
            times.append(shown - pressed)
            subprocess.check_call(["xdotool", "key", "Escape"], env=env)
            poll(lambda: not search(env, "--onlyvisible", "--name", "^Pelko selection$"))
            time.sleep(0.2)
    finally:
        proc.terminate()
        proc.wait()
    return times


def time_peer(args, env, command, window_class, daemon=None):
    if not shutil.which(command[0]):
        return None
    resident = subprocess.Popen(daemon, env=env) if daemon else None
    times = []
    try:
        if resident:
            time.sleep(2)
        for _ in range(args.runs):
            start = time.perf_counter()
            proc = subprocess.Popen(command, env=env)
            shown = poll(lambda: search(env, "--onlyvisible", "--class", window_class), 20)
            times.append(shown - start)
            subprocess.call(["xdotool", "key", "Escape"], env=env)
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            time.sleep(0.2)
    finally:
        if resident:
            resident.terminate()
            resident.wait()
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=30)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    args = parser.parse_args()
    for size in args.sizes.split(","):
        tmp = tempfile.mkdtemp(prefix="pelko-selector-bench-")
        state = os.path.join(tmp, "desktop")
        os.mkdir(state)
        display = subprocess.check_output(
            [os.path.join(ROOT, "tests/desktop.sh"), "start", state, size + "x24"],
            text=True).strip()
        runtime = os.path.join(tmp, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   XDG_RUNTIME_DIR=runtime)
        show = subprocess.Popen([os.path.join(args.build, "tests/tools/pelko-show-picture"),
                                 "--root", "grid"], env=env, stdout=subprocess.PIPE, text=True)
        show.stdout.readline()
        try:
            print(f"== {size}")
            print(summary("pelko hotkey to overlay", time_pelko(args, env, tmp)))
            for name, command, cls, daemon in (
                    ("flameshot gui", ["flameshot", "gui"], "flameshot", ["flameshot"]),
                    ("ksnip -r", ["ksnip", "-r"], "ksnip", None)):
                times = time_peer(args, env, command, cls, daemon)
                print(f"{name}: not installed" if times is None else summary(name, times))
        finally:
            show.kill()
            show.wait()
            subprocess.call([os.path.join(ROOT, "tests/desktop.sh"), "stop", state])
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
