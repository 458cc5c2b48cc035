#!/usr/bin/env python3
"""Debian's Chromium, headless, driven through the DevTools protocol over a pipe: the web
page's tests, its benchmark and its screenshot use it. Python's standard library only.

    python3 tools/headless_chromium.py URL OUT.png [WIDTH HEIGHT [SECONDS]]

saves a screenshot of URL at WIDTH x HEIGHT (default 640 x 400) device pixels, once the page
marks itself drawn (data-frame on its root element) and SECONDS more have passed (default 0).
"""

import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import zlib

# Without these, Chromium keeps reaching for Google's services, which a closed network refuses.
FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-default-apps", "--remote-debugging-pipe", "--mute-audio"]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """Serves `folder` on an ephemeral loopback port; returns (server, base URL)."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"http://127.0.0.1:{server.server_address[1]}/"


def decode_png(data):
    """(width, height, RGB bytes) of an 8-bit, non-interlaced RGB or RGBA PNG."""
    at, idat = 8, b""
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height = int.from_bytes(body[:4], "big"), int.from_bytes(body[4:8], "big")
            channels = {2: 3, 6: 4}[body[9]]
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - channels] if i >= channels else 0
            b, c = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(row)
        previous = row
    pixels = b"".join(rows)
    if channels == 4:
        pixels = bytes(v for i, v in enumerate(pixels) if i % 4 != 3)
    return width, height, pixels


class Chromium:
    """One headless browser with one page of width x height CSS pixels, `scale` device pixels
    to a CSS pixel (as on a screen of that density, not emulated)."""

    def __init__(self, width, height, scale=1, log=None):
        self.scale = scale
        self.profile = tempfile.mkdtemp(prefix="tavorinex-chromium-")
        to_browser, self.writer = os.pipe()
        self.reader, from_browser = os.pipe()

        def pipes():  # the protocol's fixed descriptors: 3 in, 4 out
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)

        self.process = subprocess.Popen(
            [shutil.which("chromium") or "/usr/bin/chromium", *FLAGS,
             "--user-data-dir=" + self.profile, f"--force-device-scale-factor={scale}",
             "about:blank"],
            pass_fds=(to_browser, from_browser, 3, 4), preexec_fn=pipes,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=log or subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.pending, self.count, self.session, self.errors = b"", 0, None, []
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.resize(width, height)
        self.call("Runtime.enable")  # the page's uncaught exceptions land in self.errors

    def call(self, method, **params):
        self.count += 1
        message = {"id": self.count, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.writer, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.pending:
                chunk = os.read(self.reader, 1 << 20)
                if not chunk:
                    raise RuntimeError(f"chromium ended during {method}")
                self.pending += chunk
            text, self.pending = self.pending.split(b"\0", 1)
            reply = json.loads(text)
            if reply.get("method") == "Runtime.exceptionThrown":
                self.errors.append(reply["params"]["exceptionDetails"])
            if reply.get("id") == self.count:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]

    def resize(self, width, height):
        # Chromium's emulated scale factors leave the device-pixel box sizes in CSS pixels.
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1 if self.scale == 1 else 0, mobile=False)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, seconds=20):
        """The value of `expression` once it is truthy, polled until `seconds` pass; errors
        (a page still loading, or being replaced) count as not yet."""
        deadline = time.monotonic() + seconds
        while True:
            try:
                value, problem = self.evaluate(expression), None
            except RuntimeError as error:
                value, problem = None, error
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError(f"not true after {seconds} s: {expression} ({problem})")
            time.sleep(0.02)

    def open(self, url):
        """Navigates and returns once the new document has loaded (even for the same URL)."""
        self.evaluate("window.replaced = true")
        self.call("Page.navigate", url=url)
        self.wait_for("!window.replaced && document.readyState == 'complete'")

    def screenshot(self):
        return base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])

    def mouse(self, kind, x, y, button="none"):
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, clickCount=1)

    def click(self, selector):
        """A left click a few pixels inside the element's top-left corner; returns where."""
        x, y = self.evaluate(f"(r => [r.x + 4, r.y + 4])(document.querySelector("
                             f"{json.dumps(selector)}).getBoundingClientRect())")
        self.mouse("mousePressed", x, y, "left")
        self.mouse("mouseReleased", x, y, "left")
        return x, y

    def close(self):
        if self.process.poll() is None:
            try:
                self.call("Browser.close")
                self.process.wait(timeout=10)
            except (RuntimeError, OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        os.close(self.writer)
        os.close(self.reader)
        shutil.rmtree(self.profile, ignore_errors=True)


def main(argv):
    if len(argv) not in (3, 5, 6):
        sys.exit(__doc__)
    width, height = (int(argv[3]), int(argv[4])) if len(argv) >= 5 else (640, 400)
    browser = Chromium(width, height)
    try:
        browser.open(argv[1])
        browser.wait_for("document.documentElement.dataset.frame")
        if len(argv) == 6:
            shown = browser.evaluate("performance.now()")
            browser.wait_for(f"performance.now() > {shown + 1000 * float(argv[5])}",
                             float(argv[5]) + 20)
        with open(argv[2], "wb") as out:
            out.write(browser.screenshot())
    finally:
        browser.close()


if __name__ == "__main__":
    main(sys.argv)
