# Writes the viewer's pictures, drawn here so they are ours. Run from this folder.
#   viewer_buttons.png  64 x 16, four 16 x 16 button icons with alpha: previous, next, fit, refresh
#   preview_stock.png   128 x 100, the stock picture shown when a preview has no file
import math
import struct
import zlib


def write_png(name, width, height, pixels, alpha):
    channels = 4 if alpha else 3
    rows = b"".join(b"\0" + b"".join(bytes(pixels[y][x][:channels]) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    open(name, "wb").write(png)


def coverage(inside, x, y, samples=4):
    """Share of the pixel (x, y) for which inside(px, py) holds."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def triangle(ax, ay, bx, by, cx, cy):
    def side(px, py, x1, y1, x2, y2):
        return (px - x2) * (y1 - y2) - (x1 - x2) * (py - y2)

    def inside(px, py):
        d1, d2, d3 = side(px, py, ax, ay, bx, by), side(px, py, bx, by, cx, cy), side(px, py, cx, cy, ax, ay)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))
    return inside


def buttons():
    W, H = 64, 16
    blue = (38, 92, 176)
    green = (34, 130, 60)
    px = [[(0, 0, 0, 0) for _ in range(W)] for _ in range(H)]

    def paint(ox, inside, colour):
        for y in range(H):
            for x in range(16):
                c = coverage(lambda a, b: inside(a, b), x, y)
                if c > 0:
                    old = px[y][ox + x]
                    a = max(old[3], int(255 * c))
                    px[y][ox + x] = (colour[0], colour[1], colour[2], a)

    # 0 previous, 1 next: a bar and a triangle.
    paint(0, triangle(11.5, 3, 11.5, 13, 4, 8), blue)
    paint(0, lambda a, b: 3 <= a <= 4.5 and 3 <= b <= 13, blue)
    paint(16, triangle(4.5, 3, 4.5, 13, 12, 8), blue)
    paint(16, lambda a, b: 11.5 <= a <= 13 and 3 <= b <= 13, blue)

    # 2 fit: a picture brought into a frame.
    def fit(a, b):
        frame = (1.5 <= a <= 14.5 and 1.5 <= b <= 14.5) and not (2.7 <= a <= 13.3 and 2.7 <= b <= 13.3)
        picture = 4.5 <= a <= 11.5 and 5.5 <= b <= 10.5
        return frame or picture
    paint(32, fit, blue)

    # 3 refresh: three quarters of a ring with an arrow head.
    def ring(a, b):
        r = math.hypot(a - 8, b - 8)
        angle = math.degrees(math.atan2(b - 8, a - 8)) % 360
        return 3.6 <= r <= 5.6 and not (270 < angle < 345)
    paint(48, ring, green)
    paint(48, triangle(9, 0.8, 14.5, 3.8, 9.5, 6.8), green)

    write_png("viewer_buttons.png", W, H, px, True)


def stock():
    W, H = 128, 100
    px = [[None] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            t = y / (H - 1)
            sky = (int(120 + 80 * t), int(170 + 60 * t), int(230 + 20 * t))
            px[y][x] = sky
    sun = lambda a, b: math.hypot(a - 92, b - 26) <= 11
    far = triangle(10, 80, 52, 34, 96, 80)
    near = triangle(44, 92, 88, 44, 136, 92)
    for y in range(H):
        for x in range(W):
            r, g, b = px[y][x]
            for inside, colour in ((sun, (250, 214, 90)), (far, (110, 130, 150)), (near, (70, 120, 80))):
                c = coverage(inside, x, y)
                if c:
                    r, g, b = [int(o + (n - o) * c) for o, n in zip((r, g, b), colour)]
            if y >= 84:
                r, g, b = 84, 140, 74
            px[y][x] = (r, g, b)
    write_png("preview_stock.png", W, H, px, False)


buttons()
stock()
