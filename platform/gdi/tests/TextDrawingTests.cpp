// Text drawn into real pixels: placement against the measured box, background modes, colour,
// coverage masks, clipping, origin and buffer layouts.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace gdi_test;

namespace {

const COLORREF kBackground = RGB(10, 20, 30);

std::string Describe(const FontSpec& spec)
{
    std::string name;
    for (const char16_t* p = spec.face; *p; ++p)
        name.push_back(char(*p));
    name += " h=" + std::to_string(spec.height) + " w=" + std::to_string(spec.weight);
    if (spec.italic)
        name += " italic";
    if (spec.underline)
        name += " underline";
    if (spec.strikeOut)
        name += " strike";
    if (spec.quality == NONANTIALIASED_QUALITY)
        name += " mono";
    return name;
}

// Upright fonts: their ink must stay inside the measured cell.
const FontSpec kUprightFonts[] = {
    { u"Verdana", -16 },
    { u"Verdana", -16, FW_BOLD },
    { u"Verdana", -16, FW_NORMAL, false, true, true },
    { u"Arial", -13 },
    { u"Arial", 24, FW_BOLD },
    { u"Tahoma", -11 },
    { u"MS Shell Dlg", -11 },
    { u"Segoe UI", -12, FW_NORMAL, false, false, false, NONANTIALIASED_QUALITY },
    { u"Courier", -14 },
    { u"Times New Roman", -20 },
    { u"Verdana", -40, FW_BOLD, false, true, false, NONANTIALIASED_QUALITY },
    { u"Verdana", -7 },
};

// Every font, slanted ones included, for the tests that do not depend on ink bounds.
const FontSpec kAllFonts[] = {
    { u"Verdana", -16 },
    { u"Verdana", -16, FW_BOLD, true },
    { u"Arial", -15, FW_NORMAL, true },
    { u"Courier", -14, FW_BOLD },
    { u"Tahoma", 18, FW_NORMAL, false, true, true, NONANTIALIASED_QUALITY },
    { u"NoSuchFaceAnywhere", -16 },
};

} // namespace

TEST(TextDrawing, HelloInkStaysInsideTheMeasuredCell)
{
    for (const FontSpec& spec : kUprightFonts) {
        SCOPED_TRACE(Describe(spec));
        Font font(spec);
        ASSERT_NE(font.get(), nullptr);
        Canvas blank(320, 140, GdiPixelFormat::Bgra32, kBackground);
        Canvas canvas(320, 140, GdiPixelFormat::Bgra32, kBackground);
        SelectObject(canvas.dc(), font.get());
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), RGB(250, 240, 230));
        const SIZE size = Extent(canvas.dc(), u"Hello");
        TEXTMETRICW tm {};
        ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
        EXPECT_GT(size.cx, 0);
        EXPECT_EQ(size.cy, tm.tmHeight);
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);

        ASSERT_TRUE(Draw(canvas.dc(), 20, 30, u"Hello"));
        const RECT ink = canvas.DiffBox(blank);
        ASSERT_LT(ink.left, ink.right) << "nothing drawn";
        EXPECT_GE(ink.left, 20);
        EXPECT_GE(ink.top, 30);
        EXPECT_LE(ink.right, 20 + size.cx);
        EXPECT_LE(ink.bottom, 30 + size.cy);
        // The text fills most of its box: a wrong baseline or scale would leave it far off.
        EXPECT_GE(ink.right - ink.left, size.cx * 3 / 4);
        EXPECT_GE(ink.bottom - ink.top, tm.tmAscent / 2);
    }
}

