#include "components/foundation/EncodingBase.h"

#include "components/foundation/DataBuffer.h"
#include "platform/base/Unicode.h"

namespace {
constexpr std::uint32_t kPendingLow = 0x10000; // marks a low surrogate waiting in the state
constexpr std::uint32_t kPendingHigh = 0x20000; // marks a high surrogate waiting for its partner

bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }
} // namespace

int EncodingBase::DecodeChar(ConvertState&, const unsigned char*, int, std::uint16_t&) const { return 0; }

int EncodingBase::EncodeUnit(ConvertState&, std::uint16_t, DataBuffer&) const { return 0; }

int EncodingUtf8::DecodeCodePoint(const unsigned char* bytes, int available, std::uint32_t& codePoint)
{
    if (available < 1)
        return -2;
    unsigned char b0 = bytes[0];
    if (b0 < 0x80) {
        codePoint = b0;
        return 1;
    }
    if (b0 < 0xC2 || b0 > 0xF4)
        return -1;
    if (b0 < 0xE0) {
        if (available < 2)
            return -2;
        if (!IsContinuation(bytes[1]))
            return -1;
        codePoint = (std::uint32_t(b0 & 0x1F) << 6) | (bytes[1] & 0x3F);
        return 2;
    }
    if (b0 < 0xF0) {
        if (available < 3)
            return -2;
        if (!IsContinuation(bytes[1]) || !IsContinuation(bytes[2]) || (b0 == 0xE0 && bytes[1] < 0xA0))
            return -1;
        codePoint = (std::uint32_t(b0 & 0x0F) << 12) | (std::uint32_t(bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F);
        return 3;
    }
    if (available < 4)
        return -2;
    if (!IsContinuation(bytes[1]) || !IsContinuation(bytes[2]) || !IsContinuation(bytes[3]))
        return -1;
    if ((b0 == 0xF0 && bytes[1] < 0x90) || (b0 == 0xF4 && bytes[1] > 0x8F))
        return -1;
    codePoint = (std::uint32_t(b0 & 0x07) << 18) | (std::uint32_t(bytes[1] & 0x3F) << 12)
        | (std::uint32_t(bytes[2] & 0x3F) << 6) | (bytes[3] & 0x3F);
    return 4;
}

int EncodingUtf8::EncodeCodePoint(std::uint32_t codePoint, DataBuffer& out)
{
    unsigned char bytes[4];
    int n;
    if (codePoint < 0x80) {
        bytes[0] = (unsigned char)codePoint;
        n = 1;
    } else if (codePoint < 0x800) {
        bytes[0] = (unsigned char)(0xC0 | (codePoint >> 6));
        bytes[1] = (unsigned char)(0x80 | (codePoint & 0x3F));
        n = 2;
    } else if (codePoint < 0x10000) {
        bytes[0] = (unsigned char)(0xE0 | (codePoint >> 12));
        bytes[1] = (unsigned char)(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = (unsigned char)(0x80 | (codePoint & 0x3F));
        n = 3;
    } else {
        bytes[0] = (unsigned char)(0xF0 | (codePoint >> 18));
        bytes[1] = (unsigned char)(0x80 | ((codePoint >> 12) & 0x3F));
        bytes[2] = (unsigned char)(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[3] = (unsigned char)(0x80 | (codePoint & 0x3F));
        n = 4;
    }
    out.Append(bytes, unsigned(n));
    return n;
}

int EncodingUtf8::DecodeChar(ConvertState& state, const unsigned char* bytes, int available, std::uint16_t& unit) const
{
    if (state.m_value & kPendingLow) {
        unit = std::uint16_t(state.m_value & 0xFFFF);
        state.m_value = 0;
        return 0;
    }
    std::uint32_t codePoint = 0;
    int used = DecodeCodePoint(bytes, available, codePoint);
    if (used < 0)
        return used;
    if (codePoint < 0x10000) {
        unit = std::uint16_t(codePoint);
        return used;
    }
    codePoint -= 0x10000;
    unit = std::uint16_t(0xD800 | (codePoint >> 10));
    state.m_value = kPendingLow | (0xDC00 | (codePoint & 0x3FF));
    return used;
}

int EncodingUtf8::EncodeUnit(ConvertState& state, std::uint16_t unit, DataBuffer& out) const
{
    int written = 0;
    if (state.m_value & kPendingHigh) {
        std::uint32_t high = state.m_value & 0xFFFF;
        state.m_value = 0;
        if (IsLowSurrogate(unit))
            return EncodeCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00u), out);
        written = EncodeCodePoint(high, out);
    }
    if (IsHighSurrogate(unit)) {
        state.m_value = kPendingHigh | unit;
        return written;
    }
    return written + EncodeCodePoint(unit, out);
}

int EncodingUtf8::Flush(ConvertState& state, DataBuffer& out) const
{
    if (!(state.m_value & kPendingHigh))
        return 0;
    std::uint32_t high = state.m_value & 0xFFFF;
    state.m_value = 0;
    return EncodeCodePoint(high, out);
}

const EncodingUtf8& EncodingUtf8::Instance()
{
    static const EncodingUtf8 codec;
    return codec;
}
