#!/usr/bin/python3
"""End-to-end captures: the real pelko program on the test desktop, checked with Pillow.

The picture on screen comes from pelko-show-picture, whose patterns the checks recompute.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import grid, mismatches, run_tests  # noqa: E402

ARGS = None




TILE_COLORS = [
    (0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0x00, 0xFF, 0xFF), (0xFF, 0x00, 0xFF),
    (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x00, 0x00, 0x80), (0x80, 0x80, 0x00),
    (0x00, 0x80, 0x80), (0x80, 0x00, 0x80), (0x80, 0x80, 0x80), (0x40, 0xC0, 0x20),
]


def tiles(x, y):
    return TILE_COLORS[((x >> 3) + 5 * (y >> 3)) & 15]


class Desktop:
    """A test desktop of its own for one test class."""

    def __init__(self, geometry="1920x1080x24", wm=True):
        self.state = tempfile.mkdtemp(prefix="pelko-e2e-desktop-")
        cmd = [ARGS.desktop, "start", self.state, geometry] + ([] if wm else ["nowm"])
        self.display = subprocess.check_output(cmd, text=True, timeout=30).strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.shown = []

    def show(self, *args):
        proc = subprocess.Popen([ARGS.show, *args], env=self.env, stdout=subprocess.PIPE,
                                text=True)
        line = proc.stdout.readline()
        if "ready" not in line:
            proc.kill()
            raise RuntimeError(f"pelko-show-picture {args}: {line!r}")
        self.shown.append(proc)
        return proc

    def run(self, *cmd):
        subprocess.check_call(list(cmd), env=self.env, timeout=30)

    def stop(self):
        for proc in self.shown:
            proc.kill()
            proc.wait()
        subprocess.call([ARGS.desktop, "stop", self.state], timeout=30)
        shutil.rmtree(self.state, ignore_errors=True)


class Home:
    """A program folder with its own settings.ini and output folder."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="pelko-e2e-home-")
        self.out = os.path.join(self.path, "out")
        os.mkdir(self.out)

    def settings(self, saveas="png", cursor=0, extra=""):
        with open(os.path.join(self.path, "settings.ini"), "w") as f:
            f.write(f"[main]\nsaveto={self.out}/\nsaveas={saveas}\nssreccursor={cursor}\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\njcq=90\n{extra}\n")

    def capture(self, desktop, mode, expect_status=0):
        proc = subprocess.run([ARGS.pelko, "--home", self.path, "--capture", str(mode)],
                              env=desktop.env, capture_output=True, text=True, timeout=60)
        if proc.returncode != expect_status:
            raise AssertionError(f"exit {proc.returncode}: {proc.stderr}")
        return proc

    def capture_file(self, desktop, mode):
        files = self.capture(desktop, mode).stdout.split("\n")
        files = [f for f in files if f]
        assert len(files) == 1, files
        return files[0]

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)




