#include "platform/base/Format.h"

#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace format_detail {
namespace {

struct Spec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1; // -1: not given
    int lengthBits = 0; // 8 or 16 for hh / h, else 0
    char type = 0;
};

// Builds the output in 8-bit pieces (all numbers are ASCII) and converts strings to the output's
// width at the end of each conversion.
template <typename Ch> class Writer {
public:
    std::basic_string<Ch> out;

    void putAscii(std::string_view text)
    {
        for (char c : text)
            out.push_back(Ch(static_cast<unsigned char>(c)));
    }
    void putRepeated(char c, int count)
    {
        for (int i = 0; i < count; ++i)
            out.push_back(Ch(c));
    }
};

int toIntClamped(long long v)
{
    if (v > 1000000)
        return 1000000;
    if (v < -1000000)
        return -1000000;
    return int(v);
}

long long argAsSigned(const FormatArg& a)
{
    switch (a.kind) {
    case ArgKind::Signed: return a.signedValue;
    case ArgKind::Unsigned: return (long long)a.unsignedValue;
    case ArgKind::Real: return std::isfinite(a.realValue) ? (long long)a.realValue : 0;
    case ArgKind::Pointer: return (long long)(std::uintptr_t)a.pointer;
    default: return 0;
    }
}

// Pads `body` (already complete: sign, prefix, digits) to the width.
template <typename Ch>
void emitPadded(Writer<Ch>& w, const Spec& s, std::string_view prefix, std::string_view digits, bool zeroPadAllowed)
{
    int length = int(prefix.size() + digits.size());
    int pad = s.width > length ? s.width - length : 0;
    if (s.left) {
        w.putAscii(prefix);
        w.putAscii(digits);
        w.putRepeated(' ', pad);
    } else if (s.zero && zeroPadAllowed) {
        w.putAscii(prefix);
        w.putRepeated('0', pad);
        w.putAscii(digits);
    } else {
        w.putRepeated(' ', pad);
        w.putAscii(prefix);
        w.putAscii(digits);
    }
}

template <typename Ch> void formatInteger(Writer<Ch>& w, const Spec& s, const FormatArg& a)
{
    int bits = a.bits < 32 ? 32 : a.bits;
    if (a.kind == ArgKind::Pointer)
        bits = sizeof(void*) * 8;
    if (s.lengthBits)
        bits = s.lengthBits;
    unsigned long long mask = bits >= 64 ? ~0ULL : ((1ULL << bits) - 1);
    unsigned long long raw = (unsigned long long)argAsSigned(a) & mask;
    bool isSignedConversion = s.type == 'd' || s.type == 'i';
    bool negative = false;
    unsigned long long magnitude = raw;
    if (isSignedConversion) {
        // Sign-extend from the effective width: an unsigned argument whose top bit is set reads as
        // negative, as the runtime would read it.
        bool topBit = bits < 64 ? ((raw >> (bits - 1)) & 1) : (raw >> 63);
        if (topBit) {
            negative = true;
            magnitude = (~raw + 1) & mask;
        }
    }
    int base = 10;
    bool upper = false;
    if (s.type == 'x' || s.type == 'X') {
        base = 16;
        upper = s.type == 'X';
    } else if (s.type == 'o') {
        base = 8;
    }
    char buffer[70];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base);
    std::string digits(buffer, result.ptr);
    if (upper)
        for (auto& c : digits)
            if (c >= 'a' && c <= 'f')
                c = char(c - 32);
    if (s.precision >= 0) {
        if (s.precision == 0 && magnitude == 0)
            digits.clear();
        if (int(digits.size()) < s.precision)
            digits.insert(0, size_t(s.precision - int(digits.size())), '0');
    }
    std::string prefix;
    if (negative)
        prefix = "-";
    else if (isSignedConversion && s.plus)
        prefix = "+";
    else if (isSignedConversion && s.space)
        prefix = " ";
    if (s.alternate && base == 16 && magnitude != 0)
        prefix += upper ? "0X" : "0x";
    if (s.alternate && base == 8 && (digits.empty() || digits[0] != '0'))
        digits.insert(0, 1, '0');
    emitPadded(w, s, prefix, digits, s.precision < 0);
}

std::string toCharsFixed(double v, int precision)
{
    std::string buffer(400 + size_t(precision), '\0');
    auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed, precision);
    buffer.resize(size_t(r.ptr - buffer.data()));
    return buffer;
}

std::string toCharsScientific(double v, int precision)
{
    std::string buffer(64 + size_t(precision), '\0');
    auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::scientific, precision);
    buffer.resize(size_t(r.ptr - buffer.data()));
    return buffer;
}

void stripTrailingZeros(std::string& text)
{
    auto exponent = text.find_first_of("eE");
    std::string mantissa = text.substr(0, exponent);
    std::string rest = exponent == std::string::npos ? std::string() : text.substr(exponent);
    if (mantissa.find('.') == std::string::npos)
        return;
    while (!mantissa.empty() && mantissa.back() == '0')
        mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == '.')
        mantissa.pop_back();
    text = mantissa + rest;
}

