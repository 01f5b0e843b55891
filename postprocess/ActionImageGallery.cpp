#include "postprocess/ActionImageGallery.h"

#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ProgramData.h"
#include "engine/ResultCodes.h"
#include "postprocess/GalleryPages.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/Directory.h"
#include "platform/base/LastError.h"
#include "platform/base/Path.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <cmath>
#include <filesystem>
#include <map>

namespace {

constexpr int RESULT_INVALID_PAGE_COUNT = 16;
constexpr int RESULT_FOLDER_NOT_CREATED = 17;

bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

bool isFolder(std::u16string_view path) { return PathIsDirectoryW(std::u16string(path).c_str()) != FALSE; }

// The path with links and "." or ".." resolved as far as it exists.
std::filesystem::path resolved(std::u16string_view path)
{
    std::error_code error;
    std::filesystem::path p(Utf16ToUtf8(WithoutTrailingSeparator(path)));
    std::filesystem::path result = std::filesystem::weakly_canonical(p, error);
    return error ? p.lexically_normal() : result;
}

// Whether `inner` is `outer` or lies below it.
bool isSameOrBelow(const std::filesystem::path& inner, const std::filesystem::path& outer)
{
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty())
            continue;
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

bool copyTree(const std::u16string& source, const std::u16string& target)
{
    if (!CreateDirectoryW(target.c_str(), nullptr)) {
        if (GetLastError() != ERROR_ALREADY_EXISTS || !isFolder(target))
            return false;
    }
    bool ok = true;
    std::u16string pattern = source + u"/*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::u16string name(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        std::u16string from = source + u"/" + name;
        std::u16string to = target + u"/" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsDirectoryToDescend(found.dwFileAttributes) && !copyTree(from, to))
                ok = false;
        } else if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
            ok = false;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return ok;
}

}

bool IsPlainThemeName(std::u16string_view theme)
{
    if (theme.empty() || theme == u"." || theme == u"..")
        return false;
    for (char16_t c : theme) {
        if (isSeparator(c) || c == 0)
            return false;
    }
    return true;
}

bool CreateFolderPath(std::u16string_view path)
{
    std::u16string text = WithoutTrailingSeparator(path);
    if (text.empty())
        return false;
    const std::size_t end = text.size();
    std::size_t cursor = end;
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::u16string folder = text.substr(0, cursor);
        bool exists = CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
        DWORD error = exists ? 0 : GetLastError();
        // A file of that name is no folder to put things in.
        if (!exists && error == ERROR_ALREADY_EXISTS)
            exists = isFolder(folder);
        if (exists) {
            if (cursor == end)
                return true;
            std::size_t next = text.find_first_of(u"/\\", cursor + 1);
            cursor = next == std::u16string::npos ? end : next;
        } else if (error == ERROR_PATH_NOT_FOUND) {
            std::size_t previous = folder.find_last_of(u"/\\");
            if (previous == std::u16string::npos || previous == 0)
                return false;
            cursor = previous;
        } else {
            return false;
        }
    }
    return false;
}

bool CopyFolderInto(std::u16string_view sourceFolder, std::u16string_view targetFolder)
{
    std::u16string source = WithoutTrailingSeparator(sourceFolder);
    std::u16string target = WithoutTrailingSeparator(targetFolder);
    if (!isFolder(source) || !isFolder(target))
        return false;
    std::u16string copy = target + u"/" + GetFileNamePart(source);
    // A copy into the folder itself or below it would copy its own copy again and again.
    if (isSameOrBelow(resolved(copy), resolved(source)))
        return false;
    return copyTree(source, copy);
}

bool CopyThemeFolder(std::u16string_view themeFolder, std::u16string_view destinationFolder)
{
    std::u16string theme = WithTrailingSeparator(themeFolder);
    std::u16string destination = WithTrailingSeparator(destinationFolder);
    std::u16string pattern = theme + u"*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        std::u16string name(found.cFileName);
        if (name == u"." || name == u"..")
            continue;
        std::u16string from = theme + name;
        bool copied = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ? CopyFolderInto(from, destination)
            : CopyFileW(from.c_str(), (destination + name).c_str(), FALSE) != FALSE;
        if (!copied)
            ok = false;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return ok;
}

CActionImageGallery::CActionImageGallery()
{
    SetPropertyString(u"theme", u"default");
    SetPropertyString(u"destinationdir", u"");
    SetPropertyString(u"description", LoadStringText(131));
    SetPropertyString(u"title", LoadStringText(132));
    SetPropertyInt(u"thumbsperpage", 20);
}

std::u16string CActionImageGallery::GetName() const { return LoadStringText(117); }
std::u16string CActionImageGallery::GetDescription() const { return LoadStringText(258); }

