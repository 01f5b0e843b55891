// Tooltips of the bars: the context registers the control under the pointer with the toolkit's
// own tip window, which waits 500 ms (200 ms after the last tip), keeps a clicked tool quiet,
// places the tip below the cursor shape inside the work area and draws it.
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/commandbars/ToolTipContext.h"
#include "toolkit/commandbars/ToolTipWindow.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Input.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

namespace {

class Site : public CFrameWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return (m_bars && m_bars->PreTranslateFrameMessage(msg)) || CFrameWnd::PreTranslateMessage(msg);
    }
    CJQWCommandBars* m_bars = nullptr;
};

class ToolTipTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        LoadStringText(102);
        m_frame = new Site;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Vornalt", WS_POPUP | WS_VISIBLE, CRect(20, 20, 520, 320)));
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
        m_bars->GetCommandBarsOptions()->bToolBarAccelTips = TRUE;
        m_bars->GetToolTipContext()->SetStyle(jqwToolTipPlain);
        // The program's string table carries no prompts for the toolbar's commands yet.
        const std::pair<UINT, const char16_t*> tips[] = { { 32772, u"Open" }, { 32775, u"Save" }, { 32776, u"Run" } };
        for (auto [id, text] : tips)
            m_toolBar->GetControls()->FindControl(int(id))->SetTooltip(text);
        m_frame->RecalcLayout();
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

    POINT ButtonCenter(UINT id) const
    {
        const CRect rect = m_toolBar->GetControls()->FindControl(int(id))->GetRect();
        return testkit::ClientPoint(m_toolBar->GetSafeHwnd(), rect.CenterPoint().x, rect.CenterPoint().y);
    }
    CJQWToolTipContextToolTip* Tip() const
    {
        return dynamic_cast<CJQWToolTipContextToolTip*>(m_bars->GetToolTipContext()->GetToolTipWindow());
    }
    bool TipVisible() const { return Tip() && Tip()->IsWindowVisible(); }
    CString TipText() const { return Tip() ? Tip()->GetShownTool().strText : CString(); }
    void Hover(POINT at)
    {
        testkit::MoveTo(at);
        Pump();
        testkit::MoveTo({ at.x + 1, at.y });
        Pump();
    }
    void Wait(int milliseconds)
    {
        Clock().Advance(ULONGLONG(milliseconds));
        Pump();
    }

    CWinApp m_app;
    Site* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
    CJQWToolBar* m_toolBar = nullptr;
};

} // namespace

TEST_F(ToolTipTest, SaveButtonShowsItsTipWithTheShortcutAfterHalfASecond)
{
    Hover(ButtonCenter(32775));
    ASSERT_NE(Tip(), nullptr) << "style 2 makes the toolkit's own window";
    EXPECT_FALSE(TipVisible());
    Wait(499);
    EXPECT_FALSE(TipVisible());
    Wait(1);
    ASSERT_TRUE(TipVisible());
    EXPECT_EQ(TipText(), CString(u"Save (Ctrl+S)"));

    // Below the cursor shape, left edge at the cursor.
    CRect tip;
    Tip()->GetWindowRect(&tip);
    POINT cursor;
    ::GetCursorPos(&cursor);
    EXPECT_EQ(tip.left, cursor.x);
    EXPECT_EQ(tip.top, cursor.y + CJQWToolTipContextToolTip::GetCursorDepth());

    Pump();
    RECT area;
    m_frame->GetWindowRect(&area);
    area.right = area.left + 240;
    area.bottom = area.top + 70;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area),
        std::string(VORNALT_TEST_DATA_DIR) + "/standard_toolbar_save_tip.png"));
}

TEST_F(ToolTipTest, NextButtonWithin200msShowsAtOnceAfterALongerPauseWaits)
{
    Hover(ButtonCenter(32772));
    Wait(500);
    ASSERT_TRUE(TipVisible());
    EXPECT_EQ(TipText(), CString(u"Open (Ctrl+O)"));

    // Onto the next button: the old tip goes, and the next move shows the new one at once.
    Hover(ButtonCenter(32775));
    Wait(100);
    Hover(ButtonCenter(32775));
    ASSERT_TRUE(TipVisible());
    EXPECT_EQ(TipText(), CString(u"Save (Ctrl+S)"));

    // Off the bar, a long pause, then onto another button: 500 ms again.
    Hover(testkit::ClientPoint(m_frame->GetSafeHwnd(), 250, 200));
    EXPECT_FALSE(TipVisible());
    Wait(1000);
    Hover(ButtonCenter(32776));
    Wait(300);
    EXPECT_FALSE(TipVisible());
    Wait(200);
    EXPECT_TRUE(TipVisible());
    EXPECT_EQ(TipText(), CString(u"Run"));
}

