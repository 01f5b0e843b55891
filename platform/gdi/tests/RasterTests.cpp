// The integer pixel rules: lines, shapes, fills, patterns, raster operations and blits.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Raster.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <cstring>
#include <random>
#include <set>
#include <vector>

using namespace gdi_test;

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels Inked(const Surface& s, COLORREF background = RGB(255, 255, 255))
{
    Pixels out;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.At(x, y) != background)
                out.insert({ x, y });
    return out;
}

class Selected {
public:
    Selected(HDC dc, HGDIOBJ object)
        : m_dc(dc)
        , m_object(object)
        , m_previous(SelectObject(dc, object))
    {
    }
    ~Selected()
    {
        SelectObject(m_dc, m_previous);
        DeleteObject(m_object);
    }

private:
    HDC m_dc;
    HGDIOBJ m_object;
    HGDIOBJ m_previous;
};

} // namespace

TEST(Lines, EndPointIsLeftOutInAllEightDirections)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx == 0 && dy == 0)
                continue;
            Surface s(11, 11);
            Selected pen(s.dc(), CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
            MoveToEx(s.dc(), 5, 5, nullptr);
            LineTo(s.dc(), 5 + 4 * dx, 5 + 4 * dy);
            Pixels expected;
            for (int i = 0; i < 4; ++i)
                expected.insert({ 5 + i * dx, 5 + i * dy });
            EXPECT_EQ(Inked(s), expected) << dx << "," << dy;
            POINT p {};
            GetCurrentPositionEx(s.dc(), &p);
            EXPECT_EQ(p.x, 5 + 4 * dx);
        }
}

TEST(Lines, OtherSlopesStepWhenTheErrorPassesTheMidpoint)
{
    Surface s(8, 4);
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 5, 2);
    EXPECT_EQ(Inked(s), (Pixels { { 0, 0 }, { 1, 0 }, { 2, 1 }, { 3, 1 }, { 4, 2 } }));
}

TEST(Lines, PolylineJointsAreDrawnOnceSoXorIsSafe)
{
    Surface s(8, 8, RGB(0, 0, 0));
    SelectObject(s.dc(), GetStockObject(WHITE_PEN));
    SetROP2(s.dc(), R2_XORPEN);
    const POINT points[] = { { 1, 1 }, { 6, 1 }, { 6, 6 }, { 1, 6 }, { 1, 1 } };
    Polyline(s.dc(), points, 5);
    // Every pixel of the square's outline exactly once: XOR leaves them all white.
    Pixels expected;
    for (int i = 1; i <= 6; ++i) {
        expected.insert({ i, 1 });
        expected.insert({ i, 6 });
        expected.insert({ 1, i });
        expected.insert({ 6, i });
    }
    EXPECT_EQ(Inked(s, RGB(0, 0, 0)), expected);
}

