#!/usr/bin/python3
"""End-to-end selectors: `pelko --capture rect|ellipse|rounded|freehand|object` and
`pelko --pick-region` on the test desktop, driven with real pointer and key input (xdotool),
the results compared pixel for pixel with the picture on the screen.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import grid, mismatches, run_tests, wait_for  # noqa: E402

ARGS = None


class SelectorDesktop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.state = tempfile.mkdtemp(prefix="pelko-e2e-desktop-")
        cls.display = subprocess.check_output([ARGS.desktop, "start", cls.state],
                                              text=True, timeout=30).strip()
        cls.env = dict(os.environ, DISPLAY=cls.display)
        cls.shown = []
        cls.show("--root", "grid")
        cls.home = tempfile.mkdtemp(prefix="pelko-e2e-home-")
        cls.out = os.path.join(cls.home, "out")
        os.mkdir(cls.out)

    @classmethod
    def tearDownClass(cls):
        for proc in cls.shown:
            proc.kill()
            proc.wait()
        subprocess.call([ARGS.desktop, "stop", cls.state], timeout=30)
        shutil.rmtree(cls.state, ignore_errors=True)
        shutil.rmtree(cls.home, ignore_errors=True)

    @classmethod
    def show(cls, *args):
        proc = subprocess.Popen([ARGS.show, *args], env=cls.env, stdout=subprocess.PIPE,
                                text=True)
        if "ready" not in proc.stdout.readline():
            proc.kill()
            raise RuntimeError(f"pelko-show-picture {args} did not start")
        cls.shown.append(proc)
        return proc

    def setUp(self):
        for name in os.listdir(self.out):
            os.remove(os.path.join(self.out, name))
        self.settings()
        self.xdo("keyup", "ctrl", "shift", "alt", "super")

    def settings(self, extra=""):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(f"[main]\nsaveto={self.out}/\nsaveas=png\nssreccursor=0\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n{extra}\n")

    def xdo(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=20)

    def overlay_shown(self):
        # The overlay takes this title once it is painted and holds pointer and keyboard.
        return subprocess.run(["xdotool", "search", "--name", "^Pelko selection$"],
                              env=self.env, capture_output=True, text=True).stdout.split()

    def select(self, args, *steps, env=None):
        """Starts pelko with args, waits for the overlay, sends the xdotool steps (one list
        each) and returns the finished process."""
        proc = subprocess.Popen([ARGS.pelko, "--home", self.home, *args],
                                env=dict(self.env, **(env or {})),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            self.assertTrue(wait_for(self.overlay_shown, 20), "no overlay")
            for step in steps:
                self.xdo(*step)
            out, err = proc.communicate(timeout=30)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        proc.out, proc.err = out, err
        return proc

    def drag(self, mode, x1, y1, x2, y2, env=None):
        steps = ["mousemove", str(x1), str(y1), "mousedown", "1", "mousemove",
                 str((x1 + x2) // 2), str((y1 + y2) // 2), "mousemove", str(x2), str(y2),
                 "mouseup", "1"]
        return self.select(["--capture", mode], steps, env=env)

    def picture(self, proc):
        self.assertEqual(proc.returncode, 0, proc.err)
        files = [line for line in proc.out.split("\n") if line]
        self.assertEqual(len(files), 1, files)
        return Image.open(files[0]).convert("RGB")

    def assert_nothing_written(self, proc):
        self.assertEqual(proc.returncode, 2, proc.err)
        self.assertEqual(proc.out, "")
        self.assertEqual(os.listdir(self.out), [])
        with open(os.path.join(self.home, "settings.ini")) as f:
            self.assertNotIn("ssnum", f.read())

    def test_rectangle_in_every_direction_has_exclusive_edges(self):
        for x1, y1, x2, y2 in ((100, 100, 300, 250), (300, 250, 100, 100), (300, 100, 100, 250)):
            with self.subTest(start=(x1, y1)):
                image = self.picture(self.drag("rect", x1, y1, x2, y2))
                self.assertEqual(image.size, (200, 150))
                self.assertEqual(mismatches(image, grid, (0, 0, 200, 150), (100, 100)), [])
        # Device pixels whatever the scale factor of the desktop session says.
        image = self.picture(self.drag("rect", 101, 100, 301, 251, env={"QT_SCALE_FACTOR": "2"}))
        self.assertEqual(image.size, (200, 151))
        self.assertEqual(mismatches(image, grid, (0, 0, 200, 151), (101, 100)), [])

    def test_zero_size_drag_cancel_item_and_escape_write_nothing(self):
        self.assert_nothing_written(self.drag("rect", 400, 400, 400, 500))
        # A right click opens the menu; its one item "Cancel" sits under the pointer's corner.
        self.assert_nothing_written(self.select(
            ["--capture", "ellipse"], ["mousemove", "500", "500", "click", "3"],
            ["sleep", "0.3", "mousemove", "520", "510", "click", "1"]))
        self.assert_nothing_written(self.select(["--capture", "freehand"], ["key", "Escape"]))

    def test_pointer_options_of_the_run_reach_the_selector(self):
        # The pointer rests at (200, 200) when the screen freezes; the drag takes it along.
        for saved, option, drawn in (("0", "--pointer", True), ("1", "--no-pointer", False)):
            with self.subTest(option=option):
                with open(os.path.join(self.home, "settings.ini"), "w") as f:
                    f.write(f"[main]\nsaveto={self.out}/\nsaveas=png\nssreccursor={saved}\n"
                            f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n")
                self.xdo("mousemove", "200", "200")
                proc = self.select(["--capture", "rect", option],
                                   ["sleep", "0.2", "mousemove", "150", "150", "mousedown", "1",
                                    "mousemove", "200", "200", "mousemove", "250", "250",
                                    "mouseup", "1"])
                image = self.picture(proc)
                self.assertEqual(image.size, (100, 100))
                found = mismatches(image, grid, (50, 50, 70, 70), (150, 150))
                self.assertEqual(bool(found), drawn, found)
                for name in os.listdir(self.out):
                    os.remove(os.path.join(self.out, name))

    def test_arrow_keys_place_the_edge_exactly(self):
        proc = self.select(["--capture", "rect"],
                           ["mousemove", "100", "100", "mousedown", "1", "mousemove", "150",
                            "150", "key", "Right", "shift+Down", "mouseup", "1"])
        self.assertEqual(self.picture(proc).size, (51, 60))

    def test_ellipse_and_rounded_rectangle_cut_their_shape(self):
        self.settings("[general]\nscreenbgcolor=16777215")
        image = self.picture(self.drag("ellipse", 100, 100, 301, 201))
        self.assertEqual(image.size, (200, 100))
        for corner in ((0, 0), (199, 0), (0, 99), (199, 99)):
            self.assertEqual(image.getpixel(corner), (255, 255, 255))
        self.assertEqual(image.getpixel((100, 50)), grid(200, 150))
        image = self.picture(self.drag("rounded", 401, 301, 200, 100))
        self.assertEqual(image.size, (200, 200))
        self.assertEqual(image.getpixel((0, 0)), (255, 255, 255))
        self.assertEqual(mismatches(image, grid, (20, 0, 180, 200), (200, 100)), [])

    def test_freehand_figure_eight_and_twice_circled_path(self):
        # A bow tie: both lobes are in, the sides between them white.
        proc = self.select(["--capture", "freehand"],
                           ["mousemove", "100", "100", "mousedown", "1"]
                           + [a for p in ((100, 100), (300, 300), (100, 300), (300, 100),
                                          (100, 100))
                              for a in ("mousemove", str(p[0]), str(p[1]))] + ["mouseup", "1"])
        image = self.picture(proc)
        self.assertEqual(image.size, (200, 200))
        self.assertEqual(image.getpixel((100, 30)), grid(200, 130))
        self.assertEqual(image.getpixel((100, 170)), grid(200, 270))
        self.assertEqual(image.getpixel((10, 100)), (255, 255, 255))
        square = [(400, 400), (500, 400), (500, 500), (400, 500)] * 2
        proc = self.select(["--capture", "freehand"],
                           ["mousemove", "400", "400", "mousedown", "1"]
                           + [a for p in square for a in ("mousemove", str(p[0]), str(p[1]))]
                           + ["mouseup", "1"])
        image = self.picture(proc)
        self.assertEqual(image.size, (100, 100))
        self.assertEqual(mismatches(image, grid, (2, 2, 98, 98), (400, 400)), [])

    def test_object_is_the_button_or_the_whole_frame(self):
        xmessage = shutil.which("xmessage")
        if not xmessage:
            self.skipTest("xmessage (x11-utils) is not installed")
        proc = subprocess.Popen([xmessage, "-geometry", "+600+500", "-buttons", "Okay,Other",
                                 "hello there"], env=self.env)
        try:
            self.assertTrue(wait_for(lambda: '"xmessage": ("xmessage"' in self.window_tree()))
            client = self.client_rect()
            # Athena buttons are windows of their own, with a 1-pixel border.
            button = self.picture(self.select(["--capture", "object"],
                                              ["mousemove", str(client[0] + 20),
                                               str(client[1] + 45), "click", "1"]))
            self.assertEqual(button.size, (53, 27))
            # The title bar gives the window manager's whole frame (icewm: 5, 24, 5, 5).
            frame = self.picture(self.select(["--capture", "object"],
                                             ["mousemove", str(client[0] + 30),
                                              str(client[1] - 12), "click", "3"]))
            self.assertEqual(frame.size, (client[2] + 10, client[3] + 29))
            # Over the desktop background: the whole screen.
            desktop = self.picture(self.select(["--capture", "object"],
                                               ["mousemove", "1500", "200", "click", "2"]))
            self.assertEqual(desktop.size, (1920, 1080))
        finally:
            proc.kill()
            proc.wait()

    def test_hotkey_of_the_running_tray_program_opens_the_selector(self):
        self.settings("wct=3\n[main]\nrunmm=1\nrunww=0\n[general]\nminimizewc=1")
        runtime = tempfile.mkdtemp(prefix="pelko-e2e-runtime-")
        env = dict(self.env, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime)
        tray = subprocess.Popen([ARGS.pelko, "--home", self.home], env=env)
        try:
            self.assertTrue(wait_for(lambda: '("pelko" "Pelko")  24x24' in self.window_tree(),
                                     20), "no tray icon")
            # Until the hotkeys are bound; a press that was heard may take a while on a busy
            # machine, and a second one would open a nested capture.
            for attempt in range(10):
                self.xdo("key", "F9")
                if wait_for(self.overlay_shown, 3):
                    break
            self.assertTrue(self.overlay_shown(), "no overlay after F9")
            # A second press runs a nested capture; once it is cancelled, the first overlay
            # has the pointer and keyboard again.
            self.xdo("key", "F9")
            self.assertTrue(wait_for(lambda: len(self.overlay_shown()) == 2), "no nested run")
            self.xdo("key", "Escape")
            self.assertTrue(wait_for(lambda: len(self.overlay_shown()) == 1))
            self.xdo("mousemove", "600", "500", "mousedown", "1", "mousemove", "650", "530",
                     "mousemove", "700", "540", "mouseup", "1")
            files = wait_for(lambda: [f for f in os.listdir(self.out) if f.endswith(".png")])
            self.assertEqual(len(files), 1)
            path = os.path.join(self.out, files[0])
            wait_for(lambda: self.png_complete(path))
            image = Image.open(path).convert("RGB")
            self.assertEqual(image.size, (100, 40))
            self.assertEqual(mismatches(image, grid, (0, 0, 100, 40), (600, 500)), [])
        finally:
            tray.terminate()
            tray.wait(timeout=20)
            shutil.rmtree(runtime, ignore_errors=True)

    @staticmethod
    def png_complete(path):
        with open(path, "rb") as f:
            return f.read()[-8:-4] == b"IEND"

    def window_tree(self):
        return subprocess.run(["xwininfo", "-root", "-tree"], env=self.env,
                              capture_output=True, text=True).stdout

    def client_rect(self):
        for line in self.window_tree().split("\n"):
            if '"xmessage": ("xmessage"' in line:
                size, pos = line.split()[-2:]
                w, h = size.split("+")[0].split("x")
                x, y = pos.lstrip("+").split("+")
                return int(x), int(y), int(w), int(h)
        raise AssertionError("no xmessage window")

    def test_pick_region_prints_the_geometry_and_changes_no_setting(self):
        with open(os.path.join(self.home, "settings.ini"), "rb") as f:
            before = f.read()
        for (x1, y1, x2, y2), want in (((50, 60, 250, 160), "200x100+50+60"),
                                       ((250, 160, 50, 60), "200x100+50+60")):
            proc = self.select(["--pick-region"],
                               ["mousemove", str(x1), str(y1), "mousedown", "1", "mousemove",
                                str(x2), str(y2), "mouseup", "1"])
            self.assertEqual((proc.returncode, proc.out), (0, want + "\n"), proc.err)
        # A click and a straight drag select no area: the picker ends as cancelled.
        for x1, y1, x2, y2 in ((70, 80, 70, 80), (400, 100, 300, 100)):
            proc = self.select(["--pick-region"],
                               ["mousemove", str(x1), str(y1), "mousedown", "1", "mousemove",
                                str(x2), str(y2), "mouseup", "1"])
            self.assertEqual((proc.returncode, proc.out), (2, ""), proc.err)
        proc = self.select(["--pick-region"], ["key", "Escape"])
        self.assertEqual((proc.returncode, proc.out), (2, ""))
        # The platform named on the command line reaches the picker's program too.
        proc = self.select(["--platform", "x11", "--pick-region"],
                           ["mousemove", "50", "60", "mousedown", "1", "mousemove", "250", "160",
                            "mouseup", "1"])
        self.assertEqual((proc.returncode, proc.out), (0, "200x100+50+60\n"), proc.err)
        with open(os.path.join(self.home, "settings.ini"), "rb") as f:
            self.assertEqual(f.read(), before)


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--show", "--desktop")
