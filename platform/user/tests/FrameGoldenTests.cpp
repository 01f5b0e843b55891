// What the classic frames look like, active and inactive, as goldens. VORNALT_UPDATE_GOLDENS=1
// rewrites them; look at tests/data/frames.png after doing so.

#include "WindowTestSupport.h"

#include "platform/gdi/Icon.h"
#include "platform/gdi/tests/PixelTestSupport.h"

using namespace window_test;
using gdi_test::MatchesGolden;
using gdi_test::Surface;

namespace {

using FrameGoldenTest = WindowTest;

// A 16 x 16 icon: a blue square with a white corner, on a transparent ring.
HICON SmallIcon()
{
    std::vector<DWORD> color(16 * 16, 0);
    std::vector<DWORD> mask(16 * 16, 0x00FFFFFF);
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x) {
            color[size_t(y * 16 + x)] = (x < 7 && y < 7) ? 0x00FFFFFF : 0x002060C0;
            mask[size_t(y * 16 + x)] = 0;
        }
    HBITMAP c = CreateBitmap(16, 16, 1, 32, color.data());
    HBITMAP m = CreateBitmap(16, 16, 1, 32, mask.data());
    ICONINFO info { TRUE, 0, 0, m, c };
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(c);
    DeleteObject(m);
    return icon;
}

// Prints the window's frame and client area into `s` with its corner at (x, y).
void PrintAt(HWND w, Surface& s, int x, int y)
{
    const int saved = SaveDC(s.dc());
    SetViewportOrgEx(s.dc(), x, y, nullptr);
    SendMessage(w, WM_PRINT, WPARAM(s.dc()), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT);
    RestoreDC(s.dc(), saved);
}

TEST_F(FrameGoldenTest, ActiveAndInactiveFrames)
{
    TheSpy().on = false;
    HICON icon = SmallIcon();
    HWND main = Make(u"Batch - vornalt", WS_OVERLAPPEDWINDOW, 0, 0, 240, 70);
    SetColor(main, RGB(255, 255, 255));
    SendMessage(main, WM_SETICON, ICON_SMALL, LPARAM(icon));
    HWND dialog = Make(u"Options", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 160, 60, nullptr, WS_EX_DLGMODALFRAME);
    SetColor(dialog, GetSysColor(COLOR_3DFACE));
    HWND tool = Make(u"Tools", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 120, 60, nullptr, WS_EX_TOOLWINDOW);
    SetColor(tool, GetSysColor(COLOR_3DFACE));
    HWND zoomed = Make(u"Restorable", WS_OVERLAPPEDWINDOW | WS_MAXIMIZE, 0, 0, 200, 50);
    SetColor(zoomed, RGB(255, 255, 255));

    Surface s(420, 300, RGB(0, 78, 152));
    for (HWND w : { main, dialog, tool })
        SendMessage(w, WM_NCACTIVATE, TRUE, 0);
    PrintAt(main, s, 5, 5);
    PrintAt(dialog, s, 255, 5);
    PrintAt(tool, s, 5, 225);
    for (HWND w : { main, dialog, tool })
        SendMessage(w, WM_NCACTIVATE, FALSE, 0);
    PrintAt(main, s, 5, 80);
    PrintAt(dialog, s, 255, 80);
    PrintAt(tool, s, 135, 225);
    SendMessage(zoomed, WM_NCACTIVATE, TRUE, 0);
    RECT z;
    GetWindowRect(zoomed, &z);
    // The maximised frame hangs outside the work area; print only the caption part.
    Surface caption(z.right - z.left, 40);
    SendMessage(zoomed, WM_PRINT, WPARAM(caption.dc()), PRF_NONCLIENT);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 150; ++x)
            s.Set(5 + x, 160 + y, caption.Raw(caption.width() - 150 + x, y));

    // The gradients start at the caption's left end.
    EXPECT_EQ(s.At(5 + 4, 5 + 4), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(s.At(5 + 4, 80 + 4), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_TRUE(MatchesGolden(s, "frames", 48));
    DestroyIcon(icon);
}

} // namespace