template <typename Ch> void formatReal(Writer<Ch>& w, const Spec& s, double v)
{
    char type = s.type;
    bool upper = type == 'F' || type == 'E' || type == 'G' || type == 'A';
    char lower = char(type | 0x20);
    bool negative = std::signbit(v);
    double magnitude = std::fabs(v);
    std::string prefix = negative ? "-" : (s.plus ? "+" : (s.space ? " " : ""));
    if (!std::isfinite(v)) {
        std::string text = std::isnan(v) ? "nan" : "inf";
        if (upper)
            text = text == "nan" ? "NAN" : "INF";
        emitPadded(w, s, prefix, text, false);
        return;
    }
    int precision = s.precision < 0 ? 6 : s.precision;
    if (precision > 350)
        precision = 350;
    std::string digits;
    if (lower == 'f') {
        digits = toCharsFixed(magnitude, precision);
        if (s.alternate && precision == 0)
            digits += '.';
    } else if (lower == 'e') {
        digits = toCharsScientific(magnitude, precision);
        if (s.alternate && precision == 0)
            digits.insert(1, 1, '.');
    } else if (lower == 'g') {
        int p = precision == 0 ? 1 : precision;
        std::string sci = toCharsScientific(magnitude, p - 1);
        int exponent = std::atoi(sci.c_str() + sci.find('e') + 1);
        if (exponent < p && exponent >= -4)
            digits = toCharsFixed(magnitude, p - 1 - exponent);
        else
            digits = sci;
        if (!s.alternate)
            stripTrailingZeros(digits);
        else if (digits.find('.') == std::string::npos) {
            auto e = digits.find('e');
            digits.insert(e == std::string::npos ? digits.size() : e, 1, '.');
        }
    } else { // 'a'
        char buffer[64];
        auto r = s.precision < 0
            ? std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::hex)
            : std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::hex, precision);
        digits.assign(buffer, r.ptr);
        prefix += "0x";
    }
    if (upper)
        for (auto& c : digits)
            c = AsciiToUpper(c);
    if (upper && lower == 'a')
        prefix.back() = 'X';
    emitPadded(w, s, prefix, digits, true);
}

template <typename Ch> std::basic_string<Ch> convertString(const FormatArg& a)
{
    if constexpr (std::is_same_v<Ch, char>)
        return a.kind == ArgKind::Narrow ? std::string(a.narrow) : Utf16ToUtf8(a.wide);
    else
        return a.kind == ArgKind::Wide ? std::u16string(a.wide) : Utf8ToUtf16(a.narrow);
}

template <typename Ch> void emitText(Writer<Ch>& w, const Spec& s, std::basic_string<Ch> text)
{
    if (s.precision >= 0 && size_t(s.precision) < text.size())
        text.resize(size_t(s.precision));
    int pad = s.width > int(text.size()) ? s.width - int(text.size()) : 0;
    char padChar = (s.zero && !s.left) ? '0' : ' ';
    if (!s.left)
        w.putRepeated(padChar, pad);
    w.out += text;
    if (s.left)
        w.putRepeated(' ', pad);
}

template <typename Ch> void formatCharacter(Writer<Ch>& w, const Spec& s, const FormatArg& a)
{
    std::basic_string<Ch> text;
    if (a.kind == ArgKind::Narrow || a.kind == ArgKind::Wide) {
        std::basic_string<Ch> whole = convertString<Ch>(a);
        if (!whole.empty())
            text = whole.substr(0, 1);
    } else {
        unsigned long long code = (unsigned long long)argAsSigned(a);
        if constexpr (std::is_same_v<Ch, char>) {
            if (code < 0x80 || (a.bits == 8 && !a.isCharacter) || (a.isCharacter && a.bits == 8))
                text.push_back(char(code & 0xFF));
            else
                AppendCodePointAsUtf8(char32_t(code), text);
        } else {
            if (a.isCharacter && a.bits > 16)
                AppendCodePointAsUtf16(char32_t(code), text);
            else if (a.isCharacter && a.bits == 8)
                text.push_back(char16_t(code & 0xFF));
            else
                text.push_back(char16_t(code & 0xFFFF));
        }
    }
    Spec plain = s;
    plain.precision = -1;
    emitText(w, plain, std::move(text));
}

template <typename Ch> void formatPointer(Writer<Ch>& w, const Spec& s, const FormatArg& a)
{
    unsigned long long value = (unsigned long long)argAsSigned(a);
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string digits(buffer, r.ptr);
    for (auto& c : digits)
        c = AsciiToUpper(c);
    if (digits.size() < sizeof(void*) * 2)
        digits.insert(0, sizeof(void*) * 2 - digits.size(), '0');
    Spec plain = s;
    plain.zero = false;
    emitPadded(w, plain, "", digits, false);
}

