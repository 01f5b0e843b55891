// Drop shadows and the open animation of popups, read back from the composed screen.
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ShadowsManager.h"

#include "platform/base/Clock.h"
#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Window.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/ColorManager.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

#include <set>

namespace {

LRESULT WhiteSiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(window, &client);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(reinterpret_cast<HDC>(wParam), &client, white);
        DeleteObject(white);
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class PopupShadowTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services;
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW windowClass {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WhiteSiteProc;
            windowClass.lpszClassName = u"ShadowTestSite";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        HWND site = CreateWindowExW(0, u"ShadowTestSite", u"Site", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr,
            nullptr, nullptr, nullptr);
        ASSERT_NE(site, nullptr);
        m_site.Attach(site);
        Pump();
        Shadows()->LookUpEntryPoint();
    }
    void TearDown() override
    {
        for (CJQWPopupBar* popup : m_popups) {
            popup->SetTrackingMode(0);
            popup->InternalRelease();
        }
        DestroyWindow(m_site.Detach());
        Pump();
        platform::modules::Reset();
        Shadows()->LookUpEntryPoint();
        DesktopTest::TearDown();
    }
    static CJQWShadowsManager* Shadows() { return CJQWShadowsManager::GetShadowsManager(); }

    CJQWPopupBar* Open(int x, int y, CJQWCommandBars* bars = nullptr)
    {
        CJQWPopupBar* popup = CJQWPopupBar::CreatePopupBar(bars);
        popup->SetSite(&m_site);
        popup->GetControls()->Add(JQW_CONTROL_BUTTON, 32772)->SetCaption(CString(u"Open a stack"));
        popup->GetControls()->Add(JQW_CONTROL_BUTTON, 32775)->SetCaption(CString(u"Save"));
        m_popups.push_back(popup);
        EXPECT_TRUE(popup->PopupAt(x, y));
        Pump();
        return popup;
    }
    static CRect WindowRect(CWnd* window)
    {
        CRect rect;
        window->GetWindowRect(&rect);
        return rect;
    }
    std::vector<CJQWShadowsManager::CShadowWnd*> ShadowsOf(CJQWCommandBar* bar) const
    {
        std::vector<CJQWShadowsManager::CShadowWnd*> out;
        for (auto* shadow : Shadows()->GetShadows())
            if (shadow->GetOwner() == bar)
                out.push_back(shadow);
        return out;
    }

    CWnd m_site;
    std::vector<CJQWPopupBar*> m_popups;
};

struct RampCase {
    BOOL horizontal;
    int x, y;
    DWORD options;
    DWORD alpha;
    int tenths; // colour factor in twentieths
};

TEST(ShadowRampTest, AlphaAndColourFollowTheRamp)
{
    const COLORREF color = RGB(100, 200, 40);
    // A 4 x 30 shadow to the right of a popup and a 40 x 4 shadow below it.
    const RampCase cases[] = {
        { FALSE, 3, 0, 0, 6, 1 },   // outer column, top row of the corner
        { FALSE, 0, 0, 0, 24, 4 },  // column nearest the popup, top row
        { FALSE, 0, 3, 0, 96, 16 }, // the corner's inner end
        { FALSE, 0, 10, 0, 120, 20 },
        { FALSE, 3, 10, 0, 30, 5 },
        { FALSE, 3, 10, 1, 15, 5 }, // lighter ramp
        { TRUE, 10, 3, 0, 30, 5 },  // outermost row
        { TRUE, 10, 0, 0, 120, 20 }, // row next to the popup
        { TRUE, 0, 3, 0, 6, 1 },
        { TRUE, 39, 0, 0, 24, 4 },
        { TRUE, 37, 0, 1, 36, 12 },
    };
    for (const RampCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.horizontal << " " << c.x << "," << c.y << " options " << c.options);
        const DWORD pixel = CJQWShadowsManager::ShadowPixel(c.horizontal, c.x, c.y, c.horizontal ? 40 : 4,
            c.horizontal ? 4 : 30, color, c.options);
        EXPECT_EQ(pixel >> 24, c.alpha);
        EXPECT_EQ((pixel >> 16) & 0xFF, DWORD(100 * c.tenths / 20));
        EXPECT_EQ((pixel >> 8) & 0xFF, DWORD(200 * c.tenths / 20));
        EXPECT_EQ(pixel & 0xFF, DWORD(40 * c.tenths / 20));
    }
}

