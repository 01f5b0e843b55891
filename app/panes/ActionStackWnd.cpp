#include "app/panes/ActionStackWnd.h"

#include "app/panes/ActionDragFormats.h"
#include "app/panes/PaneMenu.h"
#include "app/windows/MultiMsgBox.h"
#include "engine/Action.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/TextHelpers.h"
#include "platform/controls/CommonNotifications.h"
#include "platform/controls/ListView.h"
#include "toolkit/controls/AuxData.h"

#include "AppPaneResources.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr UINT IDB_ACTION_ICONS = 145;
constexpr UINT IDB_EMPTY_STACK = 150;
constexpr UINT IDR_STACK_MENU = 163;
constexpr UINT IDS_COLUMN_ACTION_NAME = 138;
constexpr UINT IDS_COLUMN_TARGET_TYPE = 139;
constexpr UINT IDS_COLUMN_PROPERTIES = 140;
constexpr UINT IDS_SUPER_ACTIONS = 141;
constexpr UINT IDS_MAIN_ACTIONS = 142;
constexpr UINT IDS_POST_PROCESS = 143;
constexpr UINT IDS_SINGLE_IMAGE_FILE = 144;
constexpr UINT IDS_SINGLE_TARGET = 145;
constexpr UINT IDS_RUN_STACK = 146;
constexpr UINT IDS_INVALID_PROPERTIES = 147;
constexpr size_t kMaxValueLength = 50;
constexpr int kIconCount = 25;

constexpr std::array<std::pair<const char16_t*, int>, 21> kIconTable { {
    { u"builtin__brightenimage", 0 }, { u"builtin__contrastimage", 1 }, { u"builtin__cropimage", 2 },
    { u"builtin__rotateimage", 3 }, { u"builtin__resizeimage", 4 }, { u"builtin__desaturateimage", 5 },
    { u"builtin__shadow", 6 }, { u"builtin__rrframe", 7 }, { u"builtin__addborder", 8 },
    { u"builtin__savefile", 9 }, { u"builtin_zipall", 10 }, { u"builtin_ftp", 11 },
    { u"builtin__watermark", 15 }, { u"builtin__sharpen", 16 }, { u"builtin__sepia", 18 },
    { u"builtin__flip", 19 }, { u"builtin__autocolor", 20 }, { u"builtin_imagegallery", 21 },
    { u"builtin_flickr", 22 }, { u"builtin_email", 23 }, { u"builtin__frame", 24 },
} };

std::u16string Lower(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return out;
}

// Passwords, keys and tokens of the post-process actions: the column shows that one is set,
// never what it is (the list is on screen and in screenshots).
bool IsSecretProperty(std::u16string_view name)
{
    const std::u16string lower = Lower(name);
    auto has = [&](std::u16string_view part) { return lower.find(part) != std::u16string::npos; };
    if (has(u"protect") || has(u"passive"))
        return false;
    return has(u"pass") || has(u"authkey") || has(u"auth_token") || has(u"token") || has(u"secret");
}

StackRowData* RecordOf(LPARAM param) { return reinterpret_cast<StackRowData*>(param); }

} // namespace

int GetActionIconIndex(std::u16string_view typeKey)
{
    for (const auto& [key, index] : kIconTable)
        if (typeKey == key)
            return index;
    return -1;
}

int GetActionIconIndex(const CAction* action) { return action ? GetActionIconIndex(action->GetTypeKey()) : -1; }

// ---- CListrCtrlEx

IMPLEMENT_DYNAMIC(CListrCtrlEx, CListCtrl)

BEGIN_MESSAGE_MAP(CListrCtrlEx, CListCtrl)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CListrCtrlEx::OnCustomDraw)
END_MESSAGE_MAP()

