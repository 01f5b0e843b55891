#include "WindowTestSupport.h"

using namespace window_test;

namespace {

using PaintTest = WindowTest;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

void Fill(HDC hdc, const RECT& r, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

size_t Count(UINT message)
{
    return size_t(std::count_if(TheSpy().seen.begin(), TheSpy().seen.end(), [&](auto& e) { return e.second == message; }));
}

TEST_F(PaintTest, InvalidatingPaintsOnlyInsideThePaintRectangle)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150);
    SetColor(w, kWhite);
    PumpPaint();
    EXPECT_EQ(ScreenPixel(100, 100), kWhite);
    RECT painted {};
    OnPaint(w, [&](HDC hdc, const PAINTSTRUCT& ps) {
        painted = ps.rcPaint;
        Fill(hdc, RECT { 0, 0, 200, 150 }, kRed); // the whole client: the clip keeps it inside
    });
    RECT dirty { 20, 30, 60, 70 };
    InvalidateRect(w, &dirty, FALSE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
    EXPECT_EQ(update.left, 20);
    EXPECT_EQ(update.bottom, 70);
    UpdateWindow(w);
    EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
    EXPECT_EQ(painted.left, 20);
    EXPECT_EQ(painted.top, 30);
    EXPECT_EQ(painted.right, 60);
    EXPECT_EQ(painted.bottom, 70);
    for (auto [x, y, color] : { std::tuple { 20, 30, kRed }, { 59, 69, kRed }, { 60, 69, kWhite }, { 59, 70, kWhite },
             { 19, 30, kWhite }, { 20, 29, kWhite }, { 150, 100, kWhite } })
        EXPECT_EQ(ScreenPixel(x, y), color) << x << "," << y;
    // Two rectangles: the paint rectangle is their box, the clip only their union.
    RECT a { 0, 0, 10, 10 };
    RECT b { 100, 100, 110, 110 };
    SetColor(w, kWhite);
    TheSpy().handlers.erase(w);
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    OnPaint(w, [&](HDC hdc, const PAINTSTRUCT& ps) {
        painted = ps.rcPaint;
        Fill(hdc, RECT { 0, 0, 200, 150 }, kBlue);
    });
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(painted.left, 0);
    EXPECT_EQ(painted.right, 110);
    EXPECT_EQ(ScreenPixel(5, 5), kBlue);
    EXPECT_EQ(ScreenPixel(105, 105), kBlue);
    EXPECT_EQ(ScreenPixel(50, 50), kWhite);
}

TEST_F(PaintTest, ChildrenAreClippedPerClipChildrenAndClipSiblings)
{
    struct Case {
        bool clipChildren;
        bool clipSiblings;
    };
    for (Case c : { Case { false, false }, Case { true, false }, Case { false, true }, Case { true, true } }) {
        SCOPED_TRACE(testing::Message() << "clip children " << c.clipChildren << ", clip siblings " << c.clipSiblings);
        HWND p = Make(u"P", WS_POPUP | WS_VISIBLE | (c.clipChildren ? WS_CLIPCHILDREN : 0), 0, 0, 200, 200);
        const DWORD childStyle = WS_CHILD | WS_VISIBLE | (c.clipSiblings ? WS_CLIPSIBLINGS : 0);
        // A new child goes under its siblings: the first created is the upper one.
        HWND upper = Make(u"C2", childStyle, 60, 60, 100, 100, p);
        HWND lower = Make(u"C1", childStyle, 10, 10, 100, 100, p);
        SetColor(p, kWhite);
        SetColor(lower, kGreen);
        SetColor(upper, kBlue);
        PumpPaint();
        EXPECT_EQ(ScreenPixel(5, 5), kWhite);
        EXPECT_EQ(ScreenPixel(30, 30), kGreen);
        EXPECT_EQ(ScreenPixel(150, 150), kBlue);

        // The parent's DC: over the children only without WS_CLIPCHILDREN.
        HDC hdc = GetDC(p);
        Fill(hdc, RECT { 0, 0, 200, 200 }, kMagenta);
        ReleaseDC(p, hdc);
        EXPECT_EQ(ScreenPixel(5, 5), kMagenta);
        EXPECT_EQ(ScreenPixel(30, 30), c.clipChildren ? kGreen : kMagenta);
        EXPECT_EQ(ScreenPixel(150, 150), c.clipChildren ? kBlue : kMagenta);

        // The lower child's DC: over its upper sibling only without WS_CLIPSIBLINGS.
        HDC lowerDC = GetDC(lower);
        Fill(lowerDC, RECT { 0, 0, 100, 100 }, kYellow);
        ReleaseDC(lower, lowerDC);
        EXPECT_EQ(ScreenPixel(30, 30), kYellow);
        EXPECT_EQ(ScreenPixel(80, 80), c.clipSiblings ? (c.clipChildren ? kBlue : kMagenta) : kYellow);
        EXPECT_EQ(ScreenPixel(115, 115), c.clipChildren ? kBlue : kMagenta); // outside the lower child

        // Invalidating the parent reaches the children unless it clips them.
        ValidateRect(lower, nullptr);
        InvalidateRect(p, nullptr, TRUE);
        RECT update;
        EXPECT_EQ(GetUpdateRect(lower, &update, FALSE), c.clipChildren ? FALSE : TRUE);
        PumpPaint();
        DestroyWindow(p);
    }
}

TEST_F(PaintTest, RedrawWindowFlagCases)
{
    HWND w = Make(u"W", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 100, 100);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, w);
    PumpPaint();
    RECT r;
    ASSERT_FALSE(GetUpdateRect(w, &r, FALSE));

    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    EXPECT_TRUE(GetUpdateRect(w, &r, FALSE));
    EXPECT_TRUE(GetUpdateRect(child, &r, FALSE));
    RedrawWindow(w, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));

    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    EXPECT_TRUE(GetUpdateRect(w, &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
    PumpPaint();

    // ERASENOW: the background now, WM_PAINT later.
    TheSpy().seen.clear();
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_NOCHILDREN);
    EXPECT_EQ(Count(WM_ERASEBKGND), 1u);
    EXPECT_EQ(Count(WM_PAINT), 0u);
    EXPECT_TRUE(GetUpdateRect(w, &r, FALSE));
    PumpPaint();

    // UPDATENOW with the frame: WM_PAINT, inside it WM_NCPAINT then WM_ERASEBKGND.
    TheSpy().seen.clear();
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN);
    std::vector<UINT> order;
    for (auto& e : TheSpy().seen)
        if (e.first == "W" && (e.second == WM_PAINT || e.second == WM_NCPAINT || e.second == WM_ERASEBKGND))
            order.push_back(e.second);
    EXPECT_EQ(order, (std::vector<UINT> { WM_PAINT, WM_NCPAINT, WM_ERASEBKGND }));
    EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));

    // INTERNALPAINT: a WM_PAINT with nothing to update, for the children too when the parent
    // does not clip them (its painting may cover them).
    RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(msg.hwnd, w);
    DispatchMessage(&msg);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(msg.hwnd, child);
    DispatchMessage(&msg);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << msg.message << " " << (msg.hwnd == child);
    // With WS_CLIPCHILDREN only the parent, unless all children are asked for.
    SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) | WS_CLIPCHILDREN);
    RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, w);
    DispatchMessage(&msg);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT | RDW_ALLCHILDREN);
    PumpPaint();
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) & ~LONG_PTR(WS_CLIPCHILDREN));

    // A hidden window collects nothing.
    ShowWindow(w, SW_HIDE);
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));
}

