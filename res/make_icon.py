#!/usr/bin/env python3
"""Draws quorvel.ico: a 32 x 32, 16-colour clock face with a plug lead.

Run it again after changing the picture: python3 res/make_icon.py
"""
import math
import os
import struct

SIZE = 32
# The standard 16-colour palette, as (blue, green, red, reserved).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, GREEN, NAVY, SILVER, YELLOW, WHITE = 0, 2, 4, 7, 11, 15
TRANSPARENT = None


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    cx, cy = 14.5, 14.5
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - cx, y - cy)
            if d <= 13.5:
                px[y][x] = NAVY if d > 11.0 else WHITE
    for hour in range(12):
        a = hour * math.pi / 6
        x, y = round(cx + 9.5 * math.sin(a)), round(cy - 9.5 * math.cos(a))
        px[y][x] = BLACK
    # Hands at two o'clock: the moment the program is made to wait for.
    for t in range(0, 8):
        px[round(cy - t)][round(cx)] = BLACK
    for t in range(0, 6):
        a = 2 * math.pi / 6
        px[round(cy - t * math.cos(a))][round(cx + t * math.sin(a))] = BLACK
    # A lead with a plug in the lower right corner.
    for t in range(22, 30):
        px[t][t] = GREEN
        px[t][t - 1] = GREEN
    for y in range(26, 32):
        for x in range(27, 32):
            px[y][x] = YELLOW if (x + y) % 2 else SILVER
    return px


def icon_bytes(px):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (b, g, r) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = px[y]
        for x in range(0, SIZE, 2):
            hi = row[x] or 0
            lo = row[x + 1] or 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is TRANSPARENT else 0)
        mask += struct.pack(">I", bits)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quorvel.ico")
    with open(out, "wb") as f:
        f.write(icon_bytes(draw()))
    print(out)
