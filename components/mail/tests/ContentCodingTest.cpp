#include "components/mail/ContentCoding.h"

#include "components/foundation/Base64.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using torvane::StringBuffer;

namespace {
const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }
std::string TextOf(const StringBuffer& s) { return std::string(s.GetText(), size_t(s.GetLength())); }

std::string Base64(const std::string& bytes)
{
    StringBuffer out;
    ContentCoding().EncodeBase64NoBreaks(U(bytes), unsigned(bytes.size()), out);
    return TextOf(out);
}

std::string DecodeTolerant(const std::string& text)
{
    unsigned count = 0;
    unsigned char* bytes = ContentCoding().DecodeBase64(text.data(), unsigned(text.size()), &count);
    std::string result = bytes ? std::string(reinterpret_cast<char*>(bytes), count) : "(null)";
    std::free(bytes);
    return result;
}

std::string Qp(const std::string& bytes)
{
    StringBuffer out;
    ContentCoding().EncodeQuotedPrintable(U(bytes), unsigned(bytes.size()), out);
    return TextOf(out);
}

std::string QpDecode(const std::string& text)
{
    unsigned count = 0;
    unsigned char* bytes = ContentCoding().DecodeQuotedPrintable(text.data(), unsigned(text.size()), &count);
    std::string result = bytes ? std::string(reinterpret_cast<char*>(bytes), count) : "(null)";
    std::free(bytes);
    return result;
}
} // namespace

TEST(ContentCodingTest, Base64KnownVectors)
{
    const std::pair<std::string, std::string> vectors[] = {
        { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" }, { "foo", "Zm9v" }, { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" }, { std::string("\xFF\xFE\0", 3), "//4A" },
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(Base64(bytes), text);
        if (!bytes.empty()) {
            EXPECT_EQ(DecodeTolerant(text), bytes);
        }
    }
    unsigned length = 0;
    char* array = ContentCoding().EncodeBase64ToArray(U(std::string("foob")), 4, &length);
    EXPECT_STREQ(array, "Zm9vYg==");
    EXPECT_EQ(length, 8u);
    std::free(array);
}

TEST(ContentCodingTest, QuotedPrintableKeepsRaw8BitBytes)
{
    // Invalid but common: unencoded 8-bit text, including a no-break space at a line end.
    EXPECT_EQ(QpDecode("caf\xE9 ok\xA0\n"), "caf\xE9 ok\xA0\r\n");
    EXPECT_EQ(QpDecode("tail  \t\r\nnext"), "tail\r\nnext");
}

TEST(ContentCodingTest, Base64LineBreaks)
{
    ContentCoding coding;
    std::string block(54, 'x');
    StringBuffer out;
    coding.EncodeBase64(U(block), 54, out);
    EXPECT_EQ(out.GetLength(), 72 + 4);
    EXPECT_TRUE(TextOf(out).ends_with("\r\n\r\n"));
    std::string longer(55, 'x');
    StringBuffer out55;
    coding.EncodeBase64(U(longer), 55, out55);
    EXPECT_EQ(TextOf(out55).substr(72), "\r\neA==\r\n");
    StringBuffer none;
    coding.EncodeBase64(nullptr, 0, none);
    EXPECT_EQ(none.GetLength(), 0);
}

TEST(ContentCodingTest, Base64OfLargeInputsIsTheWholeEncoding)
{
    // Sizes around the slices the encoder works in, for several line lengths.
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 131 + (i >> 7));
    for (int lineLength : { 72, 76, 10, 1000 }) {
        ContentCoding coding;
        coding.SetLineLength(lineLength);
        unsigned lineBytes = unsigned(lineLength + 3) / 4 * 3;
        unsigned slice = lineBytes * (65536 / lineBytes);
        for (unsigned n : { slice - 1, slice, slice + 1, 2 * slice, 2 * slice + lineBytes, 199999u }) {
            StringBuffer out;
            coding.EncodeBase64(U(bytes), n, out);
            EXPECT_TRUE(TextOf(out) == Base64Encode(U(bytes), n, lineLength)) << lineLength << " " << n;
        }
    }
}

