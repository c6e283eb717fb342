#!/usr/bin/env python3
"""Draws the installer's icon and writes it as a one-image 32 x 32, 16-colour
(4 bits per pixel) .ico file. The picture is a rounded blue tile, darker at
the top, with a white "V" and a grey shadow; the corners are transparent.
With --plain the tile carries a downward arrow instead of the "V": the icon
of products whose description names none.

usage: tools/make_icon.py resources/installer.ico
       tools/make_icon.py --plain resources/default.ico
"""
import struct
import sys

SIZE = 32
# The standard 16-colour palette, in the order every 4-bit Windows bitmap uses.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15
TRANSPARENT = None

TILE_FIRST, TILE_LAST, CORNER = 1, 30, 5


def inside_tile(x, y):
    """Inside the rounded square from TILE_FIRST to TILE_LAST (inclusive)."""
    if not (TILE_FIRST <= x <= TILE_LAST and TILE_FIRST <= y <= TILE_LAST):
        return False
    # Distance into the nearest corner square, measured from its arc's centre.
    cx = min(max(x, TILE_FIRST + CORNER), TILE_LAST - CORNER)
    cy = min(max(y, TILE_FIRST + CORNER), TILE_LAST - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2 + 1


def on_v(x, y, thickness=2.2):
    """On one of the two strokes of the letter V (from (8,7) and (23,7) to (15.5,24))."""
    top, bottom = 7.0, 24.0
    if not (top <= y <= bottom):
        return False
    t = (y - top) / (bottom - top)
    left_stroke = 8.0 + t * 7.5
    right_stroke = 23.0 - t * 7.5
    return abs(x - left_stroke) <= thickness / 2 + 0.5 or abs(x - right_stroke) <= thickness / 2 + 0.5


def on_arrow(x, y):
    """On a downward arrow: a shaft from (14..17, 6) to row 15 and a head down to row 25."""
    if 14 <= x <= 17 and 6 <= y <= 15:
        return True
    return 16 <= y <= 25 and abs(x - 15.5) <= (25 - y) + 0.5


def pixel(x, y, sign=on_v):
    if not inside_tile(x, y):
        return TRANSPARENT
    if not all(inside_tile(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
        return BLACK
    if sign(x, y):
        return WHITE
    if sign(x - 1, y - 1):
        return GREY if y >= 16 else SILVER
    return NAVY if y < 16 else BLUE


def icon_bytes(sign=on_v):
    rows = [[pixel(x, y, sign) for x in range(SIZE)] for y in range(SIZE)]
    xor_mask = bytearray()
    and_mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        colours = [0 if p is TRANSPARENT else p for p in row]
        for x in range(0, SIZE, 2):
            xor_mask.append((colours[x] << 4) | colours[x + 1])
        bits = 0
        for x, p in enumerate(row):
            if p is TRANSPARENT:
                bits |= 1 << (SIZE - 1 - x)
        and_mask += struct.pack(">I", bits)  # 32 pixels fill a whole DWORD row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor_mask) + bytes(and_mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    args = sys.argv[1:]
    sign = on_v
    if args[:1] == ["--plain"]:
        sign = on_arrow
        args = args[1:]
    if len(args) != 1:
        sys.stderr.write("usage: make_icon.py [--plain] OUTPUT.ico\n")
        return 2
    with open(args[0], "wb") as out:
        out.write(icon_bytes(sign))
    return 0


if __name__ == "__main__":
    sys.exit(main())
