#pragma once
// Produces the data part of one zip entry at the output's current position. The source is a file
// or a memory block, possibly deflated and possibly encrypted (an entry of an opened archive); the
// inherited settings say how the target is encrypted: none, traditional, the component's own
// ciphers (1-3) or AES (4). Steps that cannot stream go through scratch files in the system's
// temporary folder, which are deleted by the end of the run on every path.
//
// One pipeline serves one entry on one thread.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/zip/ZipCryptParams.h"
#include "platform/base/Types.h"

#include <cstdint>
#include <memory>

class LogBase;
class Output;
class PipelineHelp;
class ProgressMonitor;

class ZipPipeline : public ZipCryptParams {
public:
    ZipPipeline();
    ~ZipPipeline() override;
    ZipPipeline(const ZipPipeline&) = delete;
    ZipPipeline& operator=(const ZipPipeline&) = delete;

    void SetLevel(int level) { m_level = level; }
    void SetMonitor(ProgressMonitor* monitor) { m_monitor = monitor; }
    void SetOutput(Output* out) { m_out = out; }
    void SetSourceFile(const char* utf8Path);
    // Copies the bytes.
    bool SetSourceMemory(const void* bytes, unsigned size);
    void SetSourceEmpty() { m_sourceEmpty = true; }
    void SetSourceDeflated(bool deflated) { m_sourceDeflated = deflated; }
    void SetCompress(bool compress) { m_compress = compress; }
    void SetSourceEncrypted(bool encrypted) { m_sourceEncrypted = encrypted; }
    void SetSourceEncryption(int id, int keyLength)
    {
        m_sourceEncryption = id;
        m_sourceKeyLength = keyLength;
    }
    void SetSourcePassword(const char* utf8) { m_sourcePassword.SetText(utf8 ? utf8 : ""); }
    void SetSourceTraditional(bool on, unsigned crc, unsigned dosTime, bool descriptor);

    // The CRC-32 of the plain data (0 under AES); false at the first failed step, logged.
    bool Run(unsigned* crcOut, LogBase* log);

    DWORD GetUncompressedSize() const { return m_uncompressed; }
    // Everything written to the output, encryption overhead included.
    DWORD GetCompressedSize() const { return m_compressed; }

    // Inflated data may not pass this many bytes (4 GiB - 1 by default, which 0 restores).
    static void SetInflateLimitForTesting(std::uint64_t bytes);

private:
    class Scratch;

    bool DecodeSource(LogBase& log);
    bool EncodeTarget(LogBase& log);
    bool CompressPath(LogBase& log);
    bool StorePath(LogBase& log);
    bool RecompressPath(LogBase& log);

    bool Store(LogBase& log);
    bool DeflateToTarget(LogBase& log);
    bool DeflateToScratch(LogBase& log);
    bool InflateToScratch(LogBase& log, const char* failureText);
    bool InflateToTarget(LogBase& log);
    bool OwnEncrypt(LogBase& log);
    bool OwnDecrypt(LogBase& log);
    bool AesToTarget(LogBase& log, bool plainCountIsUncompressed);
    bool AesDecrypt(LogBase& log);
    bool TraditionalDecrypt(LogBase& log);
    bool TraditionalWithCrcFirst(LogBase& log);

    void PrepareHelp(PipelineHelp& help, bool traditional) const;
    // The scratch file becomes the source (the previous scratch file is deleted).
    void UseScratchAsSource(std::unique_ptr<Scratch> scratch, bool deflated);
    bool HasTraditionalTarget() const { return m_encryption == 0 && m_traditional; }

    bool m_sourceIsFile = false;
    bool m_sourceEmpty = false;
    bool m_sourceTraditional = false;
    int m_sourceEncryption = 0;
    int m_sourceKeyLength = 0;
    torvane::StringBuffer m_sourcePassword;
    bool m_sourceDeflated = false;
    bool m_compress = false;
    bool m_sourceEncrypted = false;
    torvane::StringBuffer m_sourcePath;
    std::unique_ptr<Scratch> m_scratch;
    Output* m_out = nullptr;
    DataBuffer m_memory;
    unsigned m_sourceCrc = 0;
    unsigned m_sourceDosTime = 0;
    bool m_sourceDescriptor = false;
    int m_level = 6;
    DWORD m_uncompressed = 0;
    DWORD m_compressed = 0;
    DWORD m_crc = 0;
    ProgressMonitor* m_monitor = nullptr;
};
