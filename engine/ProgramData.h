#pragma once
// Program-folder data shared by the actions and the windows above them: the gallery themes
// ("gallery_themes/" beside the program, one sub-folder per theme) and the name part of a path.

#include <string>
#include <string_view>
#include <vector>

// The program folder followed by "gallery_themes/".
std::u16string GetGalleryThemesFolder();

// Appends the name of every sub-folder of the gallery themes folder in listing order, without
// clearing the array; plain files, "." and ".." are skipped. A missing folder adds nothing.
void ListGalleryThemes(std::vector<std::u16string>& themes);

// The text after the last folder separator ('/' or '\'); the whole text when it has none.
std::u16string GetFileNamePart(std::u16string_view path);
