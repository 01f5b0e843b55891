"""The stored form of a code-page table: header, delta records, bzip2 block, base64."""

import base64
import bz2
import struct

BZIP2_BLOCK_TAG = 0xB394A7E1


def full_table(ascii_compatible, single_records, double_records):
    """single_records: (byte, unit); double_records: (code, unit), code = lead * 256 + trail.

    Records are written in the order given: where several codes stand for one unit,
    the caller puts the code to write first.
    """
    out = bytearray(b"a" if ascii_compatible else b"x")
    out += b"u"
    byte = unit = 0
    for b, u in single_records:
        delta = (b - byte) % 256
        if delta == 0:
            raise ValueError("two consecutive single-byte records for byte %02X" % b)
        out += struct.pack("<BH", delta, (u - unit) % 65536)
        byte, unit = b, u
    out += b"\0"
    code = unit = 0
    for c, u in double_records:
        delta = (c - code) % 65536
        if delta == 0:
            raise ValueError("two consecutive double-byte records for code %04X" % c)
        out += struct.pack("<HH", delta, (u - unit) % 65536)
        code, unit = c, u
    out += b"\0\0"
    return bytes(out)


def difference_table(removed_units, single_settings, double_settings):
    out = bytearray(b"ad")
    for u in removed_units:
        out += struct.pack("<H", u)
    out += b"\0\0"
    for b, u in single_settings:
        out += struct.pack("<BH", b, u)
    out += b"\0"
    for c, u in double_settings:
        out += struct.pack(">H", c) + struct.pack("<H", u)
    out += b"\0\0\0\0"
    return bytes(out)


def bzip2_block(data):
    if not data:
        return b""
    return struct.pack("<II", BZIP2_BLOCK_TAG, len(data)) + bz2.compress(data, compresslevel=3)


def stored_text(table_bytes, compressed=True):
    if compressed:
        return "c" + base64.b64encode(bzip2_block(table_bytes)).decode("ascii")
    return "x" + base64.b64encode(table_bytes).decode("ascii")