TEST(TextDrawing, ExtentEqualsTheDistanceTextOutAdvances)
{
    for (const FontSpec& spec : kAllFonts) {
        SCOPED_TRACE(Describe(spec));
        Font font(spec);
        ASSERT_NE(font.get(), nullptr);
        Canvas whole(320, 100, GdiPixelFormat::Bgra32, kBackground);
        Canvas pieces(320, 100, GdiPixelFormat::Bgra32, kBackground);
        for (Canvas* c : { &whole, &pieces }) {
            SelectObject(c->dc(), font.get());
            SetBkMode(c->dc(), TRANSPARENT);
            SetTextColor(c->dc(), RGB(255, 255, 0));
        }
        const SIZE all = Extent(whole.dc(), u"Hello");
        const SIZE head = Extent(whole.dc(), u"He");
        const SIZE tail = Extent(whole.dc(), u"llo");
        EXPECT_EQ(all.cx, head.cx + tail.cx);
        LONG sum = 0;
        for (char16_t c : std::u16string(u"Hello"))
            sum += Extent(whole.dc(), std::u16string(1, c)).cx;
        EXPECT_EQ(all.cx, sum);

        // Drawing the word in two calls, the second at the first one's measured width, lands
        // every pixel where the single call puts it. Underline and strike-out span each call's
        // own width, so together they cover the same pixels too.
        ASSERT_TRUE(Draw(whole.dc(), 15, 20, u"Hello"));
        ASSERT_TRUE(Draw(pieces.dc(), 15, 20, u"He"));
        ASSERT_TRUE(Draw(pieces.dc(), 15 + head.cx, 20, u"llo"));
        EXPECT_TRUE(whole.SamePixels(pieces));
    }
}

TEST(TextDrawing, EmptyTextMeasuresZeroWideAndOneLineHigh)
{
    Font font({ u"Verdana", -16 });
    Canvas canvas(40, 40, GdiPixelFormat::Bgra32, kBackground);
    Canvas blank(40, 40, GdiPixelFormat::Bgra32, kBackground);
    SelectObject(canvas.dc(), font.get());
    TEXTMETRICW tm {};
    GetTextMetricsW(canvas.dc(), &tm);
    SIZE size { -1, -1 };
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.dc(), nullptr, 0, &size));
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, tm.tmHeight);
    ASSERT_TRUE(TextOutW(canvas.dc(), 5, 5, nullptr, 0));
    EXPECT_TRUE(canvas.SamePixels(blank));
}

TEST(TextDrawing, TransparentModeTouchesOnlyCoveredPixels)
{
    // A patterned, partly transparent background shows any stray write.
    auto paint = [](Canvas& c) {
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                c.Set(x, y, RGB(BYTE(x * 3), BYTE(y * 5), BYTE((x ^ y) & 0xFF)), BYTE(40 + (x + y) % 200));
    };
    const COLORREF textColors[] = { RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 30, 90) };
    for (const FontSpec& spec : kAllFonts) {
        for (COLORREF color : textColors) {
            SCOPED_TRACE(Describe(spec) + " colour " + std::to_string(color));
            Font font(spec);
            Canvas before(260, 90);
            Canvas canvas(260, 90);
            paint(before);
            paint(canvas);
            Canvas mask(260, 90, GdiPixelFormat::Gray8, RGB(0, 0, 0));
            SelectObject(canvas.dc(), font.get());
            SetBkMode(canvas.dc(), TRANSPARENT);
            SetBkColor(canvas.dc(), RGB(1, 2, 3));
            SetTextColor(canvas.dc(), color);
            ASSERT_TRUE(Draw(canvas.dc(), 12, 18, u"Hello, world"));
            ASSERT_TRUE(RenderTextMaskW(font.get(), 12, 18, u"Hello, world", 12, mask.view()));

            int full = 0;
            int partial = 0;
            for (int y = 0; y < canvas.height(); ++y) {
                for (int x = 0; x < canvas.width(); ++x) {
                    const BYTE coverage = mask.GreyAt(x, y);
                    const COLORREF was = before.At(x, y);
                    const COLORREF now = canvas.At(x, y);
                    if (coverage == 0) {
                        ASSERT_EQ(now, was) << x << "," << y;
                        ASSERT_EQ(canvas.AlphaAt(x, y), before.AlphaAt(x, y)) << x << "," << y;
                    } else if (coverage == 255) {
                        ++full;
                        ASSERT_EQ(now, color) << x << "," << y;
                        ASSERT_EQ(canvas.AlphaAt(x, y), 255) << x << "," << y;
                    } else {
                        ++partial;
                        // A partly covered pixel lies between the old colour and the text colour.
                        for (int shift : { 0, 8, 16 }) {
                            const int a = int((was >> shift) & 0xFF);
                            const int b = int((color >> shift) & 0xFF);
                            const int v = int((now >> shift) & 0xFF);
                            ASSERT_GE(v, std::min(a, b)) << x << "," << y;
                            ASSERT_LE(v, std::max(a, b)) << x << "," << y;
                        }
                    }
                }
            }
            EXPECT_GT(full, 20);
            if (spec.quality == NONANTIALIASED_QUALITY) {
                EXPECT_EQ(partial, 0);
            }
        }
    }
}

