#include "components/foundation/EncodingConvert.h"

#include "components/foundation/CharsetNames.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingBase.h"
#include "components/foundation/Japanese.h"
#include "components/foundation/Korean.h"
#include "components/foundation/TableCodePages.h"
#include "components/foundation/Utf32Convert.h"
#include "components/foundation/Utf7.h"
#include "platform/base/CodePage.h"

#include <cstdint>

namespace {

constexpr int kUtf16LE = 1200;
constexpr int kUtf16BE = 1201;
constexpr int kUtf7 = 65000;
constexpr int kUtf8 = 65001;
constexpr int kUtf32LE = 65005;
constexpr int kUtf32BE = 65006;

constexpr int kShiftJis = 932;
constexpr int kKoreanUnified = 949;
constexpr int kMacArabic = 10004;

bool IsIso2022Jp(int codePage) { return codePage == 50220 || codePage == 50221 || codePage == 50222; }
bool IsIso2022Kr(int codePage) { return codePage == 50225; }

// Appends the bytes with the two bytes of every pair exchanged; an odd last byte is dropped.
void AppendSwappedPairs(const unsigned char* data, unsigned length, DataBuffer& out)
{
    out.EnsureCapacity(out.GetSize() + length);
    for (unsigned i = 0; i + 1 < length; i += 2) {
        unsigned char pair[2] = { data[i + 1], data[i] };
        out.Append(pair, 2);
    }
}

void ReserveFor(DataBuffer& out, unsigned long long extra)
{
    unsigned long long wanted = (unsigned long long)out.GetSize() + extra;
    if (wanted < 0xFFFFFFFFull)
        out.EnsureCapacity(unsigned(wanted));
}

} // namespace

bool EncodingConvert::Convert(int fromCodePage, int toCodePage, const unsigned char* data, unsigned length,
    DataBuffer& out)
{
    if (toCodePage == 0 || toCodePage == fromCodePage) {
        out.Append(data, length);
        return true;
    }
    if (fromCodePage == kMacArabic && data && length > 0) {
        DataBuffer rewritten;
        rewritten.Append(data, length);
        TableCodePages::MacArabicSourcePass(rewritten.GetData(), rewritten.GetSize());
        return ConvertAfterSourcePasses(fromCodePage, toCodePage, rewritten.GetData(), rewritten.GetSize(), out);
    }
    if (IsIso2022Jp(fromCodePage) || IsIso2022Kr(fromCodePage)) {
        DataBuffer decoded;
        if (IsIso2022Jp(fromCodePage))
            Japanese().Iso2022JpToShiftJis(data, length, decoded);
        else
            Korean().Iso2022KrToEucKr(data, length, decoded);
        if (decoded.GetSize() == 0)
            return true;
        return Convert(IsIso2022Jp(fromCodePage) ? kShiftJis : kKoreanUnified, toCodePage, decoded.GetData(),
            decoded.GetSize(), out);
    }
    return ConvertAfterSourcePasses(fromCodePage, toCodePage, data, length, out);
}

bool EncodingConvert::ConvertAfterSourcePasses(int fromCodePage, int toCodePage, const unsigned char* data,
    unsigned length, DataBuffer& out)
{
    if (IsIso2022Jp(toCodePage) || IsIso2022Kr(toCodePage)) {
        bool japanese = IsIso2022Jp(toCodePage);
        DataBuffer legacy;
        bool ok = ConvertCore(fromCodePage, japanese ? kShiftJis : kKoreanUnified, data, length, legacy);
        if (legacy.GetSize() == 0)
            return ok;
        if (japanese)
            Japanese().ShiftJisToIso2022Jp(legacy.GetData(), legacy.GetSize(), out);
        else
            Korean().EucKrToIso2022Kr(legacy.GetData(), legacy.GetSize(), out);
        return ok;
    }
    switch (toCodePage) {
    case kUtf16BE: {
        DataBuffer littleEndian;
        bool ok = ConvertCore(fromCodePage, kUtf16LE, data, length, littleEndian);
        AppendSwappedPairs(littleEndian.GetData(), littleEndian.GetSize(), out);
        return ok;
    }
    case kUtf7: {
        DataBuffer utf16;
        if (!ConvertCore(fromCodePage, kUtf16LE, data, length, utf16))
            return false;
        return Utf16ToUtf7(utf16, out);
    }
    case kUtf32LE:
    case kUtf32BE: {
        DataBuffer utf8;
        if (!ConvertCore(fromCodePage, kUtf8, data, length, utf8))
            return false;
        return toCodePage == kUtf32LE ? Utf8ToUtf32LE(utf8, out) : Utf8ToUtf32BE(utf8, out);
    }
    default:
        return ConvertCore(fromCodePage, toCodePage, data, length, out);
    }
}

