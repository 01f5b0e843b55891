#include "components/zip/ClsZip2.h"

#include "components/crypto/SymmetricById.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/OutputFile.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZipEntry2.h"
#include "components/zip/OutputDataBuffer.h"
#include "components/zip/SfxConfig.h"
#include "components/zip/ZipCallback.h"
#include "components/zip/ZipSystem.h"
#include "components/zip/ZipWalk.h"
#include "platform/base/CodePage.h"
#include "platform/base/File.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"

#include <atomic>
#include <cstring>
#include <string>

namespace {

std::atomic<int> g_nextZipId {1};

const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendBase64(const unsigned char* bytes, unsigned n, torvane::StringBuffer& out)
{
    for (unsigned i = 0; i < n; i += 3) {
        const unsigned a = bytes[i];
        const unsigned b = i + 1 < n ? bytes[i + 1] : 0;
        const unsigned c = i + 2 < n ? bytes[i + 2] : 0;
        out.AppendChar(kBase64Digits[a >> 2]);
        out.AppendChar(kBase64Digits[((a & 3) << 4) | (b >> 4)]);
        out.AppendChar(i + 1 < n ? kBase64Digits[((b & 15) << 2) | (c >> 6)] : '=');
        out.AppendChar(i + 2 < n ? kBase64Digits[c & 63] : '=');
    }
}

// False for a character outside the alphabet or a length that is not a whole number of groups.
bool DecodeBase64(const char* text, unsigned n, DataBuffer& out)
{
    out.Empty();
    if (n % 4 != 0) return false;
    for (unsigned i = 0; i < n; i += 4) {
        unsigned value = 0;
        int padding = 0;
        for (unsigned k = 0; k < 4; ++k) {
            const char c = text[i + k];
            unsigned digit = 0;
            if (c == '=') {
                if (i + 4 != n || k < 2) return false;
                ++padding;
            } else {
                if (padding > 0) return false;
                const char* at = std::strchr(kBase64Digits, c);
                if (c == '\0' || at == nullptr) return false;
                digit = unsigned(at - kBase64Digits);
            }
            value = (value << 6) | digit;
        }
        const unsigned char group[3] = {(unsigned char)(value >> 16), (unsigned char)(value >> 8), (unsigned char)value};
        out.Append(group, unsigned(3 - padding));
    }
    return true;
}

void LogSystemError(LogBase& log)
{
    torvane::StringBuffer text;
    text.AppendLastErrorText();
    log.LogData("osError", text.GetText());
}

bool IsRemovedOrDiscarded(const ClsZipEntry2& entry, bool discardPaths)
{
    return entry.GetKind() == ClsZipEntry2::kRemoved || (discardPaths && entry.IsDirectory());
}

// Names given to callbacks use '\' separators.
std::string CallbackName(const ClsZipEntry2& entry)
{
    std::string name = entry.GetName() ? entry.GetName() : "";
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

} // namespace

const char* const ClsZip2::kVerifierMarker = "This zip archive was encrypted by the vornalt zip component.";
const char* const ClsZip2::kVerifierAltMarker = ";*.AZ-\r\n-#_#;";
const char* const ClsZip2::kVerifierCheckText = "5C0E7A92B4D1F3685C0E7A92B4D1F368";

ClsZip2::ClsZip2(ZipSystem* system)
    : m_id(g_nextZipId++)
    , m_nameCodePage(int(GetOEMCP()))
    , m_sfx(std::make_unique<SfxConfig>())
    , m_system(system)
{
    m_openedParams.m_keyLength = 128;
    m_archivePath.SetText("unnamed.zip");
    m_appendFromDir.SetText(".");
}

ClsZip2::~ClsZip2()
{
    ClearContents();
    m_system = nullptr;
}

ClsZipEntry2* ClsZip2::GetEntry(int index) const { return m_entries.GetAtAs<ClsZipEntry2>(index); }

void ClsZip2::AddEntry(ClsZipEntry2* entry)
{
    if (entry == nullptr) return;
    entry->AddRef();
    m_entries.Append(entry);
    if (m_system != nullptr) m_system->RegisterEntry(entry);
}

bool ClsZip2::NewZip(const XString& path)
{
    BeginPublicCall("NewZip", m_componentCode, false, kZipBuildDate);
    ClearContents();
    m_archivePath.SetText(path.GetUtf8());
    EndPublicCall();
    return true;
}

void ClsZip2::ClearContents()
{
    m_sizesDiffer = false;
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        ClsZipEntry2* entry = GetEntry(i);
        if (entry != nullptr) entry->Release();
    }
    m_entries.Forget();
    m_endRecord = ZipEndRecord();
    m_comment.Clear();
    m_openedPath.Clear();
}

