#include "components/foundation/TableCodePages.h"

#include "components/foundation/CodePageTables.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/HashConvert.h"
#include "components/foundation/UnicodeLookup.h"

#include <cstdint>
#include <vector>

namespace {

void AppendUnit(std::uint16_t unit, DataBuffer& out)
{
    unsigned char bytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
    out.Append(bytes, 2);
}

bool RewritesArabicDigits(int codePage) { return codePage == 1256 || codePage == 28596; }

// Bytes that form right-to-left runs in Mac Arabic text.
bool IsMacArabicRunByte(unsigned char b)
{
    switch (b) {
    case 0x81:
    case 0x8C:
    case 0x93:
    case 0x98:
    case 0x9B:
    case 0xC0:
        return true;
    default:
        break;
    }
    return (b >= 0xA0 && b <= 0xAB && b != 0xA5) || (b >= 0xAD && b <= 0xBA) || (b >= 0xBC && b <= 0xBE)
        || (b >= 0xDB && b <= 0xDF) || (b >= 0xFB && b <= 0xFD);
}

unsigned char RewriteMacArabicByte(unsigned char b)
{
    if (b >= 0xB0 && b <= 0xB9)
        return (unsigned char)(b - 0x80);
    if ((b >= 0xA0 && b <= 0xAF && b != 0xA5 && b != 0xAC) || b == 0xBA || (b >= 0xBC && b <= 0xBE)
        || (b >= 0xDB && b <= 0xDF) || (b >= 0xFB && b <= 0xFD))
        return (unsigned char)(b - 0x80);
    if (b == 0x81)
        return 0xA0;
    return b;
}

void ReverseRange(unsigned char* data, unsigned begin, unsigned end)
{
    while (end > begin + 1) {
        --end;
        unsigned char swap = data[begin];
        data[begin] = data[end];
        data[end] = swap;
        ++begin;
    }
}

} // namespace

bool TableCodePages::HasTable(int codePage)
{
    return CodePageTables::IsSingleByteTablePage(codePage) || CodePageTables::IsDoubleByteTablePage(codePage);
}

bool TableCodePages::IsDoubleByte(int codePage) { return CodePageTables::IsDoubleByteTablePage(codePage); }

bool TableCodePages::Decode(int codePage, const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return true;
    if (CodePageTables::IsSingleByteTablePage(codePage)) {
        const UnicodeLookup* lookup = CodePageTables::GetUnicodeLookup(codePage);
        return lookup && DecodeSingleByte(*lookup, data, length, out);
    }
    if (CodePageTables::IsDoubleByteTablePage(codePage)) {
        const HashConvert* table = CodePageTables::GetToUnicodeTable(codePage);
        return table && DecodeWithTable(*table, data, length, out);
    }
    return false;
}

bool TableCodePages::Encode(int codePage, const unsigned char* utf16le, unsigned length, DataBuffer& out)
{
    if (!utf16le || length == 0)
        return true;
    if (!HasTable(codePage))
        return false;
    const HashConvert* table = CodePageTables::GetFromUnicodeTable(codePage);
    if (!table)
        return false;
    if (!RewritesArabicDigits(codePage))
        return EncodeWithTable(*table, utf16le, length, out);
    std::vector<unsigned char> copy(utf16le, utf16le + length);
    for (unsigned i = 0; i + 1 < length; i += 2) {
        std::uint16_t unit = std::uint16_t(copy[i] | (copy[i + 1] << 8));
        if (unit >= 0x0660 && unit <= 0x0669)
            unit = std::uint16_t('0' + unit - 0x0660);
        else if (unit >= 0x06F0 && unit <= 0x06F9)
            unit = std::uint16_t('0' + unit - 0x06F0);
        else
            continue;
        copy[i] = (unsigned char)unit;
        copy[i + 1] = 0;
    }
    return EncodeWithTable(*table, copy.data(), length, out);
}

bool TableCodePages::DecodeSingleByte(const UnicodeLookup& lookup, const unsigned char* data, unsigned length,
    DataBuffer& out)
{
    bool ok = true;
    for (unsigned i = 0; i < length; ++i) {
        if (data[i] == 0) {
            AppendUnit(0, out);
            continue;
        }
        std::uint16_t unit = lookup.Get(data[i]);
        if (unit == 0) {
            ok = false;
            continue;
        }
        AppendUnit(unit, out);
    }
    return ok;
}

bool TableCodePages::DecodeWithTable(const HashConvert& table, const unsigned char* data, unsigned length,
    DataBuffer& out)
{
    bool ok = true;
    unsigned char value[HashConvert::kMaxValueLength];
    unsigned position = 0;
    while (position < length) {
        unsigned remaining = length - position;
        if (remaining >= 2) {
            unsigned used = 0;
            if (table.Lookup(data + position, 2, value) == 2)
                used = 2;
            else if (remaining >= 3 && table.Lookup(data + position, 3, value) == 2)
                used = 3;
            else if (remaining >= 4 && table.Lookup(data + position, 4, value) == 2)
                used = 4;
            if (used) {
                AppendUnit(std::uint16_t(value[0] | (value[1] << 8)), out);
                position += used;
                continue;
            }
        }
        unsigned char byte = data[position++];
        if (byte == 0 || (table.IsAsciiCompatible() && byte < 0x80)) {
            AppendUnit(byte, out);
            continue;
        }
        if (table.Lookup(&byte, 1, value) == 2) {
            AppendUnit(std::uint16_t(value[0] | (value[1] << 8)), out);
            continue;
        }
        ok = false;
    }
    return ok;
}

// U+EFFD is an ordinary unit here: nothing in this system writes pass-through markers, so a real
// one in the text is simply unmappable (dropped, reported), never a reason to copy raw bytes.
bool TableCodePages::EncodeWithTable(const HashConvert& table, const unsigned char* utf16le, unsigned length,
    DataBuffer& out)
{
    unsigned units = length / 2;
    if (units == 0)
        return false;
    bool ok = true;
    unsigned char value[HashConvert::kMaxValueLength];
    for (unsigned i = 0; i < units; ++i) {
        const unsigned char* unitBytes = utf16le + 2 * i;
        std::uint16_t unit = std::uint16_t(unitBytes[0] | (unitBytes[1] << 8));
        if (table.IsAsciiCompatible() && unit < 0x80) {
            out.AppendByte((unsigned char)unit);
            continue;
        }
        unsigned valueLength = table.Lookup(unitBytes, 2, value);
        if (valueLength) {
            out.Append(value, valueLength);
            continue;
        }
        if (unit == 0) {
            out.AppendByte(0);
            continue;
        }
        ok = false;
    }
    return ok;
}

void TableCodePages::MacArabicSourcePass(unsigned char* data, unsigned length)
{
    bool runOpen = false;
    unsigned runStart = 0;
    for (unsigned i = 0; i < length; ++i) {
        unsigned char original = data[i];
        bool inRun = IsMacArabicRunByte(original);
        if (!runOpen && inRun) {
            runOpen = true;
            runStart = i;
        } else if (runOpen && !inRun) {
            ReverseRange(data, runStart, i);
            runOpen = false;
        }
        data[i] = RewriteMacArabicByte(original);
    }
    if (runOpen)
        ReverseRange(data, runStart, length);
}
