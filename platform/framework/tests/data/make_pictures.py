#!/usr/bin/env python3
"""Draws the picture the framework tests compile (run from this folder)."""
import struct
import zlib


def png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# Two 8x8 buttons: red and blue, each with a magenta (mask colour) top-left pixel.
png("buttons.png", 16, 8, lambda x, y: (255, 0, 255, 255) if (x % 8, y) == (0, 0) else ((255, 0, 0, 255) if x < 8 else (0, 0, 255, 255)))
