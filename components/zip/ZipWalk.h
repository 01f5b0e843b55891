#pragma once
// Reads an existing zip archive front to back: the local headers with their names, extra fields
// and data positions, then the central records (matched to the local entries by name), then the
// end record and the archive comment. Nothing is inflated or decrypted here.
//
// Archives are untrusted input: every size and offset is checked against the bytes that are
// really there, positions are 64-bit so that lying sizes cannot wrap, and a damaged archive ends
// the walk with a log line and false.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/zip/ZipFormat.h"
#include "platform/base/FileHandle.h"

#include <cstdint>
#include <memory>

class ExtPtrArray;
class LogBase;

class ZipWalkEntry : public TorvaneObject {
public:
    ZipWalkEntry() = default;

    bool IsTraditionallyEncrypted() const
    {
        return m_local.method != kZipMethodAes && (m_local.flags & kZipFlagEncrypted) != 0;
    }
    // The descriptor's sizes when there is one, else the local header's.
    DWORD CompressedSize() const { return m_hasDescriptor ? m_descriptorCompressed : m_local.compressedSize; }
    DWORD UncompressedSize() const { return m_hasDescriptor ? m_descriptorUncompressed : m_local.uncompressedSize; }
    DWORD Crc() const { return m_hasDescriptor ? m_descriptorCrc : m_local.crc; }

    std::uint64_t m_localOffset = 0;
    ZipLocalHeader m_local;
    std::uint64_t m_centralOffset = 0;
    ZipCentralRecord m_central;
    bool m_matched = false;
    torvane::StringBuffer m_name; // UTF-8
    DataBuffer m_localExtra;
    DataBuffer m_centralExtra;
    // 0 none, 1-3 the component's own encryption, 4 AES.
    int m_encryption = 0;
    int m_keyLength = 0;
    WORD m_aesMethod = 0;
    // The AES block as it was found in the local (else the central) extra field.
    bool m_hasAesExtra = false;
    unsigned char m_aesExtra[kZipAesExtraSize] = {};
    std::uint64_t m_dataOffset = 0;
    bool m_hasDescriptor = false;
    DWORD m_descriptorCrc = 0;
    DWORD m_descriptorCompressed = 0;
    DWORD m_descriptorUncompressed = 0;
    bool m_hasComment = false;
    torvane::StringBuffer m_comment;
    bool m_hasTraditionalHeader = false;
    unsigned char m_traditionalHeader[12] = {};
};

// Random access to a file (through a window) or to a memory block.
class FileAccess {
public:
    FileAccess() = default;
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;
    virtual ~FileAccess() { Close(); }

    bool Open(const char* utf8Path, LogBase* log);
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    std::uint64_t Size() const { return m_size; }
    // Exactly n bytes at the offset; false when fewer are there.
    bool ReadAt(std::uint64_t offset, unsigned n, DataBuffer& out);

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::uint64_t m_size = 0;
};

class MemoryData : public TorvaneObject {
public:
    MemoryData() = default;
    MemoryData(const MemoryData&) = delete;
    MemoryData& operator=(const MemoryData&) = delete;
    ~MemoryData() override { Close(); }

    bool OpenFile(const char* utf8Path, LogBase* log);
    // Memory mode over the caller's block, which outlives the view unless SetOwnsBlock(true) hands
    // it over (then it is released with std::free).
    void SetBlock(const void* block, unsigned size);
    void SetOwnsBlock(bool owns) { m_ownsBlock = owns; }
    void Close();

    std::uint64_t Size() const;
    // A pointer to n bytes at the offset, valid until the next call; null when they are not all there.
    const unsigned char* GetBytes(std::uint64_t offset, unsigned n);
    // First position at or after *offset whose little-endian 32-bit value matches; *offset is set
    // to it. Null when there is none.
    const unsigned char* ScanFor(std::uint64_t* offset, DWORD value);
    const unsigned char* ScanForEither(std::uint64_t* offset, DWORD a, DWORD b);

    const torvane::StringBuffer& Path() const { return m_path; }

private:
    bool m_fileMode = false;
    bool m_ownsBlock = false;
    const unsigned char* m_block = nullptr;
    unsigned m_blockSize = 0;
    std::uint64_t m_windowOffset = 0;
    DataBuffer m_window;
    torvane::StringBuffer m_path;
    FileAccess m_file;
};

// One view per archive path while entries are copied; owns its views.
class MemoryDataPool {
public:
    MemoryDataPool() = default;
    MemoryDataPool(const MemoryDataPool&) = delete;
    MemoryDataPool& operator=(const MemoryDataPool&) = delete;
    virtual ~MemoryDataPool();

    // The view whose path has exactly these bytes, or a new one; null when the file cannot be opened.
    MemoryData* GetView(const char* utf8Path, LogBase* log);
    void CloseAll();

private:
    std::unique_ptr<ExtPtrArray> m_views;
};

class ZipWalk {
public:
    // Fills `entries` with new ZipWalkEntry objects (the caller deletes them, also after a failure).
    static bool WalkFile(const char* utf8Path, LogBase& log, ExtPtrArray& entries, torvane::StringBuffer& comment,
                         ZipEndRecord& end, int codePage, bool* sizesDiffer);
    static bool Walk(MemoryData& view, LogBase& log, ExtPtrArray& entries, torvane::StringBuffer& comment,
                     ZipEndRecord& end, int codePage, bool* sizesDiffer);
};
