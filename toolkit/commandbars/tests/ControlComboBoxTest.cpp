// Combo boxes on a bar: completion from the list, the list's height and width, its items saved
// and loaded, the notifications of a choice made with the mouse, and a picture of a toolbar with
// fields and an open list.
#include "toolkit/commandbars/ControlComboBox.h"
#include "toolkit/commandbars/ControlEdit.h"
#include "toolkit/commandbars/Controls.h"

#include "platform/base/Registry.h"
#include "platform/controls/CommonControls.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/ControlMessages.h"
#include "toolkit/controls/persist/PropExchangeRegistry.h"

#include "FieldSite.h"

#include <gtest/gtest.h>

using fieldtest::FieldTest;

namespace {

class ControlComboBoxTest : public FieldTest {
protected:
    CJQWControlComboBox* AddCombo(std::initializer_list<const char16_t*> items, int id = 6000)
    {
        auto* combo = dynamic_cast<CJQWControlComboBox*>(m_toolBar->GetControls()->Add(JQW_CONTROL_COMBO, id));
        EXPECT_NE(combo, nullptr);
        for (const char16_t* item : items)
            combo->AddString(item);
        return combo;
    }
};

} // namespace

TEST_F(ControlComboBoxTest, TypedTextCompletesFromTheSecondItemOnAndBackspaceDoesNot)
{
    CJQWControlComboBox* combo = AddCombo({ u"Apple", u"Apricot" });
    combo->SetDropDown(TRUE);
    combo->SetAutoComplete(TRUE);
    Layout();
    ASSERT_NE(combo->GetEditCtrl(), nullptr);
    ASSERT_TRUE(combo->GetEditCtrl()->GetSafeHwnd());
    testkit::Click(Client(combo, 30, 8));
    Pump();
    ASSERT_TRUE(combo->IsFocused());
    testkit::TypeText(u"Ap");
    Pump();
    EXPECT_EQ(combo->GetEditText(), CString(u"Apricot")) << "the search starts after item 0 and wraps";
    DWORD start = 0, end = 0;
    combo->GetEditCtrl()->SendMessage(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(std::min(start, end), 2u);
    EXPECT_EQ(std::max(start, end), 7u) << "the completed five letters are selected";

    testkit::Key(VK_BACK);
    Pump();
    EXPECT_EQ(combo->GetEditText(), CString(u"Ap")) << "Backspace does not complete again";
}

TEST_F(ControlComboBoxTest, OnlyItemCompletesToItself)
{
    CJQWControlComboBox* combo = AddCombo({ u"Apple" });
    combo->SetDropDown(TRUE);
    combo->SetAutoComplete(TRUE);
    Layout();
    testkit::Click(Client(combo, 30, 8));
    Pump();
    testkit::TypeText(u"Ap");
    Pump();
    EXPECT_EQ(combo->GetEditText(), CString(u"Apple"));
}

TEST_F(ControlComboBoxTest, ListHeightFollowsTheItemsAndWidthTheControl)
{
    CJQWControlComboBox* combo = AddCombo({ u"Red", u"Green", u"Blue" });
    Layout();
    CJQWControlComboBoxList* list = combo->GetListBar();
    ASSERT_NE(list, nullptr);
    const int item = int(::SendMessageW(list->GetListWindow(), LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(item, 0);
    m_toolBar->OpenControlPopup(combo->GetIndex());
    Pump();
    ASSERT_TRUE(list->IsVisible());
    EXPECT_EQ(list->CalcListSize(), CSize(combo->GetRect().Width(), 3 * item + 4)) << "12 allowed, 3 there";
    combo->SetDropDownItemCount(2);
    EXPECT_EQ(list->CalcListSize().cy, 2 * item + 4);
    list->SetWidth(150);
    EXPECT_EQ(list->CalcListSize().cx, 150);
    m_toolBar->OpenControlPopup(-1);
    Pump();
    EXPECT_FALSE(list->IsVisible());

    CJQWControlComboBox* empty = AddCombo({}, 6001);
    Layout();
    m_toolBar->OpenControlPopup(empty->GetIndex());
    Pump();
    EXPECT_EQ(empty->GetListBar()->CalcListSize().cy, item + 4) << "an empty list is one row high";
    m_toolBar->OpenControlPopup(-1);
    Pump();
}

TEST_F(ControlComboBoxTest, ItemsRoundTripThroughASavedLayout)
{
    HKEY root = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt Tests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                  nullptr),
        ERROR_SUCCESS);
    CJQWControlComboBox* combo = AddCombo({ u"Red", u"Green", u"Blue" });
    {
        auto* save = new CJQWPropExchangeRegistry(FALSE, root, u"Combo");
        combo->GetListBar()->DoPropExchange(save);
        save->InternalRelease();
    }
    {
        auto* load = new CJQWPropExchangeRegistry(TRUE, root, u"Combo");
        CJQWPropExchange* items = load->OpenChildSection(u"Items");
        ASSERT_NE(items, nullptr);
        EXPECT_EQ(items->LoadCount(), DWORD_PTR(3));
        CString second;
        ExchangeString(items, u"Item1", second, u"");
        EXPECT_EQ(second, CString(u"Green"));
        items->InternalRelease();
        load->InternalRelease();
    }
    auto* copy = new CJQWControlComboBoxList;
    {
        auto* load = new CJQWPropExchangeRegistry(TRUE, root, u"Combo");
        copy->DoPropExchange(load);
        load->InternalRelease();
    }
    ASSERT_EQ(copy->GetCount(), 3);
    const char16_t* expected[] = { u"Red", u"Green", u"Blue" };
    for (int i = 0; i < 3; ++i) {
        CString text;
        copy->GetLBText(i, text);
        EXPECT_EQ(text, CString(expected[i]));
    }
    copy->InternalRelease();
    RegCloseKey(root);
}

TEST_F(ControlComboBoxTest, MouseChoiceNotifiesInThePlatformsOrder)
{
    CJQWControlComboBox* combo = AddCombo({ u"Red", u"Green", u"Blue" });
    Layout();
    m_frame->m_codes.clear();
    const int locks = GetMouseManager()->GetLockCount();
    testkit::Click(Client(combo, combo->GetRect().Width() - 6, 10));
    Pump();
    CJQWControlComboBoxList* list = combo->GetListBar();
    ASSERT_TRUE(list->IsVisible());
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks + 1);
    const int item = int(::SendMessageW(list->GetListWindow(), LB_GETITEMHEIGHT, 0, 0));
    const POINT green = testkit::ClientPoint(list->GetListWindow(), 10, item + item / 2);
    testkit::MoveTo(green);
    Pump();
    testkit::Click(green);
    Pump();
    EXPECT_FALSE(list->IsVisible());
    EXPECT_EQ(combo->GetListText(), CString(u"Green"));
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks);
    std::vector<UINT> codes;
    for (UINT code : m_frame->m_codes)
        if (code == CBN_DROPDOWN || code == CBN_SELCHANGE || code == CBN_SELENDOK || code == CBN_CLOSEUP
            || code == CBN_SELENDCANCEL)
            codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<UINT> { CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP }));
}

