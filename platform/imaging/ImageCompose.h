#pragma once
// Operations that put one bitmap onto another.
//
// FIXME: blending through a mask, borders, regions, effects (sharpen, blur) and colour
// operations (levels, intensity, contrast, grey scale, sepia) join this family, one source
// file each.

#include "platform/imaging/ImageBitmap.h"

// Copies the source rectangle (sourceX, sourceY, width, height) to (x, y) of `destination`,
// converting between depths (alpha dropped onto 24 bits, opaque when added). Parts falling
// outside either bitmap are clipped; nothing left to copy is still a success. Flags are
// accepted and ignored (every combine is a plain copy). Negative sizes are refused.
int CombineBitmaps(ImageBitmap* destination, int x, int y, int width, int height, const ImageBitmap* source,
                   int sourceX, int sourceY, DWORD flags);
