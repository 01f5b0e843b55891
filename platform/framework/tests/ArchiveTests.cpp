#include "platform/framework/Collections.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

std::vector<BYTE> Bytes(CMemFile& file)
{
    std::vector<BYTE> out(std::size_t(file.GetLength()));
    file.SeekToBegin();
    file.Read(out.data(), UINT(out.size()));
    file.SeekToBegin();
    return out;
}

int ArchiveCause(auto&& action)
{
    try {
        action();
    } catch (CArchiveException* e) {
        int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return CArchiveException::none;
}

}

namespace archive_tests {

class CNode : public CObject {
    DECLARE_SERIAL(CNode)
public:
    LONG value = 0;
    CNode* next = nullptr;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << value;
            ar.WriteObject(next);
        } else {
            ar >> value;
            next = static_cast<CNode*>(ar.ReadObject(RUNTIME_CLASS(CNode)));
        }
    }
};
IMPLEMENT_SERIAL(CNode, CObject, VERSIONABLE_SCHEMA | 23)

class COther : public CObject {
    DECLARE_SERIAL(COther)
};
IMPLEMENT_SERIAL(COther, CObject, 1)

}

using archive_tests::CNode;
using archive_tests::COther;

TEST(CArchive, StringFormBytes)
{
    struct Case {
        int length;
        std::vector<BYTE> header;
    };
    const Case cases[] = {
        { 0, { 0xFF, 0xFE, 0xFF, 0x00 } },
        { 254, { 0xFF, 0xFE, 0xFF, 0xFE } },
        { 255, { 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00 } },
        { 300, { 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01 } },
        { 0xFFFD, { 0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF } },
        { 0xFFFE, { 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00 } },
    };
    for (const Case& c : cases) {
        CString text(u'\u00E9', c.length);
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << text;
        }
        std::vector<BYTE> bytes = Bytes(file);
        ASSERT_EQ(bytes.size(), c.header.size() + 2 * std::size_t(c.length)) << c.length;
        EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + std::ptrdiff_t(c.header.size())), c.header) << c.length;
        if (c.length > 0) {
            EXPECT_EQ(bytes[c.header.size()], 0xE9);
            EXPECT_EQ(bytes[c.header.size() + 1], 0x00);
        }
        CArchive in(&file, CArchive::load);
        CString back;
        in >> back;
        EXPECT_EQ(back, text) << c.length;
    }
}

TEST(CArchive, EightBitStringsLoadAsAnsi)
{
    const BYTE stored[] = { 0x03, 'a', 0xC3, 0xA9, 0xFF, 0x04, 0x00, 'w', 'x', 'y', 'z' };
    CMemFile file(const_cast<BYTE*>(stored), sizeof stored);
    CArchive ar(&file, CArchive::load);
    CString first, second;
    ar >> first >> second;
    EXPECT_EQ(first, u"a\u00E9");
    EXPECT_EQ(second, u"wxyz");
}

TEST(CArchive, NumbersAndCountForm)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << BYTE(1) << WORD(0x0203) << DWORD(0x04050607) << LONG(-2) << 1.5f << 0.25;
        ar.WriteCount(0xFFFE);
        ar.WriteCount(70000);
    }
    const std::vector<BYTE> expected = { 0x01, 0x03, 0x02, 0x07, 0x06, 0x05, 0x04, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
        0xC0, 0x3F, 0, 0, 0, 0, 0, 0, 0xD0, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00 };
    EXPECT_EQ(Bytes(file), expected);

    CArchive ar(&file, CArchive::load);
    BYTE b;
    WORD w;
    DWORD d;
    LONG l;
    float f;
    double x;
    ar >> b >> w >> d >> l >> f >> x;
    EXPECT_EQ(l, -2);
    EXPECT_EQ(x, 0.25);
    EXPECT_EQ(ar.ReadCount(), 0xFFFEu);
    EXPECT_EQ(ar.ReadCount(), 70000u);
    EXPECT_EQ(ArchiveCause([&] { ar >> b; }), CArchiveException::endOfFile);
}

