#include "toolkit/controls/StatusBar.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/DC.h"

#include <algorithm>

// ---- panes ----

CJQWStatusBarPane::~CJQWStatusBarPane()
{
    if (m_pChild && m_pChild->GetSafeHwnd())
        m_pChild->DestroyWindow();
    if (m_bAutoDeleteChild)
        delete m_pChild;
}

CFont* CJQWStatusBarPane::GetFont()
{
    return m_pFont && m_pFont->GetSafeHandle() ? m_pFont : (m_pStatusBar ? m_pStatusBar->GetBarFont() : nullptr);
}

int CJQWStatusBarPane::CalcWidth()
{
    int width = m_rcMargins.left + m_rcMargins.right;
    if (m_pStatusBar && m_pStatusBar->GetSafeHwnd()) {
        CClientDC dc(m_pStatusBar);
        CFont* font = GetFont();
        CFont* old = font ? dc.SelectObject(font) : nullptr;
        width += dc.GetTextExtent(m_strText).cx;
        if (old)
            dc.SelectObject(old);
    }
    m_cxText = width;
    return width;
}

void CJQWStatusBarPane::Draw(CDC* dc, CRect rect)
{
    if (m_clrBackground != CLR_NONE)
        dc->FillSolidRect(&rect, m_clrBackground);
    if (m_nStyle & SBPS_DISABLED)
        return;
    rect.DeflateRect(m_rcMargins);
    CFont* font = GetFont();
    CFont* old = font ? dc->SelectObject(font) : nullptr;
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(m_clrText != CLR_NONE ? m_clrText : ::GetSysColor(COLOR_BTNTEXT));
    const UINT align = m_nAlignment == 1 ? DT_CENTER : m_nAlignment == 2 ? DT_RIGHT : DT_LEFT;
    dc->DrawText(m_strText, m_strText.GetLength(), &rect, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (old)
        dc->SelectObject(old);
}

// ---- the bar ----

IMPLEMENT_DYNAMIC(CJQWStatusBar, CControlBar)

CJQWStatusBar::CJQWStatusBar()
{
    m_cxLeftBorder = 0;
    m_cxRightBorder = 0;
    m_cyTopBorder = 2;
    m_cyBottomBorder = 0;
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        m_font.CreateFontIndirect(&metrics.lfStatusFont);
}

CJQWStatusBar::~CJQWStatusBar() = default;

BOOL CJQWStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateEx(parent, 0, style, id);
}

BOOL CJQWStatusBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, UINT id)
{
    m_dwStyle = style & 0x40FFFF;
    DWORD windowStyle = (style & 0xFFBF004E) | CCS_NOMOVEY | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | controlStyle;
    if (parent && (parent->GetStyle() & WS_THICKFRAME))
        windowStyle |= SBARS_SIZEGRIP;
    if (!CWnd::CreateEx(0, STATUSCLASSNAMEW, nullptr, windowStyle, CRect(), parent, id))
        return FALSE;
    if (m_font.GetSafeHandle())
        SendMessage(WM_SETFONT, WPARAM(HFONT(m_font.GetSafeHandle())));
    SendMessage(SB_SETMINHEIGHT, 20);
    return TRUE;
}

BOOL CJQWStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_panes.clear();
    BOOL result = TRUE;
    for (int i = 0; i < count; ++i) {
        auto pane = std::make_unique<CJQWStatusBarPane>();
        pane->m_pStatusBar = this;
        pane->m_nID = ids[i];
        pane->m_bDirty = TRUE;
        if (ids[i] != 0) {
            if (!pane->m_strText.LoadString(ids[i])) {
                result = FALSE;
                break;
            }
            pane->CalcWidth();
        } else {
            pane->m_cxText = ::GetSystemMetrics(SM_CXSCREEN) / 4;
            if (i == 0)
                pane->m_nStyle |= SBPS_STRETCH | SBPS_NOBORDERS;
        }
        m_panes.push_back(std::move(pane));
    }
    RecalcLayout(TRUE, TRUE);
    return result;
}

