// Regions, clipping of every primitive, mirrored contexts and the classic draw helpers.

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <cmath>
#include <functional>

using namespace gdi_test;

TEST(Regions, CombineKindsAndBandOrder)
{
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    struct Case {
        int mode;
        int kind;
        int area;
    };
    for (Case c : { Case { RGN_AND, SIMPLEREGION, 25 }, Case { RGN_OR, COMPLEXREGION, 175 },
             Case { RGN_XOR, COMPLEXREGION, 150 }, Case { RGN_DIFF, COMPLEXREGION, 75 }, Case { RGN_COPY, SIMPLEREGION, 100 } }) {
        EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.kind) << c.mode;
        const DWORD size = GetRegionData(out, 0, nullptr);
        std::vector<char> buffer(size);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        ASSERT_EQ(GetRegionData(out, size, data), size);
        const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
        int area = 0;
        for (DWORD i = 0; i < data->rdh.nCount; ++i) {
            area += (rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
            if (i > 0) { // band order: top to bottom, then left to right
                EXPECT_TRUE(rects[i].top > rects[i - 1].top
                    || (rects[i].top == rects[i - 1].top && rects[i].left >= rects[i - 1].right));
            }
        }
        EXPECT_EQ(area, c.area) << c.mode;
    }
    EXPECT_EQ(CombineRgn(out, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(OffsetRgn(b, -5, -5), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(a, b));
    RECT box {};
    EXPECT_EQ(GetRgnBox(b, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 10);
    EXPECT_TRUE(PtInRegion(a, 9, 9));
    EXPECT_FALSE(PtInRegion(a, 10, 9)); // right and bottom are outside
    for (HRGN r : { a, b, out })
        DeleteObject(r);
}

TEST(Regions, EveryPrimitiveStaysInsideTheClip)
{
    // A round rectangle united with a triangle.
    HRGN round = CreateRoundRectRgn(4, 4, 30, 24, 12, 12);
    const POINT triangle[] = { { 20, 10 }, { 38, 38 }, { 2, 38 } };
    HRGN tri = CreatePolygonRgn(triangle, 3, ALTERNATE);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(clip, round, tri, RGN_OR);
    HBITMAP pattern = CreateBitmap(8, 8, 1, 32, nullptr);
    HRGN whole = CreateRectRgn(-5, -5, 50, 50);
    HICON icon = nullptr;
    {
        std::vector<DWORD> bits(16 * 16, 0x00FF0000);
        HBITMAP color = CreateBitmap(16, 16, 1, 32, bits.data());
        HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
        ICONINFO info { TRUE, 0, 0, mask, color };
        icon = CreateIconIndirect(&info);
        DeleteObject(color);
        DeleteObject(mask);
    }
    Surface source(40, 40, RGB(0, 0, 0));
    const std::vector<std::pair<const char*, std::function<void(HDC)>>> primitives = {
        { "lines", [](HDC dc) { for (int i = 0; i < 40; i += 3) { MoveToEx(dc, 0, i, nullptr); LineTo(dc, 40, 39 - i); } } },
        { "wide", [](HDC dc) { HPEN p = CreatePen(PS_SOLID, 5, 0); HGDIOBJ o = SelectObject(dc, p); MoveToEx(dc, 0, 0, nullptr); LineTo(dc, 39, 39); SelectObject(dc, o); DeleteObject(p); } },
        { "rectangle", [](HDC dc) { Rectangle(dc, -3, -3, 45, 45); } },
        { "ellipse", [](HDC dc) { Ellipse(dc, 0, 0, 40, 40); } },
        { "polygon", [](HDC dc) { const POINT p[] = { { 0, 0 }, { 40, 5 }, { 10, 40 } }; Polygon(dc, p, 3); } },
        { "fill", [](HDC dc) { RECT r { 0, 0, 40, 40 }; FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); } },
        { "patblt", [](HDC dc) { PatBlt(dc, 0, 0, 40, 40, BLACKNESS); } },
        { "bitblt", [&](HDC dc) { BitBlt(dc, 0, 0, 40, 40, source.dc(), 0, 0, SRCCOPY); } },
        { "stretch", [&](HDC dc) { StretchBlt(dc, 0, 0, 40, 40, source.dc(), 0, 0, 20, 20, NOTSRCCOPY ^ 0x00FF0000 ^ 0x00CC0000); } },
        { "alpha", [&](HDC dc) { AlphaBlend(dc, 0, 0, 40, 40, source.dc(), 0, 0, 40, 40, { AC_SRC_OVER, 0, 200, 0 }); } },
        { "transparent", [&](HDC dc) { TransparentBlt(dc, 0, 0, 40, 40, source.dc(), 0, 0, 40, 40, RGB(1, 2, 3)); } },
        { "gradient", [](HDC dc) { TRIVERTEX v[2] = { { 0, 0, 0, 0, 0, 0 }, { 40, 40, 0x8000, 0, 0, 0 } }; GRADIENT_RECT g { 0, 1 }; GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V); } },
        { "text", [](HDC dc) { for (int y = 0; y < 40; y += 8) TextOutW(dc, -2, y, u"WWWWWWWW", 8); } },
        { "drawtext", [](HDC dc) { RECT r { 0, 0, 40, 40 }; DrawTextW(dc, u"Mmm mmm mmm mmm mmm mmm", -1, &r, DT_WORDBREAK); } },
        { "pixels", [](HDC dc) { for (int i = 0; i < 40; ++i) SetPixel(dc, i, i, 0); } },
        { "region", [&](HDC dc) { FillRgn(dc, whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); } },
        { "invert", [](HDC dc) { RECT r { 0, 0, 40, 40 }; InvertRect(dc, &r); } },
        { "edge", [](HDC dc) { RECT r { 0, 0, 40, 40 }; DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE); } },
        { "frame control", [](HDC dc) { RECT r { 0, 0, 40, 40 }; DrawFrameControl(dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE); } },
        { "focus", [](HDC dc) { RECT r { 5, 5, 35, 30 }; DrawFocusRect(dc, &r); } },
        { "icon", [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, 40, 40, 0, nullptr, DI_NORMAL); } },
        { "flood", [](HDC dc) { ExtFloodFill(dc, 20, 30, RGB(255, 255, 255), FLOODFILLSURFACE); } },
    };
    for (const auto& [name, draw] : primitives) {
        Surface s(40, 40);
        SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
        SelectClipRgn(s.dc(), clip);
        draw(s.dc());
        int inside = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                if (s.At(x, y) == RGB(255, 255, 255))
                    continue;
                if (PtInRegion(clip, x, y))
                    ++inside;
                else
                    ADD_FAILURE() << name << " drew (" << x << ", " << y << ") outside the clip";
            }
        EXPECT_GT(inside, 0) << name;
    }
    DestroyIcon(icon);
    for (HGDIOBJ o : std::initializer_list<HGDIOBJ> { round, tri, clip, pattern, whole })
        DeleteObject(o);
}

