#!/usr/bin/python3
"""The tray program in a Wayland session: a headless sway (tests/wayland-desktop.sh) with
waybar as the host of tray items. The tray item registers on the session bus, its menu starts
captures equal to grim's picture, and the hotkeys, which sway lets no program bind, are
reported as not set up. The command line reaches the running tray program through its socket:
"pelko --edit" opens files in its editor, and a delayed capture counts down on its icon. With a
fake GlobalShortcuts portal on the session bus, a press the portal reports captures the screen;
a portal without that interface leaves the menu capturing."""
import glob
import json
import os
import shutil
import signal
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import run_tests, wait_for  # noqa: E402

import wayland_test  # noqa: E402
from wayland_test import SessionCase  # noqa: E402

ARGS = None
SNI_CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_client.py")
FAKE_PORTAL = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "../platform/wayland/fake_global_shortcuts_portal.py")
SETTINGS = ("[main]\nsaveto={out}/\nsaveas=png\nssreccursor=0\nrunmm=1\nrunww=0\n"
            "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
            # A notification after the capture would differ from grim's later picture.
            "[notify]\nenabled=0\n")
WAYBAR_CONFIG = '{"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"]}'


class TrayCase(SessionCase):
    """A Wayland test desktop with waybar hosting the tray items, and the tray program on it."""

    @classmethod
    def setUpClass(cls):
        wayland_test.ARGS = ARGS
        super().setUpClass()

    def start_in_session(self, name, *command):
        """Starts a program of the session in a process group of its own; stopped at the end."""
        log = open(os.path.join(self.home, name + ".log"), "w+")
        process = subprocess.Popen([ARGS.desktop, "run", self.state, *command], stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        self.addCleanup(log.close)
        self.addCleanup(self.stop_group, process)
        return process, log

    @staticmethod
    def stop_group(process):
        if process.poll() is None:
            os.killpg(process.pid, 15)
            process.wait(timeout=30)

    def sni(self, *args):
        return self.run_in_session("python3", SNI_CLIENT, *args)

    def start_waybar(self):
        config = os.path.join(self.home, "waybar.json")
        with open(config, "w") as f:
            f.write(WAYBAR_CONFIG)
        os.chmod(config, 0o644)
        self.start_in_session("waybar", "waybar", "--config", config)
        # waybar hosts the tray items: it owns the watcher's name once it runs.
        self.assertTrue(wait_for(lambda: self.sni("items").returncode == 0, timeout=30),
                        "waybar does not host tray items")

    def write_tray_settings(self):
        settings = os.path.join(self.home, "settings.ini")
        with open(settings, "w") as f:
            f.write(SETTINGS.format(out=self.out))
        # The tray program writes its settings back after a capture.
        if self.user():
            shutil.chown(settings, user=self.user())

    def item_registered(self):
        return self.sni("items").stdout.strip()

class WaylandTray(TrayCase):

    def test_tray_item_registers_and_its_menu_captures_like_grim(self):
        self.start_waybar()
        self.write_tray_settings()
        tray, log = self.start_in_session("tray", ARGS.pelko, "--home", self.home)
        self.assertTrue(wait_for(self.item_registered, timeout=30),
                        "the tray program's item did not register")

        shot = os.path.join(self.out, "shot-1.png")
        clicked = self.sni("click", "Whole screen")
        self.assertEqual(clicked.returncode, 0, clicked.stderr)
        if not wait_for(lambda: os.path.exists(shot), timeout=30):
            log.seek(0)
            self.fail("the tray's capture wrote no file: %s %s" % (
                log.read(), self.run_in_session("swaymsg", "-t", "get_tree").stdout))
        # The file is complete once the tray program has renamed or closed it.
        wait_for(lambda: Image.open(shot).load() is not None, timeout=10)
        reference = self.grim()
        # A copy of the screen for a person to look at: waybar showing the tray item.
        screenshot = os.environ.get("PELKO_KEEP_SCREENSHOT")
        if screenshot:
            reference.save(screenshot)
        with Image.open(shot) as picture:
            self.assertSamePixels(picture.convert("RGB"), reference)

        # sway lets no program bind global hotkeys: the tray program reports them as not set up
        # instead of pretending.
        log.seek(0)
        said = log.read()
        self.assertIn("hotkeys not set up: Capture with your settings", said)

        self.assertEqual(self.sni("click", "Exit").returncode, 0)
        self.assertEqual(tray.wait(timeout=30), 0)
        self.assertEqual(self.sni("items").stdout.strip(), "")


class CommandsToTheTray(TrayCase):
    """The command line reaches the running tray program through its socket."""

    # Pictures of one colour each, named as users name them.
    PICTURES = {"A.png": (0, 128, 255), "B c.png": (255, 255, 0), "new\nline.png": (255, 0, 0)}

    def pictures(self):
        folder = os.path.join(self.home, "pictures")
        os.makedirs(folder, exist_ok=True)
        paths = {}
        for name, colour in self.PICTURES.items():
            paths[name] = os.path.join(folder, name)
            Image.new("RGB", (40, 30), colour).save(paths[name], "PNG")
        return paths

    def scratch_pictures(self):
        """The editor's copies of what it opened."""
        return set(glob.glob(os.path.join(self.state, "runtime", "~pelko", "*.bmp")))

    def opened_colours(self, before):
        colours = []
        for path in self.scratch_pictures() - before:
            try:
                with Image.open(path) as picture:
                    colours.append(picture.convert("RGB").getpixel((1, 1)))
            except OSError:
                return None  # still being written
        return sorted(colours)

    def editor_shown(self):
        tree = json.loads(self.run_in_session("swaymsg", "-t", "get_tree").stdout)
        nodes = [tree]
        while nodes:
            node = nodes.pop()
            if node.get("name") == "Editor" and node.get("visible"):
                return True
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])
        return False

    def tray_programs(self):
        """The process ids of the tray programs of this test's program folder."""
        found = []
        for entry in os.listdir("/proc"):
            try:
                with open(os.path.join("/proc", entry, "cmdline"), "rb") as f:
                    argv = f.read().split(b"\0")
            except OSError:
                continue
            # The command starts the tray program named "pelko", with the program folder.
            if argv[:3] == [b"pelko", b"--home", os.fsencode(self.home)]:
                found.append(int(entry))
        return found

    def test_edit_opens_files_in_the_running_tray_program_or_starts_one(self):
        self.start_waybar()
        self.write_tray_settings()
        pictures = self.pictures()
        tray, _ = self.start_in_session("tray", ARGS.pelko, "--home", self.home)
        self.assertTrue(wait_for(self.item_registered, timeout=30), "no tray item")
        self.assertTrue(wait_for(lambda: len(self.tray_programs()) == 1, timeout=10))
        running = self.tray_programs()

        # The command hands all three files over and ends; no second tray program starts.
        before = self.scratch_pictures()
        edit, log = self.start_in_session("edit", ARGS.pelko, "--home", self.home, "--edit",
                                          *pictures.values())
        try:
            self.assertEqual(edit.wait(timeout=30), 0)
        except subprocess.TimeoutExpired:
            log.seek(0)
            self.fail("the command did not end: it runs a tray program of its own " + log.read())
        expected = sorted(self.PICTURES.values())
        self.assertTrue(wait_for(lambda: self.opened_colours(before) == expected, timeout=20),
                        self.opened_colours(before))
        self.assertTrue(wait_for(self.editor_shown, timeout=10), "no editor window")
        self.assertEqual(self.tray_programs(), running)
        self.assertIsNone(tray.poll())

        # A tray program that ends without tidying up leaves its socket file behind; the next
        # command finds nobody listening there and starts a tray program that opens the files.
        os.killpg(tray.pid, signal.SIGKILL)
        tray.wait(timeout=30)
        self.assertTrue(wait_for(lambda: not self.tray_programs(), timeout=10))
        sockets = glob.glob(os.path.join(self.state, "runtime", "pelko-tray", "*.sock"))
        self.assertEqual(len(sockets), 1, "the killed tray program left no socket file")
        before = self.scratch_pictures()
        started, log = self.start_in_session("started", ARGS.pelko, "--home", self.home, "--edit",
                                             pictures["B c.png"], pictures["A.png"])
        want = sorted([self.PICTURES["A.png"], self.PICTURES["B c.png"]])
        if not wait_for(lambda: self.opened_colours(before) == want, timeout=30):
            log.seek(0)
            self.fail("the started tray program opened %s: %s" % (self.opened_colours(before),
                                                                  log.read()))
        self.assertTrue(wait_for(self.editor_shown, timeout=10), "no editor window")
        self.assertIsNone(started.poll(), "the command did not become the tray program")
        self.assertEqual(len(self.tray_programs()), 1)
        # It took the socket over: a further command reaches it.
        before = self.scratch_pictures()
        done = self.pelko("--edit", pictures["new\nline.png"])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(wait_for(lambda: self.opened_colours(before) ==
                                 [self.PICTURES["new\nline.png"]], timeout=20))
        self.assertEqual(len(self.tray_programs()), 1)

    def test_delayed_capture_counts_down_on_the_tray_item(self):
        self.start_waybar()
        self.write_tray_settings()
        self.start_in_session("tray", ARGS.pelko, "--home", self.home)
        self.assertTrue(wait_for(self.item_registered, timeout=30), "no tray item")
        watch = subprocess.Popen([ARGS.desktop, "run", self.state, "python3", SNI_CLIENT,
                                  "tooltips"], stdout=subprocess.PIPE, text=True,
                                 start_new_session=True)
        self.addCleanup(self.stop_group, watch)
        usual = watch.stdout.readline().strip()
        shot = os.path.join(self.out, "delayed.png")
        done = self.pelko("--capture", "screen", "--delay", "2", "--output", shot)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout, shot + "\n")
        shown, _ = watch.communicate(timeout=90)
        shown = shown.splitlines()
        self.assertIn("Pelko: capture in 2 s", shown)
        self.assertIn("Pelko: capture in 1 s", shown)
        self.assertEqual(shown[-1], usual, "the usual tooltip is not back")
        with Image.open(shot) as picture:
            self.assertEqual(picture.size, (1280, 720))


