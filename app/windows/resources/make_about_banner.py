# Writes about_banner.png: the About box's top band (a blue gradient with a lighter wave), drawn
# here so the picture is ours. Run from this folder.
import math
import struct
import zlib

W, H = 350, 55


def pixel(x, y):
    t = x / (W - 1)
    r, g, b = 30 + int(40 * t), 70 + int(60 * t), 140 + int(80 * t)
    wave = H * 0.55 + 9 * math.sin(x / 38.0)
    if y > wave:
        k = min(1.0, (y - wave) / 6.0)
        r, g, b = [int(c + (235 - c) * k * 0.6) for c in (r, g, b)]
    return bytes((r, g, b))


rows = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(W)) for y in range(H))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)) + \
    chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
open("about_banner.png", "wb").write(png)
