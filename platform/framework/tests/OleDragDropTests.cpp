// The class library's drag and drop between two windows, driven by injected input: a registered
// format, the start rectangle, Esc.

#include "platform/framework/OleDragDrop.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

UINT ActionFormat() { return RegisterClipboardFormatW(u"VornaltActionObjectPointer"); }

class CSourceWnd : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    DROPEFFECT result = 0xFF;
    int drags = 0;
    void OnLButtonDown(UINT, CPoint point)
    {
        ++drags;
        COleDataSource source;
        HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 4);
        std::memcpy(GlobalLock(block), "\x2A\x00\x00\x00", 4);
        GlobalUnlock(block);
        source.CacheGlobalData(CLIPFORMAT(ActionFormat()), block);
        // The drag starts once the pointer leaves 5 pixels around where the button went down.
        ClientToScreen(&point);
        CRect start(point.x - 5, point.y - 5, point.x + 5, point.y + 5);
        result = source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, &start);
    }
};

BEGIN_MESSAGE_MAP(CSourceWnd, CWnd)
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

class CStackDropTarget : public COleDropTarget {
public:
    std::vector<std::string> events;
    int dropped = 0;
    CPoint dropPoint;
    DROPEFFECT OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint) override
    {
        events.push_back("enter");
        return data->IsDataAvailable(CLIPFORMAT(ActionFormat())) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD, CPoint) override
    {
        if (events.back() != "over")
            events.push_back("over");
        return data->IsDataAvailable(CLIPFORMAT(ActionFormat())) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }
    void OnDragLeave(CWnd*) override { events.push_back("leave"); }
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) override
    {
        events.push_back("drop");
        EXPECT_EQ(effect, DROPEFFECT_COPY);
        HGLOBAL block = data->GetGlobalData(CLIPFORMAT(ActionFormat()));
        if (!block)
            return FALSE;
        std::memcpy(&dropped, GlobalLock(block), sizeof(dropped));
        GlobalUnlock(block);
        GlobalFree(block);
        dropPoint = point;
        return TRUE;
    }
};

class OleDragDropTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(m_source.CreateEx(0, nullptr, u"tree", WS_POPUP | WS_VISIBLE, CRect(50, 50, 250, 250), nullptr, 0));
        ASSERT_TRUE(m_stack.CreateEx(0, nullptr, u"stack", WS_POPUP | WS_VISIBLE, CRect(300, 50, 500, 250), nullptr, 0));
        ASSERT_TRUE(m_target.Register(&m_stack));
        ::SetForegroundWindow(m_source.m_hWnd);
        Pump();
    }
    void TearDown() override
    {
        m_target.Revoke();
        m_stack.DestroyWindow();
        m_source.DestroyWindow();
        DesktopTest::TearDown();
    }
    POINT SourcePoint(int dx = 0) const { return testkit::ClientPoint(m_source.m_hWnd, 100 + dx, 100); }

    CSourceWnd m_source;
    CWnd m_stack;
    CStackDropTarget m_target;
};

TEST_F(OleDragDropTest, StartsPastTheRectangleAndDropsWithCopy)
{
    Idle().Then([&] { testkit::MoveTo(SourcePoint(4), 2); });
    Idle().Then([&] {
        EXPECT_TRUE(m_target.events.empty());
        EXPECT_EQ(::GetCapture(), m_source.m_hWnd) << "still waiting inside the start rectangle";
        testkit::MoveTo(testkit::ClientPoint(m_stack.m_hWnd, 40, 30), 6);
    });
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_stack.m_hWnd, 60, 70)); });
    Idle().Then([&] {
        EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over" }));
        testkit::Release(testkit::ClientPoint(m_stack.m_hWnd, 60, 70));
    });
    testkit::Press(SourcePoint());
    Pump();
    EXPECT_EQ(m_source.drags, 1);
    EXPECT_EQ(m_source.result, DROPEFFECT_COPY);
    EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over", "drop" }));
    EXPECT_EQ(m_target.dropped, 42);
    EXPECT_EQ(m_target.dropPoint, CPoint(60, 70)) << "in the target's client coordinates";
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(OleDragDropTest, ReleasingInsideTheRectangleStartsNothing)
{
    Idle().Then([&] { testkit::MoveTo(SourcePoint(3), 1); });
    Idle().Then([&] { testkit::Release(SourcePoint(3)); });
    testkit::Press(SourcePoint());
    Pump();
    EXPECT_EQ(m_source.result, DROPEFFECT_NONE);
    EXPECT_TRUE(m_target.events.empty());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(OleDragDropTest, EscCancelsTheDragOverTheTarget)
{
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_stack.m_hWnd, 40, 30), 6); });
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_stack.m_hWnd, 60, 70)); });
    Idle().Then([&] {
        EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over" }));
        testkit::Key(VK_ESCAPE);
    });
    testkit::Press(SourcePoint());
    Pump();
    EXPECT_EQ(m_source.result, DROPEFFECT_NONE);
    EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over", "leave" }));
    EXPECT_EQ(::GetCapture(), nullptr);
    testkit::Release(testkit::ClientPoint(m_stack.m_hWnd, 60, 70));
    Pump();
}

} // namespace
