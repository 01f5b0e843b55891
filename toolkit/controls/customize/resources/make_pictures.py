# Writes the customize sheet's pictures: the 42 stock button images (palette.png), the header
# menu's icons (header_menu.png) and the drag cursors. All drawn here so the pictures are ours. Run from this
# folder.
import math
import struct
import zlib

KEY = (192, 192, 192)
# The sixteen colours a 4-bit picture may use (the key among them).
BLACK, MAROON, GREEN, OLIVE = (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0)
NAVY, PURPLE, TEAL, GREY = (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128)
RED, LIME, YELLOW, BLUE = (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255)
FUCHSIA, AQUA, WHITE = (255, 0, 255), (0, 255, 255), (255, 255, 255)


class Canvas:
    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.p = [[fill for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.p[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.set(x, y, c)
                elif fill is not None:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def ellipse(self, cx, cy, rx, ry, c, fill=None):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    inner = ((x - cx) / max(rx - 1, 0.5)) ** 2 + ((y - cy) / max(ry - 1, 0.5)) ** 2
                    self.set(x, y, fill if (fill is not None and inner <= 1.0) else c)

    def polygon(self, pts, c, fill):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(len(pts)):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % len(pts)]
                if (ay <= y < by) or (by <= y < ay):
                    xs.append(ax + (y - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(math.ceil(xs[i]), math.floor(xs[i + 1]) + 1):
                    self.set(x, y, fill)
        for i in range(len(pts)):
            self.line(*pts[i], *pts[(i + 1) % len(pts)], c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.p[y][x] is not None:
                    self.set(ox + x, oy + y, other.p[y][x])

    def png(self, name, key=None):
        def px(c):
            if c is None:
                return bytes(key + (255,)) if key else b"\0\0\0\0"
            if len(c) == 3:
                return bytes(c + (255,))
            return bytes(c)
        rows = b"".join(b"\0" + b"".join(px(self.p[y][x]) for x in range(self.w)) for y in range(self.h))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)) + \
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
        open(name, "wb").write(data)


def icon():
    return Canvas(16, 16)


# ---- the 42 stock images: shapes in a few colours ----
def stock(i):
    c = icon()
    colours = [RED, BLUE, GREEN, YELLOW, PURPLE, TEAL, NAVY, MAROON, OLIVE, AQUA, FUCHSIA, LIME]
    main = colours[i % len(colours)]
    kind = i // 6
    v = i % 6
    if kind == 0:  # filled squares of growing size
        s = 4 + v
        c.rect(8 - s, 8 - s, 7 + s, 7 + s if s < 8 else 15, BLACK, main)
    elif kind == 1:  # circles
        c.ellipse(7.5, 7.5, 4 + v * 0.7, 4 + v * 0.7, BLACK, main)
    elif kind == 2:  # triangles in four directions and two diamonds
        shapes = [[(7, 2), (13, 13), (2, 13)], [(2, 2), (13, 2), (7, 13)], [(2, 2), (13, 7), (2, 13)],
                  [(13, 2), (13, 13), (2, 7)], [(7, 1), (14, 7), (7, 14), (1, 7)], [(7, 3), (12, 7), (7, 12), (3, 7)]]
        c.polygon(shapes[v], BLACK, main)
    elif kind == 3:  # arrows
        arrows = [[(2, 6), (8, 6), (8, 2), (14, 8), (8, 14), (8, 10), (2, 10)],
                  [(14, 6), (8, 6), (8, 2), (2, 8), (8, 14), (8, 10), (14, 10)],
                  [(6, 14), (6, 8), (2, 8), (8, 2), (14, 8), (10, 8), (10, 14)],
                  [(6, 2), (6, 8), (2, 8), (8, 14), (14, 8), (10, 8), (10, 2)],
                  [(2, 2), (12, 2), (12, 12), (9, 9), (4, 14), (2, 12), (7, 7)],
                  [(7, 1), (9, 6), (14, 6), (10, 9), (12, 14), (7, 11), (3, 14), (5, 9), (1, 6), (6, 6)]]
        c.polygon(arrows[v], BLACK, main)
    elif kind == 4:  # faces and marks
        if v < 3:
            c.ellipse(7.5, 7.5, 7, 7, BLACK, YELLOW if v == 0 else main)
            c.set(5, 5, BLACK); c.set(10, 5, BLACK)
            mouth = [(4, 10), (5, 11), (6, 11), (9, 11), (10, 11), (11, 10)] if v != 2 else [(4, 11), (5, 10), (10, 10), (11, 11)]
            for x, y in mouth:
                c.set(x, y, BLACK)
            c.line(6, 11, 9, 11, BLACK) if v != 2 else c.line(5, 10, 10, 10, BLACK)
        elif v == 3:  # a check mark
            for d in range(3):
                c.line(2, 8 + d, 6, 12 + d, GREEN)
                c.line(6, 12 + d, 13, 3 + d, GREEN)
        elif v == 4:  # a cross
            for d in range(3):
                c.line(3 + d, 3, 12 + d, 13, RED)
                c.line(12 + d, 3, 3 + d, 13, RED)
        else:  # a plus
            c.rect(6, 2, 9, 13, BLACK, BLUE)
            c.rect(2, 6, 13, 9, BLACK, BLUE)
            c.rect(7, 7, 8, 8, BLUE, BLUE)
    elif kind == 5:  # objects: page, folder, envelope, flag, bell, key
        if v == 0:
            c.polygon([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], BLACK, WHITE)
            for y in (5, 7, 9, 11):
                c.line(5, y, 11, y, GREY)
        elif v == 1:
            c.polygon([(1, 4), (6, 4), (7, 3), (14, 3), (14, 13), (1, 13)], BLACK, YELLOW)
        elif v == 2:
            c.rect(1, 3, 14, 12, BLACK, WHITE)
            c.line(1, 3, 7, 8, BLACK); c.line(14, 3, 8, 8, BLACK)
        elif v == 3:
            c.line(3, 1, 3, 15, BLACK)
            c.polygon([(4, 2), (13, 2), (10, 5), (13, 8), (4, 8)], BLACK, RED)
        elif v == 4:
            c.polygon([(7, 1), (9, 1), (12, 5), (12, 10), (14, 12), (2, 12), (4, 10), (4, 5)], BLACK, OLIVE)
            c.rect(7, 13, 8, 14, BLACK, BLACK)
        else:
            c.ellipse(4.5, 7.5, 3.5, 3.5, BLACK, YELLOW)
            c.rect(8, 7, 14, 8, BLACK, YELLOW)
            c.line(12, 9, 12, 11, BLACK); c.line(14, 9, 14, 11, BLACK)
    else:  # kind 6: bars and blocks
        for k in range(v + 1):
            h = 3 + 2 * k
            c.rect(1 + k * 2 + (v < 3) * k, 15 - h, 2 + k * 2 + (v < 3) * k, 15, BLACK, main)
        if v >= 3:
            c.rect(2, 2, 13, 5, BLACK, [RED, GREEN, BLUE][v - 3])
    return c


palette = Canvas(42 * 16, 16)
for i in range(42):
    palette.blit(stock(i), i * 16, 0)
palette.png("palette.png", KEY)


# ---- the header menu's icons: sort ascending, sort descending, align left, centre, right ----
def header_icon(i):
    c = icon()
    if i == 0:
        c.polygon([(8, 3), (13, 12), (3, 12)], BLACK, NAVY)
    elif i == 1:
        c.polygon([(3, 3), (13, 3), (8, 12)], BLACK, NAVY)
    else:
        for k, y in enumerate((3, 6, 9, 12)):
            length = 12 if k % 2 == 0 else 8
            x0 = {2: 2, 3: 8 - length // 2, 4: 14 - length}[i]
            c.line(x0, y, x0 + length - 1, y, BLACK)
    return c


header = Canvas(80, 16)
for i in range(5):
    header.blit(header_icon(i), i * 16, 0)
header.png("header_menu.png", KEY)


# ---- cursors, 32 x 32 with alpha ----
def arrow(c):
    pts = [(0, 0), (0, 15), (4, 11), (7, 17), (9, 16), (6, 10), (11, 10)]
    c.polygon(pts, BLACK, WHITE)


def drag_cursor(copy):
    c = Canvas(32, 32)
    arrow(c)
    c.rect(10, 18, 19, 25, BLACK, WHITE)
    if copy:
        c.rect(16, 22, 24, 30, BLACK, WHITE)
        c.line(18, 26, 22, 26, BLACK)
        c.line(20, 24, 20, 28, BLACK)
    return c


def no_drop():
    c = Canvas(32, 32)
    c.ellipse(15.5, 15.5, 11, 11, BLACK, WHITE)
    c.ellipse(15.5, 15.5, 8, 8, BLACK, None)
    for y in range(32):
        for x in range(32):
            r = ((x - 15.5) ** 2 + (y - 15.5) ** 2) ** 0.5
            if 7.2 < r < 9.8:
                c.set(x, y, RED)
            elif r < 7.2:
                c.set(x, y, None)
    for d in range(-1, 2):
        c.line(10 + d, 10 - d, 21 + d, 21 - d, RED)
    return c


drag_cursor(True).png("customize_copy.png")
drag_cursor(False).png("customize_move.png")
no_drop().png("customize_no_drop.png")
