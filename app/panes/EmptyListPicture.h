#pragma once
// The picture an empty pane shows centred on white, in its erase and in its custom paint (the
// list view paints its own background, so the erase alone would be painted over).

#include "platform/framework/CommonCtrlClasses.h"
#include "platform/framework/GdiClasses.h"

class CEmptyListPicture {
public:
    void Load(UINT bitmapId) { m_picture.LoadBitmap(bitmapId); }
    // TRUE when the list is empty and the picture was drawn over the whole client area.
    BOOL Erase(CListCtrl& list, CDC* dc);
    // TRUE when the list is empty and the picture was drawn below the header: skip the default.
    BOOL CustomDraw(CListCtrl& list, const NMLVCUSTOMDRAW* draw);

private:
    bool Shows(CListCtrl& list) const { return list.GetItemCount() == 0 && m_picture.GetSafeHandle(); }
    void Draw(CDC* dc, const CRect& client);

    CBitmap m_picture;
};
