#include "platform/shell/Clipboard.h"

#include "platform/base/CodePage.h"
#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

HWND Window(UINT_PTR value)
{
    return reinterpret_cast<HWND>(value);
}

template <class Unit> HANDLE Text(const std::basic_string<Unit>& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(Unit));
    std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(Unit));
    GlobalUnlock(block);
    return block;
}

template <class Unit> std::basic_string<Unit> Read(UINT format)
{
    HANDLE data = GetClipboardData(format);
    if (!data)
        return {};
    std::basic_string<Unit> text(static_cast<const Unit*>(GlobalLock(data)));
    GlobalUnlock(data);
    return text;
}

} // namespace

TEST(Clipboard, RegisteredFormatRoundTripsAndBlocksAreFreedOnEmpty)
{
    const UINT format = RegisterClipboardFormatW(u"Test Private Format");
    EXPECT_GE(format, kFirstRegisteredClipboardFormat);
    EXPECT_EQ(RegisterClipboardFormatW(u"test private FORMAT"), format);
    EXPECT_NE(RegisterClipboardFormatW(u"Another Format"), format);
    EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
    WCHAR name[8];
    EXPECT_EQ(GetClipboardFormatNameW(format, name, 8), 7);
    EXPECT_EQ(std::u16string(name), u"Test Pr");
    EXPECT_EQ(GetClipboardFormatNameW(CF_TEXT, name, 8), 0);

    ASSERT_TRUE(OpenClipboard(Window(0x1234)));
    EXPECT_EQ(GetOpenClipboardWindow(), Window(0x1234));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardOwner(), Window(0x1234));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 5);
    std::memcpy(GlobalLock(block), "\x01\x02\x00\x03\xFF", 5);
    GlobalUnlock(block);
    EXPECT_EQ(SetClipboardData(format, block), block);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(format));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));

    // Reading needs the clipboard open; the block comes back as it went in.
    EXPECT_EQ(GetClipboardData(format), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(format);
    ASSERT_EQ(data, block);
    ASSERT_EQ(GlobalSize(data), 5u);
    EXPECT_EQ(std::memcmp(GlobalLock(data), "\x01\x02\x00\x03\xFF", 5), 0);
    GlobalUnlock(data);
    EXPECT_EQ(EnumClipboardFormats(0), format);
    EXPECT_EQ(EnumClipboardFormats(format), 0u);
    EXPECT_EQ(CountClipboardFormats(), 1);
    // Emptying frees what the clipboard owned.
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(IsClipboardFormatAvailable(format));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
}

TEST(Clipboard, UnicodeAndAnsiTextAreMadeFromEachOther)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, Text(std::u16string(u"Gr\u00FC\u00DFe \u20AC")));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(EnumClipboardFormats(0), CF_UNICODETEXT);
    EXPECT_EQ(EnumClipboardFormats(CF_UNICODETEXT), CF_TEXT);
    EXPECT_EQ(EnumClipboardFormats(CF_TEXT), 0u);
    EXPECT_EQ(Read<char>(CF_TEXT), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    // A new text replaces the copy made from the old one.
    SetClipboardData(CF_UNICODETEXT, Text(std::u16string(u"second")));
    EXPECT_EQ(Read<char>(CF_TEXT), "second");

    EmptyClipboard();
    SetAnsiCodePageForTesting(1252);
    SetClipboardData(CF_TEXT, Text(std::string("caf\xE9 \x80")));
    EXPECT_EQ(Read<char16_t>(CF_UNICODETEXT), u"caf\u00E9 \u20AC");
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, Text(std::u16string(u"\u00E9\u4E2D")));
    EXPECT_EQ(Read<char>(CF_TEXT), "\xE9?");
    SetAnsiCodePageForTesting(CP_UTF8);
    EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
    CloseClipboard();
}

TEST(Clipboard, OneThreadAtATimeAndDataOnlyWhileOpen)
{
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    HANDLE refused = Text(std::string("x"));
    EXPECT_EQ(SetClipboardData(CF_TEXT, refused), nullptr);
    EXPECT_EQ(GlobalFree(refused), nullptr); // the caller still owns it
    EXPECT_EQ(EnumClipboardFormats(0), 0u);

    ASSERT_TRUE(OpenClipboard(Window(1)));
    EXPECT_TRUE(OpenClipboard(Window(2))); // the same thread may open again
    BOOL otherOpened = TRUE;
    DWORD otherError = 0;
    std::thread other([&] {
        otherOpened = OpenClipboard(nullptr);
        otherError = GetLastError();
    });
    other.join();
    EXPECT_FALSE(otherOpened);
    EXPECT_EQ(otherError, ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // Bitmaps are deleted, not freed as memory.
    EmptyClipboard();
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EmptyClipboard();
    BITMAP info {};
    EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), 0);
    CloseClipboard();

    std::thread later([&] {
        otherOpened = OpenClipboard(nullptr);
        CloseClipboard();
    });
    later.join();
    EXPECT_TRUE(otherOpened);
}

TEST(Clipboard, BitmapsAndPackedDibsAreMadeFromEachOther)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    // A 3 x 2 bitmap; its packed DIB has bottom-up 32-bit rows.
    const DWORD pixels[] = { 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00101010, 0x00202020, 0x00303030 };
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, pixels);
    ASSERT_NE(bitmap, nullptr);
    SetClipboardData(CF_BITMAP, bitmap);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_EQ(EnumClipboardFormats(CF_BITMAP), CF_DIB);
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    EXPECT_EQ(header.biWidth, 3);
    EXPECT_EQ(header.biHeight, 2);
    EXPECT_EQ(header.biBitCount, 32);
    ASSERT_EQ(GlobalSize(dib), sizeof header + 3 * 2 * 4);
    DWORD bottomLeft, topLeft;
    std::memcpy(&bottomLeft, bytes + sizeof header, 4);
    std::memcpy(&topLeft, bytes + sizeof header + 12, 4);
    EXPECT_EQ(bottomLeft & 0xFFFFFF, 0x101010u);
    EXPECT_EQ(topLeft & 0xFFFFFF, 0xFF0000u);
    std::vector<BYTE> packed(bytes, bytes + GlobalSize(dib));
    GlobalUnlock(dib);

    // And back: a packed DIB set alone gives a bitmap with the same pixels.
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, packed.size());
    std::memcpy(GlobalLock(block), packed.data(), packed.size());
    GlobalUnlock(block);
    SetClipboardData(CF_DIB, block);
    auto* made = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(made, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, made);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0)); // 0x00FF0000 is red: bytes blue, green, red
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0x30, 0x30, 0x30));
    SelectObject(dc, old);
    DeleteDC(dc);

    // A packed DIB that lies about its size gives no bitmap.
    for (LONG height : { 3, 0x7FFFFFFF, LONG(0x80000000) }) {
        EmptyClipboard();
        std::vector<BYTE> lying = packed;
        std::memcpy(lying.data() + 8, &height, 4);
        block = GlobalAlloc(GMEM_MOVEABLE, lying.size());
        std::memcpy(GlobalLock(block), lying.data(), lying.size());
        GlobalUnlock(block);
        SetClipboardData(CF_DIB, block);
        EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr) << height;
    }
    EmptyClipboard();
    block = GlobalAlloc(GMEM_MOVEABLE, 10);
    SetClipboardData(CF_DIB, block);
    EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
    EmptyClipboard();
    CloseClipboard();
}