TEST(CArchive, TruncatedDataThrowsEndOfFile)
{
    const std::vector<std::vector<BYTE>> truncated = {
        { 0x01, 0x02, 0x03 }, // a DWORD cut short
        { 0xFF, 0xFE, 0xFF, 0x05, 'a', 0 }, // five characters announced, one present
        { 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F }, // a huge length
        { 0xFF, 0xFF }, // count form missing its 32 bits
    };
    for (std::size_t i = 0; i < truncated.size(); ++i) {
        std::vector<BYTE> data = truncated[i];
        CMemFile file(data.data(), UINT(data.size()));
        CArchive ar(&file, CArchive::load);
        int cause = ArchiveCause([&] {
            if (i == 0) {
                DWORD d;
                ar >> d;
            } else if (i == 3) {
                ar.ReadCount();
            } else {
                CString s;
                ar >> s;
            }
        });
        EXPECT_EQ(cause, CArchiveException::endOfFile) << i;
    }
}

TEST(CArchive, ClassAndObjectReferences)
{
    CNode a, b;
    a.value = 7;
    b.value = 8;
    a.next = &b;
    b.next = &a; // a cycle resolves through the object map
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&a);
        ar.WriteClass(RUNTIME_CLASS(CNode));
    }
    const std::vector<BYTE> expected = {
        0xFF, 0xFF, 23, 0, 5, 0, 'C', 'N', 'o', 'd', 'e', // new class, index 1; versionable bit not stored
        7, 0, 0, 0, // a (index 2)
        0x01, 0x80, // b: class 1 again
        8, 0, 0, 0, // b (index 3)
        0x02, 0x00, // b.next: object 2
        0x01, 0x80, // the class alone
    };
    EXPECT_EQ(Bytes(file), expected);

    CArchive ar(&file, CArchive::load);
    CNode* loaded = nullptr;
    ar >> loaded;
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ar.GetObjectSchema(), UINT(-1));
    EXPECT_EQ(loaded->value, 7);
    ASSERT_NE(loaded->next, nullptr);
    EXPECT_EQ(loaded->next->value, 8);
    EXPECT_EQ(loaded->next->next, loaded);
    UINT schema = 0;
    EXPECT_EQ(ar.ReadClass(RUNTIME_CLASS(CObject), &schema), RUNTIME_CLASS(CNode));
    EXPECT_EQ(schema, 23u);
    delete loaded->next;
    delete loaded;
}

TEST(CArchive, WrongClassesAndIndexesAreRefused)
{
    auto load = [](std::vector<BYTE> data, const CRuntimeClass* requested) {
        CMemFile file(data.data(), UINT(data.size()));
        CArchive ar(&file, CArchive::load);
        return ArchiveCause([&] { delete ar.ReadObject(requested); });
    };
    EXPECT_EQ(load({ 0xFF, 0xFF, 1, 0, 6, 0, 'C', 'O', 't', 'h', 'e', 'r' }, RUNTIME_CLASS(CNode)), CArchiveException::badClass);
    EXPECT_EQ(load({ 0xFF, 0xFF, 2, 0, 6, 0, 'C', 'O', 't', 'h', 'e', 'r' }, nullptr), CArchiveException::badSchema);
    EXPECT_EQ(load({ 0xFF, 0xFF, 1, 0, 4, 0, 'N', 'o', 'n', 'e' }, nullptr), CArchiveException::badClass);
    EXPECT_EQ(load({ 0x05, 0x00 }, nullptr), CArchiveException::badIndex);
    EXPECT_EQ(load({ 0x01, 0x80 }, nullptr), CArchiveException::badIndex);
    EXPECT_EQ(load({ 0x00, 0x00 }, nullptr), CArchiveException::none); // the null reference
}

