#pragma once
// Operations that put one bitmap onto another, or around it.

#include "platform/imaging/ImageBitmap.h"

// Copies the source rectangle (sourceX, sourceY, width, height) to (x, y) of `destination`,
// converting between depths (alpha dropped onto 24 bits, opaque when added). Parts falling
// outside either bitmap are clipped; nothing left to copy is still a success. When the source
// carries a region, only its pixels are copied (mixed by coverage on smoothed edges). Flags are
// accepted and ignored (every combine is a plain copy). Negative sizes are refused.
int CombineBitmaps(ImageBitmap* destination, int x, int y, int width, int height, const ImageBitmap* source,
                   int sourceX, int sourceY, DWORD flags);

// Mixes the source rectangle (sourceX, sourceY, width, height) into (x, y) of `destination`
// through the mask rectangle starting at (maskX, maskY): mask 0 keeps the destination, 255
// takes the source, values between mix linearly (rounded to nearest). The mask is read as grey
// levels (an 8-bit bitmap, or the grey of a colour one). All three rectangles are clipped
// together to the three bitmaps; nothing left is still a success. A 32-bit destination's alpha
// grows as if the source were laid over it with the mask as its opacity (an opaque destination
// stays opaque). Regions are ignored. Negative sizes are refused.
int BlendBitmapsThroughMask(ImageBitmap* destination, int x, int y, int width, int height,
                            const ImageBitmap* source, int sourceX, int sourceY, const ImageBitmap* mask, int maskX,
                            int maskY);

// Border thicknesses in pixels of the stored grid, and the border colour (0x00BBGGRR; opaque on
// 32-bit bitmaps, its grey level on 8-bit ones).
struct ImageBorder {
    UINT structSize = sizeof(ImageBorder);
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    COLORREF color = 0;
};

// Grows the bitmap by the four thicknesses and paints the new margin in the border's colour;
// the picture keeps its pixels at (left, top). All thicknesses 0 change nothing. A negative
// thickness fails with IMAGING_ERROR_INVALID_ARGUMENT, a result past the pixel limit with
// IMAGING_ERROR_TOO_LARGE; the bitmap is then unchanged.
int AddBitmapBorder(ImageBitmap* bitmap, const ImageBorder* border);

// The eight parts of a picture frame: four corners and four edges.
struct ImageFrameParts {
    const ImageBitmap* topLeft;
    const ImageBitmap* top;
    const ImageBitmap* topRight;
    const ImageBitmap* left;
    const ImageBitmap* right;
    const ImageBitmap* bottomLeft;
    const ImageBitmap* bottom;
    const ImageBitmap* bottomRight;
};

// Draws `picture` framed onto `canvas`, which is the picture's size grown by the left and right
// edges' widths and the top and bottom edges' heights: each edge repeats its part's first column
// (top, bottom) or row (left, right) along the whole side, the corners go over the edges' ends,
// the picture in the middle. Sizes are the visible ones. Returns the first failing combine's code.
int DrawImageFrame(ImageBitmap* canvas, const ImageBitmap& picture, const ImageFrameParts& parts);
