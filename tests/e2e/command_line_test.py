#!/usr/bin/python3
"""The pelko command's options for scripts, run for real on the test desktop: what each option
captures and writes, that no option changes settings.ini, and the exit status and message of
every kind of bad command line and bad input."""
import io
import os
import re
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
SETTINGS = ("[main]\nsaveto={out}/\nsaveas=png\nssreccursor=0\n"
            "[settings]\nscreensfilename=shot-<%SSNUM>\nsaveac=1\njcq=90\n[filename]\nssnum=7\n")


class CommandLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="pelko-e2e-cli-")
        state = os.path.join(cls.tmp, "desktop")
        os.mkdir(state)
        cls.state = state
        display = subprocess.check_output([ARGS.desktop, "start", state], text=True,
                                          timeout=30).strip()
        cls.env = dict(os.environ, DISPLAY=display)
        cls.shown = [cls.show("--root", "grid")]

    @classmethod
    def tearDownClass(cls):
        for proc in cls.shown:
            proc.kill()
            proc.wait()
        subprocess.call([ARGS.desktop, "stop", cls.state], timeout=30)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def show(cls, *args):
        proc = subprocess.Popen([ARGS.show, *args], env=cls.env, stdout=subprocess.PIPE,
                                text=True)
        if "ready" not in proc.stdout.readline():
            proc.kill()
            raise RuntimeError(f"pelko-show-picture {args} failed")
        return proc

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="home-", dir=self.tmp)
        self.out = os.path.join(self.home, "out")
        os.mkdir(self.out)
        self.settings_path = os.path.join(self.home, "settings.ini")
        with open(self.settings_path, "w") as f:
            f.write(SETTINGS.format(out=self.out))
        subprocess.call(["xdotool", "mousemove", "1900", "1070"], env=self.env)

    def settings_bytes(self):
        with open(self.settings_path, "rb") as f:
            return f.read()

    def pelko(self, *args, stdout=subprocess.PIPE, status=0):
        proc = subprocess.run([ARGS.pelko, "--home", self.home, *args], env=self.env,
                              stdout=stdout, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(proc.returncode, status, proc.stderr.decode())
        return proc

    def files(self):
        return sorted(os.listdir(self.out))

    def assert_grid(self, image, x, y):
        rgb = image.convert("RGB")
        box = (0, 0) + rgb.size
        self.assertEqual(mismatches(rgb, grid, box, offset=(x, y), row_step=7), [])

    # --- What each option does --------------------------------------------------------------

    def test_geometry_captures_the_region_and_prints_the_file(self):
        before = self.settings_bytes()
        proc = self.pelko("--geometry", "120x80+300+200")
        path = proc.stdout.decode().strip()
        self.assertEqual(path, os.path.join(self.out, "shot-7.png"))
        image = Image.open(path)
        self.assertEqual(image.size, (120, 80))
        self.assert_grid(image, 300, 200)
        # Only the capture number moved.
        self.assertEqual(self.settings_bytes(), before.replace(b"ssnum=7", b"ssnum=8"))

    def test_geometry_with_negative_corner_keeps_its_size(self):
        path = self.pelko("--geometry", "40x30-10-5").stdout.decode().strip()
        image = Image.open(path).convert("RGB")
        self.assertEqual(image.size, (40, 30))
        self.assertEqual(image.getpixel((5, 2)), (0, 0, 0))  # off the screen: black
        self.assertEqual(mismatches(image, grid, (10, 5, 40, 30), offset=(-10, -5)), [])

    def test_window_by_id_with_its_frame(self):
        shown = self.show("--window", "300", "200", "200", "150", "grid", "--name", "cli-window")
        self.shown.append(shown)
        try:
            ids = wait_for(lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^cli-window$"], env=self.env,
                capture_output=True, text=True).stdout.split())
            self.assertTrue(ids)
            for written in (ids[0], hex(int(ids[0]))):
                with self.subTest(id=written):
                    path = self.pelko("--window", written).stdout.decode().strip()
                    image = Image.open(path).convert("RGB")
                    w, h = image.size
                    self.assertGreater(w * h, 200 * 150, "no frame around the window")
                    # The client area lies inside the frame, showing the grid from (0, 0).
                    px = image.load()
                    found = [(dx, dy) for dy in range(h - 150 + 1) for dx in range(w - 200 + 1)
                             if all(px[dx + i, dy] == grid(i, 0) for i in range(1, 12))
                             and px[dx, dy + 9] == grid(0, 9)]
                    self.assertTrue(found, "the window's picture is not in the capture")
                    dx, dy = found[0]
                    self.assertEqual(mismatches(image, grid, (dx, dy, dx + 200, dy + 150),
                                                offset=(-dx, -dy)), [])
        finally:
            shown.kill()
            shown.wait()
            self.shown.remove(shown)

    def test_format_and_quality_hold_for_the_run_only(self):
        before = self.settings_bytes()
        sizes = {}
        for quality in ("10", "95"):
            path = self.pelko("--geometry", "300x200+0+0", "--format", "JPG", "--quality",
                              quality).stdout.decode().strip()
            self.assertTrue(path.endswith(".jpg"), path)
            image = Image.open(path)
            self.assertEqual((image.format, image.size), ("JPEG", (300, 200)))
            sizes[quality] = os.path.getsize(path)
        self.assertLess(sizes["10"] * 2, sizes["95"])
        self.assertEqual(self.settings_bytes(), before.replace(b"ssnum=7", b"ssnum=9"))

    def test_output_writes_exactly_there_and_leaves_settings_alone(self):
        before = self.settings_bytes()
        cases = [("exact.bmp", [], "BMP"), ("exact.gif", [], "GIF"),
                 ("no-extension", [], "PNG"), ("named.png", ["--format", "jpg"], "JPEG")]
        for name, extra, decoded in cases:
            with self.subTest(name=name):
                target = os.path.join(self.home, name)
                proc = self.pelko("--geometry", "64x48+100+100", "--output", target, *extra)
                self.assertEqual(proc.stdout.decode(), target + "\n")
                image = Image.open(target)
                self.assertEqual((image.format, image.size), (decoded, (64, 48)))
        # An existing file is replaced.
        self.pelko("--geometry", "10x10+0+0", "--output", os.path.join(self.home, "exact.bmp"))
        self.assertEqual(Image.open(os.path.join(self.home, "exact.bmp")).size, (10, 10))
        self.assertEqual(self.files(), [])
        self.assertEqual(self.settings_bytes(), before)

    def test_output_to_standard_output_carries_only_the_picture(self):
        for extra, decoded in (([], "PNG"), (["--format", "bmp"], "BMP")):
            with self.subTest(extra=extra):
                proc = self.pelko("--geometry", "50x40+600+500", "--output", "-", *extra)
                image = Image.open(io.BytesIO(proc.stdout))
                self.assertEqual((image.format, image.size), (decoded, (50, 40)))
                self.assert_grid(image, 600, 500)
        self.assertEqual(self.files(), [])

    def test_pointer_options_override_the_saved_choice(self):
        subprocess.check_call(["xdotool", "mousemove", "700", "400"], env=self.env)
        region = ["--geometry", "60x60+680+380", "--output", "-"]
        without = Image.open(io.BytesIO(self.pelko(*region, "--no-pointer").stdout))
        self.assert_grid(without, 680, 380)
        drawn = Image.open(io.BytesIO(self.pelko(*region, "--pointer").stdout)).convert("RGB")
        self.assertTrue(mismatches(drawn, grid, (15, 15, 45, 45), offset=(680, 380)),
                        "no pointer drawn")
        self.assertIn(b"ssreccursor=0", self.settings_bytes())

    def test_clipboard_only_saves_no_file(self):
        before = self.settings_bytes()
        proc = self.pelko("--geometry", "70x50+10+20", "--clipboard")
        self.assertEqual(proc.stdout, b"")
        png = subprocess.run(["xclip", "-selection", "clipboard", "-t", "image/png", "-o"],
                             env=self.env, capture_output=True, timeout=20).stdout
        image = Image.open(io.BytesIO(png))
        self.assertEqual(image.size, (70, 50))
        self.assert_grid(image, 10, 20)
        self.assertEqual(self.files(), [])
        self.assertEqual(self.settings_bytes(), before)

    def test_delay_waits_before_capturing(self):
        # A window that appears during the wait is in the picture.
        proc = subprocess.Popen([ARGS.pelko, "--home", self.home, "--geometry", "100x100+0+0",
                                 "--delay", "3", "--output", "-"], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        shown = self.show("--window", "0", "0", "400", "300", "tiles", "--name", "late")
        try:
            out, err = proc.communicate(timeout=60)
            self.assertEqual(proc.returncode, 0, err)
            image = Image.open(io.BytesIO(out)).convert("RGB")
            self.assertTrue(mismatches(image, grid, (0, 0, 100, 100)), "captured before the wait")
        finally:
            shown.kill()
            shown.wait()

    def tray_icon(self, env):
        """The tray icon's window id and its pixels, or None while it is not embedded."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                              text=True).stdout
        line = next((l for l in tree.splitlines() if '("pelko" "Pelko")  24x24' in l), None)
        if line is None:
            return None
        wid = line.split()[0]
        png = subprocess.run(["import", "-window", wid, "png:-"], env=env,
                             capture_output=True).stdout
        return Image.open(io.BytesIO(png)).convert("RGB").tobytes() if png else None

    def test_delay_counts_down_on_the_icon_of_a_running_tray_program(self):
        with open(self.settings_path, "a") as f:
            f.write("[main]\nrunmm=1\nrunww=0\n")
        runtime = tempfile.mkdtemp(prefix="runtime-", dir=self.tmp)
        env = dict(self.env, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime)
        tray = subprocess.Popen([ARGS.pelko, "--home", self.home], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(wait_for(lambda: self.tray_icon(env), 20), "no tray icon")
            time.sleep(0.5)
            usual = self.tray_icon(env)
            out = os.path.join(self.tmp, "delayed.png")
            proc = subprocess.Popen([ARGS.pelko, "--home", self.home, "--geometry", "10x10+0+0",
                                     "--delay", "3", "--output", out], env=env,
                                    stderr=subprocess.PIPE)
            # The seconds reach the tray program through its socket; its icon shows them.
            self.assertTrue(wait_for(lambda: self.tray_icon(env) not in (None, usual), 2),
                            "the tray icon does not count down")
            _, err = proc.communicate(timeout=30)
            self.assertEqual(proc.returncode, 0, err)
            self.assertTrue(wait_for(lambda: self.tray_icon(env) == usual, 5),
                            "the usual icon is not back")
        finally:
            tray.terminate()
            tray.wait(timeout=20)

    def test_help_version_and_documentation_name_every_option(self):
        text = self.pelko("--help").stdout.decode()
        options = set(re.findall(r"--[a-z][a-z-]*", text))
        self.assertTrue({"--capture", "--geometry", "--window", "--delay", "--format",
                         "--quality", "--output", "--pointer", "--no-pointer", "--clipboard",
                         "--notify", "--pick-region", "--edit", "--home", "--platform",
                         "--help", "--version"} <= options, options)
        self.assertRegex(self.pelko("--version").stdout.decode(), r"^Pelko \d+\.\d+\.\d+\n$")
        with open(os.path.join(ARGS.source, "README.md")) as f:
            readme = f.read()
        section = readme[readme.index("## Command line"):]
        section = section[:section.index("\n## ", 3)]
        man = subprocess.run(["man", "-l", os.path.join(ARGS.source, "dist", "pelko.1")],
                             capture_output=True, text=True, env=dict(os.environ, MANWIDTH="100"))
        for option in sorted(options):
            with self.subTest(option=option):
                self.assertIn("`" + option, section)
                if man.returncode == 0:
                    self.assertIn(option, man.stdout)

    # --- Bad command lines and bad input ------------------------------------------------------

    def test_usage_errors_exit_64_with_one_line_and_touch_nothing(self):
        before = self.settings_bytes()
        cases = [
            ["--bogus"], ["-x"], ["--capture"], ["--capture", "nine"], ["--capture", "9"],
            ["--geometry", "0x10+0+0"], ["--geometry", "10x0+0+0"], ["--geometry", "10x10"],
            ["--geometry", "axb+1+1"], ["--geometry", "10x10+1+1junk"],
            ["--geometry", "10x10+2147483647+0"], ["--window", "zzz"], ["--window", "0"],
            ["--window", "0x1ffffffff"], ["--delay", "-1"], ["--delay", "abc"],
            ["--delay", "nan"], ["--delay", "99999999"], ["--format", "tiff"],
            ["--quality", "0"], ["--quality", "101"], ["--quality", "5x"], ["--output", ""],
            ["--capture", "screen", "--geometry", "1x1+0+0"],
            ["--window", "1", "--geometry", "1x1+0+0"],
            ["--capture", "screen", "--pointer", "--no-pointer"],
            ["--capture", "screen", "--clipboard", "--output", "x.png"],
            ["--format", "png"], ["--output", "-"], ["--delay", "1"], ["--notify"],
            ["--pick-region", "--capture", "screen"], ["--home", ""],
            ["--edit"], ["--capture", "screen", "--edit", "x.png"],
            # The short forms and --opt=value take the same checks.
            ["-z"], ["-s", "-d"], ["-d", "abc", "-s"], ["-sx"], ["--pointer=1", "-s"],
            ["--capture=nine"], ["--bogus=1"], ["-s", "a.png", "b.png"],
            ["-s", "--output", "a.png", "b.png"], ["shot.png"], ["--completion", "tcsh"],
            # A file name asking for a format Pelko does not write.
            ["-s", "x.webp"], ["--capture", "screen", "--output", "x.tiff"],
        ]
        for args in cases:
            with self.subTest(args=args):
                proc = subprocess.run([ARGS.pelko, "--home", self.home, *args], env=self.env,
                                      capture_output=True, text=True, timeout=30)
                self.assertEqual(proc.returncode, 64, proc.stderr)
                self.assertEqual(proc.stdout, "")
                self.assertEqual(len(proc.stderr.splitlines()), 1, proc.stderr)
                self.assertTrue(proc.stderr.startswith("pelko: "), proc.stderr)
        self.assertEqual(self.settings_bytes(), before)
        self.assertEqual(self.files(), [])

    def test_bad_input_fails_with_one_line_and_leaves_no_file(self):
        missing = os.path.join(self.home, "missing", "x.png")
        cases = [
            (["--geometry", "100x100+5000+10"], "outside the screen"),
            (["--geometry", "100x100-200-200"], "outside the screen"),
            (["--window", "0x1fffff0"], "no window"),
            (["--capture", "screen", "--output", missing], "Cannot create file"),
            (["--capture", "screen", "--output", "/proc/pelko.png"], "Cannot create file"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                proc = subprocess.run([ARGS.pelko, "--home", self.home, *args], env=self.env,
                                      capture_output=True, text=True, timeout=30)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertEqual(proc.stdout, "")
                self.assertEqual(len(proc.stderr.splitlines()), 1, proc.stderr)
                self.assertIn(message, proc.stderr)
        self.assertFalse(os.path.exists(os.path.dirname(missing)))
        self.assertEqual(self.files(), [])

    def test_short_forms_equals_values_and_a_trailing_file_name(self):
        subprocess.check_call(["xdotool", "mousemove", "700", "400"], env=self.env)
        cwd = tempfile.mkdtemp(dir=self.tmp)
        proc = subprocess.run([ARGS.pelko, "--home=" + self.home, "--geometry=60x60+680+380",
                               "-pd", "0", "shot.png"], env=self.env, cwd=cwd,
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        shot = os.path.join(cwd, "shot.png")
        self.assertEqual(proc.stdout, shot + "\n")
        drawn = Image.open(shot).convert("RGB")
        self.assertTrue(mismatches(drawn, grid, (15, 15, 45, 45), offset=(680, 380)),
                        "-p drew no pointer")
        # "--" ends the options: a file name that starts with a dash.
        proc = self.pelko("--geometry", "10x10+0+0", "-d0", "--", "-dash.bmp")
        self.assertEqual(proc.stdout.decode(), os.path.join(os.getcwd(), "-dash.bmp") + "\n")
        os.remove("-dash.bmp")
        self.assertEqual(self.files(), [])

    def test_output_extension_chooses_the_format_or_is_refused(self):
        noext = os.path.join(self.home, "noext")
        webp = os.path.join(self.home, "x.webp")
        self.pelko("--geometry", "10x10+0+0", "--output", noext)
        self.assertEqual(Image.open(noext).format, "PNG")  # the saved format
        self.pelko("--geometry", "10x10+0+0", "--output", webp, "--format", "gif")
        self.assertEqual(Image.open(webp).format, "GIF")

    def test_output_writes_through_links_and_into_special_files(self):
        real = os.path.join(self.home, "real.png")
        link = os.path.join(self.home, "link.png")
        dangling = os.path.join(self.home, "dangling.png")
        with open(real, "w") as f:
            f.write("old")
        os.symlink("real.png", link)
        os.symlink("new.png", dangling)
        for path, target in ((link, real), (dangling, os.path.join(self.home, "new.png"))):
            with self.subTest(path=path):
                self.assertEqual(self.pelko("--geometry", "20x10+0+0", "--output",
                                            path).stdout.decode(), path + "\n")
                self.assertTrue(os.path.islink(path))
                self.assertEqual(Image.open(target).size, (20, 10))
        # A device stays the device; standard output by another name carries only the picture.
        self.assertEqual(self.pelko("--geometry", "20x10+0+0", "--output",
                                    "/dev/null").stdout.decode(), "/dev/null\n")
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/null").st_mode))
        for name in ("/proc/self/fd/1", "/dev/stdout"):
            with self.subTest(name=name):
                out = self.pelko("--geometry", "20x10+0+0", "--output", name).stdout
                self.assertEqual(Image.open(io.BytesIO(out)).size, (20, 10))
        self.assertEqual(self.files(), [])

    def test_a_path_that_cannot_be_printed_fails_and_keeps_the_file(self):
        command = [ARGS.pelko, "--home", self.home, "--geometry", "10x10+0+0"]
        closed = subprocess.run(["sh", "-c", 'exec "$@" >&-', "sh", *command], env=self.env,
                                capture_output=True, text=True, timeout=30)
        with open("/dev/full", "wb") as full:
            no_space = subprocess.run(command, env=self.env, stdout=full, stderr=subprocess.PIPE,
                                      text=True, timeout=30)
        for name, proc, reason in (("closed", closed, "Bad file descriptor"),
                                   ("full", no_space, "No space left on device")):
            with self.subTest(name):
                self.assertEqual(proc.returncode, 1, proc.stderr)
                lines = proc.stderr.splitlines()
                self.assertEqual(len(lines), 1, proc.stderr)
                self.assertTrue(lines[0].startswith("Cannot write the name of \"" + self.out),
                                lines[0])
                self.assertTrue(lines[0].endswith(reason), lines[0])
        self.assertEqual(len(self.files()), 2)

    def test_root_window_is_the_whole_screen_and_a_missing_window_fails_before_the_wait(self):
        root = subprocess.run(["xwininfo", "-root"], env=self.env, capture_output=True,
                              text=True).stdout
        root_id = re.search(r"Window id: (0x[0-9a-f]+)", root).group(1)
        # Away from the task bar, whose clock shows a tooltip under a resting pointer.
        subprocess.check_call(["xdotool", "mousemove", "960", "500"], env=self.env)
        for window in (root_id, "root"):
            with self.subTest(window=window):
                image = Image.open(io.BytesIO(self.pelko("--window", window, "--output",
                                                         "-").stdout))
                self.assertEqual(image.size, (1920, 1080))
                # Above the window manager's task bar, the root window's picture.
                self.assertEqual(mismatches(image.convert("RGB"), grid, (0, 0, 1920, 1040),
                                            row_step=7), [])
        # The wait would be a minute; the missing window is said first.
        proc = subprocess.run([ARGS.pelko, "--home", self.home, "--window", "0x1fffff0",
                               "--delay", "60"], env=self.env, capture_output=True, text=True,
                              timeout=30)
        self.assertEqual(proc.returncode, 1, proc.stderr)
        self.assertIn("There is no window 0x1fffff0", proc.stderr)

    def test_completions_offer_what_help_lists(self):
        help_text = self.pelko("--help").stdout.decode()
        options = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", help_text)) - {"--OPTION"}
        bash = self.pelko("--completion", "bash").stdout.decode()

        def complete(*words):
            script = (bash + "\nCOMP_WORDS=(" + " ".join(f"'{w}'" for w in words) + ")\n"
                      f"COMP_CWORD={len(words) - 1}\n_pelko_complete\n"
                      'printf "%s\\n" "${COMPREPLY[@]}"\n')
            return set(subprocess.run(["bash", "-c", script], capture_output=True, text=True,
                                      timeout=20).stdout.split())
        self.assertEqual(complete("pelko", "--") & options, options)
        self.assertEqual(complete("pelko", "--capture", "r"), {"rect", "rounded"})
        self.assertEqual(complete("pelko", "--format", ""), {"bmp", "jpg", "png", "gif"})
        self.assertIn("-s", complete("pelko", "-"))
        for shell, check in (("zsh", ["zsh", "-n"]), ("fish", ["fish", "--no-execute"])):
            with self.subTest(shell=shell):
                if not shutil.which(check[0]):
                    self.skipTest(f"{check[0]} is not installed")
                script = self.pelko("--completion", shell).stdout.decode()
                path = os.path.join(self.home, "completion." + shell)
                with open(path, "w") as f:
                    f.write(script)
                self.assertEqual(subprocess.run(check + [path]).returncode, 0)
                for option in options:
                    self.assertIn(option if shell == "zsh" else "-l " + option[2:], script)
        if shutil.which("fish"):
            fish = subprocess.run(["fish", "-c", f"source {path}; complete -C 'pelko --capture r'"],
                                  capture_output=True, text=True, timeout=20).stdout
            self.assertEqual({line.split()[0] for line in fish.splitlines()}, {"rect", "rounded"})

    def test_tray_started_for_another_platform_keeps_it(self):
        # No compositor in this session: the tray program named to run on Wayland says so
        # instead of running on X11, or of the toolkit aborting.
        runtime = tempfile.mkdtemp(prefix="runtime-", dir=self.tmp)
        env = {k: v for k, v in self.env.items() if k != "WAYLAND_DISPLAY"}
        env["XDG_RUNTIME_DIR"] = runtime
        proc = subprocess.run([ARGS.pelko, "--home", self.home, "--platform", "wayland"],
                              env=env, capture_output=True, text=True, timeout=30)
        self.assertEqual(proc.returncode, 1, proc.stderr)
        self.assertIn("Cannot connect to the Wayland compositor", proc.stderr)

    def test_tray_without_a_display_says_so(self):
        # Started from a text console: one line and status 1, not the toolkit's abort.
        env = {k: v for k, v in self.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        for platform in ([], ["--platform", "x11"]):
            with self.subTest(platform=platform):
                proc = subprocess.run([ARGS.pelko, "--home", self.home, *platform], env=env,
                                      capture_output=True, text=True, timeout=30)
                self.assertEqual(proc.returncode, 1, proc.stderr)
                self.assertEqual(proc.stderr.splitlines(), ['Cannot open the X display ""'])

    def test_standard_output_that_cannot_take_the_picture(self):
        command = [ARGS.pelko, "--home", self.home, "--capture", "screen", "--output", "-"]
        # Closed, full, and a pipe whose reader is gone.
        closed = subprocess.run(["sh", "-c", 'exec "$@" >&-', "sh", *command], env=self.env,
                                capture_output=True, text=True, timeout=30)
        with open("/dev/full", "wb") as full:
            no_space = subprocess.run(command, env=self.env, stdout=full, stderr=subprocess.PIPE,
                                      text=True, timeout=30)
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            gone = subprocess.run(command, env=self.env, stdout=write_end,
                                  stderr=subprocess.PIPE, text=True, timeout=30)
        finally:
            os.close(write_end)
        for name, proc, reason in (("closed", closed, "Bad file descriptor"),
                                   ("full", no_space, "No space left"),
                                   ("reader gone", gone, "Broken pipe")):
            with self.subTest(name):
                self.assertEqual(proc.returncode, 1, proc.stderr)
                lines = proc.stderr.splitlines()
                self.assertEqual(len(lines), 1, proc.stderr)
                self.assertEqual(lines[0], "Cannot write the picture to standard output. " + reason
                                 + ("" if reason != "No space left" else " on device"))
        self.assertEqual(self.files(), [])


if __name__ == "__main__":
    run_tests(globals(), "--pelko", "--show", "--desktop", "--source")
