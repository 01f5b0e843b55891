#include "platform/base/GlobalMemory.h"
#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(GlobalMemory, MoveableBlocksLockCountAndFree)
{
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* first = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(first[i], 0) << i;
    EXPECT_EQ(GlobalLock(block), first);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(first), block);
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_FALSE(GlobalUnlock(block)); // not locked any more

    std::memcpy(GlobalLock(block), "0123456789abcdef", 16);
    GlobalUnlock(block);
    HGLOBAL grown = GlobalReAlloc(block, 32, GMEM_ZEROINIT);
    ASSERT_EQ(grown, block);
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(std::memcmp(bytes, "0123456789abcdef", 16), 0);
    EXPECT_EQ(bytes[31], 0);
    GlobalUnlock(block);

    EXPECT_EQ(GlobalFree(block), nullptr);
    // A freed handle is dead: every call refuses it instead of touching memory.
    SetLastError(0);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalFlags(block), GMEM_INVALID_HANDLE);
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnDataAndHugeBlocksAreRefused)
{
    HGLOBAL fixed = GlobalAlloc(GPTR, 4);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(*static_cast<DWORD*>(fixed), 0u);
    EXPECT_FALSE(GlobalUnlock(fixed));
    EXPECT_EQ(GlobalFree(fixed), nullptr);

    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    GlobalFree(empty);

    SetLastError(0);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(8) << 30), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    int local = 0;
    EXPECT_EQ(GlobalLock(&local), nullptr);
}