TEST(CArchive, CollectionsRoundTripInCountForm)
{
    CMapStringToString map;
    for (const char16_t* key : { u"one", u"two", u"three", u"four" })
        map.SetAt(key, CString(key).MakeUpper());
    CDWordArray numbers;
    numbers.Add(5);
    numbers.Add(0x10000);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        numbers.Serialize(ar);
        map.Serialize(ar);
    }
    std::vector<BYTE> bytes = Bytes(file);
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 10), (std::vector<BYTE> { 2, 0, 5, 0, 0, 0, 0, 0, 1, 0 }));
    EXPECT_EQ(bytes[10], 4);
    EXPECT_EQ(bytes[11], 0);

    CArchive ar(&file, CArchive::load);
    CDWordArray numbersBack;
    CMapStringToString mapBack;
    numbersBack.Serialize(ar);
    mapBack.Serialize(ar);
    ASSERT_EQ(numbersBack.GetSize(), 2);
    EXPECT_EQ(numbersBack[1], 0x10000u);
    EXPECT_EQ(mapBack.GetCount(), 4);
    CString value;
    EXPECT_TRUE(mapBack.Lookup(u"three", value));
    EXPECT_EQ(value, u"THREE");
}

TEST(CFile, RealFileRoundTripAndOpenErrors)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("framework-file-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    CString path((folder / "data.bin").u16string());
    {
        CFile file(path, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(u"saved") << DWORD(42);
    }
    {
        CFile file(path, CFile::modeRead);
        EXPECT_EQ(file.GetLength(), 3u + 1u + 10u + 4u);
        CArchive ar(&file, CArchive::load);
        CString text;
        DWORD number;
        ar >> text >> number;
        EXPECT_EQ(text, u"saved");
        EXPECT_EQ(number, 42u);
        EXPECT_EQ(ArchiveCause([&] { ar >> number; }), CArchiveException::endOfFile);
    }
    CFile missing;
    CFileException error;
    EXPECT_FALSE(missing.Open(CString((folder / "absent").u16string()), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    int cause = CFileException::none;
    try {
        CFile thrown(CString((folder / "absent").u16string()), CFile::modeRead);
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CFileException::fileNotFound);
    std::filesystem::remove_all(folder);
}

TEST(CMemFile, GrowsInStepsAndGuardsFixedBlocks)
{
    CMemFile grow;
    BYTE chunk[700] = {};
    grow.Write(chunk, sizeof chunk);
    grow.Write(chunk, sizeof chunk);
    EXPECT_EQ(grow.GetLength(), 1400u);
    grow.Seek(1500, CFile::begin);
    grow.Write("x", 1); // the gap reads as zeros
    EXPECT_EQ(grow.GetLength(), 1501u);
    BYTE* block = grow.Detach();
    EXPECT_EQ(block[1450], 0);
    EXPECT_EQ(block[1500], 'x');
    std::free(block);

    BYTE fixed[4] = { 1, 2, 3, 4 };
    CMemFile view(fixed, sizeof fixed);
    BYTE out[8] = {};
    EXPECT_EQ(view.Read(out, sizeof out), 4u);
    EXPECT_EQ(out[3], 4);
    bool threw = false;
    try {
        view.Write("more", 4);
    } catch (CMemoryException* e) {
        threw = true;
        e->Delete();
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(fixed[0], 1);
}

TEST(CArchive, PeekLeavesBytesForTheNextRead)
{
    BYTE data[] = { 0xBF, 0xAD, 0xF0, 0x0F, 0x17, 0x00, 0x00, 0x00 };
    CMemFile file(data, sizeof data);
    CArchive ar(&file, CArchive::load);
    DWORD marker = 0;
    EXPECT_EQ(ar.Peek(&marker, 4), 4u);
    EXPECT_EQ(marker, 0x0FF0ADBFu);
    WORD low;
    ar >> low; // partly from the peeked bytes
    EXPECT_EQ(low, 0xADBF);
    BYTE rest[8] = {};
    EXPECT_EQ(ar.Peek(rest, 8), 6u); // fewer remain than asked
    EXPECT_EQ(rest[2], 0x17);
    EXPECT_EQ(ar.Read(rest, 8), 6u);
    EXPECT_EQ(ar.Peek(rest, 1), 0u);

    // A stream that was empty from the start: nothing peeked, nothing copied (the sanitizer build
    // checks that no null pointer reaches memcpy).
    CMemFile empty;
    CArchive none(&empty, CArchive::load);
    EXPECT_EQ(none.Peek(rest, 4), 0u);
    EXPECT_EQ(none.Peek(nullptr, 0), 0u);
    EXPECT_EQ(none.Read(rest, 4), 0u);
}
