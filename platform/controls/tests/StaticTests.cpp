#include "ControlTestSupport.h"

using namespace control_test;

namespace {

using StaticTest = ControlTest;

TEST_F(StaticTest, OnlyNotifyingStaticsTakeTheMouse)
{
    HWND plain = Make(WC_STATICW, u"Label", SS_LEFT, 10, 10, 100, 16, 1);
    HWND notify = Make(WC_STATICW, u"Link", SS_LEFT | SS_NOTIFY, 10, 30, 100, 16, 2);
    EXPECT_EQ(SendMessage(plain, WM_NCHITTEST, 0, MAKELPARAM(35, 35)), HTTRANSPARENT);
    EXPECT_EQ(SendMessage(notify, WM_NCHITTEST, 0, MAKELPARAM(35, 55)), HTCLIENT);
    EXPECT_EQ(SendMessage(plain, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    Click(plain, 5, 5);
    Click(notify, 5, 5);
    SendMessage(notify, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EnableWindow(notify, FALSE);
    EXPECT_EQ(Events(), (std::vector<Event> { { WM_COMMAND, 2, STN_CLICKED, notify }, { WM_COMMAND, 2, STN_DBLCLK, notify },
                            { WM_COMMAND, 2, STN_DISABLE, notify } }));
}

TEST_F(StaticTest, TheOwnersBrushAndTransparentText)
{
    HWND label = Make(WC_STATICW, u"WWWW", SS_LEFT, 10, 10, 60, 16, 1);
    // The owner's brush fills the background; a null brush with TRANSPARENT keeps what is below.
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    bool transparent = false;
    TheRecorder().handler = [&](HWND, UINT m, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_CTLCOLORSTATIC)
            return std::nullopt;
        SetTextColor(HDC(wParam), RGB(255, 255, 255));
        if (transparent) {
            SetBkMode(HDC(wParam), TRANSPARENT);
            return LRESULT(GetStockObject(NULL_BRUSH));
        }
        return LRESULT(blue);
    };
    gdi_test::Surface surface(60, 16, RGB(0, 128, 0));
    Print(label, surface);
    EXPECT_EQ(surface.At(59, 15), RGB(0, 0, 255));
    transparent = true;
    gdi_test::Surface under(60, 16, RGB(0, 128, 0));
    Print(label, under);
    EXPECT_EQ(under.At(59, 15), RGB(0, 128, 0));
    int white = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 60; ++x)
            white += GetRValue(under.At(x, y)) > 160; // the glyphs' cores
    EXPECT_GT(white, 5) << "the owner's text colour";
    TheRecorder().handler = nullptr;
    DeleteObject(blue);
}

TEST_F(StaticTest, ImagesAndFrames)
{
    HWND picture = Make(WC_STATICW, u"", SS_BITMAP, 10, 10, 40, 40, 1);
    HDC screen = GetDC(nullptr);
    HBITMAP first = CreateCompatibleBitmap(screen, 8, 8);
    HBITMAP second = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(SendMessage(picture, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(first)), 0);
    EXPECT_EQ(SendMessage(picture, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(second)), LRESULT(first));
    EXPECT_EQ(SendMessage(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(second));
    DeleteObject(first);
    DestroyWindow(picture);
    DeleteObject(second);

    HWND etched = Make(WC_STATICW, u"", SS_ETCHEDHORZ, 10, 10, 40, 2, 2);
    gdi_test::Surface surface(40, 2, RGB(255, 0, 255));
    Print(etched, surface);
    EXPECT_EQ(surface.At(10, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(surface.At(10, 1), GetSysColor(COLOR_3DHILIGHT));
}

} // namespace
