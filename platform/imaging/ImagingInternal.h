#pragma once
// Helpers shared by the imaging layer's sources; not part of its interface.

#include "platform/gdi/Geometry.h"
#include "platform/imaging/ImageBitmap.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The region a bitmap carries: one coverage byte per pixel of the grid it was made for (255
// inside, 0 outside, between on smoothed edges) and the smallest rectangle holding every
// non-zero byte (empty when the region covers nothing).
struct ImageRegion {
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> coverage;
    RECT bounds{0, 0, 0, 0};

    const BYTE* Row(LONG y) const { return coverage.data() + std::ptrdiff_t(y) * width; }
    BYTE* Row(LONG y) { return coverage.data() + std::ptrdiff_t(y) * width; }
    bool IsEmpty() const { return bounds.left >= bounds.right || bounds.top >= bounds.bottom; }
};

namespace imaging_internal {

// Records the detail text for GetImagingErrorDetail and returns `code`, so failures read
// `return Fail(IMAGING_ERROR_..., "...")`.
int Fail(int code, std::string detail);
// Sets what GetImagingWarningDetail gives (empty: nothing to say).
void SetWarning(std::string detail);

bool IsSupportedDepth(int bitsPerPixel);

// The argument check of an operation on one bitmap: INVALID_ARGUMENT for null, NO_BITMAP for a
// bitmap without pixels, else IMAGING_SUCCESS.
int CheckBitmap(const ImageBitmap* bitmap);

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

// The rectangle of the bitmap an operation limited by its region touches: the region's bounds,
// or the whole grid without a region.
RECT RegionBoundsOf(const ImageBitmap& bitmap);

// Writes `count` computed pixels over `target`, each by its coverage byte: 255 replaces, 0 keeps,
// values between mix linearly (rounded). A null `coverage` replaces every pixel.
void WriteRowThroughCoverage(BYTE* target, const BYTE* computed, const BYTE* coverage, int channels,
                             std::size_t count);

// Mirrors a region the way the flips mirror pixels.
void MirrorRegion(ImageRegion& region, bool topToBottom);

// Calls `body(begin, end)` on consecutive bands covering rows [0, rows), on up to the imaging
// thread limit at once, and returns when every band is done. Small jobs (rows x costPerRow
// under a threshold) run on the calling thread. Each row is given to exactly one call, so a body
// whose rows do not depend on one another gives the same result however the rows are banded.
// Bodies must not throw.
void ForEachRowBand(LONG rows, long long costPerRow, const std::function<void(LONG begin, LONG end)>& body);

// Gaussian blur of the rows [top, bottom) of `source` (all channels, alpha included) into
// `output`, which holds those rows with the source's pitch; edge pixels extend past the borders.
// `sigma` in pixels; 0 copies. Fails only for lack of memory.
int BlurRowsInto(const ImageBitmap& source, double sigma, LONG top, LONG bottom, BYTE* output);

// Maps every pixel's blue, green and red through their tables (an 8-bit bitmap through the
// first), leaving alpha as it is.
struct ToneTables {
    BYTE channel[3][256];  // blue, green, red
};
void ApplyToneTables(ImageBitmap& bitmap, const ToneTables& tables);

inline BYTE GreyFromBgr(BYTE b, BYTE g, BYTE r)
{
    return BYTE((r * 77u + g * 150u + b * 29u + 128u) >> 8);
}

}  // namespace imaging_internal
