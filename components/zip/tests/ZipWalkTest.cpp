// Reading archives front to back, including the damaged and hostile ones: junk in front, data
// descriptors, names matched by their file part, lying sizes, truncation at every byte and random
// corruption. A bad archive fails with a log line; nothing crashes and nothing is written.

#include "components/zip/ZipWalk.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/Logger.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/ZipDn.h"

#include "ArchiveTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace archive_test;
using pipeline_test::TempDir;
using pipeline_test::WriteFileBytes;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

namespace {

struct RawEntry {
    std::string localName;
    std::string centralName;
    std::string data; // stored
    bool descriptor = false;
    unsigned lieCompressed = 0; // when non-zero, the local header's compressed size
};

Bytes BuildArchive(const std::vector<RawEntry>& entries, const std::string& comment = "", bool reverseCentral = false)
{
    Bytes zip, central;
    std::vector<Bytes> records;
    for (const RawEntry& e : entries) {
        Bytes record;
        const unsigned offset = unsigned(zip.size());
        const unsigned crc = Crc32Of(e.data);
        const unsigned size = unsigned(e.data.size());
        Put32(zip, 0x04034B50);
        Put16(zip, 20);
        Put16(zip, e.descriptor ? 8 : 0);
        Put16(zip, 0);
        Put16(zip, 0x6000);
        Put16(zip, 0x5A21);
        Put32(zip, e.descriptor ? 0 : crc);
        Put32(zip, e.lieCompressed ? e.lieCompressed : e.descriptor ? 0 : size);
        Put32(zip, e.descriptor ? 0 : size);
        Put16(zip, unsigned(e.localName.size()));
        Put16(zip, 0);
        zip.insert(zip.end(), e.localName.begin(), e.localName.end());
        zip.insert(zip.end(), e.data.begin(), e.data.end());
        if (e.descriptor) {
            Put32(zip, 0x08074B50);
            Put32(zip, crc);
            Put32(zip, size);
            Put32(zip, size);
        }
        Put32(record, 0x02014B50);
        Put16(record, 20);
        Put16(record, 20);
        Put16(record, e.descriptor ? 8 : 0);
        Put16(record, 0);
        Put16(record, 0x6000);
        Put16(record, 0x5A21);
        Put32(record, crc);
        Put32(record, size);
        Put32(record, size);
        Put16(record, unsigned(e.centralName.size()));
        Put16(record, 0);
        Put16(record, 0);
        Put16(record, 0);
        Put16(record, 0);
        Put32(record, 0);
        Put32(record, offset);
        record.insert(record.end(), e.centralName.begin(), e.centralName.end());
        records.push_back(std::move(record));
    }
    if (reverseCentral) std::reverse(records.begin(), records.end());
    for (const Bytes& record : records) central.insert(central.end(), record.begin(), record.end());
    const unsigned centralOffset = unsigned(zip.size());
    zip.insert(zip.end(), central.begin(), central.end());
    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, unsigned(entries.size()));
    Put16(zip, unsigned(entries.size()));
    Put32(zip, unsigned(central.size()));
    Put32(zip, centralOffset);
    Put16(zip, unsigned(comment.size()));
    zip.insert(zip.end(), comment.begin(), comment.end());
    return zip;
}

RawEntry Plain(const std::string& name, const std::string& data) { return RawEntry {name, name, data}; }

struct WalkResult {
    bool ok = false;
    std::vector<std::string> names;
    std::string log;
    std::string comment;
    bool sizesDiffer = false;
    std::vector<ZipWalkEntry*> entries;
};

