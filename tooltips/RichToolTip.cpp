#include "tooltips/RichToolTip.h"

#include "platform/framework/Exceptions.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <cmath>

namespace {

const WCHAR kClassName[] = u"RichTipLook";
constexpr UINT kHelpRequest = 0x4D;
constexpr LONG kDropDownCombo = 0x0002;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
// Right and bottom edges excluded.
bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
void Offset(RECT& r, int dx, int dy)
{
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

bool Valid(int direction)
{
    const int side = direction & 0xF0, low = direction & 0x0F;
    return side <= 0x30 && low <= 2 && (direction & ~0xFF) == 0;
}

struct MemoryBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    MemoryBitmap(HDC like, int width, int height, HBITMAP existing = nullptr)
    {
        dc = CreateCompatibleDC(like);
        bitmap = existing ? existing : (width > 0 && height > 0 ? CreateCompatibleBitmap(like, width, height) : nullptr);
        owned = !existing;
        if (dc && bitmap)
            old = SelectObject(dc, bitmap);
    }
    ~MemoryBitmap()
    {
        if (dc) {
            if (old)
                SelectObject(dc, old);
            DeleteDC(dc);
        }
        if (owned && bitmap)
            DeleteObject(bitmap);
    }
    bool ok() const { return dc && bitmap; }
    bool owned = true;
};

} // namespace

UINT RichTipHotKeyMessage()
{
    static const UINT message = RegisterWindowMessageW(u"WM_RICHTIP_VIRTUAL_KEY_CODE");
    return message;
}

BEGIN_MESSAGE_MAP(CRichToolTip, CWnd)
    ON_WM_PAINT()
    ON_WM_TIMER()
    ON_WM_SETCURSOR()
    ON_WM_ACTIVATEAPP()
    ON_MESSAGE(TIPM_REPAINT, &CRichToolTip::OnRepaintRequest)
END_MESSAGE_MAP()

CRichToolTip::CRichToolTip()
{
    m_defaults.direction = 0x10;
    m_defaults.crBegin = m_defaults.crMid = m_defaults.crEnd = COLORREF(GetSysColor(COLOR_INFOBK));
    m_borderBrush = CreateSolidBrush(COLORREF(GetSysColor(COLOR_INFOTEXT)));
    RichTipHotKeyMessage();
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    if (!GetClassInfoExW(nullptr, kClassName, &info)) {
        WNDCLASSW wc{};
        wc.style = CS_SAVEBITS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        if (!RegisterClassW(&wc))
            AfxThrowResourceException();
    }
}

CRichToolTip::~CRichToolTip()
{
    FreeShownTip();
    if (m_borderBrush)
        DeleteObject(m_borderBrush);
    RemoveAllTools();
    if (m_hWnd)
        DestroyWindow();
}

BOOL CRichToolTip::CreateTipWindow(CWnd* owner)
{
    m_owner = owner;
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, nullptr, WS_POPUP, 0, 0, 0, 0, AfxSafeHwnd(owner),
            nullptr))
        return FALSE;
    m_rounding = SIZE{ 16, 16 };
    m_margin = SIZE{ 12, 12 };
    m_anchorWidth = 12;
    m_anchorHeight = 16;
    m_anchorMargin = 16;
    m_drawer.m_repaintWindow = m_hWnd;
    m_drawer.m_repaintMessage = TIPM_REPAINT;
    SetTimer(TimerPoll, 100);
    return TRUE;
}

void CRichToolTip::AddWindowTool(CWnd* window, const HtmlText& text, const RECT* rect)
{
    TipTool tool;
    tool.text = text;
    if (rect)
        tool.rect = *rect;
    AddTool(AfxSafeHwnd(window), tool);
}

void CRichToolTip::AddTool(HWND window, const TipTool& tool)
{
    std::vector<TipTool>& tools = m_tools[window];
    for (TipTool& t : tools)
        if (SameRect(t.rect, tool.rect)) {
            t = tool;
            return;
        }
    tools.push_back(tool);
}

void CRichToolTip::RemoveWindowTools(CWnd* window) { m_tools.erase(AfxSafeHwnd(window)); }

void CRichToolTip::RemoveAllTools() { m_tools.clear(); }

BOOL CRichToolTip::DestroyWindow()
{
    HideTip();
    if (m_hWnd)
        KillTimer(TimerPoll);
    return CWnd::DestroyWindow();
}

