#include "components/zip/ZipAesPrimitives.h"

#include <cstring>

bool AesSetEncryptKey(const unsigned char* key, unsigned keyLength, AesContext* context)
{
    if (context == nullptr) return false;
    context->keyed = false;
    unsigned bytes = keyLength;
    if (keyLength == 128 || keyLength == 192 || keyLength == 256) bytes = keyLength / 8;
    if (key == nullptr || (bytes != 16 && bytes != 24 && bytes != 32)) return false;
    if (!rijndael_core::ExpandEncryptionKey(key, int(bytes), context->schedule)) return false;
    context->keyed = true;
    return true;
}

bool AesEncryptBlock(const unsigned char in[16], unsigned char out[16], const AesContext* context)
{
    if (context == nullptr || !context->keyed || in == nullptr || out == nullptr) return false;
    rijndael_core::EncryptBlock(context->schedule, in, out);
    return true;
}

namespace {

inline std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t LoadBe32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

inline void StoreBe32(unsigned char* p, std::uint32_t v)
{
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

} // namespace

void Sha1Begin(Sha1Context* context)
{
    context->count[0] = context->count[1] = 0;
    context->hash[0] = 0x67452301u;
    context->hash[1] = 0xEFCDAB89u;
    context->hash[2] = 0x98BADCFEu;
    context->hash[3] = 0x10325476u;
    context->hash[4] = 0xC3D2E1F0u;
}

void Sha1Compile(Sha1Context* context)
{
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe32(context->block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);

    std::uint32_t a = context->hash[0], b = context->hash[1], c = context->hash[2], d = context->hash[3],
                  e = context->hash[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t t = Rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = t;
    }
    context->hash[0] += a;
    context->hash[1] += b;
    context->hash[2] += c;
    context->hash[3] += d;
    context->hash[4] += e;
}

void Sha1Hash(const unsigned char* data, unsigned long length, Sha1Context* context)
{
    if (data == nullptr || length == 0) return;
    unsigned used = context->count[0] & (kSha1BlockSize - 1);
    const std::uint32_t low = context->count[0];
    context->count[0] += std::uint32_t(length);
    context->count[1] += std::uint32_t(std::uint64_t(length) >> 32);
    if (context->count[0] < low) ++context->count[1];

    while (length > 0) {
        const unsigned take = unsigned(length < kSha1BlockSize - used ? length : kSha1BlockSize - used);
        std::memcpy(context->block + used, data, take);
        used += take;
        data += take;
        length -= take;
        if (used == kSha1BlockSize) {
            Sha1Compile(context);
            used = 0;
        }
    }
}

void Sha1End(unsigned char digest[kSha1DigestSize], Sha1Context* context)
{
    unsigned used = context->count[0] & (kSha1BlockSize - 1);
    const std::uint32_t bitsHigh = (context->count[1] << 3) | (context->count[0] >> 29);
    const std::uint32_t bitsLow = context->count[0] << 3;

    context->block[used++] = 0x80;
    if (used > kSha1BlockSize - 8) {
        std::memset(context->block + used, 0, kSha1BlockSize - used);
        Sha1Compile(context);
        used = 0;
    }
    std::memset(context->block + used, 0, kSha1BlockSize - 8 - used);
    StoreBe32(context->block + 56, bitsHigh);
    StoreBe32(context->block + 60, bitsLow);
    Sha1Compile(context);
    for (int i = 0; i < 5; ++i) StoreBe32(digest + 4 * i, context->hash[i]);
}

void HmacSha1Begin(HmacSha1Context* context) { std::memset(context, 0, sizeof(*context)); }

int HmacSha1Key(const unsigned char* key, unsigned long length, HmacSha1Context* context)
{
    if (context->keyLength < 0) return -1;
    if (key == nullptr || length == 0) return 0;
    const unsigned long total = (unsigned long)context->keyLength + length;
    if (total <= kSha1BlockSize) {
        std::memcpy(context->key + context->keyLength, key, length);
    } else {
        // Too long for the key block: hash what is held so far and everything that follows.
        if (context->keyLength <= long(kSha1BlockSize)) {
            Sha1Begin(&context->sha);
            Sha1Hash(context->key, (unsigned long)context->keyLength, &context->sha);
        }
        Sha1Hash(key, length, &context->sha);
    }
    context->keyLength = long(total);
    return 0;
}

namespace {

void CloseKey(HmacSha1Context* context)
{
    if (context->keyLength > long(kSha1BlockSize)) {
        Sha1End(context->key, &context->sha);
        context->keyLength = kSha1DigestSize;
    }
    std::memset(context->key + context->keyLength, 0, kSha1BlockSize - (unsigned long)context->keyLength);
    for (unsigned i = 0; i < kSha1BlockSize; ++i) context->key[i] ^= 0x36;
    Sha1Begin(&context->sha);
    Sha1Hash(context->key, kSha1BlockSize, &context->sha);
    context->keyLength = -1;
}

} // namespace

void HmacSha1Data(const unsigned char* data, unsigned long length, HmacSha1Context* context)
{
    if (context->keyLength >= 0) CloseKey(context);
    Sha1Hash(data, length, &context->sha);
}

void HmacSha1End(unsigned char* out, unsigned long outLength, HmacSha1Context* context)
{
    if (context->keyLength >= 0) CloseKey(context);
    unsigned char digest[kSha1DigestSize];
    Sha1End(digest, &context->sha);
    // 0x36 ^ 0x5C turns the inner pad into the outer one.
    for (unsigned i = 0; i < kSha1BlockSize; ++i) context->key[i] ^= 0x36 ^ 0x5C;
    Sha1Begin(&context->sha);
    Sha1Hash(context->key, kSha1BlockSize, &context->sha);
    Sha1Hash(digest, kSha1DigestSize, &context->sha);
    Sha1End(digest, &context->sha);
    if (out != nullptr) std::memcpy(out, digest, outLength < kSha1DigestSize ? outLength : kSha1DigestSize);
}

void DeriveKeyPbkdf2(const unsigned char* password, unsigned long passwordLength, const unsigned char* salt,
                     unsigned long saltLength, unsigned iterations, unsigned char* out, unsigned long outLength)
{
    if (out == nullptr) return;
    HmacSha1Context keyed;
    HmacSha1Begin(&keyed);
    HmacSha1Key(password, passwordLength, &keyed);
    HmacSha1Data(nullptr, 0, &keyed);  // close the key once; copies start from here
    HmacSha1Context keyedSalt = keyed;
    HmacSha1Data(salt, saltLength, &keyedSalt);

    std::uint32_t blockIndex = 1;
    unsigned long produced = 0;
    while (produced < outLength) {
        unsigned char u[kSha1DigestSize];
        unsigned char sum[kSha1DigestSize];
        unsigned char counter[4];
        StoreBe32(counter, blockIndex);

        HmacSha1Context context = keyedSalt;
        HmacSha1Data(counter, 4, &context);
        HmacSha1End(u, kSha1DigestSize, &context);
        std::memcpy(sum, u, kSha1DigestSize);
        for (unsigned j = 1; j < iterations; ++j) {
            context = keyed;
            HmacSha1Data(u, kSha1DigestSize, &context);
            HmacSha1End(u, kSha1DigestSize, &context);
            for (unsigned i = 0; i < kSha1DigestSize; ++i) sum[i] ^= u[i];
        }
        const unsigned long take = outLength - produced < kSha1DigestSize ? outLength - produced : kSha1DigestSize;
        std::memcpy(out + produced, sum, take);
        produced += take;
        ++blockIndex;
    }
}
