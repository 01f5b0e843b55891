#include "toolkit/controls/Resize.h"

#include "platform/framework/WinApp.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/ControlMessages.h"
#include "platform/user/Cursors.h"

#include <cstring>
#include <cwctype>

BEGIN_MESSAGE_MAP(CJQSizeIcon, CScrollBar)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CJQSizeIcon::CJQSizeIcon() : m_cursor(::LoadCursorW(nullptr, IDC_SIZENWSE)) { }

BOOL CJQSizeIcon::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (hitTest == HTCLIENT && m_cursor) {
        ::SetCursor(m_cursor);
        return TRUE;
    }
    return CScrollBar::OnSetCursor(wnd, hitTest, message);
}

IMPLEMENT_DYNAMIC(CJQResizeGroupBox, CWnd)

CJQResizeItem::CJQResizeItem(CJQResize* engine, CWnd* wnd, const JQ_RESIZERECT& anchor, const JQ_RESIZERECT& position,
                             bool ownsWindow)
    : m_pEngine(engine), m_pWnd(wnd), m_rcAnchor(anchor), m_rcPosition(position), m_bOwnsWindow(ownsWindow)
{
}

CJQResizeItem::~CJQResizeItem()
{
    if (m_bOwnsWindow && m_pWnd) {
        m_pWnd->Detach();
        delete m_pWnd;
    }
}

void CJQResizeItem::MakeGroupBoxTransparent()
{
    if (m_pEngine->GetFlags() & jqResizeOpaqueGroupBoxes)
        return;
    HWND hwnd = AfxSafeHwnd(m_pWnd);
    if (!::IsWindow(hwnd))
        return;
    WCHAR name[9] {};
    ::GetClassNameW(hwnd, name, 9);
    static const char16_t button[] = u"button";
    for (int i = 0; i < 7; ++i) {
        if (std::towlower(wint_t(name[i])) != wint_t(button[i]))
            return;
    }
    if ((DWORD(::GetWindowLongPtrW(hwnd, GWL_STYLE)) & 0x10007) != BS_GROUPBOX)
        return;
    if (m_pWnd->IsKindOf(RUNTIME_CLASS(CJQResizeGroupBox)))
        return;
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_bRepaint = true;
}

CJQResize::CJQResize(CWnd* owner, DWORD flags) : m_dwFlags(flags), m_pOwner(owner) { }

CJQResize::~CJQResize()
{
    RemoveAllItems();
    if (::IsWindow(m_sizeIcon.m_hWnd))
        m_sizeIcon.DestroyWindow();
}

void CJQResize::RemoveAllItems()
{
    for (CJQResizeItem* item : m_items)
        delete item;
    m_items.clear();
}

