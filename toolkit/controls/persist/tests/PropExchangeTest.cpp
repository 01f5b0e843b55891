#include "toolkit/controls/persist/PropExchange.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"

#include "platform/framework/File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <malloc.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// Serialisable classes of the tests (outside the unnamed namespace: the class macros define
// functions that must be visible).
class Shape : public CObject {
    DECLARE_SERIAL(Shape)
public:
    LONG sides = 0;
    void Serialize(CArchive& archive) override
    {
        if (archive.IsStoring())
            archive << sides;
        else
            archive >> sides;
    }
};
IMPLEMENT_SERIAL(Shape, CObject, 23)

class Square : public Shape {
    DECLARE_SERIAL(Square)
};
IMPLEMENT_SERIAL(Square, Shape, 23)

class Unrelated : public CObject {
    DECLARE_SERIAL(Unrelated)
};
IMPLEMENT_SERIAL(Unrelated, CObject, 1)

namespace {

// A keyed store standing in for a registry or INI section: values as text, children by name.
class MapExchange : public CJQWPropExchange {
public:
    using Store = std::map<std::u16string, std::u16string>;

    MapExchange(bool loading, Store& store, std::u16string prefix = u"") : m_store(store), m_prefix(std::move(prefix))
    {
        m_bLoading = loading;
    }

    BOOL ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue) override
    {
        const std::u16string key = m_prefix + name;
        if (IsStoring()) {
            if (CanSkipAsDefault(type, value, defaultValue)) {
                m_store.erase(key);
                return TRUE;
            }
            if (type == jqwExchangeString)
                m_store[key] = static_cast<CString*>(value)->GetString();
            else if (type == jqwExchangeLong || type == jqwExchangeBool)
                m_store[key] = Number(*static_cast<LONG*>(value));
            else
                return FALSE;
            return TRUE;
        }
        auto found = m_store.find(key);
        if (found == m_store.end())
            return ApplyDefault(type, value, defaultValue);
        if (type == jqwExchangeString)
            *static_cast<CString*>(value) = found->second.c_str();
        else
            *static_cast<LONG*>(value) = LONG(std::stol(std::string(found->second.begin(), found->second.end())));
        return TRUE;
    }

    CJQWPropExchange* OpenChildSection(const WCHAR* name) override
    {
        auto* child = new MapExchange(IsLoading(), m_store, m_prefix + name + u"\\");
        child->InheritSettings(this);
        return child;
    }

private:
    static std::u16string Number(LONG v)
    {
        const std::string text = std::to_string(v);
        return std::u16string(text.begin(), text.end());
    }
    Store& m_store;
    std::u16string m_prefix;
};

std::vector<BYTE> Bytes(CMemFile& file)
{
    std::vector<BYTE> bytes(std::size_t(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), UINT(bytes.size()));
    file.SeekToBegin();
    return bytes;
}

} // namespace

TEST(PropExchange, DefaultsAreLeftOutOnSaveAndRestoredOnLoad)
{
    MapExchange::Store store { { u"Old", u"5" } };
    {
        MapExchange save(false, store);
        LONG equal = 7, other = 9;
        EXPECT_TRUE(ExchangeLong(&save, u"Old", equal, 7)); // removes the stored 5
        EXPECT_TRUE(ExchangeLong(&save, u"Other", other, 7));
    }
    EXPECT_EQ(store, (MapExchange::Store { { u"Other", u"9" } }));
    MapExchange load(true, store);
    LONG value = 0;
    EXPECT_TRUE(ExchangeLong(&load, u"Old", value, 7));
    EXPECT_EQ(value, 7);
    value = 1;
    EXPECT_FALSE(ExchangeLongNoDefault(&load, u"Missing", value));
    EXPECT_EQ(value, 1);
    // Both default flags cleared: everything written, a missing value left alone.
    MapExchange all(false, store);
    all.m_bOmitDefaultOnSave = FALSE;
    LONG seven = 7;
    ExchangeLong(&all, u"Old", seven, 7);
    EXPECT_EQ(store[u"Old"], u"7");
    load.m_bUseDefaultOnLoad = FALSE;
    value = 3;
    EXPECT_FALSE(ExchangeLong(&load, u"Missing", value, 7));
    EXPECT_EQ(value, 3);
    // The schema equal to 23 is not stored; a missing one loads as 23.
    store.clear();
    MapExchange schemaSave(false, store);
    schemaSave.ExchangeSchema();
    EXPECT_TRUE(store.empty());
    MapExchange schemaLoad(true, store);
    schemaLoad.SetSchema(5);
    schemaLoad.ExchangeSchema();
    EXPECT_EQ(schemaLoad.GetSchema(), 23u);
}

