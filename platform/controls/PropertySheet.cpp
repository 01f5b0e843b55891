#include "platform/controls/PropertySheet.h"

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

// ---- The tab control -------------------------------------------------------------------------

namespace {

struct TabItem {
    std::u16string text;
    LPARAM param = 0;
};

struct TabState {
    std::vector<TabItem> items;
    int current = -1;
    HFONT font = nullptr;
};

TabState* TabOf(HWND w) { return reinterpret_cast<TabState*>(GetWindowLongPtrW(w, 0)); }

int TabRowHeight(HWND w)
{
    TabState* s = TabOf(w);
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, s && s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    return tm.tmHeight + 6;
}

// Tab i's rectangle as drawn when not selected (the selected one grows by 2 on three sides).
RECT TabRect(HWND w, int index)
{
    TabState* s = TabOf(w);
    const int height = TabRowHeight(w);
    HDC hdc = GetDC(w);
    HGDIOBJ old = SelectObject(hdc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    int x = 2;
    RECT r {};
    for (int i = 0; i <= index && i < int(s->items.size()); ++i) {
        RECT text { 0, 0, 0, 0 };
        const std::u16string& t = s->items[std::size_t(i)].text;
        DrawTextW(hdc, t.c_str(), int(t.size()), &text, DT_CALCRECT | DT_SINGLELINE);
        const int width = std::max<int>(text.right - text.left + 12, 24);
        r = RECT { x, 2, x + width, 2 + height };
        x += width;
    }
    SelectObject(hdc, old);
    ReleaseDC(w, hdc);
    return r;
}

void NotifyTab(HWND w, UINT code, LRESULT* reply = nullptr)
{
    NMHDR header { w, UINT_PTR(GetDlgCtrlID(w)), code };
    const LRESULT r = SendMessage(GetParent(w), WM_NOTIFY, WPARAM(header.idFrom), reinterpret_cast<LPARAM>(&header));
    if (reply)
        *reply = r;
}

// Moves the selection as a user does: TCN_SELCHANGING (non-zero refuses), then TCN_SELCHANGE.
void UserSelect(HWND w, int index)
{
    TabState* s = TabOf(w);
    if (index < 0 || index >= int(s->items.size()) || index == s->current)
        return;
    LRESULT refuse = 0;
    NotifyTab(w, TCN_SELCHANGING, &refuse);
    if (refuse)
        return;
    s->current = index;
    InvalidateRect(w, nullptr, TRUE);
    NotifyTab(w, TCN_SELCHANGE);
}

void PaintTabs(HWND w, HDC hdc)
{
    TabState* s = TabOf(w);
    RECT client;
    GetClientRect(w, &client);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
    const int row = TabRowHeight(w);
    RECT panel { 0, row + 2, client.right, client.bottom };
    DrawEdge(hdc, &panel, EDGE_RAISED, BF_RECT);
    HGDIOBJ oldFont = SelectObject(hdc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    const bool focused = GetFocus() == w;
    auto drawTab = [&](int i, bool selected) {
        RECT r = TabRect(w, i);
        if (selected) {
            r.left -= 2;
            r.right += 2;
            r.top -= 2;
            r.bottom += 1;
            RECT gap { r.left + 1, r.bottom - 2, r.right - 1, r.bottom + 1 };
            FillRect(hdc, &gap, GetSysColorBrush(COLOR_3DFACE));
        }
        RECT face { r.left + 1, r.top + 1, r.right - 1, r.bottom };
        FillRect(hdc, &face, GetSysColorBrush(COLOR_3DFACE));
        HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DHILIGHT));
        HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
        HGDIOBJ oldPen = SelectObject(hdc, light);
        MoveToEx(hdc, r.left, r.bottom - 1, nullptr);
        LineTo(hdc, r.left, r.top + 2);
        LineTo(hdc, r.left + 2, r.top);
        LineTo(hdc, r.right - 2, r.top);
        SelectObject(hdc, shadow);
        MoveToEx(hdc, r.right - 2, r.top + 1, nullptr);
        LineTo(hdc, r.right - 2, r.bottom);
        SelectObject(hdc, dark);
        MoveToEx(hdc, r.right - 1, r.top + 2, nullptr);
        LineTo(hdc, r.right - 1, r.bottom);
        SelectObject(hdc, oldPen);
        DeleteObject(light);
        DeleteObject(shadow);
        DeleteObject(dark);
        const std::u16string& t = s->items[std::size_t(i)].text;
        RECT text { r.left, r.top + (selected ? 1 : 2), r.right, r.bottom - (selected ? 1 : 0) };
        DrawTextW(hdc, t.c_str(), int(t.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (selected && focused) {
            RECT focus { r.left + 3, r.top + 3, r.right - 3, r.bottom - 2 };
            DrawFocusRect(hdc, &focus);
        }
    };
    for (int i = 0; i < int(s->items.size()); ++i)
        if (i != s->current)
            drawTab(i, false);
    if (s->current >= 0 && s->current < int(s->items.size()))
        drawTab(s->current, true);
    SelectObject(hdc, oldFont);
}

LRESULT TabProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    TabState* s = TabOf(w);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(w, 0, reinterpret_cast<LONG_PTR>(new TabState));
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_NCDESTROY:
        delete s;
        SetWindowLongPtrW(w, 0, 0);
        return DefWindowProcW(w, message, wParam, lParam);
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (wParam) {
            PaintTabs(w, reinterpret_cast<HDC>(wParam));
            return 0;
        }
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(w, &ps);
        PaintTabs(w, hdc);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(w, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN: {
        const POINT pt { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
        for (int i = 0; i < int(s->items.size()); ++i) {
            RECT r = TabRect(w, i);
            if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top - 2 && pt.y < r.bottom) {
                if (!(GetWindowLongPtrW(w, GWL_STYLE) & TCS_FOCUSNEVER))
                    SetFocus(w);
                UserSelect(w, i);
                break;
            }
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_LEFT) || wParam == WPARAM(VK_UP))
            UserSelect(w, s->current - 1);
        else if (wParam == WPARAM(VK_RIGHT) || wParam == WPARAM(VK_DOWN))
            UserSelect(w, s->current + 1);
        return 0;
    case TCM_GETITEMCOUNT:
        return LRESULT(s->items.size());
    case TCM_GETCURSEL:
    case TCM_GETCURFOCUS:
        return s->current;
    case TCM_SETCURSEL: {
        const int index = int(wParam);
        if (index < 0 || index >= int(s->items.size()))
            return -1;
        const int previous = s->current;
        s->current = index;
        InvalidateRect(w, nullptr, TRUE);
        return previous;
    }
    case TCM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const TCITEMW*>(lParam);
        if (!item)
            return -1;
        TabItem t;
        if ((item->mask & TCIF_TEXT) && item->pszText)
            t.text = item->pszText;
        if (item->mask & TCIF_PARAM)
            t.param = item->lParam;
        const int at = std::clamp(int(wParam), 0, int(s->items.size()));
        s->items.insert(s->items.begin() + at, t);
        if (s->current >= at)
            ++s->current;
        if (s->current < 0)
            s->current = 0;
        InvalidateRect(w, nullptr, TRUE);
        return at;
    }
    case TCM_DELETEITEM: {
        const int at = int(wParam);
        if (at < 0 || at >= int(s->items.size()))
            return FALSE;
        s->items.erase(s->items.begin() + at);
        if (s->current >= int(s->items.size()))
            s->current = int(s->items.size()) - 1;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        s->items.clear();
        s->current = -1;
        InvalidateRect(w, nullptr, TRUE);
        return TRUE;
    case TCM_GETITEMW:
    case TCM_SETITEMW: {
        auto* item = reinterpret_cast<TCITEMW*>(lParam);
        const int at = int(wParam);
        if (!item || at < 0 || at >= int(s->items.size()))
            return FALSE;
        TabItem& t = s->items[std::size_t(at)];
        if (message == TCM_SETITEMW) {
            if ((item->mask & TCIF_TEXT) && item->pszText)
                t.text = item->pszText;
            if (item->mask & TCIF_PARAM)
                t.param = item->lParam;
            InvalidateRect(w, nullptr, TRUE);
            return TRUE;
        }
        if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
            const std::size_t n = std::min<std::size_t>(t.text.size(), std::size_t(item->cchTextMax - 1));
            std::copy_n(t.text.begin(), n, item->pszText);
            item->pszText[n] = 0;
        }
        if (item->mask & TCIF_PARAM)
            item->lParam = t.param;
        return TRUE;
    }
    case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || int(wParam) < 0 || int(wParam) >= int(s->items.size()))
            return FALSE;
        *r = TabRect(w, int(wParam));
        return TRUE;
    }
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        for (int i = 0; info && i < int(s->items.size()); ++i) {
            RECT r = TabRect(w, i);
            if (info->pt.x >= r.left && info->pt.x < r.right && info->pt.y >= r.top && info->pt.y < r.bottom) {
                info->flags = TCHT_ONITEM;
                return i;
            }
        }
        if (info)
            info->flags = TCHT_NOWHERE;
        return -1;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        const int top = TabRowHeight(w) + 2 + 2;
        if (wParam) {
            r->left -= 4;
            r->right += 4;
            r->top -= top + 2;
            r->bottom += 4;
        } else {
            r->left += 4;
            r->right -= 4;
            r->top += top + 2;
            r->bottom -= 4;
        }
        return 0;
    }
    default:
        return DefWindowProcW(w, message, wParam, lParam);
    }
}

} // namespace

void platform::controls::RegisterSheetTabClass()
{
    WNDCLASSEXW info {};
    info.cbSize = sizeof(info);
    if (GetClassInfoExW(nullptr, WC_TABCONTROLW, &info))
        return;
    info.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    info.lpfnWndProc = TabProc;
    info.cbWndExtra = int(sizeof(void*));
    info.lpszClassName = WC_TABCONTROLW;
    RegisterClassExW(&info);
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
    platform::controls::RegisterSheetTabClass();
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
