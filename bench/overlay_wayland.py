#!/usr/bin/python3
"""Times `pelko --capture rect` from the command's start until its selector overlay is painted
with the frozen screen (the overlay then takes the title "Pelko selection"), on the headless
sway of tests/wayland-desktop.sh and on the X11 test desktop of tests/desktop.sh, same size,
one run after the other. Each run is cancelled again (sway: the window closed; X11: Esc).

- sway: the title change is read from sway's window events (`swaymsg -t subscribe`), as it
  happens;
- X11: polled with xdotool, so each time includes the start of one xdotool process (a few ms).

    bench/overlay_wayland.py [--runs N] [--size 1920x1080] [--build DIR]
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

from wayland_session import ROOT, add_inner_options, session  # noqa: E402

TITLE = "Pelko selection"


def settings(home):
    os.makedirs(os.path.join(home, "screens"), exist_ok=True)
    with open(os.path.join(home, "settings.ini"), "w") as f:
        f.write("[main]\nsaveas=png\nssreccursor=0\n[settings]\nsaveac=1\n")


def summary(name, times):
    ms = sorted(t * 1000 for t in times)
    return f"{name}: median {statistics.median(ms):.1f} ms, min {ms[0]:.1f} ms ({len(ms)} runs)"


def inner_wayland(args):
    """Inside the sway session: starts the captures and watches sway's window events."""
    events = subprocess.Popen(["swaymsg", "-r", "-m", "-t", "subscribe", '["window"]'],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        print(json.dumps(time_overlays(args, events)))
    finally:
        events.kill()


def time_overlays(args, events):
    times = []
    seen = set()  # overlays of earlier runs, whose closing events still come in
    for i in range(args.runs + 1):
        start = time.perf_counter()
        capture = subprocess.Popen([args.pelko, "--home", args.home, "--capture", "rect"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while True:
            line = events.stdout.readline()
            if not line:
                raise RuntimeError("sway stopped sending window events")
            event = json.loads(line)
            container = event.get("container", {})
            if event.get("change") in ("new", "title") and container.get("id") not in seen and \
                    container.get("app_id") == "pelko-tray" and container.get("name") == TITLE:
                seen.add(container.get("id"))
                break
        if i > 0:  # the first run warms the caches
            times.append(time.perf_counter() - start)
        # A close that comes while the overlay still starts up may be lost: ask until it ends.
        for _ in range(60):
            subprocess.run(["swaymsg", '[app_id="pelko-tray"] kill'], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            try:
                capture.wait(timeout=0.5)
                break
            except subprocess.TimeoutExpired:
                pass
        else:
            raise RuntimeError("the overlay did not close")
    return times


def time_wayland(args, tmp):
    with session(tmp, args.size) as (home, run_inner):
        settings(home)
        if os.getuid() == 0:
            subprocess.check_call(["chown", "-R", "pelko-test:", home])
        return run_inner(__file__, args.build, args.runs)


def time_x11(args, tmp):
    desktop = os.path.join(ROOT, "tests/desktop.sh")
    state = os.path.join(tmp, "x11")
    os.mkdir(state)
    display = subprocess.check_output([desktop, "start", state, f"{args.size}x24"],
                                      text=True).strip()
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    try:
        home = os.path.join(tmp, "home-x11")
        settings(home)
        times = []
        for i in range(args.runs + 1):
            start = time.perf_counter()
            capture = subprocess.Popen([os.path.join(args.build, "pelko/pelko"), "--home", home,
                                        "--capture", "rect"], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while not subprocess.run(["xdotool", "search", "--name", f"^{TITLE}$"], env=env,
                                     capture_output=True).stdout.split():
                if time.perf_counter() - start > 30:
                    raise RuntimeError("no overlay on X11")
            if i > 0:
                times.append(time.perf_counter() - start)
            subprocess.run(["xdotool", "key", "Escape"], env=env)
            capture.wait(timeout=30)
        return times
    finally:
        subprocess.call([desktop, "stop", state])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    add_inner_options(parser)
    args = parser.parse_args()
    if args.inner:
        inner_wayland(args)
        return 0
    args.build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory(prefix="pelko-bench-overlay-") as tmp:
        os.chmod(tmp, 0o755)
        wayland = time_wayland(args, tmp)
        x11 = time_x11(args, tmp)
    print(f"command to painted overlay at {args.size}")
    print(summary("sway (Wayland)", wayland))
    print(summary("X11", x11))
    print(f"ratio sway / X11 (medians): {statistics.median(wayland) / statistics.median(x11):.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
