// The archive object below the public class: every encryption the archive can write, opening and
// writing again (unchanged or with new protection), the password verifier, the limits of the
// classic format, and the record fields the writer fills in.

#include "components/zip/ClsZip2.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZipEntry2.h"
#include "components/zip/OutputDataBuffer.h"
#include "components/zip/ZipDn.h"
#include "components/zip/ZipPipeline.h"
#include "components/zip/ZipWalk.h"

#include "ArchiveTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace archive_test;
using pipeline_test::ReadFileBytes;
using pipeline_test::TempDir;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

std::string LogText(ClsZip2& zip)
{
    XString text;
    zip.GetErrorLogText(text, false);
    return text.GetUtf8();
}

struct Utf8Text : XString {
    explicit Utf8Text(const std::string& s) { SetFromUtf8(s.c_str()); }
};

class ClsZip2Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = temp.Path() / "src";
        MakeFile(source / "notes.txt", std::string(3000, 'n') + "end");
        MakeFile(source / "empty.bin", "");
        MakeFile(source / "dir" / "data.bin", std::string("\x00\x01\x02\x03", 4) + std::string(500, 'q'));
        handle = std::make_unique<ZipDn>(0);
        zip = handle->Archive();
    }

    bool WriteTree(const std::string& zipPath, int expectedEntries = 4)
    {
        XString path;
        path.SetFromUtf8(zipPath.c_str());
        zip->NewZip(path);
        int added = 0;
        XString pattern;
        pattern.SetFromUtf8(source.string().c_str());
        const bool appended = zip->AppendFiles(pattern, true, nullptr, &added);
        EXPECT_EQ(added, expectedEntries);
        return appended && zip->WriteZip(true, nullptr, nullptr);
    }

    // The walked records of an archive file, keyed by name.
    std::map<std::string, std::unique_ptr<ZipWalkEntry>> Walk(const std::string& zipPath)
    {
        ExtPtrArray entries;
        torvane::StringBuffer comment;
        ZipEndRecord end;
        Logger log;
        bool differ = false;
        EXPECT_TRUE(ZipWalk::WalkFile(zipPath.c_str(), log, entries, comment, end, 437, &differ));
        std::map<std::string, std::unique_ptr<ZipWalkEntry>> out;
        for (int i = 0; i < entries.GetCount(); ++i) {
            auto* e = entries.GetAtAs<ZipWalkEntry>(i);
            out[e->m_name.GetText()].reset(e);
        }
        entries.Forget();
        return out;
    }

    TempDir temp;
    fs::path source;
    std::unique_ptr<ZipDn> handle;
    ClsZip2* zip = nullptr;
};

