#include "components/mail/StringParse.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const char* text, int n)
{
    ExtPtrArray pieces;
    StringParse().SplitLines(text, n, &pieces);
    std::vector<std::string> result;
    for (int i = 0; i < pieces.GetCount(); ++i)
        result.push_back(pieces.GetAtAs<torvane::StringBuffer>(i)->GetText());
    pieces.DeleteAll();
    return result;
}

TEST(StringParseTest, SplitLinesTable)
{
    struct Case {
        const char* text;
        int n;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        { "", 5, { "" } },
        { "abc", 3, { "abc" } },
        { "ab cd", 3, { "ab ", "cd" } },
        { "abcdefgh", 3, { "abc", "def", "gh" } },
        { "one two three", 8, { "one two ", "three" } },
        { " abcdef", 4, { " abc", "def" } },  // a break in the first position does not count
        { "a\tb\r\nc", 3, { "a\t", "b\r\n", "c" } },
        { "word  next", 5, { "word ", " next" } },
        { "x", 1, { "x" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Split(c.text, c.n), c.pieces) << '"' << c.text << "\" " << c.n;
}

TEST(StringParseTest, NullInputsAndNonPositiveLengthGiveNothing)
{
    EXPECT_TRUE(Split(nullptr, 5).empty());
    EXPECT_TRUE(Split("abc", 0).empty());
    EXPECT_TRUE(Split("abc", -2).empty());
    StringParse().SplitLines("abc", 2, nullptr);
}

} // namespace
