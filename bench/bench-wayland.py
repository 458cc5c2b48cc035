#!/usr/bin/env python3
"""CPU use of tavorinex-wayland on a 1920x1080 output of a headless sway, side by side with the
XScreenSaver hack on a 1920x1080 Xvfb, at the sliders' defaults and the fastest ones:

    python3 bench/bench-wayland.py [--seconds 60] [--rounds 1]
        [--wayland build/native/wayland/tavorinex-wayland] [--hack build/native/tavorinex/tavorinex]

The programs take turns, each alone with a server of its own; after two seconds to settle, the
CPU time of the program and of its server is read from /proc over the given wall time. sway runs
as an unprivileged user (it refuses root) with the pixman renderer, once as a desktop runs it and
once with -D noscanout, as the tests run it (every frame composited). A benchmark, not a test:
it prints a table, each cell the rounds' figures in turn.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
bench_x11 = __import__("bench-x11")

WIDTH, HEIGHT = bench_x11.WIDTH, bench_x11.HEIGHT
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] * (os.getuid() == 0)
FAST = ["--draw-speed", "50", "--erase-frequency", "1000", "--erase-speed", "15"]


def measure_wayland(program, args, seconds, flags):
    runtime = tempfile.mkdtemp(prefix="bench-wayland-")
    os.chmod(runtime, 0o777)
    config = os.path.join(runtime, "sway.conf")
    with open(config, "w") as f:
        f.write(f"xwayland disable\noutput HEADLESS-1 mode {WIDTH}x{HEIGHT} position 0 0\n")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WLR_BACKENDS="headless",
               WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1", WLR_HEADLESS_OUTPUTS="1")
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    sway = subprocess.Popen(AS_USER + ["sway", *flags, "-c", config], env=env, **quiet)
    try:
        deadline = time.monotonic() + 30
        while not glob.glob(os.path.join(runtime, "wayland-*.lock")):
            if time.monotonic() > deadline or sway.poll() is not None:
                raise RuntimeError("sway did not start")
            time.sleep(0.05)
        display = os.path.basename(glob.glob(os.path.join(runtime, "wayland-*.lock"))[0])[:-5]
        saver = subprocess.Popen([program, *args],
                                 env=dict(os.environ, XDG_RUNTIME_DIR=runtime,
                                          WAYLAND_DISPLAY=display), **quiet)
        try:
            time.sleep(bench_x11.SETTLE)
            if saver.poll() is not None:
                raise RuntimeError(f"tavorinex-wayland ended early with {saver.returncode}")
            cpu = bench_x11.cpu_seconds
            before = cpu(saver.pid), cpu(sway.pid), time.monotonic()
            time.sleep(seconds)
            after = cpu(saver.pid), cpu(sway.pid), time.monotonic()
            wall = after[2] - before[2]
            return 100 * (after[0] - before[0]) / wall, 100 * (after[1] - before[1]) / wall
        finally:
            bench_x11.stop(saver)
    finally:
        bench_x11.stop(sway)
        shutil.rmtree(runtime, ignore_errors=True)


def measure_x11(program, args, seconds):
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return bench_x11.measure(
        "tavorinex", seconds,
        lambda d: subprocess.Popen([program, "--root", *args], env=dict(os.environ, DISPLAY=d),
                                   **quiet),
        lambda p: [p.pid])


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--wayland",
                        default=os.path.join(ROOT, "build/native/wayland/tavorinex-wayland"))
    parser.add_argument("--hack", default=os.path.join(ROOT, "build/native/tavorinex/tavorinex"))
    options = parser.parse_args()
    wayland, hack, seconds = options.wayland, options.hack, options.seconds
    programs = (
        ("tavorinex --root on Xvfb", lambda args: measure_x11(hack, args, seconds)),
        ("tavorinex-wayland on sway", lambda args: measure_wayland(wayland, args, seconds, [])),
        ("tavorinex-wayland on sway -D noscanout",
         lambda args: measure_wayland(wayland, args, seconds, ["-D", "noscanout"])),
    )
    rows = {}
    for _ in range(options.rounds):
        for sliders, args in (("defaults", []), ("fastest sliders, wipes", FAST)):
            for name, measure in programs:
                rows.setdefault(f"{name}, {sliders}", []).append(measure(args))
    print(f"CPU over {options.seconds:g} s on a {WIDTH}x{HEIGHT} output, % of one core, "
          f"{options.rounds} round(s) (load average at the end: {os.getloadavg()[0]:.1f})")
    print(f"| {'program':<52} | program | server |")
    print(f"|{'-' * 54}|---------|--------|")
    for name, runs in rows.items():
        program = " / ".join(f"{p:.2f}" for p, _ in runs)
        server = " / ".join(f"{s:.2f}" for _, s in runs)
        print(f"| {name:<52} | {program} | {server} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
