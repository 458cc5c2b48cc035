"""tavorinex-wayland under a real compositor: a headless sway of its own for each case (run as an
unprivileged user, as sway wants), screenshots with grim, keys with wtype, the pointer through
sway's seat commands once `vptr` has given the seat one. The program's protocol log
(WAYLAND_DEBUG) tells when it has reached a state. Set by CTest: TAVORINEX_WAYLAND,
TAVORINEX_FRAME_MATCH, TAVORINEX_VPTR, and for the install TAVORINEX_BUILD_DIR and
TAVORINEX_CMAKE.
"""

import glob
import gzip
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ.get("TAVORINEX_WAYLAND", "")
FRAME_MATCH = os.environ.get("TAVORINEX_FRAME_MATCH", "")
VPTR = os.environ.get("TAVORINEX_VPTR", "")
BUILD = os.environ.get("TAVORINEX_BUILD_DIR", "")
CMAKE = os.environ.get("TAVORINEX_CMAKE", "cmake")
TIMEOUT = 30
SEED = 41
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] * (os.getuid() == 0)
COMMIT = r"wl_surface@\d+\.commit\(\)"
# Slider options, and the settings file that gives the renderer the same parameters.
DEFAULTS = ([], b"80,50,44,960,11,\0")
FAST = (["--box-size", "40", "--color-change-rate", "3", "--draw-speed", "50",
         "--erase-frequency", "1000", "--erase-speed", "15"], b"40,3,50,1000,15,\0")
ONE = [("HEADLESS-1", "320x240", 1)]

# Each case: the outputs configured (name, mode, scale; side by side), how many the compositor
# starts with (None: a sway nested in a headless one, its outputs two windows there), the
# sliders, and the steps: how the saver starts, what is done to it and what ends it, after
# which it must have exited with 0.
CASES = {
    "two_outputs_show_the_renderers_frames": (
        [("HEADLESS-1", "640x480", 1), ("HEADLESS-2", "800x600", 1)], 2, DEFAULTS,
        ["run", "shots", "signal TERM"]),
    "a_scaled_output_is_drawn_at_its_pixel_size": (
        [("HEADLESS-1", "640x480", 2)], 1, FAST, ["run", "shots", "signal INT"]),
    "an_output_plugged_in_gets_a_saver": (
        ONE + [("HEADLESS-2", "200x150", 1)], 1, FAST, ["run", "plug", "shots", "signal QUIT"]),
    "an_output_unplugged_takes_only_its_saver": (
        [("WL-1", "320x240", 1), ("WL-2", "200x150", 1)], None, FAST,
        ["run", "unplug", "shots", "signal HUP"]),
    "a_key_ends_it": (ONE, 1, DEFAULTS, ["run", "key"]),
    "a_button_ends_it": (ONE, 1, DEFAULTS, ["run", "pointer", "press"]),
    "moves_of_one_pixel_do_not_end_it_two_do": (ONE, 1, DEFAULTS, [
        "run", "pointer", "move 1 0", "move 0 1", "move 1 1", "move -1 -1", "move 0 2"]),
    "the_compositor_gone_ends_it": (ONE, 1, DEFAULTS, ["run", "kill"]),
    "swayidle_starts_it": (ONE, 1, DEFAULTS, ["idle", "key"]),
}

# No compositor needed: arguments, WAYLAND_DISPLAY, exit code, stdout and stderr (patterns).
COMMAND_LINES = [
    (["--version"], "", 0, r"tavorinex-wayland \d+\.\d+\n", ""),
    ([], "no-such-socket", 1, "",
     r'tavorinex-wayland: cannot connect to the Wayland compositor "no-such-socket"\n'),
]


def wait_until(predicate, what):
    deadline = time.monotonic() + TIMEOUT
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.01)
    return value


