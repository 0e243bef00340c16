#!/usr/bin/env python3
"""Draws the program's icon, a clock face, and writes it as lanqi.ico: one image for each size the
shell asks for from 100 % to 300 % display scaling (the notification area's 16 to 48 pixels, the
window's 32 to 64), 24 bits per pixel, with a 1-bit mask for the transparent corners, so that no
size is a stretched copy of another. Standard library only; run it again after changing the
drawing and commit both files."""
import math
import struct
import sys
from pathlib import Path

RIM = (0x1E, 0x5A, 0xA8)    # blue (red, green, blue)
FACE = (0xFF, 0xFF, 0xFF)
HAND = (0x20, 0x20, 0x20)
SECOND = (0xD0, 0x20, 0x20)
# Small icons at 100, 125, 150, 175, 200, 250 and 300 %, and the large ones above them.
SIZES = [16, 20, 24, 28, 32, 40, 48, 64]


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def hand_end(center, length, clock_minutes):
    angle = math.radians(clock_minutes * 6.0 - 90.0)
    return center + length * math.cos(angle), center + length * math.sin(angle)


def draw(size):
    """Rows top to bottom of (colour or None for transparent)."""
    center = (size - 1) / 2.0
    radius = size / 2.0 - 0.5
    rim = max(1.5, size / 10.0)
    hands = [  # 10:10, the hour hand shorter and thicker
        (hand_end(center, radius * 0.50, 50 + 10 / 12 * 5), max(1.0, size / 14.0), HAND),
        (hand_end(center, radius * 0.75, 10), max(0.8, size / 20.0), HAND),
        (hand_end(center, radius * 0.80, 35), 0.5, SECOND),
    ]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = math.hypot(x - center, y - center)
            if r > radius:
                row.append(None)
                continue
            colour = RIM if r > radius - rim else FACE
            for (ex, ey), width, hand_colour in hands:
                if distance_to_segment(x, y, center, center, ex, ey) <= width:
                    colour = hand_colour
            row.append(colour)
        rows.append(row)
    return rows


def bitmap(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    colour_stride = (size * 3 + 3) & ~3
    mask_stride = ((size + 31) // 32) * 4
    colours, mask = bytearray(), bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        line = bytearray()
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            red, green, blue = pixel if pixel else (0, 0, 0)
            line += bytes((blue, green, red))
            if pixel is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += line.ljust(colour_stride, b"\0")
        mask += bits
    return header + colours + mask


def icon(sizes):
    images = [bitmap(size) for size in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("lanqi.ico")
    target.write_bytes(icon(SIZES))
