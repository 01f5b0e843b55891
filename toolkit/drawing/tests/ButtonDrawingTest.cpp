#include "toolkit/drawing/ButtonDrawing.h"

#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <stdexcept>

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
