// A scene of a few windows drawn through the layer, saved by the headless presenter. Set
// VORNALT_SCREENSHOT to a file path to keep the picture for looking at.

#include "platform/user/tests/WindowTestSupport.h"

#include "platform/user/screenshot/ScreenshotPng.h"

#include "platform/base/ProcessInfo.h"
#include "platform/gdi/DrawHelpers.h"

#include <cstdio>
#include <cstdlib>

using namespace window_test;

namespace {

using ScreenshotTest = WindowTest;

constexpr COLORREF kRed = RGB(255, 0, 0);

void Fill(HDC hdc, const RECT& r, COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

void Text(HDC hdc, int x, int y, const char16_t* text, COLORREF color)
{
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, color);
    TextOutW(hdc, x, y, text, int(std::char_traits<char16_t>::length(text)));
}

// Paints `w` with `paint`, given its client rectangle, on every WM_PAINT.
void OnPaintClient(HWND w, std::function<void(HDC, const RECT&)> paint)
{
    OnPaint(w, [w, paint](HDC hdc, const PAINTSTRUCT&) {
        RECT client;
        GetClientRect(w, &client);
        paint(hdc, client);
    });
}

TEST_F(ScreenshotTest, AFewOverlappingWindowsDrawnThroughTheLayer)
{
    TheSpy().on = false;
    // The main window: caption, sizing frame, a sunken list and a status line.
    HWND main = Make(u"vornalt - Batch", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 560, 380);
    SetColor(main, GetSysColor(COLOR_3DFACE));
    HWND list = Make(u"list", WS_CHILD | WS_VISIBLE, 10, 10, 300, 250, main, WS_EX_CLIENTEDGE, 1);
    SetColor(list, RGB(255, 255, 255));
    OnPaintClient(list, [](HDC hdc, const RECT&) {
        const char16_t* lines[] = { u"Resize to 1024 x 768", u"Sharpen (amount 40)", u"Watermark \"Holiday\"",
            u"Save as JPEG, quality 85", u"Upload to the gallery" };
        for (int i = 0; i < 5; ++i) {
            if (i == 1)
                Fill(hdc, RECT { 0, 4 + 18 * i, 296, 22 + 18 * i }, GetSysColor(COLOR_HIGHLIGHT));
            Text(hdc, 6, 5 + 18 * i, lines[i], i == 1 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        }
    });
    HWND status = Make(u"status", WS_CHILD | WS_VISIBLE, 0, 322, 552, 22, main, WS_EX_STATICEDGE, 2);
    SetColor(status, GetSysColor(COLOR_3DFACE));
    OnPaintClient(status, [](HDC hdc, const RECT&) { Text(hdc, 4, 3, u"5 actions, 120 images", RGB(0, 0, 0)); });
    ShowWindow(main, SW_SHOW);

    // A dialog over it.
    HWND dialog = Make(u"Properties: Resize", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 380, 230, 320, 210, main);
    SetColor(dialog, GetSysColor(COLOR_3DFACE));
    OnPaintClient(dialog, [](HDC hdc, const RECT& c) {
        Text(hdc, 14, 16, u"Width:", RGB(0, 0, 0));
        Text(hdc, 14, 46, u"Height:", RGB(0, 0, 0));
        for (int i = 0; i < 2; ++i) {
            RECT box { 80, 12 + 30 * i, 180, 32 + 30 * i };
            Fill(hdc, box, RGB(255, 255, 255));
            DrawEdge(hdc, &box, EDGE_SUNKEN, BF_RECT);
            Text(hdc, 86, 15 + 30 * i, i == 0 ? u"1024" : u"768", RGB(0, 0, 0));
        }
        RECT ok { c.right - 170, c.bottom - 34, c.right - 95, c.bottom - 11 };
        RECT cancel { c.right - 85, c.bottom - 34, c.right - 10, c.bottom - 11 };
        for (RECT* b : { &ok, &cancel }) {
            DrawFrameControl(hdc, b, DFC_BUTTON, DFCS_BUTTONPUSH);
            DrawTextW(hdc, b == &ok ? u"OK" : u"Cancel", -1, b, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        }
    });

    // A round window.
    HWND round = Make(u"round", WS_POPUP, 740, 70, 160, 160);
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 160, 160), FALSE);
    OnPaintClient(round, [](HDC hdc, const RECT& c) {
        TRIVERTEX v[2] = { { 0, 0, 0x3000, 0x8000, 0xE000, 0 }, { c.right, c.bottom, 0xF000, 0xA000, 0x2000, 0 } };
        GRADIENT_RECT mesh { 0, 1 };
        GradientFill(hdc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
        Text(hdc, 52, 72, u"round", RGB(255, 255, 255));
    });
    ShowWindow(round, SW_SHOWNA);

    // A layered window with per-pixel alpha: a soft blue panel, more opaque towards its top.
    const int lw = 260;
    const int lh = 120;
    HWND layered = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST, TestClass(), u"layered", WS_POPUP, 0, 0, lw, lh,
        nullptr, nullptr, nullptr, nullptr);
    {
        BITMAPINFO info {};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), lw, -lh, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC mem = CreateCompatibleDC(nullptr);
        SelectObject(mem, dib);
        auto* px = static_cast<DWORD*>(bits);
        for (int y = 0; y < lh; ++y)
            for (int x = 0; x < lw; ++x) {
                const unsigned a = 230 - 170 * unsigned(y) / unsigned(lh);
                const unsigned r = 40 * a / 255;
                const unsigned g = 110 * a / 255;
                const unsigned b = 230 * a / 255;
                px[y * lw + x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        // White text drawn straight into the premultiplied pixels (opaque where it lands).
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, RGB(255, 255, 255));
        TextOutW(mem, 16, 14, u"Uploading 37 of 120", 19);
        for (int i = 0; i < lw * lh; ++i)
            if ((px[i] >> 24) == 0)
                px[i] |= 0xFF000000u; // GDI wrote alpha 0 where the text landed
        POINT at { 300, 330 };
        SIZE size { lw, lh };
        POINT origin { 0, 0 };
        BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
        ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, &at, &size, mem, &origin, 0, &blend, ULW_ALPHA));
        DeleteDC(mem);
        DeleteObject(dib);
    }
    ShowWindow(layered, SW_SHOWNA);
    PumpPaint();

    // The dialog is the highest captioned window: its caption starts in the active colour.
    RECT d;
    GetWindowRect(dialog, &d);
    EXPECT_EQ(ScreenPixel(d.left + 3, d.top + 3), GetSysColor(COLOR_ACTIVECAPTION));
    RECT m;
    GetWindowRect(main, &m);
    EXPECT_EQ(ScreenPixel(m.left + 4, m.top + 4), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(ScreenPixel(740, 70), GetSysColor(COLOR_BACKGROUND)); // outside the circle

    const char* keep = std::getenv("VORNALT_SCREENSHOT");
    const std::string path = keep ? std::string(keep)
                                  : testing::TempDir() + "scene_" + std::to_string(GetCurrentProcessId()) + ".png";
    RECT area { 0, 0, 960, 520 };
    ASSERT_TRUE(SaveScreenshotPng(path, &area));
    if (!keep)
        std::remove(path.c_str());
}

TEST_F(ScreenshotTest, ScreenshotIsAPngOfTheComposedScreen)
{
    HWND w = Make(u"W", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    SetColor(w, kRed);
    UpdateWindow(w);
    const std::string path = testing::TempDir() + "screen_" + std::to_string(GetCurrentProcessId()) + ".png";
    RECT area { 5, 5, 15, 15 };
    ASSERT_TRUE(SaveScreenshotPng(path, &area));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char header[8] = {};
    EXPECT_EQ(std::fread(header, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(header[1], 'P');
    EXPECT_EQ(header[2], 'N');
    std::remove(path.c_str());
}

} // namespace
