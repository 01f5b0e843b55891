#pragma once
// The classic drawing helpers: edges, frame controls, focus rectangles and DrawState.

#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"

// Edges in the 3-D colours of the system model; BF_ADJUST shrinks `rect` past the edge.
BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags);
// DFC_BUTTON (check, radio, push), DFC_SCROLL arrows and size grip, DFC_CAPTION buttons and
// DFC_MENU glyphs (black on white), the glyphs from the "Marlett" symbols.
BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state);
// Inverts the pixels of the 1-pixel frame whose device x + y is even; drawing twice erases.
BOOL DrawFocusRect(HDC hdc, const RECT* rect);

using DRAWSTATEPROC = BOOL (*)(HDC, LPARAM, WPARAM, int, int);
// DST_ICON, DST_BITMAP, DST_TEXT, DST_PREFIXTEXT and DST_COMPLEX with DSS_NORMAL, DSS_DISABLED
// (embossed: 3-D highlight at +1,+1, then 3-D shadow) and DSS_MONO (the silhouette, the pixels
// that are not white, in the brush's colour).
BOOL DrawStateW(HDC hdc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
    UINT flags);
inline BOOL DrawState(HDC hdc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM wData, int x, int y, int cx,
    int cy, UINT flags)
{
    return DrawStateW(hdc, brush, output, data, wData, x, y, cx, cy, flags);
}
