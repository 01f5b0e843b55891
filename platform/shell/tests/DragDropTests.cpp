// Drags between two windows of the process, driven by injected input through the drag loop.

#include "platform/shell/Clipboard.h"
#include "platform/shell/DragDrop.h"

#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Target final : IDropTarget {
    UINT format = 0;
    std::vector<std::string> events;
    std::string dropped;
    HRESULT DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        events.push_back("enter");
        accepts = data->HasFormat(format);
        *effect = accepts ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT DragOver(DWORD, POINTL, DWORD* effect) override
    {
        if (events.back() != "over")
            events.push_back("over");
        *effect = accepts ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT DragLeave() override
    {
        events.push_back("leave");
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        events.push_back("drop");
        HGLOBAL block = data->GetData(format);
        if (block) {
            dropped.assign(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
            GlobalUnlock(block);
            GlobalFree(block);
        }
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    bool accepts = false;
};

struct SourceState {
    UINT format = 0;
    HRESULT result = E_FAIL;
    DWORD effect = 0xFF;
    int drags = 0;
};
SourceState g_source;

LRESULT SourceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        DataObject data;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 7);
        std::memcpy(GlobalLock(block), "payload", 7);
        GlobalUnlock(block);
        data.SetData(g_source.format, block);
        ++g_source.drags;
        g_source.result = DoDragDrop(&data, nullptr, DROPEFFECT_COPY | DROPEFFECT_MOVE, &g_source.effect);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class DragDropTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        static const bool registered = [] {
            WNDCLASSEXW wc {};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = SourceProc;
            wc.lpszClassName = u"DragSourceWindow";
            return RegisterClassExW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        g_source = SourceState {};
        g_source.format = RegisterClipboardFormatW(u"VornaltActionObjectPointer");
        m_target.format = g_source.format;
        m_source = CreateWindowExW(0, u"DragSourceWindow", u"source", WS_POPUP | WS_VISIBLE, 50, 50, 200, 200, nullptr,
            nullptr, nullptr, nullptr);
        m_targetWindow = CreateWindowExW(0, u"DragSourceWindow", u"target", WS_POPUP | WS_VISIBLE, 400, 50, 200, 200,
            nullptr, nullptr, nullptr, nullptr);
        // The target's child: drops on it go to the registered parent.
        m_child = CreateWindowExW(0, u"DragSourceWindow", u"child", WS_CHILD | WS_VISIBLE, 20, 20, 100, 100, m_targetWindow, nullptr,
            nullptr, nullptr);
        ASSERT_TRUE(m_child);
        ASSERT_EQ(RegisterDragDrop(m_targetWindow, &m_target), S_OK);
        Pump();
    }
    void TearDown() override
    {
        RevokeDragDrop(m_targetWindow);
        DestroyWindow(m_targetWindow);
        DestroyWindow(m_source);
        DesktopTest::TearDown();
    }

    Target m_target;
    HWND m_source = nullptr;
    HWND m_targetWindow = nullptr;
    HWND m_child = nullptr;
};

TEST_F(DragDropTest, ARegisteredFormatDropsWithCopy)
{
    EXPECT_EQ(RegisterDragDrop(m_targetWindow, &m_target), DRAGDROP_E_ALREADYREGISTERED);
    Idle().Then([&] { testkit::MoveTo(testkit::Center(m_source), 1); });
    Idle().Then([&] {
        EXPECT_TRUE(m_target.events.empty()) << "nothing entered the target yet";
        EXPECT_NE(GetCapture(), nullptr);
        testkit::MoveTo(testkit::Center(m_child), 5);
    });
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_child, 10, 10)); });
    Idle().Then([&] {
        EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over" }));
        testkit::Release(testkit::ClientPoint(m_child, 10, 10));
    });
    testkit::Press(testkit::Center(m_source));
    Pump();
    EXPECT_EQ(g_source.drags, 1);
    EXPECT_EQ(g_source.result, DRAGDROP_S_DROP);
    EXPECT_EQ(g_source.effect, DROPEFFECT_COPY);
    EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over", "drop" }));
    EXPECT_EQ(m_target.dropped, "payload");
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Idle().Pending(), 0u);
}

TEST_F(DragDropTest, EscCancelsOverTheTarget)
{
    Idle().Then([&] { testkit::MoveTo(testkit::Center(m_targetWindow), 4); });
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_targetWindow, 10, 10)); });
    Idle().Then([&] {
        EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over" }));
        testkit::Key(VK_ESCAPE);
    });
    testkit::Press(testkit::Center(m_source));
    Pump();
    EXPECT_EQ(g_source.result, DRAGDROP_S_CANCEL);
    EXPECT_EQ(g_source.effect, DROPEFFECT_NONE);
    EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over", "leave" }));
    EXPECT_EQ(GetCapture(), nullptr);
    // The button is still down; letting it go later is an ordinary release.
    testkit::Release(testkit::Center(m_targetWindow));
    Pump();
    EXPECT_EQ(g_source.drags, 1);
}

TEST_F(DragDropTest, AnotherFormatIsRefusedAndReleasingElsewhereCancels)
{
    m_target.format = RegisterClipboardFormatW(u"SomethingElse");
    Idle().Then([&] { testkit::MoveTo(testkit::Center(m_targetWindow), 4); });
    Idle().Then([&] { testkit::MoveTo(testkit::ClientPoint(m_targetWindow, 10, 10)); });
    Idle().Then([&] { testkit::Release(testkit::Center(m_targetWindow)); });
    testkit::Press(testkit::Center(m_source));
    Pump();
    EXPECT_EQ(g_source.result, DRAGDROP_S_CANCEL);
    EXPECT_EQ(g_source.effect, DROPEFFECT_NONE);
    EXPECT_EQ(m_target.events, (std::vector<std::string> { "enter", "over", "leave" }))
        << "a target that refuses gets no drop";
    EXPECT_EQ(RevokeDragDrop(m_targetWindow), S_OK);
    EXPECT_EQ(RevokeDragDrop(m_targetWindow), DRAGDROP_E_NOTREGISTERED);
}

} // namespace
