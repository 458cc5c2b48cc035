"""The hack under the real XScreenSaver daemon: activated, it fills the screen with the saver's
frames, on an ordinary screen and on an 8K one; deactivated, it is gone. TAVORINEX_X11_INSTALLED:
the hack is installed in the daemon's folder, and the daemon's line names it without a path."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

import x11test as x

SEED = 7
INSTALLED = bool(os.environ.get("TAVORINEX_X11_INSTALLED"))

# Only this hack, at once on request, without fades, lock or splash.
CONFIG = """mode:		one
selected:	0
timeout:	0:30:00
cycle:		0:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	"Tavorinex" {hack} --root --seed {seed} \\n
"""


def descendants(pid):
    """Processes below pid, as (pid, executable) pairs."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", "rb") as f:
                parent = int(f.read().rsplit(b")", 1)[1].split()[1])
            exe = os.readlink(f"/proc/{entry}/exe")
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(parent, []).append((int(entry), exe))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child[0])
    return found


class Daemon(unittest.TestCase):
    WIDTH, HEIGHT = 640, 480

    def setUp(self):
        self.session = x.Session(self.WIDTH, self.HEIGHT)
        # The daemon will not run hacks as root: it runs as nobody, from files nobody can read.
        self.dir = tempfile.mkdtemp(prefix="tavorinex-xss-", dir="/tmp")
        os.chmod(self.dir, 0o755)
        self.hack = x.TOOL if INSTALLED else os.path.join(self.dir, "tavorinex")
        if not INSTALLED:
            shutil.copy(x.TOOL, self.hack)
        home = os.path.join(self.dir, "home")
        os.mkdir(home)
        with open(os.path.join(home, ".xscreensaver"), "w") as f:
            f.write(CONFIG.format(hack="tavorinex" if INSTALLED else self.hack, seed=SEED))
        user = []
        if os.geteuid() == 0:
            shutil.chown(home, "nobody", "nogroup")
            user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        self.log_path = os.path.join(self.dir, "daemon.log")
        with open(self.log_path, "wb") as log:
            self.daemon = subprocess.Popen(
                user + ["env", f"HOME={home}", "xscreensaver", "-no-splash"],
                env=self.session.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def tearDown(self):
        # The daemon ends its own children on SIGTERM; whatever of them outlives it is ended here.
        left = descendants(self.daemon.pid)
        self.daemon.terminate()
        try:
            self.daemon.wait(timeout=x.TIMEOUT)
        except subprocess.TimeoutExpired:
            x.end(self.daemon)
        for pid, _ in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        shutil.rmtree(self.dir, ignore_errors=True)
        self.session.close()

    def command(self, option):
        return subprocess.run(["xscreensaver-command", option], env=self.session.env,
                              capture_output=True, timeout=x.TIMEOUT).returncode == 0

    def running_hacks(self):
        return [pid for pid, exe in descendants(self.daemon.pid) if exe == self.hack]

    def log(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_activate_shows_the_saver_and_deactivate_ends_it(self):
        session = self.session
        x.wait_until(lambda: self.command("-activate"), message="the daemon to take -activate")
        x.wait_until(self.running_hacks, message="the daemon to start the hack")
        settings = x.settings_file(self.dir, (80, 50, 44, 960, 11))
        # Several boxes drawn: the trail.
        x.wait_until(lambda: len(session.capture().colors()) > 3, message="a trail of boxes")
        for attempt in range(3):
            path = session.save(session.capture(), f"daemon-{attempt}")
            found = x.match([path], self.WIDTH, self.HEIGHT, SEED, settings)[0]
            if found:
                break
        self.assertIsNotNone(found, "the screen is no frame of the renderer: " + self.log())
        steps = found[0]
        self.assertGreaterEqual(steps, 3)

        self.assertTrue(self.command("-deactivate"))
        x.wait_until(lambda: not self.running_hacks(), message="the hack to end")
        self.assertNotIn("tavorinex:", self.log())


class DaemonOn8K(Daemon):
    """A monitor of more than 2^25 pixels: the saver draws there too, the same frames."""
    WIDTH, HEIGHT = 7680, 4320


if __name__ == "__main__":
    raise SystemExit(x.main())