TEST(TextDrawing, OpaqueModeFillsTheMeasuredCellWithTheBackgroundColour)
{
    for (const FontSpec& spec : kAllFonts) {
        SCOPED_TRACE(Describe(spec));
        Font font(spec);
        Canvas canvas(260, 90, GdiPixelFormat::Bgra32, kBackground);
        Canvas mask(260, 90, GdiPixelFormat::Gray8, RGB(0, 0, 0));
        const COLORREF back = RGB(0, 0, 255);
        const COLORREF text = RGB(255, 255, 255);
        SelectObject(canvas.dc(), font.get());
        EXPECT_EQ(SetBkMode(canvas.dc(), OPAQUE), OPAQUE); // the default
        SetBkColor(canvas.dc(), back);
        SetTextColor(canvas.dc(), text);
        const SIZE size = Extent(canvas.dc(), u"Hello");
        ASSERT_TRUE(Draw(canvas.dc(), 30, 25, u"Hello"));
        ASSERT_TRUE(RenderTextMaskW(font.get(), 30, 25, u"Hello", 5, mask.view()));
        const RECT cell { 30, 25, 30 + size.cx, 25 + size.cy };
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                const bool inCell = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
                const BYTE coverage = mask.GreyAt(x, y);
                if (!inCell && coverage == 0) {
                    ASSERT_EQ(canvas.At(x, y), kBackground) << x << "," << y;
                } else if (coverage == 0) {
                    ASSERT_EQ(canvas.At(x, y), back) << x << "," << y;
                } else if (coverage == 255) {
                    ASSERT_EQ(canvas.At(x, y), text) << x << "," << y;
                }
            }
        }
    }
}

TEST(TextDrawing, FullyCoveredPixelsTakeTheTextColourExactly)
{
    const COLORREF colors[] = { RGB(125, 125, 125), RGB(255, 0, 0), RGB(0, 255, 0), RGB(1, 2, 254),
        RGB(255, 255, 255), RGB(0, 0, 0) };
    Font font({ u"Verdana", -48, FW_BOLD });
    for (COLORREF color : colors) {
        SCOPED_TRACE(color);
        Canvas canvas(200, 80, GdiPixelFormat::Bgra32, RGB(90, 180, 45));
        SelectObject(canvas.dc(), font.get());
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), color);
        ASSERT_TRUE(Draw(canvas.dc(), 5, 5, u"Hl"));
        int exact = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                exact += canvas.At(x, y) == color;
        // The stems of a 48-pixel bold H and l are several pixels wide and tall.
        EXPECT_GT(exact, 300);
    }
}

TEST(TextDrawing, MonochromeFontsDrawOnlyTextOrBackground)
{
    for (LONG height : { -9, -13, -24, 30 }) {
        SCOPED_TRACE(height);
        Font font({ u"Verdana", height, FW_NORMAL, false, false, false, NONANTIALIASED_QUALITY });
        Canvas canvas(220, 80, GdiPixelFormat::Bgra32, RGB(0, 255, 0));
        SelectObject(canvas.dc(), font.get());
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), RGB(200, 10, 10));
        ASSERT_TRUE(Draw(canvas.dc(), 3, 3, u"Mine watermark"));
        int ink = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const COLORREF c = canvas.At(x, y);
                ASSERT_TRUE(c == RGB(0, 255, 0) || c == RGB(200, 10, 10)) << x << "," << y;
                ink += c == RGB(200, 10, 10);
            }
        EXPECT_GT(ink, 10);
    }
}

