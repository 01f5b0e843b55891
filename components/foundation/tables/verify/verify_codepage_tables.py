#!/usr/bin/env python3
"""Checks the generated code-page tables against their stored form, the reference
converters that built them, the fixed points every table must keep, and the record
counts of the double-byte tables.

    python3 components/foundation/tables/verify/verify_codepage_tables.py [--tables DIR]

Reads the .inc files beside this folder, decodes every stored text the way the
loader does (base64, bzip2 block, delta records, difference table) and rebuilds the
lookups in both directions. Needs uconv (icu-devtools), iconv and perl for the
reference comparison. Ends with "N passed, N failed"; exit status 1 on a failure.
"""

import base64
import bz2
import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = os.path.dirname(HERE)
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(TABLES)))
sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.join(ROOT, "tools", "codepages"))

import pages  # noqa: E402
import references  # noqa: E402

BZIP2_TAG = b"\xE1\xA7\x94\xB3"

# Records each stored double-byte table must hold: single-byte, double-byte.
EXPECTED_RECORDS = {
    "shift_jis": (70, 9206), "gbk": (3, 23940), "cp949": (3, 17236), "big5": (3, 19710),
    "euc_jp": (7, 9269), "euc_kr": (3, 8414), "johab": (16, 17252),
}
# Tables that no local reference can fill to the expected count, with the number of records
# missing; the count must still be exactly the expected one minus this, so any other change is
# caught.
KNOWN_SHORTFALL = {
    "euc_jp": (1880, "the 1880 user-defined units of Shift_JIS have no two-byte EUC code "
                     "beside the NEC-selected rows in any installed reference"),
}

SINGLE_BYTE_LIST = (
    list(range(28591, 28600)) + [28600, 28601, 28603, 28605] + list(range(1250, 1259)) +
    [437, 708, 720, 737, 775, 850, 852, 855, 857, 858] + list(range(860, 867)) + [869, 874] +
    [10000, 10004, 10005, 10006, 10007, 10010, 10017, 10029, 10079, 10081, 10082, 10021] +
    [37, 500, 870, 875, 1026, 1047] + list(range(1140, 1150)) +
    [20273, 20277, 20278, 20280, 20284, 20285, 20290, 20297, 20420, 20423, 20424, 20838, 20871,
     20880, 20905, 20924, 21025] + [20105, 20106, 20107, 20108] +
    [20127, 20261, 20269, 20866, 21866, 38598])
NOT_ASCII_COMPATIBLE = ({10021, 37, 500, 870, 875, 1026, 1047, 20273, 20277, 20278, 20280, 20284,
                         20285, 20290, 20297, 20420, 20423, 20424, 20838, 20871, 20880, 20905, 20924,
                         21025, 20105, 20106, 20107, 20108} | set(range(1140, 1150)))
# Pages of the list that have no table, with the reason the generator gives.
EXPECTED_ABSENT = {20105}


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.group = ""

    def start(self, group):
        self.group = group
        print("== " + group)

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL [%s] %s" % (self.group, what))
        return ok


# ------------------------------------------------------------------ stored form

def read_texts():
    texts, index_single, index_double = {}, {}, {}
    for name in sorted(os.listdir(TABLES)):
        path = os.path.join(TABLES, name)
        if not name.endswith(".inc"):
            continue
        current = None
        for line in open(path, encoding="ascii"):
            m = re.match(r"VORNALT_CODEPAGE_TEXT_BEGIN\((\w+)\)$", line.strip())
            if m:
                current = m.group(1)
                if current in texts:
                    raise SystemExit("%s: text %s defined twice" % (name, current))
                texts[current] = []
                continue
            m = re.match(r'VORNALT_CODEPAGE_TEXT_PIECE\("([A-Za-z0-9+/=]*)"\)$', line.strip())
            if m:
                texts[current].append(m.group(1))
                continue
            m = re.match(r"VORNALT_(SINGLE|DOUBLE)_BYTE_PAGE\((\d+), (\w+)\)$", line.strip())
            if m:
                (index_single if m.group(1) == "SINGLE" else index_double)[int(m.group(2))] = m.group(3)
    return {k: "".join(v) for k, v in texts.items()}, index_single, index_double


def base64_bytes(text):
    # The loader's decoder skips white space and stops at '=' or NUL.
    clean = re.sub(r"[ \t\r\n]", "", text).split("=")[0].split("\0")[0]
    return base64.b64decode(clean + "=" * (-len(clean) % 4))


