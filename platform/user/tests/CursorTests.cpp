// The system cursors: real AND/XOR masks with their hot spots, one shared handle per shape, and
// the current cursor recorded. VORNALT_UPDATE_GOLDENS=1 rewrites tests/data/cursors.png.

#include "WindowTestSupport.h"

#include "platform/gdi/Icon.h"
#include "platform/gdi/tests/PixelTestSupport.h"
#include "platform/user/Cursors.h"

using gdi_test::MatchesGolden;
using gdi_test::Surface;

namespace {

struct Masks {
    std::vector<std::string> andMask, xorMask; // '1' set, '0' clear
    POINT hot;
};

Masks Read(HCURSOR cursor)
{
    ICONINFO info {};
    EXPECT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.hbmColor, nullptr); // monochrome: both masks in one bitmap
    BITMAP bm {};
    GetObjectW(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmMask);
    Masks m { {}, {}, { LONG(info.xHotspot), LONG(info.yHotspot) } };
    for (int y = 0; y < 64; ++y) {
        std::string row;
        for (int x = 0; x < 32; ++x)
            row += GetPixel(dc, x, y) == RGB(0, 0, 0) ? '0' : '1';
        (y < 32 ? m.andMask : m.xorMask).push_back(row);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    return m;
}

const LPCWSTR kCursors[] = { IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_SIZEALL, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE,
    IDC_SIZENS, IDC_NO, IDC_HAND, IDC_APPSTARTING, IDC_HELP };

TEST(Cursors, EachSystemCursorHasMasksAndAHotSpotOnItsInk)
{
    for (LPCWSTR id : kCursors) {
        SCOPED_TRACE(reinterpret_cast<ULONG_PTR>(id));
        HCURSOR c = LoadCursorW(nullptr, id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(LoadCursorW(nullptr, id), c); // shared
        const Masks m = Read(c);
        // Some pixels draw (opaque or inverting), most show the screen; the hot spot is on or
        // beside the shape.
        int ink = 0;
        for (size_t y = 0; y < 32; ++y)
            for (size_t x = 0; x < 32; ++x)
                ink += m.andMask[y][x] == '0' || m.xorMask[y][x] == '1';
        EXPECT_GT(ink, 10);
        EXPECT_LT(ink, 32 * 32 / 2);
        bool near = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = m.hot.x + dx;
                const int y = m.hot.y + dy;
                if (x >= 0 && y >= 0 && x < 32 && y < 32 && (m.andMask[size_t(y)][size_t(x)] == '0' || m.xorMask[size_t(y)][size_t(x)] == '1'))
                    near = true;
            }
        EXPECT_TRUE(near);
    }
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(32767)), nullptr);
}

TEST(Cursors, TheArrowIsBlackRimmedWhiteWithItsTipAtTheHotSpot)
{
    const Masks m = Read(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(m.hot.x, 0);
    EXPECT_EQ(m.hot.y, 0);
    // AND 0 + XOR 0 black, AND 0 + XOR 1 white, AND 1 + XOR 0 the screen.
    EXPECT_EQ(m.andMask[0].substr(0, 3), "011");
    EXPECT_EQ(m.xorMask[0].substr(0, 3), "000");
    EXPECT_EQ(m.andMask[3].substr(0, 5), "00001");
    EXPECT_EQ(m.xorMask[3].substr(0, 5), "01100");
    // The I-beam inverts what is beneath it.
    const Masks beam = Read(LoadCursorW(nullptr, IDC_IBEAM));
    EXPECT_EQ(beam.andMask[size_t(beam.hot.y)][size_t(beam.hot.x)], '1');
    EXPECT_EQ(beam.xorMask[size_t(beam.hot.y)][size_t(beam.hot.x)], '1');
}

TEST(Cursors, SetCursorRecordsTheCurrentShape)
{
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(wait), arrow);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_EQ(SetCursor(nullptr), wait);
    EXPECT_EQ(GetCursor(), nullptr);
}

TEST(Cursors, AllOfThemAsAPicture)
{
    // Each cursor over a light and a dark square, hot spot marked in red beside it.
    Surface s(13 * 36, 2 * 36, RGB(236, 233, 216));
    HBRUSH dark = CreateSolidBrush(RGB(0, 78, 152));
    for (int i = 0; i < 13; ++i) {
        RECT lower { i * 36, 36, i * 36 + 36, 72 };
        FillRect(s.dc(), &lower, dark);
        HCURSOR c = LoadCursorW(nullptr, kCursors[i]);
        for (int row = 0; row < 2; ++row)
            DrawIconEx(s.dc(), i * 36 + 2, row * 36 + 2, c, 0, 0, 0, nullptr, DI_NORMAL);
        ICONINFO info {};
        GetIconInfo(c, &info);
        DeleteObject(info.hbmMask);
        s.Set(i * 36 + 1, int(info.yHotspot) + 2, 0x00FF0000);
        s.Set(i * 36 + 2 + int(info.xHotspot), 1, 0x00FF0000);
    }
    DeleteObject(dark);
    EXPECT_TRUE(MatchesGolden(s, "cursors"));
}

} // namespace
