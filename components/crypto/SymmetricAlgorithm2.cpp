#include "components/crypto/SymmetricAlgorithm2.h"

#include "components/crypto/DigestMD5.h"
#include "components/foundation/Base64.h"
#include "components/foundation/StringBuffer.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr unsigned kPaddingBlock = 16;

} // namespace

bool BlockBuffer::Allocate(unsigned n)
{
    Free();
    unsigned rounded = (n + 15) & ~15u;
    if (rounded < n)
        return false;
    if (rounded == 0)
        return true;
    m_data = static_cast<unsigned char*>(std::calloc(rounded, 1));
    if (!m_data)
        return false;
    m_capacity = rounded;
    return true;
}

void BlockBuffer::Free()
{
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
    m_capacity = 0;
}

SymmetricAlgorithm2::SymmetricAlgorithm2() { SetPassPhrase(kDefaultPassPhrase); }

SymmetricAlgorithm2::~SymmetricAlgorithm2() = default;

bool SymmetricAlgorithm2::SetModeEcb() { return false; }
bool SymmetricAlgorithm2::SetModeCbc() { return false; }
bool SymmetricAlgorithm2::ReservedModeA() { return false; }
bool SymmetricAlgorithm2::ReservedModeB() { return false; }
int SymmetricAlgorithm2::SetKeyLength(int) { return 128; }
DataBuffer* SymmetricAlgorithm2::EncryptBuffer(DataBuffer&) { return nullptr; }
bool SymmetricAlgorithm2::EncryptBlocks(BlockBuffer&, BlockBuffer&) { return false; }
DataBuffer* SymmetricAlgorithm2::DecryptBuffer(DataBuffer&) { return nullptr; }
bool SymmetricAlgorithm2::DecryptBlocks(BlockBuffer&, BlockBuffer&) { return false; }
bool SymmetricAlgorithm2::EncryptBlocksInto(BlockBuffer&, BlockBuffer&) { return false; }
bool SymmetricAlgorithm2::DecryptBlocksInto(BlockBuffer&, BlockBuffer&) { return false; }
void SymmetricAlgorithm2::GetParameters(CipherParams&) { }
bool SymmetricAlgorithm2::ProcessBlocks(const unsigned char*, unsigned char*, std::size_t) { return false; }

void SymmetricAlgorithm2::ApplyParameters(const CipherParams& in)
{
    SetKeyLength(in.keyLength);
    if (in.mode == 1)
        SetModeEcb();
    else
        SetModeCbc();
}

void SymmetricAlgorithm2::SetPassPhrase(const char* text)
{
    if (!text)
        return;
    DataBuffer phrase;
    phrase.Borrow(text, unsigned(std::strlen(text)));
    SetPassPhraseBytes(phrase);
}

void SymmetricAlgorithm2::SetPassPhraseBytes(const DataBuffer& phrase)
{
    m_keyMaterial.Empty();
    m_passPhrase.Empty();

    DigestMD5 md5;
    unsigned char phraseDigest[16];
    md5.DigestBuffer(phrase, phraseDigest);

    std::string text = Base64Encode(phrase.GetData(), phrase.GetSize());
    torvane::StringBuffer base64;
    base64.AppendBytes(text.data(), int(text.size()));
    unsigned char textDigest[16];
    md5.DigestString(base64, textDigest);

    m_passPhrase.Append(phrase.GetData(), phrase.GetSize());
    m_keyMaterial.Append(phraseDigest, 16);
    m_keyMaterial.Append(textDigest, 16);
}

void SymmetricAlgorithm2::CopyKeyMaterial(unsigned char* area, unsigned size) const
{
    std::memset(area, 0, size);
    unsigned n = m_keyMaterial.GetSize() < size ? m_keyMaterial.GetSize() : size;
    if (n)
        std::memcpy(area, m_keyMaterial.GetData(), n);
}

void SymmetricAlgorithm2::FillCommonParameters(CipherParams& out, std::uint8_t algorithm, int keyBits)
{
    std::memcpy(out.tag, "torvane", 8);
    out.algorithm = algorithm;
    out.mode = 0;
    out.flagOne = 1;
    out.flagZero = 0;
    out.reserved2 = 0;
    out.keyLength = keyBits;
    out.reserved3 = 0;
}

DataBuffer* SymmetricAlgorithm2::EncryptPadded(const DataBuffer& in)
{
    auto out = std::make_unique<DataBuffer>();
    unsigned size = in.GetSize();
    if (size == 0)
        return out.release();
    unsigned whole = size - size % kPaddingBlock;
    unsigned padded = whole + kPaddingBlock;
    if (padded < size || !out->EnsureCapacity(padded + 16))
        return nullptr;

    // The last block is built aside, so the caller's buffer is never touched.
    unsigned char last[kPaddingBlock];
    unsigned tail = size - whole;
    unsigned char padValue = (unsigned char)(kPaddingBlock - tail);
    std::memcpy(last, in.GetData() + whole, tail);
    std::memset(last + tail, padValue, kPaddingBlock - tail);

    unsigned char* target = out->GetDataOrAllocate();
    if (!target || !ProcessBlocks(in.GetData(), target, whole) || !ProcessBlocks(last, target + whole, kPaddingBlock))
        return nullptr;
    out->SetSize(padded);
    return out.release();
}

DataBuffer* SymmetricAlgorithm2::RunWholeBlocks(const DataBuffer& in, unsigned blockSize, bool removePadding)
{
    auto out = std::make_unique<DataBuffer>();
    unsigned size = in.GetSize();
    if (size == 0)
        return out.release();
    // Encryption never produces a partial block: such input is damaged, not decipherable.
    if (size % blockSize != 0 || !out->EnsureCapacity(size))
        return nullptr;
    unsigned char* target = out->GetDataOrAllocate();
    if (!target || !ProcessBlocks(in.GetData(), target, size))
        return nullptr;
    out->SetSize(size);
    if (removePadding)
        out->RemovePadding(0);
    return out.release();
}

bool SymmetricAlgorithm2::RunBlockOperation(BlockBuffer& in, BlockBuffer& out, bool allocateOutput)
{
    if (in.GetLength() == 0) {
        if (allocateOutput)
            out.Free();
        return true;
    }
    if (allocateOutput && !out.Allocate(in.GetCapacity())) {
        out.SetLength(0);
        return false;
    }
    // The run covers the input's whole capacity, so a smaller output would be overrun.
    if (out.GetCapacity() < in.GetCapacity() || !ProcessBlocks(in.GetData(), out.GetData(), in.GetCapacity())) {
        out.SetLength(0);
        return false;
    }
    out.SetLength(in.GetLength());
    return true;
}
