#!/usr/bin/env python3
"""CPU use of the page beside the XScreenSaver hack's, at the same size and settings: the page
live in headless Chromium (every process of the browser, and the part of it spent in the page's
own script and module), the hack on an Xvfb of its own (the program and the X server), and the
page at rest (a still frame) for what Chromium costs alone.

    python3 bench/bench-web.py [--seconds 30] [--page build/web/page]
                               [--hack build/native/tavorinex/tavorinex] [--only page|hack]

Each runs alone; after two seconds to settle, CPU time is read from /proc over the given wall
time. Chromium renders without a GPU here, so its compositing is in software too. With --only,
just that program runs at the defaults for --seconds, unmeasured, to be timed from outside as a
whole process. A benchmark, not a test: it prints a table.
"""

import argparse
import importlib.util
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tools"))
import headless_chromium as hc  # noqa: E402

module_spec = importlib.util.spec_from_file_location("bench_x11", os.path.join(HERE, "bench-x11.py"))
x11 = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(x11)

FASTEST = "80,50,50,1000,15"  # a step every poll, wipes back to back, no wipe delay


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat", "rb") as f:
                    parent = int(f.read().rsplit(b")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    found, todo = [], [pid]
    while todo:
        found.append(todo.pop())
        todo += children.get(found[-1], [])
    return found


# Adds up the time the page spends in its module's drawing and in putting rows on the canvas.
OWN_TIME = """window.benchOwn = 0;
for (const name of ['_WebAdvanceTo', '_WebTakeChanges']) {
  const call = window[name];
  window[name] = function () {
    const start = performance.now(), result = call.apply(this, arguments);
    benchOwn += performance.now() - start;
    return result;
  };
}
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () {
  const start = performance.now();
  put.apply(this, arguments);
  benchOwn += performance.now() - start;
};"""


def measure_page(base, query, seconds):
    """% of one core that the browser's processes use over `seconds` with the page open, and
    the part of it in the page's module and canvas copies."""
    browser = hc.Chromium(x11.WIDTH, x11.HEIGHT)
    try:
        browser.open(base + "index.html?" + query)
        browser.wait_for("document.documentElement.dataset.frame")
        time.sleep(x11.SETTLE)
        browser.evaluate(OWN_TIME)
        pids = descendants(browser.process.pid)
        before = sum(x11.cpu_seconds(p) for p in pids), time.monotonic()
        time.sleep(seconds)
        own = browser.evaluate("benchOwn") / 1000
        pids = sorted(set(pids) | set(descendants(browser.process.pid)))
        after = sum(x11.cpu_seconds(p) for p in pids), time.monotonic()
        wall = after[1] - before[1]
        return 100 * (after[0] - before[0]) / wall, 100 * own / wall
    finally:
        browser.close()


def run_only(options, base):
    if options.only == "page":
        browser = hc.Chromium(x11.WIDTH, x11.HEIGHT)
        try:
            browser.open(base + "index.html?run")
            browser.wait_for("document.documentElement.dataset.frame")
            time.sleep(options.seconds)
        finally:
            browser.close()
    else:
        xvfb, display = x11.start_xvfb()
        hack = subprocess.Popen([options.hack, "--root"], env=dict(os.environ, DISPLAY=display))
        time.sleep(options.seconds)
        x11.stop(hack)
        x11.stop(xvfb)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--page", default=os.path.join(ROOT, "build/web/page"))
    parser.add_argument("--hack", default=os.path.join(ROOT, "build/native/tavorinex/tavorinex"))
    parser.add_argument("--only", choices=["page", "hack"])
    options = parser.parse_args()
    server, base = hc.serve(options.page)
    if options.only:
        run_only(options, base)
        return 0
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def hack(*args):
        return x11.measure("tavorinex", options.seconds, lambda d: subprocess.Popen(
            [options.hack, "--root", *args], env=dict(os.environ, DISPLAY=d), **quiet),
            lambda p: [p.pid])

    fastest = [f"--{name}={value}" for name, value in zip(
        ["box-size", "color-change-rate", "draw-speed", "erase-frequency", "erase-speed"],
        FASTEST.split(","))]
    rows = [
        ("defaults", measure_page(base, "run&settings=80,50,44,960,11", options.seconds),
         hack()),
        ("fastest sliders, wipes", measure_page(base, f"run&settings={FASTEST}",
                                                options.seconds), hack(*fastest)),
        ("at rest (a still frame; the hack: none)", measure_page(base, "seed=1&steps=0",
                                                                 options.seconds), None),
    ]
    server.shutdown()
    print(f"CPU over {options.seconds:g} s at {x11.WIDTH}x{x11.HEIGHT}, % of one core "
          f"(load average as the run ends: {os.getloadavg()[0]:.1f})")
    print("| sliders | the page: Chromium, all processes | of which the page's module and "
          "canvas copies | the hack | its X server |")
    print("|---|---|---|---|---|")
    for name, page, program in rows:
        hack_cells = f"{program[0]:.2f} | {program[1]:.2f}" if program else "| "
        print(f"| {name} | {page[0]:.2f} | {page[1]:.2f} | {hack_cells} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
