// The list view driven through injected input and real loops: selection with Shift and Ctrl,
// the parent's veto, drags, hit tests, auto-size and custom draw.

#include "CommonControlTestSupport.h"

#include "platform/user/ScrollBar.h"

#include <algorithm>

using namespace control_test;

namespace {

class ListViewTest : public CommonControlTest {
protected:
    // A report list at (10, 10), 300x200, with three columns 100, 80 and 60 wide and `rows` rows
    // ("row N", "N kB", "type N").
    HWND MakeList(int rows, DWORD style = 0, DWORD exStyle = 0)
    {
        HWND list = Make(WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | style, 10, 10, 300, 200, 50);
        SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(exStyle));
        const WCHAR* titles[] = { u"Name", u"Size", u"Type" };
        const int widths[] = { 100, 80, 60 };
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNW column {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.pszText = const_cast<WCHAR*>(titles[c]);
            column.cx = widths[c];
            EXPECT_EQ(SendMessage(list, LVM_INSERTCOLUMNW, c, LPARAM(&column)), c);
        }
        for (int i = 0; i < rows; ++i)
            AddRow(list, i);
        Pump();
        return list;
    }
    static void AddRow(HWND list, int i)
    {
        std::u16string name = u"row " + std::u16string(1, char16_t(u'0' + i % 10));
        LVITEMW item {};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = name.data();
        item.lParam = 1000 + i;
        item.iImage = i % 2;
        const int at = int(SendMessage(list, LVM_INSERTITEMW, 0, LPARAM(&item)));
        std::u16string size = std::u16string(1, char16_t(u'1' + i % 9)) + u" kB";
        std::u16string type = u"type " + std::u16string(1, char16_t(u'A' + i % 26));
        LVITEMW sub {};
        sub.iSubItem = 1;
        sub.pszText = size.data();
        SendMessage(list, LVM_SETITEMTEXTW, at, LPARAM(&sub));
        sub.iSubItem = 2;
        sub.pszText = type.data();
        SendMessage(list, LVM_SETITEMTEXTW, at, LPARAM(&sub));
    }
    static RECT ItemRect(HWND list, int item, int code)
    {
        RECT r {};
        r.left = code;
        SendMessage(list, LVM_GETITEMRECT, item, LPARAM(&r));
        return r;
    }
    static int HeaderHeight(HWND list)
    {
        RECT r;
        GetWindowRect(reinterpret_cast<HWND>(SendMessage(list, LVM_GETHEADER, 0, 0)), &r);
        return r.bottom - r.top;
    }
    static int RowMiddle(HWND list, int row)
    {
        const RECT r = ItemRect(list, 0, LVIR_BOUNDS);
        return r.top + (r.bottom - r.top) * row + (r.bottom - r.top) / 2;
    }
    static std::vector<int> Selected(HWND list)
    {
        std::vector<int> out;
        for (int i = int(SendMessage(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
             i = int(SendMessage(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
            out.push_back(i);
        return out;
    }
    static int Focused(HWND list) { return int(SendMessage(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }
};

TEST_F(ListViewTest, TheHeaderIsChildZeroAndCanBeSubclassed)
{
    HWND list = Make(WC_LISTVIEWW, LVS_REPORT, 10, 10, 300, 200, 50);
    HWND header = reinterpret_cast<HWND>(SendMessage(list, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    EXPECT_EQ(GetDlgItem(list, 0), header);
    EXPECT_EQ(GetWindow(list, GW_CHILD), header);
    EXPECT_EQ(ClassOf(header), std::u16string(WC_HEADERW));
    EXPECT_EQ(GetDlgCtrlID(header), 0);

    // A subclass of the header sees the column messages the list sends it.
    static int inserted;
    static WNDPROC original;
    inserted = 0;
    original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(header, GWLP_WNDPROC,
        LONG_PTR(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == HDM_INSERTITEMW)
                ++inserted;
            return CallWindowProcW(original, w, m, wp, lp);
        })));
    LVCOLUMNW column {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<WCHAR*>(u"Name");
    column.cx = 120;
    SendMessage(list, LVM_INSERTCOLUMNW, 0, LPARAM(&column));
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessage(list, LVM_GETCOLUMNWIDTH, 0, 0), 120);

    // The header's notifications reach the list's parent from the header, and a click on a
    // title becomes LVN_COLUMNCLICK.
    ClickAt(header, 40, 5);
    const std::vector<Note> clicks = NotesOf(HDN_ITEMCLICKW);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].from, header);
    const std::vector<Note> columns = NotesOf(LVN_COLUMNCLICK);
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0].As<NMLISTVIEW>().iSubItem, 0);
    EXPECT_EQ(columns[0].from, list);
    SetWindowLongPtrW(header, GWLP_WNDPROC, LONG_PTR(original));
    DestroyWindow(list);
}

TEST_F(ListViewTest, ItemRectanglesFollowTheColumnsAndTheRows)
{
    HWND list = MakeList(5);
    HIMAGELIST images = SquareImages({ RGB(200, 0, 0), RGB(0, 0, 200) });
    SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
    const int top = HeaderHeight(list);
    ASSERT_GT(top, 10);
    const RECT bounds = ItemRect(list, 0, LVIR_BOUNDS);
    const int height = bounds.bottom - bounds.top;
    EXPECT_GE(height, 17);
    struct Case {
        int item;
        int code;
        RECT expected;
    };
    const Case cases[] = {
        { 0, LVIR_BOUNDS, { 0, top, 240, top + height } },
        { 2, LVIR_BOUNDS, { 0, top + 2 * height, 240, top + 3 * height } },
        { 1, LVIR_ICON, { 2, top + height, 18, top + 2 * height } },
        { 1, LVIR_LABEL, { 18, top + height, 100, top + 2 * height } },
        { 1, LVIR_SELECTBOUNDS, { 2, top + height, 100, top + 2 * height } },
    };
    for (const Case& c : cases) {
        const RECT r = ItemRect(list, c.item, c.code);
        EXPECT_EQ(r, c.expected) << "item " << c.item << " code " << c.code;
    }
    RECT sub {};
    sub.top = 1;
    sub.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessage(list, LVM_GETSUBITEMRECT, 3, LPARAM(&sub)));
    EXPECT_EQ(sub, (RECT { 100, top + 3 * height, 180, top + 4 * height }));
    RECT none {};
    EXPECT_FALSE(SendMessage(list, LVM_GETITEMRECT, 5, LPARAM(&none)));

    // Reordering the columns moves the rectangles with them.
    int order[] = { 2, 0, 1 };
    ASSERT_TRUE(SendMessage(list, LVM_SETCOLUMNORDERARRAY, 3, LPARAM(order)));
    EXPECT_EQ(ItemRect(list, 0, LVIR_LABEL), (RECT { 78, top, 160, top + height }));
    int back[3] {};
    ASSERT_TRUE(SendMessage(list, LVM_GETCOLUMNORDERARRAY, 3, LPARAM(back)));
    EXPECT_EQ(std::vector<int>(back, back + 3), (std::vector<int> { 2, 0, 1 }));
    DestroyWindow(list);
    ImageList_Destroy(images);
}

TEST_F(ListViewTest, HitTestsNameTheItemTheCellAndThePart)
{
    HWND list = MakeList(4);
    HIMAGELIST images = SquareImages({ RGB(200, 0, 0) });
    SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
    const int top = HeaderHeight(list);
    const int y1 = RowMiddle(list, 1);
    const int below = RowMiddle(list, 6);
    struct Case {
        POINT pt;
        DWORD exStyle;
        int item;
        UINT flags;
        int subItemHit; // LVM_SUBITEMHITTEST's item
        int subItem;
    };
    const Case cases[] = {
        { { 10, y1 }, 0, 1, LVHT_ONITEMICON, 1, 0 },
        { { 50, y1 }, 0, 1, LVHT_ONITEMLABEL, 1, 0 },
        { { 150, y1 }, 0, -1, LVHT_NOWHERE, 1, 1 },
        { { 150, y1 }, LVS_EX_FULLROWSELECT, 1, LVHT_ONITEMLABEL, 1, 1 },
        { { 220, y1 }, 0, -1, LVHT_NOWHERE, 1, 2 },
        { { 270, y1 }, 0, -1, LVHT_NOWHERE, -1, -1 },
        { { 50, below }, 0, -1, LVHT_NOWHERE, -1, -1 },
        { { 50, top / 2 }, 0, -1, LVHT_NOWHERE, -1, -1 },
        { { 50, -5 }, 0, -1, LVHT_ABOVE, -1, -1 },
        { { 50, 500 }, 0, -1, LVHT_BELOW, -1, -1 },
        { { -3, y1 }, 0, -1, LVHT_TOLEFT, -1, -1 },
        { { 400, y1 }, 0, -1, LVHT_TORIGHT, -1, -1 },
    };
    for (const Case& c : cases) {
        SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LPARAM(c.exStyle));
        LVHITTESTINFO info {};
        info.pt = c.pt;
        EXPECT_EQ(SendMessage(list, LVM_HITTEST, 0, LPARAM(&info)), c.item) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.flags, c.flags) << c.pt.x << "," << c.pt.y;
        LVHITTESTINFO cell {};
        cell.pt = c.pt;
        EXPECT_EQ(SendMessage(list, LVM_SUBITEMHITTEST, 0, LPARAM(&cell)), c.subItemHit) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(cell.iSubItem, c.subItem) << c.pt.x << "," << c.pt.y;
    }
    DestroyWindow(list);
    ImageList_Destroy(images);
}

