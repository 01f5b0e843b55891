#pragma once
// MD5 digest (RFC 1321) of a whole string or buffer in one call; no state between calls.

class DataBuffer;
namespace torvane {
class StringBuffer;
}

class DigestMD5 {
public:
    DigestMD5() = default;
    virtual ~DigestMD5() = default;

    // Digest of the text's stored length (NUL bytes inside included), without the terminator.
    void DigestString(const torvane::StringBuffer& text, unsigned char digest[16]) const;
    void DigestBuffer(const DataBuffer& data, unsigned char digest[16]) const;
    void DigestBytes(const void* bytes, unsigned n, unsigned char digest[16]) const;
};
