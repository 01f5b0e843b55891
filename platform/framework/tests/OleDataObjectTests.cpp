#include "platform/framework/OleDataObject.h"

#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

TEST(COleDataObject, TakesTheClipboardAsItStoodAndHandsOutCopies)
{
    const UINT format = RegisterClipboardFormatW(u"Data Object Test");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(block), "abc", 3);
    GlobalUnlock(block);
    SetClipboardData(format, block);
    CloseClipboard();

    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    // Later changes to the clipboard do not reach an attached object.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();

    EXPECT_TRUE(data.IsDataAvailable(CLIPFORMAT(format)));
    EXPECT_FALSE(data.IsDataAvailable(CF_TEXT));
    EXPECT_EQ(data.GetFileData(CF_TEXT), nullptr);
    std::unique_ptr<CFile> file(data.GetFileData(CLIPFORMAT(format)));
    ASSERT_NE(file, nullptr);
    char bytes[4] = {};
    EXPECT_EQ(file->Read(bytes, 4), 3u);
    EXPECT_STREQ(bytes, "abc");
    HGLOBAL copy = data.GetGlobalData(CLIPFORMAT(format));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(GlobalSize(copy), 3u);
    EXPECT_EQ(GlobalFree(copy), nullptr);

    // Attaching while this thread has the clipboard open leaves it open.
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(format, GlobalAlloc(GMEM_MOVEABLE, 1));
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_TRUE(data.IsDataAvailable(CLIPFORMAT(format)));
    EXPECT_EQ(EnumClipboardFormats(0), format) << "still open";
    // Opened elsewhere: attaching fails.
    std::thread([&] { EXPECT_FALSE(data.AttachClipboard()); }).join();
    CloseClipboard();
    EXPECT_FALSE(data.IsDataAvailable(CLIPFORMAT(format)));
}