TEST_F(ControlComboBoxTest, DestroyingAFocusedBoxGivesTheLockBack)
{
    const int locks = GetMouseManager()->GetLockCount();
    CJQWControlComboBox* combo = AddCombo({ u"Red" });
    combo->SetDropDown(TRUE);
    Layout();
    testkit::Click(Client(combo, 20, 8));
    Pump();
    ASSERT_TRUE(combo->IsFocused());
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks + 1);
    combo->GetEditCtrl()->DestroyWindow();
    EXPECT_EQ(GetMouseManager()->GetLockCount(), locks);
}

TEST_F(ControlComboBoxTest, ToolbarWithFieldsAndAnOpenList)
{
    CJQWControlEdit* edit = dynamic_cast<CJQWControlEdit*>(m_toolBar->GetControls()->Add(JQW_CONTROL_EDIT, 5000));
    ASSERT_NE(edit, nullptr);
    edit->SetEditHint(u"Width");
    edit->ShowSpinButtons(TRUE);
    edit->SetWidth(80);
    CJQWControlComboBox* combo = AddCombo({ u"JPEG", u"PNG", u"GIF", u"BMP" });
    combo->SetCurSel(1);
    Layout();
    m_toolBar->OpenControlPopup(combo->GetIndex());
    Pump();
    ASSERT_TRUE(combo->GetListBar()->IsVisible());
    const POINT gif = testkit::ClientPoint(combo->GetListBar()->GetListWindow(), 10,
        int(::SendMessageW(combo->GetListBar()->GetListWindow(), LB_GETITEMHEIGHT, 0, 0)) * 2 + 3);
    testkit::MoveTo(gif);
    Pump();
    ::UpdateWindow(combo->GetListBar()->GetListWindow());
    Pump();
    RECT area;
    m_frame->GetWindowRect(&area);
    area.bottom = area.top + 110;
    EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureScreenRect(area),
        std::string(VORNALT_TEST_DATA_DIR) + "/toolbar_fields_open_list.png"));
    m_toolBar->OpenControlPopup(-1);
    Pump();
}
