#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include "platform/base/Registry.h"
#include "platform/framework/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

class Outline : public CObject {
    DECLARE_SERIAL(Outline)
public:
    LONG corners = 0;
    void Serialize(CArchive& archive) override
    {
        if (archive.IsStoring())
            archive << corners;
        else
            archive >> corners;
    }
};
IMPLEMENT_SERIAL(Outline, CObject, 23)

namespace {

// A registry of its own in a temporary folder, with a root key for the exchanges under test.
class PropExchangeRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-persist-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        SetRegistryFolderForTesting(m_folder + "/vornalt");
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Test", 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &m_root, nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegCloseKey(m_root);
        EXPECT_EQ(CountOpenRegistryKeys(), 0u);
        SetRegistryFolderForTesting("");
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // The stored value as it lies in the registry.
    bool Stored(const char* path, const char* name, DWORD& type, std::vector<BYTE>& data)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(m_root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        bool found = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        if (found) {
            data.resize(size);
            found = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
        return found;
    }
    void Put(const char* path, const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(m_root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    bool KeyExists(const char* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(m_root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    std::string m_folder;
    HKEY m_root = nullptr;
};

struct Values {
    short shortValue = 0;
    LONG longValue = 0;
    BOOL boolValue = FALSE;
    BYTE byteValue = 0;
    float floatValue = 0;
    double doubleValue = 0;
    CString text;
    RECT rect {};
    SIZE size {};
};

void ExchangeAll(CJQWPropExchange& exchange, Values& v)
{
    const Values none;
    exchange.ExchangeValue(u"Short", jqwExchangeShort, &v.shortValue, &none.shortValue);
    exchange.ExchangeValue(u"Long", jqwExchangeLong, &v.longValue, &none.longValue);
    exchange.ExchangeValue(u"Bool", jqwExchangeBool, &v.boolValue, &none.boolValue);
    exchange.ExchangeValue(u"Byte", jqwExchangeByte, &v.byteValue, &none.byteValue);
    exchange.ExchangeValue(u"Float", jqwExchangeFloat, &v.floatValue, &none.floatValue);
    exchange.ExchangeValue(u"Double", jqwExchangeDouble, &v.doubleValue, &none.doubleValue);
    exchange.ExchangeValue(u"Text", jqwExchangeString, &v.text, u"");
    exchange.ExchangeValue(u"Rect", jqwExchangeRect, &v.rect, &none.rect);
    exchange.ExchangeValue(u"Size", jqwExchangeSize, &v.size, &none.size);
}

TEST_F(PropExchangeRegistryTest, EveryStoredKindRoundTripsInItsRegistryForm)
{
    Values saved;
    saved.shortValue = -1;
    saved.longValue = -123456789;
    saved.boolValue = TRUE;
    saved.byteValue = 200;
    saved.floatValue = 0.1234567f;
    saved.doubleValue = 3.141592653589793;
    saved.text = u"Line one\nC:\\path \"quoted\"";
    saved.rect = { -5, 10, 300, 400 };
    saved.size = { 640, -480 };
    {
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Bars\\Main");
        ExchangeAll(save, saved);
    }

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Stored("Bars\\Main", "Short", type, data));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, (std::vector<BYTE> { 0xFF, 0xFF, 0x00, 0x00 }));
    ASSERT_TRUE(Stored("Bars\\Main", "Byte", type, data));
    EXPECT_EQ(data, (std::vector<BYTE> { 200, 0, 0, 0 }));
    ASSERT_TRUE(Stored("Bars\\Main", "Double", type, data));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data.size(), 8u);
    ASSERT_TRUE(Stored("Bars\\Main", "Rect", type, data));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("-5, 10, 300, 400", 17));
    ASSERT_TRUE(Stored("Bars\\Main", "Size", type, data));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("640, -480", 10));

    // Dropped from this process's cache by a folder switch: the values come back from the file.
    SetRegistryFolderForTesting(m_folder + "/vornalt");
    Values loaded;
    loaded.text = u"stale";
    CJQWPropExchangeRegistry load(TRUE, m_root, u"Bars\\Main");
    ExchangeAll(load, loaded);
    EXPECT_EQ(loaded.shortValue, -1);
    EXPECT_EQ(loaded.longValue, -123456789);
    EXPECT_EQ(loaded.boolValue, TRUE);
    EXPECT_EQ(loaded.byteValue, 200);
    EXPECT_EQ(loaded.floatValue, 0.1234567f);
    EXPECT_EQ(loaded.doubleValue, 3.141592653589793);
    EXPECT_EQ(std::u16string(loaded.text.GetString()), std::u16string(saved.text.GetString()));
    EXPECT_TRUE(std::memcmp(&loaded.rect, &saved.rect, sizeof(RECT)) == 0);
    EXPECT_EQ(loaded.size.cx, 640);
    EXPECT_EQ(loaded.size.cy, -480);
}