class PortalHotkeys(TrayCase):
    """The tray program's hotkeys through the desktop portal's GlobalShortcuts interface, with a
    fake portal in the session that owns the portal's name before anything starts the real one
    (which offers no such interface here)."""

    def start_portal(self, mode):
        bound = os.path.join(self.home, "bound.log")
        portal, log = self.start_in_session("portal-" + mode, "python3", FAKE_PORTAL, mode, bound)
        if not wait_for(lambda: log.seek(0) == 0 and "ready" in log.read(), timeout=30):
            log.seek(0)
            self.fail("the fake portal did not start: " + log.read())
        return bound

    def capture_like_grim(self, start, log):
        shot = os.path.join(self.out, "shot-1.png")
        if os.path.exists(shot):
            os.remove(shot)
        start()
        if not wait_for(lambda: os.path.exists(shot), timeout=30):
            log.seek(0)
            self.fail("the tray program captured nothing: " + log.read())
        wait_for(lambda: Image.open(shot).load() is not None, timeout=10)
        with Image.open(shot) as picture:
            self.assertSamePixels(picture.convert("RGB"), self.grim())

    def press(self, shortcut):
        pressed = self.run_in_session(
            "gdbus", "call", "--session", "--dest", "org.freedesktop.portal.Desktop",
            "--object-path", "/org/freedesktop/portal/desktop", "--method",
            "org.pelko.test.FakePortal.Press", shortcut)
        self.assertEqual(pressed.returncode, 0, pressed.stderr)

    def start_tray_with_portal(self, mode):
        # Before waybar, whose toolkit may ask the portal for settings and so start the real one.
        bound = self.start_portal(mode)
        self.start_waybar()
        self.write_tray_settings()
        _, log = self.start_in_session("tray", ARGS.pelko, "--home", self.home)
        self.assertTrue(wait_for(self.item_registered, timeout=30), "no tray item")
        return bound, log

    def test_portal_press_of_whole_screen_captures_like_grim(self):
        bound, log = self.start_tray_with_portal("bind-all")
        if not wait_for(lambda: os.path.exists(bound), timeout=30):
            log.seek(0)
            self.fail("the tray program bound nothing: " + log.read())
        with open(bound) as f:
            asked = json.loads(f.readline())
        self.assertIn("capture-screen", [shortcut for shortcut, _, _ in asked])
        self.capture_like_grim(lambda: self.press("capture-screen"), log)
        log.seek(0)
        self.assertNotIn("hotkeys not set up", log.read())

    def test_portal_without_shortcuts_leaves_the_menu_capturing(self):
        _, log = self.start_tray_with_portal("absent")
        self.capture_like_grim(lambda: self.sni("click", "Whole screen"), log)
        self.assertTrue(wait_for(lambda: log.seek(0) == 0 and "hotkeys not set up" in log.read(),
                                 timeout=10))


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop")