BOOL CRichToolTip::PreTranslateMessage(MSG* msg)
{
    RelayMessage(msg);
    return CWnd::PreTranslateMessage(msg);
}

void CRichToolTip::SetBorderColor(COLORREF colour)
{
    if (m_borderBrush)
        DeleteObject(m_borderBrush);
    m_borderBrush = CreateSolidBrush(colour);
    m_borderSize = m_borderBrush ? SIZE{ 1, 1 } : SIZE{ 0, 0 };
}

BOOL CRichToolTip::RelayMessage(MSG* msg)
{
    if (!msg)
        return FALSE;
    if (m_state == Shown && m_current.hotKey) {
        if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == m_current.hotKey) {
            if (msg->message == WM_KEYDOWN && m_owner && ::IsWindow(m_owner->m_hWnd))
                ::PostMessageW(m_owner->m_hWnd, RichTipHotKeyMessage(), m_current.hotKeyValue, LPARAM(m_current.id));
            return TRUE;
        }
        if (msg->message == kHelpRequest && m_current.hotKey == VK_F1)
            return TRUE;
    }
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return FALSE;
    switch (msg->message) {
    case WM_MOUSEMOVE:
        OnMouseMove(msg->pt);
        break;
    case WM_LBUTTONDOWN:
        if (CursorOverTip(msg->pt)) {
            POINT p = msg->pt;
            ScreenToClient(&p);
            const int link = m_drawer.HitTestLink(p);
            if (link >= 0)
                m_drawer.FollowLink(link, LPARAM(m_current.id));
        }
        HideTip();
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        HideTip();
        break;
    default:
        break;
    }
    return FALSE;
}

bool CRichToolTip::CursorOverTip(POINT screen) const
{
    return ::IsWindowVisible(m_hWnd) && ::WindowFromPoint(screen) == m_hWnd;
}

void CRichToolTip::OnMouseMove(POINT screen)
{
    if (screen.x == m_lastPos.x && screen.y == m_lastPos.y)
        return;
    const POINT previous = m_lastPos;
    m_lastPos = screen;
    if (!m_owner || !::IsWindow(m_owner->m_hWnd))
        return;
    POINT client = screen;
    ::ScreenToClient(m_owner->m_hWnd, &client);

    if (CursorOverTip(screen) && !(m_current.behaviour & TIPB_FOLLOW_CURSOR)) {
        if (m_current.behaviour & TIPB_KEEP_OVER_TIP) {
            StartAutoPopTimer();
            POINT tip = screen;
            ScreenToClient(&tip);
            m_drawer.TrackLinkUnderCursor(tip);
        } else {
            PopTip();
        }
        return;
    }
    HWND window = nullptr;
    TipTool tool;
    if (!FindToolAtPoint(client, &window, &tool)) {
        m_currentWindow = nullptr;
        m_currentRect = RECT{};
        KillTimer(TimerShow);
        PopTip();
        return;
    }
    if (window == m_currentWindow && SameRect(tool.rect, m_currentRect)) {
        if (m_current.behaviour & TIPB_FOLLOW_CURSOR) {
            StartAutoPopTimer();
            MoveTipWithCursor(previous, screen);
        } else if (m_current.behaviour & TIPB_KEEP_IN_TOOL) {
            StartAutoPopTimer();
        } else if (!(m_current.behaviour & TIPB_RESHOW)) {
            PopTip();
        } else {
            QueueTool(tool, window);
        }
        return;
    }
    QueueTool(tool, window);
}

bool CRichToolTip::FindToolAtPoint(POINT client, HWND* toolWindow, TipTool* tool) const
{
    HWND found = ::ChildWindowFromPoint(m_owner->m_hWnd, client);
    if (!found || !::GetParent(found))
        return false;
    HWND window = nullptr;
    HWND parent = ::GetParent(found);
    WCHAR name[9] = {};
    ::GetClassNameW(parent, name, 9);
    HtmlText lower(name);
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    POINT point = client;
    if (lower == u"combobox" && (::GetWindowLongW(parent, GWL_STYLE) & 0x3) == kDropDownCombo) {
        window = parent;
        ::MapWindowPoints(m_owner->m_hWnd, window, &point, 1);
    } else {
        ::MapWindowPoints(m_owner->m_hWnd, found, &point, 1);
        window = ::ChildWindowFromPoint(found, point);
        if (!window)
            window = found;
        if (window != found)
            ::MapWindowPoints(found, window, &point, 1);
    }
    if (!FindToolInWindow(window, point, tool))
        return false;
    *toolWindow = window;
    return true;
}

