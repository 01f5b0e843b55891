#include "toolkit/controls/persist/PropExchangeIniFile.h"

#include "platform/base/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

class PropExchangeIniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_file = CString(Utf8ToUtf16(m_folder + "/settings.ini").c_str());
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::string Contents() const
    {
        std::ifstream in(m_folder + "/settings.ini");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::u16string Entry(const WCHAR* section, const WCHAR* key) const
    {
        WCHAR buffer[400] = {};
        GetPrivateProfileStringW(section, key, u"<none>", buffer, 400, m_file.GetString());
        return buffer;
    }
    void Write(const std::string& text) const { std::ofstream(m_folder + "/settings.ini") << text; }

    std::string m_folder;
    CString m_file;
};

TEST_F(PropExchangeIniFileTest, EveryTextKindRoundTripsInItsEntryForm)
{
    short shortValue = -1;
    LONG longValue = -123456;
    BOOL boolValue = TRUE;
    BYTE byteValue = 200;
    float floatValue = 0.1234567f;
    double doubleValue = 2.5;
    COleDateTime date(2007, 3, 15, 10, 20, 30);
    COleDateTime dayOnly(2007, 3, 15, 0, 0, 0);
    COleDateTime timeOnly(1899, 12, 30, 6, 0, 0);
    CString text(u"C:\\dir\nnext\tcol\r");
    RECT rect { -5, 10, 300, 400 };
    SIZE size { 640, 480 };
    {
        CJQWPropExchangeIniFile save(FALSE, nullptr, u"Bars");
        save.AssignFile(m_file.GetString());
        EXPECT_TRUE(save.ExchangeValue(u"Short", jqwExchangeShort, &shortValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Long", jqwExchangeLong, &longValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Bool", jqwExchangeBool, &boolValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Byte", jqwExchangeByte, &byteValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Float", jqwExchangeFloat, &floatValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Double", jqwExchangeDouble, &doubleValue, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Date", jqwExchangeDate, &date, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Day", jqwExchangeDate, &dayOnly, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Time", jqwExchangeDate, &timeOnly, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Text", jqwExchangeString, &text, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Rect", jqwExchangeRect, &rect, nullptr));
        EXPECT_TRUE(save.ExchangeValue(u"Size", jqwExchangeSize, &size, nullptr));
        LONGLONG currency = 5;
        EXPECT_FALSE(save.ExchangeValue(u"Currency", jqwExchangeCurrency, &currency, nullptr));
    }
    EXPECT_EQ(Entry(u"Bars", u"Short"), u"65535");
    EXPECT_EQ(Entry(u"Bars", u"Float"), u"0.123457");
    EXPECT_EQ(Entry(u"Bars", u"Date"), u"2007-15-03T10:20:30");
    EXPECT_EQ(Entry(u"Bars", u"Day"), u"2007-15-03");
    EXPECT_EQ(Entry(u"Bars", u"Time"), u"06:00:00");
    EXPECT_EQ(Entry(u"Bars", u"Text"), u"C:\\\\dir\\nnext\\tcol\\r");
    EXPECT_EQ(Entry(u"Bars", u"Rect"), u"-5, 10, 300, 400");
    EXPECT_EQ(Entry(u"Bars", u"Currency"), u"<none>");

    CJQWPropExchangeIniFile load(TRUE, nullptr, u"Bars");
    load.AssignFile(m_file.GetString());
    short s = 0;
    LONG l = 0;
    BOOL b = FALSE;
    BYTE by = 0;
    float f = 0;
    double d = 0;
    COleDateTime dt, day, time;
    CString t;
    RECT r {};
    SIZE sz {};
    load.ExchangeValue(u"Short", jqwExchangeShort, &s, nullptr);
    load.ExchangeValue(u"Long", jqwExchangeLong, &l, nullptr);
    load.ExchangeValue(u"Bool", jqwExchangeBool, &b, nullptr);
    load.ExchangeValue(u"Byte", jqwExchangeByte, &by, nullptr);
    load.ExchangeValue(u"Float", jqwExchangeFloat, &f, nullptr);
    load.ExchangeValue(u"Double", jqwExchangeDouble, &d, nullptr);
    EXPECT_TRUE(load.ExchangeValue(u"Date", jqwExchangeDate, &dt, nullptr));
    EXPECT_TRUE(load.ExchangeValue(u"Day", jqwExchangeDate, &day, nullptr));
    EXPECT_TRUE(load.ExchangeValue(u"Time", jqwExchangeDate, &time, nullptr));
    load.ExchangeValue(u"Text", jqwExchangeString, &t, nullptr);
    load.ExchangeValue(u"Rect", jqwExchangeRect, &r, nullptr);
    load.ExchangeValue(u"Size", jqwExchangeSize, &sz, nullptr);
    EXPECT_EQ(s, -1);
    EXPECT_EQ(l, -123456);
    EXPECT_EQ(b, TRUE);
    EXPECT_EQ(by, 200);
    EXPECT_FLOAT_EQ(f, 0.123457f); // six significant digits
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(dt.GetYear(), 2007);
    EXPECT_EQ(dt.GetMonth(), 3);
    EXPECT_EQ(dt.GetDay(), 15);
    EXPECT_EQ(dt.GetSecond(), 30);
    EXPECT_EQ(DATE(day), DATE(dayOnly));
    EXPECT_DOUBLE_EQ(DATE(time), 0.25);
    EXPECT_EQ(std::u16string(t.GetString()), std::u16string(text.GetString()));
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.left, -5);
    EXPECT_EQ(sz.cy, 480);
}

