#!/usr/bin/env python3
"""Draws toolbar151.png, the 16x16 pictures of the Standard toolbar's buttons in their order
(run from this folder). Plain shapes on a transparent ground; no outside artwork."""
import struct
import zlib

W = 16
NAMES = ["open", "save", "run", "up", "down", "add_action", "remove_action", "remove_all",
         "properties", "add_target", "remove_targets", "preview", "help"]

INK = (40, 40, 40, 255)
BLUE = (49, 106, 197, 255)
LIGHT_BLUE = (170, 200, 240, 255)
GREEN = (40, 150, 60, 255)
RED = (200, 40, 40, 255)
YELLOW = (240, 200, 80, 255)
DARK_YELLOW = (180, 140, 40, 255)
PAPER = (255, 255, 255, 255)
GREY = (150, 150, 150, 255)


class Icon:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * W for _ in range(W)]

    def set(self, x, y, c):
        if 0 <= x < W and 0 <= y < W:
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


def page(i):  # a sheet of paper with a folded corner
    i.rect(2, 1, 11, 14, PAPER, INK)
    for k in range(4):
        i.set(8 + k, 1 + k, INK)
        i.hline(9 + k, 11, 1 + k, (0, 0, 0, 0)) if k < 3 else None
    i.vline(8, 1, 4, INK)
    i.hline(8, 11, 4, INK)


def lines(i, y0=6, y1=12, x0=4, x1=9):
    for y in range(y0, y1 + 1, 2):
        i.hline(x0, x1, y, GREY)


def plus(i, cx, cy, c):
    i.hline(cx - 2, cx + 2, cy, c)
    i.vline(cx, cy - 2, cy + 2, c)
    i.hline(cx - 2, cx + 2, cy + 1, c)
    i.vline(cx + 1, cy - 2, cy + 2, c)


def cross(i, cx, cy, c, r=2):
    for k in range(-r, r + 1):
        i.set(cx + k, cy + k, c)
        i.set(cx + k + 1, cy + k, c)
        i.set(cx + k, cy - k, c)
        i.set(cx + k + 1, cy - k, c)


def stack(i):  # three cards: the action stack
    i.rect(1, 2, 10, 5, LIGHT_BLUE, BLUE)
    i.rect(1, 6, 10, 9, LIGHT_BLUE, BLUE)
    i.rect(1, 10, 10, 13, LIGHT_BLUE, BLUE)


def draw(name):
    i = Icon()
    if name == "open":
        i.rect(1, 4, 13, 13, YELLOW, DARK_YELLOW)
        i.hline(1, 6, 3, DARK_YELLOW)
        i.rect(3, 7, 15, 13, (250, 225, 120, 255), DARK_YELLOW)
    elif name == "save":
        i.rect(1, 1, 14, 14, BLUE, INK)
        i.rect(4, 2, 11, 7, PAPER, None)
        i.rect(4, 10, 11, 14, GREY, INK)
        i.rect(8, 11, 9, 13, INK, None)
    elif name == "run":
        for x in range(4, 13):
            h = (12 - x) * 6 // 8
            i.vline(x, 8 - h, 8 + h, GREEN)
        i.vline(4, 2, 14, (20, 100, 40, 255))
    elif name in ("up", "down"):
        rows = list(range(2, 14))
        for n, y in enumerate(rows):
            yy = y if name == "up" else 15 - y
            if n < 6:
                i.hline(7 - n, 8 + n, yy, BLUE)
            else:
                i.hline(6, 9, yy, BLUE)
    elif name == "add_action":
        stack(i)
        plus(i, 12, 11, GREEN)
    elif name == "remove_action":
        stack(i)
        cross(i, 12, 11, RED)
    elif name == "remove_all":
        stack(i)
        cross(i, 6, 8, RED, 3)
    elif name == "properties":
        page(i)
        for y in (6, 9, 12):
            i.rect(4, y - 1, 5, y, BLUE, None)
            i.hline(7, 9, y, GREY)
    elif name == "add_target":
        page(i)
        lines(i)
        plus(i, 12, 12, GREEN)
    elif name == "remove_targets":
        page(i)
        lines(i)
        cross(i, 12, 12, RED)
    elif name == "preview":
        ring = [(x, y) for y in range(W) for x in range(W) if 9 <= (x - 6) ** 2 + (y - 6) ** 2 <= 22]
        for x, y in ring:
            i.set(x, y, INK)
        for y in range(W):
            for x in range(W):
                if (x - 6) ** 2 + (y - 6) ** 2 < 9:
                    i.set(x, y, LIGHT_BLUE)
        for k in range(4):
            i.set(10 + k, 10 + k, INK)
            i.set(11 + k, 10 + k, INK)
            i.set(10 + k, 11 + k, INK)
    elif name == "help":
        for y in range(W):
            for x in range(W):
                if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 56:
                    i.set(x, y, BLUE)
        mark = ["..####..",
                ".##..##.",
                ".....##.",
                "....##..",
                "...##...",
                "...##...",
                "........",
                "...##...",
                "...##..."]
        for dy, row in enumerate(mark):
            for dx, ch in enumerate(row):
                if ch == "#":
                    i.set(4 + dx, 3 + dy, PAPER)
    return i


def png(path, icons):
    width = W * len(icons)
    rows = b""
    for y in range(W):
        row = b"\0"
        for icon in icons:
            row += b"".join(bytes(c) for c in icon.px[y])
        rows += row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, W, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


png("toolbar151.png", [draw(n) for n in NAMES])
