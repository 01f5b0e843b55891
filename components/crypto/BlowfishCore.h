#pragma once
// The Blowfish block cipher (64-bit block, 16 rounds) over two 32-bit halves. How the halves are
// read from bytes is the caller's choice (BlowFish reads them little-endian).

#include <cstdint>

namespace blowfish_core {

struct KeySchedule {
    std::uint32_t p[18];
    std::uint32_t s[4][256];
};

// keyBytes is 1 to 72 (the published schedule cycles through them); false for anything else.
bool SetupKey(KeySchedule& schedule, const unsigned char* key, int keyBytes);

void EncryptHalves(const KeySchedule& schedule, std::uint32_t& left, std::uint32_t& right);
void DecryptHalves(const KeySchedule& schedule, std::uint32_t& left, std::uint32_t& right);

} // namespace blowfish_core
