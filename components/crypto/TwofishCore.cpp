#include "components/crypto/TwofishCore.h"

#include "components/foundation/HexDigits.h"

#include <array>
#include <cstring>

namespace {

using ByteTable = std::array<std::uint8_t, 256>;

// The 4-bit permutations from which the two fixed byte permutations q0 and q1 are built.
constexpr std::uint8_t kQ0Nibbles[4][16] = {
    { 0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4 },
    { 0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD },
    { 0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1 },
    { 0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA },
};
constexpr std::uint8_t kQ1Nibbles[4][16] = {
    { 0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5 },
    { 0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8 },
    { 0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF },
    { 0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA },
};

constexpr std::uint8_t RotateNibbleRight(std::uint8_t x) { return std::uint8_t(((x >> 1) | (x << 3)) & 0xF); }

constexpr ByteTable MakePermutation(const std::uint8_t (&t)[4][16])
{
    ByteTable q {};
    for (int x = 0; x < 256; ++x) {
        std::uint8_t a0 = std::uint8_t(x >> 4), b0 = std::uint8_t(x & 0xF);
        std::uint8_t a1 = a0 ^ b0;
        std::uint8_t b1 = std::uint8_t(a0 ^ RotateNibbleRight(b0) ^ ((a0 << 3) & 0xF));
        std::uint8_t a2 = t[0][a1], b2 = t[1][b1];
        std::uint8_t a3 = a2 ^ b2;
        std::uint8_t b3 = std::uint8_t(a2 ^ RotateNibbleRight(b2) ^ ((a2 << 3) & 0xF));
        std::uint8_t a4 = t[2][a3], b4 = t[3][b3];
        q[x] = std::uint8_t((b4 << 4) | a4);
    }
    return q;
}

constexpr ByteTable kQ0 = MakePermutation(kQ0Nibbles);
constexpr ByteTable kQ1 = MakePermutation(kQ1Nibbles);
static_assert(kQ0[0] == 0xA9 && kQ0[1] == 0x67 && kQ1[0] == 0x75 && kQ1[1] == 0xF3);

// Multiplication in GF(2^8) modulo the given polynomial (0x169 for MDS, 0x14D for RS).
constexpr std::uint8_t Multiply(std::uint8_t a, std::uint8_t b, unsigned polynomial)
{
    unsigned product = 0;
    unsigned x = a;
    while (b) {
        if (b & 1)
            product ^= x;
        x <<= 1;
        if (x & 0x100)
            x ^= polynomial;
        b >>= 1;
    }
    return std::uint8_t(product);
}

constexpr std::uint8_t kMds[4][4] = {
    { 0x01, 0xEF, 0x5B, 0x5B },
    { 0x5B, 0xEF, 0xEF, 0x01 },
    { 0xEF, 0x5B, 0x01, 0xEF },
    { 0xEF, 0x01, 0xEF, 0x5B },
};

constexpr std::uint8_t kRs[4][8] = {
    { 0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E },
    { 0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5 },
    { 0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19 },
    { 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03 },
};

// Column j of the MDS matrix times a byte, as a little-endian word.
constexpr std::uint32_t MdsColumn(int column, std::uint8_t value)
{
    std::uint32_t word = 0;
    for (int row = 0; row < 4; ++row)
        word |= std::uint32_t(Multiply(kMds[row][column], value, 0x169)) << (8 * row);
    return word;
}

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
constexpr std::uint32_t RotateRight(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline std::uint8_t ByteOf(std::uint32_t word, int index) { return std::uint8_t(word >> (8 * index)); }

// The byte substitutions of h: q-permutation layers interleaved with the key words (k of them).
std::uint8_t SubstituteByte(int index, std::uint8_t y, const std::uint32_t* keyWords, int k)
{
    // Which permutation each layer applies, outermost layer last; from the h function's diagram.
    static const ByteTable* const kLayers[4][5] = {
        { &kQ1, &kQ1, &kQ0, &kQ0, &kQ1 },
        { &kQ0, &kQ1, &kQ1, &kQ0, &kQ0 },
        { &kQ0, &kQ0, &kQ0, &kQ1, &kQ1 },
        { &kQ1, &kQ0, &kQ1, &kQ1, &kQ0 },
    };
    const ByteTable* const* layer = kLayers[index];
    if (k == 4)
        y = (*layer[0])[y] ^ ByteOf(keyWords[3], index);
    if (k >= 3)
        y = (*layer[1])[y] ^ ByteOf(keyWords[2], index);
    y = (*layer[2])[y] ^ ByteOf(keyWords[1], index);
    y = (*layer[3])[y] ^ ByteOf(keyWords[0], index);
    return (*layer[4])[y];
}

std::uint32_t FunctionH(std::uint32_t x, const std::uint32_t* keyWords, int k)
{
    std::uint32_t result = 0;
    for (int i = 0; i < 4; ++i)
        result ^= MdsColumn(i, SubstituteByte(i, ByteOf(x, i), keyWords, k));
    return result;
}

// RS matrix times eight key bytes: one word of the S-box key.
std::uint32_t ReedSolomonWord(std::uint32_t even, std::uint32_t odd)
{
    std::uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = ByteOf(even, i);
        bytes[i + 4] = ByteOf(odd, i);
    }
    std::uint32_t word = 0;
    for (int row = 0; row < 4; ++row) {
        std::uint8_t value = 0;
        for (int col = 0; col < 8; ++col)
            value ^= Multiply(kRs[row][col], bytes[col], 0x14D);
        word |= std::uint32_t(value) << (8 * row);
    }
    return word;
}

inline std::uint32_t FunctionG(const TwofishKeyInstance& key, std::uint32_t x)
{
    return key.sboxTables[0][ByteOf(x, 0)] ^ key.sboxTables[1][ByteOf(x, 1)] ^ key.sboxTables[2][ByteOf(x, 2)]
        ^ key.sboxTables[3][ByteOf(x, 3)];
}

inline std::uint32_t LoadWord(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

inline void StoreWord(std::uint32_t w, unsigned char* p)
{
    p[0] = std::uint8_t(w);
    p[1] = std::uint8_t(w >> 8);
    p[2] = std::uint8_t(w >> 16);
    p[3] = std::uint8_t(w >> 24);
}

void EncryptWords(const TwofishKeyInstance& key, std::uint32_t block[4])
{
    const std::uint32_t* k = key.subKeys;
    std::uint32_t x0 = block[0] ^ k[0], x1 = block[1] ^ k[1], x2 = block[2] ^ k[2], x3 = block[3] ^ k[3];
    for (int r = 0; r < 16; r += 2) {
        std::uint32_t t0 = FunctionG(key, x0);
        std::uint32_t t1 = FunctionG(key, RotateLeft(x1, 8));
        x2 = RotateRight(x2 ^ (t0 + t1 + k[8 + 2 * r]), 1);
        x3 = RotateLeft(x3, 1) ^ (t0 + 2 * t1 + k[9 + 2 * r]);
        t0 = FunctionG(key, x2);
        t1 = FunctionG(key, RotateLeft(x3, 8));
        x0 = RotateRight(x0 ^ (t0 + t1 + k[10 + 2 * r]), 1);
        x1 = RotateLeft(x1, 1) ^ (t0 + 2 * t1 + k[11 + 2 * r]);
    }
    block[0] = x2 ^ k[4];
    block[1] = x3 ^ k[5];
    block[2] = x0 ^ k[6];
    block[3] = x1 ^ k[7];
}

void DecryptWords(const TwofishKeyInstance& key, std::uint32_t block[4])
{
    const std::uint32_t* k = key.subKeys;
    std::uint32_t x2 = block[0] ^ k[4], x3 = block[1] ^ k[5], x0 = block[2] ^ k[6], x1 = block[3] ^ k[7];
    for (int r = 14; r >= 0; r -= 2) {
        std::uint32_t t0 = FunctionG(key, x2);
        std::uint32_t t1 = FunctionG(key, RotateLeft(x3, 8));
        x0 = RotateLeft(x0, 1) ^ (t0 + t1 + k[10 + 2 * r]);
        x1 = RotateRight(x1 ^ (t0 + 2 * t1 + k[11 + 2 * r]), 1);
        t0 = FunctionG(key, x0);
        t1 = FunctionG(key, RotateLeft(x1, 8));
        x2 = RotateLeft(x2, 1) ^ (t0 + t1 + k[8 + 2 * r]);
        x3 = RotateRight(x3 ^ (t0 + 2 * t1 + k[9 + 2 * r]), 1);
    }
    block[0] = x0 ^ k[0];
    block[1] = x1 ^ k[1];
    block[2] = x2 ^ k[2];
    block[3] = x3 ^ k[3];
}

// Pairs of digits become bytes (first digit high), bytes become little-endian words.
bool ParseHexWords(const char* text, int byteCount, std::uint32_t* words)
{
    for (int i = 0; i < byteCount; ++i) {
        int high = HexDigitValue(text[2 * i]);
        if (high < 0)
            return false;
        int low = HexDigitValue(text[2 * i + 1]);
        if (low < 0)
            return false;
        words[i / 4] |= std::uint32_t(high * 16 + low) << (8 * (i % 4));
    }
    return true;
}

} // namespace

int TwofishMakeKey(TwofishKeyInstance* key, int direction, int keyBits, const char* keyText)
{
    if (!key)
        return kTwofishBadKeyInstance;
    if (direction != kTwofishDirEncrypt && direction != kTwofishDirDecrypt)
        return kTwofishBadKeyDirection;
    if (keyBits <= 0 || keyBits > 256)
        return kTwofishBadKeyMaterial;
    std::memset(key->key32, 0, sizeof key->key32);
    key->keyText[0] = 0;
    key->direction = direction;
    key->keyLength = keyBits <= 128 ? 128 : (keyBits + 63) & ~63;
    key->rounds = 16;
    if (!keyText || !*keyText)
        return kTwofishOk;

    int digits = (keyBits + 3) / 4;
    if (int(std::strlen(keyText)) < digits)
        return kTwofishBadKeyMaterial;
    std::uint32_t words[8] = {};
    // A key of an odd number of digits cannot be split into bytes; take whole bytes only.
    if (!ParseHexWords(keyText, digits / 2, words))
        return kTwofishBadKeyMaterial;
    std::memcpy(key->key32, words, sizeof words);
    std::memcpy(key->keyText, keyText, std::size_t(digits));
    key->keyText[digits] = 0;
    return TwofishReKey(key);
}

int TwofishReKey(TwofishKeyInstance* key)
{
    if (!key || key->keyLength < 128 || key->keyLength > 256 || key->keyLength % 64 != 0)
        return kTwofishBadKeyInstance;
    int k = key->keyLength / 64;
    std::uint32_t even[4], odd[4];
    for (int i = 0; i < k; ++i) {
        even[i] = key->key32[2 * i];
        odd[i] = key->key32[2 * i + 1];
        // The S-box key words run in reverse order.
        key->sboxKeys[k - 1 - i] = ReedSolomonWord(even[i], odd[i]);
    }
    for (int i = 0; i < 20; ++i) {
        const std::uint32_t step = 0x01010101;
        std::uint32_t a = FunctionH(std::uint32_t(2 * i) * step, even, k);
        std::uint32_t b = RotateLeft(FunctionH(std::uint32_t(2 * i + 1) * step, odd, k), 8);
        key->subKeys[2 * i] = a + b;
        key->subKeys[2 * i + 1] = RotateLeft(a + 2 * b, 9);
    }
    for (int index = 0; index < 4; ++index) {
        for (int value = 0; value < 256; ++value) {
            std::uint8_t substituted = SubstituteByte(index, std::uint8_t(value), key->sboxKeys, k);
            key->sboxTables[index][value] = MdsColumn(index, substituted);
        }
    }
    return kTwofishOk;
}

int TwofishCipherInit(TwofishCipherInstance* cipher, int mode, const char* ivText)
{
    if (!cipher)
        return kTwofishBadCipherMode;
    if (mode != kTwofishModeEcb && mode != kTwofishModeCbc)
        return kTwofishBadCipherMode;
    if (mode != kTwofishModeEcb && ivText) {
        if (std::strlen(ivText) < 32)
            return kTwofishBadIvMaterial;
        std::uint32_t words[4] = {};
        if (!ParseHexWords(ivText, 16, words))
            return kTwofishBadIvMaterial;
        for (int i = 0; i < 4; ++i) {
            cipher->iv32[i] = words[i];
            StoreWord(words[i], cipher->iv + 4 * i);
        }
    }
    cipher->mode = mode;
    return kTwofishOk;
}

int TwofishBlockEncrypt(TwofishCipherInstance* cipher, const TwofishKeyInstance* key, const unsigned char* input,
                        int inputBits, unsigned char* output)
{
    if (!cipher || !key)
        return kTwofishBadKeyInstance;
    if (inputBits <= 0 || !input || !output)
        return 0;
    int blocks = inputBits / 128;
    bool chained = cipher->mode == kTwofishModeCbc;
    for (int n = 0; n < blocks; ++n) {
        std::uint32_t block[4];
        for (int i = 0; i < 4; ++i) {
            block[i] = LoadWord(input + 16 * n + 4 * i);
            if (chained)
                block[i] ^= cipher->iv32[i];
        }
        EncryptWords(*key, block);
        for (int i = 0; i < 4; ++i) {
            StoreWord(block[i], output + 16 * n + 4 * i);
            if (chained)
                cipher->iv32[i] = block[i];
        }
    }
    if (chained) {
        for (int i = 0; i < 4; ++i)
            StoreWord(cipher->iv32[i], cipher->iv + 4 * i);
    }
    return blocks * 128;
}

int TwofishBlockDecrypt(TwofishCipherInstance* cipher, const TwofishKeyInstance* key, const unsigned char* input,
                        int inputBits, unsigned char* output)
{
    if (!cipher || !key)
        return kTwofishBadKeyInstance;
    if (inputBits <= 0 || !input || !output)
        return 0;
    int blocks = inputBits / 128;
    bool chained = cipher->mode == kTwofishModeCbc;
    for (int n = 0; n < blocks; ++n) {
        std::uint32_t cipherWords[4], block[4];
        for (int i = 0; i < 4; ++i)
            block[i] = cipherWords[i] = LoadWord(input + 16 * n + 4 * i);
        DecryptWords(*key, block);
        for (int i = 0; i < 4; ++i) {
            if (chained) {
                block[i] ^= cipher->iv32[i];
                cipher->iv32[i] = cipherWords[i];
            }
            StoreWord(block[i], output + 16 * n + 4 * i);
        }
    }
    if (chained) {
        for (int i = 0; i < 4; ++i)
            StoreWord(cipher->iv32[i], cipher->iv + 4 * i);
    }
    return blocks * 128;
}
