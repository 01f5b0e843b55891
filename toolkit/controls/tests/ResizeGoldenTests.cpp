#include "toolkit/controls/Resize.h"

#include "platform/base/Modules.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Resources.h"

#include "ResizeTestResources.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CAnchoredDialog : public CJQResizeDialog {
public:
    CAnchoredDialog() : CJQResizeDialog(IDD_SIZABLE, nullptr) { }
    BOOL OnInitDialog() override
    {
        CJQResizeDialog::OnInitDialog();
        SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
        SetControlAnchors(IDC_OK, nullptr, MakeResizeRect(1, 1, 1, 1));
        SetControlAnchors(IDC_GROUP, nullptr, MakeResizeRect(1, 0, 1, 1));
        SetControlAnchors(IDC_HALF, nullptr, MakeResizeRect(1, 0, 1, 0));
        SetControlAnchors(IDC_LATE, nullptr, MakeResizeRect(1, 0, 1, 0));
        SetControlAnchors(IDC_BAR, nullptr, MakeResizeRect(0, 1, 1, 1));
        for (const WCHAR* item : { u"First line", u"Second line", u"Third line" })
            ::SendDlgItemMessageW(m_hWnd, IDC_LIST, LB_ADDSTRING, 0, LPARAM(item));
        return TRUE;
    }
};

class ResizeGoldenTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_module = platform::modules::Register(u"toolkit_resize_golden_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, ResizeTestResources, &message)) << message;
        AfxSetResourceHandle(m_module);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr); // the program's own again, whatever its handle is by then
        DesktopTest::TearDown();
    }
    HMODULE m_module = nullptr;
};

// The list box's frame: one dark line on each of its four sides, at every size.
void ExpectListFrame(HWND dialog, const char* what)
{
    HWND list = ::GetDlgItem(dialog, IDC_LIST);
    const testkit::Capture c = testkit::CaptureWindow(list);
    ASSERT_FALSE(c.Empty());
    const COLORREF edge = c.ColorAt(0, c.height / 2);
    EXPECT_NE(edge, ::GetSysColor(COLOR_WINDOW)) << what;
    EXPECT_EQ(c.ColorAt(c.width - 1, c.height / 2), edge) << what << ": right side";
    EXPECT_EQ(c.ColorAt(c.width / 2, 0), edge) << what << ": top side";
    EXPECT_EQ(c.ColorAt(c.width / 2, c.height - 1), edge) << what << ": bottom side";
}

TEST_F(ResizeGoldenTest, AResizableDialogAtItsFirstSizeAndGrown)
{
    CAnchoredDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    dialog.SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.ShowWindow(SW_SHOW);
    Pump();
    ExpectListFrame(dialog.m_hWnd, "first size");
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(dialog.m_hWnd),
                                       VORNALT_TEST_DATA_DIR "/../goldens/resize_dialog_first.png"));
    RECT w;
    dialog.GetWindowRect(&w);
    dialog.SetWindowPos(nullptr, 0, 0, w.right - w.left + 90, w.bottom - w.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ExpectListFrame(dialog.m_hWnd, "grown");
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(dialog.m_hWnd),
                                       VORNALT_TEST_DATA_DIR "/../goldens/resize_dialog_grown.png"));
    dialog.DestroyWindow();
}

TEST_F(ResizeGoldenTest, TheListKeepsItsFrameOnEverySideWhileTheUserDragsTheCorner)
{
    CAnchoredDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    dialog.SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.ShowWindow(SW_SHOW);
    Pump();
    RECT w;
    dialog.GetWindowRect(&w);
    // The sizing loop runs inside the press; each step is taken when it waits for the next input.
    POINT at { w.right - 2, w.bottom - 2 };
    testkit::Press(at);
    for (POINT step : { POINT { 7, 3 }, POINT { 13, 11 }, POINT { 1, 0 }, POINT { 0, 1 }, POINT { -5, -4 } }) {
        Idle().Then([&at, step] {
            at.x += step.x;
            at.y += step.y;
            testkit::MoveTo(at);
        });
        Idle().Then([&dialog, step] {
            ExpectListFrame(dialog.m_hWnd, ("after " + std::to_string(step.x) + "," + std::to_string(step.y)).c_str());
        });
    }
    Idle().Then([&at] { testkit::Release(at); });
    Pump();
    ExpectListFrame(dialog.m_hWnd, "released");
    RECT after;
    dialog.GetWindowRect(&after);
    EXPECT_EQ(after.right - after.left, w.right - w.left + 16);
    EXPECT_EQ(after.bottom - after.top, w.bottom - w.top + 11);
    dialog.DestroyWindow();
}

} // namespace
