#pragma once
// The drawing layer: device contexts over caller-owned pixel buffers, drawing objects and text.
// Calls report failure by their return value (FALSE, NULL, 0, CLR_INVALID, GDI_ERROR) and set the
// thread's last error. A device context belongs to one thread at a time; fonts may be created,
// selected and deleted from any thread.

#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/SystemModel.h"

// ---- Device contexts -------------------------------------------------------------------------

// A device context drawing into `buffer`, 96 pixels per inch, clip = the whole buffer, origin
// (0, 0), font DEFAULT_GUI_FONT, text black, background white and OPAQUE.
HDC CreatePixelBufferDC(const GdiPixelBuffer& buffer);
// A device context over a 32-bit surface with the desktop's rules: drawing writes 0 in the top
// byte (SRCCOPY and AlphaBlend write the source's), capabilities come from the system model.
// The window layer makes its window and client contexts this way.
HDC CreateSurfaceDC(const GdiPixelBuffer& buffer);
// A memory context: starts with a 1 x 1 monochrome bitmap, so a compatible bitmap made from a
// fresh one is monochrome.
HDC CreateCompatibleDC(HDC hdc);
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
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
// Clip regions are in device coordinates; a null region removes the clip (RGN_COPY only).
int SelectClipRgn(HDC hdc, HRGN rgn);
int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode);
int OffsetClipRgn(HDC hdc, int dx, int dy);
// 1 with a copy of the clip in `rgn`, 0 when there is none, -1 on error.
int GetClipRgn(HDC hdc, HRGN rgn);
BOOL PtVisible(HDC hdc, int x, int y);
BOOL RectVisible(HDC hdc, const RECT* rect);

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* previous);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC hdc, POINT* origin);
BOOL LPtoDP(HDC hdc, POINT* points, int count);
BOOL DPtoLP(HDC hdc, POINT* points, int count);
// LAYOUT_RTL mirrors the context: logical column c lands on device column width - 1 - c.
DWORD SetLayout(HDC hdc, DWORD layout);
DWORD GetLayout(HDC hdc);
// Writes a shadowed DIB section's pixels back to its bits (also done at deselection).
BOOL GdiFlush();
BOOL GdiFlushDC(HDC hdc);

int SetROP2(HDC hdc, int rop);
int GetROP2(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetBrushOrgEx(HDC hdc, POINT* origin);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC hdc, POINT* point);

// ---- Objects ---------------------------------------------------------------------------------

// Faces: "MS Shell Dlg", "Tahoma", "Arial" -> Liberation Sans; "Verdana" -> DejaVu Sans;
// "Courier", "Courier New" -> Liberation Mono; "Times New Roman" -> Liberation Serif (DejaVu
// faces when those are missing); "Marlett" -> the layer's symbol glyphs over DejaVu Sans's
// metrics; other names ("Segoe UI" too) -> fontconfig's best match. Bold and italic come from
// real faces when installed and are synthesised otherwise. Sizes are clamped to 1..2048 pixels
// per em.
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

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
    DWORD quality, DWORD pitchAndFamily, const WCHAR* faceName);
// Pens wider than one pixel draw solid, with round caps and joins.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* logPen);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The top-left 8 x 8 pixels of the bitmap; a monochrome one draws its 0 bits in the text
// colour and its 1 bits in the background colour.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* logBrush);
HPALETTE CreatePalette(const LOGPALETTE* palette);

// ---- Bitmaps ---------------------------------------------------------------------------------

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateBitmapIndirect(const BITMAP* bitmap);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// 1, 4, 8, 16, 24 and 32 bits, top-down or bottom-up. A 32-bit BI_RGB section is drawn in place;
// the other depths draw into a 32-bit copy written back at GdiFlushDC and at deselection.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info, UINT usage);

// ---- Drawing ---------------------------------------------------------------------------------
// Primitives need a 32-bit target. Lines leave out their end point; Rectangle, Ellipse and
// RoundRect put the outline on the box's edge pixels (right and bottom exclusive), and with a
// null pen fill one pixel less in width and height.

BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons);
// A brush may also be a system colour index + 1.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the clip.
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type);

BOOL BitBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh, DWORD rop);
BOOL AlphaBlend(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh,
    BLENDFUNCTION blend);
BOOL GradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh, ULONG meshCount, ULONG mode);
BOOL TransparentBlt(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int sx, int sy, int sw, int sh,
    UINT transparent);

// ---- Regions ---------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
// Covers exactly the pixels Polygon fills with a null pen.
HRGN CreatePolygonRgn(const POINT* points, int count, int mode);
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int mode);
HRGN ExtCreateRegion(const void* transform, DWORD size, const RGNDATA* data);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rect);
int GetRgnBox(HRGN rgn, RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);
// Rectangles in band order (top to bottom, left to right).
DWORD GetRegionData(HRGN rgn, DWORD size, RGNDATA* data);
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN rgn);
BOOL InvertRgn(HDC hdc, HRGN rgn);
BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height);

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
// Honours the text alignment (TA_LEFT/RIGHT/CENTER, TA_TOP/BASELINE/BOTTOM, TA_UPDATECP),
// ETO_OPAQUE and ETO_CLIPPED with `rect`, per-character advances `dx`, the justification of
// SetTextJustification, and escapements of 900, 1800 and 2700 (turned about (x, y)).
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
BOOL SetTextJustification(HDC hdc, int breakExtra, int breakCount);
BOOL GetTextExtentExPointW(HDC hdc, const WCHAR* text, int count, int maxExtent, INT* fit, INT* dx, SIZE* size);
BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, INT* widths);
BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* widths);
// Tab stops: none -> every 8 average widths; one -> every tabs[0]; more -> the positions.
LONG TabbedTextOutW(HDC hdc, int x, int y, const WCHAR* text, int count, int tabCount, const INT* tabs, int origin);
DWORD GetTabbedTextExtentW(HDC hdc, const WCHAR* text, int count, int tabCount, const INT* tabs);
// The installed scalable families and the face names this layer maps, sorted, once each;
// only the named family when logFont names one. Returns the last callback result.
using FONTENUMPROCW = int (*)(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM);
int EnumFontFamiliesExW(HDC hdc, const LOGFONTW* logFont, FONTENUMPROCW callback, LPARAM data, DWORD flags);
// DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (with DT_SINGLELINE), DT_WORDBREAK, DT_EXPANDTABS,
// DT_TABSTOP, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX, DT_HIDEPREFIX, DT_PREFIXONLY, DT_END_ELLIPSIS,
// DT_PATH_ELLIPSIS, DT_WORD_ELLIPSIS, DT_EXTERNALLEADING; '&' underlines the next character,
// "&&" draws '&'. Returns the height of the text (from the rectangle's top with DT_VCENTER or
// DT_BOTTOM), 0 on failure. count -1: up to the terminator.
int DrawTextW(HDC hdc, const WCHAR* text, int count, RECT* rect, UINT format);
int DrawTextExW(HDC hdc, WCHAR* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
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
inline int DrawText(HDC hdc, const WCHAR* text, int count, RECT* rect, UINT format)
{
    return DrawTextW(hdc, text, count, rect, format);
}
inline BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx)
{
    return ExtTextOutW(hdc, x, y, options, rect, text, count, dx);
}
inline int GetTextFace(HDC hdc, int count, WCHAR* faceName) { return GetTextFaceW(hdc, count, faceName); }
inline int GetObject(HGDIOBJ object, int size, void* buffer) { return GetObjectW(object, size, buffer); }
