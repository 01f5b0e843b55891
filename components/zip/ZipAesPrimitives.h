#pragma once
// The published primitives behind AES-encrypted zip entries: the AES block cipher (encrypt
// direction only; counter mode never deciphers), SHA-1, HMAC-SHA-1 and PBKDF2-HMAC-SHA-1. Plain
// functions over caller-owned context records; none allocates.

#include "components/crypto/RijndaelCore.h"

#include <cstdint>

struct AesContext {
    rijndael_core::KeySchedule schedule;
    bool keyed = false;
};

// keyLength in bytes (16, 24, 32) or bits (128, 192, 256); anything else leaves the context
// unkeyed and returns false.
bool AesSetEncryptKey(const unsigned char* key, unsigned keyLength, AesContext* context);
// False, writing nothing, when the context is not keyed. in and out may be the same memory.
bool AesEncryptBlock(const unsigned char in[16], unsigned char out[16], const AesContext* context);

constexpr unsigned kSha1DigestSize = 20;
constexpr unsigned kSha1BlockSize = 64;

struct Sha1Context {
    std::uint32_t count[2];  // bytes hashed: low, high
    std::uint32_t hash[5];
    unsigned char block[kSha1BlockSize];
};

void Sha1Begin(Sha1Context* context);
void Sha1Hash(const unsigned char* data, unsigned long length, Sha1Context* context);
void Sha1End(unsigned char digest[kSha1DigestSize], Sha1Context* context);
void Sha1Compile(Sha1Context* context);

struct HmacSha1Context {
    unsigned char key[kSha1BlockSize];
    Sha1Context sha;
    long keyLength;  // -1 once the key is closed and data may follow
};

void HmacSha1Begin(HmacSha1Context* context);
// Returns 0, or -1 when data has already been added.
int HmacSha1Key(const unsigned char* key, unsigned long length, HmacSha1Context* context);
void HmacSha1Data(const unsigned char* data, unsigned long length, HmacSha1Context* context);
// Writes the first outLength bytes (at most 20) of the result.
void HmacSha1End(unsigned char* out, unsigned long outLength, HmacSha1Context* context);

void DeriveKeyPbkdf2(const unsigned char* password, unsigned long passwordLength, const unsigned char* salt,
                     unsigned long saltLength, unsigned iterations, unsigned char* out, unsigned long outLength);
