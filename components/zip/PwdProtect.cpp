#include "components/zip/PwdProtect.h"

#include "components/zip/ZipRandom.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<unsigned, 256> MakeCrcTable()
{
    std::array<unsigned, 256> table {};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<unsigned, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0x77073096u && kCrcTable[255] == 0x2D02EF8Du);

} // namespace

PwdProtect::~PwdProtect() { WipePassword(); }

void PwdProtect::WipePassword()
{
    // The password should not outlive the entry in freed memory.
    if (m_password.GetLength() > 0) std::memset(m_password.PointerAt(0), 0, std::size_t(m_password.GetLength()));
}

void PwdProtect::SetPassword(const char* text)
{
    WipePassword();
    m_password.SetText(text != nullptr ? text : "");
}

void PwdProtect::InitKeys()
{
    m_key0 = 0x12345678u;
    m_key1 = 0x23456789u;
    m_key2 = 0x34567890u;
    const char* text = m_password.GetText();
    for (int i = 0; i < m_password.GetLength(); ++i) UpdateKeys(static_cast<unsigned char>(text[i]));
}

void PwdProtect::UpdateKeys(unsigned char plain)
{
    m_key0 = kCrcTable[(m_key0 ^ plain) & 0xFF] ^ (m_key0 >> 8);
    m_key1 = (m_key1 + (m_key0 & 0xFF)) * 134775813u + 1;
    m_key2 = kCrcTable[(m_key2 ^ (m_key1 >> 24)) & 0xFF] ^ (m_key2 >> 8);
}

unsigned char PwdProtect::StreamByte() const
{
    const unsigned t = (m_key2 | 2) & 0xFFFF;
    return static_cast<unsigned char>(((t * (t ^ 1)) >> 8) & 0xFF);
}

void PwdProtect::EncryptInPlace(unsigned char* bytes, unsigned n)
{
    if (bytes == nullptr) return;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char stream = StreamByte();
        const unsigned char plain = bytes[i];
        UpdateKeys(plain);
        bytes[i] = plain ^ stream;
    }
}

void PwdProtect::DecryptInPlace(unsigned char* bytes, unsigned n)
{
    if (bytes == nullptr) return;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char plain = bytes[i] ^ StreamByte();
        UpdateKeys(plain);
        bytes[i] = plain;
    }
}

void PwdProtect::MakeHeader(unsigned checkValue, unsigned char header[12])
{
    InitKeys();
    // Fifteen-bit draws mapped as the format's writers do; the draws come from the kernel so that
    // headers made in the same millisecond differ, and no thread's rand() sequence is disturbed.
    unsigned short draws[10] = {};
    if (!ZipRandomBytes(draws, sizeof(draws))) {
        for (int i = 0; i < 10; ++i) draws[i] = static_cast<unsigned short>(0x5A5A + 977 * i);
    }
    for (int i = 0; i < 10; ++i) {
        const unsigned r = draws[i] & 0x7FFF;
        unsigned char b = static_cast<unsigned char>((r >> 6) & 0xFF);
        if (b == 0) b = static_cast<unsigned char>(r & 0xFF);
        header[i] = b;
    }
    header[10] = static_cast<unsigned char>((checkValue >> 16) & 0xFF);
    header[11] = static_cast<unsigned char>((checkValue >> 24) & 0xFF);
    EncryptInPlace(header, 12);
}

bool PwdProtect::CheckHeader(const unsigned char header[12], unsigned dosTime, unsigned crc,
                             bool usesDataDescriptor)
{
    unsigned char plain[12];
    std::memcpy(plain, header, 12);
    DecryptInPlace(plain, 12);
    const unsigned expected = usesDataDescriptor ? (dosTime >> 8) & 0xFF : crc >> 24;
    return plain[11] == expected;
}
