// Icons and cursors as objects, and DrawIconEx.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/Raster.h"

#include <algorithm>

using namespace gdi_detail;

namespace gdi_detail {

GdiBitmapObject* NewBitmap32(LONG width, LONG height, bool mono);
GdiDeviceContext* DrawingDC(HDC hdc);

bool ReadBitmapPixels(HBITMAP handle, LONG& width, LONG& height, std::vector<DWORD>& pixels, bool& mono)
{
    GdiBitmapObject* bitmap = LookupBitmap(handle);
    if (!bitmap)
        return false;
    if (bitmap->Shadowed() && !bitmap->selectedInto.load())
        bitmap->LoadShadow();
    width = bitmap->width;
    height = bitmap->height;
    mono = bitmap->mono;
    pixels.resize(size_t(width) * size_t(height));
    for (LONG y = 0; y < height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(bitmap->bits32 + y * bitmap->stride32);
        std::copy_n(row, width, pixels.data() + size_t(y) * size_t(width));
    }
    return true;
}

HBITMAP MakeBitmapFromPixels(LONG width, LONG height, const DWORD* pixels, bool mono)
{
    GdiBitmapObject* bitmap = NewBitmap32(width, height, mono);
    for (LONG y = 0; y < height; ++y)
        std::copy_n(pixels + size_t(y) * size_t(width), width,
            reinterpret_cast<DWORD*>(bitmap->bits32 + y * bitmap->stride32));
    RegisterObject(bitmap, bitmap);
    return bitmap;
}

HICON MakeIcon(LONG width, LONG height, std::vector<DWORD> color, std::vector<BYTE> mask, bool isIcon, DWORD hotX,
    DWORD hotY)
{
    auto* icon = new GdiIconObject();
    icon->width = width;
    icon->height = height;
    icon->isIcon = isIcon;
    icon->hotX = hotX;
    icon->hotY = hotY;
    icon->hasAlpha = std::any_of(color.begin(), color.end(), [](DWORD p) { return (p >> 24) != 0; });
    icon->color = std::move(color);
    icon->mask = std::move(mask);
    RegisterObject(icon, icon);
    return icon;
}

} // namespace gdi_detail

