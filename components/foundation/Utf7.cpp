#include "components/foundation/Utf7.h"

#include "components/foundation/DataBuffer.h"

#include <cstdint>
#include <cstring>

namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Utf7Tables {
    signed char inverse[128];
    bool mustShift[128];
};

// Built once, safely even when two threads convert for the first time together.
const Utf7Tables& Tables()
{
    static const Utf7Tables tables = [] {
        Utf7Tables built {};
        std::memset(built.inverse, -1, sizeof built.inverse);
        for (int i = 0; i < 64; ++i)
            built.inverse[int(kBase64Alphabet[i])] = (signed char)i;
        for (bool& flag : built.mustShift)
            flag = true;
        const char direct[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:? \t\r\n";
        for (const char* p = direct; *p; ++p)
            built.mustShift[int(*p)] = false;
        return built;
    }();
    return tables;
}

void AppendUnit(DataBuffer& out, std::uint16_t unit)
{
    unsigned char bytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
    out.Append(bytes, 2);
}

} // namespace

void InitUtf7Tables() { Tables(); }

bool Utf16ToUtf7(const DataBuffer& utf16le, DataBuffer& out)
{
    const Utf7Tables& tables = Tables();
    unsigned units = utf16le.GetSize() / 2;
    const unsigned char* bytes = utf16le.GetData();
    if (units == 0)
        return true;
    unsigned first = 0;
    if ((bytes[0] | (bytes[1] << 8)) == 0xFEFF)
        first = 1;

    bool inRun = false;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto closeRun = [&]() {
        if (bitCount > 0) {
            out.AppendByte((unsigned char)kBase64Alphabet[(bits << (6 - bitCount)) & 0x3F]);
            bitCount = 0;
            bits = 0;
        }
        out.AppendByte('-');
        inRun = false;
    };
    for (unsigned i = first; i < units; ++i) {
        std::uint16_t unit = std::uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit < 0x80 && !tables.mustShift[unit]) {
            if (inRun)
                closeRun();
            out.AppendByte((unsigned char)unit);
            continue;
        }
        if (!inRun && unit == '+') {
            out.Append("+-", 2);
            continue;
        }
        if (!inRun) {
            out.AppendByte('+');
            inRun = true;
        }
        bits = (bits << 16) | unit;
        bitCount += 16;
        while (bitCount >= 6) {
            bitCount -= 6;
            out.AppendByte((unsigned char)kBase64Alphabet[(bits >> bitCount) & 0x3F]);
        }
        bits &= (1u << bitCount) - 1;
    }
    if (inRun)
        closeRun();
    return true;
}

bool Utf7ToUtf16(const DataBuffer& utf7, DataBuffer& out)
{
    const Utf7Tables& tables = Tables();
    const unsigned char* bytes = utf7.GetData();
    unsigned size = utf7.GetSize();
    bool inRun = false;
    bool runHadBase64 = false;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (unsigned i = 0; i < size; ++i) {
        unsigned char b = bytes[i];
        if (inRun) {
            if (b < 0x80 && tables.inverse[b] >= 0) {
                bits = (bits << 6) | std::uint32_t(tables.inverse[b]);
                bitCount += 6;
                runHadBase64 = true;
                if (bitCount >= 16) {
                    bitCount -= 16;
                    AppendUnit(out, std::uint16_t(bits >> bitCount));
                    bits &= (1u << bitCount) - 1;
                }
                continue;
            }
            inRun = false;
            bits = 0;
            bitCount = 0;
            if (b == '-') {
                if (!runHadBase64)
                    AppendUnit(out, '+');
                continue;
            }
        }
        if (b == '+') {
            inRun = true;
            runHadBase64 = false;
            continue;
        }
        // Bytes above 0x7F are read as signed values, as the format never carries them.
        AppendUnit(out, std::uint16_t(std::int16_t(std::int8_t(b))));
    }
    return true;
}
