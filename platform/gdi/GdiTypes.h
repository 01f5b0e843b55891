#pragma once
// Handles and records of the drawing layer. Record layouts are ours (never stored or exchanged);
// field names and meanings are the platform's.

#include "platform/base/Types.h"
#include "platform/gdi/Geometry.h"

struct GdiDeviceContext;
struct GdiFontObject;

using HDC = GdiDeviceContext*;
using HFONT = GdiFontObject*;
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