TEST_F(PropExchangeRegistryTest, KindsWithoutARegistryFormAreRefusedBothWays)
{
    LONGLONG currency = 0;
    COleDateTime date(2007, 3, 15, 10, 20, 30);
    VARIANT variant {};
    variant.vt = VT_I4;
    variant.lVal = 7;
    {
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Odd");
        EXPECT_FALSE(save.ExchangeValue(u"Currency", jqwExchangeCurrency, &currency, nullptr));
        EXPECT_FALSE(save.ExchangeValue(u"Date", jqwExchangeDate, &date, nullptr));
        EXPECT_FALSE(save.ExchangeValue(u"Variant", jqwExchangeVariant, &variant, nullptr));
    }
    Put("Odd", "Date", REG_DWORD, "\1\0\0\0", 4);
    CJQWPropExchangeRegistry load(TRUE, m_root, u"Odd");
    const COleDateTime other(2000, 1, 1, 0, 0, 0);
    EXPECT_FALSE(load.ExchangeValue(u"Date", jqwExchangeDate, &date, &other));
    EXPECT_EQ(date.GetYear(), 2007); // untouched, no default
}

// Foreign data: what another program or an older version left, or nothing at all.
TEST_F(PropExchangeRegistryTest, MissingOrMistypedValuesGiveTheDefault)
{
    const LONG one = 1;
    Put("Foreign", "LongAsText", REG_SZ, "12", 3);
    Put("Foreign", "LongAsBinary", REG_BINARY, "\7\0\0\0\0\0\0\0", 8);
    Put("Foreign", "FloatAsDouble", REG_BINARY, "\0\0\0\0\0\0\xf0\x3f", 8);
    Put("Foreign", "TextAsNumber", REG_DWORD, &one, 4);
    Put("Foreign", "ThreeSides", REG_SZ, "1, 2, 3", 8);
    Put("Foreign", "HalfSize", REG_SZ, "7", 2);

    CJQWPropExchangeRegistry load(TRUE, m_root, u"Foreign");
    const LONG fallback = 42;
    for (const char16_t* name : { u"Missing", u"LongAsText", u"LongAsBinary" }) {
        LONG value = 0;
        EXPECT_TRUE(load.ExchangeValue(name, jqwExchangeLong, &value, &fallback));
        EXPECT_EQ(value, 42) << std::string(name, name + std::char_traits<char16_t>::length(name));
    }
    const float floatFallback = 2.5f;
    float real = 0;
    load.ExchangeValue(u"FloatAsDouble", jqwExchangeFloat, &real, &floatFallback);
    EXPECT_EQ(real, 2.5f);
    CString text;
    load.ExchangeValue(u"TextAsNumber", jqwExchangeString, &text, u"fallback");
    EXPECT_EQ(std::u16string(text.GetString()), u"fallback");
    const RECT rectFallback { 9, 9, 9, 9 };
    RECT rect {};
    load.ExchangeValue(u"ThreeSides", jqwExchangeRect, &rect, &rectFallback);
    EXPECT_EQ(rect.left, 9);
    EXPECT_EQ(rect.bottom, 9);
    const SIZE sizeFallback { 3, 4 };
    SIZE size {};
    load.ExchangeValue(u"HalfSize", jqwExchangeSize, &size, &sizeFallback);
    EXPECT_EQ(size.cx, 3);
    EXPECT_EQ(size.cy, 4);

    // Without permission to use defaults a missing value leaves the variable alone.
    load.m_bUseDefaultOnLoad = FALSE;
    LONG kept = 5;
    EXPECT_FALSE(load.ExchangeValue(u"Missing", jqwExchangeLong, &kept, &fallback));
    EXPECT_EQ(kept, 5);
}

TEST_F(PropExchangeRegistryTest, BlocksRoundTripAndAnOversizedStoredBlockIsRefused)
{
    std::vector<BYTE> block(5000);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = BYTE(i * 7);
    {
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Blocks");
        BYTE* data = block.data();
        DWORD size = DWORD(block.size());
        EXPECT_TRUE(save.ExchangeBinary(u"Icons", &data, &size));
        DWORD empty = 0;
        EXPECT_TRUE(save.ExchangeBinary(u"Empty", &data, &empty));
    }
    CJQWPropExchangeRegistry load(TRUE, m_root, u"Blocks");
    BYTE* got = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(load.ExchangeBinary(u"Icons", &got, &size));
    EXPECT_EQ(std::vector<BYTE>(got, got + size), block);
    std::free(got);

    std::vector<BYTE> fits(6000, 0xAA);
    BYTE* into = fits.data();
    size = DWORD(fits.size());
    ASSERT_TRUE(load.ExchangeBinary(u"Icons", &into, &size));
    EXPECT_EQ(size, 5000u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), fits.begin()));

    std::vector<BYTE> small(100, 0xAA);
    into = small.data();
    size = DWORD(small.size());
    EXPECT_FALSE(load.ExchangeBinary(u"Icons", &into, &size));
    EXPECT_EQ(small, std::vector<BYTE>(100, 0xAA)); // nothing written past or into it

    got = nullptr;
    EXPECT_FALSE(load.ExchangeBinary(u"Missing", &got, &size));
    EXPECT_EQ(got, nullptr);
    size = 0;
    ASSERT_TRUE(load.ExchangeBinary(u"Empty", &got, &size));
    EXPECT_EQ(size, 0u);
    std::free(got);
}

