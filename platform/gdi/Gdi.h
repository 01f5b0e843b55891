#pragma once
// The drawing layer: device contexts over caller-owned pixel buffers, drawing objects and text.
// Calls report failure by their return value (FALSE, NULL, 0, CLR_INVALID, GDI_ERROR) and set the
// thread's last error. A device context belongs to one thread at a time; fonts may be created,
// selected and deleted from any thread.

#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"

// ---- Device contexts -------------------------------------------------------------------------

// A device context drawing into `buffer`, 96 pixels per inch, clip = the whole buffer, origin
// (0, 0), font DEFAULT_GUI_FONT, text black, background white and OPAQUE.
HDC CreatePixelBufferDC(const GdiPixelBuffer& buffer);
BOOL DeleteDC(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);

// Saves origin, clip, font, colours and background mode; returns the new save level (1 for the
// first save), 0 on failure. RestoreDC takes a level, or a negative count back from the top.
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int savedDC);

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC hdc, POINT* origin);

// Clip rectangles are in logical coordinates (the origin applies). Both return NULLREGION,
// SIMPLEREGION or RGN_ERROR.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int GetClipBox(HDC hdc, RECT* rect);

// ---- Objects ---------------------------------------------------------------------------------

// Faces come from fontconfig: "Verdana", "Tahoma", "MS Shell Dlg", "Segoe UI" -> DejaVu Sans;
// "Arial" -> Liberation Sans; "Times New Roman" -> Liberation Serif; "Courier", "Courier New" ->
// Liberation Mono (DejaVu faces when those are missing); other names -> fontconfig's best match. Bold and italic come from real faces
// when installed and are synthesised otherwise. Sizes are clamped to 1..2048 pixels per em.
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
// Deleting a font still selected into a context is safe: the context keeps drawing with it.
// Stock objects are never freed (TRUE is returned).
BOOL DeleteObject(HGDIOBJ object);
// Returns the previously selected object of the same kind, NULL on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
HGDIOBJ GetStockObject(int index);
DWORD GetObjectType(HGDIOBJ object);
// For a font: copies its LOGFONTW. With a null buffer returns the size needed.
int GetObjectW(HGDIOBJ object, int size, void* buffer);

// ---- Text ------------------------------------------------------------------------------------
// Text is UTF-16 (surrogate pairs are one character; a lone surrogate draws as U+FFFD). The
// reference point (x, y) is the top-left corner of the text cell. Advances are whole pixels, so
// TextOutW moves exactly GetTextExtentPoint32W's cx and the cell is cx by tmHeight. Glyphs are
// blended over the pixels by their coverage (source-over: alpha grows to 255 under full
// coverage); a fully covered pixel takes the text colour exactly. In OPAQUE mode the cell is
// first filled with the background colour. On a Gray8 buffer colours become grey levels
// (0.299 R + 0.587 G + 0.114 B).
//
// ExtTextOutW, DrawTextW, SetTextAlign and GetTextExtentExPointW belong beside TextOutW
// (Text.cpp) and share its layout step.

COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);

BOOL TextOutW(HDC hdc, int x, int y, const WCHAR* text, int count);
BOOL GetTextExtentPoint32W(HDC hdc, const WCHAR* text, int count, SIZE* size);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
// The family name of the face actually used ("DejaVu Sans" for "Verdana"). Returns the number of
// units copied including the terminator; with a null buffer, the length needed.
int GetTextFaceW(HDC hdc, int count, WCHAR* faceName);

// Adds the coverage of `text` drawn with `font` at (x, y) to an 8-bit mask (union: 0 stays where
// no glyph touches, 255 under full coverage). Honours the font's quality, underline and
// strike-out.
//
// Text over a key colour (fill with a key, draw, turn key pixels transparent) leaves every
// anti-aliased edge pixel a mix of key and text colour. The watermark therefore draws its text
// here, into a zeroed Gray8 mask of the image's size, scales the mask by its opacity and blends
// the text colour through it; GetTextExtentPoint32W on a context with the same font gives the
// positions. Drawing the key-colour way is only exact with a NONANTIALIASED_QUALITY font.
BOOL RenderTextMaskW(HFONT font, int x, int y, const WCHAR* text, int count,
    const GdiPixelBuffer& mask);

// The generic names, for code written against them.
inline HFONT CreateFontIndirect(const LOGFONTW* logFont) { return CreateFontIndirectW(logFont); }
inline BOOL TextOut(HDC hdc, int x, int y, const WCHAR* text, int count)
{
    return TextOutW(hdc, x, y, text, count);
}
inline BOOL GetTextExtentPoint32(HDC hdc, const WCHAR* text, int count, SIZE* size)
{
    return GetTextExtentPoint32W(hdc, text, count, size);
}
inline BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* metrics) { return GetTextMetricsW(hdc, metrics); }
inline int GetTextFace(HDC hdc, int count, WCHAR* faceName) { return GetTextFaceW(hdc, count, faceName); }
inline int GetObject(HGDIOBJ object, int size, void* buffer) { return GetObjectW(object, size, buffer); }
