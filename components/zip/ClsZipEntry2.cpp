#include "components/zip/ClsZipEntry2.h"

#include "components/foundation/DateParser.h"
#include "components/foundation/FileInfo.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/Output.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZip2.h"
#include "components/zip/ZipPipeline.h"
#include "components/zip/ZipWalk.h"
#include "platform/base/File.h"
#include "platform/base/Time.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<int> g_nextEntrySerial {1};

constexpr unsigned kCopyChunk = 65536;

bool WriteHeader(Output* out, const ZipLocalHeader& header)
{
    unsigned char bytes[kZipLocalHeaderSize];
    header.Store(bytes);
    return ZipWriteAll(out, bytes, sizeof(bytes));
}

// Header, name, the AES extra field when the cache has one, then ownExtra when given.
bool WriteLocalPart(Output* out, const ZipEntryCache& cache, const unsigned char* ownExtra)
{
    return WriteHeader(out, cache.header) && ZipWriteAll(out, cache.nameBytes.GetData(), cache.nameBytes.GetSize())
        && (!cache.hasAesExtra || ZipWriteAll(out, cache.aesExtra, kZipAesExtraSize))
        && (ownExtra == nullptr || ZipWriteAll(out, ownExtra, kZipOwnExtraSize));
}

// Writes the header again once the data has given its sizes and CRC (with ownExtra over the
// placeholder when given) and returns to the end of the data, whatever failed.
bool RewriteLocalHeader(Output* out, std::int64_t headerOffset, const ZipLocalHeader& header,
                        const unsigned char* ownExtra)
{
    const std::int64_t end = out->Tell64();
    bool ok = out->Seek64(headerOffset) && WriteHeader(out, header);
    if (ok && ownExtra != nullptr)
        ok = out->Seek64(headerOffset + kZipLocalHeaderSize + header.nameLength)
            && ZipWriteAll(out, ownExtra, kZipOwnExtraSize);
    return out->Seek64(end) && ok;
}

// The output position as a local header offset; false (logged) past what the classic format holds.
bool LocalHeaderOffset(Output* out, LogBase& log, std::int64_t* offset)
{
    *offset = out->Tell64();
    if (*offset >= 0 && std::uint64_t(*offset) <= kZipMaxOffset) return true;
    log.LogError("Zip archive too large: entry offset past 4 GB");
    return false;
}

void LogCurrentDir(LogBase& log)
{
    XString dir;
    FileSys::GetCurrentDir(dir);
    log.LogDataQuotedPrintable("curDir", dir.GetUtf8());
}

bool IsOwnEncryption(int encryption) { return encryption >= 1 && encryption <= 3; }

// A mapped entry's bytes can be copied unchanged when the new archive protects them exactly as
// the opened one did.
bool SameProtection(const ZipWalkEntry& source, const ClsZip2& zip)
{
    const ZipCryptParams& opened = zip.GetOpenedParams();
    const bool sourceTraditional = source.IsTraditionallyEncrypted();
    const int targetEncryption = zip.GetEncryption();
    const bool targetTraditional = targetEncryption == 0 && zip.GetTraditional();
    if (source.m_encryption == 0 && !sourceTraditional) return targetEncryption == 0 && !targetTraditional;
    const bool samePassword = opened.m_password.EqualsBuffer(zip.GetPassword());
    if (sourceTraditional && source.m_encryption == 0) return targetTraditional && samePassword;
    if (source.m_encryption == 4)
        return targetEncryption == 4 && samePassword
            && ZipAesStrengthForKeyBits(source.m_keyLength) == ZipAesStrengthForKeyBits(zip.GetKeyLength());
    return targetEncryption == source.m_encryption && source.m_keyLength == zip.GetKeyLength() && samePassword;
}

} // namespace

ClsZipEntry2::ClsZipEntry2()
    : m_serial(g_nextEntrySerial++)
{
}

bool ClsZipEntry2::NeedsPassword() const
{
    if (m_kind == kRemoved || IsDirectory() || m_zip == nullptr) return false;
    if (m_kind == kMapped) return m_walked == nullptr || !SameProtection(*m_walked, *m_zip);
    return true;
}

ClsZipEntry2::~ClsZipEntry2()
{
    FreeData();
    m_marker = 0;
}

