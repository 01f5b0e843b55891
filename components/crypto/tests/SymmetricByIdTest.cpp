#include "components/crypto/BlowFish.h"
#include "components/crypto/Rijndael2.h"
#include "components/crypto/SymmetricById.h"
#include "components/crypto/TwoFish.h"
#include "components/foundation/ProgressMonitor.h"

#include "CryptoTestSupport.h"

namespace {

std::vector<unsigned char> EncryptBytes(int id, int bits, const char* phrase, const std::vector<unsigned char>& plain)
{
    DataBuffer out;
    EXPECT_TRUE(SymmetricEncryptBytes(id, bits, phrase, plain.data(), int(plain.size()), out)) << id;
    return BytesOf(out);
}

std::vector<unsigned char> DecryptBytes(int id, int bits, const char* phrase, const std::vector<unsigned char>& data)
{
    DataBuffer out;
    EXPECT_TRUE(SymmetricDecryptBytes(id, bits, phrase, data.data(), int(data.size()), out)) << id;
    return BytesOf(out);
}

// One EncryptBuffer over all bytes, with the cipher the file forms pick for the id.
std::vector<unsigned char> OneBufferEncryption(int id, int bits, const char* phrase, const std::vector<unsigned char>& plain)
{
    std::unique_ptr<SymmetricAlgorithm2> cipher;
    if (id == 2)
        cipher = std::make_unique<TwoFish>();
    else if (id == 3)
        cipher = std::make_unique<BlowFish>();
    else
        cipher = std::make_unique<Rijndael2>();
    cipher->SetKeyLength(bits);
    cipher->SetModeCbc();
    cipher->SetPassPhrase(phrase);
    DataBuffer in;
    Fill(in, plain);
    std::unique_ptr<DataBuffer> out(cipher->EncryptBuffer(in));
    return out ? BytesOf(*out) : std::vector<unsigned char>();
}

TEST(SymmetricByIdTest, ByteRangeSizesCarryTwoPaddingLayers)
{
    for (int id : { 0, 1, 2, 3, 7 }) {
        SCOPED_TRACE(id);
        const std::pair<std::size_t, std::size_t> sizes[] = { { 1, 32 }, { 15, 32 }, { 16, 48 }, { 31, 48 }, { 32, 64 } };
        for (const auto& [plainSize, cipherSize] : sizes)
            EXPECT_EQ(EncryptBytes(id, 128, "pw", SampleBytes(plainSize)).size(), cipherSize);
        DataBuffer out;
        Fill(out, { 1, 2, 3 });
        EXPECT_TRUE(SymmetricEncryptBytes(id, 128, "pw", nullptr, 0, out));
        EXPECT_EQ(out.GetSize(), 0u);
        Fill(out, { 1, 2, 3 });
        EXPECT_TRUE(SymmetricDecryptBytes(id, 128, "pw", nullptr, 0, out));
        EXPECT_EQ(out.GetSize(), 0u);
    }
}

TEST(SymmetricByIdTest, ByteRangeRoundTripsForEveryIdAndKeyLength)
{
    for (int id : { 1, 2, 3, 4, -1 }) {
        for (int bits : { 128, 192, 256 }) {
            for (std::size_t size : { 1u, 16u, 33u, 500u }) {
                auto plain = SampleBytes(size, unsigned(id + bits));
                auto encrypted = EncryptBytes(id, bits, "pass phrase", plain);
                EXPECT_EQ(DecryptBytes(id, bits, "pass phrase", encrypted), plain) << id << "/" << bits << "/" << size;
                EXPECT_EQ(EncryptBytes(id, bits, "pass phrase", plain), encrypted) << "not deterministic";
            }
        }
    }
}

TEST(SymmetricByIdTest, IdsPickTheirCiphers)
{
    auto plain = SampleBytes(40);
    auto blowfish = EncryptBytes(3, 128, "k", plain);
    EXPECT_EQ(EncryptBytes(0, 128, "k", plain), blowfish);
    EXPECT_EQ(EncryptBytes(9, 128, "k", plain), blowfish);
    EXPECT_NE(EncryptBytes(1, 128, "k", plain), blowfish);
    EXPECT_NE(EncryptBytes(2, 128, "k", plain), blowfish);
    EXPECT_NE(EncryptBytes(1, 128, "k", plain), EncryptBytes(2, 128, "k", plain));
    // Id 0 decrypts by copying (and strips one padding layer), so it does not undo its encryption.
    auto copied = DecryptBytes(0, 128, "k", blowfish);
    EXPECT_NE(copied, plain);
    EXPECT_EQ(copied.size(), blowfish.size() - std::size_t(blowfish.back() >= 1 && blowfish.back() <= 16 ? blowfish.back() : 0));
}

TEST(SymmetricByIdTest, RefusesNullPhraseOrDataAndDamagedInput)
{
    unsigned char byte = 1;
    DataBuffer out;
    EXPECT_FALSE(SymmetricEncryptBytes(1, 128, nullptr, &byte, 1, out));
    EXPECT_FALSE(SymmetricEncryptBytes(1, 128, "pw", nullptr, 1, out));
    EXPECT_FALSE(SymmetricEncryptBytes(1, 128, "pw", &byte, -1, out));
    EXPECT_FALSE(SymmetricDecryptBytes(1, 128, nullptr, &byte, 1, out));
    EXPECT_FALSE(SymmetricDecryptBytes(2, 128, "pw", nullptr, 1, out));
    auto damaged = SampleBytes(33);
    EXPECT_FALSE(SymmetricDecryptBytes(1, 128, "pw", damaged.data(), 33, out));
    EXPECT_FALSE(SymmetricDecryptBytes(3, 128, "pw", damaged.data(), 33, out));
}

TEST(SymmetricByIdTest, WrongPassPhraseGivesOtherBytes)
{
    auto plain = BytesOf(std::string("a known text that the caller compares"));
    for (int id : { 1, 2, 3 }) {
        auto encrypted = EncryptBytes(id, 256, "right", plain);
        DataBuffer out;
        EXPECT_TRUE(SymmetricDecryptBytes(id, 256, "wrong", encrypted.data(), int(encrypted.size()), out));
        EXPECT_NE(BytesOf(out), plain) << id;
    }
}

// The archive password verifier: id 3 at 256 bits, checked against the key lengths in turn.
TEST(SymmetricByIdTest, PasswordVerifierCheckText)
{
    auto check = BytesOf(std::string("5C0E7A92B4D1F3685C0E7A92B4D1F368"));
    auto encrypted = EncryptBytes(3, 256, "archive password", check);
    EXPECT_EQ(encrypted.size(), 64u);
    EXPECT_EQ(DecryptBytes(3, 256, "archive password", encrypted), check);
    EXPECT_NE(DecryptBytes(3, 128, "archive password", encrypted), check);
    EXPECT_NE(DecryptBytes(3, 192, "archive password", encrypted), check);
}

TEST(SymmetricByIdTest, BufferFormsHaveOnePaddingLayerAndRefuseOtherIds)
{
    auto plain = SampleBytes(16);
    DataBuffer in;
    Fill(in, plain);
    for (int id : { 1, 2, 3 }) {
        std::unique_ptr<DataBuffer> encrypted(SymmetricEncryptBufferById(in, id, 192, "pw"));
        ASSERT_TRUE(encrypted);
        EXPECT_EQ(encrypted->GetSize(), 32u);
        std::unique_ptr<DataBuffer> decrypted(SymmetricDecryptBufferById(*encrypted, id, 192, "pw"));
        ASSERT_TRUE(decrypted);
        EXPECT_EQ(BytesOf(*decrypted), plain);
    }
    for (int id : { 0, 4, -3 }) {
        EXPECT_EQ(SymmetricEncryptBufferById(in, id, 128, "pw"), nullptr);
        EXPECT_EQ(SymmetricDecryptBufferById(in, id, 128, "pw"), nullptr);
        DataBuffer empty;
        std::unique_ptr<DataBuffer> out(SymmetricEncryptBufferById(empty, id, 128, "pw"));
        ASSERT_TRUE(out);
        EXPECT_EQ(out->GetSize(), 0u);
    }
}

class SymmetricFileTest : public ::testing::Test {
protected:
    bool EncryptFile(int id, int bits, const std::vector<unsigned char>& plain, ProgressMonitor* monitor = nullptr)
    {
        WriteFileBytes(folder.File("plain"), plain);
        return SymmetricEncryptFile(id, bits, "file phrase", folder.File("plain").c_str(), folder.File("sealed").c_str(),
                                    monitor, log);
    }
    bool DecryptFile(int id, int bits)
    {
        return SymmetricDecryptFile(id, bits, "file phrase", folder.File("sealed").c_str(), folder.File("opened").c_str(),
                                    nullptr, log);
    }

