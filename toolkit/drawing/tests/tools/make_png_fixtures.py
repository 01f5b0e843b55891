#!/usr/bin/env python3
"""Writes the small PNG fixtures of the PNG bitmap tests into tests/data (standard library only)."""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')


def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)


def png(name, width, height, depth, color_type, rows, extra=()):
    raw = b''.join(b'\0' + row for row in rows)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, depth, color_type, 0, 0, 0))
    for kind, payload in extra:
        data += chunk(kind, payload)
    data += chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


# 2 x 1 palette: entry 0 red and fully transparent, entry 1 green and half transparent.
png('palette_trns.png', 2, 1, 8, 3, [bytes([0, 1])],
    [(b'PLTE', bytes([255, 0, 0, 0, 255, 0])), (b'tRNS', bytes([0, 128]))])
# 2 x 1 grey: black and a grey of 200.
png('grey.png', 2, 1, 8, 0, [bytes([0, 200])])
# 2 x 1 RGBA over a white background: opaque blue and fully transparent red.
png('rgba_bkgd.png', 2, 1, 8, 6, [bytes([0, 0, 255, 255, 255, 0, 0, 0])],
    [(b'bKGD', struct.pack('>HHH', 255, 255, 255))])
# 1 x 1 16-bit RGBA: (0x1234, 0xABCD, 0xFF00, 0x8000).
png('rgba16.png', 1, 1, 16, 6, [struct.pack('>HHHH', 0x1234, 0xABCD, 0xFF00, 0x8000)])
# A header asking for 16384 x 16384 pixels of RGBA, with almost no data behind it.
png('huge.png', 16384, 16384, 8, 6, [b''])
# Icons of the resource-manager tests: 16 x 16 opaque blue and 32 x 32 opaque red, RGBA.
png('icon16.png', 16, 16, 8, 6, [bytes([0, 0, 255, 255]) * 16] * 16)
png('icon32.png', 32, 32, 8, 6, [bytes([255, 0, 0, 255]) * 32] * 32)
# A toolbar strip of two 16 x 16 buttons, 24-bit: magenta at (0, 0) is the mask colour, the first
# button blue, the second red.
png('strip32.png', 32, 16, 8, 2,
    [bytes([255, 0, 255]) + bytes([0, 0, 255]) * 15 + bytes([255, 0, 0]) * 16] +
    [bytes([0, 0, 255]) * 16 + bytes([255, 0, 0]) * 16] * 15)
# 4 x 2 RGBA with alpha 0, 64, 128 and 255 in each row, for a 32-bit bitmap resource.
png('alpha4.png', 4, 2, 8, 6, [bytes([10, 20, 30, 0, 10, 20, 30, 64, 10, 20, 30, 128, 10, 20, 30, 255])] * 2)
