// The classic non-client frame: its layout, drawing, hit testing and caption buttons.

#include "platform/user/NonClient.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/PaintInternal.h"
#include "platform/user/ScrollBar.h"

#include <string>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool HasMenu(const WindowRecord& w) { return w.menu && !(w.style & WS_CHILD); }

// The icon the caption shows: the window's own, else its class's.
HICON CaptionIcon(const WindowRecord& w)
{
    if (w.smallIcon)
        return w.smallIcon;
    if (w.bigIcon)
        return w.bigIcon;
    if (!w.windowClass)
        return nullptr;
    return w.windowClass->info.hIconSm ? w.windowClass->info.hIconSm : w.windowClass->info.hIcon;
}


} // namespace

FrameLayout user_detail::LayOutFrame(DWORD style, DWORD exStyle, LONG width, LONG height, bool menu)
{
    FrameLayout f;
    f.sizing = (style & WS_THICKFRAME) && !(style & (WS_MAXIMIZE | WS_MINIMIZE));
    if (style & WS_THICKFRAME)
        f.border = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        f.border = GetSystemMetrics(SM_CXFIXEDFRAME);
    else if (style & WS_BORDER)
        f.border = GetSystemMetrics(SM_CXBORDER);
    LONG below = f.border;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
        const int height = CaptionHeight(exStyle);
        f.caption = { f.border, f.border, width - f.border, f.border + height - 1 };
        below = f.border + height;
        LONG textLeft = f.caption.left + 2;
        LONG textRight = f.caption.right - 2;
        if (style & WS_SYSMENU) {
            // Buttons leave 2 pixels above and below; close stands apart, minimise and maximise touch.
            const int bw = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE) - 2;
            const int bh = height - 5;
            const LONG top = f.caption.top + 2;
            f.close = { f.caption.right - 2 - bw, top, f.caption.right - 2, top + bh };
            textRight = f.close.left - 2;
            if (!tool && (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
                f.maximize = { f.close.left - 2 - bw, top, f.close.left - 2, top + bh };
                f.minimize = { f.maximize.left - bw, top, f.maximize.left, top + bh };
                textRight = f.minimize.left - 2;
            }
            if (!tool && !(exStyle & WS_EX_DLGMODALFRAME)) {
                const int icon = GetSystemMetrics(SM_CXSMICON);
                const LONG iconTop = f.caption.top + (height - 1 - icon) / 2;
                f.icon = { f.caption.left + 2, iconTop, f.caption.left + 2 + icon, iconTop + icon };
                textLeft = f.icon.right + 2;
            }
        }
        f.text = { textLeft, f.caption.top, std::max(textLeft, textRight), f.caption.bottom };
    }
    if (menu)
        f.menu = { f.border, below, width - f.border, below + GetSystemMetrics(SM_CYMENU) };
    (void)height;
    return f;
}