TEST_F(ListViewTest, ShiftAndCtrlClicksAndKeysSelectAsAUserExpects)
{
    HWND list = MakeList(6);
    struct Step {
        unsigned modifiers;
        int row;
        std::vector<int> selected;
    };
    const Step steps[] = {
        { testkit::None, 1, { 1 } },
        { testkit::Shift, 3, { 1, 2, 3 } },
        { testkit::Ctrl, 2, { 1, 3 } },
        { testkit::Ctrl | testkit::Shift, 4, { 1, 2, 3, 4 } }, // from the Ctrl-clicked row, adding
        { testkit::Shift, 0, { 0, 1, 2 } },                    // from the same anchor, replacing
        { testkit::None, 5, { 5 } },
    };
    for (const Step& step : steps) {
        ClickAt(list, 50, RowMiddle(list, step.row), step.modifiers);
        EXPECT_EQ(Selected(list), step.selected) << "click on row " << step.row;
        EXPECT_EQ(Focused(list), step.row);
    }
    EXPECT_EQ(GetFocus(), list);
    testkit::Key(VK_UP, testkit::Shift);
    testkit::Key(VK_UP, testkit::Shift);
    Pump();
    EXPECT_EQ(Selected(list), (std::vector<int> { 3, 4, 5 }));
    testkit::Key(VK_DOWN);
    Pump();
    EXPECT_EQ(Selected(list), (std::vector<int> { 4 }));
    testkit::Key(VK_HOME, testkit::Ctrl);
    testkit::Key(VK_SPACE, testkit::Ctrl);
    Pump();
    EXPECT_EQ(Selected(list), (std::vector<int> { 0, 4 }));
    EXPECT_EQ(SendMessage(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    // LVN_KEYDOWN comes first for every key (the modifiers too).
    std::vector<WORD> keys;
    for (const Note& n : NotesOf(LVN_KEYDOWN))
        if (n.As<NMLVKEYDOWN>().wVKey != VK_SHIFT && n.As<NMLVKEYDOWN>().wVKey != VK_CONTROL)
            keys.push_back(n.As<NMLVKEYDOWN>().wVKey);
    EXPECT_EQ(keys, (std::vector<WORD> { VK_UP, VK_UP, VK_DOWN, VK_HOME, VK_SPACE }));

    // A single-selection list ignores the modifiers.
    DestroyWindow(list);
    HWND single = MakeList(4, LVS_SINGLESEL);
    ClickAt(single, 50, RowMiddle(single, 0));
    ClickAt(single, 50, RowMiddle(single, 2), testkit::Shift);
    EXPECT_EQ(Selected(single), (std::vector<int> { 2 }));
    ClickAt(single, 50, RowMiddle(single, 3), testkit::Ctrl);
    EXPECT_EQ(Selected(single), (std::vector<int> { 3 }));
    DestroyWindow(single);
}

TEST_F(ListViewTest, TheParentsVetoOnItemChangingHolds)
{
    HWND list = MakeList(4);
    // Row 2 is a group row: it refuses to be selected.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != LVN_ITEMCHANGING)
            return std::nullopt;
        const auto* info = reinterpret_cast<NMLISTVIEW*>(header);
        const bool selecting = (info->uNewState & LVIS_SELECTED) && !(info->uOldState & LVIS_SELECTED);
        return info->iItem == 2 && info->uChanged == LVIF_STATE && selecting ? 1 : 0;
    };
    ClickAt(list, 50, RowMiddle(list, 1));
    EXPECT_EQ(Selected(list), (std::vector<int> { 1 }));
    ClickAt(list, 50, RowMiddle(list, 2));
    EXPECT_FALSE(SendMessage(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED));
    for (const Note& n : NotesOf(LVN_ITEMCHANGED)) {
        const auto& info = n.As<NMLISTVIEW>();
        EXPECT_FALSE(info.iItem == 2 && (info.uNewState & LVIS_SELECTED)) << "no change reported for a refused one";
    }
    LVITEMW state {};
    state.state = LVIS_SELECTED;
    state.stateMask = LVIS_SELECTED;
    SendMessage(list, LVM_SETITEMSTATE, 2, LPARAM(&state));
    EXPECT_FALSE(SendMessage(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED));
    // A range over it selects the others.
    ClickAt(list, 50, RowMiddle(list, 1));
    ClickAt(list, 50, RowMiddle(list, 3), testkit::Shift);
    EXPECT_EQ(Selected(list), (std::vector<int> { 1, 3 }));
    // Each report carries the old and new state and the item's data.
    const std::vector<Note> changes = NotesOf(LVN_ITEMCHANGING);
    ASSERT_FALSE(changes.empty());
    const auto& first = changes.front().As<NMLISTVIEW>();
    EXPECT_EQ(first.iItem, 1);
    EXPECT_EQ(first.lParam, 1001);
    EXPECT_EQ(first.uOldState, 0u);
    EXPECT_EQ(first.uNewState, LVIS_SELECTED | LVIS_FOCUSED);
    DestroyWindow(list);
}

TEST_F(ListViewTest, BeginDragComesOnlyPastTheDragDistance)
{
    HWND list = MakeList(5);
    const int y = RowMiddle(list, 1);
    const int drag = GetSystemMetrics(SM_CXDRAG);
    testkit::Press(testkit::ClientPoint(list, 50, y));
    Pump();
    testkit::MoveTo(testkit::ClientPoint(list, 50 + drag, y));
    Pump();
    EXPECT_TRUE(NotesOf(LVN_BEGINDRAG).empty()) << "still within the drag distance";
    testkit::MoveTo(testkit::ClientPoint(list, 50 + drag + 1, y));
    Pump();
    const std::vector<Note> drags = NotesOf(LVN_BEGINDRAG);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(drags[0].As<NMLISTVIEW>().iItem, 1);
    EXPECT_EQ(drags[0].As<NMLISTVIEW>().ptAction, (POINT { 50, y }));
    testkit::Release(testkit::ClientPoint(list, 50 + drag + 1, y));
    Pump();
    EXPECT_TRUE(NotesOf(NM_CLICK).empty()) << "a drag is not a click";
    EXPECT_EQ(GetCapture(), nullptr);
    Clock().Advance(1000);

    // Pressing on a member of a larger selection keeps the selection for the drag; a release
    // without a drag narrows it to that row, and is a click.
    ClickAt(list, 50, RowMiddle(list, 1));
    ClickAt(list, 50, RowMiddle(list, 3), testkit::Shift);
    m_notes.clear();
    testkit::Press(testkit::ClientPoint(list, 50, RowMiddle(list, 2)));
    Pump();
    EXPECT_EQ(Selected(list), (std::vector<int> { 1, 2, 3 }));
    testkit::MoveTo(testkit::ClientPoint(list, 50, RowMiddle(list, 2) + drag + 1));
    Pump();
    EXPECT_EQ(NotesOf(LVN_BEGINDRAG).size(), 1u);
    EXPECT_EQ(Selected(list), (std::vector<int> { 1, 2, 3 }));
    testkit::Release(testkit::ClientPoint(list, 50, RowMiddle(list, 2) + drag + 1));
    Pump();
    Clock().Advance(1000);
    ClickAt(list, 50, RowMiddle(list, 2));
    EXPECT_EQ(Selected(list), (std::vector<int> { 2 }));
    const std::vector<Note> clicks = NotesOf(NM_CLICK);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].As<NMITEMACTIVATE>().iItem, 2);

    // The right button gives LVN_BEGINRDRAG.
    testkit::Press(testkit::ClientPoint(list, 50, RowMiddle(list, 0)), testkit::Button::Right);
    Pump();
    testkit::MoveTo(testkit::ClientPoint(list, 50, RowMiddle(list, 0) + drag + 1));
    Pump();
    testkit::Release(testkit::ClientPoint(list, 50, RowMiddle(list, 0) + drag + 1), testkit::Button::Right);
    Pump();
    EXPECT_EQ(NotesOf(LVN_BEGINRDRAG).size(), 1u);
    DestroyWindow(list);
}

