// The folder picker: the home folder and the file-system root as the top of a tree of folders
// (a list whose items are indented by depth; a double click or Right opens a folder, Left closes
// it), an optional edit for a typed name or path, OK and Cancel. The result is an allocated path.

#include "platform/controls/CommonDialogsInternal.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/base/File.h"
#include "platform/user/MessageBox.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::controls {

using namespace dialogs;
using resources::ResDialog;
using resources::ResDialogControl;

namespace {

struct Node {
    std::u16string path;
    std::u16string label;
    int depth = 0;
    bool open = false;
};

struct FolderDialog {
    BROWSEINFOW* info = nullptr;
    std::vector<Node> nodes; // the list's items, in order
    std::u16string chosen;
    bool enableOk = true;
};

const ResDialog& Template()
{
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    static const ResDialogControl controls[] = {
        { u"Static", u"", 0, false, UINT(kFolderDialogTitle), kChild | SS_LEFT | SS_NOPREFIX, 0, 6, 6, 220, 18, 0 },
        { u"ListBox", u"", 0, false, UINT(kFolderDialogTree),
            kChild | WS_TABSTOP | WS_GROUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS
                | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
            0, 6, 26, 220, 120, 0 },
        { u"Static", u"F&older:", 0, false, 0x3745, kChild | SS_LEFT, 0, 6, 153, 30, 9, 0 },
        { u"Edit", u"", 0, false, UINT(kFolderDialogEdit), kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 38, 151,
            188, 12, 0 },
        { u"Button", u"OK", 0, false, IDOK, kChild | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 122, 170, 50, 14, 0 },
        { u"Button", u"Cancel", 0, false, IDCANCEL, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 176, 170, 50, 14, 0 },
    };
    static const ResDialog dialog { resources::kDialogTag,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 232, 190, u"Browse For Folder", u"",
        u"", 8, u"MS Shell Dlg", std::size(controls), controls };
    return dialog;
}

HWND Tree(HWND dialog) { return GetDlgItem(dialog, kFolderDialogTree); }

void Callback(HWND dialog, FolderDialog& d, UINT message, LPARAM lParam)
{
    if (d.info->lpfn)
        d.info->lpfn(dialog, message, lParam, d.info->lParam);
}

PIDLIST_ABSOLUTE MakeList(const std::u16string& path)
{
    auto* block = static_cast<WCHAR*>(std::malloc((path.size() + 1) * sizeof(WCHAR)));
    if (!block)
        return nullptr;
    std::memcpy(block, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
    return reinterpret_cast<PIDLIST_ABSOLUTE>(block);
}

void Rebuild(HWND dialog, FolderDialog& d, int select)
{
    HWND tree = Tree(dialog);
    SendMessage(tree, WM_SETREDRAW, FALSE, 0);
    SendMessage(tree, LB_RESETCONTENT, 0, 0);
    for (const Node& node : d.nodes)
        SendMessage(tree, LB_ADDSTRING, 0, LPARAM(node.label.c_str()));
    SendMessage(tree, LB_SETCURSEL, WPARAM(select), 0);
    SendMessage(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
}

void SelectionChanged(HWND dialog, FolderDialog& d)
{
    const LRESULT index = SendMessage(Tree(dialog), LB_GETCURSEL, 0, 0);
    if (index < 0 || size_t(index) >= d.nodes.size())
        return;
    const Node& node = d.nodes[size_t(index)];
    SetDlgItemTextW(dialog, kFolderDialogEdit, node.label.c_str());
    PIDLIST_ABSOLUTE list = MakeList(node.path);
    Callback(dialog, d, BFFM_SELCHANGED, LPARAM(list));
    ILFree(list);
}

void Open(FolderDialog& d, size_t index)
{
    if (index >= d.nodes.size() || d.nodes[index].open)
        return;
    d.nodes[index].open = true;
    std::vector<Node> children;
    for (const FolderEntry& e : ListFolder(d.nodes[index].path, false))
        if (e.folder)
            children.push_back({ Join(d.nodes[index].path, e.name), e.name, d.nodes[index].depth + 1, false });
    d.nodes.insert(d.nodes.begin() + std::ptrdiff_t(index + 1), children.begin(), children.end());
}

void Close(FolderDialog& d, size_t index)
{
    if (index >= d.nodes.size() || !d.nodes[index].open)
        return;
    d.nodes[index].open = false;
    size_t end = index + 1;
    while (end < d.nodes.size() && d.nodes[end].depth > d.nodes[index].depth)
        ++end;
    d.nodes.erase(d.nodes.begin() + std::ptrdiff_t(index + 1), d.nodes.begin() + std::ptrdiff_t(end));
}

void Toggle(HWND dialog, FolderDialog& d, size_t index, bool open)
{
    if (open)
        Open(d, index);
    else
        Close(d, index);
    Rebuild(dialog, d, int(index));
}

// Opens the folders down to `path` (under the home folder when it lies there, else under the
// root) and selects it; false when it is no folder.
bool SelectPath(HWND dialog, FolderDialog& d, std::u16string path)
{
    path = WithoutTrailingSlash(path);
    if (!IsFolder(path))
        return false;
    size_t at = SIZE_MAX;
    for (size_t top = 0; top < d.nodes.size(); ++top) {
        if (d.nodes[top].depth != 0)
            continue;
        const std::u16string& root = d.nodes[top].path;
        const bool under = path == root || (path.rfind(root == u"/" ? root : root + u"/", 0) == 0);
        if (under && (at == SIZE_MAX || root.size() > d.nodes[at].path.size()))
            at = top;
    }
    if (at == SIZE_MAX)
        return false;
    while (d.nodes[at].path != path) {
        Open(d, at);
        size_t next = SIZE_MAX;
        for (size_t i = at + 1; i < d.nodes.size() && d.nodes[i].depth > d.nodes[at].depth; ++i) {
            const std::u16string& p = d.nodes[i].path;
            if (d.nodes[i].depth == d.nodes[at].depth + 1 && (path == p || path.rfind(p + u"/", 0) == 0)) {
                next = i;
                break;
            }
        }
        if (next == SIZE_MAX)
            return false;
        at = next;
    }
    Rebuild(dialog, d, int(at));
    SelectionChanged(dialog, d);
    return true;
}

void OnOk(HWND dialog, FolderDialog& d)
{
    const LRESULT index = SendMessage(Tree(dialog), LB_GETCURSEL, 0, 0);
    std::u16string path = index >= 0 && size_t(index) < d.nodes.size() ? d.nodes[size_t(index)].path : u"";
    if (d.info->ulFlags & BIF_EDITBOX) {
        WCHAR typed[4096] {};
        GetDlgItemTextW(dialog, kFolderDialogEdit, typed, int(std::size(typed)));
        std::u16string text = typed;
        if (!text.empty() && (index < 0 || text != d.nodes[size_t(index)].label)) {
            std::u16string candidate = text[0] == u'/' ? text : Join(path.empty() ? HomeFolder() : path, text);
            if (!IsFolder(candidate)) {
                if (d.info->ulFlags & BIF_VALIDATE)
                    Callback(dialog, d, BFFM_VALIDATEFAILEDW, LPARAM(typed));
                MessageBoxW(dialog, (text + u"\nThe folder does not exist.").c_str(), u"Browse For Folder",
                    MB_OK | MB_ICONWARNING);
                return;
            }
            path = WithoutTrailingSlash(candidate);
        }
    }
    if (path.empty())
        return;
    d.chosen = path;
    EndDialog(dialog, IDOK);
}

INT_PTR FolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* d = reinterpret_cast<FolderDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        d = reinterpret_cast<FolderDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, LONG_PTR(d));
        SetDlgItemTextW(dialog, kFolderDialogTitle, d->info->lpszTitle ? d->info->lpszTitle : u"");
        if (d->info->pidlRoot) {
            const std::u16string root = reinterpret_cast<const WCHAR*>(d->info->pidlRoot);
            d->nodes.push_back({ root, NameOf(root), 0, false });
        } else {
            d->nodes.push_back({ HomeFolder(), NameOf(HomeFolder()), 0, false });
            d->nodes.push_back({ u"/", u"File System", 0, false });
        }
        Open(*d, 0);
        Rebuild(dialog, *d, 0);
        const bool edit = (d->info->ulFlags & BIF_EDITBOX) != 0;
        ShowWindow(GetDlgItem(dialog, kFolderDialogEdit), edit ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(dialog, 0x3745), edit ? SW_SHOW : SW_HIDE);
        SetFocus(Tree(dialog));
        SelectionChanged(dialog, *d);
        Callback(dialog, *d, BFFM_INITIALIZED, 0);
        return FALSE;
    }
    case BFFM_SETSELECTIONW:
        if (d) {
            // wParam TRUE: lParam is a path; FALSE: an item list (also a path here).
            const auto* path = reinterpret_cast<const WCHAR*>(lParam);
            if (path)
                SelectPath(dialog, *d, path);
        }
        return TRUE;
    case BFFM_ENABLEOK:
        EnableWindow(GetDlgItem(dialog, IDOK), lParam != 0);
        return TRUE;
    case BFFM_SETOKTEXT:
        SetDlgItemTextW(dialog, IDOK, reinterpret_cast<const WCHAR*>(lParam));
        return TRUE;
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlID != UINT(kFolderDialogTree))
            return FALSE;
        item->itemHeight = 18;
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!d || item.CtlID != UINT(kFolderDialogTree))
            return FALSE;
        RECT r = item.rcItem;
        FillSolid(item.hDC, r, GetSysColor(COLOR_WINDOW));
        if (item.itemID == UINT(-1) || item.itemID >= d->nodes.size())
            return TRUE;
        const Node& node = d->nodes[item.itemID];
        const int left = r.left + 2 + node.depth * 16;
        DrawFolderGlyph(item.hDC, left, r.top + 1);
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        SIZE extent {};
        GetTextExtentPoint32W(item.hDC, node.label.c_str(), int(node.label.size()), &extent);
        RECT label { left + 19, r.top + 1, left + 19 + extent.cx + 4, r.bottom - 1 };
        if (selected)
            FillSolid(item.hDC, label, GetSysColor(COLOR_HIGHLIGHT));
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        DrawTextW(item.hDC, node.label.c_str(), int(node.label.size()), &label,
            DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
        if (item.itemState & ODS_FOCUS)
            DrawFocusRect(item.hDC, &label);
        return TRUE;
    }
    case WM_VKEYTOITEM: {
        // Right opens the folder, Left closes it (or goes to its parent).
        if (!d)
            return -1;
        const int key = LOWORD(DWORD(wParam));
        const LRESULT index = SendMessage(Tree(dialog), LB_GETCURSEL, 0, 0);
        if (index < 0 || (key != VK_RIGHT && key != VK_LEFT))
            return -1;
        Node& node = d->nodes[size_t(index)];
        if (key == VK_RIGHT) {
            Toggle(dialog, *d, size_t(index), true);
        } else if (node.open) {
            Toggle(dialog, *d, size_t(index), false);
        } else {
            for (LRESULT i = index - 1; i >= 0; --i) {
                if (d->nodes[size_t(i)].depth < node.depth) {
                    SendMessage(Tree(dialog), LB_SETCURSEL, WPARAM(i), 0);
                    SelectionChanged(dialog, *d);
                    break;
                }
            }
        }
        return -2;
    }
    case WM_COMMAND: {
        if (!d)
            return FALSE;
        const int id = LOWORD(DWORD(wParam));
        const WORD code = HIWORD(DWORD(wParam));
        switch (id) {
        case kFolderDialogTree:
            if (code == LBN_SELCHANGE) {
                SelectionChanged(dialog, *d);
            } else if (code == LBN_DBLCLK) {
                const LRESULT index = SendMessage(Tree(dialog), LB_GETCURSEL, 0, 0);
                if (index >= 0)
                    Toggle(dialog, *d, size_t(index), !d->nodes[size_t(index)].open);
            }
            return TRUE;
        case IDOK:
            OnOk(dialog, *d);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

} // namespace

} // namespace platform::controls

