// Device contexts over pixel buffers: creation, capabilities, state and its stack.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

using namespace gdi_test;

TEST(DeviceContext, CreationChecksTheBuffer)
{
    BYTE pixels[64] {};
    struct Case {
        const char* name;
        GdiPixelBuffer buffer;
        bool ok;
    };
    const Case cases[] = {
        { "4x4 colour", { pixels, 4, 4, 16, GdiPixelFormat::Bgra32 }, true },
        { "8x8 grey", { pixels, 8, 8, 8, GdiPixelFormat::Gray8 }, true },
        { "bottom-up", { pixels + 48, 4, 4, -16, GdiPixelFormat::Bgra32 }, true },
        { "empty without bits", { nullptr, 0, 0, 0, GdiPixelFormat::Bgra32 }, true },
        { "null bits", { nullptr, 4, 4, 16, GdiPixelFormat::Bgra32 }, false },
        { "negative width", { pixels, -4, 4, 16, GdiPixelFormat::Bgra32 }, false },
        { "negative height", { pixels, 4, -1, 16, GdiPixelFormat::Bgra32 }, false },
        { "pitch too small", { pixels, 4, 4, 15, GdiPixelFormat::Bgra32 }, false },
        { "negative pitch too small", { pixels, 4, 4, -8, GdiPixelFormat::Gray8 }, true },
        { "huge width", { pixels, 0x40000000, 1, 16, GdiPixelFormat::Bgra32 }, false },
    };
    for (const Case& c : cases) {
        SetLastError(0);
        HDC dc = CreatePixelBufferDC(c.buffer);
        EXPECT_EQ(dc != nullptr, c.ok) << c.name;
        if (dc)
            EXPECT_TRUE(DeleteDC(dc));
        else
            EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.name;
    }
}

TEST(DeviceContext, DefaultsAndCapabilities)
{
    Canvas colour(30, 20);
    Canvas grey(7, 5, GdiPixelFormat::Gray8);
    EXPECT_EQ(GetTextColor(colour.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(colour.dc()), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(colour.dc()), OPAQUE);
    struct Case {
        HDC dc;
        int index;
        int value;
    };
    for (Case c : { Case { colour.dc(), LOGPIXELSX, 96 }, Case { colour.dc(), LOGPIXELSY, 96 },
             Case { colour.dc(), HORZRES, 30 }, Case { colour.dc(), VERTRES, 20 }, Case { colour.dc(), BITSPIXEL, 32 },
             Case { grey.dc(), BITSPIXEL, 8 }, Case { grey.dc(), HORZRES, 7 }, Case { grey.dc(), PLANES, 1 } })
        EXPECT_EQ(GetDeviceCaps(c.dc, c.index), c.value) << c.index;
    RECT box {};
    EXPECT_EQ(GetClipBox(colour.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 20);
}

TEST(DeviceContext, SettersReturnThePreviousValue)
{
    Canvas canvas(4, 4);
    HDC dc = canvas.dc();
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(dc, RGB(7, 8, 9)), RGB(255, 255, 255));
    EXPECT_EQ(GetBkColor(dc), RGB(7, 8, 9));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 77), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
}

TEST(DeviceContext, SaveAndRestoreTheStateStack)
{
    Canvas canvas(50, 50);
    HDC dc = canvas.dc();
    Font font({ u"Arial", -20 });
    EXPECT_EQ(SaveDC(dc), 1);
    SetTextColor(dc, RGB(9, 9, 9));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ stock = SelectObject(dc, font.get());
    IntersectClipRect(dc, 10, 10, 20, 20);
    SetViewportOrgEx(dc, 3, 4, nullptr);
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(1, 1, 1));
    IntersectClipRect(dc, 100, 100, 200, 200);
    RECT box {};
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);

    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(9, 9, 9));
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 7); // device 10 less the origin 3
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.get());

    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), stock);
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 50);
    POINT origin {};
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 0);

    // Nothing is left to restore; levels out of range fail.
    EXPECT_FALSE(RestoreDC(dc, -1));
    EXPECT_FALSE(RestoreDC(dc, 0));
    EXPECT_EQ(SaveDC(dc), 1);
    EXPECT_FALSE(RestoreDC(dc, 2));
    EXPECT_TRUE(RestoreDC(dc, 1));
}

TEST(DeviceContext, DeadContextsAreRejected)
{
    BYTE pixels[16] {};
    HDC dc = CreatePixelBufferDC({ pixels, 2, 2, 8, GdiPixelFormat::Bgra32 });
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_FALSE(TextOutW(dc, 0, 0, u"x", 1));
    SIZE size {};
    EXPECT_FALSE(GetTextExtentPoint32W(dc, u"x", 1, &size));
    EXPECT_EQ(SaveDC(dc), 0);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 1, 1), ERROR);

    Canvas canvas(2, 2);
    EXPECT_FALSE(TextOutW(canvas.dc(), 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutW(canvas.dc(), 0, 0, u"x", -1));
    EXPECT_FALSE(GetTextExtentPoint32W(canvas.dc(), u"x", 1, nullptr));
}

TEST(DeviceContext, EmptyBuffersTakeDrawingWithoutEffect)
{
    HDC dc = CreatePixelBufferDC({ nullptr, 0, 0, 0, GdiPixelFormat::Bgra32 });
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(TextOutW(dc, 0, 0, u"Hello", 5));
    RECT box {};
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
    DeleteDC(dc);
}
