#include "toolkit/commandbars/CustomizeDrop.h"

#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ToolBar.h"

#include <gtest/gtest.h>

namespace {

// A docked toolbar of four 22 x 22 buttons side by side (ids 1-4).
class CustomizeDropTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        m_bar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
        m_bar->SetBarPosition(jqwBarTop);
        ASSERT_TRUE(m_bar->CreateEx(0, AfxRegisterWndClass(0), u"", WS_POPUP, 0, 0, 100, 22, nullptr, nullptr));
        for (int i = 0; i < 4; ++i)
            m_bar->GetControls()->Add(JQW_CONTROL_BUTTON, i + 1);
        Place();
    }
    void TearDown() override
    {
        m_bar->DestroyWindow();
        m_bar->InternalRelease();
        DesktopTest::TearDown();
    }
    void Place()
    {
        for (int i = 0; i < m_bar->GetControlCount(); ++i)
            m_bar->GetControl(i)->SetRect(CRect(i * 22, 0, i * 22 + 22, 22));
    }
    CJQWControl* Control(int index) const { return m_bar->GetControl(index); }

    CJQWToolBar* m_bar = nullptr;
};

} // namespace

TEST_F(CustomizeDropTest, MovingAControlWithinItselfStartsOrEndsAGroupOnlyBeyondTheSlop)
{
    struct Case {
        const char* name;
        int control;
        BOOL groupBefore;
        int dx;
        BOOL groupAfter;
    };
    const Case cases[] = {
        { "3 px to the right changes nothing", 1, FALSE, 3, FALSE },
        { "3 px keeps a group too", 1, TRUE, 3, TRUE },
        { "5 px onto its right half begins a group", 1, FALSE, 5, TRUE },
        { "5 px onto its left half ends the group", 1, TRUE, -5, FALSE },
        { "the first control never begins a group", 0, FALSE, 5, FALSE },
    };
    for (const Case& c : cases) {
        Control(c.control)->SetBeginGroup(c.groupBefore);
        const CPoint start = Control(c.control)->GetRect().CenterPoint();
        int effect = 0;
        CJQWControl* result = JQWCustomizeDrop(m_bar, Control(c.control), effect, start + CPoint(c.dx, 0), start);
        EXPECT_EQ(result, Control(c.control)) << c.name;
        EXPECT_EQ(effect, JQW_DROPEFFECT_IN_PLACE) << c.name;
        EXPECT_EQ(Control(c.control)->GetBeginGroup(), c.groupAfter) << c.name;
        EXPECT_EQ(m_bar->GetControlCount(), 4) << c.name;
        Control(c.control)->SetBeginGroup(FALSE);
    }
}

TEST_F(CustomizeDropTest, DroppingBeforeAGroupStartMovesTheGroupStartToTheCopy)
{
    Control(2)->SetBeginGroup(TRUE);
    CJQWControls pool;
    CJQWControl* foreign = pool.Add(JQW_CONTROL_BUTTON, 9);
    ASSERT_NE(foreign, nullptr);
    int effect = 1;
    CJQWControl* copy = JQWCustomizeDrop(m_bar, foreign, effect, CPoint(46, 11), CPoint(500, 500));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(effect, 1);
    ASSERT_EQ(m_bar->GetControlCount(), 5);
    EXPECT_EQ(Control(2), copy);
    EXPECT_EQ(copy->GetID(), 9);
    EXPECT_TRUE(copy->GetBeginGroup());
    EXPECT_FALSE(Control(3)->GetBeginGroup()) << "the old group start lost it";
}

TEST_F(CustomizeDropTest, MarkerLiesInsideOrBeyondTheNearestControl)
{
    CJQWControls pool;
    CJQWControl* dragged = pool.Add(JQW_CONTROL_BUTTON, 9);
    struct Case {
        const char* name;
        CPoint point;
        int index;
        BOOL after;
        CRect marker;
    };
    const Case cases[] = {
        { "before the third", CPoint(48, 10), 2, FALSE, CRect(44, 0, 50, 22) },
        { "after the second, the next in the same group: just beyond", CPoint(40, 10), 1, TRUE, CRect(44, 0, 50, 22) },
        { "after the last: inside its right edge", CPoint(80, 10), 3, TRUE, CRect(82, 0, 88, 22) },
    };
    for (const Case& c : cases) {
        const JQW_INSERTION_POINT at = JQWFindInsertionPoint(m_bar, dragged, c.point);
        EXPECT_EQ(at.index, c.index) << c.name;
        EXPECT_EQ(at.after, c.after) << c.name;
        EXPECT_EQ(at.marker, c.marker) << c.name;
        EXPECT_FALSE(at.vertical);
    }
    Control(2)->SetBeginGroup(TRUE);
    EXPECT_EQ(JQWFindInsertionPoint(m_bar, dragged, CPoint(40, 10)).marker, CRect(38, 0, 44, 22))
        << "the next control begins a group: inside the right edge";
    // Over the dragged control itself there is no marker.
    EXPECT_TRUE(JQWFindInsertionPoint(m_bar, Control(1), CPoint(30, 10)).marker.IsRectEmpty());
}
