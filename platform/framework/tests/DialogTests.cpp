#include "platform/framework/DataExchange.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/user/screenshot/ScreenshotPng.h"

#include "FrameworkDialogTestResources.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(CDialog&)>;

// A dialog driven by steps run at its modal loop's idle times (one step per idle time).
class CScriptedDialog : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    using CDialog::CDialog;
    std::deque<Step> steps;
    std::vector<std::string> log;
    bool visibleAtFirstIdle = false;
    int idles = 0;

    LRESULT OnKickIdle(WPARAM, LPARAM count)
    {
        if (idles++ == 0)
            visibleAtFirstIdle = IsWindowVisible();
        if (steps.empty())
            return FALSE;
        Step step = std::move(steps.front());
        steps.pop_front();
        step(*this);
        (void)count;
        return !steps.empty();
    }
    BOOL OnInitDialog() override
    {
        log.push_back("OnInitDialog");
        return CDialog::OnInitDialog();
    }
    void OnOK() override
    {
        log.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        log.push_back("OnCancel");
        CDialog::OnCancel();
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_LBUTTONUP)
            log.push_back("PreTranslate click on " + std::to_string(::GetDlgCtrlID(msg->hwnd)));
        return CDialog::PreTranslateMessage(msg);
    }
};

BEGIN_MESSAGE_MAP(CScriptedDialog, CDialog)
    ON_MESSAGE(WM_KICKIDLE, &CScriptedDialog::OnKickIdle)
END_MESSAGE_MAP()

class CResizeDialog : public CScriptedDialog {
public:
    CResizeDialog() : CScriptedDialog(IDD_RESIZE) { }
    int width = 640;
    UINT height = 480;
    double scale = 1.5;
    CString name = u"photo";
    int keep = 1;
    int mode = 2;
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_WIDTH, width);
        DDX_Text(dx, IDC_HEIGHT, height);
        DDX_Text(dx, IDC_SCALE, scale);
        DDX_Text(dx, IDC_NAME, name);
        DDX_Check(dx, IDC_KEEP, keep);
        DDX_Radio(dx, IDC_FIT, mode);
    }
};

// The command-line runner's trick: the dialog is created without WS_VISIBLE.
class CHiddenRunner : public CScriptedDialog {
public:
    CHiddenRunner() : CScriptedDialog(IDD_RUNNER) { }
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override
    {
        cs.style &= ~LONG(WS_VISIBLE);
        return CScriptedDialog::PreCreateWindow(cs);
    }
};

std::u16string TextOf(HWND w)
{
    WCHAR text[128] {};
    ::GetWindowTextW(w, text, 128);
    return text;
}

// A click as the mouse gives it: raw events at the control's centre, routed by the layer.
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

// A key pressed and released on the keyboard.
void Key(int vk)
{
    RawInputEvent e;
    e.virtualKey = vk;
    e.kind = RawInputKind::KeyDown;
    PostRawInput(e);
    e.kind = RawInputKind::KeyUp;
    PostRawInput(e);
}

class DialogClassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        m_module = platform::modules::Register(u"framework_dialog_test_module", {});
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
            m_focusUnderBox.push_back(::GetDlgCtrlID(::GetFocus()));
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
        platform::modules::Remove(u"framework_dialog_test_module");
    }

    HMODULE m_module = nullptr;
    HINSTANCE m_previousModule = nullptr;
    bool m_previousWindows = false;
    std::vector<std::u16string> m_boxes;
    std::vector<int> m_focusUnderBox;
};

} // namespace

TEST_F(DialogClassTest, DoModalShowsAVisibleTemplateOnItsFirstIdleWithTheOwnerDisabled)
{
    HWND owner = ::CreateWindowExW(0, WC_STATICW, u"main", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
        nullptr, nullptr);
    CWnd ownerWnd;
    ownerWnd.Attach(owner);
    CScriptedDialog dialog(IDD_RUNNER, &ownerWnd);
    bool ownerEnabled = true;
    dialog.steps.push_back([&](CDialog& d) {
        ownerEnabled = ::IsWindowEnabled(owner);
        d.EndDialog(7);
    });
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_TRUE(dialog.visibleAtFirstIdle);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.log.front(), "OnInitDialog");
    ownerWnd.Detach();
}

