#include "components/crypto/DigestMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"

#include <gtest/gtest.h>
#include <string>

namespace {
std::string HexOf(const unsigned char digest[16])
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += digits[digest[i] >> 4];
        out += digits[digest[i] & 15];
    }
    return out;
}
} // namespace

TEST(DigestMD5Test, KnownVectors)
{
    struct Case {
        std::string input;
        const char* digest;
    };
    const Case cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
          "57edf4a22be3c955ac49da2e2107b67a" },
        { std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21" },
    };
    DigestMD5 md5;
    for (const Case& c : cases) {
        unsigned char digest[16];
        md5.DigestBytes(c.input.data(), unsigned(c.input.size()), digest);
        EXPECT_EQ(HexOf(digest), c.digest) << c.input.size();
    }
}

TEST(DigestMD5Test, StringsAndBuffersDigestTheirStoredBytes)
{
    DigestMD5 md5;
    unsigned char fromString[16];
    unsigned char fromBytes[16];
    unsigned char fromBuffer[16];
    torvane::StringBuffer text = torvane::StringBuffer::ConstructFromBytes("a\0b", 3, 0);
    md5.DigestString(text, fromString);
    md5.DigestBytes("a\0b", 3, fromBytes);
    DataBuffer data;
    data.Append("a\0b", 3);
    md5.DigestBuffer(data, fromBuffer);
    EXPECT_EQ(HexOf(fromString), HexOf(fromBytes));
    EXPECT_EQ(HexOf(fromBuffer), HexOf(fromBytes));
    unsigned char shortOne[16];
    md5.DigestBytes("a", 1, shortOne);
    EXPECT_NE(HexOf(shortOne), HexOf(fromBytes));
}