void CListrCtrlEx::SetIconSize(int cx, int cy)
{
    m_iconWidth = cx;
    m_iconHeight = cy;
    std::array<UINT, kIconCount> ids {};
    for (int i = 0; i < kIconCount; ++i)
        ids[size_t(i)] = UINT(i);
    m_imageManager.SetIconsFromResource(IDB_ACTION_ICONS, ids.data(), kIconCount, CSize(cx, cy));
    // The list owns the image list it shows and destroys it with itself; the one it showed
    // before is ours to destroy.
    HIMAGELIST rows = ImageList_Create(cx, cy, ILC_COLOR4, 0, 0);
    auto old = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(rows)));
    if (old && old != rows)
        ImageList_Destroy(old);
}

bool CListrCtrlEx::OnPrePaintItem(int, CDC*, int, int, int, int) { return false; }

void CListrCtrlEx::OnCustomDraw(NMHDR* header, LRESULT* result)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    *result = 0;
    const DWORD stage = draw->nmcd.dwDrawStage;
    if (stage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYITEMDRAW;
        return;
    }
    const int item = int(draw->nmcd.dwItemSpec);
    CDC* dc = CDC::FromHandle(draw->nmcd.hdc);
    if (stage == CDDS_ITEMPREPAINT) {
        CRect bounds;
        GetItemRect(item, &bounds, LVIR_BOUNDS);
        *result = OnPrePaintItem(item, dc, bounds.left, bounds.top, bounds.right, bounds.bottom) ? CDRF_SKIPDEFAULT
                                                                                              : CDRF_NOTIFYPOSTPAINT;
        return;
    }
    if (stage != CDDS_ITEMPOSTPAINT)
        return;
    LVITEMW record {};
    record.mask = LVIF_IMAGE;
    record.iItem = item;
    GetItem(&record);
    CJQWImageManagerIcon* icon = record.iImage >= 0 ? m_imageManager.GetImage(UINT(record.iImage), m_iconWidth) : nullptr;
    if (m_nInsertRow >= 0) {
        CRect bounds;
        GetItemRect(item, &bounds, LVIR_BOUNDS);
        const int count = GetItemCount();
        const COLORREF mark = ::GetSysColor(COLOR_HIGHLIGHT);
        if (item == m_nInsertRow)
            dc->FillSolidRect(bounds.left, bounds.top, bounds.Width(), 2, mark);
        else if (item == count - 1 && m_nInsertRow == count)
            dc->FillSolidRect(bounds.left, bounds.bottom - 2, bounds.Width(), 2, mark);
    }
    if (!icon)
        return;
    CRect cell;
    GetItemRect(item, &cell, LVIR_ICON);
    icon->DrawNormalImage(dc->m_hDC, cell.left, cell.top);
    *result = CDRF_SKIPDEFAULT;
}

// ---- CActionStackDropTarget

namespace {

bool OffersActions(COleDataObject* data)
{
    return data && (data->IsDataAvailable(CLIPFORMAT(GetActionObjectFormat()))
                       || data->IsDataAvailable(CLIPFORMAT(GetActionsObjectFormat())));
}

void SetInsertRow(CActionStackWnd* pane, int row)
{
    if (pane->m_nInsertRow == row)
        return;
    pane->m_nInsertRow = row;
    pane->Invalidate();
}

} // namespace

