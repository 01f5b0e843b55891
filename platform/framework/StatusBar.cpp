#include "platform/framework/StatusBar.h"

#include "platform/gdi/SystemModel.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

namespace {

// A pane's update: enabled shows the text, checked pops the pane out.
class CStatusCmdUI : public CCmdUI {
public:
    CStatusBar* bar = nullptr;
    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        m_bEnabled = on;
        const UINT style = bar->GetPaneStyle(int(m_nIndex));
        bar->SetPaneStyle(int(m_nIndex), on ? (style & ~SBPS_DISABLED) : (style | SBPS_DISABLED));
    }
    void SetCheck(int check) override
    {
        m_nCheck = check;
        const UINT style = bar->GetPaneStyle(int(m_nIndex));
        bar->SetPaneStyle(int(m_nIndex), check ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT));
    }
    void SetRadio(BOOL on) override { SetCheck(on ? 1 : 0); }
    void SetText(const WCHAR* text) override { bar->SetPaneText(int(m_nIndex), text); }
};

} // namespace

CStatusBar::CStatusBar()
{
    m_cxLeftBorder = m_cxRightBorder = 0;
    m_cyTopBorder = 2;
    m_cyBottomBorder = 0;
}

CStatusBar::~CStatusBar()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, id); }

BOOL CStatusBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, UINT id)
{
    m_dwStyle = style & CBRS_ALL;
    DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NORESIZE
        | CCS_NODIVIDER;
    if (parent && (parent->GetStyle() & WS_THICKFRAME))
        windowStyle |= SBARS_SIZEGRIP;
    RegisterControlClasses();
    return CWnd::CreateEx(0, STATUSCLASSNAMEW, nullptr, windowStyle, CRect(), parent, id);
}

int CStatusBar::TextWidth(const CString& text) const
{
    HDC hdc = ::GetDC(m_hWnd);
    HFONT font = reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = ::SelectObject(hdc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size {};
    ::GetTextExtentPoint32W(hdc, text.GetString(), text.GetLength(), &size);
    ::SelectObject(hdc, old);
    ::ReleaseDC(m_hWnd, hdc);
    return size.cx;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_panes.clear();
    BOOL all = TRUE;
    for (int i = 0; i < count && ids; ++i) {
        Pane pane;
        pane.id = ids[i];
        if (pane.id == ID_SEPARATOR) {
            pane.width = ::GetSystemMetrics(SM_CXSCREEN) / 4;
            if (i == 0)
                pane.style = SBPS_STRETCH | SBPS_NOBORDERS;
        } else {
            if (!pane.text.LoadString(pane.id)) {
                all = FALSE;
                break;
            }
            pane.width = TextWidth(pane.text);
        }
        m_panes.push_back(pane);
    }
    Layout();
    return all;
}

// The parts' right edges: fixed panes at their widths, the stretching ones sharing what is left.
void CStatusBar::Layout()
{
    if (!m_hWnd)
        return;
    if (m_panes.empty()) {
        const int one = -1;
        ::SendMessage(m_hWnd, SB_SETPARTS, 1, LPARAM(&one));
        return;
    }
    int borders[3] {};
    ::SendMessage(m_hWnd, SB_GETBORDERS, 0, LPARAM(borders));
    CRect client;
    GetClientRect(&client);
    CRect inside = client;
    CalcInsideRect(inside, TRUE);
    const int gap = borders[2];
    int free = inside.Width() + gap;
    int stretchers = 0;
    for (const Pane& p : m_panes) {
        free -= p.width + gap + 6; // 6: the part's own edges and margins
        if (p.style & SBPS_STRETCH)
            ++stretchers;
    }
    std::vector<int> edges;
    int right = borders[0];
    for (const Pane& p : m_panes) {
        right += p.width + 6;
        if ((p.style & SBPS_STRETCH) && free > 0 && stretchers > 0) {
            const int share = free / stretchers--;
            right += share;
            free -= share;
        }
        edges.push_back(right);
        right += gap;
    }
    ::SendMessage(m_hWnd, SB_SETPARTS, WPARAM(edges.size()), LPARAM(edges.data()));
    for (int i = 0; i < int(m_panes.size()); ++i)
        SendText(i);
}

void CStatusBar::SendText(int index)
{
    const Pane& p = m_panes[size_t(index)];
    const WPARAM type = WPARAM(index) | (p.style & 0xFF00);
    const WCHAR* text = (p.style & SBPS_DISABLED) ? u"" : p.text.GetString();
    ::SendMessage(m_hWnd, SB_SETTEXTW, type, LPARAM(text));
}

int CStatusBar::CommandToIndex(UINT id) const
{
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].id == id)
            return int(i);
    return -1;
}

