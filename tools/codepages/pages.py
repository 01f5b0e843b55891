"""Which reference builds each code page, and what is changed on top of it.

Every change to a reference mapping is listed here, as data, with the reason:
the verification reads these lists to tell a deliberate change from a fault.
"""

from dataclasses import dataclass, field


def identity(first, last):
    return {b: b for b in range(first, last + 1)}


def private_use(codes, first_unit):
    return {code: first_unit + i for i, code in enumerate(codes)}


def spans(*ranges):
    out = []
    for r in ranges:
        if isinstance(r, tuple):
            out.extend(range(r[0], r[1] + 1))
        else:
            out.append(r)
    return out


@dataclass
class SingleBytePage:
    codepage: int
    family: str
    source: str                      # reference that builds the table
    checks: tuple = ()               # further references compared in the report
    ascii_compatible: bool = True
    set_bytes: dict = field(default_factory=dict)    # byte -> unit, replaces the reference
    unset_bytes: tuple = ()                           # bytes left unmapped
    from_unicode_only: dict = field(default_factory=dict)  # unit -> byte (below 0x80)
    derivation: str = ""             # why the changes above are made
    shares_text_of: int = 0          # uses another page's stored text
    replace_units: dict = field(default_factory=dict)  # unit -> unit, wherever the reference has it


ISO_EURO_PAGES = (28591, 28592, 28593, 28594, 28595, 28596, 28598, 28599)


def _iso(cp, source, checks=()):
    sets = identity(0x81, 0x9F)
    unset = ()
    why = "0x81-0x9F map to the C1 units of the same value"
    if cp in ISO_EURO_PAGES:
        sets[0x80] = 0x20AC
        why += "; 0x80 maps to U+20AC"
    elif cp == 28597:
        unset = (0x80,)
        why += "; 0x80 is unmapped"
    else:
        sets[0x80] = 0x80
        why = "0x80-0x9F map to the C1 units of the same value"
    return SingleBytePage(cp, "iso8859", source, checks, set_bytes=sets, unset_bytes=unset, derivation=why)


