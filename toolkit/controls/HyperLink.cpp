#include "toolkit/controls/HyperLink.h"

#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DeviceContexts.h"
#include "toolkit/drawing/ResourceManager.h"

#include "platform/controls/CommonControls.h"
#include "platform/gdi/SystemModel.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Cursors.h"
#include "platform/user/MessageBox.h"

#include "ToolkitControlsResources.h"

namespace {

constexpr UINT_PTR kHoverTimer = 1;

struct OpenError {
    int code;
    UINT stringId;
};
constexpr OpenError kOpenErrors[] = { { 0, 9357 },  { 2, 9358 },  { 3, 9359 },  { 5, 9360 },  { 8, 9361 },
                                      { 11, 9362 }, { 26, 9363 }, { 27, 9364 }, { 28, 9365 }, { 29, 9366 },
                                      { 30, 9367 }, { 31, 9368 }, { 32, 9369 } };

} // namespace

IMPLEMENT_DYNCREATE(CJQHyperLink, CStatic)

BEGIN_MESSAGE_MAP(CJQHyperLink, CStatic)
    ON_WM_CREATE()
    ON_WM_NCHITTEST()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_WM_WINDOWPOSCHANGED()
    ON_WM_DESTROY()
    ON_CONTROL_REFLECT_EX(STN_CLICKED, &CJQHyperLink::OnClicked)
END_MESSAGE_MAP()

CJQHyperLink::CJQHyperLink()
{
    // Names the table of the error texts, so that every program using this file links it.
    static const void* volatile table = &ToolkitControlsResources;
    (void)table;
    m_hCursor = ::LoadCursorW(nullptr, IDC_HAND);
    if (!m_hCursor)
        m_hCursor = GetResourceManager()->LoadCursor(9973);
}

CJQHyperLink::~CJQHyperLink()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
}

