"""The hack's command line: what it refuses, cannot use or print, and that nothing hangs."""

import os
import re
import resource
import subprocess
import unittest

import x11test as x


def setUpModule():
    global session
    # Without MIT-SHM every screen comes from the allocator, whose limit a test can set.
    session = x.Session(320, 240, ["-extension", "MIT-SHM"])


def tearDownModule():
    session.close()


class CommandLine(unittest.TestCase):
    def run_hack(self, args, env=None, display=True, memory_mb=None):
        environment = dict(session.env, **(env or {}))
        if not display:
            environment.pop("DISPLAY")
        limit = None
        if memory_mb and SANITIZED:  # ASan reserves far more address space than any limit
            environment["ASAN_OPTIONS"] = ("allocator_may_return_null=1:"
                                           f"max_allocation_size_mb={memory_mb}")
        elif memory_mb:
            limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (memory_mb << 20,) * 2)
        result = subprocess.run([x.TOOL, *args], env=environment, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=x.TIMEOUT, preexec_fn=limit)
        # ASan says why it returned null; the refusal is what is tested.
        err = re.sub(r"^==\d+==WARNING: AddressSanitizer failed to allocate .*\n", "",
                     result.stderr.decode(), flags=re.M)
        return result.returncode, result.stdout.decode(), err

    def test_refused_options_give_one_line_and_2(self):
        directory = session.dir
        fifo = os.path.join(directory, "fifo.ini")
        os.mkfifo(fifo)
        ini = x.settings_file(directory, (80, 50, 44, 960, 11))
        cases = [
            (["--nonsense"], None),
            (["--box-size"], None),
            (["--box-size", "ten"], None),
            (["--box-size", "8.5"], None),
            (["--seed", "-1"], None),
            (["--seed", "4294967296"], None),
            (["--window-id", "0"], None),
            (["--h"], None),
            (["--window-id", "0xzz"], None),
            (["--root=yes"], None),
            (["--root", "stray"], None),
            (["--settings", os.path.join(directory, "missing.ini")], None),
            (["--settings", directory], None),
            (["--settings", fifo], None),  # a FIFO must not block the open
            (["--settings", ini, "--box-size", "50"], None),
            (["--root"], {"XSCREENSAVER_WINDOW": "window"}),
        ]
        for args, env in cases:
            with self.subTest(args=args, env=env):
                code, out, err = self.run_hack(args, env)
                self.assertEqual((code, out), (2, ""), err)
                self.assertRegex(err, r"^tavorinex: [^\n]+\n$")

    def test_a_display_or_window_that_cannot_be_used_gives_one_line_and_1(self):
        # Larger than the screen, as X allows: its pixels need more memory than is given.
        huge = session.xlib.window(0, 0, 8192, 8192)
        cases = [
            (["--display", ":999"], None, True, None, "open display"),
            ([], None, False, None, "find an X display"),  # no $DISPLAY
            (["--window-id", "0x7ffff00"], None, True, None, "use window"),
            (["--root"], {"XSCREENSAVER_WINDOW": "0x7ffff00"}, True, None, "use window"),
            (["--window-id", hex(huge)], None, True, 200, "allocate memory"),
        ]
        for args, env, display, memory_mb, what in cases:
            with self.subTest(args=args, env=env):
                code, out, err = self.run_hack(args, env, display, memory_mb)
                self.assertEqual((code, out), (1, ""), err)
                self.assertRegex(err, rf"^tavorinex: cannot {what}[^\n]+\n$")

    def test_help_and_version(self):
        slider = re.escape("\n  --box-size N            Box size: 40 (Small) to 230 (Large), "
                           "default 80\n")
        for args, said in ((["--version"], r"^tavorinex \d+\.\d+\n$"), (["-h"], slider),
                           (["--help"], slider), (["-help"], slider)):
            code, out, err = self.run_hack(args)
            self.assertEqual((code, err), (0, ""), args)
            self.assertRegex(out, said)


# An ASan build links its run-time library.
with open(x.TOOL, "rb") as program:
    SANITIZED = b"libasan.so" in program.read()

if __name__ == "__main__":
    raise SystemExit(x.main())
