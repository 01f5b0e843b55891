#include "toolkit/drawing/DrawHelpers.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/user/Cursors.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;

HWND MakeWindow(DWORD exStyle, int x, int y, int width, int height)
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = u"WindowHelpersTest";
        return RegisterClassExW(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(exStyle, u"WindowHelpersTest", u"", WS_POPUP, x, y, width, height, nullptr, nullptr,
        nullptr, nullptr);
}

} // namespace

TEST(WindowHelpers, ArrowKeysTradePlacesOnlyInRightToLeftWindows)
{
    HWND rightToLeft = MakeWindow(WS_EX_LAYOUTRTL, 0, 0, 20, 20);
    HWND leftToRight = MakeWindow(0, 0, 0, 20, 20);
    HWND gone = MakeWindow(WS_EX_LAYOUTRTL, 0, 0, 20, 20);
    ASSERT_TRUE(rightToLeft && leftToRight && gone);
    DestroyWindow(gone);

    struct Case {
        HWND window;
        UINT key;
        UINT expected;
    };
    const Case cases[] = {
        { rightToLeft, kLeft, kRight }, { rightToLeft, kRight, kLeft }, { rightToLeft, kUp, kUp },
        { rightToLeft, kDown, kDown }, { rightToLeft, 'A', 'A' }, { leftToRight, kLeft, kLeft },
        { leftToRight, kRight, kRight }, { gone, kLeft, kLeft }, { nullptr, kRight, kRight },
    };
    for (const Case& c : cases) {
        UINT key = c.key;
        SwapArrowKeyForRightToLeft(c.window, key);
        EXPECT_EQ(key, c.expected) << "key " << c.key;
    }
    DestroyWindow(rightToLeft);
    DestroyWindow(leftToRight);
}

TEST(WindowHelpers, SafeWindowRectIsEmptyWithoutAWindow)
{
    HWND window = MakeWindow(0, 10, 20, 100, 50);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SafeWindowRectFromHandle(window), CRect(10, 20, 110, 70));
    DestroyWindow(window);
    EXPECT_EQ(SafeWindowRectFromHandle(window), MakeEmptyRect());
    EXPECT_EQ(SafeWindowRectFromHandle(nullptr), MakeEmptyRect());
    EXPECT_TRUE(MakeEmptyRect().IsRectEmpty());
}

TEST(WindowHelpers, RegisteredClassTakesTheDefaults)
{
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
    HICON icon = CreateIconFromBitmap(bitmap);
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(RegisterWindowClass(nullptr, u"WindowHelpersBar", CS_DBLCLKS, icon));
    WNDCLASSEXW found {};
    found.cbSize = sizeof found;
    ASSERT_TRUE(GetClassInfoExW(AfxGetInstanceHandle(), u"WindowHelpersBar", &found));
    EXPECT_EQ(found.style, CS_DBLCLKS);
    EXPECT_EQ(found.lpfnWndProc, &DefWindowProcW);
    EXPECT_EQ(found.cbClsExtra, 0);
    EXPECT_EQ(found.cbWndExtra, 0);
    EXPECT_EQ(found.hInstance, AfxGetInstanceHandle());
    EXPECT_EQ(found.hIcon, icon);
    EXPECT_NE(found.hCursor, nullptr);
    EXPECT_EQ(found.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(found.hbrBackground, nullptr);
    EXPECT_EQ(found.lpszMenuName, nullptr);

    // A window of the class answers through the default procedure.
    HWND window = CreateWindowExW(0, u"WindowHelpersBar", u"bar", WS_POPUP, 0, 0, 30, 10, nullptr, nullptr,
        nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    WCHAR text[8] {};
    EXPECT_EQ(GetWindowTextW(window, text, 8), 3);
    DestroyWindow(window);
    DestroyIcon(icon);
    DeleteObject(bitmap);
}
