#include "components/net/ParseBuffer.h"

#include "components/foundation/StringBuffer.h"

#include <gtest/gtest.h>
#include <string>

TEST(ParseBuffer, GrowthSteps)
{
    ParseBuffer buffer;
    EXPECT_EQ(buffer.GetCapacity(), 32000u);
    std::string block(50000, 'a');
    ASSERT_TRUE(buffer.Append(block.data(), unsigned(block.size())));
    EXPECT_EQ(buffer.GetCapacity(), 132000u);
    std::string more(90000, 'b');
    ASSERT_TRUE(buffer.Append(more.data(), unsigned(more.size())));
    EXPECT_EQ(buffer.GetCapacity(), 532000u);
    EXPECT_EQ(buffer.GetLength(), 140000u);
}

TEST(ParseBuffer, ExtractUntilMatch)
{
    ParseBuffer buffer;
    buffer.Append("250 one\r\n250 two\r\n", 18);
    torvane::StringBuffer text;
    EXPECT_FALSE(buffer.ExtractUntilMatch(nullptr, 0, false, &text));
    // Only at the end: the first occurrence does not count.
    EXPECT_FALSE(buffer.ExtractUntilMatch("one\r\n", 5, true, &text));
    ASSERT_TRUE(buffer.ExtractUntilMatch("\r\n", 2, false, &text));
    EXPECT_STREQ(text.GetText(), "250 one\r\n");
    ASSERT_TRUE(buffer.ExtractUntilMatch("\r\n", 2, true, &text));
    EXPECT_STREQ(text.GetText(), "250 two\r\n");
    EXPECT_EQ(buffer.GetLength(), 0u);
    buffer.Append("rest", 4);
    buffer.Consume(10);
    EXPECT_EQ(buffer.GetLength(), 0u);
}
