#!/usr/bin/env python3
"""Writes the small generated seeds of fuzz/corpus/ that are not there yet (some carry time stamps
or random salts, so existing seeds are left as they are; delete one to write it again). Seeds that
once crashed are added by hand."""
import bz2
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(name, file, data):
    folder = os.path.join(HERE, 'corpus', name)
    os.makedirs(folder, exist_ok=True)
    if os.path.exists(os.path.join(folder, file)):
        return
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


def xml_seeds():
    put('xml', 'declared_utf8.xml', '<?xml version="1.0" encoding="utf-8"?>\n<!-- c -->\n<a x="1" y=\'&amp;\'>'
                                    '<b>t &lt; u</b><c/><![CDATA[<raw>]]><?pi data?></a>\n')
    put('xml', 'doctype.xml', '<?xml version="1.0"?><!DOCTYPE a [<!ENTITY e "v">]><a>&e;&quot;&apos;&gt;</a>')
    put('xml', 'latin1.xml', b'<?xml version="1.0" encoding="iso-8859-1"?><a n="\xe9">\xfc\xdf</a>')
    put('xml', 'utf16le_bom.xml', b'\xff\xfe' + '<?xml version="1.0" encoding="utf-16"?><a>\u65e5</a>'.encode('utf-16-le'))
    put('xml', 'stylesheet_nested.xml', '\ufeff<?xml-stylesheet href="s.xsl"?><r>\n  <i k="v">  text  </i>\n'
                                        '  <i><j><k/></j></i>\n</r>')


def stack_seeds():
    put('stack', 'resize_save.stack',
        '<?xml version="1.0" encoding="utf-8" ?>\r\n<stack>\r\n'
        '  <action type="builtin__resizeimage"><aspectedge>width</aspectedge><height>300</height>'
        '<width>300</width></action>\r\n'
        '  <action type="builtin__savefile"><compressionquality>65535</compressionquality>'
        '<destfiletype>1</destfiletype><destfolder /><filenametemplate>%o_%m-%d-%y at %h-%i</filenametemplate>'
        '</action>\r\n</stack>\r\n')
    put('stack', 'many_actions.stack',
        '<stack><action type="builtin__addborder"><bgcolor>16777215</bgcolor><thicknesstop>20</thicknesstop></action>'
        '<action type="BUILTIN__ROTATEIMAGE"><angle>90</angle></action><action type="builtin__sharpen"/>'
        '<action type="builtin__watermark"><text>  &amp; &lt;me&gt;  </text></action>'
        '<action type="builtin__frame"/><action type="builtin__shadow"/><action type="builtin__cropimage"/>'
        '<action type="someone__else"><width>1</width></action></stack>')
    put('stack', 'utf16.stack', b'\xff\xfe' + ('<?xml version="1.0" encoding="utf-16"?><stack>'
        '<action type="builtin__savefile"><destfolder>D:/Bilder/Gr\u00fc\u00dfe</destfolder></action>'
        '</stack>').encode('utf-16-le'))


def raw_deflate(data, level=6, strategy=zlib.Z_DEFAULT_STRATEGY):
    c = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy)
    return c.compress(data) + c.flush()


def inflate_seeds():
    text = b'the quick brown fox jumps over the lazy dog; ' * 4
    put('inflate', 'stored.bin', raw_deflate(b'stored bytes', 0))
    put('inflate', 'fixed.bin', raw_deflate(b'abcabcabcabcabc', 9, zlib.Z_FIXED))
    put('inflate', 'dynamic.bin', raw_deflate(text + bytes(range(64)), 9))
    put('inflate', 'empty.bin', raw_deflate(b''))
    put('inflate', 'long_match.bin', raw_deflate(b'a' * 300 + b'b' * 40000, 9))


def deflate_seeds():
    put('deflate', 'level0.bin', b'\x00stored text')
    put('deflate', 'level1_small_room.bin', b'\x01' + b'abcabcabc' * 20)
    put('deflate', 'level6.bin', b'\x46' + bytes(range(256)) + b'the lazy dog ' * 8)
    put('deflate', 'level9_room1.bin', b'\x09' + b'x' * 300 + b'yz' * 50)


