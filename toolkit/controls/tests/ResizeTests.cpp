#include "toolkit/controls/Resize.h"

#include "platform/base/Modules.h"
#include "platform/controls/CommonControls.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Cursors.h"
#include "platform/user/Resources.h"
#include "platform/user/screenshot/ScreenshotPng.h"

#include "ResizeTestResources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

class CTestResizeDialog : public CJQResizeDialog {
public:
    CTestResizeDialog(UINT id, std::function<void(CTestResizeDialog&)> init = {}, DWORD flags = 0)
        : CJQResizeDialog(id, nullptr, flags), m_init(std::move(init))
    {
    }
    BOOL OnInitDialog() override
    {
        CJQResizeDialog::OnInitDialog();
        if (m_init)
            m_init(*this);
        return TRUE;
    }
    RECT Child(int id) const
    {
        RECT r {};
        ::GetWindowRect(::GetDlgItem(m_hWnd, id), &r);
        ScreenToClient(&r);
        return r;
    }
    SIZE Size() const
    {
        RECT r;
        GetWindowRect(&r);
        return { r.right - r.left, r.bottom - r.top };
    }
    void Grow(int dx, int dy)
    {
        const SIZE s = Size();
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, s.cx + dx, s.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

private:
    std::function<void(CTestResizeDialog&)> m_init;
};

class ResizeTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_module = platform::modules::Register(u"toolkit_resize_test_module", {});
        std::string message;
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, ResizeTestResources, &message)) << message;
        m_previousModule = AfxGetResourceHandle();
        AfxSetResourceHandle(m_module);
        m_app = std::make_unique<CWinApp>(u"ResizeTests");
        m_app->SetRegistryKey(u"Vornalt Tests");
    }
    void TearDown() override
    {
        m_app.reset();
        AfxSetResourceHandle(m_previousModule);
        DesktopTest::TearDown();
    }
    std::vector<BYTE> StoredPlacement(LPCWSTR section)
    {
        BYTE* data = nullptr;
        UINT size = 0;
        if (!m_app->GetProfileBinary(section, u"WindowPlacement", &data, &size))
            return {};
        std::vector<BYTE> bytes(data, data + size);
        delete[] data;
        return bytes;
    }
    HMODULE m_module = nullptr;
    HINSTANCE m_previousModule = nullptr;
    std::unique_ptr<CWinApp> m_app;
};

RECT Offset(RECT r, int l, int t, int rr, int b) { return { r.left + l, r.top + t, r.right + rr, r.bottom + b }; }

void ExpectRect(const RECT& actual, const RECT& expected, const char* what)
{
    EXPECT_EQ(actual.left, expected.left) << what;
    EXPECT_EQ(actual.top, expected.top) << what;
    EXPECT_EQ(actual.right, expected.right) << what;
    EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

TEST_F(ResizeTest, AnchorsMoveEdgesByTheirFractionAndTruncateOnlyWhenApplied)
{
    struct Case {
        const char* name;
        JQ_RESIZERECT anchor;
        std::vector<SIZE> steps; // growth of the dialog, one resize each
        RECT change;             // of the child's edges after all steps
    };
    const Case cases[] = {
        { "pinned", { 0, 0, 0, 0 }, { { 30, 20 } }, { 0, 0, 0, 0 } },
        { "corner", { 1, 1, 1, 1 }, { { 30, 20 } }, { 30, 20, 30, 20 } },
        { "stretch", { 0, 0, 1, 1 }, { { 30, 20 } }, { 0, 0, 30, 20 } },
        { "bottom across", { 0, 1, 1, 1 }, { { 30, 20 } }, { 0, 20, 30, 20 } },
        { "half, first step", { 0.5f, 0, 0.5f, 0 }, { { 3, 0 } }, { 1, 0, 1, 0 } },
        { "half, two steps", { 0.5f, 0, 0.5f, 0 }, { { 3, 0 }, { 3, 0 } }, { 3, 0, 3, 0 } },
        { "half, five ones", { 0.5f, 0.5f, 0.5f, 0.5f }, { { 1, 1 }, { 1, 1 }, { 1, 1 }, { 1, 1 }, { 1, 1 } },
          { 2, 2, 2, 2 } },
        { "half, there and back", { 0.5f, 0, 0.5f, 0 }, { { 7, 0 }, { -7, 0 } }, { 0, 0, 0, 0 } },
        { "third", { 0, 0, 1.0f / 3, 0 }, { { 10, 0 }, { 10, 0 } }, { 0, 0, 6, 0 } },
    };
    for (const Case& c : cases) {
        CTestResizeDialog dialog(IDD_SIZABLE, [&](CTestResizeDialog& d) {
            d.SetControlAnchors(IDC_HALF, nullptr, c.anchor);
        }, jqResizeNoMinTrackSize);
        ASSERT_TRUE(dialog.Create(IDD_SIZABLE)) << c.name;
        const RECT before = dialog.Child(IDC_HALF);
        for (const SIZE& s : c.steps)
            dialog.Grow(s.cx, s.cy);
        ExpectRect(dialog.Child(IDC_HALF), Offset(before, c.change.left, c.change.top, c.change.right, c.change.bottom),
                   c.name);
    }
}

TEST_F(ResizeTest, RegisteringAnIdAgainAddsTheAnchors)
{
    CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
        EXPECT_TRUE(d.SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 1, 0)));
        EXPECT_TRUE(d.SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 0, 1)));
    });
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    ASSERT_EQ(dialog.Items().size(), 2u); // the grip and the list
    const JQ_RESIZERECT a = dialog.Items()[1]->m_rcAnchor;
    EXPECT_EQ(a.left, 0);
    EXPECT_EQ(a.top, 0);
    EXPECT_EQ(a.right, 1);
    EXPECT_EQ(a.bottom, 1);
    const RECT before = dialog.Child(IDC_LIST);
    dialog.Grow(25, 15);
    ExpectRect(dialog.Child(IDC_LIST), Offset(before, 0, 0, 25, 15), "list");
}

