#include "platform/gdi/DrawHelpers.h"

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Symbols.h"

#include <algorithm>

using namespace gdi_detail;

namespace gdi_detail {
GdiDeviceContext* DrawingDC(HDC hdc);
bool ReadBitmapPixels(HBITMAP bitmap, LONG& width, LONG& height, std::vector<DWORD>& pixels, bool& mono);
}

static void InflateRectBy(RECT& r, int d);
static void OffsetRectBy(RECT& r, int dx, int dy);

namespace {

void Fill(HDC hdc, LONG l, LONG t, LONG r, LONG b, COLORREF color)
{
    if (r <= l || b <= t)
        return;
    HBRUSH brush = CreateSolidBrush(color);
    RECT rect { l, t, r, b };
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

// One ring of an edge: top and left in `topLeft`, bottom and right in `bottomRight`.
void Ring(HDC hdc, RECT& r, UINT flags, COLORREF topLeft, COLORREF bottomRight)
{
    if (flags & BF_TOP)
        Fill(hdc, r.left, r.top, r.right, r.top + 1, topLeft);
    if (flags & BF_LEFT)
        Fill(hdc, r.left, r.top, r.left + 1, r.bottom, topLeft);
    if (flags & BF_BOTTOM)
        Fill(hdc, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
    if (flags & BF_RIGHT)
        Fill(hdc, r.right - 1, r.top, r.right, r.bottom, bottomRight);
    if (flags & BF_TOP)
        ++r.top;
    if (flags & BF_LEFT)
        ++r.left;
    if (flags & BF_BOTTOM)
        --r.bottom;
    if (flags & BF_RIGHT)
        --r.right;
}

// Paints the set pixels of a w x h mask at logical (x, y).
void PaintMask(HDC hdc, int x, int y, int w, int h, const std::vector<BYTE>& mask, COLORREF color)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (mask[size_t(j) * size_t(w) + size_t(i)])
                SetPixelV(hdc, x + i, y + j, color);
}

void Symbol(HDC hdc, char32_t code, const RECT& r, COLORREF color, bool disabled)
{
    const int size = std::min(r.right - r.left, r.bottom - r.top);
    if (size <= 0)
        return;
    std::vector<BYTE> coverage;
    if (!RenderSymbol(code, size, coverage))
        return;
    const int x = r.left + (r.right - r.left - size) / 2;
    const int y = r.top + (r.bottom - r.top - size) / 2;
    if (disabled) {
        PaintMask(hdc, x + 1, y + 1, size, size, coverage, GetSysColor(COLOR_3DHIGHLIGHT));
        PaintMask(hdc, x, y, size, size, coverage, GetSysColor(COLOR_3DSHADOW));
    } else {
        PaintMask(hdc, x, y, size, size, coverage, color);
    }
}

void PushFrame(HDC hdc, RECT& r, UINT state)
{
    if (state & DFCS_FLAT) {
        RECT copy = r;
        DrawEdge(hdc, &copy, (state & (DFCS_PUSHED | DFCS_CHECKED)) ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
            BF_RECT | BF_MIDDLE | BF_ADJUST);
        r = copy;
        return;
    }
    RECT copy = r;
    DrawEdge(hdc, &copy, (state & (DFCS_PUSHED | DFCS_CHECKED)) ? EDGE_SUNKEN : EDGE_RAISED,
        BF_RECT | BF_MIDDLE | BF_ADJUST | ((state & DFCS_MONO) ? BF_MONO : 0));
    r = copy;
}

void CheckBox(HDC hdc, const RECT& rect, UINT state)
{
    const int size = std::min(rect.right - rect.left, rect.bottom - rect.top);
    RECT box { rect.left + (rect.right - rect.left - size) / 2, rect.top + (rect.bottom - rect.top - size) / 2, 0, 0 };
    box.right = box.left + size;
    box.bottom = box.top + size;
    if (state & DFCS_MONO) {
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(hdc, &box, frame);
        DeleteObject(frame);
        InflateRectBy(box, -1);
    } else if (state & DFCS_FLAT) {
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
        FrameRect(hdc, &box, frame);
        DeleteObject(frame);
        InflateRectBy(box, -1);
    } else {
        DrawEdge(hdc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    const bool grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
    Fill(hdc, box.left, box.top, box.right, box.bottom, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
    if (state & DFCS_CHECKED) {
        // The classic tick: seven columns of three pixels, 3 down then 4 up.
        const COLORREF color = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        const int w = box.right - box.left;
        const int x0 = box.left + (w - 7) / 2;
        const int y0 = box.top + (box.bottom - box.top - 7) / 2;
        for (int i = 0; i < 7; ++i) {
            const int top = y0 + (i <= 2 ? 2 + i : 4 - (i - 2));
            Fill(hdc, x0 + i, top, x0 + i + 1, top + 3, color);
        }
    }
}

void RadioButton(HDC hdc, const RECT& rect, UINT state)
{
    const int size = std::min(rect.right - rect.left, rect.bottom - rect.top);
    const int x = rect.left + (rect.right - rect.left - size) / 2;
    const int y = rect.top + (rect.bottom - rect.top - size) / 2;
    const bool grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
    auto disc = [&](int inset, COLORREF pen, COLORREF brush) {
        HPEN p = CreatePen(PS_SOLID, 1, pen);
        HBRUSH b = CreateSolidBrush(brush);
        HGDIOBJ oldPen = SelectObject(hdc, p);
        HGDIOBJ oldBrush = SelectObject(hdc, b);
        Ellipse(hdc, x + inset, y + inset, x + size - inset, y + size - inset);
        SelectObject(hdc, oldPen);
        SelectObject(hdc, oldBrush);
        DeleteObject(p);
        DeleteObject(b);
    };
    if (state & (DFCS_MONO | DFCS_FLAT))
        disc(0, GetSysColor((state & DFCS_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW), GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
    else {
        // Sunken: dark arcs at the upper left, light ones at the lower right.
        const COLORREF inside = GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW);
        disc(0, GetSysColor(COLOR_BTNSHADOW), inside);
        disc(1, GetSysColor(COLOR_3DDKSHADOW), inside);
        const int saved = SaveDC(hdc);
        POINT lowerRight[3] = { { x + size, y }, { x + size, y + size }, { x, y + size } };
        LPtoDP(hdc, lowerRight, 3); // clip regions are in device pixels
        HRGN half = CreatePolygonRgn(lowerRight, 3, ALTERNATE);
        ExtSelectClipRgn(hdc, half, RGN_AND);
        DeleteObject(half);
        disc(0, GetSysColor(COLOR_BTNHIGHLIGHT), inside);
        disc(1, GetSysColor(COLOR_3DLIGHT), inside);
        RestoreDC(hdc, saved);
    }
    if (state & DFCS_CHECKED) {
        const COLORREF color = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        const int dot = std::max(2, size / 3);
        const int dx = x + (size - dot) / 2;
        const int dy = y + (size - dot) / 2;
        HPEN p = CreatePen(PS_SOLID, 1, color);
        HBRUSH b = CreateSolidBrush(color);
        HGDIOBJ oldPen = SelectObject(hdc, p);
        HGDIOBJ oldBrush = SelectObject(hdc, b);
        Ellipse(hdc, dx, dy, dx + dot, dy + dot);
        SelectObject(hdc, oldPen);
        SelectObject(hdc, oldBrush);
        DeleteObject(p);
        DeleteObject(b);
    }
}

} // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags)
{
    if (!rect || !LookupDC(hdc))
        return FALSE;
    RECT r = *rect;
    const COLORREF light = GetSysColor(COLOR_3DLIGHT);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF dark = GetSysColor(COLOR_3DDKSHADOW);
    const UINT sides = flags & BF_RECT;
    if (!(flags & BF_DIAGONAL)) {
        if (edge & BDR_OUTER) {
            COLORREF tl = (edge & BDR_RAISEDOUTER) ? light : shadow;
            COLORREF br = (edge & BDR_RAISEDOUTER) ? dark : highlight;
            if (flags & BF_MONO)
                tl = br = GetSysColor(COLOR_WINDOWFRAME);
            else if (flags & BF_FLAT)
                tl = br = shadow;
            Ring(hdc, r, sides, tl, br);
        }
        if (edge & BDR_INNER) {
            COLORREF tl = (edge & BDR_RAISEDINNER) ? highlight : dark;
            COLORREF br = (edge & BDR_RAISEDINNER) ? shadow : light;
            if (flags & BF_MONO)
                tl = br = GetSysColor(COLOR_WINDOW);
            else if (flags & BF_FLAT)
                tl = br = GetSysColor(COLOR_BTNFACE);
            Ring(hdc, r, sides, tl, br);
        }
    }
    if (flags & BF_MIDDLE)
        Fill(hdc, r.left, r.top, r.right, r.bottom, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
    if (flags & BF_ADJUST)
        *rect = r;
    return TRUE;
}

static void InflateRectBy(RECT& r, int d)
{
    r.left -= d;
    r.top -= d;
    r.right += d;
    r.bottom += d;
}

BOOL DrawFrameControl(HDC hdc, RECT* rect, UINT type, UINT state)
{
    if (!rect || !LookupDC(hdc))
        return FALSE;
    RECT r = *rect;
    const bool inactive = (state & DFCS_INACTIVE) != 0;
    const COLORREF text = GetSysColor(COLOR_BTNTEXT);
    switch (type) {
    case DFC_BUTTON:
        if ((state & 0xFF) == DFCS_BUTTONPUSH) {
            PushFrame(hdc, r, state);
        } else if ((state & 0xFF) & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
            RadioButton(hdc, r, state);
        } else {
            CheckBox(hdc, r, state);
        }
        return TRUE;
    case DFC_CAPTION:
    case DFC_SCROLL: {
        const UINT kind = state & 0xFF;
        if (type == DFC_SCROLL && (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT)) {
            Fill(hdc, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
            // Three pairs of diagonal lines in the bottom-right corner.
            for (int k = 0; k < 3; ++k)
                for (int d = 0; d < 2; ++d) {
                    const int offset = 4 * k + d + 2;
                    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(d == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
                    HGDIOBJ old = SelectObject(hdc, pen);
                    MoveToEx(hdc, r.right - 1, r.bottom - 1 - offset, nullptr);
                    LineTo(hdc, r.right - 1 - offset, r.bottom - 1);
                    SelectObject(hdc, old);
                    DeleteObject(pen);
                }
            return TRUE;
        }
        PushFrame(hdc, r, state);
        char32_t code = 0;
        if (type == DFC_CAPTION) {
            static const char32_t caption[] = { U'r', U'0', U'1', U'2', U's' };
            code = kind < 5 ? caption[kind] : 0;
        } else {
            static const char32_t scroll[] = { U'5', U'6', U'3', U'4', 0, U'6' };
            code = kind < 6 ? scroll[kind] : 0;
        }
        if (state & DFCS_PUSHED)
            OffsetRectBy(r, 1, 1);
        Symbol(hdc, code, r, text, inactive);
        return TRUE;
    }
    case DFC_MENU: {
        Fill(hdc, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
        static const char32_t menu[] = { U'4', U'a', U'h', 0, U'3' };
        const UINT kind = state & 0xFF;
        Symbol(hdc, kind < 5 ? menu[kind] : 0, r, RGB(0, 0, 0), false);
        return TRUE;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

static void OffsetRectBy(RECT& r, int dx, int dy)
{
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    if (!dc || !rect)
        return FALSE;
    const RECT& r = *rect;
    if (r.right <= r.left || r.bottom <= r.top)
        return TRUE;
    auto invert = [&](LONG x, LONG y) {
        const POINT p = ToDevice(dc, x, y);
        if (((p.x + p.y) & 1) != 0 || !PtInClip(dc, p.x, p.y))
            return;
        DWORD* d = Row32(dc->buffer, p.y) + p.x;
        *d = Finish(dc, *d ^ 0x00FFFFFFu);
    };
    for (LONG x = r.left; x < r.right; ++x) {
        invert(x, r.top);
        if (r.bottom - 1 > r.top)
            invert(x, r.bottom - 1);
    }
    for (LONG y = r.top + 1; y < r.bottom - 1; ++y) {
        invert(r.left, y);
        if (r.right - 1 > r.left)
            invert(r.right - 1, y);
    }
    return TRUE;
}

BOOL DrawStateW(HDC hdc, HBRUSH brush, DRAWSTATEPROC output, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
    UINT flags)
{
    if (!LookupDC(hdc))
        return FALSE;
    const UINT type = flags & 0x0F;
    const bool disabled = (flags & DSS_DISABLED) != 0;
    const bool mono = (flags & DSS_MONO) != 0;
    const WCHAR* text = reinterpret_cast<const WCHAR*>(data);
    int textLength = int(wData);
    if ((type == DST_TEXT || type == DST_PREFIXTEXT) && text && textLength <= 0)
        for (textLength = 0; text[textLength];)
            ++textLength;
    const UINT textFormat = DT_SINGLELINE | DT_NOCLIP | (type == DST_TEXT ? DT_NOPREFIX : 0)
        | ((flags & DSS_HIDEPREFIX) ? DT_HIDEPREFIX : 0) | ((flags & DSS_PREFIXONLY) ? DT_PREFIXONLY : 0);
    // The size the image takes when none is given.
    if (cx == 0 || cy == 0) {
        SIZE size {};
        if (type == DST_ICON)
            GetIconSize(reinterpret_cast<HICON>(data), &size);
        else if (type == DST_BITMAP) {
            BITMAP bm {};
            if (GetObjectW(reinterpret_cast<HBITMAP>(data), sizeof bm, &bm))
                size = { bm.bmWidth, bm.bmHeight };
        } else if (type == DST_TEXT || type == DST_PREFIXTEXT) {
            RECT calc { 0, 0, 0, 0 };
            DrawTextW(hdc, text, textLength, &calc, textFormat | DT_CALCRECT);
            size = { calc.right, calc.bottom };
        }
        if (cx == 0)
            cx = size.cx;
        if (cy == 0)
            cy = size.cy;
    }
    if (cx <= 0 || cy <= 0)
        return FALSE;

    auto drawNormal = [&](HDC target, int tx, int ty) -> BOOL {
        switch (type) {
        case DST_ICON:
            return DrawIconEx(target, tx, ty, reinterpret_cast<HICON>(data), cx, cy, 0, nullptr, DI_NORMAL);
        case DST_BITMAP: {
            HDC memory = CreateCompatibleDC(target);
            HGDIOBJ old = SelectObject(memory, reinterpret_cast<HBITMAP>(data));
            const BOOL ok = old && BitBlt(target, tx, ty, cx, cy, memory, 0, 0, SRCCOPY);
            if (old)
                SelectObject(memory, old);
            DeleteDC(memory);
            return ok;
        }
        case DST_TEXT:
        case DST_PREFIXTEXT: {
            RECT r { tx, ty, tx + cx, ty + cy };
            return DrawTextW(target, text, textLength, &r, textFormat) != 0 || textLength == 0;
        }
        case DST_COMPLEX:
            return output ? output(target, data, wData, cx, cy) : FALSE;
        default:
            return FALSE;
        }
    };
    if (!disabled && !mono)
        return drawNormal(hdc, x, y);

    // The silhouette: draw the image black on white into a scratch surface.
    std::vector<DWORD> pixels(size_t(cx) * size_t(cy), 0x00FFFFFF);
    GdiPixelBuffer view { reinterpret_cast<BYTE*>(pixels.data()), cx, cy, cx * 4, GdiPixelFormat::Bgra32 };
    HDC scratch = CreateSurfaceDC(view);
    if (!scratch)
        return FALSE;
    if (type == DST_TEXT || type == DST_PREFIXTEXT) {
        SelectObject(scratch, GetCurrentObject(hdc, OBJ_FONT));
        SetTextColor(scratch, RGB(0, 0, 0));
        SetBkMode(scratch, TRANSPARENT);
    }
    const BOOL ok = drawNormal(scratch, 0, 0);
    DeleteDC(scratch);
    std::vector<BYTE> mask(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        const DWORD p = pixels[i] & 0x00FFFFFF;
        mask[i] = (type == DST_TEXT || type == DST_PREFIXTEXT) ? GreyOf(ColorOfPixel(p)) < 128 : p != 0x00FFFFFF;
    }
    if (disabled) {
        PaintMask(hdc, x + 1, y + 1, cx, cy, mask, GetSysColor(COLOR_3DHIGHLIGHT));
        PaintMask(hdc, x, y, cx, cy, mask, GetSysColor(COLOR_3DSHADOW));
    } else {
        COLORREF color = GetTextColor(hdc);
        if (brush) {
            GdiBrushObject* object = LookupBrush(brush);
            const auto value = reinterpret_cast<std::uintptr_t>(brush);
            if (object)
                color = object->data.color;
            else if (value >= 1 && value <= std::uintptr_t(kSystemColorCount))
                color = GetSysColor(int(value - 1));
        }
        PaintMask(hdc, x, y, cx, cy, mask, color);
    }
    return ok;
}
