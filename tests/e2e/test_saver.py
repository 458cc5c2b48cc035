"""Saver mode of the real tavorinex.scr: the full-screen window, the box trail, the wipe, and
the input that ends it."""

import subprocess
import time

import harness as h

BLACK = (0, 0, 0)
BOX = 80  # BoxSize without a settings file

# Settings files as a person might write them: BoxSize, ColorChangeRate, DrawSpeed,
# EraseFrequency, EraseSpeed.
# Wipes every 20 bounces, 3 polls after each wipe line, a step every poll.
FREQUENT_WIPES = b"230,50,50,1000,13,\0"
# StepDelay -9 and WipeDelay -5: neither the steps nor the wipes would poll by themselves.
TOO_FAST = b"80,50,60,1000,20,\0"
# BoxSize 0: the saver runs and draws nothing.
NO_BOX = b"0,50,44,960,11,\0"


def black_rows(shot, first, last):
    """Whether rows first..last-1 are entirely black."""
    row = shot.width * 3
    return shot.rgb[first * row:last * row] == bytes((last - first) * row)


def start_saver(ini=None):
    """Starts the saver with the cursor in the middle of the screen; returns once the
    animation draws (and so watches the input)."""
    h.mouse_move(512, 384)
    program = h.run("tavorinex.scr", "/s", ini)
    h.wait_window("saver")
    h.wait_until(lambda: h.screenshot().pixel(0, 0) != BLACK, None, "the first box")
    return program


class SaverScreen(h.TestCase):
    def test_covers_the_screen_black_then_a_growing_trail_of_outlined_boxes(self):
        h.mouse_move(512, 384)
        program = h.run("tavorinex.scr", "/s")
        window = h.wait_window("saver")
        self.assertEqual(h.window_geometry(window), (0, 0, h.SCREEN_WIDTH, h.SCREEN_HEIGHT))
        # Black over the whole screen; the first boxes, if any yet, lie near the top-left.
        shot = h.screenshot()
        self.assertTrue(black_rows(shot, 300, h.SCREEN_HEIGHT))
        self.assertEqual(h.count_color(shot, BLACK, (300, 0, h.SCREEN_WIDTH - 300, 300)),
                         (h.SCREEN_WIDTH - 300) * 300)

        time.sleep(1)
        shot = h.screenshot()
        # The first box, at (0, 0), keeps its top row and left column: the later ones move
        # down and right from it. Its corners are open: they keep the fill colour.
        fill = shot.pixel(0, 0)
        self.assertNotEqual(fill, BLACK)
        top = [shot.pixel(x, 0) for x in range(BOX + 1)]
        left = [shot.pixel(0, y) for y in range(BOX + 1)]
        expected_top = [fill] + [BLACK] * (BOX - 3) + [fill, fill, BLACK]
        expected_left = [fill, fill] + [BLACK] * (BOX - 3) + [fill, BLACK]
        self.assertEqual(top, expected_top)
        self.assertEqual(left, expected_left)
        self.assertTrue(h.is_running(program))

        # The trail grows: more coloured pixels a second later, and none taken away.
        coloured = shot.width * shot.height - h.count_color(shot, BLACK)
        time.sleep(1)
        later = h.screenshot()
        self.assertGreater(later.width * later.height - h.count_color(later, BLACK), coloured)
        h.save_shot("saver-trail", later)
        h.key("a")
        self.assertEqual(h.wait_exit(program), 0)

    def test_a_wipe_stripes_every_second_row_blackens_the_screen_and_starts_again(self):
        program = start_saver(FREQUENT_WIPES)
        stage = "stripes"
        deadline = time.monotonic() + 90
        while stage != "done":
            self.assertLess(time.monotonic(), deadline, f"no wipe seen: waiting for {stage}")
            self.assertTrue(h.is_running(program))
            shot = h.screenshot()
            if stage == "stripes":
                # The even rows at the top are whole rows of one colour; the odd ones between
                # them still show the trail with its black outlines.
                colour = shot.pixel(0, 0)
                rows = [shot.rgb[y * shot.width * 3:(y + 1) * shot.width * 3] for y in range(21)]
                whole = bytes(colour) * shot.width
                if colour != BLACK and all(rows[y] == whole for y in range(0, 21, 2)):
                    self.assertTrue(any(rows[y] != whole for y in range(1, 21, 2)))
                    h.save_shot("saver-wipe-stripes", shot)
                    stage = "black"
            elif stage == "black":
                if black_rows(shot, 0, shot.height):
                    stage = "restart"
            elif stage == "restart":
                # The box comes back at (-1, -1): the top-left pixel is its fill, and the
                # new trail has not reached the lower part of the screen yet.
                if shot.pixel(0, 0) != BLACK and black_rows(shot, 600, shot.height):
                    stage = "done"
        h.key("a")
        self.assertEqual(h.wait_exit(program), 0)


