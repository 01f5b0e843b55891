#include "WindowTestSupport.h"

using namespace window_test;

namespace {

using GeometryTest = WindowTest;

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

#define EXPECT_RECT(actual, l, t, r, b) EXPECT_TRUE(Same(actual, RECT { l, t, r, b })) \
    << (actual).left << "," << (actual).top << "," << (actual).right << "," << (actual).bottom

TEST_F(GeometryTest, FramesClientAreasAndCoordinateMapping)
{
    // Sizing frame 4 and caption 19; a child with a client edge of 2.
    HWND top = Make(u"T", WS_OVERLAPPEDWINDOW, 100, 50, 300, 200);
    HWND child = Make(u"C", WS_CHILD, 10, 20, 50, 30, top, WS_EX_CLIENTEDGE);
    RECT r;
    GetClientRect(top, &r);
    EXPECT_RECT(r, 0, 0, 292, 173);
    GetWindowRect(child, &r);
    EXPECT_RECT(r, 114, 93, 164, 123);
    GetClientRect(child, &r);
    EXPECT_RECT(r, 0, 0, 46, 26);
    POINT p { 0, 0 };
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 116);
    EXPECT_EQ(p.y, 95);
    ScreenToClient(top, &p);
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, 22);
    POINT pts[2] = { { 0, 0 }, { 5, 5 } };
    const int moved = MapWindowPoints(child, top, pts, 2);
    EXPECT_EQ(short(LOWORD(DWORD(moved))), 12);
    EXPECT_EQ(short(HIWORD(DWORD(moved))), 22);
    RECT adjusted { 0, 0, 292, 173 };
    AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
    EXPECT_RECT(adjusted, -4, -23, 296, 177);
}

TEST_F(GeometryTest, SetWindowPosFlagsTable)
{
    HWND top = Make(u"T", WS_POPUP, 0, 0, 400, 400);
    HWND w = Make(u"W", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, top);
    struct Case {
        const char* what;
        int x, y, cx, cy;
        UINT flags;
        RECT expected; // in the parent's client
        bool move, size, calc;
    };
    const Case cases[] = {
        { "move only", 20, 30, 1, 1, SWP_NOSIZE | SWP_NOZORDER, { 20, 30, 120, 80 }, true, false, false },
        { "size only", 99, 99, 60, 40, SWP_NOMOVE | SWP_NOZORDER, { 20, 30, 80, 70 }, false, true, true },
        { "both", 0, 0, 10, 10, SWP_NOZORDER, { 0, 0, 10, 10 }, true, true, true },
        { "same place", 0, 0, 10, 10, SWP_NOZORDER, { 0, 0, 10, 10 }, false, false, false },
        { "frame changed", 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED, { 0, 0, 10, 10 }, false, false, true },
        { "neither", 5, 5, 5, 5, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER, { 0, 0, 10, 10 }, false, false, false },
    };
    for (const Case& c : cases) {
        TheSpy().seen.clear();
        EXPECT_TRUE(SetWindowPos(w, nullptr, c.x, c.y, c.cx, c.cy, c.flags)) << c.what;
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(Same(r, c.expected)) << c.what;
        auto count = [&](UINT m) { return std::count_if(TheSpy().seen.begin(), TheSpy().seen.end(), [&](auto& e) { return e.second == m; }); };
        EXPECT_EQ(count(WM_WINDOWPOSCHANGING), 1) << c.what;
        EXPECT_EQ(count(WM_WINDOWPOSCHANGED), 1) << c.what;
        EXPECT_EQ(count(WM_MOVE), c.move ? 1 : 0) << c.what;
        EXPECT_EQ(count(WM_SIZE), c.size ? 1 : 0) << c.what;
        EXPECT_EQ(count(WM_NCCALCSIZE), c.calc ? 1 : 0) << c.what;
    }
}

TEST_F(GeometryTest, PosChangingMayEditTheRecordUnlessNotSent)
{
    HWND w = Make(u"W", WS_POPUP, 0, 0, 100, 100);
    TheSpy().handlers[w] = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_WINDOWPOSCHANGING)
            reinterpret_cast<WINDOWPOS*>(l)->cx = 77;
        return std::nullopt;
    };
    SetWindowPos(w, nullptr, 0, 0, 200, 50, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 77);
    EXPECT_EQ(r.bottom - r.top, 50);
    SetWindowPos(w, nullptr, 0, 0, 200, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOSENDCHANGING);
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 200);
}

TEST_F(GeometryTest, DeferredPositionsApplyInOrderAndMergePerWindow)
{
    HWND top = Make(u"T", WS_POPUP, 0, 0, 400, 400);
    HWND a = Make(u"A", WS_CHILD, 0, 0, 10, 10, top);
    HWND b = Make(u"B", WS_CHILD, 0, 0, 10, 10, top);
    HDWP d = BeginDeferWindowPos(2);
    d = DeferWindowPos(d, a, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    d = DeferWindowPos(d, b, nullptr, 50, 60, 70, 80, SWP_NOZORDER);
    d = DeferWindowPos(d, a, nullptr, 0, 0, 30, 40, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_NE(d, nullptr);
    TheSpy().seen.clear();
    EXPECT_TRUE(EndDeferWindowPos(d));
    std::vector<std::string> order;
    for (auto& e : TheSpy().seen)
        if (e.second == WM_WINDOWPOSCHANGED)
            order.push_back(e.first);
    EXPECT_EQ(order, (std::vector<std::string> { "A", "B" }));
    RECT r;
    GetWindowRect(a, &r);
    EXPECT_RECT(r, 5, 6, 35, 46);
    GetWindowRect(b, &r);
    EXPECT_RECT(r, 50, 60, 120, 140);
    EXPECT_FALSE(EndDeferWindowPos(d)); // spent
}

std::vector<HWND> TopLevels()
{
    std::vector<HWND> out;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
        out.push_back(h);
    return out;
}

TEST_F(GeometryTest, ZOrderKeepsTheTopmostBandAndOwnedWindowsAboveTheirOwner)
{
    HWND a = Make(u"A", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HWND b = Make(u"B", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { b, a }));
    SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(DWORD(GetWindowLongW(a, GWL_EXSTYLE)) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    HWND c = Make(u"C", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { a, c, b }));
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { a, b, c }));
    SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); // "after" a topmost window: stays in its band
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { a, b, c }));
    SetWindowPos(a, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { a, b, c }));
    EXPECT_EQ(DWORD(GetWindowLongW(a, GWL_EXSTYLE)) & WS_EX_TOPMOST, 0u);
    SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { b, c, a }));

    HWND owned = Make(u"O", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, c);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { owned, b, c, a }));
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { owned, c, b, a }));
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(c, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(TopLevels(), (std::vector<HWND> { a, b, owned, c }));
}

