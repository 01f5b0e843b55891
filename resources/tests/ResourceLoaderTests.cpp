// The run-time finders and loaders over a table compiled at build time from
// resources/compiler/tests/data/every_block.rc.
#include "TestResources.h"

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/Icon.h"
#include "platform/user/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class ResourceLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = platform::modules::Register(u"loader_test_module", {});
        ASSERT_NE(m_module, nullptr);
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, TestResources, &message)) << message;
    }
    void TearDown() override
    {
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"loader_test_module");
    }

    std::vector<BYTE> Bytes(LPCWSTR name, LPCWSTR type)
    {
        HRSRC found = FindResourceW(m_module, name, type);
        if (!found)
            return {};
        auto* data = static_cast<const BYTE*>(LockResource(LoadResource(m_module, found)));
        return std::vector<BYTE>(data, data + SizeofResource(m_module, found));
    }

    // The colour at (x, y) of a bitmap, read through a memory DC.
    static COLORREF Pixel(HBITMAP bitmap, int x, int y)
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    }

    HMODULE m_module = nullptr;
};

TEST_F(ResourceLoader, StringsByLanguageAndTheLengthOnlyForm)
{
    WCHAR buffer[64];
    EXPECT_EQ(LoadStringW(m_module, IDS_HELLO, buffer, 64), 18);
    EXPECT_EQ(std::u16string(buffer), u"Hello, \"world\"\tTab");
    EXPECT_EQ(LoadStringW(m_module, IDD_ABOUT, buffer, 64), 35);
    EXPECT_EQ(std::u16string(buffer), u"A string beside dialog 145 joined \u00e4");

    const WCHAR* text = nullptr;
    EXPECT_EQ(LoadStringW(m_module, IDS_HELLO, reinterpret_cast<WCHAR*>(&text), 0), 18);
    EXPECT_EQ(std::u16string(text, 18), u"Hello, \"world\"\tTab");

    // An empty string exists: its pointer is not null.
    text = nullptr;
    EXPECT_EQ(LoadStringW(m_module, IDS_EMPTY, reinterpret_cast<WCHAR*>(&text), 0), 0);
    EXPECT_NE(text, nullptr);

    HRSRC german = FindResourceExW(m_module, RT_STRING, MAKEINTRESOURCEW(IDS_HELLO), 1031);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(LockResource(LoadResource(m_module, german)))), u"Hallo");
    EXPECT_EQ(FindResourceExW(m_module, RT_STRING, MAKEINTRESOURCEW(IDS_EMPTY), 1031), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_LANG_NOT_FOUND);

    EXPECT_EQ(LoadStringW(m_module, 9999, buffer, 64), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(ResourceLoader, EachTypeHasItsOwnIds)
{
    // Dialog 145, bitmap 145 and string 145 are three resources.
    HRSRC dialog = FindResourceW(m_module, MAKEINTRESOURCEW(145), RT_DIALOG);
    HRSRC bitmap = FindResourceW(m_module, MAKEINTRESOURCEW(145), RT_BITMAP);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_NE(dialog, bitmap);
    auto* d = static_cast<const platform::resources::ResDialog*>(LockResource(LoadResource(m_module, dialog)));
    EXPECT_EQ(d->tag, platform::resources::kDialogTag);
    EXPECT_EQ(std::u16string(d->caption), u"About");
    EXPECT_EQ(Bytes(MAKEINTRESOURCEW(145), RT_BITMAP)[0], 40); // a BITMAPINFOHEADER
    EXPECT_EQ(FindResourceW(m_module, MAKEINTRESOURCEW(145), RT_MENU), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceW(m_module, MAKEINTRESOURCEW(145), MAKEINTRESOURCEW(77)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
}

TEST_F(ResourceLoader, DialogTemplateKeepsStylesControlsAndUnits)
{
    auto* d = static_cast<const platform::resources::ResDialog*>(
        LockResource(LoadResource(m_module, FindResourceW(m_module, MAKEINTRESOURCEW(IDD_ABOUT), RT_DIALOG))));
    EXPECT_EQ(d->style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u | 0x40u); // DS_SETFONT from FONT
    EXPECT_EQ(d->cx, 200);
    EXPECT_EQ(d->cy, 100);
    EXPECT_EQ(d->pointSize, 8);
    EXPECT_EQ(std::u16string(d->faceName), u"Sans");
    ASSERT_EQ(d->count, 5u);
    const auto& icon = d->controls[0];
    EXPECT_EQ(std::u16string(icon.className), u"Static");
    EXPECT_TRUE(icon.hasTextId);
    EXPECT_EQ(icon.textId, IDI_APP);
    EXPECT_EQ(icon.id, 0xFFFFFFFFu);
    const auto& edit = d->controls[2];
    EXPECT_EQ(std::u16string(edit.className), u"Edit");
    // WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, the default WS_TABSTOP taken away.
    EXPECT_EQ(edit.style, 0x40000000u | 0x10000000u | 0x00800000u | 0x80u);
    const auto& check = d->controls[4];
    EXPECT_EQ(std::u16string(check.text), u"Check");
    EXPECT_EQ(check.id, IDC_CHECK);
    EXPECT_EQ(check.style, 0x40000000u | 0x10000000u | 0x3u | 0x10000u);
    EXPECT_EQ(check.exStyle, 0x200u);
    EXPECT_EQ(check.helpId, 77u);
    EXPECT_EQ(check.x, 10);
    EXPECT_EQ(check.cy, 10);
}

TEST_F(ResourceLoader, MenuIsATreeInPreOrder)
{
    auto* menu = static_cast<const platform::resources::ResMenu*>(
        LockResource(LoadResource(m_module, FindResourceW(m_module, MAKEINTRESOURCEW(IDR_MAIN), RT_MENU))));
    ASSERT_EQ(menu->tag, platform::resources::kMenuTag);
    ASSERT_EQ(menu->count, 6u);
    constexpr UINT end = platform::resources::kMenuItemEnd;
    struct Expected {
        UINT flags;
        UINT id;
        std::u16string text;
    } expected[] = {
        { 0x10, 0, u"&File" },
        { 0, ID_FILE_OPEN, u"&Open...\tCtrl+O" },
        { 0x800, 0, u"" },
        { 0x1 | end, ID_APP_EXIT, u"E&xit" },
        { 0x10 | 0x4000 | end, 0, u"&Help" },
        { 0x8 | end, ID_APP_ABOUT, u"&About" },
    };
    for (std::size_t i = 0; i < menu->count; ++i) {
        EXPECT_EQ(menu->items[i].flags, expected[i].flags) << i;
        EXPECT_EQ(menu->items[i].id, expected[i].id) << i;
        EXPECT_EQ(std::u16string(menu->items[i].text), expected[i].text) << i;
    }
}

TEST_F(ResourceLoader, AcceleratorsBecomeATable)
{
    HACCEL table = LoadAcceleratorsW(m_module, MAKEINTRESOURCEW(IDR_MAIN));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(CopyAcceleratorTableW(table, nullptr, 0), 3);
    ACCEL entries[3] {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 3), 3);
    EXPECT_EQ(entries[0].fVirt, FVIRTKEY | FCONTROL);
    EXPECT_EQ(entries[0].key, u'O'); // virtual keys are upper case
    EXPECT_EQ(entries[0].cmd, ID_FILE_OPEN);
    EXPECT_EQ(entries[1].fVirt, FVIRTKEY);
    EXPECT_EQ(entries[1].key, 0x70);
    EXPECT_EQ(entries[2].fVirt, 0);
    EXPECT_EQ(entries[2].key, 17); // ^Q is the control character
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    EXPECT_FALSE(DestroyAcceleratorTable(table));
    EXPECT_EQ(CopyAcceleratorTableW(table, nullptr, 0), 0);
    EXPECT_EQ(LoadAcceleratorsW(m_module, MAKEINTRESOURCEW(999)), nullptr);
}

TEST_F(ResourceLoader, ToolbarBytesAreExact)
{
    std::vector<BYTE> expected = { 1, 0, 16, 0, 15, 0, 3, 0, 0x01, 0xE1, 0, 0, 0x40, 0xE1 };
    EXPECT_EQ(Bytes(MAKEINTRESOURCEW(IDR_TOOLBAR), RT_TOOLBAR), expected);
}

TEST_F(ResourceLoader, CustomTypesByTextAndNumber)
{
    // "PNG" is found by text, in any case, with the picture's own bytes.
    std::vector<BYTE> png = Bytes(MAKEINTRESOURCEW(IDR_LOGO), u"png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG", 4), 0);
    std::ifstream file(VORNALT_SOURCE_DIR "/resources/compiler/tests/data/icon16.png", std::ios::binary);
    std::vector<BYTE> source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(png, source);

    // The text file: UTF-16LE, no mark, every line ended by a carriage return.
    std::vector<BYTE> text = Bytes(u"office_ini", u"TEXTFILE");
    std::u16string expected = u"Line one\rZweite Zeile \u00e4\r[SECTION]\rkey=value\r";
    ASSERT_EQ(text.size(), expected.size() * 2);
    EXPECT_EQ(std::memcmp(text.data(), expected.data(), text.size()), 0);
    EXPECT_EQ(Bytes(u"#161", RT_HTML), (std::vector<BYTE> { '<', 'h', 't', 'm', 'l', '>', 'H', 'i', '<', '/', 'h', 't', 'm', 'l', '>' }));
}

TEST_F(ResourceLoader, LanguagesAreEnumerated)
{
    // The first language other than 0 and 1033 found by walking types, names and languages.
    struct Walk {
        HMODULE module;
        WORD found = 1033;
    } walk { m_module };
    EnumResourceTypesW(
        m_module,
        [](HMODULE module, LPWSTR type, LONG_PTR param) -> BOOL {
            return EnumResourceNamesW(
                module, type,
                [](HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) -> BOOL {
                    return EnumResourceLanguagesW(
                        module, type, name,
                        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
                            if (language == 0 || language == 1033)
                                return TRUE;
                            reinterpret_cast<Walk*>(param)->found = language;
                            return FALSE;
                        },
                        param);
                },
                param);
        },
        reinterpret_cast<LONG_PTR>(&walk));
    EXPECT_EQ(walk.found, 1031);

    std::vector<std::u16string> types;
    EnumResourceTypesW(
        m_module,
        [](HMODULE, LPWSTR type, LONG_PTR param) -> BOOL {
            auto* out = reinterpret_cast<std::vector<std::u16string>*>(param);
            out->push_back(IS_INTRESOURCE(type) ? u"#" + std::u16string(1, char16_t(u'0' + reinterpret_cast<ULONG_PTR>(type) % 10))
                                                : std::u16string(type));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&types));
    EXPECT_EQ(std::count(types.begin(), types.end(), u"TEXTFILE"), 1);
    EXPECT_EQ(std::count(types.begin(), types.end(), u"PNG"), 1);
}