class Wayland(unittest.TestCase):
    def setUp(self):
        # Also sway's runtime folder: in /tmp, where the user it runs as can reach it.
        self.dir = tempfile.mkdtemp(prefix="tavorinex-wayland-", dir="/tmp")
        os.chmod(self.dir, 0o777)
        self.log_path = os.path.join(self.dir, "saver.log")
        self.processes = []

    def tearDown(self):
        for process in reversed(self.processes):
            process.kill()
            process.communicate()
        shutil.rmtree(self.dir, ignore_errors=True)

    def start(self, *args, env=None, **streams):
        process = subprocess.Popen(args, env=env or self.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, **streams)
        self.processes.append(process)
        return process

    def sway(self, outputs, count, parent_display=None):
        """A sway with these outputs; its IPC socket and its Wayland display's name."""
        config = os.path.join(self.dir, f"sway{len(self.processes)}.conf")
        with open(config, "w") as f:
            f.write("xwayland disable\nfor_window [app_id=\"wlroots\"] floating enable\n")
            x = 0
            for name, mode, scale in outputs:
                f.write(f"output {name} mode {mode} position {x} 0 scale {scale}\n")
                x += int(mode.split("x")[0]) // scale
        env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, WLR_RENDERER="pixman",
                   WLR_LIBINPUT_NO_DEVICES="1", WLR_BACKENDS="headless",
                   WLR_HEADLESS_OUTPUTS=str(count))
        if parent_display:
            env.update(WLR_BACKENDS="wayland", WLR_WL_OUTPUTS=str(len(outputs)),
                       WAYLAND_DISPLAY=parent_display)
        before = os.listdir(self.dir)
        # Without -D noscanout screen copies of a fullscreen window are often stale.
        process = self.start(*AS_USER, "sway", "-D", "noscanout", "-c", config, env=env,
                             stderr=subprocess.DEVNULL)
        socket = wait_until(lambda: glob.glob(f"{self.dir}/sway-ipc.*.{process.pid}.sock"), "sway")
        wait_until(lambda: self.msg(socket[0], "nop"), "sway's answer")
        return socket[0], next(n for n in os.listdir(self.dir)
                               if n not in before and re.fullmatch(r"wayland-\d+", n))

    def msg(self, socket, *args):
        return subprocess.run(["swaymsg", "-s", socket, "--", *args], capture_output=True,
                              timeout=TIMEOUT).returncode == 0

    def log(self, pattern, after=0):
        """Waits for `pattern` in the protocol log past offset `after`; returns its end."""
        def found():
            with open(self.log_path, "a+", errors="replace") as f:
                f.seek(0)
                m = re.compile(pattern).search(f.read(), after)
            return m and m.end()
        return wait_until(found, pattern)

    def run_case(self, outputs, count, sliders, steps):
        self.options, settings = sliders
        self.settings = os.path.join(self.dir, "tavorinex.ini")
        with open(self.settings, "wb") as f:
            f.write(settings)
        self.parent = count is None and self.sway([("HEADLESS-1", "1280x720", 1)], 1)
        self.socket, display = self.sway(outputs, count or 0, self.parent and self.parent[1])
        self.compositor = self.processes[-1]
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, WAYLAND_DISPLAY=display)
        self.configured, self.outputs = outputs, outputs[:count or len(outputs)]
        self.mark = 0
        for step in steps:
            verb, *args = step.split()
            getattr(self, "step_" + verb)(*args)
        self.assertEqual(self.exit_code(), 0)

    def command(self):
        return [PROGRAM, "--seed", str(SEED), *self.options]

    def step_run(self):
        self.started = time.monotonic()
        with open(self.log_path, "wb") as log:
            self.saver = self.start(*self.command(), env=dict(self.env, WAYLAND_DEBUG="client"),
                                    stderr=log)
        self.exit_code = lambda: self.saver.wait(timeout=TIMEOUT)
        for _ in self.outputs:  # a first picture on each
            self.mark = self.log(COMMIT, self.mark)

    def step_idle(self):
        code = os.path.join(self.dir, "code")
        self.start("swayidle", "-w", "timeout", "1",
                   f"WAYLAND_DEBUG=client {' '.join(self.command())} 2>{self.log_path}; "
                   f"echo $? >{code}", stderr=subprocess.DEVNULL)
        self.exit_code = lambda: int(wait_until(lambda: os.path.exists(code) and open(code).read(),
                                                "the saver's exit"))
        self.mark = self.log(COMMIT)

    def step_shots(self):
        """Each output shows a frame of the renderer at its size and seed, at the saver time
        the wall clock says; the k-th output the compositor announced has seed SEED + k."""
        rounds = []
        for n in range(2):
            wait_until(lambda: time.monotonic() >= self.started + 1 + 2 * n, "a second")
            before = time.monotonic()
            self.saver.send_signal(signal.SIGSTOP)
            paths = [os.path.join(self.dir, f"{name}-{n}.ppm") for name, _, _ in self.outputs]
            for (name, _, _), path in zip(self.outputs, paths):
                subprocess.run(["grim", "-o", name, "-t", "ppm", path], env=self.env, check=True,
                               timeout=TIMEOUT)
            self.saver.send_signal(signal.SIGCONT)
            rounds.append((before, time.monotonic(), paths))
        limit = str(int((rounds[1][1] - self.started) * 1000) + 1000)
        for k, (name, mode, _) in enumerate(self.outputs):
            found = []
            for _, _, paths in rounds:
                width, height = mode.split("x")
                result = subprocess.run(
                    [FRAME_MATCH, "--width", width, "--height", height, "--seed",
                     str(SEED + int(name[-1]) - 1), "--settings", self.settings,
                     "--max-polls", limit, paths[k]], capture_output=True, timeout=120)
                self.assertEqual(result.returncode, 0, f"{paths[k]}: {result.stdout}")
                found.append([int(w) for w in result.stdout.split()[1:]])
            (a_steps, a_first, a_count), (b_steps, b_first, b_count) = found
            # One poll, one millisecond: the saver never runs ahead of the clock, and a busy
            # machine slows it down to no less than a third.
            self.assertLessEqual(b_first - (a_first + a_count),
                                 (rounds[1][1] - rounds[0][0]) * 1000 + 20)
            self.assertGreaterEqual(b_first + b_count - a_first,
                                    (rounds[1][0] - rounds[0][1]) * 1000 / 3 - 20)
            self.assertGreater(b_steps, a_steps)

    def step_plug(self):
        self.assertTrue(self.msg(self.socket, "create_output"))
        self.outputs = self.configured[:len(self.outputs) + 1]
        self.mark = self.log(COMMIT, self.log(r"get_toplevel", self.mark))

    def step_unplug(self):
        self.assertTrue(self.msg(self.parent[0], '[title="wlroots - WL-2"] kill'))
        self.mark = self.log(COMMIT, self.log(r"xdg_toplevel@\d+\.destroy\(\)", self.mark))
        self.outputs = self.outputs[:1]

    def step_key(self):
        self.start("wtype", "-s", "300", "-k", "space")
        self.log(r"wl_keyboard@\d+\.key\(")

    def step_pointer(self):
        self.assertEqual(self.start(VPTR).stdout.readline(), b"ok\n")
        self.mark = self.log(r"wl_pointer@\d+\.set_cursor\(\d+, nil", self.mark)  # hidden

    def step_press(self):
        self.assertTrue(self.msg(self.socket, "seat", "seat0", "cursor", "press", "button1"))
        self.log(r"wl_pointer@\d+\.button\(", self.mark)

    def step_move(self, dx, dy):
        self.assertTrue(self.msg(self.socket, "seat", "seat0", "cursor", "move", dx, dy))
        self.mark = self.log(r"wl_pointer@\d+\.motion\(", self.mark)
        if max(abs(int(dx)), abs(int(dy))) <= 1:  # the saver draws on
            self.mark = self.log(COMMIT, self.mark)
            self.assertIsNone(self.saver.poll())

    def step_signal(self, name):
        self.assertIsNone(self.saver.poll())
        self.saver.send_signal(getattr(signal, "SIG" + name))

    def step_kill(self):
        self.compositor.kill()

    def test_command_lines(self):
        for args, display, code, out, err in COMMAND_LINES:
            env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, WAYLAND_DISPLAY=display)
            result = subprocess.run([PROGRAM, *args], env=env, capture_output=True, text=True,
                                    timeout=TIMEOUT)
            self.assertEqual(result.returncode, code, args)
            self.assertRegex(result.stdout, f"^{out}$")
            self.assertRegex(result.stderr, f"^{err}$")

    def test_installed_with_its_man_page(self):
        stage = os.path.join(self.dir, "stage")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", "/usr"], check=True, timeout=60,
                       env=dict(os.environ, DESTDIR=stage), capture_output=True)
        self.assertTrue(os.access(f"{stage}/usr/bin/tavorinex-wayland", os.X_OK))
        with gzip.open(f"{stage}/usr/share/man/man1/tavorinex-wayland.1.gz", "rt") as f:
            page = f.read()
        self.assertIn(".TH tavorinex\\-wayland 1 ", page)
        groff = subprocess.run(["groff", "-man", "-Tutf8", "-ww"], input=page.encode(),
                               capture_output=True, timeout=TIMEOUT)
        self.assertEqual((groff.returncode, groff.stderr), (0, b""))
        for option in re.findall(r"^  (--[a-z-]+) N ", subprocess.run(
                [PROGRAM, "--help"], capture_output=True, text=True, timeout=TIMEOUT).stdout, re.M):
            self.assertIn(".B " + option.replace("-", "\\-"), page)
        self.assertNotRegex(subprocess.run(["readelf", "-d", PROGRAM], capture_output=True,
                                           text=True).stdout, r"libX|libpng|libgif")


for _name, _case in CASES.items():
    setattr(Wayland, "test_" + _name, lambda self, case=_case: self.run_case(*case))


if __name__ == "__main__":
    unittest.main(verbosity=2)
