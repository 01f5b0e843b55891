#include "platform/gdi/ImageList.h"

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/Raster.h"

#include <algorithm>

using namespace gdi_detail;

namespace gdi_detail {
GdiDeviceContext* DrawingDC(HDC hdc);
GdiBitmapObject* NewBitmap32(LONG width, LONG height, bool mono);
HICON MakeIcon(LONG width, LONG height, std::vector<DWORD> color, std::vector<BYTE> mask, bool isIcon, DWORD hotX,
    DWORD hotY);
}

struct GdiImageList final : GdiObject {
    GdiImageList()
        : GdiObject(OBJ_PRIVATE_IMAGELIST)
    {
    }
    ~GdiImageList() override { Drop(); }
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int count = 0;
    COLORREF bkColor = CLR_NONE;
    // Image i lies at x = i * cx in both strips.
    HBITMAP image = nullptr;
    HBITMAP mask = nullptr;

    bool Masked() const { return (flags & ILC_MASK) != 0; }
    bool Alpha() const { return (flags & 0xFE) == ILC_COLOR32; }
    DWORD* Pixel(int index, int x, int y) const
    {
        return reinterpret_cast<DWORD*>(image->bits32 + y * image->stride32) + index * cx + x;
    }
    DWORD* MaskPixel(int index, int x, int y) const
    {
        return reinterpret_cast<DWORD*>(mask->bits32 + y * mask->stride32) + index * cx + x;
    }
    void Drop()
    {
        // A strip a caller still has selected stays alive (and leaks) rather than dangle.
        for (HBITMAP b : { image, mask })
            if (b && b->selectCount.load() == 0)
                delete UnregisterObject(b);
        image = mask = nullptr;
    }
    // Resizes the strips to `n` images, keeping the first min(n, count).
    void Resize(int n)
    {
        const int width = std::max(1, n) * cx;
        GdiBitmapObject* newImage = NewBitmap32(width, cy, false);
        GdiBitmapObject* newMask = NewBitmap32(width, cy, true);
        const int keep = std::min(n, count);
        for (int y = 0; y < cy && image; ++y)
            for (int x = 0; x < keep * cx; ++x) {
                reinterpret_cast<DWORD*>(newImage->bits32 + y * newImage->stride32)[x] = *Pixel(0, x, y);
                reinterpret_cast<DWORD*>(newMask->bits32 + y * newMask->stride32)[x] = *MaskPixel(0, x, y);
            }
        Drop();
        RegisterObject(newImage, newImage);
        RegisterObject(newMask, newMask);
        image = newImage;
        mask = newMask;
        count = n;
    }
    bool ImageHasAlpha(int index) const
    {
        if (!Alpha())
            return false;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x)
                if (*Pixel(index, x, y) >> 24)
                    return true;
        return false;
    }
};

namespace {

GdiImageList* LookupList(HIMAGELIST handle)
{
    GdiObject* object = LookupObject(handle);
    if (!object || object->type != OBJ_PRIVATE_IMAGELIST) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<GdiImageList*>(object);
}

// Copies image `index` from top-down pixels at column offset `ox`, with an optional mask
// (1 = transparent) of the same layout.
void Store(GdiImageList* list, int index, const std::vector<DWORD>& pixels, LONG width, LONG height, int ox,
    const std::vector<DWORD>* maskPixels, LONG maskWidth, LONG maskHeight, const COLORREF* key)
{
    const DWORD keyPixel = key ? PixelOf(*key) : 0;
    for (int y = 0; y < list->cy; ++y)
        for (int x = 0; x < list->cx; ++x) {
            DWORD p = 0;
            if (y < height && ox + x < width)
                p = pixels[size_t(y) * size_t(width) + size_t(ox + x)];
            if (!list->Alpha())
                p &= 0x00FFFFFF;
            bool transparent = false;
            if (key) {
                transparent = (p & 0x00FFFFFF) == keyPixel;
            } else if (maskPixels && y < maskHeight && ox + x < maskWidth) {
                transparent = ((*maskPixels)[size_t(y) * size_t(maskWidth) + size_t(ox + x)] & 0x00FFFFFF) != 0;
            }
            if (!list->Masked())
                transparent = false;
            if (transparent && key)
                p = 0;
            *list->Pixel(index, x, y) = p;
            *list->MaskPixel(index, x, y) = transparent ? 0x00FFFFFF : 0;
        }
}

int AddStrip(GdiImageList* list, HBITMAP image, HBITMAP mask, const COLORREF* key)
{
    LONG w = 0, h = 0;
    std::vector<DWORD> pixels;
    bool mono = false;
    if (!ReadBitmapPixels(image, w, h, pixels, mono)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    std::vector<DWORD> maskPixels;
    LONG mw = 0, mh = 0;
    bool maskMono = false;
    const bool haveMask = mask && ReadBitmapPixels(mask, mw, mh, maskPixels, maskMono);
    const int added = int(w / list->cx);
    if (added <= 0)
        return -1;
    const int first = list->count;
    list->Resize(first + added);
    for (int i = 0; i < added; ++i)
        Store(list, first + i, pixels, w, h, i * list->cx, haveMask ? &maskPixels : nullptr, mw, mh, key);
    return first;
}

} // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0 || static_cast<long long>(cx) * cy > (1 << 24)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* list = new GdiImageList();
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    list->Resize(0);
    RegisterObject(list, list);
    return list;
}