void ClsZip2::SetPassword(const char* utf8) { m_password.SetText(utf8 ? utf8 : ""); }

// ---- Writing ----

bool ClsZip2::MakeVerifierComment()
{
    DataBuffer cipher;
    const char* check = kVerifierCheckText;
    if (!SymmetricEncryptBytes(3, 256, m_password.GetText(), (const unsigned char*)check, int(std::strlen(check)),
                               cipher)) {
        m_log.LogError("Failed to make the password verifier");
        return false;
    }
    torvane::StringBuffer text(kVerifierMarker);
    text.Append("  [");
    AppendBase64(cipher.GetData(), cipher.GetSize(), text);
    text.Append("]");
    m_comment.SetBuffer(text);
    return true;
}

bool ClsZip2::WriteZip(bool reopen, ZipCallback* callback, DataBuffer* memoryTarget)
{
    if (callback != nullptr) callback->SetWriting();
    if (memoryTarget == nullptr && !FileSys::IsValidFileName(m_archivePath.GetText(), &m_log)) return false;

    if (m_encryption >= 1 && m_encryption <= 4) {
        if (m_encryption != 4 && m_keyLength != 128 && m_keyLength != 192 && m_keyLength != 256) {
            m_log.LogError("The key length for encrypted Zips must be 128, 192, or 256");
            return false;
        }
        // The own ciphers always need one for their verifier; under AES, entries of an opened
        // archive that are copied as they stand need none.
        bool encrypts = m_encryption != 4;
        for (int i = 0; i < GetEntryCount() && !encrypts; ++i) {
            const ClsZipEntry2* entry = GetEntry(i);
            encrypts = entry != nullptr && entry->NeedsPassword();
        }
        if (m_password.GetLength() == 0 && encrypts) {
            m_log.LogError("A password must be specified for encrypted Zips.");
            return false;
        }
        if (m_encryption != 4 && !MakeVerifierComment()) return false;
    }

    bool allSucceeded = true;
    if (memoryTarget != nullptr) return WriteToMemory(callback, &allSucceeded, *memoryTarget) && allSucceeded;
    if (!WriteToFile(callback, &allSucceeded)) return false;

    ClearContents();
    if (reopen && !OpenZip()) return false;
    return allSucceeded;
}

bool ClsZip2::WriteToMemory(ZipCallback* callback, bool* allSucceeded, DataBuffer& target)
{
    DataBuffer bytes;
    OutputDataBuffer out(&bytes);
    std::int64_t end = 0;
    if (WriteArchiveToOutput(&out, callback, allSucceeded, &end) != 0) {
        m_log.LogError("Cannot write zip to memory.");
        return false;
    }
    // Output past the end record (a failed last entry) is not part of the archive.
    bytes.SetSize(unsigned(end));
    return target.Append(bytes.GetData(), bytes.GetSize()) || bytes.GetSize() == 0;
}

bool ClsZip2::WriteToFile(ZipCallback* callback, bool* allSucceeded)
{
    XString path;
    path.SetFromUtf8(m_archivePath.GetText());
    const int result = WriteArchiveTo(path, callback, allSucceeded, nullptr);
    if (result == -2) {
        m_log.LogError("Cannot open temporary file");
        return false;
    }
    if (result < 0) {
        m_log.LogError("Cannot write temporary zip.");
        return false;
    }
    return true;
}

