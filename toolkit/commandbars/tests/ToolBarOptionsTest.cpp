// The Add or Remove Buttons menu: the built-in snapshot merged with what the user made of the bar.
#include "toolkit/commandbars/ToolBarOptions.h"

#include "platform/framework/FrameWnd.h"
#include "resources/StringTable.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/PopupBar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using CustomizeItem = CJQWToolBar::CControlButtonCustomize;

class ToolBarOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadStringText(102);
        m_bar = static_cast<CJQWToolBar*>(RUNTIME_CLASS(CJQWToolBar)->CreateObject());
        m_bar->SetBarPosition(jqwBarTop);
        for (int id : { 101, 102, 103, 104 })
            m_bar->GetControls()->Add(JQW_CONTROL_BUTTON, id)->SetCaption(CString(u"B") + CString(std::to_string(id).c_str()));
        m_bar->GetControls()->CreateOriginalControls();
        m_menu = CJQWPopupBar::CreatePopupBar(nullptr);
    }
    void TearDown() override
    {
        m_menu->InternalRelease();
        m_bar->InternalRelease();
    }
    // The bar's ids, a user-hidden one with a '-' in front.
    std::string BarIds() const
    {
        std::string out;
        for (int i = 0; i < m_bar->GetControlCount(); ++i) {
            const CJQWControl* c = m_bar->GetControl(i);
            if (c->IsTemporary())
                continue;
            out += (c->GetHideFlags() & jqwHideCustomize) ? "-" : "";
            out += std::to_string(c->GetID()) + " ";
        }
        return out;
    }
    // The menu's items: target id, then 'c' checked and 'e' enabled; "reset" for the reset item.
    std::string MenuItems() const
    {
        std::string out;
        for (int i = 0; i < m_menu->GetControlCount(); ++i) {
            auto* item = dynamic_cast<CustomizeItem*>(m_menu->GetControl(i));
            if (!item)
                return "not a check item";
            if (item->GetResetBar()) {
                out += item->GetBeginGroup() ? "| reset" : "reset";
                continue;
            }
            out += std::to_string(item->GetTarget()->GetID()) + (item->GetChecked() ? "c" : "") + (item->GetEnabled() ? "e" : "") + " ";
        }
        return out;
    }
    void Build() { CJQWCommandBar::BuildAddRemoveMenu(m_bar, m_menu); }

    CJQWToolBar* m_bar = nullptr;
    CJQWPopupBar* m_menu = nullptr;
};

} // namespace

TEST_F(ToolBarOptionsTest, UntouchedBarListsEveryBuiltInControlCheckedAndEnabled)
{
    Build();
    EXPECT_EQ(BarIds(), "101 102 103 104 ");
    EXPECT_EQ(MenuItems(), "101ce 102ce 103ce 104ce | reset");
    auto* reset = dynamic_cast<CustomizeItem*>(m_menu->GetControl(4));
    EXPECT_EQ(reset->GetID(), JQW_ID_TOOLBAR_RESET);
    EXPECT_EQ(reset->GetCaption(), CString(u"&Reset Toolbar"));
}