TEST_F(PaintTest, PaintMessagesComeAfterPostedOnesParentsFirst)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, w);
    PumpPaint();
    InvalidateRect(w, nullptr, TRUE);
    PostMessage(w, WM_USER + 7, 0, 0);
    MSG msg;
    std::vector<std::pair<HWND, UINT>> got;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
        got.emplace_back(msg.hwnd, msg.message);
        DispatchMessage(&msg);
    }
    EXPECT_EQ(got, (std::vector<std::pair<HWND, UINT>> { { w, WM_USER + 7 }, { w, WM_PAINT }, { child, WM_PAINT } }));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(PaintTest, BeginPaintReportsWhetherTheBackgroundWasErased)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    PumpPaint();
    BOOL erased = -1;
    OnPaint(w, [&](HDC, const PAINTSTRUCT& ps) {
        erased = ps.fErase;
    });
    InvalidateRect(w, nullptr, TRUE); // no colour: nobody erases
    UpdateWindow(w);
    EXPECT_EQ(erased, TRUE);
    SetColor(w, kGreen);
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_EQ(erased, FALSE);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(erased, FALSE);
}

TEST_F(PaintTest, LockedWindowDiscardsDrawingAndRepaintsAtUnlock)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    SetColor(w, kWhite);
    PumpPaint();
    ASSERT_TRUE(LockWindowUpdate(w));
    EXPECT_FALSE(LockWindowUpdate(w)); // one lock at a time
    HDC hdc = GetDC(w);
    Fill(hdc, RECT { 0, 0, 50, 50 }, kRed);
    ReleaseDC(w, hdc);
    EXPECT_EQ(ScreenPixel(10, 10), kWhite);
    ASSERT_TRUE(LockWindowUpdate(nullptr));
    RECT r;
    EXPECT_TRUE(GetUpdateRect(w, &r, FALSE));
    SetColor(w, kBlue);
    PumpPaint();
    EXPECT_EQ(ScreenPixel(10, 10), kBlue);
}