TEST(Regions, ClipRectanglesExcludeAndRestore)
{
    Surface s(10, 10);
    SaveDC(s.dc());
    IntersectClipRect(s.dc(), 2, 2, 8, 8);
    EXPECT_EQ(ExcludeClipRect(s.dc(), 4, 4, 6, 6), COMPLEXREGION);
    EXPECT_EQ(GetPixel(s.dc(), 5, 5), CLR_INVALID);
    EXPECT_EQ(GetPixel(s.dc(), 3, 3), RGB(255, 255, 255));
    PatBlt(s.dc(), 0, 0, 10, 10, BLACKNESS);
    EXPECT_EQ(s.At(3, 3), RGB(0, 0, 0));
    EXPECT_EQ(s.At(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(s.At(1, 1), RGB(255, 255, 255));
    RestoreDC(s.dc(), -1);
    EXPECT_EQ(GetPixel(s.dc(), 5, 5), RGB(255, 255, 255));
}

namespace {

// The menu tick of the toolkit: two lines through three points, and again one pixel lower.
void Tick(HDC dc, const RECT& r, bool rtl)
{
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    for (int dy = 0; dy < 2; ++dy) {
        if (!rtl) {
            MoveToEx(dc, x - 4, y - 1 + dy, nullptr);
            LineTo(dc, x - 2, y + 1 + dy);
            LineTo(dc, x + 3, y - 4 + dy);
        } else {
            MoveToEx(dc, x - 4, y - 3 + dy, nullptr);
            LineTo(dc, x, y + 1 + dy);
            LineTo(dc, x + 3, y - 2 + dy);
        }
    }
}

} // namespace

TEST(Mirroring, MenuTickKeepsItsShortArmOnTheLeft)
{
    const RECT r { 0, 0, 16, 16 };
    Surface plain(16, 16);
    Tick(plain.dc(), r, false);
    EXPECT_TRUE(MatchesGolden(plain, "menu_tick"));
    Surface mirrored(16, 16);
    SetLayout(mirrored.dc(), LAYOUT_RTL);
    Tick(mirrored.dc(), r, true);
    EXPECT_TRUE(MatchesGolden(mirrored, "menu_tick_rtl"));
    // On screen the short arm of both is on the left: the lowest ink lies left of centre.
    for (const Surface* s : { &plain, &mirrored }) {
        int lowestX = -1;
        for (int y = 0; y < 16 && lowestX < 0; ++y)
            for (int x = 0; x < 16; ++x)
                if (s->At(x, 15 - y) != RGB(255, 255, 255)) {
                    lowestX = x;
                    break;
                }
        EXPECT_LT(lowestX, 8);
    }
    // Logical column c of a mirrored context is device column width - 1 - c.
    SetPixel(mirrored.dc(), 0, 0, RGB(1, 2, 3));
    EXPECT_EQ(mirrored.At(15, 0), RGB(1, 2, 3));
    RECT fill { 0, 15, 3, 16 };
    FillRect(mirrored.dc(), &fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(mirrored.At(13, 15), RGB(0, 0, 0));
    EXPECT_EQ(mirrored.At(12, 15), RGB(255, 255, 255));
}

TEST(DrawHelpers, RadioDotAndAntialiasedDiscFromTheirFormulas)
{
    // The square of side 6 centred in the rectangle, r = 2.25, blended by distance.
    auto radioDot = [](HDC dc, const RECT& rect, COLORREF color) {
        const double cx = (rect.left + rect.right) / 2.0;
        const double cy = (rect.top + rect.bottom) / 2.0;
        const double r = 2.25;
        for (int y = int(cy) - 4; y <= int(cy) + 4; ++y)
            for (int x = int(cx) - 4; x <= int(cx) + 4; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d < r - 1) {
                    SetPixel(dc, x, y, color);
                } else if (d <= r + 1) {
                    const COLORREF other = GetPixel(dc, x, y);
                    const double w = d < r ? r - d : d - r;
                    const COLORREF edge = color;
                    const COLORREF fill = d < r ? color : other;
                    auto mix = [&](int e, int o) { return BYTE(e + w * (o - e)); };
                    SetPixel(dc, x, y, RGB(mix(GetRValue(edge), GetRValue(fill)), mix(GetGValue(edge), GetGValue(fill)),
                                           mix(GetBValue(edge), GetBValue(fill))));
                }
            }
    };
    Surface s(24, 12);
    radioDot(s.dc(), { 0, 0, 12, 12 }, RGB(0, 0, 0));
    radioDot(s.dc(), { 12, 0, 24, 12 }, RGB(200, 0, 0));
    EXPECT_TRUE(MatchesGolden(s, "radio_dots"));
    EXPECT_EQ(s.At(6, 6), RGB(0, 0, 0));
    EXPECT_EQ(s.At(0, 0), RGB(255, 255, 255));
}

TEST(DrawHelpers, FocusRectangleInvertsEveryOtherPixelAndErasesItself)
{
    Surface s(8, 6);
    const std::vector<DWORD> before = s.pixels();
    RECT r { 1, 1, 7, 5 };
    DrawFocusRect(s.dc(), &r);
    EXPECT_EQ(s.Map(), (std::vector<std::string> { "........", ".#.#.#..", "......#.", ".#......", "..#.#.#.", "........" }));
    DrawFocusRect(s.dc(), &r);
    EXPECT_EQ(s.pixels(), before);
}

TEST(DrawHelpers, EdgesAndFrameControlsInTheClassicColours)
{
    ScopedSystemModel model;
    model.UseClassicColors();
    Surface s(60, 20);
    RECT edge { 0, 0, 20, 20 };
    DrawEdge(s.dc(), &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(edge.left, 2);
    EXPECT_EQ(edge.right, 18);
    EXPECT_EQ(s.At(0, 5), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(s.At(1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(19, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(s.At(18, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(10, 10), GetSysColor(COLOR_BTNFACE));
    RECT check { 20, 0, 33, 13 };
    DrawFrameControl(s.dc(), &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    RECT radio { 34, 0, 47, 13 };
    DrawFrameControl(s.dc(), &radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    RECT close { 47, 0, 60, 13 };
    DrawFrameControl(s.dc(), &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    EXPECT_TRUE(MatchesGolden(s, "edge_and_frame_controls"));
}

TEST(DrawHelpers, DrawStateEmbossesAndMonoDrawsTheSilhouette)
{
    ScopedSystemModel model;
    model.UseClassicColors();
    std::vector<DWORD> bits(4 * 4, 0x00FFFFFF);
    bits[5] = 0x00102030; // one dark pixel at (1, 1)
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, bits.data());
    Surface s(10, 5, RGB(0, 0, 255));
    DrawStateW(s.dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 0, 0, 0, 0, DST_BITMAP | DSS_DISABLED);
    EXPECT_EQ(s.At(2, 2), GetSysColor(COLOR_3DHIGHLIGHT));
    EXPECT_EQ(s.At(1, 1), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(s.At(0, 0), RGB(0, 0, 255)); // white pixels are left alone
    HBRUSH brush = CreateSolidBrush(RGB(0, 200, 0));
    DrawStateW(s.dc(), brush, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, 5, 0, 4, 4, DST_BITMAP | DSS_MONO);
    EXPECT_EQ(s.At(6, 1), RGB(0, 200, 0));
    EXPECT_EQ(s.At(7, 1), RGB(0, 0, 255));
    DeleteObject(brush);
    DeleteObject(bitmap);
}