UINT CStatusBar::GetItemID(int index) const
{
    return index >= 0 && size_t(index) < m_panes.size() ? m_panes[size_t(index)].id : 0;
}

void CStatusBar::GetItemRect(int index, RECT* rect) const
{
    if (!::SendMessage(m_hWnd, SB_GETRECT, WPARAM(index), LPARAM(rect)))
        *rect = RECT {};
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const
{
    if (index < 0 || size_t(index) >= m_panes.size()) {
        id = style = 0;
        width = 0;
        return;
    }
    id = m_panes[size_t(index)].id;
    style = m_panes[size_t(index)].style;
    width = m_panes[size_t(index)].width;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    if (index < 0 || size_t(index) >= m_panes.size())
        return;
    Pane& p = m_panes[size_t(index)];
    const bool relayout = p.width != width || ((p.style ^ style) & SBPS_STRETCH);
    p.id = id;
    p.style = style;
    p.width = width;
    if (relayout)
        Layout();
    else if (m_hWnd)
        SendText(index);
}

UINT CStatusBar::GetPaneStyle(int index) const
{
    return index >= 0 && size_t(index) < m_panes.size() ? m_panes[size_t(index)].style : 0;
}

void CStatusBar::SetPaneStyle(int index, UINT style)
{
    if (index < 0 || size_t(index) >= m_panes.size() || m_panes[size_t(index)].style == style)
        return;
    const bool relayout = (m_panes[size_t(index)].style ^ style) & SBPS_STRETCH;
    m_panes[size_t(index)].style = style;
    if (relayout)
        Layout();
    else if (m_hWnd)
        SendText(index);
}

CString CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && size_t(index) < m_panes.size() ? m_panes[size_t(index)].text : CString();
}

BOOL CStatusBar::SetPaneText(int index, LPCWSTR text, BOOL update)
{
    if (index < 0 || size_t(index) >= m_panes.size())
        return FALSE;
    Pane& p = m_panes[size_t(index)];
    const CString next(text ? text : u"");
    if (p.text == next)
        return TRUE;
    p.text = next;
    if (update && m_hWnd)
        SendText(index);
    return TRUE;
}

CSize CStatusBar::CalcFixedLayout(BOOL, BOOL horizontal)
{
    int height = 0;
    if (m_hWnd) {
        HDC hdc = ::GetDC(m_hWnd);
        HFONT font = reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
        HGDIOBJ old = ::SelectObject(hdc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW tm {};
        ::GetTextMetricsW(hdc, &tm);
        ::SelectObject(hdc, old);
        ::ReleaseDC(m_hWnd, hdc);
        int borders[3] {};
        ::SendMessage(m_hWnd, SB_GETBORDERS, 0, LPARAM(borders));
        height = tm.tmHeight - tm.tmInternalLeading + 2 * (::GetSystemMetrics(SM_CYBORDER) + borders[1]);
    }
    CRect inside;
    CalcInsideRect(inside, horizontal);
    return CSize(32767, height - inside.Height());
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    CStatusCmdUI state;
    state.bar = this;
    state.m_nIndexMax = UINT(m_panes.size());
    for (size_t i = 0; i < m_panes.size(); ++i) {
        state.m_nID = m_panes[i].id;
        state.m_nIndex = UINT(i);
        // Panes without a handler stay as they are: a status pane is no command.
        state.DoUpdate(target, FALSE);
    }
    (void)disableIfNoHandler;
    UpdateDialogControls(target, disableIfNoHandler);
}

LRESULT CStatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: {
        const LRESULT result = CControlBar::WindowProc(message, wParam, lParam);
        Layout();
        return result;
    }
    case WM_SETTEXT: {
        // The text of the pane with id ID_SEPARATOR (the frame's message line).
        const int index = CommandToIndex(ID_SEPARATOR);
        if (index < 0)
            return -1;
        SetPaneText(index, reinterpret_cast<LPCWSTR>(lParam));
        return 0;
    }
    case WM_GETTEXT: {
        const int index = CommandToIndex(ID_SEPARATOR);
        auto* out = reinterpret_cast<WCHAR*>(lParam);
        if (index < 0 || !out || wParam == 0)
            return 0;
        const CString& text = m_panes[size_t(index)].text;
        const int n = std::min(int(wParam) - 1, text.GetLength());
        std::copy_n(text.GetString(), n, out);
        out[n] = 0;
        return n;
    }
    case WM_GETTEXTLENGTH: {
        const int index = CommandToIndex(ID_SEPARATOR);
        return index < 0 ? 0 : m_panes[size_t(index)].text.GetLength();
    }
    default:
        return CControlBar::WindowProc(message, wParam, lParam);
    }
}
