"""The hack's command line: what it refuses, what it cannot open, and that nothing hangs."""

import os
import subprocess
import unittest

import x11test as x


def setUpModule():
    global session
    session = x.Session(320, 240)


def tearDownModule():
    session.close()


class CommandLine(unittest.TestCase):
    def run_hack(self, args, env=None, display=True):
        environment = dict(session.env, **(env or {}))
        if not display:
            environment.pop("DISPLAY")
        result = subprocess.run([x.TOOL, *args], env=environment, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=x.TIMEOUT)
        return result.returncode, result.stdout.decode(), result.stderr.decode()

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
        cases = [
            (["--display", ":999"], None, True),
            ([], None, False),  # no $DISPLAY
            (["--window-id", "0x7ffff00"], None, True),
            (["--root"], {"XSCREENSAVER_WINDOW": "0x7ffff00"}, True),
        ]
        for args, env, display in cases:
            with self.subTest(args=args, env=env):
                code, out, err = self.run_hack(args, env, display)
                self.assertEqual((code, out), (1, ""), err)
                self.assertRegex(err, r"^tavorinex: cannot [^\n]+\n$")


if __name__ == "__main__":
    raise SystemExit(x.main())