TEST_F(ResourceLoader, BitmapsKeepTheirPixels)
{
    // The 4-bit strip: its transparent corners took the key colour.
    HBITMAP strip = LoadBitmapW(m_module, MAKEINTRESOURCEW(IDB_STRIP));
    ASSERT_NE(strip, nullptr);
    BITMAP info {};
    ASSERT_EQ(GetObjectW(strip, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, 15);
    struct {
        int x, y;
        COLORREF colour;
    } pixels[] = {
        { 0, 0, RGB(255, 0, 255) }, { 16, 0, RGB(255, 0, 255) }, { 5, 5, RGB(255, 255, 0) },
        { 20, 3, RGB(0, 128, 128) }, { 20, 12, RGB(10, 20, 30) },
    };
    for (const auto& p : pixels)
        EXPECT_EQ(Pixel(strip, p.x, p.y), p.colour) << p.x << "," << p.y;
    DeleteObject(strip);

    // A picture with partial transparency is stored at 32 bits and keeps its alpha in a DIB section.
    std::vector<BYTE> alphaBytes = Bytes(MAKEINTRESOURCEW(IDB_ALPHA), RT_BITMAP);
    ASSERT_GE(alphaBytes.size(), 40u);
    EXPECT_EQ(alphaBytes[14], 32);
    HBITMAP alpha = static_cast<HBITMAP>(LoadImageW(m_module, MAKEINTRESOURCEW(IDB_ALPHA), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(alpha, nullptr);
    DIBSECTION section {};
    ASSERT_EQ(GetObjectW(alpha, sizeof section, &section), int(sizeof section));
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    // Bottom-up: the first row in memory is the picture's last; x = 2 has alpha 128, x = 12 alpha 255.
    auto* bits = static_cast<const BYTE*>(section.dsBm.bmBits);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[2 * 4 + 2], 255);
    EXPECT_EQ(bits[2 * 4 + 3], 128);
    EXPECT_EQ(bits[12 * 4 + 3], 255);
    DeleteObject(alpha);

    EXPECT_EQ(LoadBitmapW(m_module, MAKEINTRESOURCEW(IDD_ABOUT + 100)), nullptr);
}

TEST_F(ResourceLoader, IconsTakeTheGroupEntryOfTheAskedSize)
{
    struct {
        int cx, cy;
        UINT flags;
        int width;
        COLORREF colour; // of pixel (5, 5)
    } cases[] = {
        { 16, 16, 0, 16, RGB(0, 0, 255) },
        { 32, 32, 0, 32, RGB(0, 255, 0) },
        { 0, 0, LR_DEFAULTSIZE, 32, RGB(0, 255, 0) },
        { 0, 0, 0, 16, RGB(0, 0, 255) },  // the first entry at its own size
        { 24, 24, 0, 24, RGB(0, 255, 0) }, // the larger picture, shrunk
    };
    for (const auto& c : cases) {
        HICON icon = static_cast<HICON>(LoadImageW(m_module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, c.cx, c.cy, c.flags));
        ASSERT_NE(icon, nullptr) << c.cx;
        SIZE size {};
        ASSERT_TRUE(GetIconSize(icon, &size));
        EXPECT_EQ(size.cx, c.width) << c.cx;
        EXPECT_EQ(size.cy, c.width) << c.cx;
        // Drawn on white: opaque pixels show their colour, the transparent corner shows white.
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP target = CreateBitmap(c.width, c.width, 1, 32, nullptr);
        HGDIOBJ old = SelectObject(dc, target);
        RECT all { 0, 0, c.width, c.width };
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &all, white);
        DeleteObject(white);
        EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(GetPixel(dc, 5, 5), c.colour) << c.cx;
        if (c.width != 24) {
            EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255)) << c.cx;
        }
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);
        DestroyIcon(icon);
    }

    HICON viaLoadIcon = LoadIconW(m_module, MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(viaLoadIcon, nullptr);
    SIZE size {};
    GetIconSize(viaLoadIcon, &size);
    EXPECT_EQ(size.cx, 32);
    DestroyIcon(viaLoadIcon);

    // The group directory: 14-byte entries naming the images.
    std::vector<BYTE> group = Bytes(MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(group.data(), TRUE, 16, 16, 0), 50);
    EXPECT_EQ(LookupIconIdFromDirectoryEx(group.data(), TRUE, 32, 32, 0), 51);
    HRSRC image = FindResourceW(m_module, MAKEINTRESOURCEW(51), RT_ICON);
    ASSERT_NE(image, nullptr);
    HICON direct = CreateIconFromResourceEx(static_cast<const BYTE*>(LockResource(LoadResource(m_module, image))),
        SizeofResource(m_module, image), TRUE, 0x30000, 32, 32, 0);
    ASSERT_NE(direct, nullptr);
    DestroyIcon(direct);
    // A cut-off image is refused.
    EXPECT_EQ(CreateIconFromResourceEx(static_cast<const BYTE*>(LockResource(LoadResource(m_module, image))), 100, TRUE,
                  0x30000, 32, 32, 0),
        nullptr);
}