TEST(PropExchange, SameValueAndCopyRules)
{
    COleDateTime nullA, nullB, invalidA, invalidB;
    nullA.SetStatus(COleDateTime::null);
    nullB.SetStatus(COleDateTime::null);
    invalidA.SetStatus(COleDateTime::invalid);
    invalidB.SetStatus(COleDateTime::invalid);
    EXPECT_TRUE(CJQWPropExchange::IsSameValue(jqwExchangeDate, &nullA, &nullB));
    EXPECT_FALSE(CJQWPropExchange::IsSameValue(jqwExchangeDate, &invalidA, &invalidB));
    CString text(u"Abc");
    EXPECT_TRUE(CJQWPropExchange::IsSameValue(jqwExchangeString, &text, u"Abc"));
    EXPECT_FALSE(CJQWPropExchange::IsSameValue(jqwExchangeString, &text, u"abc"));
    RECT a { 1, 2, 3, 4 }, b { 1, 2, 3, 4 };
    EXPECT_TRUE(CJQWPropExchange::IsSameValue(jqwExchangeRect, &a, &b));
    EXPECT_FALSE(CJQWPropExchange::IsSameValue(jqwExchangeLong, &a, nullptr));
    EXPECT_FALSE(CJQWPropExchange::IsSameValue(999, &a, &b));
    BSTR handle = nullptr;
    EXPECT_TRUE(CJQWPropExchange::CopyValue(jqwExchangeBstr, &handle, u"copy"));
    EXPECT_EQ(std::u16string(handle), u"copy");
    EXPECT_EQ(SysStringLen(handle), 4u);
    EXPECT_TRUE(CJQWPropExchange::IsSameValue(jqwExchangeBstr, &handle, u"copy"));
    SysFreeString(handle);
    EXPECT_FALSE(CJQWPropExchange::CopyValue(jqwExchangeLong, &a, nullptr));
    EXPECT_EQ(GetExchangeValueSize(jqwExchangeDate), 12);
    EXPECT_EQ(GetExchangeValueSize(77), 0);
}

TEST(PropExchange, BinaryAsLettersClassesObjectsAndSections)
{
    MapExchange::Store store;
    {
        MapExchange save(false, store);
        BYTE block[2] = { 0x1F, 0xFF };
        BYTE* data = block;
        DWORD size = 2;
        EXPECT_TRUE(save.ExchangeBinary(u"Block", &data, &size));
        CObject* square = new Square;
        EXPECT_TRUE(save.ExchangeObject(&square, RUNTIME_CLASS(Shape)));
        delete square;
        CJQWPropExchangeEnumerator* sections = save.CreateEnumerator(u"Control");
        DWORD position = sections->Start(3);
        std::vector<std::u16string> opened;
        while (position) {
            CJQWPropExchange* section = sections->NextSection(position);
            LONG id = LONG(opened.size()) + 10;
            ExchangeLong(section, u"Id", id, 0);
            opened.push_back(u"x");
            section->InternalRelease();
        }
        delete sections;
        EXPECT_EQ(opened.size(), 3u);
    }
    EXPECT_EQ(store[u"Block"], u"PBPP");
    EXPECT_EQ(store[u"Class"], u"Square");
    EXPECT_EQ(store[u"Count"], u"3");
    EXPECT_EQ(store[u"Control2\\Id"], u"12");

    MapExchange load(true, store);
    BYTE* block = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(load.ExchangeBinary(u"Block", &block, &size));
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(block[0], 0x1F);
    EXPECT_EQ(block[1], 0xFF);
    std::free(block);
    BYTE small[1];
    BYTE* into = small;
    DWORD capacity = 1;
    EXPECT_FALSE(load.ExchangeBinary(u"Block", &into, &capacity));
    store[u"Odd"] = u"PPP";
    EXPECT_FALSE(load.ExchangeBinary(u"Odd", &into, &capacity));

    CObject* object = nullptr;
    EXPECT_TRUE(load.ExchangeObject(&object, RUNTIME_CLASS(Shape)));
    EXPECT_TRUE(object && object->IsKindOf(RUNTIME_CLASS(Square)));
    delete object;
    store[u"Class"] = u"Unrelated";
    EXPECT_FALSE(load.ExchangeObject(&object, RUNTIME_CLASS(Shape)));
    EXPECT_EQ(object, nullptr);
    store[u"Class"] = u"NoSuchClass";
    EXPECT_FALSE(load.ExchangeObject(&object, RUNTIME_CLASS(Shape)));
    store.erase(u"Class");
    EXPECT_TRUE(load.ExchangeObject(&object, RUNTIME_CLASS(Shape)));
    EXPECT_TRUE(object && object->GetRuntimeClass() == RUNTIME_CLASS(Shape));
    delete object;

    MapExchange::Store nothing;
    MapExchange empty(true, nothing);
    CJQWPropExchangeEnumerator none(&empty, u"Control");
    EXPECT_EQ(none.Start(0), 0u);
}

TEST(PropExchange, NestedArchiveThroughAKeyedStore)
{
    MapExchange::Store store;
    Shape saved;
    saved.sides = 6;
    {
        MapExchange save(false, store);
        EXPECT_TRUE(ExchangeSerializedObject(&save, u"Nested", &saved));
    }
    EXPECT_EQ(store[u"Nested"], u"GAAAAAAA"); // the four bytes of 6, as letters
    Shape loaded;
    MapExchange load(true, store);
    EXPECT_TRUE(ExchangeSerializedObject(&load, u"Nested", &loaded));
    EXPECT_EQ(loaded.sides, 6);
    store[u"Nested"] = u"GA"; // one byte: the read runs out
    EXPECT_FALSE(ExchangeSerializedObject(&load, u"Nested", &loaded));
    EXPECT_FALSE(ExchangeSerializedObject(&load, u"Missing", &loaded));
}