def table_bytes(text, results, name):
    if text[0] == "x":
        return base64_bytes(text[1:])
    block = base64_bytes(text[1:])
    results.check(text[0] == "c", "%s: stored text starts with %r" % (name, text[0]))
    results.check(block[:4] == BZIP2_TAG, "%s: bzip2 block tag" % name)
    results.check(block[8:12] == b"BZh3", "%s: bzip2 stream with 300k blocks" % name)
    length = struct.unpack("<I", block[4:8])[0]
    try:
        data = bz2.decompress(block[8:])
    except (OSError, ValueError) as error:
        results.check(False, "%s: bzip2 stream does not decompress: %s" % (name, error))
        return b"xu\0\0\0"
    results.check(len(data) == length, "%s: stored length %d, content %d" % (name, length, len(data)))
    return data


class FullTable:
    def __init__(self, data):
        self.ascii = data[0:1] == b"a"
        self.difference = data[1:2] == b"d"
        self.singles, self.doubles = [], []
        self.removed, self.single_settings, self.double_settings = [], [], []
        pos = 2
        if self.difference:
            while True:
                u = struct.unpack_from("<H", data, pos)[0]; pos += 2
                if u == 0:
                    break
                self.removed.append(u)
            while data[pos] != 0:
                self.single_settings.append((data[pos], struct.unpack_from("<H", data, pos + 1)[0])); pos += 3
            pos += 1
            while data[pos] or data[pos + 1]:
                self.double_settings.append((bytes(data[pos:pos + 2]), struct.unpack_from("<H", data, pos + 2)[0]))
                pos += 4
            self.rest = data[pos + 4:]  # the ending entry is a whole empty setting
            return
        byte = unit = 0
        while data[pos] != 0:
            byte = (byte + data[pos]) % 256
            unit = (unit + struct.unpack_from("<H", data, pos + 1)[0]) % 65536
            self.singles.append((bytes([byte]), unit)); pos += 3
        pos += 1
        code = unit = 0
        while True:
            delta, du = struct.unpack_from("<HH", data, pos) if pos + 4 <= len(data) else (0, 0)
            if delta == 0:
                pos += 2
                break
            code = (code + delta) % 65536
            unit = (unit + du) % 65536
            self.doubles.append((bytes([code >> 8, code & 255]), unit)); pos += 4
        self.rest = data[pos:]

    def records(self):
        return self.singles + self.doubles


class Hash:
    """The hash table's observable behaviour: buckets in order, first added wins."""

    def __init__(self, buckets):
        self.buckets = [[] for _ in range(buckets)]
        self.ascii = False

    def slot(self, key):
        return int.from_bytes(key[:4], "little") % len(self.buckets)

    def add(self, key, value):
        self.buckets[self.slot(key)].append((key, value))

    def remove(self, key):
        b = self.slot(key)
        self.buckets[b] = [e for e in self.buckets[b] if e[0] != key]

    def lookup(self, key):
        for k, v in self.buckets[self.slot(key)]:
            if k == key:
                return v
        return None

    def entries(self):
        return [e for b in self.buckets for e in b]


def unit_key(u):
    return struct.pack("<H", u)


def load_full(table, buckets, from_unicode):
    h = Hash(buckets)
    h.ascii = table.ascii
    for code, unit in table.records():
        if from_unicode:
            h.add(unit_key(unit), code)
        else:
            h.add(code, unit_key(unit))
    return h


def apply_difference(h, diff):
    h.ascii = diff.ascii
    for u in diff.removed:
        h.remove(unit_key(u))
    for b, u in diff.single_settings:
        h.remove(unit_key(u)); h.add(unit_key(u), bytes([b]))
    for c, u in diff.double_settings:
        h.remove(unit_key(u)); h.add(unit_key(u), c)


def unicode_lookup(to_hash):
    out = [0] * 256
    for b in range(1, 256):
        if to_hash.ascii and b < 0x80:
            out[b] = b
            continue
        v = to_hash.lookup(bytes([b]))
        out[b] = struct.unpack("<H", v)[0] if v is not None and len(v) == 2 else 0
    return out