TEST_F(ResourceLoader, CursorsKeepTheirHotSpot)
{
    HCURSOR cursor = LoadCursorW(m_module, MAKEINTRESOURCEW(IDC_GRAB));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 3u);
    EXPECT_EQ(info.yHotspot, 4u);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
}

TEST_F(ResourceLoader, ForgedHandlesAndUnknownModulesFail)
{
    int local = 0;
    EXPECT_EQ(LoadResource(m_module, reinterpret_cast<HRSRC>(&local)), nullptr);
    EXPECT_EQ(SizeofResource(m_module, reinterpret_cast<HRSRC>(&local)), 0u);
    EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(&local), MAKEINTRESOURCEW(145), RT_DIALOG), nullptr);
    EXPECT_EQ(LoadImageW(m_module, MAKEINTRESOURCEW(IDI_APP), 7, 0, 0, 0), nullptr);
}

TEST_F(ResourceLoader, ATableRepeatingAResourceIsRefused)
{
    std::string message;
    EXPECT_FALSE(platform::resources::RegisterModuleTable(m_module, TestResources, &message));
    EXPECT_NE(message.find("is in both"), std::string::npos) << message;
    EXPECT_NE(message.find("every_block.rc"), std::string::npos) << message;
}

// Pictures from files: a .bmp, and an .ico written from the compiled icon's own images.
TEST_F(ResourceLoader, ImagesFromFiles)
{
    std::string folder = ::testing::TempDir() + "resource_loader_files_" + std::to_string(::getpid());
    std::string bmpPath = folder + ".bmp";
    std::vector<BYTE> dib = Bytes(MAKEINTRESOURCEW(IDB_STRIP), RT_BITMAP);
    {
        std::ofstream out(bmpPath, std::ios::binary);
        std::uint32_t total = std::uint32_t(14 + dib.size());
        std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(dib[32]); // after the colour table
        BYTE header[14] = { 'B', 'M', BYTE(total), BYTE(total >> 8), 0, 0, 0, 0, 0, 0, BYTE(offset), BYTE(offset >> 8), 0, 0 };
        out.write(reinterpret_cast<const char*>(header), 14);
        out.write(reinterpret_cast<const char*>(dib.data()), std::streamsize(dib.size()));
    }
    std::u16string wide(bmpPath.begin(), bmpPath.end());
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(Pixel(bitmap, 20, 12), RGB(10, 20, 30));
    DeleteObject(bitmap);

    std::string icoPath = folder + ".ico";
    std::vector<BYTE> small = Bytes(MAKEINTRESOURCEW(50), RT_ICON), large = Bytes(MAKEINTRESOURCEW(51), RT_ICON);
    {
        std::vector<BYTE> file = { 0, 0, 1, 0, 2, 0 };
        auto entry = [&](int size, const std::vector<BYTE>& image, std::uint32_t offset) {
            BYTE e[16] = { BYTE(size), BYTE(size), 0, 0, 1, 0, 32, 0, BYTE(image.size()), BYTE(image.size() >> 8), 0, 0,
                BYTE(offset), BYTE(offset >> 8), 0, 0 };
            file.insert(file.end(), e, e + 16);
        };
        entry(16, small, 6 + 32);
        entry(32, large, std::uint32_t(6 + 32 + small.size()));
        file.insert(file.end(), small.begin(), small.end());
        file.insert(file.end(), large.begin(), large.end());
        std::ofstream out(icoPath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    std::u16string icoWide(icoPath.begin(), icoPath.end());
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, icoWide.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
    ASSERT_NE(icon, nullptr);
    SIZE size {};
    GetIconSize(icon, &size);
    EXPECT_EQ(size.cx, 32);
    DestroyIcon(icon);
    std::remove(bmpPath.c_str());
    std::remove(icoPath.c_str());
    EXPECT_EQ(LoadImageW(nullptr, icoWide.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE), nullptr);
}

TEST_F(ResourceLoader, A32BitBmpWithTheLargestHeaderKeepsItsColours)
{
    // Written by an image editor: a 124-byte header with BI_BITFIELDS, its masks inside the header,
    // 2 x 2 pixels: (200, 100, 50) and half-transparent (10, 220, 30) on top, blue and white below.
    std::ifstream in(VORNALT_TEST_DATA_DIR "/editor-32bit-v5-bitfields.bmp", std::ios::binary);
    std::vector<BYTE> original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(original.size(), 154u);
    ASSERT_EQ(original[14], 124);
    ASSERT_EQ(original[30], 3);
    // The same file with the red and blue masks swapped: the colours must follow the masks.
    std::vector<BYTE> swapped = original;
    std::swap_ranges(swapped.begin() + 54, swapped.begin() + 58, swapped.begin() + 62);
    struct Case {
        const std::vector<BYTE>* file;
        COLORREF topLeft, bottomLeft;
    } cases[] = { { &original, RGB(200, 100, 50), RGB(0, 0, 255) }, { &swapped, RGB(50, 100, 200), RGB(255, 0, 0) } };
    const std::string path = ::testing::TempDir() + "resource_loader_v5_" + std::to_string(::getpid()) + ".bmp";
    const std::u16string wide(path.begin(), path.end());
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(c.file->data()), std::streamsize(c.file->size()));
        for (UINT flags : { UINT(LR_LOADFROMFILE), UINT(LR_LOADFROMFILE | LR_CREATEDIBSECTION) }) {
            HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, wide.c_str(), IMAGE_BITMAP, 0, 0, flags));
            ASSERT_NE(bitmap, nullptr) << flags;
            EXPECT_EQ(Pixel(bitmap, 0, 0), c.topLeft) << flags;
            EXPECT_EQ(Pixel(bitmap, 0, 1), c.bottomLeft) << flags;
            EXPECT_EQ(Pixel(bitmap, 1, 1), RGB(255, 255, 255)) << flags;
            DeleteObject(bitmap);
        }
    }
    std::remove(path.c_str());
}

} // namespace
