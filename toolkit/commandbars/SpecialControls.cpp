#include "toolkit/commandbars/SpecialControls.h"

#include "platform/user/Mdi.h"

#include <algorithm>
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ToolBar.h"

IMPLEMENT_DYNCREATE(CJQWControlWindowList, CJQWControlButton)
IMPLEMENT_DYNCREATE(CJQWControlRecentFileList, CJQWControlButton)
IMPLEMENT_DYNCREATE(CJQWControlToolbars, CJQWControlButton)
IMPLEMENT_DYNCREATE(CJQWControlOleItems, CJQWControlButton)
IMPLEMENT_DYNCREATE(CJQWControlLabel, CJQWControl)
IMPLEMENT_DYNCREATE(CJQWControlSelector, CJQWControl)

namespace {

constexpr UINT kFirstMdiChild = 0xFF00;
constexpr int kWindowsListed = 9;
constexpr int kRecentFileIds = 16;
const WCHAR kToolbarEntry[] = u"CJQWControlToolbar";

// Placeholders drop only on popup bars while customizing.
BOOL DropOnPopupsOnly(CJQWCommandBar* bar, int& effect)
{
    if (bar && bar->GetType() == jqwBarTypePopup)
        return TRUE;
    effect = 0;
    return FALSE;
}

CString Number(int n)
{
    WCHAR text[16];
    int i = 15;
    text[i] = 0;
    do {
        text[--i] = WCHAR(u'0' + n % 10);
        n /= 10;
    } while (n > 0);
    return CString(text + i);
}

} // namespace

CString JQWEntryCaption(const CString& text, int n)
{
    CString escaped;
    for (int i = 0; i < text.GetLength(); ++i) {
        escaped += text.GetAt(i);
        if (text.GetAt(i) == u'&')
            escaped += u'&';
    }
    if (n >= 1 && n <= 9)
        return CString(u"&") + Number(n) + CString(u" ") + escaped;
    if (n == 10)
        return CString(u"1&0 ") + escaped;
    if (n > 10)
        return Number(n) + CString(u" ") + escaped;
    return escaped;
}

CJQWControlWindowList::CJQWControlWindowList() { m_nId = 35000; }

BOOL CJQWControlWindowList::CanDropOnBar(CJQWCommandBar* bar, CPoint, int& effect)
{
    return DropOnPopupsOnly(bar, effect);
}

HWND CJQWControlWindowList::GetMdiClient() const
{
    // Only a multiple-document frame has a client window of the MDI class.
    CWnd* site = m_pParent ? m_pParent->GetSite() : nullptr;
    if (!site || !site->GetSafeHwnd())
        return nullptr;
    return ::FindWindowExW(site->GetSafeHwnd(), nullptr, u"MDIClient", nullptr);
}

void CJQWControlWindowList::PrepareLayout(int)
{
    static UINT firstChild = kFirstMdiChild;
    if (!m_pControls || !m_pParent)
        return;
    while (m_nIndex + 1 < m_pControls->GetCount() && UINT(m_pControls->GetAt(m_nIndex + 1)->GetID()) >= firstChild)
        m_pControls->RemoveAt(m_nIndex + 1);
    HWND client = GetMdiClient();
    if (m_pParent->IsCustomizeMode() || !client) {
        SetHideFlags(0);
        return;
    }
    SetHideFlags(m_dwHideFlags | jqwHideGeneric);
    HWND active = reinterpret_cast<HWND>(::SendMessageW(client, WM_MDIGETACTIVE, 0, 0));
    if (active) {
        const UINT id = UINT(::GetDlgCtrlID(active));
        if (id >= 0x8000 && id <= 0x8000 + 46)
            firstChild = 0x8000;
        else if (id >= 1 && id <= 46)
            firstChild = 1;
    }
    int listed = 0;
    int at = m_nIndex + 1;
    for (UINT id = firstChild; listed < kWindowsListed; ++id) {
        HWND child = ::GetDlgItem(client, int(id));
        if (!child)
            break;
        if (!::IsWindowVisible(child))
            continue;
        WCHAR title[256] = {};
        ::GetWindowTextW(child, title, 256);
        CJQWControl* entry = m_pControls->Add(JQW_CONTROL_BUTTON, int(id), CString(), at++, TRUE);
        if (!entry)
            break;
        ++listed;
        entry->SetCaption(JQWEntryCaption(CString(title), listed));
        entry->SetBeginGroup(listed == 1 ? m_bBeginGroup : FALSE);
        entry->SetChecked(child == active ? 1 : 0);
        entry->SetFlags(entry->GetFlags() | jqwFlagNoUpdate | (listed == 1 ? (m_dwFlags & jqwFlagWrapRow) : 0));
        entry->SetHelpId(61215);
    }
}

CJQWControlRecentFileList::CJQWControlRecentFileList() { m_nId = 35003; }

BOOL CJQWControlRecentFileList::CanDropOnBar(CJQWCommandBar* bar, CPoint, int& effect)
{
    return DropOnPopupsOnly(bar, effect);
}

