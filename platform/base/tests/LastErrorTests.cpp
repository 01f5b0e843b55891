#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

TEST(LastError, IsPerThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenOnOtherThread = 12345;
    std::thread([&] { seenOnOtherThread = GetLastError(); }).join();
    EXPECT_EQ(seenOnOtherThread, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(LastError, MapsErrnoToPlatformCodes)
{
    EXPECT_EQ(ErrorCodeFromErrno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrorCodeFromErrno(ENOTDIR), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ErrorCodeFromErrno(EEXIST), ERROR_FILE_EXISTS);
    EXPECT_EQ(ErrorCodeFromErrno(EEXIST, /*isDirectoryContext=*/true), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ErrorCodeFromErrno(EXDEV), ERROR_NOT_SAME_DEVICE);
    EXPECT_EQ(ErrorCodeFromErrno(ENOSPC), ERROR_DISK_FULL);
}
