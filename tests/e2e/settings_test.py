#!/usr/bin/python3
"""End-to-end runs of the settings dialogs in the tray program on the test desktop: a hotkey
changed with real key presses, keys that Shift turns into other characters and combinations
the window manager or another program has bound, a hotkey another program holds, the region
picker."""
import io
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import TrayFolders, run_tests, wait_for  # noqa: E402

ARGS = None
CTRL_SHIFT = 4 | 1  # X modifier mask: Control and Shift


class Settings(unittest.TestCase):
    def setUp(self):
        self.folders = TrayFolders("pelko-e2e-settings-", ARGS.desktop)
        self.tmp, self.home, self.env = self.folders.tmp, self.folders.home, self.folders.env
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            for pipe in (proc.stdin, proc.stdout, proc.stderr):
                if pipe:
                    pipe.close()
        subprocess.call(["xdotool", "keyup", "ctrl", "shift", "alt"], env=self.env)
        self.folders.stop_desktop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def start(self):
        self.pelko = subprocess.Popen([ARGS.pelko, "--home", self.home], env=self.env,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.procs.append(self.pelko)
        self.assertTrue(wait_for(lambda: self.window("^Pelko$")), "main window not shown")

    def grab(self, keysym):
        """Another program holding keysym with Ctrl+Shift; true when it got the grab."""
        proc = subprocess.Popen([ARGS.grab, keysym, str(CTRL_SHIFT)], env=self.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.procs.append(proc)
        return proc.stdout.readline().strip() == "grabbed"

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=20)

    def window(self, name):
        out = self.xdotool("search", "--onlyvisible", "--name", name).stdout.split()
        return out[-1] if out else None

    def click(self, window, x, y):
        self.xdotool("mousemove", "--window", window, str(x), str(y))
        self.xdotool("click", "1")

    def screens(self):
        folder = os.path.join(self.home, "screens")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def press_until_file(self, key, count):
        def pressed():
            self.xdotool("key", key)
            return wait_for(lambda: len(self.screens()) >= count, timeout=1.0)
        return wait_for(pressed, timeout=10.0, step=0)

    def open_dialog(self, x, y, title):
        main = self.window("^Pelko$")
        self.xdotool("windowactivate", "--sync", main)
        self.click(main, x, y)
        dialog = wait_for(lambda: self.window(title))
        self.assertTrue(dialog, title + " not shown")
        self.xdotool("windowactivate", "--sync", dialog)
        return dialog

    def test_a_hotkey_changed_in_the_dialog_is_bound_at_once_and_the_old_one_freed(self):
        self.start()
        self.assertTrue(self.press_until_file("ctrl+shift+f", 1), "Ctrl+Shift+F captured nothing")
        # "Edit" beside the hotkey opens the hotkey page with the first box focused.
        dialog = self.open_dialog(204, 82, "^General Settings$")
        self.xdotool("key", "--window", dialog, "Tab")  # to "Capture whole screen"
        # While a box has the keyboard, a bound hotkey reaches the box and captures nothing.
        self.xdotool("key", "--window", dialog, "ctrl+shift+f")
        time.sleep(1.0)
        self.assertEqual(len(self.screens()), 1, "a bound hotkey captured while typed in a box")
        self.xdotool("key", "--window", dialog, "ctrl+shift+w")
        self.xdotool("key", "--window", dialog, "Return")
        self.assertTrue(wait_for(lambda: not self.window("^General Settings$")), "dialog stayed")
        self.assertIn("fullscreen=24663", self.folders.read_settings())

        self.assertTrue(self.press_until_file("ctrl+shift+w", 2), "Ctrl+Shift+W captured nothing")
        self.xdotool("key", "ctrl+shift+f")
        time.sleep(1.0)
        self.assertEqual(len(self.screens()), 2, "the old hotkey still captures")
        self.assertTrue(self.grab("0x66"), "the old hotkey is still held")

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window).stdout
        values = dict(re.findall(r"(\w+)=(\d+)", out))
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def red_marks(self, window):
        """Pixels of the red frame of a hotkey box that cannot be bound, in the window."""
        from PIL import Image  # Debian's python3-pil
        shot = subprocess.run(["import", "-window", "root", "png:-"], env=self.env,
                              capture_output=True, timeout=20).stdout
        x, y, w, h = self.geometry(window)
        image = Image.open(io.BytesIO(shot)).convert("RGB").crop((x, y, x + w, y + h))
        return sum(1 for pixel in image.getdata() if pixel == (0xD0, 0, 0))

    def test_hotkey_boxes_take_every_key_and_the_combinations_others_bind(self):
        self.start()
        main = self.window("^Pelko$")
        self.assertTrue(self.grab("0x6b"), "Ctrl+Shift+K could not be held")
        dialog = self.open_dialog(204, 82, "^General Settings$")  # the first box has the focus
        where = self.geometry(dialog)
        # Real presses (XTest), one box after the other: Shift makes other characters of the
        # digits and punctuation; icewm binds Ctrl+Alt+KP_1 (move the window to the lower left)
        # and Alt+F4 (close it).
        presses = [("ctrl+shift+2", "sshk=24626"),
                   ("ctrl+alt+KP_End", "fullscreen=49249"),  # KP_1 without NumLock
                   ("alt+F4", "activewindow=32883"),
                   ("ctrl+shift+minus", "rectangle=24765"),
                   ("ctrl+shift+comma", "ellipse=24764"),
                   ("ctrl+alt+semicolon", "roundedrect=49338"),
                   ("ctrl+shift+1", "freehand=24625")]
        for keys, _ in presses:
            self.xdotool("key", keys, "Tab")
        self.assertEqual(self.window("^General Settings$"), dialog, "Alt+F4 closed the dialog")
        self.assertEqual(self.geometry(dialog), where, "the window manager moved the dialog")
        # The combination another program holds is marked at once.
        self.assertEqual(self.red_marks(dialog), 0)
        self.xdotool("key", "ctrl+shift+k")
        self.assertTrue(wait_for(lambda: self.red_marks(dialog) > 0), "no mark on Ctrl+Shift+K")

        # "Ok" stores the keys, and names the one that could not be bound at once.
        self.xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: not self.window("^General Settings$")), "dialog stayed")
        text = self.folders.read_settings()
        for _, line in presses + [(None, "object=24651")]:
            self.assertIn(line, text)
        message = wait_for(lambda: [w for w in self.xdotool(
            "search", "--onlyvisible", "--name", "^Pelko$").stdout.split() if w != main])
        self.assertTrue(message, "no message about Ctrl+Shift+K")
        self.xdotool("windowactivate", "--sync", message[0])
        self.xdotool("key", "Return")
        self.assertTrue(wait_for(lambda: self.window("^Pelko$") == main), "the message stayed")

        # The window manager's combinations are bound: the root's grab comes first.
        self.xdotool("windowactivate", "--sync", main)
        self.xdotool("key", "ctrl+alt+KP_End")
        self.assertTrue(wait_for(lambda: len(self.screens()) == 1), "Ctrl+Alt+KP_1 captured nothing")
        self.xdotool("key", "alt+F4")
        self.assertTrue(wait_for(lambda: len(self.screens()) == 2), "Alt+F4 captured nothing")
        self.assertEqual(self.window("^Pelko$"), main, "Alt+F4 closed the main window")
        self.pelko.kill()
        _, err = self.pelko.communicate(timeout=20)
        self.assertIn("hotkeys not set up: Capture object (Ctrl+Shift+K)", err)

    def test_a_hotkey_another_program_holds_is_named_at_start(self):
        self.assertTrue(self.grab("0x66"))  # Ctrl+Shift+F, the whole-screen hotkey
        self.start()
        # The message box beside the main window.
        self.assertTrue(wait_for(lambda: len(self.xdotool(
            "search", "--onlyvisible", "--name", "^Pelko$").stdout.split()) >= 2),
            "no message shown")
        self.pelko.kill()
        _, err = self.pelko.communicate(timeout=20)
        self.assertIn("Capture whole screen (Ctrl+Shift+F)", err)
        self.assertNotIn("Capture active window", err)

    def test_the_picker_fills_the_fixed_region_from_a_drag(self):
        self.folders.write_settings("[settings]\nwct=4\n")
        self.start()
        # "..." beside the input opens "Fixed Region Options" for the fixed region kind.
        dialog = self.open_dialog(207, 115, "^Input Settings$")
        for _ in range(4):  # Start X, Start Y, Width, Height, then "(Select area)"
            self.xdotool("key", "--window", dialog, "Tab")
        self.xdotool("key", "--window", dialog, "space")
        time.sleep(1.0)  # the picker freezes the screen and takes the pointer
        self.xdotool("mousemove", "100", "120")
        self.xdotool("mousedown", "1")
        self.xdotool("mousemove", "200", "200")
        self.xdotool("mousemove", "300", "260")
        self.xdotool("mouseup", "1")
        dialog = wait_for(lambda: self.window("^Input Settings$"))
        self.assertTrue(dialog, "the dialog did not come back")
        self.xdotool("windowactivate", "--sync", dialog)
        self.xdotool("key", "--window", dialog, "Return")
        self.assertTrue(wait_for(lambda: "rheight=140" in self.folders.read_settings()),
                        self.folders.read_settings())
        text = self.folders.read_settings()
        for line in ("startx=100", "starty=120", "rwidth=200", "rheight=140"):
            self.assertIn(line, text)


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--grab", "--desktop")