ClsZipEntry2* ClsZipEntry2::CreateNamed(Kind kind, ClsZip2* zip, const char* inZipName)
{
    auto* entry = new ClsZipEntry2();
    entry->m_kind = kind;
    entry->m_zip = zip;
    entry->m_name = std::make_unique<torvane::StringBuffer>(inZipName ? inZipName : "");
    entry->m_name->ReplaceChar('\\', '/');
    return entry;
}

ClsZipEntry2* ClsZipEntry2::CreateFileEntry(ClsZip2* zip, const char* inZipName, const char* fullPath)
{
    auto* entry = CreateNamed(kFile, zip, inZipName);
    entry->m_name->ShrinkToFit();
    entry->m_sourcePath.SetText(fullPath ? fullPath : "");
    return entry;
}

ClsZipEntry2* ClsZipEntry2::CreateDirectoryPlaceholder(ClsZip2* zip, const char* inZipName)
{
    auto* entry = CreateNamed(kDirectoryPlaceholder, zip, inZipName);
    entry->m_state |= kDirectory;
    entry->m_method = kZipMethodStored;
    return entry;
}

ClsZipEntry2* ClsZipEntry2::CreateDataEntry(ClsZip2* zip, const char* inZipName, const void* bytes, unsigned n)
{
    auto* entry = CreateNamed(kData, zip, inZipName);
    if (bytes != nullptr && n > 0) entry->m_data.Append(bytes, n);
    return entry;
}

ClsZipEntry2* ClsZipEntry2::CreateMappedEntry(ClsZip2* zip, std::unique_ptr<ZipWalkEntry> walked)
{
    auto* entry = new ClsZipEntry2();
    entry->m_kind = kMapped;
    entry->m_zip = zip;
    entry->m_name = std::make_unique<torvane::StringBuffer>(walked->m_name);
    const bool directory = (walked->m_matched && (walked->m_central.externalAttributes & kZipAttributeDirectory))
        || walked->m_name.EndsWith("/");
    if (directory) entry->m_state |= kDirectory;
    entry->m_method = (unsigned char)(walked->m_encryption == 4 ? walked->m_aesMethod : walked->m_local.method);
    if (walked->m_hasComment) entry->m_comment = std::make_unique<torvane::StringBuffer>(walked->m_comment);
    entry->m_walked = std::move(walked);
    return entry;
}

void ClsZipEntry2::Release()
{
    if (m_refCount > 0 && --m_refCount > 0) return;
    m_refCount = 0;
    FreeData();
    m_kind = kRemoved;
    m_zip = nullptr;
}

void ClsZipEntry2::FreeData()
{
    m_walked.reset();
    m_data.Release();
    m_cache.reset();
}

void ClsZipEntry2::MarkWritten(std::unique_ptr<ZipEntryCache> cache, ZipEntryWriteArgs& args)
{
    args.crc = cache->header.crc;
    args.compressedSize = cache->header.compressedSize;
    m_cache = std::move(cache);
    m_state |= kWritten;
}

void ClsZipEntry2::SetSkipped(bool skipped)
{
    if (skipped)
        m_state |= kSkipped;
    else
        m_state &= (unsigned char)~kSkipped;
}

std::uint64_t ClsZipEntry2::GetUncompressedSize() const
{
    switch (m_kind) {
    case kMapped:
        return m_walked ? m_walked->UncompressedSize() : 0;
    case kData:
        return m_data.GetSize();
    case kFile: {
        bool ok = false;
        const std::int64_t size = FileSys::GetFileSize64Utf8(m_sourcePath.GetText(), nullptr, &ok);
        return ok && size > 0 ? std::uint64_t(size) : 0;
    }
    default:
        return 0;
    }
}

void ClsZipEntry2::StoredName(torvane::StringBuffer& out) const
{
    out.Clear();
    if (m_name) out.Append(m_name->GetText());
    out.ReplaceChar('\\', '/');
    if (m_zip != nullptr && (m_kind == kMapped || m_kind == kData)) {
        if (m_zip->GetDiscardPaths()) {
            const char* text = out.GetText();
            const char* slash = std::strrchr(text, '/');
            if (slash != nullptr && slash[1] != '\0') {
                torvane::StringBuffer tail(slash + 1);
                out.SetBuffer(tail);
            }
        }
        if (m_zip->GetPathPrefix().GetLength() > 0) {
            torvane::StringBuffer prefixed(m_zip->GetPathPrefix().GetText());
            prefixed.ReplaceChar('\\', '/');
            if (prefixed.LastChar() != '/') prefixed.AppendChar('/');
            prefixed.AppendBuffer(out);
            out.SetBuffer(prefixed);
        }
    }
    if (IsDirectory() && out.GetLength() > 0 && out.LastChar() != '/') out.AppendChar('/');
}

