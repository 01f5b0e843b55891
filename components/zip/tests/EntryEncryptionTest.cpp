#include "components/zip/PwdProtect.h"
#include "components/zip/WinZipAes.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/DataSource.h"
#include "components/zip/OutputDataBuffer.h"

#include "PipelineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

using namespace pipeline_test;

namespace {

// Remembers error texts.
class RecordingLog : public LogBase {
public:
    bool LogError(const char* text) override
    {
        errors.push_back(text);
        return true;
    }
    bool LogInfo(const char* text) override
    {
        infos.push_back(text);
        return true;
    }
    std::vector<std::string> errors;
    std::vector<std::string> infos;
};

Bytes Traditional(const std::string& password, unsigned crc, const Bytes& plain)
{
    PwdProtect p;
    p.SetPassword(password.c_str());
    Bytes out(12);
    p.MakeHeader(crc, out.data());
    Bytes data = plain;
    p.EncryptInPlace(data.data(), unsigned(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool CheckAndDecrypt(const std::string& password, const Bytes& entry, unsigned crc, Bytes* plain)
{
    PwdProtect p;
    p.SetPassword(password.c_str());
    p.InitKeys();
    if (!p.CheckHeader(entry.data(), 0, crc, false)) return false;
    *plain = Bytes(entry.begin() + 12, entry.end());
    p.DecryptInPlace(plain->data(), unsigned(plain->size()));
    return true;
}

} // namespace

TEST(PwdProtectTest, AnEmptyPasswordLeavesTheInitialKeys)
{
    PwdProtect p;
    p.SetPassword("");
    p.InitKeys();
    EXPECT_EQ(p.Key0(), 0x12345678u);
    EXPECT_EQ(p.Key1(), 0x23456789u);
    EXPECT_EQ(p.Key2(), 0x34567890u);
    p.SetPassword(nullptr);
    p.InitKeys();
    EXPECT_EQ(p.Key2(), 0x34567890u);
    p.SetPassword("x");
    p.InitKeys();
    EXPECT_NE(p.Key0(), 0x12345678u);
}

TEST(PwdProtectTest, EncryptedStreamsRoundTripAndWrongPasswordsFailTheHeaderCheck)
{
    const Bytes plain = GeneratedSource::Make(70000, 7);
    const unsigned crc = 0xCBF43926u;
    const Bytes entry = Traditional("s3cret pass", crc, plain);
    ASSERT_EQ(entry.size(), plain.size() + 12);
    EXPECT_NE(Bytes(entry.begin() + 12, entry.end()), plain);

    Bytes back;
    ASSERT_TRUE(CheckAndDecrypt("s3cret pass", entry, crc, &back));
    EXPECT_EQ(back, plain);

    // A wrong password passes only by the 1-in-256 chance of a matching last byte.
    int accepted = 0;
    for (int i = 0; i < 2000; ++i) {
        Bytes ignored;
        if (CheckAndDecrypt("wrong" + std::to_string(i), entry, crc, &ignored)) ++accepted;
    }
    EXPECT_LT(accepted, 30);
    Bytes ignored;
    EXPECT_FALSE(CheckAndDecrypt("s3cret pasS", entry, crc, &ignored) && ignored == plain);
}

TEST(PwdProtectTest, HeaderCarriesTheCrcHighBytesOrIsComparedWithTheDosTime)
{
    PwdProtect p;
    p.SetPassword("pw");
    unsigned char header[12];
    p.MakeHeader(0xA1B2C3D4u, header);

    PwdProtect reader;
    reader.SetPassword("pw");
    reader.InitKeys();
    unsigned char plain[12];
    std::memcpy(plain, header, 12);
    reader.DecryptInPlace(plain, 12);
    EXPECT_EQ(plain[10], 0xB2);
    EXPECT_EQ(plain[11], 0xA1);

    struct Case {
        unsigned dosTime;
        unsigned crc;
        bool descriptor;
        bool expected;
    };
    const Case cases[] = {
        {0, 0xA1000000u, false, true},
        {0, 0xA0000000u, false, false},
        {0xA1 << 8, 0, true, true},       // with a data descriptor the DOS time's high byte counts
        {0xA2 << 8, 0xA1B2C3D4u, true, false},
    };
    for (const Case& c : cases) {
        PwdProtect check;
        check.SetPassword("pw");
        check.InitKeys();
        EXPECT_EQ(check.CheckHeader(header, c.dosTime, c.crc, c.descriptor), c.expected) << c.dosTime << " " << c.crc;
    }
}

TEST(PwdProtectTest, HeadersMadeInTheSameMomentDiffer)
{
    // Clock-seeded draws would repeat within a millisecond and repeat the key stream with them.
    std::set<std::string> headers;
    for (int i = 0; i < 50; ++i) {
        PwdProtect p;
        p.SetPassword("same");
        unsigned char header[12];
        p.MakeHeader(0x12345678u, header);
        headers.insert(ToHex(header, 12));
    }
    EXPECT_EQ(headers.size(), 50u);
}

namespace {

struct AesEntry {
    Bytes bytes;
    bool ok = false;
};

AesEntry EncryptAes(const Bytes& plain, const char* password, int strength)
{
    DataBuffer buffer;
    OutputDataBuffer out(&buffer);
    WinZipAes aes;
    AesEntry e;
    e.ok = aes.EncryptMemory(plain.data(), unsigned(plain.size()), password, strength, &out, nullptr);
    e.bytes = BufferBytes(buffer);
    return e;
}

} // namespace

TEST(WinZipAesTest, EntriesRoundTripAtEveryStrengthWithTheDocumentedOverhead)
{
    struct Case {
        int strength;
        unsigned salt;
        unsigned overhead;
    };
    const Case cases[] = {{1, 8, 20}, {2, 12, 24}, {3, 16, 28}, {128, 8, 20}, {192, 12, 24}, {256, 16, 28}};
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(15), std::size_t(16), std::size_t(8096),
                             std::size_t(8097), std::size_t(40000)}) {
        const Bytes plain = GeneratedSource::Make(size, unsigned(size) + 3);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "size " << size << " strength " << c.strength);
            EXPECT_EQ(WinZipAesSaltLength(c.strength), c.salt);
            const AesEntry e = EncryptAes(plain, "correct horse", c.strength);
            ASSERT_TRUE(e.ok);
            ASSERT_EQ(e.bytes.size(), size + c.overhead);
            if (c.strength <= 3) {
                EXPECT_EQ(WinZipAes::Overhead(c.strength), c.overhead);
            }

            DataBuffer back;
            bool badPassword = true, badAuth = true;
            WinZipAes aes;
            ASSERT_TRUE(aes.Decrypt(e.bytes.data(), unsigned(e.bytes.size()), "correct horse", c.strength, &back,
                                    nullptr, &badPassword, &badAuth));
            EXPECT_FALSE(badPassword);
            EXPECT_FALSE(badAuth);
            EXPECT_EQ(BufferBytes(back), plain);
        }
    }
}

