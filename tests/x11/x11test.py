"""The XScreenSaver hack end to end: an Xvfb of its own per test file, the hack as a process,
windows of another client made through Xlib, captures read back from the X server, and the
renderer's frames to find them among.

Set by CTest (or by hand): TAVORINEX_TOOL (the built `tavorinex`), TAVORINEX_FRAME_MATCH (the
built `frame_match`) and TAVORINEX_X11_WORK (a scratch folder).
"""

import ctypes
import ctypes.util
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = os.environ.get("TAVORINEX_TOOL", "")
FRAME_MATCH = os.environ.get("TAVORINEX_FRAME_MATCH", "")
WORK = os.environ.get("TAVORINEX_X11_WORK", tempfile.gettempdir())

# Bounds for waits that normally end within milliseconds, on a loaded 2-core machine.
TIMEOUT = float(os.environ.get("TAVORINEX_X11_TIMEOUT", "30"))
POLL = 0.02


def wait_until(predicate, timeout=None, message="condition"):
    """Polls `predicate` until it returns a true value, which is returned."""
    limit = TIMEOUT if timeout is None else timeout
    deadline = time.monotonic() + limit
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {limit:g} s waiting for {message}")
        time.sleep(POLL)


class Session:
    """One Xvfb, started for a test file and ended with it."""

    def __init__(self, width=640, height=480, xvfb_options=()):
        self.width, self.height = width, height
        self.dir = tempfile.mkdtemp(prefix="x11-", dir=_work())
        read, write = os.pipe()
        # -displayfd: the server picks a free display itself and names it once it listens.
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset", *xvfb_options],
            pass_fds=[write], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.dir, "xvfb.log"), "wb"))
        os.close(write)
        number = b""
        deadline = time.monotonic() + TIMEOUT
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            self.xvfb.kill()
            self.xvfb.wait()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("XSCREENSAVER_WINDOW", None)
        self.processes = []
        self.xlib = Xlib(self.display)

    def close(self):
        for process in self.processes:
            end(process)
        self.xlib.close()
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()
            self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)

    def hack(self, *args, env=None):
        """Starts the hack with these options; stdout and stderr are captured."""
        environment = dict(self.env, **(env or {}))
        process = subprocess.Popen([TOOL, *args], env=environment, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.started = time.monotonic()
        self.processes.append(process)
        return process

    def x(self, *args, check=True):
        """Runs an X client on this display; returns its standard output."""
        result = subprocess.run(list(args), env=self.env, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=TIMEOUT)
        if check and result.returncode != 0:
            raise RuntimeError(f"{' '.join(args)}: {result.stderr.decode(errors='replace')}")
        return result.stdout

    def capture(self, window=None):
        """The window's pixels as the X server holds them (the whole screen without one)."""
        data = self.x("xwd", "-silent", *(["-id", hex(window)] if window else ["-root"]))
        return parse_xwd(data)

    def save(self, shot, name):
        path = os.path.join(self.dir, name + ".ppm")
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (shot.width, shot.height) + shot.rgb)
        return path


class Shot:
    def __init__(self, width, height, rgb, words):
        self.width, self.height, self.rgb, self.words = width, height, rgb, words

    def colors(self):
        """The distinct pixels, counted in C: an 8K screen has 33 million."""
        return set(memoryview(self.words).cast("I"))


def parse_xwd(data):
    """An XWD dump (ZPixmap, TrueColor) as packed RGB."""
    fields = struct.unpack(">25I", data[:100])
    header_size, pixmap_format = fields[0], fields[2]
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if pixmap_format != 2 or bits_per_pixel != 32:
        raise ValueError(f"unexpected XWD: format {pixmap_format}, {bits_per_pixel} bpp")
    start = header_size + 12 * ncolors
    order = "<" if byte_order == 0 else ">"
    # Xvfb's 24-bit screens: 32-bit little-endian pixels, blue in the low byte.
    if order != "<" or masks != (0xFF0000, 0xFF00, 0xFF) or bytes_per_line != 4 * width:
        raise ValueError("unexpected XWD pixel layout")
    pixels = data[start:start + 4 * width * height]
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
    return Shot(width, height, bytes(rgb), pixels)


def match(paths, width, height, seed, settings=None, max_polls=120000):
    """Where among the renderer's frames each capture is: for each, None or (steps, first,
    count): the steps begun, and the polls [first, first + count] the saver shows it for."""
    args = [FRAME_MATCH, "--width", str(width), "--height", str(height), "--seed", str(seed),
            "--max-polls", str(max_polls)]
    if settings:
        args += ["--settings", settings]
    result = subprocess.run(args + list(paths), capture_output=True, timeout=max(TIMEOUT, 120))
    if result.returncode == 2:
        raise RuntimeError(result.stderr.decode(errors="replace"))
    found = []
    for line in result.stdout.decode().splitlines():
        parts = line.split()
        found.append(None if parts[-1] == "none" else tuple(int(p) for p in parts[-3:]))
    return found


def settings_file(directory, sliders):
    """A settings file as the Windows settings window saves it."""
    path = os.path.join(directory, "tavorinex.ini")
    with open(path, "wb") as f:
        f.write(b"".join(b"%d," % value for value in sliders) + b"\0")
    return path


def end(process):
    if process.poll() is None:
        process.kill()
    process.wait()
    for stream in (process.stdout, process.stderr):
        if stream:
            stream.close()


def exit_of(process, timeout=None):
    """Waits for the process to end; returns (code, stderr text)."""
    try:
        _, err = process.communicate(timeout=TIMEOUT if timeout is None else timeout)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{process.args} still runs") from None
    return process.returncode, err.decode(errors="replace")


def _work():
    os.makedirs(WORK, exist_ok=True)
    return WORK


# ---------------------------------------------------------------- Xlib, for windows of our own

class _XClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessage), ("pad", ctypes.c_long * 24)]


class Xlib:
    """A client of our own on the display, for the windows a daemon would make."""

    def __init__(self, display):
        self.lib = ctypes.CDLL(ctypes.util.find_library("X11"))
        lib = self.lib
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XCreateSimpleWindow.restype = ctypes.c_ulong
        lib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                            ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                            ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(_XEvent)]
        for name in ("XMapWindow", "XDestroyWindow"):
            getattr(lib, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        lib.XResizeWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_uint,
                                      ctypes.c_uint]
        lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = lib.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open {display}")

    def window(self, x, y, width, height, background=0xFFFFFF):
        """A mapped top-level window; white unless told, so what is left undrawn shows."""
        window = self.lib.XCreateSimpleWindow(self.display, self.lib.XDefaultRootWindow(
            self.display), x, y, width, height, 0, 0, background)
        self.lib.XMapWindow(self.display, window)
        self.sync()
        return window

    def call(self, name, *args):
        getattr(self.lib, name)(self.display, *args)
        self.sync()

    def ask_to_close(self, window):
        """WM_DELETE_WINDOW, as a window manager's close button sends it."""
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        self.lib.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.sync()

    def sync(self):
        self.lib.XSync(self.display, 0)

    def close(self):
        if self.display:
            self.lib.XCloseDisplay(self.display)
            self.display = None


def main():
    """Runs this file's tests; none may be skipped, at least one must run."""
    for name, path in (("TAVORINEX_TOOL", TOOL), ("TAVORINEX_FRAME_MATCH", FRAME_MATCH)):
        if not os.access(path, os.X_OK):
            print(f"{name} must name the built program (got {path!r})", file=sys.stderr)
            return 1
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules["__main__"])
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    return 0 if result.wasSuccessful() and result.testsRun > 0 and not result.skipped else 1
