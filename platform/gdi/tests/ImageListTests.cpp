// Image lists, icons, the system model and the module registry.

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/ImageList.h"
#include "platform/base/Modules.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

using namespace gdi_test;

namespace {

// A 24-bit DIB section strip: image i is filled with colour (i * 20, 100, 200 - i * 10), with a
// magenta key colour at every image's left column and at pixel (0, 0).
HBITMAP MakeStrip(int images, int size, void** bitsOut = nullptr)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), images * size, size, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    for (int i = 0; i < images; ++i) {
        HBRUSH b = CreateSolidBrush(RGB(i * 20, 100, 200 - i * 10));
        RECT r { i * size, 0, (i + 1) * size, size };
        FillRect(dc, &r, b);
        DeleteObject(b);
        HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
        RECT column { i * size, 0, i * size + 1, size };
        FillRect(dc, &column, key);
        DeleteObject(key);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (bitsOut)
        *bitsOut = bits;
    return strip;
}

COLORREF PixelOfBitmap(HBITMAP bitmap, int x, int y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

} // namespace

TEST(ImageLists, StripBecomesTenImagesWithTheMaskColourFromTheFirstPixel)
{
    HBITMAP strip = MakeStrip(10, 16);
    const COLORREF key = PixelOfBitmap(strip, 0, 0);
    EXPECT_EQ(key, RGB(255, 0, 255));
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 1);
    EXPECT_EQ(ImageList_AddMasked(list, strip, key), 0);
    EXPECT_EQ(ImageList_GetImageCount(list), 10);
    IMAGEINFO info {};
    ASSERT_TRUE(ImageList_GetImageInfo(list, 3, &info));
    EXPECT_EQ(info.rcImage.left, 48);
    EXPECT_EQ(info.rcImage.right - info.rcImage.left, 16);
    // The stored images are selectable; masked pixels turned black and marked in the mask.
    EXPECT_EQ(PixelOfBitmap(info.hbmImage, 48, 5), RGB(0, 0, 0));
    EXPECT_EQ(PixelOfBitmap(info.hbmMask, 48, 5), RGB(255, 255, 255));
    EXPECT_EQ(PixelOfBitmap(info.hbmImage, 50, 5), RGB(60, 100, 170));
    EXPECT_EQ(PixelOfBitmap(info.hbmMask, 50, 5), RGB(0, 0, 0));

    // Transparent drawing leaves masked pixels alone.
    Surface s(20, 20, RGB(9, 9, 9));
    ASSERT_TRUE(ImageList_Draw(list, 3, s.dc(), 2, 2, ILD_TRANSPARENT));
    EXPECT_EQ(s.At(2, 5), RGB(9, 9, 9));
    EXPECT_EQ(s.At(3, 5), RGB(60, 100, 170));
    EXPECT_EQ(s.At(18, 18), RGB(9, 9, 9));
    // Blend 50 mixes the image with the highlight colour.
    ASSERT_TRUE(ImageList_DrawEx(list, 3, s.dc(), 2, 2, 0, 0, CLR_NONE, RGB(0, 0, 255), ILD_TRANSPARENT | ILD_BLEND50));
    EXPECT_EQ(s.At(3, 5), RGB(30, 50, 212));
    // An icon from the list keeps image and mask.
    HICON icon = ImageList_GetIcon(list, 3, ILD_NORMAL);
    Surface t(16, 16, RGB(9, 9, 9));
    DrawIconEx(t.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(t.At(0, 3), RGB(9, 9, 9));
    EXPECT_EQ(t.At(1, 3), RGB(60, 100, 170));
    DestroyIcon(icon);
    EXPECT_TRUE(ImageList_Remove(list, 0));
    EXPECT_EQ(ImageList_GetImageCount(list), 9);
    EXPECT_TRUE(ImageList_Remove(list, -1));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    ImageList_Destroy(list);
    DeleteObject(strip);
}