TEST(ContentCodingTest, Base64DecodingOfDamagedText)
{
    EXPECT_EQ(DecodeTolerant("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(DecodeTolerant("Zm9v=Zm9v"), "foo");
    EXPECT_EQ(DecodeTolerant(""), "(null)");
    EXPECT_NE(DecodeTolerant("Zm*v"), "(null)");
    ContentCoding coding;
    unsigned count = 5;
    bool success = true;
    EXPECT_EQ(coding.DecodeBase64Strict("Zm*v", 4, &count, &success), nullptr);
    EXPECT_FALSE(success);
    EXPECT_EQ(coding.DecodeBase64Strict("", 0, &count, &success), nullptr);
    EXPECT_TRUE(success);
    EXPECT_EQ(coding.DecodeBase64("Zm9v", 4, nullptr), nullptr);

    DataBuffer data;
    EXPECT_TRUE(coding.DecodeBase64ToData("Zm9vYmFy", 8, data));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.GetData()), data.GetSize()), "foobar");
    EXPECT_FALSE(coding.DecodeBase64ToData("Zm\x80v", 4, data));
    StringBuffer appended("x");
    coding.AppendDecodedBase64("eXo=", appended);
    EXPECT_EQ(TextOf(appended), "xyz");
}

TEST(ContentCodingTest, QuotedPrintableEncoding)
{
    EXPECT_EQ(Qp(".\r\nFrom x"), "=2E\r\n=46rom x");
    EXPECT_EQ(Qp("From"), "From");
    EXPECT_EQ(Qp("a \r\nb\t"), "a=20\r\nb=09");
    EXPECT_EQ(Qp("a b=c\xE9\x7F"), "a b=3Dc=E9=7F");
    EXPECT_EQ(Qp("lone\rcr"), "lone=0Dcr");
    std::string line(80, 'a');
    std::string encoded = Qp(line);
    EXPECT_EQ(encoded, std::string(72, 'a') + "=\r\n" + std::string(8, 'a'));
    EXPECT_EQ(Qp(std::string(72, 'b')), std::string(72, 'b') + "=\r\n");
    EXPECT_EQ(Qp(std::string(72, 'c') + "\r\nd"), std::string(72, 'c') + "\r\nd");
}

TEST(ContentCodingTest, QuotedPrintableDecoding)
{
    EXPECT_EQ(QpDecode("soft=\r\nbreak"), "softbreak");
    EXPECT_EQ(QpDecode("=41=4a"), "AJ");
    EXPECT_EQ(QpDecode("=FFFFFFE9"), "\xE9");
    EXPECT_EQ(QpDecode("two  \r\nlines"), "two\r\nlines");
    EXPECT_EQ(QpDecode("last\n"), "last\r\n");
    EXPECT_EQ(QpDecode(""), "(null)");
    std::string roundTrip = "Caf\xE9 = 100%\r\n.dot\r\nFrom me \t";
    EXPECT_EQ(QpDecode(Qp(roundTrip)), roundTrip);
}

TEST(ContentCodingTest, QuotedPrintableLineFeedOnlyTextGrowsToCrLf)
{
    // Every bare LF comes out as CR LF, so the output outgrows the input by one byte a line.
    std::string lines;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        lines += i % 2 ? "\n" : "x\n";
        expected += i % 2 ? "\r\n" : "x\r\n";
    }
    EXPECT_EQ(QpDecode(lines), expected);
    std::string crlf;
    for (int i = 0; i < 4096; ++i)
        crlf += "\r\n";
    EXPECT_EQ(QpDecode(std::string(4096, '\n')), crlf);
}

TEST(ContentCodingTest, QuotedPrintableOwnOutputRoundTripsNextToSignExtendedEscapes)
{
    // Other mailers' sign-extended escapes still read as one byte.
    EXPECT_EQ(QpDecode("=FFFFFFE9x"), "\xE9x");
    // Ours never look like one: 0xFF followed by the text "FFFF41".
    for (const std::string& bytes : { std::string("\xFF" "FFFF41"), std::string("\xFF" "FFFFFFFF"),
             std::string("a\xFF" "FFFFE9 tail"), std::string("\xFF\xFF" "FFFF41\r\n\xFF" "FFFF00") }) {
        EXPECT_EQ(QpDecode(Qp(bytes)), bytes) << Qp(bytes);
    }
}

