#pragma once
// One entry of a zip archive object: a file on disk, a directory placeholder, bytes in memory, or
// an entry of an opened archive (mapped) whose data is copied from there when the archive is
// written again. Entries are owned by the registry; archives hold counted references, and an
// entry whose last reference goes frees its data and becomes "removed".

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/zip/ZipFormat.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <memory>

class ClsZip2;
class LogBase;
class MemoryDataPool;
class Output;
class ProgressMonitor;
class ZipWalkEntry;

// Where and how the entry was last written; the central record is made from it.
struct ZipEntryCache {
    ZipLocalHeader header;
    DataBuffer nameBytes;
    bool hasAesExtra = false;
    unsigned char aesExtra[kZipAesExtraSize] = {};
    DWORD externalAttributes = 0;
    DWORD headerOffset = 0;
};

// What one entry write needs from the archive write around it.
struct ZipEntryWriteArgs {
    ProgressMonitor* monitor = nullptr;
    LogBase* log = nullptr;
    MemoryDataPool* pool = nullptr;
    int codePage = 437;
    DWORD compressedSize = 0;
    DWORD crc = 0;
    // The source file was gone by the time of writing: not counted as a failure.
    bool vanished = false;
};

class ClsZipEntry2 : public TorvaneObject {
public:
    enum Kind : unsigned char { kMapped = 0, kFile = 1, kData = 2, kRemoved = 3, kDirectoryPlaceholder = 4 };
    enum StateBit : unsigned char { kSkipped = 1, kWritten = 2, kDirectory = 4 };

    ~ClsZipEntry2() override;
    ClsZipEntry2(const ClsZipEntry2&) = delete;
    ClsZipEntry2& operator=(const ClsZipEntry2&) = delete;

    // New entries, not yet in any list or registry.
    static ClsZipEntry2* CreateFileEntry(ClsZip2* zip, const char* inZipName, const char* fullPath);
    static ClsZipEntry2* CreateDirectoryPlaceholder(ClsZip2* zip, const char* inZipName);
    static ClsZipEntry2* CreateDataEntry(ClsZip2* zip, const char* inZipName, const void* bytes, unsigned n);
    // Takes the walked record over.
    static ClsZipEntry2* CreateMappedEntry(ClsZip2* zip, std::unique_ptr<ZipWalkEntry> walked);

    void AddRef() { ++m_refCount; }
    // The last reference frees the data, forgets the archive and turns the entry into "removed".
    void Release();

    // The local part: header, name, extra field and data. False (logged) on failure; a removed
    // entry writes nothing and succeeds.
    bool zipEntry(Output* out, ZipEntryWriteArgs& args);
    // The central record.
    bool zipDirEntry(Output* out, LogBase& log, int codePage);

    Kind GetKind() const { return m_kind; }
    bool IsDirectory() const { return (m_state & kDirectory) != 0; }
    // Whether writing this entry encrypts data: false for a removed entry, a directory and an
    // opened entry that is copied as it stands.
    bool NeedsPassword() const;
    bool IsWritten() const { return (m_state & kWritten) != 0; }
    bool IsSkipped() const { return (m_state & kSkipped) != 0; }
    void SetSkipped(bool skipped);
    void ClearWritten() { m_state &= (unsigned char)~kWritten; }
    const char* GetName() const { return m_name ? m_name->GetText() : nullptr; }
    // The plain size as far as it is known before writing.
    std::uint64_t GetUncompressedSize() const;
    const char* GetSourcePath() const { return m_sourcePath.GetText(); }
    void SetTimestamp(double oleDate) { m_timestamp = oleDate; }
    void SetTextFlag(bool text) { m_textFlag = text; }
    bool KeepsOwnTextFlag() const { return m_keepsOwnTextFlag; }
    int GetSerial() const { return m_serial; }

private:
    ClsZipEntry2();
    // A new entry of the kind, its name taken with '/' separators.
    static ClsZipEntry2* CreateNamed(Kind kind, ClsZip2* zip, const char* inZipName);

    bool WriteNewEntry(Output* out, ZipEntryWriteArgs& args);
    bool WriteMappedEntry(Output* out, ZipEntryWriteArgs& args);
    bool WriteNewCentral(Output* out, LogBase& log);
    bool WriteMappedCentral(Output* out, LogBase& log);
    // Completes the record with what the cache holds (the fields taken from the local header, the
    // extra field, comment and header offset) and writes it with name, extra field and comment.
    bool WriteCentralRecord(Output* out, ZipCentralRecord& record, LogBase& log) const;
    // Keeps the cache for the central record and reports the CRC and compressed size written.
    void MarkWritten(std::unique_ptr<ZipEntryCache> cache, ZipEntryWriteArgs& args);
    // The name as stored: separators '/', a directory ending in '/', prefix and discard-paths applied
    // to the kinds that take them.
    void StoredName(torvane::StringBuffer& out) const;
    void FreeData();

    unsigned char m_marker = 0xCF;
    int m_refCount = 0;
    Kind m_kind = kRemoved;
    unsigned char m_method = kZipMethodDeflated;
    unsigned char m_level = 6;
    unsigned char m_state = 0;
    std::unique_ptr<torvane::StringBuffer> m_comment;
    std::unique_ptr<torvane::StringBuffer> m_name;
    int m_serial;
    ClsZip2* m_zip = nullptr;
    std::unique_ptr<ZipEntryCache> m_cache;
    // Data by kind: the walked record (mapped), the source path and timestamp (file), the bytes (data).
    std::unique_ptr<ZipWalkEntry> m_walked;
    torvane::StringBuffer m_sourcePath;
    double m_timestamp = 0;
    DataBuffer m_data;
    bool m_dataTimeSet = false;
    WORD m_dataDosTime = 0;
    WORD m_dataDosDate = 0;
    bool m_keepsOwnTextFlag = false;
    bool m_textFlag = false;
};