TEST_F(ListViewTest, AutoSizeFitsTheCellsTheTitleOrTheRestOfTheWidth)
{
    HWND list = MakeList(0);
    const WCHAR* sizes[] = { u"1 kB", u"123456789 bytes", u"12 kB" };
    for (int i = 0; i < 3; ++i) {
        AddRow(list, i);
        LVITEMW sub {};
        sub.iSubItem = 1;
        sub.pszText = const_cast<WCHAR*>(sizes[i]);
        SendMessage(list, LVM_SETITEMTEXTW, i, LPARAM(&sub));
    }
    const int widest = int(SendMessage(list, LVM_GETSTRINGWIDTHW, 0, LPARAM(u"123456789 bytes")));
    ASSERT_GT(widest, 40);
    ASSERT_TRUE(SendMessage(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(WORD(LVSCW_AUTOSIZE), 0)));
    EXPECT_EQ(SendMessage(list, LVM_GETCOLUMNWIDTH, 1, 0), widest + 12);

    // With the header, a title wider than the cells wins.
    LVCOLUMNW column {};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<WCHAR*>(u"A rather long title for types");
    SendMessage(list, LVM_SETCOLUMNW, 0, LPARAM(&column));
    const int title = int(SendMessage(list, LVM_GETSTRINGWIDTHW, 0, LPARAM(column.pszText)));
    ASSERT_TRUE(SendMessage(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(WORD(LVSCW_AUTOSIZE_USEHEADER), 0)));
    EXPECT_GE(SendMessage(list, LVM_GETCOLUMNWIDTH, 0, 0), title + 12);

    // The last column takes the rest of the width.
    ASSERT_TRUE(SendMessage(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(WORD(LVSCW_AUTOSIZE_USEHEADER), 0)));
    RECT client;
    GetClientRect(list, &client);
    RECT last {};
    last.top = 2;
    last.left = LVIR_BOUNDS;
    SendMessage(list, LVM_GETSUBITEMRECT, 0, LPARAM(&last));
    EXPECT_EQ(last.right, client.right);

    // A width change the parent refuses (HDN_ITEMCHANGING from the header) does not happen.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code == HDN_ITEMCHANGINGW)
            return 1;
        return std::nullopt;
    };
    const LRESULT before = SendMessage(list, LVM_GETCOLUMNWIDTH, 1, 0);
    EXPECT_FALSE(SendMessage(list, LVM_SETCOLUMNWIDTH, 1, 33));
    EXPECT_EQ(SendMessage(list, LVM_GETCOLUMNWIDTH, 1, 0), before);
    DestroyWindow(list);
}