def zip_seeds():
    import io
    import subprocess
    import tempfile
    import zipfile
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, 'w') as z:
        z.writestr(zipfile.ZipInfo('dir/'), b'')
        z.writestr('a.txt', b'hello hello hello', zipfile.ZIP_DEFLATED)
        z.writestr('dir/b.bin', b'\0\1\2', zipfile.ZIP_STORED)
        z.comment = b'comment'
    put('zip', 'plain.zip', buffer.getvalue())
    # zip (traditional protection, a data descriptor from a stream) and 7z (AES), with the password "pw".
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, 'x.txt'), 'wb') as out:
            out.write(b'secret secret secret')
        def make(name, command):
            target = os.path.join(tmp, name)
            subprocess.run(command + [target, 'x.txt'], cwd=tmp, check=True, capture_output=True)
            with open(target, 'rb') as f:
                put('zip', name, f.read())
        make('traditional.zip', ['zip', '-q', '-X', '-P', 'pw'])
        # Written to a pipe, zip puts the sizes in a data descriptor after the data.
        put('zip', 'descriptor.zip', subprocess.run(['zip', '-q', '-X', '-', 'x.txt'], cwd=tmp, check=True,
                                                    capture_output=True).stdout)
        make('aes256.zip', ['7z', 'a', '-tzip', '-mem=AES256', '-ppw', '-bd'])
        make('aes128_stored.zip', ['7z', 'a', '-tzip', '-mem=AES128', '-mx=0', '-ppw', '-bd'])


def bzip2_seeds():
    import bz2
    for name, data in [('empty.bin', b''), ('text.bin', b'bzip2 block bzip2 block ' * 3),
                       ('runs.bin', b'a' * 200 + bytes(range(40)))]:
        packed = b'' if not data else bz2.compress(data, 3)
        put('bzip2', name, struct.pack('<II', 0xB394A7E1, len(data)) + packed)


def codings_seeds():
    put('codings', 'base64.txt', 'aGVsbG8gd29y\r\nbGQ=\r\n')
    put('codings', 'quoted_printable.txt', 'caf=C3=A9 au lait=\r\nsoft break =3D\r\nline\n')
    put('codings', 'encoded_words.txt', 'Subject: =?utf-8?B?w6TDtsO8?= =?ISO-8859-1?Q?caf=E9_noir?=, x')
    put('codings', 'binary.bin', bytes([0, 0xff, 0x0a, 0x3d, 0x0d, 0x0a, 0x20, 0x09, 0x80]))


def codepage_seeds():
    # Selector bytes index the harness's list: 0 none, 1 UTF-16LE, 2 UTF-16BE, 3 UTF-7, 4 UTF-8,
    # 5 UTF-32LE, 6 UTF-32BE, 7 US-ASCII, 8 ISO-8859-1, 9 1252, 10 ISO-2022-JP, 13 ISO-2022-KR,
    # 14 EUC-JP, 15 EUC-KR, 18 Mac Arabic.
    put('codepage', 'utf8_to_utf16.bin', bytes([4, 1]) + 'h\u00e9llo \u65e5\u672c \U0001f600'.encode('utf-8'))
    put('codepage', 'utf7_to_utf8.bin', bytes([3, 4]) + b'Hi Mom -+Jjo--! +ZeVnLIqe-')
    put('codepage', 'iso2022jp_to_utf8.bin', bytes([10, 4]) + 'ab\u65e5\u672ccd'.encode('iso-2022-jp'))
    put('codepage', 'eucjp_to_1252.bin', bytes([14, 9]) + 'x\u65e5\u672cy'.encode('euc-jp'))
    put('codepage', 'utf16be_to_iso2022kr.bin', bytes([2, 13]) + 'a\ud55c\uad6d'.encode('utf-16-be'))
    put('codepage', 'macarabic_to_utf32.bin', bytes([18, 5]) + bytes(range(0x20, 0x30)) + bytes(range(0xc0, 0xd0)))
    put('codepage', 'named_shift_jis.bin', bytes([4, 4]) + b'shift_jis\n' + '\u65e5\u672c'.encode('shift_jis'))


