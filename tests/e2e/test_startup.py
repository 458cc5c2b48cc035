"""Start-up of the real tavorinex.scr: the silent modes, the file-name check and the
single-instance guard, as the screen-saver host starts it."""

import json
import os
import subprocess

import harness as h

TITLE = "Tavorinex"
WRONG_NAME = "ファイル名が tavorinex.scr から変更されています".encode("cp932")
SETTINGS_CAPTION = "Tavorinexの設定"
# Windows of other languages get the same Japanese through the wide calls.
LOCALES = ["ja_JP", "en_US", "de_DE", "zh_CN"]


def message_boxes():
    """The message boxes on screen as dialogprobe.exe (built beside the .scr) reads them."""
    folder = os.environ.get("TAVORINEX_E2E_HELPERS") or os.path.dirname(h.scr_path())
    result = subprocess.run(["wine", os.path.join(folder, "dialogprobe.exe"), "msgbox"],
                            env=h.wine_env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=h.TIMEOUT)
    return json.loads(result.stdout.decode()).get("boxes", [])


def exclamation_pixels(shot, box):
    """Pixels of the orange exclamation icon inside the message box."""
    x0, y0, width, height = box
    count = 0
    for y in range(y0, y0 + height):
        for x in range(x0, x0 + width):
            r, g, b = shot.pixel(x, y)
            if r > 200 and 90 < g < 190 and b < 90:
                count += 1
    return count


def wait_exit_or_box(test, program):
    """Waits until the program has ended or shown the message box; fails on the box."""
    h.wait_until(lambda: not h.is_running(program) or h.find_windows(TITLE), None,
                 "the program to end or show its message box")
    test.assertEqual(h.find_windows(TITLE), [], "the name check showed its message box")
    return h.wait_exit(program)


class SilentModes(h.TestCase):
    def test_exit_at_once_showing_nothing(self):
        # The last alphabetic byte decides; "/s extra" ends in the "a" of "extra".
        for args in ["/p 1234", "/P", "/a", "/s extra", "/p 65552", "/A:99"]:
            with self.subTest(args=args):
                watch = h.watch_windows()
                program = h.run("tavorinex.scr", args)
                code = h.wait_exit(program)
                self.assertEqual(h.stop_watch(watch), [], "a window was shown")
                self.assertEqual(code, 0)


