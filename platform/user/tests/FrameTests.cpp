// The classic frame and what the default procedure does with it: metrics, hit codes, the move
// and size loop, the caption buttons, the system commands and the menu keys.

#include "WindowTestSupport.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageQueue.h"

using namespace window_test;

namespace {

using FrameTest = WindowTest;

LPARAM ScreenParam(POINT p) { return LPARAM(MAKELONG(WORD(p.x), WORD(p.y))); }

// A mouse message of `window` at a screen point, posted the way a captured pointer delivers it.
void PostMouse(HWND window, UINT message, POINT screen)
{
    ScreenToClient(window, &screen);
    PostMessage(window, message, 0, ScreenParam(screen));
}

POINT Corner(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return { r.left, r.top };
}

RECT WindowRect(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

LRESULT HitAt(HWND w, int x, int y)
{
    const POINT c = Corner(w);
    return SendMessage(w, WM_NCHITTEST, 0, ScreenParam({ c.x + x, c.y + y }));
}

// What the window's WM_SYSCOMMAND, WM_CONTEXTMENU or other watched message carried.
struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

void Watch(HWND w, std::vector<Seen>& seen, std::set<UINT> messages)
{
    TheSpy().handlers[w] = [&seen, messages](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (messages.count(m))
            seen.push_back({ m, wp, lp });
        return std::nullopt;
    };
}

TEST_F(FrameTest, WindowMinusClientIsTheFrameMetrics)
{
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int fixed = GetSystemMetrics(SM_CXFIXEDFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int small = GetSystemMetrics(SM_CYSMCAPTION);
    const int edge = GetSystemMetrics(SM_CXEDGE);
    struct Case {
        const char* what;
        DWORD style, exStyle;
        RECT insets; // left, top, right, bottom
    };
    const Case cases[] = {
        { "sizing", WS_OVERLAPPEDWINDOW, 0, { frame, frame + caption, frame, frame } },
        { "dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, { fixed, fixed + caption, fixed, fixed } },
        { "modal frame", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, { fixed, fixed + caption, fixed, fixed } },
        { "tool", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, WS_EX_TOOLWINDOW, { frame, frame + small, frame, frame } },
        { "thin border", WS_POPUP | WS_BORDER, 0, { 1, 1, 1, 1 } },
        { "client edge", WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, { 1 + edge, 1 + edge, 1 + edge, 1 + edge } },
        { "bare popup", WS_POPUP, 0, { 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND w = Make(u"W", c.style, 50, 60, 300, 200, nullptr, c.exStyle);
        RECT window = WindowRect(w);
        RECT client;
        GetClientRect(w, &client);
        POINT origin { 0, 0 };
        ClientToScreen(w, &origin);
        EXPECT_EQ(origin.x - window.left, c.insets.left);
        EXPECT_EQ(origin.y - window.top, c.insets.top);
        EXPECT_EQ(window.right - (origin.x + client.right), c.insets.right);
        EXPECT_EQ(window.bottom - (origin.y + client.bottom), c.insets.bottom);
        DestroyWindow(w);
    }
}

TEST_F(FrameTest, HitCodesAtEveryBorderCornerCaptionAndButton)
{
    // 300 x 200: border 4, caption bar rows 4-21, buttons 16 x 14 from row 6: close at 278-293,
    // maximise 260-275, minimise 244-259; the small icon 6-21 x 5-20.
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200);
    struct Case {
        int x, y;
        LRESULT hit;
    };
    const Case cases[] = {
        { 0, 0, HTTOPLEFT }, { 150, 0, HTTOP }, { 299, 0, HTTOPRIGHT }, { 150, 3, HTTOP },
        { 21, 0, HTTOPLEFT }, { 22, 0, HTTOP }, { 278, 0, HTTOPRIGHT }, { 277, 0, HTTOP },
        { 0, 21, HTTOPLEFT }, { 0, 22, HTLEFT }, { 0, 100, HTLEFT }, { 3, 100, HTLEFT },
        { 299, 21, HTTOPRIGHT }, { 299, 100, HTRIGHT }, { 296, 100, HTRIGHT },
        { 0, 199, HTBOTTOMLEFT }, { 0, 178, HTBOTTOMLEFT }, { 0, 177, HTLEFT }, { 150, 199, HTBOTTOM },
        { 150, 196, HTBOTTOM }, { 299, 199, HTBOTTOMRIGHT }, { 299, 178, HTBOTTOMRIGHT },
        { 150, 12, HTCAPTION }, { 4, 4, HTCAPTION }, { 150, 22, HTCAPTION }, { 277, 12, HTCAPTION },
        { 7, 12, HTSYSMENU }, { 21, 20, HTSYSMENU }, { 21, 21, HTCAPTION }, { 22, 12, HTCAPTION },
        { 278, 6, HTCLOSE }, { 293, 19, HTCLOSE }, { 294, 12, HTCAPTION }, { 285, 5, HTCAPTION },
        { 260, 12, HTMAXBUTTON }, { 275, 12, HTMAXBUTTON }, { 244, 12, HTMINBUTTON }, { 259, 19, HTMINBUTTON },
        { 150, 23, HTCLIENT }, { 4, 195, HTCLIENT }, { 150, 100, HTCLIENT },
        { -1, 50, HTNOWHERE }, { 300, 50, HTNOWHERE },
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitAt(w, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST_F(FrameTest, HitCodesOfFixedFramesToolWindowsMenusAndScrollBars)
{
    // A dialog frame does not size: its border is HTBORDER; without min and max boxes only close.
    HWND dialog = Make(u"D", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 200, 100);
    EXPECT_EQ(HitAt(dialog, 0, 0), HTBORDER);
    EXPECT_EQ(HitAt(dialog, 100, 99), HTBORDER);
    EXPECT_EQ(HitAt(dialog, 190, 10), HTCLOSE); // close at 179-194
    EXPECT_EQ(HitAt(dialog, 170, 10), HTCAPTION);
    // A tool window: the small caption (14 rows from 4) with a 10 x 10 close button, no icon.
    HWND tool = Make(u"T", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 200, 100, nullptr, WS_EX_TOOLWINDOW);
    EXPECT_EQ(HitAt(tool, 8, 10), HTCAPTION);
    EXPECT_EQ(HitAt(tool, 190, 10), HTCLOSE); // 184-193 x 6-15
    EXPECT_EQ(HitAt(tool, 190, 16), HTCAPTION);
    EXPECT_EQ(HitAt(tool, 100, 18), HTCAPTION);
    EXPECT_EQ(HitAt(tool, 100, 19), HTCLIENT);
    // The menu bar under the caption, and the scroll bars beside the client area.
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, u"&File");
    HWND withMenu = CreateWindowExW(0, TestClass(), u"M", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, 0, 0, 300, 200,
        nullptr, menu, nullptr, nullptr);
    EXPECT_EQ(HitAt(withMenu, 100, 30), HTMENU); // rows 23-41
    EXPECT_EQ(HitAt(withMenu, 100, 42), HTCLIENT);
    EXPECT_EQ(HitAt(withMenu, 290, 100), HTVSCROLL);
    EXPECT_EQ(HitAt(withMenu, 100, 190), HTHSCROLL);
    EXPECT_EQ(HitAt(withMenu, 290, 190), HTSIZE);
}

TEST_F(FrameTest, ACaptionDragMovesTheWindowThroughOneCaptureLoop)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    std::vector<Seen> seen;
    Watch(w, seen, { WM_ENTERSIZEMOVE, WM_MOVING, WM_EXITSIZEMOVE, WM_CAPTURECHANGED });
    const POINT grab { 250, 110 };
    PostMouse(w, WM_MOUSEMOVE, { 270, 150 });
    PostMessage(w, WM_LBUTTONUP, 0, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(grab));
    EXPECT_EQ(Corner(w).x, 120);
    EXPECT_EQ(Corner(w).y, 140);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].message, WM_ENTERSIZEMOVE);
    EXPECT_EQ(seen[1].message, WM_MOVING);
    EXPECT_EQ(seen[2].message, WM_CAPTURECHANGED);
    EXPECT_EQ(seen[3].message, WM_EXITSIZEMOVE);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FrameTest, WmMovingMayEditTheRectangleAndEscPutsTheWindowBack)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    // The window snaps to a 50-pixel grid while it moves.
    TheSpy().handlers[w] = [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m != WM_MOVING)
            return std::nullopt;
        auto* r = reinterpret_cast<RECT*>(lp);
        const LONG x = (r->left + 25) / 50 * 50;
        r->right += x - r->left;
        r->left = x;
        return TRUE;
    };
    PostMouse(w, WM_MOUSEMOVE, { 170, 130 });
    PostMessage(w, WM_LBUTTONUP, 0, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam({ 150, 110 }));
    EXPECT_EQ(Corner(w).x, 100 + 0); // 120 snaps back to 100
    EXPECT_EQ(Corner(w).y, 120);

    PostMouse(w, WM_MOUSEMOVE, { 400, 400 });
    PostMessage(w, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam({ 150, 130 }));
    EXPECT_EQ(Corner(w).x, 100);
    EXPECT_EQ(Corner(w).y, 120);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FrameTest, ABorderDragRespectsTheMinMaxInfoLimits)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    std::vector<Seen> sizing;
    TheSpy().handlers[w] = [&sizing](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = { 200, 150 };
            info->ptMaxTrackSize = { 500, 320 };
            return 0;
        }
        if (m == WM_SIZING)
            sizing.push_back({ m, wp, 0 });
        return std::nullopt;
    };
    // The left edge dragged far right stops at the minimum width; the right edge stays put.
    PostMouse(w, WM_MOUSEMOVE, { 390, 150 });
    PostMessage(w, WM_LBUTTONUP, 0, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTLEFT, ScreenParam({ 101, 150 }));
    RECT r = WindowRect(w);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.bottom, 300);
    ASSERT_FALSE(sizing.empty());
    EXPECT_EQ(sizing[0].wParam, WMSZ_LEFT);
    // The bottom-right corner dragged far out stops at the maximum size.
    sizing.clear();
    PostMouse(w, WM_MOUSEMOVE, { 1000, 900 });
    PostMessage(w, WM_LBUTTONUP, 0, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, ScreenParam({ 399, 299 }));
    r = WindowRect(w);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right, 700);
    EXPECT_EQ(r.bottom, 420);
    ASSERT_FALSE(sizing.empty());
    EXPECT_EQ(sizing[0].wParam, WMSZ_BOTTOMRIGHT);
    // The top edge: only the height changes, within the limits.
    PostMouse(w, WM_MOUSEMOVE, { 300, 140 });
    PostMessage(w, WM_LBUTTONUP, 0, 0);
    SendMessage(w, WM_NCLBUTTONDOWN, HTTOP, ScreenParam({ 300, 100 }));
    r = WindowRect(w);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.right, 700);
    EXPECT_EQ(r.top, 140);
    EXPECT_EQ(r.bottom, 420);
}

