"""Pixel identity: what the hack's window shows, read back from the X server, is exactly a screen
the renderer draws with the same seed, settings and size, at the saver time the wall clock says.
"""

import os
import signal
import time
import unittest

import x11test as x

WIDTH, HEIGHT = 320, 240
DEFAULTS = (80, 50, 44, 960, 11)
# A step every poll, a colour change every few bounces, a wipe every 20 bounces without delay.
FAST = (40, 3, 50, 1000, 15)
FAST_OPTIONS = ["--box-size", "40", "--color-change-rate", "3", "--draw-speed", "50",
                "--erase-frequency", "1000", "--erase-speed", "15"]


class PixelIdentity(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = x.Session(WIDTH, HEIGHT)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def found_capture(self, window, size, seed, settings, name):
        """A capture of the window and where the renderer shows it: (times, match). A capture
        taken while a frame was half copied matches nothing; the next one is taken then."""
        for attempt in range(3):
            before = time.monotonic()
            shot = self.session.capture(window)
            after = time.monotonic()
            self.assertEqual((shot.width, shot.height), size)
            path = self.session.save(shot, f"{name}-{attempt}")
            limit = int((after - self.process.started) * 1000) + 2000
            found = x.match([path], *size, seed, settings, limit)[0]
            if found:
                return (before, after), found
        self.fail(f"{name}: no frame of the renderer (seed {seed}, {size}) equals the window")

    def check_identity(self, args, sliders=None, settings=None, target="window", env=None,
                       seed=17, expected_stderr=""):
        directory = self.session.dir
        renderer_settings = settings or x.settings_file(directory, sliders)
        window = None
        size = (WIDTH, HEIGHT)
        if target == "window":
            size = (200, 150)
            window = self.session.xlib.window(10, 20, *size)
            args = ["--window-id", hex(window)] + args
        elif target == "xscreensaver":
            size = (200, 150)
            window = self.session.xlib.window(10, 20, *size)
            env = {"XSCREENSAVER_WINDOW": hex(window)}
            args = ["--root"] + args
        self.process = self.session.hack(*args, "--seed", str(seed), env=env)
        if target == "own":
            window = x.wait_until(lambda: self.own_window(), message="the hack's window")
        # Something drawn: more than one colour on the screen.
        x.wait_until(lambda: len(self.session.capture(window).colors()) > 1,
                     message="a first box")
        times_a, first = self.found_capture(window, size, seed, renderer_settings, "a")
        x.wait_until(lambda: time.monotonic() >= times_a[1] + 1.0, message="a second passing")
        times_b, second = self.found_capture(window, size, seed, renderer_settings, "b")

        # One poll is one millisecond: the saver times the two screens stand for lie as far
        # apart as the captures, give or take a frame and the time a capture takes; a busy
        # machine may only slow the saver down, and not below a third of the pace.
        (_, a_first, a_count), (_, b_first, b_count) = first, second
        frame = 40
        self.assertLessEqual(b_first, (times_b[1] - self.process.started) * 1000 + frame)
        self.assertLessEqual(b_first - (a_first + a_count),
                             (times_b[1] - times_a[0]) * 1000 + frame, (first, second))
        self.assertGreaterEqual(b_first + b_count - a_first,
                                (times_b[0] - times_a[1]) * 1000 / 3 - frame, (first, second))
        self.assertGreater(second[0], first[0])

        self.process.send_signal(signal.SIGTERM)
        code, err = x.exit_of(self.process)
        self.assertEqual((code, err), (0, expected_stderr))
        if target in ("window", "xscreensaver"):
            self.session.xlib.call("XDestroyWindow", window)

    def own_window(self):
        out = self.session.x("xwininfo", "-name", "Tavorinex", check=False).decode()
        for word in out.split():
            if word.startswith("0x"):
                return int(word, 16)
        return None

    def test_fast_with_wipes_in_xscreensavers_window(self):
        self.check_identity(FAST_OPTIONS, FAST, target="xscreensaver")

    def test_values_beyond_the_sliders_are_clamped(self):
        self.check_identity(["--box-size", "999", "--draw-speed", "-5"], (230, 50, 0, 960, 11),
                            expected_stderr="tavorinex: --box-size 999 is outside 40..230; "
                            "using 230\ntavorinex: --draw-speed -5 is outside 0..50; using 0\n")

    def test_a_hand_edited_settings_file_loads_as_the_saver_loads_it(self):
        # Out of every range, a hexadecimal field, and no closing zero byte.
        path = os.path.join(self.session.dir, "edited.ini")
        with open(path, "wb") as f:
            f.write(b"&H1E,60,49.5,1010,-3,")
        self.check_identity(["--settings", path], settings=path)

    def test_the_root_window(self):
        self.check_identity(FAST_OPTIONS, FAST, target="root")

    def test_a_window_of_its_own(self):
        self.check_identity([], DEFAULTS, target="own")


class WithoutSharedMemory(unittest.TestCase):
    """A server without MIT-SHM (a remote one, say) gets the same pixels through XPutImage."""

    @classmethod
    def setUpClass(cls):
        cls.session = x.Session(WIDTH, HEIGHT, ["-extension", "MIT-SHM"])

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    found_capture = PixelIdentity.found_capture
    check_identity = PixelIdentity.check_identity

    def test_fast_with_wipes(self):
        self.check_identity(FAST_OPTIONS, FAST)


if __name__ == "__main__":
    raise SystemExit(x.main())
