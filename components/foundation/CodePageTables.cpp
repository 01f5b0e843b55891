#include "components/foundation/CodePageTables.h"

#include "components/foundation/Base64.h"
#include "components/foundation/CodePageTableTexts.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/HashConvert.h"
#include "components/foundation/TorvaneBzip2.h"
#include "components/foundation/UnicodeLookup.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace CodePageTables {
namespace {

constexpr unsigned kSingleByteFromUnicodeBuckets = 269;
constexpr unsigned kSingleByteToUnicodeBuckets = 283;
constexpr int kMacJapanese = 10001;

struct BucketCounts {
    int codePage;
    unsigned fromUnicode;
    unsigned toUnicode;
};

const BucketCounts kDoubleByteBuckets[] = {
    { 932, 7669, 4919 },
    { 936, 7649, 7649 },
    { 949, 7669, 7669 },
    { 950, 7649, 7649 },
    { 51932, 4919, 4919 },
    { 51936, 7649, 7649 },
    { 51949, 7669, 7669 },
    { 1361, 7669, 7669 },
    { 10001, 4919, 4919 },
};

BucketCounts BucketsOf(int codePage)
{
    for (const BucketCounts& counts : kDoubleByteBuckets) {
        if (counts.codePage == codePage)
            return counts;
    }
    return { codePage, 7669, 7669 };
}

struct PageTables {
    std::once_flag fromUnicodeOnce;
    std::once_flag toUnicodeOnce;
    std::unique_ptr<HashConvert> fromUnicode;
    std::unique_ptr<HashConvert> toUnicode; // double-byte pages
    std::unique_ptr<UnicodeLookup> lookup; // single-byte pages
};

struct Registry {
    const StoredCodePageText* pages = nullptr;
    std::size_t count = 0;
    std::unique_ptr<PageTables[]> tables;