TEST_F(PopupShadowTest, AlphaShadowsDarkenTheScreenRightOfAndBelowThePopup)
{
    ASSERT_TRUE(Shadows()->IsAlphaShadow());
    CJQWPopupBar* popup = Open(100, 100);
    const CRect r = WindowRect(popup);
    ASSERT_EQ(ShadowsOf(popup).size(), 2u);
    // A black shadow over white: the screen shows 255 - alpha in every channel.
    auto grey = [](int alpha) { return RGB(255 - alpha, 255 - alpha, 255 - alpha); };
    const testkit::Capture right = testkit::CaptureScreenRect(CRect(r.right, r.top, r.right + 4, r.bottom));
    EXPECT_EQ(right.ColorAt(0, 20), grey(120));
    EXPECT_EQ(right.ColorAt(3, 20), grey(30));
    EXPECT_EQ(right.ColorAt(0, 4), grey(24));
    EXPECT_EQ(right.ColorAt(3, 4), grey(6));
    EXPECT_EQ(right.ColorAt(0, 2), RGB(255, 255, 255)); // the corner starts 4 below the top
    const testkit::Capture below = testkit::CaptureScreenRect(CRect(r.left, r.bottom, r.right + 4, r.bottom + 4));
    EXPECT_EQ(below.ColorAt(20, 0), grey(120));
    EXPECT_EQ(below.ColorAt(20, 3), grey(30));
    EXPECT_EQ(below.ColorAt(4, 3), grey(6));
    EXPECT_EQ(below.ColorAt(2, 0), RGB(255, 255, 255));

    // Hiding the popup hides its shadows; closing it takes them away.
    popup->ShowWindow(SW_HIDE);
    for (auto* shadow : ShadowsOf(popup))
        EXPECT_FALSE(::IsWindowVisible(shadow->GetSafeHwnd()));
    popup->ShowWindow(SW_SHOWNA);
    for (auto* shadow : ShadowsOf(popup))
        EXPECT_TRUE(::IsWindowVisible(shadow->GetSafeHwnd()));
    popup->SetTrackingMode(0);
    EXPECT_TRUE(ShadowsOf(popup).empty());
}

TEST_F(PopupShadowTest, NoShadowLiesOverAnOpenPopup)
{
    CJQWPopupBar* menu = Open(100, 100);
    const CRect m = WindowRect(menu);
    // A submenu overlapping the menu's right edge and its shadow.
    CJQWPopupBar* submenu = Open(m.right - 3, m.top + 10);
    const CRect s = WindowRect(submenu);
    ASSERT_LT(s.left, m.right + 4);
    const testkit::Capture with = testkit::CaptureScreenRect(s);
    CJQWShadowsManager::GetShadowsManager()->RemoveShadows(menu);
    Pump();
    const testkit::Capture without = testkit::CaptureScreenRect(s);
    EXPECT_TRUE(testkit::SamePixels(with, without));
    // And the submenu's shadows leave the menu alone.
    const testkit::Capture menuNow = testkit::CaptureScreenRect(m);
    CJQWShadowsManager::GetShadowsManager()->RemoveShadows(submenu);
    Pump();
    EXPECT_TRUE(testkit::SamePixels(menuNow, testkit::CaptureScreenRect(m)));
}

TEST_F(PopupShadowTest, WithoutLayeredWindowsShadowsAreSolidStripsAndOnlyWhenAskedFor)
{
    ASSERT_TRUE(platform::modules::RemoveExport(u"USER32.DLL", "UpdateLayeredWindow"));
    Shadows()->LookUpEntryPoint();
    EXPECT_FALSE(Shadows()->IsAlphaShadow());
    CJQWPopupBar* plain = Open(100, 100);
    EXPECT_TRUE(ShadowsOf(plain).empty());

    CJQWPaintManager* manager = GetGlobalPaintManager();
    const DWORD saved = manager->m_dwShadowOptions;
    manager->m_dwShadowOptions = 1;
    CJQWPopupBar* popup = Open(300, 100);
    manager->m_dwShadowOptions = saved;
    const CRect r = WindowRect(popup);
    ASSERT_EQ(ShadowsOf(popup).size(), 2u);
    const COLORREF solid = GetColorManager()->GetColor(16);
    const testkit::Capture right = testkit::CaptureScreenRect(CRect(r.right, r.top, r.right + 3, r.bottom));
    EXPECT_TRUE(testkit::AllPixels(right, CRect(0, 2, 2, r.Height()), solid));
    EXPECT_EQ(right.ColorAt(2, 10), RGB(255, 255, 255));
    const testkit::Capture below = testkit::CaptureScreenRect(CRect(r.left, r.bottom, r.right + 2, r.bottom + 3));
    EXPECT_TRUE(testkit::AllPixels(below, CRect(2, 0, r.Width() + 2, 2), solid));
    EXPECT_EQ(below.ColorAt(10, 2), RGB(255, 255, 255));
}

TEST_F(PopupShadowTest, SystemDropShadowOffMeansNoShadowUnlessTheThemeInsists)
{
    ScopedSystemModel model;
    model.Edit().dropShadow = FALSE;
    EXPECT_TRUE(ShadowsOf(Open(100, 100)).empty());
    CJQWPaintManager* manager = GetGlobalPaintManager();
    const DWORD saved = manager->m_dwShadowOptions;
    manager->m_dwShadowOptions = 1;
    EXPECT_EQ(ShadowsOf(Open(300, 100)).size(), 2u);
    manager->m_dwShadowOptions = saved;
    manager->m_bShowShadow = FALSE;
    EXPECT_TRUE(ShadowsOf(Open(300, 200)).empty());
    manager->m_bShowShadow = TRUE;
}

