#pragma once
// The API-level file object; here it sums the size of a folder tree (sizing an upload's progress).

#include "components/foundation/ClsBase.h"
#include "platform/base/FileHandle.h"
#include "platform/base/Types.h"

#include <cstdint>

class ProgressEvent;
class XString;

class ClsFileAccess : public ClsBase {
public:
    ClsFileAccess() = default;
    ~ClsFileAccess() override;

    // Walks the tree depth first, files and folders of every level, hidden ones included; links to
    // folders are neither entered nor counted, and a file whose size cannot be read adds nothing.
    // With an event and a non-zero interval, OnHeartbeat is raised every interval; when it sets
    // *aborted the walk stops and the result is false with the counts so far. The start folder
    // itself is not counted.
    bool GetDirTreeSize(const XString& directory, std::int64_t* totalSize, int* fileCount, int* directoryCount,
        ProgressEvent* event, DWORD heartbeatMs, bool* aborted);

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