TEST_F(ListViewTest, CustomDrawRunsTheFourStagesAndPaintsTheSubitemColours)
{
    HWND list = MakeList(2);
    const COLORREF cellColors[] = { RGB(250, 220, 220), RGB(220, 250, 220), RGB(220, 220, 250) };
    LVITEMW state {};
    state.state = LVIS_SELECTED;
    state.stateMask = LVIS_SELECTED;
    SendMessage(list, LVM_SETITEMSTATE, 1, LPARAM(&state));
    m_keepCustomDraw = true;
    std::vector<std::pair<DWORD, int>> stages;
    m_answer = [&](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != NM_CUSTOMDRAW || header->hwndFrom != list)
            return std::nullopt;
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        stages.emplace_back(draw->nmcd.dwDrawStage, draw->iSubItem);
        switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPREPAINT:
            // Row 1 is drawn in its cell colours although it is selected.
            draw->nmcd.uItemState &= ~CDIS_SELECTED;
            return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            draw->clrTextBk = cellColors[draw->iSubItem];
            draw->clrText = RGB(0, 0, 0);
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
        }
    };
    gdi_test::Surface surface(300, 200);
    PrintTree(list, surface);
    const std::vector<std::pair<DWORD, int>> expected = {
        { CDDS_PREPAINT, 0 },
        { CDDS_ITEMPREPAINT, 0 },
        { 0x30001, 0 },
        { 0x30001, 1 },
        { 0x30001, 2 },
        { CDDS_ITEMPOSTPAINT, 0 },
        { CDDS_ITEMPREPAINT, 0 },
        { 0x30001, 0 },
        { 0x30001, 1 },
        { 0x30001, 2 },
        { CDDS_ITEMPOSTPAINT, 0 },
        { CDDS_POSTPAINT, 0 },
    };
    EXPECT_EQ(stages, expected);
    // Each cell shows its colour at its right end (past the text).
    const int spans[][2] = { { 0, 100 }, { 100, 180 }, { 180, 240 } };
    for (int row = 0; row < 2; ++row)
        for (int c = 0; c < 3; ++c) {
            const int y = RowMiddle(list, row);
            EXPECT_EQ(surface.At(spans[c][1] - 3, y), cellColors[c]) << "row " << row << " column " << c;
            EXPECT_EQ(surface.At(spans[c][0] + 2, y - 3), cellColors[c]) << "row " << row << " column " << c;
        }
    EXPECT_EQ(surface.At(270, RowMiddle(list, 0)), GetSysColor(COLOR_WINDOW)) << "right of the columns";

    // Skipping the default drawing of an item leaves its row to the parent.
    stages.clear();
    m_answer = [&](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != NM_CUSTOMDRAW || header->hwndFrom != list)
            return std::nullopt;
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        stages.emplace_back(draw->nmcd.dwDrawStage, draw->iSubItem);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
            return CDRF_SKIPDEFAULT;
        return CDRF_DODEFAULT;
    };
    gdi_test::Surface blank(300, 200, RGB(1, 2, 3));
    PrintTree(list, blank);
    EXPECT_EQ(stages.size(), 3u);
    EXPECT_EQ(blank.At(spans[1][1] - 3, RowMiddle(list, 0)), GetSysColor(COLOR_WINDOW));
    DestroyWindow(list);
}

