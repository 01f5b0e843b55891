#include "components/foundation/TorvaneBzip2.h"

#include "components/foundation/DataBuffer.h"

#include <bzlib.h>

namespace {

constexpr unsigned kHeaderSize = 8;
constexpr int kBlockSize100k = 3;
// bzip2 never asks for more than the stored length plus this slack.
constexpr unsigned long long kDecompressSlack = 20;
constexpr unsigned long long kFirstOutputSize = 64 * 1024;

unsigned ReadLittleEndian32(const unsigned char* bytes)
{
    return unsigned(bytes[0]) | (unsigned(bytes[1]) << 8) | (unsigned(bytes[2]) << 16) | (unsigned(bytes[3]) << 24);
}

void WriteLittleEndian32(unsigned value, unsigned char* bytes)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = (unsigned char)(value >> (8 * i));
}

} // namespace

void TorvaneBzip2::Compress(const DataBuffer& in, DataBuffer& out)
{
    out.Empty();
    unsigned n = in.GetSize();
    if (n == 0)
        return;
    // Above bzip2's worst case (1% + 600 bytes), so the stream always fits.
    unsigned long long capacity = (unsigned long long)n + n / 99 + 800;
    if (capacity > 0xFFFFFFFFull || !out.EnsureCapacity(unsigned(capacity)))
        return;
    unsigned char* block = out.GetData();
    WriteLittleEndian32(kTag, block);
    WriteLittleEndian32(n, block + 4);
    unsigned streamLength = unsigned(capacity) - kHeaderSize;
    int result = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(block + kHeaderSize), &streamLength,
        const_cast<char*>(reinterpret_cast<const char*>(in.GetData())), n, kBlockSize100k, 0, 0);
    if (result != BZ_OK)
        return;
    out.SetSize(kHeaderSize + streamLength);
}

bool TorvaneBzip2::Decompress(const DataBuffer& in, DataBuffer& out)
{
    unsigned n = in.GetSize();
    if (n == 0) {
        out.Empty();
        return true;
    }
    const unsigned char* block = in.GetData();
    if (n < kHeaderSize || ReadLittleEndian32(block) != kTag)
        return false;
    out.Empty();
    // The stored length is only a claim: the output grows with what the stream really gives,
    // never past the claim and its slack.
    unsigned long long limit = (unsigned long long)ReadLittleEndian32(block + 4) + kDecompressSlack;
    bz_stream stream {};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return false;
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(block + kHeaderSize));
    stream.avail_in = n - kHeaderSize;
    unsigned long long produced = 0;
    bool ended = false;
    while (!ended) {
        unsigned long long usable = out.GetData() ? out.GetCapacity() : 0;
        if (usable > limit)
            usable = limit;
        if (produced == usable) {
            if (produced >= limit)
                break;
            unsigned long long grown = produced < kFirstOutputSize ? kFirstOutputSize : produced * 2;
            if (grown > limit)
                grown = limit;
            if (grown > 0xFFFFFFFFull || !out.EnsureCapacity(unsigned(grown)))
                break;
            usable = grown;
        }
        unsigned room = unsigned(usable - produced);
        stream.next_out = reinterpret_cast<char*>(out.GetData() + produced);
        stream.avail_out = room;
        int result = BZ2_bzDecompress(&stream);
        produced += room - stream.avail_out;
        out.SetSize(unsigned(produced));
        if (result == BZ_STREAM_END)
            ended = true;
        else if (result != BZ_OK || (stream.avail_out > 0 && stream.avail_in == 0))
            break; // damaged, or cut short
    }
    BZ2_bzDecompressEnd(&stream);
    if (!ended) {
        out.Empty();
        return false;
    }
    return true;
}
