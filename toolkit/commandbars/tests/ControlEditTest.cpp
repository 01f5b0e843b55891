// Edit boxes on a bar: spin arithmetic, the hint, focus by a click, Escape, and the mouse
// manager's lock count when the focused box goes away.
#include "toolkit/commandbars/ControlEdit.h"
#include "toolkit/commandbars/Controls.h"

#include "FieldSite.h"

#include <gtest/gtest.h>

using fieldtest::FieldTest;

namespace {

class ControlEditTest : public FieldTest {
protected:
    CJQWControlEdit* AddEdit(int id = 5000)
    {
        auto* edit = dynamic_cast<CJQWControlEdit*>(m_toolBar->GetControls()->Add(JQW_CONTROL_EDIT, id));
        EXPECT_NE(edit, nullptr);
        return edit;
    }
};

} // namespace

TEST_F(ControlEditTest, SpinStepsToMultiplesOfTheStepAndStopsAtTheLimits)
{
    CJQWControlEdit* edit = AddEdit();
    Layout();
    struct Case {
        const char16_t* text;
        int step;
        int direction;
        const char16_t* expected;
    } cases[] = {
        { u"7", 5, +1, u"15" },
        { u"7", 5, -1, u"0" },
        { u"", 1, +1, u"1" },
        { u"abc", 1, -1, u"-1" },
        { u"-7", 5, -1, u"-15" },
        { u"2147483647", 1, +1, u"2147483647" },
        { u"2147483646", 20, +1, u"2147483647" },
        { u"-2147483648", 20, -1, u"-2147483648" },
        { u"99999999999999999999", 5, +1, u"2147483647" },
    };
    for (const Case& c : cases) {
        edit->SetEditText(c.text);
        edit->OnSpin(c.step, c.direction);
        EXPECT_EQ(edit->GetEditText(), CString(c.expected)) << CStringA(CString(c.text)).GetString() << " step " << c.step;
    }
    // The hint counts as an empty box.
    edit->SetEditHint(u"Count");
    edit->SetEditText(CString());
    edit->ShowEditText(CString());
    EXPECT_EQ(edit->GetEditText(), CString(u"Count"));
    edit->OnSpin(1, +1);
    EXPECT_EQ(edit->GetEditText(), CString(u"1"));
}

TEST_F(ControlEditTest, AnOwnerThatTakesTheSpinLeavesTheTextAlone)
{
    CJQWControlEdit* edit = AddEdit();
    Layout();
    edit->SetEditText(u"7");
    m_frame->m_answer = [](JQW_CONTROL_NOTIFY_RECORD* record) { return record->code == JQW_EN_SPINUP ? LRESULT(1) : 0; };
    edit->OnSpin(5, +1);
    EXPECT_EQ(edit->GetEditText(), CString(u"7"));
    // An owner may change the step instead: 7 + 2 = 9, then on to the next multiple of 5.
    m_frame->m_answer = [](JQW_CONTROL_NOTIFY_RECORD* record) {
        // Only the spin notifications carry a step; the execute notice after them does not.
        if (record->code == JQW_EN_SPINUP || record->code == JQW_EN_SPINDOWN)
            static_cast<JQW_SPIN_NOTIFY_RECORD*>(record)->delta = 2;
        return LRESULT(0);
    };
    edit->OnSpin(5, +1);
    EXPECT_EQ(edit->GetEditText(), CString(u"10"));
}

TEST_F(ControlEditTest, HintWhileEmptyFocusByClickAndEscapeRestores)
{
    CJQWControlEdit* edit = AddEdit();
    edit->SetEditHint(u"Search");
    Layout();
    ASSERT_TRUE(edit->HasEditWindow());
    EXPECT_EQ(edit->GetEditCtrl()->GetText(), CString(u"Search")) << "an empty, unfocused box shows its hint";
    EXPECT_EQ(edit->GetEditTextNoHint(), CString());
    CHARFORMAT2W format;
    edit->GetCharFormat(format);
    EXPECT_EQ(format.crTextColor, ::GetSysColor(COLOR_GRAYTEXT));

    const int locks = GetMouseManager()->GetLockCount();
    testkit::Click(Client(edit, 30, 8));
    Pump();
    EXPECT_TRUE(edit->IsFocused());
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks + 1);
    EXPECT_EQ(edit->GetEditCtrl()->GetText(), CString()) << "focusing shows an empty box";
    edit->GetCharFormat(format);
    EXPECT_EQ(format.crTextColor, ::GetSysColor(COLOR_WINDOWTEXT));

    testkit::TypeText(u"abc");
    Pump();
    EXPECT_EQ(edit->GetEditText(), CString(u"abc"));
    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_FALSE(edit->IsFocused());
    EXPECT_EQ(edit->GetEditTextNoHint(), CString()) << "Escape restores the text the box had at focus";
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks);
    std::vector<UINT> expected { JQW_CN_SETFOCUS, JQW_CN_TEXTCHANGED, JQW_CN_TEXTCHANGED, JQW_CN_TEXTCHANGED, JQW_CN_KILLFOCUS };
    EXPECT_EQ(m_frame->m_codes, expected);
}

TEST_F(ControlEditTest, RemovingOrDestroyingAFocusedBoxGivesTheLockBack)
{
    const int locks = GetMouseManager()->GetLockCount();
    CJQWControlEdit* edit = AddEdit();
    Layout();
    edit->SetFocused(TRUE);
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks + 1);
    m_toolBar->GetControls()->Remove(edit);
    Pump();
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks);

    CJQWControlEdit* second = AddEdit(5001);
    Layout();
    second->SetFocused(TRUE);
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks + 1);
    second->GetEditCtrl()->DestroyWindow();
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks);
    EXPECT_FALSE(second->IsFocused());

    CJQWControlEdit* third = AddEdit(5002);
    Layout();
    third->SetFocused(TRUE);
    m_toolBar->DestroyWindow();
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks) << "the bar's window went with the box focused";
}

TEST_F(ControlEditTest, CaptionShowsAsALabelByStyleOrFlag)
{
    CJQWControlEdit* edit = AddEdit();
    edit->SetCaption(u"Size");
    EXPECT_FALSE(edit->IsCaptionVisible());
    edit->ShowLabel(TRUE);
    EXPECT_TRUE(edit->IsCaptionVisible());
    edit->ShowLabel(FALSE);
    for (int style : { JQW_STYLE_CAPTION, JQW_STYLE_ICON_AND_CAPTION, JQW_STYLE_LARGE }) {
        edit->SetStyle(style);
        EXPECT_TRUE(edit->IsCaptionVisible()) << style;
    }
    edit->SetStyle(JQW_STYLE_ICON);
    EXPECT_FALSE(edit->IsCaptionVisible());
    edit->SetCaption(u"");
    edit->ShowLabel(TRUE);
    EXPECT_FALSE(edit->IsCaptionVisible()) << "nothing to show";
}
