#pragma once
// Helpers shared by the imaging layer's sources; not part of its interface.

#include "platform/imaging/ImageBitmap.h"

#include <cstdint>
#include <string>

namespace imaging_internal {

// Records the detail text for GetImagingErrorDetail and returns `code`, so failures read
// `return Fail(IMAGING_ERROR_..., "...")`.
int Fail(int code, std::string detail);

bool IsSupportedDepth(int bitsPerPixel);

// Checks a size against the limits and gives the row pitch; false for non-positive sizes,
// more than IMAGING_MAX_PIXELS or an unsupported depth.
bool ComputeLayout(long long width, long long height, int bitsPerPixel, LONG* bytesPerLine);

// Allocates pixels for `out` (which must be empty). Contents are undefined unless `zeroed`.
// Returns IMAGING_SUCCESS, IMAGING_ERROR_TOO_LARGE, IMAGING_ERROR_INVALID_ARGUMENT or NO_MEMORY.
int AllocatePixels(ImageBitmap* out, long long width, long long height, int bitsPerPixel,
                   bool zeroed);

// Converts one row of `count` pixels between depths 8, 24 and 32 (grey uses integer BT.601
// weights; 24 -> 32 sets alpha 255). `from` and `to` must not overlap unless the depths match.
void ConvertRow(const BYTE* from, int fromBits, BYTE* to, int toBits, std::size_t count);

inline BYTE GreyFromBgr(BYTE b, BYTE g, BYTE r)
{
    return BYTE((r * 77u + g * 150u + b * 29u + 128u) >> 8);
}

}  // namespace imaging_internal
