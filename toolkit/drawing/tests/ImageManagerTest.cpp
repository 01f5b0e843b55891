#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Pixel {
    BYTE blue, green, red, alpha;
    bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p)
{
    return out << "(b " << int(p.blue) << ", g " << int(p.green) << ", r " << int(p.red) << ", a " << int(p.alpha)
               << ")";
}

// A 32-bit section of cx x cy whose pixel (x, y), counted from the top, is fill(x, y).
template <class Fill>
HBITMAP Bitmap32(int cx, int cy, Fill fill)
{
    BYTE* bits = nullptr;
    HBITMAP bitmap = CreateDibSection32(nullptr, cx, cy, &bits);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            const Pixel p = fill(x, y);
            std::memcpy(bits + (std::size_t(cy - 1 - y) * cx + x) * 4, &p, 4);
        }
    return bitmap;
}

Pixel PixelOf(HBITMAP bitmap, int x, int y)
{
    DIBSECTION section {};
    GetObjectW(bitmap, sizeof section, &section);
    const int height = std::abs(section.dsBmih.biHeight), width = section.dsBmih.biWidth;
    Pixel p {};
    std::memcpy(&p, static_cast<BYTE*>(section.dsBm.bmBits) + (std::size_t(height - 1 - y) * width + x) * 4, 4);
    return p;
}

// A 24-bit strip: button i is filled with colour (10 * i, 0, 0) around a key-coloured corner.
HBITMAP Strip24(int buttons, int size, COLORREF key)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), buttons * size, size, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    for (int x = 0; x < buttons * size; ++x)
        for (int y = 0; y < size; ++y)
            SetPixel(dc, x, y, (x % size == 0 && y == 0) ? key : RGB(BYTE(10 * (x / size) + 5), 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    return strip;
}

// Surface DC over a fresh 32-bit section filled with one colour.
struct Canvas {
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ old;
    Canvas(int cx, int cy, Pixel fill)
    {
        bitmap = Bitmap32(cx, cy, [&](int, int) { return fill; });
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

HICON SolidIcon(int cx, int cy, COLORREF color)
{
    HBITMAP image = Bitmap32(cx, cy, [&](int, int) { return Pixel { GetBValue(color), GetGValue(color), GetRValue(color), 255 }; });
    HBITMAP mask = CreateBitmap(cx, cy, 1, 1, nullptr); // all 0: opaque
    ICONINFO info { TRUE, 0, 0, mask, image };
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(image);
    DeleteObject(mask);
    return icon;
}

struct ModuleReset {
    ~ModuleReset() { platform::modules::Reset(); }
};

} // namespace

TEST(ImageManager, StripOf24BitButtonsBecomesOneIconPerId)
{
    CJQWImageManager manager;
    const COLORREF key = RGB(255, 0, 255);
    HBITMAP strip = Strip24(10, 16, key);
    const UINT ids[10] = { 100, 101, 102, 103, 104, 105, 106, 107, 108, 109 };
    ASSERT_TRUE(manager.SetIconsFromBitmap(strip, ids, 10, CSize(0, 0), jqwImageNormal, FALSE));
    for (int i = 0; i < 10; ++i) {
        CJQWImageManagerIcon* icon = manager.GetImage(ids[i], 16);
        ASSERT_NE(icon, nullptr) << i;
        EXPECT_EQ(icon->GetExtent(), CSize(16, 16));
    }
    // Drawn over white: the key-coloured corner is transparent, the rest is the button's colour.
    Canvas canvas(16, 16, { 255, 255, 255, 255 });
    manager.GetImage(103, 16)->DrawNormalImage(canvas.dc, 0, 0);
    EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 5, 5), RGB(35, 0, 0));
    DeleteObject(strip);

    HBITMAP odd = Bitmap32(100, 16, [](int, int) { return Pixel { 1, 2, 3, 255 }; });
    EXPECT_FALSE(manager.SetIconsFromBitmap(odd, nullptr, 0, CSize(16, 16), jqwImageNormal, TRUE));
    DeleteObject(odd);
}

