#!/usr/bin/env python3
"""Builds the stored code-page tables from the reference converters of this machine.

    python3 tools/codepages/generate.py [--out components/foundation/tables]

Writes one .inc file per page family (the stored table texts), codepage_index.inc
(which text each code page loads) and codepage_sources.txt (the reference of every
page, every change made to it, and every disagreement between references).
Needs uconv (icu-devtools), iconv (glibc) and perl with Encode.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import pages  # noqa: E402
import references  # noqa: E402
import storedform  # noqa: E402

PIECE_LENGTH = 4000
PLAIN_TEXT_PAGES = {20127}  # small enough to store without compression
ALL_SINGLE_BYTES = [bytes([b]) for b in range(1, 256)]
HIGH_SINGLE_BYTES = [bytes([b]) for b in range(0x80, 0x100)]
ALL_PAIRS = [bytes([lead, trail]) for lead in range(0x80, 0x100) for trail in range(0x21, 0x100)]


class Report:
    def __init__(self):
        self.lines = []

    def add(self, text=""):
        self.lines.append(text)


def fmt_unit(u):
    return "-" if u is None else "U+%04X" % u


def compare(report, ours, reference, codes):
    """Lists codes on which a further reference disagrees with the table."""
    try:
        theirs = references.decode(reference, codes)
    except references.ReferenceError as error:
        report.add("    %s: not available (%s)" % (reference, error))
        return
    diffs = [c for c in codes if ours.get(c) != theirs.get(c)]
    if not diffs:
        report.add("    %s: agrees on all %d codes" % (reference, len(codes)))
        return
    shown = ", ".join("%s %s/%s" % (c.hex().upper(), fmt_unit(ours.get(c)), fmt_unit(theirs.get(c)))
                      for c in diffs[:24])
    more = " ... (%d in all)" % len(diffs) if len(diffs) > 24 else ""
    report.add("    %s: differs on %d codes (ours/theirs): %s%s" % (reference, len(diffs), shown, more))


def order_preferred_first(records, preferred):
    """Puts, for every unit with several codes, the code the encoder writes first."""
    return sorted(records, key=lambda r: (preferred.get(r[1], r[0]) != r[0], r[0]))


# ---------------------------------------------------------------- single-byte

def single_byte_mapping(page):
    """byte -> unit of the page, as the stored table has it (ASCII left out when implied)."""
    codes = HIGH_SINGLE_BYTES if page.ascii_compatible else ALL_SINGLE_BYTES
    ref = references.decode(page.source, codes)
    mapping = {c[0]: u for c, u in ref.items()}
    for b in list(mapping):
        mapping[b] = page.replace_units.get(mapping[b], mapping[b])
    mapping.update(page.set_bytes)
    for b in page.unset_bytes:
        mapping.pop(b, None)
    return mapping


def build_single_byte(page, report):
    mapping = single_byte_mapping(page)
    records = sorted(mapping.items())
    units = {}
    for b, u in records:
        units.setdefault(u, []).append(b)
    shared = {u: bs for u, bs in units.items() if len(bs) > 1}
    preferred = {}
    if shared:
        written = references.encode(page.source, shared)
        for u, bs in shared.items():
            code = written.get(u)
            preferred[u] = code[0] if code and len(code) == 1 and code[0] in bs else bs[0]
    records = order_preferred_first(records, preferred)
    records += sorted((b, u) for u, b in page.from_unicode_only.items())
    report.add("%d (%s): %s, %s, %d records" % (
        page.codepage, page.family, page.source,
        "ASCII-compatible" if page.ascii_compatible else "every byte listed", len(records)))
    if page.derivation:
        report.add("    changed: " + page.derivation)
    for u, bs in sorted(shared.items()):
        report.add("    U+%04X has bytes %s; written as %02X" % (
            u, " ".join("%02X" % b for b in bs), preferred[u]))
    codes = HIGH_SINGLE_BYTES if page.ascii_compatible else ALL_SINGLE_BYTES
    ours = {bytes([b]): u for b, u in mapping.items()}
    for check in page.checks:
        compare(report, ours, check, codes)
    table = storedform.full_table(page.ascii_compatible, records, [])
    return storedform.stored_text(table, compressed=page.codepage not in PLAIN_TEXT_PAGES)


# ---------------------------------------------------------------- double-byte

def one_code_per_unit(decoded, encoder, report, label):
    """Keeps one code per unit: the one the encoder writes, else the lowest."""
    by_unit = {}
    for code, unit in sorted(decoded.items()):
        by_unit.setdefault(unit, []).append(code)
    shared = {u: cs for u, cs in by_unit.items() if len(cs) > 1}
    written = references.encode(encoder, shared) if shared else {}
    kept = {}
    for unit, codes in by_unit.items():
        code = written.get(unit)
        kept[code if code in codes else codes[0]] = unit
    dropped = sorted(c for cs in shared.values() for c in cs if c not in kept)
    if dropped:
        report.add("    %s: %d codes share a unit with another code and are left out: %s" % (
            label, len(dropped), " ".join(c.hex().upper() for c in dropped[:40]) +
            (" ..." if len(dropped) > 40 else "")))
    return kept


def dbcs_records(pairs, singles):
    """pairs: code bytes -> unit; singles: byte -> unit."""
    single_records = sorted(singles.items())
    double_records = sorted((c[0] * 256 + c[1], u) for c, u in pairs.items())
    return single_records, double_records


def sjis_to_euc(code):
    lead, trail = code
    row = (lead - 0x81) * 2 + 1 if lead <= 0x9F else (lead - 0xC1) * 2 + 1
    if trail >= 0x9F:
        row, col = row + 1, trail - 0x9E
    else:
        col = trail - 0x3F - (1 if trail >= 0x80 else 0)
    return row, col


def build_shift_jis(report):
    decoded = references.decode("python:cp932", ALL_PAIRS)
    pairs = one_code_per_unit(decoded, "icu:windows-932", report, "932")
    singles = {c[0]: u for c, u in references.decode("python:cp932", HIGH_SINGLE_BYTES).items()}
    singles.update({0x20: 0x00A0, 0x5C: 0x00A5})
    return decoded, pairs, singles


def build_euc_jp(sjis_decoded, sjis_pairs, sjis_singles, report):
    """The NEC-compatible EUC layout: JIS X 0208 with NEC row 13 and the NEC-selected IBM
    extension in rows 89-92. The user-defined area has no two-byte EUC code there."""
    nec_selected = {u: c for c, u in sjis_decoded.items() if c[0] in (0xED, 0xEE)}
    pairs, user_defined, no_code = {}, 0, 0
    for code, unit in sorted(sjis_pairs.items()):
        if 0xF0 <= code[0] <= 0xF9:
            user_defined += 1
            continue
        if code[0] >= 0xFA:
            code = nec_selected.get(unit)
            if code is None:
                no_code += 1
                continue
        row, col = sjis_to_euc(code)
        pairs[bytes([row + 0xA0, col + 0xA0])] = unit
    for b, u in sjis_singles.items():
        if 0xA1 <= b <= 0xDF:
            pairs[bytes([0x8E, b])] = u
    singles = {b: u for b, u in sjis_singles.items() if not 0xA1 <= b <= 0xDF}
    report.add("    51932: left out %d user-defined units and %d IBM-extension units without a "
               "NEC-selected code" % (user_defined, no_code))
    return pairs, singles


def build_johab(report):
    decoded = references.decode("python:johab", ALL_PAIRS)
    remapped = 0
    for code, unit in list(decoded.items()):
        bits = code[0] * 256 + code[1]
        initial, medial, final = (bits >> 10) & 31, (bits >> 5) & 31, bits & 31
        if bits & 0x8000 and medial == 2 and final == 1 and 2 <= initial <= 20:
            decoded[code] = 0x1100 + initial - 2
            remapped += 1
    # The user-defined row: KS X 1001 rows C9 and FE, placed as Johab places symbol rows.
    cp949 = references.decode("icu:windows-949-2000",
                              [bytes([r, c]) for r in (0xC9, 0xFE) for c in range(0xA1, 0xFF)])
    for code, unit in cp949.items():
        row, col = code
        trail = col if row == 0xFE else (col - 0x70 if col <= 0xEE else col - 0x5E)
        decoded[bytes([0xD8, trail])] = unit
    report.add("    1361: %d initial-consonant codes remapped to conjoining jamo, %d user-defined codes added"
               % (remapped, len(cp949)))
    pairs = one_code_per_unit(decoded, "python:johab", report, "1361")
    leads = set(range(0x84, 0xD4)) | {0xD8} | set(range(0xD9, 0xDF)) | set(range(0xE0, 0xFA))
    singles = {b: b for b in range(0x80, 0x100) if b not in leads}
    singles[0x20] = 0x00A0
    return pairs, singles


def build_generic(page, report):
    decoded = references.decode(page.source, ALL_PAIRS)
    pairs = one_code_per_unit(decoded, page.source, report, page.name)
    singles = {c[0]: u for c, u in references.decode(page.source, HIGH_SINGLE_BYTES).items()}
    singles[0x20] = 0x00A0
    return pairs, singles


def build_mac_japanese_difference(sjis_pairs, report):
    removed = [0x00A5, 0x2211, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3]
    single_settings = [(0xA0, 0x00A0), (0xFD, 0x00A9), (0xFE, 0x2122)]
    sjis_code = {u: c for c, u in sjis_pairs.items()}
    mac = references.encode(pages.MAC_JAPANESE_REFERENCE, sorted(sjis_code))
    settings = sorted((code[0] * 256 + code[1], u) for u, code in mac.items()
                      if len(code) == 2 and code != sjis_code[u])
    report.add("10001 (difference table on top of Shift_JIS): %s" % pages.MAC_JAPANESE_REFERENCE)
    report.add("    removed %s; single-byte settings %s" % (
        " ".join("U+%04X" % u for u in removed), " ".join("%02X=U+%04X" % s for s in single_settings)))
    report.add("    %d double-byte settings: every unit of the Shift_JIS table that the reference "
               "writes as another two-byte code" % len(settings))
    report.add("    " + " ".join("%04X=U+%04X" % s for s in settings))
    return storedform.stored_text(storedform.difference_table(removed, single_settings, settings)), settings


def build_double_byte(report):
    texts, counts, built_pairs, built_singles = {}, {}, {}, {}
    sjis_decoded = sjis_pairs = sjis_singles = None
    for page in pages.DOUBLE_BYTE_PAGES:
        report.add("%s (%s): %s" % (page.name, ", ".join(map(str, page.codepages)), page.source))
        if page.derivation:
            report.add("    built: " + page.derivation)
        if page.name == "shift_jis":
            sjis_decoded, pairs, singles = build_shift_jis(report)
            sjis_pairs, sjis_singles = pairs, singles
        elif page.name == "euc_jp":
            pairs, singles = build_euc_jp(sjis_decoded, sjis_pairs, sjis_singles, report)
        elif page.name == "euc_kr":
            pairs = {c: u for c, u in built_pairs["cp949"].items() if c[0] >= 0xA1 and c[1] >= 0xA1}
            singles = dict(built_singles["cp949"])
        elif page.name == "johab":
            pairs, singles = build_johab(report)
        else:
            pairs, singles = build_generic(page, report)
        built_pairs[page.name], built_singles[page.name] = pairs, singles
        single_records, double_records = dbcs_records(pairs, singles)
        counts[page.name] = (len(single_records), len(double_records))
        expected = page.expected_records
        verdict = "as expected" if counts[page.name] == expected else "EXPECTED %d, %d" % expected
        report.add("    records: %d single-byte, %d double-byte (%s)" % (
            len(single_records), len(double_records), verdict))
        ours = {bytes([c >> 8, c & 255]): u for c, u in double_records}
        for check in page.checks:
            compare(report, ours, check, sorted(ours))
        texts[page.name] = storedform.stored_text(storedform.full_table(True, single_records, double_records))
    text, _ = build_mac_japanese_difference(sjis_pairs, report)
    texts["mac_japanese_difference"] = text
    return texts, counts


# ---------------------------------------------------------------- output

HEADER = ("// Generated by tools/codepages/generate.py from the reference converters of the build\n"
          "// machine; do not edit. Each text is a stored code-page table; its pieces are appended\n"
          "// in order before decoding.\n")


def c_literal(text):
    assert all(ch.isalnum() or ch in "+/=" for ch in text)
    return '"%s"' % text


def write_texts(path, named_texts):
    with open(path, "w", newline="\n") as f:
        f.write(HEADER)
        for name, text in named_texts:
            f.write("VORNALT_CODEPAGE_TEXT_BEGIN(%s)\n" % name)
            for i in range(0, len(text), PIECE_LENGTH):
                f.write("VORNALT_CODEPAGE_TEXT_PIECE(%s)\n" % c_literal(text[i:i + PIECE_LENGTH]))
            f.write("VORNALT_CODEPAGE_TEXT_END(%s)\n" % name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--out", default=os.path.join(root, "components", "foundation", "tables"))
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    report = Report()
    report.add("Sources of the stored code-page tables (written by tools/codepages/generate.py)")
    report.add("Disagreements list code: our unit/the other reference's unit; '-' is unmapped.")
    report.add("")
    families = {}
    index = []
    for page in sorted(pages.SINGLE_BYTE_PAGES, key=lambda p: p.codepage):
        if page.shares_text_of:
            index.append((page.codepage, "cp%d" % page.shares_text_of))
            report.add("%d: uses the table of %d" % (page.codepage, page.shares_text_of))
            continue
        text = build_single_byte(page, report)
        families.setdefault(page.family, []).append(("cp%d" % page.codepage, text))
        index.append((page.codepage, "cp%d" % page.codepage))
    for cp, why in sorted(pages.NO_TABLE.items()):
        report.add("%d: no table: %s" % (cp, why))
    report.add("")
    texts, counts = build_double_byte(report)
    for family, named in families.items():
        write_texts(os.path.join(args.out, "codepage_texts_%s.inc" % family), named)
    write_texts(os.path.join(args.out, "codepage_texts_double_byte.inc"), sorted(texts.items()))
    with open(os.path.join(args.out, "codepage_index.inc"), "w", newline="\n") as f:
        f.write(HEADER.split("Each text")[0].rstrip("/ \n") + "\n")
        f.write("// Which stored text each single-byte code page loads.\n")
        for cp, name in sorted(index):
            f.write("VORNALT_SINGLE_BYTE_PAGE(%d, %s)\n" % (cp, name))
        f.write("// Which stored text each double-byte code page loads (10001 adds mac_japanese_difference).\n")
        for page in pages.DOUBLE_BYTE_PAGES:
            for cp in page.codepages:
                f.write("VORNALT_DOUBLE_BYTE_PAGE(%d, %s)\n" % (cp, page.name))
    with open(os.path.join(args.out, "codepage_sources.txt"), "w", newline="\n") as f:
        f.write("\n".join(report.lines) + "\n")
    for name, (s, d) in counts.items():
        print("%-12s %5d single-byte %6d double-byte records" % (name, s, d))


if __name__ == "__main__":
    main()
