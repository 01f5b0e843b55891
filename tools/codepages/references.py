"""Access to the reference converters installed on a Debian machine.

Every function answers one question for a list of codes: which single UTF-16
unit does the converter give for exactly these bytes (to-Unicode), or which
bytes does it write for this one unit (from-Unicode). A code that fails, that
gives more than one unit, or that gives a unit beyond the BMP counts as
unmapped, since the stored tables map one code to one unit.

References are named "kind:name": python:cp1252 (the codecs module), icu:ibm-37
(the uconv tool), glibc:IBM423 (the iconv tool), perl:MacJapanese (Encode).
"""

import functools
import subprocess

PERL_DECODE = r'''
use strict; use warnings; use Encode ();
my $enc = shift @ARGV; binmode STDOUT;
while (my $line = <STDIN>) {
    chomp $line; my $bytes = pack("H*", $line);
    my $rest = $bytes;
    my $text = eval { Encode::decode($enc, $rest, Encode::FB_QUIET()) };
    if (defined $text && length($rest) == 0 && length($text) == 1 && ord($text) < 0x10000) {
        printf "%04X\n", ord($text);
    } else { print "-\n"; }
}
'''

PERL_ENCODE = r'''
use strict; use warnings; use Encode ();
my $enc = shift @ARGV; binmode STDOUT;
while (my $line = <STDIN>) {
    chomp $line; my $text = chr(hex($line));
    my $bytes = eval { Encode::encode($enc, $text, Encode::FB_CROAK()) };
    if (defined $bytes && length($bytes) > 0) { print unpack("H*", $bytes), "\n"; }
    else { print "-\n"; }
}
'''


class ReferenceError(RuntimeError):
    pass


def _run(command, data):
    result = subprocess.run(command, input=data, capture_output=True)
    # iconv -c exits with 1 when it omitted something; that is expected here.
    if result.returncode not in (0, 1) or (result.returncode == 1 and not result.stdout and data):
        raise ReferenceError("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                     result.stderr.decode(errors="replace")[:300]))
    return result.stdout


def _decoder_command(kind, name):
    if kind == "icu":
        return ["uconv", "-f", name, "-t", "UTF-16LE", "--from-callback", "escape-unicode"]
    if kind == "glibc":
        return ["iconv", "-c", "-f", name, "-t", "UTF-16LE"]
    raise ReferenceError("no stream decoder for " + kind)


def _encoder_command(kind, name):
    if kind == "icu":
        return ["uconv", "--no-fallback", "-f", "UTF-16LE", "-t", name, "--to-callback", "skip"]
    if kind == "glibc":
        return ["iconv", "-c", "-f", "UTF-16LE", "-t", name]
    raise ReferenceError("no stream encoder for " + kind)


def _single_unit(text):
    if len(text) != 1:
        return None
    unit = ord(text)
    if 0xD800 <= unit <= 0xDFFF or unit > 0xFFFF:
        return None
    return unit


def _decode_each(command, codes):
    found = {}
    for code in codes:
        out = _run(command, code).decode("utf-16-le", errors="replace")
        unit = _single_unit(out)
        if unit is not None:
            found[code] = unit
    return found


@functools.lru_cache(maxsize=None)
def _newline_byte(kind, name):
    """The byte the converter writes for U+000A: the separator of batched codes."""
    out = _run(_encoder_command(kind, name), "\n".encode("utf-16-le"))
    return out if len(out) == 1 else None


def _decode_batched(kind, name, codes):
    command = _decoder_command(kind, name)
    separator = _newline_byte(kind, name)
    if separator is None:
        return _decode_each(command, codes)
    batch = [c for c in codes if separator not in c]
    data = b"".join(c + separator for c in batch)
    parts = _run(command, data).decode("utf-16-le", errors="replace").split("\n")
    if len(parts) != len(batch) + 1 or parts[-1] != "":
        # Some other code also decodes to U+000A: fall back to one call per code.
        return _decode_each(command, codes)
    found = {}
    for code, text in zip(batch, parts):
        unit = _single_unit(text)
        if unit is not None:
            found[code] = unit
    for code in codes:
        if separator in code:
            found.update(_decode_each(command, [code]))
    return found


def _perl(script, name, lines):
    data = "".join(line + "\n" for line in lines).encode()
    out = _run(["perl", "-e", script, name], data).decode().split("\n")
    if len(out) != len(lines) + 1:
        raise ReferenceError("perl Encode %s gave %d answers for %d questions" % (name, len(out) - 1, len(lines)))
    return out


def decode(reference, codes):
    """Map each code (bytes) that the reference decodes to exactly one BMP unit."""
    kind, name = reference.split(":", 1)
    codes = list(codes)
    if kind == "python":
        found = {}
        for code in codes:
            try:
                unit = _single_unit(code.decode(name))
            except UnicodeDecodeError:
                continue
            if unit is not None:
                found[code] = unit
        return found
    if kind == "perl":
        answers = _perl(PERL_DECODE, name, [c.hex() for c in codes])
        return {c: int(a, 16) for c, a in zip(codes, answers) if a != "-"}
    found = _decode_batched(kind, name, codes)
    if kind == "glibc":
        # iconv -c drops an invalid lead byte silently and decodes what follows, so a
        # two-byte code that "decodes" to what its trail byte alone gives is not a code.
        singles = _decode_batched(kind, name, [bytes([b]) for b in range(1, 256)])
        for code in [c for c in found if len(c) == 2]:
            if singles.get(code[1:]) == found[code] or found[code] < 0x80:
                del found[code]
    return found


def encode(reference, units):
    """Map each unit (int) that the reference writes without a fallback to its bytes."""
    kind, name = reference.split(":", 1)
    units = list(units)
    if kind == "python":
        found = {}
        for unit in units:
            if 0xD800 <= unit <= 0xDFFF:
                continue
            try:
                found[unit] = chr(unit).encode(name)
            except UnicodeEncodeError:
                continue
        return found
    if kind == "perl":
        answers = _perl(PERL_ENCODE, name, ["%X" % u for u in units])
        return {u: bytes.fromhex(a) for u, a in zip(units, answers) if a != "-"}
    command = _encoder_command(kind, name)
    separator = _newline_byte(kind, name)
    batch = [u for u in units if u != 0x0A and not 0xD800 <= u <= 0xDFFF]
    data = "".join(chr(u) + "\n" for u in batch).encode("utf-16-le")
    parts = _run(command, data).split(separator)
    if separator is None or len(parts) != len(batch) + 1:
        raise ReferenceError("%s: batched encoding lost its alignment" % reference)
    return {u: p for u, p in zip(batch, parts) if p}
