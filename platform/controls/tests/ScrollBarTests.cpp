#include "ControlTestSupport.h"

#include "platform/base/Clock.h"
#include "platform/user/ScrollBar.h"

using namespace control_test;
using platform::user::kScrollRepeatTimer;

namespace {

constexpr UINT kSetClock = WM_APP + 1;

struct Scrolled {
    WORD code;
    int position; // HIWORD of wParam
    DWORD time;
    int trackPos;
    bool operator==(const Scrolled&) const = default;
};

class ScrollBarTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        SetTickSourceForTesting([this] { return m_now; });
        TheRecorder().handler = [this](HWND, UINT m, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (m == kSetClock) {
                m_now = ULONGLONG(lParam);
                return 0;
            }
            if (m == WM_VSCROLL || m == WM_HSCROLL) {
                HWND bar = HWND(lParam);
                SCROLLINFO info { sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0 };
                GetScrollInfo(bar, SB_CTL, &info);
                m_seen.push_back({ LOWORD(DWORD(wParam)), int(short(HIWORD(DWORD(wParam)))), DWORD(m_now), info.nTrackPos });
                if (m_follow) {
                    // The owner moves the bar the way programs do.
                    SCROLLINFO all { sizeof(all), SIF_ALL, 0, 0, 0, 0, 0 };
                    GetScrollInfo(bar, SB_CTL, &all);
                    int pos = all.nPos;
                    switch (LOWORD(DWORD(wParam))) {
                    case SB_LINEDOWN: pos += 1; break;
                    case SB_LINEUP: pos -= 1; break;
                    case SB_PAGEDOWN: pos += int(all.nPage); break;
                    case SB_PAGEUP: pos -= int(all.nPage); break;
                    case SB_THUMBTRACK:
                    case SB_THUMBPOSITION: pos = all.nTrackPos; break;
                    default: break;
                    }
                    SetScrollPos(bar, SB_CTL, pos, TRUE);
                }
                return 0;
            }
            return std::nullopt;
        };
    }
    void TearDown() override
    {
        SetTickSourceForTesting(nullptr);
        ControlTest::TearDown();
    }
    HWND MakeBar(int page = 10)
    {
        HWND bar = Make(WC_SCROLLBARW, u"", SBS_VERT, 10, 10, 17, 200, 40);
        SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, UINT(page), 0, 0 };
        SetScrollInfo(bar, SB_CTL, &info, FALSE);
        return bar;
    }
    // Queues what happens while the button is held: clock changes, timer ticks, moves, release.
    void At(ULONGLONG time) { PostMessage(m_parent, kSetClock, 0, LPARAM(time)); }
    void Tick(HWND bar) { PostMessage(bar, WM_TIMER, kScrollRepeatTimer, 0); }
    void PostMove(HWND bar, int x, int y) { PostMessage(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(WORD(x), WORD(y))); }
    void PostUp(HWND bar, int x, int y) { PostMessage(bar, WM_LBUTTONUP, 0, MAKELPARAM(WORD(x), WORD(y))); }

    ULONGLONG m_now = 1000;
    std::vector<Scrolled> m_seen;
    bool m_follow = false;
};

TEST_F(ScrollBarTest, ArrowsRepeatAfter400ThenEvery50Milliseconds)
{
    HWND bar = MakeBar();
    for (ULONGLONG t : { 1399, 1400, 1449, 1450, 1480, 1500 }) {
        At(t);
        Tick(bar);
    }
    PostUp(bar, 8, 190);
    Press(bar, 8, 190); // the down arrow; returns when the button is let go
    const std::vector<Scrolled> expected {
        { SB_LINEDOWN, 0, 1000, 0 },
        { SB_LINEDOWN, 0, 1400, 0 },
        { SB_LINEDOWN, 0, 1450, 0 },
        { SB_LINEDOWN, 0, 1500, 0 },
        { SB_ENDSCROLL, 0, 1500, 0 },
    };
    EXPECT_EQ(m_seen, expected);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarTest, APageAreaRepeatsUntilTheThumbReachesThePointer)
{
    m_follow = true;
    HWND bar = MakeBar(20);
    // Thumb at the top; the pointer presses the track near the bottom.
    for (ULONGLONG t = 1400; t <= 1800; t += 50) {
        At(t);
        Tick(bar);
    }
    PostUp(bar, 8, 150);
    Press(bar, 8, 150);
    int pages = 0;
    for (const Scrolled& s : m_seen)
        pages += s.code == SB_PAGEDOWN;
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 4) << "no paging once the thumb is under the pointer";
    EXPECT_EQ(m_seen.back().code, SB_ENDSCROLL);
    // The thumb now covers the point that was pressed.
    RECT client;
    GetClientRect(bar, &client);
    const platform::user::ScrollBarLayout layout = platform::user::LayoutScrollBar(bar, SB_CTL, client, true);
    EXPECT_LE(layout.thumb.top, 150 + 20);
}

TEST_F(ScrollBarTest, TheThumbTracksThenSettlesWhereItIsLetGo)
{
    HWND bar = MakeBar();
    RECT client;
    GetClientRect(bar, &client);
    const platform::user::ScrollBarLayout layout = platform::user::LayoutScrollBar(bar, SB_CTL, client, true);
    const int grabY = layout.thumb.top + 3;
    PostMove(bar, 8, grabY + 40);
    PostMove(bar, 8, grabY + 40); // no movement, no message
    PostMove(bar, 8, grabY + 400); // past the end
    PostUp(bar, 8, grabY + 400);
    Press(bar, 8, grabY);
    ASSERT_EQ(m_seen.size(), 4u);
    EXPECT_EQ(m_seen[0].code, SB_THUMBTRACK);
    EXPECT_GT(m_seen[0].position, 0);
    EXPECT_EQ(m_seen[0].trackPos, m_seen[0].position) << "SIF_TRACKPOS while tracking";
    EXPECT_EQ(m_seen[1].code, SB_THUMBTRACK);
    EXPECT_EQ(m_seen[1].position, 91) << "the last position a page of 10 allows";
    EXPECT_EQ(m_seen[2].code, SB_THUMBPOSITION);
    EXPECT_EQ(m_seen[2].position, 91);
    EXPECT_EQ(m_seen[3].code, SB_ENDSCROLL);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0) << "the owner moves the bar, not the bar itself";
}