class Page:
    """Both directions of one code page, as the loader builds them."""

    def __init__(self, codepage, to_hash, from_hash, single_byte):
        self.codepage = codepage
        self.to_hash, self.from_hash, self.single_byte = to_hash, from_hash, single_byte
        self.lookup = unicode_lookup(to_hash) if single_byte else None

    def decode(self, code):
        if self.single_byte:
            return self.lookup[code[0]] or None if len(code) == 1 else None
        if len(code) == 1 and self.to_hash.ascii and code[0] < 0x80:
            return code[0]
        v = self.to_hash.lookup(code)
        return struct.unpack("<H", v)[0] if v else None

    def encode(self, unit):
        if self.from_hash.ascii and unit < 0x80:
            return bytes([unit])
        return self.from_hash.lookup(unit_key(unit))

    def codes(self):
        """Every code that decodes, with its unit."""
        if self.single_byte:
            return {bytes([b]): u for b, u in enumerate(self.lookup) if b and u}
        out = {}
        for k, v in self.to_hash.entries():
            if k not in out and not (self.to_hash.ascii and len(k) == 1 and k[0] < 0x80):
                out[k] = struct.unpack("<H", v)[0]
        if self.to_hash.ascii:
            out.update({bytes([b]): b for b in range(1, 0x80)})
        return out


DOUBLE_BUCKETS = {932: (7669, 4919), 936: (7649, 7649), 949: (7669, 7669), 950: (7649, 7649),
                  51932: (4919, 4919), 51936: (7649, 7649), 51949: (7669, 7669), 1361: (7669, 7669)}


def build_pages(texts, index_single, index_double, results):
    tables = {name: FullTable(table_bytes(text, results, name)) for name, text in texts.items()}
    built = {}
    for cp, name in index_single.items():
        t = tables[name]
        built[cp] = Page(cp, load_full(t, 283, False), load_full(t, 269, True), True)
    for cp, name in index_double.items():
        if cp == 10001:
            continue  # Shift_JIS plus its difference table, below
        t = tables[name]
        from_buckets, to_buckets = DOUBLE_BUCKETS[cp]
        built[cp] = Page(cp, load_full(t, to_buckets, False), load_full(t, from_buckets, True), False)
    from_hash = load_full(tables[index_double[10001]], 4919, True)
    apply_difference(from_hash, tables["mac_japanese_difference"])
    to_hash = Hash(4919)
    to_hash.ascii = from_hash.ascii
    for k, v in from_hash.entries():
        to_hash.add(v, k)
    built[10001] = Page(10001, to_hash, from_hash, False)
    return tables, built


# ------------------------------------------------------------------ checks

def check_structure(texts, tables, index_single, index_double, results):
    results.start("stored form")
    listed = set(SINGLE_BYTE_LIST)
    results.check(set(index_single) == listed - EXPECTED_ABSENT,
                  "single-byte pages with tables: missing %s, extra %s" % (
                      sorted(listed - EXPECTED_ABSENT - set(index_single)), sorted(set(index_single) - listed)))
    results.check(set(pages.NO_TABLE) == EXPECTED_ABSENT, "pages without table: %s" % sorted(pages.NO_TABLE))
    results.check(sorted(index_double) == sorted([932, 936, 949, 950, 1361, 10001, 51932, 51936, 51949]),
                  "double-byte pages %s" % sorted(index_double))
    results.check(index_single.get(20261) == index_single.get(28591) == index_single.get(20269),
                  "20261 and 20269 load the 28591 text")
    results.check(index_double[936] == index_double[51936], "51936 loads the GBK text")
    for name, text in texts.items():
        t = tables[name]
        plain = name == index_single.get(20127)
        results.check(text[0] == ("x" if plain else "c"), "%s: storage %r" % (name, text[0]))
        results.check(t.rest == b"", "%s: %d bytes after the lists" % (name, len(t.rest)))
        for records in (t.singles, t.doubles):
            keys = [k for k, _ in records]
            results.check(all(a != b for a, b in zip(keys, keys[1:])), "%s: repeated consecutive code" % name)
    t = tables[index_single[20127]]
    raw = base64_bytes(texts[index_single[20127]][1:])
    results.check(raw == b"au\x20\xA0\x00\x00\x00\x00", "20127 table bytes %s" % raw.hex())
    diff = tables["mac_japanese_difference"]
    results.check(diff.difference and diff.ascii, "10001 difference table header")
    for cp in SINGLE_BYTE_LIST:
        if cp in index_single:
            t = tables[index_single[cp]]
            results.check(t.ascii == (cp not in NOT_ASCII_COMPATIBLE), "%d: ASCII-compatible flag" % cp)
            results.check(not t.doubles, "%d: single-byte table with double-byte records" % cp)
            if not t.ascii:
                results.check(all(u != 0 for _, u in t.singles), "%d: record for unit 0" % cp)
    results.check(index_double[10001] == index_double[932], "10001 starts from the Shift_JIS text")
    for cp, name in index_double.items():
        t = tables[name]
        results.check(t.ascii and not t.difference, "%d: ASCII-compatible full table" % cp)
        results.check(all(k[0] >= 0x80 for k, _ in t.doubles), "%d: double-byte code with a lead below 0x80" % cp)