TEST_F(PropExchangeRegistryTest, DefaultsRemoveValuesAndClearingRemovesTheWholeSection)
{
    LONG value = 8;
    const LONG none = 0;
    {
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Layout");
        save.ExchangeValue(u"Width", jqwExchangeLong, &value, &none);
        CJQWPropExchange* child = save.OpenChildSection(u"Bar0");
        child->ExchangeValue(u"Width", jqwExchangeLong, &value, &none);
        child->InternalRelease();
    }
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Stored("Layout", "Width", type, data));
    ASSERT_TRUE(Stored("Layout\\Bar0", "Width", type, data));

    {
        // Saving the default deletes what was there.
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Layout");
        LONG zero = 0;
        EXPECT_TRUE(save.ExchangeValue(u"Width", jqwExchangeLong, &zero, &none));
        EXPECT_FALSE(Stored("Layout", "Width", type, data));

        save.ClearSection();
        EXPECT_TRUE(save.IsSectionEmptied());
        EXPECT_FALSE(KeyExists("Layout"));
        // The next value makes the key anew.
        LONG height = 3;
        EXPECT_TRUE(save.ExchangeValue(u"Height", jqwExchangeLong, &height, &none));
    }
    EXPECT_TRUE(Stored("Layout", "Height", type, data));
    EXPECT_FALSE(KeyExists("Layout\\Bar0"));
}

TEST_F(PropExchangeRegistryTest, SectionsCountsSchemaAndNestedObjects)
{
    Outline saved;
    saved.corners = 6;
    {
        CJQWPropExchangeRegistry save(FALSE, m_root, u"Bars");
        save.SetSchema(24);
        save.ExchangeSchema();
        CJQWPropExchangeEnumerator* items = save.CreateEnumerator(u"Bar");
        DWORD position = items->Start(2);
        for (LONG index = 0; position; ++index) {
            CJQWPropExchange* section = items->NextSection(position);
            LONG id = 100 + index;
            ExchangeLong(section, u"Id", id, 0);
            section->InternalRelease();
        }
        delete items;
        EXPECT_TRUE(ExchangeSerializedObject(&save, u"Shape", &saved));
    }
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(Stored("Bars", "Count", type, data));
    EXPECT_EQ(type, REG_DWORD);
    ASSERT_TRUE(Stored("Bars", "Shape", type, data));
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_TRUE(Stored("Bars\\Bar1", "Id", type, data));

    CJQWPropExchangeRegistry load(TRUE, m_root, u"Bars");
    load.ExchangeSchema();
    EXPECT_EQ(load.GetSchema(), 24u);
    CJQWPropExchangeEnumerator* items = load.CreateEnumerator(u"Bar");
    DWORD position = items->Start(0);
    EXPECT_EQ(items->GetCount(), 2u);
    std::vector<LONG> ids;
    while (position) {
        CJQWPropExchange* section = items->NextSection(position);
        LONG id = 0;
        ExchangeLong(section, u"Id", id, 0);
        ids.push_back(id);
        section->InternalRelease();
    }
    delete items;
    EXPECT_EQ(ids, (std::vector<LONG> { 100, 101 }));
    Outline loaded;
    EXPECT_TRUE(ExchangeSerializedObject(&load, u"Shape", &loaded));
    EXPECT_EQ(loaded.corners, 6);
}

TEST_F(PropExchangeRegistryTest, LoadingCreatesTheKeyAndWithoutARootNothingIsStored)
{
    {
        CJQWPropExchangeRegistry load(TRUE, m_root, u"Fresh\\Section");
        EXPECT_TRUE(load.OpenStore());
    }
    EXPECT_TRUE(KeyExists("Fresh\\Section"));

    CJQWPropExchangeRegistry none(FALSE, nullptr, u"Any");
    EXPECT_FALSE(none.OpenStore());
    LONG value = 3;
    EXPECT_FALSE(ExchangeLong(&none, u"Value", value, 0));
    CJQWPropExchangeRegistry noneLoading(TRUE, nullptr, u"Any");
    EXPECT_TRUE(ExchangeLong(&noneLoading, u"Value", value, 9));
    EXPECT_EQ(value, 9);
}

TEST_F(PropExchangeRegistryTest, WithoutARootKeyTheApplicationsKeyIsTheRoot)
{
    {
        CWinApp app(u"Lister");
        app.SetRegistryKey(u"Vornalt");
        CJQWPropExchangeRegistry save(FALSE, nullptr, u"Layout");
        LONG value = 7;
        EXPECT_TRUE(ExchangeLong(&save, u"Value", value, 0));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Lister\\Layout", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD stored = 0, size = sizeof stored;
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size), ERROR_SUCCESS);
    EXPECT_EQ(stored, 7u);
    RegCloseKey(key);
}

} // namespace
