#pragma once
// The library's one MD5 (RFC 1321). The digest works on a context the caller owns, so several
// digests can run side by side without shared state.

#include <cstdint>

// Fields of the RFC 1321 reference context.
struct Md5Context {
    std::uint32_t state[4];
    // Bits hashed so far, low word first.
    std::uint32_t count[2];
    unsigned char buffer[64];
};

// A null context is ignored.
void Md5Init(Md5Context* context);
// Null bytes or a count of 0 change nothing.
void Md5Update(Md5Context* context, const unsigned char* bytes, unsigned count);
// Writes the 16-byte digest and wipes the context to zero bytes; a null context is ignored.
void Md5Final(unsigned char digest[16], Md5Context* context);
// The compression step over one 64-byte block.
void Md5Transform(std::uint32_t state[4], const unsigned char block[64]);

// Digest of n bytes in one call.
void Md5Digest(const void* bytes, unsigned n, unsigned char digest[16]);
