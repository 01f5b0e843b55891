#!/usr/bin/env python3
"""Draws the small PNG pictures the resource tests compile (run from this folder)."""
import struct
import zlib


def png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# A 16x16 red square, half-transparent in its left half, fully transparent at (0, 0).
png("red16.png", 16, 16, lambda x, y: (255, 0, 0, 0 if (x, y) == (0, 0) else (128 if x < 8 else 255)))
# Icon pictures: opaque blue with a transparent top-left pixel; 32x32 is green.
png("icon16.png", 16, 16, lambda x, y: (0, 0, 255, 0 if (x, y) == (0, 0) else 255))
png("icon32.png", 32, 32, lambda x, y: (0, 255, 0, 0 if (x, y) == (0, 0) else 255))
# A strip of two 16x15 buttons in three colours plus transparent corners (the key colour).
def strip(x, y):
    if (x % 16, y) == (0, 0):
        return (0, 0, 0, 0)
    return (255, 255, 0, 255) if x < 16 else ((0, 128, 128, 255) if y < 8 else (10, 20, 30, 255))
png("strip.png", 32, 15, strip)