TEST(ImageLists, ThirtyTwoBitImagesDrawByTheirAlpha)
{
    std::vector<DWORD> bits(2 * 1);
    bits[0] = 0x80FF0000; // red at half alpha
    bits[1] = 0x00000000; // no alpha anywhere: drawn opaque
    HBITMAP image = CreateBitmap(2, 1, 1, 32, bits.data());
    HIMAGELIST list = ImageList_Create(1, 1, ILC_COLOR32 | ILC_MASK, 0, 1);
    EXPECT_EQ(ImageList_Add(list, image, nullptr), 0);
    Surface s(2, 1, RGB(0, 0, 255));
    ImageList_Draw(list, 0, s.dc(), 0, 0, ILD_NORMAL);
    ImageList_Draw(list, 1, s.dc(), 1, 0, ILD_NORMAL);
    EXPECT_EQ(s.At(0, 0), RGB(128, 0, 127));
    EXPECT_EQ(s.At(1, 0), RGB(0, 0, 0));
    // A 24-bit list ignores alpha: the same bitmap draws opaque.
    HIMAGELIST opaque = ImageList_Create(1, 1, ILC_COLOR24, 0, 1);
    ImageList_Add(opaque, image, nullptr);
    ImageList_Draw(opaque, 0, s.dc(), 0, 0, ILD_NORMAL);
    EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
    ImageList_Destroy(list);
    ImageList_Destroy(opaque);
    DeleteObject(image);
}

TEST(ImageLists, AMaskShorterThanTheImageCoversOnlyItsOwnRows)
{
    // A 2 x 2 image with a 2 x 1 mask whose one row is all transparent: the second image row has
    // no mask row and stays opaque (it was once read from past the mask's end).
    std::vector<DWORD> bits(4, 0x00102030);
    HBITMAP image = CreateBitmap(2, 2, 1, 32, bits.data());
    const BYTE maskRow[2] = { 0xC0, 0 };
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskRow);
    HIMAGELIST list = ImageList_Create(2, 2, ILC_COLOR24 | ILC_MASK, 0, 1);
    ASSERT_EQ(ImageList_Add(list, image, mask), 0);
    Surface s(2, 2, RGB(0, 0, 255));
    ImageList_Draw(list, 0, s.dc(), 0, 0, ILD_NORMAL);
    EXPECT_EQ(s.At(1, 1), RGB(0x10, 0x20, 0x30));
    ImageList_Destroy(list);
    DeleteObject(image);
    DeleteObject(mask);
}

TEST(Icons, IconInfoRoundTripsAndNegativeWidthMirrors)
{
    std::vector<DWORD> colour = { 0x00FF0000, 0x0000FF00, 0, 0x00FFFFFF }; // black under the transparent pixel
    std::vector<DWORD> maskBits = { 0, 0, 0x00FFFFFF, 0 }; // pixel (0, 1) transparent
    HBITMAP c = CreateBitmap(2, 2, 1, 32, colour.data());
    HBITMAP m = CreateBitmap(2, 2, 1, 32, maskBits.data());
    ICONINFO info { TRUE, 0, 0, m, c };
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetObjectType(icon), 0u); // not a drawing object
    ICONINFO back {};
    ASSERT_TRUE(GetIconInfo(icon, &back));
    EXPECT_EQ(back.xHotspot, 1u);
    BITMAP bm {};
    GetObjectW(back.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    Surface s(2, 2, RGB(7, 7, 7));
    DrawIconEx(s.dc(), 2, 0, icon, -2, 2, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(s.At(1, 0), RGB(255, 0, 0)); // mirrored: pixel (0, 0) lands right
    EXPECT_EQ(s.At(1, 1), RGB(7, 7, 7));   // the transparent pixel
    EXPECT_EQ(s.At(0, 1), RGB(255, 255, 255));
    for (HGDIOBJ o : std::initializer_list<HGDIOBJ> { c, m, back.hbmMask, back.hbmColor })
        DeleteObject(o);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
}

TEST(SystemModel, ScopedOverrideChangesAndRestores)
{
    const DWORD face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(face, RGB(236, 233, 216));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    RECT work {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.bottom, 994);
    {
        ScopedSystemModel model;
        model.UseClassicColors();
        model.Edit().metrics[SM_CXVSCROLL] = 20;
        model.Edit().bitsPerPixel = 8;
        model.Edit().monitors.push_back({ { 1280, 0, 2304, 768 }, { 1280, 0, 2304, 768 } });
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
        HBRUSH brush = GetSysColorBrush(COLOR_BTNFACE);
        LOGBRUSH lb {};
        GetObjectW(brush, sizeof lb, &lb);
        EXPECT_EQ(lb.lbColor, RGB(212, 208, 200));
        EXPECT_FALSE(DeleteObject(brush) == FALSE); // stock: deleting does nothing
        EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);
        EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
        EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2304);
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP colour = CreateBitmap(1, 1, 1, 32, nullptr);
        SelectObject(dc, colour);
        EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 8);
        DeleteDC(dc);
        DeleteObject(colour);
        HMONITOR second = MonitorFromPoint({ 1500, 10 }, MONITOR_DEFAULTTONULL);
        MONITORINFO info { sizeof(MONITORINFO), {}, {}, 0 };
        ASSERT_TRUE(GetMonitorInfoW(second, &info));
        EXPECT_EQ(info.rcMonitor.left, 1280);
        EXPECT_EQ(info.dwFlags, 0u);
        EXPECT_EQ(MonitorFromPoint({ -5, -5 }, MONITOR_DEFAULTTONULL), nullptr);
        EXPECT_NE(MonitorFromPoint({ -5, -5 }, MONITOR_DEFAULTTONEAREST), nullptr);
    }
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face);
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    LOGBRUSH lb {};
    GetObjectW(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, face);

    NONCLIENTMETRICSW ncm {};
    for (UINT size : { UINT(sizeof(NONCLIENTMETRICSW)), NONCLIENTMETRICSW_V1_SIZE }) {
        ncm = {};
        ncm.cbSize = size;
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &ncm, 0));
        EXPECT_EQ(ncm.lfMenuFont.lfHeight, -11);
        EXPECT_EQ(ncm.lfCaptionFont.lfWeight, FW_BOLD);
    }
    ncm.cbSize = 12;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 12, &ncm, 0));
    OSVERSIONINFOW version {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExW(&version));
    EXPECT_EQ(version.dwMajorVersion, 6u);
    EXPECT_EQ(version.dwMinorVersion, 1u);
    EXPECT_EQ(version.dwPlatformId, 2u);
}

