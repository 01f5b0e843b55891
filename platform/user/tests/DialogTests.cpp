#include "platform/user/Dialog.h"

#include "PlatformUserDialogResources.h"

#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;
using platform::resources::ResDialogControl;

namespace {

// Stand-ins for the standard controls, as small as the dialog manager's contract: each answers
// WM_GETDLGCODE like the real one and records what the dialog manager asks of it.
struct Record {
    std::vector<std::pair<int, UINT>> commands; // (id, notification) reaching the dialog
    std::vector<int> selectAll;                 // ids that got EM_SETSEL(0, -1)
    std::vector<std::pair<int, WCHAR>> chars;   // characters typed into edits
    std::vector<int> uiUpdates;                 // ids that got WM_UPDATEUISTATE
};
Record& Rec()
{
    static Record r;
    return r;
}

LRESULT ButtonProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    const DWORD type = DWORD(GetWindowLongPtrW(w, GWL_STYLE)) & BS_TYPEMASK;
    switch (m) {
    case WM_GETDLGCODE:
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (type == BS_GROUPBOX)
            return DLGC_STATIC;
        return DLGC_BUTTON;
    case BM_SETSTYLE: {
        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
        SetWindowLongPtrW(w, GWL_STYLE, (style & ~LONG_PTR(0xFFFF)) | LONG_PTR(wp & 0xFFFF));
        return 0;
    }
    case BM_GETCHECK:
        return GetWindowLongPtrW(w, GWLP_USERDATA);
    case BM_SETCHECK:
        SetWindowLongPtrW(w, GWLP_USERDATA, LONG_PTR(wp));
        return 0;
    case BM_CLICK: {
        HWND parent = GetParent(w);
        if (type == BS_AUTORADIOBUTTON) {
            for (HWND s = GetNextDlgGroupItem(parent, w, FALSE); s && s != w; s = GetNextDlgGroupItem(parent, s, FALSE))
                SendMessage(s, BM_SETCHECK, BST_UNCHECKED, 0);
            SendMessage(w, BM_SETCHECK, BST_CHECKED, 0);
        } else if (type == BS_AUTOCHECKBOX) {
            SendMessage(w, BM_SETCHECK, SendMessage(w, BM_GETCHECK, 0, 0) ? BST_UNCHECKED : BST_CHECKED, 0);
        }
        SendMessage(parent, WM_COMMAND, MAKELONG(WORD(GetDlgCtrlID(w)), BN_CLICKED), LPARAM(w));
        return 0;
    }
    case WM_UPDATEUISTATE:
        Rec().uiUpdates.push_back(GetDlgCtrlID(w));
        return 0;
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}

LRESULT StaticProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_GETDLGCODE)
        return DLGC_STATIC;
    return DefWindowProcW(w, m, wp, lp);
}

LRESULT EditProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case EM_SETSEL:
        if (wp == 0 && lp == -1)
            Rec().selectAll.push_back(GetDlgCtrlID(w));
        return 0;
    case WM_CHAR:
        Rec().chars.emplace_back(GetDlgCtrlID(w), WCHAR(wp));
        return 0;
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}

void Register(const WCHAR* name, WNDPROC proc)
{
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(nullptr, name, &wc))
        return;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassExW(&wc), 0);
}

