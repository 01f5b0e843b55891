#include "components/mail/HmacMD5.h"

#include "components/foundation/tests/SharedTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string Md5Hex(const void* bytes, unsigned n)
{
    HmacMD5 md5;
    Md5Context context;
    unsigned char digest[16];
    md5.Md5Init(&context);
    md5.Md5Update(&context, static_cast<const unsigned char*>(bytes), n);
    md5.Md5Final(digest, &context);
    return HexFromBytes(digest, 16);
}

std::string Md5Hex(const std::string& text) { return Md5Hex(text.data(), unsigned(text.size())); }

// The RFC 1321 test suite.
TEST(HmacMD5Test, Rfc1321Suite)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
          "57edf4a22be3c955ac49da2e2107b67a" },
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Md5Hex(text), digest) << '"' << text << '"';
}

TEST(HmacMD5Test, MillionAInPiecesOfOddSizes)
{
    HmacMD5 md5;
    Md5Context context;
    md5.Md5Init(&context);
    std::string chunk(997, 'a');
    unsigned left = 1000000;
    while (left) {
        unsigned n = left < chunk.size() ? left : unsigned(chunk.size());
        md5.Md5Update(&context, reinterpret_cast<const unsigned char*>(chunk.data()), n);
        left -= n;
    }
    unsigned char digest[16];
    md5.Md5Final(digest, &context);
    EXPECT_EQ(HexFromBytes(digest, 16), "7707d6ae4e027c70eea2a935c2296f21");
}

// Lengths around the 56-byte padding boundary and the 64-byte block.
TEST(HmacMD5Test, SplitUpdatesEqualOneUpdateAtEveryBoundary)
{
    std::string data;
    for (int i = 0; i < 200; ++i)
        data += char(i * 7 + 3);
    HmacMD5 md5;
    for (unsigned length : { 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 200u }) {
        std::string whole = Md5Hex(data.data(), length);
        for (unsigned split = 0; split <= length; split += 13) {
            Md5Context context;
            unsigned char digest[16];
            md5.Md5Init(&context);
            md5.Md5Update(&context, reinterpret_cast<const unsigned char*>(data.data()), split);
            md5.Md5Update(&context, reinterpret_cast<const unsigned char*>(data.data()) + split, length - split);
            md5.Md5Final(digest, &context);
            EXPECT_EQ(HexFromBytes(digest, 16), whole) << length << " split " << split;
        }
    }
}

TEST(HmacMD5Test, FinalWipesContextAndNullsAreIgnored)
{
    HmacMD5 md5;
    Md5Context context;
    md5.Md5Init(&context);
    md5.Md5Update(&context, reinterpret_cast<const unsigned char*>("secret"), 6);
    md5.Md5Update(&context, nullptr, 10);
    unsigned char digest[16];
    md5.Md5Final(digest, &context);
    EXPECT_EQ(HexFromBytes(digest, 16), Md5Hex("secret"));
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(&context);
    for (std::size_t i = 0; i < sizeof context; ++i)
        ASSERT_EQ(raw[i], 0) << "byte " << i;
    md5.Md5Init(nullptr);
    md5.Md5Update(nullptr, digest, 16);
    md5.Md5Final(digest, nullptr);
}

std::string HmacHex(const std::vector<unsigned char>& key, const std::vector<unsigned char>& data)
{
    HmacMD5 hmac;
    unsigned char digest[16];
    hmac.HmacMd5(data.data(), int(data.size()), key.data(), int(key.size()), digest);
    return HexFromBytes(digest, 16);
}

std::vector<unsigned char> Bytes(const std::string& text) { return { text.begin(), text.end() }; }

// RFC 2202 section 2 (the first three cases are also RFC 2104's).
TEST(HmacMD5Test, Rfc2202Vectors)
{
    struct Case {
        std::vector<unsigned char> key;
        std::vector<unsigned char> data;
        const char* digest;
    };
    const Case cases[] = {
        { std::vector<unsigned char>(16, 0x0b), Bytes("Hi There"), "9294727a3638bb1c13f48ef8158bfc9d" },
        { Bytes("Jefe"), Bytes("what do ya want for nothing?"), "750c783e6ab0b503eaa86e310a5db738" },
        { std::vector<unsigned char>(16, 0xaa), std::vector<unsigned char>(50, 0xdd), "56be34521d144c88dbb8c733f0e8b3f6" },
        { BytesFromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<unsigned char>(50, 0xcd),
          "697eaf0aca3a3aea3a75164746ffaa79" },
        { std::vector<unsigned char>(16, 0x0c), Bytes("Test With Truncation"), "56461ef2342edc00f9bab995690efd4c" },
        { std::vector<unsigned char>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
          "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd" },
        { std::vector<unsigned char>(80, 0xaa),
          Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
          "6f630fad67cda0ee1fb1f562db3aa53e" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HmacHex(c.key, c.data), c.digest);
}

TEST(HmacMD5Test, KeyOfExactlyOneBlockIsUsedAsItIs)
{
    std::vector<unsigned char> key64(64, 0x31), key65(65, 0x31);
    unsigned char hashed[16];
    HmacMD5 md5;
    Md5Context context;
    md5.Md5Init(&context);
    md5.Md5Update(&context, key65.data(), 65);
    md5.Md5Final(hashed, &context);
    // A 65-byte key acts as its 16-byte digest; a 64-byte key does not.
    EXPECT_EQ(HmacHex(key65, Bytes("x")), HmacHex(std::vector<unsigned char>(hashed, hashed + 16), Bytes("x")));
    EXPECT_NE(HmacHex(key64, Bytes("x")), HmacHex(key65, Bytes("x")));
}

// openssl reproduces our digest and HMAC of a file of every byte value.
TEST(HmacMD5Test, AgreesWithOpensslDgst)
{
    char path[] = "/tmp/hmacmd5-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::vector<unsigned char> data;
    for (int i = 0; i < 3000; ++i)
        data.push_back((unsigned char)(i * 31 + i / 256));
    ASSERT_EQ(write(fd, data.data(), data.size()), ssize_t(data.size()));
    close(fd);

    std::string plain = RunCommand(std::string("openssl dgst -md5 -r ") + path);
    std::string keyed = RunCommand(std::string("openssl dgst -md5 -r -hmac 'pass phrase' ") + path);
    unlink(path);
    ASSERT_GE(plain.size(), 32u) << "openssl did not run";
    EXPECT_EQ(plain.substr(0, 32), Md5Hex(data.data(), unsigned(data.size())));
    ASSERT_GE(keyed.size(), 32u);
    EXPECT_EQ(keyed.substr(0, 32), HmacHex(Bytes("pass phrase"), data));
}

} // namespace