TEST(TextDrawing, NonBmpAndBrokenSurrogatesAreDrawnWithoutHarm)
{
    Font font({ u"Verdana", -16 });
    Canvas canvas(300, 60, GdiPixelFormat::Bgra32, kBackground);
    SelectObject(canvas.dc(), font.get());
    const std::u16string cases[] = {
        u"A\U0001F600B",          // a pair outside the font
        u"\U0001D400x",           // mathematical bold A
        std::u16string(1, char16_t(0xD83D)),        // lone high surrogate
        std::u16string(1, char16_t(0xDE00)) + u"z", // lone low surrogate
        u"x" + std::u16string(1, char16_t(0xD800)), // high surrogate at the end
    };
    for (const auto& text : cases) {
        EXPECT_TRUE(Draw(canvas.dc(), 5, 5, text));
        EXPECT_GE(Extent(canvas.dc(), text).cx, 0);
    }
    // A pair is one character; a lone surrogate measures like the replacement character.
    EXPECT_EQ(Extent(canvas.dc(), u"A\U0001F600B").cx,
        Extent(canvas.dc(), u"A").cx + Extent(canvas.dc(), u"\U0001F600").cx + Extent(canvas.dc(), u"B").cx);
    EXPECT_EQ(Extent(canvas.dc(), std::u16string(1, char16_t(0xD83D))).cx, Extent(canvas.dc(), u"\uFFFD").cx);
    EXPECT_GT(Extent(canvas.dc(), u"\U0001F600").cx, 0);
}

TEST(TextDrawing, CoverageMaskIsFullInsideStrokesAndEmptyFarOutside)
{
    Font font({ u"Verdana", -64 });
    Canvas canvas(200, 100);
    SelectObject(canvas.dc(), font.get());
    TEXTMETRICW tm {};
    GetTextMetricsW(canvas.dc(), &tm);
    const SIZE size = Extent(canvas.dc(), u"l");

    Canvas mask(200, 100, GdiPixelFormat::Gray8, RGB(0, 0, 0));
    ASSERT_TRUE(RenderTextMaskW(font.get(), 40, 10, u"l", 1, mask.view()));
    // Halfway up the stem of the l, a run of full coverage.
    const int row = 10 + tm.tmAscent / 2;
    int longestFull = 0;
    for (int x = 0, run = 0; x < mask.width(); ++x) {
        run = mask.GreyAt(x, row) == 255 ? run + 1 : 0;
        longestFull = std::max(longestFull, run);
    }
    EXPECT_GE(longestFull, 4);
    // Two pixels or more outside the measured cell nothing is covered.
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (x < 40 - 2 || x >= 40 + size.cx + 2 || y < 10 - 2 || y >= 10 + size.cy + 2) {
                ASSERT_EQ(mask.GreyAt(x, y), 0) << x << "," << y;
            }

    // Drawing again only adds coverage: full stays full, empty stays empty.
    Canvas again(200, 100, GdiPixelFormat::Gray8, RGB(0, 0, 0));
    RenderTextMaskW(font.get(), 40, 10, u"l", 1, again.view());
    RenderTextMaskW(font.get(), 40, 10, u"l", 1, again.view());
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) {
            ASSERT_GE(again.GreyAt(x, y), mask.GreyAt(x, y));
            ASSERT_EQ(again.GreyAt(x, y) == 0, mask.GreyAt(x, y) == 0);
        }

    // Only grey buffers take a mask.
    Canvas colour(20, 20);
    EXPECT_FALSE(RenderTextMaskW(font.get(), 0, 0, u"l", 1, colour.view()));
    EXPECT_FALSE(RenderTextMaskW(nullptr, 0, 0, u"l", 1, mask.view()));
}