TEST_F(ToolTipTest, ClickHidesTheTipUntilThePointerLeavesTheButton)
{
    Hover(ButtonCenter(32772));
    Wait(500);
    ASSERT_TRUE(TipVisible());
    testkit::Click(ButtonCenter(32772));
    Pump();
    EXPECT_FALSE(TipVisible());
    Hover(ButtonCenter(32772));
    Wait(1000);
    Hover(ButtonCenter(32772));
    EXPECT_FALSE(TipVisible()) << "the clicked button stays quiet";

    Hover(ButtonCenter(32775));
    Wait(500);
    Hover(ButtonCenter(32772));
    Wait(500);
    EXPECT_TRUE(TipVisible());
    EXPECT_EQ(TipText(), CString(u"Open (Ctrl+O)"));
}

TEST_F(ToolTipTest, NoTipWhileTheTopLevelWindowIsInactive)
{
    testkit::AnotherProgramActivated();
    Pump();
    Hover(ButtonCenter(32775));
    Wait(1000);
    Hover(ButtonCenter(32775));
    EXPECT_FALSE(TipVisible());
}

TEST_F(ToolTipTest, KeyPressHidesTheTip)
{
    Hover(ButtonCenter(32775));
    Wait(500);
    ASSERT_TRUE(TipVisible());
    // A key goes to the bar through the context's filter as any message does.
    m_toolBar->SendMessage(WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_FALSE(TipVisible());
}

TEST_F(ToolTipTest, StyleAndWindowBitsChangesReplaceTheWindow)
{
    CJQWToolTipContext* context = m_bars->GetToolTipContext();
    EXPECT_EQ(context->GetToolTipStyle() & 0x3003, DWORD(0x3000)) << "style 2 adds 0x3000; the bars removed 0x02";
    Hover(ButtonCenter(32775));
    ASSERT_NE(context->GetToolTipWindow(), nullptr);
    context->ModifyToolTipStyle(0, JQW_TTS_NOSHADOW);
    EXPECT_NE(context->GetToolTipWindow(), nullptr) << "no change: the window stays";
    context->ModifyToolTipStyle(JQW_TTS_NOSHADOW, 0);
    EXPECT_EQ(context->GetToolTipWindow(), nullptr);
    Hover(ButtonCenter(32775));
    EXPECT_NE(context->GetToolTipWindow(), nullptr) << "the next move makes one with the new bits";
}

TEST(ToolTipContextStyle, BalloonNeedsCommonControls580)
{
    CJQWToolTipContext context;
    context.SetComCtlVersion(MAKELONG(79, 5));
    context.SetStyle(jqwToolTipBalloon);
    EXPECT_EQ(context.GetStyle(), jqwToolTipStandard);
    context.SetComCtlVersion(MAKELONG(80, 5));
    context.SetStyle(jqwToolTipBalloon);
    EXPECT_EQ(context.GetStyle(), jqwToolTipBalloon);
    EXPECT_EQ(context.GetToolTipStyle() & 0x3000, DWORD(0));
    context.SetStyle(jqwToolTipPlain);
    EXPECT_EQ(context.GetToolTipStyle() & 0x3000, DWORD(0x3000));
}

// A 32 x 32 monochrome cursor: AND mask (transparent 1s outside the shape), then XOR mask.
TEST(ToolTipCursorDepth, ScansTheMaskFromTheBottom)
{
    std::vector<BYTE> mask(256, 0xFF);
    // The shape covers rows 0-18 of the AND mask: 4 bytes a row.
    for (int row = 0; row <= 18; ++row)
        for (int b = 0; b < 4; ++b)
            mask[size_t(row * 4 + b)] = b == 0 ? 0x00 : 0xFF;
    // XOR mask all zero (rows 32-63).
    for (size_t i = 128; i < 256; ++i)
        mask[i] = 0;
    // Last non-empty AND word is word 36 (row 18, first word): depth = MulDiv(37, 16, 32) = 19 (18.5
    // rounded) minus the hot spot.
    EXPECT_EQ(CJQWToolTipContextToolTip::CursorDepthFromMask(mask.data(), 256, 32, 64, TRUE, 0), 19);
    EXPECT_EQ(CJQWToolTipContextToolTip::CursorDepthFromMask(mask.data(), 256, 32, 64, TRUE, 2), 17);
    // An empty mask: j ends at -1.
    std::vector<BYTE> empty(256, 0xFF);
    for (size_t i = 128; i < 256; ++i)
        empty[i] = 0;
    EXPECT_EQ(CJQWToolTipContextToolTip::CursorDepthFromMask(empty.data(), 256, 32, 64, TRUE, 0), 0);
    // A set XOR word stops the scan where it was found.
    empty[254] = 0x01;
    EXPECT_EQ(CJQWToolTipContextToolTip::CursorDepthFromMask(empty.data(), 256, 32, 64, TRUE, 0), 32);
    EXPECT_EQ(CJQWToolTipContextToolTip::CursorDepthFromMask(nullptr, 0, 0, 0, TRUE, 0), 21);
}
