// The packed block form of the code-page tables and the HTTP disk cache (tag, stored length, bzip2
// stream). What unpacks must pack and unpack to the same bytes.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/TorvaneBzip2.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataBuffer in;
    in.Append(data, unsigned(size));
    DataBuffer out;
    TorvaneBzip2 packer;
    if (!packer.Decompress(in, out)) return 0;

    DataBuffer packed;
    packer.Compress(out, packed);
    DataBuffer back;
    if (!packer.Decompress(packed, back) || back.GetSize() != out.GetSize() ||
        (out.GetSize() && std::memcmp(back.GetData(), out.GetData(), out.GetSize()) != 0)) {
        std::fprintf(stderr, "invariant: %u unpacked bytes do not survive packing\n", out.GetSize());
        std::abort();
    }
    return 0;
}