SINGLE_BYTE_PAGES = [
    # ISO 8859
    _iso(28591, "python:latin_1", ("icu:ISO-8859-1",)),
    _iso(28592, "icu:windows-28592", ("python:iso8859_2",)),
    _iso(28593, "icu:windows-28593", ("python:iso8859_3",)),
    _iso(28594, "icu:windows-28594", ("python:iso8859_4",)),
    _iso(28595, "icu:windows-28595", ("python:iso8859_5",)),
    _iso(28596, "icu:windows-28596", ("python:iso8859_6",)),
    _iso(28597, "icu:windows-28597", ("python:iso8859_7",)),
    _iso(28598, "icu:windows-28598", ("python:iso8859_8",)),
    _iso(28599, "icu:windows-28599", ("python:iso8859_9",)),
    _iso(28600, "python:iso8859_10", ("icu:ISO-8859-10",)),
    _iso(28601, "python:iso8859_11", ("icu:iso-8859_11-2001",)),
    _iso(28603, "icu:windows-28603", ("python:iso8859_13",)),
    _iso(28605, "icu:windows-28605", ("python:iso8859_15",)),
    # Windows: the published mapping files, which leave the undefined bytes open
    SingleBytePage(1250, "windows", "python:cp1250", ("icu:windows-1250", "glibc:CP1250")),
    SingleBytePage(1251, "windows", "python:cp1251", ("icu:windows-1251", "glibc:CP1251")),
    SingleBytePage(1252, "windows", "python:cp1252", ("icu:windows-1252", "glibc:CP1252")),
    SingleBytePage(1253, "windows", "python:cp1253", ("icu:windows-1253", "glibc:CP1253")),
    SingleBytePage(1254, "windows", "python:cp1254", ("icu:windows-1254", "glibc:CP1254")),
    SingleBytePage(1255, "windows", "python:cp1255", ("icu:windows-1255", "glibc:CP1255")),
    SingleBytePage(1256, "windows", "python:cp1256", ("icu:windows-1256", "glibc:CP1256")),
    SingleBytePage(1257, "windows", "python:cp1257", ("icu:windows-1257", "glibc:CP1257")),
    SingleBytePage(1258, "windows", "python:cp1258", ("icu:windows-1258", "glibc:CP1258")),
    # DOS and OEM
    SingleBytePage(437, "dos", "python:cp437", ("icu:windows-437", "glibc:IBM437")),
    SingleBytePage(708, "dos", "glibc:ASMO-708", ("icu:ASMO-708",),
                   derivation="no Arabic DOS table is installed; ASMO 708 as the references define it"),
    SingleBytePage(720, "dos", "python:cp720", ("icu:windows-720",)),
    SingleBytePage(737, "dos", "python:cp737", ("icu:windows-737",)),
    SingleBytePage(775, "dos", "python:cp775", ("icu:windows-775", "glibc:IBM775")),
    SingleBytePage(850, "dos", "python:cp850", ("icu:windows-850", "glibc:IBM850")),
    SingleBytePage(852, "dos", "python:cp852", ("icu:windows-852", "glibc:IBM852")),
    SingleBytePage(855, "dos", "python:cp855", ("icu:windows-855", "glibc:IBM855")),
    SingleBytePage(857, "dos", "python:cp857", ("icu:windows-857", "glibc:IBM857"),
                   set_bytes=private_use((0xD5, 0xE7, 0xF2), 0xF8BB),
                   derivation="bytes the page leaves open stand for private-use units"),
    SingleBytePage(858, "dos", "python:cp858", ("icu:windows-858", "glibc:IBM858")),
    SingleBytePage(860, "dos", "python:cp860", ("icu:ibm-860", "glibc:IBM860")),
    SingleBytePage(861, "dos", "python:cp861", ("icu:windows-861", "glibc:IBM861")),
    SingleBytePage(862, "dos", "python:cp862", ("icu:windows-862", "glibc:IBM862")),
    SingleBytePage(863, "dos", "python:cp863", ("icu:ibm-863", "glibc:IBM863")),
    SingleBytePage(864, "dos", "python:cp864", ("icu:ibm-864", "glibc:IBM864"),
                   set_bytes={**private_use((0xA6, 0xA7, 0xFF), 0xF8BE), 0x9B: 0x9B, 0x9C: 0x9C, 0x9F: 0x9F},
                   derivation="open bytes: private use or the unit of the same value; 0x25 stays ASCII"),
    SingleBytePage(865, "dos", "python:cp865", ("icu:ibm-865", "glibc:IBM865")),
    SingleBytePage(866, "dos", "python:cp866", ("icu:windows-866", "glibc:IBM866")),
    SingleBytePage(869, "dos", "python:cp869", ("icu:windows-869", "glibc:IBM869"),
                   set_bytes={b: b for b in spans((0x80, 0x85), 0x87, 0x93, 0x94)},
                   derivation="open bytes map to the unit of the same value"),
    SingleBytePage(874, "dos", "python:cp874", ("icu:windows-874", "glibc:CP874"),
                   set_bytes={**private_use(spans((0xDB, 0xDE), (0xFC, 0xFF)), 0xF8C1),
                              **{b: b for b in spans((0x81, 0x84), (0x86, 0x90), (0x98, 0x9F))}},
                   derivation="open bytes: private use or the unit of the same value"),
    # Macintosh: the vendor's tables before the euro
    SingleBytePage(10000, "mac", "python:mac_roman", ("icu:windows-10000", "perl:MacRoman"),
                   set_bytes={0xBD: 0x2126},
                   derivation="0xBD is the ohm sign"),
    SingleBytePage(10004, "mac", "python:mac_arabic", ("perl:MacArabic",),
                   set_bytes={0x81: 0x00A0, **{0xB0 + i: 0x0660 + i for i in range(10)},
                              **private_use(spans((0xA0, 0xA4), (0xA6, 0xAB), (0xAD, 0xAF), 0xBA,
                                                  (0xBC, 0xBE), (0xDB, 0xDF), (0xFB, 0xFD)), 0xF827)},
                   derivation="right-to-left punctuation gets private-use units of its own"),
    SingleBytePage(10005, "mac", "perl:MacHebrew", ()),
    SingleBytePage(10006, "mac", "python:mac_greek", ("icu:windows-10006", "perl:MacGreek"),
                   set_bytes={0x9C: 0x00AD, 0xAF: 0x0387, 0xFF: 0xF8A0},
                   derivation="the table before the euro: soft hyphen at 0x9C, 0xFF open (private use)"),
    SingleBytePage(10007, "mac", "python:mac_cyrillic", ("icu:windows-10007", "perl:MacCyrillic"),
                   set_bytes={0xA2: 0x00A2, 0xB6: 0x2202, 0xFF: 0x00A4},
                   derivation="the table before the euro and the Ukrainian letters"),
    SingleBytePage(10010, "mac", "python:mac_romanian", ("perl:MacRomanian",)),
    SingleBytePage(10017, "mac", "glibc:MACUKRAINIAN", ("perl:MacUkrainian",)),
    SingleBytePage(10021, "mac", "perl:MacThai", (), ascii_compatible=False),
    SingleBytePage(10029, "mac", "python:mac_latin2", ("icu:windows-10029", "perl:MacCentralEurRoman")),
    SingleBytePage(10079, "mac", "python:mac_iceland", ("glibc:MAC-IS", "perl:MacIcelandic"),
                   set_bytes={0xBD: 0x2126, 0xDB: 0x00A4},
                   derivation="0xBD is the ohm sign; 0xDB the currency sign of the table before the euro"),
    SingleBytePage(10081, "mac", "python:mac_turkish", ("icu:windows-10081", "perl:MacTurkish"),
                   set_bytes={0xBD: 0x2126},
                   derivation="0xBD is the ohm sign"),
    SingleBytePage(10082, "mac", "python:mac_croatian", ("perl:MacCroatian",)),
    # EBCDIC: every byte from 0x01 is listed
    *[SingleBytePage(cp, "ebcdic", src, chk, ascii_compatible=False) for cp, src, chk in [
        (37, "python:cp037", ("icu:ibm-37", "glibc:IBM037")),
        (500, "python:cp500", ("icu:ibm-500", "glibc:IBM500")),
        (870, "icu:ibm-870", ("glibc:IBM870",)),
        (1026, "python:cp1026", ("icu:ibm-1026", "glibc:IBM1026")),
        (1047, "icu:ibm-1047", ("glibc:IBM1047", "perl:cp1047")),
        (1140, "python:cp1140", ("icu:ibm-1140", "glibc:IBM1140")),
        *[(cp, "icu:ibm-%d" % cp, ("glibc:IBM%d" % cp,)) for cp in range(1141, 1150)],
        (20273, "python:cp273", ("icu:ibm-273", "glibc:IBM273")),
        (20277, "icu:ibm-277", ("glibc:IBM277",)),
        (20278, "icu:ibm-278", ("glibc:IBM278",)),
        (20280, "icu:ibm-280", ("glibc:IBM280",)),
        (20284, "icu:ibm-284", ("glibc:IBM284",)),
        (20285, "icu:ibm-285", ("glibc:IBM285",)),
        (20290, "icu:ibm-290", ("glibc:IBM290",)),
        (20297, "icu:ibm-297", ("glibc:IBM297",)),
        (20420, "icu:ibm-420", ("glibc:IBM420",)),
        (20423, "glibc:IBM423", ()),
        (20424, "python:cp424", ("icu:ibm-424", "glibc:IBM424")),
        (20838, "icu:ibm-838", ()),
        (20871, "icu:ibm-871", ("glibc:IBM871",)),
        (20880, "glibc:IBM880", ()),
        (20905, "glibc:IBM905", ()),
        (21025, "icu:ibm-1025", ("glibc:IBM1025",)),
    ]],
    SingleBytePage(875, "ebcdic", "python:cp875", ("icu:ibm-875", "glibc:IBM875"), ascii_compatible=False,
                   unset_bytes=(0xDC, 0xE1, 0xEC, 0xED, 0xFC, 0xFD),
                   derivation="bytes the page leaves open stay unmapped"),
    # The Latin-9 EBCDIC page is the 1047 layout with the eight characters that
    # Latin-9 changes against Latin-1 put at the places of the ones they replace.
    SingleBytePage(20924, "ebcdic", "icu:ibm-1047", (), ascii_compatible=False,
                   replace_units={0x00A4: 0x20AC, 0x00A6: 0x0160, 0x00A8: 0x0161, 0x00B4: 0x017D,
                                  0x00B8: 0x017E, 0x00BC: 0x0152, 0x00BD: 0x0153, 0x00BE: 0x0178},
                   derivation="no Latin-9 EBCDIC table is installed: derived from 1047 "
                              "(A4 A6 A8 B4 B8 BC BD BE of Latin-1 replaced as in Latin-9)"),
    # IA5 national variants
    SingleBytePage(20106, "ia5", "glibc:ISO646-DE", (), ascii_compatible=False),
    SingleBytePage(20107, "ia5", "glibc:SEN_850200_B", (), ascii_compatible=False),
    SingleBytePage(20108, "ia5", "glibc:NS_4551-1", (), ascii_compatible=False),
    # others
    SingleBytePage(20127, "other", "python:ascii", ("icu:US-ASCII",),
                   from_unicode_only={0x00A0: 0x20},
                   derivation="ASCII; the no-break space is written as a space"),
    SingleBytePage(20261, "other", "", shares_text_of=28591),
    SingleBytePage(20269, "other", "", shares_text_of=28591),
    SingleBytePage(20866, "other", "python:koi8_r", ("icu:windows-20866", "glibc:KOI8-R")),
    SingleBytePage(21866, "other", "icu:windows-21866", ("python:koi8_u", "glibc:KOI8-RU"),
                   set_bytes={0xAE: 0x045E, 0xBE: 0x040E},
                   derivation="the Belarusian short u of KOI8-RU at 0xAE and 0xBE"),
    SingleBytePage(38598, "other", "icu:windows-28598", ("python:iso8859_8",),
                   set_bytes={0xAF: 0x203E, **private_use(spans(0xA1, (0xBF, 0xDE), (0xFB, 0xFF)), 0xF79C)},
                   derivation="logical Hebrew: open bytes (and the marks 0xFD 0xFE) are private use; "
                              "0xAF is the overline"),
]

