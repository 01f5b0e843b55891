#!/usr/bin/env python3
"""Draws the main window's pictures (run from this folder): buttons143.png, the ten 16x16 images
of the window's own buttons in bitmap order, and program16.png / program32.png, the program icon.
Plain shapes on a transparent ground; no outside artwork."""
import struct
import zlib

CLEAR = (0, 0, 0, 0)
INK = (40, 40, 40, 255)
BLUE = (49, 106, 197, 255)
LIGHT_BLUE = (170, 200, 240, 255)
GREEN = (40, 150, 60, 255)
DARK_GREEN = (20, 100, 40, 255)
RED = (200, 40, 40, 255)
PAPER = (255, 255, 255, 255)
GREY = (150, 150, 150, 255)
ORANGE = (235, 140, 40, 255)


class Icon:
    def __init__(self, size=16):
        self.w = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.w:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, line=None):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge and line:
                    self.set(x, y, line)
                elif fill:
                    self.set(x, y, fill)

    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1):
            self.set(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1):
            self.set(x, y, c)


def arrow(i, up):
    for n in range(6):
        y = 2 + n if up else 13 - n
        i.hline(7 - n, 8 + n, y, BLUE)
    for y in range(8, 14) if up else range(2, 8):
        i.hline(6, 9, y, BLUE)


def cards(i):
    for y in (2, 6, 10):
        i.rect(1, y, 10, y + 3, LIGHT_BLUE, BLUE)


def plus(i, cx, cy):
    for d in (0, 1):
        i.hline(cx - 2, cx + 2, cy + d, GREEN)
        i.vline(cx + d, cy - 2, cy + 2, GREEN)


def cross(i, cx, cy, r=2):
    for k in range(-r, r + 1):
        for d in (0, 1):
            i.set(cx + k + d, cy + k, RED)
            i.set(cx + k + d, cy - k, RED)


def button(index):
    i = Icon()
    if index == 0:
        arrow(i, True)
    elif index == 1:  # up, pressed look (unused by the window)
        arrow(i, True)
    elif index == 2:
        arrow(i, False)
    elif index == 3:
        arrow(i, False)
    elif index == 4:  # remove
        cross(i, 7, 7, 4)
    elif index == 5:  # add
        for d in (-1, 0, 1, 2):
            i.hline(2, 13, 7 + d, GREEN) if d in (0, 1) else None
            i.vline(7 + d, 2, 13, GREEN) if d in (0, 1) else None
        i.hline(2, 13, 6, DARK_GREEN)
        i.vline(6, 2, 13, DARK_GREEN)
    elif index == 6:  # preview: a magnifier
        for y in range(16):
            for x in range(16):
                d = (x - 6) ** 2 + (y - 6) ** 2
                if 9 <= d <= 22:
                    i.set(x, y, INK)
                elif d < 9:
                    i.set(x, y, LIGHT_BLUE)
        for k in range(4):
            i.set(10 + k, 10 + k, INK)
            i.set(11 + k, 10 + k, INK)
            i.set(10 + k, 11 + k, INK)
    elif index == 7:  # properties: a sheet with settings
        i.rect(2, 1, 13, 14, PAPER, INK)
        for y in (4, 8, 12):
            i.rect(4, y - 1, 5, y, BLUE)
            i.hline(7, 11, y, GREY)
    elif index == 8:  # remove all
        cards(i)
        cross(i, 11, 10, 3)
    elif index == 9:  # run
        for x in range(4, 13):
            h = (12 - x) * 6 // 8
            i.vline(x, 8 - h, 8 + h, GREEN)
        i.vline(4, 2, 14, DARK_GREEN)
    return i


def program(size):
    i = Icon(size)
    s = size / 16.0
    for n, y in enumerate((2, 6, 10)):
        i.rect(int(1 * s), int(y * s), int(11 * s) - 1, int((y + 4) * s) - 1, LIGHT_BLUE, BLUE)
    for x in range(int(8 * s), int(15 * s)):
        h = (int(15 * s) - 1 - x) * 0.75
        cy = 11 * s
        i.vline(x, int(cy - h), int(cy + h), ORANGE)
    return i


def png(path, icons):
    h = icons[0].w
    width = sum(icon.w for icon in icons)
    rows = b""
    for y in range(h):
        row = b"\0"
        for icon in icons:
            row += b"".join(bytes(c) for c in icon.px[y])
        rows += row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, h, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


png("buttons143.png", [button(n) for n in range(10)])
png("program16.png", [program(16)])
png("program32.png", [program(32)])
