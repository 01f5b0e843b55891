#include "components/zip/ZipPipeline.h"

#include "components/crypto/SymmetricById.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/OutputFile.h"
#include "components/foundation/XString.h"
#include "components/zip/PipelineHelp.h"
#include "components/zip/PwdProtect.h"
#include "components/zip/WinZipAes.h"
#include "components/zip/ZipFileSource.h"
#include "components/zip/ZipFormat.h"
#include "platform/base/File.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> g_inflateLimit { 0xFFFFFFFFull };

// Takes bytes up to a limit and refuses the write that would pass it, so that an entry that
// inflates past the 32-bit sizes of the format stops there instead of being produced first.
class CappedOutput : public Output {
public:
    CappedOutput(Output* inner, std::uint64_t cap)
        : m_inner(inner)
        , m_cap(cap)
    {
    }
    bool Exceeded() const { return m_exceeded; }

    DWORD Write(const void* buffer, DWORD itemSize, DWORD count, ProgressMonitor* monitor) override
    {
        if (!Admit(std::uint64_t(itemSize) * count))
            return 0;
        DWORD written = m_inner->Write(buffer, itemSize, count, monitor);
        m_taken += std::uint64_t(written) * itemSize;
        return written;
    }
    DWORD Write64(const void* buffer, std::uint64_t itemSize, DWORD count, ProgressMonitor* monitor) override
    {
        if (!Admit(itemSize * count))
            return 0;
        DWORD written = m_inner->Write64(buffer, itemSize, count, monitor);
        m_taken += std::uint64_t(written) * itemSize;
        return written;
    }
    bool SeekToEnd() override { return m_inner->SeekToEnd(); }
    bool Seek(DWORD position) override { return m_inner->Seek(position); }
    DWORD Tell() override { return m_inner->Tell(); }
    bool Seek64(std::int64_t position) override { return m_inner->Seek64(position); }
    std::int64_t Tell64() override { return m_inner->Tell64(); }
    void Rewind() override { m_inner->Rewind(); }
    void CopyContents(DataBuffer& out) override { m_inner->CopyContents(out); }
    DataBuffer* GetDataBuffer() override { return m_inner->GetDataBuffer(); }

private:
    bool Admit(std::uint64_t bytes)
    {
        if (bytes > m_cap || m_taken > m_cap - bytes)
            m_exceeded = true;
        return !m_exceeded;
    }

    Output* m_inner;
    std::uint64_t m_cap;
    std::uint64_t m_taken = 0;
    bool m_exceeded = false;
};

} // namespace