TEST_F(ListViewTest, ItemsInsertDeleteFindAndSort)
{
    HWND list = MakeList(4);
    EXPECT_EQ(NotesOf(LVN_INSERTITEM).size(), 4u);
    LVFINDINFOW find {};
    find.flags = LVFI_PARAM;
    find.lParam = 1002;
    EXPECT_EQ(SendMessage(list, LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)), 2);
    find.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
    find.psz = u"ROW 1";
    EXPECT_EQ(SendMessage(list, LVM_FINDITEMW, 2, LPARAM(&find)), 1) << "wraps round, case ignored";

    static auto descending = +[](LPARAM a, LPARAM b, LPARAM) { return int(b - a); };
    ASSERT_TRUE(SendMessage(list, LVM_SORTITEMS, 0, LPARAM(descending)));
    WCHAR text[32] {};
    LVITEMW item {};
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessage(list, LVM_GETITEMTEXTW, 0, LPARAM(&item));
    EXPECT_EQ(std::u16string(text), u"row 3");
    item.iSubItem = 2;
    SendMessage(list, LVM_GETITEMTEXTW, 3, LPARAM(&item));
    EXPECT_EQ(std::u16string(text), u"type A") << "subitems move with their rows";

    ASSERT_TRUE(SendMessage(list, LVM_DELETEITEM, 1, 0));
    const std::vector<Note> deleted = NotesOf(LVN_DELETEITEM);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].As<NMLISTVIEW>().lParam, 1002);
    EXPECT_EQ(SendMessage(list, LVM_GETITEMCOUNT, 0, 0), 3);

    // A parent that answers LVN_DELETEALLITEMS with TRUE hears of no single deletion.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        return header->code == LVN_DELETEALLITEMS ? std::optional<LRESULT>(TRUE) : std::nullopt;
    };
    m_notes.clear();
    ASSERT_TRUE(SendMessage(list, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(CodesAmong({ LVN_DELETEALLITEMS, LVN_DELETEITEM }), (std::vector<UINT> { LVN_DELETEALLITEMS }));
    EXPECT_EQ(SendMessage(list, LVM_GETITEMCOUNT, 0, 0), 0);
    DestroyWindow(list);
}

TEST_F(ListViewTest, LabelEditEndsWithEnterOrEsc)
{
    struct Case {
        int key;
        bool parentKeeps;
        std::u16string expected;
    };
    const Case cases[] = {
        { VK_RETURN, true, u"renamed" },
        { VK_RETURN, false, u"row 1" },
        { VK_ESCAPE, true, u"row 1" },
    };
    for (const Case& c : cases) {
        HWND list = MakeList(3, LVS_EDITLABELS);
        m_answer = [&](NMHDR* header) -> std::optional<LRESULT> {
            return header->code == LVN_ENDLABELEDITW ? std::optional<LRESULT>(c.parentKeeps) : std::nullopt;
        };
        // A second click on the label of the chosen row edits it once the double-click time is over.
        ClickAt(list, 50, RowMiddle(list, 1));
        testkit::Click(testkit::ClientPoint(list, 50, RowMiddle(list, 1)));
        Pump();
        EXPECT_EQ(SendMessage(list, LVM_GETEDITCONTROL, 0, 0), 0);
        Clock().Advance(GetDoubleClickTime());
        Pump();
        HWND edit = reinterpret_cast<HWND>(SendMessage(list, LVM_GETEDITCONTROL, 0, 0));
        ASSERT_TRUE(edit);
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_EQ(WindowText(edit), u"row 1");
        testkit::TypeText(u"renamed");
        testkit::Key(c.key);
        Pump();
        EXPECT_FALSE(IsWindow(edit));
        EXPECT_EQ(GetFocus(), list);
        WCHAR text[32] {};
        LVITEMW item {};
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessage(list, LVM_GETITEMTEXTW, 1, LPARAM(&item));
        EXPECT_EQ(std::u16string(text), c.expected);
        const std::vector<Note> ends = NotesOf(LVN_ENDLABELEDITW);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].As<NMLVDISPINFOW>().item.iItem, 1);
        EXPECT_EQ(ends[0].text.has_value(), c.key == VK_RETURN) << "a cancelled edit gives no text";
        m_answer = nullptr;
        DestroyWindow(list);
        m_notes.clear();
    }
}