TEST(WinZipAesTest, AFlippedByteFailsAuthenticationWhileTheVerifierPasses)
{
    const Bytes plain = GeneratedSource::Make(20000, 5);
    const AesEntry e = EncryptAes(plain, "pw", 3);
    ASSERT_TRUE(e.ok);
    // Flip a byte in the encrypted data, in the code itself, and in the last data byte.
    for (std::size_t at : {std::size_t(16 + 2), std::size_t(16 + 2 + 9999), e.bytes.size() - 11, e.bytes.size() - 1}) {
        SCOPED_TRACE(at);
        Bytes damaged = e.bytes;
        damaged[at] ^= 0x01;
        DataBuffer back;
        back.Append("junk", 4);
        RecordingLog log;
        bool badPassword = true, badAuth = false;
        WinZipAes aes;
        EXPECT_FALSE(aes.Decrypt(damaged.data(), unsigned(damaged.size()), "pw", 3, &back, &log, &badPassword, &badAuth));
        EXPECT_FALSE(badPassword);
        EXPECT_TRUE(badAuth);
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0], "WinZip AES authentication code mismatch");
        EXPECT_EQ(back.GetSize(), 0u);  // unauthenticated bytes are not left for use
    }
}

TEST(WinZipAesTest, WrongPasswordsShortEntriesAndBadStrengthsAreReported)
{
    const AesEntry e = EncryptAes(ToBytes("hello"), "right", 1);
    ASSERT_TRUE(e.ok);
    struct Case {
        const char* name;
        Bytes entry;
        const char* password;
        int strength;
        const char* error;
        bool badPassword;
    };
    Bytes wrongVerifier = e.bytes;
    wrongVerifier[8] ^= 0xFF;
    const Case cases[] = {
        {"wrong password", e.bytes, "wrong", 1, "Invalid password for WinZip AES decryption", true},
        {"verifier damaged", wrongVerifier, "right", 1, "Invalid password for WinZip AES decryption", true},
        {"too short", Bytes(e.bytes.begin(), e.bytes.begin() + 19), "right", 1, "Not enough data for a WinZip AES entry",
         false},
        {"too short for strength 3", Bytes(27, 0), "right", 3, "Not enough data for a WinZip AES entry", false},
        {"bad strength", e.bytes, "right", 4, "WinZip AES decrypt initialization failed", false},
        {"password too long", e.bytes, nullptr, 1, "WinZip AES decrypt initialization failed", false},
    };
    const std::string longPassword(129, 'p');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLog log;
        DataBuffer back;
        bool badPassword = false, badAuth = false;
        WinZipAes aes;
        const char* password = c.password != nullptr ? c.password : longPassword.c_str();
        EXPECT_FALSE(aes.Decrypt(c.entry.data(), unsigned(c.entry.size()), password, c.strength, &back, &log,
                                 &badPassword, &badAuth));
        EXPECT_EQ(badPassword, c.badPassword);
        EXPECT_FALSE(badAuth);
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0], c.error);
    }
}