void CJQWStatusBar::RemoveAll()
{
    m_panes.clear();
    RecalcLayout(TRUE, FALSE);
}

int CJQWStatusBar::CommandToIndex(UINT id) const
{
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i]->m_nID == id)
            return int(i);
    return -1;
}

CJQWStatusBarPane* CJQWStatusBar::GetPane(int index) const
{
    return index >= 0 && index < int(m_panes.size()) ? m_panes[size_t(index)].get() : nullptr;
}

int CJQWStatusBar::GetVisiblePaneCount() const
{
    return int(std::count_if(m_panes.begin(), m_panes.end(), [](const auto& pane) { return pane->m_bVisible; }));
}

UINT CJQWStatusBar::GetPaneStyle(int index) const
{
    CJQWStatusBarPane* pane = GetPane(index);
    return pane ? pane->m_nStyle : 0;
}

void CJQWStatusBar::SendText(CJQWStatusBarPane* pane)
{
    pane->m_bDirty = FALSE;
    if (!m_hWnd || pane->m_nVisibleIndex < 0)
        return;
    const WCHAR* text = (pane->m_nStyle & SBPS_DISABLED) ? u"" : pane->m_strText.GetString();
    SendMessage(SB_SETTEXT, WPARAM(pane->m_nVisibleIndex | (pane->m_nStyle & 0xFFFF)), LPARAM(text));
    Invalidate(FALSE);
}

BOOL CJQWStatusBar::SetPaneText(int index, const WCHAR* text, BOOL update)
{
    CJQWStatusBarPane* pane = GetPane(index);
    if (!pane)
        return FALSE;
    const CString value(text ? text : u"");
    if (!pane->m_bDirty && pane->m_strText == value)
        return TRUE;
    pane->m_strText = value;
    if (!pane->m_bVisible)
        return FALSE;
    if (update)
        SendText(pane);
    else
        pane->m_bDirty = TRUE;
    return TRUE;
}

void CJQWStatusBar::SetPaneStyle(int index, UINT style)
{
    CJQWStatusBarPane* pane = GetPane(index);
    if (!pane || pane->m_nStyle == style)
        return;
    const bool stretchChanged = ((pane->m_nStyle ^ style) & SBPS_STRETCH) != 0;
    pane->m_nStyle = style;
    if (stretchChanged)
        RecalcLayout(TRUE, FALSE);
    pane->m_bDirty = TRUE;
    SendText(pane);
}

void CJQWStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    CJQWStatusBarPane* pane = GetPane(index);
    if (!pane)
        return;
    const bool relayout = ((pane->m_nStyle ^ style) & SBPS_STRETCH) || pane->m_cxText != width;
    const bool styleChanged = pane->m_nStyle != style;
    pane->m_nID = id;
    pane->m_nStyle = style;
    pane->m_cxText = width;
    if (relayout)
        RecalcLayout(TRUE, FALSE);
    else if (styleChanged)
        SendText(pane);
}

BOOL CJQWStatusBar::HasGripper() const
{
    CWnd* parent = GetParent();
    return (GetStyle() & SBARS_SIZEGRIP) && parent && !parent->IsZoomed();
}

void CJQWStatusBar::CalcInsideRect(CRect& rect, BOOL horizontal) const
{
    CControlBar::CalcInsideRect(rect, horizontal);
    if (m_hWnd && HasGripper()) {
        int borders[3] {};
        ::SendMessageW(m_hWnd, SB_GETBORDERS, 0, LPARAM(borders));
        rect.right -= 2 * ::GetSystemMetrics(SM_CXBORDER) + borders[0] + ::GetSystemMetrics(SM_CXVSCROLL);
    }
}

