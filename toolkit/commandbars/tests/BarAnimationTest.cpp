// A bar with animation on cross-fades a redrawn rectangle in six frames on the fake clock.
#include "toolkit/commandbars/CommandBarAnimation.h"

#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ToolBar.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

namespace {

LRESULT SiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

class BarAnimationTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services;
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = SiteProc;
            windowClass.lpszClassName = u"BarAnimationSite";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        m_site.Attach(CreateWindowExW(0, u"BarAnimationSite", u"Site", WS_POPUP | WS_VISIBLE, 40, 40, 400, 200,
            nullptr, nullptr, nullptr, nullptr));
        m_bar = new CJQWToolBar;
        m_bar->SetBarPosition(jqwBarTop);
        m_bar->SetShowExpandButton(FALSE);
        ASSERT_TRUE(m_bar->CreateToolBarWindow(&m_site, FALSE));
        for (int id : { 201, 202, 203 })
            m_bar->GetControls()->Add(JQW_CONTROL_BUTTON, id)->SetCaption(CString(u"Run"));
        const CSize size = m_bar->CalcDynamicLayout(400, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
        m_bar->MoveWindow(0, 0, size.cx, size.cy);
        m_bar->ShowWindow(SW_SHOWNA);
        m_bar->EnableAnimation(TRUE);
        Pump();
    }
    void TearDown() override
    {
        m_bar->DestroyWindow();
        m_bar->InternalRelease();
        DestroyWindow(m_site.Detach());
        Pump();
        DesktopTest::TearDown();
    }
    // The bar window's own pixels in `rect`.
    std::vector<COLORREF> Pixels(const CRect& rect) const
    {
        std::vector<COLORREF> out;
        HDC dc = ::GetDC(m_bar->GetSafeHwnd());
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                out.push_back(::GetPixel(dc, x, y));
        ::ReleaseDC(m_bar->GetSafeHwnd(), dc);
        return out;
    }

    CWnd m_site;
    CJQWToolBar* m_bar = nullptr;
};

} // namespace

TEST_F(BarAnimationTest, IdenticalRedrawStartsNoTimer)
{
    CJQWCommandBarAnimation* animation = m_bar->GetAnimation();
    ASSERT_TRUE(animation->HasCache()) << "the first paint keeps the picture";
    const CRect rect = m_bar->GetControl(1)->GetRect();
    m_bar->Redraw(&rect, TRUE);
    EXPECT_FALSE(animation->IsTimerRunning());
    EXPECT_EQ(animation->GetStepCount(), 0);
}

TEST_F(BarAnimationTest, ChangedButtonCrossFadesInSixFramesFiftyMsApart)
{
    CJQWCommandBarAnimation* animation = m_bar->GetAnimation();
    CJQWControl* control = m_bar->GetControl(1);
    const CRect rect = control->GetRect();
    const std::vector<COLORREF> before = Pixels(rect);
    std::vector<std::vector<COLORREF>> frames;
    control->SetChecked(1); // redraws the control with animation
    ASSERT_TRUE(animation->IsTimerRunning());
    EXPECT_EQ(animation->GetStepCount(), 1);
    frames.push_back(Pixels(rect)); // the first frame is drawn at once
    for (int tick = 0; tick < 5; ++tick) {
        Clock().Advance(49);
        Pump();
        EXPECT_EQ(Pixels(rect), frames.back()) << "no frame before 50 ms";
        Clock().Advance(1);
        Pump();
        frames.push_back(Pixels(rect));
    }
    EXPECT_FALSE(animation->IsTimerRunning()) << "the sixth frame ends the step";
    const std::vector<COLORREF>& after = frames.back();
    ASSERT_NE(after, before);
    const int weights[] = { 42, 85, 127, 170, 212 };
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        for (int k = 0; k < 5; ++k) {
            auto channel = [&](int shift) {
                const int n = int((after[i] >> shift) & 0xFF), o = int((before[i] >> shift) & 0xFF);
                return COLORREF(((n * weights[k] + o * (255 - weights[k])) >> 8) & 0xFF) << shift;
            };
            ASSERT_EQ(frames[size_t(k)][i], channel(0) | channel(8) | channel(16)) << "frame " << k + 1 << " pixel " << i;
        }
    }
}

TEST_F(BarAnimationTest, ASecondAnimatedRedrawOfTheSameRectangleReplacesTheFirst)
{
    CJQWCommandBarAnimation* animation = m_bar->GetAnimation();
    CJQWControl* control = m_bar->GetControl(1);
    control->SetChecked(1);
    ASSERT_EQ(animation->GetStepCount(), 1);
    control->SetChecked(0);
    EXPECT_EQ(animation->GetStepCount(), 1);
    // A plain redraw covering it drops it without waiting.
    CRect all;
    m_bar->GetClientRect(&all);
    m_bar->Redraw(&all, FALSE);
    EXPECT_EQ(animation->GetStepCount(), 0);
}

TEST_F(BarAnimationTest, ResizingTheBarDiscardsTheCacheAtTheNextPaint)
{
    CJQWCommandBarAnimation* animation = m_bar->GetAnimation();
    CRect window;
    m_bar->GetWindowRect(&window);
    m_bar->MoveWindow(0, 0, window.Width() + 20, window.Height());
    m_bar->Invalidate(FALSE);
    Pump();
    ASSERT_TRUE(animation->HasCache());
    // The new cache has the new size: an identical redraw of the new part starts nothing.
    CRect tail(window.Width(), 0, window.Width() + 20, window.Height());
    m_bar->Redraw(&tail, TRUE);
    EXPECT_FALSE(animation->IsTimerRunning());
}