template <typename Ch> void formatOne(Writer<Ch>& w, const Spec& s, const FormatArg& a)
{
    switch (s.type) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
        if (a.kind == ArgKind::Narrow || a.kind == ArgKind::Wide)
            return emitText(w, s, convertString<Ch>(a));
        return formatInteger(w, s, a);
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        if (a.kind == ArgKind::Narrow || a.kind == ArgKind::Wide)
            return emitText(w, s, convertString<Ch>(a));
        return formatReal(w, s, a.kind == ArgKind::Real ? a.realValue
                                   : a.kind == ArgKind::Unsigned ? double(a.unsignedValue)
                                                                 : double(argAsSigned(a)));
    case 'c': case 'C':
        return formatCharacter(w, s, a);
    case 's': case 'S': {
        if (a.isNullString) {
            Writer<char> narrow;
            narrow.putAscii("(null)");
            std::basic_string<Ch> text;
            for (char c : narrow.out)
                text.push_back(Ch(c));
            return emitText(w, s, text);
        }
        if (a.kind == ArgKind::Narrow || a.kind == ArgKind::Wide)
            return emitText(w, s, convertString<Ch>(a));
        Spec numeric = s;
        numeric.type = a.kind == ArgKind::Real ? 'g' : (a.kind == ArgKind::Unsigned ? 'u' : 'd');
        if (a.kind == ArgKind::Pointer)
            return formatPointer(w, s, a);
        if (a.isCharacter) {
            numeric.type = 'c';
            return formatCharacter(w, numeric, a);
        }
        numeric.precision = -1;
        return formatOne(w, numeric, a);
    }
    case 'p':
        return formatPointer(w, s, a);
    default:
        return;
    }
}

template <typename Ch> int readNumber(std::basic_string_view<Ch> f, size_t& i)
{
    long long value = 0;
    while (i < f.size() && f[i] >= Ch('0') && f[i] <= Ch('9')) {
        value = value * 10 + (f[i] - Ch('0'));
        if (value > 1000000)
            value = 1000000;
        ++i;
    }
    return int(value);
}

template <typename Ch>
std::basic_string<Ch> formatImpl(std::basic_string_view<Ch> f, const FormatArg* args, std::size_t count)
{
    Writer<Ch> w;
    w.out.reserve(f.size() + 16 * count);
    std::size_t next = 0;
    auto takeArg = [&]() -> const FormatArg* { return next < count ? &args[next++] : nullptr; };
    size_t i = 0;
    while (i < f.size()) {
        Ch c = f[i];
        if (c != Ch('%')) {
            w.out.push_back(c);
            ++i;
            continue;
        }
        size_t start = i++;
        if (i < f.size() && f[i] == Ch('%')) {
            w.out.push_back(Ch('%'));
            ++i;
            continue;
        }
        Spec s;
        for (; i < f.size(); ++i) {
            Ch flag = f[i];
            if (flag == Ch('-'))
                s.left = true;
            else if (flag == Ch('+'))
                s.plus = true;
            else if (flag == Ch(' '))
                s.space = true;
            else if (flag == Ch('#'))
                s.alternate = true;
            else if (flag == Ch('0'))
                s.zero = true;
            else
                break;
        }
        if (i < f.size() && f[i] == Ch('*')) {
            ++i;
            const FormatArg* a = takeArg();
            int width = a ? toIntClamped(argAsSigned(*a)) : 0;
            if (width < 0) {
                s.left = true;
                width = -width;
            }
            s.width = width;
        } else {
            s.width = readNumber(f, i);
        }
        if (i < f.size() && f[i] == Ch('.')) {
            ++i;
            if (i < f.size() && f[i] == Ch('*')) {
                ++i;
                const FormatArg* a = takeArg();
                int precision = a ? toIntClamped(argAsSigned(*a)) : 0;
                s.precision = precision < 0 ? -1 : precision;
            } else {
                s.precision = readNumber(f, i);
            }
        }
        // Length modifiers.
        while (i < f.size()) {
            Ch m = f[i];
            if (m == Ch('h')) {
                s.lengthBits = s.lengthBits == 16 ? 8 : 16;
                ++i;
            } else if (m == Ch('l') || m == Ch('L') || m == Ch('j') || m == Ch('z') || m == Ch('t') || m == Ch('q')
                       || m == Ch('w')) {
                ++i;
            } else if (m == Ch('I')) {
                ++i;
                if (i + 1 < f.size() && ((f[i] == Ch('6') && f[i + 1] == Ch('4')) || (f[i] == Ch('3') && f[i + 1] == Ch('2'))))
                    i += 2;
            } else {
                break;
            }
        }
        if (i >= f.size()) {
            w.out.append(f.substr(start));
            break;
        }
        Ch type = f[i++];
        if (type > 0x7F || std::string_view("diuoxXcCsSfFeEgGaApn").find(char(type)) == std::string_view::npos) {
            w.out.append(f.substr(start, i - start));
            continue;
        }
        s.type = char(type);
        const FormatArg* a = takeArg();
        if (!a || s.type == 'n')
            continue;
        formatOne(w, s, *a);
    }
    return std::move(w.out);
}

}

std::string formatArgs(std::string_view format, const FormatArg* args, std::size_t count)
{
    return formatImpl<char>(format, args, count);
}

std::u16string formatArgs(std::u16string_view format, const FormatArg* args, std::size_t count)
{
    return formatImpl<char16_t>(format, args, count);
}

}
