#pragma once
// Test hook: makes the file layer's system calls fail on purpose, so that callers' failure paths
// (a full disk, a sharing violation, a file system without atomic no-replace rename, a move across
// devices) can be exercised on an ordinary scratch folder. Faults are per thread: a test arms
// them, runs the code under test on the same thread, and clears them.

#include "platform/base/Types.h"

enum class FileFaultPoint {
    Open, // CreateFile, CopyFile's and the atomic writer's opens
    Read, // each read system call
    Write, // each write system call
    Rename, // each rename, including the no-replace form used by MoveFile
    Link, // the hard link that stands in for a no-replace rename
    Sync, // fsync
};

// The next `count` calls through `point` on this thread fail with `errnoValue` (a POSIX errno
// value; the layer maps it as it would a real failure) without reaching the kernel.
void InjectFileFaultForTesting(FileFaultPoint point, int errnoValue, int count = 1);

// Sharing violations have no errno: the next `count` CreateFile calls on this thread fail with
// this platform code instead.
void InjectCreateFileErrorForTesting(DWORD errorCode, int count = 1);

void ClearFileFaultsForTesting();
