#pragma once
// AES (Rijndael with a 128-bit block) in ECB or CBC. Beside the one-shot operations it offers
// chunk operations that keep one CBC chain over a whole file enciphered in pieces.

#include "components/crypto/RijndaelCore.h"
#include "components/crypto/SymmetricAlgorithm2.h"

class Rijndael2 : public SymmetricAlgorithm2 {
public:
    enum Result : int {
        kBadMode = -1,
        kBadDirection = -2,
        kBadKeySize = -3,
        kNotReady = -5,
        kWrongDirection = -6,
    };
    enum : int { kModeEcb = 0, kModeCbc = 1 };
    enum : int { kDirectionEncrypt = 0, kDirectionDecrypt = 1 };

    Rijndael2();
    ~Rijndael2() override;

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

    // Prepares the key schedule from the current key material: 0, or a negative Result.
    int Init(int mode, int direction);
    // bits / 128 whole blocks chained from the object's IV (which they leave unchanged). The bits
    // processed, 0 for null input or a non-positive count, or a negative Result.
    int EncryptBits(const unsigned char* in, int bits, unsigned char* out);
    int DecryptBits(const unsigned char* in, int bits, unsigned char* out);
    // Encryption: the holder is topped up to 16 bytes with zeros and, unless useOwnIv, becomes
    // the object's IV. Decryption: chains from the holder (or the own IV) and leaves the last
    // cipher block in the holder.
    int EncryptChained(const unsigned char* in, int bits, unsigned char* out, DataBuffer& holder, bool useOwnIv);
    int DecryptChained(const unsigned char* in, int bits, unsigned char* out, unsigned char holder[16], bool useOwnIv);

    // Chunk operations: new buffers for the caller; an empty input gives an empty buffer, a failed
    // step (a partial block, an unprepared key) null.
    DataBuffer* EncryptFirstChunk(DataBuffer& in);
    DataBuffer* EncryptNextChunk(DataBuffer& in, DataBuffer& holder);
    DataBuffer* EncryptLastChunk(DataBuffer& in, DataBuffer& holder);
    DataBuffer* DecryptFirstChunk(DataBuffer& in, unsigned char holder[16]);
    DataBuffer* DecryptNextChunk(DataBuffer& in, unsigned char holder[16]);
    DataBuffer* DecryptLastChunk(DataBuffer& in, unsigned char holder[16]);

    int GetKeyLength() const { return 128 + 64 * m_keySizeCode; }
    const unsigned char* GetIv() const { return m_iv; }

protected:
    bool ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n) override;

private:
    // Checks the schedule against the wanted direction: 0 or a negative Result.
    int CheckReady(int direction) const;
    // Whole blocks through the schedule, chaining from and updating `chain`.
    void RunBlocks(const unsigned char* in, unsigned char* out, std::size_t blocks, unsigned char chain[16]) const;
    DataBuffer* ChunkThrough(const DataBuffer& in, int direction, unsigned char chain[16]);
    // Whole blocks chained from the IV, which stays unchanged.
    int RunBitsFromIv(int direction, const unsigned char* in, int bits, unsigned char* out);
    // Prepares the schedule (unless `in` is empty) and starts the chain at the IV.
    bool SetUpBlockOperation(BlockBuffer& in, int direction);

    int m_paddingScheme = 0;
    int m_keySizeCode = 2;
    int m_mode = kModeCbc;
    int m_direction = kDirectionEncrypt;
    bool m_notReady = true;
    unsigned char m_iv[16] = {};
    // The chaining value of the operation in progress.
    unsigned char m_chain[16] = {};
    rijndael_core::KeySchedule m_schedule {};
};
