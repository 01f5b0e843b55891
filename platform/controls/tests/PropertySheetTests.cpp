#include "platform/controls/CommonControls.h"
#include "platform/controls/PropertySheet.h"
#include "platform/user/screenshot/ScreenshotPng.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;
using platform::resources::ResDialogControl;

namespace {

constexpr DWORD kPageStyle = WS_CHILD | DS_SETFONT | DS_CONTROL;

const ResDialogControl kGeneralControls[] = {
    { u"Static", u"&Width:", 0, false, 0xFFFF, WS_VISIBLE, 0, 7, 9, 40, 8, 0 },
    { u"Edit", u"640", 0, false, 101, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 50, 7, 60, 14, 0 },
    { u"Button", u"&Keep ratio", 0, false, 102, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 30, 80, 10, 0 },
};
const ResDialog kGeneral { kDialogTag, kPageStyle, 0, 0, 0, 180, 90, u"&General", u"", u"", 8, u"MS Shell Dlg", 3,
    kGeneralControls };
const ResDialogControl kAdvancedControls[] = {
    { u"Button", u"&Verbose log", 0, false, 201, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 7, 80, 10, 0 },
};
const ResDialog kAdvanced { kDialogTag, kPageStyle, 0, 0, 0, 150, 60, u"A&dvanced", u"", u"", 8, u"MS Shell Dlg", 1,
    kAdvancedControls };

struct Event {
    int page;
    UINT code;
    bool operator==(const Event&) const = default;
};
std::vector<Event> g_events;
bool g_refuseLeavingGeneral = false;

INT_PTR PageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        SetWindowLongPtrW(page, DWLP_USER, psp->lParam);
        g_events.push_back({ int(psp->lParam), WM_INITDIALOG });
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const NMHDR*>(lParam);
        const int index = int(GetWindowLongPtrW(page, DWLP_USER));
        g_events.push_back({ index, n->code });
        LRESULT answer = 0;
        if (n->code == PSN_KILLACTIVE && index == 0 && g_refuseLeavingGeneral)
            answer = TRUE;
        SetWindowLongPtrW(page, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    return FALSE;
}

class PropertySheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        g_events.clear();
        g_refuseLeavingGeneral = false;
        for (int i = 0; i < 2; ++i) {
            m_pages[i] = {};
            m_pages[i].dwSize = sizeof(PROPSHEETPAGEW);
            m_pages[i].dwFlags = PSP_DLGINDIRECT;
            m_pages[i].pResource = i == 0 ? &kGeneral : &kAdvanced;
            m_pages[i].pfnDlgProc = PageProc;
            m_pages[i].lParam = i;
        }
        m_header = {};
        m_header.dwSize = sizeof(PROPSHEETHEADERW);
        m_header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_MODELESS;
        m_header.pszCaption = u"Customize";
        m_header.nPages = 2;
        m_header.ppsp = m_pages;
    }
    void TearDown() override
    {
        std::vector<HWND> left;
        EnumWindows([](HWND w, LPARAM data) {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
            return TRUE;
        }, LPARAM(&left));
        for (HWND w : left)
            if (IsWindow(w))
                DestroyWindow(w);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The owner's loop around a modeless sheet, until nothing is left to do.
    static void Pump(HWND sheet)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsWindow(sheet) || !SendMessage(sheet, PSM_ISDIALOGMESSAGE, 0, LPARAM(&msg))) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
    }

    static HWND CurrentPage(HWND sheet) { return HWND(SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    static int CurrentIndex(HWND sheet)
    {
        return int(SendMessage(sheet, PSM_HWNDTOINDEX, WPARAM(CurrentPage(sheet)), 0));
    }

    PROPSHEETPAGEW m_pages[2];
    PROPSHEETHEADERW m_header;
};

} // namespace

