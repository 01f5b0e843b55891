#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "platform/framework/Exceptions.h"
#include "platform/framework/File.h"
#include "platform/framework/OleDataObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

HBITMAP Alpha(int cx, int cy, BYTE seed)
{
    BYTE* bits = nullptr;
    HBITMAP bitmap = CreateDibSection32(nullptr, cx, cy, &bits);
    for (int i = 0; i < cx * cy * 4; ++i)
        bits[i] = BYTE(seed + i);
    return bitmap;
}

HICON SolidIcon(int size, COLORREF color, DWORD alpha = 0xFF000000u)
{
    HBITMAP image = Alpha(size, size, 0);
    DIBSECTION section {};
    GetObjectW(image, sizeof section, &section);
    auto* pixels = static_cast<DWORD*>(section.dsBm.bmBits);
    for (int i = 0; i < size * size; ++i)
        pixels[i] = alpha | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ICONINFO info { TRUE, 0, 0, mask, image };
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(image);
    DeleteObject(mask);
    return icon;
}

std::vector<BYTE> PixelsOf(HBITMAP bitmap)
{
    BitmapBits bits;
    EXPECT_TRUE(ReadBitmapBits(bitmap, &bits));
    return bits.pixels;
}

std::vector<BYTE> Store(CJQWImageManager& manager, UINT id)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CJQWPropExchangeArchive exchange(archive);
        manager.ExchangeIconSet(id, &exchange);
    }
    std::vector<BYTE> bytes(std::size_t(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), UINT(bytes.size()));
    return bytes;
}

// Loads a block under `id`; false when it was refused with an archive exception.
bool Load(CJQWImageManager& manager, UINT id, std::vector<BYTE> bytes)
{
    CMemFile file(bytes.data(), UINT(bytes.size()));
    CArchive archive(&file, CArchive::load);
    CJQWPropExchangeArchive exchange(archive);
    try {
        manager.ExchangeIconSet(id, &exchange);
    } catch (CException* error) {
        error->Delete();
        return false;
    }
    return true;
}

// The block of a set holding one 16 x 16 alpha icon, stored under `id` in the manager.
std::vector<BYTE> OneAlphaIconBlock(CJQWImageManager& manager, UINT id, BYTE seed)
{
    HBITMAP alpha = Alpha(16, 16, seed);
    manager.SetIcon(CJQWIconImageHandle(alpha), id);
    DeleteObject(alpha);
    return Store(manager, id);
}

std::vector<BYTE> IconBytes(CJQWImageManagerIcon* icon)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        icon->Serialize(archive);
    }
    std::vector<BYTE> bytes(std::size_t(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), UINT(bytes.size()));
    return bytes;
}

// The clipboard's block of the icon format, or nothing.
std::vector<BYTE> ClipboardBlock()
{
    COleDataObject data;
    EXPECT_TRUE(data.AttachClipboard());
    std::vector<BYTE> bytes;
    if (CFile* file = data.GetFileData(CLIPFORMAT(CJQWImageManager::m_nClipboardFormat))) {
        bytes.resize(std::size_t(file->GetLength()));
        file->Read(bytes.data(), UINT(bytes.size()));
        delete file;
    }
    return bytes;
}

void PutOnClipboard(const std::vector<BYTE>& bytes)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty())
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    SetClipboardData(CJQWImageManager::m_nClipboardFormat, block);
    CloseClipboard();
}

} // namespace

