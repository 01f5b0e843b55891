#include "platform/framework/ImageList.h"

IMPLEMENT_DYNAMIC(CImageList, CObject)

BOOL CImageList::Attach(HIMAGELIST list)
{
    if (!list)
        return FALSE;
    DeleteImageList();
    m_hImageList = list;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST list = m_hImageList;
    m_hImageList = nullptr;
    return list;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList)
        return FALSE;
    return ImageList_Destroy(Detach());
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    return Attach(ImageList_Create(cx, cy, flags, initial, grow));
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask)
{
    CBitmap strip;
    if (!strip.LoadBitmap(bitmapId))
        return FALSE;
    BITMAP info {};
    strip.GetBitmap(&info);
    if (cx <= 0 || !Create(cx, info.bmHeight, ILC_COLOR32 | (mask != CLR_NONE ? ILC_MASK : 0), info.bmWidth / cx, grow))
        return FALSE;
    int added = mask != CLR_NONE ? Add(&strip, mask) : Add(&strip, static_cast<CBitmap*>(nullptr));
    if (added < 0) {
        DeleteImageList();
        return FALSE;
    }
    return TRUE;
}
