#pragma once
// Blowfish, always in ECB, each 8-byte block read as two little-endian 32-bit words. Messages are
// padded to 16 bytes like the other ciphers'. Every block stands alone, so chunks need no chain.

#include "components/crypto/BlowfishCore.h"
#include "components/crypto/SymmetricAlgorithm2.h"

#include <memory>

class BlowFish : public SymmetricAlgorithm2 {
public:
    BlowFish();
    ~BlowFish() override;

    // Blowfish knows only ECB: every selector succeeds and changes nothing.
    bool SetModeEcb() override { return true; }
    bool SetModeCbc() override { return true; }
    bool ReservedModeA() override { return true; }
    bool ReservedModeB() override { return true; }
    // min(bits, 448), rounded down to a multiple of 8, at least 40.
    int SetKeyLength(int bits) override;
    DataBuffer* EncryptBuffer(DataBuffer& in) override;
    bool EncryptBlocks(BlockBuffer& in, BlockBuffer& out) override;
    DataBuffer* DecryptBuffer(DataBuffer& in) override;
    bool DecryptBlocks(BlockBuffer& in, BlockBuffer& out) override;
    bool EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out) override;
    bool DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out) override;
    void GetParameters(CipherParams& out) override;
    void ApplyParameters(const CipherParams& in) override;

    // The key schedule from the first key-length / 8 bytes of the key material (zeros past 32).
    void SetupKey();
    // ceil(n / 8) blocks, a last partial block completed with zeros; out has room for them. The
    // bytes processed. In place when in == out.
    int EncryptBytes(const unsigned char* in, unsigned char* out, int n);
    // ceil(n / 8) whole blocks: the caller passes whole blocks.
    void DecryptBytes(const unsigned char* in, unsigned char* out, int n);

    // New buffers for the caller; an empty input gives an empty buffer, and decryption input
    // that is not whole 8-byte blocks gives null.
    DataBuffer* EncryptFirstChunk(DataBuffer& in);
    DataBuffer* EncryptNextChunk(DataBuffer& in);
    DataBuffer* EncryptLastChunk(DataBuffer& in);
    DataBuffer* DecryptFirstChunk(DataBuffer& in);
    DataBuffer* DecryptNextChunk(DataBuffer& in);
    DataBuffer* DecryptLastChunk(DataBuffer& in);

    int GetKeyLength() const { return m_keyLength; }

protected:
    bool ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n) override;

private:
    DataBuffer* EncryptUnpadded(const DataBuffer& in);

    int m_keyLength = 128;
    int m_paddingScheme = 0;
    bool m_decrypting = false;
    bool m_keyReady = false;
    std::unique_ptr<blowfish_core::KeySchedule> m_schedule;
};