BOOL ImageList_Destroy(HIMAGELIST handle)
{
    if (!LookupList(handle))
        return FALSE;
    delete UnregisterObject(handle);
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST handle)
{
    GdiImageList* list = LookupList(handle);
    return list ? list->count : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count)
{
    GdiImageList* list = LookupList(handle);
    if (!list || count > (1u << 20))
        return FALSE;
    list->Resize(int(count));
    return TRUE;
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask)
{
    GdiImageList* list = LookupList(handle);
    return list ? AddStrip(list, image, mask, nullptr) : -1;
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF maskColor)
{
    GdiImageList* list = LookupList(handle);
    if (!list)
        return -1;
    const COLORREF key = maskColor & 0x00FFFFFF;
    return AddStrip(list, image, nullptr, list->Masked() ? &key : nullptr);
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask)
{
    GdiImageList* list = LookupList(handle);
    if (!list || index < 0 || index >= list->count)
        return FALSE;
    LONG w = 0, h = 0, mw = 0, mh = 0;
    std::vector<DWORD> pixels, maskPixels;
    bool mono = false;
    if (!ReadBitmapPixels(image, w, h, pixels, mono))
        return FALSE;
    const bool haveMask = mask && ReadBitmapPixels(mask, mw, mh, maskPixels, mono);
    Store(list, index, pixels, w, h, 0, haveMask ? &maskPixels : nullptr, mw, mh, nullptr);
    return TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON iconHandle)
{
    GdiImageList* list = LookupList(handle);
    GdiIconObject* icon = list ? LookupIcon(iconHandle) : nullptr;
    if (!list || !icon || index < -1 || index >= list->count)
        return -1;
    if (index == -1) {
        index = list->count;
        list->Resize(list->count + 1);
    }
    for (int y = 0; y < list->cy; ++y)
        for (int x = 0; x < list->cx; ++x) {
            const LONG sx = LONG((2 * x + 1) * icon->width / (2 * list->cx));
            const LONG sy = LONG((2 * y + 1) * icon->height / (2 * list->cy));
            const size_t s = size_t(sy) * size_t(icon->width) + size_t(sx);
            DWORD p = icon->color.empty() ? 0 : icon->color[s];
            if (!list->Alpha())
                p &= 0x00FFFFFF;
            *list->Pixel(index, x, y) = p;
            *list->MaskPixel(index, x, y) = list->Masked() && icon->mask[s] ? 0x00FFFFFF : 0;
        }
    return index;
}

BOOL ImageList_Remove(HIMAGELIST handle, int index)
{
    GdiImageList* list = LookupList(handle);
    if (!list || index < -1 || index >= list->count)
        return FALSE;
    if (index == -1) {
        list->count = 0;
        list->Resize(0);
        return TRUE;
    }
    for (int i = index; i + 1 < list->count; ++i)
        for (int y = 0; y < list->cy; ++y)
            for (int x = 0; x < list->cx; ++x) {
                *list->Pixel(i, x, y) = *list->Pixel(i + 1, x, y);
                *list->MaskPixel(i, x, y) = *list->MaskPixel(i + 1, x, y);
            }
    list->Resize(list->count - 1);
    return TRUE;
}

BOOL ImageList_GetImageInfo(HIMAGELIST handle, int index, IMAGEINFO* info)
{
    GdiImageList* list = LookupList(handle);
    if (!list || !info || index < 0 || index >= list->count)
        return FALSE;
    info->hbmImage = list->image;
    info->hbmMask = list->Masked() ? list->mask : nullptr;
    info->Unused1 = info->Unused2 = 0;
    info->rcImage = { index * list->cx, 0, (index + 1) * list->cx, list->cy };
    return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT)
{
    GdiImageList* list = LookupList(handle);
    if (!list || index < 0 || index >= list->count)
        return nullptr;
    std::vector<DWORD> color(size_t(list->cx) * size_t(list->cy));
    std::vector<BYTE> mask(color.size());
    for (int y = 0; y < list->cy; ++y)
        for (int x = 0; x < list->cx; ++x) {
            color[size_t(y) * size_t(list->cx) + size_t(x)] = *list->Pixel(index, x, y);
            mask[size_t(y) * size_t(list->cx) + size_t(x)] = *list->MaskPixel(index, x, y) ? 1 : 0;
        }
    return MakeIcon(list->cx, list->cy, std::move(color), std::move(mask), true, DWORD(list->cx / 2),
        DWORD(list->cy / 2));
}

