#include "components/foundation/TableCodePages.h"

#include "components/foundation/DataBuffer.h"

#include <cstdint>

namespace {

// Windows-1252 0x80-0x9F; 0 marks the five undefined bytes. 0x00-0x7F and 0xA0-0xFF map to the
// same code points.
const std::uint16_t k1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

std::uint16_t Decode1252(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return k1252High[b - 0x80];
    return b;
}

// -1 when the unit has no byte in 1252.
int Encode1252(std::uint16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i) {
        if (k1252High[i] && k1252High[i] == unit)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

bool TableCodePages::HasTable(int codePage) { return codePage == 1252; }

bool TableCodePages::Decode(int codePage, const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return true;
    if (!HasTable(codePage))
        return false;
    bool ok = true;
    for (unsigned i = 0; i < length; ++i) {
        std::uint16_t unit = data[i] == 0 ? 0 : Decode1252(data[i]);
        if (data[i] != 0 && unit == 0) {
            ok = false;
            continue;
        }
        unsigned char bytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
        out.Append(bytes, 2);
    }
    return ok;
}

bool TableCodePages::Encode(int codePage, const unsigned char* utf16le, unsigned length, DataBuffer& out)
{
    if (!utf16le || length == 0)
        return true;
    if (!HasTable(codePage))
        return false;
    unsigned units = length / 2;
    if (units == 0)
        return false;
    bool ok = true;
    for (unsigned i = 0; i < units; ++i) {
        std::uint16_t unit = std::uint16_t(utf16le[2 * i] | (utf16le[2 * i + 1] << 8));
        int byte = Encode1252(unit);
        if (byte < 0) {
            ok = false;
            continue;
        }
        out.AppendByte((unsigned char)byte);
    }
    return ok;
}