TEST(Modules, LookupsRemovalAndTheInactiveThemeModule)
{
    platform::modules::Reset();
    HMODULE msimg = LoadLibraryW(u"MSIMG32");
    ASSERT_NE(msimg, nullptr);
    EXPECT_EQ(GetModuleHandleW(u"msimg32.dll"), msimg);
    using AlphaBlendFn = decltype(&AlphaBlend);
    auto blend = reinterpret_cast<AlphaBlendFn>(GetProcAddress(msimg, "AlphaBlend"));
    ASSERT_NE(blend, nullptr);
    EXPECT_EQ(blend, &AlphaBlend);
    EXPECT_EQ(GetProcAddress(msimg, "NoSuchExport"), nullptr);

    ASSERT_TRUE(platform::modules::RemoveExport(u"msimg32.dll", "AlphaBlend"));
    EXPECT_EQ(GetProcAddress(msimg, "AlphaBlend"), nullptr);
    EXPECT_NE(GetProcAddress(msimg, "GradientFill"), nullptr);
    ASSERT_TRUE(platform::modules::Remove(u"msimg32.dll"));
    EXPECT_EQ(LoadLibraryW(u"msimg32.dll"), nullptr);
    EXPECT_EQ(GetProcAddress(msimg, "GradientFill"), nullptr); // the old handle is dead

    HMODULE theme = GetModuleHandleA("UXTHEME.DLL");
    ASSERT_NE(theme, nullptr);
    auto isActive = reinterpret_cast<BOOL (*)()>(GetProcAddress(theme, "IsThemeActive"));
    ASSERT_NE(isActive, nullptr);
    EXPECT_FALSE(isActive());
    EXPECT_EQ(GetModuleHandleW(u"dwmapi.dll"), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"oleacc"), nullptr);

    HMODULE comctl = GetModuleHandleW(u"comctl32.dll");
    auto getVersion = reinterpret_cast<LONG (*)(DLLVERSIONINFO*)>(GetProcAddress(comctl, "DllGetVersion"));
    ASSERT_NE(getVersion, nullptr);
    DLLVERSIONINFO dvi { sizeof dvi, 0, 0, 0, 0 };
    EXPECT_EQ(getVersion(&dvi), 0);
    EXPECT_EQ(dvi.dwMajorVersion, 6u);

    // Replacing a module gives it a new handle.
    HMODULE fake = platform::modules::Register(u"UxTheme.dll", {});
    EXPECT_NE(fake, theme);
    EXPECT_EQ(GetModuleHandleW(u"uxtheme"), fake);
    platform::modules::Reset();
    EXPECT_NE(LoadLibraryW(u"msimg32.dll"), nullptr);
}
