"""The page in headless Chromium: still frames equal the renderer's pixel for pixel (also at two
device pixels to a CSS pixel), the live saver keeps to the wall clock, saver mode ends as the
Windows saver does, OK stores the bytes the Windows settings window writes, and the page is
three files within its budget."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import headless_chromium as hc  # noqa: E402

TOOL = os.environ.get("TAVORINEX_TOOL", "build/native/tavorinex/tavorinex")
PAGE = os.environ.get("TAVORINEX_PAGE", "build/web/page")
MODE = "document.documentElement.dataset.mode"
KEY = "tavorinex.ini"

# Device pixels to a CSS pixel; opened at one size, shown at another (CSS pixels); the settings
# in the query (the closing comma left out) or stored as a settings file's bytes, or none.
STILL_FRAMES = [
    (1, (320, 240), (320, 240), 4242, 30, None, None),
    (1, (320, 240), (200, 150), 17, 900, "query", "40,3,50,1000,15"),
    (1, (500, 90), (333, 211), 5, 2500, "query", "&H30, 7.5 ,-3,25.5,2"),
    (1, (160, 120), (241, 97), 99, 700, "stored", "120,20,30,20,0,\0"),
    (1, (160, 120), (97, 61), 3, 300, "stored", "60,9,47,990,3,junk\0\0"),
    (1, (64, 48), (64, 48), 1, 0, None, None),
    (2, (100, 80), (161, 120), 4242, 300, None, None),
]

# How saver mode begins, what the pointer or the keyboard does then, and whether that ends it.
INPUTS = [
    ("button", [("mouseMoved", 2, 0)], True),
    ("button", [("mouseMoved", 0, -2)], True),
    ("button", [("mouseMoved", 1, 1), ("mouseMoved", 1, -1), ("mouseMoved", -1, 0)], False),
    ("button", [("mousePressed", 0, 0)], True),
    ("run", [("mousePressed", 0, 0)], True),
    ("run", [("keyDown", 0, 0)], True),
    ("run", [("mouseMoved", 1, 0), ("mouseMoved", 0, 1)], False),
]

# A slider moved by keys, then a button: the bytes stored, or None when nothing is.
SLIDERS = [
    ("box-size", "ArrowRight", 3, "ok", b"83,50,44,960,11,\0"),
    ("erase-speed", "End", 1, "ok", b"80,50,44,960,15,\0"),
    ("draw-speed", "Home", 1, "ok", b"80,50,0,960,11,\0"),
    ("erase-frequency", "ArrowLeft", 2, "ok", b"80,50,44,958,11,\0"),
    ("color-change-rate", "ArrowLeft", 1, "cancel", None),
]
KEYS = {"ArrowRight": 39, "ArrowLeft": 37, "End": 35, "Home": 36}


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.base = hc.serve(PAGE)
        cls.browser = hc.Chromium(320, 240)
        cls.dir = tempfile.mkdtemp(prefix="tavorinex-web-")

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.shutdown()
        shutil.rmtree(cls.dir)

    def tearDown(self):
        self.assertEqual(self.browser.errors, [], "the page threw")

    def open(self, query, size=(320, 240), stored=None, b=None):
        b = b or self.browser
        b.resize(*size)
        b.open(self.base + "index.html?seed=1&steps=0")  # the origin's storage, read later
        b.evaluate(f"localStorage.clear(); {json.dumps(stored)} !== null && "
                   f"localStorage.setItem('{KEY}', {json.dumps(stored)})")
        b.open(self.base + "index.html?" + query)
        b.wait_for(MODE)
        self.assertTrue(b.evaluate("performance.getEntriesByType('resource')"
                                   ".every(e => e.name.startsWith(location.origin))"))

    def test_still_frames_equal_render(self):
        dense = hc.Chromium(320, 240, scale=2)
        self.addCleanup(dense.close)
        for scale, opened, css, seed, steps, source, text in STILL_FRAMES:
            shown = (css[0] * scale, css[1] * scale)
            with self.subTest(size=shown, scale=scale, seed=seed, settings=text):
                b = dense if scale == 2 else self.browser
                query = f"seed={seed}&steps={steps}"
                if source == "query":
                    query += "&settings=" + urllib.parse.quote(text)
                self.open(query, opened, text if source == "stored" else None, b)
                b.resize(*css)
                b.wait_for(f"{MODE} == 'still' && document.documentElement"
                           f".dataset.frame == '{shown[0]}x{shown[1]}'")
                width, height, shot = hc.decode_png(b.screenshot())
                out = os.path.join(self.dir, "render.ppm")
                args = [TOOL, "render", "--width", str(shown[0]), "--height", str(shown[1]),
                        "--seed", str(seed), "--steps", str(steps), "--out", out]
                if text is not None:
                    args += ["--settings", os.path.join(self.dir, "settings.ini")]
                    with open(args[-1], "wb") as f:
                        f.write(text.encode() + (b"," if source == "query" else b""))
                subprocess.run(args, check=True)
                with open(out, "rb") as f:
                    expected = f.read()[-len(shot):]
                self.assertEqual((width, height), shown)
                self.assertTrue(shot == expected, "the page differs from render")
        self.assertEqual(dense.errors, [], "the page threw")

    def test_saver_time_keeps_to_the_wall_clock(self):
        self.open("settings=80,50,50,20,11")  # a step every poll, no wipe
        capture = "new Promise(done => requestAnimationFrame(now => done([_WebDue(), now])))"
        self.browser.wait_for("_WebDue() > 300")
        first = self.browser.evaluate(capture)
        self.browser.wait_for(f"performance.now() > {first[1] + 1500}")
        second = self.browser.evaluate(capture)
        self.assertAlmostEqual(second[0] - first[0], second[1] - first[1], delta=2)

    def test_input_ends_saver_mode(self):
        b = self.browser
        for start, actions, ends in INPUTS:
            with self.subTest(start=start, actions=actions):
                self.open("run" if start == "run" else "")
                x, y = b.click("[value=start]") if start == "button" else (100, 100)
                b.wait_for(f"{MODE} == 'saver'")
                b.mouse("mouseMoved", x, y)
                for kind, dx, dy in actions:
                    x, y = x + dx, y + dy
                    if kind == "keyDown":
                        b.call("Input.dispatchKeyEvent", type=kind, key="a", text="a")
                    else:
                        b.mouse(kind, x, y, "left" if kind == "mousePressed" else "none")
                self.assertEqual(b.evaluate(MODE), "live" if ends else "saver")
                if ends:
                    b.wait_for("!document.fullscreenElement")
                self.assertEqual(b.evaluate("!!document.fullscreenElement"),
                                 start == "button" and not ends)

    def test_ok_stores_the_settings_file(self):
        b = self.browser
        for name, key, presses, button, expected in SLIDERS:
            with self.subTest(slider=name, key=key, presses=presses, button=button):
                self.open("")
                b.evaluate(f"document.querySelector('[name={name}]').focus()")
                for _ in range(presses):
                    b.call("Input.dispatchKeyEvent", type="rawKeyDown", key=key, code=key,
                           windowsVirtualKeyCode=KEYS[key])
                b.click(f"[value={button}]")
                stored = b.evaluate(f"localStorage.getItem('{KEY}')")
                self.assertEqual(stored and stored.encode("latin-1"), expected)
                # The panel reads back what was stored, as the settings window reads its file.
                b.open(self.base + "index.html")
                b.wait_for(MODE)
                sliders = b.evaluate("[...document.querySelectorAll('input')].sort((a, b) => "
                                     "a.dataset.row - b.dataset.row).map(i => i.value).join()")
                self.assertEqual(sliders + ",", (expected or b"80,50,44,960,11,\0")[:-1].decode())

    def test_page_is_three_files_within_budget(self):
        names = sorted(os.listdir(PAGE))
        self.assertEqual(names, ["index.html", "index.js", "index.wasm"])
        self.assertLessEqual(sum(os.path.getsize(os.path.join(PAGE, n)) for n in names), 98304)


if __name__ == "__main__":
    unittest.main()
