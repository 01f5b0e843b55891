#include "components/mail/HmacMD5.h"

#include <cstring>

void HmacMD5::Md5Init(Md5Context* context) const { ::Md5Init(context); }

void HmacMD5::Md5Update(Md5Context* context, const unsigned char* bytes, unsigned count) const
{
    ::Md5Update(context, bytes, count);
}

void HmacMD5::Md5Final(unsigned char digest[16], Md5Context* context) const { ::Md5Final(digest, context); }

void HmacMD5::Transform(std::uint32_t state[4], const unsigned char block[64]) { Md5Transform(state, block); }

void HmacMD5::HmacMd5(const unsigned char* data, int dataLength, const unsigned char* key, int keyLength,
                      unsigned char digest[16]) const
{
    if (!digest)
        return;
    if (!data || dataLength < 0)
        dataLength = 0;
    if (!key || keyLength < 0)
        keyLength = 0;

    unsigned char hashedKey[16];
    if (keyLength > 64) {
        Md5Context keyContext;
        Md5Init(&keyContext);
        Md5Update(&keyContext, key, unsigned(keyLength));
        Md5Final(hashedKey, &keyContext);
        key = hashedKey;
        keyLength = 16;
    }

    unsigned char innerPad[64] = {};
    unsigned char outerPad[64] = {};
    if (keyLength > 0) {
        std::memcpy(innerPad, key, std::size_t(keyLength));
        std::memcpy(outerPad, key, std::size_t(keyLength));
    }
    for (int i = 0; i < 64; ++i) {
        innerPad[i] ^= 0x36;
        outerPad[i] ^= 0x5C;
    }

    unsigned char innerDigest[16];
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, innerPad, 64);
    Md5Update(&context, data, unsigned(dataLength));
    Md5Final(innerDigest, &context);

    Md5Init(&context);
    Md5Update(&context, outerPad, 64);
    Md5Update(&context, innerDigest, 16);
    Md5Final(digest, &context);

    std::memset(innerPad, 0, sizeof innerPad);
    std::memset(outerPad, 0, sizeof outerPad);
    std::memset(hashedKey, 0, sizeof hashedKey);
}
