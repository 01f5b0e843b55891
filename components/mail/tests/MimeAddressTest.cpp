#include "components/mail/mime/Rfc822Address.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mimetest;

namespace {

struct Parsed {
    std::string name;
    std::string address;
};

std::vector<Parsed> ParseList(const char* text)
{
    ExtPtrArray list;
    Rfc822Address::ParseList(text, list, false, nullptr);
    std::vector<Parsed> out;
    for (int i = 0; i < list.GetCount(); ++i) {
        auto* a = list.GetAtAs<Rfc822Address>(i);
        out.push_back({ Text(a->Name()), Text(a->Address()) });
    }
    list.DeleteAll();
    return out;
}

} // namespace

TEST(Rfc822Address, ListParsing)
{
    auto quoted = ParseList("\"Doe, John\" <john@example.com>, jane@example.com");
    ASSERT_EQ(quoted.size(), 2u);
    EXPECT_EQ(quoted[0].name, "Doe, John");
    EXPECT_EQ(quoted[0].address, "john@example.com");
    EXPECT_EQ(quoted[1].name, "");

    auto comment = ParseList("bob@example.com (Bob the builder)");
    ASSERT_EQ(comment.size(), 1u);
    EXPECT_EQ(comment[0].address, "bob@example.com");
    EXPECT_EQ(comment[0].name, "");

    auto group = ParseList("Friends: a@x.com, b@y.com;");
    ASSERT_EQ(group.size(), 2u);
    EXPECT_EQ(group[0].name, "Friends:");
    EXPECT_EQ(group[1].address, "b@y.com;");

    auto bare = ParseList("<only@example.com>, only2@example.com <only2@example.com>, J <j@example.com>");
    ASSERT_EQ(bare.size(), 3u);
    EXPECT_EQ(bare[0].name, "");
    EXPECT_EQ(bare[1].name, "");
    EXPECT_EQ(bare[2].name, "J");

    EXPECT_TRUE(ParseList("undisclosed-recipients:;").empty());
    auto folded = ParseList("a@x.com,\r\n\tb@y.com");
    ASSERT_EQ(folded.size(), 2u);
    EXPECT_EQ(folded[1].address, "b@y.com");
}

TEST(Rfc822Address, EightBitNamesAndQuotes)
{
    torvane::StringBuffer text;
    text.Append("J\xC3\xB6rg <jorg@example.com>");
    std::unique_ptr<Rfc822Address> address(Rfc822Address::ParseOne(text, nullptr));
    ASSERT_TRUE(address);
    EXPECT_EQ(Text(address->Name()).rfind("=?utf-8?", 0), 0u);
    torvane::StringBuffer decoded;
    address->FormatDecoded(decoded);
    EXPECT_EQ(Text(decoded), "\"J\xC3\xB6rg\" <jorg@example.com>");

    Rfc822Address made("Say \"hi\"", "<hi@example.com>");
    torvane::StringBuffer raw;
    made.FormatRaw(raw);
    EXPECT_EQ(Text(raw), "\"Say \\\"hi\\\"\" <hi@example.com>");
    std::unique_ptr<Rfc822Address> back(Rfc822Address::ParseOne(raw, nullptr));
    EXPECT_EQ(Text(back->Name()), "Say \"hi\"");
    EXPECT_EQ(Text(back->Address()), "hi@example.com");

    ExtPtrArray list;
    EXPECT_EQ(Rfc822Address::ParseList("a@x.com, A@X.COM, b@x.com", list, true, nullptr), 3);
    EXPECT_EQ(list.GetCount(), 2);
    list.DeleteAll();
}
