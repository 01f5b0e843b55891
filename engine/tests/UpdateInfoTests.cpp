#include "engine/UpdateInfo.h"

#include "platform/base/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateInfo, ReadsTheChildrenOfTheFirstUpdateInfoElement)
{
    struct Case {
        const char* name;
        std::u16string text;
        UpdateInfoMap expected;
    };
    const Case cases[] = {
        { "top element", u"<updateinfo><major>2</major><minor>1</minor><bugfix>0</bugfix><build>57</build></updateinfo>",
            { { u"major", u"2" }, { u"minor", u"1" }, { u"bugfix", u"0" }, { u"build", u"57" } } },
        { "deeper down",
            u"<?xml version=\"1.0\"?><response><status>ok</status><data><updateinfo><major>3</major>"
            u"<download>http://example.invalid/setup</download></updateinfo></data></response>",
            { { u"major", u"3" }, { u"download", u"http://example.invalid/setup" } } },
        { "first of two children", u"<updateinfo><major>4</major><major>5</major></updateinfo>", { { u"major", u"4" } } },
        { "tags compare with case", u"<updateinfo><Major>6</Major><minor>7</minor></updateinfo>", { { u"minor", u"7" } } },
        { "other children ignored", u"<updateinfo><colour>red</colour></updateinfo>", {} },
        { "changes with markup and accents",
            u"<updateinfo><changes>Faster &amp; caf\u00e9 \u65e5\u672c</changes></updateinfo>",
            { { u"changes", u"Faster & caf\u00e9 \u65e5\u672c" } } },
        { "not XML", u"404 Not Found", {} },
        { "no updateinfo", u"<html><body>maintenance</body></html>", {} },
        { "empty", u"", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateInfoMap info;
        ParseUpdateInfo(c.text, info);
        EXPECT_EQ(info, c.expected);
    }
}

TEST(UpdateInfo, KeepsOtherEntriesAndOverwritesSameNames)
{
    UpdateInfoMap info { { u"major", u"1" }, { u"current", u"1.0.0.1" } };
    ParseUpdateInfo(u"<updateinfo><major>2</major></updateinfo>", info);
    EXPECT_EQ(info, (UpdateInfoMap { { u"major", u"2" }, { u"current", u"1.0.0.1" } }));

    ParseUpdateInfo(u"not xml", info);
    EXPECT_EQ(info.size(), 2u);
}

// The answer reaches the parser as UTF-8 whatever the ANSI code page, so text the code page lacks
// is not lost on the way.
TEST(UpdateInfo, TextOutsideTheAnsiCodePageSurvives)
{
    SetAnsiCodePageForTesting(1252);
    UpdateInfoMap info;
    ParseUpdateInfo(u"<updateinfo><changes>\u65e5\u672c caf\u00e9</changes></updateinfo>", info);
    SetAnsiCodePageForTesting(65001);
    EXPECT_EQ(info, (UpdateInfoMap { { u"changes", u"\u65e5\u672c caf\u00e9" } }));
}

} // namespace
