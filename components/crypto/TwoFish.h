#pragma once
// Twofish in ECB or CBC over the cipher core. In CBC every message starts from one fixed IV, so
// data enciphered here decrypts only here. Chunk operations keep one chain over a whole file.

#include "components/crypto/SymmetricAlgorithm2.h"
#include "components/crypto/TwofishCore.h"

class TwoFish : public SymmetricAlgorithm2 {
public:
    TwoFish();
    ~TwoFish() override;

    bool SetModeEcb() override;
    bool SetModeCbc() override;
    int SetKeyLength(int bits) override;
    DataBuffer* EncryptBuffer(DataBuffer& in) override;
    bool EncryptBlocks(BlockBuffer& in, BlockBuffer& out) override;
    DataBuffer* DecryptBuffer(DataBuffer& in) override;
    bool DecryptBlocks(BlockBuffer& in, BlockBuffer& out) override;
    bool EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out) override;
    bool DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out) override;
    void GetParameters(CipherParams& out) override;

    // Chunk operations over one chain: First sets the cipher up, Next continues, Last pads
    // (encryption) or strips the padding (decryption). New buffers for the caller; an empty input
    // gives an empty buffer, a partial block or a missing set-up null.
    DataBuffer* EncryptFirstChunk(DataBuffer& in);
    DataBuffer* EncryptNextChunk(DataBuffer& in);
    DataBuffer* EncryptLastChunk(DataBuffer& in);
    DataBuffer* DecryptFirstChunk(DataBuffer& in);
    DataBuffer* DecryptNextChunk(DataBuffer& in);
    DataBuffer* DecryptLastChunk(DataBuffer& in);

    int GetKeyLength() const { return m_keyLength; }
    int GetMode() const { return m_mode; }

    // The fixed IV as little-endian words.
    static const std::uint32_t kFixedIv[4];

protected:
    bool ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n) override;

private:
    // Fresh key and cipher instances for one direction: false when the core refuses.
    bool SetUp(int direction);
    bool SetUpBlockOperation(BlockBuffer& in, int direction);
    DataBuffer* ChunkThrough(const DataBuffer& in, bool removePadding);

    int m_mode = kTwofishModeCbc;
    int m_keyLength = 256;
    bool m_ready = false;
    TwofishKeyInstance m_key {};
    TwofishCipherInstance m_cipher {};
};