TEST_F(ResizeTest, AnIdNamingNoChildAddsNoItem)
{
    CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
        EXPECT_FALSE(d.SetControlAnchors(4242, nullptr, MakeResizeRect(1, 1, 1, 1)));
    });
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    EXPECT_EQ(dialog.Items().size(), 1u);
    dialog.Grow(10, 10);
}

TEST_F(ResizeTest, AChildRegisteredLateCatchesUpWithTheWholeChange)
{
    CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
        d.SetControlAnchors(IDC_HALF, nullptr, MakeResizeRect(1, 1, 1, 1));
    });
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    const RECT late = dialog.Child(IDC_LATE);
    const RECT half = dialog.Child(IDC_HALF);
    dialog.Grow(40, 30);
    ExpectRect(dialog.Child(IDC_LATE), late, "late, not registered yet");
    ASSERT_TRUE(dialog.SetControlAnchors(IDC_LATE, nullptr, MakeResizeRect(1, 1, 1, 1)));
    dialog.Grow(10, 0);
    ExpectRect(dialog.Child(IDC_LATE), Offset(late, 50, 30, 50, 30), "late");
    ExpectRect(dialog.Child(IDC_HALF), Offset(half, 50, 30, 50, 30), "half");
}

TEST_F(ResizeTest, TheGripSitsInTheCornerAndFollowsIt)
{
    CTestResizeDialog dialog(IDD_SIZABLE);
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    HWND grip = ::GetDlgItem(dialog.m_hWnd, JQ_IDC_SIZEICON);
    ASSERT_TRUE(::IsWindow(grip));
    EXPECT_EQ(DWORD(::GetWindowLongPtrW(grip, GWL_STYLE)), 0x50000010u);
    EXPECT_TRUE(dialog.GetStyle() & WS_CLIPCHILDREN);
    RECT client;
    dialog.GetClientRect(&client);
    const RECT expected { client.right - 1 - ::GetSystemMetrics(SM_CXVSCROLL),
                          client.bottom - 1 - ::GetSystemMetrics(SM_CYHSCROLL), client.right - 1, client.bottom - 1 };
    ExpectRect(dialog.Child(JQ_IDC_SIZEICON), expected, "grip");
    dialog.Grow(17, 9);
    ExpectRect(dialog.Child(JQ_IDC_SIZEICON), Offset(expected, 17, 9, 17, 9), "grip moved");
}

TEST_F(ResizeTest, ADialogWithoutSizingBorderHasNoGripButItsChildrenFollow)
{
    CTestResizeDialog dialog(IDD_FIXED, [](CTestResizeDialog& d) {
        d.SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
    });
    ASSERT_TRUE(dialog.Create(IDD_FIXED));
    EXPECT_TRUE(dialog.GetFlags() & jqResizeNoGrip);
    EXPECT_EQ(::GetDlgItem(dialog.m_hWnd, JQ_IDC_SIZEICON), nullptr);
    const RECT before = dialog.Child(IDC_LIST);
    dialog.Grow(12, 8);
    ExpectRect(dialog.Child(IDC_LIST), Offset(before, 0, 0, 12, 8), "list");
}