TEST_F(PropertySheetTest, AModelessSheetWithPagesFromIndirectTemplates)
{
    HWND sheet = HWND(PropertySheetW(&m_header));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(IsWindowVisible(sheet));
    // Only the first page exists yet; it got WM_INITDIALOG then PSN_SETACTIVE.
    EXPECT_EQ(g_events, (std::vector<Event> { { 0, WM_INITDIALOG }, { 0, PSN_SETACTIVE } }));
    EXPECT_EQ(SendMessage(sheet, PSM_INDEXTOHWND, 1, 0), 0);

    HWND tab = HWND(SendMessage(sheet, PSM_GETTABCONTROL, 0, 0));
    ASSERT_NE(tab, nullptr);
    WCHAR className[32] {};
    GetClassNameW(tab, className, 32);
    EXPECT_EQ(std::u16string(className), u"SysTabControl32");
    EXPECT_EQ(SendMessage(tab, TCM_GETITEMCOUNT, 0, 0), 2);
    WCHAR text[32] {};
    TCITEMW item { TCIF_TEXT, 0, 0, text, 32, 0, 0 };
    SendMessage(tab, TCM_GETITEMW, 1, LPARAM(&item));
    EXPECT_EQ(std::u16string(text), u"A&dvanced");

    // PSH_NOAPPLYNOW: OK and Cancel only.
    EXPECT_NE(GetDlgItem(sheet, IDOK), nullptr);
    EXPECT_NE(GetDlgItem(sheet, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(sheet, ID_APPLY_NOW), nullptr);

    // The page sits inside the tab's display area.
    RECT pageRect, tabRect;
    GetWindowRect(CurrentPage(sheet), &pageRect);
    GetWindowRect(tab, &tabRect);
    EXPECT_GT(pageRect.top, tabRect.top);
    EXPECT_LT(pageRect.bottom, tabRect.bottom);
    EXPECT_EQ(GetParent(CurrentPage(sheet)), sheet);

    // A click on the second tab: PSN_KILLACTIVE to the first, then the second is made and shown.
    g_events.clear();
    RECT second;
    SendMessage(tab, TCM_GETITEMRECT, 1, LPARAM(&second));
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(WORD(second.left + 5), WORD(second.top + 5)));
    Pump(sheet);
    EXPECT_EQ(CurrentIndex(sheet), 1);
    EXPECT_EQ(g_events,
        (std::vector<Event> { { 0, PSN_KILLACTIVE }, { 1, WM_INITDIALOG }, { 1, PSN_SETACTIVE } }));
    EXPECT_FALSE(IsWindowVisible(HWND(SendMessage(sheet, PSM_INDEXTOHWND, 0, 0))));

    std::string path = ::testing::TempDir() + "property_sheet.png";
    RECT r;
    GetWindowRect(sheet, &r);
    UpdateWindow(sheet);
    SaveScreenshotPng(path, &r);
    std::printf("property sheet picture: %s\n", path.c_str());

    // PSM_SETCURSEL back; a page that refuses to be left keeps the sheet where it is.
    EXPECT_TRUE(SendMessage(sheet, PSM_SETCURSEL, 0, 0));
    EXPECT_EQ(CurrentIndex(sheet), 0);
    g_refuseLeavingGeneral = true;
    EXPECT_FALSE(SendMessage(sheet, PSM_SETCURSEL, 1, 0));
    EXPECT_EQ(CurrentIndex(sheet), 0);
    g_refuseLeavingGeneral = false;

    // OK: PSN_KILLACTIVE to the current page, PSN_APPLY to every page made; the sheet ends.
    g_events.clear();
    PostMessageW(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
    Pump(sheet);
    EXPECT_EQ(g_events, (std::vector<Event> { { 0, PSN_KILLACTIVE }, { 0, PSN_APPLY }, { 1, PSN_APPLY } }));
    EXPECT_EQ(CurrentPage(sheet), nullptr);
    EXPECT_EQ(SendMessage(sheet, PSM_GETRESULT, 0, 0), 1);
}

TEST_F(PropertySheetTest, PageMnemonicsAndCancel)
{
    HWND sheet = HWND(PropertySheetW(&m_header));
    ASSERT_NE(sheet, nullptr);
    // Alt+D: no control has it, the "A&dvanced" tab does.
    PostMessageW(CurrentPage(sheet), WM_SYSCHAR, u'd', 0);
    Pump(sheet);
    EXPECT_EQ(CurrentIndex(sheet), 1);
    // Alt+V: a control of the page has it; the page stays.
    PostMessageW(GetFocus() ? GetFocus() : sheet, WM_SYSCHAR, u'v', 0);
    Pump(sheet);
    EXPECT_EQ(CurrentIndex(sheet), 1);
    EXPECT_EQ(SendDlgItemMessageW(CurrentPage(sheet), 201, BM_GETCHECK, 0, 0), BST_CHECKED);
    // Alt+G back to the first page.
    PostMessageW(sheet, WM_SYSCHAR, u'g', 0);
    Pump(sheet);
    EXPECT_EQ(CurrentIndex(sheet), 0);
    // Esc: PSN_QUERYCANCEL to the current page, PSN_RESET to every page made.
    g_events.clear();
    PostMessageW(sheet, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(sheet);
    EXPECT_EQ(g_events, (std::vector<Event> { { 0, PSN_QUERYCANCEL }, { 0, PSN_RESET }, { 1, PSN_RESET } }));
    EXPECT_EQ(SendMessage(sheet, PSM_GETRESULT, 0, 0), 0);
}

TEST_F(PropertySheetTest, AModalSheetRunsItsOwnLoopAndApplyFollowsChanges)
{
    m_header.dwFlags = PSH_PROPSHEETPAGE; // modal, with Apply
    static HWND s_sheet;
    m_header.dwFlags |= PSH_USECALLBACK;
    m_header.pfnCallback = [](HWND sheet, UINT message, LPARAM) -> int {
        if (message == PSCB_INITIALIZED) {
            s_sheet = sheet;
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)));
            SendMessage(sheet, PSM_CHANGED, WPARAM(HWND(SendMessage(sheet, PSM_GETCURRENTPAGEHWND, 0, 0))), 0);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW)));
            PostMessageW(sheet, WM_KEYDOWN, VK_RETURN, 0);
        }
        return 0;
    };
    EXPECT_EQ(PropertySheetW(&m_header), 1);
    EXPECT_FALSE(IsWindow(s_sheet));
    EXPECT_EQ(g_events.back(), (Event { 0, PSN_APPLY }));
}

