// The room a docked toolbar keeps at its end for the toolbar-options button.
#include "toolkit/commandbars/ToolBar.h"

#include "platform/framework/FrameWnd.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"

#include <gtest/gtest.h>

namespace {

class ToolBarExpandButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadStringText(102);
        m_bar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
        ASSERT_TRUE(m_bar->LoadToolBar(151, FALSE));
        m_bar->SetBarPosition(jqwBarTop);
        m_bar->ShowGripper(FALSE);
    }
    void TearDown() override { m_bar->InternalRelease(); }

    CJQWControl* Expand() const { return m_bar->GetControls()->FindControl(JQW_ID_TOOLBAR_EXPAND); }
    int Wrapped() const
    {
        int n = 0;
        for (int i = 0; i < m_bar->GetControlCount(); ++i)
            if (m_bar->GetControl(i)->GetHideFlags() & jqwHideWrap)
                ++n;
        return n;
    }
    void KeepOnly(int visible)
    {
        for (int i = 0; i < m_bar->GetControlCount(); ++i)
            if (m_bar->GetControl(i)->GetID() != JQW_ID_TOOLBAR_EXPAND)
                m_bar->GetControl(i)->SetHideFlags(i < visible ? DWORD(0) : DWORD(jqwHideGeneric));
    }

    CJQWToolBar* m_bar = nullptr;
};

constexpr DWORD kDocked = LM_HORZ | LM_HORZDOCK | LM_HIDEWRAP;

} // namespace

TEST_F(ToolBarExpandButtonTest, CommitKeepsNoRoomWhenEverythingFits)
{
    const CSize size = m_bar->CalcDynamicLayout(2000, kDocked | LM_COMMIT);
    ASSERT_NE(Expand(), nullptr);
    EXPECT_EQ(Wrapped(), 0);
    EXPECT_FALSE(Expand()->IsVisible()) << "nothing wrapped away: no options button";
    int right = 0;
    for (int i = 0; i < m_bar->GetControlCount(); ++i)
        if (m_bar->GetControl(i)->IsVisible())
            right = std::max<int>(right, m_bar->GetControl(i)->GetRect().right);
    EXPECT_LT(size.cx - right, 11) << "no 11 px kept at the end";
}

TEST_F(ToolBarExpandButtonTest, CommitKeepsElevenPixelsAndShowsTheButtonWhenControlsWrappedAway)
{
    const CSize size = m_bar->CalcDynamicLayout(120, kDocked | LM_COMMIT);
    ASSERT_GT(Wrapped(), 0);
    ASSERT_NE(Expand(), nullptr);
    EXPECT_TRUE(Expand()->IsVisible());
    const CRect button = Expand()->GetRect();
    EXPECT_EQ(button, CRect(size.cx - 13, 2, size.cx - 2, size.cy - 2));
    for (int i = 0; i < m_bar->GetControlCount(); ++i) {
        CJQWControl* control = m_bar->GetControl(i);
        if (control != Expand() && control->IsVisible()) {
            EXPECT_LE(control->GetRect().right, size.cx - 11) << "controls stay clear of the button's room";
        }
    }
}

TEST_F(ToolBarExpandButtonTest, MeasureAsksForTheRoomOnlyWithMoreThanOneControl)
{
    struct Case {
        int visible;
        bool reserves;
    };
    for (const Case& c : { Case { 1, false }, Case { 2, true }, Case { 5, true } }) {
        KeepOnly(c.visible);
        const CSize measured = m_bar->CalcDynamicLayout(1, kDocked);
        // The tightest layout (one control per row) for comparison.
        DWORD mode = kDocked;
        CClientDC dc(nullptr);
        const CSize least = m_bar->GetControls()->CalcDynamicSize(&dc, 1, mode, m_bar->GetBorders());
        if (c.reserves)
            EXPECT_GE(measured.cx, least.cx + 11) << c.visible << " controls";
        else
            EXPECT_LT(measured.cx, least.cx + 11) << c.visible << " control";
    }
}