    Registry()
    {
        pages = StoredCodePageTexts(&count);
        tables = std::make_unique<PageTables[]>(count);
    }
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

// Index of the page in the registry, or -1.
long IndexOf(int codePage)
{
    if (codePage == 52936)
        codePage = 936;
    Registry& registry = TheRegistry();
    for (std::size_t i = 0; i < registry.count; ++i) {
        if (registry.pages[i].codePage == codePage)
            return long(i);
    }
    return -1;
}

std::string Assemble(const char* const* pieces)
{
    std::string text;
    for (; pieces && *pieces; ++pieces)
        text += *pieces;
    return text;
}

std::uint16_t ReadUnit(const unsigned char* bytes) { return std::uint16_t(bytes[0] | (bytes[1] << 8)); }

void AddMapping(HashConvert& table, bool fromUnicode, const unsigned char* code, unsigned codeLength,
    std::uint16_t unit)
{
    unsigned char unitBytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
    if (fromUnicode)
        table.Add(unitBytes, 2, code, codeLength);
    else
        table.Add(code, codeLength, unitBytes, 2);
}

void RemoveUnit(HashConvert& table, std::uint16_t unit)
{
    unsigned char unitBytes[2] = { (unsigned char)(unit & 0xFF), (unsigned char)(unit >> 8) };
    table.Remove(unitBytes, 2);
}

void LoadFullBody(const unsigned char* body, std::size_t size, HashConvert& table, bool fromUnicode)
{
    std::size_t at = 0;
    unsigned char byte = 0;
    std::uint16_t unit = 0;
    for (;;) {
        if (at >= size)
            return;
        if (body[at] == 0) {
            ++at;
            break;
        }
        if (at + 3 > size)
            return;
        byte = (unsigned char)(byte + body[at]);
        unit = std::uint16_t(unit + ReadUnit(body + at + 1));
        AddMapping(table, fromUnicode, &byte, 1, unit);
        at += 3;
    }
    std::uint16_t code = 0;
    unit = 0;
    while (at + 2 <= size) {
        std::uint16_t codeDelta = ReadUnit(body + at);
        if (codeDelta == 0)
            return;
        if (at + 4 > size)
            return;
        code = std::uint16_t(code + codeDelta);
        unit = std::uint16_t(unit + ReadUnit(body + at + 2));
        unsigned char codeBytes[2] = { (unsigned char)(code >> 8), (unsigned char)(code & 0xFF) };
        AddMapping(table, fromUnicode, codeBytes, 2, unit);
        at += 4;
    }
}

void ApplyDifferenceBody(const unsigned char* body, std::size_t size, HashConvert& table)
{
    std::size_t at = 0;
    for (;;) {
        if (at + 2 > size)
            return;
        std::uint16_t unit = ReadUnit(body + at);
        at += 2;
        if (unit == 0)
            break;
        RemoveUnit(table, unit);
    }
    for (;;) {
        if (at >= size)
            return;
        unsigned char byte = body[at];
        if (byte == 0) {
            ++at;
            break;
        }
        if (at + 3 > size)
            return;
        std::uint16_t unit = ReadUnit(body + at + 1);
        RemoveUnit(table, unit);
        AddMapping(table, true, &byte, 1, unit);
        at += 3;
    }
    while (at + 2 <= size) {
        if (body[at] == 0 && body[at + 1] == 0)
            return;
        if (at + 4 > size)
            return;
        std::uint16_t unit = ReadUnit(body + at + 2);
        RemoveUnit(table, unit);
        AddMapping(table, true, body + at, 2, unit);
        at += 4;
    }
}

void LoadPieces(const char* const* pieces, HashConvert& table, bool fromUnicode)
{
    std::string text = Assemble(pieces);
    LoadTable(text.c_str(), table, fromUnicode);
}

void CreateFromUnicode(long index, PageTables& tables)
{
    const StoredCodePageText& page = TheRegistry().pages[index];
    auto table = std::make_unique<HashConvert>();
    if (!page.doubleByte) {
        table->Init(kSingleByteFromUnicodeBuckets);
        LoadPieces(page.pieces, *table, true);
    } else {
        table->Init(BucketsOf(page.codePage).fromUnicode);
        LoadPieces(page.pieces, *table, true);
        if (page.codePage == kMacJapanese)
            LoadPieces(StoredMacJapaneseDifferencePieces(), *table, true);
    }
    tables.fromUnicode = std::move(table);
}

void CreateToUnicode(long index, PageTables& tables)
{
    const StoredCodePageText& page = TheRegistry().pages[index];
    if (!page.doubleByte) {
        HashConvert temporary;
        temporary.Init(kSingleByteToUnicodeBuckets);
        LoadPieces(page.pieces, temporary, false);
        auto lookup = std::make_unique<UnicodeLookup>();
        lookup->BuildFrom(temporary);
        tables.lookup = std::move(lookup);
        return;
    }
    auto table = std::make_unique<HashConvert>();
    table->Init(BucketsOf(page.codePage).toUnicode);
    if (page.codePage == kMacJapanese) {
        // Mac Japanese decodes by the inverse of its from-Unicode table, difference included.
        const HashConvert* source = GetFromUnicodeTable(kMacJapanese);
        source->AddInverseTo(*table);
        table->SetAsciiCompatible(source->IsAsciiCompatible());
    } else {
        LoadPieces(page.pieces, *table, false);
    }
    tables.toUnicode = std::move(table);
}

} // namespace

bool IsSingleByteTablePage(int codePage)
{
    long index = IndexOf(codePage);
    return codePage != 52936 && index >= 0 && !TheRegistry().pages[index].doubleByte;
}

bool IsDoubleByteTablePage(int codePage)
{
    long index = IndexOf(codePage);
    return codePage != 52936 && index >= 0 && TheRegistry().pages[index].doubleByte;
}

std::vector<int> TablePageNumbers()
{
    Registry& registry = TheRegistry();
    std::vector<int> numbers;
    for (std::size_t i = 0; i < registry.count; ++i)
        numbers.push_back(registry.pages[i].codePage);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

const HashConvert* GetFromUnicodeTable(int codePage)
{
    long index = IndexOf(codePage);
    if (index < 0)
        return nullptr;
    PageTables& tables = TheRegistry().tables[index];
    std::call_once(tables.fromUnicodeOnce, [&] { CreateFromUnicode(index, tables); });
    return tables.fromUnicode.get();
}

const HashConvert* GetToUnicodeTable(int codePage)
{
    long index = IndexOf(codePage);
    if (index < 0 || !TheRegistry().pages[index].doubleByte)
        return nullptr;
    PageTables& tables = TheRegistry().tables[index];
    std::call_once(tables.toUnicodeOnce, [&] { CreateToUnicode(index, tables); });
    return tables.toUnicode.get();
}

const UnicodeLookup* GetUnicodeLookup(int codePage)
{
    long index = IndexOf(codePage);
    if (index < 0 || TheRegistry().pages[index].doubleByte)
        return nullptr;
    PageTables& tables = TheRegistry().tables[index];
    std::call_once(tables.toUnicodeOnce, [&] { CreateToUnicode(index, tables); });
    return tables.lookup.get();
}

std::string StoredText(int codePage)
{
    long index = IndexOf(codePage);
    if (index < 0 || codePage == 52936)
        return std::string();
    return Assemble(TheRegistry().pages[index].pieces);
}

std::string StoredMacJapaneseDifferenceText() { return Assemble(StoredMacJapaneseDifferencePieces()); }

bool DecodeStoredText(const char* text, DataBuffer& tableBytes)
{
    tableBytes.Empty();
    if (!text || !*text)
        return false;
    unsigned count = 0;
    unsigned char* decoded = Base64Decode(text + 1, unsigned(std::strlen(text + 1)), &count);
    if (!decoded)
        return false;
    if (text[0] == 'x') {
        tableBytes.TakeMemory(decoded, count);
        return true;
    }
    DataBuffer block;
    block.TakeMemory(decoded, count);
    TorvaneBzip2 bzip2;
    return bzip2.Decompress(block, tableBytes);
}

void LoadTable(const char* text, HashConvert& table, bool fromUnicode)
{
    DataBuffer bytes;
    if (!DecodeStoredText(text, bytes) || bytes.GetSize() == 0)
        return;
    const unsigned char* data = bytes.GetData();
    table.SetAsciiCompatible(data[0] == 'a');
    if (bytes.GetSize() < 2)
        return;
    bool difference = data[1] == 'd';
    if (difference) {
        if (fromUnicode)
            ApplyDifferenceBody(data + 2, bytes.GetSize() - 2, table);
        return;
    }
    LoadFullBody(data + 2, bytes.GetSize() - 2, table, fromUnicode);
}

} // namespace CodePageTables