TEST_F(ListViewTest, LabelEditCanBeRefusedAndEndsWhenItsRowGoes)
{
    HWND list = MakeList(3, LVS_EDITLABELS);
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        return header->code == LVN_BEGINLABELEDITW ? std::optional<LRESULT>(TRUE) : std::nullopt;
    };
    EXPECT_EQ(SendMessage(list, LVM_EDITLABELW, 0, 0), 0);
    EXPECT_EQ(NotesOf(LVN_BEGINLABELEDITW).size(), 1u);
    m_answer = nullptr;
    ClickAt(list, 50, RowMiddle(list, 2));
    testkit::Key(VK_F2);
    Pump();
    HWND edit = reinterpret_cast<HWND>(SendMessage(list, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_TRUE(edit);
    ASSERT_TRUE(SendMessage(list, LVM_DELETEITEM, 2, 0));
    EXPECT_FALSE(IsWindow(edit));
    const std::vector<Note> ends = NotesOf(LVN_ENDLABELEDITW);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_FALSE(ends[0].text.has_value());
    DestroyWindow(list);
}

TEST_F(ListViewTest, TheKeyboardScrollsTheFocusedRowIntoView)
{
    HWND list = MakeList(40);
    const int perPage = int(SendMessage(list, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(perPage, 3);
    ASSERT_LT(perPage, 40);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 39);
    EXPECT_EQ(info.nPage, UINT(perPage));
    ClickAt(list, 50, RowMiddle(list, 0));
    testkit::Key(VK_NEXT);
    Pump();
    EXPECT_EQ(Focused(list), perPage - 1) << "the first Page Down goes to the bottom of the page";
    EXPECT_EQ(SendMessage(list, LVM_GETTOPINDEX, 0, 0), 0);
    testkit::Key(VK_NEXT);
    Pump();
    EXPECT_EQ(Focused(list), 2 * perPage - 2);
    EXPECT_EQ(SendMessage(list, LVM_GETTOPINDEX, 0, 0), perPage - 1);
    testkit::Key(VK_END);
    Pump();
    EXPECT_EQ(Focused(list), 39);
    EXPECT_EQ(SendMessage(list, LVM_GETTOPINDEX, 0, 0), 40 - perPage);
    ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &info));
    EXPECT_EQ(info.nPos, 40 - perPage);
    // Rows above the top lie above the client area, and hit tests follow the scrolling.
    EXPECT_LT(ItemRect(list, 0, LVIR_BOUNDS).top, 0);
    LVHITTESTINFO hit {};
    const RECT top = ItemRect(list, 40 - perPage, LVIR_BOUNDS);
    EXPECT_EQ(top.top, HeaderHeight(list));
    hit.pt = POINT { 50, top.top + 2 };
    EXPECT_EQ(SendMessage(list, LVM_HITTEST, 0, LPARAM(&hit)), 40 - perPage);
    SendMessage(list, LVM_ENSUREVISIBLE, 3, FALSE);
    EXPECT_EQ(SendMessage(list, LVM_GETTOPINDEX, 0, 0), 3);
    SendMessage(list, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(SendMessage(list, LVM_GETTOPINDEX, 0, 0), 0);
    DestroyWindow(list);
}

TEST_F(ListViewTest, CallbackTextsAreAskedOfTheParent)
{
    HWND list = MakeList(0);
    LVITEMW item {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.lParam = 7;
    ASSERT_EQ(SendMessage(list, LVM_INSERTITEMW, 0, LPARAM(&item)), 0);
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != LVN_GETDISPINFOW)
            return std::nullopt;
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.iSubItem == 0) {
            const std::u16string text = u"asked " + std::u16string(1, char16_t(u'0' + info->item.lParam));
            std::copy(text.begin(), text.end(), info->item.pszText);
            info->item.pszText[text.size()] = 0;
        }
        return 0;
    };
    WCHAR text[32] {};
    LVITEMW get {};
    get.pszText = text;
    get.cchTextMax = 32;
    SendMessage(list, LVM_GETITEMTEXTW, 0, LPARAM(&get));
    EXPECT_EQ(std::u16string(text), u"asked 7");
    LVITEMW raw {};
    raw.mask = LVIF_TEXT;
    raw.pszText = text;
    raw.cchTextMax = 32;
    SendMessage(list, LVM_GETITEMW, 0, LPARAM(&raw));
    EXPECT_EQ(raw.pszText, LPSTR_TEXTCALLBACKW) << "LVM_GETITEM tells that the text is the parent's";
    LVFINDINFOW find {};
    find.flags = LVFI_STRING;
    find.psz = u"asked 7";
    EXPECT_EQ(SendMessage(list, LVM_FINDITEMW, WPARAM(-1), LPARAM(&find)), 0);
    DestroyWindow(list);
}

