"""Helpers shared by the end-to-end tests that drive the real programs on a test desktop."""
import argparse
import os
import subprocess
import sys
import tempfile
import time
import unittest


def wait_for(predicate, timeout=10.0, step=0.05):
    """Calls predicate until it gives a true value or the time is up; returns its last value."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(step)
    return predicate()


class TrayFolders:
    """The folders of one run of the tray program on a fresh test desktop of its own: the
    program folder (home), XDG_CONFIG_HOME (config) and a private XDG_RUNTIME_DIR (runtime),
    all below tmp, and env for the programs started there."""

    def __init__(self, prefix, desktop):
        self.desktop = desktop
        self.tmp = tempfile.mkdtemp(prefix=prefix)
        self.state = os.path.join(self.tmp, "desktop")
        self.home = os.path.join(self.tmp, "home")
        self.config = os.path.join(self.tmp, "config")
        self.runtime = os.path.join(self.tmp, "runtime")
        for d in (self.state, self.home, self.config, self.runtime):
            os.mkdir(d)
        os.chmod(self.runtime, 0o700)
        display = subprocess.check_output([desktop, "start", self.state], text=True,
                                          timeout=30).strip()
        self.env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=self.config,
                        XDG_RUNTIME_DIR=self.runtime)

    def stop_desktop(self):
        subprocess.call([self.desktop, "stop", self.state], timeout=30)

    def write_settings(self, text):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(text)

    def read_settings(self):
        with open(os.path.join(self.home, "settings.ini")) as f:
            return f.read()


def grid(x, y):
    """The "grid" picture of pelko-show-picture (tests/tools/pattern.h)."""
    return (x & 0xFF, y & 0xFF, ((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF))


def mismatches(image, expected, box, offset=(0, 0), row_step=1, tolerance=0):
    """Up to six pixels of box (x0, y0, x1, y1 in image) that differ from
    expected(x + dx, y + dy) by more than tolerance in a channel, every row_step-th row."""
    px = image.load()
    bad = []
    for y in range(box[1], box[3], row_step):
        for x in range(box[0], box[2]):
            want = expected(x + offset[0], y + offset[1])
            if any(abs(a - b) > tolerance for a, b in zip(px[x, y][:3], want)):
                bad.append((x, y))
                if len(bad) > 5:
                    return bad
    return bad


def run_tests(module_globals, *options):
    """Parses the given required options (e.g. "--pelko") into module_globals["ARGS"], then
    runs the module's tests; any other arguments go to unittest."""
    parser = argparse.ArgumentParser()
    for option in options:
        parser.add_argument(option, required=True)
    args, rest = parser.parse_known_args()
    module_globals["ARGS"] = args
    unittest.main(module=module_globals["__name__"], argv=[sys.argv[0]] + rest, verbosity=2)