TEST_F(DialogClassTest, AHiddenRunnerIsNeverShown)
{
    CHiddenRunner runner;
    bool everVisible = false;
    for (int i = 0; i < 3; ++i)
        runner.steps.push_back([&](CDialog& d) { everVisible |= d.IsWindowVisible() != 0; });
    runner.steps.push_back([&](CDialog& d) {
        everVisible |= d.IsWindowVisible() != 0;
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(runner.DoModal(), IDOK);
    EXPECT_FALSE(everVisible);
    EXPECT_FALSE(runner.visibleAtFirstIdle);
}

TEST_F(DialogClassTest, AClickOnOkReachesOnOkThroughPreTranslateMessage)
{
    CResizeDialog dialog;
    dialog.steps.push_back([](CDialog& d) {
        EXPECT_EQ(TextOf(d.GetDlgItem(IDC_WIDTH)->m_hWnd), u"640");
        EXPECT_EQ(TextOf(d.GetDlgItem(IDC_SCALE)->m_hWnd), u"1.5");
        EXPECT_EQ(d.IsDlgButtonChecked(IDC_STRETCH), 1u);
        ::SetDlgItemTextW(d.m_hWnd, IDC_WIDTH, u" 800 ");
        ::SetDlgItemTextW(d.m_hWnd, IDC_HEIGHT, u"600");
        ::SetDlgItemTextW(d.m_hWnd, IDC_SCALE, u"0.25");
        ::SetDlgItemTextW(d.m_hWnd, IDC_NAME, u"thumb");
        Click(::GetDlgItem(d.m_hWnd, IDC_KEEP));
        Click(::GetDlgItem(d.m_hWnd, IDC_FIT));
        Click(::GetDlgItem(d.m_hWnd, IDOK));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const std::vector<std::string> expected { "OnInitDialog", "PreTranslate click on 404", "PreTranslate click on 405",
        "PreTranslate click on 1", "OnOK" };
    EXPECT_EQ(dialog.log, expected);
    EXPECT_EQ(dialog.width, 800);
    EXPECT_EQ(dialog.height, 600u);
    EXPECT_DOUBLE_EQ(dialog.scale, 0.25);
    EXPECT_EQ(std::u16string(static_cast<LPCWSTR>(dialog.name)), u"thumb");
    EXPECT_EQ(dialog.keep, 0);
    EXPECT_EQ(dialog.mode, 0);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(DialogClassTest, RefusedValuesShowTheFrameworksMessageAndKeepTheFocusOnTheBox)
{
    struct Case {
        int box;
        const char16_t* text;
        const char16_t* message;
    };
    const Case cases[] = {
        { IDC_WIDTH, u"12a", u"Please enter an integer." },
        { IDC_WIDTH, u"99999999999", u"Please enter an integer." },
        { IDC_HEIGHT, u"-1", u"Please enter a positive integer." },
        { IDC_HEIGHT, u"", u"Please enter a positive integer." },
        { IDC_SCALE, u"1,5", u"Please enter a number." },
    };
    for (const Case& c : cases) {
        m_boxes.clear();
        m_focusUnderBox.clear();
        CResizeDialog dialog;
        BOOL updated = TRUE;
        int focusAfter = 0;
        dialog.steps.push_back([&](CDialog& d) {
            ::SetDlgItemTextW(d.m_hWnd, c.box, c.text);
            d.GotoDlgCtrl(d.GetDlgItem(IDC_NAME));
            Key(VK_RETURN); // OnOK: UpdateData(TRUE) refuses, the dialog stays
        });
        dialog.steps.push_back([&](CDialog& d) {
            focusAfter = ::GetDlgCtrlID(::GetFocus());
            updated = d.UpdateData(TRUE);
            d.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        ASSERT_EQ(m_boxes.size(), 2u) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
        EXPECT_EQ(m_boxes[0], c.message);
        EXPECT_EQ(focusAfter, c.box);
        EXPECT_FALSE(updated);
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "OnOK"), 1);
    }
}

TEST_F(DialogClassTest, EnterAndEscapeThroughTheModalLoop)
{
    CResizeDialog ok;
    ok.steps.push_back([](CDialog&) { Key(VK_RETURN); });
    EXPECT_EQ(ok.DoModal(), IDOK);
    CResizeDialog cancel;
    cancel.steps.push_back([](CDialog&) { Key(VK_ESCAPE); });
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);
    EXPECT_EQ(cancel.log.back(), "OnCancel");
}

TEST_F(DialogClassTest, ModelessCreateShowsAtOnceAndDestroysWithTheObject)
{
    HWND window = nullptr;
    {
        CScriptedDialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_RESIZE));
        window = dialog.m_hWnd;
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_EQ(CWnd::FromHandlePermanent(window), &dialog);
        EXPECT_EQ(dialog.log, std::vector<std::string> { "OnInitDialog" });
        std::string path = ::testing::TempDir() + "dialog_resize.png";
        RECT r;
        ::GetWindowRect(window, &r);
        ::UpdateWindow(window);
        SaveScreenshotPng(path, &r);
        std::printf("dialog picture: %s\n", path.c_str());
    }
    EXPECT_FALSE(::IsWindow(window));
}

TEST(DataExchange, IntegersAreReadWholeWithinRange)
{
    struct Case {
        const char16_t* text;
        bool isSigned;
        bool ok;
        long long value;
    };
    const Case cases[] = {
        { u"12", true, true, 12 }, { u" -7 ", true, true, -7 }, { u"+3", true, true, 3 },
        { u"12a", true, false, 0 }, { u"1 2", true, false, 0 }, { u"", true, false, 0 },
        { u"-", true, false, 0 }, { u"2147483647", true, true, 2147483647 }, { u"2147483648", true, false, 0 },
        { u"-2147483648", true, true, -2147483648LL }, { u"-1", false, false, 0 }, { u"+1", false, false, 0 },
        { u"4294967295", false, true, 4294967295LL }, { u"4294967296", false, false, 0 },
    };
    for (const Case& c : cases) {
        long long value = 0;
        EXPECT_EQ(AfxParseInteger(c.text, c.isSigned, false, value), c.ok)
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}