TEST_F(FrameTest, TheCloseButtonEndsInWmCloseOnlyWhenReleasedOverIt)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    std::vector<Seen> seen;
    Watch(w, seen, { WM_SYSCOMMAND, WM_CLOSE });
    const POINT button { 100 + 285, 100 + 12 };
    // Pressed, dragged off and released outside: nothing.
    PostMouse(w, WM_MOUSEMOVE, { 150, 112 });
    PostMouse(w, WM_LBUTTONUP, { 150, 112 });
    SendMessage(w, WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(button));
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(IsWindow(w));
    // Released over it: SC_CLOSE, then WM_CLOSE, and the default procedure destroys the window.
    PostMouse(w, WM_MOUSEMOVE, { 150, 112 });
    PostMouse(w, WM_MOUSEMOVE, button);
    PostMouse(w, WM_LBUTTONUP, button);
    SendMessage(w, WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(button));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_SYSCOMMAND);
    EXPECT_EQ(seen[0].wParam & 0xFFF0, SC_CLOSE);
    EXPECT_EQ(seen[1].message, WM_CLOSE);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(FrameTest, MaximiseFillsTheWorkAreaAndRestoreComesBack)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    // The maximise button, released over it.
    const POINT button { 100 + 268, 100 + 12 };
    PostMouse(w, WM_LBUTTONUP, button);
    SendMessage(w, WM_NCLBUTTONDOWN, HTMAXBUTTON, ScreenParam(button));
    EXPECT_TRUE(IsZoomed(w));
    RECT client;
    GetClientRect(w, &client);
    POINT origin { 0, 0 };
    ClientToScreen(w, &origin);
    EXPECT_EQ(origin.x, work.left);
    EXPECT_EQ(origin.y, work.top + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(origin.x + client.right, work.right);
    EXPECT_EQ(origin.y + client.bottom, work.bottom);
    EXPECT_EQ(WindowRect(w).left, work.left - frame);
    // A maximised window neither moves nor sizes; its caption's double click restores it.
    PostMouse(w, WM_MOUSEMOVE, { 400, 400 });
    SendMessage(w, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, ScreenParam({ 100, 10 }));
    EXPECT_EQ(WindowRect(w).left, work.left - frame);
    SendMessage(w, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenParam({ 100, 10 }));
    EXPECT_FALSE(IsZoomed(w));
    const RECT back = WindowRect(w);
    EXPECT_EQ(back.left, 100);
    EXPECT_EQ(back.right, 400);
    // And a double click on the caption maximises it again.
    SendMessage(w, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenParam({ 200, 110 }));
    EXPECT_TRUE(IsZoomed(w));
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&msg);
}