def check_counts(tables, results):
    results.start("double-byte record counts")
    for name, (singles, doubles) in EXPECTED_RECORDS.items():
        t = tables[name]
        shortfall, why = KNOWN_SHORTFALL.get(name, (0, ""))
        if shortfall:
            print("note: %s holds %d double-byte records, %d below the expected %d: %s" % (
                name, len(t.doubles), shortfall, doubles, why))
        results.check((len(t.singles), len(t.doubles)) == (singles, doubles - shortfall),
                      "%s: %d, %d records; expected %d, %d" % (name, len(t.singles), len(t.doubles),
                                                               singles, doubles - shortfall))


# From-Unicode mappings that decode to something else, by page: unit -> code.
ONE_WAY = {20127: {0xA0: b" "}}
for _cp in (932, 51932):
    ONE_WAY[_cp] = {0xA0: b" ", 0xA5: b"\\"}
for _cp in (936, 949, 950, 51936, 51949, 1361):
    ONE_WAY[_cp] = {0xA0: b" "}


def check_round_trip(built, results):
    results.start("round trip through the stored data")
    for cp, page in sorted(built.items()):
        codes = page.codes()
        bad = []
        for code, unit in codes.items():
            back = page.encode(unit)
            if back is None or page.decode(back) != unit:
                bad.append(code)
        results.check(not bad, "%d: codes whose unit does not encode back to a code of that unit: %s" % (
            cp, " ".join(c.hex() for c in bad[:12])))
        one_way = {}
        for key, code in page.from_hash.entries():
            unit = struct.unpack("<H", key)[0]
            if page.from_hash.lookup(key) is code and page.decode(code) != unit:
                one_way[unit] = code
        results.check(one_way == ONE_WAY.get(cp, {}), "%d: one-way from-Unicode mappings %s" % (
            cp, {hex(u): c.hex() for u, c in one_way.items()}))
        if page.single_byte:
            shared = [u for u in set(codes.values()) if list(codes.values()).count(u) > 1]
            results.check(all(page.decode(page.encode(u)) == u for u in shared), "%d: shared units" % cp)


def check_single_byte_references(built, results):
    results.start("single-byte pages against their references")
    for page_def in pages.SINGLE_BYTE_PAGES:
        if page_def.shares_text_of:
            continue
        page = built[page_def.codepage]
        codes = [bytes([b]) for b in range(0x80 if page_def.ascii_compatible else 1, 256)]
        ref = references.decode(page_def.source, codes)
        changed = set(page_def.set_bytes) | set(page_def.unset_bytes)
        bad = []
        for code in codes:
            theirs = ref.get(code)
            theirs = page_def.replace_units.get(theirs, theirs)
            if code[0] in changed:
                expected = page_def.set_bytes.get(code[0])
            else:
                expected = theirs
            if page.decode(code) != expected:
                bad.append("%s %s/%s" % (code.hex(), page.decode(code), expected))
        results.check(not bad, "%d: differs from %s: %s" % (page_def.codepage, page_def.source, ", ".join(bad[:8])))
        if not page_def.ascii_compatible:
            continue
        # Where the reference writes a unit as one of several bytes, the table writes the same.
        mapped = {u for u in (page.decode(c) for c in codes) if u}
        written = references.encode(page_def.source, sorted(mapped))
        bad = [u for u, c in written.items() if u >= 0x80 and len(c) == 1 and c[0] >= 0x80 and page.decode(c) == u
               and page.encode(u) != c]
        results.check(not bad, "%d: encodes %s differently from %s" % (
            page_def.codepage, [hex(u) for u in bad[:8]], page_def.source))


