#!/usr/bin/env python3
"""CPU use of the saver on a 1920x1080 X display, in one run: the XScreenSaver hack at its
defaults, one of XScreenSaver's own 2D hacks beside it, and the Windows saver under Wine with
the same settings (its defaults as the settings window saves them).

    python3 bench/bench-x11.py [--seconds 60] [--hack build/native/tavorinex/tavorinex]
                               [--scr build/windows/tavorinex.scr] [--other deco]

Each program runs alone in an Xvfb of its own; after two seconds to settle, the CPU time of the
program (for Wine: every process of its prefix, wineserver included) and of the X server is
read from /proc over the given wall time. A benchmark, not a test: it prints a table.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
TICKS = os.sysconf("SC_CLK_TCK")
WIDTH, HEIGHT = 1920, 1080
SAVED_DEFAULTS = b"80,50,44,960,11,\0"
SETTLE = 2.0


def cpu_seconds(pid):
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            fields = f.read().rsplit(b")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICKS
    except (OSError, IndexError, ValueError):
        return 0.0


def processes_with(variable):
    """Processes whose environment holds this exact VARIABLE=value."""
    wanted = variable.encode()
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if wanted in f.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
    return found


def start_xvfb():
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                             f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
                            pass_fds=[write], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read, "rb") as pipe:
        number = pipe.readline().decode().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def measure(name, seconds, start, pids_of):
    """Starts a program on a fresh display with start(display) -> Popen, and returns its CPU
    share and the X server's over `seconds` of wall time, in % of one core."""
    xvfb, display = start_xvfb()
    program = start(display)
    try:
        time.sleep(SETTLE)
        if program.poll() is not None:
            raise RuntimeError(f"{name} ended early with {program.returncode}")
        pids = pids_of(program)
        before = sum(cpu_seconds(p) for p in pids), cpu_seconds(xvfb.pid), time.monotonic()
        time.sleep(seconds)
        pids = sorted(set(pids) | set(pids_of(program)))
        after = sum(cpu_seconds(p) for p in pids), cpu_seconds(xvfb.pid), time.monotonic()
        wall = after[2] - before[2]
        return 100 * (after[0] - before[0]) / wall, 100 * (after[1] - before[1]) / wall
    finally:
        stop(program)
        stop(xvfb)


def wine_environment(prefix):
    """The project's Wine environment on a prefix of its own whose desktop is 1920x1080."""
    env = dict(os.environ, TAVORINEX_WINEPREFIX=prefix)
    script = ('source "$1" && wine_prefix_ready && '
              "wine reg add 'HKCU\\Software\\Wine\\Explorer\\Desktops' /v Default /t REG_SZ "
              f"/d {WIDTH}x{HEIGHT} /f >/dev/null 2>&1 && wineserver -k; wineserver -w; env -0")
    out = subprocess.run(["bash", "-c", script, "wine-env", os.path.join(HERE, "wine-env.sh")],
                         env=env, stdin=subprocess.DEVNULL, capture_output=True, check=True,
                         timeout=600).stdout.decode()
    return dict(item.split("=", 1) for item in out.split("\0") if "=" in item)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--hack", default=os.path.join(ROOT, "build/native/tavorinex/tavorinex"))
    parser.add_argument("--scr", default=os.path.join(ROOT, "build/windows/tavorinex.scr"))
    parser.add_argument("--other", default="deco",
                        help="an XScreenSaver hack from /usr/libexec/xscreensaver")
    options = parser.parse_args()

    work = tempfile.mkdtemp(prefix="bench-x11-")
    rows = []
    try:
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
        rows.append(("tavorinex --root (the hack, defaults)", measure(
            "tavorinex", options.seconds,
            lambda d: subprocess.Popen([options.hack, "--root"],
                                       env=dict(os.environ, DISPLAY=d), **quiet),
            lambda p: [p.pid])))
        # The most it draws: a step every poll and wipes back to back.
        fast = ["--draw-speed", "50", "--erase-frequency", "1000", "--erase-speed", "15"]
        rows.append(("tavorinex --root, fastest sliders, wipes", measure(
            "tavorinex", options.seconds,
            lambda d: subprocess.Popen([options.hack, "--root", *fast],
                                       env=dict(os.environ, DISPLAY=d), **quiet),
            lambda p: [p.pid])))
        other = os.path.join("/usr/libexec/xscreensaver", options.other)
        rows.append((f"{options.other} --root (XScreenSaver's own)", measure(
            options.other, options.seconds,
            lambda d: subprocess.Popen([other, "--root"], env=dict(os.environ, DISPLAY=d),
                                       **quiet),
            lambda p: [p.pid])))

        prefix = os.path.join(ROOT, "build", "wineprefix-bench1080")
        env = wine_environment(prefix)
        folder = os.path.join(work, "scr")
        os.mkdir(folder)
        scr = os.path.join(folder, "tavorinex.scr")
        shutil.copy(options.scr, scr)
        with open(os.path.join(folder, "tavorinex.ini"), "wb") as f:
            f.write(SAVED_DEFAULTS)

        def start_wine(display):
            wine_env = dict(env, DISPLAY=display)
            return subprocess.Popen(["wine", scr, "/s"], env=wine_env, cwd=folder, **quiet)

        try:
            rows.append(("tavorinex.scr /s under Wine (same settings)", measure(
                "wine", options.seconds, start_wine,
                lambda p: processes_with(f"WINEPREFIX={env['WINEPREFIX']}"))))
        finally:
            subprocess.run(["wineserver", "-k"], env=env, **quiet, timeout=60)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"CPU over {options.seconds:g} s on a {WIDTH}x{HEIGHT} Xvfb, % of one core "
          f"(load average before the run ends: {os.getloadavg()[0]:.1f})")
    print(f"| {'program':<46} | program | X server |")
    print(f"|{'-' * 48}|---------|----------|")
    for name, (program, server) in rows:
        print(f"| {name:<46} | {program:6.2f}  | {server:7.2f}  |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
