// PNG decoder (libpng under our depth conversion), at the file's own depth and forced to 24 bits.
// Chunk checksums are set right first: libpng drops a chunk with a wrong one, which would stop
// almost every mutation at the first check.
#include "fuzz/ImageFuzz.h"

#include <vector>

namespace {

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void FixChunkCrcs(std::vector<uint8_t>& file) {
    size_t at = 8;
    while (at + 12 <= file.size()) {
        const size_t length = size_t(file[at]) << 24 | size_t(file[at + 1]) << 16 | size_t(file[at + 2]) << 8 | file[at + 3];
        if (length > file.size() - at - 12) break;
        const uint32_t crc = Crc32(file.data() + at + 4, length + 4);
        uint8_t* out = file.data() + at + 8 + length;
        out[0] = uint8_t(crc >> 24);
        out[1] = uint8_t(crc >> 16);
        out[2] = uint8_t(crc >> 8);
        out[3] = uint8_t(crc);
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    FixChunkCrcs(file);
    for (int wantBits : {0, 24}) {
        ImageBitmap bitmap;
        if (imaging_internal::DecodePng(file.data(), file.size(), wantBits, &bitmap) != IMAGING_SUCCESS) break;
        TouchPixels(bitmap);
    }
    return 0;
}