TEST_F(PropExchangeIniFileTest, MissingEmptyOrUnreadableEntriesGiveTheDefault)
{
    Write("[Foreign]\nEmpty=\nThreeSides=1, 2, 3\nHalfSize=7\nWhen=yesterday\nEscaped=a\\nb\n");
    CJQWPropExchangeIniFile load(TRUE, nullptr, u"Foreign");
    load.AssignFile(m_file.GetString());
    CString text;
    load.ExchangeValue(u"Empty", jqwExchangeString, &text, u"fallback");
    EXPECT_EQ(std::u16string(text.GetString()), u"fallback");
    const LONG fallback = 42;
    LONG number = 0;
    load.ExchangeValue(u"Missing", jqwExchangeLong, &number, &fallback);
    EXPECT_EQ(number, 42);
    const RECT rectFallback { 9, 9, 9, 9 };
    RECT rect {};
    load.ExchangeValue(u"ThreeSides", jqwExchangeRect, &rect, &rectFallback);
    EXPECT_EQ(rect.left, 9);
    const SIZE sizeFallback { 3, 4 };
    SIZE size {};
    load.ExchangeValue(u"HalfSize", jqwExchangeSize, &size, &sizeFallback);
    EXPECT_EQ(size.cx, 3);
    COleDateTime date(2001, 1, 1, 0, 0, 0);
    EXPECT_FALSE(load.ExchangeValue(u"When", jqwExchangeDate, &date, nullptr));
    EXPECT_EQ(date.GetYear(), 2001);
    load.ExchangeValue(u"Escaped", jqwExchangeString, &text, u"");
    EXPECT_EQ(std::u16string(text.GetString()), u"a\nb");
}

TEST_F(PropExchangeIniFileTest, LongEntriesBlocksSectionsDefaultsAndClearing)
{
    const CString longText(std::u16string(1000, u'x').c_str());
    std::vector<BYTE> block { 0, 1, 0xAB, 0xFF };
    LONG width = 8;
    const LONG none = 0;
    {
        CJQWPropExchangeIniFile save(FALSE, nullptr, u"Layout");
        save.AssignFile(m_file.GetString());
        save.ExchangeValue(u"Long", jqwExchangeString, const_cast<CString*>(&longText), u"");
        BYTE* data = block.data();
        DWORD size = DWORD(block.size());
        EXPECT_TRUE(save.ExchangeBinary(u"Block", &data, &size));
        CJQWPropExchange* child = save.OpenChildSection(u"Bar0");
        child->ExchangeValue(u"Width", jqwExchangeLong, &width, &none);
        child->InternalRelease();
        Write(Contents() + "[Layouts]\nKeep=1\n");
    }
    EXPECT_EQ(Entry(u"Layout", u"Block"), u"AABALKPP");
    EXPECT_EQ(Entry(u"Layout\\Bar0", u"Width"), u"8");

    CJQWPropExchangeIniFile load(TRUE, nullptr, u"Layout");
    load.AssignFile(m_file.GetString());
    CString text;
    load.ExchangeValue(u"Long", jqwExchangeString, &text, u"");
    EXPECT_EQ(text.GetLength(), 1000);
    BYTE* got = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(load.ExchangeBinary(u"Block", &got, &size));
    EXPECT_EQ(std::vector<BYTE>(got, got + size), block);
    std::free(got);

    CJQWPropExchangeIniFile save(FALSE, nullptr, u"Layout");
    save.AssignFile(m_file.GetString());
    LONG zero = 0;
    CJQWPropExchange* child = save.OpenChildSection(u"Bar0");
    EXPECT_TRUE(child->ExchangeValue(u"Width", jqwExchangeLong, &zero, &none));
    child->InternalRelease();
    EXPECT_EQ(Entry(u"Layout\\Bar0", u"Width"), u"<none>");

    save.ClearSection();
    EXPECT_EQ(Entry(u"Layout", u"Block"), u"<none>");
    EXPECT_EQ(Entry(u"Layouts", u"Keep"), u"1"); // a name that only begins the same stays
}

TEST_F(PropExchangeIniFileTest, ABlockWithLettersOutsideAToPIsRefused)
{
    Write("[Layout]\nBlock=AABZ\nLower=aaba\nOdd=AAB\n");
    for (const char16_t* name : { u"Block", u"Lower", u"Odd" }) {
        CJQWPropExchangeIniFile load(TRUE, nullptr, u"Layout");
        load.AssignFile(m_file.GetString());
        BYTE* got = nullptr;
        DWORD size = 0;
        EXPECT_FALSE(load.ExchangeBinary(name, &got, &size)) << Utf16ToUtf8(name);
        EXPECT_EQ(got, nullptr);
    }
}

TEST_F(PropExchangeIniFileTest, WithoutAFileATemporaryOneIsMadeAndDeleted)
{
    CString temporary;
    {
        CJQWPropExchangeIniFile save(FALSE, nullptr, u"Scratch");
        LONG value = 5;
        EXPECT_TRUE(ExchangeLong(&save, u"Value", value, 0));
        temporary = save.GetFileName();
        ASSERT_FALSE(temporary.IsEmpty());
        EXPECT_TRUE(std::filesystem::exists(Utf16ToUtf8(temporary.GetString())));
    }
    EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(temporary.GetString())));
}

} // namespace
