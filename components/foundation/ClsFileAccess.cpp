#include "components/foundation/ClsFileAccess.h"

#include "components/foundation/ClsFileList.h"
#include "components/foundation/ClsStringArray.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/XString.h"
#include "components/foundation/ProgressEvent.h"
#include "platform/base/Clock.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

ClsFileAccess::~ClsFileAccess() { CloseHandleIfValid(m_handle); }

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string NormalisedFolder(const char* text)
{
    std::string folder = text ? text : "";
    size_t begin = 0;
    while (begin < folder.size() && IsSpace(folder[begin]))
        ++begin;
    size_t end = folder.size();
    while (end > begin && IsSpace(folder[end - 1]))
        --end;
    folder = folder.substr(begin, end - begin);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsLinkToFolder(const char* path)
{
    XString text;
    text.SetFromUtf8(path);
    DWORD attributes = 0;
    return FileSys::GetAttributes(text, &attributes, nullptr, nullptr) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool ClsFileAccess::GetDirTreeSize(const XString& directory, std::int64_t* totalSize, int* fileCount,
    int* directoryCount, ProgressEvent* event, DWORD heartbeatMs, bool* aborted)
{
    std::int64_t total = 0;
    int files = 0;
    int folders = 0;
    bool stop = false;
    auto publish = [&]() {
        if (totalSize)
            *totalSize = total;
        if (fileCount)
            *fileCount = files;
        if (directoryCount)
            *directoryCount = folders;
        if (aborted)
            *aborted = stop;
    };
    publish();

    std::vector<std::string> work { NormalisedFolder(directory.GetUtf8()) };
    DWORD lastTick = GetTickCount();
    // True when the event asked to stop.
    auto heartbeat = [&]() {
        if (!event || heartbeatMs == 0)
            return false;
        DWORD now = GetTickCount();
        if (now <= lastTick) {
            lastTick = now;
            return false;
        }
        if (now - lastTick <= heartbeatMs)
            return false;
        event->OnHeartbeat(0, &stop);
        lastTick = now;
        return stop;
    };

    ClsFileList lister;
    while (!work.empty()) {
        if (heartbeat()) {
            publish();
            return false;
        }
        std::string folder = std::move(work.back());
        work.pop_back();
        lister.m_directory.SetFromUtf8(folder.c_str());

        std::unique_ptr<ClsStringArray> paths(lister.GetFiles("*"));
        files += paths->GetCount();
        for (int i = 0; i < paths->GetCount(); ++i) {
            bool ok = false;
            std::int64_t size = FileSys::GetFileSize64Utf8(paths->GetString(i), nullptr, &ok);
            if (ok)
                total += size;
        }

        if (heartbeat()) {
            publish();
            return false;
        }
        std::unique_ptr<ClsStringArray> subfolders(lister.GetDirectories("*"));
        for (int i = 0; i < subfolders->GetCount(); ++i) {
            const char* path = subfolders->GetString(i);
            // Entering links to folders could walk a cycle for ever.
            if (IsLinkToFolder(path))
                continue;
            ++folders;
            work.push_back(NormalisedFolder(path));
        }
    }
    publish();
    return true;
}
