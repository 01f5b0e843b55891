#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeHeader.h"

#include "components/foundation/Charset.h"
#include "components/mail/tests/MimeTestSupport.h"

#include <gtest/gtest.h>

using namespace mimetest;

namespace {

Charset Named(const char* name)
{
    Charset charset;
    if (name)
        charset.SetByName(name);
    return charset;
}

std::string RenderField(const char* name, const char* value, const char* charset)
{
    MimeField field;
    field.SetNameValue(name, value);
    torvane::StringBuffer out;
    field.Render(out, Named(charset));
    return Text(out);
}

std::string ParsedValue(const std::string& block, const char* name)
{
    MimeHeader header;
    header.Parse(block.c_str());
    torvane::StringBuffer value;
    header.GetFieldValue(name, value);
    return Text(value);
}

} // namespace

TEST(MimeField, RenderingFoldsAndEncodes)
{
    struct Case {
        const char* name;
        const char* value;
        const char* charset;
        const char* expected;
    } cases[] = {
        { "Content-Type", "text/plain; charset=\"utf-8\"", "utf-8", "Content-Type: text/plain;\r\n\t charset=\"utf-8\"" },
        { "User-Agent", "Mozilla/5.0 (X11; Linux x86_64; rv:1.0)", nullptr,
            "User-Agent: Mozilla/5.0 (X11; Linux x86_64; rv:1.0)" },
        { "Subject", "plain", "iso-2022-jp", "Subject: =?iso-2022-jp?B?cGxhaW4=?=" },
        { "Subject", "plain", "windows-1252", "Subject: plain" },
        { "Content-Transfer-Encoding", "b\xC3\xA4se", "iso-8859-1", "Content-Transfer-Encoding: b\xE4se" },
        { "Subject", "caf\xC3\xA9", "iso-8859-1", "Subject: =?iso-8859-1?Q?caf=E9?=" },
        { "Subject", "\xD0\x9F\xD1\x80\xD0\xB8", "iso-8859-1", "Subject: =?utf-8?Q?=D0=9F=D1=80=D0=B8?=" },
        { "Subject", "caf\xC3\xA9", nullptr, "Subject: =?utf-8?Q?caf=C3=A9?=" },
        { "Content-Disposition", "attachment; filename=\"caf\xC3\xA9.jpg\"", "iso-8859-1",
            "Content-Disposition: attachment;\r\n\t filename=\"=?iso-8859-1?Q?caf=E9.jpg?=\"" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RenderField(c.name, c.value, c.charset), c.expected) << c.name << ": " << c.value;

    MimeField agent;
    agent.SetNameValue("User-Agent", "a; b; c; d; e; f; g; h; i; j; k; l");
    std::unique_ptr<MimeField> copy(agent.Clone());
    torvane::StringBuffer folded;
    copy->Render(folded, Named(nullptr));
    EXPECT_NE(Text(folded).find("\r\n\t"), std::string::npos);
}

TEST(MimeField, AddressListsEncodeNamesButKeepAddresses)
{
    std::string text = RenderField("To",
        "J\xC3\xB6rg M\xC3\xBCller <jm@example.com>, \"M\xC3\xBCller, Anna\" <am@example.com>", "iso-8859-1");
    EXPECT_EQ(text,
        "To: =?iso-8859-1?Q?J=F6rg_M=FCller?= <jm@example.com>, =?iso-8859-1?Q?M=FCller,_Anna?= <am@example.com>");
    MimeHeader header;
    std::string block = text + "\r\n\r\n";
    header.Parse(block.c_str());
    torvane::StringBuffer value;
    header.GetFieldValue("To", value);
    EXPECT_EQ(Text(value), "\"J\xC3\xB6rg M\xC3\xBCller\" <jm@example.com>,\"M\xC3\xBCller, Anna\" <am@example.com>");
}

TEST(MimeField, ValuesWithLineBreaksCannotInjectFields)
{
    std::string text = RenderField("Subject", "hello\r\nBcc: victim@example.com\nX: y", nullptr);
    EXPECT_EQ(text.find("\r\nBcc"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
}

TEST(MimeHeader, ParsingBlocks)
{
    EXPECT_EQ(ParsedValue("Subject: one\nTo: x@y\n\nbody", "To"), "x@y");
    EXPECT_EQ(ParsedValue("Subject: =?utf-8?Q?ab?=\r\n\t=?utf-8?Q?cd?=\r\n\r\n", "Subject"), "abcd");
    EXPECT_EQ(ParsedValue("Subject: one\r\n two\r\n\r\n", "Subject"), "onetwo");
    EXPECT_EQ(ParsedValue("Subject: one\r\n  two\r\n\r\n", "Subject"), "one two");
    EXPECT_EQ(ParsedValue("From someone Mon Jan 1\r\nSubject: s\r\n\r\n", "Subject"), "s");
    EXPECT_EQ(ParsedValue("A: 1\r\nB: 2\nC: 3\r\n\r\n", "B"), "2\nC: 3");

    MimeHeader header;
    header.Parse("Content-Type: text/plain\r\nX-A: 1\r\nContent-Type: text/html\r\nX-B: 2\r\n\r\n");
    ASSERT_EQ(header.GetNumFields(), 3);
    torvane::StringBuffer name;
    header.GetFieldName(1, name);
    EXPECT_EQ(Text(name), "Content-Type");
    torvane::StringBuffer value;
    header.GetFieldValue("content-type", value);
    EXPECT_EQ(Text(value), "text/html");

    MimeHeader latin;
    latin.Parse("Subject: caf\xE9\r\n\r\n");
    torvane::StringBuffer subject;
    latin.GetFieldValue("Subject", subject);
    EXPECT_EQ(Text(subject), "caf\xC3\xA9");
    EXPECT_EQ(latin.GetDefaultCodePage(), 28591);
}

TEST(MimeHeader, RenderSkipsPrefixAndParametersAreFound)
{
    MimeHeader header;
    header.ReplaceField("Subject", "s");
    header.ReplaceField("TVX-Bcc", "hidden@example.com");
    header.ReplaceField("Content-Type", "multipart/mixed; note=\"boundary=fake\"; boundary=\"real\"");
    torvane::StringBuffer out;
    header.Render(out, "TVX-", Charset());
    EXPECT_EQ(Text(out).find("TVX"), std::string::npos);
    torvane::StringBuffer param;
    EXPECT_TRUE(header.GetFieldParam("Content-Type", "boundary", param));
    EXPECT_EQ(Text(param), "real");
    MimeHeader other;
    other.ReplaceField("Content-Type", "text/plain; note=\"boundary=x\"");
    EXPECT_FALSE(other.GetFieldParam("Content-Type", "boundary", param));

    header.ReplaceField("Subject", "  ");
    EXPECT_FALSE(header.HasField("Subject"));
    header.AddField(nullptr);
    MimeHeader merged;
    merged.Parse("To: a@x\r\nCc: c@x\r\nTo: b@x\r\n\r\n");
    merged.MergeDuplicates("to");
    torvane::StringBuffer to;
    merged.GetFieldValue("To", to);
    EXPECT_EQ(Text(to), "a@x,b@x");
    EXPECT_EQ(merged.GetNumFields(), 2);
}

TEST(MimeHeader, HostileBlocksStayBounded)
{
    std::string huge = "Subject: " + std::string(10 * 1024 * 1024, 'x') + "\r\n\r\n";
    MimeHeader header;
    header.Parse(huge.c_str());
    EXPECT_EQ(header.GetNumFields(), 1);

    std::string many;
    for (int i = 0; i < 150000; ++i)
        many += (i % 2 ? "Content-Type: text/plain\r\n" : "X: y\r\n");
    header.Parse(many.c_str());
    EXPECT_LE(header.GetNumFields(), 100000);
    EXPECT_TRUE(header.HasField("Content-Type"));
}

TEST(MimeField, SubjectsAreNeverSplitIntoParameters)
{
    // A subject is text, not a value with parameters: "x=y" must not come back as x="y".
    const char* subject = "Caf\xC3\xA9 menu; price=5 euros; today";
    std::string text = RenderField("Subject", subject, "iso-8859-1") + "\r\n\r\n";
    EXPECT_EQ(ParsedValue(text, "Subject"), subject) << text;
}
