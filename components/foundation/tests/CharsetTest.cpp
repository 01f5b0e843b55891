#include "components/foundation/Charset.h"

#include "components/foundation/CharsetNames.h"
#include "components/foundation/UnicodeInfo.h"
#include "TestSupport.h"

using torvane::StringBuffer;

TEST(CharsetNamesTest, TablesAreComplete)
{
    EXPECT_EQ(CanonicalCharsetNameCount(), 140);
    EXPECT_EQ(CharsetLookupNameCount(), 413);
}

TEST(CharsetNamesTest, NameLookups)
{
    struct Case {
        const char* name;
        int codePage;
    };
    const Case cases[] = {
        { "  ISO_8859_1 ", 28591 }, { "latin1", 28591 }, { "l1", 28591 }, { "us", 20127 }, { "cp1252", 0 },
        { "", 0 }, { "windows-1252", 1252 }, { "UTF_8", 65001 }, { "Shift_JIS", 932 }, { "shift-jis", 932 },
        { "ks_c_5601-1987", 949 }, { "euc-jp", 51932 }, { "iso-2022-jp", 50220 }, { "iso-2022-jp-2", 50222 },
        { "x-user-defined", 50000 }, { "iso-8859-8 visual", 28598 }, { "utf-32be", 65006 }, { "asmo-449+", 709 },
        { "unicodefffe", 1201 }, { "x-cp21027", 21027 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodePageFromCharsetName(c.name), c.codePage) << c.name;
    EXPECT_EQ(CodePageFromCharsetName(nullptr), 0);
    EXPECT_TRUE(IsKnownCharsetName("GB2312"));
    EXPECT_FALSE(IsKnownCharsetName("klingon"));

    StringBuffer name("stale");
    EXPECT_TRUE(CharsetNameFromCodePage(20932, name));
    EXPECT_STREQ(name.GetText(), "euc-jp");
    EXPECT_FALSE(CharsetNameFromCodePage(709, name));
    EXPECT_STREQ(name.GetText(), "");
}

TEST(CharsetTest, SetByNameAndCodePage)
{
    Charset charset;
    charset.SetByName("UTF_8");
    EXPECT_EQ(charset.GetCodePage(), 65001);
    EXPECT_STREQ(charset.GetName(), "utf-8");
    charset.SetByName("Shift_JIS");
    EXPECT_STREQ(charset.GetName(), "shift_jis");
    charset.SetByName("Default");
    EXPECT_EQ(charset.GetCodePage(), 0);
    charset.SetByName("windows-1252");
    charset.SetByName("default");
    EXPECT_EQ(charset.GetCodePage(), 0);
    EXPECT_STREQ(charset.GetName(), "");
    charset.SetByName("x-cp21027");
    EXPECT_EQ(charset.GetCodePage(), 21027);
    EXPECT_STREQ(charset.GetName(), "");
    charset.SetByCodePage(21027);
    EXPECT_EQ(charset.GetCodePage(), 0);
    charset.SetByCodePage(50222);
    EXPECT_STREQ(charset.GetName(), "iso-2022-jp");
    charset.SetByName("iso-2022-jp");
    EXPECT_EQ(charset.GetCodePage(), 50220);
    charset.SetByCodePage(65005);
    EXPECT_STREQ(charset.GetName(), "utf-32");
    charset.SetByCodePage(12000);
    EXPECT_EQ(charset.GetCodePage(), 0);
    charset.SetByName("ANSI");
    EXPECT_EQ(charset.GetCodePage(), 65001);
    charset.SetByName("oem");
    EXPECT_EQ(charset.GetCodePage(), 437);
    EXPECT_STREQ(charset.GetName(), "ibm437");
    Charset copy;
    copy.CopyFrom(charset);
    EXPECT_EQ(copy.GetCodePage(), 437);
    charset.SetByName(nullptr);
    EXPECT_EQ(charset.GetCodePage(), 437);
}

TEST(UnicodeInfoTest, ChoosesTheCharsetOfATextsScripts)
{
    struct Case {
        std::u16string text;
        int codePage;
    };
    const Case cases[] = {
        { u"", 0 },
        { u"Hello", 0 },
        { u"Caf\u00E9", 28591 },
        { u"Wroc\u0142aw", 28592 },
        { u"\u041F\u0440\u0438\u0432\u0435\u0442 123", 28595 },
        { u"\u041F\u0440\u0438 \u03B1\u03B2", 65001 },
        { u"\u65E5\u672C\u3067\u3059", 932 },
        { u"\u4E2D\u6587", 936 },
        { u"\u00E9\u4E2D", 936 },
        { u"a\u20AC", 65001 },
        { u"\uD55C\uAD6D", 949 },
        { u"\u05E9\u05DC\u05D5\u05DD", 28598 },
        { u"\u0645\u0631\u062D\u0628\u0627", 28596 },
        { u"\u03B1\u03B2", 28597 },
        { u"\u0E2A\u0E27\u0E31", 874 },
        { u"a\uFF01", 65001 }, // skipped units still count in the total
    };
    for (const Case& c : cases) {
        UnicodeInfo info;
        info.CountScripts(reinterpret_cast<const WCHAR*>(c.text.data()), int(c.text.size()));
        Charset charset;
        charset.SetByName("utf-8");
        info.ChooseCharset(charset);
        EXPECT_EQ(charset.GetCodePage(), c.codePage) << std::string(c.text.begin(), c.text.end());
    }
    UnicodeInfo info;
    info.CountScripts(u"\U0001F600", 2);
    EXPECT_EQ(info.m_other, 2);
    Charset named;
    info.CountScripts(u"Caf\u00E9", 4);
    info.ChooseCharset(named);
    EXPECT_STREQ(named.GetName(), "iso-8859-1");
}