TEST(IconExchange, IconSetsRoundTripThroughTheClipboard)
{
    CJQWImageManager manager;
    HBITMAP alpha16 = Alpha(16, 16, 5);
    // A masked icon as toolbar strips make them (a colour alpha would not survive the masked
    // image list that reading goes through).
    HICON icon24 = SolidIcon(24, RGB(200, 20, 40), 0);
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(alpha16), 300));
    ASSERT_TRUE(manager.SetIcon(CJQWIconImageHandle(icon24), 300));
    const UINT lastCustom = manager.AddCustomIcon(CJQWIconImageHandle(alpha16));

    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_TRUE(manager.CopyIconToClipboard(300));
    CloseClipboard();
    WCHAR name[64];
    GetClipboardFormatNameW(CJQWImageManager::m_nClipboardFormat, name, 64);
    EXPECT_EQ(std::u16string(name), u"Pelmar ToolBar Image");
    const std::vector<BYTE> copied = ClipboardBlock();
    EXPECT_EQ(copied, Store(manager, 300));

    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    const UINT pasted = manager.PasteIconFromClipboard(&data);
    EXPECT_EQ(pasted, lastCustom + 1);
    CJQWImageManagerIcon* small = manager.GetImage(pasted, 16);
    CJQWImageManagerIcon* large = manager.GetImage(pasted, 24);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(small->GetExtent(), CSize(16, 16));
    EXPECT_EQ(large->GetExtent(), CSize(24, 24));
    EXPECT_EQ(PixelsOf(small->GetNormalImage().GetBitmap()), PixelsOf(alpha16));
    // Each pasted icon stores to the very bytes of its original. (Widths 16 and 24 share a
    // bucket of the map, so a set read back lists them in the other order.)
    for (int width : { 16, 24 })
        EXPECT_EQ(IconBytes(manager.GetImage(pasted, width)), IconBytes(manager.GetImage(300, width))) << width;
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_TRUE(manager.CopyIconToClipboard(pasted));
    CloseClipboard();
    EXPECT_EQ(ClipboardBlock().size(), copied.size());
    // Computed images are made anew from what was pasted.
    EXPECT_FALSE(small->GetFadedImage().IsEmpty());
    EXPECT_EQ(manager.PasteIconFromClipboard(&data), pasted + 1);
    DeleteObject(alpha16);
    DestroyIcon(icon24);
}

TEST(IconExchange, BadClipboardBlocksAreRefused)
{
    CJQWImageManager manager;
    const std::vector<BYTE> good = OneAlphaIconBlock(manager, 8, 9);
    std::vector<BYTE> wrongTag = good;
    wrongTag[4] = 'X';
    std::vector<BYTE> hugeHeader = good;
    const std::size_t header = 4 + 42 + 2 + 4 + 4 + 4;
    std::fill(hugeHeader.begin() + std::ptrdiff_t(header), hugeHeader.begin() + std::ptrdiff_t(header) + 6, 0xFF);
    const std::vector<BYTE> blocks[] = { {}, { 0xFF }, wrongTag, std::vector<BYTE>(good.begin(), good.begin() + 40) };
    UINT consumed = manager.AddCustomIcon(CJQWIconImageHandle(HBITMAP(nullptr)));
    for (const std::vector<BYTE>& block : blocks) {
        PutOnClipboard(block);
        COleDataObject data;
        ASSERT_TRUE(data.AttachClipboard());
        EXPECT_EQ(manager.PasteIconFromClipboard(&data), 0u) << block.size();
        EXPECT_EQ(manager.FindIconSet(++consumed), nullptr) << "a wrong tag touches no set";
    }
    // A damaged bitmap header inside an icon's data: the icon is entered empty.
    PutOnClipboard(hugeHeader);
    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    const UINT id = manager.PasteIconFromClipboard(&data);
    ASSERT_EQ(id, consumed + 1);
    ASSERT_NE(manager.GetImage(id, 16), nullptr);
    EXPECT_TRUE(manager.GetImage(id, 16)->GetNormalImage().IsEmpty());
    // Nothing of the format on the clipboard: 0, no id consumed.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_EQ(manager.PasteIconFromClipboard(&data), 0u);
    EXPECT_EQ(manager.PasteIconFromClipboard(nullptr), 0u);
    EXPECT_EQ(manager.AddCustomIcon(CJQWIconImageHandle(HBITMAP(nullptr))), id + 1);
}

TEST(IconExchange, IconSetsRoundTripThroughAnArchive)
{
    CJQWImageManager source;
    HBITMAP alpha16 = Alpha(16, 16, 1);
    HICON icon24 = SolidIcon(24, RGB(10, 200, 30));
    HBITMAP hot16 = Alpha(16, 16, 77);
    ASSERT_TRUE(source.SetIcon(CJQWIconImageHandle(alpha16), 40));
    ASSERT_TRUE(source.SetIcon(CJQWIconImageHandle(icon24), 40));
    ASSERT_TRUE(source.SetIcon(CJQWIconImageHandle(hot16), 40, CSize(16, 16), jqwImageHot));
    source.GetImage(40, 16)->GetFadedImage(); // computed images are never stored

    const std::vector<BYTE> block = Store(source, 40);
    CJQWImageManager target;
    ASSERT_TRUE(Load(target, 0x10B00, block));
    CJQWImageManagerIcon* small = target.GetImage(0x10B00, 16);
    CJQWImageManagerIcon* large = target.GetImage(0x10B00, 24);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(small->GetExtent(), CSize(16, 16));
    EXPECT_EQ(large->GetHeight(), 24);
    EXPECT_TRUE(small->IsAlphaIcon());
    EXPECT_EQ(PixelsOf(small->GetNormalImage().GetBitmap()), PixelsOf(alpha16));
    EXPECT_EQ(PixelsOf(small->GetHotImage().GetBitmap()), PixelsOf(hot16));
    ASSERT_NE(large->GetNormalImage().GetIcon(), nullptr);
    EXPECT_EQ(GetIconExtent(large->GetNormalImage().GetIcon()).cx, 24);
    // Loading id 0x10B00 raised the custom ids past it.
    EXPECT_EQ(target.AddCustomIcon(CJQWIconImageHandle(alpha16)), 0x10B01u);

    // The whole store, then an archive read back into a fresh manager.
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        source.Serialize(archive);
    }
    file.SeekToBegin();
    CJQWImageManager all;
    {
        CArchive archive(&file, CArchive::load);
        all.Serialize(archive);
    }
    EXPECT_NE(all.GetImage(40, 24), nullptr);
    EXPECT_EQ(PixelsOf(all.GetImage(40, 16)->GetNormalImage().GetBitmap()), PixelsOf(alpha16));
    DeleteObject(alpha16);
    DeleteObject(hot16);
    DestroyIcon(icon24);
}

