#include "platform/base/CodePage.h"

#include "platform/base/Unicode.h"

#include <array>
#include <atomic>

namespace {
std::atomic<UINT> s_ansiCodePage { CP_UTF8 };

// Code page 1252 at 0x80-0x9F; the rest of the page is Latin-1. Unassigned slots map to U+FFFD.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,
    0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

bool ansiIsUtf8() { return GetACP() == CP_UTF8; }
}

UINT GetACP() { return s_ansiCodePage.load(std::memory_order_relaxed); }

UINT GetOEMCP() { return 437; }

void SetAnsiCodePageForTesting(UINT codePage) { s_ansiCodePage.store(codePage, std::memory_order_relaxed); }

std::string Utf8FromAnsi(std::string_view ansi)
{
    if (ansiIsUtf8())
        return std::string(ansi);
    std::string utf8;
    utf8.reserve(ansi.size());
    for (char c : ansi) {
        auto byte = static_cast<unsigned char>(c);
        char32_t codePoint = (byte >= 0x80 && byte <= 0x9F) ? windows1252High[byte - 0x80] : byte;
        AppendCodePointAsUtf8(codePoint, utf8);
    }
    return utf8;
}

std::string AnsiFromUtf8(std::string_view utf8)
{
    if (ansiIsUtf8())
        return std::string(utf8);
    std::u16string wide = Utf8ToUtf16(utf8);
    std::string ansi;
    ansi.reserve(wide.size());
    for (char16_t unit : wide) {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            ansi.push_back(char(unit));
            continue;
        }
        char replacement = '?';
        for (size_t i = 0; i < windows1252High.size(); ++i) {
            if (windows1252High[i] == unit && unit != 0xFFFD)
                replacement = char(0x80 + i);
        }
        // A surrogate pair is one character: one '?' for both halves.
        if (IsLowSurrogate(unit))
            continue;
        ansi.push_back(replacement);
    }
    return ansi;
}