TEST_F(ResizeTest, GroupBoxesBecomeTransparentUnlessAskedOtherwise)
{
    for (DWORD flags : { DWORD(0), jqResizeOpaqueGroupBoxes }) {
        CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
            d.SetControlAnchors(IDC_GROUP, nullptr, MakeResizeRect(1, 0, 1, 1));
            d.SetControlAnchors(IDC_OK, nullptr, MakeResizeRect(1, 1, 1, 1));
        }, flags);
        ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
        const bool transparent = ::GetWindowLongPtrW(::GetDlgItem(dialog.m_hWnd, IDC_GROUP), GWL_EXSTYLE) & WS_EX_TRANSPARENT;
        EXPECT_EQ(transparent, flags == 0);
        EXPECT_FALSE(::GetWindowLongPtrW(::GetDlgItem(dialog.m_hWnd, IDC_OK), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    }
}

TEST_F(ResizeTest, MinMaxInfoFollowsFlagsAndLimits)
{
    CTestResizeDialog dialog(IDD_SIZABLE, {}, jqResizeFixedWidth);
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    const SIZE s = dialog.Size();
    MINMAXINFO info {};
    info.ptMaxTrackSize = { 5000, 5000 };
    dialog.GetMinMaxInfo(&info);
    EXPECT_EQ(info.ptMaxTrackSize.x, s.cx);
    EXPECT_EQ(info.ptMaxTrackSize.y, 5000);
    EXPECT_EQ(info.ptMinTrackSize.x, s.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, s.cy);
    dialog.m_szMax = { s.cx + 100, 0 };
    dialog.GetMinMaxInfo(&info);
    EXPECT_EQ(info.ptMaxTrackSize.x, s.cx + 100); // the limit wins over the fixed width
}

TEST_F(ResizeTest, DraggingTheBorderResizesTheChildrenAndStopsAtTheInitialSize)
{
    CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
        d.SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
        d.SetControlAnchors(IDC_OK, nullptr, MakeResizeRect(1, 1, 1, 1));
        d.SetControlAnchors(IDC_GROUP, nullptr, MakeResizeRect(1, 0, 1, 1));
        d.SetControlAnchors(IDC_HALF, nullptr, MakeResizeRect(1, 0, 1, 0));
        d.SetControlAnchors(IDC_LATE, nullptr, MakeResizeRect(1, 0, 1, 0));
        d.SetControlAnchors(IDC_BAR, nullptr, MakeResizeRect(0, 1, 1, 1));
    });
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    dialog.ShowWindow(SW_SHOW);
    Pump();
    const RECT list = dialog.Child(IDC_LIST);
    const RECT ok = dialog.Child(IDC_OK);
    const SIZE initial = dialog.Size();
    RECT w;
    dialog.GetWindowRect(&w);
    testkit::Drag({ w.right - 2, w.bottom - 2 }, { w.right + 38, w.bottom + 18 });
    Pump();
    EXPECT_EQ(dialog.Size().cx, initial.cx + 40);
    EXPECT_EQ(dialog.Size().cy, initial.cy + 20);
    ExpectRect(dialog.Child(IDC_LIST), Offset(list, 0, 0, 40, 20), "list");
    ExpectRect(dialog.Child(IDC_OK), Offset(ok, 40, 20, 40, 20), "ok");
    // The transparent group box shows the dialog's face inside, not what was on the screen before.
    const RECT group = dialog.Child(IDC_GROUP);
    const COLORREF face = testkit::ClientPixel(dialog.m_hWnd, 3, 3);
    for (int x = group.left + 4; x < group.right - 4; x += 3)
        EXPECT_EQ(testkit::ClientPixel(dialog.m_hWnd, x, (group.top + group.bottom) / 2), face) << x;
    const std::string path = ::testing::TempDir() + "resize_dragged.png";
    dialog.GetWindowRect(&w);
    ::UpdateWindow(dialog.m_hWnd);
    SaveScreenshotPng(path, &w);
    std::printf("dragged dialog picture: %s\n", path.c_str());
    dialog.GetWindowRect(&w);
    testkit::Drag({ w.right - 2, w.bottom - 2 }, { w.right - 102, w.bottom - 82 });
    Pump();
    EXPECT_EQ(dialog.Size().cx, initial.cx);
    EXPECT_EQ(dialog.Size().cy, initial.cy);
    ExpectRect(dialog.Child(IDC_OK), ok, "ok back");
}