TEST(ContentCodingTest, QEncodingAndWords)
{
    ContentCoding coding;
    unsigned count = 0;
    char* q = coding.EncodeQ(U(std::string("a b=?_\xE9")), 7, &count);
    EXPECT_STREQ(q, "a_b=3D=3F=5F=E9");
    std::free(q);
    struct Case {
        const char* text;
        std::string decoded;
    };
    const Case cases[] = { { "=3D", "=" }, { "=3d", "=3d" }, { "_", " " }, { "a?\x01" "b", "ab" }, { "=4", "=4" } };
    for (const Case& c : cases) {
        unsigned char* bytes = coding.DecodeQ(c.text, 0, &count);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), count), c.decoded) << c.text;
        std::free(bytes);
    }

    StringBuffer words("Subject: ");
    coding.AppendEncodedWord(U(std::string("\xA4\xA4")), 2, "BIG5", words);
    EXPECT_EQ(TextOf(words), "Subject: =?BIG5?B?pKQ=?=");
    StringBuffer qword;
    coding.AppendEncodedWord(U(std::string("caf\xE9")), 4, "iso-8859-1", qword);
    EXPECT_EQ(TextOf(qword), "=?iso-8859-1?Q?caf=E9?=");
    StringBuffer kept;
    coding.AppendEncodedWord(U(std::string("=?utf-8?q?x?=")), 13, "iso-8859-1", kept);
    EXPECT_EQ(TextOf(kept), "=?utf-8?q?x?=");
    StringBuffer noCharset;
    coding.AppendQWord(U(std::string("x")), 1, nullptr, noCharset);
    EXPECT_EQ(TextOf(noCharset), "=?utf-8?Q?x?=");
}

TEST(ContentCodingTest, DecodingEncodedWords)
{
    ContentCoding coding;
    StringBuffer latin("Re: =?windows-1252?Q?caf=E9?= ok");
    coding.DecodeWordsToUtf8(latin);
    EXPECT_EQ(TextOf(latin), "Re: caf\xC3\xA9 ok");
    // A malformed word is kept as text, and so is everything after it.
    StringBuffer broken("before =?utf-8?Q?never closed");
    coding.DecodeWordsToUtf8(broken);
    EXPECT_EQ(TextOf(broken), "before =?utf-8?Q?never closed");
    StringBuffer noCoding("=?utf-8?Q?ok?= then =?what and more");
    coding.DecodeWordsToUtf8(noCoding);
    EXPECT_EQ(TextOf(noCoding), "ok then =?what and more");
    StringBuffer b64("=?utf-8?b?w6k=?=");
    coding.DecodeWordsToUtf8(b64);
    EXPECT_EQ(TextOf(b64), "\xC3\xA9");
    StringBuffer names("=?utf-8?Q?Doe,_John?= <j@x>");
    bool marked = false;
    coding.DecodeWordsMarkCommas(names, &marked);
    EXPECT_TRUE(marked);
    EXPECT_EQ(TextOf(names), "Doe_COMMA_ John <j@x>");
    DataBuffer raw;
    coding.DecodeWordsRaw(StringBuffer("=?iso-8859-1?Q?=E9?="), raw);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.GetData()), raw.GetSize()), "\xE9");
}

TEST(ContentCodingTest, LongTextsBecomeSeveralWords)
{
    ContentCoding coding;
    std::string text(40, 'a');
    StringBuffer out;
    coding.AppendBWords(U(text), unsigned(text.size()), "utf-8", out);
    std::string words = TextOf(out);
    EXPECT_EQ(words.find("=?utf-8?B?"), 0u);
    EXPECT_NE(words.find("?=\r\n\t=?utf-8?B?"), std::string::npos);
    StringBuffer decoded(words.c_str());
    coding.DecodeWordsToUtf8(decoded);
    std::string joined;
    for (char c : TextOf(decoded)) {
        if (c != '\r' && c != '\n' && c != '\t')
            joined += c;
    }
    EXPECT_EQ(joined, text);

    // A character beyond U+FFFF is never cut in two.
    std::string emoji;
    for (int i = 0; i < 10; ++i)
        emoji += "\xF0\x9F\x98\x80";
    StringBuffer emojiWords;
    coding.AppendQWords(U(emoji), unsigned(emoji.size()), "utf-8", emojiWords);
    StringBuffer back(TextOf(emojiWords).c_str());
    coding.DecodeWordsToUtf8(back);
    std::string rejoined;
    for (char c : TextOf(back)) {
        if (c != '\r' && c != '\n' && c != '\t')
            rejoined += c;
    }
    EXPECT_EQ(rejoined, emoji);
}
