#pragma once
// Regions: a per-bitmap mask that limits where fill and Gaussian blur change pixels, and which
// pixels combine copies when the bitmap is the source. A region belongs to one bitmap's pixel
// grid; setting one replaces the previous one. Other operations ignore it.
//
// Rounded corners are smoothed: pixels on a corner's curve are partly inside (their coverage is
// the share of the pixel inside the curve), so a fill or copy through the region mixes there
// instead of leaving a staircase. Inside and outside of one shape add up to exactly full cover.

#include "platform/gdi/Geometry.h"
#include "platform/imaging/ImageBitmap.h"

constexpr int IMAGING_REGION_INSIDE = 1;   // the shape itself / the pixels of that colour
constexpr int IMAGING_REGION_OUTSIDE = 6;  // everything else

// Largest ellipse size accepted; larger values are refused as nonsense rather than clamped.
constexpr int IMAGING_MAX_REGION_ELLIPSE = 1 << 20;

// The rectangle (right and bottom exclusive; it may reach past the bitmap) as region. An empty
// rectangle (right <= left or bottom <= top) fails with IMAGING_ERROR_EMPTY_RECTANGLE; a mode
// other than INSIDE or OUTSIDE with IMAGING_ERROR_INVALID_ARGUMENT.
int SetBitmapRectRegion(ImageBitmap* bitmap, const RECT* rect, int mode);

// The rectangle with its corners rounded by quarters of an ellipseWidth x ellipseHeight ellipse
// (an ellipse larger than the rectangle is cut to it; 0 gives square corners). Negative or
// absurd ellipse sizes fail with IMAGING_ERROR_INVALID_ARGUMENT; otherwise as above.
int SetBitmapRoundRectRegion(ImageBitmap* bitmap, const RECT* rect, int ellipseWidth, int ellipseHeight, int mode);

// The pixels whose colour is exactly `color` (INSIDE) or is not (OUTSIDE). Alpha is not
// compared; on 8-bit bitmaps the colour's grey level is.
int SetBitmapColorRegion(ImageBitmap* bitmap, COLORREF color, int mode);

// Drops the region; a bitmap without one succeeds unchanged.
int FreeBitmapRegion(ImageBitmap* bitmap);

// The coverage (0 outside .. 255 inside) of pixel (x, y): 255 without a region, 0 off the grid.
int GetBitmapRegionCoverage(const ImageBitmap* bitmap, int x, int y);