void user_detail::DrawFrame(HWND window, HDC target)
{
    DWORD style;
    DWORD exStyle;
    RECT whole;
    RECT client;
    std::u16string text;
    bool active = false;
    bool menu = false;
    LRESULT pressed = 0;
    HICON icon = nullptr;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return;
        style = w->style;
        exStyle = w->exStyle;
        whole = WholeWindow(*w);
        client = ClientInWindow(*w);
        text = w->text;
        active = w->frameActive;
        menu = HasMenu(*w);
        pressed = w->pressedButton;
        icon = CaptionIcon(*w);
    }
    const FrameLayout f = LayOutFrame(style, exStyle, Width(whole), Height(whole), menu);
    HDC hdc = target ? target : GetWindowDC(window);
    if (!hdc)
        return;
    const int saved = SaveDC(hdc);
    ExcludeClipRect(hdc, client.left, client.top, client.right, client.bottom);
    RECT r = whole;
    if (style & WS_THICKFRAME) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
        for (int i = 2; i < f.border; ++i) {
            FrameRect(hdc, &r, border);
            r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
        }
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
        r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
    } else if (style & WS_BORDER) {
        FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        r = { r.left + 1, r.top + 1, r.right - 1, r.bottom - 1 };
    }
    if (!Empty(f.caption)) {
        const RECT& bar = f.caption;
        const COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        const COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        TRIVERTEX v[2] = { { bar.left, bar.top, WORD(GetRValue(from) << 8), WORD(GetGValue(from) << 8), WORD(GetBValue(from) << 8), 0 },
            { bar.right, bar.bottom, WORD(GetRValue(to) << 8), WORD(GetGValue(to) << 8), WORD(GetBValue(to) << 8), 0 } };
        GRADIENT_RECT mesh { 0, 1 };
        GradientFill(hdc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H);
        RECT line { bar.left, bar.bottom, bar.right, bar.bottom + 1 };
        FillRect(hdc, &line, GetSysColorBrush(COLOR_3DFACE));
        if (!Empty(f.icon) && icon)
            DrawIconEx(hdc, f.icon.left, f.icon.top, icon, Width(f.icon), Height(f.icon), 0, nullptr, DI_NORMAL);
        auto button = [&](const RECT& where, LRESULT hit, UINT kind, bool enabled) {
            if (Empty(where))
                return;
            RECT b = where;
            DrawFrameControl(hdc, &b, DFC_CAPTION, kind | (pressed == hit ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
        };
        button(f.close, HTCLOSE, DFCS_CAPTIONCLOSE, true);
        button(f.maximize, HTMAXBUTTON, (style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, (style & WS_MAXIMIZEBOX) != 0);
        button(f.minimize, HTMINBUTTON, (style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, (style & WS_MINIMIZEBOX) != 0);
        LOGFONTW font = (exStyle & WS_EX_TOOLWINDOW) ? CurrentSystemModel().smallCaptionFont : CurrentSystemModel().captionFont;
        HFONT captionFont = CreateFontIndirectW(&font);
        HGDIOBJ old = SelectObject(hdc, captionFont);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        RECT textRect = f.text;
        DrawTextW(hdc, text.c_str(), int(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(hdc, old);
        DeleteObject(captionFont);
        r.top = bar.bottom + 1;
    }
    if (!Empty(f.menu))
        r.top = f.menu.bottom;
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        // The square where two bars meet stays in the bars' colour.
        RECT inner = r;
        if (exStyle & WS_EX_CLIENTEDGE)
            inner = { r.left + 2, r.top + 2, r.right - 2, r.bottom - 2 };
        FillRect(hdc, &inner, GetSysColorBrush(COLOR_SCROLLBAR));
        platform::user::DrawWindowScrollBars(window, hdc);
    }
    if (exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    else if (exStyle & WS_EX_STATICEDGE)
        DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    RestoreDC(hdc, saved);
    if (!target)
        ReleaseDC(window, hdc);
}

LRESULT user_detail::NonClientHitTest(HWND window, POINT screen)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w)
        return HTNOWHERE;
    const RECT ws = WindowOnScreen(*w);
    if (!Contains(ws, screen))
        return HTNOWHERE;
    if (Contains(ClientOnScreen(*w), screen))
        return HTCLIENT;
    const LONG width = Width(ws);
    const LONG height = Height(ws);
    const POINT p { screen.x - ws.left, screen.y - ws.top };
    const FrameLayout f = LayOutFrame(w->style, w->exStyle, width, height, HasMenu(*w));
    const bool inBorder = p.x < f.border || p.y < f.border || p.x >= width - f.border || p.y >= height - f.border;
    if (inBorder) {
        if (!f.sizing)
            return HTBORDER;
        // The corner grips reach along each edge as far as a caption button is wide.
        const LONG corner = f.border + GetSystemMetrics(SM_CXSIZE);
        const bool left = p.x < corner;
        const bool right = p.x >= width - corner;
        const bool top = p.y < corner;
        const bool bottom = p.y >= height - corner;
        if (p.y < f.border)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (p.y >= height - f.border)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (p.x < f.border)
            return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
        return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
    }
    if (!Empty(f.caption) && p.y < f.caption.bottom + 1) {
        if (Contains(f.close, p))
            return HTCLOSE;
        if (Contains(f.maximize, p))
            return HTMAXBUTTON;
        if (Contains(f.minimize, p))
            return HTMINBUTTON;
        if (Contains(f.icon, p))
            return HTSYSMENU;
        return HTCAPTION;
    }
    if (Contains(f.menu, p))
        return HTMENU;
    const RECT client = ClientInWindow(*w);
    if ((w->style & WS_VSCROLL) && p.y >= client.top && p.y < client.bottom) {
        const bool leftBar = (w->exStyle & WS_EX_LEFTSCROLLBAR) != 0;
        if (leftBar ? p.x < client.left && p.x >= client.left - GetSystemMetrics(SM_CXVSCROLL)
                    : p.x >= client.right && p.x < client.right + GetSystemMetrics(SM_CXVSCROLL))
            return HTVSCROLL;
    }
    if ((w->style & WS_HSCROLL) && p.y >= client.bottom && p.y < client.bottom + GetSystemMetrics(SM_CYHSCROLL)) {
        if (p.x >= client.left && p.x < client.right)
            return HTHSCROLL;
        if (w->style & WS_VSCROLL)
            return f.sizing ? HTSIZE : HTNOWHERE; // the square between the two bars
    }
    return HTBORDER;
}

bool user_detail::TrackCaptionButton(HWND window, LRESULT button)
{
    auto press = [&](bool down) {
        bool changed = false;
        {
            Lock lock(TreeMutex());
            auto w = TreeWindow(window);
            if (!w)
                return;
            const LRESULT now = down ? button : 0;
            changed = w->pressedButton != now;
            w->pressedButton = now;
        }
        if (changed)
            DrawFrame(window);
    };
    auto over = [&](const MSG& msg) {
        POINT at { short(LOWORD(DWORD(msg.lParam))), short(HIWORD(DWORD(msg.lParam))) };
        ClientToScreen(msg.hwnd, &at);
        return NonClientHitTest(window, at) == button;
    };
    press(true);
    SetCapture(window);
    bool inside = true;
    bool released = false;
    MSG msg;
    while (!released && GetCapture() == window) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE:
            inside = over(msg);
            press(inside);
            break;
        case WM_LBUTTONUP:
            inside = over(msg);
            released = true;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            break; // input the held button swallows
        default:
            DispatchMessage(&msg);
        }
    }
    if (GetCapture() == window)
        ReleaseCapture();
    press(false);
    return released && inside;
}
