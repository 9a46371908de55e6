#!/usr/bin/python3
"""Desktop notifications read back from a real notification daemon (dunst) on a session bus
of the test's own: after a tray capture and with --notify, with the picture as the image and
the click opening the folder; none when switched off; no daemon never fails a capture."""
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import TrayFolders, run_tests, wait_for  # noqa: E402

ARGS = None
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""
SETTINGS = "[main]\nrunmm=1\nrunww=0\nsaveas=png\n[settings]\nwct=1\nsaveac=1\n"


class Notifications(unittest.TestCase):
    def setUp(self):
        for tool in ("dbus-daemon", "dunst", "dunstctl"):
            if not shutil.which(tool):
                self.skipTest(f"{tool} is not installed")
        self.folders = TrayFolders("pelko-e2e-notify-", ARGS.desktop)
        self.tmp, self.home = self.folders.tmp, self.folders.home
        self.procs = []
        # A bus of its own that starts no services: the daemon is the test's dunst only.
        self.bus, address = self.start_bus()
        # xdg-open as the notice's actions start it: it notes what it was asked to open.
        self.opened = os.path.join(self.tmp, "opened")
        stubs = os.path.join(self.tmp, "bin")
        os.mkdir(stubs)
        with open(os.path.join(stubs, "xdg-open"), "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{self.opened}"\n')
        os.chmod(os.path.join(stubs, "xdg-open"), 0o755)
        self.env = dict(self.folders.env, DBUS_SESSION_BUS_ADDRESS=address,
                        PATH=stubs + ":" + os.environ["PATH"])
        self.printed = open(os.path.join(self.tmp, "dunst.log"), "w+")
        self.procs.append(subprocess.Popen(["dunst", "-print"], env=self.env,
                                           stdout=self.printed, stderr=subprocess.DEVNULL))
        self.assertTrue(wait_for(lambda: self.dunstctl("count").returncode == 0),
                        "dunst did not start")

    def start_bus(self):
        """A session bus daemon of the test's own: its process and its address."""
        config = os.path.join(self.tmp, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(folder=self.tmp))
        bus = subprocess.Popen(["dbus-daemon", "--config-file", config, "--nofork",
                                "--print-address=1"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
        self.procs.append(bus)
        return bus, bus.stdout.readline().strip()

    def tearDown(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.printed.close()
        for proc in self.procs:
            if proc.stdout:
                proc.stdout.close()
        self.folders.stop_desktop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def dunstctl(self, *args):
        return subprocess.run(["dunstctl", *args], env=self.env, capture_output=True, text=True,
                              timeout=20)

    def history(self):
        """The notifications dunst has shown, once each is closed, newest first."""
        self.dunstctl("close-all")
        data = json.loads(self.dunstctl("history").stdout)["data"][0]
        return [{k: v["data"] for k, v in n.items()} for n in data]

    def printed_text(self):
        self.printed.seek(0)
        return self.printed.read()

    def settings(self, extra=""):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(SETTINGS + extra)

    def screens(self):
        folder = os.path.join(self.home, "screens")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def capture(self, *args, env=None):
        proc = subprocess.run([ARGS.pelko, "--home", self.home, "--capture", "screen", *args],
                              env=env or self.env, capture_output=True, text=True, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        return proc.stdout.strip()

    def start_tray(self):
        proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return proc

    def press_until_file(self, count):
        def pressed():
            subprocess.run(["xdotool", "key", "F9"], env=self.env, timeout=20)
            return wait_for(lambda: len(self.screens()) >= count, timeout=1.0)
        return wait_for(pressed, timeout=15.0, step=0)

    def test_command_notifies_only_when_asked(self):
        self.settings()
        self.capture()
        path = self.capture("--notify")
        self.assertTrue(wait_for(lambda: "Screenshot saved" in self.printed_text()))
        printed = self.printed_text()
        self.assertIn("raw_icon set: true", printed)  # the picture as the image
        shown = self.history()
        self.assertEqual(len(shown), 1, shown)
        self.assertEqual(shown[0]["appname"], "Pelko")
        self.assertEqual(shown[0]["summary"], "Screenshot saved")
        name, folder = os.path.basename(path), os.path.dirname(path) + "/"
        self.assertEqual(shown[0]["body"], f"{name} in {folder}")

    def test_clipboard_only_notice_says_copied(self):
        self.settings()
        self.assertEqual(self.capture("--clipboard", "--notify"), "")
        self.assertTrue(wait_for(lambda: "Screenshot copied" in self.printed_text()))
        self.assertIn("raw_icon set: true", self.printed_text())

    def test_tray_capture_notifies_and_a_click_opens_the_folder(self):
        self.settings()
        self.start_tray()
        self.assertTrue(self.press_until_file(1), "F9 captured nothing")
        self.assertTrue(wait_for(lambda: "Screenshot saved" in self.printed_text()),
                        self.printed_text())
        self.assertIn("Open", self.printed_text())
        self.assertEqual(self.dunstctl("action", "0").returncode, 0)
        folder = os.path.join(self.home, "screens") + "/"
        self.assertTrue(wait_for(lambda: os.path.exists(self.opened)), "nothing opened")
        with open(self.opened) as f:
            self.assertEqual(f.read(), folder + "\n")
        shown = self.history()
        self.assertEqual(shown[0]["body"], f"{self.screens()[0]} in {folder}")

    def test_tray_notices_switched_off(self):
        self.settings("[notify]\nenabled=0\n")
        self.start_tray()
        self.assertTrue(self.press_until_file(1), "F9 captured nothing")
        # A notice switched on would have come with the capture; a command-line one shows
        # that the daemon is listening, and that it is the only one.
        self.capture("--notify")
        self.assertTrue(wait_for(lambda: "Screenshot saved" in self.printed_text()))
        time.sleep(0.5)
        self.assertEqual(len(self.history()), 1)

    def test_no_notification_service_never_fails_a_capture(self):
        self.settings()
        for address in ("unix:path=" + os.path.join(self.tmp, "no-bus"), ""):
            with self.subTest(address=address):
                env = dict(self.env, DBUS_SESSION_BUS_ADDRESS=address)
                self.assertTrue(self.capture("--notify", env=env))
        # A bus on which no service answers.
        self.procs[1].terminate()
        self.procs[1].wait()
        self.assertTrue(self.capture("--notify"))
        self.assertEqual(len(self.screens()), 3)

    def test_standard_output_and_relative_names_in_the_notice(self):
        self.settings()
        proc = subprocess.run([ARGS.pelko, "--home", self.home, "--capture", "screen",
                               "--output", "-", "--notify"], env=self.env, capture_output=True,
                              timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue(wait_for(lambda: "Screenshot saved" in self.printed_text()))
        proc = subprocess.run([ARGS.pelko, "--home", self.home, "--capture", "screen",
                               "--output", "rel.png", "--notify"], env=self.env, cwd=self.tmp,
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertTrue(wait_for(lambda: len(self.history()) == 2))
        shown = self.history()
        self.assertEqual(shown[1]["body"], "The picture was sent to standard output")
        self.assertEqual(shown[0]["body"], f"rel.png in {self.tmp}/")

    def test_a_bus_that_never_answers_does_not_hold_the_command(self):
        self.settings()
        bus, address = self.start_bus()
        bus.send_signal(signal.SIGSTOP)
        try:
            # Before, the command waited for the bus for ten minutes after writing its file.
            path = self.capture("--notify", env=dict(self.env, DBUS_SESSION_BUS_ADDRESS=address))
            self.assertTrue(os.path.isfile(path), path)
        finally:
            bus.send_signal(signal.SIGCONT)



class NoSessionBus(unittest.TestCase):
    """Without a session bus the tray program and the command say so once and start none."""

    def setUp(self):
        if not shutil.which("dbus-launch"):
            self.skipTest("dbus-launch (dbus-x11), which would start a bus, is not installed")
        self.folders = TrayFolders("pelko-e2e-nobus-", ARGS.desktop)
        self.tmp, self.home = self.folders.tmp, self.folders.home
        # No bus address and no bus in the runtime folder; dbus-launch would note a bus it
        # starts in HOME, a folder of the test's own.
        user_home = os.path.join(self.tmp, "user")
        os.mkdir(user_home)
        self.env = dict(self.folders.env, HOME=user_home)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.folders.write_settings(SETTINGS)

    def tearDown(self):
        for pid in self.processes():
            os.kill(pid, signal.SIGKILL)
        self.folders.stop_desktop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def processes(self):
        """The ids and names of the processes started with this test's environment."""
        found = {}
        marker = ("XDG_RUNTIME_DIR=" + self.folders.runtime).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                with open(f"/proc/{pid}/comm") as f:
                    found[int(pid)] = f.read().strip()
            except OSError:
                pass
        return found

    def screens(self):
        # The tray program makes the folder as it starts.
        folder = os.path.join(self.home, "screens")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def test_no_bus_is_started_and_its_absence_said_once(self):
        tray = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        for count in (1, 2):  # two captures, two notices
            def pressed():
                subprocess.run(["xdotool", "key", "F9"], env=self.env, timeout=20)
                return wait_for(lambda: len(self.screens()) >= count, timeout=1.0)
            self.assertTrue(wait_for(pressed, timeout=15.0, step=0), "F9 captured nothing")
        command = subprocess.run([ARGS.pelko, "--home", self.home, "--capture", "screen",
                                  "--notify"], env=self.env, capture_output=True, text=True,
                                 timeout=60)
        tray.send_signal(signal.SIGTERM)
        tray.wait(timeout=20)
        self.assertEqual(list(self.processes().values()), [])  # no dbus-launch, no dbus-daemon
        self.assertFalse(os.path.exists(os.path.join(self.env["HOME"], ".dbus")))
        self.assertEqual(command.returncode, 0, command.stderr)
        self.assertEqual(command.stderr.count("no session bus"), 1, command.stderr)
        said = tray.stderr.read()
        self.assertEqual(said.count("no session bus"), 1, said)


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop")