TEST_F(FrameTest, SystemCommandsMinimiseRestoreAndClose)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(w));
    SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_EQ(WindowRect(w).left, 100);
    SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(FrameTest, TheKeyboardsMoveAndSizeCommandsFollowTheArrows)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    PostMessage(w, WM_KEYDOWN, VK_RIGHT, 0);
    PostMessage(w, WM_KEYDOWN, VK_DOWN, 0);
    PostMessage(w, WM_KEYDOWN, VK_RETURN, 0);
    SendMessage(w, WM_SYSCOMMAND, SC_MOVE, 0);
    EXPECT_EQ(Corner(w).x, 108);
    EXPECT_EQ(Corner(w).y, 108);
    PostMessage(w, WM_KEYDOWN, VK_LEFT, 0);
    PostMessage(w, WM_KEYDOWN, VK_RETURN, 0);
    SendMessage(w, WM_SYSCOMMAND, SC_SIZE, 0);
    EXPECT_EQ(WindowRect(w).right, 108 + 292);
}

// The lParam bits of a key message: Alt held (29) and the key already down (30).
LPARAM Key(bool alt, bool wasDown = false) { return LPARAM(1) | (alt ? LPARAM(1) << 29 : 0) | (wasDown ? LPARAM(1) << 30 : 0); }

