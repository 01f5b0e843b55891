#include "platform/base/Unicode.h"

namespace {
constexpr bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one UTF-8 sequence at `pos`; advances `pos` past it (by one byte for a malformed lead, or
// past the valid prefix of a truncated sequence) and returns the code point or U+FFFD. Surrogate
// code points encoded in three bytes are returned as they stand; the caller pairs them.
char32_t decodeOne(std::string_view text, size_t& pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length;
    char32_t value;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return ReplacementCharacter;
    }
    size_t next = pos + 1;
    for (int i = 1; i < length; ++i, ++next) {
        if (next >= text.size() || !isContinuation(static_cast<unsigned char>(text[next]))) {
            pos = next;
            return ReplacementCharacter;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[next]) & 0x3F);
    }
    pos = next;
    if (value < minimum || value > 0x10FFFF)
        return ReplacementCharacter;
    return value;
}
}

void AppendCodePointAsUtf8(char32_t cp, std::string& out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = ReplacementCharacter;
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void AppendCodePointAsUtf16(char32_t cp, std::u16string& out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = ReplacementCharacter;
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8AsUtf16(std::string_view utf8, std::u16string& out)
{
    out.reserve(out.size() + utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = decodeOne(utf8, pos);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            // CESU-8 style high surrogate: keep it only when a low surrogate follows.
            size_t after = pos;
            if (after < utf8.size()) {
                char32_t low = decodeOne(utf8, after);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    out.push_back(char16_t(cp));
                    out.push_back(char16_t(low));
                    pos = after;
                    continue;
                }
            }
            out.push_back(char16_t(ReplacementCharacter));
            continue;
        }
        if (cp >= 0xDC00 && cp <= 0xDFFF) {
            out.push_back(char16_t(ReplacementCharacter));
            continue;
        }
        AppendCodePointAsUtf16(cp, out);
    }
}

void AppendUtf16AsUtf8(std::u16string_view utf16, std::string& out)
{
    out.reserve(out.size() + utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char16_t unit = utf16[i];
        if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            AppendCodePointAsUtf8(CombineSurrogates(unit, utf16[i + 1]), out);
            ++i;
            continue;
        }
        AppendCodePointAsUtf8(unit, out); // an unpaired surrogate becomes U+FFFD there
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    AppendUtf8AsUtf16(utf8, out);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    AppendUtf16AsUtf8(utf16, out);
    return out;
}

std::u32string Utf16ToCodePoints(std::u16string_view utf16)
{
    std::u32string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char16_t unit = utf16[i];
        if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            out.push_back(CombineSurrogates(unit, utf16[i + 1]));
            ++i;
            continue;
        }
        out.push_back(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? ReplacementCharacter : char32_t(unit));
    }
    return out;
}