bool EncodingConvert::ConvertFromAnsi(int toCodePage, const unsigned char* data, unsigned length, DataBuffer& out)
{
    return Convert(int(GetACP()), toCodePage, data, length, out);
}

bool EncodingConvert::ConvertToAnsi(int fromCodePage, const unsigned char* data, unsigned length, DataBuffer& out)
{
    return Convert(fromCodePage, int(GetACP()), data, length, out);
}

bool EncodingConvert::ConvertByName(const char* fromCharset, const char* toCharset, const unsigned char* data,
    unsigned length, DataBuffer& out)
{
    int from = CodePageFromCharsetName(fromCharset);
    int to = CodePageFromCharsetName(toCharset);
    if (from == 0 || to == 0)
        return false;
    return Convert(from, to, data, length, out);
}

bool EncodingConvert::ConvertFromNamedCharset(const char* fromCharset, int toCodePage, const unsigned char* data,
    unsigned length, DataBuffer& out)
{
    int from = CodePageFromCharsetName(fromCharset);
    if (from == 0)
        return false;
    return Convert(from, toCodePage, data, length, out);
}

bool EncodingConvert::ConvertToNamedCharset(int fromCodePage, const char* toCharset, const unsigned char* data,
    unsigned length, DataBuffer& out)
{
    int to = CodePageFromCharsetName(toCharset);
    if (to == 0)
        return false;
    return Convert(fromCodePage, to, data, length, out);
}

