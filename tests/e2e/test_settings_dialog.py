"""The settings window of the real tavorinex.scr: its layout, the five sliders, OK, Cancel, the
close button, the save in place and the save-failure message, driven with the mouse and keys as a
person would.

The window's controls are read from outside by dialogprobe.exe and a file is held open by
holdfile.exe; both are built beside tavorinex.scr by the windows preset."""

import errno
import json
import os
import shutil
import subprocess

import harness as h

CAPTION = "Tavorinexの設定"
# Windows of other languages get the same Japanese through the wide calls.
LOCALES = ["ja_JP", "en_US", "de_DE", "zh_CN"]
DEFAULT_FILE = b"80,50,44,960,11,\0"
SAVE_FAILURE = ("設定の保存に失敗しました！" + '"' + "書き込み禁止属性を解除して下さい。").encode("cp932")

WS_POPUP, WS_VISIBLE, WS_DISABLED = 0x80000000, 0x10000000, 0x08000000
WS_CAPTION, WS_SYSMENU, WS_CHILD = 0x00C00000, 0x00080000, 0x40000000
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00040000, 0x00020000, 0x00010000
WS_EX_TOPMOST = 0x8
CONTROL_STYLE_MASK = 0xFFFF  # the class's own style bits

BUTTON, SLIDER, STATIC = "button", "msctls_trackbar32", "static"
PUSH_CENTERED = 0x0F00  # BS_PUSHBUTTON | BS_CENTER | BS_VCENTER
SLIDER_STYLE = 0x0018  # TBS_HORZ | TBS_BOTH | TBS_NOTICKS

# Id, class, text, class style bits, x, y, width, height; WS_DISABLED only on the Test button.
CONTROLS = [
    (1000, BUTTON, "OK", PUSH_CENTERED, 13, 286, 85, 25),
    (1001, BUTTON, "テスト", PUSH_CENTERED, 130, 286, 85, 25),
    (1002, BUTTON, "キャンセル", 0x0300, 244, 286, 85, 25),
    (1003, SLIDER, "", SLIDER_STYLE, 146, 244, 150, 25),
    (1004, BUTTON, "", 0x0007, 10, 3, 320, 76),
    (1005, STATIC, "Tavorinex 2.1／なめらかな描画の実験", 0x0001, 14, 15, 315, 20),
    (1006, STATIC, "遅", 0, 121, 247, 22, 22),
    (1007, STATIC, "速", 0, 298, 247, 22, 22),
    (1008, STATIC, "描画速度", 0, 25, 247, 74, 19),
    (1009, SLIDER, "", SLIDER_STYLE, 144, 128, 150, 25),
    (1010, STATIC, "色替頻度", 0, 25, 130, 72, 22),
    (1011, STATIC, "低", 0, 119, 130, 22, 22),
    (1012, STATIC, "高", 0, 296, 130, 22, 22),
    (1013, STATIC, "BOXサイズ", 0, 25, 91, 75, 22),
    (1014, SLIDER, "", SLIDER_STYLE, 146, 91, 150, 25),
    (1015, STATIC, "大", 0, 296, 91, 22, 22),
    (1016, STATIC, "小", 0, 119, 91, 22, 22),
    (1017, STATIC, None, 0x0001, 11, 52, 317, 19),  # the credit line: any one line that fits
    (1018, STATIC, "消去頻度", 0, 25, 166, 87, 22),
    (1019, SLIDER, "", SLIDER_STYLE, 146, 166, 150, 25),
    (1020, STATIC, "低", 0, 121, 168, 22, 22),
    (1021, STATIC, "高", 0, 296, 168, 22, 22),
    (1022, SLIDER, "", SLIDER_STYLE, 146, 201, 150, 25),
    (1023, STATIC, "消去速度", 0, 25, 205, 73, 22),
    (1024, STATIC, "遅", 0, 121, 205, 22, 22),
    (1025, STATIC, "速", 0, 298, 205, 22, 22),
]

# Rows top to bottom: slider id, range, and the setting's field in the file (0-based).
ROWS = [(1014, 40, 230, 0), (1009, 3, 50, 1), (1019, 20, 1000, 3), (1022, 0, 15, 4),
        (1003, 0, 50, 2)]
RANGES = {slider: (low, high) for slider, low, high, _ in ROWS}
FIELDS = {slider: field for slider, _, _, field in ROWS}