class SaverInput(h.TestCase):
    def test_one_pixel_moves_let_it_run(self):
        program = start_saver()
        for _ in range(3):
            for dx, dy in [(1, 0), (0, 1), (1, 1), (-1, 0), (0, -1), (-1, -1), (1, -1), (-1, 1)]:
                h.mouse_move_relative(dx, dy)
                time.sleep(0.05)
        time.sleep(0.3)
        self.assertTrue(h.is_running(program), "a one-pixel move ended the saver")

    def test_two_pixel_moves_end_it(self):
        # A move is seen only when it falls between the two cursor readings of one poll,
        # most of the time but not always; a few moves make it certain. Under Wine they must
        # lie more than 100 ms apart: for that long after the saver's GetInputState has taken
        # a move in, GetCursorPos answers from a copy that changes only there.
        for dx, dy in [(2, 0), (0, 2), (-2, 0), (0, -2), (2, 2), (2, 1), (-1, -2)]:
            with self.subTest(dx=dx, dy=dy):
                program = start_saver()
                for attempt in range(40):
                    sign = 1 if attempt % 2 == 0 else -1
                    h.mouse_move_relative(sign * dx, sign * dy)
                    try:
                        program.popen.wait(timeout=0.2)
                        break
                    except subprocess.TimeoutExpired:
                        pass
                self.assertEqual(h.wait_exit(program, timeout=1), 0)

    def test_a_key_ends_it(self):
        program = start_saver()
        h.key("a")
        self.assertEqual(h.wait_exit(program), 0)

    def test_a_click_ends_it(self):
        program = start_saver()
        h.click(1)
        self.assertEqual(h.wait_exit(program), 0)

    def test_hand_edited_speeds_beyond_the_sliders_still_end_on_a_key(self):
        program = start_saver(TOO_FAST)
        time.sleep(1.5)  # drawing and wiping as fast as it can
        self.assertTrue(h.is_running(program))
        h.key("a")
        self.assertEqual(h.wait_exit(program), 0)


class SecondCopy(h.TestCase):
    def test_exits_at_once_and_changes_nothing(self):
        h.mouse_move(512, 384)
        first = h.run("tavorinex.scr", "/s", NO_BOX)
        h.wait_window("saver")
        time.sleep(0.5)
        self.assertTrue(black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT))
        for args in ["/s", "/c"]:
            with self.subTest(args=args):
                second = h.run("tavorinex.scr", args)
                # The screen stays black while the second copy starts and ends, and after.
                while h.is_running(second):
                    self.assertTrue(black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT))
                self.assertEqual(h.wait_exit(second), 0)
                time.sleep(0.3)
                self.assertTrue(black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT))
                self.assertEqual(len(h.find_windows("saver")), 1)
                self.assertEqual(h.find_windows("SubWnd", visible=False), [])
                self.assertTrue(h.is_running(first))
        h.key("a")
        self.assertEqual(h.wait_exit(first), 0)
