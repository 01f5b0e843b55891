#pragma once
// A byte buffer packed into one self-describing block in memory: the tag E1 A7 94 B3, the
// uncompressed length (32-bit little-endian), then a bzip2 stream of block size 3. An empty buffer
// is an empty block. The stored code-page tables and the HTTP disk cache use this form.

class DataBuffer;

class TorvaneBzip2 {
public:
    static constexpr unsigned kTag = 0xB394A7E1u;

    TorvaneBzip2() = default;
    virtual ~TorvaneBzip2() = default;

    // Replaces `out` with the block of `in`. Only a failed allocation can leave `out` empty.
    void Compress(const DataBuffer& in, DataBuffer& out);
    // Replaces `out` with the unpacked bytes. A short header or a wrong tag gives false with `out`
    // untouched; a corrupt stream, or one that unpacks to more than the stored length + 20 bytes,
    // gives false with `out` empty. The output grows with the stream; the stored length is only
    // its upper bound.
    bool Decompress(const DataBuffer& in, DataBuffer& out);
};
