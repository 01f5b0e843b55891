#include "components/foundation/Utf32Convert.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingBase.h"

#include <cstdint>

namespace {

int TrailingBytesFor(unsigned char lead)
{
    if (lead < 0xC0)
        return 0;
    if (lead < 0xE0)
        return 1;
    if (lead < 0xF0)
        return 2;
    if (lead < 0xF8)
        return 3;
    if (lead < 0xFC)
        return 4;
    return 5;
}

const std::uint32_t kOffsets[6] = { 0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u, 0xFA082080u, 0x82082080u };

bool Utf8ToUtf32(const DataBuffer& source, DataBuffer& target, bool bigEndian)
{
    const unsigned char* bytes = source.GetData();
    unsigned size = source.GetSize();
    unsigned position = 0;
    if (size && size < 0x10000000u)
        target.EnsureCapacity(target.GetSize() + size * 4);
    while (position < size) {
        int trailing = TrailingBytesFor(bytes[position]);
        if (position + unsigned(trailing) + 1 > size || !IsLegalUtf8Sequence(bytes + position, trailing + 1))
            return false;
        std::uint32_t value = 0;
        for (int i = 0; i <= trailing; ++i)
            value = (value << 6) + bytes[position + unsigned(i)];
        value -= kOffsets[trailing];
        position += unsigned(trailing) + 1;
        unsigned char unit[4];
        for (int i = 0; i < 4; ++i)
            unit[bigEndian ? 3 - i : i] = (unsigned char)(value >> (8 * i));
        target.Append(unit, 4);
    }
    return true;
}

} // namespace

bool IsLegalUtf8Sequence(const unsigned char* bytes, int length)
{
    if (!bytes || length < 1 || length > 4)
        return false;
    unsigned char lead = bytes[0];
    if (length == 4 && (bytes[3] < 0x80 || bytes[3] > 0xBF))
        return false;
    if (length >= 3 && (bytes[2] < 0x80 || bytes[2] > 0xBF))
        return false;
    if (length >= 2) {
        unsigned char second = bytes[1];
        if (second > 0xBF)
            return false;
        switch (lead) {
        case 0xE0:
            if (second < 0xA0)
                return false;
            break;
        case 0xF0:
            if (second < 0x90)
                return false;
            break;
        case 0xF4:
            if (second > 0x8F)
                return false;
            break;
        default:
            if (second < 0x80)
                return false;
            break;
        }
    }
    return !(lead >= 0x80 && lead <= 0xC1) && lead <= 0xF4;
}

bool Utf8ToUtf32LE(const DataBuffer& source, DataBuffer& target) { return Utf8ToUtf32(source, target, false); }

bool Utf8ToUtf32BE(const DataBuffer& source, DataBuffer& target) { return Utf8ToUtf32(source, target, true); }

bool Utf32LEToUtf8(const DataBuffer& source, DataBuffer& target)
{
    unsigned size = source.GetSize();
    if (size == 0)
        return true;
    if (size < 4)
        return false;
    const unsigned char* bytes = source.GetData();
    target.EnsureCapacity(target.GetSize() + size);
    for (unsigned i = 0; i + 4 <= size; i += 4) {
        std::uint32_t value = std::uint32_t(bytes[i]) | (std::uint32_t(bytes[i + 1]) << 8)
            | (std::uint32_t(bytes[i + 2]) << 16) | (std::uint32_t(bytes[i + 3]) << 24);
        // Whatever fits a 4-byte sequence is written as it stands; wider values become U+FFFD.
        if (value < 0x200000) {
            EncodingUtf8::EncodeCodePoint(value, target);
        } else {
            static const unsigned char kReplacement[] = { 0xEF, 0xBF, 0xBD };
            target.Append(kReplacement, 3);
        }
    }
    return true;
}
