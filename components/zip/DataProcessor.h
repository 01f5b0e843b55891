#pragma once
// Pipeline stages. A stage either pulls from a source into its input buffer (source mode) or is fed
// through its own Write into its ring (ring mode), and pushes its output into the next sink, one
// bounded step at a time. Input-finished flags travel down the chain once a stage has passed on
// everything.

#include "components/foundation/TorvaneObject.h"
#include "components/zip/DataSink.h"
#include "components/zip/PwdProtect.h"
#include "components/zip/ZipCryptParams.h"

#include <cstdint>
#include <string>

class DataSource;
class ZeeStream;

class DataProcessor : public MemoryDataSink, public TorvaneObject, public ZipCryptParams {
public:
    DataProcessor();
    ~DataProcessor() override;

    DWORD BytesWritten() override { return m_bytesAccepted; }
    DWORD BytesHeld() override { return m_ring.Held(); }

    virtual const char* TypeName() const { return "nothing"; }
    virtual void Begin() { }
    virtual void End() { }
    // 0 after a step (also one that could move nothing); -1 when a read or a write failed.
    virtual int Step() { return 0; }

    void SetSource(DataSource* source) { m_source = source; }
    void SetNext(DataSink* next) { m_next = next; }
    // A caller's buffer, not owned.
    void SetInputBuffer(BYTE* buffer, DWORD size);
    bool AllocInputBuffer(DWORD n);
    bool SourceAtEnd();

    const std::string& Name() const { return m_name; }
    // Grows whenever a step moves a byte or raises a flag; a pass that leaves it unchanged made
    // no progress.
    std::uint64_t Movement() const { return m_movement; }

protected:
    // Source mode needs somewhere to read into even when the builder gave no buffer.
    bool EnsureInputBuffer();
    void FinishNext();
    // The step of the stages that pass bytes on unchanged in number. onRead(bytes, n) sees each
    // chunk as it arrives from the source or leaves the ring; pass(bytes, n) hands n bytes on and
    // answers false when the next sink fails the write.
    template <typename OnRead, typename OnPass>
    int PassThroughStep(BYTE*& cursor, DWORD& pending, bool& readOnce, OnRead onRead, OnPass pass);

    std::string m_name;
    bool m_ownsInput = false;
    BYTE* m_input = nullptr;
    DWORD m_inputSize = 0;
    DataSource* m_source = nullptr;
    DataSink* m_next = nullptr;
    std::uint64_t m_movement = 0;
};

// Raw DEFLATE with a CRC-32 of the input and, when the parameters ask for it, traditional zip
// encryption of the output behind its 12-byte header.
class DeflateProcessor : public DataProcessor {
public:
    explicit DeflateProcessor(int level);
    ~DeflateProcessor() override;

    DWORD BytesWritten() override { return m_uncompressed; }
    DWORD BytesHeld() override;
    const char* TypeName() const override { return "DeflateProcessor"; }
    void Begin() override;
    void End() override { m_crcResult = m_crc.Finish(); }
    int Step() override;

    DWORD GetCrc() const { return m_crcResult; }
    DWORD GetCompressedSize() const { return m_compressed; }
    // Full counts, for callers that must refuse sizes the 32-bit ones cannot hold.
    std::uint64_t Uncompressed64() const { return m_uncompressed64; }
    std::uint64_t Compressed64() const { return m_compressed64; }

private:
    static constexpr DWORD kOutputSize = 25000;

    bool TraditionalEncryption() const { return m_traditional && m_encryption == 0; }
    // Runs the compressor over the input it was pointed at; false when it refuses.
    bool Compress(bool finishing, DWORD* consumed);
    // Passes compressed bytes on; false when the next sink fails a write.
    bool PassOn();
    int SourceStep();
    int RingStep();

    int m_level;
    ZeeStream* m_compressor = nullptr;
    const BYTE* m_cursor = nullptr;
    DWORD m_pending = 0;
    bool m_finished = false;
    BYTE* m_output = nullptr;
    DWORD m_outputSize = kOutputSize;
    DWORD m_produced = 0;
    DWORD m_passedOn = 0;
    PwdProtect m_pwd;
    bool m_headerWritten = false;
    DWORD m_uncompressed = 0;
    DWORD m_compressed = 0;
    std::uint64_t m_uncompressed64 = 0;
    std::uint64_t m_compressed64 = 0;
    DWORD m_crcResult = 0;
    ZipCRC m_crc;
    bool m_streamEnd = false;
    bool m_failed = false;
};

// Passes bytes on unchanged and computes their CRC-32.
class CrcProcessor : public DataProcessor {
public:
    DWORD BytesWritten() override { return m_bytesIn; }
    DWORD BytesHeld() override { return m_pending + m_ring.Held(); }
    const char* TypeName() const override { return "CrcProcessor"; }
    void Begin() override;
    void End() override { m_crcResult = m_crc.Finish(); }
    int Step() override;

    DWORD GetCrc() const { return m_crcResult; }
    DWORD BytesOut() const { return m_bytesOut; }
    std::uint64_t BytesOut64() const { return m_bytesOut64; }

private:
    // Counts, checks and passes on n bytes; false when the next sink fails the write.
    bool Pass(BYTE* bytes, DWORD n);

    DWORD m_bytesIn = 0;
    DWORD m_bytesOut = 0;
    std::uint64_t m_bytesOut64 = 0;
    BYTE* m_cursor = nullptr;
    DWORD m_pending = 0;
    bool m_readOnce = false;
    DWORD m_crcResult = 0;
    ZipCRC m_crc;
};

// Passes bytes on, deciphering them with a traditional zip decryptor when one is set.
class ZipDecodeProcessor : public DataProcessor {
public:
    void SetDecryptor(PwdProtect* decryptor) { m_decryptor = decryptor; }

    DWORD BytesWritten() override { return m_bytesIn; }
    DWORD BytesHeld() override { return m_pending + m_ring.Held(); }
    const char* TypeName() const override { return "PassThruProcessor"; }
    void Begin() override;
    int Step() override;

    DWORD BytesOut() const { return m_bytesOut; }

private:
    bool Pass(BYTE* bytes, DWORD n);

    PwdProtect* m_decryptor = nullptr;
    DWORD m_bytesIn = 0;
    DWORD m_bytesOut = 0;
    BYTE* m_cursor = nullptr;
    DWORD m_pending = 0;
    bool m_readOnce = false;
};