TEST(ImageManager, ZeroIdsSkipPiecesOnlyWhenCountsDiffer)
{
    CJQWImageManager manager;
    const UINT ids[3] = { 10, 0, 11 };
    HBITMAP two = Bitmap32(32, 16, [](int x, int) { return Pixel { BYTE(x < 16 ? 1 : 2), 0, 0, 255 }; });
    ASSERT_TRUE(manager.SetIconsFromBitmap(two, ids, 3, CSize(16, 16), jqwImageNormal, TRUE));
    EXPECT_EQ(PixelOf(manager.GetImage(10, 16)->GetNormalImage().GetBitmap(), 0, 0).blue, 1);
    EXPECT_EQ(PixelOf(manager.GetImage(11, 16)->GetNormalImage().GetBitmap(), 0, 0).blue, 2);
    EXPECT_EQ(manager.FindIconSet(0), nullptr);
    DeleteObject(two);

    // Three images for three ids: the 0 takes image 1.
    CJQWImageManager other;
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 1);
    for (COLORREF c : { RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0) }) {
        HICON icon = SolidIcon(16, 16, c);
        ImageList_AddIcon(list, icon);
        DestroyIcon(icon);
    }
    ASSERT_TRUE(other.SetIconsFromImageList(list, ids, 3, CSize(0, 0)));
    ASSERT_NE(other.FindIconSet(0), nullptr);
    Canvas canvas(16, 16, { 255, 255, 255, 255 });
    other.GetImage(0, 16)->DrawNormalImage(canvas.dc, 0, 0);
    EXPECT_EQ(GetPixel(canvas.dc, 3, 3), RGB(2, 0, 0));
    other.GetImage(11, 16)->DrawNormalImage(canvas.dc, 0, 0);
    EXPECT_EQ(GetPixel(canvas.dc, 3, 3), RGB(3, 0, 0));
    ImageList_Destroy(list);
}

TEST(ImageManager, WidthLookupAndStoringRules)
{
    CJQWImageManager manager;
    HICON small = SolidIcon(16, 16, RGB(1, 1, 1)), large = SolidIcon(32, 32, RGB(2, 2, 2));
    EXPECT_FALSE(manager.SetIcon(CJQWIconImageHandle(small), 7, CSize(0, 0), jqwImageHot));
    EXPECT_EQ(manager.FindIconSet(7), nullptr);
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(small), 7));
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(large), 7));
    struct Case {
        int width;
        int found; // 0: none
    };
    for (const Case& c : { Case { 20, 16 }, Case { 0, 16 }, Case { 1, 32 }, Case { 32, 32 }, Case { 40, 32 } })
        EXPECT_EQ(manager.GetImage(7, c.width)->GetWidth(), c.found) << c.width;
    const int equal = manager.GetImage(7, 24)->GetWidth();
    EXPECT_TRUE(equal == 16 || equal == 32);
    EXPECT_FALSE(manager.HasIcon(7, 24));
    EXPECT_TRUE(manager.HasIcon(7, 0));
    EXPECT_EQ(manager.GetImage(8, 16), nullptr);

    // A new normal image drops the other states and every icon's generated images.
    CJQWImageManagerIcon* icon = manager.GetImage(7, 16);
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(large), 7, CSize(16, 16), jqwImageHot));
    EXPECT_NE(icon->GetHotImage().GetIcon(), icon->GetNormalImage().GetIcon());
    manager.GetImage(7, 32)->GetFadedImage();
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(small), 7, CSize(16, 16)));
    EXPECT_EQ(icon->GetHotImage().GetIcon(), icon->GetNormalImage().GetIcon());
    EXPECT_EQ(icon->GetPressedImage().GetIcon(), icon->GetNormalImage().GetIcon());

    EXPECT_EQ(manager.AddCustomIcon(CJQWIconImageHandle(small)), 0x10AABu);
    EXPECT_EQ(manager.AddCustomIcon(CJQWIconImageHandle(small)), 0x10AACu);
    DestroyIcon(small);
    DestroyIcon(large);
}

TEST(ImageManager, DrawingSizesAndAlphaCropping)
{
    CJQWImageManager manager;
    HICON icon = SolidIcon(16, 15, RGB(9, 9, 9));
    manager.SetIcon(CJQWIconImageHandle(icon), 1);
    DestroyIcon(icon);
    Canvas canvas(40, 40, { 255, 255, 255, 255 });
    manager.GetImage(1, 16)->Draw(canvas.dc, 0, 0, const_cast<CJQWIconImageHandle&>(manager.GetImage(1, 16)->GetNormalImage()), 24);
    EXPECT_EQ(GetPixel(canvas.dc, 23, 21), RGB(9, 9, 9));   // 24 x 22
    EXPECT_EQ(GetPixel(canvas.dc, 23, 22), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 24, 0), RGB(255, 255, 255));

    // An alpha image whose rows are numbered by their blue value.
    HBITMAP rows = Bitmap32(16, 16, [](int, int y) { return Pixel { BYTE(y), 0, 0, 255 }; });
    manager.SetIcon(CJQWIconImageHandle(rows), 2);
    DeleteObject(rows);
    CJQWImageManagerIcon* alpha = manager.GetImage(2, 16);
    ASSERT_TRUE(alpha->IsAlphaIcon());
    auto& normal = const_cast<CJQWIconImageHandle&>(alpha->GetNormalImage());
    Canvas top(16, 16, { 200, 200, 200, 255 });
    alpha->Draw(top.dc, 0, -16, normal);
    EXPECT_EQ(GetPixel(top.dc, 0, 0), RGB(200, 200, 200));
    alpha->Draw(top.dc, 0, -4, normal);
    EXPECT_EQ(GetPixel(top.dc, 0, 0), RGB(0, 0, 4));   // source row 4 at the top
    EXPECT_EQ(GetPixel(top.dc, 0, 11), RGB(0, 0, 15));
    EXPECT_EQ(GetPixel(top.dc, 0, 12), RGB(200, 200, 200));
}

