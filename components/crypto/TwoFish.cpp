#include "components/crypto/TwoFish.h"

#include <cstring>
#include <memory>

// Any fixed non-zero value serves; changing it makes earlier CBC output undecipherable.
const std::uint32_t TwoFish::kFixedIv[4] = { 0x5B1A6E93, 0xC2074DF8, 0x39E8B15C, 0x84D2F67A };

namespace {

// The core counts in int bits; large buffers go through in slices.
constexpr std::size_t kSliceBytes = std::size_t(1) << 24;

} // namespace

TwoFish::TwoFish() = default;

TwoFish::~TwoFish() { std::memset(&m_key, 0, sizeof m_key); }

bool TwoFish::SetModeEcb()
{
    m_mode = kTwofishModeEcb;
    return true;
}

bool TwoFish::SetModeCbc()
{
    m_mode = kTwofishModeCbc;
    return true;
}

int TwoFish::SetKeyLength(int bits)
{
    m_keyLength = bits > 192 ? 256 : (bits > 128 ? 192 : 128);
    return m_keyLength;
}

void TwoFish::GetParameters(CipherParams& out) { FillCommonParameters(out, kCipherParamsTwofish, m_keyLength); }

bool TwoFish::SetUp(int direction)
{
    m_ready = false;
    if (TwofishMakeKey(&m_key, direction, m_keyLength, nullptr) != kTwofishOk)
        return false;
    if (TwofishCipherInit(&m_cipher, m_mode, nullptr) != kTwofishOk)
        return false;
    unsigned char material[64];
    CopyKeyMaterial(material, sizeof material);
    std::memcpy(m_key.key32, material, std::size_t(m_keyLength / 8));
    std::memset(material, 0, sizeof material);
    if (TwofishReKey(&m_key) != kTwofishOk)
        return false;
    if (m_mode == kTwofishModeCbc) {
        for (int i = 0; i < 4; ++i) {
            m_cipher.iv32[i] = kFixedIv[i];
            for (int b = 0; b < 4; ++b)
                m_cipher.iv[4 * i + b] = (unsigned char)(kFixedIv[i] >> (8 * b));
        }
    }
    m_ready = true;
    return true;
}

bool TwoFish::ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n)
{
    if (!m_ready || n % 16 != 0)
        return false;
    for (std::size_t done = 0; done < n;) {
        std::size_t slice = n - done < kSliceBytes ? n - done : kSliceBytes;
        int bits = int(slice * 8);
        int processed = m_key.direction == kTwofishDirEncrypt
            ? TwofishBlockEncrypt(&m_cipher, &m_key, in + done, bits, out + done)
            : TwofishBlockDecrypt(&m_cipher, &m_key, in + done, bits, out + done);
        if (processed != bits)
            return false;
        done += slice;
    }
    return true;
}

DataBuffer* TwoFish::EncryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!SetUp(kTwofishDirEncrypt))
        return nullptr;
    return EncryptPadded(in);
}

DataBuffer* TwoFish::DecryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!SetUp(kTwofishDirDecrypt))
        return nullptr;
    return RunWholeBlocks(in, 16, /*removePadding=*/true);
}

bool TwoFish::SetUpBlockOperation(BlockBuffer& in, int direction)
{
    return in.GetLength() == 0 || SetUp(direction);
}

bool TwoFish::EncryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kTwofishDirEncrypt) && RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool TwoFish::DecryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kTwofishDirDecrypt) && RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool TwoFish::EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kTwofishDirEncrypt) && RunBlockOperation(in, out, /*allocateOutput=*/false);
}

bool TwoFish::DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    return SetUpBlockOperation(in, kTwofishDirDecrypt) && RunBlockOperation(in, out, /*allocateOutput=*/false);
}

DataBuffer* TwoFish::ChunkThrough(const DataBuffer& in, bool removePadding)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    return RunWholeBlocks(in, 16, removePadding);
}

DataBuffer* TwoFish::EncryptFirstChunk(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!SetUp(kTwofishDirEncrypt))
        return nullptr;
    return ChunkThrough(in, /*removePadding=*/false);
}

DataBuffer* TwoFish::EncryptNextChunk(DataBuffer& in)
{
    if (m_key.direction != kTwofishDirEncrypt)
        return nullptr;
    return ChunkThrough(in, /*removePadding=*/false);
}

DataBuffer* TwoFish::EncryptLastChunk(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!m_ready || m_key.direction != kTwofishDirEncrypt)
        return nullptr;
    return EncryptPadded(in);
}

DataBuffer* TwoFish::DecryptFirstChunk(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!SetUp(kTwofishDirDecrypt))
        return nullptr;
    return ChunkThrough(in, /*removePadding=*/false);
}

DataBuffer* TwoFish::DecryptNextChunk(DataBuffer& in)
{
    if (m_key.direction != kTwofishDirDecrypt)
        return nullptr;
    return ChunkThrough(in, /*removePadding=*/false);
}

DataBuffer* TwoFish::DecryptLastChunk(DataBuffer& in)
{
    if (m_key.direction != kTwofishDirDecrypt)
        return nullptr;
    return ChunkThrough(in, /*removePadding=*/true);
}
