#!/usr/bin/python3
"""End-to-end runs of what a hostile local user or a hard stop can do to the program: planted
scratch folders, signals from the session, kills in the middle of writing, special files."""
import glob
import os
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import TrayFolders, run_tests, wait_for  # noqa: E402

ARGS = None
NOBODY = 65534


def make_canary(folder):
    """A folder of read-only files and a read-only subfolder that must survive untouched."""
    os.makedirs(os.path.join(folder, "sub"))
    for name in ("a.txt", "sub/b.txt"):
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write("keep " + name)
        os.chmod(path, 0o444)
    os.chmod(os.path.join(folder, "sub"), 0o555)


def canary_intact(folder):
    return (os.path.isfile(os.path.join(folder, "a.txt"))
            and os.path.isfile(os.path.join(folder, "sub", "b.txt")))


class Tray(unittest.TestCase):
    """Each test starts the real tray program with its own program folder on a fresh desktop."""

    def setUp(self):
        self.folders = TrayFolders("pelko-e2e-safety-", ARGS.desktop)
        self.tmp, self.home, self.env = self.folders.tmp, self.folders.home, self.folders.env
        self.config, self.runtime = self.folders.config, self.folders.runtime
        self.scratch = os.path.join(self.runtime, "~pelko")
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        self.folders.stop_desktop()
        for root, dirs, _ in os.walk(self.tmp):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def settings(self, text):
        with open(os.path.join(self.home, "settings.ini"), "w") as f:
            f.write(text)

    def start(self, *args):
        proc = subprocess.Popen([ARGS.pelko, "--home", self.home, *args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.procs.append(proc)
        return proc

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=20)

    def windows(self, name):
        return self.xdotool("search", "--onlyvisible", "--name", name).stdout.split()

    def screens(self):
        return sorted(glob.glob(os.path.join(self.home, "screens", "*")))

    def tray_ready(self):
        """Presses F9 until the tray program has made a file: its hotkeys are bound."""
        def pressed():
            self.xdotool("key", "F9")
            return wait_for(lambda: len(self.screens()) >= 1, timeout=1.0)
        self.assertTrue(wait_for(pressed, timeout=10.0, step=0), "F9 captured nothing")

    def close_tray(self, proc):
        """Closes the main window as a user would; a window id can go stale while the window
        settles, so this retries until the program has ended."""
        def closed():
            for window in self.windows("^Pelko$"):
                self.xdotool("windowactivate", "--sync", window)
                self.xdotool("key", "--window", window, "alt+F4")
            return wait_for(lambda: proc.poll() is not None, timeout=2.0)
        self.assertTrue(wait_for(closed, timeout=30.0, step=0), "the program did not end")

    def test_session_signals_end_the_program_as_exit_does(self):
        for signum, runmm in ((signal.SIGTERM, 0), (signal.SIGTERM, 1), (signal.SIGINT, 1),
                              (signal.SIGHUP, 0)):
            with self.subTest(signal=signum.name, tray_only=runmm):
                shutil.rmtree(os.path.join(self.home, "screens"), ignore_errors=True)
                self.settings(f"[main]\nrunmm={runmm}\n")
                proc = self.start()
                self.tray_ready()
                with open(os.path.join(self.scratch, "capture.png"), "w") as f:
                    f.write("x")
                proc.send_signal(signum)
                proc.wait(timeout=20)
                self.assertEqual(proc.returncode, 0, proc.stderr.read())
                self.assertFalse(os.path.exists(self.scratch), "scratch folder not purged")
                with open(os.path.join(self.home, "settings.ini")) as f:
                    self.assertIn("sshk=120", f.read())  # written by the save at close
                # The hotkeys are free again: a second program can bind F9.
                second = self.start()
                shutil.rmtree(os.path.join(self.home, "screens"), ignore_errors=True)
                self.tray_ready()
                second.send_signal(signal.SIGTERM)
                second.wait(timeout=20)

    def dialogs(self, proc):
        """The visible windows of the process that are of the dialog type (boxes, dialogs)."""
        def is_dialog(window):
            kind = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], env=self.env,
                                  capture_output=True, text=True, timeout=20).stdout
            return "_NET_WM_WINDOW_TYPE_DIALOG" in kind
        windows = self.xdotool("search", "--onlyvisible", "--pid", str(proc.pid), "--name",
                               "^Pelko$").stdout.split()
        return [w for w in windows if is_dialog(w)]

    def test_signals_end_the_program_while_a_box_or_selector_is_open(self):
        ini = os.path.join(self.home, "settings.ini")
        unwritable = "Pelko: Unable to write to " + ini

        def remove_ini():
            if os.path.isdir(ini) and not os.path.islink(ini):
                os.rmdir(ini)
            elif os.path.lexists(ini):
                os.unlink(ini)

        def special(make):
            return lambda: (remove_ini(), make())

        def read_only():
            self.settings("[main]\nrunmm=1\n")
            os.chmod(ini, 0o444)

        def counted_captures():
            # The capture number goes into settings.ini after each capture.
            self.settings("[main]\nrunmm=1\nsaveas=png\n"
                          "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n")

        def box_after_a_capture():
            self.tray_ready()
            special(lambda: os.mkdir(ini))()
            self.xdotool("key", "F9")

        def selector():
            self.tray_ready()
            def shown():
                self.xdotool("key", "ctrl+shift+r")
                return wait_for(lambda: self.windows("^Pelko selection$"), timeout=2.0)
            self.assertTrue(wait_for(shown, timeout=15.0, step=0), "no selector")

        # (what, before the start, after it, the signal, a box shows, stderr then says)
        cases = [
            ("a FIFO as settings.ini", special(lambda: os.mkfifo(ini)), None, signal.SIGTERM,
             True, unwritable),
            ("a folder as settings.ini", special(lambda: os.mkdir(ini)), None, signal.SIGINT,
             True, unwritable),
            ("/dev/zero as settings.ini", special(lambda: os.symlink("/dev/zero", ini)), None,
             signal.SIGHUP, True, unwritable),
            ("a box after a capture", counted_captures, box_after_a_capture, signal.SIGHUP,
             True, unwritable),
            ("an open selector", counted_captures, selector, signal.SIGTERM, False, ""),
        ]
        if os.geteuid() != 0:
            cases.append(("a read-only settings.ini", read_only, None, signal.SIGTERM, True,
                          unwritable))
        else:
            print("skipped: a read-only settings.ini is writable for root", file=sys.stderr)
        for what, before, after, signum, box, said in cases:
            with self.subTest(what, signal=signum.name):
                shutil.rmtree(os.path.join(self.home, "screens"), ignore_errors=True)
                remove_ini()
                before()
                proc = self.start()
                if after:
                    after()
                if box:
                    self.assertTrue(wait_for(lambda: self.dialogs(proc), timeout=20),
                                    "no error box")
                os.makedirs(self.scratch, mode=0o700, exist_ok=True)
                with open(os.path.join(self.scratch, "capture.png"), "w") as f:
                    f.write("x")
                proc.send_signal(signum)
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    boxes = self.dialogs(proc)
                    proc.kill()
                    proc.wait()
                    self.fail(f"the program did not end; boxes open: {boxes}")
                err = proc.stderr.read()
                self.assertEqual(proc.returncode, 0, err)
                self.assertFalse(os.path.exists(self.scratch), "scratch folder not purged")
                self.assertIn(said, err)
                self.assertEqual(self.windows("^Pelko"), [], "a window stayed")

    def test_planted_or_foreign_scratch_folder_is_never_purged(self):
        tmpdir = os.path.join(self.tmp, "tmp")
        os.mkdir(tmpdir)
        # Without XDG_RUNTIME_DIR the folder sits in the shared temporary folder.
        env = dict(self.env, TMPDIR=tmpdir)
        del env["XDG_RUNTIME_DIR"]
        scratch = os.path.join(tmpdir, f"~pelko-{os.getuid()}")
        canary = os.path.join(self.tmp, "canary")
        make_canary(canary)
        cases = [("a link to another folder", lambda: os.symlink(canary, scratch))]
        if os.geteuid() == 0:
            def foreign():
                os.mkdir(scratch)
                os.chmod(scratch, 0o777)
                make_canary(os.path.join(scratch, "theirs"))
                os.chown(scratch, NOBODY, NOBODY)
            cases.append(("a folder of another user", foreign))
        else:
            print("skipped: a folder of another user needs root to make", file=sys.stderr)

        for what, plant in cases:
            with self.subTest(what):
                plant()
                try:
                    proc = subprocess.Popen([ARGS.pelko, "--home", self.home], env=env,
                                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                            text=True)
                    self.procs.append(proc)
                    self.assertTrue(wait_for(lambda: self.windows("^Pelko$")), "no main window")
                    self.close_tray(proc)
                    self.assertTrue(canary_intact(canary), "files behind the link were deleted")
                    if not os.path.islink(scratch):
                        self.assertTrue(canary_intact(os.path.join(scratch, "theirs")),
                                        "a folder that is not ours was purged")
                finally:
                    if os.path.islink(scratch):
                        os.unlink(scratch)
                    else:
                        subprocess.call(["chmod", "-R", "u+w", scratch])
                        shutil.rmtree(scratch, ignore_errors=True)

    def test_exit_leaves_files_another_process_uses_and_start_drops_old_ones(self):
        os.mkdir(self.scratch, 0o700)
        old, fresh = (os.path.join(self.scratch, n) for n in ("old.png", "fresh.png"))
        for path in (old, fresh):
            with open(path, "w") as f:
                f.write("x")
        two_days_ago = time.time() - 2 * 86400
        os.utime(old, (two_days_ago, two_days_ago))
        self.settings("[main]\nsaveas=png\n")
        tray = self.start()
        self.assertTrue(wait_for(lambda: self.windows("^Pelko$")), "no main window")
        self.assertFalse(os.path.exists(old), "a day-old unused scratch file was kept")
        self.assertTrue(os.path.exists(fresh))

        # A command-line capture whose upload window stays open while the tray program ends.
        self.settings("[main]\nsaveas=png\n[settings]\nsaveac=0\n[rightaftercapture]\nftpac=1\n")
        command = self.start("--capture", "screen")
        self.assertTrue(wait_for(lambda: self.windows("^Publish Web$"), timeout=20),
                        "no upload window")
        uploads = [p for p in glob.glob(os.path.join(self.scratch, "*.png")) if p != fresh]
        self.assertEqual(len(uploads), 1, uploads)
        self.close_tray(tray)
        self.assertTrue(os.path.exists(uploads[0]), "the open upload window lost its file")
        self.assertFalse(os.path.exists(fresh))
        command.kill()