class TrueColorDesktop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop()
        cls.desktop.show("--root", "grid")
        cls.home = Home()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()
        cls.home.remove()

    def setUp(self):
        self.desktop.run("xdotool", "mousemove", "1900", "5")

    def test_whole_screen_in_every_format(self):
        for saveas in ("png", "bmp", "gif", "jpg"):
            with self.subTest(saveas=saveas):
                self.home.settings(saveas)
                path = self.home.capture_file(self.desktop, "screen")
                self.assertTrue(path.endswith("." + saveas), path)
                image = Image.open(path)
                self.assertEqual(image.size, (1920, 1080))
                if saveas == "png":
                    subprocess.check_call(["pngcheck", "-q", path])
                image = image.convert("RGB")
                # The window manager's taskbar covers the bottom; the rest is the root picture.
                box = (0, 0, 1920, 1000)
                if saveas in ("png", "bmp"):
                    self.assertEqual(mismatches(image, grid, box), [])
                else:
                    self.assertLess(mean_error(image, grid, box), 12 if saveas == "gif" else 3)

    def test_fixed_region_and_off_screen_part(self):
        self.home.settings("png", extra="startx=10\nstarty=20\nrwidth=300\nrheight=200")
        image = Image.open(self.home.capture_file(self.desktop, 4)).convert("RGB")
        self.assertEqual(image.size, (300, 200))
        self.assertEqual(mismatches(image, grid, (0, 0, 300, 200), (10, 20)), [])

        self.home.settings("png", extra="startx=1900\nstarty=-10\nrwidth=40\nrheight=30")
        image = Image.open(self.home.capture_file(self.desktop, "fixed")).convert("RGB")
        self.assertEqual(image.size, (40, 30))
        self.assertEqual(image.getpixel((25, 5)), (0, 0, 0))
        self.assertEqual(image.getpixel((5, 5)), (0, 0, 0))
        self.assertEqual(mismatches(image, grid, (0, 10, 20, 30), (1900, -10)), [])

    def test_bad_region_and_unwritable_folder_are_clear_errors(self):
        self.home.settings("png", extra="rwidth=0\nrheight=5")
        err = self.home.capture(self.desktop, 4, expect_status=1).stderr
        self.assertIn("fixed capture region", err)
        # A folder that exists but takes no new files, even for root.
        with open(os.path.join(self.home.path, "settings.ini"), "w") as f:
            f.write("[main]\nsaveto=/proc/\nsaveas=png\n[settings]\nsaveac=1\n"
                    "screensfilename=x\n")
        err = self.home.capture(self.desktop, 1, expect_status=1).stderr
        self.assertIn('Cannot create file "/proc/x.png".', err)
        with open(os.path.join(self.home.path, "settings.ini")) as f:
            self.assertIn("ssnum=2", f.read())

    def test_upload_window_keeps_the_command_running_until_closed(self):
        self.home.settings("png", extra="[rightaftercapture]\nftpac=1")
        proc = subprocess.Popen([ARGS.pelko, "--home", self.home.path, "--capture", "1"],
                                env=self.desktop.env, stdout=subprocess.PIPE, text=True)
        try:
            def windows():
                return subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                       "^Publish Web$"], env=self.desktop.env,
                                      capture_output=True, text=True).stdout.split()
            for _ in range(200):
                if windows():
                    break
                time.sleep(0.05)
            self.assertTrue(windows(), "no upload window")
            self.assertIsNone(proc.poll())  # the command lives on with its window
            # Close it as a user would; a window id can go stale while it settles, so retry.
            for _ in range(50):
                for window in windows():
                    subprocess.run(["xdotool", "windowactivate", "--sync", window, "key",
                                    "--window", window, "alt+F4"], env=self.desktop.env,
                                   capture_output=True, timeout=20)
                if proc.poll() is not None:
                    break
                time.sleep(0.1)
            out, _ = proc.communicate(timeout=20)
            self.assertEqual(proc.returncode, 0)
            files = [line for line in out.split("\n") if line]
            self.assertEqual(len(files), 2, files)  # the saved file and the upload's scratch file
            self.assertTrue(os.path.exists(files[1]))
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()

    def test_files_written_before_a_failing_output_are_printed(self):
        # The mail output fails where no mail program is found, after the file is saved.
        self.home.settings("png", extra="[rightaftercapture]\nemail=1")
        no_programs = tempfile.mkdtemp(prefix="pelko-e2e-path-")
        try:
            proc = subprocess.run([ARGS.pelko, "--home", self.home.path, "--capture", "1"],
                                  env=dict(self.desktop.env, PATH=no_programs),
                                  capture_output=True, text=True, timeout=60)
        finally:
            os.rmdir(no_programs)
        self.assertEqual(proc.returncode, 1, proc.stderr)
        files = [line for line in proc.stdout.split("\n") if line]
        self.assertEqual(len(files), 1, proc.stdout)
        self.assertTrue(os.path.exists(files[0]))
        self.assertEqual(proc.stderr, "Error while trying to send email\n")

    def test_pointer_hotspot_lands_at_the_pointer_position(self):
        self.home.settings("png", cursor=1)
        self.desktop.run("xdotool", "mousemove", "700", "400")
        with_pointer = Image.open(self.home.capture_file(self.desktop, 1)).convert("RGB")
        self.home.settings("png", cursor=0)
        without = Image.open(self.home.capture_file(self.desktop, 1)).convert("RGB")
        diff = [(x, y) for y in range(360, 440) for x in range(660, 740)
                if with_pointer.getpixel((x, y)) != without.getpixel((x, y))]
        self.assertTrue(diff, "no pointer drawn")
        xs = [x for x, _ in diff]
        ys = [y for _, y in diff]
        # The pointer's image lies around its hotspot, which is at the pointer position.
        self.assertLessEqual(min(xs), 700)
        self.assertLessEqual(min(ys), 400)
        self.assertGreaterEqual(max(xs), 700)
        self.assertGreaterEqual(max(ys), 400)
        self.assertEqual(mismatches(without, grid, (660, 360, 740, 440)), [])

    def test_scaling_and_watermark(self):
        # The factory stamp of the program folder, in this test's program folder.
        stamp_path = os.path.join(os.path.dirname(ARGS.pelko), "lib", "images", "watermark.bmp")
        os.makedirs(os.path.join(self.home.path, "lib", "images"), exist_ok=True)
        shutil.copy(stamp_path, os.path.join(self.home.path, "lib", "images"))
        stamp = Image.open(stamp_path).convert("RGB")
        self.home.settings("png", extra="[scaling]\nenable=1\nwidth=50\nheight=50\n"
                                        "[watermark]\nenable=1\n")
        image = Image.open(self.home.capture_file(self.desktop, "screen")).convert("RGB")
        self.assertEqual(image.size, (960, 540))
        # Bottom-right, 90 pixels in; the stamp's white background is left out.
        left, top = 960 - 90 - stamp.width, 540 - 90 - stamp.height
        key = stamp.getpixel((0, stamp.height - 1))
        drawn = 0
        for y in range(stamp.height):
            for x in range(stamp.width):
                colour = stamp.getpixel((x, y))
                if colour != key:
                    drawn += 1
                    self.assertEqual(image.getpixel((left + x, top + y)), colour, (x, y))
                else:
                    self.assertNotEqual(image.getpixel((left + x, top + y)), key, (x, y))
        self.assertGreater(drawn, 0)

        # A stamp that cannot be read ends the capture with its message and no file.
        missing = os.path.join(self.home.path, "missing.png")
        self.home.settings("png", extra=f"[watermark]\nenable=1\nimagefile={missing}\n")
        before = set(os.listdir(self.home.out))
        err = self.home.capture(self.desktop, "screen", expect_status=1).stderr
        self.assertIn(f'Cannot open file "{missing}". No such file or directory', err)
        self.assertEqual(set(os.listdir(self.home.out)), before)

    def test_active_window_with_its_frame(self):
        window = self.desktop.show("--window", "300", "200", "240", "160", "tiles", "--activate")
        try:
            self.home.settings("gif")
            image = Image.open(self.home.capture_file(self.desktop, "window")).convert("RGB")
            width, height = image.size
            # The frame is larger than the client area and the client sits inside it.
            self.assertGreater(width, 240)
            self.assertGreater(height, 160)
            found = find_client(image, 240, 160)
            self.assertIsNotNone(found, "client picture not found in the window capture")
        finally:
            window.kill()
            window.wait()
            self.desktop.shown.remove(window)