TEST(IconExchange, TagEmptySetsAndOlderSchemas)
{
    CJQWImageManager manager;
    // No set under the id: the tag and a zero count; loading it makes an empty set.
    std::vector<BYTE> empty = Store(manager, 5);
    std::vector<BYTE> expected = { 0xFF, 0xFE, 0xFF, 21 };
    for (char c : std::string("CJQWImageManagerIcons")) {
        expected.push_back(BYTE(c));
        expected.push_back(0);
    }
    expected.push_back(0);
    expected.push_back(0);
    EXPECT_EQ(empty, expected);
    ASSERT_TRUE(Load(manager, 5, empty));
    ASSERT_NE(manager.FindIconSet(5), nullptr);
    EXPECT_EQ(manager.GetImage(5, 16), nullptr);

    // A tag one letter short is refused before any set is touched.
    HBITMAP alpha = Alpha(16, 16, 3);
    manager.SetIcon(CJQWIconImageHandle(alpha), 6);
    std::vector<BYTE> wrong = empty;
    wrong[3] = 20;
    wrong.erase(wrong.begin() + 4 + 40, wrong.begin() + 4 + 42);
    EXPECT_FALSE(Load(manager, 6, wrong));
    EXPECT_NE(manager.GetImage(6, 16), nullptr);

    // An icon written with schema 7: no checked or pressed image is read, and the stream goes on.
    std::vector<BYTE> old = Store(manager, 6);
    // Find the icon's schema (23) right after its height (16) and make it 7; drop the checked
    // and pressed parts (two zero counts each) that follow the hot image.
    const std::size_t at = 4 + 42 + 2 + 4 + 4; // tag, count, width, height
    ASSERT_EQ(old[at], 23);
    old[at] = 7;
    ASSERT_EQ(std::vector<BYTE>(old.end() - 8, old.end()), std::vector<BYTE>(8, 0));
    old.resize(old.size() - 8);
    CJQWImageManager reader;
    ASSERT_TRUE(Load(reader, 6, old));
    EXPECT_EQ(PixelsOf(reader.GetImage(6, 16)->GetNormalImage().GetBitmap()), PixelsOf(alpha));
    DeleteObject(alpha);
}

TEST(IconExchange, DamagedBlocksAreRefusedWithoutACrash)
{
    CJQWImageManager manager;
    const std::vector<BYTE> good = OneAlphaIconBlock(manager, 7, 9);
    const std::size_t header = 4 + 42 + 2 + 4 + 4 + 4; // up to the colour part's header count
    ASSERT_EQ(good[header], 52); // the 40-byte header and three colour-table entries
    struct Damage {
        std::size_t at;
        std::vector<BYTE> bytes;
    };
    const Damage damages[] = {
        { header, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F } },   // a header of 2 GB
        { header + 2 + 4, { 0xFF, 0xFF, 0, 0x40 } },            // width 0x4000FFFF
        { header + 2 + 8, { 0, 0, 0, 0x80 } },                  // height INT_MIN
        { header + 2 + 14, { 7, 0 } },                          // 7 bits per pixel
        { header + 2 + 52, { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0 } } // more pixels than the picture
    };
    for (const Damage& damage : damages) {
        std::vector<BYTE> bad = good;
        std::copy(damage.bytes.begin(), damage.bytes.end(), bad.begin() + std::ptrdiff_t(damage.at));
        CJQWImageManager reader;
        Load(reader, 7, bad);
        CJQWImageManagerIcon* icon = reader.GetImage(7, 16);
        // The icon is entered, with the images read before the damage (none here).
        ASSERT_NE(icon, nullptr) << damage.at;
        EXPECT_TRUE(icon->GetNormalImage().IsEmpty()) << damage.at;
    }
    std::vector<BYTE> cut(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2));
    CJQWImageManager reader;
    Load(reader, 7, cut);
}

