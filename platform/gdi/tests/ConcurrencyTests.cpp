// Fonts created, measured and drawn on several threads at once give the same pixels as on one.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace gdi_test;

namespace {

// Draws a fixed scene with fresh fonts; returns false when any call fails.
bool DrawScene(Canvas& canvas, int variant)
{
    const FontSpec specs[] = { { u"Verdana", -16 }, { u"Arial", -14, FW_BOLD }, { u"Courier", -13, FW_NORMAL, true },
        { u"Tahoma", 20, FW_NORMAL, false, true }, { u"Verdana", -12 - variant, FW_BOLD, true } };
    SetBkMode(canvas.dc(), TRANSPARENT);
    int y = 0;
    for (const FontSpec& spec : specs) {
        Font font(spec);
        if (!font.get() || !SelectObject(canvas.dc(), font.get()))
            return false;
        SetTextColor(canvas.dc(), RGB(BYTE(40 * variant), 200, BYTE(y)));
        SIZE size {};
        if (!GetTextExtentPoint32W(canvas.dc(), u"Hello \u00E9\u00DF\u20AC", 9, &size))
            return false;
        if (!TextOutW(canvas.dc(), 2, y, u"Hello \u00E9\u00DF\u20AC", 9))
            return false;
        y += size.cy;
        SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
    }
    return true;
}

} // namespace

TEST(Concurrency, ThreadsDrawTheSamePixelsAsOneThread)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::vector<std::unique_ptr<Canvas>> references;
    for (int t = 0; t < kThreads; ++t) {
        references.push_back(std::make_unique<Canvas>(160, 120));
        ASSERT_TRUE(DrawScene(*references.back(), t));
    }
    std::atomic<int> failures { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                Canvas canvas(160, 120);
                if (!DrawScene(canvas, t) || !canvas.SamePixels(*references[size_t(t)]))
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

namespace {

// Memory contexts over 32-bit DIB sections: DrawTextW with word breaks, ellipses and the
// symbol face, plus shapes; the pixels come back as a vector.
std::vector<BYTE> DrawDesktopScene(int variant)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 160, -90, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dib || !dc)
        return {};
    HGDIOBJ oldBitmap = SelectObject(dc, dib);
    RECT all { 0, 0, 160, 90 };
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    Font font({ u"Tahoma", -11 - variant % 2 });
    Font symbols({ u"Marlett", -13 });
    SelectObject(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    RECT text { 4, 4, 150, 60 };
    DrawTextW(dc, u"&File operations run on four threads at once", -1, &text, DT_WORDBREAK);
    RECT line { 4, 60, 90, 75 };
    DrawTextW(dc, u"C:\\Photos\\Summer\\beach.jpg", -1, &line, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    SelectObject(dc, symbols.get());
    TextOutW(dc, 100, 60, u"r0123", 5);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    Ellipse(dc, 120, 70, 150, 88);
    std::vector<BYTE> out(static_cast<const BYTE*>(bits), static_cast<const BYTE*>(bits) + 160 * 90 * 4);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(dib);
    return out;
}

} // namespace

TEST(Concurrency, DesktopTextOnFourThreadsEqualsOneThread)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 10;
    std::vector<std::vector<BYTE>> references;
    for (int t = 0; t < kThreads; ++t) {
        references.push_back(DrawDesktopScene(t));
        ASSERT_FALSE(references.back().empty());
    }
    std::atomic<int> failures { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round)
                if (DrawDesktopScene(t) != references[size_t(t)])
                    ++failures;
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}