class Command(unittest.TestCase):
    """Command-line captures on one desktop."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="pelko-e2e-safety-cmd-")
        cls.state = os.path.join(cls.tmp, "desktop")
        os.mkdir(cls.state)
        display = subprocess.check_output([ARGS.desktop, "start", cls.state], text=True,
                                          timeout=30).strip()
        cls.env = dict(os.environ, DISPLAY=display)

    @classmethod
    def tearDownClass(cls):
        subprocess.call([ARGS.desktop, "stop", cls.state], timeout=30)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="home-", dir=self.tmp)
        self.out = os.path.join(self.home, "out")
        os.mkdir(self.out)
        self.ini = os.path.join(self.home, "settings.ini")
        self.text = (f"[main]\nsaveto={self.out}/\nsaveas=png\n"
                     "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\n")
        with open(self.ini, "w") as f:
            f.write(self.text)

    def capture(self, *extra, timeout=30):
        return subprocess.run([ARGS.pelko, "--home", self.home, *extra, "--capture", "screen"],
                              env=self.env, capture_output=True, text=True, timeout=timeout)

    def test_killed_captures_never_leave_a_broken_file(self):
        rng = random.Random(8)
        for _ in range(60):
            proc = subprocess.Popen([ARGS.pelko, "--home", self.home, "--capture", "screen"],
                                    env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0.0, 0.25))
            proc.kill()
            proc.wait()
        # One run to the end clears what the killed ones left.
        self.assertEqual(self.capture().returncode, 0)
        names = os.listdir(self.out)
        self.assertFalse([n for n in names if n.startswith(".")], names)
        self.assertGreater(len(names), 1)
        for name in names:
            with Image.open(os.path.join(self.out, name)) as image:
                image.load()  # raises on a cut-off or empty file
        leftovers = [n for n in os.listdir(self.home) if n.startswith(".pelko-")]
        self.assertEqual(leftovers, [])
        with open(self.ini) as f:
            self.assertIn("ssnum=", f.read())

    def test_special_settings_files_are_refused_at_once(self):
        def fifo():
            os.mkfifo(self.ini)

        def zero():
            os.symlink("/dev/zero", self.ini)
        for what, make in (("a FIFO", fifo), ("a link to /dev/zero", zero)):
            with self.subTest(what):
                os.unlink(self.ini)
                make()
                started = time.monotonic()
                proc = self.capture(timeout=20)
                self.assertLess(time.monotonic() - started, 15)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertIn("Unable to write to " + self.ini, proc.stderr)
                self.assertTrue(os.path.islink(self.ini) or stat.S_ISFIFO(os.lstat(self.ini).st_mode))

    def test_empty_program_folder_option_is_refused(self):
        proc = self.capture("--home", "")
        self.assertEqual(proc.returncode, 64)  # a usage error
        self.assertIn("--home", proc.stderr)
        self.assertEqual(proc.stdout, "")


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--desktop")