bool CRichToolTip::FindToolInWindow(HWND window, POINT point, TipTool* tool) const
{
    auto it = m_tools.find(window);
    if (it == m_tools.end() || it->second.empty())
        return false;
    const std::vector<TipTool>& tools = it->second;
    if (tools.size() == 1 && EmptyRect(tools[0].rect)) {
        *tool = tools[0];
        return true;
    }
    for (const TipTool& t : tools)
        if (Contains(t.rect, point)) {
            *tool = t;
            return true;
        }
    return false;
}

void CRichToolTip::QueueTool(const TipTool& tool, HWND window)
{
    m_pendingShow = false;
    if (m_state == Showing)
        KillTimer(TimerFadeIn);
    if (m_state == Showing || m_state == Shown)
        HideStep();
    m_pendingWindow = window;
    m_pending = tool;
    if (m_state != Hidden) {
        m_pendingShow = true;
        m_pendingDelay = m_initialDelay > 0;
        return;
    }
    if (m_initialDelay > 0)
        SetTimer(TimerShow, UINT(m_initialDelay));
    else
        ShowStep();
}

void CRichToolTip::ShowStep()
{
    KillTimer(TimerShow);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    if (cursor.x != m_lastPos.x || cursor.y != m_lastPos.y) {
        PopTip();
        return;
    }
    if (m_state != Hidden)
        return;
    m_state = Showing;
    ShowTip();
    if (m_fadeIn && m_fadeInStep > 0) {
        SetTimer(TimerFadeIn, UINT(m_fadeInStep));
    } else {
        m_state = Shown;
        if (m_autoPop > 0 && !(m_pending.behaviour & TIPB_NO_AUTOPOP))
            SetTimer(TimerHide, UINT(m_autoPop));
    }
}

void CRichToolTip::HideStep()
{
    DropCapture();
    KillTimer(TimerShow);
    KillTimer(TimerFadeIn);
    KillTimer(TimerHide);
    if (m_state == Hiding)
        return;
    m_state = Hiding;
    if (m_fadeOut && m_fadeOutStep > 0) {
        SetTimer(TimerFadeOut, UINT(m_fadeOutStep));
    } else {
        m_transparency = 100;
        OnTimer(TimerFadeOut);
    }
}

void CRichToolTip::StartAutoPopTimer()
{
    if (m_autoPop > 0 && !(m_current.behaviour & TIPB_NO_AUTOPOP))
        SetTimer(TimerHide, UINT(m_autoPop));
}

void CRichToolTip::PopTip()
{
    if (m_state == Showing) {
        KillTimer(TimerFadeIn);
        HideStep();
    } else if (m_state == Shown) {
        HideStep();
    }
}

void CRichToolTip::HideTip()
{
    DropCapture();
    m_state = Hidden;
    if (!m_hWnd)
        return;
    for (UINT_PTR id : { TimerShow, TimerHide, TimerFadeIn, TimerFadeOut })
        KillTimer(id);
    if (IsWindowVisible()) {
        if (m_current.behaviour & TIPB_RESHOW) {
            m_currentWindow = nullptr;
            m_currentRect = RECT{};
        }
        ShowWindow(SW_HIDE);
    }
}

void CRichToolTip::OnTimer(UINT_PTR id)
{
    switch (id) {
    case TimerShow:
        ShowStep();
        break;
    case TimerHide:
        HideStep();
        break;
    case TimerFadeIn:
        m_transparency = m_transparency <= 20 ? 0 : m_transparency - 20;
        if (m_transparency <= m_current.transparency) {
            m_transparency = m_current.transparency;
            KillTimer(TimerFadeIn);
            m_state = Shown;
            StartAutoPopTimer();
        }
        PaintTip(nullptr, m_transparency);
        break;
    case TimerFadeOut:
        m_transparency = m_transparency >= 80 ? 100 : m_transparency + 20;
        if (m_transparency < 100) {
            PaintTip(nullptr, m_transparency);
            break;
        }
        KillTimer(TimerFadeOut);
        if (m_current.behaviour & TIPB_RESHOW) {
            m_currentWindow = nullptr;
            m_currentRect = RECT{};
        }
        ShowWindow(SW_HIDE);
        m_state = Hidden;
        if (m_pendingShow) {
            m_pendingShow = false;
            if (m_initialDelay > 0)
                SetTimer(TimerShow, UINT(m_initialDelay));
            else
                ShowStep();
        }
        break;
    case TimerPoll:
        if (IsWindowVisible() && m_state == Shown && m_drawer.StepAnimations())
            PaintTip(nullptr, m_transparency);
        break;
    default:
        Default();
        break;
    }
}