// A file in the system's temporary folder that is deleted with this object.
class ZipPipeline::Scratch {
public:
    Scratch() = default;
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        CloseOutput();
        if (m_path.GetLength() > 0) FileSys::DeleteFileUtf8(m_path.GetText(), nullptr);
    }

    // Creates the file for writing; false (logged with the given text) when it cannot be made.
    bool Create(const char* baseName, LogBase& log, const char* failureText)
    {
        // Scratch files hold decrypted entries: made new and readable by this user only. Another
        // process may take the same free name between the check and the open, so a name that
        // exists by then is passed over for the next one.
        int fd = -1;
        for (int attempt = 0; attempt < 10000 && fd < 0; ++attempt) {
            m_path.Clear();
            if (!FileSys::UniqueTempFileName(baseName, m_path)) {
                log.LogError(failureText);
                return false;
            }
            fd = ::open(m_path.GetText(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            log.LogError(failureText);
            log.LogDataQuotedPrintable("tempFilename", m_path.GetText());
            m_path.Clear();
            return false;
        }
        ::close(fd);
        bool opened = false;
        m_handle = OutputFile::CreateFileUtf8(m_path.GetText(), &opened, &log);
        if (!opened) {
            log.LogError(failureText);
            log.LogDataQuotedPrintable("tempFilename", m_path.GetText());
            return false;
        }
        m_output = std::make_unique<OutputFile>(m_handle);
        return true;
    }
    Output* GetOutput() { return m_output.get(); }
    void CloseOutput()
    {
        m_output.reset();
        CloseHandleIfValid(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    const char* Path() const { return m_path.GetText(); }

private:
    torvane::StringBuffer m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::unique_ptr<OutputFile> m_output;
};

ZipPipeline::ZipPipeline() = default;

void ZipPipeline::SetInflateLimitForTesting(std::uint64_t bytes) { g_inflateLimit.store(bytes ? bytes : 0xFFFFFFFFull); }

ZipPipeline::~ZipPipeline() = default;

void ZipPipeline::SetSourceFile(const char* utf8Path)
{
    m_sourcePath.SetText(utf8Path ? utf8Path : "");
    m_sourceIsFile = true;
}

bool ZipPipeline::SetSourceMemory(const void* bytes, unsigned size)
{
    m_memory.Empty();
    m_sourceIsFile = false;
    if (size == 0) return true;
    if (bytes == nullptr || !m_memory.EnsureCapacity(size + 4)) return false;
    return m_memory.Append(bytes, size);
}

void ZipPipeline::SetSourceTraditional(bool on, unsigned crc, unsigned dosTime, bool descriptor)
{
    m_sourceTraditional = on;
    m_sourceCrc = crc;
    m_sourceDosTime = dosTime;
    m_sourceDescriptor = descriptor;
}

void ZipPipeline::PrepareHelp(PipelineHelp& help, bool traditional) const
{
    help.copy(*this);
    help.m_traditional = traditional;
    help.SetMonitor(m_monitor);
}

void ZipPipeline::UseScratchAsSource(std::unique_ptr<Scratch> scratch, bool deflated)
{
    scratch->CloseOutput();
    m_sourcePath.SetText(scratch->Path());
    m_sourceIsFile = true;
    m_sourceEmpty = false;
    m_sourceDeflated = deflated;
    m_memory.Release();
    m_scratch = std::move(scratch);
}

bool ZipPipeline::Run(unsigned* crcOut, LogBase* log)
{
    LogNull nullLog;
    LogBase& l = log != nullptr ? *log : nullLog;
    if (crcOut) *crcOut = 0;
    m_crc = 0;
    m_uncompressed = 0;
    m_compressed = 0;
    if (m_out == nullptr) {
        l.LogError("Internal error: missing output object!");
        return false;
    }
    const std::int64_t start = m_out->Tell64();
    bool ok = DecodeSource(l) && EncodeTarget(l);
    const std::int64_t end = m_out->Tell64();
    if (end >= start && std::uint64_t(end - start) <= 0xFFFFFFFFull) m_compressed = DWORD(end - start);
    m_scratch.reset();
    if (ok && crcOut) *crcOut = m_crc;
    return ok;
}

// ---- Source decoding ----

bool ZipPipeline::DecodeSource(LogBase& log)
{
    if (m_sourceEncrypted && m_sourceEncryption == 4) return AesDecrypt(log);
    if (m_sourceEncrypted && m_sourceEncryption >= 1 && m_sourceEncryption <= 3) return OwnDecrypt(log);
    if (m_sourceTraditional) return TraditionalDecrypt(log);
    return true;
}

bool ZipPipeline::AesDecrypt(LogBase& log)
{
    if (m_sourceIsFile) {
        log.LogError("Source is AES encrypted, but not in memory");
        return false;
    }
    DataBuffer plain;
    bool badPassword = false;
    bool badAuthentication = false;
    WinZipAes aes;
    if (!aes.Decrypt(m_memory.GetData(), m_memory.GetSize(), m_sourcePassword.GetText(),
                     ZipAesStrengthForKeyBits(m_sourceKeyLength), &plain, &log, &badPassword, &badAuthentication)) {
        log.LogError("Failed to decrypt AES entry data");
        return false;
    }
    m_memory.TakeOver(plain);
    if (!m_sourceDeflated) m_uncompressed = m_memory.GetSize();
    return true;
}

bool ZipPipeline::OwnDecrypt(LogBase& log)
{
    // The entry is a deflate stream around the enciphered (deflated) data.
    const bool outerDeflated = m_sourceDeflated;
    if (outerDeflated && !InflateToScratch(log, "Failed to inflate to temp for AES decryption")) return false;
    if (!m_sourceIsFile) {
        DataBuffer plain;
        if (!SymmetricDecryptBytes(m_sourceEncryption, m_sourceKeyLength, m_sourcePassword.GetText(),
                                   m_memory.GetData(), int(m_memory.GetSize()), plain)) {
            log.LogError("Failed to AES decrypt source data");
            return false;
        }
        m_memory.TakeOver(plain);
        m_sourceDeflated = outerDeflated;
    } else {
        auto scratch = std::make_unique<Scratch>();
        if (!scratch->Create("tvFile.dat", log, "Failed to create temporary output file")) return false;
        scratch->CloseOutput();
        if (!SymmetricDecryptFile(m_sourceEncryption, m_sourceKeyLength, m_sourcePassword.GetText(),
                                  m_sourcePath.GetText(), scratch->Path(), m_monitor, log)) {
            log.LogError("Failed to AES decrypt file");
            log.LogDataQuotedPrintable("encryptedFile", m_sourcePath.GetText());
            return false;
        }
        UseScratchAsSource(std::move(scratch), outerDeflated);
    }
    if (m_sourceDeflated && !InflateToScratch(log, "Failed to inflate to temp for AES decryption")) return false;
    return true;
}

bool ZipPipeline::TraditionalDecrypt(LogBase& log)
{
    if (m_sourceIsFile) {
        log.LogError("Source is password-protected, but not in memory");
        return false;
    }
    if (m_memory.GetSize() < 12) {
        log.LogError("Source is password-protected, but less than 12 bytes");
        return false;
    }
    PwdProtect keys;
    keys.SetPassword(m_sourcePassword.GetText());
    keys.InitKeys();
    if (!keys.CheckHeader(m_memory.GetData(), m_sourceDosTime, m_sourceCrc, m_sourceDescriptor)) {
        log.LogError("Password incorrect for password-protected Zip");
        return false;
    }
    auto scratch = std::make_unique<Scratch>();
    if (!scratch->Create("tvZ.dat", log, "Failed to open temp file (1)")) return false;
    PipelineHelp help;
    PrepareHelp(help, false);
    if (!help.DecryptMemoryToOutput(m_memory.GetData() + 12, m_memory.GetSize() - 12, scratch->GetOutput(), &keys)) {
        log.LogError("Failed to password-decode data");
        return false;
    }
    const bool deflated = m_sourceDeflated;
    UseScratchAsSource(std::move(scratch), deflated);
    if (deflated) return InflateToScratch(log, "Failed to create temporary output file");
    return true;
}

// ---- Target encoding ----

bool ZipPipeline::EncodeTarget(LogBase& log)
{
    const bool aesSource = m_sourceEncrypted && m_sourceEncryption == 4;
    if (!m_sourceDeflated) return m_compress ? CompressPath(log) : StorePath(log);
    if (!m_compress) return InflateToTarget(log);
    if (aesSource) {
        if (!InflateToScratch(log, "Failed to create temporary output file")) return false;
        return CompressPath(log);
    }
    return RecompressPath(log);
}

bool ZipPipeline::CompressPath(LogBase& log)
{
    if (m_encryption == 4) return DeflateToScratch(log) && AesToTarget(log, false);
    if (m_encryption >= 1 && m_encryption <= 3) return DeflateToScratch(log) && OwnEncrypt(log) && DeflateToTarget(log);
    if (m_traditional) return TraditionalWithCrcFirst(log);
    return DeflateToTarget(log);
}

bool ZipPipeline::StorePath(LogBase& log)
{
    if (m_encryption == 4) return AesToTarget(log, true);
    if (m_encryption >= 1 && m_encryption <= 3) return OwnEncrypt(log) && Store(log);
    return Store(log);
}

bool ZipPipeline::RecompressPath(LogBase& log)
{
    if (m_encryption == 4) {
        if (m_sourceIsFile) {
            log.LogError("Internal Error: source should not be a file (24)");
            return false;
        }
        return InflateToScratch(log, "Failed to create temporary output file") && CompressPath(log);
    }
    if (m_encryption >= 1 && m_encryption <= 3)
        return InflateToScratch(log, "Failed to create temporary output file") && OwnEncrypt(log)
            && DeflateToTarget(log);
    if (m_traditional) return InflateToScratch(log, "Failed to create temporary output file") && CompressPath(log);
    // Already deflated and plain: the compressed bytes pass unchanged.
    return Store(log);
}

// ---- Basic steps ----

bool ZipPipeline::Store(LogBase& log)
{
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0;
    DWORD count = 0;
    if (m_sourceIsFile) {
        if (m_sourceEmpty) return true;
        ZipFileSource file;
        if (!file.Open(m_sourcePath.GetText())) {
            log.LogError("Failed to open file for reading (4)");
            return false;
        }
        if (!help.CopyFileWithCrc(file.Handle(), m_out, &crc, &count)) {
            log.LogError("Failed to copy data into the Zip");
            return false;
        }
    } else {
        if (!help.CopyMemoryWithCrc(m_memory.GetData(), m_memory.GetSize(), m_out, &crc)) {
            log.LogError("Failed to copy data into the Zip");
            return false;
        }
        count = m_memory.GetSize();
    }
    m_crc = crc;
    m_uncompressed = count;
    return true;
}

bool ZipPipeline::DeflateToTarget(LogBase& log)
{
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0, compressed = 0, uncompressed = 0;
    bool ok;
    if (m_sourceIsFile && !m_sourceEmpty) {
        ZipFileSource file;
        if (!file.Open(m_sourcePath.GetText())) {
            log.LogError("Failed to open file for reading (5)");
            return false;
        }
        ok = help.DeflateFileToOutput(file.Handle(), m_out, &crc, &compressed, &uncompressed, m_level);
    } else {
        ok = help.DeflateMemoryToOutput(m_memory.GetData(), m_memory.GetSize(), m_out, &crc, &compressed,
                                        &uncompressed, m_level);
    }
    if (!ok) {
        log.LogError("Failed to deflate data into the Zip");
        return false;
    }
    m_crc = crc;
    m_uncompressed = uncompressed;
    return true;
}

bool ZipPipeline::DeflateToScratch(LogBase& log)
{
    if (m_sourceIsFile && m_sourceEmpty) {
        m_sourceIsFile = false;
        m_memory.Empty();
        m_uncompressed = 0;
        m_crc = 0;
        return true;
    }
    auto scratch = std::make_unique<Scratch>();
    if (!scratch->Create("tvZ.dat", log, "Failed to open temp file (2)")) return false;
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0, compressed = 0, uncompressed = 0;
    bool ok;
    if (m_sourceIsFile) {
        ZipFileSource file;
        if (!file.Open(m_sourcePath.GetText())) {
            log.LogError("Failed to open file for reading (6)");
            return false;
        }
        ok = help.DeflateFileToOutput(file.Handle(), scratch->GetOutput(), &crc, &compressed, &uncompressed, m_level);
    } else {
        ok = help.DeflateMemoryToOutput(m_memory.GetData(), m_memory.GetSize(), scratch->GetOutput(), &crc, &compressed,
                                        &uncompressed, m_level);
    }
    if (!ok) {
        log.LogError("Failed to deflate to temp file");
        log.LogDataQuotedPrintable("tempFilename", scratch->Path());
        return false;
    }
    m_crc = crc;
    m_uncompressed = uncompressed;
    UseScratchAsSource(std::move(scratch), true);
    return true;
}

bool ZipPipeline::InflateToScratch(LogBase& log, const char* failureText)
{
    auto scratch = std::make_unique<Scratch>();
    if (!scratch->Create("tvZ.dat", log, "Failed to create temporary output file")) return false;
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0;
    CappedOutput capped(scratch->GetOutput(), g_inflateLimit.load());
    const bool ok = m_sourceIsFile
        ? help.InflateFileToOutput(m_sourcePath.GetText(), &capped, &crc)
        : help.InflateMemoryToOutput(m_memory.GetData(), m_memory.GetSize(), &capped, &crc);
    if (capped.Exceeded()) {
        log.LogError("Inflated data too large for 32-bit zip.");
        return false;
    }
    if (!ok) {
        log.LogError(failureText);
        log.LogError("Failed to inflate entry data");
        return false;
    }
    const std::int64_t size = scratch->GetOutput()->Tell64();
    if (size < 0 || size > std::int64_t(0xFFFFFFFFll)) {
        log.LogError("Inflated data too large for 32-bit zip.");
        return false;
    }
    m_crc = crc;
    m_uncompressed = DWORD(size);
    UseScratchAsSource(std::move(scratch), false);
    return true;
}

bool ZipPipeline::InflateToTarget(LogBase& log)
{
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0;
    const std::int64_t start = m_out->Tell64();
    CappedOutput capped(m_out, g_inflateLimit.load());
    const bool ok = m_sourceIsFile
        ? help.InflateFileToOutput(m_sourcePath.GetText(), &capped, &crc)
        : help.InflateMemoryToOutput(m_memory.GetData(), m_memory.GetSize(), &capped, &crc);
    if (capped.Exceeded()) {
        log.LogError("Inflated data too large for 32-bit zip.");
        return false;
    }
    if (!ok) {
        log.LogError("Failed to inflate entry data");
        return false;
    }
    m_crc = crc;
    m_uncompressed = DWORD(m_out->Tell64() - start);
    return true;
}

bool ZipPipeline::OwnEncrypt(LogBase& log)
{
    const char* password = m_password.GetText();
    if (!m_sourceIsFile) {
        DataBuffer encrypted;
        if (!SymmetricEncryptBytes(m_encryption, m_keyLength, password, m_memory.GetData(), int(m_memory.GetSize()),
                                   encrypted)) {
            log.LogError("Failed to AES encrypt source data");
            return false;
        }
        m_memory.TakeOver(encrypted);
        m_sourceDeflated = false;
        return true;
    }
    auto scratch = std::make_unique<Scratch>();
    if (!scratch->Create("tvAes.dat", log, "Failed to create temporary output file")) return false;
    scratch->CloseOutput();
    if (!SymmetricEncryptFile(m_encryption, m_keyLength, password, m_sourcePath.GetText(), scratch->Path(), m_monitor,
                              log)) {
        log.LogError("Failed to AES encrypt source file data");
        return false;
    }
    UseScratchAsSource(std::move(scratch), false);
    return true;
}

bool ZipPipeline::AesToTarget(LogBase& log, bool plainCountIsUncompressed)
{
    WinZipAes aes;
    const int strength = ZipAesStrengthForKeyBits(m_keyLength);
    unsigned plain = 0;
    bool ok;
    if (m_sourceIsFile && !m_sourceEmpty) {
        ok = aes.EncryptFile(m_sourcePath.GetText(), m_password.GetText(), strength, m_out, &log, &plain);
    } else {
        ok = aes.EncryptMemory(m_memory.GetData(), m_memory.GetSize(), m_password.GetText(), strength, m_out, &log);
        plain = m_memory.GetSize();
    }
    if (!ok) {
        log.LogError("Failed to AES encrypt entry data");
        return false;
    }
    if (plainCountIsUncompressed) m_uncompressed = plain;
    m_crc = 0;
    return true;
}

bool ZipPipeline::TraditionalWithCrcFirst(LogBase& log)
{
    PipelineHelp help;
    PrepareHelp(help, false);
    DWORD crc = 0;
    if (m_sourceIsFile && !m_sourceEmpty) {
        ZipFileSource file;
        if (!file.Open(m_sourcePath.GetText())) {
            log.LogError("Failed to open file for reading (7)");
            return false;
        }
        if (!help.DeflateFileForCrc(file.Handle(), &crc, m_level)) {
            log.LogError("Failed to deflate to find CRC for password-protected Zip");
            return false;
        }
    } else if (!help.DeflateMemoryForCrc(m_memory.GetData(), m_memory.GetSize(), &crc, m_level)) {
        log.LogError("Failed to deflate from memory to find CRC for password-protected Zip");
        return false;
    }
    PipelineHelp encrypting;
    PrepareHelp(encrypting, true);
    encrypting.m_crcForHeader = crc;
    DWORD compressed = 0, uncompressed = 0, written = 0;
    bool ok;
    if (m_sourceIsFile && !m_sourceEmpty) {
        ZipFileSource file;
        ok = file.Open(m_sourcePath.GetText())
            && encrypting.DeflateFileToOutput(file.Handle(), m_out, &written, &compressed, &uncompressed, m_level);
    } else {
        ok = encrypting.DeflateMemoryToOutput(m_memory.GetData(), m_memory.GetSize(), m_out, &written, &compressed,
                                              &uncompressed, m_level);
    }
    if (!ok) {
        log.LogError("Failed to deflate password-protected data");
        return false;
    }
    m_crc = crc;
    m_uncompressed = uncompressed;
    return true;
}