DROPEFFECT CActionStackDropTarget::OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint)
{
    return OffersActions(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

DROPEFFECT CActionStackDropTarget::OnDragOver(CWnd* window, COleDataObject* data, DWORD, CPoint point)
{
    if (!OffersActions(data))
        return DROPEFFECT_NONE;
    auto* pane = static_cast<CActionStackWnd*>(window);
    LVHITTESTINFO hit {};
    hit.pt = point;
    int row = pane->HitTest(&hit);
    if (row < 0)
        row = pane->GetItemCount();
    SetInsertRow(pane, row);
    return DROPEFFECT_COPY;
}

void CActionStackDropTarget::OnDragLeave(CWnd* window)
{
    SetInsertRow(static_cast<CActionStackWnd*>(window), -2);
}

BOOL CActionStackDropTarget::OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT, CPoint point)
{
    auto* pane = static_cast<CActionStackWnd*>(window);
    if (data && data->IsDataAvailable(CLIPFORMAT(GetActionObjectFormat()))) {
        CAction* action = ReadActionObjectPayload(data);
        if (!action)
            return FALSE;
        SetInsertRow(pane, -2);
        LVHITTESTINFO hit {};
        hit.pt = point;
        const int hitRow = pane->HitTest(&hit);
        const int current = pane->FindActionRow(action);
        if (current >= 0)
            pane->MoveAction(hitRow > 0 ? hitRow - 1 : hitRow, current);
        else
            pane->AddNewAction(action, hitRow);
        return TRUE;
    }
    if (data && data->IsDataAvailable(CLIPFORMAT(GetActionsObjectFormat()))) {
        const std::vector<CAction*>* actions = ReadActionsObjectPayload(data);
        if (!actions)
            return FALSE;
        SetInsertRow(pane, -2);
        for (CAction* action : *actions)
            if (action)
                pane->AddNewAction(action, -1);
        return TRUE;
    }
    return FALSE;
}

// ---- CActionStackWnd

IMPLEMENT_DYNAMIC(CActionStackWnd, CListrCtrlEx)

BEGIN_MESSAGE_MAP(CActionStackWnd, CListrCtrlEx)
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_WM_LBUTTONDOWN()
    ON_NOTIFY_REFLECT(NM_DBLCLK, &CActionStackWnd::OnDblClick)
    ON_NOTIFY_REFLECT(NM_RCLICK, &CActionStackWnd::OnRightClick)
    ON_NOTIFY_REFLECT(LVN_BEGINDRAG, &CActionStackWnd::OnBeginDrag)
    ON_NOTIFY_REFLECT(LVN_ITEMCHANGING, &CActionStackWnd::OnItemChanging)
    ON_NOTIFY_REFLECT(LVN_DELETEITEM, &CActionStackWnd::OnDeleteItem)
    ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CActionStackWnd::OnCustomDrawItems)
END_MESSAGE_MAP()

CActionStackWnd::CActionStackWnd()
{
    // The pane's pictures, menus and strings live in this table; the reference keeps it linked.
    static const void* volatile table = &AppPaneResources;
    (void)table;
    m_nInsertRow = -2;
    m_bModified = 0;
}

CActionStackWnd::~CActionStackWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

