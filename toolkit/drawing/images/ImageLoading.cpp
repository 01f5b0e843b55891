#include "toolkit/drawing/images/ImageManager.h"

#include "toolkit/drawing/DrawHelpers.h"
#include "toolkit/drawing/SystemHelpers.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"

#include <vector>

namespace {

// A memory DC compatible with another, with a bitmap selected, undone with the scope.
class SelectedDC {
public:
    SelectedDC(HDC like, HBITMAP bitmap) : m_dc(CreateCompatibleDC(like))
    {
        if (m_dc && bitmap)
            m_previous = SelectObject(m_dc, bitmap);
    }
    ~SelectedDC()
    {
        if (!m_dc)
            return;
        if (m_previous)
            SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    SelectedDC(const SelectedDC&) = delete;
    SelectedDC& operator=(const SelectedDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

struct OwnedBitmap {
    HBITMAP handle = nullptr;
    ~OwnedBitmap()
    {
        if (handle)
            DeleteObject(handle);
    }
};

} // namespace

BOOL CJQWImageManager::SetIconsFromImageList(HIMAGELIST list, const UINT* ids, int count, CSize size, int state)
{
    if (!list)
        return FALSE;
    const int images = ImageList_GetImageCount(list);
    if (count == 0 && !ids)
        count = images;
    if (size.cx == 0 && size.cy == 0 && count > 0) {
        IMAGEINFO info {};
        if (ImageList_GetImageInfo(list, 0, &info))
            size = CSize(info.rcImage.right - info.rcImage.left, info.rcImage.bottom - info.rcImage.top);
    }
    const bool same = count == images;
    int next = 0;
    for (int i = 0; i < count; ++i) {
        if (ids && !same && ids[i] == 0)
            continue;
        HICON icon = ImageList_GetIcon(list, next++, ILD_NORMAL);
        if (!icon)
            return FALSE;
        CJQWIconImageHandle handle(icon);
        SetIcon(handle, ids ? ids[i] : UINT(i), size, state);
        DestroyIcon(icon);
    }
    return TRUE;
}

BOOL CJQWImageManager::SetIconsFromBitmap(HBITMAP bitmap, const UINT* ids, int count, CSize size, int state,
                                          BOOL alpha)
{
    BITMAP info {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return FALSE;
    const int height = std::abs(info.bmHeight);
    if (size.cx == 0 && size.cy == 0 && count > 0)
        size = CSize(info.bmWidth / count, height);
    else if (count == 0 && size.cx > 0)
        count = info.bmWidth / size.cx;
    if (size.cx <= 0)
        return FALSE;
    if (!alpha) {
        HIMAGELIST list = ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 0, 1);
        if (!list)
            return FALSE;
        const COLORREF mask = m_maskColor != COLORREF(-1) ? m_maskColor : GetBitmapTransparentColor(bitmap);
        ImageList_AddMasked(list, bitmap, mask);
        const BOOL stored = SetIconsFromImageList(list, ids, count, size, state);
        ImageList_Destroy(list);
        return stored;
    }
    if (info.bmWidth % size.cx != 0)
        return FALSE;
    const int n = info.bmWidth / size.cx;
    std::vector<HBITMAP> pieces;
    if (!SplitAlphaBitmap(bitmap, n, &pieces))
        return FALSE;
    int piece = 0;
    for (int i = 0; i < count && piece < n; ++i) {
        if (ids && count != n && ids[i] == 0)
            continue;
        CJQWIconImageHandle handle(pieces[std::size_t(piece++)]);
        SetIcon(handle, ids ? ids[i] : UINT(i), size, state);
    }
    for (HBITMAP made : pieces)
        DeleteObject(made);
    return TRUE;
}

BOOL CJQWImageManager::AlphaBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect)
{
    const CJQWOsVersion& version = GetOsVersionInfo();
    const bool software = ((GetLayout(dc) & LAYOUT_RTL) && version.IsWin9x()) || !m_alphaBlend ||
                          (!version.IsWin2000OrLater() && (sourceRect.left != 0 || sourceRect.top != 0));
    if (software)
        return SoftwareAlphaBlit(dc, destination, source, sourceRect);
    const BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    return m_alphaBlend(dc, destination.left, destination.top, destination.Width(), destination.Height(), source,
                        sourceRect.left, sourceRect.top, sourceRect.Width(), sourceRect.Height(), blend);
}

BOOL CJQWImageManager::SoftwareAlphaBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect)
{
    const int cx = destination.Width(), cy = destination.Height();
    if (cx <= 0 || cy <= 0)
        return FALSE;
    BYTE *a = nullptr, *b = nullptr, *r = nullptr;
    OwnedBitmap sectionA { CreateDibSection32(dc, cx, cy, &a) };
    OwnedBitmap sectionB { CreateDibSection32(dc, cx, cy, &b) };
    OwnedBitmap sectionR { CreateDibSection32(dc, cx, cy, &r) };
    if (!a || !b || !r)
        return FALSE;
    {
        SelectedDC first(dc, sectionA.handle), second(dc, sectionB.handle);
        if (!first.Get() || !second.Get())
            return FALSE;
        SetLayout(first.Get(), 0);
        SetLayout(second.Get(), 0);
        SetStretchBltMode(first.Get(), COLORONCOLOR);
        SetStretchBltMode(second.Get(), COLORONCOLOR);
        if (!StretchBlt(first.Get(), 0, 0, cx, cy, source, sourceRect.left, sourceRect.top, sourceRect.Width(),
                        sourceRect.Height(), SRCCOPY) ||
            !BitBlt(second.Get(), 0, 0, cx, cy, dc, destination.left, destination.top, SRCCOPY))
            return FALSE;
    }
    const bool sourceRtl = (GetLayout(source) & LAYOUT_RTL) != 0;
    const bool destinationRtl = (GetLayout(dc) & LAYOUT_RTL) != 0;
    // DIB rows are bottom-up; a mirrored DC's rows are read from the right.
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            const BYTE* pa = a + (std::size_t(y) * cx + (sourceRtl ? cx - 1 - x : x)) * 4;
            const BYTE* pb = b + (std::size_t(y) * cx + (destinationRtl ? cx - 1 - x : x)) * 4;
            BYTE* pr = r + (std::size_t(y) * cx + x) * 4;
            for (int c = 0; c < 3; ++c)
                pr[c] = BYTE(pb[c] * (255 - pa[3]) / 255 + pa[c]);
            pr[3] = 0;
        }
    SelectedDC result(dc, sectionR.handle);
    if (!result.Get())
        return FALSE;
    return BitBlt(dc, destination.left, destination.top, cx, cy, result.Get(), 0, 0,
                  destinationRtl ? (SRCCOPY | NOMIRRORBITMAP) : SRCCOPY);
}