    TemporaryFolder folder;
    RecordingLog log;
};

// Sizes around the 800,000-byte chunk; more than one chunk must equal one EncryptBuffer, for
// every cipher (Twofish too), and decrypt back.
TEST_F(SymmetricFileTest, ChunkedFilesEqualOneBufferAndRoundTrip)
{
    ASSERT_TRUE(folder.IsValid());
    const std::size_t sizes[] = { 0, 1, 799999, 800000, 800001, 1600016, 1700003 };
    for (int id : { 1, 2, 3, 6 }) {
        for (std::size_t size : sizes) {
            SCOPED_TRACE(testing::Message() << "id " << id << " size " << size);
            auto plain = SampleBytes(size, unsigned(size + std::size_t(id)));
            ASSERT_TRUE(EncryptFile(id, 256, plain));
            auto sealed = ReadFileBytes(folder.File("sealed"));
            EXPECT_EQ(sealed.size(), size == 0 ? 0 : (size / 16 + 1) * 16);
            if (size > 0) {
                EXPECT_EQ(sealed, OneBufferEncryption(id, 256, "file phrase", plain));
            }
            ASSERT_TRUE(DecryptFile(id, 256));
            EXPECT_EQ(ReadFileBytes(folder.File("opened")), plain);
        }
    }
    EXPECT_TRUE(log.errors.empty());
}

// A multi-chunk Rijndael file is plain AES-256-CBC with a zero IV and PKCS#7 padding.
TEST_F(SymmetricFileTest, OpensslDecryptsMultiChunkRijndaelFile)
{
    ASSERT_TRUE(folder.IsValid());
    auto plain = SampleBytes(800001, 99);
    ASSERT_TRUE(EncryptFile(1, 256, plain));
    Rijndael2 cipher;
    cipher.SetPassPhrase("file phrase");
    std::string key = HexFromBytes(BytesOf(cipher.GetKeyMaterial()));
    RunCommand("openssl enc -d -aes-256-cbc -K " + key + " -iv 00000000000000000000000000000000 -in "
               + folder.File("sealed") + " -out " + folder.File("theirs") + " 2>&1");
    EXPECT_EQ(ReadFileBytes(folder.File("theirs")), plain);
}

TEST_F(SymmetricFileTest, OtherIdsUseRijndaelAtEverySize)
{
    ASSERT_TRUE(folder.IsValid());
    for (std::size_t size : { 10u, 900000u }) {
        auto plain = SampleBytes(size);
        ASSERT_TRUE(EncryptFile(0, 128, plain)) << size;
        EXPECT_EQ(ReadFileBytes(folder.File("sealed")), OneBufferEncryption(1, 128, "file phrase", plain));
        ASSERT_TRUE(DecryptFile(7, 128));
        EXPECT_EQ(ReadFileBytes(folder.File("opened")), plain);
    }
}

TEST_F(SymmetricFileTest, MonitorHearsBytesRead)
{
    ASSERT_TRUE(folder.IsValid());
    ProgressMonitor monitor(nullptr, 1000001);
    ASSERT_TRUE(EncryptFile(1, 128, SampleBytes(1000001), &monitor));
    EXPECT_EQ(monitor.GetDone(), 1000001);
}

TEST_F(SymmetricFileTest, FailuresAreReportedAndLogged)
{
    ASSERT_TRUE(folder.IsValid());
    EXPECT_FALSE(SymmetricEncryptFile(1, 128, "pw", folder.File("missing").c_str(), folder.File("out").c_str(), nullptr, log));
    ASSERT_FALSE(log.errors.empty());
    EXPECT_EQ(log.errors.back(), "Failed to open file for reading");

    WriteFileBytes(folder.File("plain"), SampleBytes(10));
    std::string unwritable = folder.File("no/such/folder/out");
    EXPECT_FALSE(SymmetricEncryptFile(1, 128, "pw", folder.File("plain").c_str(), unwritable.c_str(), nullptr, log));
    EXPECT_EQ(log.errors.back(), "Failed to create output file");

    EXPECT_FALSE(SymmetricEncryptFile(1, 128, nullptr, folder.File("plain").c_str(), folder.File("out").c_str(), nullptr, log));

    // A damaged cipher file (not whole blocks) fails instead of producing garbage.
    for (std::size_t size : { 33u, 800000u + 33u }) {
        WriteFileBytes(folder.File("sealed"), SampleBytes(size));
        EXPECT_FALSE(DecryptFile(1, 256)) << size;
        EXPECT_FALSE(DecryptFile(2, 256)) << size;
    }
}

} // namespace
