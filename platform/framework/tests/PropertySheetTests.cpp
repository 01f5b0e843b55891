#include "platform/framework/CheckListBox.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/PropertySheet.h"
#include "platform/framework/ResourceHandle.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/user/screenshot/ScreenshotPng.h"

#include "FrameworkDialogTestResources.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;
using platform::resources::ResDialogControl;

namespace {

std::vector<std::string> g_log;

class CGeneralPage : public CPropertyPage {
public:
    CGeneralPage() : CPropertyPage(IDD_PAGE_GENERAL) { }
    int quality = 90;
    int progressive = 1;
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_QUALITY, quality);
        DDX_Check(dx, IDC_PROGRESSIVE, progressive);
    }
    BOOL OnSetActive() override
    {
        g_log.push_back("general active");
        return CPropertyPage::OnSetActive();
    }
    BOOL OnApply() override
    {
        g_log.push_back("general apply");
        return CPropertyPage::OnApply();
    }
};

const ResDialogControl kAdvancedControls[] = {
    { u"Button", u"&Verbose log", 0, false, 501, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 7, 80, 10, 0 },
};
const ResDialog kAdvanced { kDialogTag, WS_CHILD | DS_SETFONT, 0, 0, 0, 150, 60, u"A&dvanced", u"", u"", 8,
    u"MS Shell Dlg", 1, kAdvancedControls };

class CAdvancedPage : public CPropertyPage {
public:
    CAdvancedPage() { ConstructIndirect(&kAdvanced); }
    int verbose = 0;
    void DoDataExchange(CDataExchange* dx) override { DDX_Check(dx, 501, verbose); }
    BOOL OnSetActive() override
    {
        g_log.push_back("advanced active");
        return CPropertyPage::OnSetActive();
    }
    BOOL OnApply() override
    {
        g_log.push_back("advanced apply");
        return CPropertyPage::OnApply();
    }
};

using Step = std::function<void(CPropertySheet&)>;

class CScriptedSheet : public CPropertySheet {
    DECLARE_MESSAGE_MAP()
public:
    using CPropertySheet::CPropertySheet;
    std::deque<Step> steps;
    LRESULT OnKickIdle(WPARAM, LPARAM)
    {
        if (steps.empty())
            return FALSE;
        Step step = std::move(steps.front());
        steps.pop_front();
        step(*this);
        return !steps.empty();
    }
};

BEGIN_MESSAGE_MAP(CScriptedSheet, CPropertySheet)
    ON_MESSAGE(WM_KICKIDLE, &CScriptedSheet::OnKickIdle)
END_MESSAGE_MAP()

void Click(HWND control)
{
    RECT r;
    ::GetWindowRect(control, &r);
    RawInputEvent e;
    e.point = POINT { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    e.kind = RawInputKind::MouseMove;
    PostRawInput(e);
    e.kind = RawInputKind::ButtonDown;
    PostRawInput(e);
    e.kind = RawInputKind::ButtonUp;
    PostRawInput(e);
}

// A click at a client point of `window`.
void ClickAt(HWND window, int x, int y)
{
    POINT p { x, y };
    ::ClientToScreen(window, &p);
    RawInputEvent e;
    e.point = p;
    e.kind = RawInputKind::MouseMove;
    PostRawInput(e);
    e.kind = RawInputKind::ButtonDown;
    PostRawInput(e);
    e.kind = RawInputKind::ButtonUp;
    PostRawInput(e);
}

void Key(int vk)
{
    RawInputEvent e;
    e.virtualKey = vk;
    e.kind = RawInputKind::KeyDown;
    PostRawInput(e);
    e.kind = RawInputKind::KeyUp;
    PostRawInput(e);
}

class SheetClassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        g_log.clear();
        m_module = platform::modules::Register(u"framework_sheet_test_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, FrameworkDialogTestResources, &message))
            << message;
        m_previousModule = AfxGetResourceHandle();
        AfxSetResourceHandle(m_module);
        m_previousWindows = platform::user::SetMessageBoxWindows(true);
        platform::user::SetMessageBoxWatcher([this](const platform::user::MessageBoxEvent& e) {
            if (e.result != 0)
                return;
            m_boxes.push_back(e.text);
            Key(VK_RETURN);
        });
    }
    void TearDown() override
    {
        platform::user::SetMessageBoxWatcher(nullptr);
        platform::user::SetMessageBoxWindows(m_previousWindows);
        AfxSetResourceHandle(m_previousModule);
        testkit::DestroyLeftoverWindows();
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"framework_sheet_test_module");
    }
    HMODULE m_module = nullptr;
    HINSTANCE m_previousModule = nullptr;
    bool m_previousWindows = false;
    std::vector<std::u16string> m_boxes;
};

} // namespace

