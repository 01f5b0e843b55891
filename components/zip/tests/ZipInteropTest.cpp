// Small archives assembled by hand from the pipeline's stages, checked by the system's own zip
// tools where they are installed.

#include "components/zip/PipelineHelp.h"
#include "components/zip/WinZipAes.h"

#include "components/foundation/DataBuffer.h"
#include "components/zip/OutputDataBuffer.h"

#include "ArchiveTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

using namespace archive_test;
using namespace pipeline_test;

namespace {

struct Entry {
    std::string name;
    WORD flags;
    WORD method;
    DWORD crc;
    DWORD compressed;
    DWORD uncompressed;
    Bytes extra;
    Bytes data;
};

Bytes BuildZip(const std::vector<Entry>& entries)
{
    const DWORD dosTime = 0x6000, dosDate = 0x5A21;
    Bytes zip, central;
    for (const Entry& e : entries) {
        const DWORD offset = DWORD(zip.size());
        const WORD version = e.method == 99 ? 51 : 20;
        Put32(zip, 0x04034B50);
        Put16(zip, version);
        Put16(zip, e.flags);
        Put16(zip, e.method);
        Put16(zip, dosTime);
        Put16(zip, dosDate);
        Put32(zip, e.crc);
        Put32(zip, e.compressed);
        Put32(zip, e.uncompressed);
        Put16(zip, unsigned(e.name.size()));
        Put16(zip, unsigned(e.extra.size()));
        zip.insert(zip.end(), e.name.begin(), e.name.end());
        zip.insert(zip.end(), e.extra.begin(), e.extra.end());
        zip.insert(zip.end(), e.data.begin(), e.data.end());

        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, version);
        Put16(central, e.flags);
        Put16(central, e.method);
        Put16(central, dosTime);
        Put16(central, dosDate);
        Put32(central, e.crc);
        Put32(central, e.compressed);
        Put32(central, e.uncompressed);
        Put16(central, unsigned(e.name.size()));
        Put16(central, unsigned(e.extra.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central.insert(central.end(), e.name.begin(), e.name.end());
        central.insert(central.end(), e.extra.begin(), e.extra.end());
    }
    const DWORD centralOffset = DWORD(zip.size());
    zip.insert(zip.end(), central.begin(), central.end());
    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, unsigned(entries.size()));
    Put16(zip, unsigned(entries.size()));
    Put32(zip, DWORD(central.size()));
    Put32(zip, centralOffset);
    Put16(zip, 0);
    return zip;
}

Entry DeflatedEntry(const std::string& name, const Bytes& plain, const char* traditionalPassword)
{
    PipelineHelp help;
    const DWORD crc = DWORD(crc32(0, plain.data(), uInt(plain.size())));
    if (traditionalPassword != nullptr) {
        help.m_traditional = true;
        help.SetPassword(traditionalPassword);
        help.m_crcForHeader = crc;
    }
    DataBuffer data;
    OutputDataBuffer out(&data);
    Entry e {name, WORD(traditionalPassword ? 1 : 0), 8, 0, 0, 0, {}, {}};
    EXPECT_TRUE(help.DeflateMemoryToOutput(plain.data(), DWORD(plain.size()), &out, &e.crc, &e.compressed,
                                           &e.uncompressed, 6));
    EXPECT_EQ(e.crc, crc);
    e.data = BufferBytes(data);
    return e;
}

Entry AesEntry(const std::string& name, const Bytes& plain, const char* password, int strength, int vendorVersion)
{
    Entry deflated = DeflatedEntry(name, plain, nullptr);
    DataBuffer data;
    OutputDataBuffer out(&data);
    WinZipAes aes;
    EXPECT_TRUE(aes.EncryptMemory(deflated.data.data(), unsigned(deflated.data.size()), password, strength, &out, nullptr));
    Entry e {name, 1, 99, vendorVersion == 1 ? deflated.crc : 0, DWORD(data.GetSize()), deflated.uncompressed, {}, BufferBytes(data)};
    EXPECT_EQ(e.compressed, deflated.compressed + WinZipAes::Overhead(strength));
    Put16(e.extra, 0x9901);
    Put16(e.extra, 7);
    Put16(e.extra, unsigned(vendorVersion));
    e.extra.push_back('A');
    e.extra.push_back('E');
    e.extra.push_back((unsigned char)strength);
    Put16(e.extra, 8);
    return e;
}

} // namespace

TEST(ZipInteropTest, HandMadeArchivesPassTheSystemZipTools)
{
    const bool have7z = ToolAvailable("7z");
    const bool haveUnzip = ToolAvailable("unzip");
    if (!have7z && !haveUnzip) GTEST_SKIP() << "neither 7z nor unzip is installed";

    TempDir dir;
    const Bytes text = GeneratedSource::Make(150000, 31);
    const Bytes empty;

    const std::string plainZip = dir.File("plain.zip");
    WriteFileBytes(plainZip, BuildZip({DeflatedEntry("a.txt", text, nullptr), DeflatedEntry("empty.txt", empty, nullptr)}));
    const std::string traditionalZip = dir.File("traditional.zip");
    WriteFileBytes(traditionalZip, BuildZip({DeflatedEntry("a.txt", text, "Pa55 word"),
                                             DeflatedEntry("empty.txt", empty, "Pa55 word")}));
    const std::string aesZip = dir.File("aes.zip");
    WriteFileBytes(aesZip, BuildZip({AesEntry("a1.txt", text, "Pa55 word", 1, 1), AesEntry("a3.txt", text, "Pa55 word", 3, 2),
                                     AesEntry("e.txt", empty, "Pa55 word", 3, 1)}));

    if (haveUnzip) {
        EXPECT_EQ(RunCapture("unzip -tq '" + plainZip + "'"), 0);
        EXPECT_EQ(RunCapture("unzip -tq -P 'Pa55 word' '" + traditionalZip + "'"), 0);
        EXPECT_NE(RunCapture("unzip -tq -P 'wrong' '" + traditionalZip + "'"), 0);
    }
    if (have7z) {
        EXPECT_EQ(RunCapture("7z t '" + plainZip + "'"), 0);
        EXPECT_EQ(RunCapture("7z t '-pPa55 word' '" + traditionalZip + "'"), 0);
        EXPECT_EQ(RunCapture("7z t '-pPa55 word' '" + aesZip + "'"), 0);
        EXPECT_NE(RunCapture("7z t -pwrong '" + aesZip + "'"), 0);

        // A flipped byte inside an AES entry's data fails the tool's check.
        Bytes damaged = ReadFileBytes(aesZip);
        const std::size_t at = 30 + 6 + 11 + 8 + 2 + 500;  // header, name, extra, salt, verifier, into the data
        damaged[at] ^= 0x20;
        WriteFileBytes(dir.File("damaged.zip"), damaged);
        EXPECT_NE(RunCapture("7z t '-pPa55 word' '" + dir.File("damaged.zip") + "'"), 0);

        // What the tool extracts is what went in.
        ASSERT_EQ(RunCapture("cd '" + dir.Path().string() + "' && 7z x -oout '-pPa55 word' aes.zip"), 0);
        EXPECT_TRUE(ReadFileBytes(dir.File("out/a3.txt")) == text);
        EXPECT_TRUE(ReadFileBytes(dir.File("out/a1.txt")) == text);
    }
}
