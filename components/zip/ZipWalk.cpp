#include "components/zip/ZipWalk.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/XString.h"
#include "platform/base/File.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr unsigned kScanChunk = 20000;
// Small reads are widened so that header, name and extra field come from one system read.
constexpr unsigned kReadAhead = 65536;

void LogPosition(LogBase& log, std::uint64_t position) { log.LogDataInt64("filePosition", std::int64_t(position)); }

} // namespace

// ---- FileAccess ----

bool FileAccess::Open(const char* utf8Path, LogBase* log)
{
    Close();
    if (utf8Path == nullptr || *utf8Path == '\0') return false;
    XString path;
    path.SetFromUtf8(utf8Path);
    m_handle = FileSys::OpenFileForRead(path, log);
    if (m_handle == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(m_handle, &size) || size.QuadPart < 0) {
        Close();
        return false;
    }
    m_size = std::uint64_t(size.QuadPart);
    return true;
}

void FileAccess::Close()
{
    CloseHandleIfValid(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_size = 0;
}

bool FileAccess::ReadAt(std::uint64_t offset, unsigned n, DataBuffer& out)
{
    out.Empty();
    if (!IsOpen() || offset > m_size || n > m_size - offset) return false;
    if (n == 0) return true;
    if (!out.EnsureCapacity(n)) return false;
    LARGE_INTEGER distance {};
    distance.QuadPart = std::int64_t(offset);
    if (!SetFilePointerEx(m_handle, distance, nullptr, FILE_BEGIN)) return false;
    DWORD got = 0;
    if (!ReadFile(m_handle, out.GetData(), n, &got, nullptr) || got != n) return false;
    out.SetSize(n);
    return true;
}

// ---- MemoryData ----

bool MemoryData::OpenFile(const char* utf8Path, LogBase* log)
{
    Close();
    if (!m_file.Open(utf8Path, log)) return false;
    m_fileMode = true;
    m_path.SetText(utf8Path);
    return true;
}

void MemoryData::SetBlock(const void* block, unsigned size)
{
    Close();
    m_fileMode = false;
    m_block = static_cast<const unsigned char*>(block);
    m_blockSize = block != nullptr ? size : 0;
}

void MemoryData::Close()
{
    m_file.Close();
    if (m_ownsBlock && m_block != nullptr) std::free(const_cast<unsigned char*>(m_block));
    m_block = nullptr;
    m_blockSize = 0;
    m_ownsBlock = false;
    m_window.Release();
    m_windowOffset = 0;
    m_fileMode = false;
}

std::uint64_t MemoryData::Size() const { return m_fileMode ? m_file.Size() : m_blockSize; }

const unsigned char* MemoryData::GetBytes(std::uint64_t offset, unsigned n)
{
    const std::uint64_t size = Size();
    if (offset > size || n > size - offset) return nullptr;
    if (!m_fileMode) return m_block + offset;
    if (offset >= m_windowOffset && offset - m_windowOffset + n <= m_window.GetSize())
        return m_window.GetData() + (offset - m_windowOffset);
    unsigned want = n;
    if (want < kReadAhead) {
        const std::uint64_t left = size - offset;
        want = left < kReadAhead ? unsigned(left) : kReadAhead;
    }
    if (!m_file.ReadAt(offset, want, m_window)) {
        m_window.Empty();
        return nullptr;
    }
    m_windowOffset = offset;
    return m_window.GetData();
}

const unsigned char* MemoryData::ScanFor(std::uint64_t* offset, DWORD value)
{
    return ScanForEither(offset, value, value);
}

const unsigned char* MemoryData::ScanForEither(std::uint64_t* offset, DWORD a, DWORD b)
{
    if (offset == nullptr) return nullptr;
    const std::uint64_t size = Size();
    std::uint64_t position = *offset;
    while (position < size && size - position >= 4) {
        const std::uint64_t left = size - position;
        const unsigned chunk = left < kScanChunk ? unsigned(left) : kScanChunk;
        const unsigned char* bytes = GetBytes(position, chunk);
        if (bytes == nullptr) return nullptr;
        for (unsigned i = 0; i + 4 <= chunk; ++i) {
            const DWORD v = ZipRead32(bytes + i);
            if (v == a || v == b) {
                *offset = position + i;
                return GetBytes(*offset, 4);
            }
        }
        // The last three bytes start the next chunk, so a signature across the seam is found.
        if (chunk < 4) break;
        position += chunk - 3;
        if (left <= chunk) break;
    }
    return nullptr;
}

// ---- MemoryDataPool ----

MemoryDataPool::~MemoryDataPool() { CloseAll(); }

MemoryData* MemoryDataPool::GetView(const char* utf8Path, LogBase* log)
{
    if (utf8Path == nullptr || *utf8Path == '\0') return nullptr;
    if (!m_views) m_views = std::make_unique<ExtPtrArray>();
    for (int i = 0; i < m_views->GetCount(); ++i) {
        MemoryData* view = m_views->GetAtAs<MemoryData>(i);
        if (view != nullptr && view->Path().Equals(utf8Path)) return view;
    }
    auto view = std::make_unique<MemoryData>();
    if (!view->OpenFile(utf8Path, log)) return nullptr;
    m_views->Append(view.get());
    return view.release();
}

void MemoryDataPool::CloseAll()
{
    if (m_views) m_views->DeleteAll();
}

// ---- ZipWalk ----

namespace {

class Walker {
public:
    Walker(MemoryData& view, LogBase& log, ExtPtrArray& entries, int codePage, bool* sizesDiffer)
        : m_view(view)
        , m_log(log)
        , m_entries(entries)
        , m_codePage(codePage)
        , m_sizesDiffer(sizesDiffer)
    {
    }

    bool ReadLocalEntry(std::uint64_t* offset);
    bool ReadCentralEntry(std::uint64_t* offset, int* hint);

private:
    bool ReadDescriptors(ZipWalkEntry& entry, std::uint64_t* offset);
    int FindLocal(const char* name, int from);
    int FindLocalByFileName(const torvane::StringBuffer& name, int from);
    // The local entry a central name belongs to, from `from` on: the same name, else the same file part.
    int FindMatch(const torvane::StringBuffer& name, int from);
    // The local entry that starts at the offset, or -1.
    int FindByOffset(std::uint64_t offset) const;

    MemoryData& m_view;
    LogBase& m_log;
    ExtPtrArray& m_entries;
    int m_codePage;
    bool* m_sizesDiffer;
    // Local entries by name, in walk order; made once the central directory is reached.
    std::unordered_map<std::string, std::vector<int>> m_byName;
    int m_indexed = 0;
};

// Other tools put the AES block anywhere among their extra blocks.
void TakeAesExtra(ZipWalkEntry& entry, const unsigned char* extra, unsigned length)
{
    const unsigned char* block = ZipFindAesExtra(extra, length);
    if (block == nullptr) return;
    entry.m_encryption = 4;
    entry.m_keyLength = ZipAesKeyBitsForStrength(block[8]);
    entry.m_aesMethod = ZipRead16(block + 9);
    entry.m_hasAesExtra = true;
    std::memcpy(entry.m_aesExtra, block, 4);
    // Written back as the 7 bytes this writer knows, whatever size the block declared.
    ZipWrite16(entry.m_aesExtra + 2, kZipAesExtraSize - 4);
    std::memcpy(entry.m_aesExtra + 4, block + 4, kZipAesExtraSize - 4);
}

bool Walker::ReadLocalEntry(std::uint64_t* offset)
{
    auto entry = std::make_unique<ZipWalkEntry>();
    entry->m_localOffset = *offset;
    const unsigned char* header = m_view.GetBytes(*offset, kZipLocalHeaderSize);
    if (header == nullptr) {
        m_log.LogError("Failed to get file header");
        LogPosition(m_log, *offset);
        return false;
    }
    entry->m_local.Load(header);
    std::uint64_t position = *offset + kZipLocalHeaderSize;

    const unsigned nameLength = entry->m_local.nameLength;
    const unsigned char* name = m_view.GetBytes(position, nameLength);
    if (name == nullptr) {
        m_log.LogError("Failed to get filename after file header");
        return false;
    }
    ZipDecodeName(name, nameLength, (entry->m_local.flags & kZipFlagUtf8) != 0, m_codePage, entry->m_name);
    position += nameLength;

    const unsigned extraLength = entry->m_local.extraLength;
    if (extraLength > 0) {
        const unsigned char* extra = m_view.GetBytes(position, extraLength);
        if (extra == nullptr) {
            m_log.LogError("Failed to get extra field after file header");
            return false;
        }
        entry->m_localExtra.Append(extra, extraLength);
        if (extraLength == kZipOwnExtraSize && ZipRead32(extra) == kZipOwnExtraMarker) {
            entry->m_encryption = int(ZipRead32(extra + 8));
            entry->m_keyLength = int(ZipRead32(extra + 12));
        } else if (entry->m_local.method == kZipMethodAes) {
            TakeAesExtra(*entry, extra, extraLength);
        }
        position += extraLength;
    }
    entry->m_dataOffset = position;

    if (entry->IsTraditionallyEncrypted()) {
        const unsigned char* head = m_view.GetBytes(position, 12);
        if (head != nullptr) {
            std::memcpy(entry->m_traditionalHeader, head, 12);
            entry->m_hasTraditionalHeader = true;
        }
    }

    position += entry->m_local.compressedSize;
    if ((entry->m_local.flags & kZipFlagDescriptor) && !ReadDescriptors(*entry, &position)) return false;
    *offset = position;
    m_entries.Append(entry.release());
    return true;
}

bool Walker::ReadDescriptors(ZipWalkEntry& entry, std::uint64_t* offset)
{
    std::uint64_t position = *offset;
    for (;;) {
        std::uint64_t found = position;
        if (m_view.ScanFor(&found, kZipDescriptorSignature) == nullptr) break;
        const unsigned char* descriptor = m_view.GetBytes(found + 4, 12);
        if (descriptor == nullptr) {
            m_log.LogError("Failed to get data descriptor after file header");
            return false;
        }
        entry.m_hasDescriptor = true;
        entry.m_descriptorCrc = ZipRead32(descriptor);
        entry.m_descriptorCompressed = ZipRead32(descriptor + 4);
        entry.m_descriptorUncompressed = ZipRead32(descriptor + 8);
        position = found + 16;
        *offset = position;
        if (found - entry.m_dataOffset == entry.m_descriptorCompressed) break;
    }
    return true;
}

int Walker::FindLocal(const char* name, int from)
{
    for (; m_indexed < m_entries.GetCount(); ++m_indexed)
        m_byName[m_entries.GetAtAs<ZipWalkEntry>(m_indexed)->m_name.GetText()].push_back(m_indexed);
    const auto found = m_byName.find(name);
    if (found == m_byName.end()) return -1;
    const std::vector<int>& indexes = found->second;
    const auto at = std::lower_bound(indexes.begin(), indexes.end(), from);
    return at == indexes.end() ? -1 : *at;
}

int Walker::FindLocalByFileName(const torvane::StringBuffer& name, int from)
{
    const char* text = name.GetText();
    const char* slash = std::strrchr(text, '/');
    if (slash == nullptr) slash = std::strrchr(text, '\\');
    if (slash == nullptr) return -1;
    return FindLocal(slash + 1, from);
}

int Walker::FindMatch(const torvane::StringBuffer& name, int from)
{
    const int match = FindLocal(name.GetText(), from);
    return match >= 0 ? match : FindLocalByFileName(name, from);
}

int Walker::FindByOffset(std::uint64_t offset) const
{
    // Local entries are walked front to back, so their offsets rise.
    int low = 0, high = m_entries.GetCount() - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const std::uint64_t here = m_entries.GetAtAs<ZipWalkEntry>(middle)->m_localOffset;
        if (here == offset) return middle;
        if (here < offset)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

bool Walker::ReadCentralEntry(std::uint64_t* offset, int* hint)
{
    const std::uint64_t recordOffset = *offset;
    const unsigned char* record = m_view.GetBytes(recordOffset, kZipCentralRecordSize);
    if (record == nullptr) {
        m_log.LogError("Failed to get directory entry");
        LogPosition(m_log, recordOffset);
        return false;
    }
    ZipCentralRecord central;
    central.Load(record);
    if (central.nameLength == 0) {
        m_log.LogError("No filename for directory entry.");
        return false;
    }
    std::uint64_t position = recordOffset + kZipCentralRecordSize;
    const unsigned char* nameBytes = m_view.GetBytes(position, central.nameLength);
    if (nameBytes == nullptr) {
        m_log.LogError("Failed to get directory entry filename");
        return false;
    }
    torvane::StringBuffer name;
    ZipDecodeName(nameBytes, central.nameLength, (central.flags & kZipFlagUtf8) != 0, m_codePage, name);
    position += central.nameLength;

    // The record's own offset names its local entry when the name there agrees; otherwise the
    // names are matched, from the hint on and then from the start.
    int match = FindByOffset(central.localHeaderOffset);
    if (match >= 0 && !m_entries.GetAtAs<ZipWalkEntry>(match)->m_name.EqualsBuffer(name)) match = -1;
    int start = *hint;
    if (start < 0 || start >= m_entries.GetCount()) start = 0;
    if (match < 0) match = FindMatch(name, start);
    if (match >= 0)
        *hint = match;
    else if (start != 0)
        match = FindMatch(name, 0);
    if (match < 0) {
        const bool noEntryAtHint = *hint == 0 && m_entries.GetCount() == 0;
        m_log.LogError(noEntryAtHint ? "Failed to match directory entry with file header (2)"
                                     : "Failed to match directory entry with file header (1)");
        m_log.LogDataQuotedPrintable("filename", name.GetText());
        return false;
    }

    ZipWalkEntry& entry = *m_entries.GetAtAs<ZipWalkEntry>(match);
    entry.m_central = central;
    entry.m_centralOffset = recordOffset;
    entry.m_matched = true;
    if (entry.m_local.compressedSize != central.compressedSize
        || entry.m_local.uncompressedSize != central.uncompressedSize)
        if (m_sizesDiffer) *m_sizesDiffer = true;

    entry.m_centralExtra.Empty();
    if (central.extraLength > 0) {
        const unsigned char* extra = m_view.GetBytes(position, central.extraLength);
        if (extra == nullptr) {
            m_log.LogError("Failed to get directory entry extra field");
            return false;
        }
        entry.m_centralExtra.Append(extra, central.extraLength);
        if (entry.m_local.method == kZipMethodAes && !entry.m_hasAesExtra)
            TakeAesExtra(entry, entry.m_centralExtra.GetData(), central.extraLength);
        position += central.extraLength;
    }
    entry.m_hasComment = false;
    entry.m_comment.Clear();
    if (central.commentLength > 0) {
        const unsigned char* comment = m_view.GetBytes(position, central.commentLength);
        if (comment == nullptr) {
            m_log.LogError("Failed to get directory entry comment");
            return false;
        }
        entry.m_comment.AppendBytes(comment, central.commentLength);
        entry.m_hasComment = true;
        position += central.commentLength;
    }
    *offset = position;
    ++*hint;
    return true;
}

bool IsRecordSignature(DWORD v) { return v == kZipLocalSignature || v == kZipCentralSignature || v == kZipEndSignature; }

// The 4-byte value at the offset; false (logged with failureText) when the file ends first.
bool ReadSignature(MemoryData& view, std::uint64_t offset, LogBase& log, const char* failureText, DWORD* value)
{
    const unsigned char* bytes = view.GetBytes(offset, 4);
    if (bytes == nullptr) {
        log.LogError(failureText);
        return false;
    }
    *value = ZipRead32(bytes);
    return true;
}

} // namespace

bool ZipWalk::WalkFile(const char* utf8Path, LogBase& log, ExtPtrArray& entries, torvane::StringBuffer& comment,
                       ZipEndRecord& end, int codePage, bool* sizesDiffer)
{
    MemoryData view;
    if (!view.OpenFile(utf8Path, &log)) {
        log.LogError("Failed to open Zip file");
        log.LogDataQuotedPrintable("filename", utf8Path ? utf8Path : "");
        return false;
    }
    const bool ok = Walk(view, log, entries, comment, end, codePage, sizesDiffer);
    view.Close();
    return ok;
}

bool ZipWalk::Walk(MemoryData& view, LogBase& log, ExtPtrArray& entries, torvane::StringBuffer& comment,
                   ZipEndRecord& end, int codePage, bool* sizesDiffer)
{
    if (sizesDiffer) *sizesDiffer = false;
    comment.Clear();
    end = ZipEndRecord();
    const unsigned char* first = view.GetBytes(0, 16);
    if (first == nullptr) {
        log.LogError("Failed to read Zip (11)");
        return false;
    }
    std::uint64_t offset = 0;
    bool found = false;
    for (unsigned at = 0; at < 16 && !found; at += 4) {
        if (IsRecordSignature(ZipRead32(first + at))) {
            offset = at;
            found = true;
        }
    }
    if (!found) {
        offset = 12;
        if (view.ScanFor(&offset, kZipLocalSignature) == nullptr) {
            log.LogError("Zip file is corrupt");
            view.Close();
            return false;
        }
    }

    Walker walker(view, log, entries, codePage, sizesDiffer);
    DWORD value = 0;
    if (!ReadSignature(view, offset, log, "Failed to read Zip (10)", &value)) return false;
    while (value != kZipCentralSignature && value != kZipEndSignature) {
        if (value == kZipLocalSignature) {
            if (unsigned(entries.GetCount()) >= kZipMaxEntries) {
                log.LogError("Zip has more entries than the format can count");
                return false;
            }
            if (!walker.ReadLocalEntry(&offset)) return false;
            if (!ReadSignature(view, offset, log, "Failed to read Zip (10)", &value)) return false;
            continue;
        }
        const unsigned char* sig = view.ScanForEither(&offset, kZipLocalSignature, kZipCentralSignature);
        if (sig == nullptr) {
            log.LogError("Zip file is corrupt");
            return false;
        }
        value = ZipRead32(sig);
    }

    int hint = 0;
    unsigned centralCount = 0;
    while (value == kZipCentralSignature) {
        if (++centralCount > kZipMaxEntries) {
            log.LogError("Zip has more entries than the format can count");
            return false;
        }
        if (!walker.ReadCentralEntry(&offset, &hint)) return false;
        if (!ReadSignature(view, offset, log, "Failed to read Zip (13)", &value)) return false;
    }

    const unsigned char* endBytes = view.GetBytes(offset, kZipEndRecordSize);
    if (endBytes == nullptr) {
        log.LogError("Failed to get end-of-directory record.");
        return false;
    }
    end.Load(endBytes);
    if (end.signature == kZipEndSignature && end.commentLength > 0) {
        const unsigned char* text = view.GetBytes(offset + kZipEndRecordSize, end.commentLength);
        // A comment cut short by the end of the file is left out; the entries are all there.
        if (text != nullptr)
            comment.AppendBytes(text, end.commentLength);
        else
            log.LogInfo("Zip comment is truncated");
    }
    return true;
}