WalkResult WalkBytes(const Bytes& bytes)
{
    MemoryData view;
    view.SetBlock(bytes.data(), unsigned(bytes.size()));
    Logger log;
    ExtPtrArray entries;
    torvane::StringBuffer comment;
    ZipEndRecord end;
    WalkResult result;
    result.ok = ZipWalk::Walk(view, log, entries, comment, end, 437, &result.sizesDiffer);
    for (int i = 0; i < entries.GetCount(); ++i)
        result.names.push_back(entries.GetAtAs<ZipWalkEntry>(i)->m_name.GetText());
    entries.DeleteAll();
    torvane::StringBuffer text;
    log.RenderText(text);
    result.log = text.GetText();
    result.comment = comment.GetText();
    return result;
}

TEST(ZipWalkTest, JunkInFrontIsReadOnlyAtWordOffsetsOrPastTwelveBytes)
{
    const Bytes two = BuildArchive({Plain("a.txt", "alpha"), Plain("b.txt", "beta")});
    const Bytes one = BuildArchive({Plain("a.txt", "alpha")});
    for (unsigned junk = 0; junk <= 20; ++junk) {
        SCOPED_TRACE(junk);
        const bool readable = junk % 4 == 0 || junk >= 13;
        for (const Bytes* archive : {&two, &one}) {
            Bytes bytes(junk, 0xEE);
            bytes.insert(bytes.end(), archive->begin(), archive->end());
            const WalkResult r = WalkBytes(bytes);
            EXPECT_EQ(r.ok, readable) << r.log;
            if (readable) {
                EXPECT_EQ(r.names.size(), archive == &two ? 2u : 1u);
                continue;
            }
            EXPECT_THAT(r.log, HasSubstr(archive == &two ? "Failed to match directory entry with file header (1)"
                                                         : "Zip file is corrupt"));
        }
    }
}

TEST(ZipWalkTest, DescriptorsGiveTheSizes)
{
    RawEntry e = Plain("d.bin", std::string(100, 'x'));
    e.descriptor = true;
    MemoryData view;
    const Bytes bytes = BuildArchive({e, Plain("after.txt", "z")});
    view.SetBlock(bytes.data(), unsigned(bytes.size()));
    Logger log;
    ExtPtrArray entries;
    torvane::StringBuffer comment;
    ZipEndRecord end;
    bool differ = false;
    ASSERT_TRUE(ZipWalk::Walk(view, log, entries, comment, end, 437, &differ));
    ASSERT_EQ(entries.GetCount(), 2);
    const ZipWalkEntry* d = entries.GetAtAs<ZipWalkEntry>(0);
    EXPECT_TRUE(d->m_hasDescriptor);
    EXPECT_EQ(d->CompressedSize(), 100u);
    EXPECT_EQ(d->UncompressedSize(), 100u);
    EXPECT_EQ(d->Crc(), Crc32Of(std::string(100, 'x')));
    EXPECT_TRUE(differ) << "the local header said 0";
    entries.DeleteAll();
}