void CJQHyperLink::SetUrl(LPCWSTR url)
{
    m_strUrl = url ? url : u"";
    if (m_strToolTip.IsEmpty())
        m_strToolTip = m_strUrl;
    if (m_strToolTip.IsEmpty() || !m_hWnd)
        return;
    TOOLINFOW tool {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = m_hWnd;
    tool.uId = UINT_PTR(m_hWnd);
    if (m_hToolTip && ::IsWindow(m_hToolTip)) {
        tool.lpszText = const_cast<WCHAR*>(m_strUrl.GetString());
        ::SendMessage(m_hToolTip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
        return;
    }
    m_hToolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, m_hWnd,
                                   nullptr, nullptr, nullptr);
    if (!m_hToolTip)
        return;
    GetClientRect(&tool.rect);
    tool.lpszText = const_cast<WCHAR*>(m_strToolTip.GetString());
    ::SendMessage(m_hToolTip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    ::SendMessage(m_hToolTip, TTM_ACTIVATE, m_bToolTipEnabled, 0);
}

void CJQHyperLink::SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover)
{
    m_crLink = link;
    m_crVisited = visited;
    m_crHover = hover;
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CJQHyperLink::SetVisited(BOOL visited)
{
    m_bVisited = visited;
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CJQHyperLink::SetUnderline(BOOL underline)
{
    m_bUnderline = underline;
    UpdateFont();
}

void CJQHyperLink::SetBackColor(COLORREF color)
{
    m_crBack = color;
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

COLORREF CJQHyperLink::GetBackColor() const
{
    return m_crBack == COLORREF(-1) ? GetColorManager()->GetColor(COLOR_BTNFACE) : m_crBack;
}

BOOL CJQHyperLink::OpenUrl(LPCWSTR target, int showCommand, LPCWSTR parameters, LPCWSTR directory)
{
    const CString file = target ? CString(target) : m_strUrl;
    const LONG_PTR result = reinterpret_cast<LONG_PTR>(
        ::ShellExecuteW(m_hWnd, u"open", file.GetString(), parameters, directory, showCommand));
    if (result <= 32) {
        ReportOpenError(int(result));
        return FALSE;
    }
    return TRUE;
}

BOOL CJQHyperLink::IsTextStatic() const { return m_hWnd && (GetStyle() & 0xFF) < SS_ICON; }

BOOL CJQHyperLink::IsCursorOverText() const
{
    if (!IsTextStatic())
        return TRUE;
    CString text;
    GetWindowText(text);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, HGDIOBJ(::SendMessage(m_hWnd, WM_GETFONT, 0, 0)));
    SIZE size {};
    ::GetTextExtentPoint32W(dc, text.GetString(), text.GetLength(), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    CRect r;
    GetWindowRect(&r);
    const int spare = r.Width() - size.cx;
    switch (GetStyle() & 0xFF) {
    case SS_CENTER:
        r.DeflateRect(spare / 2, 0);
        break;
    case SS_RIGHT:
        r.left = r.right - size.cx;
        break;
    default:
        r.right = r.left + size.cx;
        break;
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    return r.PtInRect(cursor);
}

void CJQHyperLink::ReportOpenError(int code)
{
    UINT id = 9370;
    for (const OpenError& e : kOpenErrors)
        if (e.code == code)
            id = e.stringId;
    CString text;
    GetResourceManager()->LoadString(text, id);
    if (id == 9370) {
        const CString format = text;
        text.Format(format.GetString(), code);
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ::MessageBoxW(m_hWnd, text.GetString(), nullptr, MB_ICONEXCLAMATION);
}

BOOL CJQHyperLink::InitControl()
{
    if (!m_hWnd)
        return FALSE;
    if (IsTextStatic() && m_strUrl.IsEmpty()) {
        CString text;
        GetWindowText(text);
        SetUrl(text.GetString());
    }
    ModifyStyle(0, SS_NOTIFY);
    UpdateFont();
    return TRUE;
}

void CJQHyperLink::UpdateFont()
{
    CFont font;
    CreateLinkFont(font, m_bUnderline);
    m_font.DeleteObject();
    m_font.Attach(font.Detach());
    if (m_hWnd)
        SendMessage(WM_SETFONT, WPARAM(m_font.GetSafeHandle()), TRUE);
}

BOOL CJQHyperLink::CreateLinkFont(CFont& font, BOOL underline)
{
    LOGFONTW description {};
    HFONT present = m_hWnd ? reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    if (!present || !::GetObjectW(present, sizeof description, &description)) {
        NONCLIENTMETRICSW metrics {};
        metrics.cbSize = sizeof metrics;
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        description = metrics.lfStatusFont;
    }
    description.lfUnderline = underline ? TRUE : FALSE;
    font.DeleteObject();
    return font.CreateFontIndirect(&description);
}

BOOL CJQHyperLink::PreTranslateMessage(MSG* msg)
{
    if (m_hToolTip && ::IsWindow(m_hToolTip) && m_bToolTipEnabled)
        ::SendMessage(m_hToolTip, TTM_RELAYEVENT, 0, LPARAM(msg));
    return CStatic::PreTranslateMessage(msg);
}

BOOL CJQHyperLink::PreCreateWindow(CREATESTRUCTW& cs)
{
    m_bSubclassed = FALSE;
    return CStatic::PreCreateWindow(cs);
}

void CJQHyperLink::PreSubclassWindow()
{
    CStatic::PreSubclassWindow();
    if (m_bSubclassed)
        InitControl();
}

int CJQHyperLink::OnCreate(CREATESTRUCTW*)
{
    const int result = int(Default());
    if (result == -1)
        return -1;
    InitControl();
    return result;
}

LRESULT CJQHyperLink::OnNcHitTest(CPoint) { return HTCLIENT; }

BOOL CJQHyperLink::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (m_hCursor && IsCursorOverText()) {
        ::SetCursor(m_hCursor);
        return TRUE;
    }
    return CStatic::OnSetCursor(wnd, hitTest, message);
}

void CJQHyperLink::OnMouseMove(UINT flags, CPoint point)
{
    if (IsTextStatic() && IsCursorOverText())
        SetTimer(kHoverTimer, 10);
    CStatic::OnMouseMove(flags, point);
}

void CJQHyperLink::OnTimer(UINT_PTR id)
{
    if (IsTextStatic()) {
        const BOOL over = IsCursorOverText();
        if (over != m_bHover) {
            m_bHover = over;
            RedrawWindow();
        }
        if (!over)
            KillTimer(kHoverTimer);
    }
    CStatic::OnTimer(id);
}

HBRUSH CJQHyperLink::CtlColor(CDC* dc, UINT)
{
    if (!IsTextStatic())
        return nullptr;
    // The parent's default answer first: it sets the DC's colours, which the link's then replace.
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        ::DefWindowProcW(::GetParent(m_hWnd), WM_CTLCOLORSTATIC, WPARAM(dc->m_hDC), LPARAM(m_hWnd)));
    if (!brush)
        brush = ::GetSysColorBrush(COLOR_BTNFACE);
    dc->SetTextColor(m_bHover ? m_crHover : m_bVisited ? m_crVisited : m_crLink);
    dc->SetBkMode(TRANSPARENT);
    return m_crBack != COLORREF(-1) ? HBRUSH(::GetStockObject(NULL_BRUSH)) : brush;
}

BOOL CJQHyperLink::OnEraseBkgnd(CDC* dc)
{
    if (m_crBack == COLORREF(-1))
        return CStatic::OnEraseBkgnd(dc);
    return TRUE;
}

void CJQHyperLink::OnPaint()
{
    if ((GetExStyle() & WS_EX_TRANSPARENT) || m_crBack == COLORREF(-1)) {
        Default();
        return;
    }
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    CJQWBufferDC buffer(paint.m_hDC, client);
    buffer.FillSolidRect(&client, m_crBack);
    DefWindowProc(WM_PAINT, WPARAM(buffer.m_hDC), 0);
}

void CJQHyperLink::OnWindowPosChanged(WINDOWPOS*)
{
    Default();
    Invalidate();
}

void CJQHyperLink::OnDestroy()
{
    if (m_hToolTip && ::IsWindow(m_hToolTip))
        ::DestroyWindow(m_hToolTip);
    m_hToolTip = nullptr;
    CStatic::OnDestroy();
}

BOOL CJQHyperLink::OnClicked()
{
    if (IsCursorOverText()) {
        if (m_bOpenOnClick)
            m_bVisited = OpenUrl(nullptr, SW_SHOW);
        else
            m_bVisited = TRUE;
        if (m_hToolTip && ::IsWindow(m_hToolTip) && m_bToolTipEnabled)
            ::SendMessage(m_hToolTip, TTM_POP, 0, 0);
        Invalidate();
    }
    return IsTextStatic() ? FALSE : TRUE;
}
