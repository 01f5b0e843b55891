// Device contexts over caller-owned pixel buffers: creation, state stack, origin and clip.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <cstdlib>

using namespace gdi_detail;

namespace {

bool ValidBuffer(const GdiPixelBuffer& buffer)
{
    if (buffer.width < 0 || buffer.height < 0)
        return false;
    if (buffer.width == 0 || buffer.height == 0)
        return true;
    const long long rowBytes = static_cast<long long>(buffer.width)
        * (buffer.format == GdiPixelFormat::Gray8 ? 1 : 4);
    return buffer.bits != nullptr && std::llabs(static_cast<long long>(buffer.pitch)) >= rowBytes;
}

} // namespace

HDC CreatePixelBufferDC(const GdiPixelBuffer& buffer)
{
    if (!ValidBuffer(buffer)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* dc = new GdiDeviceContext();
    dc->buffer = buffer;
    dc->state.clip = { 0, 0, buffer.width, buffer.height };
    RegisterObject(dc, dc);
    // Without any installed face the context still works for everything but text.
    if (HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT))
        SelectObject(dc, font);
    return dc;
}

BOOL DeleteDC(HDC hdc)
{
    if (!LookupDC(hdc))
        return FALSE;
    delete UnregisterObject(hdc);
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    switch (index) {
    case HORZRES:
        return dc->buffer.width;
    case VERTRES:
        return dc->buffer.height;
    case BITSPIXEL:
        return dc->buffer.format == GdiPixelFormat::Gray8 ? 8 : 32;
    case PLANES:
        return 1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}

int SaveDC(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->state);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    const long long depth = static_cast<long long>(dc->saved.size());
    const long long level = savedDC < 0 ? depth + savedDC + 1 : savedDC;
    if (savedDC == 0 || level < 1 || level > depth) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    dc->state = dc->saved[size_t(level - 1)];
    dc->saved.resize(size_t(level - 1));
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.origin;
    dc->state.origin = { x, y };
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* origin)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.origin;
    return TRUE;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return RGN_ERROR;
    const long long ox = dc->state.origin.x;
    const long long oy = dc->state.origin.y;
    auto toDevice = [](long long v) {
        return LONG(v < -0x7FFFFFFFLL ? -0x7FFFFFFFLL : v > 0x7FFFFFFFLL ? 0x7FFFFFFFLL : v);
    };
    RECT wanted { toDevice(left + ox), toDevice(top + oy), toDevice(right + ox), toDevice(bottom + oy) };
    dc->state.clip = IntersectRects(dc->state.clip, wanted);
    return IsEmptyRect(dc->state.clip) ? NULLREGION : SIMPLEREGION;
}

int GetClipBox(HDC hdc, RECT* rect)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc || !rect)
        return RGN_ERROR;
    const RECT& clip = dc->state.clip;
    const POINT& o = dc->state.origin;
    if (IsEmptyRect(clip)) {
        *rect = { 0, 0, 0, 0 };
        return NULLREGION;
    }
    *rect = { clip.left - o.x, clip.top - o.y, clip.right - o.x, clip.bottom - o.y };
    return SIMPLEREGION;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->state.textColor;
    dc->state.textColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetTextColor(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->state.bkColor;
    dc->state.bkColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF GetBkColor(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->state.bkMode;
    dc->state.bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    return dc ? dc->state.bkMode : 0;
}
