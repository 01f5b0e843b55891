#include "platform/controls/PropertySheet.h"
#include "platform/controls/CommonControls.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;

// ---- Pages -----------------------------------------------------------------------------------

struct HPROPSHEETPAGE__ {
    PROPSHEETPAGEW page {};
    std::u16string title;
    std::u16string templateName;
    ResDialog childTemplate {}; // the page's template made into a child dialog
    bool hasTemplate = false;
};

namespace {

int MulDivRound(int value, int numerator, int denominator)
{
    return int((static_cast<long long>(value) * numerator + denominator / 2) / denominator);
}

const ResDialog* PageTemplate(const HPROPSHEETPAGE__& p)
{
    if (p.page.dwFlags & PSP_DLGINDIRECT) {
        const auto* t = static_cast<const ResDialog*>(p.page.pResource);
        return t && t->tag == kDialogTag ? t : nullptr;
    }
    HRSRC found = FindResourceW(p.page.hInstance, p.page.pszTemplate, RT_DIALOG);
    if (!found)
        return nullptr;
    const auto* t = static_cast<const ResDialog*>(LockResource(LoadResource(p.page.hInstance, found)));
    return t && t->tag == kDialogTag ? t : nullptr;
}

// A page's size in pixels from its own template and font.
SIZE PageSize(const HPROPSHEETPAGE__& p)
{
    const ResDialog* t = PageTemplate(p);
    if (!t)
        return SIZE { 0, 0 };
    HFONT font = platform::user::CreateDialogFont(*t);
    const SIZE units = platform::user::DialogBaseUnitsOf(font);
    if (font)
        DeleteObject(font);
    return SIZE { MulDivRound(t->cx, units.cx, 4), MulDivRound(t->cy, units.cy, 8) };
}

} // namespace

HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page)
{
    if (!page)
        return nullptr;
    auto p = std::make_unique<HPROPSHEETPAGE__>();
    p->page = *page;
    if ((page->dwFlags & PSP_USETITLE) && page->pszTitle && !IS_INTRESOURCE(page->pszTitle)) {
        p->title = page->pszTitle;
        p->page.pszTitle = p->title.c_str();
    }
    if (!(page->dwFlags & PSP_DLGINDIRECT) && page->pszTemplate && !IS_INTRESOURCE(page->pszTemplate)) {
        p->templateName = page->pszTemplate;
        p->page.pszTemplate = p->templateName.c_str();
    }
    if ((page->dwFlags & PSP_USECALLBACK) && page->pfnCallback)
        page->pfnCallback(nullptr, PSPCB_ADDREF, &p->page);
    return p.release();
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page)
{
    if (!page)
        return FALSE;
    if ((page->page.dwFlags & PSP_USECALLBACK) && page->page.pfnCallback)
        page->page.pfnCallback(nullptr, PSPCB_RELEASE, &page->page);
    delete page;
    return TRUE;
}

// ---- The sheet -------------------------------------------------------------------------------

