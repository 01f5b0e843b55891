// The classic non-client frame: drawing and hit testing.

#include "platform/user/PaintInternal.h"

#include "platform/user/NonClient.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/SystemModel.h"

#include <string>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

void user_detail::DrawFrame(HWND window, HDC target)
{
    DWORD style;
    DWORD exStyle;
    RECT whole;
    RECT client;
    std::u16string text;
    bool active = false;
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
        // Without activation tracking the highest captioned top-level window draws as active.
        for (HWND h : DesktopRecord()->children) {
            auto t = TreeWindow(h);
            if (t && (t->style & WS_VISIBLE) && (t->style & WS_CAPTION) == WS_CAPTION) {
                active = t == TopLevelOf(w);
                break;
            }
        }
    }
    HDC hdc = target ? target : GetWindowDC(window);
    if (!hdc)
        return;
    const int saved = SaveDC(hdc);
    ExcludeClipRect(hdc, client.left, client.top, client.right, client.bottom);
    RECT r = whole;
    if (style & WS_THICKFRAME) {
        DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        const int rest = GetSystemMetrics(SM_CXFRAME) - 2;
        HBRUSH border = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
        for (int i = 0; i < rest; ++i) {
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
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const int height = CaptionHeight(exStyle);
        RECT bar { r.left, r.top, r.right, r.top + height - 1 };
        const COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        const COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        TRIVERTEX v[2] = { { bar.left, bar.top, WORD(GetRValue(from) << 8), WORD(GetGValue(from) << 8), WORD(GetBValue(from) << 8), 0 },
            { bar.right, bar.bottom, WORD(GetRValue(to) << 8), WORD(GetGValue(to) << 8), WORD(GetBValue(to) << 8), 0 } };
        GRADIENT_RECT mesh { 0, 1 };
        GradientFill(hdc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H);
        RECT line { r.left, bar.bottom, r.right, bar.bottom + 1 };
        FillRect(hdc, &line, GetSysColorBrush(COLOR_3DFACE));
        RECT buttons = bar;
        if (style & WS_SYSMENU) {
            const int bw = GetSystemMetrics(SM_CXSIZE) - 2;
            const int bh = height - 5;
            RECT close { bar.right - 2 - bw, bar.top + 2, bar.right - 2, bar.top + 2 + bh };
            DrawFrameControl(hdc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
            buttons.right = close.left - 2;
            if (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
                RECT max { buttons.right - bw, close.top, buttons.right, close.bottom };
                DrawFrameControl(hdc, &max, DFC_CAPTION, (style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX);
                RECT min { max.left - bw, close.top, max.left, close.bottom };
                DrawFrameControl(hdc, &min, DFC_CAPTION, DFCS_CAPTIONMIN);
                buttons.right = min.left - 2;
            }
        }
        LOGFONTW font = CurrentSystemModel().captionFont;
        HFONT captionFont = CreateFontIndirectW(&font);
        HGDIOBJ old = SelectObject(hdc, captionFont);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        RECT textRect { bar.left + 4, bar.top, buttons.right, bar.bottom };
        DrawTextW(hdc, text.c_str(), int(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(hdc, old);
        DeleteObject(captionFont);
        r.top += height;
    }
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        // Scroll bars belong to the controls; their area gets the face colour meanwhile.
        RECT inner = r;
        if (exStyle & WS_EX_CLIENTEDGE)
            inner = { r.left + 2, r.top + 2, r.right - 2, r.bottom - 2 };
        FillRect(hdc, &inner, GetSysColorBrush(COLOR_SCROLLBAR));
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
    const RECT cs = ClientOnScreen(*w);
    if (!Contains(ws, screen))
        return HTNOWHERE;
    if (Contains(cs, screen))
        return HTCLIENT;
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        const int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXFIXEDFRAME);
        const RECT caption { ws.left + frame, ws.top + frame, ws.right - frame, ws.top + frame + CaptionHeight(w->exStyle) };
        if (Contains(caption, screen))
            return HTCAPTION;
    }
    if (w->style & WS_THICKFRAME) {
        const int f = GetSystemMetrics(SM_CXFRAME);
        const bool left = screen.x < ws.left + f;
        const bool right = screen.x >= ws.right - f;
        const bool top = screen.y < ws.top + f;
        const bool bottom = screen.y >= ws.bottom - f;
        if (top)
            return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
        if (bottom)
            return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }
    return HTBORDER;
}
