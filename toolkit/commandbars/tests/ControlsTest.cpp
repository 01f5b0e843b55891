// Controls, actions and the controls collection without windows.

#include "platform/framework/Menu.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/Controls.h"

#include <gtest/gtest.h>

namespace {

std::string Narrow(const CString& text)
{
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i)
        out += char(text.GetAt(i));
    return out;
}

// Counts what its action tells it.
class CountingControl : public CJQWControlButton {
public:
    void OnActionChanged(int what) override { changed.push_back(what); }
    void OnActionChanging(int) override { ++changing; }
    std::vector<int> changed;
    int changing = 0;
};

class WideControl : public CJQWControlButton {
public:
    int GetCustomizeMinWidth() const override { return 30; }
};

struct Bar {
    CJQWCommandBar* bar = new CJQWCommandBar;
    ~Bar() { bar->InternalRelease(); }
    CJQWControls* controls() const { return bar->GetControls(); }
};

} // namespace

TEST(ControlTest, PromptsAndCaptions)
{
    CJQWControlButton control;
    control.SetPrompt(CString(u"Open a stack\nOpen"));
    EXPECT_EQ(Narrow(control.GetDescription()), "Open a stack");
    EXPECT_EQ(Narrow(control.GetTooltipText()), "Open");
    EXPECT_EQ(Narrow(control.GetCaption()), "Open");

    CJQWControlButton plain;
    plain.SetPrompt(CString(u"Run it"));
    EXPECT_EQ(Narrow(plain.GetDescription()), "Run it");
    EXPECT_EQ(Narrow(plain.GetTooltipText()), "Run it");

    CJQWControlButton three;
    three.SetPrompt(CString(u"Customize application appearance, toolbars, and menus\n&Customize...\nC&ustom"));
    EXPECT_EQ(Narrow(three.GetCaption()), "C&ustom");

    CJQWControlButton kept;
    kept.SetCaption(CString(u"&Mine"));
    kept.SetPrompt(CString(u"d\nt"));
    EXPECT_EQ(Narrow(kept.GetCaption()), "&Mine");
    kept.SetPrompt(CString());
    EXPECT_EQ(Narrow(kept.GetTooltipText()), "t");

    CJQWControlButton tabbed;
    tabbed.SetCaption(CString(u"&Save\tCtrl+S"));
    EXPECT_EQ(Narrow(tabbed.GetCaption()), "&Save");
    EXPECT_EQ(Narrow(tabbed.GetShortcutText()), "Ctrl+S");
    tabbed.SetCaption(CString(u"&Store"));
    EXPECT_EQ(Narrow(tabbed.GetShortcutText()), "Ctrl+S");
    tabbed.SetShortcutText(CString(u"F2"));
    EXPECT_EQ(Narrow(tabbed.GetShortcutText()), "F2");
}

TEST(ControlTest, StyleFallbacks)
{
    Bar b;
    CJQWControl* control = b.controls()->Add(JQW_CONTROL_BUTTON, 0);
    EXPECT_EQ(control->GetStyle(), 0);
    control->SetCustomStyle(-1);
    control->SetStyle(JQW_STYLE_ICON);
    EXPECT_EQ(control->GetStyle(), JQW_STYLE_ICON);
    control->SetCustomStyle(JQW_STYLE_CAPTION);
    EXPECT_EQ(control->GetStyle(), JQW_STYLE_CAPTION);
    control->SetCustomStyle(-1);
    control->SetStyle(0);
    control->SetKindStyle(JQW_STYLE_ICON_AND_CAPTION);
    EXPECT_EQ(control->GetStyle(), JQW_STYLE_ICON_AND_CAPTION);
    control->SetKindStyle(0);
    b.bar->SetDefaultButtonStyle(JQW_STYLE_LARGE);
    EXPECT_EQ(control->GetStyle(), JQW_STYLE_LARGE);
}

TEST(ControlTest, CopyTakesAtLeastTheMinimumWidthAndSkipsState)
{
    CJQWControlButton source;
    source.SetWidth(10);
    source.SetCaption(CString(u"A"));
    source.SetChecked(1);
    source.SetRect(CRect(1, 2, 3, 4));
    source.SetTemporary(TRUE);
    WideControl target;
    target.Copy(&source, FALSE);
    EXPECT_EQ(target.GetWidth(), 30);
    EXPECT_EQ(Narrow(target.GetCaption()), "A");
    EXPECT_EQ(target.GetChecked(), 1);
    EXPECT_TRUE(target.IsTemporary());
    EXPECT_EQ(target.GetRect(), CRect());
    EXPECT_TRUE(target.Compare(&source) == FALSE); // widths differ
    CJQWControlButton same;
    same.Copy(&source, FALSE);
    EXPECT_TRUE(same.Compare(&source));
}