TEST(IconExchange, AnIconStoredWithWidthZeroDrawsNothing)
{
    CJQWImageManager manager;
    std::vector<BYTE> block = OneAlphaIconBlock(manager, 9, 200);
    const std::size_t width = 4 + 42 + 2; // tag, count
    ASSERT_EQ(block[width], 16);
    block[width] = 0;
    CJQWImageManager reader;
    ASSERT_TRUE(Load(reader, 9, block));
    CJQWImageManagerIcon* icon = reader.GetImage(9, 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetWidth(), 0);
    ASSERT_FALSE(icon->GetNormalImage().IsEmpty());

    BYTE* bits = nullptr;
    HBITMAP target = CreateDibSection32(nullptr, 16, 16, &bits);
    std::fill(bits, bits + 16 * 16 * 4, BYTE(0x55));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_FALSE(icon->DrawNormalImage(dc, 0, 0));
    EXPECT_FALSE(icon->Draw(dc, 0, 0, const_cast<CJQWIconImageHandle&>(icon->GetNormalImage()), 16));
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(std::count(bits, bits + 16 * 16 * 4, BYTE(0x55)), 16 * 16 * 4);
    DeleteObject(target);
}

TEST(IconExchange, APictureIsOnlyAsLargeAsThePixelsStoredForIt)
{
    CJQWImageManager manager;
    const std::vector<BYTE> good = OneAlphaIconBlock(manager, 7, 9);
    const std::size_t header = 4 + 42 + 2 + 4 + 4 + 4; // up to the colour part's header count
    const std::size_t pixelCount = header + 2 + 52;
    ASSERT_EQ(good[pixelCount] | (good[pixelCount + 1] << 8), 16 * 16 * 4);
    const auto rest = good.begin() + std::ptrdiff_t(pixelCount + 2 + 16 * 16 * 4); // the mask part on
    // The colour part with its header changed to (width, height) and `count` pixel bytes stored.
    auto withPicture = [&](DWORD width, DWORD height, std::vector<BYTE> countBytes, std::size_t carried) {
        std::vector<BYTE> block(good.begin(), good.begin() + std::ptrdiff_t(pixelCount));
        std::memcpy(block.data() + header + 2 + 4, &width, 4);
        std::memcpy(block.data() + header + 2 + 8, &height, 4);
        block.reserve(block.size() + countBytes.size() + carried + std::size_t(good.end() - rest));
        std::copy(countBytes.begin(), countBytes.end(), std::back_inserter(block));
        block.resize(block.size() + carried, BYTE(0x80));
        std::copy(rest, good.end(), std::back_inserter(block));
        return block;
    };
    struct Case {
        const char* what;
        std::vector<BYTE> block;
    } cases[] = {
        { "4096 x 4096 with no pixels", withPicture(4096, 4096, { 0, 0 }, 0) },
        { "4096 x 4096 declaring its 64 MB, carrying 100 bytes",
            withPicture(4096, 4096, { 0xFF, 0xFF, 0, 0, 0, 4 }, 100) },
        { "16 x 16 with a quarter of its rows", withPicture(16, 16, { 0, 1 }, 256) },
    };
    // Refused as damaged: the icon is entered without its images, by load and by paste alike.
    for (const Case& c : cases) {
        CJQWImageManager reader;
        Load(reader, 7, c.block);
        CJQWImageManagerIcon* icon = reader.GetImage(7, 16);
        ASSERT_NE(icon, nullptr) << c.what;
        EXPECT_TRUE(icon->GetNormalImage().IsEmpty()) << c.what;

        PutOnClipboard(c.block);
        COleDataObject data;
        ASSERT_TRUE(data.AttachClipboard());
        const UINT id = reader.PasteIconFromClipboard(&data);
        ASSERT_NE(reader.GetImage(id, 16), nullptr) << c.what;
        EXPECT_TRUE(reader.GetImage(id, 16)->GetNormalImage().IsEmpty()) << c.what;
    }
    // The unchanged block still loads.
    CJQWImageManager reader;
    EXPECT_TRUE(Load(reader, 7, good));
    ASSERT_NE(reader.GetImage(7, 16), nullptr);
    EXPECT_FALSE(reader.GetImage(7, 16)->GetNormalImage().IsEmpty());
}