# Pages of the list that get no table, and why.
NO_TABLE = {
    20105: "IA5 IRV: no installed converter implements the 1983 reference version "
           "(the references only alias it to US-ASCII)",
}

# The 20127 table holds exactly the one record, not the ASCII range.
SINGLE_RECORD_ONLY = {20127}


@dataclass
class DoubleBytePage:
    name: str                # name of the stored text
    codepages: tuple         # code pages loading this text
    source: str
    checks: tuple = ()
    expected_records: tuple = (0, 0)  # records the table must hold: single-byte, double-byte
    derivation: str = ""


DOUBLE_BYTE_PAGES = [
    DoubleBytePage("shift_jis", (932, 10001), "python:cp932", ("icu:windows-932",), (70, 9206),
                   "one record per unit; where several codes decode to one unit, the code that the "
                   "platform-derived encoder (icu:windows-932) writes is kept"),
    DoubleBytePage("gbk", (936, 51936), "icu:windows-936-2000", ("python:gbk",), (3, 23940)),
    DoubleBytePage("cp949", (949,), "icu:windows-949-2000", ("python:cp949",), (3, 17236)),
    DoubleBytePage("big5", (950,), "icu:windows-950-2000", ("python:cp950",), (3, 19710),
                   "one record per unit, the code the encoder writes"),
    DoubleBytePage("euc_jp", (51932,), "python:cp932", ("glibc:EUC-JP-MS", "python:euc_jp"), (7, 9269),
                   "the Shift_JIS table rewritten as EUC codes (rows 1-94 with NEC row 13; the IBM "
                   "extension through its NEC-selected rows 89-92) plus the 8E half-width kana"),
    DoubleBytePage("euc_kr", (51949,), "icu:windows-949-2000", ("python:euc_kr", "icu:windows-51949"), (3, 8414),
                   "the 949 table restricted to A1-FE lead and trail bytes"),
    DoubleBytePage("johab", (1361,), "python:johab", ("glibc:JOHAB",), (16, 17252),
                   "initial-consonant codes to conjoining jamo U+1100-U+1112; user-defined row D8 to "
                   "the private-use units of 949; bytes that start no code map to their own value"),
]

MAC_JAPANESE_REFERENCE = "perl:MacJapanese"
