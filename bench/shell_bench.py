#!/usr/bin/python3
"""Times the tray program on a virtual desktop.

- ready: from process start until the main window is mapped (the settings are loaded and the
  hotkeys bound before it shows) and the tray icon is embedded in the panel;
- hotkey to file: from an F9 press until the whole-screen PNG file is complete, with the main
  window hidden in the tray, beside bench_encode's in-process encode of that screen: the first
  capture after start-up, and the median of the later ones. The key is pressed through XTest
  from this process and the file's completion is reported by inotify, so neither a key tool's
  start-up nor a polling reader's work on the two cores counts in the time;
- idle memory: resident memory of the running program after start-up, and again after
  --captures more hotkey captures (each waited for) and a second of rest.

The screen shows windows over a photograph (--screen synthetic: over the synthetic wallpaper).

    bench/shell_bench.py [--runs N] [--captures N] [--screen photo|synthetic] [--build DIR]
"""
import argparse
import ctypes
import ctypes.util
import os
import select
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


class KeyPresser:
    """Presses and releases a key on the display through XTest."""

    def __init__(self, display, keysym_name):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display}")
        self.code = self.x11.XKeysymToKeycode(self.display,
                                              self.x11.XStringToKeysym(keysym_name.encode()))

    def press(self):
        """Sends the press and the release; returns the time just before."""
        start = time.perf_counter()
        self.xtst.XTestFakeKeyEvent(self.display, self.code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, self.code, 0, 0)
        self.x11.XFlush(self.display)
        return start

    def close(self):
        self.x11.XCloseDisplay(self.display)


class FileWatch:
    """Reports files closed after writing, or moved, into one folder (inotify)."""
    IN_CLOSE_WRITE, IN_MOVED_TO = 0x8, 0x80

    def __init__(self, folder):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or self.libc.inotify_add_watch(
                self.fd, folder.encode(), self.IN_CLOSE_WRITE | self.IN_MOVED_TO) < 0:
            raise OSError(ctypes.get_errno(), "inotify")
        self.seen = set()

    def wait_for(self, suffix, timeout=10.0):
        """The time at which a new file whose name ends with suffix was completed.

        A file moved into place while still open reports its move and later its close; only
        the first event of each name counts, so each file is reported once."""
        deadline = time.perf_counter() + timeout
        while True:
            left = deadline - time.perf_counter()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise RuntimeError("timed out")
            now = time.perf_counter()
            data = os.read(self.fd, 65536)
            offset = 0
            found = False
            while offset < len(data):
                length = int.from_bytes(data[offset + 12:offset + 16], "little")
                name = data[offset + 16:offset + 16 + length].rstrip(b"\0").decode()
                offset += 16 + length
                if name.endswith(suffix) and name not in self.seen:
                    self.seen.add(name)
                    found = True
            if found:
                return now

    def close(self):
        os.close(self.fd)


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
    ready, hotkey, later, memory, memory_after = [], [], [], [], []
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
                watch = FileWatch(os.path.join(home, "screens"))
                keys = KeyPresser(display, "F9")
                try:
                    pressed = keys.press()
                    hotkey.append(watch.wait_for(".png") - pressed)
                    for _ in range(args.captures):
                        pressed = keys.press()
                        later.append(watch.wait_for(".png") - pressed)
                finally:
                    keys.close()
                    watch.close()
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
    print(f"hotkey to PNG file, 1920x1080, main window in the tray, in-process encode "
          f"{encode * 1000:.0f} ms: first capture median "
          f"{statistics.median(hotkey) * 1000:.0f} ms (min {min(hotkey) * 1000:.0f}), ratio "
          f"{statistics.median(hotkey) / encode:.2f}; later captures median "
          f"{statistics.median(later) * 1000:.0f} ms, ratio "
          f"{statistics.median(later) / encode:.2f}")
    print(f"idle resident memory: median {statistics.median(memory):.1f} MiB; after "
          f"{args.captures} more captures: median {statistics.median(memory_after):.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
