#pragma once
// Pictures loaded from files for display: any format the imaging layer reads (JPEG, PNG, GIF,
// BMP), handed out as a 32-bit top-down DIB section (blue, green, red, alpha; alpha 255 where the
// file has no transparency). Metafiles and other formats are not read.

#include "platform/gdi/Gdi.h"

// The caller owns the bitmap; null for a file that is missing, unreadable or of another kind.
HBITMAP LoadPictureFile(const WCHAR* path);