TEST(ImageManager, SoftwareBlitsWhenTheModuleLacksThem)
{
    ModuleReset reset;
    platform::modules::RemoveExport(u"msimg32.dll", "AlphaBlend");
    platform::modules::RemoveExport(u"msimg32.dll", "TransparentBlt");
    CJQWImageManager manager;
    HBITMAP source = Bitmap32(2, 2, [](int, int) { return Pixel { 100, 50, 0, 128 }; });
    HDC sourceDC = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(sourceDC, source);
    Canvas white(2, 2, { 255, 255, 255, 255 });
    ASSERT_TRUE(manager.AlphaBlit(white.dc, CRect(0, 0, 2, 2), sourceDC, CRect(0, 0, 2, 2)));
    EXPECT_EQ(PixelOf(white.bitmap, 1, 1), (Pixel { 227, 177, 127, 0 }));
    SelectObject(sourceDC, old);
    DeleteObject(source);

    // Transparent blits: black and another key colour give the same picture.
    auto blit = [&](COLORREF key) {
        HBITMAP picture = Bitmap32(4, 4, [&](int x, int) {
            return x < 2 ? Pixel { GetBValue(key), GetGValue(key), GetRValue(key), 255 } : Pixel { 10, 20, 30, 255 };
        });
        HGDIOBJ previous = SelectObject(sourceDC, picture);
        Canvas target(4, 4, { 90, 80, 70, 255 });
        EXPECT_TRUE(manager.TransparentBlit(target.dc, CRect(0, 0, 4, 4), sourceDC, CRect(0, 0, 4, 4), key));
        std::vector<COLORREF> seen;
        for (int x = 0; x < 4; ++x)
            seen.push_back(GetPixel(target.dc, x, 1));
        SelectObject(sourceDC, previous);
        DeleteObject(picture);
        return seen;
    };
    const std::vector<COLORREF> expected { RGB(70, 80, 90), RGB(70, 80, 90), RGB(30, 20, 10), RGB(30, 20, 10) };
    EXPECT_EQ(blit(RGB(0, 0, 0)), expected);
    EXPECT_EQ(blit(RGB(255, 0, 255)), expected);
    DeleteDC(sourceDC);
}

