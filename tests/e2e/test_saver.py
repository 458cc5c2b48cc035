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


def black_box(shot, box):
    """Whether the box (x, y, width, height) is entirely black."""
    x0, y0, width, height = box
    zero = bytes(width * 3)
    return all(shot.rgb[(y * shot.width + x0) * 3:(y * shot.width + x0 + width) * 3] == zero
               for y in range(y0, y0 + height))


def coloured_pixels(shot):
    return shot.width * shot.height - h.count_color(shot, BLACK)


def launch_saver(ini=None):
    """Starts the saver with the cursor in the middle of the screen, once the window of the
    one before has gone; returns the program and its window."""
    h.wait_no_window("saver")
    h.mouse_move(512, 384)
    program = h.run("tavorinex.scr", "/s", ini)
    return program, h.wait_window("saver")


def first_box_drawn(shot):
    """The saver's black (not Wine's desktop, which shows until the first paint) with the
    first box in the top-left corner."""
    return shot.pixel(shot.width - 1, shot.height - 1) == BLACK and shot.pixel(0, 0) != BLACK


def start_saver(ini=None):
    """Starts the saver; returns once the animation draws (and so watches the input)."""
    program, _ = launch_saver(ini)
    h.wait_until(lambda: first_box_drawn(h.screenshot()), None, "the first box")
    return program


def wait_for_change(program, shot, what):
    """Waits until the screen differs from `shot` or the program has ended; returns the new
    screenshot, or None when it ended."""
    def changed():
        if not h.is_running(program):
            return "ended"
        now = h.screenshot()
        return now if now.rgb != shot.rgb else None

    result = h.wait_until(changed, None, what)
    return None if result == "ended" else result


class SaverScreen(h.TestCase):
    def test_covers_the_screen_black_then_a_growing_trail_of_outlined_boxes(self):
        program, window = launch_saver()
        self.assertEqual(h.window_geometry(window), (0, 0, h.SCREEN_WIDTH, h.SCREEN_HEIGHT))
        # Black over the whole screen once it has painted (until then Wine's desktop shows);
        # the first boxes, if any yet, lie near the top-left.
        def black_but_the_corner():
            shot = h.screenshot()
            return (black_rows(shot, 300, shot.height)
                    and black_box(shot, (300, 0, shot.width - 300, 300)))

        h.wait_until(black_but_the_corner, None, "the black screen")

        # The first box, at (0, 0), keeps its top row and left column: the later ones move
        # down and right from it. Its corners are open: they keep the fill colour. Waited
        # for, since a shot may fall between its fill and its outline.
        def first_box():
            shot = h.screenshot()
            fill = shot.pixel(0, 0)
            top = [shot.pixel(x, 0) for x in range(BOX + 1)]
            left = [shot.pixel(0, y) for y in range(BOX + 1)]
            expected_top = [fill] + [BLACK] * (BOX - 3) + [fill, fill, BLACK]
            expected_left = [fill, fill] + [BLACK] * (BOX - 3) + [fill, BLACK]
            return shot if fill != BLACK and (top, left) == (expected_top, expected_left) else None

        shot = h.wait_until(first_box, None, "the first box with its open corners")
        self.assertTrue(h.is_running(program))

        # The trail grows: more coloured pixels later on.
        coloured = coloured_pixels(shot)

        def grown():
            now = h.screenshot()
            return now if coloured_pixels(now) > coloured else None

        later = h.wait_until(grown, None, "the trail to grow")
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
                time.sleep(0.05)  # pacing, so the moves fall into different polls
        # A poll that saw a move would have ended it; drawing after the last move shows that
        # the polls around it have run.
        shot = h.screenshot()
        for _ in range(2):
            shot = wait_for_change(program, shot, "the saver to draw after the moves")
            self.assertIsNotNone(shot, "a one-pixel move ended the saver")

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
                self.assertEqual(h.wait_exit(program), 0)

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
        # Drawing and wiping as fast as it can: the key comes in the middle of it.
        shot = h.screenshot()
        for _ in range(5):
            shot = wait_for_change(program, shot, "the saver to go on drawing")
            self.assertIsNotNone(shot, "the saver ended without input")
        h.key("a")
        self.assertEqual(h.wait_exit(program), 0)


class SecondCopy(h.TestCase):
    def test_exits_at_once_and_changes_nothing(self):
        first, _ = launch_saver(NO_BOX)
        h.wait_until(lambda: black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT), None,
                     "the black screen")
        for args in ["/s", "/c"]:
            with self.subTest(args=args):
                second = h.run("tavorinex.scr", args)
                # The screen stays black while the second copy starts and ends, and after.
                while h.is_running(second):
                    self.assertTrue(black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT))
                self.assertEqual(h.wait_exit(second), 0)
                # A look, not a wait: nothing is to change, so this only gives a stray
                # repaint the time to show.
                time.sleep(0.3)
                self.assertTrue(black_rows(h.screenshot(), 0, h.SCREEN_HEIGHT))
                self.assertEqual(len(h.find_windows("saver")), 1)
                self.assertEqual(h.find_windows("SubWnd", visible=False), [])
                self.assertTrue(h.is_running(first))
        h.key("a")
        self.assertEqual(h.wait_exit(first), 0)
