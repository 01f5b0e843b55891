#include "app/panes/AvailableActionsTreeWnd.h"

#include "app/panes/ActionDragFormats.h"
#include "app/panes/ActionStackWnd.h"
#include "app/panes/PaneMenu.h"
#include "engine/Action.h"
#include "engine/ActionRegistry.h"
#include "engine/TextHelpers.h"
#include "platform/controls/CommonNotifications.h"
#include "platform/controls/TreeView.h"

#include "AppPaneResources.h"

#include <array>

namespace {

constexpr UINT IDB_ACTION_ICONS = 145;
constexpr UINT IDR_ACTIONS_MENU = 164;
constexpr int kIconCount = 25;

struct Group {
    UINT captionId;
    int icon;
    std::vector<const char16_t*> typeKeys;
};

const std::array<Group, 3>& Groups()
{
    static const std::array<Group, 3> groups { {
        { 291, 14, { u"builtin__brightenimage", u"builtin__contrastimage", u"builtin__cropimage",
            u"builtin__rotateimage", u"builtin__resizeimage", u"builtin__desaturateimage", u"builtin__shadow",
            u"builtin__rrframe", u"builtin__addborder", u"builtin__watermark", u"builtin__sharpen",
            u"builtin__sepia", u"builtin__flip", u"builtin__autocolor", u"builtin__frame" } },
        { 148, 12, { u"builtin__savefile" } },
        { 141, 13, { u"builtin_imagegallery", u"builtin_zipall", u"builtin_ftp", u"builtin_flickr",
            u"builtin_email" } },
    } };
    return groups;
}

} // namespace

DROPEFFECT CAvailableActionsTreeDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return RefuseDrag(); }

DROPEFFECT CAvailableActionsTreeDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return RefuseDrag(); }

IMPLEMENT_DYNAMIC(CAvailableActionsTreeWnd, CJQTreeCtrl)

BEGIN_MESSAGE_MAP(CAvailableActionsTreeWnd, CJQTreeCtrl)
    ON_WM_DESTROY()
    ON_NOTIFY_REFLECT(TVN_BEGINDRAGW, &CAvailableActionsTreeWnd::OnBeginDrag)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CAvailableActionsTreeWnd::OnCustomDrawItems)
    ON_NOTIFY_REFLECT(NM_RCLICK, &CAvailableActionsTreeWnd::OnRightClick)
END_MESSAGE_MAP()

CAvailableActionsTreeWnd::CAvailableActionsTreeWnd()
{
    // The pane's pictures, menus and strings live in this table; the reference keeps it linked.
    static const void* volatile table = &AppPaneResources;
    (void)table;
}

CAvailableActionsTreeWnd::~CAvailableActionsTreeWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

void CAvailableActionsTreeWnd::Init()
{
    m_dropTarget.Register(this);
    if (m_toolTip.CreateTipWindow(this)) {
        m_toolTip.ApplyStandardLook();
        m_toolTip.AddWindowTool(this, HtmlText());
    }
    SetImageLists();
    for (const Group& group : Groups()) {
        const std::u16string caption = LoadStringText(group.captionId);
        HTREEITEM parent = InsertItem(caption.c_str(), group.icon, group.icon, TVI_ROOT, TVI_LAST);
        for (const char16_t* typeKey : group.typeKeys) {
            CAction* prototype = CreateActionByType(typeKey);
            if (!prototype)
                continue;
            AddPrototype(parent, GetActionIconIndex(prototype), prototype);
        }
    }
}

void CAvailableActionsTreeWnd::SetImageLists()
{
    m_imageList.DeleteImageList();
    if (!m_imageList.Create(IDB_ACTION_ICONS, 22, 0, RGB(0, 0, 0)))
        return;
    SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(m_imageList.GetSafeHandle()));
    std::array<UINT, kIconCount> ids {};
    for (int i = 0; i < kIconCount; ++i)
        ids[size_t(i)] = UINT(i);
    m_imageManager.SetIconsFromResource(IDB_ACTION_ICONS, ids.data(), kIconCount, CSize(22, 22));
}

HTREEITEM CAvailableActionsTreeWnd::AddPrototype(HTREEITEM group, int iconIndex, CAction* prototype)
{
    const std::u16string name = prototype->GetName();
    HTREEITEM item = InsertItem(name.c_str(), iconIndex, iconIndex, group, TVI_LAST);
    if (!item) {
        prototype->Release();
        return nullptr;
    }
    SetItemData(item, DWORD_PTR(prototype));
    return item;
}

CAction* CAvailableActionsTreeWnd::GetPrototype(HTREEITEM item) const
{
    return item ? reinterpret_cast<CAction*>(GetItemData(item)) : nullptr;
}