TEST_F(ScrollBarTest, ControlMessagesAndClamping)
{
    HWND bar = MakeBar();
    EXPECT_EQ(SendMessage(bar, SBM_SETPOS, 500, FALSE), 0);
    EXPECT_EQ(SendMessage(bar, SBM_GETPOS, 0, 0), 91);
    int lo = -1;
    int hi = -1;
    SendMessage(bar, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
    SCROLLINFO info { sizeof(info), SIF_PAGE, 0, 0, 1000, 0, 0 };
    SendMessage(bar, SBM_SETSCROLLINFO, FALSE, LPARAM(&info));
    info.fMask = SIF_ALL;
    SendMessage(bar, SBM_GETSCROLLINFO, 0, LPARAM(&info));
    EXPECT_EQ(info.nPage, 101u) << "the page is cut to the range";
    EXPECT_EQ(info.nPos, 0);
    SendMessage(bar, SBM_SETRANGE, 0, 1000000);
    SendMessage(bar, SBM_SETSCROLLINFO, FALSE, LPARAM(&(info = { sizeof(info), SIF_PAGE | SIF_POS, 0, 0, 10, 700000, 0 })));
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 700000) << "positions beyond 16 bits";
    Key(bar, VK_DOWN);
    ASSERT_EQ(m_seen.size(), 2u);
    EXPECT_EQ(m_seen[0].code, SB_LINEDOWN);
    EXPECT_EQ(m_seen[1].code, SB_ENDSCROLL);
}

TEST_F(ScrollBarTest, WindowBarsShowThemselvesWhenThereIsSomethingToScroll)
{
    HWND window = Make(WC_STATICW, u"", SS_NOTIFY, 10, 10, 200, 120, 41);
    SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE, 0, 9, 20, 0, 0 };
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
    info.nMax = 99;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 200 - GetSystemMetrics(SM_CXVSCROLL));
    RECT w;
    GetWindowRect(window, &w);
    EXPECT_EQ(platform::user::WindowScrollBarHitTest(window, POINT { w.right - 3, w.top + 50 }), HTVSCROLL);
    EXPECT_EQ(platform::user::WindowScrollBarHitTest(window, POINT { w.left + 3, w.top + 50 }), HTNOWHERE);
    info.fMask = SIF_RANGE | SIF_DISABLENOSCROLL;
    info.nMax = 5;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) << "kept, disabled";
}

} // namespace

namespace {

TEST_F(ScrollBarTest, WindowBarsDrawIntoTheWindowsFrame)
{
    HWND window = Make(WC_STATICW, u"", SS_NOTIFY | WS_VSCROLL | WS_HSCROLL, 10, 10, 150, 100, 42);
    for (int bar : { SB_VERT, SB_HORZ }) {
        SCROLLINFO info { sizeof(info), SIF_ALL | SIF_DISABLENOSCROLL, 0, 99, 20, 40, 0 };
        SetScrollInfo(window, bar, &info, FALSE);
    }
    RECT w;
    GetWindowRect(window, &w);
    gdi_test::Surface surface(w.right - w.left, w.bottom - w.top, RGB(255, 0, 255));
    platform::user::DrawWindowScrollBars(window, surface.dc());
    RECT vertical;
    RECT horizontal;
    ASSERT_TRUE(platform::user::WindowScrollBarRect(window, SB_VERT, &vertical));
    ASSERT_TRUE(platform::user::WindowScrollBarRect(window, SB_HORZ, &horizontal));
    EXPECT_EQ(vertical.right, w.right - w.left);
    EXPECT_EQ(horizontal.bottom, w.bottom - w.top);
    // Arrow buttons on the face colour, the corner box, and nothing drawn over the client area.
    EXPECT_EQ(surface.At(vertical.left + 2, vertical.top + 2), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(surface.At(vertical.left + 2, horizontal.top + 2), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(surface.At(5, 5), RGB(255, 0, 255));
    Keep(surface, "window_bars");
    // A press on the window's down arrow scrolls the window itself (lParam 0).
    std::vector<std::pair<UINT, LPARAM>> got;
    TheRecorder().handler = nullptr;
    HWND top = CreateWindowExW(0, u"ControlTestParent", u"", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 300, 300, 100, 100,
        nullptr, nullptr, nullptr, nullptr);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 99, 20, 0, 0 };
    SetScrollInfo(top, SB_VERT, &info, FALSE);
    RECT topRect;
    GetWindowRect(top, &topRect);
    RECT bar;
    ASSERT_TRUE(platform::user::WindowScrollBarRect(top, SB_VERT, &bar));
    PostMessage(top, WM_LBUTTONUP, 0, 0);
    Events().clear();
    platform::user::TrackWindowScrollBar(top, HTVSCROLL, POINT { topRect.left + bar.left + 3, topRect.top + bar.bottom - 3 });
    std::vector<UINT> codes;
    for (const Event& e : Events())
        if (e.message == WM_VSCROLL) {
            codes.push_back(e.code);
            EXPECT_EQ(e.from, nullptr);
        }
    EXPECT_EQ(codes, (std::vector<UINT> { SB_LINEDOWN, SB_ENDSCROLL }));
    DestroyWindow(top);
}

} // namespace