TEST_F(PopupShadowTest, AnimationKindFollowsTheOptionAndTheSystemSettings)
{
    CJQWCommandBars bars;
    CJQWPopupBar* popup = CJQWPopupBar::CreatePopupBar(&bars);
    CJQWPopupBar* alone = CJQWPopupBar::CreatePopupBar(nullptr);
    EXPECT_EQ(alone->GetAnimationKind(), 5);
    alone->InternalRelease();
    ScopedSystemModel model;
    struct Case {
        int option;
        BOOL menuAnimation, menuFade;
        int kind;
    } cases[] = { { 0, FALSE, TRUE, 5 }, { 0, TRUE, FALSE, 3 }, { 0, TRUE, TRUE, 4 }, { 2, FALSE, FALSE, 2 },
        { 3, TRUE, TRUE, 3 }, { 5, TRUE, TRUE, 5 } };
    for (const Case& c : cases) {
        bars.GetCommandBarsOptions()->animationType = c.option;
        model.Edit().menuAnimation = c.menuAnimation;
        model.Edit().menuFade = c.menuFade;
        EXPECT_EQ(popup->GetAnimationKind(), c.kind) << c.option << " " << c.menuAnimation << c.menuFade;
    }
    bars.GetCommandBarsOptions()->animationType = 1;
    std::srand(1);
    std::set<int> seen;
    for (int i = 0; i < 30; ++i)
        seen.insert(popup->GetAnimationKind());
    EXPECT_EQ(seen, (std::set<int> { 2, 3, 4 }));
    popup->InternalRelease();
}

// The fade: nine blended frames at alpha 255 k / 10 between the screen and the popup, then the
// popup itself; the slide: the popup's bottom rows come down k / 10 of its height at a time.
TEST_F(PopupShadowTest, FadeAndSlideFramesOnTheScreen)
{
    CJQWCommandBars bars;
    bars.SetSite(&m_site);
    ScopedSystemModel model;
    for (int kind : { 4, 3 }) {
        SCOPED_TRACE(kind);
        bars.GetCommandBarsOptions()->animationType = kind;
        std::vector<testkit::Capture> frames;
        CRect where;
        CJQWPopupBar* popup = nullptr;
        SetSleepHookForTesting([&](DWORD ms) {
            EXPECT_EQ(ms, 10u);
            // The window's own pixels between two frames (the screen is composed only later).
            if (popup && popup->GetSafeHwnd()) {
                CRect client;
                ::GetClientRect(popup->GetSafeHwnd(), &client);
                HDC dc = ::GetDC(popup->GetSafeHwnd());
                testkit::Capture frame;
                frame.width = client.Width();
                frame.height = client.Height();
                for (int y = 0; y < frame.height; ++y)
                    for (int x = 0; x < frame.width; ++x) {
                        const COLORREF c = ::GetPixel(dc, x, y);
                        frame.pixels.push_back(DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c));
                    }
                ::ReleaseDC(popup->GetSafeHwnd(), dc);
                frames.push_back(frame);
            }
        });
        popup = CJQWPopupBar::CreatePopupBar(&bars);
        popup->SetSite(&m_site);
        popup->GetControls()->Add(JQW_CONTROL_BUTTON, 32772)->SetCaption(CString(u"Open a stack"));
        struct Closer {
            CJQWPopupBar* popup;
            ~Closer()
            {
                popup->SetTrackingMode(0);
                popup->InternalRelease();
            }
        } closer { popup };
        ASSERT_TRUE(popup->PopupAt(100 + 200 * (kind == 3), 100));
        SetSleepHookForTesting({});
        Pump();
        const testkit::Capture final = testkit::CaptureClient(popup->GetSafeHwnd());
        ASSERT_EQ(frames.size(), kind == 4 ? 9u : 10u);
        // A pixel of the popup's own background against the white under it.
        const int x = final.width - 3, y = final.height / 2;
        const COLORREF popupColor = final.ColorAt(x, y);
        ASSERT_NE(popupColor, RGB(255, 255, 255));
        for (size_t k = 1; k <= frames.size(); ++k) {
            SCOPED_TRACE(k);
            if (kind == 4) {
                const int alpha = int(255 * k / 10);
                auto channel = [&](int p) { return (p * alpha + 255 * (255 - alpha)) >> 8; };
                EXPECT_EQ(frames[k - 1].ColorAt(x, y),
                    RGB(channel(GetRValue(popupColor)), channel(GetGValue(popupColor)), channel(GetBValue(popupColor))));
            } else {
                // Rows above k * h / 10 show the popup's bottom part; the rest is still the screen.
                const int shown = int(k) * final.height / 10;
                if (shown > 0) {
                    EXPECT_EQ(frames[k - 1].ColorAt(x, shown - 1), final.ColorAt(x, final.height - 1));
                }
                if (shown < final.height) {
                    EXPECT_EQ(frames[k - 1].ColorAt(x, shown), RGB(255, 255, 255));
                }
            }
        }
    }
}

} // namespace
