#pragma once
// Operations that change a bitmap's size or orientation in place. On failure the bitmap keeps
// its previous pixels.

#include "platform/imaging/ImageBitmap.h"

// Resamples to width x height, each axis on its own: area averaging where the axis shrinks,
// bicubic (Catmull-Rom) where it grows. 32-bit alpha is resampled like the colours.
// Flags are accepted and ignored.
int ResizeBitmap(ImageBitmap* bitmap, int width, int height, DWORD flags);

// Turns the picture clockwise by `hundredthsOfDegree` (negative turns counter-clockwise).
// Multiples of 90 degrees move pixels exactly (width and height swap for quarter turns). Any
// other angle puts the turned picture, bilinearly sampled, on a new canvas just large enough
// for its bounding box; the uncovered area is `fillColor` (opaque on 32-bit bitmaps).
// Flags are accepted and ignored.
int RotateBitmap(ImageBitmap* bitmap, int hundredthsOfDegree, DWORD flags, COLORREF fillColor);

// Mirrors on the horizontal axis (the top row becomes the bottom row).
int FlipBitmapTopToBottom(ImageBitmap* bitmap);

// Mirrors on the vertical axis (the left column becomes the right column).
int FlipBitmapLeftToRight(ImageBitmap* bitmap);

// Keeps the part of the rectangle (left, top, width, height) that lies inside the bitmap.
// A rectangle reaching past the edges is cut to them; a negative or zero size, or a rectangle
// entirely outside, fails with IMAGING_ERROR_EMPTY_RECTANGLE and changes nothing.
int TrimBitmap(ImageBitmap* bitmap, int left, int top, int width, int height);
