#pragma once
// The records of a classic zip archive (no Zip64, no split archives) as this component writes and
// reads them: local header, central record, end record, and the two extra fields that mark
// encrypted entries. All integers are little-endian on disk.

#include "platform/base/Types.h"

#include <cstdint>

class DataBuffer;
class Output;

namespace torvane {
class StringBuffer;
}

constexpr DWORD kZipLocalSignature = 0x04034B50u;
constexpr DWORD kZipCentralSignature = 0x02014B50u;
constexpr DWORD kZipEndSignature = 0x06054B50u;
constexpr DWORD kZipDescriptorSignature = 0x08074B50u;

constexpr unsigned kZipLocalHeaderSize = 30;
constexpr unsigned kZipCentralRecordSize = 46;
constexpr unsigned kZipEndRecordSize = 22;

constexpr WORD kZipFlagEncrypted = 0x0001;
constexpr WORD kZipFlagDescriptor = 0x0008;
// The name (and comment) bytes are UTF-8 rather than the OEM code page.
constexpr WORD kZipFlagUtf8 = 0x0800;

constexpr WORD kZipMethodStored = 0;
constexpr WORD kZipMethodImploded = 6;
constexpr WORD kZipMethodDeflated = 8;
constexpr WORD kZipMethodAes = 99;

constexpr unsigned kZipAesExtraSize = 11;
constexpr unsigned kZipOwnExtraSize = 20;
constexpr DWORD kZipOwnExtraMarker = 0xAB39F277u;

// The classic format counts entries in 16 bits and places records at 32-bit offsets.
constexpr unsigned kZipMaxEntries = 0xFFFF;
constexpr std::uint64_t kZipMaxOffset = 0xFFFFFFFFull;

constexpr DWORD kZipAttributeDirectory = 0x10;
constexpr unsigned kZipHostNtfs = 11;

WORD ZipRead16(const unsigned char* p);
DWORD ZipRead32(const unsigned char* p);
void ZipWrite16(unsigned char* p, unsigned value);
void ZipWrite32(unsigned char* p, DWORD value);
// True when all n bytes went out (always for n == 0); false for a null output or a short write.
bool ZipWriteAll(Output* out, const void* bytes, unsigned n);

struct ZipLocalHeader {
    WORD versionNeeded = 20;
    WORD flags = 0;
    WORD method = kZipMethodDeflated;
    WORD dosTime = 0;
    WORD dosDate = 0;
    DWORD crc = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
    WORD nameLength = 0;
    WORD extraLength = 0;

    void Store(unsigned char out[kZipLocalHeaderSize]) const;
    // Reads the fields after the signature; the caller has checked the signature.
    void Load(const unsigned char in[kZipLocalHeaderSize]);
};

struct ZipCentralRecord {
    WORD versionMadeBy = 20;
    WORD versionNeeded = 20;
    WORD flags = 0;
    WORD method = kZipMethodDeflated;
    WORD dosTime = 0;
    WORD dosDate = 0;
    DWORD crc = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
    WORD nameLength = 0;
    WORD extraLength = 0;
    WORD commentLength = 0;
    WORD diskStart = 0;
    WORD internalAttributes = 0;
    DWORD externalAttributes = 0;
    DWORD localHeaderOffset = 0;

    void Store(unsigned char out[kZipCentralRecordSize]) const;
    void Load(const unsigned char in[kZipCentralRecordSize]);
};

struct ZipEndRecord {
    DWORD signature = 0;
    WORD thisDisk = 0;
    WORD directoryDisk = 0;
    WORD entriesOnDisk = 0;
    WORD entries = 0;
    DWORD directorySize = 0;
    DWORD directoryOffset = 0;
    WORD commentLength = 0;

    void Store(unsigned char out[kZipEndRecordSize]) const;
    void Load(const unsigned char in[kZipEndRecordSize]);
};

// 1, 2 or 3 for 128, 192 or 256 bits (1 for anything else).
int ZipAesStrengthForKeyBits(int keyBits);
int ZipAesKeyBitsForStrength(int strength);
// 0x9901, data size 7, vendor version 2, "AE", strength, actual method.
// The AES block (ID 0x9901, 7 data bytes) among the blocks of an extra field, wherever it stands;
// null when there is none.
const unsigned char* ZipFindAesExtra(const unsigned char* extra, unsigned length);
void ZipMakeAesExtra(int keyBits, WORD actualMethod, unsigned char out[kZipAesExtraSize]);
void ZipMakeOwnExtra(int encryption, int keyBits, unsigned char out[kZipOwnExtraSize]);

// Internal attribute 1 for names ending (without case) in ".txt", ".xml", ".html" or ".htm".
bool ZipIsTextName(const char* name);

// The bytes a name is stored as: plain ASCII as it is, any other name as its UTF-8 bytes with
// *utf8Flag set, so that every reader agrees on it (a code page form is read in whatever page the
// reader guesses). The code page is no longer used for writing.
void ZipEncodeName(const char* utf8, int codePage, DataBuffer& out, bool* utf8Flag);
// The reverse, for archives of every kind: flagged names as UTF-8, others in the code page;
// bytes that the code page does not read are taken as code page 437.
void ZipDecodeName(const unsigned char* bytes, unsigned n, bool utf8Flag, int codePage, torvane::StringBuffer& out);