TEST_F(GeometryTest, MaximiseMinimiseRestoreAndPlacementRoundTrip)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 300, 200);
    ShowWindow(w, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(w));
    RECT r;
    GetWindowRect(w, &r);
    const RECT work = CurrentSystemModel().monitors.front().work;
    EXPECT_RECT(r, work.left - 4, work.top - 4, work.right + 4, work.bottom + 4);
    WINDOWPLACEMENT p {};
    p.length = sizeof(p);
    ASSERT_TRUE(GetWindowPlacement(w, &p));
    EXPECT_EQ(p.showCmd, UINT(SW_SHOWMAXIMIZED));
    EXPECT_RECT(p.rcNormalPosition, 40, 30, 340, 230);
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    GetWindowPlacement(w, &p);
    EXPECT_EQ(p.showCmd, UINT(SW_SHOWMINIMIZED));
    EXPECT_EQ(p.flags & WPF_RESTORETOMAXIMIZED, WPF_RESTORETOMAXIMIZED);
    ShowWindow(w, SW_RESTORE); // back to maximised, as it was before minimising
    EXPECT_TRUE(IsZoomed(w));
    ShowWindow(w, SW_RESTORE);
    GetWindowRect(w, &r);
    EXPECT_RECT(r, 40, 30, 340, 230);

    WINDOWPLACEMENT stored {};
    stored.length = sizeof(stored);
    stored.showCmd = SW_SHOWNORMAL;
    stored.rcNormalPosition = { 10, 20, 210, 170 };
    EXPECT_TRUE(SetWindowPlacement(w, &stored));
    GetWindowRect(w, &r);
    EXPECT_RECT(r, 10, 20, 210, 170);
    stored.length = 40;
    EXPECT_FALSE(SetWindowPlacement(w, &stored));
    stored.length = sizeof(stored);
    stored.showCmd = SW_SHOWMAXIMIZED;
    stored.rcNormalPosition = { 1, 2, 201, 152 };
    SetWindowPlacement(w, &stored);
    EXPECT_TRUE(IsZoomed(w));
    ShowWindow(w, SW_RESTORE);
    GetWindowRect(w, &r);
    EXPECT_RECT(r, 1, 2, 201, 152);
    TheSpy().seen.clear();
    EXPECT_TRUE(ShowWindow(w, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(ShowWindow(w, SW_HIDE));
}

TEST_F(GeometryTest, MirroredParentMeasuresChildrenFromItsRightEdge)
{
    HWND top = Make(u"T", WS_POPUP, 100, 100, 200, 100, nullptr, WS_EX_LAYOUTRTL);
    HWND child = Make(u"C", WS_CHILD, 10, 5, 50, 20, top);
    EXPECT_EQ(DWORD(GetWindowLongW(child, GWL_EXSTYLE)) & WS_EX_LAYOUTRTL, WS_EX_LAYOUTRTL); // inherited
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_RECT(r, 240, 105, 290, 125);
    // Back into the parent's client coordinates: left stays left.
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_RECT(r, 10, 5, 60, 25);
    POINT p { 0, 0 };
    ClientToScreen(top, &p);
    EXPECT_EQ(p.x, 300);
    // Resizing the parent keeps the child's distance from the right edge.
    SetWindowPos(top, nullptr, 0, 0, 300, 100, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(child, &r);
    EXPECT_RECT(r, 340, 105, 390, 125);
    POINT hit { 345, 110 };
    ShowWindow(top, SW_SHOWNA);
    ShowWindow(child, SW_SHOWNA);
    EXPECT_EQ(WindowFromPoint(hit), child);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT { 15, 10 }), child);
}

TEST_F(GeometryTest, ToolWindowCaptionIsHitOnlyWhereItIsDrawn)
{
    // Sizing frame 4 and the small caption 15, then a menu bar: its top rows are no caption.
    HWND tool = Make(u"T", WS_OVERLAPPEDWINDOW, 100, 50, 300, 200, nullptr, WS_EX_TOOLWINDOW);
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_STRING, 1, u"File");
    ASSERT_TRUE(SetMenu(tool, bar));
    auto hit = [&](int x, int y) { return SendMessageW(tool, WM_NCHITTEST, 0, LPARAM(DWORD(WORD(x)) | (DWORD(WORD(y)) << 16))); };
    EXPECT_EQ(hit(200, 50 + 4 + 5), HTCAPTION);
    EXPECT_NE(hit(200, 50 + 4 + 16), HTCAPTION);
}

} // namespace