TEST_F(PaintTest, MirroredWindowDrawsFromItsRightEdge)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 100, 20, nullptr, WS_EX_LAYOUTRTL);
    SetColor(w, kWhite);
    PumpPaint();
    HDC hdc = GetDC(w);
    Fill(hdc, RECT { 0, 0, 10, 20 }, kRed);
    ReleaseDC(w, hdc);
    EXPECT_EQ(ScreenPixel(95, 5), kRed);
    EXPECT_EQ(ScreenPixel(5, 5), kWhite);
    // The paint rectangle is in the mirrored coordinates too.
    RECT dirty { 0, 0, 10, 20 };
    RECT painted {};
    OnPaint(w, [&](HDC, const PAINTSTRUCT& ps) {
        painted = ps.rcPaint;
    });
    InvalidateRect(w, &dirty, FALSE);
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(w, update, FALSE);
    EXPECT_TRUE(PtInRegion(update, 5, 5));
    EXPECT_FALSE(PtInRegion(update, 95, 5));
    DeleteObject(update);
    UpdateWindow(w);
    EXPECT_EQ(painted.left, 0);
    EXPECT_EQ(painted.right, 10);
}

} // namespace

namespace {

// The controls' contract: WM_PAINT with a DC in wParam and WM_PRINTCLIENT paint into that DC.
std::optional<LRESULT> PaintsIntoGivenDC(HWND hwnd, UINT m, WPARAM wParam, LPARAM)
{
    if (m != WM_PAINT && m != WM_PRINTCLIENT)
        return std::nullopt;
    PAINTSTRUCT ps;
    HDC hdc = wParam ? reinterpret_cast<HDC>(wParam) : BeginPaint(hwnd, &ps);
    Fill(hdc, RECT { 2, 2, 8, 8 }, kRed);
    if (!wParam)
        EndPaint(hwnd, &ps);
    return 0;
}

TEST_F(PaintTest, PrintDrawsFrameBackgroundClientAndChildrenIntoAMemoryDC)
{
    HWND w = Make(u"W", WS_POPUP | WS_BORDER | WS_VISIBLE, 500, 500, 40, 30);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 20, 10, 10, 10, w);
    SetColor(w, kGreen);
    SetColor(child, kBlue);
    TheSpy().handlers[child] = PaintsIntoGivenDC;
    PumpPaint();

    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 40, -30, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, dib);
    Fill(mem, RECT { 0, 0, 40, 30 }, kWhite);
    SendMessage(w, WM_PRINT, WPARAM(mem), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
    EXPECT_EQ(GetPixel(mem, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(mem, 5, 5), kGreen);
    // The child's client starts at (1 + 20, 1 + 10) in the parent's window.
    EXPECT_EQ(GetPixel(mem, 21, 11), kBlue);
    EXPECT_EQ(GetPixel(mem, 24, 14), kRed);
    // Only the client: no frame.
    Fill(mem, RECT { 0, 0, 40, 30 }, kWhite);
    SendMessage(w, WM_PRINT, WPARAM(mem), PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(GetPixel(mem, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(mem, 24, 14), kGreen);
    // A control asked to paint into a given DC leaves its window alone.
    Fill(mem, RECT { 0, 0, 40, 30 }, kWhite);
    SendMessage(child, WM_PAINT, WPARAM(mem), 0);
    EXPECT_EQ(GetPixel(mem, 3, 3), kRed);
    EXPECT_EQ(ScreenPixel(500 + 21 + 3, 500 + 11 + 3), kRed);
    DeleteDC(mem);
    DeleteObject(dib);
}

TEST_F(PaintTest, User32ModuleExportsTheLayeredAndMonitorFunctionsAcrossAReset)
{
    platform::modules::Reset();
    HMODULE user32 = LoadLibraryW(u"user32");
    ASSERT_NE(user32, nullptr);
    EXPECT_EQ(GetProcAddress(user32, "UpdateLayeredWindow"), platform::modules::Export(&UpdateLayeredWindow));
    EXPECT_NE(GetProcAddress(user32, "SetLayeredWindowAttributes"), nullptr);
    EXPECT_NE(GetProcAddress(user32, "MonitorFromWindow"), nullptr);
    HWND w = Make(u"W", WS_POPUP, 10, 10, 10, 10);
    EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), MonitorFromPoint(POINT { 10, 10 }, MONITOR_DEFAULTTONULL));
}

} // namespace