TEST_F(ListViewTest, CheckBoxesToggleByClickAndSpaceThroughTheParent)
{
    HWND list = MakeList(3, 0, LVS_EX_CHECKBOXES);
    EXPECT_EQ(SendMessage(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(1)));
    const RECT icon = ItemRect(list, 1, LVIR_ICON);
    ASSERT_EQ(icon.left, 2 + 16) << "the check box comes first";
    ClickAt(list, 8, RowMiddle(list, 1));
    EXPECT_EQ(SendMessage(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(2)));
    const std::vector<Note> changes = NotesOf(LVN_ITEMCHANGED);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().As<NMLISTVIEW>().uNewState & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(changes.back().As<NMLISTVIEW>().uOldState & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));
    // The parent may keep a box as it is.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != LVN_ITEMCHANGING)
            return std::nullopt;
        const auto* info = reinterpret_cast<NMLISTVIEW*>(header);
        return ((info->uNewState ^ info->uOldState) & LVIS_STATEIMAGEMASK) ? 1 : 0;
    };
    ClickAt(list, 50, RowMiddle(list, 1));
    testkit::Key(VK_SPACE);
    Pump();
    EXPECT_EQ(SendMessage(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(2)));
    m_answer = nullptr;
    testkit::Key(VK_SPACE);
    Pump();
    EXPECT_EQ(SendMessage(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(1)));
    DestroyWindow(list);
}