BOOL CJQWImageManager::TransparentBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect,
                                       COLORREF transparent)
{
    if (GetOsVersionInfo().IsWin2000OrLater() && m_transparentBlt)
        return m_transparentBlt(dc, destination.left, destination.top, destination.Width(), destination.Height(),
                                source, sourceRect.left, sourceRect.top, sourceRect.Width(), sourceRect.Height(),
                                transparent);
    return SoftwareTransparentBlit(dc, destination, source, sourceRect, transparent);
}

BOOL CJQWImageManager::SoftwareTransparentBlit(HDC dc, const CRect& destination, HDC source, const CRect& sourceRect,
                                               COLORREF transparent)
{
    const int cx = sourceRect.Width(), cy = sourceRect.Height();
    if (cx <= 0 || cy <= 0)
        return FALSE;
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    OwnedBitmap color { CreateCompatibleBitmap(dc, cx, cy) };
    OwnedBitmap mask { CreateBitmap(cx, cy, 1, 1, nullptr) };
    bool ok = color.handle && mask.handle;
    if (ok) {
        SelectedDC colorDC(dc, color.handle), maskDC(dc, mask.handle);
        ok = colorDC.Get() && maskDC.Get();
        ok = ok && BitBlt(colorDC.Get(), 0, 0, cx, cy, source, sourceRect.left, sourceRect.top, SRCCOPY);
        // Transparent pixels become 1 in the mask.
        SetBkColor(colorDC.Get(), transparent);
        ok = ok && BitBlt(maskDC.Get(), 0, 0, cx, cy, colorDC.Get(), 0, 0, SRCCOPY);
        if (ok && transparent != 0) {
            SetBkColor(colorDC.Get(), RGB(0, 0, 0));
            SetTextColor(colorDC.Get(), RGB(255, 255, 255));
            ok = BitBlt(colorDC.Get(), 0, 0, cx, cy, maskDC.Get(), 0, 0, SRCAND);
        }
        if (ok) {
            if (destination.Width() == cx && destination.Height() == cy)
                ok = BitBlt(dc, destination.left, destination.top, cx, cy, maskDC.Get(), 0, 0, SRCAND) &&
                     BitBlt(dc, destination.left, destination.top, cx, cy, colorDC.Get(), 0, 0, SRCPAINT);
            else
                ok = StretchBlt(dc, destination.left, destination.top, destination.Width(), destination.Height(),
                                maskDC.Get(), 0, 0, cx, cy, SRCAND) &&
                     StretchBlt(dc, destination.left, destination.top, destination.Width(), destination.Height(),
                                colorDC.Get(), 0, 0, cx, cy, SRCPAINT);
        }
    }
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    return ok;
}
