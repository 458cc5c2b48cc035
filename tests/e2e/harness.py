"""Runs the real tavorinex.scr under Wine, in an Xvfb display of its own, and drives it like a user.

One session per test run: an Xvfb server, one Wine prefix with a 1024x768 virtual desktop (made
once, then reused), and one persistent wineserver that keeps later starts warm. The session starts
on first use and ends at exit; it ends only the processes it started itself.

Plain functions over a small process-wide state; see README.md beside this file for the API.
"""

import atexit
import ctypes
import fcntl
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import unittest
import zlib
from dataclasses import dataclass, field

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_ENV_SCRIPT = os.path.join(REPO, "tools", "wine-env.sh")

# Generous: these bound waits that normally end in milliseconds, on a loaded 2-core machine.
TIMEOUT = float(os.environ.get("TAVORINEX_E2E_TIMEOUT", "30"))
POLL = 0.02

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768

# Keys the harness releases after every test: a key left down in the X server closes the next
# message box by itself.
RELEASED_KEYS = ["Return", "Escape", "space", "a"]

PR_SET_CHILD_SUBREAPER = 36


@dataclass
class Program:
    """One started copy of the .scr: its wine process and where it lives."""

    popen: subprocess.Popen
    path: str
    args: list
    log: str


@dataclass
class Shot:
    """A screenshot as packed RGB bytes, row by row from the top-left pixel."""

    width: int
    height: int
    rgb: bytes

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"pixel ({x}, {y}) outside {self.width}x{self.height}")
        i = (y * self.width + x) * 3
        return (self.rgb[i], self.rgb[i + 1], self.rgb[i + 2])


@dataclass
class WindowWatch:
    """Records every window mapped on the screen between `watch_windows` and `stop_watch`."""

    watchers: list = field(default_factory=list)  # (popen, log path, X window, marker count)


@dataclass
class _State:
    started: bool = False
    display: str = ""
    own_xvfb: subprocess.Popen = None
    wineserver: subprocess.Popen = None
    keeper: subprocess.Popen = None  # holds Wine's desktop open
    env: dict = None
    prefix: str = ""
    scr: str = ""
    work: str = ""
    run_dir: str = ""
    shots: str = ""
    lock: object = None
    children: list = field(default_factory=list)  # every Popen the harness made
    launched: list = field(default_factory=list)  # programs started since the last cleanup
    copies: int = 0
    keys_used: set = field(default_factory=set)


_state = _State()


# ---------------------------------------------------------------- processes


def _track(popen):
    _state.children.append(popen)
    return popen


def _reap_orphans():
    """Collects finished processes that were handed to us as subreaper (Wine's services)."""
    tracked = {p.pid for p in _state.children if p.returncode is None}
    while True:
        try:
            info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOHANG | os.WNOWAIT)
        except ChildProcessError:
            return
        if info is None or info.si_pid in tracked:
            return
        try:
            os.waitpid(info.si_pid, 0)
        except ChildProcessError:
            return


def _parent(pid):
    with open(f"/proc/{pid}/stat", "rb") as f:
        return int(f.read().rsplit(b")", 1)[1].split()[1])


def _prefix_processes():
    """Our descendants that run in this session's Wine prefix (as subreaper, Wine's services
    count among them)."""
    wanted = f"WINEPREFIX={_state.prefix}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if wanted not in f.read().split(b"\0"):
                    continue
            ancestor = _parent(pid)
            while ancestor > 1 and ancestor != os.getpid():
                ancestor = _parent(ancestor)
        except (OSError, ValueError, IndexError):
            continue
        if ancestor == os.getpid():
            found.append(pid)
    return found


def _become_subreaper():
    # Wine's own services outlive the programs that started them; as subreaper we can collect
    # them after `wineserver -k` instead of leaving them defunct under a PID 1 that never reaps.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    except (OSError, AttributeError):
        pass


def wait_until(predicate, timeout=None, message="condition"):
    """Polls `predicate` until it returns a true value, which is returned; fails after `timeout`."""
    deadline = time.monotonic() + (TIMEOUT if timeout is None else timeout)
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout or TIMEOUT:g} s waiting for {message}")
        time.sleep(POLL)