HICON CreateIconIndirect(const ICONINFO* info)
{
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG mw = 0, mh = 0;
    std::vector<DWORD> maskPixels;
    bool maskMono = false;
    if (!ReadBitmapPixels(info->hbmMask, mw, mh, maskPixels, maskMono)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::vector<DWORD> color;
    LONG w = mw;
    LONG h = mh;
    if (info->hbmColor) {
        LONG cw = 0, ch = 0;
        bool colorMono = false;
        if (!ReadBitmapPixels(info->hbmColor, cw, ch, color, colorMono)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        w = cw;
        h = ch;
    } else {
        // A monochrome icon: the AND mask above the XOR image.
        h = mh / 2;
        color.assign(maskPixels.begin() + size_t(h) * size_t(mw), maskPixels.end());
        for (DWORD& p : color)
            p &= 0x00FFFFFF;
    }
    std::vector<BYTE> mask(size_t(w) * size_t(h), 0);
    for (LONG y = 0; y < std::min(h, mh); ++y)
        for (LONG x = 0; x < std::min(w, mw); ++x)
            mask[size_t(y) * size_t(w) + size_t(x)] = (maskPixels[size_t(y) * size_t(mw) + size_t(x)] & 0x00FFFFFF) ? 1 : 0;
    const DWORD hotX = info->fIcon ? DWORD(w / 2) : info->xHotspot;
    const DWORD hotY = info->fIcon ? DWORD(h / 2) : info->yHotspot;
    HICON icon = MakeIcon(w, h, std::move(color), std::move(mask), info->fIcon != 0, hotX, hotY);
    icon->monoColor = !info->hbmColor;
    return icon;
}

BOOL GetIconInfo(HICON handle, ICONINFO* info)
{
    GdiIconObject* icon = LookupIcon(handle);
    if (!icon || !info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const size_t n = size_t(icon->width) * size_t(icon->height);
    std::vector<DWORD> mask(n);
    for (size_t i = 0; i < n; ++i)
        mask[i] = icon->mask[i] ? 0x00FFFFFF : 0;
    info->fIcon = icon->isIcon;
    info->xHotspot = icon->hotX;
    info->yHotspot = icon->hotY;
    if (icon->monoColor) {
        std::vector<DWORD> both = mask;
        both.insert(both.end(), icon->color.begin(), icon->color.end());
        for (DWORD& p : both)
            p = (p & 0x00FFFFFF) ? 0x00FFFFFF : 0;
        info->hbmMask = MakeBitmapFromPixels(icon->width, icon->height * 2, both.data(), true);
        info->hbmColor = nullptr;
    } else {
        info->hbmMask = MakeBitmapFromPixels(icon->width, icon->height, mask.data(), true);
        info->hbmColor = MakeBitmapFromPixels(icon->width, icon->height, icon->color.data(), false);
    }
    return TRUE;
}

HICON CopyIcon(HICON handle)
{
    GdiIconObject* icon = LookupIcon(handle);
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HICON copy = MakeIcon(icon->width, icon->height, icon->color, icon->mask, icon->isIcon, icon->hotX, icon->hotY);
    copy->monoColor = icon->monoColor;
    return copy;
}

BOOL DestroyIcon(HICON handle)
{
    if (!LookupIcon(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete UnregisterObject(handle);
    return TRUE;
}

BOOL DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

BOOL GetIconSize(HICON handle, SIZE* size)
{
    GdiIconObject* icon = LookupIcon(handle);
    if (!icon || !size)
        return FALSE;
    *size = { icon->width, icon->height };
    return TRUE;
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON handle, int cx, int cy, UINT, HBRUSH background, UINT flags)
{
    GdiDeviceContext* dc = DrawingDC(hdc);
    GdiIconObject* icon = dc ? LookupIcon(handle) : nullptr;
    if (!dc || !icon) {
        if (dc)
            SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (cx == 0)
        cx = icon->width;
    if (cy == 0)
        cy = icon->height;
    if (background) {
        RECT r { std::min(x, x + cx), std::min(y, y + cy), std::max(x, x + cx), std::max(y, y + cy) };
        FillRect(hdc, &r, background);
    }
    const bool useMask = (flags & DI_MASK) != 0;
    const bool useImage = (flags & DI_IMAGE) != 0;
    if (!useMask && !useImage)
        return FALSE;
    const LONG w = icon->width;
    ForEachImagePixel(dc, x, y, cx, cy, icon->width, icon->height, (flags & DI_NOMIRROR) != 0,
        [&](LONG dx, LONG dy, LONG sx, LONG sy) {
            const size_t i = size_t(sy) * size_t(w) + size_t(sx);
            DWORD* d = Row32(dc->buffer, dy) + dx;
            const DWORD maskBit = icon->mask[i] ? 0x00FFFFFFu : 0u;
            const DWORD color = icon->color.empty() ? 0 : icon->color[i];
            DWORD v = *d;
            if (useImage && useMask && icon->hasAlpha) {
                v = BlendStraight(color, v);
            } else if (useMask && useImage) {
                v = (v & maskBit) ^ (color & 0x00FFFFFF);
            } else if (useMask) {
                v = v & maskBit;
            } else {
                v = icon->hasAlpha ? BlendStraight(color, v) : (color & 0x00FFFFFF);
            }
            *d = dc->mono ? MonoOf(v) : Finish(dc, v);
        });
    return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) { return DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags)
{
    if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
        GdiIconObject* icon = LookupIcon(image);
        if (!icon) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        const LONG w = cx > 0 ? cx : icon->width;
        const LONG h = cy > 0 ? cy : icon->height;
        std::vector<DWORD> color(icon->color.empty() ? 0 : size_t(w) * size_t(h));
        std::vector<BYTE> mask(size_t(w) * size_t(h));
        for (LONG yy = 0; yy < h; ++yy)
            for (LONG xx = 0; xx < w; ++xx) {
                const size_t s = size_t((2 * yy + 1) * icon->height / (2 * h)) * size_t(icon->width)
                    + size_t((2 * xx + 1) * icon->width / (2 * w));
                mask[size_t(yy) * size_t(w) + size_t(xx)] = icon->mask[s];
                if (!color.empty())
                    color[size_t(yy) * size_t(w) + size_t(xx)] = icon->color[s];
            }
        HICON copy = MakeIcon(w, h, std::move(color), std::move(mask), icon->isIcon, icon->hotX, icon->hotY);
        copy->monoColor = icon->monoColor;
        if (flags & LR_COPYDELETEORG)
            DestroyIcon(icon);
        return copy;
    }
    if (type == IMAGE_BITMAP) {
        LONG w = 0, h = 0;
        std::vector<DWORD> pixels;
        bool mono = false;
        if (!ReadBitmapPixels(static_cast<HBITMAP>(image), w, h, pixels, mono)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        const LONG nw = cx > 0 ? cx : w;
        const LONG nh = cy > 0 ? cy : h;
        std::vector<DWORD> scaled(size_t(nw) * size_t(nh));
        for (LONG yy = 0; yy < nh; ++yy)
            for (LONG xx = 0; xx < nw; ++xx)
                scaled[size_t(yy) * size_t(nw) + size_t(xx)]
                    = pixels[size_t((2 * yy + 1) * h / (2 * nh)) * size_t(w) + size_t((2 * xx + 1) * w / (2 * nw))];
        HBITMAP copy = MakeBitmapFromPixels(nw, nh, scaled.data(), mono || (flags & LR_MONOCHROME));
        if (flags & LR_COPYDELETEORG)
            DeleteObject(image);
        return copy;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}
