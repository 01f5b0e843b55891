#include "WindowTestSupport.h"

#include "platform/base/ProcessInfo.h"

#include <cstdio>

using namespace window_test;

namespace {

using CompositorTest = WindowTest;

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kGrey = RGB(100, 100, 100);

COLORREF Desktop() { return GetSysColor(COLOR_BACKGROUND); }

HWND Solid(const char16_t* name, int x, int y, int w, int h, COLORREF color, DWORD exStyle = 0)
{
    HWND hwnd = CreateWindowExW(exStyle, TestClass(), name, WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    SetColor(hwnd, color);
    return hwnd;
}

void Show(HWND w)
{
    ShowWindow(w, SW_SHOWNA);
    UpdateWindow(w);
}

TEST_F(CompositorTest, OverlappingTopLevelWindowsComposeInZOrder)
{
    HWND a = Solid(u"A", 100, 100, 100, 100, kRed);
    HWND b = Solid(u"B", 150, 150, 100, 100, kBlue);
    Show(a);
    Show(b);
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(ScreenPixel(99, 99), Desktop());
    EXPECT_EQ(ScreenPixel(120, 120), kRed);
    EXPECT_EQ(ScreenPixel(175, 175), kBlue);
    EXPECT_EQ(ScreenPixel(249, 249), kBlue);
    EXPECT_EQ(ScreenPixel(250, 250), Desktop());
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(ScreenPixel(175, 175), kRed); // no repaint needed: surfaces are retained
    MoveWindow(a, 300, 100, 100, 100, TRUE);
    EXPECT_EQ(ScreenPixel(120, 120), Desktop());
    EXPECT_EQ(ScreenPixel(175, 175), kBlue);
    EXPECT_EQ(ScreenPixel(350, 150), kRed);
    ShowWindow(b, SW_HIDE);
    EXPECT_EQ(ScreenPixel(175, 175), Desktop());
    // The screen DC reads the same pixels.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetPixel(screen, 350, 150), kRed);
    EXPECT_EQ(GetPixel(screen, 175, 175), Desktop());
    ReleaseDC(nullptr, screen);
}

TEST_F(CompositorTest, RoundWindowRegionCutsTheWindowToExactlyItsPixels)
{
    HWND under = Solid(u"U", 0, 0, 200, 200, kGrey);
    HWND round = Solid(u"R", 50, 50, 60, 40, kRed);
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 60, 40), FALSE);
    Show(under);
    Show(round);
    HRGN shape = CreateEllipticRgn(0, 0, 60, 40);
    int inside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool in = PtInRegion(shape, x, y);
            inside += in;
            ASSERT_EQ(ScreenPixel(50 + x, 50 + y), in ? kRed : kGrey) << x << "," << y;
        }
    EXPECT_GT(inside, 1500);
    EXPECT_LT(inside, 2400);
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(round, copy), 0);
    EXPECT_TRUE(EqualRgn(copy, shape));
    // Hit testing honours the region too.
    EXPECT_EQ(WindowFromPoint(POINT { 51, 51 }), under);
    EXPECT_EQ(WindowFromPoint(POINT { 80, 70 }), round);
    DeleteObject(copy);
    DeleteObject(shape);
}

// A 32-bit top-down DIB section of premultiplied pixels, selected into a memory DC.
struct PremultipliedImage {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    DWORD* bits = nullptr;
    PremultipliedImage(int w, int h)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<DWORD*>(p);
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bitmap);
    }
    ~PremultipliedImage()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