TEST(WinZipAesTest, InitAcceptsPasswordsUpTo128BytesAndStrengthsAsBits)
{
    const unsigned char salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::string p128(128, 'x'), p129(129, 'x');
    WinZipAesContext c;
    unsigned short v1 = 0, v2 = 0;
    EXPECT_EQ(WinZipAesInit(3, p128.data(), 128, salt, &v1, &c), 0);
    EXPECT_EQ(WinZipAesInit(3, p129.data(), 129, salt, &v2, &c), -100);
    EXPECT_EQ(WinZipAesInit(0, "a", 1, salt, &v2, &c), -101);
    EXPECT_EQ(WinZipAesInit(4, "a", 1, salt, &v2, &c), -101);
    for (auto [small, bits] : {std::pair {1, 128}, std::pair {2, 192}, std::pair {3, 256}}) {
        unsigned short a = 0, b = 1;
        WinZipAesContext ca, cb;
        ASSERT_EQ(WinZipAesInit(small, "pw", 2, salt, &a, &ca), 0);
        ASSERT_EQ(WinZipAesInit(bits, "pw", 2, salt, &b, &cb), 0);
        EXPECT_EQ(a, b);
        unsigned char x[40] = {}, y[40] = {};
        WinZipAesEncryptBlock(x, 40, &ca);
        WinZipAesEncryptBlock(y, 40, &cb);
        EXPECT_EQ(ToHex(x, 40), ToHex(y, 40));
    }
}

