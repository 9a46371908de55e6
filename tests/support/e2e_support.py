"""Helpers shared by the end-to-end tests that drive the real programs on a test desktop."""
import argparse
import sys
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