void CJQWControlRecentFileList::PrepareLayout(int)
{
    if (!m_pControls || !m_pParent)
        return;
    const std::vector<CString>* list = GetRecentFileList();
    const int first = GetFirstMruID();
    const int size = list ? int(list->size()) : 0;
    while (m_nIndex + 1 < m_pControls->GetCount()) {
        // The whole id range of the list: entries of a longer list from last time go as well.
        const int id = m_pControls->GetAt(m_nIndex + 1)->GetID();
        if (id < first || id > first + std::max(size, kRecentFileIds))
            break;
        m_pControls->RemoveAt(m_nIndex + 1);
    }
    if (!list)
        return;
    if (m_pParent->IsCustomizeMode()) {
        SetHideFlags(0);
        SetEnabled(1);
        return;
    }
    if (list->empty() || list->front().IsEmpty()) {
        SetHideFlags(0);
        SetEnabled(0);
        return;
    }
    SetHideFlags(m_dwHideFlags | jqwHideGeneric);
    for (int i = 0; i < size && !(*list)[size_t(i)].IsEmpty(); ++i) {
        CJQWControl* entry = m_pControls->Add(JQW_CONTROL_BUTTON, first + i, CString(), m_nIndex + 1 + i, TRUE);
        if (!entry)
            break;
        entry->SetCaption(JQWEntryCaption((*list)[size_t(i)], i + 1));
        entry->SetFlags(entry->GetFlags() | jqwFlagNoUpdate | (i == 0 ? (m_dwFlags & jqwFlagWrapRow) : 0));
        entry->SetBeginGroup(i == 0 && m_nIndex > 0);
    }
}

CJQWControlToolbars::CJQWControlToolbars() { m_nId = 0xE800; }

void CJQWControlToolbars::CJQWControlToolbar::Execute()
{
    CJQWCommandBars* bars = m_pControls ? m_pControls->GetCommandBars() : nullptr;
    if (!bars && m_pParent)
        bars = m_pParent->GetCommandBars();
    CJQWCommandBars::ClosePopups();
    if (bars)
        bars->ToggleToolBarVisible(int(m_nTag));
}

void CJQWControlToolbars::PrepareLayout(int)
{
    if (!m_pControls || !m_pParent)
        return;
    while (m_nIndex + 1 < m_pControls->GetCount()
        && m_pControls->GetAt(m_nIndex + 1)->GetParameter() == CString(kToolbarEntry))
        m_pControls->RemoveAt(m_nIndex + 1);
    if (m_pParent->IsCustomizeMode())
        return;
    SetHideFlags(m_dwHideFlags | jqwHideGeneric);
    CJQWCommandBars* bars = m_pParent->GetCommandBars();
    if (!bars)
        return;
    int at = m_nIndex + 1;
    BOOL first = TRUE;
    for (int i = 0; i < bars->GetCount(); ++i) {
        CJQWToolBar* bar = bars->GetToolBar(i);
        if (!bar || !bar->IsContextMenuPresent() || !bar->IsCloseable())
            continue;
        auto* entry = new CJQWControlToolbar;
        m_pControls->Add(entry, m_nId, CString(kToolbarEntry), at++, TRUE);
        entry->SetTag(DWORD_PTR(i));
        entry->SetBeginGroup(first ? m_bBeginGroup : FALSE);
        entry->SetCaption(JQWEntryCaption(bar->GetTitle(), 0));
        entry->SetFlags(entry->GetFlags() | jqwFlagNoUpdate);
        entry->SetChecked(bar->IsVisible() ? 1 : 0);
        first = FALSE;
    }
}

CJQWControlOleItems::CJQWControlOleItems()
{
    m_nId = 57872;
    m_strCaption = CString(u"<<OLE VERBS GO HERE>>");
}

void CJQWControlOleItems::PrepareLayout(int)
{
    if (m_pControls && m_nIndex + 1 < m_pControls->GetCount()
        && m_pControls->GetAt(m_nIndex + 1)->GetParameter() == CString(u"OLEMENUPOPUP"))
        m_pControls->RemoveAt(m_nIndex + 1);
    if (m_pParent && !m_pParent->IsCustomizeMode())
        SetHideFlags(m_dwHideFlags | jqwHideGeneric);
}

CJQWControlLabel::CJQWControlLabel()
{
    m_controlType = JQW_CONTROL_LABEL;
    m_dwFlags = 0x1A;
}

void CJQWControlLabel::OnClick(BOOL, CPoint point)
{
    if (m_pParent && m_pParent->IsCustomizeMode() && IsCustomizeMovable())
        OnCustomizeMouseDown(point);
}

CSize CJQWControlSelector::GetSize(CDC*)
{
    return CSize(m_szItemsVisible.cx * m_szItem.cx, m_szItemsVisible.cy * m_szItem.cy);
}

void CJQWControlSelector::OnMouseMove(CPoint point)
{
    CSize hover(0, 0);
    for (int x = 0; x < m_szItemsVisible.cx; ++x)
        if (m_rcControl.left + x * m_szItem.cx < point.x)
            hover.cx = x + 1;
    for (int y = 0; y < m_szItemsVisible.cy; ++y)
        if (m_rcControl.top + y * m_szItem.cy < point.y)
            hover.cy = y + 1;
    if (hover != m_szItemsHover) {
        m_szItemsHover = hover;
        RedrawParent(FALSE);
        NotifySite(0x1006);
    }
}

void CJQWControlSelector::OnLButtonUp(CPoint)
{
    if (m_szItemsHover != CSize(0, 0)) {
        m_szResult = m_szItemsHover;
        Execute();
    }
}

void CJQWControlSelector::PrepareLayout(int)
{
    if (m_bLockUpdate)
        return;
    m_szItemsHover = CSize(0, 0);
    m_szItemsVisible = m_szItemsCount;
    NotifySite(0x1006);
}

void CJQWControlSelector::Copy(const CJQWControl* other, BOOL deep)
{
    CJQWControl::Copy(other, deep);
    if (const auto* selector = dynamic_cast<const CJQWControlSelector*>(other)) {
        m_szItemsCount = selector->m_szItemsCount;
        m_szItemsMax = selector->m_szItemsMax;
        m_szItem = selector->m_szItem;
    }
}