def _x(args, check=True):
    """Runs an X client tool on the session's display; returns its standard output."""
    result = subprocess.run(args, env=_state.env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
    if check and result.returncode != 0:
        raise RuntimeError(f"{' '.join(args)} failed ({result.returncode}): "
                           f"{result.stderr.decode(errors='replace').strip()}")
    return result.stdout


# ---------------------------------------------------------------- session


def _display_answers(display):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdpyinfo"], env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def _display_taken(number):
    return (os.path.exists(f"/tmp/.X{number}-lock")
            or os.path.exists(f"/tmp/.X11-unix/X{number}"))


def _start_xvfb(number):
    """Starts Xvfb on :number; returns its Popen once it answers, or None if it gave up."""
    display = f":{number}"
    log = open(os.path.join(_state.run_dir, f"xvfb-{number}.log"), "wb")
    popen = _track(subprocess.Popen(
        ["Xvfb", display, "-screen", "0", f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24",
         "-nolisten", "tcp", "-noreset"],
        stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT))
    log.close()
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        if popen.poll() is not None:
            return None
        if _display_answers(display):
            return popen
        time.sleep(0.05)
    popen.kill()
    popen.wait()
    return None


def _open_display():
    wanted = os.environ.get("TAVORINEX_E2E_DISPLAY", "").strip()
    if wanted:
        display = wanted if wanted.startswith(":") else f":{wanted}"
        # A display that already answers (a person watching through a viewer) is used as it is.
        if _display_answers(display):
            _state.display = display
            return
        popen = _start_xvfb(int(display[1:].split(".")[0]))
        if popen is None:
            raise RuntimeError(f"could not start Xvfb on {display}")
        _state.own_xvfb, _state.display = popen, display
        return
    for number in range(90, 200):
        if _display_taken(number):
            continue
        popen = _start_xvfb(number)
        if popen is not None:
            _state.own_xvfb, _state.display = popen, f":{number}"
            return
    raise RuntimeError("no free X display from :90 to :199")


def _wine_environment():
    """The environment tools/wine-env.sh gives, with the prefix made ready on our display."""
    env = dict(os.environ, DISPLAY=_state.display, TAVORINEX_WINEPREFIX=_state.prefix)
    result = subprocess.run(
        ["bash", "-c", 'source "$1" && wine_prefix_ready && env -0', "wine-env", WINE_ENV_SCRIPT],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        timeout=max(TIMEOUT, 300))
    if result.returncode != 0:
        raise RuntimeError("preparing the Wine prefix failed: "
                           + result.stderr.decode(errors="replace"))
    pairs = [item.split("=", 1) for item in result.stdout.decode().split("\0") if "=" in item]
    return {key: value for key, value in pairs}


def _warm_wine():
    """Keeps one wineserver for the whole run and brings Wine's services up once."""
    log = open(os.path.join(_state.run_dir, "wineserver.log"), "wb")
    _state.wineserver = _track(subprocess.Popen(
        ["wineserver", "--foreground", "--persistent"], env=_state.env,
        stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT))
    log.close()
    # The first program starts the desktop and services; its exit code proves they pass through.
    result = subprocess.run(["wine", "cmd.exe", "/c", "exit", "7"], env=_state.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, timeout=max(TIMEOUT, 120))
    if _state.wineserver.poll() is not None:
        raise RuntimeError(f"wineserver for {_state.prefix} ended at once: another one runs there")
    if result.returncode != 7:
        raise RuntimeError(f"wine cmd.exe /c exit 7 gave {result.returncode}, not 7")
    # Wine closes its desktop a moment after the last program in it ends, and opens a new one
    # for the next: a window watch would see that desktop come and go. A shell waiting for
    # input keeps the one desktop for the whole session.
    _state.keeper = _track(subprocess.Popen(["wine", "cmd.exe"], env=_state.env,
                                            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL))
    wait_until(_desktop_window, max(TIMEOUT, 60), "Wine's desktop window")


def start():
    """Starts the session if it is not running yet. Every other function calls it."""
    if _state.started:
        return
    scr = os.environ.get("TAVORINEX_SCR") or os.path.join(REPO, "build", "windows", "tavorinex.scr")
    _state.scr = os.path.abspath(scr)
    if not os.path.isfile(_state.scr):
        raise RuntimeError(f"{_state.scr} does not exist: build the windows preset first")
    _state.work = os.path.abspath(os.environ.get("TAVORINEX_E2E_WORK")
                                  or os.path.join(os.path.dirname(_state.scr), "e2e"))
    _state.shots = os.path.join(_state.work, "shots")
    _state.prefix = os.path.abspath(os.environ.get("TAVORINEX_WINEPREFIX")
                                    or os.path.join(_state.work, "wineprefix"))
    os.makedirs(_state.work, exist_ok=True)
    os.makedirs(_state.shots, exist_ok=True)

    # Two runs on one prefix would share one wineserver, one desktop and one mutex.
    _state.lock = open(_state.prefix.rstrip("/") + ".run-lock", "w")
    fcntl.flock(_state.lock, fcntl.LOCK_EX)
    # Lower-case names only: the program lower-cases its own path before it looks for its files.
    _state.run_dir = os.path.join(_state.work, f"run{os.getpid()}")
    shutil.rmtree(_state.run_dir, ignore_errors=True)
    os.makedirs(_state.run_dir)

    _become_subreaper()
    _state.started = True
    atexit.register(stop)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        _open_display()
        _state.env = _wine_environment()
        _warm_wine()
    except BaseException:
        stop()
        raise


def stop():
    """Ends everything the session started: programs, Wine's processes in our prefix, Xvfb."""
    if not _state.started:
        return
    _state.started = False
    for program in _state.launched:
        _end(program)
    _state.launched = []
    if _state.env is not None:
        try:
            subprocess.run(["wineserver", "-k"], env=_state.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            pass
        # Whatever of Wine still runs in our prefix after that is ended the hard way.
        for pid in _prefix_processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
    for popen in reversed(_state.children):
        if popen.returncode is None:
            if popen is not _state.wineserver:
                popen.terminate()
            try:
                popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                popen.kill()
                popen.wait()
    # Wine's services die with the wineserver; collect them once they have.
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            break
        if pid == 0:
            time.sleep(POLL)
    shutil.rmtree(_state.run_dir, ignore_errors=True)
    if _state.lock is not None:
        _state.lock.close()
        _state.lock = None


def display():
    start()
    return _state.display


def wine_env():
    """The environment of every Wine call of this session (a copy)."""
    start()
    return dict(_state.env)


def scr_path():
    start()
    return _state.scr


# ---------------------------------------------------------------- programs


def settings_path(scr):
    """Where the program at `scr` reads and writes its settings: the part of its lower-cased
    path in front of its own name, followed by tavorinex.ini (mytavorinex.scr -> mytavorinex.ini).
    Its name may stand anywhere in the path, also in a directory's name."""
    lower = scr.lower()
    for own in ("tavorinex.scr", "tavori~1.scr"):
        at = lower.find(own)
        if at >= 0:
            return scr[:at] + "tavorinex.ini"
    return os.path.join(os.path.dirname(scr), "tavorinex.ini")


def install(name="tavorinex.scr", ini=None):
    """Copies the built .scr into a fresh directory of its own under `name` (which may hold
    subdirectories: "tavorinex.scr.d/boxes.scr"); with `ini` (bytes) also writes the settings
    file it will read (see settings_path). Returns the copy's path."""
    start()
    _state.copies += 1
    path = os.path.join(_state.run_dir, f"c{_state.copies:03d}", name)
    os.makedirs(os.path.dirname(path))
    shutil.copyfile(_state.scr, path)
    if ini is not None:
        with open(settings_path(path), "wb") as f:
            f.write(ini)
    return path


def launch(path, args="/s", locale=None):
    """Starts the copy at `path` as `wine path args...`; Wine hands it the command line
    `"Z:\\...\\name.scr" args` as the Windows host does. `args` is a string split at spaces,
    or a list of arguments. `locale` ("en_US") runs it as on a Windows of that language instead
    of a Japanese one."""
    start()
    _reap_orphans()
    argv = args.split() if isinstance(args, str) else list(args)
    log_path = path + f".{len(_state.children)}.log"
    log = open(log_path, "wb")
    env = _state.env if locale is None else dict(_state.env, LANG=f"{locale}.UTF-8",
                                                 LC_ALL=f"{locale}.UTF-8")
    popen = _track(subprocess.Popen(["wine", path] + argv, env=env,
                                    cwd=os.path.dirname(path), stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT))
    log.close()
    program = Program(popen, path, argv, log_path)
    _state.launched.append(program)
    return program


def run(name="tavorinex.scr", args="/s", ini=None, locale=None):
    """install + launch in one call."""
    return launch(install(name, ini), args, locale)


def is_running(program):
    return program.popen.poll() is None


def wait_exit(program, timeout=None):
    """Waits for the program to end; returns its exit code. Fails the test if it keeps running."""
    limit = TIMEOUT if timeout is None else timeout
    try:
        return program.popen.wait(timeout=limit)
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{os.path.basename(program.path)} {' '.join(program.args)} "
                             f"still runs after {limit:g} s") from None


def _end(program):
    if program.popen.poll() is None:
        program.popen.kill()
    program.popen.wait()


def kill(program):
    """Ends a program the test started (as Task Manager would); returns once it is gone."""
    _end(program)


# ---------------------------------------------------------------- windows


def _ere_escape(text):
    return re.sub(r"([.\[\]{}()\\*+?^$|])", r"\\\1", text)


def find_windows(title, visible=True):
    """X window ids of the windows titled exactly `title` (mapped ones only unless told)."""
    start()
    args = ["xdotool", "search"] + (["--onlyvisible"] if visible else [])
    out = _x(args + ["--name", f"^{_ere_escape(title)}$"], check=False)
    return [int(line) for line in out.split()]


def wait_window(title, timeout=None):
    """Waits until exactly one visible window has the title; returns its id."""
    found = wait_until(lambda: find_windows(title), timeout, f"a window titled {title!r}")
    if len(found) != 1:
        raise AssertionError(f"{len(found)} windows titled {title!r}")
    return found[0]


def wait_no_window(title, timeout=None):
    wait_until(lambda: not find_windows(title), timeout, f"no window titled {title!r}")


def window_geometry(window):
    """(x, y, width, height) of the window's client area on the screen (the desktop's origin is
    the screen's)."""
    start()
    out = _x(["xwininfo", "-id", hex(window)]).decode(errors="replace")

    def value(label):
        match = re.search(rf"{label}:\s*(-?\d+)", out)
        if not match:
            raise RuntimeError(f"xwininfo gave no {label!r}: {out}")
        return int(match.group(1))

    return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
            value("Height"))