namespace {

struct PageSlot {
    HPROPSHEETPAGE page = nullptr;
    bool owned = false; // made from a PROPSHEETPAGEW array: the sheet destroys it
    HWND window = nullptr;
};

struct Sheet {
    DWORD flags = 0;
    std::u16string caption;
    std::vector<PageSlot> pages;
    int current = -1;
    HWND tab = nullptr;
    RECT pageArea {};
    bool ended = false;
    INT_PTR result = 0;
    bool changed = false;
    PFNPROPSHEETCALLBACK callback = nullptr;
};

Sheet* SheetOf(HWND sheet) { return reinterpret_cast<Sheet*>(GetWindowLongPtrW(sheet, DWLP_USER)); }

LRESULT NotifyPage(HWND sheet, HWND page, UINT code, LPARAM lParam = 0)
{
    if (!page)
        return 0;
    PSHNOTIFY n {};
    n.hdr.hwndFrom = sheet;
    n.hdr.idFrom = 0;
    n.hdr.code = code;
    n.lParam = lParam;
    return SendMessage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

std::u16string PageTitle(const HPROPSHEETPAGE__& p)
{
    if ((p.page.dwFlags & PSP_USETITLE) && p.page.pszTitle) {
        if (!IS_INTRESOURCE(p.page.pszTitle))
            return p.page.pszTitle;
        WCHAR text[256] {};
        LoadStringW(p.page.hInstance, UINT(reinterpret_cast<ULONG_PTR>(p.page.pszTitle)), text, 256);
        return text;
    }
    const ResDialog* t = PageTemplate(p);
    return t && t->caption ? t->caption : u"";
}

HWND CreatePage(HWND sheet, Sheet& s, PageSlot& slot)
{
    if (slot.window)
        return slot.window;
    HPROPSHEETPAGE__& p = *slot.page;
    const ResDialog* t = PageTemplate(p);
    if (!t)
        return nullptr;
    p.childTemplate = *t;
    p.childTemplate.style = (t->style
                                & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_THICKFRAME | WS_DISABLED
                                    | DS_MODALFRAME | DS_CENTER | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        | WS_CHILD | DS_CONTROL | DS_3DLOOK;
    p.childTemplate.x = 0;
    p.childTemplate.y = 0;
    if ((p.page.dwFlags & PSP_USECALLBACK) && p.page.pfnCallback)
        p.page.pfnCallback(nullptr, PSPCB_CREATE, &p.page);
    slot.window = CreateDialogIndirectParamW(p.page.hInstance, &p.childTemplate, sheet, p.page.pfnDlgProc,
        reinterpret_cast<LPARAM>(&p.page));
    if (slot.window) {
        SetWindowPos(slot.window, HWND_TOP, s.pageArea.left, s.pageArea.top, s.pageArea.right - s.pageArea.left,
            s.pageArea.bottom - s.pageArea.top, SWP_NOACTIVATE);
    }
    return slot.window;
}

// Shows page `index`; FALSE when the current page refuses to be left or the page cannot be made.
bool SelectPage(HWND sheet, int index, bool askCurrent = true)
{
    Sheet* s = SheetOf(sheet);
    if (!s || index < 0 || index >= int(s->pages.size()))
        return false;
    if (index == s->current)
        return true;
    HWND old = s->current >= 0 ? s->pages[std::size_t(s->current)].window : nullptr;
    if (askCurrent && old) {
        NotifyPage(sheet, old, PSN_KILLACTIVE);
        if (GetWindowLongPtrW(old, DWLP_MSGRESULT))
            return false;
    }
    const bool focusInside = old && GetFocus() && IsChild(old, GetFocus());
    HWND page = CreatePage(sheet, *s, s->pages[std::size_t(index)]);
    if (!page)
        return false;
    s->current = index;
    SendMessage(s->tab, TCM_SETCURSEL, WPARAM(index), 0);
    NotifyPage(sheet, page, PSN_SETACTIVE);
    ShowWindow(page, SW_SHOW);
    if (old && old != page)
        ShowWindow(old, SW_HIDE);
    if (focusInside || (GetFocus() == nullptr)) {
        if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE); first && first != page)
            SendMessage(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
    return true;
}

// PSN_KILLACTIVE to the current page, then PSN_APPLY to every page made so far; FALSE when a page
// refused (it is then shown).
bool Apply(HWND sheet, bool closing)
{
    Sheet* s = SheetOf(sheet);
    HWND current = s->current >= 0 ? s->pages[std::size_t(s->current)].window : nullptr;
    if (current) {
        NotifyPage(sheet, current, PSN_KILLACTIVE);
        if (GetWindowLongPtrW(current, DWLP_MSGRESULT))
            return false;
    }
    for (std::size_t i = 0; i < s->pages.size(); ++i) {
        HWND page = s->pages[i].window;
        if (!page)
            continue;
        NotifyPage(sheet, page, PSN_APPLY, closing ? TRUE : FALSE);
        const LRESULT answer = GetWindowLongPtrW(page, DWLP_MSGRESULT);
        if (answer == PSNRET_INVALID_NOCHANGEPAGE || answer == PSNRET_INVALID) {
            SelectPage(sheet, int(i), false);
            return false;
        }
    }
    s->changed = false;
    if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW))
        EnableWindow(apply, FALSE);
    return true;
}

void EndSheet(HWND sheet, INT_PTR result)
{
    Sheet* s = SheetOf(sheet);
    s->ended = true;
    s->result = result;
    EndDialog(sheet, result);
}

void PressButton(HWND sheet, int button)
{
    Sheet* s = SheetOf(sheet);
    if (!s || s->ended)
        return;
    switch (button) {
    case PSBTN_OK:
        if (Apply(sheet, true))
            EndSheet(sheet, 1);
        break;
    case PSBTN_APPLYNOW:
        Apply(sheet, false);
        break;
    case PSBTN_CANCEL: {
        HWND current = s->current >= 0 ? s->pages[std::size_t(s->current)].window : nullptr;
        if (current) {
            NotifyPage(sheet, current, PSN_QUERYCANCEL);
            if (GetWindowLongPtrW(current, DWLP_MSGRESULT))
                return;
        }
        for (PageSlot& slot : s->pages)
            if (slot.window)
                NotifyPage(sheet, slot.window, PSN_RESET);
        EndSheet(sheet, 0);
        break;
    }
    case PSBTN_HELP:
        if (s->current >= 0)
            NotifyPage(sheet, s->pages[std::size_t(s->current)].window, PSN_HELP);
        break;
    default:
        break;
    }
}

void AddTab(Sheet& s, int index)
{
    TCITEMW item {};
    item.mask = TCIF_TEXT;
    std::u16string title = PageTitle(*s.pages[std::size_t(index)].page);
    item.pszText = title.data();
    SendMessage(s.tab, TCM_INSERTITEMW, WPARAM(index), reinterpret_cast<LPARAM>(&item));
}

// The sheet's dialog keys: Ctrl+Tab and Ctrl+PageDown (forward), with Shift or PageUp (back);
// Alt with a tab's mnemonic when no control has it.
bool SheetKeys(HWND sheet, MSG* msg)
{
    Sheet* s = SheetOf(sheet);
    if (!s || s->pages.empty())
        return false;
    const int count = int(s->pages.size());
    if (msg->message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0) {
        int step = 0;
        if (msg->wParam == WPARAM(VK_TAB))
            step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
        else if (msg->wParam == WPARAM(VK_NEXT))
            step = 1;
        else if (msg->wParam == WPARAM(VK_PRIOR))
            step = -1;
        if (step) {
            SelectPage(sheet, ((s->current + step) % count + count) % count);
            return true;
        }
    }
    if (msg->message == WM_SYSCHAR) {
        const WCHAR key = WCHAR(msg->wParam);
        if (platform::user::ControlWithMnemonic(sheet, key))
            return false;
        auto upper = [](WCHAR c) { return c >= u'a' && c <= u'z' ? WCHAR(c - 32) : c; };
        for (int i = 0; i < count; ++i) {
            const std::u16string title = PageTitle(*s->pages[std::size_t(i)].page);
            for (std::size_t k = 0; k + 1 < title.size(); ++k) {
                if (title[k] == u'&' && title[k + 1] != u'&' && upper(title[k + 1]) == upper(key)) {
                    SelectPage(sheet, i);
                    return true;
                }
                if (title[k] == u'&')
                    ++k;
            }
        }
    }
    return false;
}

INT_PTR SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam)
{
    Sheet* s = SheetOf(sheet);
    auto reply = [&](LRESULT value) {
        SetWindowLongPtrW(sheet, DWLP_MSGRESULT, value);
        return INT_PTR(TRUE);
    };
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(sheet, DWLP_USER, lParam);
        return FALSE;
    case WM_COMMAND:
        if (!s)
            return FALSE;
        switch (LOWORD(DWORD(wParam))) {
        case IDOK:
            PressButton(sheet, PSBTN_OK);
            return TRUE;
        case IDCANCEL:
            PressButton(sheet, PSBTN_CANCEL);
            return TRUE;
        case ID_APPLY_NOW:
            PressButton(sheet, PSBTN_APPLYNOW);
            return TRUE;
        case IDHELP:
            PressButton(sheet, PSBTN_HELP);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!s || !header || header->hwndFrom != s->tab)
            return FALSE;
        if (header->code == TCN_SELCHANGING) {
            HWND current = s->current >= 0 ? s->pages[std::size_t(s->current)].window : nullptr;
            if (current) {
                NotifyPage(sheet, current, PSN_KILLACTIVE);
                if (GetWindowLongPtrW(current, DWLP_MSGRESULT))
                    return reply(TRUE);
            }
            return reply(FALSE);
        }
        if (header->code == TCN_SELCHANGE) {
            const int index = int(SendMessage(s->tab, TCM_GETCURSEL, 0, 0));
            const int previous = s->current;
            if (!SelectPage(sheet, index, false))
                SendMessage(s->tab, TCM_SETCURSEL, WPARAM(previous), 0);
            return reply(0);
        }
        return FALSE;
    }
    case PSM_GETTABCONTROL:
        return reply(reinterpret_cast<LRESULT>(s ? s->tab : nullptr));
    case PSM_GETCURRENTPAGEHWND:
        if (!s || s->ended || s->current < 0)
            return reply(0);
        return reply(reinterpret_cast<LRESULT>(s->pages[std::size_t(s->current)].window));
    case PSM_GETRESULT:
        return reply(s && s->ended ? s->result : -1);
    case PSM_SETCURSEL: {
        if (!s)
            return reply(FALSE);
        int index = int(wParam);
        if (lParam) {
            index = -1;
            for (std::size_t i = 0; i < s->pages.size(); ++i)
                if (s->pages[i].page == reinterpret_cast<HPROPSHEETPAGE>(lParam))
                    index = int(i);
        }
        return reply(SelectPage(sheet, index) ? TRUE : FALSE);
    }
    case PSM_ADDPAGE: {
        if (!s || !lParam)
            return reply(FALSE);
        s->pages.push_back(PageSlot { reinterpret_cast<HPROPSHEETPAGE>(lParam), false, nullptr });
        AddTab(*s, int(s->pages.size()) - 1);
        return reply(TRUE);
    }
    case PSM_REMOVEPAGE: {
        if (!s)
            return reply(FALSE);
        int index = int(wParam);
        if (lParam)
            for (std::size_t i = 0; i < s->pages.size(); ++i)
                if (s->pages[i].page == reinterpret_cast<HPROPSHEETPAGE>(lParam))
                    index = int(i);
        if (index < 0 || index >= int(s->pages.size()))
            return reply(FALSE);
        if (index == s->current && s->pages.size() > 1)
            SelectPage(sheet, index == 0 ? 1 : index - 1, false);
        PageSlot slot = s->pages[std::size_t(index)];
        s->pages.erase(s->pages.begin() + index);
        SendMessage(s->tab, TCM_DELETEITEM, WPARAM(index), 0);
        if (s->current > index)
            --s->current;
        else if (s->current == index)
            s->current = -1;
        if (slot.window)
            DestroyWindow(slot.window);
        if (slot.owned)
            DestroyPropertySheetPage(slot.page);
        return reply(TRUE);
    }
    case PSM_CHANGED:
        if (s) {
            s->changed = true;
            if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW))
                EnableWindow(apply, TRUE);
        }
        return reply(0);
    case PSM_UNCHANGED:
        if (s) {
            s->changed = false;
            if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW))
                EnableWindow(apply, FALSE);
        }
        return reply(0);
    case PSM_APPLY:
        return reply(s && Apply(sheet, false) ? TRUE : FALSE);
    case PSM_PRESSBUTTON:
        PressButton(sheet, int(wParam));
        return reply(0);
    case PSM_CANCELTOCLOSE:
        SetDlgItemTextW(sheet, IDCANCEL, u"Close");
        if (HWND ok = GetDlgItem(sheet, IDOK))
            EnableWindow(ok, FALSE);
        return reply(0);
    case PSM_SETTITLEW:
        if (s && lParam) {
            s->caption = reinterpret_cast<LPCWSTR>(lParam);
            SetWindowTextW(sheet, s->caption.c_str());
        }
        return reply(0);
    case PSM_ISDIALOGMESSAGE: {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (!msg || (msg->hwnd != sheet && !IsChild(sheet, msg->hwnd)))
            return reply(FALSE);
        if (SheetKeys(sheet, msg))
            return reply(TRUE);
        return reply(IsDialogMessageW(sheet, msg));
    }
    case PSM_HWNDTOINDEX:
        for (std::size_t i = 0; s && i < s->pages.size(); ++i)
            if (s->pages[i].window == reinterpret_cast<HWND>(wParam))
                return reply(LRESULT(i));
        return reply(-1);
    case PSM_INDEXTOHWND:
        return reply(s && wParam < s->pages.size() ? reinterpret_cast<LRESULT>(s->pages[wParam].window) : 0);
    case PSM_INDEXTOPAGE:
        return reply(s && wParam < s->pages.size() ? reinterpret_cast<LRESULT>(s->pages[wParam].page) : 0);
    case PSM_PAGETOINDEX:
        for (std::size_t i = 0; s && i < s->pages.size(); ++i)
            if (s->pages[i].page == reinterpret_cast<HPROPSHEETPAGE>(lParam))
                return reply(LRESULT(i));
        return reply(-1);
    case WM_NCDESTROY:
        if (s) {
            for (PageSlot& slot : s->pages)
                if (slot.owned)
                    DestroyPropertySheetPage(slot.page);
            delete s;
            SetWindowLongPtrW(sheet, DWLP_USER, 0);
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// Lays the sheet out: the tab control around the largest page, the buttons below, right-aligned.
void Layout(HWND sheet, Sheet& s)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessage(sheet, WM_GETFONT, 0, 0));
    const SIZE units = platform::user::DialogBaseUnitsOf(font);
    const int margin = MulDivRound(7, units.cx, 4);
    const int buttonWidth = MulDivRound(50, units.cx, 4);
    const int buttonHeight = MulDivRound(14, units.cy, 8);
    const int gap = MulDivRound(4, units.cx, 4);

    SIZE page { 0, 0 };
    for (const PageSlot& slot : s.pages) {
        const SIZE size = PageSize(*slot.page);
        page.cx = std::max(page.cx, size.cx);
        page.cy = std::max(page.cy, size.cy);
    }
    RECT tab { 0, 0, page.cx, page.cy };
    SendMessage(s.tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tab));
    const int dx = margin - tab.left;
    const int dy = margin - tab.top;
    tab = RECT { tab.left + dx, tab.top + dy, tab.right + dx, tab.bottom + dy };
    MoveWindow(s.tab, tab.left, tab.top, tab.right - tab.left, tab.bottom - tab.top, FALSE);
    s.pageArea = tab;
    SendMessage(s.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&s.pageArea));

    std::vector<int> ids { IDOK, IDCANCEL };
    if (!(s.flags & PSH_NOAPPLYNOW))
        ids.push_back(ID_APPLY_NOW);
    if (s.flags & PSH_HASHELP)
        ids.push_back(IDHELP);
    const int rowWidth = int(ids.size()) * buttonWidth + int(ids.size() - 1) * gap;
    const int clientWidth = std::max<int>(tab.right + margin, margin + rowWidth + margin);
    const int rowTop = tab.bottom + margin;
    int x = clientWidth - margin - rowWidth;
    for (int id : ids) {
        MoveWindow(GetDlgItem(sheet, id), x, rowTop, buttonWidth, buttonHeight, FALSE);
        x += buttonWidth + gap;
    }
    RECT frame { 0, 0, clientWidth, rowTop + buttonHeight + margin };
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(sheet, GWL_STYLE)), FALSE,
        DWORD(GetWindowLongPtrW(sheet, GWL_EXSTYLE)));
    RECT area {};
    HWND owner = GetWindow(sheet, GW_OWNER);
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(sheet, nullptr, area.left + (area.right - area.left - width) / 2,
        area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateSheet(const PROPSHEETHEADERW* h)
{
    RegisterControlClasses();
    static const ResDialog frame { kDialogTag,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | WS_CLIPSIBLINGS,
        WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, 0, 0, u"", u"", u"", 8, u"MS Shell Dlg", 0, nullptr };
    auto* s = new Sheet;
    s->flags = h->dwFlags;
    s->callback = (h->dwFlags & PSH_USECALLBACK) ? h->pfnCallback : nullptr;
    if (h->pszCaption && !IS_INTRESOURCE(h->pszCaption))
        s->caption = h->pszCaption;
    if (h->dwFlags & PSH_PROPTITLE)
        s->caption = u"Properties for " + s->caption;
    for (UINT i = 0; i < h->nPages; ++i) {
        if (h->dwFlags & PSH_PROPSHEETPAGE)
            s->pages.push_back(PageSlot { CreatePropertySheetPageW(&h->ppsp[i]), true, nullptr });
        else
            s->pages.push_back(PageSlot { h->phpage[i], false, nullptr });
    }
    HWND sheet = CreateDialogIndirectParamW(h->hInstance, &frame, h->hwndParent, SheetProc, reinterpret_cast<LPARAM>(s));
    if (!sheet) {
        for (PageSlot& slot : s->pages)
            if (slot.owned)
                DestroyPropertySheetPage(slot.page);
        delete s;
        return nullptr;
    }
    if (s->callback)
        s->callback(sheet, PSCB_PRECREATE, 0);
    SetWindowTextW(sheet, s->caption.c_str());
    const WPARAM font = WPARAM(SendMessage(sheet, WM_GETFONT, 0, 0));
    s->tab = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 10, 10,
        sheet, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_PSHEET_TAB)), nullptr, nullptr);
    SendMessage(s->tab, WM_SETFONT, font, FALSE);
    struct Button {
        int id;
        const char16_t* text;
        DWORD style;
    };
    std::vector<Button> buttons { { IDOK, u"OK", BS_DEFPUSHBUTTON }, { IDCANCEL, u"Cancel", BS_PUSHBUTTON } };
    if (!(s->flags & PSH_NOAPPLYNOW))
        buttons.push_back({ ID_APPLY_NOW, u"&Apply", BS_PUSHBUTTON });
    if (s->flags & PSH_HASHELP)
        buttons.push_back({ IDHELP, u"Help", BS_PUSHBUTTON });
    HWND previous = s->tab;
    for (const Button& b : buttons) {
        HWND button = CreateWindowExW(WS_EX_NOPARENTNOTIFY, u"Button", b.text,
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | b.style | (b.id == IDOK ? WS_GROUP : 0), 0, 0, 10, 10, sheet,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)), nullptr, nullptr);
        SetWindowPos(button, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        SendMessage(button, WM_SETFONT, font, FALSE);
        SendMessage(button, WM_UPDATEUISTATE, MAKELONG(UIS_SET, WORD(SendMessage(sheet, WM_QUERYUISTATE, 0, 0))), 0);
        previous = button;
    }
    if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW))
        EnableWindow(apply, FALSE);
    SendMessage(sheet, DM_SETDEFID, IDOK, 0);
    for (int i = 0; i < int(s->pages.size()); ++i)
        AddTab(*s, i);
    Layout(sheet, *s);
    int start = (h->dwFlags & PSH_USEPSTARTPAGE) ? 0 : int(h->nStartPage);
    if (start < 0 || start >= int(s->pages.size()))
        start = 0;
    if (!s->pages.empty())
        SelectPage(sheet, start, false);
    if (s->callback)
        s->callback(sheet, PSCB_INITIALIZED, 0);
    return sheet;
}

} // namespace