TEST(TextDrawing, UnderlineAndStrikeOutSpanTheExtentInsideTheCell)
{
    struct Case {
        bool underline;
        bool strikeOut;
    };
    for (Case c : { Case { true, false }, Case { false, true }, Case { true, true } }) {
        SCOPED_TRACE(std::to_string(c.underline) + std::to_string(c.strikeOut));
        Font plainFont({ u"Verdana", -20 });
        Font lined({ u"Verdana", -20, FW_NORMAL, false, c.underline, c.strikeOut });
        Canvas plain(200, 60, GdiPixelFormat::Bgra32, kBackground);
        Canvas canvas(200, 60, GdiPixelFormat::Bgra32, kBackground);
        SelectObject(plain.dc(), plainFont.get());
        SelectObject(canvas.dc(), lined.get());
        for (Canvas* d : { &plain, &canvas }) {
            SetBkMode(d->dc(), TRANSPARENT);
            SetTextColor(d->dc(), RGB(255, 255, 255));
        }
        TEXTMETRICW tm {};
        GetTextMetricsW(canvas.dc(), &tm);
        EXPECT_EQ(tm.tmUnderlined != 0, c.underline);
        EXPECT_EQ(tm.tmStruckOut != 0, c.strikeOut);
        const SIZE size = Extent(canvas.dc(), u"Hello");
        EXPECT_EQ(size.cx, Extent(plain.dc(), u"Hello").cx);
        Draw(plain.dc(), 10, 10, u"Hello");
        Draw(canvas.dc(), 10, 10, u"Hello");

        const int baseline = 10 + tm.tmAscent;
        int belowRows = 0;
        int aboveRows = 0;
        for (int y = 0; y < canvas.height(); ++y) {
            bool fullRow = true;
            for (int x = 10; x < 10 + size.cx; ++x)
                fullRow = fullRow && canvas.At(x, y) == RGB(255, 255, 255);
            if (!fullRow)
                continue;
            EXPECT_GE(y, 10);
            EXPECT_LT(y, 10 + size.cy);
            // Nothing of the line leaves the measured box.
            EXPECT_EQ(canvas.At(9, y), kBackground);
            EXPECT_EQ(canvas.At(10 + size.cx, y), kBackground);
            (y >= baseline ? belowRows : aboveRows)++;
        }
        // The plain word has no row of solid ink across its width: the rows found are the lines.
        for (int y = 0; y < plain.height(); ++y) {
            bool fullRow = true;
            for (int x = 10; x < 10 + size.cx; ++x)
                fullRow = fullRow && plain.At(x, y) == RGB(255, 255, 255);
            EXPECT_FALSE(fullRow) << y;
        }
        EXPECT_EQ(belowRows > 0, c.underline);
        EXPECT_EQ(aboveRows > 0, c.strikeOut);
    }
}

TEST(TextDrawing, ClipRectangleLimitsEveryPixel)
{
    Font font({ u"Verdana", -24 });
    Canvas full(200, 60, GdiPixelFormat::Bgra32, kBackground);
    Canvas clipped(200, 60, GdiPixelFormat::Bgra32, kBackground);
    for (Canvas* c : { &full, &clipped }) {
        SelectObject(c->dc(), font.get());
        SetBkColor(c->dc(), RGB(0, 0, 200));
        SetTextColor(c->dc(), RGB(255, 255, 0));
    }
    EXPECT_EQ(IntersectClipRect(clipped.dc(), 25, 12, 60, 30), SIMPLEREGION);
    Draw(full.dc(), 10, 5, u"Hello");
    Draw(clipped.dc(), 10, 5, u"Hello");
    int drawnInside = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) {
            if (x >= 25 && x < 60 && y >= 12 && y < 30) {
                ASSERT_EQ(clipped.At(x, y), full.At(x, y)) << x << "," << y;
                drawnInside += clipped.At(x, y) != kBackground;
            } else {
                ASSERT_EQ(clipped.At(x, y), kBackground) << x << "," << y;
            }
        }
    EXPECT_GT(drawnInside, 100);
}

TEST(TextDrawing, TextPartlyOrWhollyOffTheBufferIsClipped)
{
    Font font({ u"Verdana", -30 });
    Canvas canvas(50, 30, GdiPixelFormat::Bgra32, kBackground);
    SelectObject(canvas.dc(), font.get());
    const POINT places[] = { { -20, -10 }, { 40, 20 }, { -100000, 5 }, { 5, 100000 },
        { 2147483000, 2147483000 }, { -2147483000, -2147483000 } };
    for (POINT p : places)
        EXPECT_TRUE(Draw(canvas.dc(), p.x, p.y, u"Hello"));
    // The first two calls reached into the buffer.
    EXPECT_NE(canvas.At(0, 0), kBackground);
    EXPECT_NE(canvas.At(49, 29), kBackground);
}

