#!/usr/bin/env python3
"""Measures the real tavorinex.scr under Wine: how long it takes from an input to the
process's exit, and how long one screen wipe takes against the polls it is made of.

    python3 bench/bench-wine.py [--scr build/windows/tavorinex.scr] [--runs 30] [--wipes 5]

Runs in the end-to-end harness's session (its own Xvfb and Wine prefix; see tests/e2e). A
benchmark, not a test: it prints figures and fails only when it cannot take them.
"""

import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import harness as h  # noqa: E402

# BoxSize 80, ColorChangeRate 50, DrawSpeed 50 (a step every poll), EraseFrequency 1000 (a wipe
# every 20 bounces), EraseSpeed 11 (WipeDelay 4).
WIPE_SETTINGS = b"80,50,50,1000,11,\0"
WIPE_DELAY = 4


class XClient:
    """A direct connection to the X server: reads the screen's top row in well under a
    millisecond, and sends input through the XTEST extension without starting a process, so that
    the time of an input is known to a fraction of a millisecond."""

    SAMPLES = [0, 1, 2, 100, 257, 400, 511, 640, 777, 900, 1000, 1023]

    def __init__(self, display):
        x = ctypes.CDLL("libX11.so.6")
        t = ctypes.CDLL("libXtst.so.6")
        vp, ul, i, ui = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint
        x.XOpenDisplay.restype = vp
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ul
        x.XDefaultRootWindow.argtypes = [vp]
        x.XGetImage.restype = vp
        x.XGetImage.argtypes = [vp, ul, i, i, ui, ui, ul, i]
        x.XGetSubImage.restype = vp
        x.XGetSubImage.argtypes = [vp, ul, i, i, ui, ui, ul, i, vp, i, i]
        x.XGetPixel.restype = ul
        x.XGetPixel.argtypes = [vp, i, i]
        x.XStringToKeysym.restype = ul
        x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        x.XKeysymToKeycode.restype = ctypes.c_ubyte
        x.XKeysymToKeycode.argtypes = [vp, ul]
        x.XFlush.argtypes = [vp]
        x.XSync.argtypes = [vp, i]
        t.XTestFakeKeyEvent.argtypes = [vp, ui, i, ul]
        t.XTestFakeButtonEvent.argtypes = [vp, ui, i, ul]
        t.XTestFakeRelativeMotionEvent.argtypes = [vp, i, i, ul]
        self.x, self.t = x, t
        self.display = x.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open {display}")
        self.root = x.XDefaultRootWindow(self.display)
        z_pixmap = 2
        self.image = x.XGetImage(self.display, self.root, 0, 0, h.SCREEN_WIDTH, 1, 0xFFFFFFFF,
                                 z_pixmap)

    def row(self):
        """The sampled pixels of row 0 (0x00RRGGBB each)."""
        self.x.XGetSubImage(self.display, self.root, 0, 0, h.SCREEN_WIDTH, 1, 0xFFFFFFFF, 2,
                            self.image, 0, 0)
        return [self.x.XGetPixel(self.image, x, 0) & 0xFFFFFF for x in self.SAMPLES]

    def _sent(self):
        self.x.XSync(self.display, 0)  # the server has taken the input
        return time.monotonic()

    def key(self, name):
        code = self.x.XKeysymToKeycode(self.display, self.x.XStringToKeysym(name.encode()))
        self.t.XTestFakeKeyEvent(self.display, code, 1, 0)
        sent = self._sent()
        self.t.XTestFakeKeyEvent(self.display, code, 0, 0)
        self._sent()
        return sent

    def click(self, button=1):
        self.t.XTestFakeButtonEvent(self.display, button, 1, 0)
        sent = self._sent()
        self.t.XTestFakeButtonEvent(self.display, button, 0, 0)
        self._sent()
        return sent

    def move(self, dx, dy):
        self.t.XTestFakeRelativeMotionEvent(self.display, dx, dy, 0)
        return self._sent()


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


def summary(values):
    return (f"median {statistics.median(values):6.1f} ms, 95th percentile "
            f"{percentile(values, 0.95):6.1f} ms, min {min(values):6.1f}, max {max(values):6.1f}"
            f" (n = {len(values)})")


def start_drawing(ini=None):
    h.mouse_move(512, 384)
    program = h.run("tavorinex.scr", "/s", ini)
    h.wait_window("saver")
    h.wait_until(lambda: h.screenshot().pixel(0, 0) != (0, 0, 0), None, "the first box")
    time.sleep(0.3)
    return program


