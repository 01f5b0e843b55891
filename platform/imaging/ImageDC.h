#pragma once
// A drawing context over a bitmap's pixels, so text and shapes of the drawing layer land in
// the picture. 32-bit bitmaps are drawn into directly (alpha grows under drawn pixels), 8-bit
// ones as grey levels; a 24-bit bitmap is drawn on a 32-bit copy that is written back when the
// context is released.
//
// Between getting and releasing the context the bitmap must not be resized, freed or otherwise
// given new pixels, and pixels changed by other operations meanwhile may be overwritten by the
// release of a 24-bit bitmap's context: draw through the context only. Get and release on the
// same thread.

#include "platform/gdi/GdiTypes.h"
#include "platform/imaging/ImageBitmap.h"

// Makes a context (96 pixels per inch, default font, transparent nothing: see Gdi.h) and stores
// it in `dc`. Fails with INVALID_ARGUMENT for null records, NO_BITMAP for an empty bitmap and
// NO_MEMORY when the context or the 24-bit copy cannot be made; `dc` is then null.
int GetBitmapDC(ImageBitmap* bitmap, HDC* dc);

// Writes a 24-bit bitmap's drawing back and deletes the context. A handle that GetBitmapDC did
// not give (or already released) fails with INVALID_ARGUMENT.
int ReleaseBitmapDC(HDC dc);