TEST(ControlTest, VisibilityMasksAndActionVisibility)
{
    CJQWControlButton control;
    control.SetHideFlags(jqwHideWrap);
    EXPECT_FALSE(control.IsVisible());
    EXPECT_TRUE(control.IsVisible(jqwHideWrap));
    control.SetHideFlags(0);
    CJQWControlActions actions;
    CJQWControlAction* action = actions.Add(500);
    control.SetAction(action);
    action->SetVisible(FALSE);
    EXPECT_FALSE(control.IsVisible(0xFF));
    control.SetAction(nullptr);
    EXPECT_TRUE(control.IsVisible());
}

TEST(ControlActionTest, Cases)
{
    CJQWControlActions actions;
    for (int id : { 0, -5, 0xFFFFFFF })
        EXPECT_EQ(actions.FindAction(id), nullptr) << id;
    CJQWControlAction* thirty = actions.Add(30);
    actions.Add(10);
    actions.Add(20);
    ASSERT_EQ(actions.GetCount(), 3);
    EXPECT_EQ(actions.GetAt(0)->GetID(), 10);
    EXPECT_EQ(actions.GetAt(1)->GetID(), 20);
    EXPECT_EQ(actions.GetAt(2)->GetID(), 30);
    EXPECT_EQ(actions.GetAt(3), nullptr);
    EXPECT_EQ(actions.Add(20), actions.GetAt(1));
    EXPECT_EQ(actions.FindAction(30), thirty);

    CountingControl control;
    control.SetCaption(CString(u"own"));
    control.SetAction(thirty);
    EXPECT_EQ(control.GetEnabledValue(), -1);
    EXPECT_EQ(control.GetID(), 30);
    thirty->SetCaption(CString(u"&Run\tF5"));
    thirty->SetCaption(CString(u"&Run"));
    EXPECT_EQ(Narrow(control.GetCaption()), "&Run");
    EXPECT_EQ(control.changed, std::vector<int>({ jqwActionCaption }));
    EXPECT_EQ(control.changing, 1);

    thirty->SetEnabled(FALSE);
    EXPECT_FALSE(control.GetEnabled());
    actions.m_bCustomizeMode = TRUE;
    EXPECT_TRUE(thirty->GetEnabled());
    EXPECT_TRUE(control.GetEnabled());
    actions.m_bCustomizeMode = FALSE;

    actions.RemoveAll();
    EXPECT_EQ(control.GetAction(), nullptr);
    EXPECT_EQ(control.GetEnabledValue(), 1);
    EXPECT_EQ(control.GetChecked(), 0);
}

TEST(ControlsTest, GetNextCases)
{
    Bar b;
    for (int i = 0; i < 5; ++i)
        b.controls()->Add(JQW_CONTROL_BUTTON, 100 + i)->SetVisible(i == 3);
    EXPECT_EQ(b.controls()->GetNext(-1, +1), 3);
    EXPECT_EQ(b.controls()->GetNext(-1, -1), 3);
    EXPECT_EQ(b.controls()->GetNext(3, +1), 3);
    EXPECT_EQ(b.controls()->GetNext(3, -1), 3);
    b.controls()->GetAt(1)->SetVisible(TRUE);
    EXPECT_EQ(b.controls()->GetNext(3, +1), 1); // runs over the end once
    EXPECT_EQ(b.controls()->GetNext(1, -1), 3);
    b.controls()->GetAt(1)->SetFlags(jqwFlagSkipFocus);
    EXPECT_EQ(b.controls()->GetNext(3, +1), 3);
    EXPECT_EQ(b.controls()->GetNext(3, +1, FALSE), 1);
    b.controls()->GetAt(1)->SetFlags(0);
    b.controls()->GetAt(1)->SetTemporary(TRUE);
    EXPECT_EQ(b.controls()->GetNext(3, +1, TRUE, TRUE), 3);
    // Hidden for lack of room counts unless strict.
    b.controls()->GetAt(1)->SetTemporary(FALSE);
    b.controls()->GetAt(1)->SetHideFlags(jqwHideWrap);
    EXPECT_EQ(b.controls()->GetNext(3, +1, TRUE, FALSE, TRUE), 3);
    EXPECT_EQ(b.controls()->GetNext(3, +1, TRUE, FALSE, FALSE), 1);

    Bar empty;
    EXPECT_EQ(empty.controls()->GetNext(-1, +1), -1);
    EXPECT_EQ(empty.controls()->GetNext(0, -1), -1);
}