bool ClsZipEntry2::zipEntry(Output* out, ZipEntryWriteArgs& args)
{
    LogNull nullLog;
    LogBase& log = args.log ? *args.log : nullLog;
    args.compressedSize = 0;
    args.crc = 0;
    args.vanished = false;
    if (m_kind == kRemoved) return true;
    if (out == nullptr) {
        log.LogError("NULL output in zipEntry");
        return false;
    }
    if (m_kind == kMapped) return WriteMappedEntry(out, args);
    return WriteNewEntry(out, args);
}

bool ClsZipEntry2::zipDirEntry(Output* out, LogBase& log, int /*codePage*/)
{
    if (m_kind == kRemoved) return true;
    if (out == nullptr) {
        log.LogError("NULL output in zipDirEntry");
        return false;
    }
    if (m_kind == kMapped) return WriteMappedCentral(out, log);
    return WriteNewCentral(out, log);
}

bool ClsZipEntry2::WriteNewEntry(Output* out, ZipEntryWriteArgs& args)
{
    LogBase& log = *args.log;
    m_state &= (unsigned char)~kWritten;
    m_cache.reset();
    if (out == nullptr) {
        log.LogError("No output object for file entry!");
        return false;
    }
    if (m_zip == nullptr) {
        log.LogError("Failed to Zip: reason = 1 (no back ref)");
        return false;
    }
    if (!m_name) {
        log.LogError(m_kind == kData ? "No filename while writing Zip data file entry" : "Failed to Zip: reason = 2");
        return false;
    }
    if (m_name->GetLength() == 0) {
        log.LogError("Failed to Zip: reason = 3");
        return false;
    }
    if (m_kind == kFile && m_sourcePath.GetLength() == 0) {
        log.LogError("Failed to Zip: reason = 5");
        return false;
    }

    const int encryption = m_zip->GetEncryption();
    if (IsOwnEncryption(encryption)) {
        m_method = kZipMethodDeflated;
        m_level = 6;
    }

    auto cache = std::make_unique<ZipEntryCache>();
    std::uint64_t size = 0;
    WORD dosDate = 0, dosTime = 0;
    if (m_kind == kFile) {
        FileInfo info;
        if (!info.LoadFileInfo(m_sourcePath.GetText(), &log)) {
            if (info.m_notFound) {
                args.vanished = true;
                return false;
            }
            LogCurrentDir(log);
            log.LogError("Failed to obtain file information");
            log.LogDataQuotedPrintable("filename", m_sourcePath.GetText());
            return false;
        }
        if (info.m_size64 > 0xFFFFFFFFull) {
            log.LogError("File too large for 32-bit zip.");
            log.LogDataQuotedPrintable("filename", m_sourcePath.GetText());
            return false;
        }
        size = info.m_isDirectory ? 0 : info.m_size64;
        cache->externalAttributes = info.m_attributes;
        if (info.m_isDirectory) cache->externalAttributes |= kZipAttributeDirectory;
        if (m_zip->GetClearArchiveBit() && (info.m_attributes & FILE_ATTRIBUTE_ARCHIVE))
            SetFileAttributesA(m_sourcePath.GetText(), info.m_attributes & ~DWORD(FILE_ATTRIBUTE_ARCHIVE));
        if (m_timestamp != 0) {
            SYSTEMTIME st {};
            FILETIME ft {};
            if (DateParser::VariantToSystemTime(&m_timestamp, &st) && SystemTimeToFileTime(&st, &ft))
                FileTimeToDosDateTime(&ft, &dosDate, &dosTime);
        } else {
            info.GetDosDateTime(&dosDate, &dosTime);
        }
    } else if (m_kind == kDirectoryPlaceholder) {
        SYSTEMTIME st {};
        FILETIME ft {};
        GetSystemTime(&st);
        SystemTimeToFileTime(&st, &ft);
        FileTimeToDosDateTime(&ft, &dosDate, &dosTime);
        cache->externalAttributes = kZipAttributeDirectory;
    } else {
        if (!m_dataTimeSet) {
            SYSTEMTIME st {};
            FILETIME ft {};
            GetLocalTime(&st);
            SystemTimeToFileTime(&st, &ft);
            FileTimeToDosDateTime(&ft, &m_dataDosDate, &m_dataDosTime);
            m_dataTimeSet = true;
        }
        dosDate = m_dataDosDate;
        dosTime = m_dataDosTime;
        size = m_data.GetSize();
        cache->externalAttributes = FILE_ATTRIBUTE_NORMAL;
    }

    const bool directory = (cache->externalAttributes & kZipAttributeDirectory) != 0;
    if (directory) m_state |= kDirectory;
    if (directory && m_zip->GetDiscardPaths()) return true;

    if (m_kind == kFile && !directory) {
        XString path;
        path.SetFromUtf8(m_sourcePath.GetText());
        HANDLE probe = FileSys::OpenFileForRead(path, &log);
        if (probe == INVALID_HANDLE_VALUE) {
            log.LogError("Open failure #1");
            log.LogDataQuotedPrintable("filename", m_sourcePath.GetText());
            return false;
        }
        CloseHandleIfValid(probe);
    }

    torvane::StringBuffer name;
    StoredName(name);
    bool utf8Name = false;
    ZipEncodeName(name.GetText(), args.codePage, cache->nameBytes, &utf8Name);
    if (cache->nameBytes.GetSize() > 0xFFFF) {
        log.LogError("Entry name too long for a zip archive");
        log.LogDataQuotedPrintable("filename", name.GetText());
        return false;
    }

    const bool useAes = encryption == 4 && !directory;
    const bool ownEncryption = IsOwnEncryption(encryption) && !directory;
    const bool traditional = encryption == 0 && m_zip->GetTraditional() && !directory;
    if (directory || (size == 0 && !useAes)) m_method = kZipMethodStored;

    ZipLocalHeader& header = cache->header;
    header.versionNeeded = directory ? 10 : 20;
    header.flags = WORD((useAes || (traditional && size > 0)) ? kZipFlagEncrypted : 0);
    if (utf8Name) header.flags |= kZipFlagUtf8;
    header.method = useAes ? kZipMethodAes : m_method;
    header.dosTime = dosTime;
    header.dosDate = dosDate;
    header.nameLength = WORD(cache->nameBytes.GetSize());
    header.extraLength = WORD(useAes ? kZipAesExtraSize : ownEncryption ? kZipOwnExtraSize : 0);
    if (useAes) {
        cache->hasAesExtra = true;
        ZipMakeAesExtra(m_zip->GetKeyLength(), size == 0 ? kZipMethodStored : m_method, cache->aesExtra);
    }

    std::int64_t headerOffset = 0;
    if (!LocalHeaderOffset(out, log, &headerOffset)) return false;
    cache->headerOffset = DWORD(headerOffset);
    const unsigned char placeholder[kZipOwnExtraSize] = {};
    if (!WriteLocalPart(out, *cache, ownEncryption ? placeholder : nullptr)) {
        log.LogError("Failed to write local file header");
        return false;
    }
    if (directory) {
        MarkWritten(std::move(cache), args);
        return true;
    }

    ZipPipeline pipeline;
    pipeline.SetLevel(m_level);
    pipeline.SetMonitor(args.monitor);
    pipeline.SetOutput(out);
    if (m_kind == kFile) {
        pipeline.SetSourceFile(m_sourcePath.GetText());
        if (size == 0) pipeline.SetSourceEmpty();
    } else if (!pipeline.SetSourceMemory(m_data.GetData(), m_data.GetSize())) {
        log.LogError("No data object while writing Zip data file entry");
        return false;
    }
    pipeline.SetCompress(m_method != kZipMethodStored);
    pipeline.m_encryption = encryption;
    pipeline.m_traditional = traditional;
    pipeline.m_keyLength = m_zip->GetKeyLength();
    pipeline.SetPassword(m_zip->GetPassword().GetText());
    unsigned crc = 0;
    if (!pipeline.Run(&crc, &log)) {
        log.LogDataQuotedPrintable("filename", m_kind == kFile ? m_sourcePath.GetText() : name.GetText());
        return false;
    }

    header.crc = useAes ? 0 : crc;
    header.compressedSize = pipeline.GetCompressedSize();
    header.uncompressedSize = pipeline.GetUncompressedSize();
    unsigned char ownExtra[kZipOwnExtraSize];
    ZipMakeOwnExtra(encryption, m_zip->GetKeyLength(), ownExtra);
    if (!RewriteLocalHeader(out, headerOffset, header, ownEncryption ? ownExtra : nullptr)) {
        log.LogError("Failed to rewrite local file header");
        return false;
    }
    MarkWritten(std::move(cache), args);
    return true;
}

