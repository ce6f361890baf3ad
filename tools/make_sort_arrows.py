#!/usr/bin/env python3
"""Writes the list header's sort arrows: a 32x16 24-bit BMP holding two 16x16
images side by side, an upward triangle (ascending) and a downward one
(descending), dark grey on magenta, which the image list makes transparent."""
import struct
import sys

WIDTH, HEIGHT = 32, 16
MAGENTA = (255, 0, 255)
ARROW = (96, 96, 96)


def pixel(x, y):
    """Colour at (x, y), y counted from the top."""
    image, cx = divmod(x, 16)
    # Rows 5..10 hold the triangle: 1, 3, 5, ... 11 pixels wide.
    row = y - 5
    if not 0 <= row <= 5:
        return MAGENTA
    if image == 1:
        row = 5 - row  # descending: the wide row on top
    half = row
    return ARROW if 7 - half <= cx <= 7 + half else MAGENTA


def main(path):
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(HEIGHT)):  # bottom-up rows
        line = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row_bytes - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as out:
        out.write(header + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/res/SortArrows.bmp")