def check_double_byte_references(built, tables, results):
    results.start("double-byte pages against their references")
    pairs = [bytes([l, t]) for l in range(0x80, 0x100) for t in range(0x21, 0x100)]
    for name, cp, source, encoder in (("shift_jis", 932, "python:cp932", "icu:windows-932"),
                                      ("gbk", 936, "icu:windows-936-2000", "icu:windows-936-2000"),
                                      ("cp949", 949, "icu:windows-949-2000", "icu:windows-949-2000"),
                                      ("big5", 950, "icu:windows-950-2000", "icu:windows-950-2000"),
                                      ("johab", 1361, "python:johab", "python:johab")):
        page = built[cp]
        ref = references.decode(source, pairs)
        ours = {c: u for c, u in tables[name].doubles}
        jamo = {c for c, u in ours.items() if 0x1100 <= u <= 0x1112}
        user = {c for c in ours if cp == 1361 and c[0] == 0xD8}
        bad = [c for c, u in ours.items() if c not in jamo | user and ref.get(c) != u]
        results.check(not bad, "%s: codes that differ from %s: %s" % (name, source, [c.hex() for c in bad[:8]]))
        # Codes of the reference left out must be second codes of a unit the table has.
        ours_units = set(ours.values())
        lost = [c for c, u in ref.items() if c not in ours and c not in jamo and u not in ours_units
                and not (cp == 1361 and 0x3131 <= u <= 0x318E)]
        results.check(not lost, "%s: codes of %s missing: %s" % (name, source, [c.hex() for c in lost[:8]]))
        # Where a unit has several codes, the one the encoder writes is the one kept.
        shared = sorted({u for c, u in ref.items() if u in ours_units and c not in ours})
        written = references.encode(encoder, shared)
        bad = [u for u, c in written.items() if page.encode(u) != c and not 0x3131 <= u <= 0x318E]
        results.check(not bad, "%s: units written differently from %s: %s" % (name, encoder, [hex(u) for u in bad[:8]]))
        singles = references.decode(source, [bytes([b]) for b in range(0x80, 0x100)])
        if cp != 1361:
            results.check(all(page.decode(c) == u for c, u in singles.items()), "%s: single bytes" % name)
    # EUC-KR: exactly the 949 codes with both bytes from A1.
    euc_kr = {c: u for c, u in tables["euc_kr"].doubles}
    cp949 = {c: u for c, u in tables["cp949"].doubles if c[0] >= 0xA1 and c[1] >= 0xA1}
    results.check(euc_kr == cp949, "euc_kr is the A1-FE part of cp949")
    results.check(tables["euc_kr"].singles == tables["cp949"].singles, "euc_kr single bytes as cp949")
    # EUC-JP: each code is a Shift_JIS code of the same unit, moved to EUC rows.
    sjis = dict(references.decode("python:cp932", pairs))
    bad = []
    for code, unit in tables["euc_jp"].doubles:
        if code[0] == 0x8E:
            ok = sjis.get(code[1:]) is None and 0xFF61 <= unit <= 0xFF9F and unit == code[1] - 0xA1 + 0xFF61
        else:
            row, col = code[0] - 0xA0, code[1] - 0xA0
            lead = (row + 1) // 2 + (0x80 if row <= 62 else 0xC0)
            trail = col + (0x3F if col <= 63 else 0x40) if row % 2 else col + 0x9E
            ok = sjis.get(bytes([lead, trail])) == unit
        if not ok:
            bad.append(code.hex())
    results.check(not bad, "euc_jp codes that are not the Shift_JIS code moved: %s" % bad[:8])
    glibc = references.decode("glibc:EUC-JP-MS", [c for c, _ in tables["euc_jp"].doubles if c[0] != 0x8E])
    bad = [c.hex() for c, u in tables["euc_jp"].doubles if c[0] not in (0x8E, 0xF9, 0xFA, 0xFB, 0xFC)
           and glibc.get(c) != u]
    results.check(not bad, "euc_jp rows other than 89-92 differ from glibc EUC-JP-MS: %s" % bad[:8])
    # 10001: the difference table sets codes the Mac Japanese reference writes.
    diff = tables["mac_japanese_difference"]
    mac = references.encode(pages.MAC_JAPANESE_REFERENCE, [u for _, u in diff.double_settings])
    bad = [(c.hex(), hex(u)) for c, u in diff.double_settings if mac.get(u) != c]
    results.check(not bad, "10001 settings not written so by %s: %s" % (pages.MAC_JAPANESE_REFERENCE, bad[:8]))