bool ClsZipEntry2::WriteNewCentral(Output* out, LogBase& log)
{
    if (!m_cache) {
        log.LogError(m_kind == kData ? "No data object while writing Zip data directory entry"
                                     : "No cache setup for writing file directory entry");
        return false;
    }
    if (m_zip == nullptr) {
        log.LogError("No Zip back-pointer for writing file directory entry");
        return false;
    }
    if (!m_name || m_name->GetLength() == 0) {
        log.LogError(m_kind == kData ? "Failed to write AltData dir entry (2)"
                                     : "No filename while writing Zip file directory entry");
        return false;
    }
    ZipCentralRecord record;
    record.versionMadeBy = m_kind == kData ? 0 : 20;
    // Some extractors read every name from a FAT host in the OEM code page, flag or not; a
    // UTF-8 name is therefore marked as coming from an NTFS host, whose attributes are the same.
    if (m_cache->header.flags & kZipFlagUtf8) record.versionMadeBy |= WORD(kZipHostNtfs << 8);
    record.internalAttributes = WORD(ZipIsTextName(m_name->GetText()) || m_textFlag ? 1 : 0);
    record.externalAttributes = m_cache->externalAttributes;
    return WriteCentralRecord(out, record, log);
}

bool ClsZipEntry2::WriteCentralRecord(Output* out, ZipCentralRecord& record, LogBase& log) const
{
    const ZipLocalHeader& header = m_cache->header;
    record.versionNeeded = header.versionNeeded;
    record.flags = header.flags;
    record.method = header.method;
    record.dosTime = header.dosTime;
    record.dosDate = header.dosDate;
    record.crc = header.crc;
    record.compressedSize = header.compressedSize;
    record.uncompressedSize = header.uncompressedSize;
    record.nameLength = header.nameLength;
    record.extraLength = WORD(m_cache->hasAesExtra ? kZipAesExtraSize : 0);
    const unsigned commentLength = m_comment ? unsigned(m_comment->GetLength()) : 0;
    record.commentLength = WORD(commentLength > 0xFFFF ? 0xFFFF : commentLength);
    record.localHeaderOffset = m_cache->headerOffset;
    unsigned char bytes[kZipCentralRecordSize];
    record.Store(bytes);
    bool ok = ZipWriteAll(out, bytes, sizeof(bytes))
        && ZipWriteAll(out, m_cache->nameBytes.GetData(), m_cache->nameBytes.GetSize());
    if (ok && m_cache->hasAesExtra) ok = ZipWriteAll(out, m_cache->aesExtra, kZipAesExtraSize);
    if (ok && record.commentLength > 0) ok = ZipWriteAll(out, m_comment->GetText(), record.commentLength);
    if (!ok) log.LogError("Failed to write central directory record");
    return ok;
}

