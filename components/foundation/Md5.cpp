#include "components/foundation/Md5.h"

#include <cstddef>
#include <cstring>

namespace {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t LoadLittleEndian(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

inline void StoreLittleEndian(std::uint32_t value, unsigned char* p)
{
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
    p[2] = (unsigned char)(value >> 16);
    p[3] = (unsigned char)(value >> 24);
}

// Sines of the step numbers, as RFC 1321 tabulates them.
constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr int kShifts[4][4] = { { 7, 12, 17, 22 }, { 5, 9, 14, 20 }, { 4, 11, 16, 23 }, { 6, 10, 15, 21 } };

} // namespace

void Md5Transform(std::uint32_t state[4], const unsigned char block[64])
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLittleEndian(block + 4 * i);

    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        int round = i / 16;
        std::uint32_t f;
        int word;
        switch (round) {
        case 0:
            f = (b & c) | (~b & d);
            word = i;
            break;
        case 1:
            f = (b & d) | (c & ~d);
            word = (5 * i + 1) & 15;
            break;
        case 2:
            f = b ^ c ^ d;
            word = (3 * i + 5) & 15;
            break;
        default:
            f = c ^ (b | ~d);
            word = (7 * i) & 15;
            break;
        }
        std::uint32_t next = b + RotateLeft(a + f + kSines[i] + x[word], kShifts[round][i & 3]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Md5Init(Md5Context* context)
{
    if (!context)
        return;
    context->count[0] = context->count[1] = 0;
    context->state[0] = 0x67452301;
    context->state[1] = 0xEFCDAB89;
    context->state[2] = 0x98BADCFE;
    context->state[3] = 0x10325476;
}

void Md5Update(Md5Context* context, const unsigned char* bytes, unsigned count)
{
    if (!context || !bytes || count == 0)
        return;
    unsigned used = (context->count[0] >> 3) & 63;
    std::uint32_t addedBits = std::uint32_t(count) << 3;
    context->count[0] += addedBits;
    if (context->count[0] < addedBits)
        ++context->count[1];
    context->count[1] += std::uint32_t(count) >> 29;

    unsigned room = 64 - used;
    unsigned i = 0;
    if (count >= room) {
        std::memcpy(context->buffer + used, bytes, room);
        Md5Transform(context->state, context->buffer);
        for (i = room; count - i >= 64; i += 64)
            Md5Transform(context->state, bytes + i);
        used = 0;
    }
    std::memcpy(context->buffer + used, bytes + i, count - i);
}

void Md5Final(unsigned char digest[16], Md5Context* context)
{
    if (!context)
        return;
    unsigned char bitCount[8];
    StoreLittleEndian(context->count[0], bitCount);
    StoreLittleEndian(context->count[1], bitCount + 4);

    static const unsigned char kPadding[64] = { 0x80 };
    unsigned used = (context->count[0] >> 3) & 63;
    unsigned padLength = used < 56 ? 56 - used : 120 - used;
    Md5Update(context, kPadding, padLength);
    Md5Update(context, bitCount, 8);

    if (digest) {
        for (int i = 0; i < 4; ++i)
            StoreLittleEndian(context->state[i], digest + 4 * i);
    }
    // The context held a copy of the secret data; leave nothing of it behind.
    volatile unsigned char* wipe = reinterpret_cast<volatile unsigned char*>(context);
    for (std::size_t i = 0; i < sizeof(Md5Context); ++i)
        wipe[i] = 0;
}

void Md5Digest(const void* bytes, unsigned n, unsigned char digest[16])
{
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, static_cast<const unsigned char*>(bytes), n);
    Md5Final(digest, &context);
}
