#pragma once
// The Rijndael block cipher with a 128-bit block (FIPS-197) over raw bytes: key expansion for the
// forward and the equivalent inverse cipher, and one-block transforms. Modes live in Rijndael2.

#include <cstdint>

namespace rijndael_core {

constexpr int kMaxRounds = 14;

struct KeySchedule {
    std::uint32_t words[4 * (kMaxRounds + 1)];
    int rounds;
};

// keyBytes must be 16, 24 or 32; false (and the schedule untouched) otherwise.
bool ExpandEncryptionKey(const unsigned char* key, int keyBytes, KeySchedule& out);
// Round keys in reverse order with InvMixColumns applied to the inner ones.
bool ExpandDecryptionKey(const unsigned char* key, int keyBytes, KeySchedule& out);

// in and out may be the same 16 bytes.
void EncryptBlock(const KeySchedule& schedule, const unsigned char in[16], unsigned char out[16]);
void DecryptBlock(const KeySchedule& schedule, const unsigned char in[16], unsigned char out[16]);

} // namespace rijndael_core
