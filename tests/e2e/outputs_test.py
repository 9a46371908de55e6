#!/usr/bin/python3
"""End-to-end runs of the outputs after "Save to a file" on the test desktop: the clipboard read
back with xclip, and the paint program and the mail program replaced by recording programs.

The root window shows pelko-show-picture's "grid", whose colours the checks recompute.
"""
import glob
import io
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import grid, mismatches, run_tests, wait_for  # noqa: E402

ARGS = None

# What the window manager's taskbar leaves of the root window.
BOX = (0, 0, 1920, 1000)








RECORDER = """#!/bin/sh
PATH=/usr/bin:/bin
{{
  echo "cwd=$(pwd -P)"
  echo "argc=$#"
  for a in "$@"; do echo "arg=$a"; done
}} > '{record}.part' && mv '{record}.part' '{record}'
"""


class Outputs(unittest.TestCase):
    """Each test has its own desktop, program folder, configuration and runtime folder. The
    runtime folder's name holds a space, so scratch paths do too."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="pelko-e2e-outputs-")
        self.state = os.path.join(self.tmp, "desktop")
        self.home = os.path.join(self.tmp, "home")
        self.out = os.path.join(self.tmp, "out")
        self.config = os.path.join(self.tmp, "config")
        self.runtime = os.path.join(self.tmp, "run time")
        self.bin = os.path.join(self.tmp, "bin")
        for d in (self.state, self.home, self.out, self.config, self.runtime, self.bin):
            os.mkdir(d)
        os.chmod(self.runtime, 0o700)
        self.scratch = os.path.join(self.runtime, "~pelko")
        display = subprocess.check_output([ARGS.desktop, "start", self.state], text=True,
                                          timeout=30).strip()
        self.env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=self.config,
                        XDG_RUNTIME_DIR=self.runtime, PATH=self.bin + ":" + os.environ["PATH"])
        self.shown = subprocess.Popen([ARGS.show, "--root", "grid"], env=self.env,
                                      stdout=subprocess.PIPE, text=True)
        self.assertIn("ready", self.shown.stdout.readline())
        subprocess.run(["timeout", "10", "xdotool", "mousemove", "1900", "5"], env=self.env)
        self.proc = None

    def tearDown(self):
        if self.proc:
            if self.proc.poll() is None:
                self.proc.kill()
            self.proc.communicate()
        for proc in self.clipboard_servers():
            subprocess.call(["kill", str(proc)])
        self.shown.kill()
        self.shown.communicate()
        subprocess.call([ARGS.desktop, "stop", self.state], timeout=30)
        shutil.rmtree(self.tmp, ignore_errors=True)

    # --- helpers ----------------------------------------------------------------------------

    def settings(self, saveas, save=True, clipboard=False, paint=False, email=False, ftp=False,
                 extra=""):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(f"[main]\nrunmm=1\nsaveto={self.out}/\nsaveas={saveas}\nssreccursor=0\n"
                    f"[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac={int(save)}\n"
                    f"clipboardac={int(clipboard)}\npaintac={int(paint)}\njcq=10\n"
                    f"[rightaftercapture]\nemail={int(email)}\nftpac={int(ftp)}\n{extra}\n")

    def recorder(self, path, record):
        with open(path, "w") as f:
            f.write(RECORDER.format(record=record))
        os.chmod(path, 0o755)

    def record(self, record):
        self.assertTrue(wait_for(lambda: os.path.exists(record)), "the program was not started")
        with open(record) as f:
            lines = f.read().splitlines()
        return {"cwd": [l[4:] for l in lines if l.startswith("cwd=")],
                "args": [l[4:] for l in lines if l.startswith("arg=")]}

    def start_tray(self, path=None):
        env = dict(self.env, PATH=path) if path else self.env
        self.proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def saved(self):
        return sorted(glob.glob(os.path.join(self.out, "*")))

    def press_f9_until_saved(self):
        """Presses F9 until a new file is saved (hotkeys bind a moment after the start; once
        one press has worked, one press is waited for as long as a slow capture takes);
        returns the newest new file, the capture the other outputs got last."""
        before = set(self.saved())
        bound = getattr(self, "hotkeys_bound", False)

        def pressed():
            subprocess.run(["timeout", "10", "xdotool", "key", "F9"], env=self.env)
            return wait_for(lambda: set(self.saved()) - before, timeout=20.0 if bound else 1.0)
        self.assertTrue(wait_for(pressed, timeout=40.0, step=0), "F9 captured nothing")
        self.hotkeys_bound = True
        if not bound:
            time.sleep(2.0)  # a retried press may still be capturing
        return max(set(self.saved()) - before, key=os.path.getmtime)

    def xclip(self, target):
        return subprocess.run(["timeout", "10", "xclip", "-selection", "clipboard", "-t", target,
                               "-o"], env=self.env, capture_output=True, timeout=20).stdout

    def targets(self):
        return wait_for(lambda: self.xclip("TARGETS").decode().split(), timeout=5.0)

    def clipboard_servers(self):
        out = subprocess.run(["ps", "-eo", "pid=,args="], capture_output=True, text=True).stdout
        return [int(line.split()[0]) for line in out.splitlines()
                if "--serve-clipboard" in line and self.runtime in line]

    def check_clipboard(self, saved, saveas):
        """The clipboard's targets and pictures against the saved file of the same capture."""
        targets = self.targets()
        self.assertIn("image/png", targets)
        self.assertIn("image/bmp", targets)
        picture = Image.open(io.BytesIO(self.xclip("image/png"))).convert("RGB")
        self.assertEqual(picture.size, (1920, 1080))
        if saveas == "gif":
            self.assertIn("image/gif", targets)
            with open(saved, "rb") as f:
                self.assertEqual(self.xclip("image/gif"), f.read())
            with Image.open(saved) as image:
                reduced = image.convert("RGB")
            self.assertEqual(picture.tobytes(), reduced.tobytes())
            self.assertNotEqual(mismatches(picture, grid, BOX, row_step=3), [])  # colours were reduced
        else:
            self.assertNotIn("image/gif", targets)
            # BMP and JPEG: the unchanged capture, no JPEG loss; PNG: the same pixels.
            self.assertEqual(mismatches(picture, grid, BOX, row_step=3), [])

    # --- tests ------------------------------------------------------------------------------

    def test_tray_puts_each_format_on_the_clipboard(self):
        self.settings("png", clipboard=True)
        self.start_tray()
        for saveas in ("png", "gif", "jpg"):
            with self.subTest(saveas=saveas):
                # The format is read from the settings file at each capture.
                self.settings(saveas, clipboard=True)
                saved = self.press_f9_until_saved()
                self.assertTrue(saved.endswith("." + saveas), saved)
                self.check_clipboard(saved, saveas)
        self.assertIsNone(self.proc.poll())

    def test_tray_starts_paint_and_mail_programs_on_scratch_files(self):
        paint_record = os.path.join(self.tmp, "paint.rec")
        mail_record = os.path.join(self.tmp, "mail.rec")
        paint = os.path.join(self.tmp, "my paint")
        self.recorder(paint, paint_record)
        self.recorder(os.path.join(self.bin, "xdg-email"), mail_record)
        self.settings("png", paint=True, email=True, extra=f"[general]\nexteditor={paint}\n")
        self.start_tray()
        self.press_f9_until_saved()
        painted = self.record(paint_record)
        mailed = self.record(mail_record)

        self.assertEqual(painted["cwd"], [os.path.join(self.home, "screens")])
        self.assertEqual(len(painted["args"]), 1)
        scratch_file = painted["args"][0]
        self.assertEqual(os.path.dirname(scratch_file), self.scratch)
        self.assertRegex(os.path.basename(scratch_file), r"^\d{4}(-\d{1,2}){2}~\d{1,2}(-\d{1,2}){2}\.png$")
        self.assertEqual(mailed["args"][0], "--attach")
        self.assertEqual(len(mailed["args"]), 2)
        mail_file = mailed["args"][1]
        # Two scratch files of one capture: never one replacing the other.
        self.assertNotEqual(mail_file, scratch_file)
        self.assertEqual(os.path.dirname(mail_file), self.scratch)
        for path in (scratch_file, mail_file):
            with Image.open(path) as image:
                picture = image.convert("RGB")
            self.assertEqual(mismatches(picture, grid, BOX, row_step=3), [])
        self.assertEqual(os.stat(self.scratch).st_mode & 0o777, 0o700)

    def test_missing_mail_program_is_reported_and_other_outputs_stay(self):
        paint_record = os.path.join(self.tmp, "paint.rec")
        paint = os.path.join(self.tmp, "paint")
        self.recorder(paint, paint_record)
        self.settings("png", clipboard=True, paint=True, email=True,
                      extra=f"[general]\nexteditor={paint}\n")
        self.start_tray(path=self.bin)  # no xdg-email anywhere
        saved = self.press_f9_until_saved()

        def error_box():
            out = subprocess.run(["timeout", "10", "xdotool", "search", "--onlyvisible",
                                  "--name", "^Error$"], env=self.env, capture_output=True,
                                 text=True).stdout.split()
            return out[0] if out else None
        box = wait_for(error_box)
        self.assertTrue(box, "no error box")
        self.assertTrue(self.record(paint_record)["args"])
        self.check_clipboard(saved, "png")
        subprocess.run(["timeout", "10", "xdotool", "windowactivate", "--sync", box, "key",
                        "Return"], env=self.env)
        self.assertTrue(wait_for(lambda: not error_box()), "the error box stayed")
        self.assertIsNone(self.proc.poll())

    def test_tray_opens_a_new_upload_window_for_each_capture(self):
        self.settings("jpg", ftp=True)
        self.start_tray()

        def windows():
            return subprocess.run(["timeout", "10", "xdotool", "search", "--onlyvisible",
                                   "--name", "^Publish Web$"], env=self.env,
                                  capture_output=True, text=True).stdout.split()
        self.press_f9_until_saved()
        self.assertTrue(wait_for(lambda: len(windows()) == 1), "no upload window")
        self.press_f9_until_saved()
        self.assertTrue(wait_for(lambda: len(windows()) == 2), "the first window did not stay")
        scratch_files = sorted(os.listdir(self.scratch))
        self.assertEqual(len(scratch_files), 2, scratch_files)
        self.assertTrue(all(name.endswith(".jpg") for name in scratch_files), scratch_files)

    def test_command_leaves_a_clipboard_server_until_another_program_takes_over(self):
        for saveas in ("gif", "png"):
            with self.subTest(saveas=saveas):
                self.settings(saveas, clipboard=True)
                # The command returns while its server keeps the clipboard (counted below); a
                # command that waited for the server to end would run into the time-out.
                proc = subprocess.run([ARGS.pelko, "--home", self.home, "--capture", "screen"],
                                      env=self.env, capture_output=True, text=True, timeout=30)
                self.assertEqual(proc.returncode, 0, proc.stderr)
                saved = proc.stdout.split()
                self.assertEqual(len(saved), 1, proc.stdout)
                servers = self.clipboard_servers()
                self.assertEqual(len(servers), 1, servers)
                self.check_clipboard(saved[0], saveas)
                self.assertEqual(os.listdir(self.scratch), [])  # the server's files are gone

                # Another program takes the clipboard over: the server ends.
                taker = subprocess.Popen(["timeout", "20", "xclip", "-selection", "clipboard",
                                          "-i", "-loops", "1"], env=self.env,
                                         stdin=subprocess.PIPE)
                taker.stdin.write(b"mine")
                taker.stdin.close()
                self.assertTrue(wait_for(lambda: not self.clipboard_servers()),
                                "the clipboard server stayed")
                self.assertEqual(self.xclip("UTF8_STRING"), b"mine")
                taker.wait(timeout=20)



if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--show", "--desktop")
