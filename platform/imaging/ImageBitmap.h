#pragma once
// The imaging layer's bitmap record and the operations that make, copy and convert it.
//
// A record owns its pixels: rows top-down, each `bytesPerLine` bytes (a multiple of 4), pixels in
// blue-green-red order: 8 bits per pixel is one grey (or mask) level, 24 is B,G,R, 32 is B,G,R,A
// with A = 255 opaque. Colours given to operations are 0x00BBGGRR values.
//
// The view perspective is stored for callers: 1 is the normal top-left origin (every loaded file
// gets it); 5 to 8 mean the picture is seen turned by 90 degrees, so its visible width is the
// stored height. Operations work on the stored pixel grid.
//
// A bitmap may carry a region (see ImageRegion.h): a coverage mask over its pixel grid that
// limits fill, Gaussian blur and, when the bitmap is the source, combine. Operations that make
// new pixels (create, copy, resize, rotate, trim, border, depth change, load) leave the result
// without a region; flips mirror it with the pixels.

#include "platform/base/Types.h"
#include "platform/imaging/ImagingResult.h"

#include <cstddef>
#include <memory>

constexpr int IMAGING_COLOR_ORDER_BGR = 1;
constexpr int IMAGING_VIEW_TOP_LEFT = 1;

// The flags the program passes to loads, resizes, rotations and saves. This library accepts and
// ignores every flag; the names say which call a value belongs to.
constexpr DWORD IMAGING_NO_FLAGS = 0;
constexpr DWORD IMAGING_LOAD_FLAGS = 3;
constexpr DWORD IMAGING_RESIZE_FLAGS = 2;
constexpr DWORD IMAGING_ROTATE_FLAGS = 3;
constexpr DWORD IMAGING_SAVE_FLAGS = 2;

// Nothing larger is created or decoded: a hostile header cannot make us allocate gigabytes.
constexpr long long IMAGING_MAX_PIXELS = 200'000'000;

struct ImageRegion;

struct ImageBitmap {
    UINT structSize = sizeof(ImageBitmap);
    LONG width = 0;
    LONG height = 0;
    INT bitsPerPixel = 0;  // 0 while the record holds no pixels
    INT colorOrder = IMAGING_COLOR_ORDER_BGR;
    INT viewPerspective = IMAGING_VIEW_TOP_LEFT;
    LONG bytesPerLine = 0;
    BYTE* pixels = nullptr;
    std::unique_ptr<ImageRegion> region;  // null: every pixel counts

    ImageBitmap();
    ~ImageBitmap();
    ImageBitmap(const ImageBitmap&) = delete;
    ImageBitmap& operator=(const ImageBitmap&) = delete;
    ImageBitmap(ImageBitmap&& other) noexcept;
    ImageBitmap& operator=(ImageBitmap&& other) noexcept;

    bool IsAllocated() const { return pixels != nullptr; }
    bool HasRegion() const { return region != nullptr; }
    BYTE* Row(LONG y) { return pixels + std::ptrdiff_t(y) * bytesPerLine; }
    const BYTE* Row(LONG y) const { return pixels + std::ptrdiff_t(y) * bytesPerLine; }
    int BytesPerPixel() const { return bitsPerPixel / 8; }
    bool IsTurned() const { return viewPerspective >= 5 && viewPerspective <= 8; }
    LONG VisibleWidth() const { return IsTurned() ? height : width; }
    LONG VisibleHeight() const { return IsTurned() ? width : height; }
};

// Frees the pixels; the record stays usable (empty). A null record is ignored.
void FreeBitmap(ImageBitmap* bitmap);

// Makes `bitmap` a width x height bitmap of 8, 24 or 32 bits per pixel, all bytes zero (32-bit
// pixels are therefore transparent black). Colour order 0 or 1 (both blue-green-red); the palette
// is ignored, as 8-bit bitmaps hold grey levels. A failure leaves the record unchanged.
int CreateBitmap(ImageBitmap* bitmap, int width, int height, int bitsPerPixel, int colorOrder,
                 const void* palette, int viewPerspective);

// Deep copy; `destination` is replaced only on success.
int CopyBitmap(ImageBitmap* destination, const ImageBitmap* source);

// Paints every pixel with `color` (32-bit pixels become opaque; 8-bit ones take its grey level).
// With a region set, only the region's pixels change (mixed by coverage on smoothed edges).
int FillBitmap(ImageBitmap* bitmap, COLORREF color);

// Converts to 8 (grey), 24 or 32 bits per pixel; 32 -> 24 drops alpha, 24 -> 32 makes it
// opaque. `destination` may be `source`. Flags are accepted and ignored.
int ChangeBitmapColorResolution(ImageBitmap* source, ImageBitmap* destination, int bitsPerPixel,
                                DWORD flags);

// Writes the alpha channel of `source` into `alpha` as a new 8-bit bitmap (255 = opaque;
// all 255 for bitmaps without alpha).
int GetBitmapAlphaChannel(const ImageBitmap* source, ImageBitmap* alpha);