# Where the trackbar puts its 11-pixel thumb: its left edge moves over 124 pixels from x = 7.
THUMB_LEFT, THUMB_TRAVEL, THUMB_HALF = 7, 124, 5


def helper(name):
    folder = os.environ.get("TAVORINEX_E2E_HELPERS") or os.path.dirname(h.scr_path())
    path = os.path.join(folder, name)
    if not os.path.isfile(path):
        raise RuntimeError(f"{path} does not exist: build the windows preset first")
    return path


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def probe(what, command=None):
    """What dialogprobe.exe sees; `command` runs it in another Wine prefix (see
    UnprivilegedUser)."""
    argv = ["wine", helper("dialogprobe.exe"), what]
    result = subprocess.run(command(argv) if command else argv, env=h.wine_env(),
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=h.TIMEOUT)
    return json.loads(result.stdout.decode())


def text(window):
    return bytes.fromhex(window["text"])


def wide(window, key="wtext"):
    """A text as the system holds it, whatever the code page."""
    return bytes.fromhex(window[key]).decode("utf-16-le")


def file_text(settings):
    return ",".join(str(value) for value in settings).encode() + b",\0"


class Dialog:
    """One open settings window: the program, and the window as the probe last saw it."""

    def __init__(self, program, command=None):
        self.program = program
        self.command = command
        self.window = h.wait_window(CAPTION)
        # The controls exist and hold their positions before the window is shown.
        self.info = h.wait_until(lambda: self._complete(probe("dialog", command)), None,
                                 "the probe to see the settings window")

    @staticmethod
    def _complete(info):
        return info if len(info.get("controls", [])) == len(CONTROLS) else None

    def refresh(self):
        self.info = probe("dialog", self.command)
        return self.info

    def control(self, control_id):
        for control in self.info["controls"]:
            if control["id"] == control_id:
                return control
        raise AssertionError(f"no control {control_id}")

    def positions(self):
        self.refresh()
        return [self.control(slider)["pos"] for slider, _, _, _ in ROWS]

    def point(self, control_id, dx, dy):
        """Screen point at (dx, dy) inside the control."""
        x0, y0, _, _ = self.info["client"]
        control = self.control(control_id)
        return (x0 + control["x"] + dx, y0 + control["y"] + dy)

    def click(self, control_id):
        control = self.control(control_id)
        h.mouse_move(*self.point(control_id, control["width"] // 2, control["height"] // 2))
        h.click(1)

    def thumb(self, slider):
        low, high = RANGES[slider]
        position = min(max(self.control(slider)["pos"], low), high)
        return self.point(slider, THUMB_LEFT + THUMB_TRAVEL * (position - low) // (high - low)
                          + THUMB_HALF, 10)

    def drag(self, slider, dx):
        """Drags the slider's thumb dx pixels sideways and releases it; returns once the window
        has taken in the release. The drag must move the slider."""
        before = self.control(slider)["pos"]
        x, y = self.thumb(slider)
        h.mouse_move(x, y)
        h.mouse_down(1)
        h.mouse_move(x + dx // 2, y)
        h.mouse_move(x + dx, y)
        h.mouse_up(1)

        # The probe's questions overtake input still queued for the window: wait until the
        # slider has moved and let go of the mouse.
        def released():
            info = self.refresh()
            return info["capture"] == 0 and self.control(slider)["pos"] != before

        h.wait_until(released, None, "the window to take in the drag")

    def settled_shot(self):
        """A screenshot once the window has painted: two shots in a row agree on it and its
        last control shows ink."""
        x, y, width, height = self.info["outer"]
        last = CONTROLS[-1][0]
        previous = [None]

        def region(shot):
            starts = [((y + row) * shot.width + x) * 3 for row in range(height)]
            return [shot.rgb[start:start + width * 3] for start in starts]

        def settled():
            shot = h.screenshot()
            now = region(shot)
            lx, ly = self.point(last, 0, 0)
            inked = any(sum(shot.pixel(lx + dx, ly + dy)) < 200
                        for dx in range(16) for dy in range(16))
            stable = now == previous[0]
            previous[0] = now
            return shot if stable and inked else None

        return h.wait_until(settled, None, "the settings window to finish painting")

    def close_button(self):
        x, y, width, _ = self.info["outer"]
        h.mouse_move(x + width - 14, y + 11)
        h.click(1)


def open_dialog(ini=None, args="/c", locale=None):
    return Dialog(h.run("tavorinex.scr", args, ini, locale))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def expect_save_failure(test, dialog):
    """The save-failure message over the settings window; after Return the window is still
    open."""
    h.wait_window("Tavorinex")
    boxes = h.wait_until(lambda: probe("msgbox", dialog.command).get("boxes"), None,
                         "the message box")
    test.assertEqual([bytes.fromhex(box["message"]) for box in boxes], [SAVE_FAILURE])
    test.assertEqual(boxes[0]["owner"], dialog.info["hwnd"])
    h.key("Return")
    h.wait_no_window("Tavorinex")
    program = dialog.program
    test.assertTrue(program.poll() is None if isinstance(program, subprocess.Popen)
                    else h.is_running(program))
    test.assertEqual(dialog.refresh()["visible"], 1)


class Layout(h.TestCase):
    def test_window_and_controls_as_designed(self):
        dialog = open_dialog()
        info = dialog.info
        self.assertEqual(text(info), CAPTION.encode("cp932"))
        self.assertEqual(bytes.fromhex(info["class"]).decode().upper(), "NORMALDLG")
        self.assertEqual(info["outer"][2:], [346, 348])
        self.assertEqual(info["owner"], 0)
        self.assertTrue(info["exstyle"] & WS_EX_TOPMOST)
        style = info["style"]
        self.assertEqual(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE),
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE)
        self.assertEqual(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0)

        # Children in Z order are in creation order.
        self.assertEqual([c["id"] for c in info["controls"]], [c[0] for c in CONTROLS])
        for (cid, cls, label, bits, x, y, width, height), got in zip(CONTROLS, info["controls"]):
            with self.subTest(id=cid):
                self.assertEqual(bytes.fromhex(got["class"]).decode().lower(), cls)
                if label is not None:
                    self.assertEqual(text(got), label.encode("cp932"))
                disabled = WS_DISABLED if cid == 1001 else 0
                self.assertEqual(got["style"] & ~CONTROL_STYLE_MASK,
                                 WS_CHILD | WS_VISIBLE | disabled)
                self.assertEqual(got["style"] & CONTROL_STYLE_MASK, bits)
                self.assertEqual([got["x"], got["y"], got["width"], got["height"]],
                                 [x, y, width, height])
                self.assertEqual(got["exstyle"], 0)
                if cls == SLIDER:
                    self.assertEqual((got["min"], got["max"]), RANGES[cid])

        credit = dialog.control(1017)
        self.assertTrue(text(credit).strip(), "the credit line is empty")
        self.assertNotIn(b"\n", text(credit))
        self.assertLessEqual(credit["extent"][0], 317)
        self.assertLessEqual(credit["extent"][1], 19)
        # Every control lies inside the client area.
        _, _, client_width, client_height = info["client"]
        for got in info["controls"]:
            self.assertLessEqual(got["x"] + got["width"], client_width, got["id"])
            self.assertLessEqual(got["y"] + got["height"], client_height, got["id"])

    def test_japanese_texts_render(self):
        dialog = open_dialog()
        shot = dialog.settled_shot()
        h.save_shot("settings_dialog", shot)

        def block(cid):
            control = dialog.control(cid)
            x, y = dialog.point(cid, 0, 0)
            return tuple(shot.pixel(x + dx, y + dy) for dy in range(control["height"])
                         for dx in range(control["width"]))

        # One-glyph labels: a missing glyph draws the same empty box for every character, so
        # different characters must look different and the same character the same.
        same = [(1006, 1024), (1007, 1025), (1012, 1021)]  # 遅 遅, 速 速, 高 高
        different = [1006, 1007, 1011, 1012, 1015, 1016]  # 遅 速 低 高 大 小
        for first, second in same:
            self.assertEqual(block(first), block(second), (first, second))
        blocks = [block(cid) for cid in different]
        self.assertEqual(len(set(blocks)), len(blocks), "one-glyph labels look alike")
        background = shot.pixel(*dialog.point(1006, 21, 21))
        for cid, pixels in zip(different, blocks):
            ink = sum(1 for pixel in pixels if pixel != background)
            self.assertGreater(ink, 15, f"label {cid} is empty")


    def test_every_system_language_shows_the_japanese_window(self):
        # The texts as the system holds them, the pixels and the saved bytes, against Japan's.
        japan = None
        for locale in LOCALES:
            with self.subTest(locale=locale):
                dialog = open_dialog(locale=locale)
                texts = [wide(dialog.info)] + [wide(got) for got in dialog.info["controls"]]
                self.assertEqual(texts[0], CAPTION)
                for (cid, _, label, *_), got in zip(CONTROLS, texts[1:]):
                    if label is not None:
                        self.assertEqual(got, label, cid)
                shot = dialog.settled_shot()
                h.save_shot(f"settings_dialog_{locale}", shot)
                x, y, width, height = dialog.info["outer"]
                rows = [shot.rgb[((y + row) * shot.width + x) * 3:][:width * 3]
                        for row in range(height)]
                japan = japan or (texts, rows)
                self.assertEqual(texts, japan[0])
                self.assertTrue(rows == japan[1], "drawn otherwise than in Japan")
                dialog.click(1000)
                self.assertEqual(h.wait_exit(dialog.program), 0)
                self.assertEqual(read(h.settings_path(dialog.program.path)), DEFAULT_FILE)

class Sliders(h.TestCase):
    def test_no_file_shows_defaults_and_ok_writes_the_default_file(self):
        dialog = open_dialog()
        ini = h.settings_path(dialog.program.path)
        self.assertFalse(os.path.exists(ini))
        self.assertEqual(dialog.positions(), [80, 50, 960, 11, 44])
        dialog.click(1000)
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertEqual(read(ini), DEFAULT_FILE)

    def test_every_settings_command_line_opens_the_window(self):
        # No switch at all: the last letter is the "r" of ".scr".
        for args in [[], "/C", "/c:1234", "/r"]:
            with self.subTest(args=args):
                dialog = open_dialog(args=args)
                self.assertEqual(text(dialog.info), CAPTION.encode("cp932"))
                self.assertEqual(dialog.positions(), [80, 50, 960, 11, 44])
                dialog.close_button()
                self.assertEqual(h.wait_exit(dialog.program), 0)
                h.wait_no_window(CAPTION)

    def test_a_released_drag_changes_only_that_setting(self):
        start = [100, 20, 30, 500, 5]
        # Dragged past the end, the slider stops at that end.
        for slider, dx, value in [(1014, 200, 230), (1009, -200, 3), (1019, 200, 1000),
                                  (1022, -200, 0), (1003, 200, 50)]:
            with self.subTest(slider=slider):
                dialog = open_dialog(file_text(start))
                dialog.drag(slider, dx)
                self.assertEqual(dialog.positions()[[r[0] for r in ROWS].index(slider)], value)
                dialog.click(1000)
                self.assertEqual(h.wait_exit(dialog.program), 0)
                expected = list(start)
                expected[FIELDS[slider]] = value
                self.assertEqual(read(h.settings_path(dialog.program.path)), file_text(expected))

    def test_a_slider_moved_by_keys_keeps_its_old_setting(self):
        dialog = open_dialog(DEFAULT_FILE)
        # A click on the thumb focuses the slider and releases it where it was.
        x, y = dialog.thumb(1003)
        h.mouse_move(x, y)
        h.click(1)
        h.key("Right", "Right", "Right")
        h.wait_until(lambda: dialog.positions()[4] == 47, None, "the slider to move to 47")
        # The dragged one counts; the keyed one does not.
        dialog.drag(1014, 200)
        self.assertEqual(dialog.positions(), [230, 50, 960, 11, 47])
        dialog.click(1000)
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertEqual(read(h.settings_path(dialog.program.path)), b"230,50,44,960,11,\0")

    def test_values_outside_the_range_are_shown_clamped_and_written_back(self):
        for stored, shown in [([500, 50, 44, 960, 11], [230, 50, 960, 11, 44]),
                              ([10, 0, 99, 5, 4294967295], [40, 3, 20, 0, 50])]:
            with self.subTest(stored=stored):
                dialog = open_dialog(file_text(stored))
                self.assertEqual(dialog.positions(), shown)
                dialog.click(1000)
                self.assertEqual(h.wait_exit(dialog.program), 0)
                self.assertEqual(read(h.settings_path(dialog.program.path)), file_text(stored))

    def test_cancel_and_close_leave_the_file_alone(self):
        # Not in the form the program writes, so that any rewrite would show.
        original = b"100,20,30,500,5,\0\r\nmore"
        for way in ["cancel", "close"]:
            with self.subTest(way=way):
                dialog = open_dialog(original)
                dialog.drag(1014, 200)
                dialog.drag(1022, -200)
                self.assertEqual(dialog.positions(), [230, 20, 500, 0, 30])
                if way == "cancel":
                    dialog.click(1002)
                else:
                    dialog.close_button()
                self.assertEqual(h.wait_exit(dialog.program), 0)
                self.assertEqual(read(h.settings_path(dialog.program.path)), original)

    def test_the_test_button_is_grey_and_does_nothing(self):
        dialog = open_dialog()
        test_button, ok_button = dialog.control(1001), dialog.control(1000)
        self.assertEqual(test_button["enabled"], 0)
        shot = dialog.settled_shot()

        def dark(control):
            x, y = dialog.point(control["id"], 4, 4)
            return sum(1 for dy in range(control["height"] - 8)
                       for dx in range(control["width"] - 8)
                       if sum(shot.pixel(x + dx, y + dy)) < 150)

        # Greyed text has no dark ink; the OK button's has.
        self.assertGreater(dark(ok_button), 20)
        self.assertEqual(dark(test_button), 0)
        dialog.click(1001)
        dialog.click(1001)
        self.assertTrue(h.is_running(dialog.program))
        self.assertEqual(h.find_windows(CAPTION), [dialog.window])
        self.assertFalse(os.path.exists(h.settings_path(dialog.program.path)))
        dialog.close_button()
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertFalse(os.path.exists(h.settings_path(dialog.program.path)))


class SaveFailure(h.TestCase):
    def setUp(self):
        super().setUp()
        self.holder = None

    def tearDown(self):
        if self.holder is not None and self.holder.poll() is None:
            self.holder.kill()
            self.holder.wait()
        super().tearDown()

    def hold(self, path):
        self.holder = subprocess.Popen(["wine", helper("holdfile.exe"), windows_path(path)],
                                       env=h.wine_env(), stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(self.holder.stdout.readline().strip(), b"held")

    def release(self):
        self.holder.stdin.close()
        self.assertEqual(self.holder.wait(timeout=h.TIMEOUT), 0)

    def test_ok_on_a_held_file_shows_the_message_and_keeps_the_window(self):
        for locale in ["ja_JP", "en_US"]:
            with self.subTest(locale=locale):
                self.held_file_in(locale)

    def held_file_in(self, locale):
        dialog = open_dialog(DEFAULT_FILE, locale=locale)
        ini = h.settings_path(dialog.program.path)
        dialog.drag(1014, 200)
        dialog.drag(1022, -200)
        self.hold(ini)
        dialog.click(1000)

        h.wait_window("Tavorinex")
        boxes = h.wait_until(lambda: probe("msgbox").get("boxes"), None, "the message box")
        self.assertEqual(len(boxes), 1)
        box = boxes[0]
        h.save_shot(f"settings_save_failure_{locale}")
        self.assertEqual(text(box), b"Tavorinex")
        self.assertEqual(bytes.fromhex(box["message"]), SAVE_FAILURE)
        self.assertEqual(wide(box, "wmessage"), SAVE_FAILURE.decode("cp932"))
        self.assertEqual(box["owner"], dialog.info["hwnd"])
        self.assertEqual(box["buttons"], [1])  # MB_OK
        self.assertEqual(box["icon"], 0)

        h.key("Return")
        h.wait_no_window("Tavorinex")
        self.assertTrue(h.is_running(dialog.program))
        self.assertEqual(dialog.positions(), [230, 50, 960, 0, 44])
        self.assertEqual(dialog.info["visible"], 1)
        self.release()
        self.assertEqual(read(ini), DEFAULT_FILE)

        # Once the file is free, OK saves what was moved before the failure.
        dialog.click(1000)
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertEqual(read(ini), b"230,50,44,960,0,\0")


# What OK writes back from a file that loads as 100,20,30,500,5 but is longer.
LONGER_FILE = b"100,20,30,500,5,\0\r\nmore"
SAVED_FILE = b"100,20,30,500,5,\0"
# Where Wine keeps a file's DOS attributes; 0x6 is hidden and system.
DOS_ATTRIBUTES, HIDDEN_SYSTEM = "user.DOSATTRIB", b"0x6"


def unmount(folder):
    """Unmounts a test's file system once Wine has let go of it, or detaches it lazily."""
    def unmounted():
        subprocess.run(["umount", folder], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=h.TIMEOUT)
        return not os.path.ismount(folder)
    try:
        h.wait_until(unmounted, None, f"{folder} to be unmounted")
    finally:
        if os.path.ismount(folder):
            subprocess.run(["umount", "--lazy", folder], timeout=h.TIMEOUT)


class SaveInPlace(h.TestCase):
    """OK writes the settings file itself, where it is, and nothing beside it."""

    def test_ok_writes_the_file_itself(self):
        def linked(name, make_link):
            def setup(folder, ini):
                write(os.path.join(folder, name), LONGER_FILE)
                make_link(os.path.join(folder, name), ini)
            return setup

        def beside(make):
            def setup(folder, ini):
                write(ini, LONGER_FILE)
                make(os.path.join(folder, "tavorinex.in~"))
            return setup

        def hidden(folder, ini):
            write(ini, LONGER_FILE)
            os.setxattr(ini, DOS_ATTRIBUTES, HIDDEN_SYSTEM)

        # Name, set-up, and what must be beside the file afterwards (None: an empty folder).
        cases = [
            ("symbolic link", linked("target.ini", os.symlink), {"target.ini": SAVED_FILE}),
            ("hard link", linked("other.ini", os.link), {"other.ini": SAVED_FILE}),
            ("hidden and system", hidden, {}),
            ("a folder named tavorinex.in~", beside(os.mkdir), {"tavorinex.in~": None}),
            ("a file named tavorinex.in~", beside(lambda path: write(path, b"mine")),
             {"tavorinex.in~": b"mine"}),
        ]
        for name, setup, kept in cases:
            with self.subTest(name):
                path = h.install()
                folder, ini = os.path.dirname(path), h.settings_path(path)
                setup(folder, ini)
                before = os.lstat(ini)
                dialog = Dialog(h.launch(path, "/c"))
                entries = sorted(os.listdir(folder))
                dialog.click(1000)
                self.assertEqual(h.wait_exit(dialog.program), 0)
                self.assertEqual(read(ini), SAVED_FILE)
                # The same file, or the same link, as before.
                after = os.lstat(ini)
                self.assertEqual((after.st_ino, after.st_mode), (before.st_ino, before.st_mode))
                self.assertEqual(sorted(os.listdir(folder)), entries)
                for other, content in kept.items():
                    other = os.path.join(folder, other)
                    if content is None:
                        self.assertEqual(os.listdir(other), [])
                    else:
                        self.assertEqual(read(other), content)
                if setup is hidden:
                    self.assertEqual(os.getxattr(ini, DOS_ATTRIBUTES), HIDDEN_SYSTEM)

    def test_a_full_disk_shows_the_message(self):
        self.assertEqual(os.geteuid(), 0, "mounting a small file system needs root")
        folder = os.path.join(os.path.dirname(h.install()), "full")
        os.mkdir(folder)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", folder], check=True,
                       timeout=h.TIMEOUT)
        self.addCleanup(unmount, folder)  # after tearDown has ended the program
        path = os.path.join(folder, "tavorinex.scr")
        shutil.copyfile(h.scr_path(), path)
        dialog = Dialog(h.launch(path, "/c"))
        with open(os.path.join(folder, "filler"), "wb", buffering=0) as filler:
            try:
                while True:
                    filler.write(bytes(65536))
            except OSError as error:
                self.assertEqual(error.errno, errno.ENOSPC)
        dialog.click(1000)
        expect_save_failure(self, dialog)
        # Made before the write failed; empty, it loads as no file does.
        self.assertEqual(read(h.settings_path(path)), b"")
        dialog.close_button()
        self.assertEqual(h.wait_exit(dialog.program), 0)

    def test_a_first_comma_past_one_mebibyte(self):
        dialog = open_dialog(b"300" + b" " * ((1 << 20) + 1) + b",1,2,3,4,")
        self.assertEqual(dialog.positions(), [230, 3, 20, 4, 2])
        dialog.click(1000)
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertEqual(read(h.settings_path(dialog.program.path)), b"300,1,2,3,4,\0")


class SaverAfterOk(h.TestCase):
    def test_the_saver_runs_with_the_stored_box_size(self):
        dialog = open_dialog()
        dialog.drag(1014, 200)
        dialog.click(1000)
        self.assertEqual(h.wait_exit(dialog.program), 0)
        self.assertEqual(read(h.settings_path(dialog.program.path)), b"230,50,44,960,11,\0")

        h.mouse_move(512, 600)
        saver = h.launch(dialog.program.path, "/s")

        # The first box sits in the top-left corner; its top outline runs from x = 1 to
        # x = size - 3 and the three pixels around it keep the fill colour. Later boxes lie
        # lower, so the top row keeps the first one's edge.
        def first_box_size():
            shot = h.screenshot()
            row = [shot.pixel(x, 0) != (0, 0, 0) for x in range(h.SCREEN_WIDTH)]
            if not row[0] or row[1]:
                return None
            return max(x for x, lit in enumerate(row) if lit) + 1

        size = h.wait_until(first_box_size, None, "the first box")
        h.save_shot("saver_after_ok")
        self.assertEqual(size, 230)
        h.kill(saver)


class UnprivilegedUser(h.TestCase):
    """Root writes read-only files and folders anyway, so under root the program runs as user
    nobody, in a Wine prefix of that user's own; its desktop then lies over the session's."""

    USER = "nobody"
    PASSED_ON = ["DISPLAY", "LANG", "PATH", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES"]

    def setUp(self):
        super().setUp()
        self.program = None
        work = os.environ.get("TAVORINEX_E2E_WORK") or os.path.join(
            os.path.dirname(h.scr_path()), "e2e")
        self.home = os.path.join(os.path.abspath(work), "unprivileged")
        self.prefix = os.path.join(self.home, "wineprefix")
        self.root = os.geteuid() == 0
        os.makedirs(self.home, exist_ok=True)
        self.own(self.home)
        result = subprocess.run(self.command(["bash", "-c", 'source "$1" && wine_prefix_ready',
                                              "wine-env", h.WINE_ENV_SCRIPT]),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, timeout=max(h.TIMEOUT, 300))
        self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))

    def tearDown(self):
        # Ends the program if it still runs, and takes the second desktop off the screen.
        subprocess.run(self.command(["wineserver", "-k"]), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.program is not None:
            self.program.wait(timeout=h.TIMEOUT)
        super().tearDown()

    def own(self, path):
        if self.root:
            shutil.chown(path, self.USER)

    def command(self, argv):
        env = h.wine_env()
        settings = [f"{name}={env[name]}" for name in self.PASSED_ON if name in env]
        settings += [f"HOME={self.home}", f"WINEPREFIX={self.prefix}",
                     f"TAVORINEX_WINEPREFIX={self.prefix}"]
        runner = ["runuser", "-u", self.USER, "--"] if self.root else []
        return runner + ["env"] + settings + argv

    def start(self, ini_mode, folder_mode):
        """A copy in a folder of the user's own, with its settings file, opened in settings mode
        as the user; returns the window and the file."""
        folder = os.path.join(self.home, f"copy{os.getpid()}")
        if os.path.isdir(folder):
            os.chmod(folder, 0o755)
            shutil.rmtree(folder)
        os.makedirs(folder)
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        scr = os.path.join(folder, "tavorinex.scr")
        ini = h.settings_path(scr)
        shutil.copyfile(h.scr_path(), scr)
        write(ini, DEFAULT_FILE)
        for path in (folder, scr, ini):
            self.own(path)
        os.chmod(ini, ini_mode)  # 0o444 is what the read-only attribute is to Wine
        os.chmod(folder, folder_mode)
        self.addCleanup(os.chmod, folder, 0o755)
        self.program = subprocess.Popen(self.command(["wine", scr, "/c"]), cwd=folder,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        return Dialog(self.program, self.command), ini

    def test_ok_on_a_read_only_file_shows_the_message_and_keeps_the_window(self):
        dialog, ini = self.start(0o444, 0o755)
        dialog.drag(1014, 200)
        dialog.click(1000)
        expect_save_failure(self, dialog)
        self.assertEqual(dialog.positions()[0], 230)
        self.assertEqual(read(ini), DEFAULT_FILE)

        os.chmod(ini, 0o644)
        dialog.click(1000)
        self.assertEqual(self.program.wait(timeout=h.TIMEOUT), 0)
        self.assertEqual(read(ini), b"230,50,44,960,11,\0")

    def test_ok_saves_a_writable_file_in_a_folder_the_user_may_not_write(self):
        dialog, ini = self.start(0o644, 0o555)
        dialog.drag(1014, 200)
        dialog.click(1000)
        self.assertEqual(self.program.wait(timeout=h.TIMEOUT), 0)
        self.assertEqual(read(ini), b"230,50,44,960,11,\0")