BOOL ImageList_DrawEx(HIMAGELIST handle, int index, HDC hdc, int x, int y, int dx, int dy, COLORREF background,
    COLORREF foreground, UINT style)
{
    GdiImageList* list = LookupList(handle);
    GdiDeviceContext* dc = list ? DrawingDC(hdc) : nullptr;
    if (!list || !dc || index < 0 || index >= list->count)
        return FALSE;
    const int w = dx > 0 ? std::min(dx, list->cx) : list->cx;
    const int h = dy > 0 ? std::min(dy, list->cy) : list->cy;
    if (background == CLR_DEFAULT)
        background = list->bkColor;
    const bool alpha = list->ImageHasAlpha(index);
    const bool transparent = list->Masked() && ((style & ILD_TRANSPARENT) || background == CLR_NONE);
    const int blend = (style & ILD_BLEND50) ? 2 : (style & ILD_BLEND25) ? 1 : 0;
    const DWORD highlight = PixelOf(foreground == CLR_DEFAULT || foreground == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT)
                                                                                         : foreground);
    ForEachImagePixel(dc, x, y, w, h, w, h, false, [&](LONG px, LONG py, LONG sx, LONG sy) {
        DWORD* d = Row32(dc->buffer, py) + px;
        const bool masked = list->Masked() && *list->MaskPixel(index, sx, sy) != 0;
        DWORD s = *list->Pixel(index, sx, sy);
        if (style & ILD_MASK) {
            *d = Finish(dc, masked ? PixelOf(dc->state.bkColor) : PixelOf(dc->state.textColor));
            return;
        }
        if (blend) {
            DWORD out = s & 0xFF000000;
            for (int shift = 0; shift < 24; shift += 8) {
                const DWORD c = (s >> shift) & 0xFF;
                const DWORD hc = (highlight >> shift) & 0xFF;
                out |= (blend == 2 ? (c + hc) / 2 : (3 * c + hc) / 4) << shift;
            }
            s = out;
        }
        if (alpha && !(style & ILD_IMAGE)) {
            *d = Finish(dc, BlendStraight(s, *d));
            return;
        }
        if (masked && !(style & ILD_IMAGE)) {
            if (!transparent)
                *d = Finish(dc, PixelOf(background));
            return;
        }
        *d = Finish(dc, s & 0x00FFFFFF);
    });
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT style)
{
    return ImageList_DrawEx(list, index, hdc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawIndirect(IMAGELISTDRAWPARAMS* p)
{
    if (!p)
        return FALSE;
    return ImageList_DrawEx(p->himl, p->i, p->hdcDst, p->x, p->y, p->cx, p->cy, p->rgbBk, p->rgbFg, p->fStyle);
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF color)
{
    GdiImageList* list = LookupList(handle);
    if (!list)
        return CLR_NONE;
    const COLORREF previous = list->bkColor;
    list->bkColor = color;
    return previous;
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle)
{
    GdiImageList* list = LookupList(handle);
    return list ? list->bkColor : CLR_NONE;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy)
{
    GdiImageList* list = LookupList(handle);
    if (!list || !cx || !cy)
        return FALSE;
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST handle, int cx, int cy)
{
    GdiImageList* list = LookupList(handle);
    if (!list || cx <= 0 || cy <= 0)
        return FALSE;
    list->cx = cx;
    list->cy = cy;
    list->count = 0;
    list->Drop();
    list->Resize(0);
    return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST handle)
{
    GdiImageList* list = LookupList(handle);
    if (!list)
        return nullptr;
    auto* copy = new GdiImageList();
    copy->cx = list->cx;
    copy->cy = list->cy;
    copy->flags = list->flags;
    copy->bkColor = list->bkColor;
    copy->Resize(list->count);
    for (int i = 0; i < list->count; ++i)
        for (int y = 0; y < list->cy; ++y)
            for (int x = 0; x < list->cx; ++x) {
                *copy->Pixel(i, x, y) = *list->Pixel(i, x, y);
                *copy->MaskPixel(i, x, y) = *list->MaskPixel(i, x, y);
            }
    RegisterObject(copy, copy);
    return copy;
}
