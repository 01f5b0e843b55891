#include "components/crypto/Rijndael2.h"

#include <cstring>
#include <memory>

namespace {

// A chunk holder shorter than a block gets 16 zero bytes, so its first 16 bytes can serve as IV.
void TopUpHolder(DataBuffer& holder)
{
    if (holder.GetSize() < 16) {
        static const unsigned char kZeros[16] = {};
        holder.Append(kZeros, 16);
    }
}

} // namespace

Rijndael2::Rijndael2() = default;

Rijndael2::~Rijndael2() { std::memset(&m_schedule, 0, sizeof m_schedule); }

bool Rijndael2::SetModeEcb()
{
    m_mode = kModeEcb;
    return true;
}

bool Rijndael2::SetModeCbc()
{
    m_mode = kModeCbc;
    return true;
}

int Rijndael2::SetKeyLength(int bits)
{
    m_keySizeCode = bits <= 128 ? 0 : (bits <= 192 ? 1 : 2);
    return GetKeyLength();
}

void Rijndael2::GetParameters(CipherParams& out) { FillCommonParameters(out, kCipherParamsRijndael, GetKeyLength()); }

int Rijndael2::Init(int mode, int direction)
{
    unsigned char key[32];
    CopyKeyMaterial(key, sizeof key);
    m_notReady = true;
    if (mode != kModeEcb && mode != kModeCbc)
        return kBadMode;
    if (direction != kDirectionEncrypt && direction != kDirectionDecrypt)
        return kBadDirection;
    if (m_keySizeCode < 0 || m_keySizeCode > 2)
        return kBadKeySize;
    m_mode = mode;
    m_direction = direction;
    int keyBytes = 16 + 8 * m_keySizeCode;
    bool expanded = direction == kDirectionEncrypt ? rijndael_core::ExpandEncryptionKey(key, keyBytes, m_schedule)
                                                   : rijndael_core::ExpandDecryptionKey(key, keyBytes, m_schedule);
    std::memset(key, 0, sizeof key);
    if (!expanded)
        return kBadKeySize;
    m_notReady = false;
    return 0;
}

int Rijndael2::CheckReady(int direction) const
{
    if (m_notReady)
        return kNotReady;
    if (m_direction != direction)
        return kWrongDirection;
    if (m_mode != kModeEcb && m_mode != kModeCbc)
        return kBadMode;
    return 0;
}

void Rijndael2::RunBlocks(const unsigned char* in, unsigned char* out, std::size_t blocks, unsigned char chain[16]) const
{
    bool cbc = m_mode == kModeCbc;
    for (std::size_t n = 0; n < blocks; ++n, in += 16, out += 16) {
        if (m_direction == kDirectionEncrypt) {
            unsigned char block[16];
            for (int i = 0; i < 16; ++i)
                block[i] = cbc ? in[i] ^ chain[i] : in[i];
            rijndael_core::EncryptBlock(m_schedule, block, out);
            if (cbc)
                std::memcpy(chain, out, 16);
            continue;
        }
        unsigned char cipherBlock[16];
        std::memcpy(cipherBlock, in, 16);  // in and out may be the same memory
        rijndael_core::DecryptBlock(m_schedule, cipherBlock, out);
        if (cbc) {
            for (int i = 0; i < 16; ++i)
                out[i] ^= chain[i];
            std::memcpy(chain, cipherBlock, 16);
        }
    }
}

bool Rijndael2::ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n)
{
    if (n % 16 != 0 || CheckReady(m_direction) != 0)
        return false;
    RunBlocks(in, out, n / 16, m_chain);
    return true;
}

int Rijndael2::RunBitsFromIv(int direction, const unsigned char* in, int bits, unsigned char* out)
{
    if (!in || bits <= 0)
        return 0;
    if (int status = CheckReady(direction); status != 0)
        return status;
    unsigned char chain[16];
    std::memcpy(chain, m_iv, 16);
    int blocks = bits / 128;
    RunBlocks(in, out, std::size_t(blocks), chain);
    return blocks * 128;
}

int Rijndael2::EncryptBits(const unsigned char* in, int bits, unsigned char* out)
{
    return RunBitsFromIv(kDirectionEncrypt, in, bits, out);
}

int Rijndael2::DecryptBits(const unsigned char* in, int bits, unsigned char* out)
{
    return RunBitsFromIv(kDirectionDecrypt, in, bits, out);
}

