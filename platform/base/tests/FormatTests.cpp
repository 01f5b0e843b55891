#include "platform/base/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <locale>

namespace {
// A locale whose decimal point is ',' even when no named locale is installed.
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};
}

TEST(Format, WideTable)
{
    std::u16string name = u"Resize";
    EXPECT_EQ(FormatText(u"%s: Failed to size bitmap: %d", name, 7), u"Resize: Failed to size bitmap: 7");
    EXPECT_EQ(FormatText(u"%s", u"Gr\u00FC\u00DFe \U0001F600"), u"Gr\u00FC\u00DFe \U0001F600");
    EXPECT_EQ(FormatText(u"[%5s|%-5s]", u"ab", u"cd"), u"[   ab|cd   ]");
    EXPECT_EQ(FormatText(u"%.2s", u"\U0001F600x"), u"\U0001F600"); // precision counts code units
    EXPECT_EQ(FormatText(u"%s", "narrow \xC3\xA9"), u"narrow \u00E9"); // converted, not misread
    EXPECT_EQ(FormatText(u"%S", u"other"), u"other");
    EXPECT_EQ(FormatText(u"%c%c", u'A', char16_t(0x263A)), u"A\u263A");
    EXPECT_EQ(FormatText(u"100%%"), u"100%");
    EXPECT_EQ(FormatText(u"%d/%d Complete", 3, 10), u"3/10 Complete");
    EXPECT_EQ(FormatText(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
}

TEST(Format, IntegerTable)
{
    EXPECT_EQ(FormatText("%d", -42), "-42");
    EXPECT_EQ(FormatText("%i", 42), "42");
    EXPECT_EQ(FormatText("%02d", 5), "05");
    EXPECT_EQ(FormatText("%02d", 123), "123");
    EXPECT_EQ(FormatText("%+.2d", 5), "+05");
    EXPECT_EQ(FormatText("%+d", -5), "-5");
    EXPECT_EQ(FormatText("% d", 5), " 5");
    EXPECT_EQ(FormatText("%5d|%-5d|%05d", 42, 42, -42), "   42|42   |-0042");
    EXPECT_EQ(FormatText("%u", -1), "4294967295");
    EXPECT_EQ(FormatText("%x %X %#x %o", 255, 255, 255, 8), "ff FF 0xff 10");
    EXPECT_EQ(FormatText("%08X", 0xBEEFu), "0000BEEF");
    EXPECT_EQ(FormatText("%x", -1), "ffffffff");
    EXPECT_EQ(FormatText("%lld %I64d %d", 9000000000LL, -9000000000LL, std::int64_t(1) << 40),
        "9000000000 -9000000000 1099511627776");
    EXPECT_EQ(FormatText("%hd", 65537), "1");
    EXPECT_EQ(FormatText("%.0d|%.0d", 0, 3), "|3");
    EXPECT_EQ(FormatText("%*d|%-*d|%.*d", 4, 1, 3, 2, 3, 7), "   1|2  |007");
    EXPECT_EQ(FormatText("%d", true), "1");
    EXPECT_EQ(FormatText("%c", 'x'), "x");
    EXPECT_EQ(FormatText("%c", char16_t(0xE9)), "\xC3\xA9");
    EXPECT_EQ(FormatText("%lu", 4000000000UL), "4000000000");
}

TEST(Format, RealTable)
{
    EXPECT_EQ(FormatText("%f", 45.0), "45.000000");
    EXPECT_EQ(FormatText("%f", 45), "45.000000"); // an integer argument is converted
    EXPECT_EQ(FormatText("%.3f", 3.14159), "3.142");
    EXPECT_EQ(FormatText("%8.2f|%-8.2f|%08.2f", 3.14159, 3.14159, -3.14159), "    3.14|3.14    |-0003.14");
    EXPECT_EQ(FormatText("%+.1f", 2.25), "+2.2"); // round-half-even of the binary value, like the runtime
    EXPECT_EQ(FormatText("%.0f", 2.5), "2");
    EXPECT_EQ(FormatText("%#.0f", 3.0), "3.");
    EXPECT_EQ(FormatText("%e", 12345.678), "1.234568e+04");
    EXPECT_EQ(FormatText("%E", 0.00012), "1.200000E-04");
    EXPECT_EQ(FormatText("%g|%g|%g|%g", 100000.0, 1000000.0, 0.0001, 0.00001), "100000|1e+06|0.0001|1e-05");
    EXPECT_EQ(FormatText("%g", 45.5), "45.5");
    EXPECT_EQ(FormatText("%.3g", 3.14159), "3.14");
    EXPECT_EQ(FormatText("%G", 1e-10), "1E-10");
    EXPECT_EQ(FormatText("%#g", 1.0), "1.00000");
    EXPECT_EQ(FormatText("%f", -0.0), "-0.000000");
    EXPECT_EQ(FormatText("%f|%F", 1.0 / 0.0, -1.0 / 0.0), "inf|-INF");
    EXPECT_EQ(FormatText("%.2f", 1e20), "100000000000000000000.00");
    EXPECT_EQ(FormatText(u"%f", 0.5), u"0.500000");
}

TEST(Format, FloatIgnoresGlobalLocale)
{
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    EXPECT_EQ(FormatText(u"%f", 45.0), u"45.000000");
    EXPECT_EQ(FormatText("%.2f %g %e", 1.5, 2.5, 3.5), "1.50 2.5 3.500000e+00");
    try {
        // A named locale also switches the C library's LC_NUMERIC.
        std::locale::global(std::locale("de_DE.UTF-8"));
        EXPECT_EQ(FormatText(u"%f", 45.0), u"45.000000");
    } catch (const std::runtime_error&) {
    }
    std::locale::global(previous);
}

TEST(Format, MismatchesAndMissingArgumentsAreSafe)
{
    EXPECT_EQ(FormatText("%d and %s", 1), "1 and ");
    EXPECT_EQ(FormatText("%s", 12), "12");
    EXPECT_EQ(FormatText("%d", "text"), "text");
    EXPECT_EQ(FormatText("%s", 2.5), "2.5");
    EXPECT_EQ(FormatText("trailing %"), "trailing %");
    EXPECT_EQ(FormatText("%y %d", 3), "%y 3");
    EXPECT_EQ(FormatText("%n%d", 1, 2), "2");
    EXPECT_EQ(FormatText("no args", 1, 2), "no args");
    EXPECT_EQ(FormatText(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(FormatText("%p", reinterpret_cast<void*>(0x1234)).size(), sizeof(void*) * 2);
}

TEST(Format, LongOutputIsNotCut)
{
    std::u16string big(5000, u'x');
    EXPECT_EQ(FormatText(u"%s!", big).size(), 5001u);
    EXPECT_EQ(FormatText("%10000d", 1).size(), 10000u);
}