def window_tree():
    """The whole window tree as xwininfo prints it, for messages and debugging."""
    start()
    return _x(["xwininfo", "-root", "-tree"]).decode(errors="replace")


def _desktop_window():
    for line in window_tree().splitlines():
        match = re.match(r"\s*(0x[0-9a-f]+) \".* - Wine desktop\"", line)
        if match:
            return int(match.group(1), 16)
    return None


def _mark(watcher):
    """Changes a property of the watched window until the watch reports it. A change made before
    xev has subscribed is never reported, so one change alone could be waited for in vain."""
    popen, log, window, marks = watcher
    deadline = time.monotonic() + TIMEOUT
    while True:
        _x(["xprop", "-id", hex(window), "-f", "_TAVORINEX_MARK", "32c", "-set",
            "_TAVORINEX_MARK", str(marks + 1)])
        resend = time.monotonic() + 0.5
        while time.monotonic() < resend:
            seen = _read(log).count("_TAVORINEX_MARK")
            if seen > marks:
                return (popen, log, window, seen)
            time.sleep(POLL)
        if popen.poll() is not None or time.monotonic() >= deadline:
            raise AssertionError(f"the window watch on {window:#x} never saw its marker")


def _read(path):
    with open(path, "rb") as f:
        return f.read().decode(errors="replace")


