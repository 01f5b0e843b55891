#include "components/crypto/BlowFish.h"

#include <cstring>

namespace {

inline std::uint32_t LoadLittleEndian(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

inline void StoreLittleEndian(std::uint32_t w, unsigned char* p)
{
    p[0] = (unsigned char)w;
    p[1] = (unsigned char)(w >> 8);
    p[2] = (unsigned char)(w >> 16);
    p[3] = (unsigned char)(w >> 24);
}

} // namespace

BlowFish::BlowFish()
    : m_schedule(std::make_unique<blowfish_core::KeySchedule>())
{
}

BlowFish::~BlowFish() { std::memset(m_schedule.get(), 0, sizeof(blowfish_core::KeySchedule)); }

int BlowFish::SetKeyLength(int bits)
{
    int length = bits < 448 ? bits : 448;
    length -= length % 8;
    m_keyLength = length < 40 ? 40 : length;
    return m_keyLength;
}

void BlowFish::GetParameters(CipherParams& out) { FillCommonParameters(out, kCipherParamsBlowfish, m_keyLength); }

void BlowFish::ApplyParameters(const CipherParams& in) { SetKeyLength(in.keyLength); }

void BlowFish::SetupKey()
{
    unsigned char area[64];
    CopyKeyMaterial(area, sizeof area);
    blowfish_core::SetupKey(*m_schedule, area, m_keyLength / 8);
    std::memset(area, 0, sizeof area);
    m_keyReady = true;
}

int BlowFish::EncryptBytes(const unsigned char* in, unsigned char* out, int n)
{
    if (!in || !out || n <= 0)
        return 0;
    int blocks = (n + 7) / 8;
    for (int b = 0; b < blocks; ++b) {
        unsigned char block[8] = {};
        int take = n - 8 * b < 8 ? n - 8 * b : 8;
        std::memcpy(block, in + 8 * b, std::size_t(take));
        std::uint32_t left = LoadLittleEndian(block), right = LoadLittleEndian(block + 4);
        blowfish_core::EncryptHalves(*m_schedule, left, right);
        StoreLittleEndian(left, out + 8 * b);
        StoreLittleEndian(right, out + 8 * b + 4);
    }
    return blocks * 8;
}

void BlowFish::DecryptBytes(const unsigned char* in, unsigned char* out, int n)
{
    if (!in || !out || n <= 0)
        return;
    int blocks = (n + 7) / 8;
    for (int b = 0; b < blocks; ++b) {
        std::uint32_t left = LoadLittleEndian(in + 8 * b), right = LoadLittleEndian(in + 8 * b + 4);
        blowfish_core::DecryptHalves(*m_schedule, left, right);
        StoreLittleEndian(left, out + 8 * b);
        StoreLittleEndian(right, out + 8 * b + 4);
    }
}

bool BlowFish::ProcessBlocks(const unsigned char* in, unsigned char* out, std::size_t n)
{
    if (!m_keyReady || n % 8 != 0)
        return false;
    for (std::size_t done = 0; done < n; done += 8) {
        if (m_decrypting)
            DecryptBytes(in + done, out + done, 8);
        else
            EncryptBytes(in + done, out + done, 8);
    }
    return true;
}

DataBuffer* BlowFish::EncryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    SetupKey();
    m_decrypting = false;
    return EncryptPadded(in);
}

DataBuffer* BlowFish::DecryptBuffer(DataBuffer& in)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    SetupKey();
    m_decrypting = true;
    return RunWholeBlocks(in, 8, /*removePadding=*/true);
}

bool BlowFish::EncryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    SetupKey();
    m_decrypting = false;
    return RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool BlowFish::DecryptBlocks(BlockBuffer& in, BlockBuffer& out)
{
    SetupKey();
    m_decrypting = true;
    return RunBlockOperation(in, out, /*allocateOutput=*/true);
}

bool BlowFish::EncryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    SetupKey();
    m_decrypting = false;
    return RunBlockOperation(in, out, /*allocateOutput=*/false);
}

bool BlowFish::DecryptBlocksInto(BlockBuffer& in, BlockBuffer& out)
{
    SetupKey();
    m_decrypting = true;
    return RunBlockOperation(in, out, /*allocateOutput=*/false);
}

DataBuffer* BlowFish::EncryptUnpadded(const DataBuffer& in)
{
    auto out = std::make_unique<DataBuffer>();
    unsigned size = in.GetSize();
    if (size == 0)
        return out.release();
    unsigned rounded = (size + 7) & ~7u;
    if (rounded < size || !out->EnsureCapacity(rounded))
        return nullptr;
    EncryptBytes(in.GetData(), out->GetData(), int(size));
    out->SetSize(rounded);
    return out.release();
}

DataBuffer* BlowFish::EncryptFirstChunk(DataBuffer& in)
{
    SetupKey();
    m_decrypting = false;
    return EncryptUnpadded(in);
}

DataBuffer* BlowFish::EncryptNextChunk(DataBuffer& in)
{
    if (!m_keyReady)
        return nullptr;
    m_decrypting = false;
    return EncryptUnpadded(in);
}

DataBuffer* BlowFish::EncryptLastChunk(DataBuffer& in)
{
    if (!m_keyReady)
        return nullptr;
    m_decrypting = false;
    return EncryptPadded(in);
}

DataBuffer* BlowFish::DecryptFirstChunk(DataBuffer& in)
{
    SetupKey();
    m_decrypting = true;
    return RunWholeBlocks(in, 8, /*removePadding=*/false);
}

DataBuffer* BlowFish::DecryptNextChunk(DataBuffer& in)
{
    if (!m_keyReady)
        return nullptr;
    m_decrypting = true;
    return RunWholeBlocks(in, 8, /*removePadding=*/false);
}

DataBuffer* BlowFish::DecryptLastChunk(DataBuffer& in)
{
    if (!m_keyReady)
        return nullptr;
    m_decrypting = true;
    return RunWholeBlocks(in, 8, /*removePadding=*/true);
}
