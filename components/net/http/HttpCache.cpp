#include "components/net/http/HttpCache.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/Md5.h"
#include "components/foundation/TorvaneBzip2.h"
#include "components/foundation/ZipCRC.h"
#include "platform/base/Registry.h"
#include "platform/base/TextCase.h"
#include "platform/base/Time.h"

#include <cstring>
#include <filesystem>
#include <memory>

namespace {

std::uint32_t Crc(const std::string& bytes)
{
    if (bytes.empty())
        return 0;
    ZipCRC crc;
    return crc.CrcOfBytes(bytes.data(), DWORD(bytes.size()));
}

std::uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

void PutLe32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

bool ReadAt(std::FILE* file, std::uint64_t fileSize, std::uint64_t offset, void* out, size_t n)
{
    if (offset > fileSize || n > fileSize - offset)
        return false;
    if (std::fseek(file, long(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, n, file) == n;
}

bool ReadString(std::FILE* file, std::uint64_t fileSize, std::uint64_t offset, size_t n, std::string& out)
{
    if (offset > fileSize || n > fileSize - offset)
        return false;
    out.resize(n);
    return n == 0 || ReadAt(file, fileSize, offset, out.data(), n);
}

void ParseHead(const unsigned char* p, CacheEntryHeader& h)
{
    h.tagCrc = Le32(p);
    h.bodyCrc = Le32(p + 4);
    h.negative = p[8];
    h.flags = p[9];
    h.b = p[10];
    h.d = p[11];
    std::memcpy(h.stamp, p + 12, 4);
    std::memcpy(h.stamp2, p + 16, 4);
}

std::string Pack(const std::string& bytes)
{
    DataBuffer in, out;
    in.Append(bytes.data(), unsigned(bytes.size()));
    TorvaneBzip2().Compress(in, out);
    return std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

bool Unpack(const std::string& block, std::uint32_t limit, std::string& out)
{
    // The stored length bounds the output; one larger than the limit is refused before unpacking.
    if (block.size() < 8 || Le32(reinterpret_cast<const unsigned char*>(block.data()) + 4) > limit)
        return false;
    DataBuffer in, result;
    in.Append(block.data(), unsigned(block.size()));
    if (!TorvaneBzip2().Decompress(in, result) || result.GetSize() > limit)
        return false;
    out.assign(reinterpret_cast<const char*>(result.GetData()), result.GetSize());
    return true;
}

std::uint64_t FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    long size = std::ftell(file);
    return size < 0 ? 0 : std::uint64_t(size);
}

bool StoredUrlIs(std::FILE* file, std::uint64_t fileSize, std::uint32_t offset, const std::string& url)
{
    unsigned char len[4];
    if (!ReadAt(file, fileSize, std::uint64_t(offset) + 20, len, 4))
        return false;
    std::uint32_t u = Le32(len);
    if (u != url.size() + 1)
        return false;
    std::string stored;
    return ReadString(file, fileSize, std::uint64_t(offset) + CacheEntry::kFixedSize, u, stored) &&
        stored.compare(0, url.size(), url) == 0 && stored[url.size()] == '\0';
}

std::string HostKey(const char* host)
{
    return AsciiLowerCopy(std::string("dns://") + (host ? host : ""));
}

} // namespace

std::string HttpCacheDefaultRoot() { return GetRegistryFolder() + "/httpcache/"; }

bool CacheFileDir::Read(std::FILE* file, std::uint64_t fileSize)
{
    unsigned char head[kDirSize];
    if (!ReadAt(file, fileSize, 0, head, 8))
        return false;
    capacity = Le32(head);
    count = Le32(head + 4);
    if (count > kCapacity || !ReadAt(file, fileSize, 8, head + 8, 8 * count))
        return false;
    for (std::uint32_t i = 0; i < kCapacity; ++i) {
        offsets[i] = i < count ? Le32(head + 8 + 8 * i) : 0;
        crcs[i] = i < count ? Le32(head + 12 + 8 * i) : 0;
    }
    return true;
}

bool CacheFile::FindEntry(std::FILE* file, std::uint64_t fileSize, const std::string& url, std::uint32_t& offset,
    CacheEntryHeader& head)
{
    CacheFileDir dir;
    if (!dir.Read(file, fileSize))
        return false;
    std::uint32_t crc = Crc(url);
    for (std::uint32_t i = 0; i < dir.count; ++i) {
        // Another URL with the same CRC must never answer for this one.
        if (dir.crcs[i] != crc || !StoredUrlIs(file, fileSize, dir.offsets[i], url))
            continue;
        unsigned char bytes[20];
        if (!ReadAt(file, fileSize, dir.offsets[i], bytes, 20))
            return false;
        ParseHead(bytes, head);
        offset = dir.offsets[i];
        return true;
    }
    return false;
}

CacheEntry* CacheFile::ReadEntry(std::FILE* file, std::uint64_t fileSize, std::uint32_t offset, std::uint32_t maxBody)
{
    unsigned char fixed[CacheEntry::kFixedSize];
    if (!ReadAt(file, fileSize, offset, fixed, sizeof fixed))
        return nullptr;
    CacheEntryHeader head;
    ParseHead(fixed, head);
    std::uint32_t u = Le32(fixed + 20), h = Le32(fixed + 24), b = Le32(fixed + 28);
    std::uint64_t at = std::uint64_t(offset) + CacheEntry::kFixedSize;
    std::string url, packedHeader, stored;
    if (u == 0 || !ReadString(file, fileSize, at, u, url) || !ReadString(file, fileSize, at + u, h, packedHeader) ||
        !ReadString(file, fileSize, at + u + h, b, stored))
        return nullptr;
    auto entry = std::make_unique<CacheEntry>();
    url.resize(u - 1);
    entry->url = url.substr(0, url.find('\0'));
    entry->urlCrc = Crc(entry->url);
    if (!Unpack(packedHeader, kCacheMaxHeader, entry->header))
        return nullptr;
    entry->header.resize(std::strlen(entry->header.c_str()));
    if (head.flags & CacheEntry::kBodyCompressed) {
        if (!stored.empty() && !Unpack(stored, maxBody, entry->body))
            return nullptr;
    } else {
        entry->body.swap(stored);
    }
    static_cast<CacheEntryHeader&>(*entry) = head;
    return entry.release();
}

std::string CacheFile::RenderEntry(const CacheEntry& e)
{
    std::string headerBlock = Pack(std::string(e.header.c_str(), e.header.size()) + '\0');
    std::string out;
    PutLe32(out, e.tagCrc);
    PutLe32(out, e.bodyCrc);
    out += char(e.negative);
    out += char(e.flags);
    out += char(e.b);
    out += char(e.d);
    out.append(reinterpret_cast<const char*>(e.stamp), 4);
    out.append(reinterpret_cast<const char*>(e.stamp2), 4);
    std::string stored = e.body;
    if ((e.flags & CacheEntry::kBodyCompressed) && !stored.empty())
        stored = Pack(stored);
    PutLe32(out, std::uint32_t(e.url.size() + 1));
    PutLe32(out, std::uint32_t(headerBlock.size()));
    PutLe32(out, std::uint32_t(stored.size()));
    out.append(e.url);
    out += '\0';
    out.append(headerBlock);
    out.append(stored);
    return out;
}

bool CacheFile::AppendEntry(const std::string& path, const CacheEntry& entry)
{
    std::FILE* file = std::fopen(path.c_str(), "rb+");
    bool fresh = false;
    if (!file) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        file = std::fopen(path.c_str(), "wb");
        if (!file)
            return false;
        fresh = true;
    }
    std::string bytes = RenderEntry(entry);
    bool ok = true;
    CacheFileDir dir;
    if (!fresh) {
        std::uint64_t size = FileSize(file);
        if (!dir.Read(file, size)) {
            std::fclose(file);
            return false;
        }
        if (dir.count < CacheFileDir::kCapacity) {
            std::string slot;
            PutLe32(slot, std::uint32_t(size));
            PutLe32(slot, entry.urlCrc);
            std::string count;
            PutLe32(count, dir.count + 1);
            ok = std::fseek(file, 0, SEEK_END) == 0 && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                std::fseek(file, 4, SEEK_SET) == 0 && std::fwrite(count.data(), 1, 4, file) == 4 &&
                std::fseek(file, long(8 + 8 * dir.count), SEEK_SET) == 0 &&
                std::fwrite(slot.data(), 1, 8, file) == 8;
            return std::fclose(file) == 0 && ok;
        }
    }
    // A new file, or a full one that starts over with this entry.
    std::string head;
    PutLe32(head, CacheFileDir::kCapacity);
    PutLe32(head, 1);
    PutLe32(head, CacheFileDir::kDirSize);
    PutLe32(head, entry.urlCrc);
    head.append(8 * (CacheFileDir::kCapacity - 1), '\0');
    head += bytes;
    ok = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(head.data(), 1, head.size(), file) == head.size();
    return std::fclose(file) == 0 && ok;
}

bool HttpCache::GetCacheFilePath(const std::string& url, std::string& path) const
{
    if (m_roots.empty())
        return false;
    unsigned char d[16];
    Md5Digest(url.data(), unsigned(url.size()), d);
    std::string root = m_roots[d[0] % m_roots.size()];
    if (root.empty())
        root = HttpCacheDefaultRoot();
    std::uint32_t n = Le32(d + 3);
    path = root + std::to_string(d[1]) + "/" + std::to_string(d[2]) + "/" + std::to_string(n % kFileModulus) + ".caf";
    return true;
}

CacheEntry* HttpCache::FetchEntry(const std::string& url, bool* negative, CacheEntryHeader* headOut) const
{
    if (negative)
        *negative = false;
    std::string path;
    if (!GetCacheFilePath(url, path))
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return nullptr;
    std::uint64_t size = FileSize(file);
    std::uint32_t offset = 0;
    CacheEntryHeader head;
    CacheEntry* entry = nullptr;
    if (CacheFile::FindEntry(file, size, url, offset, head)) {
        if (headOut)
            *headOut = head;
        if (head.stamp2[2] == 0) {
            if (negative)
                *negative = true;
        } else {
            entry = CacheFile::ReadEntry(file, size, offset);
        }
    }
    std::fclose(file);
    return entry;
}

bool HttpCache::ReadEntryHeader(const std::string& url, CacheEntryHeader& head) const
{
    std::string path;
    if (!GetCacheFilePath(url, path))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::uint32_t offset = 0;
    bool found = CacheFile::FindEntry(file, FileSize(file), url, offset, head);
    std::fclose(file);
    return found;
}

bool HttpCache::StoreEntry(const std::string& url, const std::string& header, const std::string& body, bool negative,
    std::uint8_t b, std::uint8_t flags, std::uint8_t d, const std::string& tag)
{
    std::string path;
    if (!GetCacheFilePath(url, path))
        return false;
    CacheEntry e;
    SYSTEMTIME now;
    GetSystemTime(&now);
    e.stamp[0] = std::uint8_t(now.wYear - 2000);
    e.stamp[1] = std::uint8_t(now.wMonth);
    e.stamp[2] = std::uint8_t(now.wDay);
    e.stamp[3] = std::uint8_t(now.wHour);
    if (!negative)
        std::memcpy(e.stamp2, e.stamp, 4);
    e.url = url;
    e.urlCrc = Crc(url);
    e.tagCrc = Crc(tag);
    e.header = header;
    e.body = body;
    e.bodyCrc = Crc(body);
    e.negative = negative ? 1 : 0;
    std::string lower = AsciiLowerCopy(url);
    bool packed = lower.find(".gif") == std::string::npos && lower.find(".pdf") == std::string::npos;
    e.flags = packed ? std::uint8_t(flags | CacheEntry::kBodyCompressed) : std::uint8_t(flags & ~CacheEntry::kBodyCompressed);
    e.b = b;
    e.d = d;
    return CacheFile::AppendEntry(path, e);
}

bool HttpCache::ReplaceEntry(const std::string& url, const std::string& header, const std::string& body,
    bool negative, std::uint8_t b, std::uint8_t flags, std::uint8_t d, const std::string& tag)
{
    std::string path;
    if (!GetCacheFilePath(url, path))
        return false;
    std::remove(path.c_str());
    return StoreEntry(url, header, body, negative, b, flags, d, tag);
}

bool HttpCache::IsHostMarked(const char* host, bool* marked) const
{
    CacheEntryHeader head;
    bool found = ReadEntryHeader(HostKey(host), head);
    if (marked)
        *marked = found && head.negative == 1;
    return found;
}

void HttpCache::ClearHostMark(const char* host)
{
    bool marked = false;
    if (IsHostMarked(host, &marked) && marked)
        ReplaceEntry(HostKey(host), "", "", false, 0, 0, 0, "");
}

void HttpCache::MarkHost(const char* host)
{
    bool marked = false;
    bool found = IsHostMarked(host, &marked);
    if (!found)
        StoreEntry(HostKey(host), "", "", true, 0, 0, 0, "");
    else if (marked)
        ReplaceEntry(HostKey(host), "", "", true, 0, 0, 0, "");
}

bool HttpCacheParseFileBytes(const std::string& bytes, const std::string& url, std::uint32_t maxBody)
{
    if (bytes.empty())
        return false;
    std::FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    if (!file)
        return false;
    std::uint32_t offset = 0;
    CacheEntryHeader head;
    bool ok = false;
    if (CacheFile::FindEntry(file, bytes.size(), url, offset, head)) {
        std::unique_ptr<CacheEntry> entry(CacheFile::ReadEntry(file, bytes.size(), offset, maxBody));
        ok = entry != nullptr;
    }
    std::fclose(file);
    return ok;
}
