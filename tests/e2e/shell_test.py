#!/usr/bin/python3
"""End-to-end runs of the tray program on the test desktop: start-up, hotkeys, close."""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import TrayFolders, run_tests, wait_for  # noqa: E402

ARGS = None




class Shell(unittest.TestCase):
    """Each test starts the real program with its own program folder on a fresh desktop."""

    def setUp(self):
        self.folders = TrayFolders("pelko-e2e-shell-", ARGS.desktop)
        self.tmp, self.home, self.env = self.folders.tmp, self.folders.home, self.folders.env
        self.config, self.runtime = self.folders.config, self.folders.runtime
        self.proc = None

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        subprocess.call(["xdotool", "keyup", "ctrl", "shift", "alt", "super"], env=self.env)
        self.folders.stop_desktop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def start(self):
        self.proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=20)

    def main_window(self):
        out = self.xdotool("search", "--onlyvisible", "--name", "^Pelko$").stdout.split()
        return out[0] if out else None

    def screens(self, pattern="*"):
        return sorted(glob.glob(os.path.join(self.home, "screens", pattern)))

    def press_until_file(self, key, count):
        """Presses key until the screens folder holds count files (hotkeys may bind a moment
        after the window maps); true when then, after a moment, it holds exactly count: one
        press, one file."""
        def pressed():
            self.xdotool("key", key)
            return wait_for(lambda: len(self.screens()) >= count, timeout=1.0)
        if not wait_for(pressed, timeout=10.0, step=0):
            return False
        time.sleep(0.5)
        return len(self.screens()) == count

    def close_main_window(self):
        window = self.main_window()
        self.assertIsNotNone(window)
        self.xdotool("windowactivate", "--sync", window)
        self.xdotool("key", "--window", window, "alt+F4")
        self.proc.wait(timeout=20)

    def test_first_start_binds_hotkeys_writes_settings_and_cleans_up_at_exit(self):
        self.start()
        self.assertTrue(wait_for(self.main_window), "main window not shown")
        self.assertTrue(self.press_until_file("F9", 1), "F9 captured nothing")
        self.assertTrue(self.press_until_file("ctrl+shift+f", 2), "Ctrl+Shift+F captured nothing")
        files = self.screens("*.bmp")
        self.assertEqual(len(files), 2, files)
        with open(files[0], "rb") as f:
            self.assertEqual(f.read(2), b"BM")

        settings = self.folders.read_settings()
        self.assertIn("\nsaveto=screens/\n", settings)
        self.assertIn("screensfilename=<%DATE> at <%TIME>", settings)
        with open(os.path.join(self.config, "autostart", "pelko.desktop")) as f:
            self.assertIn(f"\nExec={os.path.realpath(ARGS.pelko)} --home {self.home}\n", f.read())
        scratch = os.path.join(self.runtime, "~pelko")
        self.assertTrue(os.path.isdir(scratch))

        self.close_main_window()
        self.assertEqual(self.proc.returncode, 0, self.proc.stderr.read())
        self.assertFalse(os.path.exists(scratch))
        self.assertIn("sshk=120", self.folders.read_settings())  # saved at close

    def test_tray_only_start_and_autostart_removal(self):
        os.makedirs(os.path.join(self.config, "autostart"))
        entry = os.path.join(self.config, "autostart", "pelko.desktop")
        with open(entry, "w") as f:
            f.write("[Desktop Entry]\n")
        self.folders.write_settings("[main]\nrunmm=1\nrunww=0\nsaveas=png\n[settings]\nwct=1\nsaveac=1\n")
        self.start()
        self.assertTrue(wait_for(lambda: not os.path.exists(entry)), "autostart entry kept")
        self.assertTrue(self.press_until_file("F9", 1), "F9 captured nothing")
        self.assertTrue(self.screens("*.png"))
        self.assertIsNone(self.main_window())  # only the tray icon
        self.assertIsNone(self.proc.poll())

    def test_started_again_it_brings_the_running_window_forward(self):
        # As a launcher's "Settings" action or the menu entry starts it while Pelko runs in the
        # tray: the running program shows its window, and no second one starts.
        self.folders.write_settings("[main]\nrunmm=1\nrunww=0\n")
        self.start()
        self.assertTrue(self.press_until_file("F9", 1), "F9 captured nothing")
        self.assertIsNone(self.main_window())
        again = subprocess.run([ARGS.pelko, "--home", self.home], env=self.env,
                               capture_output=True, text=True, timeout=30)
        self.assertEqual((again.returncode, again.stderr), (0, ""))
        self.assertTrue(wait_for(self.main_window), "the main window did not come forward")
        trays = [args for args in self.processes_of_this_desktop().values()
                 if "--launcher" in args]
        self.assertEqual(len(trays), 1, trays)
        self.assertIsNone(self.proc.poll())

    def processes_of_this_desktop(self):
        """The ids and arguments of the processes that run with this test's runtime folder."""
        found = {}
        marker = ("XDG_RUNTIME_DIR=" + self.runtime).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    args = f.read().split(b"\0")[:-1]
                found[int(pid)] = [a.decode(errors="replace") for a in args]
            except OSError:
                pass
        return found

    def test_autostart_entry_keeps_the_program_folder(self):
        # A program folder whose name needs every kind of quoting in a desktop entry.
        self.home = os.path.join(self.tmp, "my \"home\" 'q' \\back 100% $HOME `x`")
        os.mkdir(self.home)
        self.folders.home = self.home
        self.folders.write_settings("[main]\nrunmm=1\nrunww=1\n")
        self.start()
        entry = os.path.join(self.config, "autostart", "pelko.desktop")
        self.assertTrue(wait_for(lambda: os.path.exists(entry)), "no autostart entry")
        self.proc.terminate()
        self.proc.wait(timeout=20)
        before = set(self.processes_of_this_desktop())
        # The session starts the entry as the desktop reads it.
        # (gio would start a session bus of its own without one)
        launched = subprocess.run(["gio", "launch", entry], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=20,
                                  env=dict(self.env, DBUS_SESSION_BUS_ADDRESS="disabled:"))
        self.assertEqual(launched.returncode, 0)

        def started():
            return [args for pid, args in self.processes_of_this_desktop().items()
                    if pid not in before and "--launcher" in args]
        try:
            self.assertTrue(wait_for(started, timeout=20), "the entry started no tray program")
            args = started()[0]
            self.assertEqual(args[1:3], ["--home", self.home], args)
        finally:
            for pid, args in self.processes_of_this_desktop().items():
                if pid not in before:
                    os.kill(pid, signal.SIGTERM)

    def test_hand_edited_junk_settings_start_with_defaults(self):
        self.folders.write_settings("[main]\nsshk=junk\nsaveto=\x01\x02\n[settings]\nwct=9\nsaveac=1\n"
                      "[hotkeys]\nfullscreen=-5\nobject=99999999999\n" + "x" * 5000 + "\n")
        self.start()
        self.assertTrue(wait_for(self.main_window), "main window not shown")
        self.assertTrue(self.press_until_file("F9", 1), "F9 captured nothing")
        self.assertIsNone(self.proc.poll())



if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop")