bool ClsZipEntry2::WriteMappedEntry(Output* out, ZipEntryWriteArgs& args)
{
    LogBase& log = *args.log;
    m_state &= (unsigned char)~kWritten;
    m_cache.reset();
    if (!m_walked || m_zip == nullptr) {
        log.LogError("Internal Error: cannot write mapped entry");
        return false;
    }
    MemoryData* view = args.pool ? args.pool->GetView(m_zip->GetOpenedPath().GetText(), &log) : nullptr;
    if (view == nullptr) {
        log.LogError("Failed to access data to write mapped Zip entry.");
        return false;
    }
    const ZipWalkEntry& source = *m_walked;
    const bool directory = IsDirectory();
    const bool sourceAes = source.m_encryption == 4;
    const bool sourceOwn = IsOwnEncryption(source.m_encryption);
    const bool sourceTraditional = source.IsTraditionallyEncrypted() && !sourceAes;
    const WORD sourceMethod = sourceAes ? source.m_aesMethod : source.m_local.method;
    const DWORD sourceCompressed = source.CompressedSize();
    const DWORD sourceCrc = source.m_hasDescriptor ? source.m_descriptorCrc
        : source.m_matched                        ? source.m_central.crc
                                                  : source.m_local.crc;

    auto cache = std::make_unique<ZipEntryCache>();
    torvane::StringBuffer name;
    StoredName(name);
    bool utf8Name = false;
    ZipEncodeName(name.GetText(), args.codePage, cache->nameBytes, &utf8Name);
    if (cache->nameBytes.GetSize() == 0 || cache->nameBytes.GetSize() > 0xFFFF) {
        log.LogError("Internal Error: cannot write mapped entry");
        return false;
    }
    // Without its AES block an entry of method 99 can be neither decrypted nor copied readably.
    if (!directory && source.m_local.method == kZipMethodAes && !source.m_hasAesExtra) {
        log.LogError("AES encrypted entry has no AES extra field");
        log.LogDataQuotedPrintable("filename", name.GetText());
        return false;
    }
    cache->externalAttributes = source.m_matched ? source.m_central.externalAttributes : 0;

    ZipLocalHeader& header = cache->header;
    header.versionNeeded = source.m_local.versionNeeded;
    header.dosTime = source.m_local.dosTime;
    header.dosDate = source.m_local.dosDate;
    header.nameLength = WORD(cache->nameBytes.GetSize());

    std::int64_t headerOffset = 0;
    if (!LocalHeaderOffset(out, log, &headerOffset)) return false;
    cache->headerOffset = DWORD(headerOffset);

    if (directory || SameProtection(source, *m_zip)) {
        // Copied as it stands: the compressed (and encrypted) bytes pass unchanged.
        header.flags = WORD((source.m_local.flags & ~(kZipFlagDescriptor | kZipFlagUtf8)) | (utf8Name ? kZipFlagUtf8 : 0));
        header.method = directory ? kZipMethodStored : source.m_local.method;
        header.crc = directory ? 0 : sourceCrc;
        header.compressedSize = directory ? 0 : sourceCompressed;
        header.uncompressedSize = directory ? 0 : source.UncompressedSize();
        const unsigned char* ownExtra = nullptr;
        if (!directory && sourceAes && source.m_hasAesExtra) {
            cache->hasAesExtra = true;
            std::memcpy(cache->aesExtra, source.m_aesExtra, kZipAesExtraSize);
        } else if (!directory && sourceOwn && source.m_localExtra.GetSize() == kZipOwnExtraSize) {
            ownExtra = source.m_localExtra.GetData();
        }
        if (directory) header.flags &= WORD(~kZipFlagEncrypted);
        header.extraLength = WORD(cache->hasAesExtra ? kZipAesExtraSize : ownExtra ? kZipOwnExtraSize : 0);
        if (!WriteLocalPart(out, *cache, ownExtra)) {
            log.LogError("Failed to write local file header");
            return false;
        }
        bool ok = true;
        for (DWORD done = 0; ok && done < header.compressedSize;) {
            const unsigned take = header.compressedSize - done < kCopyChunk ? header.compressedSize - done : kCopyChunk;
            const unsigned char* bytes = view->GetBytes(source.m_dataOffset + done, take);
            if (bytes == nullptr) {
                log.LogError("Failed to access compressed data (1)");
                return false;
            }
            ok = ZipWriteAll(out, bytes, take);
            done += take;
            if (args.monitor) {
                bool abort = false;
                args.monitor->ConsumeProgress(take, &abort);
            }
        }
        if (!ok) {
            log.LogError("Failed to copy mapped entry data");
            return false;
        }
        MarkWritten(std::move(cache), args);
        return true;
    }

    // Decoded and encoded again: the bytes are held in memory.
    const unsigned char* compressed = sourceCompressed > 0 ? view->GetBytes(source.m_dataOffset, sourceCompressed) : nullptr;
    if (sourceCompressed > 0 && compressed == nullptr) {
        log.LogError("Failed to access compressed data (1)");
        return false;
    }
    const int encryption = m_zip->GetEncryption();
    const bool targetAes = encryption == 4;
    const bool targetOwn = IsOwnEncryption(encryption);
    const bool targetTraditional = encryption == 0 && m_zip->GetTraditional();
    const bool sourceDeflated = sourceMethod != kZipMethodStored;
    const DWORD plainSize = source.UncompressedSize();
    WORD method = sourceDeflated || targetTraditional || targetOwn ? kZipMethodDeflated : kZipMethodStored;
    if (plainSize == 0 && !targetAes) method = kZipMethodStored;

    header.flags = WORD((targetAes || (targetTraditional && plainSize > 0)) ? kZipFlagEncrypted : 0);
    if (utf8Name) header.flags |= kZipFlagUtf8;
    header.method = targetAes ? kZipMethodAes : method;
    header.extraLength = WORD(targetAes ? kZipAesExtraSize : targetOwn ? kZipOwnExtraSize : 0);
    if (targetAes) {
        cache->hasAesExtra = true;
        ZipMakeAesExtra(m_zip->GetKeyLength(), method, cache->aesExtra);
    }
    const unsigned char placeholder[kZipOwnExtraSize] = {};
    if (!WriteLocalPart(out, *cache, targetOwn ? placeholder : nullptr)) {
        log.LogError("Failed to write local file header");
        return false;
    }

    ZipPipeline pipeline;
    pipeline.SetLevel(m_level);
    pipeline.SetMonitor(args.monitor);
    pipeline.SetOutput(out);
    if (!pipeline.SetSourceMemory(compressed, sourceCompressed)) {
        log.LogError("Failed to access compressed data (1)");
        return false;
    }
    pipeline.SetSourceDeflated(sourceDeflated);
    pipeline.SetCompress(method != kZipMethodStored);
    const ZipCryptParams& opened = m_zip->GetOpenedParams();
    pipeline.SetSourcePassword(opened.m_password.GetText());
    if (sourceAes || sourceOwn) {
        pipeline.SetSourceEncrypted(true);
        pipeline.SetSourceEncryption(source.m_encryption, source.m_keyLength);
    } else if (sourceTraditional) {
        pipeline.SetSourceTraditional(true, sourceCrc, source.m_local.dosTime,
                                      (source.m_local.flags & kZipFlagDescriptor) != 0);
    }
    pipeline.m_encryption = encryption;
    pipeline.m_traditional = targetTraditional;
    pipeline.m_keyLength = m_zip->GetKeyLength();
    pipeline.SetPassword(m_zip->GetPassword().GetText());
    unsigned crc = 0;
    if (!pipeline.Run(&crc, &log)) {
        log.LogDataQuotedPrintable("filename", name.GetText());
        return false;
    }
    header.crc = targetAes ? 0 : crc;
    header.compressedSize = pipeline.GetCompressedSize();
    header.uncompressedSize = pipeline.GetUncompressedSize();
    unsigned char ownExtra[kZipOwnExtraSize];
    ZipMakeOwnExtra(encryption, m_zip->GetKeyLength(), ownExtra);
    if (!RewriteLocalHeader(out, headerOffset, header, targetOwn ? ownExtra : nullptr)) {
        log.LogError("Failed to rewrite local file header");
        return false;
    }
    MarkWritten(std::move(cache), args);
    return true;
}

bool ClsZipEntry2::WriteMappedCentral(Output* out, LogBase& log)
{
    if (!m_cache) {
        log.LogError("Internal error: No cache setup for writing mapped directory entry");
        return false;
    }
    if (m_zip == nullptr) {
        log.LogError("Internal error: No Zip back-pointer for writing mapped directory entry");
        return false;
    }
    if (!m_walked) {
        log.LogError("Internal error: NULL walk entry for writing mapped directory entry");
        return false;
    }
    ZipCentralRecord record;
    if (m_walked->m_matched) {
        record = m_walked->m_central;
    } else {
        record.versionMadeBy = 20;
        record.externalAttributes = IsDirectory() ? kZipAttributeDirectory : 0;
    }
    record.diskStart = 0;
    return WriteCentralRecord(out, record, log);
}
