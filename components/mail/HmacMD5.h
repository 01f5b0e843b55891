#pragma once
// The library's one MD5 (RFC 1321) and the HMAC-MD5 built on it (RFC 2104). The digest works on a
// context the caller owns, so several digests can run side by side without shared state.

#include <cstdint>

// Fields of the RFC 1321 reference context.
struct Md5Context {
    std::uint32_t state[4];
    // Bits hashed so far, low word first.
    std::uint32_t count[2];
    unsigned char buffer[64];
};

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
