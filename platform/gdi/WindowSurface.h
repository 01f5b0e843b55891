#pragma once
// Ours: the device contexts of the window layer, drawing into a window's part of its top-level
// surface.

#include "platform/gdi/PixelRegion.h"

// `view` is the window's part of the top-level surface and may reach past that surface's memory;
// `backed` is the part inside it and `visible` the window's visible region, both in the view's
// device pixels.
HDC CreateWindowSurfaceDC(const GdiPixelBuffer& view, const RECT& backed, const platform::gdi::Region& visible);
// Points such a context at its reallocated surface: the view's rows start at `bits`, `pitch`
// bytes apart, and `backed` changes; its visible region is cut to the new `backed`.
BOOL RetargetWindowSurfaceDC(HDC hdc, BYTE* bits, LONG pitch, const RECT& backed);
// Leaves such a context drawing and reading nothing (its window lost its surface).
BOOL DetachWindowSurfaceDC(HDC hdc);
