#include "toolkit/commandbars/BarKeyboard.h"

#include "platform/testkit/Desktop.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ToolBar.h"

#include "ServicesRestore.h"

#include <gtest/gtest.h>

namespace {

class BarKeyboardTest : public testkit::DesktopTest {
protected:
    ServicesRestore m_services; // destroyed last: after the bars that use them
    void TearDown() override
    {
        for (CJQWCommandBar* bar : m_bars) {
            bar->DestroyWindow();
            bar->InternalRelease();
        }
        DesktopTest::TearDown();
    }
    template <class Bar> Bar* Make(int position, int type, bool rtl)
    {
        auto* bar = static_cast<Bar*>(RUNTIME_CLASS(Bar)->CreateObject());
        bar->SetBarPosition(position);
        bar->SetType(type);
        EXPECT_TRUE(bar->CreateEx(rtl ? WS_EX_LAYOUTRTL : 0, AfxRegisterWndClass(0), u"", WS_POPUP, 0, 0, 300, 100,
            nullptr, nullptr));
        m_bars.push_back(bar);
        return bar;
    }
    std::vector<CJQWCommandBar*> m_bars;
};

} // namespace

TEST_F(BarKeyboardTest, ArrowsByOrientationAndReadingDirection)
{
    struct Case {
        const char* bar;
        int position;
        int type;
        bool rtl;
        UINT key;
        int code;
    };
    const Case cases[] = {
        { "menu bar", jqwBarTop, jqwBarTypeMenuBar, false, VK_RIGHT, JQW_MOVE_NEXT },
        { "menu bar", jqwBarTop, jqwBarTypeMenuBar, false, VK_LEFT, JQW_MOVE_PREVIOUS },
        { "menu bar right-to-left", jqwBarTop, jqwBarTypeMenuBar, true, VK_RIGHT, JQW_MOVE_PREVIOUS },
        { "menu bar right-to-left", jqwBarTop, jqwBarTypeMenuBar, true, VK_LEFT, JQW_MOVE_NEXT },
        { "menu bar", jqwBarTop, jqwBarTypeMenuBar, false, VK_UP, JQW_MOVE_COLLAPSE },
        { "menu bar", jqwBarTop, jqwBarTypeMenuBar, false, VK_DOWN, JQW_MOVE_EXPAND },
        { "floating toolbar", jqwBarFloating, jqwBarTypeNormal, false, VK_RIGHT, JQW_MOVE_NEXT },
        { "popup", jqwBarPopup, jqwBarTypePopup, false, VK_RIGHT, JQW_MOVE_EXPAND },
        { "popup", jqwBarPopup, jqwBarTypePopup, false, VK_LEFT, JQW_MOVE_COLLAPSE },
        { "popup right-to-left", jqwBarPopup, jqwBarTypePopup, true, VK_RIGHT, JQW_MOVE_COLLAPSE },
        { "popup right-to-left", jqwBarPopup, jqwBarTypePopup, true, VK_LEFT, JQW_MOVE_EXPAND },
        { "popup", jqwBarPopup, jqwBarTypePopup, false, VK_DOWN, JQW_MOVE_NEXT },
        { "popup", jqwBarPopup, jqwBarTypePopup, false, VK_UP, JQW_MOVE_PREVIOUS },
        { "popup toolbar (grid)", jqwBarPopup, jqwBarTypeNormal, false, VK_RIGHT, JQW_MOVE_NEXT },
        { "popup toolbar (grid)", jqwBarPopup, jqwBarTypeNormal, false, VK_DOWN, JQW_MOVE_EXPAND },
        { "left-docked toolbar", jqwBarLeft, jqwBarTypeNormal, false, VK_DOWN, JQW_MOVE_NEXT },
        { "left-docked toolbar", jqwBarLeft, jqwBarTypeNormal, false, VK_RIGHT, JQW_MOVE_EXPAND },
        { "any", jqwBarTop, jqwBarTypeNormal, false, VK_HOME, JQW_MOVE_FIRST },
        { "any", jqwBarTop, jqwBarTypeNormal, false, VK_END, JQW_MOVE_LAST },
        { "any", jqwBarTop, jqwBarTypeNormal, false, 'A', -1 },
    };
    for (const Case& c : cases) {
        CJQWCommandBar* bar = Make<CJQWToolBar>(c.position, c.type, c.rtl);
        EXPECT_EQ(JQWSelectionCodeForKey(bar, c.key), c.code) << c.bar << " key " << c.key;
    }
}

