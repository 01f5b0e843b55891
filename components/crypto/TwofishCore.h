#pragma once
// The Twofish block cipher (128-bit block, 16 rounds) behind the key-instance / cipher-instance
// interface of the AES candidates: make a key, initialise a cipher, run whole blocks. Key and IV
// may be given as hexadecimal text or set as raw words followed by TwofishReKey.

#include <cstdint>

enum TwofishResult : int {
    kTwofishOk = 1,
    kTwofishBadKeyDirection = -1,
    kTwofishBadKeyMaterial = -2,
    kTwofishBadKeyInstance = -3,
    kTwofishBadCipherMode = -4,
    kTwofishBadInputLength = -6,
    kTwofishBadIvMaterial = -8,
};

enum : int { kTwofishDirEncrypt = 0, kTwofishDirDecrypt = 1 };
enum : int { kTwofishModeEcb = 1, kTwofishModeCbc = 2 };

struct TwofishKeyInstance {
    int direction;
    // Bits, rounded up to a multiple of 64 (at least 128).
    int keyLength;
    int rounds;
    char keyText[65];
    // Raw key as little-endian words; bytes past the key length stay zero.
    std::uint32_t key32[8];
    std::uint32_t subKeys[40];
    std::uint32_t sboxKeys[4];
    // Key-dependent S-boxes folded with the MDS matrix, one table per input byte.
    std::uint32_t sboxTables[4][256];
};

struct TwofishCipherInstance {
    int mode;
    unsigned char iv[16];
    std::uint32_t iv32[4];
};

// A null or empty key text leaves the raw key zero and builds no schedule (set key32, then ReKey).
int TwofishMakeKey(TwofishKeyInstance* key, int direction, int keyBits, const char* keyText);
int TwofishReKey(TwofishKeyInstance* key);
int TwofishCipherInit(TwofishCipherInstance* cipher, int mode, const char* ivText);
// Whole 16-byte blocks only; in CBC the instance's IV advances, so consecutive calls form one chain.
// Returns the bits processed. input and output may be the same memory.
int TwofishBlockEncrypt(TwofishCipherInstance* cipher, const TwofishKeyInstance* key, const unsigned char* input,
                        int inputBits, unsigned char* output);
int TwofishBlockDecrypt(TwofishCipherInstance* cipher, const TwofishKeyInstance* key, const unsigned char* input,
                        int inputBits, unsigned char* output);
