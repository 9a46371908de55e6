#!/usr/bin/python3
"""The installed program: cmake --install into a temporary prefix, run from there with a
read-only program folder, and the Debian package built by CPack and inspected."""
import configparser
import glob
import os
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../support"))
from e2e_support import run_tests, wait_for  # noqa: E402

ARGS = None
SOURCE = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../.."))
METAINFO = "share/metainfo/io.github.pelko.Pelko.metainfo.xml"
# The main categories of the desktop menu specification; a launcher names one of them.
MAIN_CATEGORIES = {"AudioVideo", "Audio", "Video", "Development", "Education", "Game",
                   "Graphics", "Network", "Office", "Science", "Settings", "System", "Utility"}

INSTALLED = [
    "bin/pelko", "lib/pelko/pelko-tray", "share/pelko/help.html",
    "share/pelko/lib/images/watermark.bmp", "share/pelko/lib/skins/flat.qss",
    "share/applications/io.github.pelko.Pelko.desktop", METAINFO,
    "share/icons/hicolor/scalable/apps/pelko.svg", "share/icons/hicolor/48x48/apps/pelko.png",
    "share/icons/hicolor/256x256/apps/pelko.png", "share/man/man1/pelko.1.gz",
    "share/doc/pelko/copyright", "share/bash-completion/completions/pelko",
    "share/zsh/vendor-completions/_pelko", "share/fish/vendor_completions.d/pelko.fish",
]