// A popup toolbar of two rows: 0 1 2 at x 0, 30, 60 and 3 4 at x 10, 50.
TEST_F(BarKeyboardTest, GridMovesBetweenRowsByColumn)
{
    CJQWPopupToolBar* grid = Make<CJQWPopupToolBar>(jqwBarPopup, jqwBarTypeNormal, false);
    const int lefts[] = { 0, 30, 60, 10, 50 };
    for (int i = 0; i < 5; ++i) {
        CJQWControl* control = grid->GetControls()->Add(JQW_CONTROL_BUTTON, 100 + i);
        const int top = i < 3 ? 0 : 22;
        control->SetRect(CRect(lefts[i], top, lefts[i] + 22, top + 22));
        control->SetRowRect(CRect(0, top, 90, top + 22));
    }
    struct Case {
        int from;
        int code;
        int to;
    };
    const Case cases[] = {
        { 1, JQW_MOVE_EXPAND, 3 },   // down from x 30: the largest left not right of it is 10
        { 2, JQW_MOVE_EXPAND, 4 },   // down from x 60: 50
        { 0, JQW_MOVE_EXPAND, 3 },   // down from x 0: all lie right of it, the row's first
        { 4, JQW_MOVE_COLLAPSE, 2 }, // up from x 50: the smallest left not left of it is 60
        { 3, JQW_MOVE_COLLAPSE, 1 }, // up from x 10: 30
        { -1, JQW_MOVE_EXPAND, 0 },  // nothing selected: down takes the first
        { -1, JQW_MOVE_COLLAPSE, 4 }, // and up the last
    };
    for (const Case& c : cases) {
        grid->SetSelected(-1);
        if (c.from != -1)
            grid->SetSelected(c.from, 2);
        JQWMoveSelection(grid, c.code);
        EXPECT_EQ(grid->GetSelected(), c.to) << "from " << c.from << " code " << c.code;
    }
    // Within a row Right and Left step along it with wrap-around.
    grid->SetSelected(2, 2);
    JQWMoveSelection(grid, JQW_MOVE_NEXT);
    EXPECT_EQ(grid->GetSelected(), 3);
    grid->SetSelected(0, 2);
    JQWMoveSelection(grid, JQW_MOVE_PREVIOUS);
    EXPECT_EQ(grid->GetSelected(), 4);
}

TEST_F(BarKeyboardTest, AccessKeysPreferTheMarkedLetterAndReportAmbiguity)
{
    CJQWToolBar* bar = Make<CJQWToolBar>(jqwBarTop, jqwBarTypeMenuBar, false);
    const char16_t* captions[] = { u"&File", u"Format", u"Fi&nd", u"&Insert", u"&Image" };
    for (int i = 0; i < 5; ++i)
        bar->GetControls()->Add(JQW_CONTROL_BUTTON, 200 + i)->SetCaption(CString(captions[i]));
    BOOL ambiguous = FALSE;
    EXPECT_EQ(JQWFindAccelIndex(bar, 'F', ambiguous), 0);
    EXPECT_FALSE(ambiguous) << "Format's first letter does not compete with a marked F";
    EXPECT_EQ(JQWFindAccelIndex(bar, 'N', ambiguous), 2);
    EXPECT_FALSE(ambiguous);
    EXPECT_EQ(JQWFindAccelIndex(bar, 'I', ambiguous), 3);
    EXPECT_TRUE(ambiguous) << "two marked I's";
    // The search starts after the selection.
    bar->SetSelected(3, 2);
    EXPECT_EQ(JQWFindAccelIndex(bar, 'I', ambiguous), 4);
    EXPECT_EQ(JQWFindAccelIndex(bar, 'Q', ambiguous), -1);
}