INT_PTR RecordingProc(HWND dialog, UINT m, WPARAM wp, LPARAM)
{
    if (m == WM_INITDIALOG)
        return TRUE;
    if (m == WM_COMMAND) {
        Rec().commands.emplace_back(LOWORD(DWORD(wp)), HIWORD(DWORD(wp)));
        if (LOWORD(DWORD(wp)) == IDOK || LOWORD(DWORD(wp)) == IDCANCEL)
            EndDialog(dialog, LOWORD(DWORD(wp)));
        return TRUE;
    }
    return FALSE;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Register(u"Button", ButtonProc);
        Register(u"Static", StaticProc);
        Register(u"Edit", EditProc);
        Register(u"SysListView32", StaticProc);
        m_module = platform::modules::Register(u"dialog_test_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, PlatformUserDialogResources, &message))
            << message;
        Rec() = Record {};
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
        ResetInputForTesting();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"dialog_test_module");
    }

    HWND Nav()
    {
        HWND d = CreateDialogParamW(m_module, MAKEINTRESOURCEW(IDD_NAV), nullptr, RecordingProc, 0);
        EXPECT_NE(d, nullptr);
        ShowWindow(d, SW_SHOWNORMAL);
        return d;
    }

    // Runs the dialog's part of a modal loop until nothing is left to do.
    static void Pump(HWND dialog)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
    }
    static void Raw(RawInputKind kind, int vk)
    {
        RawInputEvent e;
        e.kind = kind;
        e.virtualKey = vk;
        PostRawInput(e);
    }
    // A key pressed and released by the user, with modifiers held around it.
    static void Key(HWND dialog, int vk, bool shift = false, bool alt = false)
    {
        if (shift)
            Raw(RawInputKind::KeyDown, VK_SHIFT);
        if (alt)
            Raw(RawInputKind::KeyDown, VK_MENU);
        Raw(RawInputKind::KeyDown, vk);
        Raw(RawInputKind::KeyUp, vk);
        if (alt)
            Raw(RawInputKind::KeyUp, VK_MENU);
        if (shift)
            Raw(RawInputKind::KeyUp, VK_SHIFT);
        Pump(dialog);
    }
    // A character key ('A'..'Z'), with Alt when asked.
    static void Letter(HWND dialog, char letter, bool alt = false) { Key(dialog, letter, false, alt); }

    HMODULE m_module = nullptr;
};

int FocusId() { return GetFocus() ? GetDlgCtrlID(GetFocus()) : -1; }

} // namespace