TEST_F(FrameTest, MenuKeysGiveKeyMenuAndAltF4Closes)
{
    HWND top = Make(u"T", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top);
    std::vector<Seen> seen;
    Watch(top, seen, { WM_SYSCOMMAND, WM_CONTEXTMENU, WM_CLOSE });
    auto keymenus = [&] {
        std::vector<LPARAM> out;
        for (const Seen& s : seen)
            if (s.message == WM_SYSCOMMAND && (s.wParam & 0xFFF0) == SC_KEYMENU)
                out.push_back(s.lParam);
        seen.clear();
        return out;
    };
    // A lone Alt, also held long enough to repeat; from the child it reaches the top-level window.
    SendMessage(child, WM_SYSKEYDOWN, VK_MENU, Key(true));
    SendMessage(child, WM_SYSKEYDOWN, VK_MENU, Key(true, true));
    SendMessage(child, WM_KEYUP, VK_MENU, Key(false, true));
    EXPECT_EQ(keymenus(), std::vector<LPARAM> { 0 });
    // F10 alone.
    SendMessage(top, WM_SYSKEYDOWN, VK_F10, Key(false));
    SendMessage(top, WM_SYSKEYUP, VK_F10, Key(false, true));
    EXPECT_EQ(keymenus(), std::vector<LPARAM> { 0 });
    // Alt+F: the character, not a lone Alt.
    SendMessage(top, WM_SYSKEYDOWN, VK_MENU, Key(true));
    SendMessage(top, WM_SYSKEYDOWN, 'F', Key(true));
    SendMessage(top, WM_SYSCHAR, 'f', Key(true));
    SendMessage(top, WM_SYSKEYUP, 'F', Key(true, true));
    SendMessage(top, WM_KEYUP, VK_MENU, Key(false, true));
    EXPECT_EQ(keymenus(), std::vector<LPARAM> { 'f' });
    // Alt+Space.
    SendMessage(top, WM_SYSKEYDOWN, VK_MENU, Key(true));
    SendMessage(top, WM_SYSKEYDOWN, VK_SPACE, Key(true));
    SendMessage(top, WM_SYSCHAR, ' ', Key(true));
    SendMessage(top, WM_SYSKEYUP, VK_MENU, Key(false, true));
    EXPECT_EQ(keymenus(), std::vector<LPARAM> { ' ' });
    // Shift+F10 and the menu key: a context menu for the keyboard (lParam -1), no key menu.
    SendMessage(child, WM_KEYDOWN, VK_SHIFT, Key(false));
    SendMessage(child, WM_SYSKEYDOWN, VK_F10, Key(false));
    SendMessage(child, WM_SYSKEYUP, VK_F10, Key(false, true));
    SendMessage(child, WM_KEYUP, VK_SHIFT, Key(false, true));
    SendMessage(child, WM_KEYDOWN, VK_APPS, Key(false));
    SendMessage(child, WM_KEYUP, VK_APPS, Key(false, true));
    ASSERT_EQ(seen.size(), 2u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.message, WM_CONTEXTMENU);
        EXPECT_EQ(reinterpret_cast<HWND>(s.wParam), child);
        EXPECT_EQ(s.lParam, -1);
    }
    seen.clear();
    // Alt+F4 from the child closes the top-level window.
    SendMessage(child, WM_SYSKEYDOWN, VK_MENU, Key(true));
    SendMessage(child, WM_SYSKEYDOWN, VK_F4, Key(true));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].wParam & 0xFFF0, SC_CLOSE);
    EXPECT_EQ(seen[1].message, WM_CLOSE);
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(FrameTest, ChildrenAskTheirParentsAboutCursorActivationContextMenuAndWheel)
{
    HWND top = Make(u"T", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top);
    HCURSOR beam = LoadCursorW(nullptr, IDC_IBEAM);
    SetClassLongPtrW(child, GCLP_HCURSOR, LONG_PTR(beam));
    bool parentTakesCursor = true;
    std::vector<Seen> seen;
    TheSpy().handlers[top] = [&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_SETCURSOR && parentTakesCursor)
            return TRUE;
        if (m == WM_MOUSEACTIVATE)
            return MA_NOACTIVATE;
        if (m == WM_CONTEXTMENU || m == WM_MOUSEWHEEL)
            seen.push_back({ m, wp, lp });
        return std::nullopt;
    };
    SetCursor(nullptr);
    const LPARAM clientMove = MAKELONG(WORD(HTCLIENT), WORD(WM_MOUSEMOVE));
    EXPECT_EQ(SendMessage(child, WM_SETCURSOR, WPARAM(child), clientMove), TRUE);
    EXPECT_EQ(GetCursor(), nullptr);
    parentTakesCursor = false;
    SendMessage(child, WM_SETCURSOR, WPARAM(child), clientMove);
    EXPECT_EQ(GetCursor(), beam);
    EXPECT_EQ(SendMessage(child, WM_MOUSEACTIVATE, WPARAM(top), MAKELONG(WORD(HTCLIENT), WORD(WM_LBUTTONDOWN))), MA_NOACTIVATE);
    EXPECT_EQ(SendMessage(top, WM_MOUSEACTIVATE, WPARAM(top), MAKELONG(WORD(HTCLIENT), WORD(WM_LBUTTONDOWN))), MA_NOACTIVATE);
    // The right button's release: a context menu at the screen point, passed up by the child.
    SendMessage(child, WM_RBUTTONUP, 0, MAKELONG(5, 6));
    SendMessage(child, WM_MOUSEWHEEL, MAKELONG(0, WORD(short(-120))), MAKELONG(150, 150));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, WM_CONTEXTMENU);
    EXPECT_EQ(reinterpret_cast<HWND>(seen[0].wParam), child);
    POINT at { 5, 6 };
    ClientToScreen(child, &at);
    EXPECT_EQ(seen[0].lParam, ScreenParam(at));
    EXPECT_EQ(seen[1].message, WM_MOUSEWHEEL);
    EXPECT_EQ(short(HIWORD(DWORD(seen[1].wParam))), -120);
}

TEST_F(FrameTest, SizingBordersSetTheSizingCursors)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    struct Case {
        LRESULT hit;
        LPCWSTR cursor;
    };
    const Case cases[] = { { HTLEFT, IDC_SIZEWE }, { HTRIGHT, IDC_SIZEWE }, { HTTOP, IDC_SIZENS }, { HTBOTTOM, IDC_SIZENS },
        { HTTOPLEFT, IDC_SIZENWSE }, { HTBOTTOMRIGHT, IDC_SIZENWSE }, { HTTOPRIGHT, IDC_SIZENESW },
        { HTBOTTOMLEFT, IDC_SIZENESW }, { HTCAPTION, IDC_ARROW }, { HTCLOSE, IDC_ARROW } };
    for (const Case& c : cases) {
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessage(w, WM_SETCURSOR, WPARAM(w), MAKELONG(WORD(c.hit), WORD(WM_MOUSEMOVE))));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.hit;
    }
}

} // namespace
