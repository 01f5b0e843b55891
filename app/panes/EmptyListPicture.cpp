#include "app/panes/EmptyListPicture.h"

#include "platform/framework/DC.h"

BOOL CEmptyListPicture::Erase(CListCtrl& list, CDC* dc)
{
    if (!Shows(list))
        return FALSE;
    CRect client;
    list.GetClientRect(&client);
    dc->FillSolidRect(&client, RGB(255, 255, 255));
    Draw(dc, client);
    return TRUE;
}

BOOL CEmptyListPicture::CustomDraw(CListCtrl& list, const NMLVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage != CDDS_PREPAINT || !Shows(list))
        return FALSE;
    CDC* dc = CDC::FromHandle(draw->nmcd.hdc);
    CRect client;
    list.GetClientRect(&client);
    CRect below = client;
    if (CWnd* header = list.GetHeaderCtrl(); header && header->IsWindowVisible()) {
        CRect headerRect;
        header->GetWindowRect(&headerRect);
        below.top = headerRect.Height();
    }
    dc->FillSolidRect(&below, RGB(255, 255, 255));
    Draw(dc, client);
    return TRUE;
}

void CEmptyListPicture::Draw(CDC* dc, const CRect& client)
{
    BITMAP info {};
    m_picture.GetBitmap(&info);
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* old = memory.SelectObject(&m_picture);
    dc->BitBlt(client.Width() / 2 - info.bmWidth / 2, client.Height() / 2 - info.bmHeight / 2, info.bmWidth,
        info.bmHeight, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}
