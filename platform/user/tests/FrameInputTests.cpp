// The frame driven the way a user drives it: injected raw input through the router and the
// default procedure's loops.

#include "InputTestSupport.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Menu.h"

using namespace input_test;

namespace {

constexpr DWORD kFrame = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

using FrameInputTest = InputTest;

POINT Offset(POINT p, int dx, int dy) { return { p.x + dx, p.y + dy }; }

RECT WindowRect(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

// The commands the window's WM_SYSCOMMAND carried, in order.
std::vector<std::pair<WPARAM, LPARAM>> Commands()
{
    std::vector<std::pair<WPARAM, LPARAM>> out;
    for (const Entry& e : TheLog().entries)
        if (e.message == WM_SYSCOMMAND)
            out.emplace_back(e.wParam & 0xFFF0, e.lParam);
    return out;
}

TEST_F(FrameInputTest, ACaptionDragMovesTheWindow)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    Pump();
    Clear();
    const POINT grab = testkit::WindowPoint(t, 150, 10);
    testkit::Drag(grab, Offset(grab, 40, 30), 4);
    Pump();
    EXPECT_EQ(WindowRect(t).left, 140);
    EXPECT_EQ(WindowRect(t).top, 130);
    EXPECT_EQ(WindowRect(t).right, 440);
    EXPECT_EQ(Count(WM_ENTERSIZEMOVE), 1);
    EXPECT_GE(Count(WM_MOVING), 1); // the moves may coalesce
    EXPECT_EQ(Count(WM_EXITSIZEMOVE), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    // Esc in the middle of a drag puts it back.
    testkit::Press(testkit::WindowPoint(t, 150, 10));
    testkit::MoveTo(Offset(testkit::WindowPoint(t, 150, 10), 200, 200), 2);
    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_EQ(WindowRect(t).left, 140);
    EXPECT_EQ(WindowRect(t).top, 130);
    testkit::Release(testkit::WindowPoint(t, 150, 10));
    Pump();
}

TEST_F(FrameInputTest, ABorderDragStopsAtTheMinMaxInfoLimits)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    Answer(t, [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m != WM_GETMINMAXINFO)
            return std::nullopt;
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize = { 200, 150 };
        info->ptMaxTrackSize = { 450, 350 };
        return 0;
    });
    Pump();
    // The left edge far to the right: the minimum width, the right edge in place.
    testkit::Drag(testkit::WindowPoint(t, 1, 100), { 380, 200 }, 3);
    Pump();
    RECT r = WindowRect(t);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.bottom, 300);
    // The bottom-right corner far out: the maximum size.
    testkit::Drag(testkit::WindowPoint(t, 199, 199), { 900, 900 }, 3);
    Pump();
    r = WindowRect(t);
    EXPECT_EQ(r.right - r.left, 450);
    EXPECT_EQ(r.bottom - r.top, 350);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 100);
    // The sizing cursor over the border, the arrow over the caption.
    testkit::MoveTo(testkit::WindowPoint(t, 1, 100));
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
    testkit::MoveTo(testkit::WindowPoint(t, 449, 349));
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENWSE));
    testkit::MoveTo(testkit::WindowPoint(t, 150, 10));
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(FrameInputTest, TheCloseButtonEndsInWmClose)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    Pump();
    const POINT close = testkit::WindowPoint(t, 285, 12);
    // Pressed, then released off the button: nothing.
    testkit::Press(close);
    testkit::MoveTo(Offset(close, -60, 0));
    testkit::Release(Offset(close, -60, 0));
    Pump();
    EXPECT_TRUE(IsWindow(t));
    EXPECT_EQ(Count(WM_CLOSE), 0);
    // At once after the first: a double click for the router, a second press for the button.
    testkit::Click(close);
    Pump();
    EXPECT_EQ(Commands(), (std::vector<std::pair<WPARAM, LPARAM>> { { SC_CLOSE, LPARAM(MAKELONG(close.x, close.y)) } }));
    EXPECT_EQ(Count(WM_CLOSE), 1);
    EXPECT_FALSE(IsWindow(t));
}

TEST_F(FrameInputTest, MaximiseFillsTheWorkAreaAndTheCaptionsDoubleClickRestores)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 }, nullptr, 0, true);
    Pump();
    testkit::Click(testkit::WindowPoint(t, 268, 12));
    Pump();
    ASSERT_TRUE(IsZoomed(t));
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT client;
    GetClientRect(t, &client);
    POINT origin { 0, 0 };
    ClientToScreen(t, &origin);
    EXPECT_EQ(origin.x, work.left);
    EXPECT_EQ(origin.x + client.right, work.right);
    EXPECT_EQ(origin.y + client.bottom, work.bottom);
    EXPECT_EQ(origin.y, work.top + GetSystemMetrics(SM_CYCAPTION));
    testkit::DoubleClick({ 300, 10 });
    Pump();
    EXPECT_FALSE(IsZoomed(t));
    EXPECT_EQ(WindowRect(t).left, 100);
    EXPECT_EQ(WindowRect(t).right, 400);
}

TEST_F(FrameInputTest, AltF4ClosesTheActiveWindow)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 60, 60 }, t);
    SetFocus(c);
    Pump();
    testkit::Key(VK_F4, testkit::Alt);
    Pump();
    EXPECT_EQ(Count(WM_CLOSE, "T"), 1);
    EXPECT_FALSE(IsWindow(t));
}

TEST_F(FrameInputTest, ALoneAltAndF10GiveKeyMenuWithZeroAndAltLetterTheLetter)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 60, 60 }, t);
    SetFocus(c);
    Pump();
    Clear();
    testkit::TapAlt();
    Pump();
    testkit::Key(VK_F10);
    Pump();
    testkit::AltSequence(u"f");
    Pump();
    testkit::Key(VK_SPACE, testkit::Alt);
    Pump();
    EXPECT_EQ(Commands(), (std::vector<std::pair<WPARAM, LPARAM>> { { SC_KEYMENU, 0 }, { SC_KEYMENU, 0 }, { SC_KEYMENU, 'f' },
                              { SC_KEYMENU, ' ' } }));
    // Ctrl+Alt is no menu key.
    Clear();
    testkit::KeyDown(VK_CONTROL);
    testkit::TapAlt();
    testkit::KeyUp(VK_CONTROL);
    Pump();
    EXPECT_TRUE(Commands().empty());
}

TEST_F(FrameInputTest, RightClickShiftF10AndTheMenuKeyAskForAContextMenu)
{
    HWND t = Make("T", kFrame, { 100, 100, 400, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 10, 10, 60, 60 }, t);
    SetFocus(c);
    Pump();
    Clear();
    const POINT at = testkit::ClientPoint(c, 5, 6);
    testkit::Click(at, testkit::Button::Right);
    Pump();
    testkit::Key(VK_F10, testkit::Shift);
    Pump();
    testkit::Key(VK_APPS);
    Pump();
    std::vector<std::string> menus;
    for (const Entry& e : TheLog().entries)
        if (e.message == WM_CONTEXTMENU)
            menus.push_back(e.window + (e.lParam == -1 ? " keyboard" : e.lParam == LPARAM(MAKELONG(at.x, at.y)) ? " at the click" : " elsewhere"));
    // Each reaches the child first, and its default procedure passes it up.
    EXPECT_EQ(menus, (std::vector<std::string> { "C at the click", "T at the click", "C keyboard", "T keyboard", "C keyboard", "T keyboard" }));
    EXPECT_TRUE(Commands().empty());
}

} // namespace
