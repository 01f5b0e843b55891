// Drawing contexts on bitmaps: text lands in the pixels of every depth, a 24-bit bitmap gets
// its drawing back on release, and foreign handles are refused.

#include "platform/imaging/tests/ImagingTestSupport.h"

#include "platform/gdi/Gdi.h"

#include <cstring>

using namespace imaging_test;

namespace {

int CountPixelsNot(const ImageBitmap& b, Rgb colour)
{
    int count = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            count += PixelAt(b, x, y) != colour;
    return count;
}

}  // namespace

TEST(ImageDCTest, TextDrawnThroughTheContextLandsInThePixels)
{
    for (int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        ImageBitmap b;
        ASSERT_EQ(CreateBitmap(&b, 120, 40, bits, 1, nullptr, 1), IMAGING_SUCCESS);
        ASSERT_EQ(FillBitmap(&b, RGB(255, 255, 255)), IMAGING_SUCCESS);
        HDC dc = nullptr;
        ASSERT_EQ(GetBitmapDC(&b, &dc), IMAGING_SUCCESS);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 120);
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);

        LOGFONTW font{};
        font.lfHeight = -20;
        font.lfWeight = 700;
        std::memcpy(font.lfFaceName, u"Verdana", sizeof(u"Verdana"));
        HFONT handle = CreateFontIndirectW(&font);
        ASSERT_NE(handle, nullptr);
        HGDIOBJ previous = SelectObject(dc, handle);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        ASSERT_TRUE(TextOutW(dc, 4, 4, u"Mine", 4));
        SelectObject(dc, previous);
        DeleteObject(handle);
        ASSERT_EQ(ReleaseBitmapDC(dc), IMAGING_SUCCESS);

        EXPECT_GT(CountPixelsNot(b, {255, 255, 255}), 40);  // the glyphs are there
        EXPECT_EQ(PixelAt(b, 119, 39), (Rgb{255, 255, 255}));  // and only where drawn
        EXPECT_EQ(AlphaAt(b, 119, 39), 255);
    }
}

TEST(ImageDCTest, ReleasingTwiceOrAForeignHandleFails)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 8, 8, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    HDC dc = nullptr;
    ASSERT_EQ(GetBitmapDC(&b, &dc), IMAGING_SUCCESS);
    EXPECT_EQ(ReleaseBitmapDC(dc), IMAGING_SUCCESS);
    EXPECT_EQ(ReleaseBitmapDC(dc), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(ReleaseBitmapDC(nullptr), IMAGING_ERROR_INVALID_ARGUMENT);

    GdiPixelBuffer buffer;
    std::vector<BYTE> pixels(16 * 4);
    buffer.bits = pixels.data();
    buffer.width = buffer.height = 4;
    buffer.pitch = 16;
    HDC foreign = CreatePixelBufferDC(buffer);
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(ReleaseBitmapDC(foreign), IMAGING_ERROR_INVALID_ARGUMENT);
    DeleteDC(foreign);

    ImageBitmap empty;
    HDC none = reinterpret_cast<HDC>(1);
    EXPECT_EQ(GetBitmapDC(&empty, &none), IMAGING_ERROR_NO_BITMAP);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetBitmapDC(nullptr, &none), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(GetBitmapDC(&b, nullptr), IMAGING_ERROR_INVALID_ARGUMENT);
}
