#include "ControlTestSupport.h"

#include "platform/base/Clock.h"

using namespace control_test;

namespace {

class ListBoxTest : public ControlTest {
protected:
    HWND MakeList(DWORD style, std::initializer_list<const char16_t*> items, int height = 100)
    {
        HWND list = Make(WC_LISTBOXW, u"", style, 10, 10, 120, height, 20);
        for (const char16_t* item : items)
            SendMessage(list, LB_ADDSTRING, 0, LPARAM(item));
        return list;
    }
    static RECT ItemRect(HWND list, int index)
    {
        RECT r {};
        SendMessage(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
        return r;
    }
    static void ClickItem(HWND list, int index, WPARAM keys = 0)
    {
        const RECT r = ItemRect(list, index);
        SendMessage(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(WORD(r.left + 3), WORD(r.top + 2)));
        SendMessage(list, WM_LBUTTONUP, keys, MAKELPARAM(WORD(r.left + 3), WORD(r.top + 2)));
    }
    static std::vector<int> SelectedItems(HWND list)
    {
        std::vector<int> items(64);
        const LRESULT n = SendMessage(list, LB_GETSELITEMS, 64, LPARAM(items.data()));
        items.resize(size_t(std::max<LRESULT>(n, 0)));
        return items;
    }
};

struct FindCase {
    int start;
    const char16_t* text;
    bool exact;
    LRESULT found;
};

TEST_F(ListBoxTest, FindStringWrapsRoundFromTheStartIndex)
{
    HWND list = MakeList(0, { u"apple", u"banana", u"apricot", u"cherry", u"avocado" });
    const FindCase cases[] = {
        { -1, u"a", false, 0 },
        { 0, u"a", false, 2 },
        { 2, u"a", false, 4 },
        { 4, u"a", false, 0 }, // round from the top
        { 1, u"AP", false, 2 }, // without case
        { 3, u"ch", false, 3 }, // all the way round to the start itself
        { 0, u"zz", false, LB_ERR },
        { 99, u"b", false, 1 }, // a start out of range searches everything
        { -1, u"APPLE", true, 0 },
        { 0, u"apple", true, 0 },
        { -1, u"app", true, LB_ERR },
        { 3, u"", false, 4 }, // an empty prefix matches the next item
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(SendMessage(list, c.exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, WPARAM(c.start), LPARAM(c.text)),
            c.found)
            << "start " << c.start << " exact " << c.exact;
    }
    EXPECT_EQ(SendMessage(list, LB_SELECTSTRING, 1, LPARAM(u"a")), 2);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
}

TEST_F(ListBoxTest, ItemFromPointAnswersTheNearestItemAndWhetherThePointIsOutside)
{
    HWND list = MakeList(0, { u"one", u"two", u"three", u"four" }, 200);
    const int h = int(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(h, 0);
    struct Case {
        int x;
        int y;
        int index;
        int outside;
    };
    RECT client;
    GetClientRect(list, &client);
    const Case cases[] = {
        { 5, 0, 0, 0 },
        { 5, 2 * h + 1, 2, 0 },
        { 5, 4 * h - 1, 3, 0 },
        { 5, 4 * h + 5, 3, 1 }, // below the last item
        { int(client.right) + 5, h + 1, 1, 1 }, // right of the box
    };
    for (const Case& c : cases) {
        const LRESULT r = SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(WORD(c.x), WORD(c.y)));
        EXPECT_EQ(LOWORD(DWORD(r)), c.index) << c.x << "," << c.y;
        EXPECT_EQ(HIWORD(DWORD(r)), c.outside) << c.x << "," << c.y;
    }
    MoveWindow(list, 10, 10, 120, 2 * h, FALSE);
    SendMessage(list, LB_SETTOPINDEX, 1, 0);
    EXPECT_EQ(LOWORD(DWORD(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 1)))), 1);
    EXPECT_EQ(ItemRect(list, 0).top, -h);
}

