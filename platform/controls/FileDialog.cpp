// The open and save dialog: a "Look in" combo with the folder and its ancestors, an Up button, a
// list of the folder's sub-folders and then the files its filter matches, the name edit, the
// filter combo, and the Open (Save) and Cancel buttons. A typed folder path navigates, a typed
// pattern filters, a typed name (or several quoted names) is chosen. Opening a missing file and
// replacing an existing one are asked about through message boxes.

#include "platform/controls/CommonDialogsInternal.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/user/MessageBox.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace platform::controls {

using namespace dialogs;
using resources::ResDialog;
using resources::ResDialogControl;

namespace {

struct Filter {
    std::u16string description;
    std::u16string patterns;
};

struct FileDialog {
    OPENFILENAMEW* ofn = nullptr;
    bool save = false;
    bool multi = false;
    std::vector<Filter> filters;
    size_t filterIndex = 0;
    std::u16string typedPattern; // a pattern typed into the name edit, until the filter changes
    std::u16string folder;
    std::vector<std::u16string> folderChain; // the "Look in" items
    std::vector<FolderEntry> entries;        // the list's items
    FileDialogResult result;
    std::u16string title;
    // OFN_ENABLESIZING: where each control sat in the first client area, and that area.
    std::vector<std::pair<HWND, RECT>> placed;
    SIZE firstClient {};
    SIZE minimumWindow {};
};

std::vector<Filter> ParseFilters(const WCHAR* list)
{
    std::vector<Filter> filters;
    if (!list)
        return filters;
    while (*list) {
        Filter f;
        f.description = list;
        list += f.description.size() + 1;
        if (!*list)
            break;
        f.patterns = list;
        list += f.patterns.size() + 1;
        filters.push_back(std::move(f));
    }
    return filters;
}

std::u16string CurrentPatterns(const FileDialog& d)
{
    if (!d.typedPattern.empty())
        return d.typedPattern;
    if (d.filterIndex < d.filters.size())
        return d.filters[d.filterIndex].patterns;
    return u"*";
}

std::u16string CurrentFolder()
{
    char buffer[4096];
    return getcwd(buffer, sizeof(buffer)) ? FromUtf8(buffer) : HomeFolder();
}

// ---- The template ----------------------------------------------------------------------------

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kListStyle = kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED
    | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;

template <DWORD ListExtra>
const ResDialog& Template()
{
    static const ResDialogControl controls[] = {
        { u"Static", u"Look &in:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 7, 8, 42, 9, 0 },
        { u"ComboBox", u"", 0, false, kFileDialogFolderCombo, kChild | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST
                | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
            0, 52, 6, 190, 150, 0 },
        { u"Button", u"Up", 0, false, kFileDialogUpButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 248, 5, 45, 14, 0 },
        { u"ListBox", u"", 0, false, kFileDialogList, kListStyle | ListExtra, 0, 7, 24, 286, 116, 0 },
        { u"Static", u"File &name:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 7, 150, 50, 9, 0 },
        { u"Edit", u"", 0, false, kFileDialogNameEdit, kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 60, 148, 172,
            13, 0 },
        { u"Static", u"Files of &type:", 0, false, 0xFFFF, kChild | SS_LEFT, 0, 7, 168, 52, 9, 0 },
        { u"ComboBox", u"", 0, false, kFileDialogTypeCombo, kChild | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 60,
            166, 172, 100, 0 },
        { u"Button", u"&Open", 0, false, IDOK, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 240, 147, 53, 14, 0 },
        { u"Button", u"Cancel", 0, false, IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 240, 165, 53, 14, 0 },
    };
    static const ResDialog dialog { resources::kDialogTag,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 300, 186, u"Open", u"", u"", 8,
        u"MS Shell Dlg", std::size(controls), controls };
    return dialog;
}

// ---- Filling the controls --------------------------------------------------------------------

void FillFolderCombo(HWND dialog, FileDialog& d)
{
    HWND combo = GetDlgItem(dialog, kFileDialogFolderCombo);
    SendMessage(combo, CB_RESETCONTENT, 0, 0);
    d.folderChain.clear();
    for (std::u16string at = d.folder;; at = ParentOf(at)) {
        d.folderChain.insert(d.folderChain.begin(), at);
        if (at == u"/" || ParentOf(at) == at)
            break;
    }
    for (size_t i = 0; i < d.folderChain.size(); ++i) {
        const LRESULT index = SendMessage(combo, CB_ADDSTRING, 0, LPARAM(NameOf(d.folderChain[i]).c_str()));
        SendMessage(combo, CB_SETITEMDATA, WPARAM(index), LPARAM(i)); // the depth
    }
    SendMessage(combo, CB_SETCURSEL, d.folderChain.size() - 1, 0);
}

void FillList(HWND dialog, FileDialog& d)
{
    HWND list = GetDlgItem(dialog, kFileDialogList);
    SendMessage(list, WM_SETREDRAW, FALSE, 0);
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    const bool hidden = (d.ofn->Flags & OFN_FORCESHOWHIDDEN) != 0;
    const std::u16string patterns = CurrentPatterns(d);
    d.entries.clear();
    std::vector<FolderEntry> all = ListFolder(d.folder, hidden);
    for (const FolderEntry& e : all)
        if (e.folder)
            d.entries.push_back(e);
    for (const FolderEntry& e : all)
        if (!e.folder && MatchesAny(e.name, patterns))
            d.entries.push_back(e);
    for (size_t i = 0; i < d.entries.size(); ++i) {
        const LRESULT index = SendMessage(list, LB_ADDSTRING, 0, LPARAM(d.entries[i].name.c_str()));
        SendMessage(list, LB_SETITEMDATA, WPARAM(index), d.entries[i].folder ? 1 : 0);
    }
    SendMessage(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void Navigate(HWND dialog, FileDialog& d, const std::u16string& folder)
{
    d.folder = WithoutTrailingSlash(folder);
    FillFolderCombo(dialog, d);
    FillList(dialog, d);
    EnableWindow(GetDlgItem(dialog, kFileDialogUpButton), d.folder != u"/");
}

std::vector<int> SelectedItems(HWND list)
{
    const LRESULT count = SendMessage(list, LB_GETSELCOUNT, 0, 0);
    std::vector<int> items;
    if (count == LB_ERR) { // a single-selection list
        const LRESULT current = SendMessage(list, LB_GETCURSEL, 0, 0);
        if (current != LB_ERR)
            items.push_back(int(current));
        return items;
    }
    items.resize(size_t(count));
    if (count > 0)
        SendMessage(list, LB_GETSELITEMS, WPARAM(count), LPARAM(items.data()));
    return items;
}

// The selected files go into the name edit: one name as it is, several quoted.
void ShowSelection(HWND dialog, FileDialog& d)
{
    std::vector<std::u16string> names;
    for (int item : SelectedItems(GetDlgItem(dialog, kFileDialogList)))
        if (size_t(item) < d.entries.size() && !d.entries[size_t(item)].folder)
            names.push_back(d.entries[size_t(item)].name);
    if (names.empty())
        return;
    std::u16string text;
    if (names.size() == 1) {
        text = names[0];
    } else {
        for (const auto& name : names)
            text += (text.empty() ? u"\"" : u" \"") + name + u"\"";
    }
    SetDlgItemTextW(dialog, kFileDialogNameEdit, text.c_str());
}

// "a" "b" c -> a, b, c (quoted names may hold spaces).
std::vector<std::u16string> SplitNames(const std::u16string& text)
{
    std::vector<std::u16string> names;
    if (text.empty() || text[0] != u'"')
        return { text };
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == u' ') {
            ++at;
            continue;
        }
        if (text[at] == u'"') {
            const size_t end = text.find(u'"', at + 1);
            names.push_back(text.substr(at + 1, (end == std::u16string::npos ? text.size() : end) - at - 1));
            at = end == std::u16string::npos ? text.size() : end + 1;
        } else {
            const size_t end = std::min(text.find(u' ', at), text.size());
            names.push_back(text.substr(at, end - at));
            at = end;
        }
    }
    names.erase(std::remove(names.begin(), names.end(), u""), names.end());
    return names;
}

std::u16string Resolve(const FileDialog& d, const std::u16string& name)
{
    std::u16string path = name;
    for (char16_t& c : path)
        if (c == u'\\')
            c = u'/';
    if (path.size() >= 1 && path[0] == u'~' && (path.size() == 1 || path[1] == u'/'))
        path = HomeFolder() + path.substr(1);
    return Join(d.folder, path);
}

bool HasExtension(const std::u16string& path)
{
    const std::u16string name = NameOf(path);
    const size_t dot = name.rfind(u'.');
    return dot != std::u16string::npos && dot > 0 && dot + 1 < name.size();
}

int Ask(HWND dialog, const FileDialog& d, const std::u16string& text, UINT type)
{
    return MessageBoxW(dialog, text.c_str(), d.title.c_str(), type);
}

// Checks the chosen paths as the flags ask; false keeps the dialog open.
bool Accept(HWND dialog, FileDialog& d, std::vector<std::u16string>& paths)
{
    const DWORD flags = d.ofn->Flags;
    for (std::u16string& path : paths) {
        if (d.save && d.ofn->lpstrDefExt && *d.ofn->lpstrDefExt && !HasExtension(path)) {
            std::u16string extension = d.ofn->lpstrDefExt;
            if (!extension.empty() && extension[0] == u'.')
                extension.erase(0, 1);
            path += u"." + extension;
        }
        if (!(flags & OFN_NOVALIDATE) && !IsFolder(ParentOf(path))) {
            Ask(dialog, d, NameOf(path) + u"\nPath does not exist.\nCheck the path and try again.", MB_OK | MB_ICONWARNING);
            return false;
        }
        if (!d.save && (flags & OFN_FILEMUSTEXIST) && !Exists(path)) {
            Ask(dialog, d, NameOf(path) + u"\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONWARNING);
            return false;
        }
    }
    if (d.save && (flags & OFN_OVERWRITEPROMPT) && paths.size() == 1 && Exists(paths[0])) {
        if (Ask(dialog, d, NameOf(paths[0]) + u" already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONWARNING)
            != IDYES)
            return false;
    }
    return true;
}

void OnOk(HWND dialog, FileDialog& d)
{
    // Enter in the list on a folder opens it, whatever the name field holds.
    HWND list = GetDlgItem(dialog, kFileDialogList);
    if (GetFocus() == list) {
        const LRESULT caret = SendMessage(list, LB_GETCARETINDEX, 0, 0);
        const auto items = SelectedItems(list);
        if (caret >= 0 && size_t(caret) < d.entries.size() && d.entries[size_t(caret)].folder
            && std::find(items.begin(), items.end(), int(caret)) != items.end()) {
            Navigate(dialog, d, Join(d.folder, d.entries[size_t(caret)].name));
            return;
        }
    }
    WCHAR buffer[4096] {};
    GetDlgItemTextW(dialog, kFileDialogNameEdit, buffer, int(std::size(buffer)));
    std::u16string text = buffer;
    text.erase(0, text.find_first_not_of(u' '));
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
    if (text.empty()) {
        // Enter on a selected folder opens it.
        const auto items = SelectedItems(GetDlgItem(dialog, kFileDialogList));
        if (items.size() == 1 && size_t(items[0]) < d.entries.size() && d.entries[size_t(items[0])].folder)
            Navigate(dialog, d, Join(d.folder, d.entries[size_t(items[0])].name));
        return;
    }
    std::vector<std::u16string> names = SplitNames(text);
    if (names.size() > 1 && !d.multi)
        names.resize(1);
    if (names.size() == 1) {
        const std::u16string path = Resolve(d, names[0]);
        if (IsFolder(path)) {
            Navigate(dialog, d, path);
            SetDlgItemTextW(dialog, kFileDialogNameEdit, u"");
            return;
        }
        if (names[0].find_first_of(u"*?") != std::u16string::npos) {
            d.typedPattern = NameOf(path);
            const std::u16string folder = ParentOf(path);
            if (IsFolder(folder) && folder != d.folder)
                Navigate(dialog, d, folder);
            else
                FillList(dialog, d);
            SetDlgItemTextW(dialog, kFileDialogNameEdit, d.typedPattern.c_str());
            return;
        }
    }
    std::vector<std::u16string> paths;
    for (const auto& name : names)
        paths.push_back(Resolve(d, name));
    if (!Accept(dialog, d, paths))
        return;
    d.result.paths = paths;
    d.result.filterIndex = DWORD(d.filterIndex + 1);
    EndDialog(dialog, IDOK);
}

// "Look in": each folder indented by its depth in the list, not in the closed field.
void DrawFolderItem(const DRAWITEMSTRUCT& item)
{
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillSolid(item.hDC, r, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID == UINT(-1))
        return;
    const int indent = (item.itemState & ODS_COMBOBOXEDIT) ? 0 : int(item.itemData) * 10;
    DrawFolderGlyph(item.hDC, r.left + 2 + indent, r.top + (r.bottom - r.top - 16) / 2);
    const std::u16string text = ItemText(item.hwndItem, int(item.itemID), CB_GETLBTEXTLEN, CB_GETLBTEXT);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT t = r;
    t.left += 22 + indent;
    DrawTextW(item.hDC, text.c_str(), int(text.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// A resizable dialog: the list takes the new room, the fields below it move down and widen, the
// buttons on the right follow the right edge.
void EnableSizing(HWND dialog, FileDialog& d)
{
    const DWORD style = DWORD(GetWindowLongW(dialog, GWL_STYLE)) | WS_THICKFRAME;
    RECT client;
    GetClientRect(dialog, &client);
    SetWindowLongW(dialog, GWL_STYLE, LONG(style));
    RECT outer = client;
    AdjustWindowRectEx(&outer, style, FALSE, DWORD(GetWindowLongW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    GetClientRect(dialog, &client);
    d.firstClient = SIZE { client.right, client.bottom };
    d.minimumWindow = SIZE { outer.right - outer.left, outer.bottom - outer.top };
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        d.placed.push_back({ child, r });
    }
}

void FollowSize(HWND dialog, FileDialog& d, int width, int height)
{
    if (d.placed.empty())
        return;
    const int dx = width - d.firstClient.cx;
    const int dy = height - d.firstClient.cy;
    RECT list {};
    RECT buttons {};
    for (const auto& [child, r] : d.placed) {
        if (child == GetDlgItem(dialog, kFileDialogList))
            list = r;
        if (child == GetDlgItem(dialog, IDOK))
            buttons = r;
    }
    for (const auto& [child, r] : d.placed) {
        RECT to = r;
        const int id = GetDlgCtrlID(child);
        if (id == kFileDialogList) {
            to.right += dx;
            to.bottom += dy;
        } else if (r.top >= list.bottom) {
            OffsetRectBy(to, 0, dy);
            if (r.left >= buttons.left)
                OffsetRectBy(to, dx, 0);
            else if (id == kFileDialogNameEdit || id == kFileDialogTypeCombo)
                to.right += dx;
        } else if (id == kFileDialogUpButton) {
            OffsetRectBy(to, dx, 0);
        } else if (id == kFileDialogFolderCombo) {
            to.right += dx;
        }
        SetWindowPos(child, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top,
            SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

void DrawItem(const DRAWITEMSTRUCT& item, const FileDialog& d)
{
    if (item.itemID == UINT(-1))
        return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    RECT r = item.rcItem;
    FillSolid(item.hDC, r, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const bool folder = item.itemID < d.entries.size() && d.entries[item.itemID].folder;
    const int top = r.top + (r.bottom - r.top - 16) / 2;
    if (folder)
        DrawFolderGlyph(item.hDC, r.left + 2, top);
    else
        DrawFileGlyph(item.hDC, r.left + 2, top);
    const std::u16string text = ItemText(item.hwndItem, int(item.itemID), LB_GETTEXTLEN, LB_GETTEXT);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT t = r;
    t.left += 22;
    DrawTextW(item.hDC, text.c_str(), int(text.size()), &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(item.hDC, &r);
}

INT_PTR FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* d = reinterpret_cast<FileDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        d = reinterpret_cast<FileDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, LONG_PTR(d));
        SetWindowTextW(dialog, d->title.c_str());
        SetDlgItemTextW(dialog, IDOK, d->save ? u"&Save" : u"&Open");
        HWND types = GetDlgItem(dialog, kFileDialogTypeCombo);
        for (const Filter& f : d->filters)
            SendMessage(types, CB_ADDSTRING, 0, LPARAM(f.description.c_str()));
        SendMessage(types, CB_SETCURSEL, d->filterIndex, 0);
        EnableWindow(types, !d->filters.empty());
        // The initial folder: the one given, else the one of the initial name, else the current one.
        std::u16string initialName = d->ofn->lpstrFile ? d->ofn->lpstrFile : u"";
        std::u16string folder;
        if (d->ofn->lpstrInitialDir && *d->ofn->lpstrInitialDir)
            folder = d->ofn->lpstrInitialDir;
        for (char16_t& c : initialName)
            if (c == u'\\')
                c = u'/';
        if (initialName.find(u'/') != std::u16string::npos) {
            if (folder.empty() && IsFolder(ParentOf(initialName)))
                folder = ParentOf(initialName);
            initialName = NameOf(initialName);
        }
        if (folder.empty() || !IsFolder(folder))
            folder = CurrentFolder();
        Navigate(dialog, *d, folder);
        SetDlgItemTextW(dialog, kFileDialogNameEdit, initialName.c_str());
        // Centred on the owner.
        RECT mine;
        GetWindowRect(dialog, &mine);
        RECT around { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
        if (HWND owner = GetWindow(dialog, GW_OWNER))
            GetWindowRect(owner, &around);
        const int w = mine.right - mine.left;
        const int h = mine.bottom - mine.top;
        SetWindowPos(dialog, nullptr, std::max<int>(0, (around.left + around.right - w) / 2),
            std::max<int>(0, (around.top + around.bottom - h) / 2), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (d->ofn->Flags & OFN_ENABLESIZING)
            EnableSizing(dialog, *d);
        SetFocus(GetDlgItem(dialog, kFileDialogNameEdit));
        SendDlgItemMessageW(dialog, kFileDialogNameEdit, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_SIZE:
        if (d)
            FollowSize(dialog, *d, LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam)));
        return FALSE;
    case WM_GETMINMAXINFO:
        if (d && d->minimumWindow.cx > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT { d->minimumWindow.cx, d->minimumWindow.cy };
            return TRUE;
        }
        return FALSE;
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlID != UINT(kFileDialogList) && item->CtlID != UINT(kFileDialogFolderCombo))
            return FALSE;
        item->itemHeight = item->CtlID == UINT(kFileDialogList) ? 18 : 17;
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (d && item->CtlID == UINT(kFileDialogFolderCombo)) {
            DrawFolderItem(*item);
            return TRUE;
        }
        if (!d || item->CtlID != UINT(kFileDialogList))
            return FALSE;
        DrawItem(*item, *d);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!d)
            return FALSE;
        const int id = LOWORD(DWORD(wParam));
        const WORD code = HIWORD(DWORD(wParam));
        switch (id) {
        case IDOK:
            OnOk(dialog, *d);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case kFileDialogUpButton:
            if (code == BN_CLICKED && d->folder != u"/")
                Navigate(dialog, *d, ParentOf(d->folder));
            return TRUE;
        case kFileDialogFolderCombo:
            if (code == CBN_SELCHANGE) {
                const LRESULT index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
                if (index >= 0 && size_t(index) < d->folderChain.size())
                    Navigate(dialog, *d, d->folderChain[size_t(index)]);
            }
            return TRUE;
        case kFileDialogTypeCombo:
            if (code == CBN_SELCHANGE) {
                const LRESULT index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
                if (index >= 0 && size_t(index) < d->filters.size()) {
                    d->filterIndex = size_t(index);
                    d->typedPattern.clear();
                    FillList(dialog, *d);
                }
            }
            return TRUE;
        case kFileDialogList:
            if (code == LBN_SELCHANGE) {
                ShowSelection(dialog, *d);
            } else if (code == LBN_DBLCLK) {
                const auto items = SelectedItems(GetDlgItem(dialog, kFileDialogList));
                const LRESULT caret = SendDlgItemMessageW(dialog, id, LB_GETCARETINDEX, 0, 0);
                if (caret >= 0 && size_t(caret) < d->entries.size() && d->entries[size_t(caret)].folder) {
                    Navigate(dialog, *d, Join(d->folder, d->entries[size_t(caret)].name));
                } else if (!items.empty()) {
                    ShowSelection(dialog, *d);
                    OnOk(dialog, *d);
                }
            }
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

// Writes the result into the caller's record; false (FNERR_BUFFERTOOSMALL) when it does not fit.
bool WriteResult(OPENFILENAMEW& ofn, const FileDialogResult& result)
{
    std::u16string out;
    WORD offset = 0;
    WORD extension = 0;
    if (result.paths.size() == 1) {
        out = result.paths[0];
        const size_t slash = out.rfind(u'/');
        offset = WORD(slash == std::u16string::npos ? 0 : slash + 1);
        const size_t dot = out.rfind(u'.');
        extension = WORD(dot == std::u16string::npos || dot < offset ? out.size() : dot + 1);
        out.push_back(0);
    } else {
        const std::u16string folder = ParentOf(result.paths[0]);
        out = folder;
        out.push_back(0);
        offset = WORD(folder.size() + 1);
        for (const auto& path : result.paths) {
            out += NameOf(path);
            out.push_back(0);
        }
    }
    out.push_back(0);
    ofn.nFilterIndex = result.filterIndex;
    if (out.size() > ofn.nMaxFile) {
        // The size needed, in characters, in the first two bytes.
        if (ofn.nMaxFile >= 1)
            *reinterpret_cast<WORD*>(ofn.lpstrFile) = WORD(std::min<size_t>(out.size(), 0xFFFF));
        SetLastDialogError(FNERR_BUFFERTOOSMALL);
        return false;
    }
    std::memcpy(ofn.lpstrFile, out.data(), out.size() * sizeof(WCHAR));
    ofn.nFileOffset = offset;
    ofn.nFileExtension = extension;
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        const std::u16string title = NameOf(result.paths[0]);
        const size_t n = std::min<size_t>(title.size(), ofn.nMaxFileTitle - 1);
        std::memcpy(ofn.lpstrFileTitle, title.data(), n * sizeof(WCHAR));
        ofn.lpstrFileTitle[n] = 0;
    }
    return true;
}

} // namespace

BOOL RunFileDialog(OPENFILENAMEW* ofn, bool save, FileDialogResult* result)
{
    SetLastDialogError(0);
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
        SetLastDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        SetLastDialogError(CDERR_INITIALIZATION);
        return FALSE;
    }
    RegisterControlClasses();
    FileDialog d;
    d.ofn = ofn;
    d.save = save;
    d.multi = !save && (ofn->Flags & OFN_ALLOWMULTISELECT);
    d.filters = ParseFilters(ofn->lpstrFilter);
    d.filterIndex = ofn->nFilterIndex > 0 ? ofn->nFilterIndex - 1 : 0;
    if (d.filterIndex >= d.filters.size())
        d.filterIndex = 0;
    d.title = ofn->lpstrTitle && *ofn->lpstrTitle ? ofn->lpstrTitle : (save ? u"Save As" : u"Open");
    const ResDialog& dialogTemplate = d.multi ? Template<LBS_EXTENDEDSEL>() : Template<0>();
    const INT_PTR answer = RunModal(dialogTemplate, ofn->hwndOwner, FileDialogProc, LPARAM(&d));
    if (answer == -1) {
        SetLastDialogError(CDERR_DIALOGFAILURE);
        return FALSE;
    }
    if (answer != IDOK || d.result.paths.empty())
        return FALSE;
    if (result)
        *result = d.result;
    return WriteResult(*ofn, d.result) ? TRUE : FALSE;
}

} // namespace platform::controls

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return platform::controls::RunFileDialog(ofn, false, nullptr); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return platform::controls::RunFileDialog(ofn, true, nullptr); }
