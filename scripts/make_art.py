#!/usr/bin/env python3
"""Draws the program's backdrop bitmap (440 x 305, 24 bits) and its icon
(32 x 32, 256 colours) into app/. Run by hand when the pictures change; the
files are kept in the repository so that the build needs no Python."""
import math
import struct
from pathlib import Path

APP = Path(__file__).resolve().parent.parent / "app"


def backdrop(w=440, h=305):
    px = [[(0, 0, 0)] * w for _ in range(h)]
    for y in range(h):
        t = y / (h - 1)
        for x in range(w):
            # dark blue, a little lighter towards the upper left
            glow = max(0.0, 1.0 - math.hypot(x / w - 0.15, y / h - 0.1) * 1.4)
            r = int(1 + 10 * glow)
            g = int(30 + 22 * (1 - t) + 30 * glow)
            b = int(78 + 37 * (1 - t) + 45 * glow)
            px[y][x] = (r, g, b)

    def line(x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0)) or 1
        for i in range(n + 1):
            x = round(x0 + (x1 - x0) * i / n)
            y = round(y0 + (y1 - y0) * i / n)
            if 0 <= x < w and 0 <= y < h:
                px[y][x] = c

    def box(x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                if 0 <= x < w and 0 <= y < h:
                    px[y][x] = c

    trace = (24, 88, 150)
    pad = (60, 140, 200)
    # circuit traces along the lower part and the right edge
    for i, y in enumerate(range(250, 300, 9)):
        line(0, y, 120 + 30 * i, y, trace)
        line(120 + 30 * i, y, 150 + 30 * i, y - 30, trace)
        line(150 + 30 * i, y - 30, 440, y - 30, trace)
        box(150 + 30 * i - 2, y - 32, 150 + 30 * i + 3, y - 27, pad)
    for i, x in enumerate(range(400, 440, 8)):
        line(x, 0, x, 60 + 12 * i, trace)
        box(x - 2, 58 + 12 * i, x + 3, 63 + 12 * i, pad)
    # a controller chip in the upper right corner
    box(330, 18, 390, 78, (10, 24, 48))
    box(333, 21, 387, 75, (28, 52, 92))
    for k in range(6):
        for (xa, ya, xb, yb) in ((336 + 9 * k, 12, 340 + 9 * k, 18), (336 + 9 * k, 78, 340 + 9 * k, 84),
                                 (324, 24 + 9 * k, 330, 28 + 9 * k), (390, 24 + 9 * k, 396, 28 + 9 * k)):
            box(xa, ya, xb, yb, (170, 180, 190))
    rows = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0])) + b"\0" * ((4 - w * 3 % 4) % 4)
                    for row in reversed(px))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    (APP / "backdrop.bmp").write_bytes(header + info + rows)


def icon():
    size = 32
    palette = [(0, 0, 0)] * 256
    colours = {
        "clear": (0, 0, 0), "edge": (8, 20, 44), "body": (1, 52, 115), "shine": (40, 110, 190),
        "pin": (192, 192, 192), "mark": (230, 230, 230),
    }
    names = list(colours)
    for i, n in enumerate(names):
        palette[i] = colours[n]
    img = [[0] * size for _ in range(size)]
    mask = [[1] * size for _ in range(size)]

    def put(x0, y0, x1, y1, name):
        for y in range(y0, y1):
            for x in range(x0, x1):
                img[y][x] = names.index(name)
                mask[y][x] = 0

    for k in range(5):
        put(7 + 4 * k, 2, 9 + 4 * k, 6, "pin")
        put(7 + 4 * k, 26, 9 + 4 * k, 30, "pin")
        put(2, 7 + 4 * k, 6, 9 + 4 * k, "pin")
        put(26, 7 + 4 * k, 30, 9 + 4 * k, "pin")
    put(5, 5, 27, 27, "edge")
    put(6, 6, 26, 26, "body")
    put(6, 6, 26, 9, "shine")
    # "S" for SCSI, in light grey
    for (x0, y0, x1, y1) in ((11, 11, 21, 13), (11, 11, 13, 16), (11, 15, 21, 17), (19, 15, 21, 21),
                             (11, 19, 21, 21)):
        put(x0, y0, x1, y1, "mark")
    xor = b"".join(bytes(img[y]) for y in reversed(range(size)))
    andm = b""
    for y in reversed(range(size)):
        bits = 0
        for x in range(size):
            bits = bits << 1 | mask[y][x]
        andm += bits.to_bytes(4, "big")
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    bih = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(andm), 0, 0, 256, 0)
    data = bih + pal + xor + andm
    ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), 22)
    (APP / "ktrcfg.ico").write_bytes(ico + data)


if __name__ == "__main__":
    backdrop()
    icon()
