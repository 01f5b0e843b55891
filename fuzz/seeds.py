#!/usr/bin/env python3
"""Writes the small generated seeds of fuzz/corpus/ (run again after changing it; seeds that once
crashed are added by hand and never rewritten here)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(name, file, data):
    folder = os.path.join(HERE, 'corpus', name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, file), 'wb') as out:
        out.write(data if isinstance(data, bytes) else data.encode('utf-8'))


def bmp(width, height, bits, pixels, palette=b'', header=40, compression=0, masks=b'', colors=0):
    info = struct.pack('<IiiHHIIiiII', header, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       colors, 0)
    info += masks
    info += b'\0' * (header - len(info))
    offset = 14 + len(info) + len(palette)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + info + palette + pixels


def bmp_seeds():
    put('bmp', '24bit_2x2.bmp', bmp(2, 2, 24, bytes(range(6)) + b'\0\0' + bytes(range(6, 12)) + b'\0\0'))
    put('bmp', 'topdown_24bit.bmp', bmp(1, -2, 24, b'\x10\x20\x30\0\x40\x50\x60\0'))
    pal = b'\0\0\0\0\xff\xff\xff\0'
    put('bmp', '8bit_palette.bmp', bmp(2, 1, 8, b'\0\1\0\0', pal, colors=2))
    put('bmp', '1bit.bmp', bmp(3, 1, 1, b'\xa0\0\0\0', pal, colors=2))
    put('bmp', '4bit.bmp', bmp(2, 1, 4, b'\x10\0\0\0', pal, colors=2))
    put('bmp', '16bit_565.bmp', bmp(1, 1, 16, b'\x1f\xf8\0\0', compression=3,
                                    masks=struct.pack('<III', 0xf800, 0x07e0, 0x001f)))
    put('bmp', '32bit_alpha_v4.bmp', bmp(1, 1, 32, b'\x01\x02\x03\x80', header=108, compression=3,
                                         masks=struct.pack('<IIII', 0xff0000, 0xff00, 0xff, 0xff000000)))
    core = struct.pack('<IHHHH', 12, 1, 1, 1, 24)
    put('bmp', 'os2_core.bmp', b'BM' + struct.pack('<IHHI', 14 + 12 + 4, 0, 0, 26) + core + b'\1\2\3\0')


def gif_sub_blocks(data):
    out = b''
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return out + b'\0'


def lzw(indices, min_code=2):
    # Uncompressed-style LZW: a clear code before every index keeps the coder trivial.
    clear, end = 1 << min_code, (1 << min_code) + 1
    width = min_code + 1
    bits, count, out = 0, 0, bytearray()
    for code in [c for i in indices for c in (clear, i)] + [end]:
        bits |= code << count
        count += width
        while count >= 8:
            out.append(bits & 0xff)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 0xff)
    return bytes(out)


def gif(width, height, indices, interlace=False, transparent=None, version=b'89a', loop=False):
    table = b'\0\0\0\xff\xff\xff\xff\0\0\0\xff\0'[:12]
    out = b'GIF' + version + struct.pack('<HHBBB', width, height, 0x81, 0, 0) + table
    if loop:
        out += b'\x21\xff\x0bNETSCAPE2.0\x03\x01\0\0\0'
    if transparent is not None:
        out += b'\x21\xf9\x04\x01\0\0' + bytes([transparent]) + b'\0'
    out += b',' + struct.pack('<HHHHB', 0, 0, width, height, 0x40 if interlace else 0)
    out += b'\x02' + gif_sub_blocks(lzw(indices)) + b';'
    return out


def gif_seeds():
    put('gif', '1x1.gif', gif(1, 1, [1], version=b'87a'))
    put('gif', '2x2_transparent.gif', gif(2, 2, [0, 1, 2, 3], transparent=0))
    put('gif', 'interlaced_1x4.gif', gif(1, 4, [0, 1, 2, 3], interlace=True, loop=True))


def png(width, height, color_type, depth, rows, extra=b'', interlace=0):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    ihdr = struct.pack('>IIBBBBB', width, height, depth, color_type, 0, 0, interlace)
    raw = b''.join(b'\0' + row for row in rows)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + extra + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')


def png_chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def png_seeds():
    put('png', 'rgb_2x2.png', png(2, 2, 2, 8, [b'\xff\0\0\0\xff\0', b'\0\0\xff\x80\x80\x80']))
    put('png', 'rgba_1x1.png', png(1, 1, 6, 8, [b'\x10\x20\x30\x40']))
    put('png', 'grey16_2x1.png', png(2, 1, 0, 16, [b'\x12\x34\xab\xcd']))
    put('png', 'grey_alpha.png', png(1, 1, 4, 8, [b'\x80\x40']))
    put('png', 'palette_trns.png', png(4, 1, 3, 2, [b'\x1b'], png_chunk(b'PLTE', b'\0\0\0\xff\0\0\0\xff\0\0\0\xff')
                                                         + png_chunk(b'tRNS', b'\0')))
    # Adam7 passes 1, 4, 5, 6 and 7 of a 3 x 3 picture (2 and 3 are empty).
    put('png', 'interlaced_3x3.png', png(3, 3, 0, 8, [b'\1', b'\2', b'\3\4', b'\5', b'\6', b'\7\x08\x09'],
                                         interlace=1))


def jpeg_seeds():
    # cjpeg (libjpeg-turbo-progs) from a tiny PPM/PGM; the results are committed, so this runs only here.
    import subprocess
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, 'in.ppm')
        with open(ppm, 'wb') as out:
            out.write(b'P6 16 16 255\n' + bytes((x * 16 + y * 3 + c * 40) & 0xff
                                                   for y in range(16) for x in range(16) for c in range(3)))
        pgm = os.path.join(tmp, 'in.pgm')
        with open(pgm, 'wb') as out:
            out.write(b'P5 8 8 255\n' + bytes((x * 30 + y) & 0xff for y in range(8) for x in range(8)))
        for name, args, source in [('baseline_420.jpg', ['-quality', '50', '-sample', '2x2'], ppm),
                                   ('progressive_444.jpg', ['-quality', '50', '-progressive', '-sample', '1x1'], ppm),
                                   ('restart_arith.jpg', ['-quality', '30', '-restart', '1B', '-arithmetic'], ppm),
                                   ('grey.jpg', ['-quality', '50', '-grayscale'], pgm)]:
            data = subprocess.run(['cjpeg'] + args + [source], check=True, capture_output=True).stdout
            put('jpeg', name, data)


def date_seeds():
    for i, text in enumerate(['Tue, 08 Dec 2026 22:17:08 +0100', '8 Dec 2026 22:17 GMT',
                              'Monday, 07-Dec-26 01:02:03 EST', '2026-12-08T22:17:08.5+01:00',
                              '20261208T221708Z', 'Sat Jan  3 04:05:06 2026']):
        put('date', 'date%d.txt' % i, text)


def url_seeds():
    put('url', 'absolute.txt', 'https://user:pw@Example.COM:8443/a/b/../c?q=1&r=%41#frag')
    put('url', 'relative.txt', 'http://host/a/b/c/d;p?q\n../../g?y#s')
    put('url', 'form.txt', 'ftp://files.news.site.co.uk/x\n//other/%zz+a%2')


if __name__ == '__main__':
    bmp_seeds()
    gif_seeds()
    png_seeds()
    jpeg_seeds()
    date_seeds()
    url_seeds()
