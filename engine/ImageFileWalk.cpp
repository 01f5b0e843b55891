#include "engine/ImageFileWalk.h"

#include "platform/base/Directory.h"
#include "platform/base/Path.h"

namespace {
bool isReadableImageFormat(int format)
{
    return format == IMAGE_FORMAT_GIF || format == IMAGE_FORMAT_BMP || format == IMAGE_FORMAT_JPEG
        || format == IMAGE_FORMAT_PNG;
}

struct Walk {
    int& rejectCount;
    ImageFileCallback callback;
    void* context;
    ImageFileRejectCallback rejected;
};

int walkFile(const std::u16string& path, const Walk& walk)
{
    ImageFileInfo info;
    if (GetImageFileInfo(path, &info) != IMAGING_SUCCESS || !isReadableImageFormat(info.format)) {
        ++walk.rejectCount;
        if (walk.rejected)
            walk.rejected(path, walk.context);
        return 0;
    }
    ImageFileCallback callback = walk.callback;
    void* context = walk.context;
    if (!callback)
        return 1;
    return callback(path, info, context) != 0 ? 1 : 0;
}

// An unreadable folder adds nothing; the walk goes on with its siblings.
int walkFolder(std::u16string folder, const Walk& walk)
{
    if (folder.back() != u'/' && folder.back() != u'\\')
        folder += u'/';
    std::u16string pattern = folder + u"*.*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int accepted = 0;
    do {
        std::u16string name(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        std::u16string path = folder + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link to a folder is neither walked nor counted.
            if (IsDirectoryToDescend(found.dwFileAttributes))
                accepted += walkFolder(path, walk);
            continue;
        }
        accepted += walkFile(path, walk);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return accepted;
}
}

int WalkImageFiles(std::u16string_view path, int& rejectCount, ImageFileCallback callback, void* context,
    ImageFileRejectCallback rejected)
{
    Walk walk { rejectCount, callback, context, rejected };
    std::u16string start(path);
    if (PathIsDirectoryW(start.c_str()))
        return walkFolder(start, walk);
    return walkFile(start, walk);
}
