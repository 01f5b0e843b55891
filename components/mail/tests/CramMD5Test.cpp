#include "components/mail/CramMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/HmacMD5.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {


// RFC 2195 section 2, and a second response computed with the same rule.
TEST(CramMD5Test, Rfc2195Example)
{
    CramMD5 cram;
    DataBuffer challenge;
    const std::string text = "<1896.697170952@postoffice.reston.mci.net>";
    challenge.Append(text.data(), unsigned(text.size()));
    torvane::StringBuffer response;
    cram.BuildResponse(torvane::StringBuffer("tim"), torvane::StringBuffer("tanstaaftanstaaf"), challenge, response);
    EXPECT_STREQ(response.GetText(), "tim b913a602c7eda7a495b4e6e7334d3890");
}

TEST(CramMD5Test, ResponseShapeAndAppending)
{
    CramMD5 cram;
    DataBuffer challenge;
    challenge.Append("<x@y>", 5);
    torvane::StringBuffer response("AUTH ");
    cram.BuildResponse(torvane::StringBuffer("u"), torvane::StringBuffer("p"), challenge, response);
    std::string text = response.GetText();
    ASSERT_EQ(text.size(), 5u + 1 + 1 + 32);
    EXPECT_EQ(text.substr(0, 7), "AUTH u ");
    for (char c : text.substr(7))
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << c;
}

// A password longer than the HMAC block is hashed first, as the server does.
TEST(CramMD5Test, LongPasswordUsesHashedKey)
{
    std::string password(70, 'k');
    DataBuffer challenge;
    challenge.Append("<17@host>", 9);
    torvane::StringBuffer hex;
    CramMD5().HexDigest(torvane::StringBuffer(password.c_str()), challenge, hex);

    HmacMD5 md5;
    Md5Context context;
    unsigned char hashedKey[16], digest[16];
    md5.Md5Init(&context);
    md5.Md5Update(&context, reinterpret_cast<const unsigned char*>(password.data()), 70);
    md5.Md5Final(hashedKey, &context);
    md5.HmacMd5(challenge.GetData(), 9, hashedKey, 16, digest);
    EXPECT_EQ(std::string(hex.GetText()), HexFromBytes(digest, 16));
}

} // namespace
