#include "components/crypto/BlowfishCore.h"

#include "components/crypto/BlowfishTables.h"

#include <cstring>

namespace blowfish_core {
namespace {

inline std::uint32_t Feistel(const KeySchedule& k, std::uint32_t x)
{
    return ((k.s[0][x >> 24] + k.s[1][(x >> 16) & 0xFF]) ^ k.s[2][(x >> 8) & 0xFF]) + k.s[3][x & 0xFF];
}

} // namespace

void EncryptHalves(const KeySchedule& schedule, std::uint32_t& left, std::uint32_t& right)
{
    std::uint32_t l = left, r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= schedule.p[i];
        r ^= Feistel(schedule, l);
        r ^= schedule.p[i + 1];
        l ^= Feistel(schedule, r);
    }
    l ^= schedule.p[16];
    r ^= schedule.p[17];
    left = r;
    right = l;
}

void DecryptHalves(const KeySchedule& schedule, std::uint32_t& left, std::uint32_t& right)
{
    std::uint32_t l = left, r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= schedule.p[i];
        r ^= Feistel(schedule, l);
        r ^= schedule.p[i - 1];
        l ^= Feistel(schedule, r);
    }
    l ^= schedule.p[1];
    r ^= schedule.p[0];
    left = r;
    right = l;
}

bool SetupKey(KeySchedule& schedule, const unsigned char* key, int keyBytes)
{
    if (!key || keyBytes < 1 || keyBytes > 72)
        return false;
    std::memcpy(schedule.p, kBlowfishInitialP, sizeof schedule.p);
    std::memcpy(schedule.s, kBlowfishInitialS, sizeof schedule.s);
    int position = 0;
    for (int i = 0; i < 18; ++i) {
        std::uint32_t word = 0;
        for (int j = 0; j < 4; ++j) {
            word = (word << 8) | key[position];
            position = (position + 1) % keyBytes;
        }
        schedule.p[i] ^= word;
    }
    std::uint32_t left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncryptHalves(schedule, left, right);
        schedule.p[i] = left;
        schedule.p[i + 1] = right;
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; i += 2) {
            EncryptHalves(schedule, left, right);
            schedule.s[box][i] = left;
            schedule.s[box][i + 1] = right;
        }
    }
    return true;
}

} // namespace blowfish_core