void CJQResize::InitLayout()
{
    if (!m_pOwner)
        return;
    RemoveAllItems();
    m_pOwner->GetWindowRect(&m_rcWindow);
    m_rcInitWindow = m_rcWindow;
    if (!(m_dwFlags & jqResizeNoMinTrackSize)) {
        m_szMin.cx = m_rcWindow.right - m_rcWindow.left;
        m_szMin.cy = m_rcWindow.bottom - m_rcWindow.top;
    }
    if (!(m_dwFlags & jqResizeNoChildClipping))
        m_pOwner->ModifyStyle(0, WS_CLIPCHILDREN);
    if (m_dwFlags & jqResizeNoGrip)
        return;
    if (!::IsWindow(m_sizeIcon.m_hWnd)) {
        RECT client;
        m_pOwner->GetClientRect(&client);
        client.right -= 1;
        client.bottom -= 1;
        client.left = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
        client.top = client.bottom - ::GetSystemMetrics(SM_CYHSCROLL);
        m_sizeIcon.Create(u"ScrollBar", u"", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, client, m_pOwner, JQ_IDC_SIZEICON);
    }
    ::SetWindowPos(m_sizeIcon.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    SetControlAnchors(JQ_IDC_SIZEICON, nullptr, MakeResizeRect(1, 1, 1, 1));
}

BOOL CJQResize::SetControlAnchors(UINT id, HWND hwnd, const JQ_RESIZERECT& anchor)
{
    for (CJQResizeItem* item : m_items) {
        HWND child = AfxSafeHwnd(item->m_pWnd);
        if (::IsWindow(child) && UINT(::GetDlgCtrlID(child)) == id) {
            item->m_rcAnchor.left += anchor.left;
            item->m_rcAnchor.top += anchor.top;
            item->m_rcAnchor.right += anchor.right;
            item->m_rcAnchor.bottom += anchor.bottom;
            return TRUE;
        }
    }
    if (!hwnd && m_pOwner)
        hwnd = ::GetDlgItem(m_pOwner->m_hWnd, int(id));
    // An item for a window that does not exist would only be skipped by every layout.
    if (!::IsWindow(hwnd) || !m_pOwner)
        return FALSE;
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    bool owns = false;
    if (!wnd) {
        wnd = new CWnd;
        wnd->Attach(hwnd);
        owns = true;
    }
    RECT r;
    ::GetWindowRect(hwnd, &r);
    m_pOwner->ScreenToClient(&r);
    auto* item = new CJQResizeItem(this, wnd, anchor,
                                   { float(r.left), float(r.top), float(r.right), float(r.bottom) }, owns);
    item->MakeGroupBoxTransparent();
    m_items.push_back(item);
    return TRUE;
}

void CJQResize::RepaintItems()
{
    for (CJQResizeItem* item : m_items) {
        if (item->m_bRepaint && ::IsWindow(AfxSafeHwnd(item->m_pWnd)))
            item->m_pWnd->Invalidate(TRUE);
    }
}

void CJQResize::ApplyLayout()
{
    if (m_items.empty() || !m_pOwner)
        return;
    RECT r;
    m_pOwner->GetWindowRect(&r);
    AdjustLayoutRect(r);
    const int dx = (r.right - r.left) - (m_rcWindow.right - m_rcWindow.left);
    const int dy = (r.bottom - r.top) - (m_rcWindow.bottom - m_rcWindow.top);
    HDWP defer = ::BeginDeferWindowPos(int(m_items.size()));
    for (CJQResizeItem* item : m_items)
        MoveItem(defer, item, float(dx), float(dy));
    if (defer)
        ::EndDeferWindowPos(defer);
    RepaintItems();
    m_rcWindow = r;
}

BOOL CJQResize::MoveItem(HDWP& defer, CJQResizeItem* item, float dx, float dy)
{
    HWND hwnd = AfxSafeHwnd(item->m_pWnd);
    if (!::IsWindow(hwnd))
        return TRUE;
    if (!item->m_bMovedOnce) {
        // A child registered after the owner changed size catches up with the whole change.
        RECT now;
        m_pOwner->GetWindowRect(&now);
        dx = float((now.right - now.left) - (m_rcInitWindow.right - m_rcInitWindow.left));
        dy = float((now.bottom - now.top) - (m_rcInitWindow.bottom - m_rcInitWindow.top));
        item->m_bMovedOnce = true;
    }
    const JQ_RESIZERECT& a = item->m_rcAnchor;
    const JQ_RESIZERECT& p = item->m_rcPosition;
    const JQ_RESIZERECT next { p.left + a.left * dx, p.top + a.top * dy, p.right + a.right * dx,
                               p.bottom + a.bottom * dy };
    if (std::memcmp(&next, &p, sizeof next) == 0)
        return TRUE;
    const int x = int(next.left);
    const int y = int(next.top);
    const int width = int(next.right - next.left);
    const int height = int(next.bottom - next.top);
    RECT present;
    ::GetWindowRect(hwnd, &present);
    m_pOwner->ScreenToClient(&present);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    if (x == present.left && y == present.top)
        flags |= SWP_NOMOVE;
    if (int(next.right) - x == present.right - present.left && int(next.bottom) - y == present.bottom - present.top)
        flags |= SWP_NOSIZE;
    else
        flags |= SWP_NOCOPYBITS;
    if (!defer)
        return FALSE;
    defer = ::DeferWindowPos(defer, hwnd, nullptr, x, y, width, height, flags);
    if (!defer)
        return FALSE;
    item->m_rcPosition = next;
    return TRUE;
}

void CJQResize::OffsetItems(int dx, int dy)
{
    HDWP defer = ::BeginDeferWindowPos(int(m_items.size()));
    for (CJQResizeItem* item : m_items) {
        const JQ_RESIZERECT saved = item->m_rcAnchor;
        item->m_rcAnchor = MakeResizeRect(float(dx), float(dy), float(dx), float(dy));
        item->m_bMovedOnce = true;
        MoveItem(defer, item, 1, 1);
        item->m_rcAnchor = saved;
    }
    if (defer)
        ::EndDeferWindowPos(defer);
    RepaintItems();
}

BOOL CJQResize::RestorePlacement(LPCWSTR section)
{
    m_section = section;
    return LoadPlacement(section);
}

BOOL CJQResize::LoadPlacement(LPCWSTR section)
{
    CWinApp* app = AfxGetApp();
    if (!app || !m_pOwner)
        return FALSE;
    BYTE* data = nullptr;
    UINT bytes = 0;
    BOOL result = FALSE;
    if (app->GetProfileBinary(section, u"WindowPlacement", &data, &bytes) && data && bytes == sizeof(WINDOWPLACEMENT)) {
        WINDOWPLACEMENT placement;
        std::memcpy(&placement, data, sizeof placement);
        placement.length = sizeof placement;
        result = ::SetWindowPlacement(m_pOwner->m_hWnd, &placement);
    }
    delete[] data;
    return result;
}

BOOL CJQResize::SavePlacement(LPCWSTR section)
{
    CWinApp* app = AfxGetApp();
    if (!app || !m_pOwner)
        return FALSE;
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    if (!::GetWindowPlacement(m_pOwner->m_hWnd, &placement))
        return FALSE;
    return app->WriteProfileBinary(section, u"WindowPlacement", reinterpret_cast<const BYTE*>(&placement),
                                   sizeof placement);
}

void CJQResize::GetMinMaxInfo(MINMAXINFO* info) const
{
    if (m_rcWindow.left == 0 && m_rcWindow.top == 0 && m_rcWindow.right == 0 && m_rcWindow.bottom == 0)
        return;
    if (m_dwFlags & jqResizeFixedWidth) {
        info->ptMaxSize.x = m_rcWindow.right - m_rcWindow.left;
        info->ptMaxTrackSize.x = info->ptMaxSize.x;
    }
    if (m_dwFlags & jqResizeFixedHeight) {
        info->ptMaxSize.y = m_rcWindow.bottom - m_rcWindow.top;
        info->ptMaxTrackSize.y = info->ptMaxSize.y;
    }
    if (m_szMin.cx)
        info->ptMinTrackSize.x = m_szMin.cx;
    if (m_szMin.cy)
        info->ptMinTrackSize.y = m_szMin.cy;
    if (m_szMax.cx)
        info->ptMaxTrackSize.x = m_szMax.cx;
    if (m_szMax.cy)
        info->ptMaxTrackSize.y = m_szMax.cy;
}

IMPLEMENT_DYNCREATE(CJQResizeDialog, CDialog)

BEGIN_MESSAGE_MAP(CJQResizeDialog, CDialog)
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CJQResizeDialog::CJQResizeDialog() : CJQResize(this, 0) { }

CJQResizeDialog::CJQResizeDialog(UINT templateId, CWnd* parent, DWORD flags)
    : CDialog(templateId, parent), CJQResize(this, flags)
{
}

CJQResizeDialog::~CJQResizeDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
}

BOOL CJQResizeDialog::OnInitDialog()
{
    if (!(GetStyle() & WS_THICKFRAME))
        SetFlags(jqResizeNoGrip);
    CDialog::OnInitDialog();
    InitLayout();
    return TRUE;
}

void CJQResizeDialog::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    ApplyLayout();
}

void CJQResizeDialog::OnGetMinMaxInfo(MINMAXINFO* info)
{
    CDialog::OnGetMinMaxInfo(info);
    GetMinMaxInfo(info);
}

void CJQResizeDialog::OnDestroy()
{
    if (!m_section.IsEmpty())
        SavePlacement(m_section.GetString());
    CDialog::OnDestroy();
}
