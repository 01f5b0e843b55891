#include "platform/controls/CommonDialogsInternal.h"

#include "platform/base/Unicode.h"
#include "platform/gdi/SystemModel.h"
#include "platform/shell/UserFolders.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>

namespace platform::controls::dialogs {

namespace {
thread_local DWORD t_lastError = 0;
}

void SetLastDialogError(DWORD error) { t_lastError = error; }

INT_PTR RunModal(const resources::ResDialog& dialogTemplate, HWND owner, DLGPROC procedure, LPARAM data)
{
    return DialogBoxIndirectParamW(nullptr, &dialogTemplate, owner, procedure, data);
}

std::string ToUtf8(const std::u16string& text) { return Utf16ToUtf8(text); }
std::u16string FromUtf8(const std::string& text) { return Utf8ToUtf16(text); }

bool IsFolder(const std::u16string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(ToUtf8(path), error);
}

bool Exists(const std::u16string& path)
{
    std::error_code error;
    return std::filesystem::exists(ToUtf8(path), error);
}

std::u16string WithoutTrailingSlash(std::u16string path)
{
    while (path.size() > 1 && path.back() == u'/')
        path.pop_back();
    return path;
}

std::u16string ParentOf(const std::u16string& path)
{
    const std::u16string p = WithoutTrailingSlash(path);
    const size_t slash = p.rfind(u'/');
    if (slash == std::u16string::npos)
        return p;
    return slash == 0 ? u"/" : p.substr(0, slash);
}

std::u16string NameOf(const std::u16string& path)
{
    const std::u16string p = WithoutTrailingSlash(path);
    const size_t slash = p.rfind(u'/');
    if (p == u"/")
        return p;
    return slash == std::u16string::npos ? p : p.substr(slash + 1);
}

std::u16string Join(const std::u16string& folder, const std::u16string& name)
{
    if (!name.empty() && name[0] == u'/')
        return name;
    if (folder.empty() || folder.back() == u'/')
        return folder + name;
    return folder + u"/" + name;
}

std::u16string HomeFolder() { return platform::shell::SpecialFolderPath(CSIDL_PROFILE); }

std::vector<FolderEntry> ListFolder(const std::u16string& folder, bool hidden)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(ToUtf8(folder), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!hidden && !name.empty() && name[0] == '.')
            continue;
        std::error_code kindError;
        entries.push_back({ FromUtf8(name), it->is_directory(kindError) });
    }
    auto lower = [](std::u16string s) {
        for (char16_t& c : s)
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c - u'A' + u'a');
        return s;
    };
    std::sort(entries.begin(), entries.end(), [&](const FolderEntry& a, const FolderEntry& b) {
        const auto la = lower(a.name);
        const auto lb = lower(b.name);
        return la != lb ? la < lb : a.name < b.name;
    });
    return entries;
}

bool MatchesPattern(const std::u16string& name, const std::u16string& pattern)
{
    if (pattern == u"*.*" || pattern == u"*")
        return true;
    return fnmatch(ToUtf8(pattern).c_str(), ToUtf8(name).c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0;
}

bool MatchesAny(const std::u16string& name, const std::u16string& patterns)
{
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(u';', start);
        if (end == std::u16string::npos)
            end = patterns.size();
        std::u16string one = patterns.substr(start, end - start);
        one.erase(0, one.find_first_not_of(u' '));
        while (!one.empty() && one.back() == u' ')
            one.pop_back();
        if (!one.empty() && MatchesPattern(name, one))
            return true;
        start = end + 1;
    }
    return false;
}

namespace {
void Box(HDC hdc, int left, int top, int right, int bottom, COLORREF fill, COLORREF edge)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, edge);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    Rectangle(hdc, left, top, right, bottom);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}
} // namespace

void DrawFolderGlyph(HDC hdc, int x, int y)
{
    Box(hdc, x + 1, y + 3, x + 8, y + 6, RGB(240, 200, 80), RGB(150, 110, 20));
    Box(hdc, x + 1, y + 5, x + 15, y + 14, RGB(250, 215, 100), RGB(150, 110, 20));
}

void DrawFileGlyph(HDC hdc, int x, int y)
{
    Box(hdc, x + 3, y + 1, x + 13, y + 15, RGB(255, 255, 255), RGB(110, 110, 110));
    for (int line = 0; line < 4; ++line)
        Box(hdc, x + 5, y + 4 + line * 2 + line, x + 11, y + 5 + line * 2 + line, RGB(170, 180, 200), RGB(170, 180, 200));
}

std::u16string ItemText(HWND list, int index, UINT getLength, UINT getText)
{
    const LRESULT length = SendMessage(list, getLength, WPARAM(index), 0);
    if (length < 0)
        return {};
    std::u16string text(size_t(length) + 1, u'\0');
    SendMessage(list, getText, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

} // namespace platform::controls::dialogs

DWORD CommDlgExtendedError() { return platform::controls::dialogs::t_lastError; }

void ILFree(ITEMIDLIST* list) { std::free(list); }
void CoTaskMemFree(void* memory) { std::free(memory); }