TEST(ControlsTest, ActionsAreNeverMadeForToolkitIds)
{
    Bar b;
    CJQWControlActions actions;
    b.controls()->SetActions(&actions);
    for (int id : { 9150, 35001, 35000, 0 }) {
        CJQWControl* control = b.controls()->Add(JQW_CONTROL_BUTTON, id);
        EXPECT_EQ(control->GetAction(), nullptr) << id;
        EXPECT_EQ(control->GetID(), id);
    }
    EXPECT_EQ(actions.GetCount(), 0);
    CJQWControl* first = b.controls()->Add(JQW_CONTROL_BUTTON, 700);
    CJQWControl* second = b.controls()->Add(JQW_CONTROL_BUTTON, 700);
    ASSERT_NE(first->GetAction(), nullptr);
    EXPECT_EQ(first->GetAction(), second->GetAction());
    EXPECT_EQ(actions.GetCount(), 1);
    b.controls()->RemoveAll();
    b.controls()->SetActions(nullptr);
}

TEST(ControlsTest, FactoryIndexesAndRemoval)
{
    Bar b;
    EXPECT_EQ(b.controls()->Add(0, 1), nullptr);
    EXPECT_EQ(b.controls()->Add(12, 1), nullptr);
    CJQWControl* a = b.controls()->Add(JQW_CONTROL_BUTTON, 1);
    CJQWControl* c = b.controls()->Add(JQW_CONTROL_POPUP, 0);
    CJQWControl* between = b.controls()->Add(JQW_CONTROL_LABEL, 3, CString(), 1);
    EXPECT_EQ(between->GetIndex(), 1);
    EXPECT_EQ(c->GetIndex(), 2);
    EXPECT_EQ(a->GetParent(), b.bar);
    EXPECT_EQ(c->GetType(), JQW_CONTROL_POPUP);
    EXPECT_EQ(b.controls()->FindControl(3), between);
    EXPECT_EQ(b.controls()->FindControl(JQW_CONTROL_POPUP, -1, FALSE, FALSE), c);
    a->InternalAddRef();
    b.controls()->Remove(a);
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_EQ(a->GetControls(), nullptr);
    EXPECT_EQ(between->GetIndex(), 0);
    b.controls()->Remove(a); // no longer ours: nothing happens
    a->InternalRelease();
    EXPECT_EQ(b.controls()->GetCount(), 2);
}

TEST(ControlsTest, SetControlTypeKeepsOrReplaces)
{
    Bar b;
    b.controls()->Add(JQW_CONTROL_BUTTON, 1);
    CJQWControl* popup = b.controls()->Add(JQW_CONTROL_POPUP, 0);
    popup->SetCaption(CString(u"Pop"));
    EXPECT_EQ(b.controls()->SetControlType(popup, JQW_CONTROL_SPLIT_BUTTON_POPUP), popup);
    EXPECT_EQ(popup->GetType(), JQW_CONTROL_SPLIT_BUTTON_POPUP);

    CJQWControl* button = b.controls()->GetAt(0);
    button->SetCaption(CString(u"Btn"));
    CJQWControl* edit = b.controls()->SetControlType(0, JQW_CONTROL_EDIT);
    ASSERT_NE(edit, nullptr);
    EXPECT_NE(edit, button);
    EXPECT_EQ(edit->GetIndex(), 0);
    EXPECT_EQ(edit->GetType(), JQW_CONTROL_EDIT);
    EXPECT_EQ(Narrow(edit->GetCaption()), "Btn");
    EXPECT_EQ(b.controls()->GetCount(), 2);
    EXPECT_EQ(b.controls()->SetControlType(7, JQW_CONTROL_EDIT), nullptr);
}