TEST_F(ListBoxTest, OwnerDrawVariableHeightsAreMeasuredAndDrawnPerItem)
{
    TheRecorder().heights = { 10, 20, 30 };
    HWND list = MakeList(LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, { u"a", u"b", u"c", u"d" }, 90);
    ASSERT_EQ(TheRecorder().measured.size(), 4u);
    for (UINT i = 0; i < 4; ++i) {
        EXPECT_EQ(TheRecorder().measured[i].CtlType, ODT_LISTBOX);
        EXPECT_EQ(TheRecorder().measured[i].CtlID, 20u);
        EXPECT_EQ(TheRecorder().measured[i].itemID, i);
    }
    EXPECT_EQ(ItemRect(list, 1).top, 10);
    EXPECT_EQ(ItemRect(list, 2).top, 30);
    EXPECT_EQ(ItemRect(list, 2).bottom, 60);
    EXPECT_EQ(ItemRect(list, 3).bottom, 70);
    EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 2, 0), 30);
    EXPECT_EQ(LOWORD(DWORD(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 35)))), 2);
    SendMessage(list, LB_SETCURSEL, 1, 0);
    gdi_test::Surface surface(120, 90);
    TheRecorder().drawn.clear();
    Print(list, surface);
    ASSERT_EQ(TheRecorder().drawn.size(), 4u);
    for (UINT i = 0; i < 4; ++i) {
        const DRAWITEMSTRUCT& d = TheRecorder().drawn[i];
        EXPECT_EQ(d.CtlType, ODT_LISTBOX);
        EXPECT_EQ(d.itemID, i);
        EXPECT_EQ(d.hwndItem, list);
        EXPECT_EQ(d.rcItem.top, ItemRect(list, int(i)).top);
        EXPECT_EQ(d.rcItem.bottom - d.rcItem.top, LONG(TheRecorder().heights[i % 3]));
        EXPECT_EQ((d.itemState & ODS_SELECTED) != 0, i == 1);
        EXPECT_EQ(reinterpret_cast<const WCHAR*>(d.itemData), nullptr) << "item data, not the string";
    }
    // The selected item drawn by the owner in the highlight colour.
    EXPECT_EQ(surface.At(5, 15), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(surface.At(5, 35), GetSysColor(COLOR_WINDOW));
}

TEST_F(ListBoxTest, MultipleSelectionTogglesAndExtendedSelectionTakesRanges)
{
    HWND multi = MakeList(LBS_MULTIPLESEL | LBS_NOTIFY, { u"a", u"b", u"c", u"d", u"e" });
    ClickItem(multi, 1);
    ClickItem(multi, 3);
    EXPECT_EQ(SelectedItems(multi), (std::vector<int> { 1, 3 }));
    ClickItem(multi, 1);
    EXPECT_EQ(SelectedItems(multi), (std::vector<int> { 3 }));
    EXPECT_EQ(SendMessage(multi, LB_GETSELCOUNT, 0, 0), 1);
    EXPECT_EQ(Commands(), (std::vector<UINT> { LBN_SETFOCUS, LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE }));
    Key(multi, VK_DOWN);
    Key(multi, VK_SPACE);
    EXPECT_EQ(SelectedItems(multi), (std::vector<int> { 2, 3 })) << "Space toggles the item under the caret";
    SendMessage(multi, LB_SETSEL, TRUE, -1);
    EXPECT_EQ(SendMessage(multi, LB_GETSELCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessage(multi, LB_SETCURSEL, 1, 0), LB_ERR) << "not for multiple selection";

    HWND extended = MakeList(LBS_EXTENDEDSEL, { u"a", u"b", u"c", u"d", u"e" });
    ClickItem(extended, 1);
    ClickItem(extended, 3, MK_SHIFT);
    EXPECT_EQ(SelectedItems(extended), (std::vector<int> { 1, 2, 3 }));
    ClickItem(extended, 2, MK_CONTROL);
    EXPECT_EQ(SelectedItems(extended), (std::vector<int> { 1, 3 }));
    ClickItem(extended, 4);
    EXPECT_EQ(SelectedItems(extended), (std::vector<int> { 4 }));
    KeyDown(extended, VK_SHIFT);
    Key(extended, VK_UP);
    Key(extended, VK_UP);
    KeyUp(extended, VK_SHIFT);
    EXPECT_EQ(SelectedItems(extended), (std::vector<int> { 2, 3, 4 }));

    HWND single = MakeList(0, { u"a", u"b" });
    EXPECT_EQ(SendMessage(single, LB_GETSELCOUNT, 0, 0), LB_ERR);
}

TEST_F(ListBoxTest, KeysAndTypeAheadOnTheClock)
{
    ULONGLONG now = 5000;
    SetTickSourceForTesting([&] { return now; });
    HWND list = MakeList(LBS_NOTIFY | LBS_SORT, { u"cherry", u"banana", u"avocado", u"apple", u"blueberry" });
    // Sorted: apple, avocado, banana, blueberry, cherry.
    WCHAR text[32] {};
    SendMessage(list, LB_GETTEXT, 1, LPARAM(text));
    EXPECT_EQ(std::u16string(text), u"avocado");
    SetFocus(list);
    Events().clear();
    Key(list, VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);
    Key(list, VK_END);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(Commands(), (std::vector<UINT> { LBN_SELCHANGE, LBN_SELCHANGE }));
    Type(list, u"av");
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1) << "\"av\" typed quickly";
    now += 2000;
    Type(list, u"b");
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2) << "a pause starts a new prefix";
    now += 100;
    Type(list, u"b");
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3) << "the same letter again steps to the next match";
    SetTickSourceForTesting(nullptr);
}

