#pragma once
// The file-format codecs behind ImageFile; private to the imaging layer.
//
// Decoders read a whole file held in memory, check the header's size against the limits before
// allocating, and fill an empty bitmap. Encoders take a bitmap already in the depth they write
// and append the file's bytes to an EncodedBytes buffer.

#include "platform/imaging/ImageBitmap.h"

#include <cstddef>

namespace imaging_internal {

// A growable byte buffer on malloc, usable from C callbacks: it never throws, and a failed
// append leaves it as it was and returns false.
struct EncodedBytes {
    BYTE* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;

    EncodedBytes() = default;
    ~EncodedBytes();
    EncodedBytes(const EncodedBytes&) = delete;
    EncodedBytes& operator=(const EncodedBytes&) = delete;
    bool Append(const void* bytes, std::size_t count);
};

// `wantBits` 0 gives the file's own kind (24, or 32 with transparency); 24 or 32 force it.
// A JPEG with a target size (0 = that direction is free) is decoded at the smallest DCT scale
// of 1/8, 1/4 and 1/2 that keeps at least twice the target in both directions, else whole.
int DecodeJpeg(const BYTE* data, std::size_t size, int wantBits, ImageBitmap* out, int targetWidth = 0,
               int targetHeight = 0);
// The scale numerator (over 8) DecodeJpeg picks for a picture of width x height.
int JpegScaleFor(long long width, long long height, int targetWidth, int targetHeight);
int DecodePng(const BYTE* data, std::size_t size, int wantBits, ImageBitmap* out);
int DecodeGif(const BYTE* data, std::size_t size, ImageBitmap* out);
int DecodeBmp(const BYTE* data, std::size_t size, ImageBitmap* out);

// Header-only look: width, height and whether loading gives 32 bits. Unknown fields stay 0.
void PeekHeaderSize(int format, const BYTE* data, std::size_t size, LONG* width, LONG* height, int* bitsPerPixel,
                    long long* decoderBytes = nullptr);

// JPEG from 8 (grey) or 24/32 (colour, alpha ignored) bits; `quality` on the 1..100 scale.
int EncodeJpeg(const ImageBitmap& bitmap, int quality, EncodedBytes* out);
// PNG from 8 (grey), 24 or 32 bits; `zlibLevel` 1..9.
int EncodePng(const ImageBitmap& bitmap, int zlibLevel, EncodedBytes* out);
// PNG with a palette from an indexed picture.
int EncodePalettePng(const BYTE* indices, int width, int height, const BYTE* paletteRgb, int paletteSize,
                     int transparentIndex, int zlibLevel, EncodedBytes* out);
int EncodeGif(const ImageBitmap& bitmap, EncodedBytes* out);
// BMP from 8, 24 or 32 bits.
int EncodeBmp(const ImageBitmap& bitmap, EncodedBytes* out);

}  // namespace imaging_internal
