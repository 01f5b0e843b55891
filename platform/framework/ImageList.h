#pragma once
// CImageList over the drawing layer's image lists. The object owns the list it created or
// attached and destroys it with itself; Detach lets it go.

#include "platform/framework/DC.h"
#include "platform/gdi/ImageList.h"

class CImageList : public CObject {
    DECLARE_DYNAMIC(CImageList)
public:
    CImageList() = default;
    ~CImageList() override { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    BOOL Attach(HIMAGELIST list);
    HIMAGELIST Detach();
    BOOL DeleteImageList();

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // A strip of `id` from the current resource module: images of width cx, masked by `mask`.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
    BOOL Create(CImageList* source) { return Attach(ImageList_Duplicate(source ? source->m_hImageList : nullptr)); }

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL SetImageCount(UINT count) { return ImageList_SetImageCount(m_hImageList, count); }
    int Add(CBitmap* image, CBitmap* mask) { return ImageList_Add(m_hImageList, Handle(image), Handle(mask)); }
    int Add(CBitmap* image, COLORREF mask) { return ImageList_AddMasked(m_hImageList, Handle(image), mask); }
    int Add(HICON icon) { return ImageList_ReplaceIcon(m_hImageList, -1, icon); }
    BOOL Replace(int index, CBitmap* image, CBitmap* mask) { return ImageList_Replace(m_hImageList, index, Handle(image), Handle(mask)); }
    int Replace(int index, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, index, icon); }
    BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
    HICON ExtractIcon(int index) { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }
    BOOL Draw(CDC* dc, int index, POINT p, UINT style)
    {
        return ImageList_Draw(m_hImageList, index, dc ? dc->m_hDC : nullptr, p.x, p.y, style);
    }
    BOOL DrawEx(CDC* dc, int index, POINT p, SIZE size, COLORREF background, COLORREF foreground, UINT style)
    {
        return ImageList_DrawEx(m_hImageList, index, dc ? dc->m_hDC : nullptr, p.x, p.y, size.cx, size.cy, background, foreground, style);
    }
    BOOL DrawIndirect(IMAGELISTDRAWPARAMS* params)
    {
        params->himl = m_hImageList;
        return ImageList_DrawIndirect(params);
    }
    COLORREF SetBkColor(COLORREF color) { return ImageList_SetBkColor(m_hImageList, color); }
    COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }
    BOOL GetImageInfo(int index, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, index, info); }
    BOOL GetIconSize(int* cx, int* cy) const { return ImageList_GetIconSize(m_hImageList, cx, cy); }
    BOOL SetIconSize(int cx, int cy) { return ImageList_SetIconSize(m_hImageList, cx, cy); }

    HIMAGELIST m_hImageList = nullptr;

private:
    static HBITMAP Handle(CBitmap* bitmap) { return bitmap ? static_cast<HBITMAP>(*bitmap) : nullptr; }
};
