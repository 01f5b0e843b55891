#pragma once
// A site with the program's Standard toolbar (toolbar 151, accelerators 135) in the Whidbey look,
// for tests of the fields placed on it. The site records the control notifications it gets and
// may answer them.
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "resources/StringTable.h"

#include <functional>
#include <vector>

namespace fieldtest {

class Site : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == JQWM_CONTROL_NOTIFY) {
            auto* record = reinterpret_cast<JQW_CONTROL_NOTIFY_RECORD*>(lParam);
            m_codes.push_back(record->code);
            return m_answer ? m_answer(record) : 0;
        }
        if (message == WM_ERASEBKGND) {
            CRect client;
            GetClientRect(&client);
            ::FillRect(HDC(wParam), &client, ::GetSysColorBrush(COLOR_3DFACE));
            return TRUE;
        }
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
    CJQWCommandBars* m_bars = nullptr;
    std::vector<UINT> m_codes;
    std::function<LRESULT(JQW_CONTROL_NOTIFY_RECORD*)> m_answer;
};

class FieldTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        LoadStringText(102);
        m_frame = new Site;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 620, 320)));
        m_app.m_pMainWnd = m_frame;
        ::SetActiveWindow(m_frame->GetSafeHwnd());
        m_bars = static_cast<CJQWCommandBars*>(RUNTIME_CLASS(CJQWCommandBars)->CreateObject());
        m_frame->m_bars = m_bars;
        m_bars->SetSite(m_frame);
        m_bars->CreateDockBars();
        SetGlobalPaintTheme(4)->RefreshMetrics();
        m_toolBar = m_bars->AddToolBar(u"Standard", jqwBarTop);
        ASSERT_NE(m_toolBar, nullptr);
        ASSERT_TRUE(m_toolBar->LoadToolBar(151));
        m_bars->GetShortcutManager()->LoadAcceleratorResource(135);
    }
    void Layout()
    {
        m_toolBar->OnControlsChanged();
        m_frame->RecalcLayout();
        Pump();
        m_toolBar->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump();
    }
    void TearDown() override
    {
        GetMouseManager()->ClosePopups();
        if (m_frame)
            m_frame->m_bars = nullptr;
        if (m_bars)
            m_bars->InternalRelease();
        if (m_frame)
            m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        Pump();
        SetGlobalPaintTheme(0);
        DesktopTest::TearDown();
    }
    POINT Client(const CJQWControl* control, int dx, int dy) const
    {
        const CRect rect = control->GetRect();
        return testkit::ClientPoint(m_toolBar->GetSafeHwnd(), rect.left + dx, rect.top + dy);
    }

    CWinApp m_app;
    Site* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
    CJQWToolBar* m_toolBar = nullptr;
};

} // namespace fieldtest