TEST(PropExchangeArchive, StreamBytesAreExact)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CJQWPropExchangeArchive save(archive);
        save.ExchangeSchema();
        CString text(std::u16string(300, u'x').c_str());
        ExchangeString(&save, u"Ignored", text, u"");
        save.StoreCount(70000);
        LONG number = 23; // equal to its default, written all the same
        ExchangeLong(&save, u"N", number, 23);
        RECT rect { 1, 2, 3, 4 };
        ExchangeRect(&save, u"R", rect, rect);
        const CRuntimeClass* shape = RUNTIME_CLASS(Shape);
        ExchangeClassValue(&save, u"C", &shape, nullptr);
    }
    const std::vector<BYTE> bytes = Bytes(file);
    std::vector<BYTE> expected = { 0xBF, 0xAD, 0xF0, 0x0F, 23, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01 };
    for (int i = 0; i < 300; ++i) {
        expected.push_back('x');
        expected.push_back(0);
    }
    for (BYTE b : { 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00, 23, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0 })
        expected.push_back(b);
    // A new class: FFFF, its schema, the name's length and the name.
    for (BYTE b : std::initializer_list<BYTE> { 0xFF, 0xFF, 23, 0, 5, 0, 0x53, 0x68, 0x61, 0x70, 0x65 })
        expected.push_back(b);
    EXPECT_EQ(bytes, expected);

    CArchive archive(&file, CArchive::load);
    CJQWPropExchangeArchive load(archive);
    load.SetSchema(1);
    load.ExchangeSchema();
    EXPECT_EQ(load.GetSchema(), 23u);
    CString text;
    ExchangeString(&load, u"Ignored", text, u"");
    EXPECT_EQ(text.GetLength(), 300);
    EXPECT_EQ(load.LoadCount(), 70000u);
}

TEST(PropExchangeArchive, StreamWithoutMarkerIsSchema17AndObjectsResolve)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        archive << LONG(42);
    }
    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        CJQWPropExchangeArchive load(archive);
        load.ExchangeSchema();
        EXPECT_EQ(load.GetSchema(), 17u);
        LONG first = 0;
        ExchangeLong(&load, u"First", first, 0);
        EXPECT_EQ(first, 42); // nothing was consumed by the schema
    }

    // An object exchanged through the stream is mapped, so a later reference to it resolves.
    CMemFile objects;
    Square* square = new Square;
    square->sides = 4;
    {
        CArchive archive(&objects, CArchive::store);
        CJQWPropExchangeArchive save(archive);
        CObject* object = square;
        save.ExchangeObject(&object, RUNTIME_CLASS(Shape));
        archive << static_cast<const CObject*>(square);
    }
    delete square;
    objects.SeekToBegin();
    CArchive archive(&objects, CArchive::load);
    CJQWPropExchangeArchive load(archive);
    CObject* object = nullptr;
    ASSERT_TRUE(load.ExchangeObject(&object, RUNTIME_CLASS(Shape)));
    EXPECT_EQ(load.GetSchema(), 23u);
    CObject* again = nullptr;
    archive >> again;
    EXPECT_EQ(again, object);
    delete object;
}

TEST(PropExchangeArchive, BinaryBlocksAreAsLargeAsTheBytesTheStreamCarries)
{
    // A block spanning several read steps comes back whole.
    std::vector<BYTE> large(200001);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = BYTE(i * 7 + i / 251);
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CJQWPropExchangeArchive save(archive);
        BYTE* data = large.data();
        DWORD size = DWORD(large.size());
        ASSERT_TRUE(save.ExchangeBinary(u"Block", &data, &size));
    }
    {
        file.SeekToBegin();
        CArchive archive(&file, CArchive::load);
        CJQWPropExchangeArchive load(archive);
        BYTE* block = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(load.ExchangeBinary(u"Block", &block, &size));
        ASSERT_EQ(size, large.size());
        EXPECT_EQ(std::vector<BYTE>(block, block + size), large);
        std::free(block);
    }

    // A count of nearly 4 GiB with ten bytes behind it: refused, and no block of that size was
    // ever taken (it would still be held here, handed back through `block`).
    CMemFile bomb;
    {
        CArchive archive(&bomb, CArchive::store);
        archive.WriteCount(0xFFFFFFF0u);
        const BYTE tail[10] = {};
        archive.Write(tail, sizeof(tail));
    }
    bomb.SeekToBegin();
    CArchive archive(&bomb, CArchive::load);
    CJQWPropExchangeArchive load(archive);
    BYTE* block = nullptr;
    DWORD size = 0;
    const auto mappedBefore = mallinfo2().hblkhd;
    EXPECT_FALSE(load.ExchangeBinary(u"Block", &block, &size));
    EXPECT_EQ(block, nullptr);
    EXPECT_LT(mallinfo2().hblkhd, mappedBefore + (std::size_t(1) << 30));
    std::free(block);
}