TEST(ImageManager, ComputedImagesFollowTheirFormulas)
{
    CJQWImageManager manager;
    HBITMAP source = Bitmap32(4, 1, [](int x, int) {
        static const Pixel pixels[4] = { { 0, 100, 255, 200 }, { 255, 255, 255, 255 }, { 0, 0, 0, 255 }, { 128, 128, 128, 40 } };
        return pixels[x];
    });
    manager.SetIcon(CJQWIconImageHandle(source), 3);
    DeleteObject(source);
    CJQWImageManagerIcon* icon = manager.GetImage(3, 4);
    ASSERT_NE(icon, nullptr);
    HBITMAP faded = icon->GetFadedImage().GetBitmap();
    EXPECT_EQ(PixelOf(faded, 0, 0), (Pixel { 76, 146, 255, 200 }));
    HBITMAP grey = icon->GetDisabledImage().GetBitmap();
    EXPECT_EQ(PixelOf(grey, 1, 0), (Pixel { 255, 255, 255, 255 }));
    EXPECT_EQ(PixelOf(grey, 2, 0), (Pixel { 0, 0, 0, 255 }));
    EXPECT_EQ(PixelOf(grey, 3, 0), (Pixel { 180, 180, 180, 40 }));
    // The generated image stays until something drops it.
    icon->BuildDerivedIcon(RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(icon->GetDisabledImage().GetBitmap(), grey);
    icon->ClearGeneratedImages();
    icon->BuildDerivedIcon(RGB(255, 255, 255), RGB(0, 0, 0));
    HBITMAP tint = icon->GetDisabledImage().GetBitmap();
    EXPECT_EQ(PixelOf(tint, 1, 0), (Pixel { 255, 255, 255, 255 }));
    EXPECT_EQ(PixelOf(tint, 2, 0), (Pixel { 0, 0, 0, 255 }));
    EXPECT_EQ(PixelOf(tint, 3, 0), (Pixel { 128, 128, 128, 40 })); // no exponent: the luminance itself

    ScopedSystemModel model;
    // Entry 31 blends 30 % highlight into the window colour: pick both so it is (10, 20, 200).
    model.Edit().colors[13] = RGB(10, 20, 200);
    model.Edit().colors[5] = RGB(10, 20, 200);
    RefreshColorManager();
    ASSERT_EQ(GetColorManager()->GetColor(31), RGB(10, 20, 200));
    icon->ClearGeneratedImages();
    EXPECT_EQ(PixelOf(icon->GetShadowImage().GetBitmap(), 0, 0), (Pixel { 150, 15, 7, 200 }));

    COLORREF color = RGB(200, 100, 0);
    BlendColorPercent(color, RGB(0, 0, 255), 25);
    EXPECT_EQ(color, RGB(150, 75, 63));
    color = RGB(10, 200, 30);
    SubtractColor(color, RGB(20, 100, 30));
    EXPECT_EQ(color, RGB(0, 100, 0));
    EXPECT_EQ(LightenColor(RGB(0, 100, 255), 0.3), RGB(76, 146, 255));
}

TEST(ImageManager, PremultiplyingReportsWhetherAlphaIsUsed)
{
    // Pixels in memory order; "used" only for a partial alpha, or an opaque pixel after a clear one.
    struct Case {
        Pixel first, second;
        bool used;
        Pixel firstAfter, secondAfter;
    };
    const Case cases[] = {
        { { 200, 100, 50, 255 }, { 10, 20, 30, 255 }, false, { 200, 100, 50, 255 }, { 10, 20, 30, 255 } },
        { { 200, 100, 50, 255 }, { 10, 20, 30, 0 }, false, { 200, 100, 50, 255 }, { 10, 20, 30, 0 } },
        { { 10, 20, 30, 0 }, { 200, 100, 50, 255 }, true, { 0, 0, 0, 0 }, { 200, 100, 50, 255 } },
        { { 200, 100, 50, 128 }, { 10, 20, 30, 255 }, true, { 100, 50, 25, 128 }, { 10, 20, 30, 255 } },
    };
    for (const Case& c : cases) {
        HBITMAP source = Bitmap32(2, 1, [&](int x, int) { return x == 0 ? c.first : c.second; });
        BOOL used = !c.used;
        HBITMAP made = CreatePremultipliedBitmap(source, &used);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(bool(used), c.used);
        EXPECT_EQ(PixelOf(made, 0, 0), c.firstAfter);
        EXPECT_EQ(PixelOf(made, 1, 0), c.secondAfter);
        // Without the flag every pixel is premultiplied.
        HBITMAP always = CreatePremultipliedBitmap(source);
        EXPECT_EQ(PixelOf(always, 1, 0).blue, BYTE(c.second.blue * c.second.alpha / 255));
        DeleteObject(always);
        DeleteObject(made);
        DeleteObject(source);
    }
}

TEST(ImageManager, IconFilesWithLyingSizesAreRefused)
{
    // Directory: one 32-bit entry of width 2 whose image is a 40-byte header and 2 x 2 pixels.
    std::vector<BYTE> file = { 0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0 };
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.push_back(BYTE(v >> (8 * i)));
    };
    put32(40 + 16 + 8);
    put32(22);
    BITMAPINFOHEADER header { 40, 2, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    const BYTE* h = reinterpret_cast<const BYTE*>(&header);
    file.insert(file.end(), h, h + 40);
    for (int i = 0; i < 16; ++i)
        file.push_back(BYTE(i));
    for (int i = 0; i < 8; ++i)
        file.push_back(0);
    HBITMAP good = LoadAlphaBitmapFromIconBytes(file.data(), file.size(), 2);
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(PixelOf(good, 0, 1), (Pixel { 0, 1, 2, 3 }));
    DeleteObject(good);
    EXPECT_EQ(LoadAlphaBitmapFromIconBytes(file.data(), file.size(), 16), nullptr);

    struct Lie {
        std::size_t at;
        std::uint32_t value;
    };
    for (const Lie& lie : { Lie { 14, 0xFFFFFFF0 }, Lie { 18, 0xFFFFFFF0 }, Lie { 18, 60 }, Lie { 4, 0xFFFF } }) {
        std::vector<BYTE> bad = file;
        for (int i = 0; i < (lie.at == 4 ? 2 : 4); ++i)
            bad[lie.at + i] = BYTE(lie.value >> (8 * i));
        EXPECT_EQ(LoadAlphaBitmapFromIconBytes(bad.data(), bad.size(), 0), nullptr) << lie.at;
    }
    // A header claiming a huge image inside a small entry.
    std::vector<BYTE> huge = file;
    huge[22 + 4] = 0;
    huge[22 + 5] = 0x10;
    EXPECT_EQ(LoadAlphaBitmapFromIconBytes(huge.data(), huge.size(), 0), nullptr);
}