TEST(ControlsTest, CompareIgnoresTemporaryControlsAndSnapshots)
{
    Bar one, two;
    for (Bar* b : { &one, &two }) {
        b->controls()->Add(JQW_CONTROL_BUTTON, 1)->SetCaption(CString(u"One"));
        b->controls()->Add(JQW_CONTROL_BUTTON, 2)->SetBeginGroup(TRUE);
    }
    one.controls()->Add(JQW_CONTROL_BUTTON, 9148, CString(), 0, TRUE);
    two.controls()->Add(JQW_CONTROL_BUTTON, 9149, CString(), -1, TRUE);
    EXPECT_TRUE(one.controls()->Compare(two.controls()));
    two.controls()->GetAt(1)->SetBeginGroup(FALSE);
    EXPECT_FALSE(one.controls()->Compare(two.controls()));

    EXPECT_TRUE(one.controls()->IsChanged());
    one.controls()->CreateOriginalControls();
    EXPECT_FALSE(one.controls()->IsChanged());
    EXPECT_EQ(one.controls()->GetOriginalControls()->GetCount(), 2);
    one.controls()->GetAt(1)->SetHideFlags(jqwHideCustomize);
    EXPECT_TRUE(one.controls()->IsChanged());

    CJQWControls* copy = one.controls()->Duplicate(TRUE);
    EXPECT_EQ(copy->GetCount(), 2);
    EXPECT_NE(copy->GetOriginalControls(), nullptr);
    copy->InternalRelease();
}

TEST(ControlPopupTest, CopiesShareOrCloneTheChildBar)
{
    CJQWControlPopup* popup = CJQWControlPopup::CreateControlPopup(JQW_CONTROL_POPUP);
    auto* child = new CJQWCommandBar;
    child->GetControls()->Add(JQW_CONTROL_BUTTON, 5);
    popup->SetCommandBar(child);
    child->InternalRelease();

    auto references = [](CJQWCommandBar* bar) {
        const DWORD count = bar->InternalAddRef() - 1;
        bar->InternalRelease();
        return count;
    };
    const DWORD before = references(child);
    CJQWControl* shallow = popup->Clone(FALSE);
    EXPECT_EQ(shallow->GetCommandBar(), child);
    EXPECT_EQ(references(child), before + 1);
    CJQWControl* deep = popup->Clone(TRUE);
    ASSERT_NE(deep->GetCommandBar(), nullptr);
    EXPECT_NE(deep->GetCommandBar(), child);
    EXPECT_EQ(deep->GetCommandBar()->GetControlCount(), 1);
    EXPECT_TRUE(deep->Compare(popup));
    deep->GetCommandBar()->GetControls()->Add(JQW_CONTROL_BUTTON, 6);
    EXPECT_FALSE(deep->Compare(popup));
    EXPECT_EQ(child->GetControlCount(), 1);

    // The shallow copy holds its own reference: the child outlives the original.
    popup->InternalRelease();
    EXPECT_EQ(shallow->GetCommandBar()->GetControlCount(), 1);
    shallow->InternalRelease();
    deep->InternalRelease();
}

TEST(ControlPopupTest, SplitPopupWithCommandPartOnlyDoesNotOpen)
{
    CJQWControlPopup* popup = CJQWControlPopup::CreateControlPopup(JQW_CONTROL_SPLIT_BUTTON_POPUP);
    auto* child = new CJQWCommandBar;
    popup->SetCommandBar(child);
    child->InternalRelease();
    popup->SetEnabled(3);
    EXPECT_FALSE(popup->SetPopupOpen(TRUE));
    EXPECT_FALSE(popup->IsPopupOpen());
    popup->InternalRelease();
}