TEST_F(CompositorTest, PerPixelLayeredWindowBlendsOverWithSaturation)
{
    HWND under = Solid(u"U", 0, 0, 100, 100, RGB(255, 128, 40));
    Show(under);
    HWND layered = CreateWindowExW(WS_EX_LAYERED, TestClass(), u"L", WS_POPUP, 10, 10, 4, 1, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(layered, SW_SHOWNA);
    EXPECT_EQ(ScreenPixel(10, 10), RGB(255, 128, 40)); // nothing shows before it has pixels
    PremultipliedImage image(4, 1);
    image.bits[0] = 0x00000000;             // transparent
    image.bits[1] = 0xFF102030;             // opaque
    image.bits[2] = 0x80402010;             // half: R 64, G 32, B 16 premultiplied
    image.bits[3] = 0x40C8C8C8;             // colour brighter than its alpha: saturates
    POINT origin { 0, 0 };
    SIZE size { 4, 1 };
    BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, nullptr, &size, image.dc, &origin, 0, &blend, ULW_ALPHA));
    EXPECT_EQ(ScreenPixel(10, 10), RGB(255, 128, 40));
    EXPECT_EQ(ScreenPixel(11, 10), RGB(0x10, 0x20, 0x30));
    // D = S + D * (255 - Sa) / 255, truncating, per channel.
    EXPECT_EQ(ScreenPixel(12, 10), RGB(64 + 255 * 127 / 255, 32 + 128 * 127 / 255, 16 + 40 * 127 / 255));
    EXPECT_EQ(ScreenPixel(13, 10), RGB(255, std::min(255, 200 + 128 * 191 / 255), std::min(255, 200 + 40 * 191 / 255)));
    // A constant alpha on top scales the source first.
    blend.SourceConstantAlpha = 128;
    POINT at { 20, 20 };
    UpdateLayeredWindow(layered, nullptr, &at, nullptr, image.dc, &origin, 0, &blend, ULW_ALPHA);
    EXPECT_EQ(ScreenPixel(11, 10), RGB(255, 128, 40));
    const int sa = 255 * 128 / 255;
    EXPECT_EQ(ScreenPixel(21, 20), RGB(0x10 * 128 / 255 + 255 * (255 - sa) / 255, 0x20 * 128 / 255 + 128 * (255 - sa) / 255,
                                       0x30 * 128 / 255 + 40 * (255 - sa) / 255));
}

TEST_F(CompositorTest, ConstantAlphaAndColourKeyOfAPaintedLayeredWindow)
{
    HWND under = Solid(u"U", 0, 0, 100, 100, RGB(200, 100, 0));
    Show(under);
    HWND layered = Solid(u"L", 10, 10, 20, 20, RGB(0, 50, 250), WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(layered, 0, 128, LWA_ALPHA));
    Show(layered);
    // D = D + (S - D) * a / 255 with truncation toward zero.
    EXPECT_EQ(ScreenPixel(15, 15), RGB(200 + (0 - 200) * 128 / 255, 100 + (50 - 100) * 128 / 255, 0 + 250 * 128 / 255));
    ASSERT_TRUE(SetLayeredWindowAttributes(layered, RGB(0, 50, 250), 255, LWA_COLORKEY));
    EXPECT_EQ(ScreenPixel(15, 15), RGB(200, 100, 0));
    COLORREF key;
    BYTE alpha;
    DWORD flags;
    ASSERT_TRUE(GetLayeredWindowAttributes(layered, &key, &alpha, &flags));
    EXPECT_EQ(flags, LWA_COLORKEY);
    EXPECT_FALSE(SetLayeredWindowAttributes(under, 0, 1, LWA_ALPHA)); // not layered
}

TEST_F(CompositorTest, NewWindowStartsWithTheScreenBeneathItBeforeItsFirstPaint)
{
    HWND under = Solid(u"U", 0, 0, 100, 100, kRed);
    Show(under);
    HWND popup = Solid(u"P", 50, 50, 100, 100, kBlue);
    ShowWindow(popup, SW_SHOWNA); // not painted yet
    HDC hdc = GetWindowDC(popup);
    EXPECT_EQ(GetPixel(hdc, 10, 10), kRed);
    EXPECT_EQ(GetPixel(hdc, 60, 60), Desktop());
    ReleaseDC(popup, hdc);
    UpdateWindow(popup);
    EXPECT_EQ(ScreenPixel(60, 60), kBlue);
}

TEST_F(CompositorTest, XorOutlineOnTheDesktopSurvivesWhileLockedAndIsGoneAfterUnlock)
{
    HWND w = Solid(u"W", 0, 0, 100, 100, kRed);
    Show(w);
    ASSERT_TRUE(LockWindowUpdate(GetDesktopWindow()));
    HDC screen = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    PatBlt(screen, 40, 40, 100, 2, DSTINVERT);
    ReleaseDC(GetDesktopWindow(), screen);
    const COLORREF inverted = RGB(255 - 200, 255, 255);
    EXPECT_EQ(ScreenPixel(50, 40), inverted);
    // Windows changing underneath do not wipe the outline while the desktop is locked.
    SetColor(w, kBlue);
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_EQ(ScreenPixel(50, 40), inverted);
    ASSERT_TRUE(LockWindowUpdate(nullptr));
    EXPECT_EQ(ScreenPixel(50, 40), kBlue);
    EXPECT_EQ(ScreenPixel(120, 41), Desktop());
}

} // namespace