int ClsZip2::WriteArchiveTo(const XString& path, ZipCallback* callback, bool* allSucceeded, DataBuffer* memoryTarget)
{
    if (memoryTarget != nullptr) return WriteToMemory(callback, allSucceeded, *memoryTarget) ? 0 : -1;
    const char* target = path.GetUtf8();
    if (target == nullptr) {
        m_log.LogError("Cannot write zip, fileName is null");
        return -1;
    }
    if (*target == '\0') {
        m_log.LogError("Cannot write zip,fileName is empty");
        return -1;
    }
    torvane::StringBuffer folder;
    if (!EnsureParentDirectory(target, folder, &m_log)) {
        m_log.LogError("Unable to create Zip file");
        m_log.LogDataQuotedPrintable("filename", target);
    }

    // The new archive goes to a temporary file beside the target and replaces it only when
    // complete; until then the old archive stays as it was.
    std::unique_ptr<FileAtomicWriter> writer = FileAtomicWriter::Create(std::string_view(target));
    if (!writer) {
        m_log.LogInfo("Retrying with a new temp filename");
        writer = FileAtomicWriter::Create(std::string_view(target));
    }
    if (!writer) {
        m_log.LogError("Failed to open output Zip file");
        m_log.LogDataQuotedPrintable("zipFilename", target);
        LogSystemError(m_log);
        return -2;
    }
    m_log.LogDataQuotedPrintable("tempFile", writer->GetTemporaryPath().c_str());

    std::int64_t end = 0;
    int result;
    {
        OutputFile out(writer->GetHandle());
        result = WriteArchiveToOutput(&out, callback, allSucceeded, &end);
    }
    if (result != 0) {
        writer->Discard();
        return result;
    }
    LARGE_INTEGER position {};
    position.QuadPart = end;
    if (!SetFilePointerEx(writer->GetHandle(), position, nullptr, FILE_BEGIN) || !SetEndOfFile(writer->GetHandle())) {
        m_log.LogError("Failed to truncate temporary zip");
        LogSystemError(m_log);
        writer->Discard();
        return -1;
    }
    if (!writer->Commit()) {
        m_log.LogDataQuotedPrintable("from_filename", writer->GetTemporaryPath().c_str());
        m_log.LogDataQuotedPrintable("to_filename", target);
        m_log.LogError("Failed to move Zip file");
        LogSystemError(m_log);
        return -1;
    }
    return 0;
}

int ClsZip2::WriteArchiveToOutput(Output* out, ZipCallback* callback, bool* allSucceeded, std::int64_t* endPosition)
{
    if (allSucceeded) *allSucceeded = true;
    if (endPosition) *endPosition = 0;
    const std::int64_t base = out->Tell64();

    std::int64_t total = 0;
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        const ClsZipEntry2* entry = GetEntry(i);
        if (entry != nullptr && entry->GetKind() != ClsZipEntry2::kRemoved)
            total += std::int64_t(entry->GetUncompressedSize());
    }
    ProgressMonitor monitor(callback, total);
    MemoryDataPool pool;
    ZipEntryWriteArgs args;
    args.monitor = &monitor;
    args.log = &m_log;
    args.pool = &pool;
    args.codePage = m_nameCodePage;

    bool aborted = false;
    for (int i = 0; i < m_entries.GetCount() && !aborted; ++i) {
        ClsZipEntry2* entry = GetEntry(i);
        if (entry == nullptr || IsRemovedOrDiscarded(*entry, m_discardPaths)) continue;
        entry->SetSkipped(false);
        entry->ClearWritten();
        const std::string name = CallbackName(*entry);
        const unsigned size = unsigned(entry->GetUncompressedSize());
        if (callback != nullptr && !entry->IsDirectory()) {
            bool skip = false;
            callback->ToBeZipped(name.c_str(), size, &skip);
            if (skip) {
                entry->SetSkipped(true);
                continue;
            }
        }
        if (!entry->KeepsOwnTextFlag()) entry->SetTextFlag(m_textFlag);
        const std::int64_t start = out->Tell64();
        if (std::uint64_t(start - base) > kZipMaxOffset) {
            m_log.LogError("Zip archive too large: entry offset past 4 GB; the classic zip format cannot hold it");
            return -1;
        }
        if (!entry->zipEntry(out, args)) {
            entry->ClearWritten();
            // Whatever the failed entry left is overwritten by the next one.
            out->Seek64(start);
            if (!args.vanished) {
                m_log.LogDataQuotedPrintable("FailedFile", entry->GetName() ? entry->GetName() : "");
                if (allSucceeded) *allSucceeded = false;
            }
        }
        if (monitor.IsAborted()) aborted = true;
        if (callback != nullptr && !entry->IsDirectory()) {
            bool abort = false;
            callback->FileZipped(name.c_str(), size, args.compressedSize, &abort);
            if (abort) aborted = true;
        }
    }
    if (aborted) {
        m_log.LogError("Zip aborted.");
        return -1;
    }

    const std::int64_t directoryStart = out->Tell64();
    unsigned count = 0;
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        ClsZipEntry2* entry = GetEntry(i);
        if (entry == nullptr || IsRemovedOrDiscarded(*entry, m_discardPaths)) continue;
        if (!entry->IsWritten() || entry->IsSkipped()) continue;
        if (count == kZipMaxEntries) {
            m_log.LogError("Too many entries: the classic zip format holds at most 65535");
            return -1;
        }
        if (!entry->zipDirEntry(out, m_log, m_nameCodePage)) return -1;
        ++count;
    }
    const std::int64_t directoryEnd = out->Tell64();
    if (std::uint64_t(directoryStart - base) > kZipMaxOffset || directoryEnd - directoryStart > std::int64_t(kZipMaxOffset)) {
        m_log.LogError("Zip archive too large: central directory past 4 GB; the classic zip format cannot hold it");
        return -1;
    }

    ZipEndRecord end;
    end.entriesOnDisk = WORD(count);
    end.entries = WORD(count);
    end.directorySize = DWORD(directoryEnd - directoryStart);
    end.directoryOffset = DWORD(directoryStart - base);
    const unsigned commentLength = unsigned(m_comment.GetLength()) > 0xFFFF ? 0xFFFF : unsigned(m_comment.GetLength());
    end.commentLength = WORD(commentLength);
    unsigned char bytes[kZipEndRecordSize];
    end.Store(bytes);
    if (!ZipWriteAll(out, bytes, sizeof(bytes)) || !ZipWriteAll(out, m_comment.GetText(), commentLength)) {
        m_log.LogError("Failed to write the end of the Zip");
        return -1;
    }
    if (endPosition) *endPosition = out->Tell64() - base;
    return 0;
}

