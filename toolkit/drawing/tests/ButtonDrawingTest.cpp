#include "toolkit/drawing/ButtonDrawing.h"

#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct CountingStyle : CJQThemeManagerStyle {
    static inline int made = 0;
    CountingStyle() { ++made; }
};

} // namespace

TEST(ButtonDrawing, TheStyleIsMadeOnceByTheFactoryInForce)
{
    CJQButton button;
    CJQThemeManagerStyle* own = GetThemeStyleOfEmbeddedHost(&button);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(dynamic_cast<CJQButtonTheme*>(own), nullptr);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(&button), own);
    EXPECT_TRUE(button.HasTheme());

    CJQThemeManagerStyleFactoryOf<CountingStyle> factory;
    button.SetThemeFactory(&factory);
    CJQThemeManagerStyle* set = GetThemeStyleOfEmbeddedHost(&button);
    EXPECT_NE(set, own);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(&button), set);
    EXPECT_EQ(CountingStyle::made, 1);
    // Another control on the same factory shares its style.
    CJQButton other;
    other.SetThemeFactory(&factory);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(&other), set);
    EXPECT_EQ(CountingStyle::made, 1);
    button.SetThemeFactory(nullptr);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(&button), own);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(nullptr), nullptr);
}

TEST(ButtonDrawing, HotOrHoldingTheCapture)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = u"ButtonDrawingTest";
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, u"ButtonDrawingTest", u"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr,
        nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    CJQButton button;
    button.m_hWnd = window;
    EXPECT_FALSE(button.IsHotOrCaptured());
    SetCapture(window);
    EXPECT_TRUE(button.IsHotOrCaptured());
    ReleaseCapture();
    EXPECT_FALSE(button.IsHotOrCaptured());
    button.m_bHot = TRUE;
    EXPECT_TRUE(button.IsHotOrCaptured());
    DestroyWindow(window);
}

TEST(ButtonDrawing, GuardsRestoreModeAndColourOnEveryWayOut)
{
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SetBkMode(OPAQUE);
    dc.SetTextColor(RGB(1, 2, 3));
    try {
        CJQBkModeGuard mode(&dc, dc.SetBkMode(TRANSPARENT));
        CJQTextColorGuard color(&dc, dc.SetTextColor(RGB(200, 0, 0)));
        EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
        EXPECT_EQ(dc.GetTextColor(), RGB(200, 0, 0));
        throw std::runtime_error("drawing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
}
