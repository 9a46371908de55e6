#!/usr/bin/python3
"""End-to-end run of the built-in editor on the test desktop: three captures open three tabs,
the user switches and closes tabs with the mouse, applies one transform of each kind through
its dialog and saves the picture; every file is checked with Pillow.

The root window shows pelko-show-picture's "grid"."""
import glob
import os
import shutil
import subprocess
import sys
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import TrayFolders, grid, run_tests, wait_for  # noqa: E402

ARGS = None

# Places in the editor's client area, measured on the test desktop's default style: the middle
# of the first tab, of the "Close Tab" button at the strip's right end, and of the tool buttons.
TAB_Y = 49 + 29 + 10
FIRST_TAB_X = 60
BUTTON1_Y = 24
BUTTON2_Y = 49 + 14
BUTTON_X = {"Save": 26, "Scale": 307, "Add Watermark": 413, "Rotate": 525}
# The annotation tool bar below the tab strip, and the picture's top left corner.
TOOL_Y = 49 + 29 + 21 + 14
TOOL_X = {"Select": 142, "Rectangle": 217, "Marker": 342, "Redact": 367, "Crop": 417}
CANVAS = (1, 49 + 29 + 29 + 21 + 1)


class Editor(unittest.TestCase):
    def setUp(self):
        self.folders = TrayFolders("pelko-e2e-editor-", ARGS.desktop)
        self.tmp, self.home, self.env = self.folders.tmp, self.folders.home, self.folders.env
        self.out = os.path.join(self.tmp, "out")
        os.mkdir(self.out)
        self.scratch = os.path.join(self.folders.runtime, "~pelko")
        self.shown = subprocess.Popen([ARGS.show, "--root", "grid"], env=self.env,
                                      stdout=subprocess.PIPE, text=True)
        self.assertIn("ready", self.shown.stdout.readline())
        self.proc = None

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
        if self.proc:
            self.proc.communicate()
        self.shown.kill()
        self.shown.communicate()
        self.folders.stop_desktop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def xdotool(self, *args):
        return subprocess.run(["timeout", "10", "xdotool", *args], env=self.env,
                              capture_output=True, text=True, timeout=20)

    def window(self, name):
        out = self.xdotool("search", "--onlyvisible", "--name", f"^{name}$").stdout.split()
        return out[-1] if out else None

    def geometry(self, window):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).stdout.splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def click(self, x, y):
        ex, ey, _, _ = self.geometry(self.editor)
        self.xdotool("mousemove", "--sync", str(ex + x), str(ey + y), "click", "1")
        time.sleep(0.3)

    def saved(self):
        return sorted(glob.glob(os.path.join(self.out, "*")))

    def scratch_files(self):
        return sorted(glob.glob(os.path.join(self.scratch, "*.bmp")), key=os.path.getmtime)

    def capture(self):
        before = set(self.saved())

        def pressed():
            self.xdotool("key", "F9")
            return wait_for(lambda: set(self.saved()) - before, timeout=3.0)
        self.assertTrue(wait_for(pressed, timeout=40.0, step=0), "F9 captured nothing")

    def picture(self, path):
        with Image.open(path) as image:
            return image.convert("RGB")

    def button(self, caption, bar_y):
        return (BUTTON_X[caption], bar_y)

    def dialog_ok(self, caption):
        self.assertTrue(wait_for(lambda: self.window(caption), timeout=10.0), caption)
        dialog = self.window(caption)
        self.xdotool("windowactivate", "--sync", dialog)
        self.xdotool("key", "Return")
        if not wait_for(lambda: not self.window(caption), timeout=10.0):
            subprocess.run(["import", "-window", "root", "/tmp/pelko-editor-e2e-fail.png"],
                           env=self.env)
            self.fail(caption + " stayed open")

    def test_three_captures_tabs_transforms_and_save(self):
        stamp = os.path.join(self.tmp, "stamp.bmp")
        Image.new("RGB", (8, 8), (255, 0, 0)).save(stamp)
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(f"[main]\nrunmm=1\nsaveto={self.out}/\nsaveas=png\nssreccursor=0\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
                    f"[general]\nopeneditor=1\n"
                    f"[scaling]\nwidth=50\nheight=50\nstype=1\n"
                    f"[watermark]\nimagefile={stamp}\ntop=0\nleft=0\ntransparent=0\n"
                    f"direction=2\nhtype=0\nvtype=0\n"
                    f"[rotate]\nrtype=1\n")
        self.proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        for _ in range(3):
            self.capture()
        self.assertTrue(wait_for(lambda: len(self.scratch_files()) == 3, timeout=20.0))
        self.assertTrue(wait_for(lambda: self.window("Editor"), timeout=10.0))
        self.editor = self.window("Editor")
        first, second, third = self.scratch_files()
        self.assertEqual(len({first, second, third}), 3)
        for path in (first, second, third):
            self.assertEqual(self.picture(path).size, (1920, 1080))
        _, _, width, height = self.geometry(self.editor)
        self.assertEqual((width, height), (987, 636))
        look = os.environ.get("PELKO_EDITOR_LOOK")
        if look:  # a screenshot of the editor for the eye, instead of the rest of the run
            subprocess.run(["import", "-window", "root", look], env=self.env)
            for caption, title in (("Scale", "Scale Image"), ("Add Watermark",
                                   "Add Watermark to Image"), ("Rotate", "Rotate Image")):
                self.click(*self.button(caption, BUTTON2_Y))
                wait_for(lambda: self.window(title))
                time.sleep(0.5)
                subprocess.run(["import", "-window", "root", f"{look}-{caption}.png"],
                               env=self.env)
                self.xdotool("key", "Escape")
            return

        # The first tab, then "Scale": the first capture's file becomes half its size.
        self.click(FIRST_TAB_X, TAB_Y)
        self.click(*self.button("Scale", BUTTON2_Y))
        self.dialog_ok("Scale Image")
        self.assertTrue(wait_for(lambda: self.picture(first).size == (960, 540)))
        self.assertEqual(self.picture(second).size, (1920, 1080))

        # "Close Tab" on the first tab: the second capture is shown and takes the transforms.
        self.click(width - 10, TAB_Y)
        self.click(*self.button("Add Watermark", BUTTON2_Y))
        self.dialog_ok("Add Watermark to Image")
        self.assertTrue(wait_for(lambda: self.picture(second).getpixel((3, 3)) == (255, 0, 0)))
        self.click(*self.button("Rotate", BUTTON2_Y))
        self.dialog_ok("Rotate Image")
        self.assertTrue(wait_for(lambda: self.picture(second).getpixel((1916, 3)) == (255, 0, 0)))
        self.assertEqual(self.picture(first).size, (960, 540))
        with open(os.path.join(self.home, "lib", "editor.ini")) as f:
            ini = f.read()
        self.assertIn("[rotate]\nangle=0\nrtype=1\n", ini)

        # "Save" as JPEG (the format box's first choice) under a name with its extension.
        self.click(*self.button("Save", BUTTON1_Y))
        self.assertTrue(wait_for(lambda: self.window("Save As"), timeout=10))
        self.xdotool("windowactivate", "--sync", self.window("Save As"))
        target = os.path.join(self.tmp, "edited.jpg")
        self.xdotool("type", "--delay", "20", target)
        self.xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: os.path.exists(target), timeout=10.0), "not saved")
        picture = self.picture(target)
        self.assertEqual(picture.size, (1920, 1080))
        red = picture.getpixel((1916, 3))
        self.assertTrue(red[0] > 200 and red[1] < 60 and red[2] < 60, red)
        self.assertFalse(os.path.exists(target + ".jpg"))
        self.assertIsNone(self.proc.poll())

    def drag(self, tool, start, end):
        self.click(TOOL_X[tool], TOOL_Y)
        ex, ey, _, _ = self.geometry(self.editor)
        x0, y0 = ex + CANVAS[0] + start[0], ey + CANVAS[1] + start[1]
        x1, y1 = ex + CANVAS[0] + end[0], ey + CANVAS[1] + end[1]
        self.xdotool("mousemove", "--sync", str(x0), str(y0), "mousedown", "1")
        self.xdotool("mousemove", "--sync", str((x0 + x1) // 2), str((y0 + y1) // 2))
        self.xdotool("mousemove", "--sync", str(x1), str(y1), "mouseup", "1")
        time.sleep(0.3)

    def test_annotations_crop_undo_and_save(self):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(f"[main]\nrunmm=1\nsaveto={self.out}/\nsaveas=png\nssreccursor=0\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
                    f"[general]\nopeneditor=1\n"
                    f"[annotate]\ncolor=255\nwidth=4\n")
        self.proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.capture()
        self.assertTrue(wait_for(lambda: self.window("Editor"), timeout=10.0))
        self.editor = self.window("Editor")
        self.assertTrue(wait_for(lambda: len(self.scratch_files()) == 1, timeout=10.0))
        tab = self.scratch_files()[0]

        self.drag("Redact", (100, 100), (300, 200))
        self.drag("Rectangle", (350, 100), (550, 250))
        self.click(TOOL_X["Marker"], TOOL_Y)
        ex, ey, _, _ = self.geometry(self.editor)
        self.xdotool("mousemove", "--sync", str(ex + CANVAS[0] + 450),
                     str(ey + CANVAS[1] + 350), "click", "1")
        time.sleep(0.3)
        # The crop rewrites the tab's file with the part kept; Ctrl+Z brings the whole back.
        self.drag("Crop", (50, 50), (650, 400))
        self.assertTrue(wait_for(lambda: self.picture(tab).size == (600, 350), timeout=10.0),
                        self.picture(tab).size)
        self.xdotool("key", "ctrl+z")
        self.assertTrue(wait_for(lambda: self.picture(tab).size == (1920, 1080), timeout=10.0))

        self.xdotool("key", "ctrl+s")
        self.assertTrue(wait_for(lambda: self.window("Save As"), timeout=10))
        self.xdotool("windowactivate", "--sync", self.window("Save As"))
        target = os.path.join(self.tmp, "annotated.jpg")
        self.xdotool("type", "--delay", "20", target)
        self.xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: os.path.exists(target), timeout=10.0), "not saved")
        # Read back by Pillow, not by our own reader; JPEG (the format box's first choice)
        # moves colours a little.
        picture = self.picture(target)
        self.assertEqual(picture.size, (1920, 1080))

        def near(point, want, tolerance=40):
            got = picture.getpixel(point)
            self.assertTrue(all(abs(a - b) <= tolerance for a, b in zip(got, want)),
                            f"{point}: {got} instead of {want}")
        red = (255, 0, 0)
        near((200, 150), red)  # inside the redaction
        near((350, 175), red, 70)  # the rectangle's left edge, anti-aliased
        near((438, 350), red)  # the marker's disc beside its digit
        near((450, 175), grid(450, 175))  # inside the rectangle
        near((1500, 900), grid(1500, 900))
        self.assertIsNone(self.proc.poll())

    def test_edit_opens_files_in_the_running_tray_programs_editor(self):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write("[main]\nrunmm=1\n")
        first = os.path.join(self.tmp, "first.png")
        second = os.path.join(self.tmp, "second.gif")
        Image.new("RGB", (64, 48), (0, 128, 255)).save(first)
        Image.new("RGB", (30, 20), (255, 255, 0)).save(second)
        damaged = os.path.join(self.tmp, "damaged.jpg")
        with open(damaged, "wb") as f:
            f.write(b"\xff\xd8\xff\xe0 not a picture")
        # No tray program runs: the command starts one, which opens the file.
        self.proc = subprocess.Popen([ARGS.pelko, "--home", self.home, "--edit", first],
                                     env=self.env, cwd=self.tmp, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        self.assertTrue(wait_for(lambda: len(self.scratch_files()) == 1, timeout=20.0))
        self.assertTrue(wait_for(lambda: self.window("Editor"), timeout=10.0))
        self.assertEqual(self.picture(self.scratch_files()[0]).getpixel((5, 5)), (0, 128, 255))
        # Now it runs: a second command hands its files over (a relative name too) and ends.
        # A damaged file and a missing one are named with their reasons, and the command fails;
        # the good file opens all the same.
        missing = os.path.join(self.tmp, "missing.png")
        done = subprocess.run([ARGS.pelko, "--home", self.home, "--edit", "second.gif", damaged,
                               missing], env=self.env, cwd=self.tmp, capture_output=True,
                              text=True, timeout=30)
        self.assertEqual(done.returncode, 1, done.stderr)
        lines = done.stderr.splitlines()
        self.assertEqual(len(lines), 2, done.stderr)
        self.assertIn(damaged, lines[0])
        self.assertIn(missing, lines[1])
        self.assertIn("No such file or directory", lines[1])
        self.assertTrue(wait_for(lambda: len(self.scratch_files()) == 2, timeout=10.0))
        self.assertEqual(self.picture(self.scratch_files()[1]).size, (30, 20))
        # Nothing but bad files: no tab, status 1.
        done = subprocess.run([ARGS.pelko, "--home", self.home, "--edit", damaged], env=self.env,
                              capture_output=True, text=True, timeout=30)
        self.assertEqual((done.returncode, len(done.stderr.splitlines())), (1, 1), done.stderr)
        time.sleep(0.5)
        self.assertEqual(len(self.scratch_files()), 2)
        self.assertIsNone(self.proc.poll())

    def test_capture_command_opens_its_picture_in_the_tray_programs_editor(self):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(f"[main]\nrunmm=1\nsaveto={self.out}/\nsaveas=png\nssreccursor=0\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
                    f"[general]\nopeneditor=1\n")
        # No tray program runs: the command starts one for the editor and ends with status 0;
        # then a second capture goes to that tray program's editor as a second tab.
        for tabs in (1, 2):
            done = subprocess.run([ARGS.pelko, "--home", self.home, "--geometry", "64x48+10+20"],
                                  env=self.env, capture_output=True, text=True, timeout=60)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertEqual(len(self.saved()), tabs)
            self.assertTrue(wait_for(lambda: self.window("Editor"), timeout=20.0))
            self.assertTrue(wait_for(lambda: len(self.scratch_files()) >= 2 * tabs, timeout=20.0),
                            self.scratch_files())
        tabs = [self.picture(p) for p in self.scratch_files()]
        self.assertTrue(all(t.size == (64, 48) for t in tabs))
        self.assertEqual(tabs[-1].getpixel((0, 0)), grid(10, 20))
        trays = subprocess.run(["pgrep", "-f", self.home + " --launcher"], capture_output=True,
                               text=True).stdout.split()
        self.assertEqual(len(trays), 1, trays)
        for pid in trays:
            os.kill(int(pid), 15)

if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--show", "--desktop")
