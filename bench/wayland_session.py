"""What the Wayland benchmarks share: a headless sway (tests/wayland-desktop.sh) whose timed
part runs inside the session, as its user, by the benchmark script itself with --inner."""
import argparse
import contextlib
import json
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DESKTOP = os.path.join(ROOT, "tests/wayland-desktop.sh")


def add_inner_options(parser):
    """The options of the part that runs inside the session."""
    parser.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--home", help=argparse.SUPPRESS)
    parser.add_argument("--pelko", help=argparse.SUPPRESS)


@contextlib.contextmanager
def session(tmp, size, background=""):
    """A sway session of size with a program folder (home) its user writes; yields a function
    that runs script --inner there with the runs and returns what it printed, read as JSON."""
    state = os.path.join(tmp, "wayland")
    os.mkdir(state)
    subprocess.run([DESKTOP, "start", state, background, size], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        home = os.path.join(tmp, "home-wayland")
        os.makedirs(os.path.join(home, "out"))
        if os.getuid() == 0:
            subprocess.check_call(["chown", "-R", "pelko-test:", home])
        time.sleep(1)  # the background is drawn

        def run_inner(script, build, runs):
            done = subprocess.run(
                [DESKTOP, "run", state, sys.executable, os.path.abspath(script), "--inner",
                 "--home", home, "--pelko", os.path.join(build, "pelko/pelko"), "--runs",
                 str(runs)], capture_output=True, text=True, timeout=900)
            if done.returncode != 0:
                raise RuntimeError("the timed runs failed: " + done.stderr)
            return json.loads(done.stdout)

        yield home, run_inner
    finally:
        subprocess.call([DESKTOP, "stop", state])