// ---- Opening ----

bool ClsZip2::CheckVerifierComment()
{
    const bool marked = m_comment.BeginsWith(kVerifierMarker) || m_comment.BeginsWith(kVerifierAltMarker);
    if (!marked) return true;
    const char* text = m_comment.GetText();
    const char* open = std::strchr(text, '[');
    const char* close = open ? std::strchr(open + 1, ']') : nullptr;
    DataBuffer cipher;
    if (open == nullptr || close == nullptr || !DecodeBase64(open + 1, unsigned(close - open - 1), cipher)) {
        m_log.LogError("Invalid Zip file comment.");
        return false;
    }
    const int lengths[] = {128, 256, 192, m_keyLength};
    const unsigned checkLength = unsigned(std::strlen(kVerifierCheckText));
    for (int bits : lengths) {
        DataBuffer plain;
        if (!SymmetricDecryptBytes(3, bits, m_password.GetText(), cipher.GetData(), int(cipher.GetSize()), plain))
            continue;
        if (plain.GetSize() == checkLength && std::memcmp(plain.GetData(), kVerifierCheckText, checkLength) == 0)
            return true;
    }
    m_log.LogError("Invalid password (6)");
    return false;
}

bool ClsZip2::OpenZip()
{
    LogContextScope context(m_log, "OpenZip");
    ClearContents();
    if (m_system == nullptr) {
        m_log.LogError("Internal error: Zip not contained.");
        return false;
    }
    ExtPtrArray walked;
    bool sizesDiffer = false;
    if (!ZipWalk::WalkFile(m_archivePath.GetText(), m_log, walked, m_comment, m_endRecord, m_nameCodePage,
                           &sizesDiffer)) {
        walked.DeleteAll();
        ClearContents();
        return false;
    }
    m_sizesDiffer = sizesDiffer;

    // The settings follow the first record with an encryption id, else the first record; an
    // archive without records leaves them as they were. A record without a key length (plain or
    // traditional) keeps the current one, which stays valid for a later password. Any
    // traditionally encrypted record turns the traditional flag on, even behind a plain first
    // record (a directory), so that a rewrite never stores such entries unprotected.
    if (walked.GetCount() > 0) {
        const ZipWalkEntry* chosen = walked.GetAtAs<ZipWalkEntry>(0);
        for (int i = 0; i < walked.GetCount(); ++i) {
            const ZipWalkEntry* entry = walked.GetAtAs<ZipWalkEntry>(i);
            if (entry->m_encryption != 0) {
                chosen = entry;
                break;
            }
        }
        m_encryption = chosen->m_encryption;
        if (chosen->m_keyLength != 0) m_keyLength = chosen->m_keyLength;
        for (int i = 0; i < walked.GetCount(); ++i)
            if (walked.GetAtAs<ZipWalkEntry>(i)->IsTraditionallyEncrypted()) m_traditional = true;
    }
    if (!CheckVerifierComment()) {
        walked.DeleteAll();
        ClearContents();
        return false;
    }
    m_openedParams.m_encryption = m_encryption;
    m_openedParams.m_keyLength = m_keyLength;
    m_openedParams.m_traditional = m_traditional;
    m_openedParams.SetPassword(m_password.GetText());

    for (int i = 0; i < walked.GetCount(); ++i) {
        std::unique_ptr<ZipWalkEntry> record(walked.GetAtAs<ZipWalkEntry>(i));
        walked.SetAt(i, nullptr);
        AddEntry(ClsZipEntry2::CreateMappedEntry(this, std::move(record)));
    }
    walked.Forget();
    m_openedPath.SetText(m_archivePath.GetText());
    return true;
}