TEST_F(ListBoxTest, DeletingItemsTellsTheOwnerOfOwnerDrawnOnes)
{
    std::vector<UINT> deleted;
    TheRecorder().handler = [&](HWND, UINT m, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (m == WM_DELETEITEM)
            deleted.push_back(reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->itemID);
        return std::nullopt;
    };
    HWND list = Make(WC_LISTBOXW, u"", LBS_OWNERDRAWFIXED, 0, 0, 100, 100, 21);
    for (LPARAM data : { 11, 22, 33 })
        SendMessage(list, LB_ADDSTRING, 0, data);
    EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 1, 0), 22);
    EXPECT_EQ(SendMessage(list, LB_FINDSTRING, WPARAM(-1), 33), 2) << "without strings the data is compared";
    EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 1, 0), 2);
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(deleted, (std::vector<UINT> { 1, 0, 1 }));
    TheRecorder().handler = nullptr;
}

// ---- Combo box ----------------------------------------------------------------------------------

class ComboTest : public ControlTest {
protected:
    HWND MakeCombo(DWORD style)
    {
        HWND combo = Make(WC_COMBOBOXW, u"", style | WS_VSCROLL, 10, 10, 150, 150, 30);
        for (const char16_t* item : { u"Small", u"Medium", u"Large", u"Huge" })
            SendMessage(combo, CB_ADDSTRING, 0, LPARAM(item));
        return combo;
    }
    // Events limited to the combo box's notifications.
    static std::vector<UINT> ComboNotes()
    {
        std::vector<UINT> out;
        for (const Event& e : Events())
            if (e.message == WM_COMMAND && e.id == 30 && e.code != CBN_SETFOCUS && e.code != CBN_KILLFOCUS)
                out.push_back(e.code);
        return out;
    }
    static RECT ListItemRect(HWND list, int index)
    {
        RECT r {};
        SendMessage(list, LB_GETITEMRECT, WPARAM(index), LPARAM(&r));
        return r;
    }
};

TEST_F(ComboTest, AClickOnAnItemNotifiesInThePlatformsOrder)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    RECT r;
    GetWindowRect(combo, &r);
    EXPECT_LT(r.bottom - r.top, 30) << "the window is the selection field's height";
    Events().clear();
    Press(combo, 20, 5);
    HWND list = GetCapture();
    ASSERT_TRUE(list);
    WCHAR name[16] {};
    GetClassNameW(list, name, 16);
    EXPECT_EQ(std::u16string(name), u"ComboLBox");
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(ComboNotes(), std::vector<UINT> { CBN_DROPDOWN });
    // The release of the opening click lands outside the list: it stays open.
    Release(list, 20, -10);
    EXPECT_TRUE(IsWindowVisible(list));
    const RECT item = ListItemRect(list, 2);
    Move(list, 5, item.top + 2, false);
    Press(list, 5, item.top + 2);
    Release(list, 5, item.top + 2);
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP }));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(combo), u"Large");
}

TEST_F(ComboTest, EscapeAndAClickOutsideCancel)
{
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    SetFocus(combo);
    Events().clear();
    Key(combo, VK_F4);
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    Key(combo, VK_ESCAPE);
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP }));

    // Alt+Down opens; the pointer passes over an item; a click outside keeps the old choice.
    Events().clear();
    SendMessage(combo, WM_SYSKEYDOWN, VK_DOWN, LPARAM(0x20000001));
    HWND list = GetCapture();
    ASSERT_TRUE(list);
    const RECT item = ListItemRect(list, 3);
    Move(list, 5, item.top + 2, false);
    Press(list, -20, -20);
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP }));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);

    // Keys on a closed box change the choice at once.
    Events().clear();
    Key(combo, VK_DOWN);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(ComboNotes(), std::vector<UINT> { CBN_SELCHANGE });
    Type(combo, u"h");
    EXPECT_EQ(Text(combo), u"Huge");
    // Enter in an open list accepts the keyboard's choice.
    Events().clear();
    Key(combo, VK_F4);
    Key(combo, VK_UP);
    Key(combo, VK_RETURN);
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP }));
    EXPECT_EQ(Text(combo), u"Large");
}

