#pragma once
// HMAC-MD5 (RFC 2104) over the library's MD5, which lives in the foundation; the MD5 calls here
// forward to it.

#include "components/foundation/Md5.h"

#include <cstdint>

class HmacMD5 {
public:
    HmacMD5() = default;
    virtual ~HmacMD5() = default;

    // A null context is ignored.
    void Md5Init(Md5Context* context) const;
    // Null bytes or a count of 0 change nothing.
    void Md5Update(Md5Context* context, const unsigned char* bytes, unsigned count) const;
    // Writes the 16-byte digest and wipes the context to zero bytes; a null context is ignored.
    void Md5Final(unsigned char digest[16], Md5Context* context) const;

    // The compression step over one 64-byte block.
    static void Transform(std::uint32_t state[4], const unsigned char block[64]);

    // HMAC-MD5 of the data under the key; a key longer than the 64-byte block is hashed first.
    // Null data or key pointers count as empty.
    void HmacMd5(const unsigned char* data, int dataLength, const unsigned char* key, int keyLength,
                 unsigned char digest[16]) const;
};
