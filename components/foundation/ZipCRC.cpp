#include "components/foundation/ZipCRC.h"

#include <array>

namespace {

// Built once at first use; the initialisation of a function-local static is thread-safe.
const std::array<DWORD, 256>& CrcTable()
{
    static const std::array<DWORD, 256> table = [] {
        std::array<DWORD, 256> values {};
        for (DWORD i = 0; i < 256; ++i) {
            DWORD value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            values[i] = value;
        }
        return values;
    }();
    return table;
}

DWORD AddBytes(DWORD crc, const unsigned char* bytes, DWORD n)
{
    const auto& table = CrcTable();
    for (DWORD i = 0; i < n; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

} // namespace

ZipCRC::ZipCRC() { CrcTable(); }

void ZipCRC::Update(const void* bytes, DWORD n)
{
    if (!bytes || n == 0)
        return;
    m_value = AddBytes(m_value, static_cast<const unsigned char*>(bytes), n);
}

DWORD ZipCRC::CrcOfBytes(const void* bytes, DWORD n) const
{
    if (!bytes || n == 0)
        return 0;
    return ~AddBytes(0xFFFFFFFFu, static_cast<const unsigned char*>(bytes), n);
}