TEST_F(DialogTest, Template102TakesItsSizeFromTheFontsBaseUnits)
{
    HFONT font = CreateFontW(-11, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, u"MS Shell Dlg");
    const SIZE units = platform::user::DialogBaseUnitsOf(font);
    DeleteObject(font);
    // The pinned face at 8 points and 96 dots per inch.
    EXPECT_EQ(units.cx, 6);
    EXPECT_EQ(units.cy, 12);

    HWND d = CreateDialogParamW(m_module, MAKEINTRESOURCEW(IDD_MAIN), nullptr, RecordingProc, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(IsWindowVisible(d)); // the template asks for WS_VISIBLE
    RECT client;
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, 480);  // 320 * 6 / 4
    EXPECT_EQ(client.bottom, 431); // 287 * 12 / 8, rounded
    EXPECT_TRUE(GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Place and size convert separately, as the template gives them.
    RECT list { 7, 173, 306, 107 };
    ASSERT_TRUE(MapDialogRect(d, &list));
    RECT actual;
    GetWindowRect(GetDlgItem(d, 1004), &actual);
    POINT corner { actual.left, actual.top };
    ScreenToClient(d, &corner);
    EXPECT_EQ(corner.x, list.left);
    EXPECT_EQ(corner.y, list.top);
    EXPECT_EQ(actual.right - actual.left, list.right);
    EXPECT_EQ(actual.bottom - actual.top, list.bottom);
    EXPECT_EQ(list.left, 11);  // 7 * 6 / 4 = 10.5
    EXPECT_EQ(list.top, 260);  // 173 * 12 / 8 = 259.5

    // Controls got the dialog's font, and the dialog answers WM_GETFONT with it.
    EXPECT_NE(SendMessage(d, WM_GETFONT, 0, 0), 0);
}

TEST_F(DialogTest, TemplatesAreRecognisedByTheirTagAndControlsGetFontThenInitDialog)
{
    SetLastError(0);
    const DWORD notATemplate[4] = { 1, 2, 3, 4 };
    EXPECT_EQ(CreateDialogIndirectParamW(nullptr, notATemplate, nullptr, RecordingProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), 13u);
    EXPECT_EQ(CreateDialogParamW(m_module, MAKEINTRESOURCEW(999), nullptr, RecordingProc, 0), nullptr);

    static std::vector<UINT> seen;
    static LPARAM initParam;
    seen.clear();
    static const ResDialogControl controls[] = {
        { u"Button", u"&Go", 0, false, 10, WS_TABSTOP | WS_VISIBLE, 0, 4, 4, 40, 14, 0 },
    };
    static const ResDialog t { kDialogTag, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 0, 100, 50, u"In memory", u"",
        u"", 8, u"MS Shell Dlg", 1, controls };
    HWND d = CreateDialogIndirectParamW(nullptr, &t, nullptr,
        [](HWND, UINT m, WPARAM, LPARAM lp) -> INT_PTR {
            seen.push_back(m);
            if (m == WM_INITDIALOG)
                initParam = lp;
            return FALSE;
        },
        77);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(IsWindowVisible(d));
    EXPECT_EQ(initParam, 77);
    // WM_SETFONT for the dialog itself comes before WM_INITDIALOG, which comes last.
    auto font = std::find(seen.begin(), seen.end(), WM_SETFONT);
    auto init = std::find(seen.begin(), seen.end(), WM_INITDIALOG);
    EXPECT_LT(font - seen.begin(), init - seen.begin());
    EXPECT_EQ(init + 1, seen.end());
    // WM_INITDIALOG answered FALSE: the dialog did not move the focus.
    EXPECT_NE(GetFocus(), GetDlgItem(d, 10));
    WCHAR caption[32];
    GetWindowTextW(d, caption, 32);
    EXPECT_EQ(std::u16string(caption), u"In memory");
    WCHAR className[16];
    GetClassNameW(d, className, 16);
    EXPECT_EQ(std::u16string(className), u"#32770");
}

TEST_F(DialogTest, TabAndShiftTabFollowTemplateOrderSkippingHiddenAndUnstoppedControls)
{
    HWND d = Nav();
    EXPECT_EQ(FocusId(), IDC_NAME); // the first tab stop, its text selected
    const std::vector<int> forward { IDC_SIZE, IDC_SMALL, IDC_KEEP, IDC_APPLY, IDOK, IDCANCEL, IDC_NAME };
    for (int expected : forward) {
        Key(d, VK_TAB);
        EXPECT_EQ(FocusId(), expected);
    }
    for (auto it = forward.rbegin() + 1; it != forward.rend(); ++it) {
        Key(d, VK_TAB, true);
        EXPECT_EQ(FocusId(), *it);
    }
    Key(d, VK_TAB, true);
    EXPECT_EQ(FocusId(), IDC_NAME);
    // Edits entered with the keyboard get their whole text selected.
    EXPECT_GE(std::count(Rec().selectAll.begin(), Rec().selectAll.end(), IDC_SIZE), 2);
    // A disabled control is skipped too.
    EnableWindow(GetDlgItem(d, IDC_SIZE), FALSE);
    Key(d, VK_TAB);
    EXPECT_EQ(FocusId(), IDC_SMALL);
    EXPECT_EQ(GetNextDlgTabItem(d, nullptr, TRUE), GetDlgItem(d, IDCANCEL));
}

TEST_F(DialogTest, ArrowsMoveAndCheckWithinARadioGroupAndWrap)
{
    HWND d = Nav();
    SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, IDC_SMALL)), TRUE);
    struct Step {
        int key;
        int focus;
    };
    const Step steps[] = { { VK_DOWN, IDC_MEDIUM }, { VK_RIGHT, IDC_LARGE }, { VK_DOWN, IDC_SMALL },
        { VK_UP, IDC_LARGE }, { VK_LEFT, IDC_MEDIUM } };
    for (const Step& s : steps) {
        Key(d, s.key);
        EXPECT_EQ(FocusId(), s.focus);
        for (int id : { IDC_SMALL, IDC_MEDIUM, IDC_LARGE })
            EXPECT_EQ(IsDlgButtonChecked(d, id), id == s.focus ? 1u : 0u) << id;
    }
    // The group ends where the next WS_GROUP control starts.
    EXPECT_EQ(GetNextDlgGroupItem(d, GetDlgItem(d, IDC_KEEP), FALSE), GetDlgItem(d, IDC_KEEP));
    // An edit keeps its arrows.
    SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, IDC_NAME)), TRUE);
    Key(d, VK_DOWN);
    EXPECT_EQ(FocusId(), IDC_NAME);
}