TEST(TextDrawing, ViewportOriginShiftsText)
{
    Font font({ u"Arial", -18 });
    Canvas shifted(120, 50, GdiPixelFormat::Bgra32, kBackground);
    Canvas direct(120, 50, GdiPixelFormat::Bgra32, kBackground);
    SelectObject(shifted.dc(), font.get());
    SelectObject(direct.dc(), font.get());
    POINT previous { -1, -1 };
    ASSERT_TRUE(SetViewportOrgEx(shifted.dc(), 17, 9, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    IntersectClipRect(shifted.dc(), -17, -9, 60, 100); // logical: device 0..77
    Draw(shifted.dc(), 0, 0, u"Hello");
    IntersectClipRect(direct.dc(), 0, 0, 77, 120);
    Draw(direct.dc(), 17, 9, u"Hello");
    EXPECT_TRUE(shifted.SamePixels(direct));
    RECT box {};
    EXPECT_EQ(GetClipBox(shifted.dc(), &box), SIMPLEREGION);
    EXPECT_EQ(box.left, -17);
    EXPECT_EQ(box.top, -9);
    EXPECT_EQ(box.right, 60);
    EXPECT_EQ(box.bottom, 41);
}

TEST(TextDrawing, GreyBuffersTakeTheGreyLevelOfTheColours)
{
    Font font({ u"Verdana", -40, FW_BOLD });
    struct Case {
        COLORREF text;
        BYTE grey;
    };
    for (Case c : { Case { RGB(255, 255, 255), 255 }, Case { RGB(0, 255, 0), 149 }, Case { RGB(255, 0, 0), 77 },
             Case { RGB(0, 0, 0), 0 } }) {
        Canvas canvas(120, 60, GdiPixelFormat::Gray8, RGB(33, 33, 33));
        SelectObject(canvas.dc(), font.get());
        SetBkColor(canvas.dc(), RGB(0, 0, 255)); // grey 29
        SetTextColor(canvas.dc(), c.text);
        Draw(canvas.dc(), 2, 2, u"H");
        int exact = 0;
        int background = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                exact += canvas.GreyAt(x, y) == c.grey;
                background += canvas.GreyAt(x, y) == 29;
            }
        EXPECT_GT(exact, 100) << c.text;
        EXPECT_GT(background, 100) << c.text;
        EXPECT_EQ(canvas.GreyAt(119, 59), 33);
    }
}

TEST(TextDrawing, BottomUpAndPaddedBuffersHoldTheSameImage)
{
    Font font({ u"Verdana", -20 });
    Canvas reference(90, 40, GdiPixelFormat::Bgra32, kBackground);
    SelectObject(reference.dc(), font.get());
    Draw(reference.dc(), 4, 6, u"Hello");

    // The same pixels through a padded pitch, and through a negative pitch (bits at the last row).
    Canvas padded(90, 40, GdiPixelFormat::Bgra32, kBackground, 12);
    SelectObject(padded.dc(), font.get());
    Draw(padded.dc(), 4, 6, u"Hello");

    std::vector<BYTE> memory(90 * 4 * 40);
    for (size_t i = 0; i < memory.size(); i += 4) {
        memory[i] = GetBValue(kBackground);
        memory[i + 1] = GetGValue(kBackground);
        memory[i + 2] = GetRValue(kBackground);
        memory[i + 3] = 255;
    }
    GdiPixelBuffer bottomUp { memory.data() + 39 * 90 * 4, 90, 40, -90 * 4, GdiPixelFormat::Bgra32 };
    HDC dc = CreatePixelBufferDC(bottomUp);
    ASSERT_NE(dc, nullptr);
    SelectObject(dc, font.get());
    Draw(dc, 4, 6, u"Hello");
    DeleteDC(dc);

    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 90; ++x) {
            ASSERT_EQ(padded.At(x, y), reference.At(x, y));
            const BYTE* p = memory.data() + size_t(39 - y) * 90 * 4 + size_t(x) * 4;
            ASSERT_EQ(RGB(p[2], p[1], p[0]), reference.At(x, y)) << x << "," << y;
        }
}
