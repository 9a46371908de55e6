#!/usr/bin/python3
"""Captures in a Wayland session: a headless sway (tests/wayland-desktop.sh) showing the grid
picture, with grim's picture of the same output as the reference; and compositors that break
off or never answer."""
import io
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

from PIL import Image, ImageChops

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import grid, run_tests, wait_for  # noqa: E402

ARGS = None
WIDTH, HEIGHT = 1280, 720
SETTINGS = ("[main]\nsaveto={out}/\nsaveas={saveas}\nssreccursor=0\n"
            "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
            "startx={x}\nstarty={y}\nrwidth={w}\nrheight={h}\n")


class SessionCase(unittest.TestCase):
    """A test class on a Wayland test desktop of its own that shows the grid picture."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="pelko-e2e-wayland-")
        os.chmod(cls.tmp, 0o755)
        background = os.path.join(cls.tmp, "grid.png")
        picture = Image.new("RGB", (WIDTH, HEIGHT))
        picture.putdata([grid(x, y) for y in range(HEIGHT) for x in range(WIDTH)])
        picture.save(background)
        cls.state = os.path.join(cls.tmp, "desktop")
        os.mkdir(cls.state)
        started = subprocess.run([ARGS.desktop, "start", cls.state, background], text=True,
                                 capture_output=True, timeout=60)
        if started.returncode == 77:
            shutil.rmtree(cls.tmp, ignore_errors=True)
            raise unittest.SkipTest("sway cannot run here: " + started.stderr.strip())
        if started.returncode != 0:
            cls.stop()
            raise RuntimeError("the Wayland test desktop did not start: " + started.stderr)
        # A folder the session's user writes into.
        cls.home = os.path.join(cls.tmp, "home")
        cls.out = os.path.join(cls.home, "out")
        os.makedirs(cls.out)
        shutil.chown(cls.home, user=cls.user())
        shutil.chown(cls.out, user=cls.user())
        # swaybg draws the background a moment after it starts.
        cls.reference = wait_for(lambda: cls.grim_when_drawn(), timeout=20)
        if not cls.reference:
            cls.stop()
            raise RuntimeError("the test desktop does not show its background")

    @classmethod
    def grim_when_drawn(cls):
        picture = cls.grim()
        return picture if picture.getpixel((300, 301)) == grid(300, 301) else None

    @classmethod
    def tearDownClass(cls):
        cls.stop()

    @classmethod
    def stop(cls):
        subprocess.call([ARGS.desktop, "stop", cls.state], timeout=30)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def user(cls):
        return "pelko-test" if os.getuid() == 0 else None

    @classmethod
    def run_in_session(cls, *command, timeout=60):
        return subprocess.run([ARGS.desktop, "run", cls.state, *command], text=True,
                              capture_output=True, timeout=timeout)

    @classmethod
    def grim(cls):
        path = os.path.join(cls.out, "grim.png")
        done = cls.run_in_session("grim", path)
        if done.returncode != 0:
            raise RuntimeError("grim failed: " + done.stderr)
        with Image.open(path) as image:
            return image.convert("RGB")

    def write_settings(self, x=100, y=100, w=400, h=300, saveas="png"):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(SETTINGS.format(out=self.out, x=x, y=y, w=w, h=h, saveas=saveas))

    def pelko(self, *args):
        return self.run_in_session(ARGS.pelko, "--home", self.home, *args)

    def captured(self, *args):
        path = os.path.join(self.out, "picture.png")
        if os.path.exists(path):
            os.remove(path)
        done = self.pelko(*args, "--output", path)
        self.assertEqual(done.returncode, 0, done.stderr)
        with Image.open(path) as image:
            return image.convert("RGB")

    def assertSamePixels(self, picture, reference):
        self.assertEqual(picture.size, reference.size)
        self.assertIsNone(ImageChops.difference(picture, reference).getbbox(),
                          "the capture differs from grim's picture")


class DesktopPortal(SessionCase):
    """The portal on a session of its own: programs started earlier (a toolkit asking the
    portal for its settings) leave nothing behind that could change its answers."""

    def test_portal_screenshot_with_granted_permission_matches_grim(self):
        granted = self.run_in_session(
            "gdbus", "call", "--session", "--dest", "org.freedesktop.impl.portal.PermissionStore",
            "--object-path", "/org/freedesktop/impl/portal/PermissionStore", "--method",
            "org.freedesktop.impl.portal.PermissionStore.SetPermission", "screenshot", "true",
            "screenshot", "", "['yes']")
        self.assertEqual(granted.returncode, 0, granted.stderr)
        # The session bus starts the portal and its backends at the first call; on a busy
        # machine that can take longer than a program waits for an answer (25 s), and the
        # capture then fails as it should. Start them first, with time to spare.
        started = self.run_in_session(
            "gdbus", "call", "--session", "--timeout", "120", "--dest",
            "org.freedesktop.portal.Desktop", "--object-path", "/org/freedesktop/portal/desktop",
            "--method", "org.freedesktop.DBus.Properties.Get", "org.freedesktop.portal.Screenshot",
            "version", timeout=150)
        self.assertEqual(started.returncode, 0, started.stderr)
        self.write_settings(x=17, y=300, w=640, h=301)
        self.assertSamePixels(self.captured("--platform", "wayland-portal", "--capture", "screen"),
                              self.reference)
        self.assertSamePixels(self.captured("--platform", "wayland-portal", "--capture", "fixed"),
                              self.reference.crop((17, 300, 657, 601)))


class WaylandSession(SessionCase):

    def test_whole_screen_and_regions_match_grim_pixel_for_pixel(self):
        self.write_settings(x=17, y=300, w=640, h=301)
        self.assertSamePixels(self.captured("--capture", "screen"), self.reference)
        self.assertSamePixels(self.captured("--capture", "fixed"),
                              self.reference.crop((17, 300, 657, 601)))
        # A region reaching past the output: the part outside is black.
        region = self.captured("--geometry", "100x50+1230+700")
        expected = Image.new("RGB", (100, 50))
        expected.paste(self.reference.crop((1230, 700, 1280, 720)), (0, 0))
        self.assertSamePixels(region, expected)

    def test_the_session_chooses_wayland_and_the_option_overrides_it(self):
        # The session has no X display: asking for X11 fails naming it, Wayland is the default.
        x11 = self.pelko("--platform", "x11", "--capture", "screen", "--output", "-")
        self.assertEqual(x11.returncode, 1)
        self.assertEqual(self.captured("--platform", "wayland", "--capture", "screen").size,
                         (WIDTH, HEIGHT))

    def test_neither_protocol_nor_portal_is_one_error_naming_both(self):
        before = sorted(os.listdir(self.out))
        done = self.run_in_session("env", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent",
                                   ARGS.pelko, "--home", self.home, "--platform",
                                   "wayland-portal", "--capture", "screen")
        self.assertEqual(done.returncode, 1)
        self.assertIn("zwlr_screencopy_manager_v1", done.stderr)
        self.assertIn("org.freedesktop.portal.Screenshot", done.stderr)
        self.assertEqual(done.stdout, "")
        self.assertEqual(sorted(os.listdir(self.out)), before)

    def test_portal_answers_without_a_picture_end_with_one_message_and_no_file(self):
        # The fake portal owns a private session bus and runs the capture on it. A portal that
        # never answers is left to the unit test: the program waits a minute for it.
        self.write_settings()
        empty = os.path.join(self.out, "empty.png")
        open(empty, "w").close()
        before = sorted(os.listdir(self.out))
        for mode, uri, message in (("cancel", "", "The screenshot was cancelled"),
                                   ("refuse", "", "refused to take a screenshot"),
                                   ("no-uri", "", "refused to take a screenshot"),
                                   ("answer", "file:///nonexistent/shot.png", "Cannot read"),
                                   ("answer", "file://" + empty, "")):
            with self.subTest(mode=mode, uri=uri):
                done = self.run_in_session(
                    "dbus-run-session", "--", sys.executable, ARGS.fake_screenshot_portal, mode,
                    uri, "--", ARGS.pelko, "--home", self.home, "--platform", "wayland-portal",
                    "--capture", "screen")
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertEqual(done.stdout, "")
                self.assertIn(message, done.stderr)
                self.assertEqual(len(done.stderr.strip().splitlines()), 1, done.stderr)
                self.assertEqual(sorted(os.listdir(self.out)), before)
        os.remove(empty)

    def pasted(self, mime_type):
        done = subprocess.run([ARGS.desktop, "run", self.state, "wl-paste", "--no-newline",
                               "--type", mime_type], capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        return Image.open(io.BytesIO(done.stdout))

    def test_clipboard_outlives_the_command_and_reads_back_with_wl_paste(self):
        self.write_settings()
        done = self.pelko("--capture", "screen", "--clipboard")
        self.assertEqual(done.returncode, 0, done.stderr)
        types = self.run_in_session("wl-paste", "--list-types").stdout.split()
        self.assertEqual(types, ["image/png"])
        self.assertSamePixels(self.pasted("image/png").convert("RGB"), self.reference)
        # GIF: the GIF file itself, and its colour-reduced picture for programs that want PNG.
        self.write_settings(saveas="gif")
        done = self.pelko("--capture", "screen", "--clipboard")
        self.assertEqual(done.returncode, 0, done.stderr)
        gif = self.pasted("image/gif")
        self.assertEqual((gif.format, gif.size), ("GIF", (WIDTH, HEIGHT)))
        self.assertSamePixels(self.pasted("image/png").convert("RGB"), gif.convert("RGB"))
        # Another program taking the clipboard over ends the server.
        self.run_in_session("sh", "-c", "echo taken | wl-copy >/dev/null 2>&1")
        self.assertEqual(self.run_in_session("wl-paste", "--no-newline").stdout, "taken\n")

    def overlay_node(self):
        """The selector's window in sway's tree when sway shows it full screen, else None."""
        tree = json.loads(self.run_in_session("swaymsg", "-t", "get_tree").stdout)
        nodes = [tree]
        while nodes:
            node = nodes.pop()
            if node.get("app_id") == "pelko-tray" and node.get("fullscreen_mode") == 1 and \
                    node.get("visible"):
                return node
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])
        return None

    def overlay_shown(self):
        """Whether sway shows the selector's window full screen."""
        return self.overlay_node() is not None

    def overlay_takes_keys(self):
        """Whether the full-screen selector has been painted (its title says so) and has the
        keyboard focus."""
        node = self.overlay_node()
        return bool(node and node.get("focused") and node.get("name") == "Pelko selection")

    def start_device(self, *command):
        """An input device tool in the session, and the function that sends it a command."""
        device = subprocess.Popen([ARGS.desktop, "run", self.state, *command],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.assertEqual(device.stdout.readline().strip(), "ready", command[0])

        def send(line):
            device.stdin.write(line + "\n")
            device.stdin.flush()
            self.assertEqual(device.stdout.readline().strip(), "ok", line)

        return device, send

    @staticmethod
    def stop_device(device):
        device.stdin.close()
        device.wait(timeout=30)
        device.stdout.close()

    def start_pointer(self):
        """A virtual pointer in the session, and the function that sends it a command."""
        return self.start_device(ARGS.virtual_pointer, str(WIDTH), str(HEIGHT))

    def test_rectangle_drag_on_the_full_screen_frozen_overlay(self):
        self.write_settings()
        pointer, send = self.start_pointer()
        path = os.path.join(self.out, "dragged.png")
        capture = None
        try:
            send("move 200 100")
            # The compositor hides the pointer when it rests (hide_cursor): then freeze.
            self.assertTrue(wait_for(self.shows_bare_desktop, timeout=10))
            capture = subprocess.Popen([ARGS.desktop, "run", self.state, ARGS.pelko, "--home",
                                        self.home, "--capture", "rect", "--output", path],
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            self.assertTrue(wait_for(self.overlay_shown, timeout=30), "no full-screen overlay")
            # The overlay shows the frozen screen 1:1 over the whole output.
            self.assertTrue(wait_for(self.shows_bare_desktop, timeout=10))
            for command in ("move 201 100", "move 200 100", "press", "move 300 150",
                            "move 350 180", "release"):
                send(command)
            out, err = capture.communicate(timeout=30)
            self.assertEqual(capture.returncode, 0, err)
            with Image.open(path) as picture:
                # The far edges are exclusive: a drag from (200, 100) to (350, 180).
                self.assertSamePixels(picture.convert("RGB"),
                                      self.reference.crop((200, 100, 350, 180)))
        finally:
            if capture and capture.poll() is None:
                capture.kill()
                capture.wait()
            self.stop_device(pointer)
            wait_for(self.shows_bare_desktop, timeout=10)

    def select(self, args, steps):
        """Runs pelko with args in the session, waits until its full-screen overlay takes keys,
        sends the steps (pairs of a device's send function and a command) and returns the
        finished process with its output as out and err."""
        self.assertTrue(wait_for(self.shows_bare_desktop, timeout=10), "the pointer does not rest")
        capture = subprocess.Popen([ARGS.desktop, "run", self.state, ARGS.pelko, "--home",
                                    self.home, *args], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        try:
            self.assertTrue(wait_for(self.overlay_takes_keys, timeout=30),
                            "no full-screen overlay with the keyboard focus")
            for send, command in steps:
                send(command)
            capture.out, capture.err = capture.communicate(timeout=30)
        finally:
            if capture.poll() is None:
                capture.kill()
                capture.wait()
        wait_for(lambda: not self.overlay_shown(), timeout=10)
        return capture

    def start_keyboard(self):
        if ARGS.virtual_keyboard == "none":
            self.skipTest("the virtual keyboard tool was not built (libxkbcommon-dev is missing)")
        return self.start_device(ARGS.virtual_keyboard)

    def test_escape_cancels_the_selectors_and_the_region_picker_as_on_x11(self):
        self.write_settings()
        with open(os.path.join(self.home, "settings.ini"), "rb") as f:
            settings = f.read()
        before = sorted(os.listdir(self.out))
        keyboard, key = self.start_keyboard()
        try:
            for args in (["--capture", "rect"], ["--capture", "freehand"],
                         ["--capture", "object"], ["--pick-region"]):
                with self.subTest(args=args):
                    done = self.select(args, [(key, "key Escape")])
                    # The status of a cancelled selector, as on X11; nothing written.
                    self.assertEqual((done.returncode, done.out), (2, ""), done.err)
                    self.assertEqual(sorted(os.listdir(self.out)), before)
                    with open(os.path.join(self.home, "settings.ini"), "rb") as f:
                        self.assertEqual(f.read(), settings)
        finally:
            self.stop_device(keyboard)

    def test_arrow_keys_move_the_dragged_edge_exactly_as_on_x11(self):
        self.write_settings()
        keyboard, key = self.start_keyboard()
        pointer, move = self.start_pointer()
        path = os.path.join(self.out, "keyed.png")
        try:
            move("move 100 100")
            # A drag from (100, 100) to (150, 150), then keys: 1 pixel each, 10 with Shift.
            for keys, corner in ((["Right", "shift+Down"], (151, 160)),
                                 (["shift+Right", "Left", "Up", "shift+Left", "shift+Up"],
                                  (149, 139))):
                with self.subTest(keys=keys):
                    if os.path.exists(path):
                        os.remove(path)
                    steps = [(move, "move 101 100"), (move, "move 100 100"), (move, "press"),
                             (move, "move 130 130"), (move, "move 150 150")]
                    steps += [(key, "key " + k) for k in keys] + [(move, "release")]
                    done = self.select(["--capture", "rect", "--output", path], steps)
                    self.assertEqual(done.returncode, 0, done.err)
                    with Image.open(path) as picture:
                        self.assertSamePixels(picture.convert("RGB"),
                                              self.reference.crop((100, 100) + corner))
        finally:
            self.stop_device(keyboard)
            self.stop_device(pointer)

    def test_pick_region_prints_the_dragged_geometry(self):
        self.write_settings()
        pointer, move = self.start_pointer()
        try:
            move("move 50 60")
            for (x1, y1, x2, y2), want in (((50, 60, 250, 160), "200x100+50+60"),
                                           ((250, 160, 50, 60), "200x100+50+60")):
                with self.subTest(start=(x1, y1)):
                    steps = [(move, "move %d %d" % (x1 + 1, y1)), (move, "move %d %d" % (x1, y1)),
                             (move, "press"), (move, "move %d %d" % (x2, y2)), (move, "release")]
                    done = self.select(["--pick-region"], steps)
                    self.assertEqual((done.returncode, done.out), (0, want + "\n"), done.err)
        finally:
            self.stop_device(pointer)

    def shows_bare_desktop(self):
        return not ImageChops.difference(self.grim(), self.reference).getbbox()

    def show_window(self):
        """A green window of 300 x 200 pixels at (100, 50), floating and focused."""
        window = subprocess.Popen([ARGS.desktop, "run", self.state, "env",
                                   "QT_QPA_PLATFORM=wayland", ARGS.show_window, "00ff00"],
                                  stdout=subprocess.PIPE, text=True)
        self.assertIn("ready", window.stdout.readline())
        placed = self.run_in_session(
            "swaymsg", '[app_id="pelko-show-window"] floating enable, resize set 300 200, '
            'move position 100 50, focus')
        self.assertEqual(placed.returncode, 0, placed.stdout + placed.stderr)
        return window

    def close_window(self, window):
        window.kill()
        window.wait()
        self.run_in_session("swaymsg", '[app_id="pelko-show-window"] kill')
        # The other tests compare with the bare desktop.
        wait_for(lambda: self.grim().getpixel((150, 100)) == grid(150, 100), timeout=10)

    def test_active_window_as_sway_tells_it_else_one_clear_message(self):
        self.write_settings()
        window = self.show_window()
        try:
            picture = self.captured("--capture", "window")
            self.assertEqual(picture.size, (300, 200))
            self.assertEqual(picture.getcolors(), [(300 * 200, (0, 255, 0))])
            before = sorted(os.listdir(self.out))
            # Compositors that do not tell (here: sway's socket unknown) and the window under
            # the pointer: one message, no picture.
            for kind in ("window", "object"):
                done = self.run_in_session("env", "-u", "SWAYSOCK", ARGS.pelko, "--home",
                                           self.home, "--capture", kind)
                self.assertEqual(done.returncode, 1, kind)
                self.assertIn("does not tell which window is active", done.stderr, kind)
                self.assertEqual(sorted(os.listdir(self.out)), before)
        finally:
            self.close_window(window)

    def window_rect(self):
        """The test window's rectangle as sway's tree has it: x, y, width, height."""
        tree = json.loads(self.run_in_session("swaymsg", "-t", "get_tree", "-r").stdout)
        stack = [tree]
        while stack:
            node = stack.pop()
            if node.get("app_id") == "pelko-show-window":
                r = node["rect"]
                return r["x"], r["y"], r["width"], r["height"]
            stack += node.get("nodes", []) + node.get("floating_nodes", [])
        self.fail("sway does not list the test window")

    def start_fake_hyprland(self, signature, scene, mode="answer"):
        """fake_hyprland.py on the session's Hyprland request socket for signature, run as
        the session's user; it answers from scene (a dict of j/ answers)."""
        scene_path = os.path.join(self.home, "scene-%s.json" % signature)
        with open(scene_path, "w") as f:
            json.dump(scene, f)
        socket_path = os.path.join(self.state, "runtime", "hypr", signature, ".socket.sock")
        fake = subprocess.Popen([ARGS.desktop, "run", self.state, "python3", ARGS.fake_hyprland,
                                 socket_path, scene_path, mode], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        self.assertIn("ready", fake.stdout.readline())
        return fake

    def stop_fake(self, fake):
        fake.terminate()
        fake.wait(timeout=30)
        fake.stdout.close()

    def test_active_window_as_hyprland_tells_it_on_its_request_socket(self):
        self.write_settings()
        window = self.show_window()
        x, y, w, h = self.window_rect()
        # Hyprland's answers describe where sway really shows the window; the copy still
        # comes from sway's screen copy.
        client = {"address": "0x5501", "mapped": True, "hidden": False, "at": [x, y],
                  "size": [w, h], "workspace": {"id": 1, "name": "1"}, "floating": True,
                  "monitor": 0, "class": "pelko-show-window", "title": "pelko-show-window",
                  "pid": 1, "fullscreen": 0, "fullscreenClient": 0, "focusHistoryID": 0}
        monitor = {"id": 0, "name": "HEADLESS-1", "width": WIDTH, "height": HEIGHT, "x": 0,
                   "y": 0, "scale": 1.0, "transform": 0, "focused": True,
                   "activeWorkspace": {"id": 1, "name": "1"},
                   "specialWorkspace": {"id": 0, "name": ""}, "disabled": False}
        fake = self.start_fake_hyprland("pelko_e2e", {"activewindow": client,
                                                      "clients": [client],
                                                      "monitors": [monitor]})
        silent = self.start_fake_hyprland("pelko_e2e_silent", {}, "silent")
        try:
            self.assertTrue(wait_for(lambda: self.grim().getpixel((x + 5, y + 5)) == (0, 255, 0),
                                     timeout=10), "the window is not on show")
            path = os.path.join(self.out, "hyprland.png")
            done = self.run_in_session("env", "-u", "SWAYSOCK",
                                       "HYPRLAND_INSTANCE_SIGNATURE=pelko_e2e", ARGS.pelko,
                                       "--home", self.home, "--capture", "window", "--output",
                                       path)
            self.assertEqual(done.returncode, 0, done.stderr)
            with Image.open(path) as picture:
                self.assertSamePixels(picture.convert("RGB"),
                                      self.grim().crop((x, y, x + w, y + h)))
            os.remove(path)
            # A Hyprland that is not there, or never answers: one message, no picture.
            before = sorted(os.listdir(self.out))
            for signature, message in (("pelko_e2e_none", "cannot connect"),
                                       ("pelko_e2e_silent", "no answer on its IPC socket")):
                done = self.run_in_session("env", "-u", "SWAYSOCK",
                                           "HYPRLAND_INSTANCE_SIGNATURE=" + signature,
                                           ARGS.pelko, "--home", self.home, "--capture",
                                           "window")
                self.assertEqual(done.returncode, 1, signature)
                self.assertIn("Hyprland did not tell which window is active", done.stderr)
                self.assertIn(message, done.stderr, signature)
                self.assertEqual(sorted(os.listdir(self.out)), before)
        finally:
            self.stop_fake(fake)
            self.stop_fake(silent)
            self.close_window(window)

    def test_object_selector_cuts_the_window_under_the_pointer_from_the_frozen_screen(self):
        self.write_settings()
        window = self.show_window()
        pointer, send = self.start_pointer()
        capture = None
        try:
            send("move 640 600")
            self.assertTrue(wait_for(lambda: self.grim().getpixel((150, 100)) == (0, 255, 0),
                                     timeout=10), "the window is not on show")
            # The headless compositor draws its pointer into every copy until the pointer
            # rests (hide_cursor): the reference and each frozen screen are taken without it.
            reference = self.reference.copy()
            reference.paste(self.grim().crop((100, 50, 400, 250)), (100, 50))
            for spot, rect in (((250, 150), (100, 50, 400, 250)),  # the window
                               ((640, 600), (0, 0, WIDTH, HEIGHT))):  # the bare desktop
                path = os.path.join(self.out, "object.png")
                if os.path.exists(path):
                    os.remove(path)
                self.assertTrue(wait_for(lambda: not ImageChops.difference(
                    self.grim(), reference).getbbox(), timeout=10), "the pointer does not rest")
                capture = subprocess.Popen([ARGS.desktop, "run", self.state, ARGS.pelko,
                                            "--home", self.home, "--capture", "object",
                                            "--output", path], stdout=subprocess.PIPE,
                                           stderr=subprocess.PIPE, text=True)
                self.assertTrue(wait_for(self.overlay_shown, timeout=30), "no overlay")
                send("move %d %d" % spot)
                send("press")
                send("release")
                out, err = capture.communicate(timeout=30)
                self.assertEqual(capture.returncode, 0, err)
                with Image.open(path) as picture:
                    self.assertSamePixels(picture.convert("RGB"), reference.crop(rect))
                wait_for(lambda: not self.overlay_shown(), timeout=10)
        finally:
            if capture and capture.poll() is None:
                capture.kill()
                capture.wait()
            self.stop_device(pointer)
            self.close_window(window)


class BrokenCompositor(unittest.TestCase):
    """A socket that takes the connection and then never answers or hangs up: the capture ends
    with an error, never a hang and never a picture."""

    def run_against(self, behaviour):
        folder = tempfile.mkdtemp(prefix="pelko-e2e-compositor-")
        path = os.path.join(folder, "wayland-broken")
        server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        server.bind(path)
        server.listen(1)
        held = []

        def serve():
            conn, _ = server.accept()
            conn.recv(4096)
            if behaviour == "hang up":
                conn.close()
            else:
                held.append(conn)

        thread = threading.Thread(target=serve, daemon=True)
        thread.start()
        try:
            env = dict(os.environ, WAYLAND_DISPLAY=path, XDG_SESSION_TYPE="wayland",
                       XDG_RUNTIME_DIR=folder)
            env.pop("DISPLAY", None)
            return subprocess.run([ARGS.pelko, "--capture", "screen", "--output",
                                   os.path.join(folder, "out.png")], env=env, text=True,
                                  capture_output=True, timeout=60)
        finally:
            for conn in held:
                conn.close()
            server.close()
            shutil.rmtree(folder, ignore_errors=True)

    def test_errors_instead_of_hanging(self):
        for behaviour, message in (("hang up", "connection to the Wayland compositor was lost"),
                                   ("say nothing", "did not answer in time")):
            done = self.run_against(behaviour)
            self.assertEqual(done.returncode, 1, behaviour)
            self.assertIn(message, done.stderr, behaviour)

    def test_no_compositor_is_named(self):
        env = dict(os.environ, WAYLAND_DISPLAY="pelko-no-such-socket", XDG_SESSION_TYPE="wayland")
        done = subprocess.run([ARGS.pelko, "--capture", "screen", "--output", "/dev/null"],
                              env=env, text=True, capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertIn("Cannot connect to the Wayland compositor", done.stderr)


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop", "--show-window", "--virtual-pointer",
              "--virtual-keyboard", "--fake-screenshot-portal", "--fake-hyprland")