def make_read_only(root):
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            mode = os.lstat(path).st_mode
            os.chmod(path, mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
    os.chmod(root, os.stat(root).st_mode & ~stat.S_IWUSR)


def make_writable(root):
    for folder, dirs, files in os.walk(root):
        os.chmod(folder, os.stat(folder).st_mode | stat.S_IWUSR)


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="pelko-e2e-install-")
        cls.prefix = os.path.join(cls.tmp, "prefix")
        subprocess.check_call(["cmake", "--install", ARGS.build, "--prefix", cls.prefix],
                              stdout=subprocess.DEVNULL, timeout=120)
        make_read_only(cls.prefix)
        state = os.path.join(cls.tmp, "desktop")
        os.mkdir(state)
        cls.state = state
        cls.display = subprocess.check_output([ARGS.desktop, "start", state], text=True,
                                              timeout=30).strip()

    @classmethod
    def tearDownClass(cls):
        subprocess.call([ARGS.desktop, "stop", cls.state], timeout=30)
        make_writable(cls.tmp)
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.user = tempfile.mkdtemp(prefix="user-", dir=self.tmp)
        self.config = os.path.join(self.user, "config")
        self.env = {k: v for k, v in os.environ.items() if k != "PELKO_HOME"}
        self.env.update(DISPLAY=self.display, HOME=self.user, XDG_CONFIG_HOME=self.config)

    def pelko(self, *args, env=None):
        proc = subprocess.run([os.path.join(self.prefix, "bin", "pelko"), *args],
                              env=env or self.env, capture_output=True, text=True, timeout=60)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        return proc.stdout.splitlines()

    def test_every_part_is_installed(self):
        for path in INSTALLED:
            with self.subTest(path=path):
                self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)))
        for size in (48, 256):
            icon = Image.open(os.path.join(self.prefix, f"share/icons/hicolor/{size}x{size}"
                                           "/apps/pelko.png"))
            self.assertEqual(icon.size, (size, size))
        with open(os.path.join(self.prefix, "share/applications/io.github.pelko.Pelko.desktop")) as f:
            desktop = f.read()
        self.assertIn("\nExec=pelko\n", desktop)
        self.assertIn("\nIcon=pelko\n", desktop)
        man = subprocess.run(["man", "-l", os.path.join(self.prefix,
                                                        "share/man/man1/pelko.1.gz")],
                             capture_output=True, text=True)
        if man.returncode == 0:
            self.assertIn("--geometry", man.stdout)
        # The completions are those the installed command makes from its option table.
        with open(os.path.join(self.prefix, "share/bash-completion/completions/pelko")) as f:
            self.assertEqual(f.read(), "\n".join(self.pelko("--completion", "bash")) + "\n")

    def test_metainfo_validates(self):
        if not shutil.which("appstreamcli"):
            self.skipTest("appstreamcli is not installed")
        # validate-tree also checks that the launcher the metainfo names is installed.
        for command in (["validate", os.path.join(self.prefix, METAINFO)],
                        ["validate-tree", self.prefix]):
            proc = subprocess.run(["appstreamcli", *command[:1], "--no-net", *command[1:]],
                                  capture_output=True, text=True)
            self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def test_launcher_is_the_component_and_its_quick_list_captures(self):
        metainfo = ElementTree.parse(os.path.join(self.prefix, METAINFO)).getroot()
        launchable = metainfo.find("launchable[@type='desktop-id']").text
        self.assertEqual(launchable, metainfo.findtext("id") + ".desktop")
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        self.assertTrue(entry.read(os.path.join(self.prefix, "share/applications", launchable)))
        main = entry["Desktop Entry"]
        categories = {c for c in main["Categories"].split(";") if c}
        self.assertEqual(len(categories & MAIN_CATEGORIES), 1, categories)
        actions = {}
        for action in filter(None, main["Actions"].split(";")):
            section = entry["Desktop Action " + action]
            actions[section["Name"]] = section["Exec"]
        self.assertEqual(actions, {"Capture rectangular area": "pelko --capture rect",
                                   "Capture whole screen": "pelko --capture screen",
                                   "Settings": "pelko"})
        # The commands run as the launcher runs them, the installed pelko found on PATH.
        env = dict(self.env, PATH=os.path.join(self.prefix, "bin") + ":" + os.environ["PATH"])
        screen = subprocess.run(shlex.split(actions["Capture whole screen"]), env=env,
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(screen.returncode, 0, screen.stderr)
        with Image.open(screen.stdout.strip()) as picture:
            self.assertEqual(picture.size, (1920, 1080))
        rectangle = subprocess.Popen(shlex.split(actions["Capture rectangular area"]), env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            self.assertTrue(wait_for(lambda: subprocess.run(
                ["xdotool", "search", "--name", "^Pelko selection$"], env=env,
                capture_output=True).stdout.strip(), timeout=20), "no selection overlay")
            subprocess.run(["xdotool", "key", "Escape"], env=env, check=True, timeout=20)
            rectangle.communicate(timeout=30)
        finally:
            if rectangle.poll() is None:
                rectangle.kill()
                rectangle.communicate()
        self.assertEqual(rectangle.returncode, 2)  # cancelled

    def test_metainfo_screenshot_is_in_the_source_tree(self):
        # Published from the repository: the address ends with the file's path in it.
        metainfo = ElementTree.parse(os.path.join(self.prefix, METAINFO)).getroot()
        image = metainfo.find("screenshots/screenshot[@type='default']/image")
        prefix = metainfo.findtext("url[@type='homepage']") + "/raw/main/"
        self.assertTrue(image.text.startswith(prefix), image.text)
        with Image.open(os.path.join(SOURCE, image.text[len(prefix):])) as picture:
            self.assertEqual(picture.size, (int(image.get("width")), int(image.get("height"))))

    def test_binaries_are_hardened(self):
        # What lintian checks: relocations read-only after loading, every symbol bound at the
        # start, and fortified C library calls.
        for binary in ("bin/pelko", "lib/pelko/pelko-tray"):
            path = os.path.join(self.prefix, binary)
            with self.subTest(binary=binary):
                dynamic = subprocess.check_output(["readelf", "-dW", path], text=True)
                self.assertIn("BIND_NOW", dynamic)
                segments = subprocess.check_output(["readelf", "-lW", path], text=True)
                self.assertIn("GNU_RELRO", segments)
                symbols = subprocess.check_output(["readelf", "--dyn-syms", "-W", path],
                                                  text=True)
                self.assertRegex(symbols, r"__\w+_chk@")

    def test_read_only_install_keeps_settings_and_captures_in_the_user_folders(self):
        files = self.pelko("--capture", "screen", "--format", "png")
        self.assertEqual(len(files), 1, files)
        self.assertEqual(os.path.dirname(files[0]),
                         os.path.join(self.user, "Pictures", "Screenshots"))
        self.assertEqual(Image.open(files[0]).size, (1920, 1080))
        settings = os.path.join(self.config, "pelko", "settings.ini")
        with open(settings) as f:
            self.assertIn("saveto=" + os.path.join(self.user, "Pictures", "Screenshots") + "/",
                          f.read())
        self.assertTrue(os.path.isdir(os.path.join(self.config, "pelko", "lib")))
        # The watermark is read from the installed data.
        with open(settings, "a") as f:
            f.write("\n[watermark]\nenabled=1\n")
        self.assertEqual(len(self.pelko("--capture", "screen")), 1)

    def test_installed_tray_program_starts_and_its_autostart_entry_runs_the_command(self):
        tray = subprocess.Popen([os.path.join(self.prefix, "bin", "pelko")], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            entry = os.path.join(self.config, "autostart", "pelko.desktop")
            self.assertTrue(wait_for(lambda: os.path.exists(entry), timeout=20),
                            "no autostart entry")
            with open(entry) as f:
                self.assertIn("\nExec=" + os.path.join(self.prefix, "bin", "pelko") + "\n",
                              f.read())
            self.assertTrue(os.path.isfile(os.path.join(self.config, "pelko", "settings.ini")))
            self.assertIsNone(tray.poll())
        finally:
            tray.terminate()
            tray.wait(timeout=20)

    def test_pictures_folder_of_user_dirs(self):
        os.makedirs(self.config)
        with open(os.path.join(self.config, "user-dirs.dirs"), "w") as f:
            f.write('# written by xdg-user-dirs-update\nXDG_PICTURES_DIR="$HOME/Bilder"\n')
        files = self.pelko("--geometry", "10x10+0+0")
        self.assertEqual(os.path.dirname(files[0]), os.path.join(self.user, "Bilder",
                                                                 "Screenshots"))

    def test_home_and_environment_still_name_one_folder(self):
        for how in ("option", "environment"):
            with self.subTest(how=how):
                home = tempfile.mkdtemp(prefix="home-", dir=self.tmp)
                if how == "option":
                    files = self.pelko("--home", home, "--geometry", "10x10+0+0")
                else:
                    files = self.pelko("--geometry", "10x10+0+0",
                                       env=dict(self.env, PELKO_HOME=home))
                self.assertEqual(os.path.dirname(files[0]), os.path.join(home, "screens"))
                self.assertTrue(os.path.isfile(os.path.join(home, "settings.ini")))
        self.assertFalse(os.path.exists(os.path.join(self.config, "pelko")))


class DebianPackage(unittest.TestCase):
    def setUp(self):
        for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps"):
            if not shutil.which(tool):
                self.skipTest(f"{tool} is not installed")
        self.tmp = tempfile.mkdtemp(prefix="pelko-e2e-deb-")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_package_contents_dependencies_and_lintian(self):
        subprocess.check_call(["cpack", "-G", "DEB", "--config",
                               os.path.join(ARGS.build, "CPackConfig.cmake"), "-B", self.tmp],
                              stdout=subprocess.DEVNULL, timeout=600)
        packages = glob.glob(os.path.join(self.tmp, "pelko_*_amd64.deb")) or glob.glob(
            os.path.join(self.tmp, "pelko_*.deb"))
        self.assertEqual(len(packages), 1, os.listdir(self.tmp))
        deb = packages[0]
        contents = subprocess.check_output(["dpkg-deb", "-c", deb], text=True)
        for path in INSTALLED:
            self.assertIn("./usr/" + path + "\n", contents)
        depends = subprocess.check_output(["dpkg-deb", "-f", deb, "Depends"], text=True)
        # libcurl4 is loaded at the first upload, not linked: it must be named by hand.
        for library in ("libc6", "libqt6widgets6", "libdbus-1-3", "libxcb1", "libpng16-16",
                        "libcurl4"):
            self.assertIn(library, depends)
        # Stripped: no debugging sections in the binaries.
        root = os.path.join(self.tmp, "root")
        subprocess.check_call(["dpkg-deb", "-x", deb, root])
        for binary in ("usr/bin/pelko", "usr/lib/pelko/pelko-tray"):
            sections = subprocess.check_output(["readelf", "-S", os.path.join(root, binary)],
                                               text=True)
            self.assertNotIn(".debug_info", sections, binary)
        if not shutil.which("lintian"):
            self.skipTest("lintian is not installed: package not checked with it")
        proc = subprocess.run(["lintian", "--display-info", deb], capture_output=True, text=True,
                              timeout=600)
        # No errors or warnings, and none of the hardening tags (some are only informational).
        problems = [line for line in proc.stdout.splitlines()
                    if line.startswith(("E:", "W:")) or ": hardening-" in line]
        self.assertEqual(problems, [], proc.stdout)


if __name__ == "__main__":
    run_tests(globals(), "--desktop", "--build")