TEST_F(ToolBarOptionsTest, MergeEdgeCases)
{
    struct Case {
        const char* name;
        void (*change)(CJQWControls*);
        const char* bar;
        const char* menu;
    } cases[] = {
        { "a control of the user's own: listed checked but disabled",
            [](CJQWControls* c) { c->Add(JQW_CONTROL_BUTTON, 500, CString(), 2); }, "101 102 500 103 104 ",
            "101ce 102ce 500c 103ce 104ce | reset" },
        { "a built-in control removed entirely comes back hidden at its place",
            [](CJQWControls* c) { c->RemoveAt(1); }, "101 -102 103 104 ", "101ce 102e 103ce 104ce | reset" },
        { "the last built-in control removed", [](CJQWControls* c) { c->RemoveAt(3); }, "101 102 103 -104 ",
            "101ce 102ce 103ce 104e | reset" },
        { "a hidden built-in control stays hidden where the snapshot has it",
            [](CJQWControls* c) { c->GetAt(2)->SetHideFlags(jqwHideCustomize); }, "101 102 -103 104 ",
            "101ce 102ce 103e 104ce | reset" },
        { "a moved built-in control keeps its new place",
            [](CJQWControls* c) {
                CJQWControl* moved = c->GetAt(0);
                moved->InternalAddRef();
                c->RemoveAt(0);
                c->InsertControl(moved, -1);
            },
            "102 103 104 101 ", "102ce 103ce 104ce 101ce | reset" },
        { "a hidden control of the user's own is kept, unchecked and disabled",
            [](CJQWControls* c) { c->Add(JQW_CONTROL_BUTTON, 600, CString(), 1)->SetHideFlags(jqwHideCustomize); },
            "101 -600 102 103 104 ", "101ce 600 102ce 103ce 104ce | reset" },
        { "controls the program hides are never listed",
            [](CJQWControls* c) {
                c->GetAt(0)->SetHideFlags(jqwHideGeneric);
                c->GetAt(1)->SetHideFlags(0x40);
                c->GetAt(2)->SetHideFlags(0x80);
            },
            "101 102 103 104 ", "104ce | reset" },
        { "an empty bar gets every built-in control back hidden",
            [](CJQWControls* c) { c->RemoveAll(); }, "-101 -102 -103 -104 ", "101e 102e 103e 104e | reset" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.change(m_bar->GetControls());
        Build();
        EXPECT_EQ(BarIds(), c.bar);
        EXPECT_EQ(MenuItems(), c.menu);
        // A second opening finds the same bar and the same menu.
        m_menu->GetControls()->RemoveAll();
        Build();
        EXPECT_EQ(BarIds(), c.bar);
        EXPECT_EQ(MenuItems(), c.menu);
    }
}

TEST_F(ToolBarOptionsTest, AHiddenControlComesBackAsItselfWithTheUsersChanges)
{
    CJQWControl* hidden = m_bar->GetControl(1);
    hidden->SetCaption(CString(u"My caption"));
    hidden->SetHideFlags(jqwHideCustomize);
    Build();
    EXPECT_EQ(m_bar->GetControl(1), hidden);
    EXPECT_EQ(hidden->GetCaption(), CString(u"My caption"));
}

TEST_F(ToolBarOptionsTest, OptionsButtonsAndTheHideButtonAreNeverListed)
{
    m_bar->CalcSize(-1, LM_HORZ); // a floating bar's hide and options buttons
    m_bar->SetCloseable(TRUE);
    m_bar->CalcSize(-1, LM_HORZ);
    ASSERT_NE(m_bar->GetControls()->FindControl(JQW_ID_TOOLBAR_HIDE), nullptr);
    Build();
    EXPECT_EQ(MenuItems(), "101ce 102ce 103ce 104ce | reset");
}

TEST_F(ToolBarOptionsTest, TornOffOrUserMadeBarsHaveNoResetItem)
{
    m_bar->SetTearOff(TRUE);
    Build();
    EXPECT_EQ(MenuItems(), "101ce 102ce 103ce 104ce ");
    m_menu->GetControls()->RemoveAll();
    m_bar->SetTearOff(FALSE);
    m_bar->SetBuiltIn(FALSE);
    Build();
    EXPECT_EQ(MenuItems(), "101ce 102ce 103ce 104ce ");
    m_menu->GetControls()->RemoveAll();
    m_bar->SetBuiltIn(TRUE);
    m_bar->GetControls()->ClearOriginalControls();
    Build();
    EXPECT_EQ(MenuItems(), "101c 102c 103c 104c ");
}

TEST_F(ToolBarOptionsTest, ChoosingAnItemHidesOrShowsItsControl)
{
    Build();
    auto* item = dynamic_cast<CustomizeItem*>(m_menu->GetControl(2));
    item->Execute();
    EXPECT_EQ(BarIds(), "101 102 -103 104 ");
    EXPECT_FALSE(item->GetChecked());
    item->Execute();
    EXPECT_EQ(BarIds(), "101 102 103 104 ");
    EXPECT_TRUE(item->GetChecked());
}