def watch_windows():
    """Starts recording the windows that get mapped: on the screen, and inside Wine's desktop
    when that exists (it only exists while some program has a window). Returns once recording."""
    start()
    watch = WindowWatch()
    root = int(re.search(r"Window id: (0x[0-9a-f]+)", window_tree()).group(1), 16)
    for window in [root, _desktop_window()]:
        if window is None:
            continue
        log = os.path.join(_state.run_dir, f"watch{len(_state.children)}.log")
        with open(log, "wb") as f:
            popen = _track(subprocess.Popen(
                ["stdbuf", "-oL", "xev", "-id", hex(window), "-event", "substructure",
                 "-event", "property"], env=_state.env, stdin=subprocess.DEVNULL, stdout=f,
                stderr=subprocess.DEVNULL))
        # xev has subscribed once it reports a property change we make ourselves.
        watch.watchers.append(_mark((popen, log, window, 0)))
    return watch


def stop_watch(watch):
    """Ends the watch; returns the ids of the windows mapped while it ran, in order."""
    mapped = []
    for watcher in watch.watchers:
        popen, log, _, _ = _mark(watcher)  # everything before this marker has been reported
        popen.terminate()
        popen.wait()
        text = _read(log)
        mapped += [int(m, 16) for m in
                   re.findall(r"MapNotify event,[^\n]*\n\s*event 0x[0-9a-f]+, window (0x[0-9a-f]+)",
                              text)]
    watch.watchers = []
    return mapped


# ---------------------------------------------------------------- mouse and keys


def mouse_move(x, y):
    start()
    _x(["xdotool", "mousemove", str(x), str(y)])


def mouse_move_relative(dx, dy):
    start()
    # "--" so that negative offsets are not read as options.
    _x(["xdotool", "mousemove_relative", "--", str(dx), str(dy)])


def mouse_position():
    start()
    out = _x(["xdotool", "getmouselocation", "--shell"]).decode()
    values = dict(line.split("=", 1) for line in out.split())
    return (int(values["X"]), int(values["Y"]))


