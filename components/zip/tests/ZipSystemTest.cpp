// The registry behind the public class, the callback routing, the self-extractor defaults and the
// way names are stored.

#include "components/zip/ZipSystem.h"

#include "components/foundation/ClsXml.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/SfxConfig.h"
#include "components/zip/ZipCallback.h"
#include "components/zip/ZipFormat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::HasSubstr;

namespace {

TEST(ZipSystemTest, ReleaseAtZeroDeletesNothingAndTheLastReleaseDeletesAll)
{
    auto* system = new ZipSystem();
    EXPECT_EQ(system->Release(), 0); // count already 0: nothing deleted, still usable
    system->AddRef();
    system->AddRef();
    auto* zip = new ClsZip2(system);
    EXPECT_EQ(system->RegisterZip(zip), 0);
    EXPECT_EQ(system->RegisterZip(zip), 0) << "registered once";
    EXPECT_EQ(system->RegisterZip(nullptr), 0);
    EXPECT_EQ(system->ZipCount(), 1);
    EXPECT_EQ(system->Release(), 1);
    EXPECT_EQ(system->Release(), 0); // deletes the registry and the archive (the sanitizer checks)
}

TEST(ZipSystemTest, FindZipCorrectsAStaleHintAndMissesUnknownIds)
{
    auto* system = new ZipSystem();
    system->AddRef();
    auto* first = new ClsZip2(system);
    auto* second = new ClsZip2(system);
    system->RegisterZip(first);
    system->RegisterZip(second);
    int hint = 0;
    EXPECT_EQ(system->FindZip(second->GetId(), &hint), second);
    EXPECT_EQ(hint, 1);
    hint = 7;
    EXPECT_EQ(system->FindZip(first->GetId(), &hint), first);
    EXPECT_EQ(hint, 0);
    EXPECT_EQ(system->FindZip(second->GetId() + 1000, &hint), nullptr);
    EXPECT_EQ(system->FindZip(first->GetId(), nullptr), first);
    EXPECT_NE(first->GetId(), second->GetId());
    system->Release();
}

class RoutingCallback : public ZipCallback {
public:
    void WritePercentDone(int percent, bool* abort) override
    {
        writes.push_back(percent);
        *abort = abortWrites;
    }
    void PercentDone(int percent, bool*) override { others.push_back(percent); }
    void AbortCheck(bool* abort) override { *abort = true; }
    std::vector<int> writes, others;
    bool abortWrites = false;
};

TEST(ZipCallbackTest, PercentGoesToTheWriteEventOnceWritingBegan)
{
    RoutingCallback callback;
    bool abort = false;
    callback.OnPercentDone(10, &abort);
    callback.SetWriting();
    callback.abortWrites = true;
    callback.OnPercentDone(20, &abort);
    EXPECT_EQ(callback.others, std::vector<int>({10}));
    EXPECT_EQ(callback.writes, std::vector<int>({20}));
    EXPECT_TRUE(abort);
    bool stop = false;
    callback.OnAbortCheck(&stop);
    EXPECT_TRUE(stop);
    // The defaults leave the caller's flags alone.
    ZipCallback plain;
    bool skip = false;
    plain.ToBeZipped("x", 1, &skip);
    plain.ToBeAdded("x", 1, &skip);
    EXPECT_FALSE(skip);
}

TEST(SfxConfigTest, DefaultDocument)
{
    SfxConfig config;
    torvane::StringBuffer xml;
    ASSERT_TRUE(config.Xml().GetXml(xml));
    const std::string text = xml.GetText();
    EXPECT_THAT(text, HasSubstr("utf-8"));
    const char* expected = "<SfxConfig><AutoTemp>0</AutoTemp><DeleteAfterSetup>0</DeleteAfterSetup><ShowFin>0</ShowFin>"
                           "<ShowMain>1</ShowMain><ShowProgress>1</ShowProgress><WaitForSetup>1</WaitForSetup>"
                           "<Encryption>0</Encryption><KeyLength>128</KeyLength></SfxConfig>";
    std::string compact;
    for (char c : text.substr(text.find("<SfxConfig>")))
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t') compact += c;
    EXPECT_EQ(compact, expected);
}

TEST(ZipNameTest, NamesThatAreNotAsciiAreStoredAsFlaggedUtf8)
{
    const struct {
        const char* utf8;
        std::string stored;
        bool flag;
    } cases[] = {
        {"photo.jpg", "photo.jpg", false},
        {"caf\xC3\xA9.jpg", "caf\xC3\xA9.jpg", true},                     // é has an OEM form, yet UTF-8
        {"Galerie f\xC3\xBCr Oma/", "Galerie f\xC3\xBCr Oma/", true},
        {"\xE6\x97\xA5\xE6\x9C\xAC.jpg", "\xE6\x97\xA5\xE6\x9C\xAC.jpg", true}, // 日本
        {"\xC3\xA9\xE6\x97\xA5.jpg", "\xC3\xA9\xE6\x97\xA5.jpg", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        DataBuffer stored;
        bool flag = false;
        ZipEncodeName(c.utf8, 437, stored, &flag);
        EXPECT_EQ(std::string((const char*)stored.GetData(), stored.GetSize()), c.stored);
        EXPECT_EQ(flag, c.flag);
        torvane::StringBuffer back;
        ZipDecodeName(stored.GetData(), stored.GetSize(), flag, 437, back);
        EXPECT_STREQ(back.GetText(), c.utf8);
    }
}

TEST(ZipNameTest, UnflaggedNamesOfOtherToolsReadInTheCodePage)
{
    torvane::StringBuffer name;
    const unsigned char oem[] = {'c', 'a', 'f', 0x82, '.', 'j', 'p', 'g'}; // é in code page 437
    ZipDecodeName(oem, sizeof oem, false, 437, name);
    EXPECT_STREQ(name.GetText(), "caf\xC3\xA9.jpg");
    const unsigned char utf8[] = {'c', 'a', 'f', 0xC3, 0xA9, '.', 'j', 'p', 'g'};
    ZipDecodeName(utf8, sizeof utf8, true, 437, name);
    EXPECT_STREQ(name.GetText(), "caf\xC3\xA9.jpg");
}

TEST(ZipFormatTest, RecordsRoundTrip)
{
    ZipCentralRecord record;
    record.versionMadeBy = 0x0B14;
    record.flags = 0x0801;
    record.method = 99;
    record.crc = 0xDEADBEEF;
    record.compressedSize = 0x01020304;
    record.uncompressedSize = 0xFFFFFFFF;
    record.nameLength = 7;
    record.extraLength = 11;
    record.internalAttributes = 1;
    record.externalAttributes = 0x20;
    record.localHeaderOffset = 0x7FFFFFFF;
    unsigned char bytes[kZipCentralRecordSize];
    record.Store(bytes);
    ZipCentralRecord back;
    back.Load(bytes);
    unsigned char again[kZipCentralRecordSize];
    back.Store(again);
    EXPECT_EQ(std::string((char*)bytes, sizeof(bytes)), std::string((char*)again, sizeof(again)));
    EXPECT_EQ(ZipRead32(bytes), kZipCentralSignature);

    unsigned char aes[kZipAesExtraSize];
    const struct {
        int bits;
        unsigned char strength;
    } strengths[] = {{128, 1}, {192, 2}, {256, 3}, {64, 1}};
    for (const auto& s : strengths) {
        ZipMakeAesExtra(s.bits, 8, aes);
        EXPECT_EQ(std::string((char*)aes, 8), std::string("\x01\x99\x07\x00\x02\x00" "AE", 8));
        EXPECT_EQ(aes[8], s.strength);
        EXPECT_EQ(aes[9], 8);
        EXPECT_EQ(aes[10], 0);
    }
}

} // namespace