TEST_F(ComboTest, ADropDownBoxHasAnEditWithId1001)
{
    HWND combo = MakeCombo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
    HWND edit = GetDlgItem(combo, 1001);
    ASSERT_TRUE(edit);
    WCHAR name[16] {};
    GetClassNameW(edit, name, 16);
    EXPECT_EQ(std::u16string(name), u"Edit");
    SetFocus(combo);
    EXPECT_EQ(GetFocus(), edit);
    Events().clear();
    Type(edit, u"Me");
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE }));
    EXPECT_EQ(Text(combo), u"Me");
    EXPECT_EQ(SendMessage(combo, CB_FINDSTRING, WPARAM(-1), LPARAM(u"me")), 1);
    // F4 in the edit opens the list; Down and Enter choose; the edit shows the choice.
    Events().clear();
    Key(edit, VK_F4);
    Key(edit, VK_DOWN);
    Key(edit, VK_RETURN);
    EXPECT_EQ(ComboNotes(), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP }));
    EXPECT_EQ(Text(combo), u"Small");
    Events().clear();
    SendMessage(combo, CB_SETCURSEL, 3, 0);
    EXPECT_EQ(Text(edit), u"Huge");
    EXPECT_TRUE(ComboNotes().empty()) << "the program's choice is not reported";
    SendMessage(combo, CB_LIMITTEXT, 5, 0);
    EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT, 0, 0), 5);
}

} // namespace

namespace {

TEST_F(ComboTest, OwnerDrawnItemsAreDescribedAsTheComboBoxs)
{
    TheRecorder().heights = { 18 };
    HWND combo = Make(WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10, 150, 150, 30);
    ASSERT_FALSE(TheRecorder().measured.empty());
    EXPECT_EQ(TheRecorder().measured[0].CtlType, ODT_COMBOBOX);
    EXPECT_EQ(TheRecorder().measured[0].CtlID, 30u);
    for (const char16_t* item : { u"Red", u"Green" })
        SendMessage(combo, CB_ADDSTRING, 0, LPARAM(item));
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    gdi_test::Surface surface(150, 30);
    TheRecorder().drawn.clear();
    Print(combo, surface);
    ASSERT_EQ(TheRecorder().drawn.size(), 1u);
    EXPECT_EQ(TheRecorder().drawn[0].CtlType, ODT_COMBOBOX);
    EXPECT_EQ(TheRecorder().drawn[0].hwndItem, combo);
    EXPECT_EQ(TheRecorder().drawn[0].itemID, 1u);
    EXPECT_TRUE(TheRecorder().drawn[0].itemState & ODS_COMBOBOXEDIT);
    // The open list draws its items for the combo box too.
    SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = GetCapture();
    ASSERT_TRUE(list);
    TheRecorder().drawn.clear();
    gdi_test::Surface listSurface(150, 60);
    Print(list, listSurface);
    ASSERT_EQ(TheRecorder().drawn.size(), 2u);
    EXPECT_EQ(TheRecorder().drawn[1].CtlType, ODT_COMBOBOX);
    EXPECT_EQ(TheRecorder().drawn[1].CtlID, 30u);
    EXPECT_EQ(TheRecorder().drawn[1].hwndItem, combo);
    EXPECT_EQ(TheRecorder().drawn[1].rcItem.bottom - TheRecorder().drawn[1].rcItem.top, 18);
    EXPECT_TRUE(TheRecorder().drawn[1].itemState & ODS_SELECTED);
    SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace

namespace {

TEST_F(ComboTest, ASimpleBoxShowsItsListBelowTheEdit)
{
    HWND combo = Make(WC_COMBOBOXW, u"", CBS_SIMPLE, 10, 10, 150, 120, 30);
    for (const char16_t* item : { u"Small", u"Medium", u"Large" })
        SendMessage(combo, CB_ADDSTRING, 0, LPARAM(item));
    RECT r;
    GetWindowRect(combo, &r);
    EXPECT_EQ(r.bottom - r.top, 120) << "the box keeps its height";
    HWND edit = GetDlgItem(combo, 1001);
    ASSERT_TRUE(edit);
    HWND list = GetWindow(combo, GW_CHILD);
    while (list == edit)
        list = GetWindow(list, GW_HWNDNEXT);
    ASSERT_TRUE(list);
    EXPECT_TRUE(IsWindowVisible(list));
    SetFocus(edit);
    Events().clear();
    RECT item {};
    SendMessage(list, LB_GETITEMRECT, 1, LPARAM(&item));
    Click(list, 5, item.top + 2);
    EXPECT_EQ(ComboNotes(), std::vector<UINT> { CBN_SELCHANGE });
    EXPECT_EQ(Text(combo), u"Medium");
    EXPECT_EQ(GetFocus(), edit);
    Key(edit, VK_F4);
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0)) << "nothing to drop";
}

} // namespace
