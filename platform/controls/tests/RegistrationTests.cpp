#include "platform/controls/CommonControls.h"

#include <gtest/gtest.h>

namespace {

TEST(ControlRegistration, EveryClassIsRegisteredOnceAndCreatesWindows)
{
    INITCOMMONCONTROLSEX bad { 3, ICC_WIN95_CLASSES };
    EXPECT_FALSE(InitCommonControlsEx(&bad));
    INITCOMMONCONTROLSEX init { sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES };
    ASSERT_TRUE(InitCommonControlsEx(&init));
    InitCommonControls(); // a second time changes nothing

    const WCHAR* names[] = { u"Static", u"Button", u"Edit", u"ListBox", u"ComboBox", u"ComboLBox", u"ScrollBar",
        u"msctls_trackbar32", u"msctls_progress32", u"tooltips_class32", u"RichEdit20W", u"RICHEDIT50W",
        u"RichEdit20A", u"BUTTON", u"edit" };
    for (const WCHAR* name : names) {
        WNDCLASSEXW info {};
        info.cbSize = sizeof(info);
        EXPECT_TRUE(GetClassInfoExW(nullptr, name, &info)) << std::string(name, name + 3);
    }
    HWND parent = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    for (const WCHAR* name : names) {
        HWND child = CreateWindowExW(0, name, u"x", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
        EXPECT_TRUE(child);
    }
    DestroyWindow(parent);
}

} // namespace
