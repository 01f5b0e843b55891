#pragma once
// Between the imaging layer's bitmaps and device contexts: painting a picture into a rectangle
// as it is seen (its view perspective applied), and taking a device bitmap over as a picture.
// Private to the viewer folder.

#include "platform/gdi/GdiTypes.h"
#include "platform/imaging/ImageBitmap.h"

// Paints `bitmap` stretched to `dest` with `rop`; FALSE when it holds no pixels or the copy
// cannot be made.
BOOL PaintImageBitmap(HDC dc, const RECT& dest, const ImageBitmap& bitmap, DWORD rop);

// A 32-bit picture with the pixels of `source` (read through `dc`); FALSE when they cannot
// be read.
BOOL ImageBitmapFromDeviceBitmap(HDC dc, HBITMAP source, ImageBitmap* bitmap);
