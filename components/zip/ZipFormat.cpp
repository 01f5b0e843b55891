#include "components/zip/ZipFormat.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/Output.h"
#include "components/foundation/StringBuffer.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

namespace {

constexpr int kUtf8CodePage = 65001;

} // namespace

WORD ZipRead16(const unsigned char* p) { return WORD(p[0] | (p[1] << 8)); }

DWORD ZipRead32(const unsigned char* p)
{
    return DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
}

void ZipWrite16(unsigned char* p, unsigned value)
{
    p[0] = (unsigned char)(value & 0xFF);
    p[1] = (unsigned char)((value >> 8) & 0xFF);
}

void ZipWrite32(unsigned char* p, DWORD value)
{
    ZipWrite16(p, value & 0xFFFF);
    ZipWrite16(p + 2, value >> 16);
}

bool ZipWriteAll(Output* out, const void* bytes, unsigned n)
{
    if (n == 0) return true;
    return out != nullptr && out->WriteItems(bytes, 1, n) == n;
}

void ZipLocalHeader::Store(unsigned char out[kZipLocalHeaderSize]) const
{
    ZipWrite32(out, kZipLocalSignature);
    ZipWrite16(out + 4, versionNeeded);
    ZipWrite16(out + 6, flags);
    ZipWrite16(out + 8, method);
    ZipWrite16(out + 10, dosTime);
    ZipWrite16(out + 12, dosDate);
    ZipWrite32(out + 14, crc);
    ZipWrite32(out + 18, compressedSize);
    ZipWrite32(out + 22, uncompressedSize);
    ZipWrite16(out + 26, nameLength);
    ZipWrite16(out + 28, extraLength);
}

void ZipLocalHeader::Load(const unsigned char in[kZipLocalHeaderSize])
{
    versionNeeded = ZipRead16(in + 4);
    flags = ZipRead16(in + 6);
    method = ZipRead16(in + 8);
    dosTime = ZipRead16(in + 10);
    dosDate = ZipRead16(in + 12);
    crc = ZipRead32(in + 14);
    compressedSize = ZipRead32(in + 18);
    uncompressedSize = ZipRead32(in + 22);
    nameLength = ZipRead16(in + 26);
    extraLength = ZipRead16(in + 28);
}

void ZipCentralRecord::Store(unsigned char out[kZipCentralRecordSize]) const
{
    ZipWrite32(out, kZipCentralSignature);
    ZipWrite16(out + 4, versionMadeBy);
    ZipWrite16(out + 6, versionNeeded);
    ZipWrite16(out + 8, flags);
    ZipWrite16(out + 10, method);
    ZipWrite16(out + 12, dosTime);
    ZipWrite16(out + 14, dosDate);
    ZipWrite32(out + 16, crc);
    ZipWrite32(out + 20, compressedSize);
    ZipWrite32(out + 24, uncompressedSize);
    ZipWrite16(out + 28, nameLength);
    ZipWrite16(out + 30, extraLength);
    ZipWrite16(out + 32, commentLength);
    ZipWrite16(out + 34, diskStart);
    ZipWrite16(out + 36, internalAttributes);
    ZipWrite32(out + 38, externalAttributes);
    ZipWrite32(out + 42, localHeaderOffset);
}

void ZipCentralRecord::Load(const unsigned char in[kZipCentralRecordSize])
{
    versionMadeBy = ZipRead16(in + 4);
    versionNeeded = ZipRead16(in + 6);
    flags = ZipRead16(in + 8);
    method = ZipRead16(in + 10);
    dosTime = ZipRead16(in + 12);
    dosDate = ZipRead16(in + 14);
    crc = ZipRead32(in + 16);
    compressedSize = ZipRead32(in + 20);
    uncompressedSize = ZipRead32(in + 24);
    nameLength = ZipRead16(in + 28);
    extraLength = ZipRead16(in + 30);
    commentLength = ZipRead16(in + 32);
    diskStart = ZipRead16(in + 34);
    internalAttributes = ZipRead16(in + 36);
    externalAttributes = ZipRead32(in + 38);
    localHeaderOffset = ZipRead32(in + 42);
}

void ZipEndRecord::Store(unsigned char out[kZipEndRecordSize]) const
{
    ZipWrite32(out, kZipEndSignature);
    ZipWrite16(out + 4, thisDisk);
    ZipWrite16(out + 6, directoryDisk);
    ZipWrite16(out + 8, entriesOnDisk);
    ZipWrite16(out + 10, entries);
    ZipWrite32(out + 12, directorySize);
    ZipWrite32(out + 16, directoryOffset);
    ZipWrite16(out + 20, commentLength);
}