TEST_F(ClsZip2Test, RecordFieldsOfFileEmptyAndDirectoryEntries)
{
    const std::string zipPath = temp.File("fields.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    auto entries = Walk(zipPath);
    ASSERT_EQ(entries.size(), 4u);

    const ZipWalkEntry& notes = *entries.at("notes.txt");
    EXPECT_EQ(notes.m_local.versionNeeded, 20);
    EXPECT_EQ(notes.m_local.method, 8);
    EXPECT_EQ(notes.m_local.flags, 0);
    EXPECT_EQ(notes.m_central.internalAttributes, 1) << "text extension";
    EXPECT_EQ(notes.m_central.versionMadeBy, 20);
    EXPECT_EQ(notes.m_local.crc, Crc32Of(std::string(3000, 'n') + "end"));

    const ZipWalkEntry& empty = *entries.at("empty.bin");
    EXPECT_EQ(empty.m_local.method, 0);
    EXPECT_EQ(empty.m_local.crc, 0u);
    EXPECT_EQ(empty.m_local.compressedSize, 0u);
    EXPECT_EQ(empty.m_local.flags & 1, 0);
    EXPECT_EQ(empty.m_central.internalAttributes, 0);

    const ZipWalkEntry& dir = *entries.at("dir/");
    EXPECT_EQ(dir.m_local.versionNeeded, 10);
    EXPECT_EQ(dir.m_local.method, 0);
    EXPECT_EQ(dir.m_local.crc, 0u);
    EXPECT_EQ(dir.m_central.externalAttributes & 0x10, 0x10u);
    for (const auto& [name, e] : entries) {
        EXPECT_EQ(e->m_central.localHeaderOffset, e->m_localOffset) << name;
        EXPECT_EQ(e->m_local.flags & 8, 0) << "no data descriptors";
    }
}

TEST(ZipTextName, OnlyTheFourTextExtensionsWithoutCase)
{
    const struct {
        const char* name;
        bool text;
    } cases[] = {
        {"a.txt", true}, {"A.TXT", true}, {"b.Xml", true}, {"c.html", true}, {"d.HTM", true},
        {"e.txt2", false}, {"f.htmlx", false}, {"g.jpg", false}, {"txt", false}, {".htm", true},
    };
    for (const auto& c : cases) EXPECT_EQ(ZipIsTextName(c.name), c.text) << c.name;
}

struct Protection {
    const char* label;
    int encryption;
    int keyLength;
    bool traditional;
};

const Protection kProtections[] = {
    {"traditional", 0, 128, true},
    {"own Rijndael 128", 1, 128, false},
    {"own Twofish 192", 2, 192, false},
    {"own Blowfish 256", 3, 256, false},
    {"AES 128", 4, 128, false},
    {"AES 192", 4, 192, false},
    {"AES 256", 4, 256, false},
};

class ProtectionTest : public ClsZip2Test, public ::testing::WithParamInterface<int> {};

TEST_P(ProtectionTest, WrittenReadBackAndWrittenAgainUnchanged)
{
    const Protection& p = kProtections[GetParam()];
    SCOPED_TRACE(p.label);
    zip->SetPassword("pass word");
    zip->SetEncryption(p.encryption);
    zip->SetKeyLength(p.keyLength);
    zip->SetTraditional(p.traditional);
    const std::string zipPath = temp.File("p.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    const Bytes first = ReadFileBytes(zipPath);

    std::string out;
    if (p.traditional && ToolAvailable("unzip")) {
        EXPECT_EQ(RunCapture("unzip -t -P 'pass word' " + Quote(zipPath), &out), 0) << out;
        EXPECT_NE(RunCapture("unzip -t -P wrong " + Quote(zipPath), &out), 0) << out;
    }
    if (p.encryption == 4 && ToolAvailable("7z")) {
        EXPECT_EQ(RunCapture("7z t -p'pass word' " + Quote(zipPath), &out), 0) << out;
        EXPECT_NE(RunCapture("7z t -pwrong " + Quote(zipPath), &out), 0) << out;
        RunCapture("7z l -slt " + Quote(zipPath), &out);
        EXPECT_THAT(out, HasSubstr("AES-" + std::to_string(p.keyLength)));
    }
    if (p.encryption >= 1 && p.encryption <= 3) {
        // The 20-byte marker field is the format's own (other tools reject it as an extra block);
        // the reader finds the cipher and key length in it.
        auto walked = Walk(zipPath);
        EXPECT_EQ(walked.at("notes.txt")->m_encryption, p.encryption);
        EXPECT_EQ(walked.at("notes.txt")->m_keyLength, p.keyLength);
        EXPECT_EQ(walked.at("dir/")->m_encryption, 0);
        EXPECT_THAT(std::string(zip->GetComment().GetText()), HasSubstr(ClsZip2::kVerifierMarker));
    }

    // Reopened (by the write) with the same settings, a second write copies every entry unchanged.
    EXPECT_EQ(zip->GetEncryption(), p.encryption);
    ASSERT_TRUE(zip->WriteZip(true, nullptr, nullptr)) << LogText(*zip);
    EXPECT_EQ(ReadFileBytes(zipPath), first);
}

TEST_P(ProtectionTest, ReencodedIntoAPlainArchiveGivesTheOriginalBytes)
{
    const Protection& p = kProtections[GetParam()];
    SCOPED_TRACE(p.label);
    zip->SetPassword("pass word");
    zip->SetEncryption(p.encryption);
    zip->SetKeyLength(p.keyLength);
    zip->SetTraditional(p.traditional);
    const std::string zipPath = temp.File("p.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);

    // The opened entries are decoded with the password they were written with and stored plain.
    zip->SetEncryption(0);
    zip->SetTraditional(false);
    const std::string plainPath = temp.File("plain.zip");
    const Utf8Text target(plainPath);
    ASSERT_EQ(zip->GetEntryCount(), 4);
    bool all = false;
    ASSERT_EQ(zip->WriteArchiveTo(target, nullptr, &all, nullptr), 0) << LogText(*zip);
    EXPECT_TRUE(all) << LogText(*zip);
    const std::string listing = PythonListing(plainPath);
    EXPECT_THAT(listing, HasSubstr("notes.txt|8|" + Hex8(Crc32Of(std::string(3000, 'n') + "end")) + "|3003|0"));
    EXPECT_THAT(listing, HasSubstr("empty.bin|0|00000000|0|0"));
    EXPECT_THAT(listing, HasSubstr("testzip=None"));
}

INSTANTIATE_TEST_SUITE_P(All, ProtectionTest, ::testing::Range(0, int(std::size(kProtections))));

TEST_F(ClsZip2Test, PlainArchiveReencodedWithAPasswordBecomesAes)
{
    if (!ToolAvailable("7z")) GTEST_SKIP() << "7z missing";
    const std::string zipPath = temp.File("plain.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    XString password;
    password.SetFromUtf8("later");
    ASSERT_TRUE(handle->SetPassword(password));
    ASSERT_TRUE(zip->WriteZip(true, nullptr, nullptr)) << LogText(*zip);
    std::string out;
    EXPECT_EQ(RunCapture("7z t -plater " + Quote(zipPath), &out), 0) << out;
    EXPECT_THAT(out, HasSubstr("Everything is Ok"));
    EXPECT_NE(RunCapture("7z t -pwrong " + Quote(zipPath), &out), 0);
}

TEST_F(ClsZip2Test, VerifierRejectsAWrongPasswordAndABrokenComment)
{
    zip->SetPassword("right");
    zip->SetEncryption(3);
    zip->SetKeyLength(128);
    const std::string zipPath = temp.File("v.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    ASSERT_EQ(zip->GetEntryCount(), 4);

    zip->SetPassword("wrong");
    EXPECT_FALSE(zip->OpenZip());
    EXPECT_THAT(LogText(*zip), HasSubstr("Invalid password (6)"));
    EXPECT_EQ(zip->GetEntryCount(), 0);

    zip->SetPassword("right");
    EXPECT_TRUE(zip->OpenZip()) << LogText(*zip);

    // The alternative marker is read like ours; a comment that is not base64 is refused.
    const struct {
        std::string comment;
        bool opens;
        const char* logLine;
    } cases[] = {
        {std::string(ClsZip2::kVerifierAltMarker) + "  [" + "@@@@" + "]", false, "Invalid Zip file comment."},
        {std::string(ClsZip2::kVerifierMarker) + "  [abc", false, "Invalid Zip file comment."},
        {"just a comment [AAAA]", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.comment);
        zip->SetComment(c.comment.c_str());
        zip->SetEncryption(0);
        ASSERT_TRUE(zip->WriteZip(false, nullptr, nullptr)) << LogText(*zip);
        EXPECT_EQ(zip->OpenZip(), c.opens) << LogText(*zip);
        if (!c.opens) {
            EXPECT_THAT(LogText(*zip), HasSubstr(c.logLine));
        }
        zip->SetPassword("right");
        ASSERT_TRUE(WriteTree(zipPath));
    }
}

TEST_F(ClsZip2Test, MemoryTargetGetsTheSameBytesAsTheFile)
{
    const std::string zipPath = temp.File("m.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    const Bytes onDisk = ReadFileBytes(zipPath);
    DataBuffer memory;
    memory.Append("prefix", 6);
    ASSERT_TRUE(zip->WriteZip(false, nullptr, &memory)) << LogText(*zip);
    ASSERT_EQ(memory.GetSize(), onDisk.size() + 6);
    EXPECT_EQ(Bytes(memory.GetData() + 6, memory.GetData() + memory.GetSize()), onDisk);
}

TEST_F(ClsZip2Test, MoreThan65535EntriesFailInsteadOfWrapping)
{
    for (int count : {65535, 65536}) {
        SCOPED_TRACE(count);
        const Utf8Text path(temp.File("many.zip"));
        zip->NewZip(path);
        for (int i = 0; i < count; ++i)
            zip->AddEntry(ClsZipEntry2::CreateDataEntry(zip, ("e" + std::to_string(i)).c_str(), nullptr, 0));
        DataBuffer memory;
        const bool ok = zip->WriteZip(false, nullptr, &memory);
        if (count == 65535) {
            ASSERT_TRUE(ok) << LogText(*zip);
            ZipEndRecord end;
            end.Load(memory.GetData() + memory.GetSize() - 22);
            EXPECT_EQ(end.entries, 65535);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_THAT(LogText(*zip), HasSubstr("at most 65535"));
        }
    }
}

// Reports positions as if the archive already held almost 4 GB once the first byte is written.
class FarOutput : public Output {
public:
    explicit FarOutput(std::int64_t jump) : m_inner(&m_bytes), m_jump(jump) { }
    DWORD Write(const void* b, DWORD size, DWORD count, ProgressMonitor* m) override { return m_inner.Write(b, size, count, m); }
    std::int64_t Tell64() override
    {
        const std::int64_t p = m_inner.Tell64();
        return p == 0 ? 0 : p + m_jump;
    }
    bool Seek64(std::int64_t p) override { return m_inner.Seek64(p >= m_jump ? p - m_jump : p); }
    DWORD Tell() override { return DWORD(Tell64()); }

private:
    DataBuffer m_bytes;
    OutputDataBuffer m_inner;
    std::int64_t m_jump;
};

TEST_F(ClsZip2Test, OffsetsPast4GBFailInsteadOfWrapping)
{
    const struct {
        int entries;
        std::int64_t jump;
        bool ok;
        const char* logLine;
    } cases[] = {
        {2, 0xFFFFFFF0ll, false, "entry offset past 4 GB"},
        {1, 0xFFFFFFF0ll, false, "central directory past 4 GB"},
        {2, 0xFFFF0000ll, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logLine);
        zip->NewZip(Utf8Text(temp.File("far.zip")));
        for (int i = 0; i < c.entries; ++i)
            zip->AddEntry(ClsZipEntry2::CreateDataEntry(zip, ("d" + std::to_string(i)).c_str(), "0123456789", 10));
        FarOutput out(c.jump);
        bool all = false;
        std::int64_t end = 0;
        EXPECT_EQ(zip->WriteArchiveToOutput(&out, nullptr, &all, &end) == 0, c.ok);
        if (!c.ok) {
            EXPECT_THAT(LogText(*zip), HasSubstr(c.logLine));
        }
    }
}

TEST_F(ClsZip2Test, FileOf4GBIsRefusedAndTheRestIsWritten)
{
    const fs::path big = source / "big.raw";
    {
        std::ofstream f(big, std::ios::binary);
    }
    std::error_code ec;
    fs::resize_file(big, 0x100000000ull, ec);
    if (ec) GTEST_SKIP() << "no sparse files here";
    const std::string zipPath = temp.File("big.zip");
    EXPECT_FALSE(WriteTree(zipPath, 5));
    EXPECT_THAT(LogText(*zip), HasSubstr("File too large for 32-bit zip."));
    const std::string listing = PythonListing(zipPath);
    EXPECT_THAT(listing, HasSubstr("notes.txt|8|"));
    EXPECT_THAT(listing, ::testing::Not(HasSubstr("big.raw")));
    EXPECT_THAT(listing, HasSubstr("testzip=None"));
}

TEST_F(ClsZip2Test, EntryInflatingPastTheLimitStopsThereOnRewrite)
{
    const std::string zipPath = temp.File("plain.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    // Adding a password re-encodes every entry through an inflated scratch copy; the 3003 bytes
    // of notes.txt pass a limit of 1000, which stands in for the 4 GiB of the format.
    ZipPipeline::SetInflateLimitForTesting(1000);
    XString password;
    password.SetFromUtf8("later");
    ASSERT_TRUE(handle->SetPassword(password));
    const bool written = zip->WriteZip(true, nullptr, nullptr);
    ZipPipeline::SetInflateLimitForTesting(0);
    EXPECT_FALSE(written);
    EXPECT_THAT(LogText(*zip), HasSubstr("Inflated data too large for 32-bit zip."));
    // The entry fails alone; the others are written.
    auto entries = Walk(zipPath);
    EXPECT_EQ(entries.count("notes.txt"), 0u);
    EXPECT_EQ(entries.count("dir/data.bin"), 1u);
}

TEST_F(ClsZip2Test, AesArchiveOpenedWithoutItsPasswordIsCopiedButTakesNoNewEntry)
{
    zip->SetPassword("secret");
    zip->SetEncryption(4);
    zip->SetKeyLength(256);
    const std::string zipPath = temp.File("aes.zip");
    ASSERT_TRUE(WriteTree(zipPath)) << LogText(*zip);
    const Bytes written = ReadFileBytes(zipPath);

    ZipDn other(0);
    ClsZip2* opened = other.Archive();
    opened->NewZip(Utf8Text(zipPath));
    ASSERT_TRUE(opened->OpenZip()) << LogText(*opened);
    EXPECT_EQ(opened->GetEncryption(), 4);
    EXPECT_EQ(opened->GetKeyLength(), 256);
    // Nothing to encrypt: every entry passes as it stands.
    ASSERT_TRUE(opened->WriteZip(true, nullptr, nullptr)) << LogText(*opened);
    EXPECT_EQ(ReadFileBytes(zipPath), written);
    // A new entry would be encrypted, and there is no password for it.
    opened->AddEntry(ClsZipEntry2::CreateDataEntry(opened, "new.txt", "abc", 3));
    EXPECT_FALSE(opened->WriteZip(true, nullptr, nullptr));
    EXPECT_THAT(LogText(*opened), HasSubstr("A password must be specified for encrypted Zips."));
    EXPECT_EQ(ReadFileBytes(zipPath), written);
}

TEST_F(ClsZip2Test, OpeningTakesTheSettingsOfTheFirstRecordWithAnEncryptionId)
{
    // A plain archive sets encryption 0 from its first record; the key length stays usable.
    const std::string plainPath = temp.File("plain.zip");
    ASSERT_TRUE(WriteTree(plainPath)) << LogText(*zip);
    ZipDn other(0);
    ClsZip2* opened = other.Archive();
    opened->NewZip(Utf8Text(plainPath));
    opened->SetEncryption(2);
    opened->SetKeyLength(192);
    ASSERT_TRUE(opened->OpenZip()) << LogText(*opened);
    EXPECT_EQ(opened->GetEncryption(), 0);
    EXPECT_EQ(opened->GetKeyLength(), 192);
}

TEST_F(ClsZip2Test, FileEntryWithoutSourcePathFailsWithItsReason)
{
    zip->NewZip(Utf8Text(temp.File("r.zip")));
    zip->AddEntry(ClsZipEntry2::CreateFileEntry(zip, "named.txt", ""));
    EXPECT_FALSE(zip->WriteZip(true, nullptr, nullptr));
    EXPECT_THAT(LogText(*zip), HasSubstr("Failed to Zip: reason = 5"));
    EXPECT_THAT(LogText(*zip), ::testing::Not(HasSubstr("Full filename is missing")));
}

// Another tool's layout: an extended-timestamp block in front of the AES block in every extra
// field that has one, local and central.
Bytes WithTimestampBlockBeforeAes(const Bytes& archive, const std::vector<const ZipWalkEntry*>& entries)
{
    auto patch16 = [](Bytes& b, std::size_t at, unsigned v) {
        b[at] = (unsigned char)v;
        b[at + 1] = (unsigned char)(v >> 8);
    };
    auto patch32 = [&](Bytes& b, std::size_t at, unsigned v) {
        patch16(b, at, v & 0xFFFF);
        patch16(b, at + 2, v >> 16);
    };
    const Bytes block = {0x55, 0x54, 5, 0, 1, 0x10, 0x20, 0x30, 0x40};
    Bytes out;
    std::vector<unsigned> newOffsets;
    for (const ZipWalkEntry* e : entries) {
        newOffsets.push_back(unsigned(out.size()));
        const std::size_t at = std::size_t(e->m_localOffset);
        const unsigned nameLength = e->m_local.nameLength;
        const unsigned extraLength = e->m_local.extraLength;
        Bytes header(archive.begin() + at, archive.begin() + at + 30 + nameLength);
        const bool extend = extraLength > 0;
        if (extend) patch16(header, 28, extraLength + unsigned(block.size()));
        out.insert(out.end(), header.begin(), header.end());
        if (extend) out.insert(out.end(), block.begin(), block.end());
        out.insert(out.end(), archive.begin() + at + 30 + nameLength,
                   archive.begin() + std::size_t(e->m_dataOffset) + e->CompressedSize());
    }
    const unsigned centralStart = unsigned(out.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ZipWalkEntry* e = entries[i];
        const std::size_t at = std::size_t(e->m_centralOffset);
        const ZipCentralRecord& c = e->m_central;
        Bytes record(archive.begin() + at, archive.begin() + at + 46 + c.nameLength);
        patch32(record, 42, newOffsets[i]);
        const bool extend = c.extraLength > 0;
        if (extend) patch16(record, 30, c.extraLength + unsigned(block.size()));
        out.insert(out.end(), record.begin(), record.end());
        if (extend) out.insert(out.end(), block.begin(), block.end());
        out.insert(out.end(), archive.begin() + at + 46 + c.nameLength,
                   archive.begin() + at + 46 + c.nameLength + c.extraLength + c.commentLength);
    }
    const unsigned centralSize = unsigned(out.size()) - centralStart;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, unsigned(entries.size()));
    Put16(out, unsigned(entries.size()));
    Put32(out, centralSize);
    Put32(out, centralStart);
    Put16(out, 0);
    return out;
}

TEST_F(ClsZip2Test, AesBlockAmongOtherExtraBlocksIsFoundAndKeptOnRewrite)
{
    zip->SetPassword("pass");
    zip->SetEncryption(4);
    zip->SetKeyLength(256);
    const std::string ownPath = temp.File("own.zip");
    ASSERT_TRUE(WriteTree(ownPath)) << LogText(*zip);
    auto walked = Walk(ownPath);
    std::vector<const ZipWalkEntry*> order;
    for (const auto& [name, e] : walked) order.push_back(e.get());
    std::sort(order.begin(), order.end(),
              [](const ZipWalkEntry* a, const ZipWalkEntry* b) { return a->m_localOffset < b->m_localOffset; });
    const std::string otherPath = temp.File("other.zip");
    pipeline_test::WriteFileBytes(otherPath, WithTimestampBlockBeforeAes(ReadFileBytes(ownPath), order));

    auto other = Walk(otherPath);
    const ZipWalkEntry& notes = *other.at("notes.txt");
    EXPECT_EQ(notes.m_local.extraLength, 20);
    EXPECT_EQ(notes.m_encryption, 4);
    EXPECT_EQ(notes.m_keyLength, 256);
    EXPECT_EQ(notes.m_aesMethod, 8);

    for (const char* password : {"pass", ""}) {
        SCOPED_TRACE(*password ? "with the password" : "without a password");
        ZipDn handle2(0);
        ClsZip2* opened = handle2.Archive();
        const std::string copyPath = temp.File("other.zip");
        opened->NewZip(Utf8Text(copyPath));
        opened->SetPassword(password);
        ASSERT_TRUE(opened->OpenZip()) << LogText(*opened);
        ASSERT_TRUE(opened->WriteZip(true, nullptr, nullptr)) << LogText(*opened);
        auto rewritten = Walk(copyPath);
        for (const auto& [name, e] : rewritten) {
            if (e->m_local.method != 99) continue;
            EXPECT_TRUE(e->m_hasAesExtra) << name;
            EXPECT_EQ(e->m_local.extraLength, 11) << name;
            EXPECT_EQ(e->m_central.extraLength, 11) << name;
        }
        EXPECT_EQ(rewritten.at("notes.txt")->m_local.method, 99);
        std::string out;
        if (ToolAvailable("7z")) {
            EXPECT_EQ(RunCapture("7z t -ppass " + Quote(copyPath), &out), 0) << out;
        }
    }
    // Decoded into a plain archive, the data is the original.
    ZipDn handle3(0);
    ClsZip2* plain = handle3.Archive();
    plain->NewZip(Utf8Text(otherPath));
    plain->SetPassword("pass");
    ASSERT_TRUE(plain->OpenZip()) << LogText(*plain);
    plain->SetEncryption(0);
    bool all = false;
    const std::string plainPath = temp.File("plain.zip");
    ASSERT_EQ(plain->WriteArchiveTo(Utf8Text(plainPath), nullptr, &all, nullptr), 0) << LogText(*plain);
    EXPECT_TRUE(all) << LogText(*plain);
    EXPECT_THAT(PythonListing(plainPath), HasSubstr("notes.txt|8|" + Hex8(Crc32Of(std::string(3000, 'n') + "end"))));
}

TEST_F(ClsZip2Test, MethodNinetyNineWithoutAnAesBlockIsNeverWritten)
{
    // A stored entry marked as method 99 with no AES block anywhere.
    Bytes archive;
    const std::string name = "x.bin";
    const std::string data = "plain";
    Put32(archive, 0x04034B50);
    Put16(archive, 20);
    Put16(archive, 1);
    Put16(archive, 99);
    Put32(archive, 0);
    Put32(archive, Crc32Of(data));
    Put32(archive, unsigned(data.size()));
    Put32(archive, unsigned(data.size()));
    Put16(archive, unsigned(name.size()));
    Put16(archive, 0);
    archive.insert(archive.end(), name.begin(), name.end());
    archive.insert(archive.end(), data.begin(), data.end());
    const unsigned centralStart = unsigned(archive.size());
    Put32(archive, 0x02014B50);
    Put16(archive, 20);
    Put16(archive, 20);
    Put16(archive, 1);
    Put16(archive, 99);
    Put32(archive, 0);
    Put32(archive, Crc32Of(data));
    Put32(archive, unsigned(data.size()));
    Put32(archive, unsigned(data.size()));
    Put16(archive, unsigned(name.size()));
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, 0);
    Put32(archive, 0);
    Put32(archive, 0);
    archive.insert(archive.end(), name.begin(), name.end());
    const unsigned centralSize = unsigned(archive.size()) - centralStart;
    Put32(archive, 0x06054B50);
    Put32(archive, 0);
    Put16(archive, 1);
    Put16(archive, 1);
    Put32(archive, centralSize);
    Put32(archive, centralStart);
    Put16(archive, 0);
    const std::string path = temp.File("bad99.zip");
    pipeline_test::WriteFileBytes(path, archive);

    zip->NewZip(Utf8Text(path));
    zip->SetPassword("pw");
    ASSERT_TRUE(zip->OpenZip()) << LogText(*zip);
    EXPECT_FALSE(zip->WriteZip(true, nullptr, nullptr));
    EXPECT_THAT(LogText(*zip), HasSubstr("AES encrypted entry has no AES extra field"));
    for (const auto& [entryName, e] : Walk(path)) EXPECT_NE(e->m_local.method, 99) << entryName;
}

TEST_F(ClsZip2Test, AppendedNamesFollowThePatternAndPrefix)
{
    // Relative patterns are taken from the current folder.
    const fs::path before = fs::current_path();
    fs::current_path(temp.Path());
    struct Restore {
        fs::path path;
        ~Restore() { fs::current_path(path); }
    } restore {before};
    const struct {
        const char* pattern;
        bool recurse;
        std::vector<std::string> names;
    } cases[] = {
        {"src/dir/*.bin", false, {"src/dir/data.bin"}},
        {"src/*.txt", false, {"src/notes.txt"}},
        {"src", true, {"notes.txt", "empty.bin", "dir", "dir/data.bin"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        zip->NewZip(Utf8Text(temp.File("n.zip")));
        int added = 0;
        ASSERT_TRUE(zip->AppendFiles(Utf8Text(c.pattern), c.recurse, nullptr, &added)) << LogText(*zip);
        std::vector<std::string> names;
        for (int i = 0; i < zip->GetEntryCount(); ++i) names.push_back(zip->GetEntry(i)->GetName());
        EXPECT_THAT(names, ::testing::UnorderedElementsAreArray(c.names));
        EXPECT_EQ(added, int(c.names.size()));
    }
}

} // namespace

namespace {

TEST(ClsZip2Settings, EncryptionWithoutPasswordOrWithABadKeyLengthIsRefused)
{
    TempDir temp;
    const struct {
        int encryption;
        int keyLength;
        const char* password;
        const char* logLine;
    } cases[] = {
        {4, 256, "", "A password must be specified for encrypted Zips."},
        {2, 128, "", "A password must be specified for encrypted Zips."},
        {1, 100, "pw", "The key length for encrypted Zips must be 128, 192, or 256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logLine);
        ZipDn handle(0);
        ClsZip2* zip = handle.Archive();
        zip->NewZip(Utf8Text(temp.File("e.zip")));
        zip->SetEncryption(c.encryption);
        zip->SetKeyLength(c.keyLength);
        zip->SetPassword(c.password);
        zip->AddEntry(ClsZipEntry2::CreateDataEntry(zip, "a.txt", "abc", 3));
        EXPECT_FALSE(zip->WriteZip(true, nullptr, nullptr));
        EXPECT_THAT(LogText(*zip), HasSubstr(c.logLine));
        EXPECT_FALSE(fs::exists(temp.File("e.zip")));
    }
}

} // namespace