TEST(CommandBarTest, LoadMenuGroupsChecksAndSubmenuIds)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING | MF_CHECKED, 101, u"&First\tCtrl+F");
    menu.AppendMenu(MF_STRING | MF_GRAYED, 102, u"&Second");
    menu.AppendMenu(MF_SEPARATOR);
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 201, u"Inner");
    menu.AppendMenu(MF_POPUP, UINT_PTR(sub.Detach()), u"Word\t4711");
    menu.AppendMenu(MF_STRING | MF_MENUBARBREAK, 103, u"Third");

    Bar b;
    ASSERT_TRUE(b.bar->LoadMenu(&menu));
    CJQWControls* controls = b.controls();
    ASSERT_EQ(controls->GetCount(), 4);
    CJQWControl* first = controls->GetAt(0);
    EXPECT_TRUE(first->GetBeginGroup());
    EXPECT_EQ(first->GetChecked(), 1);
    EXPECT_EQ(Narrow(first->GetCaption()), "&First");
    EXPECT_EQ(Narrow(first->GetShortcutText()), "Ctrl+F");
    EXPECT_FALSE(controls->GetAt(1)->GetEnabled());
    CJQWControl* word = controls->GetAt(2);
    EXPECT_EQ(word->GetType(), JQW_CONTROL_POPUP);
    EXPECT_EQ(word->GetID(), 4711);
    EXPECT_EQ(Narrow(word->GetCaption()), "Word");
    EXPECT_TRUE(word->GetBeginGroup());
    CJQWControl* third = controls->GetAt(3);
    EXPECT_TRUE(third->GetFlags() & jqwFlagWrapRow);
    EXPECT_TRUE(third->GetBeginGroup());

    CMenu notMenu;
    EXPECT_FALSE(b.bar->LoadMenu(&notMenu));
}

TEST(ControlTest, CustomizeResizeEdge)
{
    CJQWControlButton control;
    control.SetRect(CRect(10, 0, 40, 20));
    const struct {
        int x;
        bool edge;
    } cases[] = { { 9, false }, { 10, true }, { 11, true }, { 12, true }, { 13, false }, { 25, false }, { 37, false },
        { 38, true }, { 39, true }, { 40, false } };
    for (const auto& c : cases)
        EXPECT_EQ(control.IsCustomizeResizeEdge(CPoint(c.x, 5)) != FALSE, c.edge) << c.x;
    EXPECT_FALSE(control.IsCustomizeResizeEdge(CPoint(10, 25)));
}

TEST(ControlTest, AccessibleNameRoleAndState)
{
    Bar toolbar;
    CJQWControl* button = toolbar.controls()->Add(JQW_CONTROL_BUTTON, 0);
    button->SetCaption(CString(u"&Save\tCtrl+S"));
    button->SetDescription(CString(u"Saves the stack"));
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = 0;
    VARIANT other = self;
    other.lVal = 3;

    BSTR name = nullptr;
    ASSERT_EQ(button->GetAccName(self, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Save\tCtrl+S");
    SysFreeString(name);
    EXPECT_EQ(button->GetAccName(other, &name), E_INVALIDARG);

    CJQWControl* tipOnly = toolbar.controls()->Add(JQW_CONTROL_BUTTON, 0);
    tipOnly->SetTooltip(CString(u"Tip"));
    ASSERT_EQ(tipOnly->GetAccName(self, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Tip");
    SysFreeString(name);

    VARIANT role;
    ASSERT_EQ(button->GetAccRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, 43);
    CJQWControl* popup = toolbar.controls()->Add(JQW_CONTROL_POPUP, 0);
    auto* child = new CJQWCommandBar;
    static_cast<CJQWControlPopup*>(popup)->SetCommandBar(child);
    child->InternalRelease();
    popup->GetAccRole(self, &role);
    EXPECT_EQ(role.lVal, 57);
    Bar menu;
    menu.bar->SetType(jqwBarTypePopup);
    CJQWControl* item = menu.controls()->Add(JQW_CONTROL_BUTTON, 0);
    item->GetAccRole(self, &role);
    EXPECT_EQ(role.lVal, 12);

    VARIANT state;
    button->SetChecked(1);
    button->SetEnabled(0);
    ASSERT_EQ(button->GetAccState(self, &state), S_OK);
    // Focusable, unavailable, checked, and invisible: the bar has no window shown.
    EXPECT_EQ(state.lVal, 0x100000 | 0x1 | 0x10 | 0x8000);
    popup->GetAccState(self, &state);
    EXPECT_EQ(state.lVal & 0x40000000, 0x40000000);

    LONG children = -1;
    popup->GetAccChildCount(&children);
    EXPECT_EQ(children, 1);
    button->GetAccChildCount(&children);
    EXPECT_EQ(children, 0);
    LONG l = 1, t = 1, w = 1, h = 1;
    EXPECT_EQ(button->AccLocation(&l, &t, &w, &h, self), S_OK);
    EXPECT_EQ(l + t + w + h, 0);
}