class WrongName(h.TestCase):
    def test_message_box_then_exit(self):
        # The name is checked before the mode is known, so every switch shows the box.
        for args in ["/s", "/p 1234", "/c", "/a"]:
            with self.subTest(args=args):
                program = h.run("boxes.scr", args)
                box = h.wait_window(TITLE)
                self.assertTrue(h.is_running(program))
                x, y, width, height = h.window_geometry(box)
                self.assertTrue(0 <= x and x + width <= h.SCREEN_WIDTH and 0 <= y
                                and y + height <= h.SCREEN_HEIGHT, (x, y, width, height))
                # MB_ICONEXCLAMATION: the box carries the orange warning sign, once painted.
                h.wait_until(lambda: exclamation_pixels(h.screenshot(), (x, y, width, height))
                             > 100, None, "the warning sign in the message box")
                h.key("Return")
                self.assertEqual(h.wait_exit(program), 0)
                h.wait_no_window(TITLE)

    def test_message_text_and_caption_byte_for_byte(self):
        for locale in LOCALES:
            with self.subTest(locale=locale):
                self.message_in(locale)

    def message_in(self, locale):
        program = h.run("boxes.scr", "/s", locale=locale)
        h.wait_window(TITLE)
        boxes = h.wait_until(message_boxes, None, "the probe to see the message box")
        self.assertEqual(len(boxes), 1)
        box = boxes[0]
        h.save_shot(f"wrong_name_{locale}")
        self.assertEqual(bytes.fromhex(box["text"]), b"Tavorinex")
        self.assertEqual(bytes.fromhex(box["message"]), WRONG_NAME)
        self.assertEqual(bytes.fromhex(box["wmessage"]).decode("utf-16-le"),
                         WRONG_NAME.decode("cp932"))
        self.assertEqual(box["owner"], 0)  # no window exists yet to own it
        self.assertEqual(box["buttons"], [1])  # MB_OK
        self.assertEqual(box["icon"], 1)
        h.key("Return")
        self.assertEqual(h.wait_exit(program), 0)

    def test_click_on_ok_also_ends_it(self):
        program = h.run("boxes.scr", "/s")
        x, y, width, height = h.window_geometry(h.wait_window(TITLE))
        # The OK button sits centred in the box's lower part.
        h.mouse_move(x + width // 2, y + height - 20)
        h.click(1)
        self.assertEqual(h.wait_exit(program), 0)

    def test_accepted_names(self):
        # The lower-cased path must hold the long or the 8.3 name, anywhere in it.
        names = ["TAVORINEX.SCR", "mytavorinex.scr", "tavori~1.scr", "Tavorinex.Scr",
                 "tavorinex.scr.d/boxes.scr", "TAVORI~1.SCR"]
        for name in names:
            with self.subTest(name=name):
                watch = h.watch_windows()
                code = wait_exit_or_box(self, h.run(name, "/p 1234"))
                self.assertEqual(h.stop_watch(watch), [])
                self.assertEqual(code, 0)

    def test_rejected_names(self):
        # Near misses of both names.
        for name in ["tavorinex.sc", "tavorinex_scr", "tavori~2.scr", "tavorinex.exe", "tavorinex"]:
            with self.subTest(name=name):
                program = h.run(name, "/p 1234")
                h.wait_window(TITLE)
                h.key("Return")
                self.assertEqual(h.wait_exit(program), 0)
                h.wait_no_window(TITLE)

    def test_path_cut_by_the_260_byte_buffer(self):
        # Wine shows the copy as Z:\...; 259 bytes of path fit the buffer with its zero byte.
        probe = h.install("x.scr")
        directory_bytes = len("Z:") + len(probe) - len("x.scr")

        def name_for(total):
            return "d" * (total - directory_bytes - len("/tavorinex.scr")) + "/tavorinex.scr"

        for total, accepted in [(258, True), (259, True), (260, False), (261, False),
                                (265, False)]:
            with self.subTest(total=total):
                program = h.run(name_for(total), "/p 1234")
                if accepted:
                    self.assertEqual(wait_exit_or_box(self, program), 0)
                else:
                    h.wait_window(TITLE)
                    h.key("Return")
                    self.assertEqual(h.wait_exit(program), 0)
                    h.wait_no_window(TITLE)


class SingleInstance(h.TestCase):
    def assert_second_copy_silent(self, name, args, holder_title):
        """A second copy exits with 0 at once, maps no window, and leaves the first one's."""
        watch = h.watch_windows()
        code = h.wait_exit(h.run(name, args))
        self.assertEqual(h.stop_watch(watch), [], "a window was shown")
        self.assertEqual(code, 0)
        self.assertEqual(len(h.find_windows(holder_title)), 1)

    def test_second_copy_exits_silently_while_first_runs(self):
        holder = h.run("boxes.scr", "/s")
        h.wait_window(TITLE)
        # The guard comes before the name check: a wrongly named second copy shows nothing either.
        for name, args in [("tavorinex.scr", "/s"), ("tavorinex.scr", "/c"),
                           ("tavorinex.scr", "/p 1234"), ("boxes.scr", "/s")]:
            with self.subTest(name=name, args=args):
                self.assert_second_copy_silent(name, args, TITLE)
        self.assertTrue(h.is_running(holder))
        h.key("Return")
        self.assertEqual(h.wait_exit(holder), 0)

        # The mutex went with its holder: the next copy gets as far as the name check again.
        program = h.run("boxes.scr", "/s")
        h.wait_window(TITLE)
        h.key("Return")
        self.assertEqual(h.wait_exit(program), 0)

    def test_second_copy_exits_silently_while_the_settings_window_is_open(self):
        holder = h.run("tavorinex.scr", "/c")
        h.wait_window(SETTINGS_CAPTION)
        for name, args in [("tavorinex.scr", "/s"), ("tavorinex.scr", "/c"), ("boxes.scr", "/c")]:
            with self.subTest(name=name, args=args):
                self.assert_second_copy_silent(name, args, SETTINGS_CAPTION)
                self.assertEqual(h.find_windows("saver"), [])
        self.assertTrue(h.is_running(holder))
