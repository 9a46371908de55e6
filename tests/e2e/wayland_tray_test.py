#!/usr/bin/python3
"""The tray program in a Wayland session: a headless sway (tests/wayland-desktop.sh) with
waybar as the host of tray items. The tray item registers on the session bus, its menu starts
captures equal to grim's picture, and the hotkeys, which sway lets no program bind, are
reported as not set up."""
import os
import shutil
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import run_tests, wait_for  # noqa: E402

import wayland_test  # noqa: E402
from wayland_test import SessionCase  # noqa: E402

ARGS = None
SNI_CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_client.py")
SETTINGS = ("[main]\nsaveto={out}/\nsaveas=png\nssreccursor=0\nrunmm=1\nrunww=0\n"
            "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n"
            # A notification after the capture would differ from grim's later picture.
            "[notify]\nenabled=0\n")
WAYBAR_CONFIG = '{"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"]}'


class WaylandTray(SessionCase):

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

    def test_tray_item_registers_and_its_menu_captures_like_grim(self):
        config = os.path.join(self.home, "waybar.json")
        with open(config, "w") as f:
            f.write(WAYBAR_CONFIG)
        os.chmod(config, 0o644)
        self.start_in_session("waybar", "waybar", "--config", config)
        # waybar hosts the tray items: it owns the watcher's name once it runs.
        self.assertTrue(wait_for(lambda: self.sni("items").returncode == 0, timeout=30),
                        "waybar does not host tray items")
        settings = os.path.join(self.home, "settings.ini")
        with open(settings, "w") as f:
            f.write(SETTINGS.format(out=self.out))
        # The tray program writes its settings back after a capture.
        if self.user():
            shutil.chown(settings, user=self.user())
        tray, log = self.start_in_session("tray", ARGS.pelko, "--home", self.home)
        self.assertTrue(wait_for(lambda: self.sni("items").stdout.strip(), timeout=30),
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


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop")