PIDLIST_ABSOLUTE SHBrowseForFolderW(BROWSEINFOW* info)
{
    using namespace platform::controls;
    if (!info)
        return nullptr;
    RegisterControlClasses();
    FolderDialog d;
    d.info = info;
    const INT_PTR answer = dialogs::RunModal(Template(), info->hwndOwner, FolderDialogProc, LPARAM(&d));
    if (answer != IDOK || d.chosen.empty())
        return nullptr;
    if (info->pszDisplayName) {
        const std::u16string name = dialogs::NameOf(d.chosen);
        const size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
        std::memcpy(info->pszDisplayName, name.data(), n * sizeof(WCHAR));
        info->pszDisplayName[n] = 0;
    }
    return MakeList(d.chosen);
}

BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE list, WCHAR* path)
{
    if (!list || !path)
        return FALSE;
    const auto* text = reinterpret_cast<const WCHAR*>(list);
    const std::u16string value = text;
    if (value.size() >= MAX_PATH) {
        path[0] = 0;
        return FALSE;
    }
    std::memcpy(path, value.c_str(), (value.size() + 1) * sizeof(WCHAR));
    return TRUE;
}

PIDLIST_ABSOLUTE ILCreateFromPathW(const WCHAR* path)
{
    return path ? platform::controls::MakeList(path) : nullptr;
}
