#include "components/foundation/Japanese.h"

#include "components/foundation/BufferedAppender.h"

#include <cstdint>

namespace {

constexpr unsigned char kEscape = 0x1B;

// Full-width Shift_JIS codes of the half-width katakana 0xA1-0xDF.
const std::uint16_t kFullwidthKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

bool IsShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF); }
bool IsHalfwidthKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

void ShiftJisToJis(unsigned char s1, unsigned char s2, unsigned char& j1, unsigned char& j2)
{
    int adjust = s2 < 0x9F ? 1 : 0;
    int rowOffset = s1 < 0xA0 ? 0x70 : 0xB0;
    int cellOffset = adjust == 0 ? 0x7E : (s2 > 0x7F ? 0x20 : 0x1F);
    j1 = (unsigned char)(((s1 - rowOffset) * 2 - adjust) & 0xFF);
    j2 = (unsigned char)((s2 - cellOffset) & 0xFF);
}

void JisToShiftJis(unsigned char j1, unsigned char j2, unsigned char& s1, unsigned char& s2)
{
    int rowOffset = j1 < 0x5F ? 0x70 : 0xB0;
    int cellOffset = (j1 % 2 == 0) ? 0x7E : (j2 > 0x5F ? 0x20 : 0x1F);
    s1 = (unsigned char)(((j1 + 1) / 2 + rowOffset) & 0xFF);
    s2 = (unsigned char)((j2 + cellOffset) & 0xFF);
}

} // namespace

unsigned Japanese::HalfwidthKanaToFullwidth(unsigned char kana, const unsigned char* following,
    unsigned followingCount, unsigned char fullwidth[2])
{
    bool voiced = false;
    bool semiVoiced = false;
    unsigned used = 0;
    if (following && followingCount > 0) {
        unsigned char next = following[0];
        if (next == 0xDE && (kana == 0xB3 || (kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE))) {
            voiced = true;
            used = 1;
        } else if (next == 0xDF && kana >= 0xCA && kana <= 0xCE) {
            semiVoiced = true;
            used = 1;
        }
    }
    std::uint16_t code = IsHalfwidthKana(kana) ? kFullwidthKana[kana - 0xA1] : std::uint16_t(0x8145);
    unsigned char s1 = (unsigned char)(code >> 8);
    unsigned char s2 = (unsigned char)(code & 0xFF);
    if (voiced) {
        if ((s2 >= 0x4A && s2 <= 0x67) || (s2 >= 0x6E && s2 <= 0x7A))
            ++s2;
        else if (s1 == 0x83 && s2 == 0x45)
            s2 = 0x94;
    } else if (semiVoiced && s2 >= 0x6E && s2 <= 0x7A) {
        s2 = (unsigned char)(s2 + 2);
    }
    fullwidth[0] = s1;
    fullwidth[1] = s2;
    return used;
}

void Japanese::ShiftJisToIso2022Jp(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return;
    BufferedAppender writer(out);
    bool doubleByte = false;
    auto enterDoubleByte = [&] {
        if (!doubleByte)
            writer.Put(kEscape, '$', 'B');
        doubleByte = true;
    };
    auto leaveDoubleByte = [&] {
        if (doubleByte)
            writer.Put(kEscape, '(', 'B');
        doubleByte = false;
    };
    for (unsigned i = 0; i < length; ++i) {
        unsigned char b = data[i];
        if (IsShiftJisLead(b)) {
            if (i + 1 >= length)
                break;
            unsigned char trail = data[++i];
            if (trail < 0x40 || trail > 0xFC) {
                writer.Put(b, trail);
                continue;
            }
            unsigned char j1, j2;
            ShiftJisToJis(b, trail, j1, j2);
            enterDoubleByte();
            writer.Put(j1, j2);
            continue;
        }
        if (IsHalfwidthKana(b)) {
            unsigned char fullwidth[2];
            i += HalfwidthKanaToFullwidth(b, data + i + 1, length - i - 1, fullwidth);
            unsigned char j1, j2;
            ShiftJisToJis(fullwidth[0], fullwidth[1], j1, j2);
            enterDoubleByte();
            writer.Put(j1, j2);
            continue;
        }
        // CR, LF and every other single byte: lines and plain text are always in ASCII mode.
        leaveDoubleByte();
        writer.Put(b);
    }
    leaveDoubleByte();
}

void Japanese::Iso2022JpToShiftJis(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return;
    BufferedAppender writer(out);
    bool doubleByte = false;
    bool katakana = false;
    for (unsigned i = 0; i < length; ++i) {
        unsigned char b = data[i];
        if (b == kEscape) {
            if (i + 1 >= length)
                return;
            unsigned char intermediate = data[i + 1];
            if (intermediate != '$' && intermediate != '(') {
                ++i;
                continue;
            }
            if (i + 2 >= length)
                return;
            unsigned char final = data[i + 2];
            i += 2;
            if (intermediate == '$' && (final == 0x40 || final == 'B')) {
                doubleByte = true;
                katakana = false;
            } else if (intermediate == '(' && (final == 'B' || final == 'J')) {
                doubleByte = false;
                katakana = false;
            } else if (intermediate == '(' && final == 'I') {
                katakana = true;
                doubleByte = false;
            }
            continue;
        }
        if (b == '\r' || b == '\n') {
            if (doubleByte) {
                doubleByte = false;
                katakana = false;
            }
            writer.Put(b);
            continue;
        }
        if (doubleByte) {
            if (i + 1 >= length)
                return;
            unsigned char s1, s2;
            JisToShiftJis(b, data[++i], s1, s2);
            writer.Put(s1, s2);
            continue;
        }
        writer.Put(katakana ? (unsigned char)(b + 0x80) : b);
    }
}