TEST(Lines, StyledPensRunOnAlongAPolylineAndGapsTakeTheBackgroundWhenOpaque)
{
    Surface s(40, 3);
    Selected pen(s.dc(), CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    SetBkColor(s.dc(), RGB(255, 0, 0));
    SetBkMode(s.dc(), TRANSPARENT);
    const POINT points[] = { { 0, 1 }, { 4, 1 }, { 13, 1 } };
    Polyline(s.dc(), points, 3);
    std::string row;
    for (int x = 0; x < 14; ++x)
        row += s.At(x, 1) == RGB(0, 0, 0) ? '#' : '.';
    // 3 on, 3 off, continued across the joint at x = 4; the end point is left out.
    EXPECT_EQ(row, "###...###...#.");

    SetBkMode(s.dc(), OPAQUE);
    MoveToEx(s.dc(), 0, 2, nullptr);
    LineTo(s.dc(), 8, 2);
    EXPECT_EQ(s.At(3, 2), RGB(255, 0, 0));
    EXPECT_EQ(s.At(6, 2), RGB(0, 0, 0));
}

TEST(Shapes, RectangleWithPenAndWithNullPen)
{
    Surface s(8, 8);
    Selected brush(s.dc(), CreateSolidBrush(RGB(0, 0, 255)));
    Rectangle(s.dc(), 1, 1, 6, 5);
    EXPECT_EQ(s.Map(), (std::vector<std::string> { "........", ".#####..", ".#####..", ".#####..", ".#####..",
                           "........", "........", "........" }));
    EXPECT_EQ(s.At(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(s.At(5, 4), RGB(0, 0, 0));
    EXPECT_EQ(s.At(2, 2), RGB(0, 0, 255));

    Surface n(8, 8);
    SelectObject(n.dc(), GetStockObject(NULL_PEN));
    SelectObject(n.dc(), GetStockObject(BLACK_BRUSH));
    Rectangle(n.dc(), 5, 4, 1, 1); // normalised; one pixel smaller without a pen
    EXPECT_EQ(n.Map(), (std::vector<std::string> { "........", ".###....", ".###....", "........", "........",
                           "........", "........", "........" }));
}

TEST(Shapes, FillRectAndFrameRectKeepToTheirEdgesAndIgnoreInvertedRects)
{
    Surface s(8, 6);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT frame { 1, 1, 7, 5 };
    FrameRect(s.dc(), &frame, black);
    RECT fill { 3, 2, 5, 4 };
    FillRect(s.dc(), &fill, black);
    RECT inverted { 5, 5, 2, 6 };
    FillRect(s.dc(), &inverted, black);
    EXPECT_EQ(s.Map(), (std::vector<std::string> { "........", ".######.", ".#.##.#.", ".#.##.#.", ".######.",
                           "........" }));
    // Desktop drawing leaves the top byte 0.
    EXPECT_EQ(s.Raw(3, 2), 0u);
    // A system colour index + 1 is a brush.
    RECT one { 0, 0, 1, 1 };
    FillRect(s.dc(), &one, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    EXPECT_EQ(s.At(0, 0), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(Shapes, SmallTrianglesWithPenAndBrushOfOneColour)
{
    struct Case {
        std::vector<POINT> points;
        std::vector<std::string> map;
    };
    const Case cases[] = {
        { { { 1, 1 }, { 4, 1 }, { 1, 4 } }, { "......", ".####.", ".###..", ".##...", ".#....", "......" } },
        { { { 1, 1 }, { 5, 1 }, { 3, 3 } }, { "......", ".#####", "..###.", "...#..", "......", "......" } },
        { { { 2, 1 }, { 4, 5 }, { 0, 5 } }, { "......", "..#...", ".##...", ".###..", "####..", "#####." } },
    };
    for (const Case& c : cases) {
        Surface s(6, 6);
        Selected pen(s.dc(), CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
        Selected brush(s.dc(), CreateSolidBrush(RGB(0, 0, 0)));
        Polygon(s.dc(), c.points.data(), int(c.points.size()));
        EXPECT_EQ(s.Map(), c.map);
    }
}

TEST(Shapes, PolygonRegionCoversExactlyTheNullPenFill)
{
    const POINT star[] = { { 10, 0 }, { 13, 19 }, { 0, 7 }, { 20, 7 }, { 6, 19 } };
    for (int mode : { ALTERNATE, WINDING }) {
        Surface s(24, 24);
        SelectObject(s.dc(), GetStockObject(NULL_PEN));
        SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
        SetPolyFillMode(s.dc(), mode);
        Polygon(s.dc(), star, 5);
        HRGN region = CreatePolygonRgn(star, 5, mode);
        Pixels inRegion;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                if (PtInRegion(region, x, y))
                    inRegion.insert({ x, y });
        EXPECT_EQ(Inked(s), inRegion) << mode;
        EXPECT_FALSE(inRegion.empty());
        DeleteObject(region);
    }
}

TEST(Patterns, MonochromePatternMapsZeroBitsToTheTextColourAndFollowsTheBrushOrigin)
{
    // Rows alternate 0x55 and 0xAA: a checkerboard.
    const WORD bits[8] = { 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA };
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, bits);
    HBRUSH brush = CreatePatternBrush(pattern);
    for (int origin : { 0, 1 }) {
        Surface s(4, 2);
        SetTextColor(s.dc(), RGB(255, 0, 0));
        SetBkColor(s.dc(), RGB(0, 0, 255));
        SetBrushOrgEx(s.dc(), origin, 0, nullptr);
        SelectObject(s.dc(), brush);
        PatBlt(s.dc(), 0, 0, 4, 2, PATCOPY);
        // 0x55 = 01010101: column 0 is a 0 bit -> text colour.
        const COLORREF zero = RGB(255, 0, 0);
        const COLORREF one = RGB(0, 0, 255);
        EXPECT_EQ(s.At(0, 0), origin == 0 ? zero : one);
        EXPECT_EQ(s.At(1, 0), origin == 0 ? one : zero);
        EXPECT_EQ(s.At(0, 1), origin == 0 ? one : zero);
        SelectObject(s.dc(), GetStockObject(WHITE_BRUSH));
    }
    DeleteObject(brush);
    DeleteObject(pattern);
}

TEST(Patterns, PatInvertTwiceRestoresAndHatchGapsFollowTheBackgroundMode)
{
    Surface s(16, 16);
    std::mt19937 random(7);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            s.Set(x, y, random());
    auto colours = [&] {
        std::vector<COLORREF> out;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                out.push_back(s.At(x, y));
        return out;
    };
    const std::vector<COLORREF> before = colours();
    Selected brush(s.dc(), CreateHatchBrush(HS_DIAGCROSS, RGB(10, 200, 30)));
    PatBlt(s.dc(), 0, 0, 16, 16, PATINVERT);
    EXPECT_NE(colours(), before);
    PatBlt(s.dc(), 0, 0, 16, 16, PATINVERT);
    EXPECT_EQ(colours(), before);
    EXPECT_EQ(s.Raw(3, 3) >> 24, 0u); // pattern blits write 0 in the top byte

    Surface h(8, 8);
    Selected hatch(h.dc(), CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 0)));
    SetBkMode(h.dc(), TRANSPARENT);
    RECT all { 0, 0, 8, 8 };
    FillRect(h.dc(), &all, static_cast<HBRUSH>(GetCurrentObject(h.dc(), OBJ_BRUSH)));
    EXPECT_EQ(Inked(h).size(), 8u);
    SetBkMode(h.dc(), OPAQUE);
    SetBkColor(h.dc(), RGB(1, 2, 3));
    FillRect(h.dc(), &all, static_cast<HBRUSH>(GetCurrentObject(h.dc(), OBJ_BRUSH)));
    EXPECT_EQ(h.At(0, 0), RGB(1, 2, 3));
}

TEST(RasterOps, GenericEvaluatorEqualsEveryFastPath)
{
    std::mt19937 random(42);
    for (int code = 0; code < 256; ++code)
        for (int i = 0; i < 64; ++i) {
            const DWORD p = random(), s = random(), d = random();
            ASSERT_EQ(gdi_detail::Rop3(BYTE(code), p, s, d), gdi_detail::Rop3Generic(BYTE(code), p, s, d)) << code;
        }
    // And through BitBlt: the same pixels with the fast paths switched off.
    for (DWORD rop : { SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, SRCERASE, NOTSRCCOPY, NOTSRCERASE, MERGECOPY, MERGEPAINT,
             PATPAINT, DWORD(0x00B8074A), DWORD(0x00E20746) }) {
        std::vector<DWORD> results[2];
        for (int generic = 0; generic < 2; ++generic) {
            gdi_detail::SetRop3ForceGeneric(generic != 0);
            Surface src(9, 9), dst(9, 9);
            std::mt19937 r(1);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 9; ++x) {
                    src.Set(x, y, r());
                    dst.Set(x, y, r());
                }
            Selected brush(dst.dc(), CreateSolidBrush(RGB(90, 160, 33)));
            BitBlt(dst.dc(), 0, 0, 9, 9, src.dc(), 0, 0, rop);
            results[generic] = dst.pixels();
        }
        gdi_detail::SetRop3ForceGeneric(false);
        EXPECT_EQ(results[0], results[1]) << std::hex << rop;
    }
}

TEST(Blits, MonochromeConversionsBothWays)
{
    // Colour -> 1 bpp: pixels of the source's background colour become 1 (white).
    Surface colour(4, 1);
    colour.Set(0, 0, Surface::Pixel(RGB(255, 0, 255)));
    colour.Set(1, 0, Surface::Pixel(RGB(0, 0, 0)));
    colour.Set(2, 0, Surface::Pixel(RGB(255, 0, 255)));
    colour.Set(3, 0, Surface::Pixel(RGB(255, 255, 255)));
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateCompatibleBitmap(memory, 4, 1); // a fresh memory DC makes it monochrome
    BITMAP bm {};
    GetObjectW(mask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    SelectObject(memory, mask);
    SetBkColor(colour.dc(), RGB(255, 0, 255));
    BitBlt(memory, 0, 0, 4, 1, colour.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 3, 0), RGB(0, 0, 0));

    // 1 bpp -> colour: 1 takes the destination's background colour, 0 its text colour.
    Surface out(4, 1);
    SetBkColor(out.dc(), RGB(0, 128, 0));
    SetTextColor(out.dc(), RGB(128, 0, 0));
    BitBlt(out.dc(), 0, 0, 4, 1, memory, 0, 0, SRCCOPY);
    EXPECT_EQ(out.At(0, 0), RGB(0, 128, 0));
    EXPECT_EQ(out.At(1, 0), RGB(128, 0, 0));
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(mask));
}

TEST(Blits, StretchDoublesHalvesAndMirrors)
{
    Surface src(4, 1);
    for (int x = 0; x < 4; ++x)
        src.Set(x, 0, Surface::Pixel(RGB(x * 10, 0, 0)));
    auto row = [](const Surface& s) {
        std::vector<int> out;
        for (int x = 0; x < s.width(); ++x)
            out.push_back(GetRValue(s.At(x, 0)));
        return out;
    };
    Surface twice(8, 1);
    StretchBlt(twice.dc(), 0, 0, 8, 1, src.dc(), 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(row(twice), (std::vector<int> { 0, 0, 10, 10, 20, 20, 30, 30 }));
    Surface half(2, 1);
    StretchBlt(half.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(row(half), (std::vector<int> { 10, 30 }));
    Surface mirrored(4, 1);
    StretchBlt(mirrored.dc(), 4, 0, -4, 1, src.dc(), 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(row(mirrored), (std::vector<int> { 30, 20, 10, 0 }));
    // SRCCOPY keeps the source's top byte.
    src.Set(0, 0, 0x80112233);
    BitBlt(mirrored.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(mirrored.Raw(0, 0), 0x80112233u);
}

TEST(Blits, TransparentBltSkipsTheKeyColourBlackOrNot)
{
    for (COLORREF key : { RGB(0, 0, 0), RGB(255, 0, 255) }) {
        Surface src(3, 1);
        src.Set(0, 0, Surface::Pixel(key) | 0x7F000000); // the top byte does not count
        src.Set(1, 0, Surface::Pixel(RGB(1, 2, 3)));
        src.Set(2, 0, Surface::Pixel(key));
        Surface dst(6, 2, RGB(9, 9, 9));
        TransparentBlt(dst.dc(), 0, 0, 6, 2, src.dc(), 0, 0, 3, 1, key);
        EXPECT_EQ(dst.At(0, 0), RGB(9, 9, 9));
        EXPECT_EQ(dst.At(2, 1), RGB(1, 2, 3));
        EXPECT_EQ(dst.At(3, 0), RGB(1, 2, 3));
        EXPECT_EQ(dst.At(5, 1), RGB(9, 9, 9));
    }
}

TEST(Blits, AlphaBlendPerPixelAndConstant)
{
    Surface src(1, 1);
    src.Set(0, 0, (128u << 24) | Surface::Pixel(RGB(0, 50, 100)));
    Surface dst(2, 1);
    BLENDFUNCTION perPixel { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 1, 1, perPixel));
    EXPECT_EQ(dst.At(0, 0), RGB(127, 177, 227));
    BLENDFUNCTION constant { AC_SRC_OVER, 0, 128, 0 };
    src.Set(0, 0, Surface::Pixel(RGB(0, 0, 0)));
    AlphaBlend(dst.dc(), 1, 0, 1, 1, src.dc(), 0, 0, 1, 1, constant);
    EXPECT_EQ(dst.At(1, 0), RGB(127, 127, 127)); // 255 + (0 - 255) * 128 / 255, truncated
    // A source rectangle outside the bitmap fails.
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 2, 1, perPixel));
}

TEST(Blits, GradientFillFirstAndLastColumns)
{
    Surface s(10, 2);
    TRIVERTEX v[2] = { { 0, 0, 0xFF00, 0, 0, 0 }, { 10, 2, 0, 0, 0xFF00, 0 } };
    GRADIENT_RECT r { 0, 1 };
    ASSERT_TRUE(GradientFill(s.dc(), v, 2, &r, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(s.At(9, 1), RGB(25, 0, 229)); // (0xFF00 * 1 + 0 * 9) / 10 -> 0x1980 -> 25
    EXPECT_EQ(s.At(5, 0), RGB(127, 0, 127));
}

TEST(Bitmaps, DibSectionsShareMemoryWithDrawingAtEveryDepth)
{
    struct Case {
        int bpp;
        int height;
    };
    for (Case c : { Case { 32, 4 }, Case { 32, -4 }, Case { 24, 4 }, Case { 8, -4 }, Case { 4, 4 }, Case { 1, 4 },
             Case { 16, 4 } }) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colors[256];
        } info {};
        info.h = { sizeof(BITMAPINFOHEADER), 4, c.height, 1, WORD(c.bpp), BI_RGB, 0, 0, 0, 0, 0 };
        const int count = c.bpp <= 8 ? 1 << c.bpp : 0;
        for (int i = 0; i < count; ++i)
            info.colors[i] = { BYTE(i == 1 ? 255 : 0), 0, BYTE(i == 1 ? 255 : 0), 0 };
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, nullptr) << c.bpp;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, dib);
        SetPixel(dc, 0, 0, RGB(255, 0, 255));
        SelectObject(dc, old); // written back at deselection
        const BYTE* b = static_cast<const BYTE*>(bits);
        const int stride = ((4 * c.bpp + 31) / 32) * 4;
        const BYTE* topRow = c.height > 0 ? b + 3 * stride : b;
        switch (c.bpp) {
        case 32:
        case 24:
            EXPECT_EQ(topRow[0], 255) << c.bpp;
            EXPECT_EQ(topRow[1], 0) << c.bpp;
            EXPECT_EQ(topRow[2], 255) << c.bpp;
            break;
        case 16:
            EXPECT_EQ(topRow[0] | (topRow[1] << 8), 0x7C1F);
            break;
        default:
            EXPECT_EQ(topRow[0] >> (8 - c.bpp), 1) << c.bpp; // palette entry 1 is magenta
            break;
        }
        DeleteDC(dc);
        EXPECT_TRUE(DeleteObject(dib));
    }
}

TEST(Bitmaps, BitfieldMasksInsideALargerHeaderAreTheOnesUsed)
{
    // A 124-byte header (the largest form) with the masks at bytes 40..51, red in the low byte and
    // blue in the third: the bytes right after the header are a decoy that must not be read.
    for (DWORD headerSize : { 52u, 56u, 108u, 124u }) {
        std::vector<DWORD> info((headerSize + 12) / 4, 0);
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        *h = { headerSize, 2, -1, 1, 32, BI_BITFIELDS, 0, 0, 0, 0, 0 };
        info[10] = 0x000000FF;
        info[11] = 0x0000FF00;
        info[12] = 0x00FF0000;
        info[headerSize / 4] = 0x00FF0000; // a reader of the masks after the header takes these
        info[headerSize / 4 + 1] = 0x000000FF;
        info[headerSize / 4 + 2] = 0x0000FF00;
        const DWORD pixels[2] = { 0x00326496, 0x000000FF }; // R = 0x96, G = 0x64, B = 0x32; pure red
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(dib, nullptr) << headerSize;
        std::memcpy(bits, pixels, sizeof(pixels));
        HBITMAP target = CreateBitmap(2, 1, 1, 32, nullptr);
        ASSERT_EQ(SetDIBits(nullptr, target, 0, 1, pixels, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS), 1);
        for (HBITMAP bitmap : { dib, target }) {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, bitmap);
            EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x96, 0x64, 0x32)) << headerSize;
            EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 0, 0)) << headerSize;
            SelectObject(dc, old);
            DeleteDC(dc);
        }
        DeleteObject(dib);
        DeleteObject(target);
    }
    // Between 40 and 52 bytes the masks would overlap the header's end: refused.
    std::vector<DWORD> odd(16, 0);
    *reinterpret_cast<BITMAPINFOHEADER*>(odd.data()) = { 44, 2, 1, 1, 32, BI_BITFIELDS, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(odd.data()), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Bitmaps, GetDIBitsPutsTheColourTableAfterTheCallersHeader)
{
    // A palette written at byte 40 would overwrite the rest of a larger header.
    HBITMAP bitmap = CreateBitmap(2, 1, 1, 32, nullptr);
    for (DWORD headerSize : { 40u, 108u, 124u }) {
        std::vector<BYTE> info(headerSize + 256 * sizeof(RGBQUAD), 0xAB);
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
        *h = { headerSize, 2, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0 };
        BYTE bits[4] {};
        ASSERT_EQ(GetDIBits(nullptr, bitmap, 0, 1, bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS), 1) << headerSize;
        for (DWORD i = sizeof(BITMAPINFOHEADER); i < headerSize; ++i)
            ASSERT_EQ(info[i], 0xAB) << headerSize << " byte " << i;
        const auto* table = reinterpret_cast<const RGBQUAD*>(info.data() + headerSize);
        EXPECT_EQ(table[0].rgbRed | table[0].rgbGreen | table[0].rgbBlue, 0) << headerSize; // black first
        EXPECT_EQ(table[15].rgbRed & table[15].rgbGreen & table[15].rgbBlue, 255) << headerSize; // the sixteenth is white
    }
    DeleteObject(bitmap);
}

TEST(Bitmaps, SelectedObjectsCannotBeDeletedAndStaleHandlesFail)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(dc, bitmap);
    SelectObject(dc, pen);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(pen));
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr); // one context at a time
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    DeleteDC(other);
}