def span(a, b):
    return range(a, b + 1)


def check_fixed_points(built, tables, results):
    results.start("fixed points of the tables")
    d = lambda cp, *code: built[cp].decode(bytes(code))  # noqa: E731
    e = lambda cp, unit: built[cp].encode(unit)  # noqa: E731

    cases = []  # (description, actual, expected)
    for cp in (28591, 28592, 28593, 28594, 28595, 28596, 28598, 28599):
        cases.append(("%d 0x80" % cp, d(cp, 0x80), 0x20AC))
        cases.append(("%d U+20AC" % cp, e(cp, 0x20AC), b"\x80"))
    cases.append(("28597 0x80", d(28597, 0x80), None))
    for cp in (28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599):
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), b) for b in span(0x81, 0x9F)]
    for cp in (28600, 28601, 28603, 28605):
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), b) for b in span(0x80, 0x9F)]
    for cp in (20261, 20269):
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), d(28591, b)) for b in span(0x80, 0xFF)]
    cases.append(("20127 U+00A0", e(20127, 0xA0), b" "))
    cases.append(("20127 0x20", d(20127, 0x20), 0x20))
    cases.append(("20127 U+00E9", e(20127, 0xE9), None))
    cases += [("20127 0x%02X" % b, d(20127, b), None) for b in span(0x80, 0xFF)]
    cases += [("1252 0x%02X" % b, d(1252, b), None) for b in (0x81, 0x8D, 0x8F, 0x90, 0x9D)]
    cases += [("875 0x%02X" % b, d(875, b), None) for b in (0xDC, 0xE1, 0xEC, 0xED, 0xFC, 0xFD)]
    private = [(857, [0xD5, 0xE7, 0xF2], 0xF8BB), (864, [0xA6, 0xA7, 0xFF], 0xF8BE),
               (874, list(span(0xDB, 0xDE)) + list(span(0xFC, 0xFF)), 0xF8C1), (10006, [0xFF], 0xF8A0),
               (38598, [0xA1] + list(span(0xBF, 0xDE)) + list(span(0xFB, 0xFF)), 0xF79C)]
    for cp, codes, first in private:
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), first + i) for i, b in enumerate(codes)]
    cases.append(("38598 0xAF", d(38598, 0xAF), 0x203E))
    same = [(864, [0x9B, 0x9C, 0x9F]), (869, list(span(0x80, 0x85)) + [0x87, 0x93, 0x94]),
            (874, list(span(0x81, 0x84)) + list(span(0x86, 0x90)) + list(span(0x98, 0x9F)))]
    for cp, codes in same:
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), b) for b in codes]
    cases.append(("864 0x25", d(864, 0x25), 0x25))
    cases += [("%d 0xBD" % cp, d(cp, 0xBD), 0x2126) for cp in (10000, 10079, 10081)]
    cases += [("10079 0xDB", d(10079, 0xDB), 0xA4), ("10006 0x9C", d(10006, 0x9C), 0xAD),
              ("10006 0xAF", d(10006, 0xAF), 0x387), ("10007 0xA2", d(10007, 0xA2), 0xA2),
              ("10007 0xB6", d(10007, 0xB6), 0x2202), ("10007 0xFF", d(10007, 0xFF), 0xA4),
              ("21866 0xAE", d(21866, 0xAE), 0x45E), ("21866 0xBE", d(21866, 0xBE), 0x40E),
              ("10004 0x81", d(10004, 0x81), 0xA0)]
    cases += [("10004 0x%02X" % (0xB0 + i), d(10004, 0xB0 + i), 0x660 + i) for i in range(10)]
    rtl = (list(span(0xA0, 0xA4)) + list(span(0xA6, 0xAB)) + list(span(0xAD, 0xAF)) + [0xBA] +
           list(span(0xBC, 0xBE)) + list(span(0xDB, 0xDF)) + list(span(0xFB, 0xFD)))
    cases += [("10004 0x%02X" % b, d(10004, b), 0xF827 + i) for i, b in enumerate(rtl)]
    cases.append(("10004 RTL count", len(rtl), 0xF840 - 0xF827 + 1))
    for cp in (932, 51932):
        cases += [("%d 0x80" % cp, d(cp, 0x80), 0x80), ("%d 0xA0" % cp, d(cp, 0xA0), 0xF8F0),
                  ("%d U+00A0" % cp, e(cp, 0xA0), b" "), ("%d U+00A5" % cp, e(cp, 0xA5), b"\\")]
        cases += [("%d 0x%02X" % (cp, b), d(cp, b), 0xF8F1 + b - 0xFD) for b in span(0xFD, 0xFF)]
    cases += [("932 0x%02X" % b, d(932, b), 0xFF61 + b - 0xA1) for b in span(0xA1, 0xDF)]
    cases += [("%d U+00A0" % cp, e(cp, 0xA0), b" ") for cp in (936, 949, 950, 51936, 51949, 1361)]
    cases += [("936 0x80", d(936, 0x80), 0x20AC), ("936 0xFF", d(936, 0xFF), 0xF8F5),
              ("949 0xFF", d(949, 0xFF), 0xF8F7), ("51949 0xFF", d(51949, 0xFF), 0xF8F7),
              ("950 0xFF", d(950, 0xFF), 0xF8F8), ("936 AA A1", d(936, 0xAA, 0xA1), 0xE000),
              ("949 C9 A1", d(949, 0xC9, 0xA1), 0xE000), ("51949 C9 A1", d(51949, 0xC9, 0xA1), 0xE000),
              ("950 FA 40", d(950, 0xFA, 0x40), 0xE000), ("1361 88 41", d(1361, 0x88, 0x41), 0x1100),
              ("51932 AD E2", d(51932, 0xAD, 0xE2), 0x2116), ("51932 U+2116", e(51932, 0x2116), b"\xAD\xE2"),
              ("932 82 A0", d(932, 0x82, 0xA0), 0x3042), ("932 0x5C", d(932, 0x5C), 0x5C)]
    cases += [("1361 initial %d" % i, d(1361, 0x88 + 4 * i, 0x41), 0x1100 + i) for i in range(19)]
    cases += [("37 'A'", e(37, 0x41), b"\xC1"), ("37 space", e(37, 0x20), b"\x40"),
              ("37 0xC1", d(37, 0xC1), 0x41), ("37 U+0000", e(37, 0), None)]
    # 10001: Shift_JIS plus the difference table, both directions.
    diff = tables["mac_japanese_difference"]
    cases += [("10001 removed", sorted(diff.removed), [0xA5, 0x2211, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3]),
              ("10001 single settings", diff.single_settings, [(0xA0, 0xA0), (0xFD, 0xA9), (0xFE, 0x2122)]),
              ("10001 U+00A5", e(10001, 0xA5), None), ("10001 U+00A9", e(10001, 0xA9), b"\xFD"),
              ("10001 U+2116", e(10001, 0x2116), b"\x86\x9B"), ("10001 86 9B", d(10001, 0x86, 0x9B), 0x2116),
              ("10001 0x41", d(10001, 0x41), 0x41), ("10001 U+2122", e(10001, 0x2122), b"\xFE")]
    cases += [("10001 U+%04X" % u, e(10001, u), None) for u in (0x2211, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3)]
    print("note: 10001 has %d double-byte settings (the fixed points name one of them)" % len(diff.double_settings))
    for cp in sorted(NOT_ASCII_COMPATIBLE - EXPECTED_ABSENT):
        page = built[cp]
        cases.append(("%d is not ASCII-compatible" % cp, page.to_hash.ascii or page.from_hash.ascii, False))
    for what, actual, expected in cases:
        results.check(actual == expected, "%s: %r, expected %r" % (what, actual, expected))


def main():
    global TABLES
    if len(sys.argv) == 3 and sys.argv[1] == "--tables":
        TABLES = os.path.abspath(sys.argv[2])
    results = Results()
    texts, index_single, index_double = read_texts()
    tables, built = build_pages(texts, index_single, index_double, results)
    check_structure(texts, tables, index_single, index_double, results)
    check_counts(tables, results)
    check_round_trip(built, results)
    check_fixed_points(built, tables, results)
    check_single_byte_references(built, results)
    check_double_byte_references(built, tables, results)
    print("%d passed, %d failed" % (results.passed, results.failed))
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
