// Cursors as ARGB X cursors: the cursor is drawn over black and over white, which gives each
// pixel's colour and coverage; pixels that invert the screen show black.

#include "platform/user/x11/X11Cursor.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

#include <X11/Xcursor/Xcursor.h>

#include <algorithm>
#include <vector>

namespace platform::x11 {

namespace {

// The cursor drawn over a solid background, as 0x00RRGGBB pixels.
std::vector<DWORD> DrawOver(HCURSOR cursor, int width, int height, COLORREF background)
{
    std::vector<DWORD> out;
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        if (dc)
            DeleteDC(dc);
        return out;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all { 0, 0, width, height };
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(dc, 0, 0, cursor, width, height, 0, nullptr, DI_NORMAL);
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    out.assign(pixels, pixels + size_t(width) * size_t(height));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return out;
}

} // namespace

CursorImage CursorToArgb(HCURSOR cursor)
{
    CursorImage out;
    SIZE size {};
    ICONINFO info {};
    if (!cursor || !GetIconSize(cursor, &size) || size.cx <= 0 || size.cy <= 0 || !GetIconInfo(cursor, &info))
        return out;
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    const std::vector<DWORD> black = DrawOver(cursor, size.cx, size.cy, RGB(0, 0, 0));
    const std::vector<DWORD> white = DrawOver(cursor, size.cx, size.cy, RGB(255, 255, 255));
    if (black.empty() || white.empty())
        return out;
    out.width = size.cx;
    out.height = size.cy;
    out.hot = { LONG(std::min<DWORD>(info.xHotspot, DWORD(size.cx - 1))), LONG(std::min<DWORD>(info.yHotspot, DWORD(size.cy - 1))) };
    out.pixels.resize(black.size());
    for (size_t i = 0; i < black.size(); ++i) {
        // Over black the pixel is its premultiplied colour; over white the background shows
        // through by (255 - alpha).
        const int b = int(black[i] & 0xFF), w = int(white[i] & 0xFF);
        int alpha = 255 - (w - b);
        DWORD colour = black[i] & 0x00FFFFFF;
        if (w < b) { // inverts the screen: show it black
            alpha = 255;
            colour = 0;
        }
        alpha = std::clamp(alpha, 0, 255);
        out.pixels[i] = (unsigned(alpha) << 24) | colour;
    }
    return out;
}

Cursor MakeXCursor(Display* display, HCURSOR cursor)
{
    const CursorImage argb = CursorToArgb(cursor);
    if (argb.pixels.empty())
        return None;
    XcursorImage* image = XcursorImageCreate(argb.width, argb.height);
    if (!image)
        return None;
    image->xhot = XcursorDim(argb.hot.x);
    image->yhot = XcursorDim(argb.hot.y);
    std::copy(argb.pixels.begin(), argb.pixels.end(), image->pixels);
    Cursor made = XcursorImageLoadCursor(display, image);
    XcursorImageDestroy(image);
    return made;
}

Cursor MakeBlankXCursor(Display* display, Window window)
{
    static const char empty[1] = { 0 };
    Pixmap pixmap = XCreateBitmapFromData(display, window, empty, 1, 1);
    XColor black {};
    Cursor blank = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display, pixmap);
    return blank;
}

} // namespace platform::x11