TEST(ZipWalkTest, DescriptorThatCannotBeReadFailsTheWalk)
{
    // The entry's own descriptor does not close it (its size is off by one), so the scan goes on
    // to a descriptor signature at the very end of the comment, with no room for its fields.
    RawEntry e = Plain("d.bin", std::string(100, 'x'));
    e.descriptor = true;
    Bytes bytes = BuildArchive({e}, std::string("note PK\x07\x08" "ab", 11));
    const std::size_t descriptorSize = 30 + 5 + 100 + 8;
    bytes[descriptorSize] = 101;
    const WalkResult r = WalkBytes(bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_THAT(r.log, HasSubstr("Failed to get data descriptor after file header"));
}

TEST(ZipWalkTest, CentralDirectoryInReverseOrderMatchesEveryEntryByItsOffset)
{
    std::vector<RawEntry> entries;
    for (int i = 0; i < 30000; ++i) entries.push_back(Plain("f" + std::to_string(i) + ".txt", std::to_string(i)));
    // Two local entries of one name: each central record names its own by offset.
    entries.push_back(Plain("same.txt", "first"));
    entries.push_back(Plain("same.txt", "second"));
    const Bytes bytes = BuildArchive(entries, "", /*reverseCentral=*/true);
    MemoryData view;
    view.SetBlock(bytes.data(), unsigned(bytes.size()));
    Logger log;
    ExtPtrArray walked;
    torvane::StringBuffer comment;
    ZipEndRecord end;
    ASSERT_TRUE(ZipWalk::Walk(view, log, walked, comment, end, 437, nullptr));
    ASSERT_EQ(walked.GetCount(), int(entries.size()));
    for (int i = 0; i < walked.GetCount(); ++i) {
        const ZipWalkEntry* w = walked.GetAtAs<ZipWalkEntry>(i);
        ASSERT_TRUE(w->m_matched) << i;
        EXPECT_EQ(w->m_central.localHeaderOffset, w->m_localOffset) << i;
    }
    walked.DeleteAll();
}

TEST(ZipWalkTest, MoreLocalEntriesThanTheFormatCountsFailTheWalk)
{
    std::vector<RawEntry> entries(65536, Plain("e", ""));
    const WalkResult r = WalkBytes(BuildArchive(entries));
    EXPECT_FALSE(r.ok);
    EXPECT_THAT(r.log, HasSubstr("Zip has more entries than the format can count"));
    EXPECT_EQ(r.names.size(), 65535u);
}

TEST(ZipWalkTest, CentralNamesMatchLocalNamesByFilePartOnly)
{
    const struct {
        const char* local;
        const char* central;
        bool ok;
    } cases[] = {
        {"a.txt", "a.txt", true},
        {"a.txt", "folder/a.txt", true},
        {"x/a.txt", "y/a.txt", false},
        {"a.txt", "b.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.local) + " / " + c.central);
        const WalkResult r = WalkBytes(BuildArchive({RawEntry {c.local, c.central, "data"}}));
        EXPECT_EQ(r.ok, c.ok) << r.log;
    }
}

TEST(ZipWalkTest, EmptyArchiveAndCommentAreRead)
{
    WalkResult r = WalkBytes(BuildArchive({}));
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.names.empty());
    r = WalkBytes(BuildArchive({Plain("a", "b")}, "a comment"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.comment, "a comment");
}

TEST(ZipWalkTest, HostileRecordsFailWithALogLine)
{
    RawEntry lyingSize = Plain("a.txt", "alpha");
    lyingSize.lieCompressed = 0xFFFFFFF0u;
    Bytes longName = BuildArchive({Plain("a.txt", "alpha")});
    longName[26] = 0xFF; // name length 0xFFFF past the end
    longName[27] = 0xFF;
    Bytes noName = BuildArchive({Plain("a.txt", "alpha")});
    const std::size_t centralAt = 30 + 5 + 5;
    noName[centralAt + 28] = 0; // central name length 0
    noName[centralAt + 29] = 0;
    const struct {
        const char* label;
        Bytes bytes;
        const char* logLine;
    } cases[] = {
        {"size past the end", BuildArchive({lyingSize}), "Failed to read Zip (10)"},
        {"name past the end", longName, "Failed to get filename after file header"},
        {"central record without name", noName, "No filename for directory entry."},
        {"shorter than 16 bytes", Bytes {0x50, 0x4B, 0x03, 0x04, 1, 2}, "Failed to read Zip (11)"},
        {"no signature at all", Bytes(4000, 0x41), "Zip file is corrupt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const WalkResult r = WalkBytes(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_THAT(r.log, HasSubstr(c.logLine));
    }
}

TEST(ZipWalkTest, TruncationAtEveryLengthNeverReadsPastTheEnd)
{
    const Bytes whole = BuildArchive({Plain("a.txt", "alpha"), Plain("dir/b.txt", std::string(300, 'b'))}, "note");
    for (std::size_t n = 0; n < whole.size(); ++n) {
        // A copy of exactly n bytes: the sanitizer sees any read past it.
        Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(n));
        const WalkResult r = WalkBytes(cut);
        // Cut inside the comment, the entries are all there; cut anywhere before, the walk fails.
        if (n < whole.size() - 4) {
            EXPECT_FALSE(r.ok) << n;
        }
    }
}

TEST(ZipWalkTest, RandomCorruptionNeverCrashes)
{
    const Bytes whole = BuildArchive(
        {Plain("a.txt", "alpha"), Plain("dir/b.txt", std::string(300, 'b')), Plain("c", "")}, "comment");
    std::mt19937 random(12345);
    int succeeded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = whole;
        const int flips = 1 + int(random() % 8);
        for (int k = 0; k < flips; ++k) bytes[random() % bytes.size()] = (unsigned char)random();
        if (random() % 4 == 0) bytes.resize(random() % bytes.size());
        succeeded += WalkBytes(bytes).ok ? 1 : 0;
    }
    EXPECT_GT(succeeded, 0); // flips in data bytes leave the structure readable
}

TEST(ZipWalkTest, FileViewScansAcrossChunkSeams)
{
    TempDir temp;
    // Signatures straddling the 20,000-byte scan chunks are still found.
    for (std::size_t at : {19996u, 19997u, 19998u, 19999u, 20000u, 39994u}) {
        SCOPED_TRACE(at);
        Bytes bytes(at + 100, 0);
        bytes[at] = 0x50;
        bytes[at + 1] = 0x4B;
        bytes[at + 2] = 0x07;
        bytes[at + 3] = 0x08;
        const std::string path = temp.File("scan.bin");
        WriteFileBytes(path, bytes);
        MemoryData view;
        ASSERT_TRUE(view.OpenFile(path.c_str(), nullptr));
        std::uint64_t offset = 0;
        ASSERT_NE(view.ScanFor(&offset, 0x08074B50), nullptr);
        EXPECT_EQ(offset, at);
        offset = at + 1;
        EXPECT_EQ(view.ScanFor(&offset, 0x08074B50), nullptr);
    }
}

TEST(ZipWalkTest, OpeningAHostileArchiveWritesNothingOutsideTheTarget)
{
    TempDir temp;
    const fs::path inner = temp.Path() / "inner";
    fs::create_directories(inner);
    const std::string hostile = (inner / "hostile.zip").string();
    WriteFileBytes(hostile, BuildArchive({Plain("../evil.txt", "x"), Plain("/abs.txt", "y"), Plain("ok.txt", "z")}));

    ZipDn handle(0);
    ClsZip2* zip = handle.Archive();
    XString path;
    path.SetFromUtf8(hostile.c_str());
    ASSERT_TRUE(zip->NewZip(path));
    ASSERT_TRUE(zip->OpenZip());
    EXPECT_EQ(zip->GetEntryCount(), 3);
    // Written again (the names are data here; there is no extraction), the archive stays one file.
    ASSERT_TRUE(zip->WriteZip(true, nullptr, nullptr));
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(temp.Path())) files.push_back(item.path().string());
    EXPECT_THAT(files, ::testing::UnorderedElementsAre(inner.string(), hostile));
    EXPECT_FALSE(fs::exists("/abs.txt"));
}

TEST(ZipWalkTest, DamagedArchivesFailToOpenAndKeepNothing)
{
    TempDir temp;
    const std::string path = temp.File("broken.zip");
    Bytes bytes = BuildArchive({Plain("a.txt", "alpha"), Plain("b.txt", "beta")});
    bytes.resize(bytes.size() - 30);
    WriteFileBytes(path, bytes);
    ZipDn handle(0);
    ClsZip2* zip = handle.Archive();
    XString text;
    text.SetFromUtf8(path.c_str());
    zip->NewZip(text);
    EXPECT_FALSE(zip->OpenZip());
    EXPECT_EQ(zip->GetEntryCount(), 0);
    EXPECT_EQ(zip->GetOpenedPath().GetLength(), 0);
}

} // namespace