void CActionStackWnd::Init()
{
    m_dropTarget.Register(this);
    const std::pair<UINT, int> columns[] = { { IDS_COLUMN_ACTION_NAME, 150 }, { IDS_COLUMN_TARGET_TYPE, 150 },
        { IDS_COLUMN_PROPERTIES, 400 } };
    int index = 0;
    for (const auto& [textId, width] : columns) {
        std::u16string text = LoadStringText(textId);
        LVCOLUMNW column {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = text.data();
        column.iSubItem = index;
        InsertColumn(index++, &column);
    }
    SetIconSize(22, 22);
    m_emptyPicture.Load(IDB_EMPTY_STACK);
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

CAction* CActionStackWnd::GetRowAction(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return nullptr;
    const StackRowData* record = RecordOf(GetItemData(row));
    return record ? record->action : nullptr;
}

int CActionStackWnd::GetRowKind(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return -1;
    const StackRowData* record = RecordOf(GetItemData(row));
    return record ? record->kind : -1;
}

int CActionStackWnd::selectedRow() const
{
    return int(SendMessage(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

CAction* CActionStackWnd::GetSelectedAction() const { return GetRowAction(selectedRow()); }

int CActionStackWnd::FindActionRow(const CAction* action) const
{
    if (!action)
        return -1;
    const std::u16string id = action->GetId();
    for (int row = 0; row < GetItemCount(); ++row) {
        const CAction* candidate = GetRowAction(row);
        if (candidate && candidate->GetId() == id)
            return row;
    }
    return -1;
}

bool CActionStackWnd::HasActionOfType(std::u16string_view typeKey) const
{
    for (int row = 0; row < GetItemCount(); ++row) {
        const CAction* action = GetRowAction(row);
        if (action && action->GetTypeKey() == typeKey)
            return true;
    }
    return false;
}

int CActionStackWnd::FindMainGroupRow() const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (!GetRowAction(row) && GetRowKind(row) == StackRowData::KIND_MAIN_GROUP)
            return row;
    return -1;
}

int CActionStackWnd::FindPostProcessGroupRow() const
{
    for (int row = 0; row < GetItemCount(); ++row)
        if (!GetRowAction(row) && GetRowKind(row) == StackRowData::KIND_POSTPROCESS_GROUP)
            return row;
    return -1;
}

int CActionStackWnd::CountMainActions() const
{
    int count = 0;
    for (int row = 0; row < GetItemCount(); ++row)
        if (const CAction* action = GetRowAction(row); action && !action->IsPostProcess())
            ++count;
    return count;
}

int CActionStackWnd::CountPostProcessActions() const
{
    int count = 0;
    for (int row = 0; row < GetItemCount(); ++row)
        if (const CAction* action = GetRowAction(row); action && action->IsPostProcess())
            ++count;
    return count;
}

std::u16string CActionStackWnd::GetTargetTypeText(const CAction* action) const
{
    if (action && action->IsPostProcess())
        return LoadStringText(IDS_POST_PROCESS);
    if (dynamic_cast<const CActionImage*>(action))
        return LoadStringText(IDS_SINGLE_IMAGE_FILE);
    return LoadStringText(IDS_SINGLE_TARGET);
}

void CActionStackWnd::UpdatePropertiesText(int row)
{
    CAction* action = GetRowAction(row);
    if (!action)
        return;
    std::vector<std::u16string> names;
    std::vector<std::u16string> values;
    action->EnumerateProperties(names, values);
    std::u16string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i)
            text += u',';
        text += names[i];
        text += u'=';
        if (IsSecretProperty(names[i]))
            text += values[i].empty() ? u"" : u"****";
        else
            text += values[i].substr(0, kMaxValueLength);
    }
    SetItemText(row, 2, text.c_str());
}

void CActionStackWnd::insertGroupRow(int row, int kind)
{
    auto* record = new StackRowData;
    record->InitForGroup(LoadStringText(kind == StackRowData::KIND_MAIN_GROUP ? IDS_MAIN_ACTIONS : IDS_SUPER_ACTIONS),
        kind);
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<WCHAR*>(u"GROUP");
    item.iImage = -1;
    item.lParam = LPARAM(record);
    if (InsertItem(&item) < 0)
        delete record;
}

int CActionStackWnd::PrepareInsertRow(CAction* action, int row)
{
    int group;
    int end;
    if (action->IsPostProcess()) {
        group = FindPostProcessGroupRow();
        if (group < 0) {
            group = GetItemCount();
            insertGroupRow(group, StackRowData::KIND_POSTPROCESS_GROUP);
        }
        end = GetItemCount();
    } else {
        group = FindMainGroupRow();
        if (group < 0) {
            group = 0;
            insertGroupRow(0, StackRowData::KIND_MAIN_GROUP);
        }
        end = FindPostProcessGroupRow();
        if (end < 0)
            end = GetItemCount();
    }
    if (row == -1)
        return end;
    if (row <= group)
        return group + 1;
    if (row < end)
        return row;
    return end;
}

void CActionStackWnd::insertRowAt(CAction* action, int row)
{
    const std::u16string name = action->GetName();
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<WCHAR*>(name.c_str());
    item.iImage = GetActionIconIndex(action);
    row = InsertItem(&item);
    if (row < 0)
        return;
    SetItemText(row, 1, GetTargetTypeText(action).c_str());
    auto* record = new StackRowData;
    record->InitForAction(action);
    LVITEMW data {};
    data.mask = LVIF_PARAM;
    data.iItem = row;
    data.lParam = LPARAM(record);
    SendMessage(LVM_SETITEMW, 0, LPARAM(&data));
    UpdatePropertiesText(row);
    m_bModified = 1;
}

void CActionStackWnd::InsertActionRow(CAction* action, int row)
{
    if (!action)
        return;
    insertRowAt(action, PrepareInsertRow(action, row));
}

CAction* CActionStackWnd::AddNewAction(CAction* prototype, int row)
{
    if (!prototype)
        return nullptr;
    CAction* action = CreateActionByType(prototype->GetTypeKey());
    if (!action)
        return nullptr;
    const bool wasEmpty = GetItemCount() == 0;
    InsertActionRow(action, row);
    action->Release();
    if (wasEmpty)
        Invalidate();
    return action;
}

void CActionStackWnd::MoveAction(int newRow, int current)
{
    if (newRow == current)
        return;
    CAction* action = GetRowAction(current);
    if (!action)
        return;
    int target = PrepareInsertRow(action, newRow);
    // A main action taken from above the "Super Actions" row and sent to the end of its group
    // would otherwise land below that row, among the post-process actions.
    const int postGroup = FindPostProcessGroupRow();
    if (!action->IsPostProcess() && postGroup >= 0 && target == postGroup && current < target)
        target = postGroup - 1;
    if (target == current)
        return;
    action->AddRef();
    DeleteItem(current);
    insertRowAt(action, target);
    action->Release();
    const int row = FindActionRow(action);
    if (row >= 0)
        SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    m_bModified = 1;
}

bool CActionStackWnd::RemoveSelectedAction()
{
    const int row = selectedRow();
    if (row >= 0) {
        DeleteItem(row);
        m_bModified = 1;
    }
    if (CountPostProcessActions() == 0)
        if (const int group = FindPostProcessGroupRow(); group >= 0)
            DeleteItem(group);
    if (CountMainActions() == 0)
        if (const int group = FindMainGroupRow(); group >= 0)
            DeleteItem(group);
    return row >= 0;
}

void CActionStackWnd::LoadActions(CActionStack* stack)
{
    DeleteAllItems();
    m_bModified = 1;
    if (!stack)
        return;
    for (int i = 0; i < stack->GetActionCount(); ++i)
        InsertActionRow(stack->GetAction(i), -1);
    Invalidate();
}

CActionStack* CActionStackWnd::BuildStack()
{
    auto* stack = new CActionStack;
    for (int row = 0; row < GetItemCount(); ++row)
        if (CAction* action = GetRowAction(row))
            stack->InsertAction(action, row);
    return stack;
}

bool CActionStackWnd::EditSelectedProperties()
{
    const int row = selectedRow();
    CAction* action = GetRowAction(row);
    if (!action)
        return false;
    if (!action->EditProperties(1, m_hWnd))
        return false;
    // The dialog may have run a loop in which rows changed; refresh the action's own row.
    const int now = FindActionRow(action);
    if (now >= 0)
        UpdatePropertiesText(now);
    m_bModified = 1;
    return true;
}

bool CActionStackWnd::ValidateActions()
{
    CStringArray lines;
    int count = 0;
    for (int row = 0; row < GetItemCount(); ++row) {
        CAction* action = GetRowAction(row);
        if (!action)
            continue;
        std::vector<std::u16string> problems;
        if (action->Validate(problems))
            continue;
        for (const std::u16string& problem : problems) {
            lines.Add(CString((action->GetName() + u": " + problem).c_str()));
            ++count;
        }
    }
    if (count == 0)
        return true;
    CMultiMsgBox box(this);
    box.m_lines.Copy(lines);
    box.m_strTitle = CString(LoadStringText(IDS_RUN_STACK).c_str());
    box.m_strHeader = CString(LoadStringText(IDS_INVALID_PROPERTIES).c_str());
    box.DoModal();
    return false;
}

bool CActionStackWnd::OnPrePaintItem(int item, CDC* dc, int left, int top, int right, int bottom)
{
    const int kind = GetRowKind(item);
    if (kind != StackRowData::KIND_MAIN_GROUP && kind != StackRowData::KIND_POSTPROCESS_GROUP)
        return false;
    const StackRowData* record = RecordOf(GetItemData(item));
    const int saved = dc->SaveDC();
    dc->SelectObject(&GetGlobalAuxData().fontBold);
    const std::u16string caption = record->GetText();
    const CSize extent = dc->GetTextExtent(caption.c_str(), int(caption.size()));
    const int height = bottom - top;
    CRect text(left + 5, top + height / 2 - extent.cy / 2, right + 5, bottom);
    dc->SetBkMode(TRANSPARENT);
    dc->DrawText(caption.c_str(), int(caption.size()), &text, DT_LEFT);
    dc->FillSolidRect(left, bottom - 1, right - left, 1, RGB(100, 100, 100));
    dc->RestoreDC(saved);
    return true;
}

BOOL CActionStackWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE && msg->hwnd == m_hWnd) {
        CWnd* parent = GetParent();
        if (parent && parent->SendMessage(WM_VORNALT_REMOVE_SELECTED_ACTION, 0, 0))
            return TRUE;
    }
    return CListrCtrlEx::PreTranslateMessage(msg);
}