INT_PTR PropertySheetW(const PROPSHEETHEADERW* header)
{
    if (!header)
        return -1;
    if (header->dwFlags & PSH_MODELESS) {
        HWND sheet = CreateSheet(header);
        if (sheet)
            ShowWindow(sheet, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(sheet);
    }
    HWND owner = platform::user::ModalOwner(header->hwndParent);
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    HWND sheet = CreateSheet(header);
    if (!sheet) {
        if (disableOwner)
            EnableWindow(owner, TRUE);
        return -1;
    }
    ShowWindow(sheet, SW_SHOWNORMAL);
    // The sheet's own loop: its keys first, then the dialog manager's.
    MSG msg;
    bool quit = false;
    int quitCode = 0;
    while (IsWindow(sheet) && SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = int(msg.wParam);
            break;
        }
        if (CallMsgFilterW(&msg, MSGF_DIALOGBOX))
            continue;
        if (!SendMessage(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    const INT_PTR result = IsWindow(sheet) ? INT_PTR(SendMessage(sheet, PSM_GETRESULT, 0, 0)) : -1;
    if (disableOwner && IsWindow(owner))
        EnableWindow(owner, TRUE);
    if (IsWindow(sheet))
        DestroyWindow(sheet);
    if (quit)
        PostQuitMessage(quitCode);
    return result;
}
