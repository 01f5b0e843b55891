#include "toolkit/drawing/DeviceContexts.h"

#include <gtest/gtest.h>

namespace {

// A 32-bit target of the given size, filled white.
struct Target {
    CDC dc;
    CBitmap bitmap;
    HGDIOBJ old;
    Target(int cx, int cy)
    {
        dc.CreateCompatibleDC(nullptr);
        BITMAPINFO info {};
        info.bmiHeader = { sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
        void* bits = nullptr;
        bitmap.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        old = ::SelectObject(dc, bitmap);
        dc.FillSolidRect(0, 0, cx, cy, RGB(255, 255, 255));
    }
    ~Target() { ::SelectObject(dc, old); }
};

struct PaintStruct {
    RECT rcPaint;
};
struct FakePaintDC {
    HDC m_hDC;
    PaintStruct m_ps;
};

} // namespace

TEST(DeviceContexts, FontsAndPensComeBackInReverseOrder)
{
    Target target(8, 8);
    const HGDIOBJ original = GetCurrentObject(target.dc, OBJ_FONT);
    CFont a, b, c;
    LOGFONTW font {};
    font.lfHeight = -11;
    a.CreateFontIndirect(&font);
    font.lfHeight = -12;
    b.CreateFontIndirect(&font);
    font.lfHeight = -13;
    c.CreateFontIndirect(&font);
    {
        CJQWFontDC outer(&target.dc, &a);
        EXPECT_EQ(GetCurrentObject(target.dc, OBJ_FONT), a.GetSafeHandle());
        {
            CJQWFontDC inner(&target.dc);
            inner.SetFont(&b);
            inner.SetFont(&c);
            inner.SetFont(nullptr);
            inner.SetFont(&b);
            EXPECT_EQ(GetCurrentObject(target.dc, OBJ_FONT), b.GetSafeHandle());
        }
        EXPECT_EQ(GetCurrentObject(target.dc, OBJ_FONT), a.GetSafeHandle());
    }
    EXPECT_EQ(GetCurrentObject(target.dc, OBJ_FONT), original);
    CJQWFontDC nothing(nullptr, &a); // a null DC does nothing

    const HGDIOBJ firstPen = GetCurrentObject(target.dc, OBJ_PEN);
    HGDIOBJ replaced = nullptr;
    {
        CJQWPenDC pen(target.dc, RGB(255, 0, 0));
        pen.SetColor(RGB(0, 255, 0));
        pen.SetColor(RGB(0, 0, 255));
        replaced = GetCurrentObject(target.dc, OBJ_PEN);
        LOGPEN logPen {};
        GetObjectW(replaced, sizeof logPen, &logPen);
        EXPECT_EQ(logPen.lopnColor, RGB(0, 0, 255));
        EXPECT_EQ(logPen.lopnWidth.x, 1);
        target.dc.MoveTo(0, 3);
        target.dc.LineTo(8, 3);
        EXPECT_EQ(target.dc.GetPixel(4, 3), RGB(0, 0, 255));
        CJQWBrushDC brush(target.dc, RGB(10, 20, 30));
        target.dc.Rectangle(0, 5, 4, 8);
        EXPECT_EQ(target.dc.GetPixel(1, 6), RGB(10, 20, 30));
        EXPECT_EQ(target.dc.GetPixel(0, 6), RGB(0, 0, 255));
    }
    EXPECT_EQ(GetCurrentObject(target.dc, OBJ_PEN), firstPen);
    EXPECT_EQ(GetObjectType(replaced), 0u);
}

TEST(DeviceContexts, CompatibleAndBitmapDCsGiveTheBitmapBack)
{
    Target target(4, 4);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&target.dc, 4, 4);
    {
        CJQWCompatibleDC memory(&target.dc, &bitmap);
        memory.FillSolidRect(0, 0, 4, 4, RGB(1, 2, 3));
        EXPECT_EQ(memory.GetPixel(2, 2), RGB(1, 2, 3));
        target.dc.BitBlt(0, 0, 2, 2, &memory, 0, 0, SRCCOPY);
    }
    EXPECT_EQ(target.dc.GetPixel(1, 1), RGB(1, 2, 3));
    // The bitmap is free again: another DC can take it.
    CDC other;
    other.CreateCompatibleDC(nullptr);
    {
        CJQWBitmapDC select(&other, &bitmap);
        EXPECT_EQ(GetCurrentObject(other, OBJ_BITMAP), bitmap.GetSafeHandle());
        EXPECT_EQ(other.GetPixel(3, 3), RGB(1, 2, 3));
    }
    EXPECT_NE(GetCurrentObject(other, OBJ_BITMAP), bitmap.GetSafeHandle());
    CJQWCompatibleDC screen(nullptr, HBITMAP(nullptr));
    EXPECT_NE(screen.GetSafeHdc(), nullptr);
}