BOOL CActionStackWnd::OnEraseBkgnd(CDC* dc)
{
    return m_emptyPicture.Erase(*this, dc) ? TRUE : BOOL(Default());
}

void CActionStackWnd::OnCustomDrawItems(NMHDR* header, LRESULT* result)
{
    if (m_emptyPicture.CustomDraw(*this, reinterpret_cast<const NMLVCUSTOMDRAW*>(header))) {
        *result = CDRF_SKIPDEFAULT;
        return;
    }
    OnCustomDraw(header, result);
}

void CActionStackWnd::OnDestroy()
{
    // The records go here rather than through the reflected deletions: the parent may already be
    // on its way out and no longer reflect them.
    for (int row = 0; row < GetItemCount(); ++row) {
        StackRowData* record = RecordOf(GetItemData(row));
        LVITEMW data {};
        data.mask = LVIF_PARAM;
        data.iItem = row;
        SendMessage(LVM_SETITEMW, 0, LPARAM(&data));
        delete record;
    }
    DeleteAllItems();
    m_dropTarget.Revoke();
    CListrCtrlEx::OnDestroy();
}

void CActionStackWnd::OnLButtonDown(UINT keys, CPoint point)
{
    LVHITTESTINFO hit {};
    hit.pt = point;
    const int row = HitTest(&hit);
    if (row >= 0 && !GetRowAction(row) && GetRowKind(row) != StackRowData::KIND_ACTION)
        return;
    CListrCtrlEx::OnLButtonDown(keys, point);
}