TEST_F(DialogTest, EnterPressesTheFocusedOrDefaultButtonAndEscapeCancels)
{
    HWND d = Nav();
    struct Case {
        int focus;
        int key;
        int command;
    };
    const Case cases[] = {
        { IDC_NAME, VK_RETURN, IDOK },        // the DEFPUSHBUTTON
        { IDC_APPLY, VK_RETURN, IDC_APPLY },  // a focused push button
        { IDC_SMALL, VK_RETURN, IDOK },       // a radio button is not a push button
        { IDC_NAME, VK_ESCAPE, IDCANCEL },
    };
    for (const Case& c : cases) {
        Rec().commands.clear();
        HWND fresh = IsWindow(d) ? d : Nav();
        d = fresh;
        SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, c.focus)), TRUE);
        Key(d, c.key);
        ASSERT_EQ(Rec().commands.size(), 1u) << c.focus;
        EXPECT_EQ(Rec().commands[0].first, c.command);
        EXPECT_EQ(Rec().commands[0].second, BN_CLICKED);
        if (c.command == IDOK || c.command == IDCANCEL) {
            DestroyWindow(d);
            d = Nav();
        }
    }
    // DM_SETDEFID moves Enter's target; DM_GETDEFID reports it.
    SendMessage(d, DM_SETDEFID, IDC_APPLY, 0);
    EXPECT_EQ(SendMessage(d, DM_GETDEFID, 0, 0), LRESULT(MAKELONG(IDC_APPLY, DC_HASDEFID)));
    SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, IDC_NAME)), TRUE);
    Rec().commands.clear();
    Key(d, VK_RETURN);
    ASSERT_EQ(Rec().commands.size(), 1u);
    EXPECT_EQ(Rec().commands[0].first, IDC_APPLY);
    // A disabled Cancel swallows Esc.
    EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
    Rec().commands.clear();
    Key(d, VK_ESCAPE);
    EXPECT_TRUE(Rec().commands.empty());
}

TEST_F(DialogTest, TheFocusedPushButtonLooksDefaultAndTheDefaultTakesTheLookBack)
{
    HWND d = Nav();
    auto type = [&](int id) { return DWORD(GetWindowLongPtrW(GetDlgItem(d, id), GWL_STYLE)) & BS_TYPEMASK; };
    EXPECT_EQ(type(IDOK), BS_DEFPUSHBUTTON);
    SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, IDC_KEEP)), TRUE);
    Key(d, VK_TAB); // to Apply
    EXPECT_EQ(type(IDC_APPLY), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(IDOK), BS_PUSHBUTTON);
    Key(d, VK_TAB); // to OK
    EXPECT_EQ(type(IDC_APPLY), BS_PUSHBUTTON);
    EXPECT_EQ(type(IDOK), BS_DEFPUSHBUTTON);
    Key(d, VK_TAB); // to Cancel
    EXPECT_EQ(type(IDOK), BS_PUSHBUTTON);
    Key(d, VK_TAB); // to the name edit: the default button looks default again
    EXPECT_EQ(type(IDCANCEL), BS_PUSHBUTTON);
    EXPECT_EQ(type(IDOK), BS_DEFPUSHBUTTON);
    // Enter still goes to the default id, whatever looked default.
    EXPECT_EQ(SendMessage(d, DM_GETDEFID, 0, 0), LRESULT(MAKELONG(IDOK, DC_HASDEFID)));
}

