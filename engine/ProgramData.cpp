#include "engine/ProgramData.h"

#include "engine/ProgramFolder.h"
#include "platform/base/Directory.h"

std::u16string GetGalleryThemesFolder() { return GetProgramFolder() + u"gallery_themes/"; }

void ListGalleryThemes(std::vector<std::u16string>& themes)
{
    WIN32_FIND_DATAW found;
    std::u16string pattern = GetGalleryThemesFolder() + u"*";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::u16string_view name(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != u"." && name != u"..")
            themes.emplace_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::u16string GetFileNamePart(std::u16string_view path)
{
    std::size_t separator = path.find_last_of(u"/\\");
    return std::u16string(separator == std::u16string_view::npos ? path : path.substr(separator + 1));
}