namespace {

TEST_F(PaintTest, ScrollWindowMovesPixelsAndInvalidatesWhatItUncovered)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 60, 60);
    OnPaint(w, [](HDC hdc, const PAINTSTRUCT&) {
        for (int y = 0; y < 60; ++y) // one grey level per row
            Fill(hdc, RECT { 0, y, 60, y + 1 }, RGB(y * 4, y * 4, y * 4));
    });
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 40, 40, 10, 10, w);
    PumpPaint();
    ASSERT_EQ(ScreenPixel(5, 20), RGB(80, 80, 80));
    RECT uncovered;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(ScrollWindowEx(w, 0, -10, nullptr, nullptr, region, &uncovered, SW_INVALIDATE | SW_ERASE | SW_SCROLLCHILDREN),
        COMPLEXREGION);
    EXPECT_EQ(ScreenPixel(5, 20), RGB(120, 120, 120)); // row 30 moved up to row 20
    EXPECT_EQ(ScreenPixel(5, 0), RGB(40, 40, 40));
    // Uncovered: the bottom rows and where the child covered the parent's pixels.
    EXPECT_TRUE(PtInRegion(region, 5, 55));
    EXPECT_TRUE(PtInRegion(region, 45, 35));
    EXPECT_FALSE(PtInRegion(region, 5, 20));
    EXPECT_EQ(uncovered.bottom, 60);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r.top, 30);
    EXPECT_TRUE(GetUpdateRect(w, &r, FALSE));
    PumpPaint();
    EXPECT_EQ(ScreenPixel(5, 55), RGB(220, 220, 220));
    DeleteObject(region);
}

} // namespace

namespace {

TEST_F(PaintTest, DCHeldAcrossAResizeOrTheWindowsDestructionStaysSafe)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, w);
    SetColor(w, kWhite);
    PumpPaint();
    HDC hdc = GetDC(child);
    SetWindowPos(w, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
    Fill(hdc, RECT { 0, 0, 10, 10 }, kRed); // lands in the new surface, still at the child
    ReleaseDC(child, hdc);
    EXPECT_EQ(ScreenPixel(6, 6), kRed);
    hdc = GetDC(child);
    DestroyWindow(w);
    Fill(hdc, RECT { 0, 0, 10, 10 }, kBlue); // draws nothing, touches nothing
    EXPECT_EQ(GetPixel(hdc, 1, 1), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(child, hdc), 1);
    EXPECT_EQ(ScreenPixel(6, 6), GetSysColor(COLOR_BACKGROUND));
}

} // namespace

namespace {

TEST_F(PaintTest, GrowingATopLevelWindowRepaintsOnlyTheNewPartOfItsClientAndItsFrame)
{
    HWND w = Make(u"W", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 100, 100);
    SetColor(w, kWhite);
    PumpPaint();
    SetWindowPos(w, nullptr, 0, 0, 150, 120, SWP_NOMOVE | SWP_NOZORDER);
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetUpdateRgn(w, update, FALSE), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(update, 50, 50));
    EXPECT_TRUE(PtInRegion(update, 120, 50));
    EXPECT_TRUE(PtInRegion(update, 50, 110));
    EXPECT_TRUE(PtInRegion(update, 98, 50)); // where the old right border was (client coordinates)
    EXPECT_FALSE(PtInRegion(update, 97, 50));
    EXPECT_EQ(ScreenPixel(50, 50), kWhite); // kept from before
    TheSpy().seen.clear();
    PumpPaint();
    EXPECT_EQ(std::count_if(TheSpy().seen.begin(), TheSpy().seen.end(), [](auto& e) { return e.second == WM_NCPAINT; }), 1);
    EXPECT_EQ(ScreenPixel(140, 110), kWhite);
    EXPECT_EQ(ScreenPixel(149, 119), GetSysColor(COLOR_WINDOWFRAME));
    DeleteObject(update);
}

} // namespace
