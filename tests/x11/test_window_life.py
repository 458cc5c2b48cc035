"""The hack's window life: a new size starts the saver afresh, an exposed part is painted again
from the saver's screen, and every way out ends it quietly with 0."""

import os
import signal
import time
import unittest

import x11test as x

WIDTH, HEIGHT = 320, 240
SEED = 5
FAST_OPTIONS = ["--box-size", "40", "--draw-speed", "50"]
FAST = (40, 50, 50, 960, 11)
# One box, then a wait of 100,051 polls: nothing but the hack itself can change the window.
STILL = b"60,50,-100000,960,11,"


def setUpModule():
    global session
    session = x.Session(WIDTH, HEIGHT)


def tearDownModule():
    session.close()


def drawn(window):
    return len(session.capture(window).colors()) > 1


class WindowLife(unittest.TestCase):
    def tearDown(self):
        for process in session.processes:
            x.end(process)
        session.processes.clear()

    def still_settings(self):
        path = os.path.join(session.dir, "still.ini")
        with open(path, "wb") as f:
            f.write(STILL)
        return path

    def matches(self, window, size, settings, max_polls):
        path = session.save(session.capture(window), "life")
        return x.match([path], *size, SEED, settings, max_polls)[0]

    def test_a_new_size_starts_the_saver_afresh(self):
        window = session.xlib.window(0, 0, 200, 150)
        process = session.hack("--window-id", hex(window), "--seed", str(SEED), *FAST_OPTIONS)
        settings = x.settings_file(session.dir, FAST)
        x.wait_until(lambda: drawn(window), message="a first box")
        session.xlib.call("XResizeWindow", window, 260, 120)
        resized = time.monotonic()
        # The saver's time starts again at the resize: no frame from before it, at either size.
        found = x.wait_until(lambda: self.matches(window, (260, 120), settings, 60000),
                             message="the saver's frames at 260x120")
        self.assertLessEqual(found[1], (time.monotonic() - resized) * 1000 + 40)
        process.send_signal(signal.SIGTERM)
        self.assertEqual(x.exit_of(process), (0, ""))
        session.xlib.call("XDestroyWindow", window)

    def test_an_exposed_part_is_painted_again(self):
        settings = self.still_settings()
        window = session.xlib.window(0, 0, 200, 150)
        process = session.hack("--window-id", hex(window), "--seed", str(SEED), "--settings",
                               settings)
        x.wait_until(lambda: self.matches(window, (200, 150), settings, 10) == (1, 0, 100051),
                     message="the first box")
        # What the cover leaves, the server fills with the window's background, white.
        cover = session.xlib.window(30, 40, 120, 90, background=0x00FF00)
        session.xlib.call("XDestroyWindow", cover)
        x.wait_until(lambda: self.matches(window, (200, 150), settings, 10) == (1, 0, 100051),
                     message="the uncovered part painted again")
        process.send_signal(signal.SIGTERM)
        self.assertEqual(x.exit_of(process), (0, ""))
        session.xlib.call("XDestroyWindow", window)

    def test_every_way_out_ends_it_quietly(self):
        still = self.still_settings()
        own = ["--settings", still]
        given = lambda window: ["--window-id", hex(window)] + FAST_OPTIONS
        cases = [
            # name, arguments (of the given window; None: a window of its own), the ending,
            # whether the ending destroys the given window
            ("window destroyed while drawing", given, lambda p, w: self.destroy(w), True),
            ("window destroyed in a long wait", lambda w: ["--window-id", hex(w)] + own,
             lambda p, w: self.destroy(w), True),
            ("SIGTERM", given, lambda p, w: p.send_signal(signal.SIGTERM), False),
            ("SIGINT in a long wait", lambda w: ["--window-id", hex(w)] + own,
             lambda p, w: p.send_signal(signal.SIGINT), False),
            ("SIGHUP", given, lambda p, w: p.send_signal(signal.SIGHUP), False),
            ("SIGTERM with the server stopped", given, self.terminate_while_stopped, False),
            ("q in its own window", None, lambda p, w: self.key(w, "q"), False),
            ("Escape in its own window", None, lambda p, w: self.key(w, "Escape"), False),
            ("closed by the window manager", None, lambda p, w: session.xlib.ask_to_close(w),
             False),
            ("its connection closed", None,
             lambda p, w: session.x("xdotool", "windowkill", str(w)), False),
        ]
        for name, arguments, ending, destroys in cases:
            with self.subTest(name):
                if arguments is None:
                    process = session.hack("--seed", str(SEED), *FAST_OPTIONS)
                    window = x.wait_until(self.own_window, message="its own window")
                else:
                    window = session.xlib.window(0, 0, 200, 150)
                    process = session.hack(*arguments(window))
                x.wait_until(lambda: drawn(window), message="a first box")
                ending(process, window)
                self.assertEqual(x.exit_of(process), (0, ""))
                if arguments is not None and not destroys:
                    self.destroy(window)
                x.wait_until(lambda: not self.own_window(), message="no window of its own")

    def terminate_while_stopped(self, process, window):
        # A server that cannot answer must not keep the hack from ending.
        session.xvfb.send_signal(signal.SIGSTOP)
        try:
            process.send_signal(signal.SIGTERM)
            process.wait(timeout=x.TIMEOUT)
        finally:
            session.xvfb.send_signal(signal.SIGCONT)

    def destroy(self, window):
        session.xlib.call("XDestroyWindow", window)

    def key(self, window, name):
        # Real key events through XTEST; without a window manager the focus follows the pointer.
        session.x("xdotool", "mousemove", "--window", str(window), "10", "10")
        session.x("xdotool", "key", name)

    def own_window(self):
        out = session.x("xwininfo", "-root", "-tree").decode()
        for line in out.splitlines():
            if '"Tavorinex"' in line:
                return int(line.split()[0], 16)
        return None


if __name__ == "__main__":
    raise SystemExit(x.main())
