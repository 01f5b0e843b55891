# Writes the panes' pictures, drawn here so they are ours. Run from this folder.
#   action_icons.png  550 x 22, 25 icons of 22 x 22 with alpha (the actions and the tree's groups)
#   empty_files.png   150 x 140, the empty source-files pane (a sheet and an arrow pointing in)
#   empty_stack.png   150 x 150, the empty stack list (three stacked layers)
#   file_icon.png     16 x 16, the icon of every source-file row
import math
import struct
import zlib


def write_png(name, width, height, pixel, alpha):
    channels = 4 if alpha else 3
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y)[:channels])
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    with open(name, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
                + chunk(b"IEND", b""))


# One colour per icon; 17 is unused and stays empty.
COLOURS = [
    (240, 200, 40), (90, 90, 90), (60, 150, 60), (40, 120, 200), (200, 90, 40), (150, 150, 150),
    (80, 80, 120), (170, 110, 60), (120, 60, 160), (40, 110, 170), (180, 140, 60), (40, 160, 160),
    (230, 190, 90), (90, 140, 210), (200, 100, 60), (70, 130, 190), (200, 60, 60), None,
    (160, 120, 70), (60, 170, 120), (220, 80, 160), (100, 70, 170), (230, 40, 130), (60, 120, 200),
    (140, 100, 50),
]


def icon_pixel(index, x, y):
    colour = COLOURS[index]
    if colour is None:
        return (0, 0, 0, 0)
    cx, cy = x - 10.5, y - 10.5
    if index in (12, 13, 14):
        # Group icons: a folder.
        inside = 2 <= x <= 19 and 5 <= y <= 18 or 2 <= x <= 9 and 3 <= y <= 5
        edge = inside and (x in (2, 19) or y in (18, 3) or (y == 5 and x >= 9))
    else:
        # Action icons: a rounded tile with a mark that differs per icon.
        r = max(abs(cx), abs(cy))
        inside = r <= 9.5 and not (abs(cx) > 7.5 and abs(cy) > 7.5)
        edge = inside and (r > 8.5 or (abs(cx) > 6.5 and abs(cy) > 6.5))
    if not inside:
        return (0, 0, 0, 0)
    r, g, b = colour
    if edge:
        return (max(r - 70, 1), max(g - 70, 1), max(b - 70, 1), 255)
    if index not in (12, 13, 14):
        # A white mark: a bar whose angle depends on the index.
        angle = index * math.pi / 9
        d = abs(cx * math.sin(angle) - cy * math.cos(angle))
        if d < 1.6 and abs(cx) < 6 and abs(cy) < 6:
            return (255, 255, 255, 255)
    shade = 1.0 + (10.5 - y) / 40.0
    return (min(255, int(r * shade)), min(255, int(g * shade)), min(255, int(b * shade)), 255)


write_png("action_icons.png", 550, 22, lambda x, y: icon_pixel(x // 22, x % 22, y), True)


def empty_files(x, y):
    # A sheet with a folded corner and an arrow pointing into it, in soft greys on white.
    grey = (200, 200, 205)
    dark = (150, 150, 160)
    if 45 <= x <= 105 and 20 <= y <= 120:
        fold = x - 45 + 120 - y
        if x > 90 and y < 35 and (x - 90) > (y - 20):
            return (255, 255, 255)
        on_edge = x in (45, 105) or y in (20, 120) or (x - 90) == (y - 20) and x >= 90
        if on_edge:
            return dark
        if 55 <= x <= 95 and y in (50, 60, 70, 80, 90, 100) and not (y == 100 and x > 80):
            return grey
        del fold
        return (250, 250, 252)
    return (255, 255, 255)


write_png("empty_files.png", 150, 140, empty_files, False)


def empty_stack(x, y):
    # Three flat layers, one above another.
    for i, (top, colour) in enumerate(((35, (205, 215, 235)), (65, (190, 205, 230)), (95, (175, 195, 225)))):
        dy = y - top
        half = 50 - abs(dy) * 2
        if 0 <= abs(dy) <= 12 and abs(x - 75) <= 50 - abs(dy) * 2:
            edge = abs(x - 75) >= half - 1 or abs(dy) >= 12
            return (120, 140, 180) if edge else colour
        del i
    return (255, 255, 255)


write_png("empty_stack.png", 150, 150, empty_stack, False)


def file_icon(x, y):
    # A small picture: a sheet with a blue sky and a green hill.
    if not (2 <= x <= 13 and 1 <= y <= 14):
        return (255, 255, 255)
    if x in (2, 13) or y in (1, 14):
        return (90, 90, 110)
    if (x - 8) ** 2 + (y - 16) ** 2 < 30:
        return (70, 160, 70)
    if (x - 5) ** 2 + (y - 5) ** 2 < 4:
        return (250, 210, 60)
    return (150, 200, 245)


write_png("file_icon.png", 16, 16, file_icon, False)