def mean_error(image, expected, box):
    px = image.load()
    total = 0
    count = 0
    for y in range(box[1], box[3], 3):
        for x in range(box[0], box[2], 3):
            a = px[x, y]
            b = expected(x, y)
            total += sum(abs(a[i] - b[i]) for i in range(3))
            count += 3
    return total / count


def find_client(image, width, height):
    """The offset at which the tiles picture of width x height lies exactly in image."""
    w, h = image.size
    for dy in range(0, h - height + 1):
        for dx in range(0, w - width + 1):
            if image.getpixel((dx, dy)) != tiles(0, 0) or \
                    image.getpixel((dx + 8, dy)) != tiles(8, 0):
                continue
            if not mismatches(image, lambda x, y: tiles(x - dx, y - dy),
                              (dx, dy, dx + width, dy + height)):
                return dx, dy
    return None


class CommandLine(unittest.TestCase):
    def test_command_line_capture_loads_no_user_interface_library(self):
        libraries = subprocess.check_output(["ldd", ARGS.pelko], text=True)
        self.assertNotIn("libQt", libraries)


class WithoutWindowManager(unittest.TestCase):
    def test_no_active_window_captures_the_whole_screen(self):
        desktop = Desktop("800x600x24", wm=False)
        home = Home()
        try:
            desktop.show("--root", "grid")
            home.settings("bmp")
            image = Image.open(home.capture_file(desktop, 2)).convert("RGB")
            self.assertEqual(image.size, (800, 600))
            self.assertEqual(mismatches(image, grid, (0, 0, 800, 600)), [])
        finally:
            desktop.stop()
            home.remove()

    def test_palette_display(self):
        desktop = Desktop("640x480x8", wm=False)
        home = Home()
        try:
            desktop.show("--root", "tiles")
            for saveas in ("bmp", "png"):
                home.settings(saveas)
                path = home.capture_file(desktop, 1)
                image = Image.open(path)
                if saveas == "bmp":
                    self.assertEqual(image.mode, "P")  # 8-bit with its colour table
                rgb = image.convert("RGB")
                self.assertEqual(rgb.size, (640, 480))
                self.assertEqual(mismatches(rgb, tiles, (0, 0, 640, 480)), [])
        finally:
            desktop.stop()
            home.remove()

    def test_sixteen_bit_displays_keep_their_depth_in_bmp_files(self):
        for depth in (15, 16):
            desktop = Desktop(f"320x240x{depth}", wm=False)
            home = Home()
            try:
                desktop.show("--root", "tiles")
                home.settings("bmp")
                path = home.capture_file(desktop, 1)
                with open(path, "rb") as f:
                    header = f.read(34)
                self.assertEqual(int.from_bytes(header[28:30], "little"), 16, depth)  # bpp
                self.assertEqual(int.from_bytes(header[30:34], "little"), 3, depth)  # bit fields
                rgb = Image.open(path).convert("RGB")
                self.assertEqual(rgb.size, (320, 240))
                # Each channel within one step of its 5- or 6-bit width.
                self.assertEqual(mismatches(rgb, tiles, (0, 0, 320, 240), tolerance=8), [])
            finally:
                desktop.stop()
                home.remove()


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--show", "--desktop")