bool CActionImageGallery::ShowPropertyDialog(int, HWND)
{
    GalleryDialogValues values;
    GetPropertyString(u"theme", values.theme);
    GetPropertyString(u"destinationdir", values.destinationDir);
    GetPropertyString(u"description", values.description);
    GetPropertyString(u"title", values.title);
    GetPropertyInt(u"thumbsperpage", values.thumbsPerPage);
    if (GetPostProcessPropertyDialogs().RunGalleryDialog(values) != IDOK)
        return false;
    SetPropertyString(u"theme", values.theme);
    SetPropertyString(u"destinationdir", values.destinationDir);
    SetPropertyString(u"description", values.description);
    SetPropertyString(u"title", values.title);
    SetPropertyInt(u"thumbsperpage", values.thumbsPerPage);
    return true;
}

int CActionImageGallery::PostProcess()
{
    m_outputPath.clear();
    if (GetStack() && GetStack()->IsPreview())
        return RESULT_SUCCESS;
    const std::u16string name = GetName();

    std::u16string title, description, theme;
    GetPropertyString(u"title", title);
    GetPropertyString(u"description", description);
    GetPropertyString(u"theme", theme);
    std::u16string themeFolder = GetGalleryThemesFolder() + theme + u"/";
    // Theme names are matched without case, as the property dialog offers them.
    if (IsPlainThemeName(theme) && !isFolder(themeFolder)) {
        std::vector<std::u16string> themes;
        ListGalleryThemes(themes);
        for (const std::u16string& candidate : themes) {
            if (EqualsNoCase(std::u16string_view(candidate), std::u16string_view(theme))) {
                themeFolder = GetGalleryThemesFolder() + candidate + u"/";
                break;
            }
        }
    }
    // Only a folder right inside the themes folder is a theme.
    if (!IsPlainThemeName(theme) || !isFolder(themeFolder)) {
        LogError(u"%s: Theme folder does not exist (%s)", name, themeFolder);
        return RESULT_INVALID_FILE;
    }

    std::u16string destination;
    GetPropertyString(u"destinationdir", destination);
    if (destination.empty() || !isFolder(destination)) {
        LogError(u"%s: Destination folder does not exist (%s)", name, destination);
        return RESULT_INVALID_FILE;
    }
    destination = WithTrailingSeparator(destination);

    int perPage = 0;
    GetPropertyInt(u"thumbsperpage", perPage);
    if (perPage <= 0) {
        LogError(u"%s: Invalid page count specified (%d)", name, perPage);
        return RESULT_INVALID_PAGE_COUNT;
    }

    const std::vector<CFileTarget*>& targets = GetCollected();
    const int pageCount = int(std::ceil(float(targets.size()) / float(perPage)));

    const std::u16string thumbs = destination + u"thumbs/";
    if (!CreateFolderPath(thumbs)) {
        LogError(u"%s: Failed to create thumbnail folder(%s)", name, thumbs);
        return RESULT_FOLDER_NOT_CREATED;
    }
    const std::u16string images = destination + u"images/";
    if (!CreateFolderPath(images)) {
        LogError(u"%s: Failed to create final image folder(%s)", name, images);
        return RESULT_FOLDER_NOT_CREATED;
    }

    GalleryPageJob job;
    job.actionName = name;
    job.themeFolder = themeFolder;
    job.destinationFolder = destination;
    job.pageCount = pageCount;
    job.thumbsPerPage = perPage;
    job.title = title;
    job.description = description;
    // Pages link pictures by file name: a second picture of a name takes the first one's place.
    // The line names both, as the save of two inputs to one path does.
    std::map<std::u16string, std::u16string> thumbNames, imageNames;
    for (CFileTarget* target : targets) {
        GalleryPageItem item { target->GetSourcePath(), target->GetOutputOrSourcePath() };
        auto thumbTaken = thumbNames.emplace(GetFileNamePart(item.outputPath), item.sourcePath);
        auto imageTaken = imageNames.emplace(GetFileNamePart(item.sourcePath), item.sourcePath);
        if (!thumbTaken.second || !imageTaken.second)
            LogError(u"%s: (Non-fatal) Another picture has the file name of %s (%s); the gallery shows only one of them", name,
                item.sourcePath, !imageTaken.second ? imageTaken.first->second : thumbTaken.first->second);
        std::u16string thumb = thumbs + GetFileNamePart(item.outputPath);
        if (!CopyFileW(item.outputPath.c_str(), thumb.c_str(), FALSE))
            LogError(u"%s: (Non-fatal) Failed to copy a thumbnail file(%s)", name, item.outputPath);
        std::u16string image = images + GetFileNamePart(item.sourcePath);
        if (!CopyFileW(item.sourcePath.c_str(), image.c_str(), FALSE))
            LogError(u"%s: (Non-fatal) Failed to copy a final image file(%s)", name, item.sourcePath);
        job.items.push_back(std::move(item));
    }

    WriteGalleryPages(job);

    if (!CopyThemeFolder(themeFolder, destination))
        LogError(u"%s: Copying the theme directory did not succeed completely.  There may be problems with outputted gallery",
            name);

    m_outputPath = destination;
    return RESULT_SUCCESS;
}
