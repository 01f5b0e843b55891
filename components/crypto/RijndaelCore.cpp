#include "components/crypto/RijndaelCore.h"

#include <array>

namespace rijndael_core {
namespace {

using Table = std::array<std::uint32_t, 256>;

constexpr std::uint8_t Times2(std::uint8_t x) { return std::uint8_t((x << 1) ^ ((x & 0x80) ? 0x1B : 0)); }

constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b)
{
    std::uint8_t product = 0;
    while (b) {
        if (b & 1)
            product ^= a;
        a = Times2(a);
        b >>= 1;
    }
    return product;
}

constexpr std::uint8_t RotateByteLeft(std::uint8_t x, int n) { return std::uint8_t((x << n) | (x >> (8 - n))); }

// The S-box: multiplicative inverse in GF(2^8), then the affine map; walked along powers of 3.
constexpr std::array<std::uint8_t, 256> MakeSbox()
{
    std::array<std::uint8_t, 256> box {};
    std::uint8_t power = 1;
    std::uint8_t inversePower = 1;
    do {
        power = std::uint8_t(power ^ Times2(power));  // times 3
        // inverse of 3 is 0xF6: the inverse walks the other way
        inversePower = Multiply(inversePower, 0xF6);
        std::uint8_t x = inversePower;
        box[power] = std::uint8_t(x ^ RotateByteLeft(x, 1) ^ RotateByteLeft(x, 2) ^ RotateByteLeft(x, 3)
                                  ^ RotateByteLeft(x, 4) ^ 0x63);
    } while (power != 1);
    box[0] = 0x63;
    return box;
}

constexpr std::array<std::uint8_t, 256> kSbox = MakeSbox();

constexpr std::array<std::uint8_t, 256> MakeInverseSbox()
{
    std::array<std::uint8_t, 256> inverse {};
    for (int i = 0; i < 256; ++i)
        inverse[kSbox[i]] = std::uint8_t(i);
    return inverse;
}

constexpr std::array<std::uint8_t, 256> kInverseSbox = MakeInverseSbox();

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    return (std::uint32_t(b0) << 24) | (std::uint32_t(b1) << 16) | (std::uint32_t(b2) << 8) | b3;
}

constexpr std::uint32_t RotateRight(std::uint32_t x, int n) { return n == 0 ? x : (x >> n) | (x << (32 - n)); }

// Round tables: SubBytes and MixColumns of one byte as a column; the other three are rotations.
constexpr Table MakeForwardTable(int rotation)
{
    Table table {};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t s = kSbox[i];
        table[i] = RotateRight(Word(Multiply(s, 2), s, s, Multiply(s, 3)), rotation);
    }
    return table;
}

constexpr Table MakeInverseTable(int rotation)
{
    Table table {};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t s = kInverseSbox[i];
        table[i] = RotateRight(Word(Multiply(s, 14), Multiply(s, 9), Multiply(s, 13), Multiply(s, 11)), rotation);
    }
    return table;
}

constexpr Table kTe0 = MakeForwardTable(0);
constexpr Table kTe1 = MakeForwardTable(8);
constexpr Table kTe2 = MakeForwardTable(16);
constexpr Table kTe3 = MakeForwardTable(24);
constexpr Table kTd0 = MakeInverseTable(0);
constexpr Table kTd1 = MakeInverseTable(8);
constexpr Table kTd2 = MakeInverseTable(16);
constexpr Table kTd3 = MakeInverseTable(24);

static_assert(kSbox[0x00] == 0x63 && kSbox[0x53] == 0xED && kSbox[0xFF] == 0x16);

inline std::uint32_t Load(const unsigned char* p) { return Word(p[0], p[1], p[2], p[3]); }

inline void Store(std::uint32_t w, unsigned char* p)
{
    p[0] = std::uint8_t(w >> 24);
    p[1] = std::uint8_t(w >> 16);
    p[2] = std::uint8_t(w >> 8);
    p[3] = std::uint8_t(w);
}

inline std::uint32_t SubWord(std::uint32_t w)
{
    return Word(kSbox[w >> 24], kSbox[(w >> 16) & 0xFF], kSbox[(w >> 8) & 0xFF], kSbox[w & 0xFF]);
}

inline std::uint32_t InverseMixColumn(std::uint32_t w)
{
    // The inverse tables start with the inverse S-box; the forward S-box cancels it.
    return kTd0[kSbox[w >> 24]] ^ kTd1[kSbox[(w >> 16) & 0xFF]] ^ kTd2[kSbox[(w >> 8) & 0xFF]]
        ^ kTd3[kSbox[w & 0xFF]];
}

int RoundsForKey(int keyBytes)
{
    switch (keyBytes) {
    case 16:
        return 10;
    case 24:
        return 12;
    case 32:
        return 14;
    default:
        return 0;
    }
}

} // namespace