TEST_F(PropertySheetTest, CtrlTabTurnsThePagesThroughTheKeyboard)
{
    HWND sheet = HWND(PropertySheetW(&m_header));
    ASSERT_NE(sheet, nullptr);
    auto key = [](RawInputKind kind, int vk) {
        RawInputEvent e;
        e.kind = kind;
        e.virtualKey = vk;
        PostRawInput(e);
    };
    auto press = [&](std::initializer_list<int> held, int vk) {
        for (int h : held)
            key(RawInputKind::KeyDown, h);
        key(RawInputKind::KeyDown, vk);
        key(RawInputKind::KeyUp, vk);
        for (int h : held)
            key(RawInputKind::KeyUp, h);
        Pump(sheet);
    };
    press({ VK_CONTROL }, VK_TAB);
    EXPECT_EQ(CurrentIndex(sheet), 1);
    press({ VK_CONTROL }, VK_TAB);
    EXPECT_EQ(CurrentIndex(sheet), 0); // round again
    press({ VK_CONTROL, VK_SHIFT }, VK_TAB);
    EXPECT_EQ(CurrentIndex(sheet), 1);
    press({ VK_CONTROL }, VK_PRIOR);
    EXPECT_EQ(CurrentIndex(sheet), 0);
    // Alt+D through the keyboard: the "A&dvanced" tab.
    press({ VK_MENU }, 'D');
    EXPECT_EQ(CurrentIndex(sheet), 1);
}