TEST(WinZipAesTest, CounterModeMatchesAesOfALittleEndianCounterFromOne)
{
    // The verifier and keys come from PBKDF2 exactly as derived here; the key stream is AES of
    // counter blocks 1, 2, ... over the first 8 bytes, little-endian.
    const unsigned char salt[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    unsigned char derived[34];
    DeriveKeyPbkdf2(reinterpret_cast<const unsigned char*>("pw"), 2, salt, 8, 1000, derived, 34);
    WinZipAesContext c;
    unsigned short verifier = 0;
    ASSERT_EQ(WinZipAesInit(1, "pw", 2, salt, &verifier, &c), 0);
    EXPECT_EQ(verifier, derived[32] | (derived[33] << 8));

    Bytes data(300, 0);
    // Uneven pieces must continue the same stream.
    WinZipAesEncryptBlock(data.data(), 7, &c);
    WinZipAesEncryptBlock(data.data() + 7, 250, &c);
    WinZipAesEncryptBlock(data.data() + 257, 43, &c);

    AesContext aes;
    ASSERT_TRUE(AesSetEncryptKey(derived, 16, &aes));
    for (unsigned block = 0; block * 16 < data.size(); ++block) {
        unsigned char counter[16] = {};
        const unsigned value = block + 1;
        counter[0] = (unsigned char)value;
        counter[1] = (unsigned char)(value >> 8);
        unsigned char stream[16];
        AesEncryptBlock(counter, stream, &aes);
        for (unsigned i = 0; i < 16 && block * 16 + i < data.size(); ++i)
            ASSERT_EQ(data[block * 16 + i], stream[i]) << block;
    }
    // The code is HMAC-SHA-1 over the encrypted bytes with the second key, cut to 10 bytes.
    unsigned char mac[10];
    EXPECT_EQ(WinZipAesFinish(mac, &c), 10);
    HmacSha1Context h;
    HmacSha1Begin(&h);
    HmacSha1Key(derived + 16, 16, &h);
    HmacSha1Data(data.data(), data.size(), &h);
    unsigned char expected[10];
    HmacSha1End(expected, 10, &h);
    EXPECT_EQ(ToHex(mac, 10), ToHex(expected, 10));
}

TEST(WinZipAesTest, SourceAndFileEncryptionReadInBlocksAndDecryptTheSame)
{
    TempDir dir;
    const Bytes plain = GeneratedSource::Make(100000, 11);
    const std::string path = dir.File("plain.bin");
    WriteFileBytes(path, plain);

    WinZipAes aes;
    {
        GeneratedSource source(100000, 11);
        DataBuffer buffer;
        OutputDataBuffer out(&buffer);
        unsigned count = 0;
        ASSERT_TRUE(aes.EncryptSource(&source, "pw", 3, &out, nullptr, &count));
        EXPECT_EQ(count, 100000u);
        EXPECT_EQ(source.largestRead, kWinZipAesBlock);
        DataBuffer back;
        ASSERT_TRUE(aes.Decrypt(buffer.GetData(), buffer.GetSize(), "pw", 3, &back, nullptr, nullptr, nullptr));
        EXPECT_EQ(BufferBytes(back), plain);
    }
    {
        MemoryDataSource source(plain.data(), DWORD(plain.size()));
        DataBuffer buffer;
        OutputDataBuffer out(&buffer);
        unsigned count = 0;
        ASSERT_TRUE(aes.EncryptSource(&source, "pw", 2, &out, nullptr, &count));
        EXPECT_EQ(count, 100000u);
        DataBuffer back;
        ASSERT_TRUE(aes.Decrypt(buffer.GetData(), buffer.GetSize(), "pw", 2, &back, nullptr, nullptr, nullptr));
        EXPECT_EQ(BufferBytes(back), plain);
    }
    {
        DataBuffer buffer;
        OutputDataBuffer out(&buffer);
        unsigned count = 0;
        ASSERT_TRUE(aes.EncryptFile(path.c_str(), "pw", 1, &out, nullptr, &count));
        EXPECT_EQ(count, 100000u);
        DataBuffer back;
        ASSERT_TRUE(aes.Decrypt(buffer.GetData(), buffer.GetSize(), "pw", 1, &back, nullptr, nullptr, nullptr));
        EXPECT_EQ(BufferBytes(back), plain);
        EXPECT_FALSE(aes.EncryptFile(dir.File("missing").c_str(), "pw", 1, &out, nullptr, &count));
    }
    {
        // An output that stops taking bytes fails the encryption.
        CollectingOutput shortOut(5000);
        EXPECT_FALSE(aes.EncryptMemory(plain.data(), unsigned(plain.size()), "pw", 3, &shortOut, nullptr));
    }
    {
        RecordingLog log;
        DataBuffer buffer;
        OutputDataBuffer out(&buffer);
        const std::string p129(129, 'x');
        EXPECT_FALSE(aes.EncryptMemory(plain.data(), 10, p129.c_str(), 3, &out, &log));
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0], "WinZip AES encrypt initialization failed");
    }
}

TEST(WinZipAesTest, SaltsDifferBetweenEntriesMadeAtOnce)
{
    std::set<std::string> salts;
    for (int i = 0; i < 20; ++i) {
        const AesEntry e = EncryptAes(ToBytes("x"), "pw", 3);
        salts.insert(ToHex(e.bytes.data(), 16));
    }
    EXPECT_EQ(salts.size(), 20u);
}
