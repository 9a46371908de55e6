#!/usr/bin/python3
"""The upload window as the command line runs it (runPublishWindow), on the test desktop:
filled in and started with the keyboard in its tab order, it uploads the file to a local FTP
server; closed by the window manager, it writes lib/ftp.ini (mode 0600) and the run ends
with 0."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from e2e_support import run_tests, wait_for  # noqa: E402

ARGS = None




class PublishWindowApp(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="pelko-publish-")
        self.state = os.path.join(self.tmp, "desktop")
        self.home = os.path.join(self.tmp, "home")
        self.root = os.path.join(self.tmp, "root")
        for d in (self.state, self.home, os.path.join(self.root, "public_html")):
            os.makedirs(d)
        display = subprocess.check_output([ARGS.desktop, "start", self.state], text=True,
                                          timeout=30).strip()
        self.env = dict(os.environ, DISPLAY=display)
        port_file = os.path.join(self.tmp, "port")
        self.server = subprocess.Popen(
            ["timeout", "120", ARGS.python, ARGS.server, "--root", self.root,
             "--port-file", port_file])
        self.port = int(wait_for(lambda: os.path.exists(port_file) and open(port_file).read()))
        self.proc = None

    def tearDown(self):
        for p in (self.proc, self.server):
            if p and p.poll() is None:
                p.terminate()
                p.wait(timeout=10)
        subprocess.call([ARGS.desktop, "stop", self.state], timeout=30)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def xdotool(self, *args):
        return subprocess.run(["timeout", "20", "xdotool", *args], env=self.env,
                              capture_output=True, text=True)

    def test_upload_and_close(self):
        local = os.path.join(self.tmp, "shot 1.png")
        data = os.urandom(300000)
        with open(local, "wb") as f:
            f.write(data)
        self.proc = subprocess.Popen(["timeout", "60", ARGS.preview, self.home, local],
                                     env=self.env)
        window = wait_for(lambda: self.xdotool("search", "--onlyvisible", "--name",
                                               "^Publish Web$").stdout.split())
        self.assertTrue(window, "no window")
        self.xdotool("windowactivate", "--sync", window[0])
        # The host box has the focus; then Login, Password, Show, Save Password, File name,
        # Folder, Start.
        self.xdotool("key", "--delay", "20", "ctrl+a")
        self.xdotool("type", "--delay", "5", "127.0.0.1:%d" % self.port)
        self.xdotool("key", "Tab")
        self.xdotool("type", "--delay", "5", "pelko")
        self.xdotool("key", "Tab")
        self.xdotool("type", "--delay", "5", "secret")
        self.xdotool("key", "--delay", "20", "Tab", "Tab", "space", "Tab", "Tab", "Tab", "space")
        uploaded = os.path.join(self.root, "public_html", "shot 1.png")

        def complete():
            return os.path.exists(uploaded) and open(uploaded, "rb").read() == data
        self.assertTrue(wait_for(complete), "not uploaded")

        self.xdotool("windowactivate", "--sync", window[0])
        self.xdotool("key", "alt+F4")
        self.assertEqual(self.proc.wait(timeout=20), 0)
        ini = os.path.join(self.home, "lib", "ftp.ini")
        self.assertEqual(os.stat(ini).st_mode & 0o7777, 0o600)
        with open(ini) as f:
            self.assertEqual(f.read(), "[main]\nsavepass=1\nhost=127.0.0.1:%d\n"
                             "dir=/public_html/\nlogin=pelko\npassword=secret\n" % self.port)


if __name__ == "__main__":
    run_tests(globals(), "--preview", "--desktop", "--python", "--server")