def input_to_exit(client, kind, runs):
    """Milliseconds from the moment the X server has taken the input until the saver's
    process has ended, one fresh saver per run."""
    times = []
    misses = 0
    for _ in range(runs):
        program = start_drawing()
        if kind == "key":
            sent = client.key("a")
        elif kind == "click":
            sent = client.click(1)
        else:
            # A move counts only when it falls between the two cursor readings of one poll.
            # Under Wine a move that the saver's own GetInputState has taken in makes
            # GetCursorPos answer from the server's copy for 100 ms, which changes only there:
            # moves closer together than that would go unseen. The time runs from the last move.
            for attempt in range(100):
                sent = client.move(2 if attempt % 2 == 0 else -2, 0)
                try:
                    program.popen.wait(timeout=0.15)
                    break
                except subprocess.TimeoutExpired:
                    misses += 1
        code = h.wait_exit(program)
        times.append((time.monotonic() - sent) * 1000)
        if code != 0:
            raise RuntimeError(f"exit code {code} after a {kind}")
    return times, misses


def wipe_phases(reader, wipes):
    """Times of the wipe's two visible phases, from the top row as the X server has it: the
    interlace (row 0 turns one colour, until the first fan line blackens it) and the fans with
    the closing pause (until the box is back at the top-left corner)."""
    program = start_drawing(WIPE_SETTINGS)
    interlace, rest = [], []
    deadline = time.monotonic() + 60 * wipes
    while len(rest) < wipes:
        if time.monotonic() > deadline or not h.is_running(program):
            raise RuntimeError("no wipe seen")
        row = reader.row()
        time.sleep(0.0005)  # leave the two cores to the saver and the X server
        if row[0] != 0 and len(set(row)) == 1:
            started = time.monotonic()
            while reader.row()[0] != 0:
                time.sleep(0.0005)
            fans = time.monotonic()
            while reader.row()[0] == 0:
                time.sleep(0.0005)
            back = time.monotonic()
            interlace.append((fans - started) * 1000)
            rest.append((back - fans) * 1000)
    h.key("a")
    h.wait_exit(program)
    return interlace, rest


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--scr", help="the tavorinex.scr to measure (default: "
                        "build/windows/tavorinex.scr)")
    parser.add_argument("--runs", type=int, default=30, help="saver starts per kind of input")
    parser.add_argument("--wipes", type=int, default=5, help="wipes to time")
    parser.add_argument("--inputs", default="key,click,move", help="kinds of input to time")
    options = parser.parse_args()
    if options.scr:
        os.environ["TAVORINEX_SCR"] = os.path.abspath(options.scr)
    h.start()
    print(f"{h.scr_path()} under Wine on {h.display()}, {h.SCREEN_WIDTH}x{h.SCREEN_HEIGHT}")

    client = XClient(h.display())
    for kind in filter(None, options.inputs.split(",")):
        times, misses = input_to_exit(client, kind, options.runs)
        extra = f", {misses} moves not seen" if kind == "move" else ""
        print(f"input to exit, {kind:5}: {summary(times)}{extra}")

    # Polls between the first coloured row and the first fan line: (H / 2 + 1) lines of P + 1
    # polls; from there to the box's return: H + 1 fan iterations of P + 1, and the closing
    # pause of 100 P + 1.
    height, p = h.SCREEN_HEIGHT, WIPE_DELAY
    interlace_polls = (height // 2 + 1) * (p + 1)
    rest_polls = (height + 1) * (p + 1) + 100 * p + 1
    whole_polls = 2 * (100 * p + 1) + (height // 2 + height + 2) * (p + 1)
    if options.wipes <= 0:
        return
    interlace, rest = wipe_phases(client, options.wipes)
    for name, times, polls in [("interlace", interlace, interlace_polls),
                               ("fans and closing pause", rest, rest_polls)]:
        print(f"wipe, {name}: {summary(times)}; {polls} polls predicted: "
              f"{statistics.median(times) / polls:.3f} ms per poll")
    per_poll = statistics.median([(a + b) / (interlace_polls + rest_polls)
                                  for a, b in zip(interlace, rest)])
    print(f"whole wipe at WipeDelay {p}: {whole_polls} polls predicted, about "
          f"{whole_polls * per_poll:.0f} ms at the measured {per_poll:.3f} ms per poll")


if __name__ == "__main__":
    main()
