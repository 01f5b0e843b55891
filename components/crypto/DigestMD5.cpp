#include "components/crypto/DigestMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"

#include <cstdint>
#include <cstring>

namespace {

// The RFC 1321 context and compression step, kept private until the mail library's MD5 context
// is available to drive instead.
struct Md5Context {
    std::uint32_t state[4];
    std::uint64_t bitCount;
    unsigned char block[64];
};

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Transform(std::uint32_t state[4], const unsigned char block[64])
{
    static const std::uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
    };
    static const int shifts[64] = {
        7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
        5, 9, 14, 20, 5, 9, 14, 20, 5, 9, 14, 20, 5, 9, 14, 20,
        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
    };
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = std::uint32_t(block[i * 4]) | (std::uint32_t(block[i * 4 + 1]) << 8)
            | (std::uint32_t(block[i * 4 + 2]) << 16) | (std::uint32_t(block[i * 4 + 3]) << 24);
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        std::uint32_t rotated = RotateLeft(a + f + k[i] + words[g], shifts[i]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Md5Init(Md5Context& context)
{
    context.state[0] = 0x67452301;
    context.state[1] = 0xEFCDAB89;
    context.state[2] = 0x98BADCFE;
    context.state[3] = 0x10325476;
    context.bitCount = 0;
}

void Md5Update(Md5Context& context, const unsigned char* bytes, std::size_t n)
{
    std::size_t used = std::size_t((context.bitCount >> 3) & 63);
    context.bitCount += std::uint64_t(n) << 3;
    std::size_t i = 0;
    if (used + n >= 64) {
        std::size_t fill = 64 - used;
        std::memcpy(context.block + used, bytes, fill);
        Transform(context.state, context.block);
        for (i = fill; i + 64 <= n; i += 64)
            Transform(context.state, bytes + i);
        used = 0;
    }
    if (i < n)
        std::memcpy(context.block + used, bytes + i, n - i);
}

void Md5Final(unsigned char digest[16], Md5Context& context)
{
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = (unsigned char)(context.bitCount >> (8 * i));
    std::size_t used = std::size_t((context.bitCount >> 3) & 63);
    std::size_t padding = used < 56 ? 56 - used : 120 - used;
    static const unsigned char pad[64] = { 0x80 };
    Md5Update(context, pad, padding);
    Md5Update(context, length, 8);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            digest[i * 4 + j] = (unsigned char)(context.state[i] >> (8 * j));
    }
    std::memset(&context, 0, sizeof context);
}

} // namespace

void DigestMD5::DigestBytes(const void* bytes, unsigned n, unsigned char digest[16]) const
{
    Md5Context context;
    Md5Init(context);
    if (bytes && n)
        Md5Update(context, static_cast<const unsigned char*>(bytes), n);
    Md5Final(digest, context);
}

void DigestMD5::DigestString(const torvane::StringBuffer& text, unsigned char digest[16]) const
{
    DigestBytes(text.GetText(), unsigned(text.GetLength()), digest);
}

void DigestMD5::DigestBuffer(const DataBuffer& data, unsigned char digest[16]) const
{
    DigestBytes(data.GetData(), data.GetSize(), digest);
}
