#!/usr/bin/env python3
"""Memory of the XScreenSaver hack by screen size: its peak resident set (VmHWM, shared memory
included) on the root window of an Xvfb of each size, with MIT-SHM and without, once a wipe has
drawn over every pixel.

    python3 bench/memory-x11.py [--hack build/native/tavorinex/tavorinex] [--seconds 8]

A benchmark, not a test: it prints a table. One screen of 32-bit pixels is width x height x 4
bytes (8.3 MB at 1920x1080, 33.2 MB at 3840x2160, 132.7 MB at 7680x4320).
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SIZES = [(1920, 1080), (3840, 2160), (7680, 4320)]
# A hand-edited settings file: a step every poll and a wipe without pauses at every bounce, so
# that within a few seconds every pixel has been drawn and copied.
WIPE_AT_EVERY_BOUNCE = b"230,3,50,1019,15,\0"


def status(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024  # MiB
    return 0.0


def peak(hack, settings, width, height, seconds, shared):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                             f"{width}x{height}x24", "-nolisten", "tcp", "-noreset",
                             *([] if shared else ["-extension", "MIT-SHM"])],
                            pass_fds=[write], stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read, "rb") as pipe:
        display = ":" + pipe.readline().decode().strip()
    hack_process = subprocess.Popen([hack, "--root", "--seed", "1", "--settings", settings],
                                    env=dict(os.environ, DISPLAY=display),
                                    stdin=subprocess.DEVNULL)
    try:
        time.sleep(seconds)
        if hack_process.poll() is not None:
            raise RuntimeError(f"the hack ended with {hack_process.returncode} at {width}x{height}")
        return status(hack_process.pid, "VmHWM"), status(hack_process.pid, "RssShmem")
    finally:
        for process in (hack_process, xvfb):
            process.terminate()
            process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hack", default=os.path.join(ROOT, "build/native/tavorinex/tavorinex"))
    parser.add_argument("--seconds", type=float, default=8.0)
    args = parser.parse_args()
    settings = os.path.join(tempfile.mkdtemp(prefix="tavorinex-memory-"), "tavorinex.ini")
    with open(settings, "wb") as f:
        f.write(WIPE_AT_EVERY_BOUNCE)
    print("| screen | one screen (MiB) | peak RSS, MIT-SHM (MiB) | of it shared | "
          "peak RSS, XPutImage (MiB) |")
    print("|---|---|---|---|---|")
    for width, height in SIZES:
        screen = width * height * 4 / 2**20
        with_shm, shmem = peak(args.hack, settings, width, height, args.seconds, True)
        without, _ = peak(args.hack, settings, width, height, args.seconds, False)
        print(f"| {width}x{height} | {screen:.1f} | {with_shm:.1f} | {shmem:.1f} | "
              f"{without:.1f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