void CJQWStatusBar::RecalcLayout(BOOL layout, BOOL refreshTexts)
{
    if (!m_hWnd)
        return;
    if (layout) {
        CRect rect;
        GetWindowRect(&rect);
        rect.OffsetRect(-rect.left, -rect.top);
        CalcInsideRect(rect, TRUE);
        int borders[3] {};
        SendMessage(SB_GETBORDERS, 0, LPARAM(borders));
        const int gap = borders[2];
        int free = rect.Width() + gap;
        int stretchCount = 0;
        int visible = 0;
        for (size_t i = 0; i < m_panes.size(); ++i) {
            CJQWStatusBarPane* pane = m_panes[i].get();
            pane->m_nIndex = int(i);
            pane->m_nVisibleIndex = pane->m_bVisible ? visible++ : -1;
            if (!pane->m_bVisible)
                continue;
            if (pane->m_nStyle & SBPS_STRETCH)
                ++stretchCount;
            free -= pane->m_cxText + gap + 6;
        }
        std::vector<int> edges;
        int right = borders[0];
        for (auto& pane : m_panes) {
            if (!pane->m_bVisible)
                continue;
            right += pane->m_cxText + 6;
            if ((pane->m_nStyle & SBPS_STRETCH) && free > 0) {
                const int share = free / stretchCount;
                right += share;
                free -= share;
            }
            if (pane->m_nStyle & SBPS_STRETCH)
                --stretchCount;
            edges.push_back(right);
            right += gap;
        }
        DefWindowProc(SB_SETPARTS, WPARAM(edges.size()), LPARAM(edges.data()));
        for (auto& pane : m_panes) {
            if (!pane->m_bVisible || !pane->m_pChild || !pane->m_pChild->GetSafeHwnd())
                continue;
            CRect item;
            GetItemRect(pane->m_nIndex, &item);
            if (!(pane->m_nStyle & SBPS_NOBORDERS))
                item.DeflateRect(::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CXEDGE));
            pane->m_pChild->MoveWindow(&item, TRUE);
        }
    }
    if (refreshTexts)
        for (auto& pane : m_panes)
            if (pane->m_bVisible && pane->m_bDirty)
                SendText(pane.get());
}

void CJQWStatusBar::GetItemRect(int index, RECT* rect) const
{
    *rect = RECT {};
    CJQWStatusBarPane* pane = GetPane(index);
    if (!pane || !m_hWnd || pane->m_nVisibleIndex < 0)
        return;
    if (!::SendMessageW(m_hWnd, SB_GETRECT, WPARAM(pane->m_nVisibleIndex), LPARAM(rect))) {
        *rect = RECT {};
        return;
    }
    if (pane->m_nVisibleIndex == GetVisiblePaneCount() - 1) {
        if (pane->m_nStyle & SBPS_STRETCH) {
            CRect client;
            GetClientRect(&client);
            rect->right = client.right;
            if (GetStyle() & SBARS_SIZEGRIP)
                rect->right -= ::GetSystemMetrics(SM_CXSMICON) + ::GetSystemMetrics(SM_CXEDGE);
        } else {
            rect->right = rect->left + pane->m_cxText + 3 * ::GetSystemMetrics(SM_CXEDGE);
        }
    }
}

CJQWStatusBarPane* CJQWStatusBar::HitTest(POINT point, RECT* rect) const
{
    for (const auto& pane : m_panes) {
        if (!pane->m_bVisible)
            continue;
        CRect item;
        GetItemRect(pane->m_nIndex, &item);
        if (item.PtInRect(point)) {
            if (rect)
                *rect = item;
            return pane.get();
        }
    }
    return nullptr;
}

CSize CJQWStatusBar::CalcFixedLayout(BOOL, BOOL horizontal)
{
    int height = 0;
    if (m_hWnd) {
        CClientDC dc(this);
        CFont* old = m_font.GetSafeHandle() ? dc.SelectObject(&m_font) : nullptr;
        TEXTMETRICW metrics {};
        dc.GetTextMetrics(&metrics);
        if (old)
            dc.SelectObject(old);
        int borders[3] {};
        SendMessage(SB_GETBORDERS, 0, LPARAM(borders));
        CRect inside;
        CalcInsideRect(inside, horizontal);
        height = metrics.tmHeight - metrics.tmInternalLeading + 2 * (::GetSystemMetrics(SM_CYBORDER) + borders[1])
            - inside.Height() - 1;
    }
    return CSize(32767, std::max(height, m_nMinHeight));
}