void ZipEndRecord::Load(const unsigned char in[kZipEndRecordSize])
{
    signature = ZipRead32(in);
    thisDisk = ZipRead16(in + 4);
    directoryDisk = ZipRead16(in + 6);
    entriesOnDisk = ZipRead16(in + 8);
    entries = ZipRead16(in + 10);
    directorySize = ZipRead32(in + 12);
    directoryOffset = ZipRead32(in + 16);
    commentLength = ZipRead16(in + 20);
}

int ZipAesStrengthForKeyBits(int keyBits)
{
    if (keyBits == 192) return 2;
    if (keyBits == 256) return 3;
    return 1;
}

int ZipAesKeyBitsForStrength(int strength)
{
    if (strength == 2) return 192;
    if (strength == 3) return 256;
    return 128;
}

const unsigned char* ZipFindAesExtra(const unsigned char* extra, unsigned length)
{
    if (extra == nullptr) return nullptr;
    unsigned at = 0;
    while (length >= 4 && at <= length - 4) {
        const unsigned id = ZipRead16(extra + at);
        const unsigned size = ZipRead16(extra + at + 2);
        if (size > length - at - 4) return nullptr;
        if (id == 0x9901 && size >= kZipAesExtraSize - 4 && extra[at + 6] == 'A' && extra[at + 7] == 'E')
            return extra + at;
        at += 4 + size;
    }
    return nullptr;
}

void ZipMakeAesExtra(int keyBits, WORD actualMethod, unsigned char out[kZipAesExtraSize])
{
    ZipWrite16(out, 0x9901);
    ZipWrite16(out + 2, 7);
    ZipWrite16(out + 4, 2);
    out[6] = 'A';
    out[7] = 'E';
    out[8] = (unsigned char)ZipAesStrengthForKeyBits(keyBits);
    ZipWrite16(out + 9, actualMethod & 0xFF);
}

void ZipMakeOwnExtra(int encryption, int keyBits, unsigned char out[kZipOwnExtraSize])
{
    ZipWrite32(out, kZipOwnExtraMarker);
    ZipWrite32(out + 4, 0);
    ZipWrite32(out + 8, DWORD(encryption));
    ZipWrite32(out + 12, DWORD(keyBits));
    ZipWrite32(out + 16, 0);
}

bool ZipIsTextName(const char* name)
{
    if (name == nullptr) return false;
    const std::size_t n = std::strlen(name);
    for (const char* ext : {".txt", ".xml", ".html", ".htm"}) {
        const std::size_t m = std::strlen(ext);
        if (n < m) continue;
        bool same = true;
        for (std::size_t i = 0; i < m && same; ++i)
            same = std::tolower((unsigned char)name[n - m + i]) == ext[i];
        if (same) return true;
    }
    return false;
}

void ZipEncodeName(const char* utf8, int /*codePage*/, DataBuffer& out, bool* utf8Flag)
{
    out.Empty();
    if (utf8Flag) *utf8Flag = false;
    if (utf8 == nullptr || *utf8 == '\0') return;
    const unsigned n = unsigned(std::strlen(utf8));
    bool ascii = true;
    for (unsigned i = 0; i < n && ascii; ++i) ascii = (unsigned char)utf8[i] < 0x80;
    out.Append(utf8, n);
    if (!ascii && utf8Flag) *utf8Flag = true;
}

void ZipDecodeName(const unsigned char* bytes, unsigned n, bool utf8Flag, int codePage, torvane::StringBuffer& out)
{
    out.Clear();
    if (bytes == nullptr || n == 0) return;
    bool ascii = true;
    for (unsigned i = 0; i < n && ascii; ++i) ascii = bytes[i] < 0x80 && bytes[i] != 0;
    if (ascii || utf8Flag) {
        out.AppendBytes(bytes, int(n));
        return;
    }
    EncodingConvert convert;
    DataBuffer decoded;
    convert.Convert(codePage, kUtf8CodePage, bytes, n, decoded);
    if (decoded.GetSize() == 0 && codePage != 437) convert.Convert(437, kUtf8CodePage, bytes, n, decoded);
    if (decoded.GetSize() > 0) out.AppendBytes(decoded.GetData(), int(decoded.GetSize()));
}