int Rijndael2::EncryptChained(const unsigned char* in, int bits, unsigned char* out, DataBuffer& holder,
                              bool useOwnIv)
{
    TopUpHolder(holder);
    if (!useOwnIv && holder.GetSize() >= 16)
        std::memcpy(m_iv, holder.GetData(), 16);
    return EncryptBits(in, bits, out);
}

int Rijndael2::DecryptChained(const unsigned char* in, int bits, unsigned char* out, unsigned char holder[16],
                              bool useOwnIv)
{
    if (!in || bits <= 0)
        return 0;
    if (int status = CheckReady(kDirectionDecrypt); status != 0)
        return status;
    unsigned char chain[16];
    std::memcpy(chain, useOwnIv ? m_iv : holder, 16);
    int blocks = bits / 128;
    RunBlocks(in, out, std::size_t(blocks), chain);
    if (blocks > 0)
        std::memcpy(holder, in + 16 * (blocks - 1), 16);
    return blocks * 128;
}

DataBuffer* Rijndael2::EncryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (Init(m_mode, kDirectionEncrypt) != 0)
        return nullptr;
    std::memcpy(m_chain, m_iv, 16);
    return EncryptPadded(in);
}

DataBuffer* Rijndael2::DecryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (Init(m_mode, kDirectionDecrypt) != 0)
        return nullptr;
    std::memcpy(m_chain, m_iv, 16);
    return RunWholeBlocks(in, 16, /*removePadding=*/true);
}

bool Rijndael2::SetUpBlockOperation(BlockBuffer& in, int direction)
{
    if (in.GetLength() != 0 && Init(m_mode, direction) != 0)
        return false;
    std::memcpy(m_chain, m_iv, 16);
    return true;
}

bool Rijndael2::EncryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kDirectionEncrypt) && RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool Rijndael2::DecryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kDirectionDecrypt) && RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool Rijndael2::EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kDirectionEncrypt) && RunBlockOperation(in, out, /*allocateOutput=*/false);
}

bool Rijndael2::DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kDirectionDecrypt) && RunBlockOperation(in, out, /*allocateOutput=*/false);
}

DataBuffer* Rijndael2::ChunkThrough(const DataBuffer& in, int direction, unsigned char chain[16])
{
    auto out = std::make_unique<DataBuffer>();
    unsigned size = in.GetSize();
    if (size == 0)
        return out.release();
    // Only the last chunk may end in a partial block, and it is padded first.
    if (size % 16 != 0 || CheckReady(direction) != 0 || !out->EnsureCapacity(size))
        return nullptr;
    RunBlocks(in.GetData(), out->GetData(), size / 16, chain);
    out->SetSize(size);
    return out.release();
}

DataBuffer* Rijndael2::EncryptFirstChunk(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (Init(m_mode, kDirectionEncrypt) != 0)
        return nullptr;
    unsigned char chain[16];
    std::memcpy(chain, m_iv, 16);
    return ChunkThrough(in, kDirectionEncrypt, chain);
}

DataBuffer* Rijndael2::EncryptNextChunk(DataBuffer& in, DataBuffer& holder)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    TopUpHolder(holder);
    std::memcpy(m_iv, holder.GetData(), 16);
    unsigned char chain[16];
    std::memcpy(chain, m_iv, 16);
    return ChunkThrough(in, kDirectionEncrypt, chain);
}

DataBuffer* Rijndael2::EncryptLastChunk(DataBuffer& in, DataBuffer& holder)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    TopUpHolder(holder);
    std::memcpy(m_iv, holder.GetData(), 16);
    if (CheckReady(kDirectionEncrypt) != 0)
        return nullptr;
    std::memcpy(m_chain, m_iv, 16);
    return EncryptPadded(in);
}

DataBuffer* Rijndael2::DecryptFirstChunk(DataBuffer& in, unsigned char holder[16])
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (Init(m_mode, kDirectionDecrypt) != 0)
        return nullptr;
    std::memcpy(holder, m_iv, 16);
    return ChunkThrough(in, kDirectionDecrypt, holder);
}

DataBuffer* Rijndael2::DecryptNextChunk(DataBuffer& in, unsigned char holder[16])
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    return ChunkThrough(in, kDirectionDecrypt, holder);
}

DataBuffer* Rijndael2::DecryptLastChunk(DataBuffer& in, unsigned char holder[16])
{
    DataBuffer* out = DecryptNextChunk(in, holder);
    if (out)
        out->RemovePadding(m_paddingScheme);
    return out;
}
