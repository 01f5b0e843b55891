#pragma once
// Handles and records of the drawing layer. Record layouts are ours (never stored or exchanged);
// field names and meanings are the platform's.

#include "platform/base/Types.h"
#include "platform/gdi/Geometry.h"

#include <cstdint>

using ULONG_PTR = std::uintptr_t;

struct GdiDeviceContext;
struct GdiFontObject;
struct GdiPenObject;
struct GdiBrushObject;
struct GdiBitmapObject;
struct GdiRegionObject;
struct GdiPaletteObject;
struct GdiIconObject;
struct GdiImageList;

using HDC = GdiDeviceContext*;
using HFONT = GdiFontObject*;
using HPEN = GdiPenObject*;
using HBRUSH = GdiBrushObject*;
using HBITMAP = GdiBitmapObject*;
using HRGN = GdiRegionObject*;
using HPALETTE = GdiPaletteObject*;
using HICON = GdiIconObject*;
using HCURSOR = HICON;
using HIMAGELIST = GdiImageList*;
// Any drawing object. Handles are checked against the live-object table, so a stale or foreign
// handle makes the call fail instead of touching freed memory.
using HGDIOBJ = void*;

struct LOGFONTW {
    LONG lfHeight;      // < 0: character (em) height in pixels; > 0: cell height; 0: default size
    LONG lfWidth;       // average character width; 0 keeps the face's own proportions
    LONG lfEscapement;  // tenths of a degree
    LONG lfOrientation; // tenths of a degree
    LONG lfWeight;      // FW_*; 0 means FW_NORMAL
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;     // NONANTIALIASED_QUALITY draws with coverage 0 or 255 only
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[32];
};
using LOGFONT = LOGFONTW;

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using TEXTMETRIC = TEXTMETRICW;

// Pixel layouts a device context can draw into.
enum class GdiPixelFormat {
    Bgra32, // 4 bytes per pixel in memory order blue, green, red, alpha
    Gray8,  // 1 byte per pixel: a grey level, or a coverage mask when drawn in white
};

// A caller-owned pixel buffer. Row y starts at bits + y * pitch (bytes); a negative pitch with
// bits at the last row in memory describes a bottom-up image. The buffer must outlive every
// device context made over it.
struct GdiPixelBuffer {
    BYTE* bits = nullptr;
    LONG width = 0;
    LONG height = 0;
    LONG pitch = 0;
    GdiPixelFormat format = GdiPixelFormat::Bgra32;
};

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth; // x is the width; y unused
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// 40 bytes, the stored layout.
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // > 0 bottom-up, < 0 top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    void* dshSection;
    DWORD dsOffset;
};

struct TRIVERTEX {
    LONG x;
    LONG y;
    WORD Red;
    WORD Green;
    WORD Blue;
    WORD Alpha;
};

struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};

struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};

struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};

struct ENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[64];
    WCHAR elfStyle[32];
    WCHAR elfScript[32];
};

struct NEWTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
};

struct DRAWTEXTPARAMS {
    UINT cbSize;
    int iTabLength;
    int iLeftMargin;
    int iRightMargin;
    UINT uiLengthDrawn;
};

struct ABC {
    int abcA;
    UINT abcB;
    int abcC;
};