TEST_F(DialogTest, MnemonicsWithAndWithoutAlt)
{
    HWND d = Nav();
    // A label's mnemonic focuses the control after it.
    Letter(d, 'Z', true);
    EXPECT_EQ(FocusId(), IDC_SIZE);
    // An edit keeps plain characters.
    Letter(d, 'M');
    ASSERT_EQ(Rec().chars.size(), 1u);
    EXPECT_EQ(Rec().chars[0], std::make_pair(int(IDC_SIZE), WCHAR(u'm')));
    // Alt+M clicks the radio button (focus and check).
    Letter(d, 'M', true);
    EXPECT_EQ(FocusId(), IDC_MEDIUM);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_MEDIUM), 1u);
    // From a control that takes no characters, the plain letter works too.
    Letter(d, 'K');
    EXPECT_EQ(FocusId(), IDC_KEEP);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_KEEP), 1u);
    // A push button's mnemonic clicks it without taking the focus.
    Rec().commands.clear();
    Letter(d, 'A', true);
    ASSERT_FALSE(Rec().commands.empty());
    EXPECT_EQ(Rec().commands.back().first, IDC_APPLY);
    EXPECT_EQ(FocusId(), IDC_KEEP);
}

TEST_F(DialogTest, KeyboardCuesStartHiddenAndShowOnKeyboardUse)
{
    HWND d = Nav();
    EXPECT_EQ(SendMessage(d, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEFOCUS | UISF_HIDEACCEL));
    Key(d, VK_TAB);
    EXPECT_EQ(SendMessage(d, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEACCEL));
    EXPECT_FALSE(Rec().uiUpdates.empty()); // the controls were told
    Key(d, VK_MENU);
    EXPECT_EQ(SendMessage(d, WM_QUERYUISTATE, 0, 0), 0);
}

TEST_F(DialogTest, FocusIsRememberedAcrossDeactivation)
{
    HWND d = Nav();
    SetActiveWindow(d);
    SendMessage(d, WM_NEXTDLGCTL, WPARAM(GetDlgItem(d, IDC_KEEP)), TRUE);
    HWND other = CreateWindowExW(0, u"Edit", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr,
        nullptr);
    SetActiveWindow(other);
    SetFocus(other);
    EXPECT_EQ(GetFocus(), other);
    SetActiveWindow(d);
    EXPECT_EQ(FocusId(), IDC_KEEP);
    DestroyWindow(other);
}

TEST_F(DialogTest, ModalLoopDisablesTheOwnerAndReturnsTheEndDialogResult)
{
    HWND owner = CreateWindowExW(0, u"Static", u"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
        nullptr, nullptr);
    static HWND s_owner;
    static BOOL s_ownerEnabledInside;
    s_owner = owner;
    s_ownerEnabledInside = TRUE;
    const INT_PTR result = DialogBoxParamW(m_module, MAKEINTRESOURCEW(IDD_NAV), owner,
        [](HWND dialog, UINT m, WPARAM wp, LPARAM) -> INT_PTR {
            if (m == WM_INITDIALOG) {
                // Typed by the user once the loop runs: Tab, Tab, Enter on... the default button.
                PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
                return TRUE;
            }
            if (m == WM_COMMAND) {
                s_ownerEnabledInside = IsWindowEnabled(s_owner);
                EndDialog(dialog, 40 + LOWORD(DWORD(wp)));
                return TRUE;
            }
            return FALSE;
        },
        0);
    EXPECT_EQ(result, 40 + IDOK);
    EXPECT_FALSE(s_ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(owner));
    // The dialog is gone.
    EXPECT_EQ(FindWindowExW(nullptr, nullptr, u"#32770", u"Navigation"), nullptr);
    DestroyWindow(owner);
}