TEST_F(ResizeTest, PlacementIsSavedOnDestroyAndRestoredWithChildrenCatchingUp)
{
    SIZE grown {};
    RECT ok {};
    {
        CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
            EXPECT_FALSE(d.RestorePlacement(u"Main")); // nothing stored yet
        });
        ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
        ok = dialog.Child(IDC_OK);
        dialog.Grow(60, 40);
        grown = dialog.Size();
    }
    const std::vector<BYTE> stored = StoredPlacement(u"Main");
    ASSERT_EQ(stored.size(), 44u);
    EXPECT_EQ(stored[0], 44);
    EXPECT_EQ(stored[1] | stored[2] | stored[3], 0);

    CTestResizeDialog again(IDD_SIZABLE, [](CTestResizeDialog& d) {
        EXPECT_TRUE(d.RestorePlacement(u"Main"));
        d.SetControlAnchors(IDC_OK, nullptr, MakeResizeRect(1, 1, 1, 1)); // after the restore
    });
    ASSERT_TRUE(again.Create(IDD_SIZABLE));
    EXPECT_EQ(again.Size().cx, grown.cx);
    EXPECT_EQ(again.Size().cy, grown.cy);
    ::SendMessage(again.m_hWnd, WM_SIZE, SIZE_RESTORED, 0);
    ExpectRect(again.Child(IDC_OK), Offset(ok, 60, 40, 60, 40), "ok");
}

TEST_F(ResizeTest, StoredPlacementsOfAnotherSizeAreIgnoredAndTheLengthFieldIsNot)
{
    CTestResizeDialog probe(IDD_SIZABLE);
    ASSERT_TRUE(probe.Create(IDD_SIZABLE));
    WINDOWPLACEMENT wp {};
    wp.length = sizeof wp;
    ASSERT_TRUE(::GetWindowPlacement(probe.m_hWnd, &wp));
    const SIZE initial = probe.Size();
    wp.rcNormalPosition.right += 50;
    wp.length = 7; // a wrong length field does not matter
    std::vector<BYTE> bytes(sizeof wp);
    std::memcpy(bytes.data(), &wp, sizeof wp);
    struct Case {
        size_t size;
        bool applied;
    };
    for (Case c : { Case { 43, false }, Case { 45, false }, Case { 44, true } }) {
        std::vector<BYTE> value = bytes;
        value.resize(c.size);
        ASSERT_TRUE(m_app->WriteProfileBinary(u"ImageViewer", u"WindowPlacement", value.data(), UINT(value.size())));
        CTestResizeDialog dialog(IDD_SIZABLE);
        ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
        EXPECT_EQ(bool(dialog.LoadPlacement(u"ImageViewer")), c.applied) << c.size;
        EXPECT_EQ(dialog.Size().cx, initial.cx + (c.applied ? 50 : 0)) << c.size;
    }
}

}

namespace {

TEST_F(ResizeTest, OffsetItemsMovesEveryChildWithoutResizingOrLosingItsAnchor)
{
    CTestResizeDialog dialog(IDD_SIZABLE, [](CTestResizeDialog& d) {
        d.SetControlAnchors(IDC_LIST, nullptr, MakeResizeRect(0, 0, 1, 1));
    });
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    const RECT list = dialog.Child(IDC_LIST);
    const RECT grip = dialog.Child(JQ_IDC_SIZEICON);
    dialog.OffsetItems(5, -3);
    ExpectRect(dialog.Child(IDC_LIST), Offset(list, 5, -3, 5, -3), "list offset");
    ExpectRect(dialog.Child(JQ_IDC_SIZEICON), Offset(grip, 5, -3, 5, -3), "grip offset");
    dialog.Grow(10, 10);
    ExpectRect(dialog.Child(IDC_LIST), Offset(list, 5, -3, 15, 7), "list grown after");
}

TEST_F(ResizeTest, TheGripShowsTheDiagonalSizingCursor)
{
    CTestResizeDialog dialog(IDD_SIZABLE);
    ASSERT_TRUE(dialog.Create(IDD_SIZABLE));
    HWND grip = ::GetDlgItem(dialog.m_hWnd, JQ_IDC_SIZEICON);
    ::SetCursor(nullptr);
    EXPECT_TRUE(::SendMessage(grip, WM_SETCURSOR, WPARAM(grip), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_SIZENWSE));
}

}
