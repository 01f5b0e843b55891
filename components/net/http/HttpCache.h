#pragma once
// The disk cache of responses in ".caf" files: up to ten entries per file behind a small
// directory, files spread over root folders by the MD5 of the URL. The same files remember host
// names that gave nothing usable, under "dns://" + host.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The largest header and body a cache file may unpack to.
inline constexpr std::uint32_t kCacheMaxHeader = 1u << 20;
inline constexpr std::uint32_t kCacheMaxBody = 512u << 20;

// The first 20 bytes of an entry, up to the second stamp.
struct CacheEntryHeader {
    virtual ~CacheEntryHeader() = default;
    std::uint32_t tagCrc = 0;
    std::uint32_t bodyCrc = 0;
    std::uint8_t negative = 0;
    std::uint8_t flags = 0;
    std::uint8_t b = 0;
    std::uint8_t d = 0;
    std::uint8_t stamp[4] = { 0, 0, 0, 0 };
    std::uint8_t stamp2[4] = { 0, 0, 0, 0 };
};

class CacheEntry : public CacheEntryHeader {
public:
    ~CacheEntry() override = default;
    const std::string& GetHeader() const { return header; }
    const std::string& GetBody() const { return body; }
    void WriteBody(std::string& out) const
    {
        if (!body.empty())
            out.append(body);
    }

    std::string url;
    std::uint32_t urlCrc = 0;
    std::string header;
    std::string body;

    static constexpr std::uint8_t kBodyCompressed = 2;
    static constexpr size_t kFixedSize = 32;
};

class CacheFileDir {
public:
    virtual ~CacheFileDir() = default;
    // False when the file is too short for the directory it claims.
    bool Read(std::FILE* file, std::uint64_t fileSize);

    static constexpr std::uint32_t kCapacity = 10;
    static constexpr std::uint32_t kDirSize = 88;
    std::uint32_t capacity = kCapacity;
    std::uint32_t count = 0;
    std::uint32_t offsets[kCapacity] = {};
    std::uint32_t crcs[kCapacity] = {};
};

class CacheFile {
public:
    virtual ~CacheFile() = default;
    // The entry of url: its offset and its first 20 bytes. Slots whose URL CRC matches but whose
    // stored URL differs are passed over.
    static bool FindEntry(std::FILE* file, std::uint64_t fileSize, const std::string& url, std::uint32_t& offset,
        CacheEntryHeader& head);
    // The whole entry at offset; null for lengths past the end or a block that does not unpack.
    static CacheEntry* ReadEntry(std::FILE* file, std::uint64_t fileSize, std::uint32_t offset,
        std::uint32_t maxBody = kCacheMaxBody);
    static bool AppendEntry(const std::string& path, const CacheEntry& entry);
    // The bytes of the entry as stored (fixed part, URL, packed header, body).
    static std::string RenderEntry(const CacheEntry& entry);
};

class HttpCache {
public:
    HttpCache() = default;
    virtual ~HttpCache() = default;

    // Roots are used as prefixes as they stand (they should end with '/').
    void AddRoot(const char* folder) { m_roots.emplace_back(folder ? folder : ""); }
    bool HasRoots() const { return !m_roots.empty(); }

    bool GetCacheFilePath(const std::string& url, std::string& path) const;
    // A new entry (the caller deletes it) or null; *negative is set when a negative entry was found.
    CacheEntry* FetchEntry(const std::string& url, bool* negative, CacheEntryHeader* head = nullptr) const;
    bool ReadEntryHeader(const std::string& url, CacheEntryHeader& head) const;
    bool StoreEntry(const std::string& url, const std::string& header, const std::string& body, bool negative,
        std::uint8_t b, std::uint8_t flags, std::uint8_t d, const std::string& tag);
    bool ReplaceEntry(const std::string& url, const std::string& header, const std::string& body, bool negative,
        std::uint8_t b, std::uint8_t flags, std::uint8_t d, const std::string& tag);

    bool IsHostMarked(const char* host, bool* marked) const;
    void ClearHostMark(const char* host);
    void MarkHost(const char* host);

    static constexpr std::uint32_t kFileModulus = 1000;

private:
    std::vector<std::string> m_roots;
};

// The folder an empty root text stands for.
std::string HttpCacheDefaultRoot();
// Finds and reads url's entry in a cache file's bytes, as a lookup would; for the fuzz harness.
bool HttpCacheParseFileBytes(const std::string& bytes, const std::string& url, std::uint32_t maxBody);
