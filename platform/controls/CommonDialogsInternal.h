#pragma once
// What the common dialogs share: the thread's last error, running a modal dialog from a template
// with an owner, file-system helpers over UTF-16 paths, and the small pictures their lists draw.

#include "platform/controls/CommonDialogs.h"

#include <string>
#include <vector>

namespace platform::controls::dialogs {

void SetLastDialogError(DWORD error);

// Creates the dialog from `dialogTemplate`, disables the owner, centres the dialog on it (or on
// the screen) and runs the modal loop; -1 when it could not be made.
INT_PTR RunModal(const resources::ResDialog& dialogTemplate, HWND owner, DLGPROC procedure, LPARAM data);

std::string ToUtf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);
bool IsFolder(const std::u16string& path);
bool Exists(const std::u16string& path);
// "/a/b/" -> "/a/b"; "/" stays.
std::u16string WithoutTrailingSlash(std::u16string path);
std::u16string ParentOf(const std::u16string& path);
std::u16string NameOf(const std::u16string& path);
std::u16string Join(const std::u16string& folder, const std::u16string& name);
// The user's home folder.
std::u16string HomeFolder();

struct FolderEntry {
    std::u16string name;
    bool folder = false;
};
// Sorted without case, then by code units; hidden entries (a leading dot) only when asked for.
std::vector<FolderEntry> ListFolder(const std::u16string& folder, bool hidden);

// Case-insensitive match of one pattern ("*.png", "a?c") against a name; "*.*" matches every name.
bool MatchesPattern(const std::u16string& name, const std::u16string& pattern);
// "*.jpg;*.png" matches a name that any of its patterns matches.
bool MatchesAny(const std::u16string& name, const std::u16string& patterns);

// A 16 by 16 folder or page picture at (x, y).
void DrawFolderGlyph(HDC hdc, int x, int y);
void DrawFileGlyph(HDC hdc, int x, int y);

std::u16string ItemText(HWND list, int index, UINT getLength, UINT getText);

} // namespace platform::controls::dialogs