bool ExpandEncryptionKey(const unsigned char* key, int keyBytes, KeySchedule& out)
{
    int rounds = RoundsForKey(keyBytes);
    if (!key || rounds == 0)
        return false;
    int keyWords = keyBytes / 4;
    int totalWords = 4 * (rounds + 1);
    for (int i = 0; i < keyWords; ++i)
        out.words[i] = Load(key + 4 * i);
    std::uint8_t roundConstant = 1;
    for (int i = keyWords; i < totalWords; ++i) {
        std::uint32_t temp = out.words[i - 1];
        if (i % keyWords == 0) {
            temp = SubWord((temp << 8) | (temp >> 24)) ^ (std::uint32_t(roundConstant) << 24);
            roundConstant = Times2(roundConstant);
        } else if (keyWords > 6 && i % keyWords == 4) {
            temp = SubWord(temp);
        }
        out.words[i] = out.words[i - keyWords] ^ temp;
    }
    out.rounds = rounds;
    return true;
}

bool ExpandDecryptionKey(const unsigned char* key, int keyBytes, KeySchedule& out)
{
    KeySchedule forward;
    if (!ExpandEncryptionKey(key, keyBytes, forward))
        return false;
    int rounds = forward.rounds;
    for (int round = 0; round <= rounds; ++round) {
        for (int column = 0; column < 4; ++column) {
            std::uint32_t w = forward.words[4 * (rounds - round) + column];
            bool outer = round == 0 || round == rounds;
            out.words[4 * round + column] = outer ? w : InverseMixColumn(w);
        }
    }
    out.rounds = rounds;
    return true;
}

void EncryptBlock(const KeySchedule& schedule, const unsigned char in[16], unsigned char out[16])
{
    const std::uint32_t* rk = schedule.words;
    std::uint32_t s0 = Load(in) ^ rk[0];
    std::uint32_t s1 = Load(in + 4) ^ rk[1];
    std::uint32_t s2 = Load(in + 8) ^ rk[2];
    std::uint32_t s3 = Load(in + 12) ^ rk[3];
    for (int round = 1; round < schedule.rounds; ++round) {
        rk += 4;
        std::uint32_t t0 = kTe0[s0 >> 24] ^ kTe1[(s1 >> 16) & 0xFF] ^ kTe2[(s2 >> 8) & 0xFF] ^ kTe3[s3 & 0xFF] ^ rk[0];
        std::uint32_t t1 = kTe0[s1 >> 24] ^ kTe1[(s2 >> 16) & 0xFF] ^ kTe2[(s3 >> 8) & 0xFF] ^ kTe3[s0 & 0xFF] ^ rk[1];
        std::uint32_t t2 = kTe0[s2 >> 24] ^ kTe1[(s3 >> 16) & 0xFF] ^ kTe2[(s0 >> 8) & 0xFF] ^ kTe3[s1 & 0xFF] ^ rk[2];
        std::uint32_t t3 = kTe0[s3 >> 24] ^ kTe1[(s0 >> 16) & 0xFF] ^ kTe2[(s1 >> 8) & 0xFF] ^ kTe3[s2 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto finalColumn = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return Word(kSbox[a >> 24], kSbox[(b >> 16) & 0xFF], kSbox[(c >> 8) & 0xFF], kSbox[d & 0xFF]);
    };
    Store(finalColumn(s0, s1, s2, s3) ^ rk[0], out);
    Store(finalColumn(s1, s2, s3, s0) ^ rk[1], out + 4);
    Store(finalColumn(s2, s3, s0, s1) ^ rk[2], out + 8);
    Store(finalColumn(s3, s0, s1, s2) ^ rk[3], out + 12);
}

void DecryptBlock(const KeySchedule& schedule, const unsigned char in[16], unsigned char out[16])
{
    const std::uint32_t* rk = schedule.words;
    std::uint32_t s0 = Load(in) ^ rk[0];
    std::uint32_t s1 = Load(in + 4) ^ rk[1];
    std::uint32_t s2 = Load(in + 8) ^ rk[2];
    std::uint32_t s3 = Load(in + 12) ^ rk[3];
    for (int round = 1; round < schedule.rounds; ++round) {
        rk += 4;
        std::uint32_t t0 = kTd0[s0 >> 24] ^ kTd1[(s3 >> 16) & 0xFF] ^ kTd2[(s2 >> 8) & 0xFF] ^ kTd3[s1 & 0xFF] ^ rk[0];
        std::uint32_t t1 = kTd0[s1 >> 24] ^ kTd1[(s0 >> 16) & 0xFF] ^ kTd2[(s3 >> 8) & 0xFF] ^ kTd3[s2 & 0xFF] ^ rk[1];
        std::uint32_t t2 = kTd0[s2 >> 24] ^ kTd1[(s1 >> 16) & 0xFF] ^ kTd2[(s0 >> 8) & 0xFF] ^ kTd3[s3 & 0xFF] ^ rk[2];
        std::uint32_t t3 = kTd0[s3 >> 24] ^ kTd1[(s2 >> 16) & 0xFF] ^ kTd2[(s1 >> 8) & 0xFF] ^ kTd3[s0 & 0xFF] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    auto finalColumn = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return Word(kInverseSbox[a >> 24], kInverseSbox[(b >> 16) & 0xFF], kInverseSbox[(c >> 8) & 0xFF],
                    kInverseSbox[d & 0xFF]);
    };
    Store(finalColumn(s0, s3, s2, s1) ^ rk[0], out);
    Store(finalColumn(s1, s0, s3, s2) ^ rk[1], out + 4);
    Store(finalColumn(s2, s1, s0, s3) ^ rk[2], out + 8);
    Store(finalColumn(s3, s2, s1, s0) ^ rk[3], out + 12);
}

} // namespace rijndael_core