TEST_F(SheetClassTest, DoModalRunsTheSheetWithPagesFromATemplateIdAndAnInMemoryTemplate)
{
    CScriptedSheet sheet(u"Options");
    CGeneralPage general;
    CAdvancedPage advanced;
    sheet.AddPage(&general);
    sheet.AddPage(&advanced);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.steps.push_back([&](CPropertySheet& s) {
        EXPECT_EQ(s.GetActivePage(), &general);
        EXPECT_EQ(::GetDlgItemInt(general.m_hWnd, IDC_QUALITY, nullptr, TRUE), 90u);
        EXPECT_EQ(::GetDlgItem(s.m_hWnd, ID_APPLY_NOW), nullptr);
        CWnd* tab = s.GetTabControl();
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->SendMessage(TCM_GETITEMCOUNT), 2);
        ::SetDlgItemTextW(general.m_hWnd, IDC_QUALITY, u"75");
        EXPECT_TRUE(s.SetActivePage(1));
    });
    sheet.steps.push_back([&](CPropertySheet& s) {
        EXPECT_EQ(s.GetActivePage(), &advanced);
        EXPECT_EQ(s.GetActiveIndex(), 1);
        Click(::GetDlgItem(advanced.m_hWnd, 501));
        Click(::GetDlgItem(s.m_hWnd, IDOK));
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(general.quality, 75);
    EXPECT_EQ(advanced.verbose, 1);
    const std::vector<std::string> expected { "general active", "advanced active", "general apply", "advanced apply" };
    EXPECT_EQ(g_log, expected);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
}

TEST_F(SheetClassTest, ARefusedValueKeepsThePage)
{
    CScriptedSheet sheet(u"Options");
    CGeneralPage general;
    CAdvancedPage advanced;
    sheet.AddPage(&general);
    sheet.AddPage(&advanced);
    int activeAfter = -1;
    sheet.steps.push_back([&](CPropertySheet& s) {
        ::SetDlgItemTextW(general.m_hWnd, IDC_QUALITY, u"high");
        s.SetActivePage(1);
        activeAfter = s.GetActiveIndex();
        s.PressButton(PSBTN_CANCEL);
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(activeAfter, 0);
    EXPECT_EQ(m_boxes, std::vector<std::u16string> { u"Please enter an integer." });
}

namespace {

class CListHost : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    CListHost() : CDialog(IDD_RUNNER) { }
    std::vector<int> changes;
    CCheckListBox list;
    void OnCheckChange() { changes.push_back(int(changes.size())); }
};

BEGIN_MESSAGE_MAP(CListHost, CDialog)
    ON_CONTROL(CLBN_CHKCHANGE, 600, &CListHost::OnCheckChange)
END_MESSAGE_MAP()

} // namespace

TEST_F(SheetClassTest, CheckListBoxTogglesOnTheBoxAndSpaceAndTellsItsParent)
{
    CListHost host;
    ASSERT_TRUE(host.Create(IDD_RUNNER));
    ASSERT_TRUE(host.list.Create(WS_VISIBLE | WS_BORDER | WS_TABSTOP | LBS_NOTIFY, CRect(7, 7, 170, 90), &host, 600));
    host.list.AddString(u"Standard");
    host.list.AddString(u"Image editing");
    host.list.AddString(u"Locked");
    host.list.Enable(2, FALSE);
    host.list.SetCheck(0, 1);
    EXPECT_EQ(host.list.GetCheck(0), 1);

    auto pump = [] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    };
    RECT item;
    ::SendMessage(host.list.m_hWnd, LB_GETITEMRECT, 1, LPARAM(&item));
    const RECT box = host.list.CheckBoxRect(item);
    ClickAt(host.list.m_hWnd, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
    pump();
    EXPECT_EQ(host.list.GetCheck(1), 1);
    EXPECT_EQ(host.changes.size(), 1u);
    // A click on the text selects without toggling.
    ClickAt(host.list.m_hWnd, item.right - 10, item.top + 3);
    pump();
    EXPECT_EQ(host.list.GetCheck(1), 1);
    EXPECT_EQ(host.changes.size(), 1u);
    // Space toggles the caret item; a disabled item keeps its check.
    EXPECT_EQ(::GetFocus(), host.list.m_hWnd); // the click gave it the focus
    Key(VK_SPACE);
    pump();
    EXPECT_EQ(host.list.GetCheck(1), 0);
    EXPECT_EQ(host.changes.size(), 2u);
    ::SendMessage(host.list.m_hWnd, LB_GETITEMRECT, 2, LPARAM(&item));
    const RECT lockedBox = host.list.CheckBoxRect(item);
    ClickAt(host.list.m_hWnd, lockedBox.left + 3, lockedBox.top + 3);
    pump();
    EXPECT_EQ(host.list.GetCheck(2), 0);
    EXPECT_EQ(host.changes.size(), 2u);

    host.list.SetCheck(2, 1);
    ::UpdateWindow(host.m_hWnd);
    RECT r;
    ::GetWindowRect(host.m_hWnd, &r);
    std::string path = ::testing::TempDir() + "check_list_box.png";
    SaveScreenshotPng(path, &r);
    std::printf("check list picture: %s\n", path.c_str());
}
