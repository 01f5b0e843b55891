#pragma once
// Common base of the block ciphers: pass-phrase keys, the order of the cipher operations and the
// parameter record. A cipher object serves one operation: construct, SetKeyLength, a mode
// selector, SetPassPhrase, one encrypt or decrypt (or a run of chunk operations), delete.

#include "components/foundation/DataBuffer.h"

#include <cstdint>

// An owned byte block whose allocation is always whole 16-byte blocks.
class BlockBuffer {
public:
    BlockBuffer() = default;
    BlockBuffer(const BlockBuffer&) = delete;
    BlockBuffer& operator=(const BlockBuffer&) = delete;
    ~BlockBuffer() { Free(); }

    // Frees the old block and allocates n rounded up to 16 (zero-filled); length 0. False when
    // memory is not available (the buffer is then empty).
    bool Allocate(unsigned n);
    void Free();
    void SetLength(unsigned n) { m_length = n; }

    unsigned char* GetData() { return m_data; }
    const unsigned char* GetData() const { return m_data; }
    unsigned GetLength() const { return m_length; }
    unsigned GetCapacity() const { return m_capacity; }

private:
    unsigned char* m_data = nullptr;
    unsigned m_length = 0;
    unsigned m_capacity = 0;
};

// The cipher parameter record, field for field.
struct CipherParams {
    std::uint32_t reserved1;  // left as the caller had it
    char tag[8];              // "torvane" and a NUL
    std::uint8_t algorithm;   // 1 Rijndael, 2 Blowfish, 3 Twofish
    std::uint8_t mode;        // written 0; read back, 1 is ECB and anything else CBC
    std::uint8_t flagOne;     // written 1
    std::uint8_t flagZero;    // written 0
    std::uint32_t reserved2;  // written 0
    std::int32_t keyLength;   // bits
    std::uint32_t reserved3;  // written 0
};
static_assert(sizeof(CipherParams) == 28);

enum : std::uint8_t { kCipherParamsRijndael = 1, kCipherParamsBlowfish = 2, kCipherParamsTwofish = 3 };

class SymmetricAlgorithm2 {
public:
    SymmetricAlgorithm2();
    SymmetricAlgorithm2(const SymmetricAlgorithm2&) = delete;
    SymmetricAlgorithm2& operator=(const SymmetricAlgorithm2&) = delete;
    virtual ~SymmetricAlgorithm2();

    virtual bool SetModeEcb();
    virtual bool SetModeCbc();
    virtual bool ReservedModeA();
    virtual bool ReservedModeB();
    virtual int SetKeyLength(int bits);
    // New buffers belong to the caller; null means the operation failed.
    virtual DataBuffer* EncryptBuffer(DataBuffer& in);
    virtual bool EncryptBlocks(BlockBuffer& in, BlockBuffer& out);
    virtual DataBuffer* DecryptBuffer(DataBuffer& in);
    virtual bool DecryptBlocks(BlockBuffer& in, BlockBuffer& out);
    virtual bool EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out);
    virtual bool DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out);
    virtual void GetParameters(CipherParams& out);
    virtual void ApplyParameters(const CipherParams& in);

    // A null text changes nothing; otherwise its bytes up to the NUL become the pass phrase.
    void SetPassPhrase(const char* text);
    void SetPassPhraseBytes(const DataBuffer& phrase);

    // 32 bytes: MD5 of the phrase, then MD5 of the phrase's base64 text.
    const DataBuffer& GetKeyMaterial() const { return m_keyMaterial; }
    const DataBuffer& GetPassPhrase() const { return m_passPhrase; }

    static constexpr const char* kDefaultPassPhrase = "selvoma";

protected:
    // The key material copied into a zeroed area of `size` bytes (material beyond it is dropped).
    void CopyKeyMaterial(unsigned char* area, unsigned size) const;
    // The fields every cipher writes the same way.
    static void FillCommonParameters(CipherParams& out, std::uint8_t algorithm, int keyBits);

    // Runs whole blocks through the cipher as the current operation set it up (key schedule,
    // direction, chaining value); the base has no cipher and fails.
    virtual bool ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n);

    // Pads (scheme 0, 16-byte blocks) and runs over the whole input without touching it. Null when
    // the run fails or memory is not available.
    DataBuffer* EncryptPadded(const DataBuffer& in);
    // Runs over whole blocks of blockSize and, when asked, strips the padding. Null when the size
    // is not a whole number of blocks or the run fails.
    DataBuffer* RunWholeBlocks(const DataBuffer& in, unsigned blockSize, bool removePadding);
    // The rules of the four block operations around a run over the input's capacity.
    bool RunBlockOperation(BlockBuffer& in, BlockBuffer& out, bool allocateOutput);

    DataBuffer m_passPhrase;
    DataBuffer m_keyMaterial;
};
