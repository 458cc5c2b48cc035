"""`cmake --install` into a staging folder: the hack where XScreenSaver runs hacks, its config
XML where XScreenSaver reads configs, its man page in section 6."""

import os
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import x11test as x

BUILD = os.environ.get("TAVORINEX_BUILD_DIR", "")
CMAKE = os.environ.get("TAVORINEX_CMAKE", "cmake")


class Install(unittest.TestCase):
    def setUp(self):
        self.stage = tempfile.mkdtemp(prefix="install-", dir=x._work())

    def tearDown(self):
        shutil.rmtree(self.stage, ignore_errors=True)

    def test_staged_install(self):
        result = subprocess.run([CMAKE, "--install", BUILD, "--prefix", "/usr"],
                                env=dict(os.environ, DESTDIR=self.stage), capture_output=True,
                                timeout=x.TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))
        hack = os.path.join(self.stage, "usr/libexec/xscreensaver/tavorinex")
        config = os.path.join(self.stage, "usr/share/xscreensaver/config/tavorinex.xml")
        man = os.path.join(self.stage, "usr/share/man/man6/tavorinex.6")
        self.assertTrue(os.access(hack, os.X_OK))
        with open(man, encoding="utf-8") as f:
            self.assertTrue(f.read().startswith(".TH tavorinex 6 "))

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


if __name__ == "__main__":
    raise SystemExit(x.main())
