// The caret: one per thread, shown and hidden by counting, an overlay the screen capture adds
// only when asked, blinking on the injectable clock, hidden while its window paints.

#include "WindowTestSupport.h"

#include "platform/base/Clock.h"
#include "platform/user/Caret.h"
#include "platform/user/MessageQueue.h"

#include <atomic>
#include <thread>

using namespace window_test;

namespace {

class CaretTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_now = 100000;
        SetTickSourceForTesting([this] { return ULONGLONG(m_now.load()); });
    }
    void TearDown() override
    {
        DestroyCaret();
        SetTickSourceForTesting({});
        WindowTest::TearDown();
    }
    // The screen at a client point of `w`, with the carets.
    static COLORREF WithCaret(HWND w, int x, int y)
    {
        POINT p { x, y };
        ClientToScreen(w, &p);
        std::vector<DWORD> px;
        CaptureScreen(RECT { p.x, p.y, p.x + 1, p.y + 1 }, px, true);
        return RGB(BYTE(px[0] >> 16), BYTE(px[0] >> 8), BYTE(px[0]));
    }
    std::atomic<ULONGLONG> m_now { 0 };
};

TEST_F(CaretTest, ShownByCountingAndInvertingOnlyInTheCapturesThatAskForIt)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    SetColor(w, RGB(255, 255, 255));
    UpdateWindow(w);
    EXPECT_FALSE(ShowCaret(w)); // no caret yet
    ASSERT_TRUE(CreateCaret(w, nullptr, 2, 16));
    ASSERT_TRUE(SetCaretPos(10, 5));
    EXPECT_EQ(WithCaret(w, 10, 5), RGB(255, 255, 255)); // created hidden
    EXPECT_TRUE(ShowCaret(w));
    EXPECT_EQ(WithCaret(w, 10, 5), RGB(0, 0, 0));
    EXPECT_EQ(WithCaret(w, 11, 20), RGB(0, 0, 0));
    EXPECT_EQ(WithCaret(w, 12, 5), RGB(255, 255, 255));
    EXPECT_EQ(WithCaret(w, 10, 21), RGB(255, 255, 255));
    EXPECT_EQ(ScreenPixel(110, 105), RGB(255, 255, 255)); // never in the window's pixels
    // Hides count: two hides need two shows.
    EXPECT_TRUE(HideCaret(w));
    EXPECT_TRUE(HideCaret(nullptr));
    EXPECT_TRUE(ShowCaret(w));
    EXPECT_EQ(WithCaret(w, 10, 5), RGB(255, 255, 255));
    EXPECT_TRUE(ShowCaret(nullptr));
    EXPECT_EQ(WithCaret(w, 10, 5), RGB(0, 0, 0));
    EXPECT_FALSE(ShowCaret(w)); // not below zero
    POINT at {};
    EXPECT_TRUE(GetCaretPos(&at));
    EXPECT_EQ(at.x, 10);
    EXPECT_EQ(at.y, 5);
    EXPECT_TRUE(DestroyCaret());
    EXPECT_FALSE(GetCaretPos(&at));
    EXPECT_EQ(WithCaret(w, 10, 5), RGB(255, 255, 255));
}

TEST_F(CaretTest, BlinksOnTheClockAndShowsAtOnceWhenMoved)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    SetColor(w, RGB(255, 255, 255));
    UpdateWindow(w);
    CreateCaret(w, nullptr, 1, 10);
    ShowCaret(w);
    const DWORD blink = GetCaretBlinkTime();
    EXPECT_EQ(blink, 530u);
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(0, 0, 0));
    m_now += blink - 1;
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(0, 0, 0));
    m_now += 1;
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(255, 255, 255));
    m_now += blink;
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(0, 0, 0));
    m_now += blink;
    SetCaretPos(5, 0); // typing moves it: visible again at once
    EXPECT_EQ(WithCaret(w, 5, 0), RGB(0, 0, 0));
}

TEST_F(CaretTest, GreyAndBitmapCaretsAndTheWindowsClip)
{
    HWND top = Make(u"T", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    SetColor(top, RGB(255, 255, 255));
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, top);
    SetColor(child, RGB(255, 255, 255));
    UpdateWindow(top);
    CreateCaret(child, CARET_GREY, 4, 40);
    ShowCaret(child);
    SetCaretPos(18, 2);
    EXPECT_EQ(WithCaret(child, 18, 2), RGB(127, 127, 127));
    EXPECT_EQ(WithCaret(child, 18, 25), RGB(255, 255, 255)); // outside the child: cut
    std::vector<DWORD> bits = { 0x00FF0000, 0x0000FF00 };
    HBITMAP bitmap = CreateBitmap(2, 1, 1, 32, bits.data());
    CreateCaret(child, bitmap, 0, 0);
    ShowCaret(child);
    EXPECT_EQ(WithCaret(child, 0, 0), RGB(0, 255, 255));
    EXPECT_EQ(WithCaret(child, 1, 0), RGB(255, 0, 255));
    EXPECT_EQ(WithCaret(child, 2, 0), RGB(255, 255, 255));
    DeleteObject(bitmap);
}

TEST_F(CaretTest, HiddenWhileItsWindowPaintsAndOnePerThread)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    SetColor(w, RGB(255, 255, 255));
    CreateCaret(w, nullptr, 2, 10);
    ShowCaret(w);
    COLORREF during = CLR_INVALID;
    OnPaint(w, [&](HDC, const PAINTSTRUCT&) { during = WithCaret(w, 0, 0); });
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_EQ(during, RGB(255, 255, 255));
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(0, 0, 0));
    // Another thread cannot take this window for its caret, nor show this thread's caret.
    std::atomic<int> created { -1 }, shown { -1 };
    std::thread([&] {
        created = CreateCaret(w, nullptr, 1, 1);
        shown = ShowCaret(w);
    }).join();
    EXPECT_EQ(created, FALSE);
    EXPECT_EQ(shown, FALSE);
    // A new caret replaces the old.
    CreateCaret(w, nullptr, 2, 10);
    EXPECT_EQ(WithCaret(w, 0, 0), RGB(255, 255, 255));
}

} // namespace