bool CRichToolTip::NotifyOwner(HWND toolWindow, POINT* point, TipTool* tool)
{
    if (!m_notify || !::IsWindow(m_notify))
        return false;
    NM_RICHTIP nm{};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = UINT_PTR(::GetDlgCtrlID(m_hWnd));
    nm.hdr.code = TIPN_SHOW;
    nm.hwndTool = toolWindow;
    nm.pt = point;
    nm.ti = tool;
    ::SendMessageW(m_notify, WM_NOTIFY, WPARAM(nm.hdr.idFrom), LPARAM(&nm));
    return true;
}

void CRichToolTip::ShowTip()
{
    TipTool& tool = m_pending;
    if (!(tool.mask & TIPF_EFFECT)) {
        tool.effect = m_defaults.effect;
        tool.granularity = m_defaults.granularity;
    }
    if (!(tool.mask & TIPF_COLOURS)) {
        tool.crBegin = m_defaults.crBegin;
        tool.crMid = m_defaults.crMid;
        tool.crEnd = m_defaults.crEnd;
    }
    if (!(tool.mask & TIPF_DIRECTION))
        tool.direction = m_defaults.direction;
    if (!(tool.mask & TIPF_BEHAVIOUR))
        tool.behaviour = m_defaults.behaviour;
    if (!(tool.mask & TIPF_TRANSPARENCY))
        tool.transparency = m_defaults.transparency;
    tool.transparency = BYTE(std::min<int>(tool.transparency, 100));

    POINT point = m_lastPos;
    HWND control = nullptr;
    RECT controlRect{};
    if (tool.belowControl && m_owner) {
        POINT client = point;
        ::ScreenToClient(m_owner->m_hWnd, &client);
        control = ::ChildWindowFromPoint(m_owner->m_hWnd, client);
        if (control == m_owner->m_hWnd)
            control = nullptr;
        if (control) {
            ::GetWindowRect(control, &controlRect);
            point = POINT{ controlRect.left + 1, controlRect.bottom };
        } else {
            point.x += 24;
            point.y += 22;
        }
    }
    NotifyOwner(m_pendingWindow, &point, &tool);
    if (tool.text.empty())
        return;

    HDC dc = ::GetDC(m_hWnd);
    SIZE size{ 0, 0 };
    m_drawer.MeasureHtml(dc, tool.text, &size);
    m_textRect = RECT{ m_margin.cx, m_margin.cy, m_margin.cx + size.cx, m_margin.cy + size.cy };
    m_frameRect = RECT{ 0, 0, size.cx + 2 * m_margin.cx, size.cy + 2 * m_margin.cy };
    if (tool.belowControl) {
        m_textRect.top += m_margin.cy;
        m_frameRect.bottom += m_margin.cy;
    }
    const RECT screen{ GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
    PlaceTip(point, tool.direction, screen, m_frameRect);

    FreeShownTip();
    const int width = m_windowRect.right - m_windowRect.left;
    const int height = m_windowRect.bottom - m_windowRect.top;
    m_region = CreateTipRegion(width, height);

    const int fullWidth = width + std::max<int>(m_shadowOffset.cx, 0);
    const int fullHeight = height + std::max<int>(m_shadowOffset.cy, 0);
    {
        m_background = CreateCompatibleBitmap(dc, fullWidth, fullHeight);
        MemoryBitmap bg(dc, fullWidth, fullHeight, m_background);
        if (bg.ok()) {
            m_drawManager.FillEffect(bg.dc, m_frameRect, tool.effect, tool.crBegin, tool.crMid, tool.crEnd,
                tool.granularity, 5);
            const RECT& f = m_frameRect;
            const int side = m_direction & 0xF0;
            if (side == 0x00)
                for (int y = 0; y < f.top; ++y)
                    BitBlt(bg.dc, f.left, y, f.right - f.left, 1, bg.dc, f.left, f.top + 1, SRCCOPY);
            else if (side == 0x10)
                for (int y = f.bottom; y < height; ++y)
                    BitBlt(bg.dc, f.left, y, f.right - f.left, 1, bg.dc, f.left, f.bottom - 1, SRCCOPY);
            else if (side == 0x20)
                for (int x = 0; x < f.left; ++x)
                    BitBlt(bg.dc, x, f.top, 1, f.bottom - f.top, bg.dc, f.left + 1, f.top, SRCCOPY);
            else
                for (int x = f.right; x < width; ++x)
                    BitBlt(bg.dc, x, f.top, 1, f.bottom - f.top, bg.dc, f.right - 1, f.top, SRCCOPY);
        }
    }
    ::ReleaseDC(m_hWnd, dc);

    int left = point.x - m_anchor.x;
    int top = point.y - m_anchor.y;
    m_transparency = m_fadeIn && m_fadeInStep > 0 ? 100 : tool.transparency;

    HRGN windowRegion = CreateRectRgn(0, 0, 0, 0);
    if (m_region && windowRegion) {
        CombineRgn(windowRegion, m_region, nullptr, RGN_COPY);
        if (m_shadowOffset.cx || m_shadowOffset.cy) {
            HRGN shadow = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(shadow, m_region, nullptr, RGN_COPY);
            OffsetRgn(shadow, m_shadowOffset.cx, m_shadowOffset.cy);
            CombineRgn(windowRegion, windowRegion, shadow, RGN_OR);
            DeleteObject(shadow);
        }
    }
    m_windowRect.right += m_shadowOffset.cx;
    m_windowRect.bottom += m_shadowOffset.cy;
    ::SetWindowRgn(m_hWnd, windowRegion, FALSE);

    if (control) {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (GetMonitorInfoW(MonitorFromPoint(POINT{ left, top }, MONITOR_DEFAULTTONEAREST), &info)
            && top + height > info.rcMonitor.bottom)
            top = controlRect.top - (m_windowRect.bottom - m_windowRect.top) + 1;
    }
    const int shownWidth = m_windowRect.right - m_windowRect.left;
    const int shownHeight = m_windowRect.bottom - m_windowRect.top;

    // The pixels under the tip, taken before it covers them: every paint of this tip (fades and
    // the shadow) composes over them.
    HDC screenDc = ::GetDC(nullptr);
    m_snapshot = CreateCompatibleBitmap(screenDc, shownWidth, shownHeight);
    {
        MemoryBitmap snap(screenDc, shownWidth, shownHeight, m_snapshot);
        if (snap.ok())
            BitBlt(snap.dc, 0, 0, shownWidth, shownHeight, screenDc, left, top, SRCCOPY);
    }
    ::ReleaseDC(nullptr, screenDc);

    ::SetWindowPos(m_hWnd, HWND_TOPMOST, left, top, shownWidth, shownHeight, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    TakeCapture();
}

void CRichToolTip::PlaceTip(POINT point, int direction, const RECT& screen, const RECT& frame)
{
    Offset(m_textRect, frame.left - m_frameRect.left, frame.top - m_frameRect.top);
    m_frameRect = frame;
    if (!Valid(direction))
        direction = 0x10;
    int side = direction & 0xF0, low = direction & 0x0F;
    m_windowRect = m_frameRect;
    if (side <= 0x10)
        m_windowRect.bottom += m_anchorHeight;
    else
        m_windowRect.right += m_anchorHeight;
    const int W = m_windowRect.right - m_windowRect.left;
    const int H = m_windowRect.bottom - m_windowRect.top;
    const int x = point.x, y = point.y, m = m_anchorMargin;
    const int L = screen.left, T = screen.top, R = screen.right, B = screen.bottom;

    // Along an edge: which way the tip extends from the position (0 forward, 1 back, 2 centred).
    auto along = [m](int low, int pos, int size, int from, int to) {
        if (low == 0) {
            if (pos + size - m > to)
                return pos + m - size < from ? 2 : 1;
        } else if (low == 1) {
            if (pos + m - size < from)
                return pos + size - m > to ? 2 : 0;
        } else {
            if (m >= pos - from)
                return 0;
            if (m >= to - pos)
                return 1;
        }
        return low;
    };
    if (side <= 0x10) {
        low = along(low, x, W, L, R);
        if (side == 0x00 && y + H > B)
            side = 0x10;
        else if (side == 0x10 && y - H < T)
            side = 0x00;
    } else {
        if (side == 0x20 && x + W > R)
            side = 0x30;
        else if (side == 0x30 && x - W < L)
            side = 0x20;
        low = along(low, y, H, T, B);
    }

    auto anchorAlong = [m](int low, int pos, int size, int from, int to) {
        int a = low == 0 ? m : low == 1 ? size - m : size / 2;
        if (low == 2) {
            if (pos + size / 2 > to && !(pos - size / 2 < from))
                a += pos + size / 2 - to;
            else if (pos - size / 2 < from)
                a -= from - (pos - size / 2);
        }
        if (low != 1) {
            if (pos - a < from)
                a = pos - from;
        } else if (pos + size - a > to) {
            a = pos + size - to;
        }
        return a;
    };
    if (side <= 0x10) {
        m_anchor.y = side == 0x00 ? 0 : H;
        m_anchor.x = anchorAlong(low, x, W, L, R);
    } else {
        m_anchor.x = side == 0x20 ? 0 : W;
        m_anchor.y = anchorAlong(low, y, H, T, B);
    }
    m_direction = side | low;
    if (side == 0x00) {
        Offset(m_textRect, 0, m_anchorHeight);
        Offset(m_frameRect, 0, m_anchorHeight);
    } else if (side == 0x20) {
        Offset(m_textRect, m_anchorHeight, 0);
        Offset(m_frameRect, m_anchorHeight, 0);
    }
}

HRGN CRichToolTip::CreateTipRegion(int width, int height) const
{
    const int a = m_anchorHeight, b = m_anchorWidth, m = m_anchorMargin;
    const int side = m_direction & 0xF0, low = m_direction & 0x0F;
    RECT body{ 0, 0, width, height };
    if (side == 0x00)
        body.top += a;
    else if (side == 0x10)
        body.bottom -= a;
    else if (side == 0x20)
        body.left += a;
    else
        body.right -= a;
    HRGN region = CreateRoundRectRgn(body.left, body.top, body.right + 1, body.bottom + 1, m_rounding.cx, m_rounding.cy);
    if (a <= 0 || b <= 0 || !region)
        return region;
    POINT pts[3];
    pts[0] = m_anchor;
    const bool horizontalEdge = side <= 0x10;
    const int length = horizontalEdge ? width : height;
    const int anchorAlong = horizontalEdge ? m_anchor.x : m_anchor.y;
    int from = low == 0 ? m : low == 1 ? length - m : anchorAlong - b / 2;
    int to = low == 1 ? from - b : from + b;
    const int edge = side == 0x00 ? body.top : side == 0x10 ? body.bottom : side == 0x20 ? body.left : body.right;
    if (horizontalEdge) {
        pts[1] = POINT{ from, edge };
        pts[2] = POINT{ to, edge };
    } else {
        pts[1] = POINT{ edge, from };
        pts[2] = POINT{ edge, to };
    }
    HRGN triangle = CreatePolygonRgn(pts, 3, WINDING);
    if (triangle) {
        CombineRgn(region, region, triangle, RGN_OR);
        DeleteObject(triangle);
    }
    return region;
}

void CRichToolTip::DrawBorder(HDC hdc)
{
    if (m_borderBrush && m_borderSize.cx > 0 && m_borderSize.cy > 0 && m_region)
        FrameRgn(hdc, m_region, m_borderBrush, m_borderSize.cx, m_borderSize.cy);
}

void CRichToolTip::PaintTip(HDC hdc, int transparency)
{
    if (!m_hWnd)
        return;
    transparency = std::clamp(transparency, 0, 100);
    const bool ownDc = !hdc;
    if (ownDc)
        hdc = ::GetDC(m_hWnd);
    if (!hdc)
        return;
    const int width = m_windowRect.right - m_windowRect.left;
    const int height = m_windowRect.bottom - m_windowRect.top;
    const int bodyWidth = width - m_shadowOffset.cx;
    const int bodyHeight = height - m_shadowOffset.cy;
    if (width > 0 && height > 0) {
        MemoryBitmap tip(hdc, width, height);
        if (tip.ok()) {
            if (m_background) {
                MemoryBitmap bg(hdc, 0, 0, m_background);
                BitBlt(tip.dc, 0, 0, width, height, bg.dc, 0, 0, SRCCOPY);
            }
            m_drawer.DrawMeasuredHtml(m_textRect, tip.dc);
            DrawBorder(tip.dc);
        }
        MemoryBitmap composed(hdc, width, height);
        if (composed.ok()) {
            if (m_snapshot) {
                MemoryBitmap snap(hdc, 0, 0, m_snapshot);
                BitBlt(composed.dc, 0, 0, width, height, snap.dc, 0, 0, SRCCOPY);
            }
            if ((m_shadowOffset.cx || m_shadowOffset.cy) && m_region && bodyWidth > 0 && bodyHeight > 0) {
                MemoryBitmap mask(hdc, bodyWidth, bodyHeight);
                if (mask.ok()) {
                    RECT all{ 0, 0, bodyWidth, bodyHeight };
                    FillRect(mask.dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
                    const int s = int(std::lround(255.0 * (100 - m_shadowDarkness) / 100.0));
                    const int g = s + (255 - s) * transparency / 100;
                    HBRUSH grey = CreateSolidBrush(RGB(g, g, g));
                    FillRgn(mask.dc, m_region, grey);
                    DeleteObject(grey);
                    SelectObject(mask.dc, mask.old);
                    m_drawManager.DrawShadow(composed.dc, m_shadowOffset.cx, m_shadowOffset.cy, bodyWidth, bodyHeight,
                        mask.bitmap, m_softShadow, m_shadowBlur.cx, m_shadowBlur.cy);
                    SelectObject(mask.dc, mask.bitmap);
                }
            }
            if (tip.ok() && m_region) {
                SelectClipRgn(composed.dc, m_region);
                m_drawManager.AlphaBlend(tip.dc, composed.dc, 0, 0, width, height, 100 - transparency);
                SelectClipRgn(composed.dc, nullptr);
            }
            BitBlt(hdc, 0, 0, width, height, composed.dc, 0, 0, SRCCOPY);
        }
    }
    if (ownDc)
        ::ReleaseDC(m_hWnd, hdc);
}

void CRichToolTip::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    m_current = m_pending;
    m_currentWindow = m_pendingWindow;
    m_currentRect = m_pending.rect;
    PaintTip(dc, m_transparency);
    ::EndPaint(m_hWnd, &ps);
}

BOOL CRichToolTip::OnSetCursor(CWnd*, UINT, UINT)
{
    POINT p{};
    ::GetCursorPos(&p);
    ScreenToClient(&p);
    if (!m_drawer.TrackLinkUnderCursor(p))
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
}

void CRichToolTip::OnActivateApp(BOOL active, DWORD)
{
    Default();
    if (!active)
        HideTip();
}

LRESULT CRichToolTip::OnRepaintRequest(WPARAM, LPARAM)
{
    PaintTip(nullptr, 0);
    return 0;
}

void CRichToolTip::MoveTipWithCursor(POINT from, POINT to)
{
    Offset(m_windowRect, to.x - from.x, to.y - from.y);
    RECT r;
    GetWindowRect(&r);
    ::SetWindowPos(m_hWnd, nullptr, r.left + to.x - from.x, r.top + to.y - from.y, 0, 0,
        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CRichToolTip::TakeCapture()
{
    // A window that holds the capture (a drag, a pressed button) keeps it: taking it away would
    // end that gesture under the user's hand. Its mouse messages still pass the owner's relay.
    const HWND holder = ::GetCapture();
    if (!holder)
        ::SetCapture(m_hWnd);
    m_capture = ::GetCapture() == m_hWnd;
}

void CRichToolTip::DropCapture()
{
    if (m_capture && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    m_capture = false;
}

void CRichToolTip::FreeShownTip()
{
    if (m_region)
        DeleteObject(m_region);
    if (m_background)
        DeleteObject(m_background);
    if (m_snapshot)
        DeleteObject(m_snapshot);
    m_region = nullptr;
    m_background = nullptr;
    m_snapshot = nullptr;
}