TEST(DeviceContexts, BufferLandsAtItsOwnTargetCoordinates)
{
    Target target(200, 100);
    {
        CJQWBufferDC buffer(target.dc, CRect(100, 50, 140, 80));
        buffer.FillSolidRect(100, 50, 40, 30, RGB(0, 0, 128));
        buffer.SetPixel(100, 50, RGB(200, 10, 20));
        buffer.SetPixel(139, 79, RGB(20, 200, 10));
        // Nothing reaches the target before the buffer goes.
        EXPECT_EQ(target.dc.GetPixel(100, 50), RGB(255, 255, 255));
    }
    EXPECT_EQ(target.dc.GetPixel(100, 50), RGB(200, 10, 20));
    EXPECT_EQ(target.dc.GetPixel(139, 79), RGB(20, 200, 10));
    EXPECT_EQ(target.dc.GetPixel(120, 60), RGB(0, 0, 128));
    for (POINT outside : { POINT { 99, 50 }, POINT { 100, 49 }, POINT { 140, 60 }, POINT { 120, 80 } })
        EXPECT_EQ(target.dc.GetPixel(outside.x, outside.y), RGB(255, 255, 255)) << outside.x << "," << outside.y;
}

TEST(DeviceContexts, BufferFromAPaintDCClipsToTheInvalidRectangle)
{
    Target target(50, 50);
    {
        FakePaintDC paint { target.dc, { { 10, 10, 20, 20 } } };
        CJQWBufferDC buffer(paint);
        buffer.FillSolidRect(0, 0, 50, 50, RGB(9, 9, 9)); // clipped to the invalid part
    }
    EXPECT_EQ(target.dc.GetPixel(10, 10), RGB(9, 9, 9));
    EXPECT_EQ(target.dc.GetPixel(19, 19), RGB(9, 9, 9));
    EXPECT_EQ(target.dc.GetPixel(20, 20), RGB(255, 255, 255));
    EXPECT_EQ(target.dc.GetPixel(5, 5), RGB(255, 255, 255));
    {
        FakePaintDC paint { target.dc, { { 0, 0, 0, 0 } } };
        CJQWBufferDC empty(paint);
        EXPECT_NE(GetCurrentObject(empty, OBJ_BITMAP), nullptr);
        BITMAP size {};
        GetObjectW(GetCurrentObject(empty, OBJ_BITMAP), sizeof size, &size);
        EXPECT_EQ(size.bmWidth, 1);
        EXPECT_EQ(size.bmHeight, 1);
        empty.SetPixel(0, 0, RGB(1, 1, 1));
    }
    EXPECT_EQ(target.dc.GetPixel(0, 0), RGB(255, 255, 255));
    {
        CJQWBufferDC nowhere(nullptr, CRect(0, 0, 4, 4));
        nowhere.SetPixel(1, 1, RGB(1, 1, 1)); // no target: nothing is copied
    }
}