TEST_F(ListViewTest, GoldenReportView)
{
    HWND list = MakeList(6, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES);
    HIMAGELIST images = SquareImages({ RGB(200, 40, 40), RGB(40, 90, 200) });
    SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
    LVITEMW check {};
    check.state = INDEXTOSTATEIMAGEMASK(2);
    check.stateMask = LVIS_STATEIMAGEMASK;
    SendMessage(list, LVM_SETITEMSTATE, 0, LPARAM(&check));
    SendMessage(list, LVM_SETITEMSTATE, 3, LPARAM(&check));
    HWND header = reinterpret_cast<HWND>(SendMessage(list, LVM_GETHEADER, 0, 0));
    HDITEMW sort {};
    sort.mask = HDI_FORMAT;
    sort.fmt = HDF_STRING | HDF_SORTUP;
    SendMessage(header, HDM_SETITEMW, 0, LPARAM(&sort));
    ClickAt(list, 50, RowMiddle(list, 2));
    ClickAt(list, 50, RowMiddle(list, 4), testkit::Ctrl);
    gdi_test::Surface surface(300, 200);
    PrintTree(list, surface);
    KeepPicture(surface, "list_view");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "list_view"));
    DestroyWindow(list);
    ImageList_Destroy(images);
}

} // namespace
