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
