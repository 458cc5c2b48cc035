"""`cmake --install` into a prefix of a user's own, as the README says: everything under it, the
programs stripped, the hack where XScreenSaver runs hacks and without libpng or giflib, its
config XML in ASCII, the man page clean under groff and naming every option --help lists."""

import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import x11test as x

BUILD = os.environ.get("TAVORINEX_BUILD_DIR", "")
CMAKE = os.environ.get("TAVORINEX_CMAKE", "cmake")


def run(*args):
    return subprocess.run(list(args), capture_output=True, timeout=x.TIMEOUT, check=True).stdout


class Install(unittest.TestCase):
    def setUp(self):
        self.prefix = os.path.join(tempfile.mkdtemp(prefix="install-", dir=x._work()), ".local")

    def tearDown(self):
        shutil.rmtree(os.path.dirname(self.prefix), ignore_errors=True)

    def test_install_into_a_prefix(self):
        result = subprocess.run([CMAKE, "--install", BUILD, "--prefix", self.prefix],
                                capture_output=True, timeout=x.TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))
        with open(os.path.join(BUILD, "install_manifest.txt")) as f:
            installed = sorted(os.path.relpath(path, self.prefix) for path in f.read().split())
        # The Wayland saver, where its packages were there to build it, has its own tests.
        wayland = ["bin/tavorinex-wayland", "share/man/man1/tavorinex-wayland.1.gz"] * \
            os.path.exists(os.path.join(BUILD, "wayland", "tavorinex-wayland"))
        self.assertEqual(installed, sorted([
            "bin/tavorinex", "libexec/xscreensaver/tavorinex", "share/doc/tavorinex/copyright",
            "share/man/man6/tavorinex.6.gz", "share/xscreensaver/config/tavorinex.xml"] + wayland))
        hack = os.path.join(self.prefix, "libexec/xscreensaver/tavorinex")
        for program in (hack, os.path.join(self.prefix, "bin/tavorinex")):
            self.assertRegex(run("file", "-b", program).decode(), r", stripped$")
        self.assertNotRegex(run("readelf", "-d", hack).decode(), r"libpng|libgif")

        config = os.path.join(self.prefix, "share/xscreensaver/config/tavorinex.xml")
        with open(config, "rb") as f:
            self.assertTrue(f.read().isascii())
        root = ElementTree.parse(config).getroot()
        self.assertEqual((root.tag, root.get("name"), root.get("_label")),
                         ("screensaver", "tavorinex", "Tavorinex"))
        self.assertEqual(root.find("command").get("arg"), "--root")
        self.assertTrue(root.find("_description").text.strip())
        sliders = root.findall("number")
        self.assertEqual(len(sliders), 5)
        for slider in sliders:
            with self.subTest(slider.get("id")):
                self.assertEqual(slider.get("type"), "slider")
                self.assertRegex(slider.get("arg"), r"^--[a-z-]+ %$")
                low, high, default = (int(slider.get(k)) for k in ("low", "high", "default"))
                self.assertTrue(low <= default <= high)

        with gzip.open(os.path.join(self.prefix, "share/man/man6/tavorinex.6.gz")) as f:
            page = f.read()
        self.assertTrue(page.startswith(b"'\\\" -*- coding: UTF-8 -*-\n.TH tavorinex 6 "))
        groff = subprocess.run(["groff", "-man", "-Tutf8", "-ww"], input=page,
                               capture_output=True, timeout=x.TIMEOUT)
        self.assertEqual((groff.returncode, groff.stderr), (0, b""))
        self.assertIn("BOXサイズ in the settings window", groff.stdout.decode())
        documented = {name.replace("\\-", "-") for name in re.findall(
            r'^\.BR? (?:\\-h ", " )?\\-\\-([a-z\\-]+)', page.decode(), re.M)}
        listed = set(re.findall(r"^  (?:-h, )?--([a-z-]+)", run(hack, "--help").decode(), re.M))
        self.assertEqual(documented, listed)
        self.assertEqual(len(listed), 13)


if __name__ == "__main__":
    raise SystemExit(x.main())
