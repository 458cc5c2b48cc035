#!/usr/bin/env python3
"""Draws the program icon: a box with its outline and the trail it leaves.

Writes resources/tavorinex.ico (32x32 and 16x16). The picture has nine colours, so each image is
stored at 4 bits per pixel with its palette: the same pixels as at 32 bits, in a fifth of the
bytes. Run it again after changing the picture.
"""
import struct
import sys
from pathlib import Path


def draw(size):
    scale = size / 32
    px = [[(0, 0, 0, 255) for _ in range(size)] for _ in range(size)]
    box = max(4, round(12 * scale))
    # The trail: boxes stepping down and right, fading from blue to orange.
    steps = 8
    for i in range(steps):
        t = i / (steps - 1)
        colour = (int(40 + 215 * t), int(90 + 70 * t), int(220 - 190 * t), 255)
        x0 = round(i * (size - box) / (steps - 1))
        y0 = round(i * (size - box) / (steps - 1) * 0.8)
        for y in range(y0, y0 + box):
            for x in range(x0, x0 + box):
                px[y][x] = colour
        # Black outline with open corners.
        s = box
        for x in range(1, s - 2):
            px[y0][x0 + x] = (0, 0, 0, 255)
        for y in range(1, s - 2):
            px[y0 + y][x0 + s - 1] = (0, 0, 0, 255)
        for x in range(2, s - 1):
            px[y0 + s - 1][x0 + x] = (0, 0, 0, 255)
        for y in range(2, s - 1):
            px[y0 + y][x0] = (0, 0, 0, 255)
    return px


def dib(px):
    size = len(px)
    colours = sorted({(r, g, b) for row in px for r, g, b, _ in row})
    if len(colours) > 16 or any(a != 255 for row in px for *_, a in row):
        sys.exit("make_icon: the picture must be opaque and have at most 16 colours")
    index = {colour: k for k, colour in enumerate(colours)}
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours).ljust(16 * 4, b"\0")
    # Two pixels a byte, the left one in the high half; rows padded to 4 bytes, bottom up.
    rows = b"".join(bytes(index[row[x][:3]] << 4 | index[row[x + 1][:3]]
                          for x in range(0, size, 2)).ljust(((size + 7) // 8) * 4, b"\0")
                    for row in reversed(px))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    return header + palette + rows + mask_row * size


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources" / "tavorinex.ico"
    images = [dib(draw(32)), dib(draw(16))]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
