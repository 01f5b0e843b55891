// Files dropped by another program (the display back end's entry point, which XDND uses) arrive as
// WM_DROPFILES with the whole paths.

#include "platform/shell/FileDrop.h"

#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/user/DisplayBackEnd.h"

#include <string>
#include <vector>

namespace {

struct Received {
    HWND window = nullptr;
    UINT count = 0;
    std::vector<std::u16string> paths;
    std::vector<UINT> lengths;
    POINT point {};
    BOOL inClient = FALSE;
};
std::vector<Received> g_received;

LRESULT DropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DROPFILES) {
        HDROP drop = HDROP(wParam);
        Received r;
        r.window = window;
        r.count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < r.count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::u16string path(length, u'\0');
            r.lengths.push_back(DragQueryFileW(drop, i, path.data(), length + 1));
            r.paths.push_back(path);
        }
        r.inClient = DragQueryPoint(drop, &r.point);
        DragFinish(drop);
        g_received.push_back(r);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class FileDropTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW wc {};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = DropProc;
            wc.lpszClassName = u"FileDropWindow";
            return RegisterClassExW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        g_received.clear();
        m_frame = CreateWindowExW(0, u"FileDropWindow", u"frame", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
            nullptr, nullptr, nullptr);
        m_pane = CreateWindowExW(0, u"FileDropWindow", u"pane", WS_CHILD | WS_VISIBLE, 10, 10, 150, 100, m_frame,
            nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(m_frame);
        g_received.clear();
        DesktopTest::TearDown();
    }
    // What the X11 back end does when XDND drops files.
    static void DropFromOutside(POINT at, const std::vector<std::u16string>& paths)
    {
        DeliverFileDrop(FileDropTarget(at), at, paths);
    }

    HWND m_frame = nullptr;
    HWND m_pane = nullptr;
};

TEST_F(FileDropTest, LongPathsArriveWhole)
{
    DragAcceptFiles(m_pane, TRUE);
    EXPECT_TRUE(GetWindowLongW(m_pane, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    std::vector<std::u16string> paths;
    for (char16_t letter : { u'a', u'b', u'c' })
        paths.push_back(u"/home/user/" + std::u16string(300, letter) + u"/picture.png");
    const POINT at = testkit::ClientPoint(m_pane, 30, 40);
    ASSERT_EQ(FileDropTarget(at), m_pane);
    DropFromOutside(at, paths);
    Pump();
    ASSERT_EQ(g_received.size(), 1u);
    const Received& r = g_received[0];
    EXPECT_EQ(r.window, m_pane);
    EXPECT_EQ(r.count, 3u);
    EXPECT_EQ(r.paths, paths);
    EXPECT_EQ(r.lengths, (std::vector<UINT> { 323, 323, 323 }));
    EXPECT_EQ(r.point.x, 30);
    EXPECT_EQ(r.point.y, 40);
    EXPECT_TRUE(r.inClient);
}

TEST_F(FileDropTest, AChildWithoutTheStyleHandsDropsToItsAcceptingParentAndShortBuffersCut)
{
    // Nothing accepts files yet: the drop is refused.
    const POINT onPane = testkit::Center(m_pane);
    DragAcceptFiles(m_frame, FALSE);
    EXPECT_EQ(FileDropTarget(onPane), nullptr);

    DragAcceptFiles(m_frame, TRUE);
    EXPECT_EQ(FileDropTarget(onPane), m_frame);
    DropFromOutside(onPane, { u"/tmp/one.png" });
    Pump();
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].window, m_frame);

    HDROP drop = platform::shell::MakeDropFiles({ u"/tmp/abcdef" }, POINT { 1, 2 });
    WCHAR small[5] {};
    EXPECT_EQ(DragQueryFileW(drop, 0, small, 5), 4u);
    EXPECT_EQ(std::u16string(small), u"/tmp");
    EXPECT_EQ(DragQueryFileW(drop, 1, small, 5), 0u);
    EXPECT_EQ(DragQueryFileW(nullptr, 0xFFFFFFFF, nullptr, 0), 0u);
    DragFinish(drop);
}

} // namespace