def click(button=1):
    start()
    _x(["xdotool", "click", str(button)])


def mouse_down(button=1):
    start()
    _x(["xdotool", "mousedown", str(button)])


def mouse_up(button=1):
    start()
    _x(["xdotool", "mouseup", str(button)])


def key(*keys):
    """Presses and releases each key in turn (xdotool key names: Return, Escape, space, a...).
    Sent to whatever has the focus, never with --window (a key sent to a window that has just
    gone stays held down)."""
    start()
    _state.keys_used.update(keys)
    _x(["xdotool", "key"] + list(keys))


def key_down(key_name):
    start()
    _state.keys_used.add(key_name)
    _x(["xdotool", "keydown", key_name])


def key_up(key_name):
    start()
    _x(["xdotool", "keyup", key_name])


def release_keys():
    """Releases every key a test may have left down."""
    start()
    keys = sorted(set(RELEASED_KEYS) | _state.keys_used)
    _x(["xdotool", "keyup"] + keys, check=False)
    for button in (1, 2, 3):
        _x(["xdotool", "mouseup", str(button)], check=False)


# ---------------------------------------------------------------- screenshots


def _parse_ppm(data):
    # P6 header: magic, width, height, maximum, each separated by whitespace (comments allowed).
    tokens, at = [], 0
    while len(tokens) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at) + 1
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        tokens.append(data[at:end])
        at = end
    if tokens[0] != b"P6" or tokens[3] != b"255":
        raise RuntimeError(f"unexpected screenshot format {tokens!r}")
    width, height = int(tokens[1]), int(tokens[2])
    rgb = data[at + 1:at + 1 + width * height * 3]
    if len(rgb) != width * height * 3:
        raise RuntimeError("screenshot shorter than its header says")
    return Shot(width, height, rgb)


def screenshot():
    """The whole screen (root window) now."""
    start()
    return _parse_ppm(_x(["import", "-window", "root", "-depth", "8", "ppm:-"]))


def save_png(shot, path):
    """Writes the screenshot as an RGB PNG."""
    rows = b"".join(b"\0" + shot.rgb[y * shot.width * 3:(y + 1) * shot.width * 3]
                    for y in range(shot.height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", shot.width, shot.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 6)))
        f.write(chunk(b"IEND", b""))
    return path


def save_shot(name, shot=None):
    """Saves a screenshot (taken now unless given) as <shots>/<name>.png; returns the path."""
    start()
    safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
    return save_png(shot if shot is not None else screenshot(), os.path.join(_state.shots,
                                                                              safe + ".png"))


def count_color(shot, color, box=None):
    """How many pixels of `box` (x, y, width, height; the whole shot when None) are `color`."""
    x0, y0, w, h = box if box is not None else (0, 0, shot.width, shot.height)
    want = bytes(color)
    count = 0
    for y in range(y0, y0 + h):
        row = shot.rgb[(y * shot.width + x0) * 3:(y * shot.width + x0 + w) * 3]
        count += sum(1 for i in range(0, len(row), 3) if row[i:i + 3] == want)
    return count


# ---------------------------------------------------------------- unittest glue


class _ShootingResult:
    """Stands in for a test result and saves a screenshot at the moment a case or subtest
    fails, before the test goes on or cleans up."""

    def __init__(self, result, test):
        self._result = result
        self._test = test

    def __getattr__(self, name):
        return getattr(self._result, name)

    def _shoot(self, test):
        try:
            path = save_shot(test.id())
            sys.stderr.write(f"\n  screenshot of the failure: {path}\n")
        except Exception as error:  # the failure itself matters more than its picture
            sys.stderr.write(f"\n  no screenshot of the failure: {error}\n")

    def addError(self, test, err):
        self._shoot(test)
        self._result.addError(test, err)

    def addFailure(self, test, err):
        self._shoot(test)
        self._result.addFailure(test, err)

    def addSubTest(self, test, subtest, err):
        if err is not None:
            self._shoot(subtest)
        self._result.addSubTest(test, subtest, err)


class TestCase(unittest.TestCase):
    """Base class for end-to-end tests: a running session; a screenshot saved for a person to
    look at whenever a case fails; after every test its programs ended and its keys released."""

    @classmethod
    def setUpClass(cls):
        start()

    def run(self, result=None):
        return super().run(_ShootingResult(result, self) if result is not None else None)

    def setUp(self):
        _state.launched = []
        _state.keys_used = set()

    def tearDown(self):
        for program in _state.launched:
            _end(program)
        _state.launched = []
        release_keys()
        _reap_orphans()