def updateinfo_seeds():
    put('updateinfo', 'answer.xml', '<?xml version="1.0"?><r><updateinfo><major>3</major><minor>1</minor>'
                                    '<bugfix>0</bugfix><build>77</build><changes>Faster &amp; safer</changes>'
                                    '<download>https://example.invalid/get</download></updateinfo></r>')
    put('updateinfo', 'not_xml.txt', '<html><body>502 Bad Gateway</body></html>')


def date_seeds():
    for i, text in enumerate(['Tue, 08 Dec 2026 22:17:08 +0100', '8 Dec 2026 22:17 GMT',
                              'Monday, 07-Dec-26 01:02:03 EST', '2026-12-08T22:17:08.5+01:00',
                              '20261208T221708Z', 'Sat Jan  3 04:05:06 2026']):
        put('date', 'date%d.txt' % i, text)


def url_seeds():
    put('url', 'absolute.txt', 'https://user:pw@Example.COM:8443/a/b/../c?q=1&r=%41#frag')
    put('url', 'relative.txt', 'http://host/a/b/c/d;p?q\n../../g?y#s')
    put('url', 'form.txt', 'ftp://files.news.site.co.uk/x\n//other/%zz+a%2')


def caf_block(data):
    return struct.pack('<II', 0xB394A7E1, len(data)) + bz2.compress(data, 3)


def http_cache_seeds():
    url = b'http://site.test/page'
    header = caf_block(b'HTTP/1.1 200 OK\r\nETag: "x"\0')
    body = caf_block(b'cached body ' * 4)
    stamp = bytes([26, 12, 11, 0])
    entry = struct.pack('<IIBBBB', 0, zlib.crc32(b'cached body ' * 4), 0, 2, 0, 0) + stamp + stamp
    entry += struct.pack('<III', len(url) + 1, len(header), len(body)) + url + b'\0' + header + body
    directory = struct.pack('<II', 10, 1) + struct.pack('<II', 88, zlib.crc32(url)) + b'\0' * 72
    put('http_cache_file', 'caf_one_entry.bin', url + b'\n' + directory + entry)
    negative = struct.pack('<IIBBBB', 0, 0, 1, 2, 0, 0) + stamp + b'\0' * 4
    negative += struct.pack('<III', len(url) + 1, len(header), 0) + url + b'\0' + header
    put('http_cache_file', 'caf_negative.bin', url + b'\n' + directory + negative)
    tag = '"\u00e9t\u00e9"'.encode('utf-8')
    dat = struct.pack('<IHHBBdH', 20 + len(tag), 1, 0x9AFE, 0, 0, 47000.5, len(tag)) + tag + b'\4\0\0\0resource'
    put('http_cache_file', 'dat_tagged.bin', b'key\n' + dat)


def cookie_seeds():
    put('cookie_jar', 'set_cookies.txt', 'a=1; Path=/; Secure\nb="two words"; Max-Age=60; Domain=.site.test\n'
        'c=3; Expires=Thu, 01 Jan 2004 00:00:00 GMT\n\n'
        '<cookies><cookie key=".site.test,/" v="1" maxAge="5" discard="yes"><x>1</x><y>2 3</y></cookie>'
        '<cookie key="www.site.test,/a" v="0" secure="yes"><z>9</z></cookie><cookie key="nocomma"/></cookies>')


if __name__ == '__main__':
    bmp_seeds()
    gif_seeds()
    png_seeds()
    jpeg_seeds()
    xml_seeds()
    stack_seeds()
    inflate_seeds()
    deflate_seeds()
    zip_seeds()
    bzip2_seeds()
    codings_seeds()
    codepage_seeds()
    updateinfo_seeds()
    date_seeds()
    url_seeds()
    http_cache_seeds()
    cookie_seeds()