TEST_F(DialogTest, QuitEndsTheModalLoopAndIsPostedAgain)
{
    const INT_PTR result = DialogBoxParamW(m_module, MAKEINTRESOURCEW(IDD_NAV), nullptr,
        [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR {
            if (m == WM_INITDIALOG) {
                PostQuitMessage(5);
                return TRUE;
            }
            return FALSE;
        },
        0);
    EXPECT_EQ(result, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(DialogTest, WmCloseBecomesCancel)
{
    HWND d = Nav();
    SendMessage(d, WM_CLOSE, 0, 0);
    Pump(d);
    ASSERT_FALSE(Rec().commands.empty());
    EXPECT_EQ(Rec().commands[0].first, IDCANCEL);
}

TEST_F(DialogTest, DialogItemIntegersAndButtons)
{
    HWND d = Nav();
    struct Case {
        const char16_t* text;
        BOOL isSigned;
        BOOL ok;
        UINT value;
    };
    const Case cases[] = {
        { u"12", FALSE, TRUE, 12 },
        { u"  7", FALSE, TRUE, 7 },
        { u"-1", TRUE, TRUE, UINT(-1) },
        { u"+3", TRUE, TRUE, 3 },
        { u"-1", FALSE, FALSE, 0 },
        { u"12a", FALSE, FALSE, 0 },
        { u"", FALSE, FALSE, 0 },
        { u"4294967295", FALSE, TRUE, 4294967295u },
        { u"4294967296", FALSE, FALSE, 0 },
        { u"2147483647", TRUE, TRUE, 2147483647u },
        { u"2147483648", TRUE, FALSE, 0 },
        { u"-2147483648", TRUE, TRUE, 0x80000000u },
    };
    for (const Case& c : cases) {
        SetDlgItemTextW(d, IDC_NAME, c.text);
        BOOL ok = 2;
        EXPECT_EQ(GetDlgItemInt(d, IDC_NAME, &ok, c.isSigned), c.value);
        EXPECT_EQ(ok, c.ok);
    }
    SetDlgItemInt(d, IDC_SIZE, UINT(-42), TRUE);
    WCHAR text[16];
    GetDlgItemTextW(d, IDC_SIZE, text, 16);
    EXPECT_EQ(std::u16string(text), u"-42");

    CheckRadioButton(d, IDC_SMALL, IDC_LARGE, IDC_LARGE);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_LARGE), 1u);
    CheckRadioButton(d, IDC_SMALL, IDC_LARGE, IDC_SMALL);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_LARGE), 0u);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_SMALL), 1u);
    CheckDlgButton(d, IDC_KEEP, BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageW(d, IDC_KEEP, BM_GETCHECK, 0, 0), 1);
}

namespace {
std::vector<UINT> g_filtered;
HHOOK g_filter = nullptr;
LRESULT FilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        g_filtered.push_back(msg->message);
        if (msg->message == WM_APP + 7)
            return 1; // processed: the dialog never sees it
    }
    return CallNextHookEx(g_filter, code, wParam, lParam);
}
} // namespace

TEST_F(DialogTest, TheModalLoopOffersEveryMessageToTheMessageFilter)
{
    g_filtered.clear();
    g_filter = SetWindowsHookExW(WH_MSGFILTER, FilterHook, nullptr, GetCurrentThreadId());
    static bool sawSwallowed;
    sawSwallowed = false;
    const INT_PTR result = DialogBoxParamW(m_module, MAKEINTRESOURCEW(IDD_NAV), nullptr,
        [](HWND dialog, UINT m, WPARAM, LPARAM) -> INT_PTR {
            if (m == WM_INITDIALOG) {
                PostMessageW(dialog, WM_APP + 7, 0, 0);
                PostMessageW(dialog, WM_APP + 8, 0, 0);
                return TRUE;
            }
            if (m == WM_APP + 7)
                sawSwallowed = true;
            if (m == WM_APP + 8)
                EndDialog(dialog, 3);
            return FALSE;
        },
        0);
    UnhookWindowsHookEx(g_filter);
    EXPECT_EQ(result, 3);
    EXPECT_FALSE(sawSwallowed);
    EXPECT_NE(std::find(g_filtered.begin(), g_filtered.end(), WM_APP + 7), g_filtered.end());
    EXPECT_NE(std::find(g_filtered.begin(), g_filtered.end(), WM_APP + 8), g_filtered.end());
}

TEST_F(DialogTest, AModalDialogIsShownEvenWithoutWsVisible)
{
    static bool visible;
    visible = false;
    DialogBoxParamW(m_module, MAKEINTRESOURCEW(IDD_NAV), nullptr,
        [](HWND dialog, UINT m, WPARAM, LPARAM) -> INT_PTR {
            if (m == WM_INITDIALOG) {
                PostMessageW(dialog, WM_APP, 0, 0);
                return TRUE;
            }
            if (m == WM_APP) {
                visible = IsWindowVisible(dialog);
                EndDialog(dialog, 0);
            }
            return FALSE;
        },
        0);
    EXPECT_TRUE(visible);
}