int CAvailableActionsTreeWnd::GetSelectedPrototypes(std::vector<CAction*>& prototypes) const
{
    for (HTREEITEM item = GetFirstSelectedItem(); item; item = GetNextSelectedItem(item)) {
        if (CAction* prototype = GetPrototype(item)) {
            prototype->AddRef();
            prototypes.push_back(prototype);
        }
    }
    return int(prototypes.size());
}

std::u16string CAvailableActionsTreeWnd::GetTooltipText(const CAction* prototype)
{
    return u"<font size=\"1.2em\"><b>" + prototype->GetName() + u"</b></font><br>" + prototype->GetDescription();
}

BOOL CAvailableActionsTreeWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_MOUSEMOVE && msg->hwnd == m_hWnd) {
        const CPoint point(short(LOWORD(msg->lParam)), short(HIWORD(msg->lParam)));
        HTREEITEM item = HitTest(point);
        if (const CAction* prototype = GetPrototype(item)) {
            CRect row;
            GetItemRect(item, &row, FALSE);
            m_toolTip.RemoveWindowTools(this);
            m_toolTip.AddWindowTool(this, GetTooltipText(prototype), &row);
        }
    }
    if (m_toolTip.m_hWnd && m_toolTip.RelayMessage(msg))
        return TRUE;
    return CJQTreeCtrl::PreTranslateMessage(msg);
}

BOOL CAvailableActionsTreeWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    // The toolkit tree takes the item deletions for its own bookkeeping; the prototypes go too.
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == TVN_DELETEITEMW) {
            const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
            if (auto* prototype = reinterpret_cast<CAction*>(change->itemOld.lParam))
                prototype->Release();
        }
    }
    return CJQTreeCtrl::OnChildNotify(message, wParam, lParam, result);
}

void CAvailableActionsTreeWnd::OnBeginDrag(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const auto* drag = reinterpret_cast<const NMTREEVIEWW*>(header);
    std::vector<CAction*> prototypes;
    const int count = GetSelectedPrototypes(prototypes);
    HGLOBAL block = nullptr;
    UINT format = 0;
    if (count == 1) {
        block = MakeActionObjectPayload(GetPrototype(drag->itemNew.hItem));
        format = GetActionObjectFormat();
    } else if (count > 1) {
        block = MakeActionsObjectPayload(&prototypes);
        format = GetActionsObjectFormat();
    }
    if (block) {
        COleDataSource source;
        source.CacheGlobalData(CLIPFORMAT(format), block);
        POINT at {};
        ::GetCursorPos(&at);
        const RECT start { at.x - 5, at.y - 5, at.x + 5, at.y + 5 };
        source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, &start);
    }
    for (CAction* prototype : prototypes)
        prototype->Release();
}

void CAvailableActionsTreeWnd::OnCustomDrawItems(NMHDR* header, LRESULT* result)
{
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(header);
    if (!draw) {
        *result = -1;
        return;
    }
    *result = 0;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return;
    case CDDS_ITEMPREPAINT:
        *result = CDRF_NOTIFYPOSTPAINT;
        return;
    case CDDS_ITEMPOSTPAINT:
        break;
    default:
        return;
    }
    if (!m_imageList.GetSafeHandle())
        return;
    IMAGEINFO info {};
    if (!m_imageList.GetImageInfo(0, &info))
        return;
    const int width = info.rcImage.right - info.rcImage.left;
    auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    CRect text;
    if (!GetItemRect(item, &text, TRUE))
        return;
    CRect cell(text.left - width, text.top, text.left, text.bottom);
    cell.OffsetRect(-3, 0);
    CDC* dc = CDC::FromHandle(draw->nmcd.hdc);
    dc->FillSolidRect(&cell, ::GetSysColor(COLOR_WINDOW));
    TVITEMW record {};
    record.mask = TVIF_HANDLE | TVIF_IMAGE;
    record.hItem = item;
    SendMessage(TVM_GETITEMW, 0, LPARAM(&record));
    if (CJQWImageManagerIcon* icon = m_imageManager.GetImage(UINT(record.iImage), width))
        icon->DrawNormalImage(dc->m_hDC, cell.left, cell.top);
}

void CAvailableActionsTreeWnd::OnRightClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    TrackPaneMenu(IDR_ACTIONS_MENU, this);
}

void CAvailableActionsTreeWnd::releasePrototypes(HTREEITEM first)
{
    for (HTREEITEM item = first; item; item = GetNextSiblingItem(item)) {
        releasePrototypes(GetChildItem(item));
        if (CAction* prototype = GetPrototype(item)) {
            SetItemData(item, 0);
            prototype->Release();
        }
    }
}

void CAvailableActionsTreeWnd::OnDestroy()
{
    m_dropTarget.Revoke();
    if (m_toolTip.m_hWnd)
        m_toolTip.DestroyWindow();
    // The prototypes go here rather than through the reflected deletions: the parent may already
    // be on its way out and no longer reflect them.
    releasePrototypes(GetRootItem());
    DeleteAllItems();
    CJQTreeCtrl::OnDestroy();
}