bool EncodingConvert::ConvertCore(int fromCodePage, int toCodePage, const unsigned char* data, unsigned length,
    DataBuffer& out)
{
    if (!data || length == 0)
        return true;

    bool bigEndianUtf16 = fromCodePage == kUtf16BE;
    if ((fromCodePage == kUtf16LE || fromCodePage == kUtf16BE) && length >= 2) {
        if (data[0] == 0xFE && data[1] == 0xFF) {
            bigEndianUtf16 = true;
            data += 2;
            length -= 2;
        } else if (data[0] == 0xFF && data[1] == 0xFE) {
            bigEndianUtf16 = false;
            data += 2;
            length -= 2;
        }
        if (length == 0)
            return true;
    } else if (fromCodePage == kUtf8 && length >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        length -= 3;
        if (length == 0)
            return true;
    }

    if (fromCodePage == toCodePage) {
        out.Append(data, length);
        return true;
    }

    // Bring the source to UTF-16LE or UTF-8.
    DataBuffer normalised;
    bool useNormalised = true;
    int source = fromCodePage;
    if (fromCodePage == kUtf7) {
        DataBuffer utf7;
        utf7.Borrow(data, length);
        Utf7ToUtf16(utf7, normalised);
        source = kUtf16LE;
    } else if (fromCodePage == kUtf32LE) {
        DataBuffer utf32;
        utf32.Borrow(data, length);
        Utf32LEToUtf8(utf32, normalised);
        source = kUtf8;
    } else if ((fromCodePage == kUtf16LE || fromCodePage == kUtf16BE) && bigEndianUtf16) {
        if (length < 2)
            return true;
        AppendSwappedPairs(data, length, normalised);
        source = kUtf16LE;
    } else if (fromCodePage == kUtf32BE) {
        if (length < 4)
            return true;
        DataBuffer littleEndian;
        littleEndian.EnsureCapacity(length);
        for (unsigned i = 0; i + 4 <= length; i += 4) {
            unsigned char unit[4] = { data[i + 3], data[i + 2], data[i + 1], data[i] };
            littleEndian.Append(unit, 4);
        }
        Utf32LEToUtf8(littleEndian, normalised);
        source = kUtf8;
    } else {
        // UTF-16 declared big-endian but marked little-endian is already in the working order.
        if (fromCodePage == kUtf16BE)
            source = kUtf16LE;
        useNormalised = false;
    }
    if (useNormalised) {
        data = normalised.GetData();
        length = normalised.GetSize();
    }
    if (!data || length == 0)
        return true;

    if (source == kUtf16LE) {
        if (toCodePage == kUtf16LE) {
            out.Append(data, length);
            return true;
        }
        if (toCodePage == kUtf8)
            return Utf16ToUtf8(data, length, out);
        return EncodeTableCodePage(toCodePage, data, length, out);
    }
    if (source == kUtf8) {
        if (toCodePage == kUtf16LE)
            return Utf8ToUtf16(data, length, out);
        if (toCodePage == kUtf8)
            return RecodeUtf8(data, length, out);
        DataBuffer utf16;
        ReserveFor(utf16, (unsigned long long)length * 2 + 4);
        bool first = Utf8ToUtf16(data, length, utf16);
        bool second = EncodeTableCodePage(toCodePage, utf16.GetData(), utf16.GetSize(), out);
        return first && second;
    }
    if (toCodePage == kUtf16LE)
        return DecodeTableCodePage(source, data, length, out);
    DataBuffer utf16;
    ReserveFor(utf16, (unsigned long long)length * 2 + 4);
    bool first = DecodeTableCodePage(source, data, length, utf16);
    bool second = toCodePage == kUtf8 ? Utf16ToUtf8(utf16.GetData(), utf16.GetSize(), out)
                                      : EncodeTableCodePage(toCodePage, utf16.GetData(), utf16.GetSize(), out);
    return first && second;
}

bool EncodingConvert::Utf16ToUtf8(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return true;
    if (length == 1)
        return false;
    ReserveFor(out, length / 2 + 4);
    const EncodingUtf8& codec = EncodingUtf8::Instance();
    ConvertState state;
    for (unsigned i = 0; i + 1 < length; i += 2)
        codec.EncodeUnit(state, std::uint16_t(data[i] | (data[i + 1] << 8)), out);
    codec.Flush(state, out);
    return length % 2 == 0;
}

bool EncodingConvert::Utf8ToUtf16(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return true;
    ReserveFor(out, (unsigned long long)length * 2);
    const EncodingUtf8& codec = EncodingUtf8::Instance();
    ConvertState state;
    unsigned position = 0;
    while (position < length || state.m_value != 0) {
        std::uint16_t unit = 0;
        int used = codec.DecodeChar(state, data + position, int(length - position), unit);
        if (used < 0) {
            ++position; // invalid and cut-off sequences are skipped byte by byte
            continue;
        }
        unsigned char bytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
        out.Append(bytes, 2);
        position += unsigned(used);
    }
    return true;
}

bool EncodingConvert::RecodeUtf8(const unsigned char* data, unsigned length, DataBuffer& out)
{
    DataBuffer utf16;
    Utf8ToUtf16(data, length, utf16);
    Utf16ToUtf8(utf16.GetData(), utf16.GetSize(), out);
    return true;
}

bool EncodingConvert::DecodeTableCodePage(int codePage, const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return true;
    ReserveFor(out, (unsigned long long)length * 2);
    return TableCodePages::Decode(codePage, data, length, out);
}

bool EncodingConvert::EncodeTableCodePage(int codePage, const unsigned char* utf16le, unsigned length,
    DataBuffer& out)
{
    if (!utf16le || length == 0)
        return true;
    if (!TableCodePages::HasTable(codePage))
        return false;
    ReserveFor(out, length / 2 + 4);
    return TableCodePages::Encode(codePage, utf16le, length, out);
}
