# Writes the button editor's pictures: editor_tools.png (16 images of 16 x 16 in one strip: the
# twelve tool and command buttons, then the four move arrows) and the four tool cursors. Drawn
# here so the pictures are ours. Run from this folder.
import struct
import zlib

KEY = (192, 192, 192)  # the mask colour of the 4-bit strip


def png(path, w, h, px, alpha):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    rows = b"".join(b"\0" + b"".join(bytes(px[y][x]) for x in range(w)) for y in range(h))
    colour_type = 6 if alpha else 2
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(data)


class Canvas:
    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.p = [[bg for _ in range(w)] for _ in range(h)]

    def dot(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.p[y][x] = c

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.dot(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def rect(self, x0, y0, x1, y1, c, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.dot(x, y, c)
                elif fill:
                    self.dot(x, y, fill)

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if 0.75 <= d <= 1.25:
                    self.dot(x, y, c)


BLACK, GREY, DARK, WHITE = (0, 0, 0), (128, 128, 128), (64, 64, 64), (255, 255, 255)
BLUE, RED, YELLOW, GREEN = (0, 0, 160), (200, 0, 0), (230, 200, 0), (0, 140, 0)


def pencil(c):
    c.line(3, 12, 11, 4, YELLOW); c.line(4, 13, 12, 5, YELLOW); c.line(2, 13, 3, 12, DARK)
    c.line(11, 3, 13, 5, RED); c.dot(2, 14, BLACK)


def fill(c):
    c.rect(4, 5, 10, 11, DARK, WHITE); c.line(4, 5, 7, 2, DARK); c.line(10, 5, 13, 2, DARK)
    for y in range(8, 14):
        c.dot(12, y, BLUE); c.dot(13, y + 1, BLUE)


def undo(c):
    c.line(4, 6, 10, 6, BLUE); c.line(10, 6, 12, 8, BLUE); c.line(12, 8, 12, 11, BLUE)
    c.line(4, 6, 6, 4, BLUE); c.line(4, 6, 6, 8, BLUE)


def redo(c):
    c.line(11, 6, 5, 6, BLUE); c.line(5, 6, 3, 8, BLUE); c.line(3, 8, 3, 11, BLUE)
    c.line(11, 6, 9, 4, BLUE); c.line(11, 6, 9, 8, BLUE)


def pick(c):
    c.line(3, 13, 9, 7, DARK); c.line(4, 13, 10, 7, GREY); c.rect(9, 3, 12, 6, BLACK, BLACK)


def line(c):
    c.line(2, 13, 13, 2, BLACK)


def copy(c):
    c.rect(2, 2, 8, 10, DARK, WHITE); c.rect(6, 5, 12, 13, DARK, WHITE)
    for y in (7, 9, 11):
        c.line(8, y, 10, y, BLUE)


def paste(c):
    c.rect(2, 3, 10, 13, DARK, (190, 150, 90)); c.rect(5, 2, 7, 4, BLACK, GREY)
    c.rect(7, 7, 13, 14, DARK, WHITE); c.line(9, 10, 11, 10, BLUE)


def rectangle(c):
    c.rect(2, 4, 13, 11, BLACK)


def ellipse(c):
    c.ellipse(7.5, 7.5, 6, 4.5, BLACK)


def clear(c):
    c.rect(3, 3, 12, 12, GREY, WHITE); c.line(4, 4, 11, 11, RED); c.line(4, 11, 11, 4, RED)
    c.line(5, 4, 12, 11, RED); c.line(5, 11, 12, 4, RED)


def import_(c):
    c.rect(2, 5, 13, 13, DARK, (230, 200, 100)); c.line(2, 5, 5, 3, DARK); c.line(5, 3, 8, 3, DARK)
    c.line(8, 3, 9, 5, DARK); c.line(7, 12, 7, 7, GREEN); c.line(5, 9, 7, 7, GREEN); c.line(9, 9, 7, 7, GREEN)


def arrow(dx, dy):
    def draw(c):
        for i in range(5):
            for j in range(-i, i + 1):
                x, y = (7 + j, 4 + i) if dy < 0 else (7 + j, 11 - i) if dy > 0 else \
                       (4 + i, 7 + j) if dx < 0 else (11 - i, 7 + j)
                c.dot(x, y, BLACK)
    return draw


# Button order of the strip: tools toolbar images 0-11, then the move buttons 107-110.
images = [pencil, fill, undo, redo, pick, line, copy, paste, rectangle, ellipse, clear, import_,
          arrow(-1, 0), arrow(0, 1), arrow(0, -1), arrow(1, 0)]
strip = Canvas(256, 16, KEY)
alpha_strip = Canvas(256, 16, (0, 0, 0, 0))
for i, draw in enumerate(images):
    c = Canvas(16, 16, KEY)
    draw(c)
    for y in range(16):
        for x in range(16):
            v = c.p[y][x]
            strip.p[y][16 * i + x] = v
            alpha_strip.p[y][16 * i + x] = (0, 0, 0, 0) if v == KEY else v + (255,)
png("editor_tools.png", 256, 16, strip.p, False)
png("editor_tools_alpha.png", 256, 16, alpha_strip.p, True)

# Cursors, 32 x 32 with alpha: a cross for the shapes, a dropper, a bucket and a pencil, each
# with its hot spot at the tip.
CLEAR = (0, 0, 0, 0)


def cursor(path, draw):
    c = Canvas(32, 32, CLEAR)
    draw(c)
    png(path, 32, 32, c.p, True)


def cross(c):
    for d in range(-7, 8):
        if abs(d) > 1:
            c.dot(8 + d, 8, (0, 0, 0, 255)); c.dot(8, 8 + d, (0, 0, 0, 255))


def dropper(c):
    c.line(1, 14, 9, 6, (0, 0, 0, 255)); c.line(2, 14, 10, 6, (255, 255, 255, 255))
    c.rect(9, 2, 13, 6, (0, 0, 0, 255), (0, 0, 0, 255))


def bucket(c):
    c.rect(5, 5, 11, 11, (0, 0, 0, 255), (255, 255, 255, 255)); c.line(5, 5, 8, 2, (0, 0, 0, 255))
    c.line(11, 5, 14, 2, (0, 0, 0, 255)); c.line(1, 13, 4, 10, (0, 0, 200, 255))


def pen(c):
    c.line(1, 14, 11, 4, (0, 0, 0, 255)); c.line(2, 14, 12, 4, (230, 200, 0, 255))
    c.line(3, 14, 13, 4, (0, 0, 0, 255))


cursor("editor_cross.png", cross)
cursor("editor_pick.png", dropper)
cursor("editor_fill.png", bucket)
cursor("editor_pencil.png", pen)