void CJQWStatusBar::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
    // Panes take their texts from the program directly; command-driven updates are not wired yet.
}

void CJQWStatusBar::DrawPane(CDC* dc, CJQWStatusBarPane* pane, CRect rect)
{
    pane->Draw(dc, rect);
}

// Three rows of diagonal ridges in the corner, each a highlight line over two shadow lines.
void CJQWStatusBar::DrawSizeGripper(CDC* dc, CRect client)
{
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const int size = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), client.Height());
    const int right = client.right - 1, bottom = client.bottom - 1;
    for (int ridge = 0; ridge < 3; ++ridge) {
        const int offset = 3 + ridge * 4;
        if (offset + 2 > size)
            break;
        for (int i = 0; i <= offset + 2 && i < size; ++i) {
            auto put = [&](int d, COLORREF color) {
                const int x = right - (offset + d) + i, y = bottom - i;
                if (x <= right && i <= offset + d)
                    dc->SetPixel(x, y, color);
            };
            put(0, highlight);
            put(1, shadow);
            put(2, shadow);
        }
    }
}

void CJQWStatusBar::OnPaint()
{
    RecalcLayout(FALSE, TRUE);
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    CDC memory;
    memory.CreateCompatibleDC(&paint);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&paint, std::max<int>(client.Width(), 1), std::max<int>(client.Height(), 1));
    CBitmap* old = memory.SelectObject(&bitmap);
    memory.FillSolidRect(&client, ::GetSysColor(COLOR_BTNFACE));
    for (auto& pane : m_panes) {
        if (!pane->m_bVisible)
            continue;
        CRect item;
        GetItemRect(pane->m_nIndex, &item);
        if (!(pane->m_nStyle & SBPS_NOBORDERS))
            memory.Draw3dRect(&item, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawPane(&memory, pane.get(), item);
    }
    CWnd* parent = GetParent();
    if (parent && (parent->GetStyle() & WS_THICKFRAME) && HasGripper())
        DrawSizeGripper(&memory, client);
    paint.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}

LRESULT CJQWStatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case SB_SETMINHEIGHT: {
        const LRESULT result = CControlBar::WindowProc(message, wParam, lParam);
        m_nMinHeight = int(wParam);
        return result;
    }
    case WM_SIZE: {
        const LRESULT result = CControlBar::WindowProc(message, wParam, lParam);
        RecalcLayout(TRUE, FALSE);
        Invalidate(FALSE);
        return result;
    }
    case WM_NCHITTEST: {
        const LRESULT hit = CControlBar::WindowProc(message, wParam, lParam);
        return hit == HTBOTTOMRIGHT ? hit : HTCLIENT;
    }
    case WM_SETTEXT: {
        const int index = CommandToIndex(0);
        if (index < 0)
            return -1;
        return SetPaneText(index, reinterpret_cast<const WCHAR*>(lParam)) ? 0 : -1;
    }
    case WM_GETTEXT: {
        CJQWStatusBarPane* pane = GetPane(CommandToIndex(0));
        if (!pane || wParam == 0)
            return 0;
        auto* buffer = reinterpret_cast<WCHAR*>(lParam);
        const int count = std::min<int>(pane->m_strText.GetLength(), int(wParam) - 1);
        std::copy_n(pane->m_strText.GetString(), count, buffer);
        buffer[count] = 0;
        return count + 1;
    }
    case WM_GETTEXTLENGTH: {
        CJQWStatusBarPane* pane = GetPane(CommandToIndex(0));
        return pane ? pane->m_strText.GetLength() : 0;
    }
    default:
        break;
    }
    return CControlBar::WindowProc(message, wParam, lParam);
}