void CActionStackWnd::OnDblClick(NMHDR*, LRESULT* result)
{
    EditSelectedProperties();
    *result = 0;
}

void CActionStackWnd::OnRightClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    TrackPaneMenu(IDR_STACK_MENU, this);
}

void CActionStackWnd::OnBeginDrag(NMHDR*, LRESULT* result)
{
    *result = 0;
    CAction* action = GetSelectedAction();
    if (!action)
        return;
    HGLOBAL block = MakeActionObjectPayload(action);
    if (!block)
        return;
    COleDataSource source;
    source.CacheGlobalData(CLIPFORMAT(GetActionObjectFormat()), block);
    POINT at {};
    ::GetCursorPos(&at);
    const RECT start { at.x - 5, at.y - 5, at.x + 5, at.y + 5 };
    // The row holds the action while the drag runs; a drop that moves it keeps a reference.
    action->AddRef();
    source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, &start);
    action->Release();
}

void CActionStackWnd::OnItemChanging(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    *result = 0;
    if (change->uChanged != LVIF_STATE || !(change->uNewState & LVIS_SELECTED))
        return;
    const StackRowData* record = RecordOf(change->lParam);
    if (record && !record->action)
        *result = 1;
}

void CActionStackWnd::OnDeleteItem(NMHDR* header, LRESULT* result)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    delete RecordOf(change->lParam);
    *result = 0;
}
