#include "toolkit/controls/TreeCtrl.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "toolkit/drawing/ColorManager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

class Parent : public CWnd {
public:
    Parent()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Trees", WS_POPUP | WS_VISIBLE,
                 10, 10, 320, 260, nullptr, nullptr);
    }
    ~Parent() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        codes.push_back(header->code);
        if (header->code == TVN_SELCHANGINGW && vetoSelection) {
            *result = TRUE;
            return TRUE;
        }
        return CWnd::OnNotify(wParam, lParam, result);
    }
    int Count(UINT code) const { return int(std::count(codes.begin(), codes.end(), code)); }
    std::vector<UINT> codes;
    bool vetoSelection = false;
};

class TreeTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        parent = std::make_unique<Parent>();
        tree = std::make_unique<CJQTreeCtrl>();
        ASSERT_TRUE(tree->Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
            { 0, 0, 300, 240 }, parent.get(), 100));
        for (const char16_t* name : { u"a", u"b", u"c", u"d", u"e", u"f" })
            items.push_back(tree->InsertItem(name));
        tree->EnableMultiSelect(TRUE);
        Pump();
    }
    void TearDown() override
    {
        tree.reset();
        parent.reset();
        DesktopTest::TearDown();
    }
    POINT OnLabel(HTREEITEM item) const
    {
        CRect label;
        EXPECT_TRUE(tree->GetItemRect(item, &label, TRUE));
        return testkit::ClientPoint(tree->m_hWnd, label.left + 2, label.CenterPoint().y);
    }
    void ClickWith(HTREEITEM item, unsigned modifiers, testkit::Button button = testkit::Button::Left)
    {
        if (modifiers & testkit::Shift)
            testkit::KeyDown(VK_SHIFT);
        if (modifiers & testkit::Ctrl)
            testkit::KeyDown(VK_CONTROL);
        testkit::Click(OnLabel(item), button);
        if (modifiers & testkit::Ctrl)
            testkit::KeyUp(VK_CONTROL);
        if (modifiers & testkit::Shift)
            testkit::KeyUp(VK_SHIFT);
        Pump();
    }
    // The selected labels in visible order, e.g. "bcd".
    std::string Selected() const
    {
        std::string names;
        for (HTREEITEM item = tree->GetFirstSelectedItem(); item; item = tree->GetNextSelectedItem(item))
            names += char(tree->GetItemText(item)[0]);
        return names;
    }
    std::string CaretName() const
    {
        HTREEITEM caret = tree->GetSelectedItem();
        return caret ? std::string(1, char(tree->GetItemText(caret)[0])) : std::string();
    }

    std::unique_ptr<Parent> parent;
    std::unique_ptr<CJQTreeCtrl> tree;
    std::vector<HTREEITEM> items;
};

struct ClickStep {
    int item;
    unsigned modifiers;
};
struct ClickCase {
    const char* name;
    std::vector<ClickStep> steps;
    const char* selected;
    const char* caret;
};

TEST_F(TreeTest, ClicksWithShiftAndCtrlBuildTheSelection)
{
    using testkit::Ctrl;
    using testkit::Shift;
    const ClickCase cases[] = {
        { "a plain click selects one item", { { 2, 0 } }, "c", "c" },
        { "Shift extends from the item clicked before", { { 1, 0 }, { 3, Shift } }, "bcd", "d" },
        { "Shift again keeps the first anchor", { { 1, 0 }, { 3, Shift }, { 0, Shift } }, "ab", "a" },
        { "Ctrl adds and removes single items", { { 1, 0 }, { 3, Ctrl }, { 4, Ctrl }, { 1, Ctrl } }, "de", "b" },
        { "Ctrl+Shift adds a range to what is there", { { 0, 0 }, { 4, Ctrl }, { 2, Ctrl | Shift } }, "acde", "c" },
        { "Shift without anchor or caret runs to the last item", { { 2, Shift } }, "cdef", "c" },
        { "the next Shift click takes that item as anchor", { { 2, Shift }, { 4, Shift } }, "cde", "e" },
        { "a plain press and release on a selection reduces it", { { 0, 0 }, { 2, Shift }, { 1, 0 } }, "b", "b" },
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        tree.reset();
        items.clear();
        SetUp();
        for (const ClickStep& step : c.steps)
            ClickWith(items[size_t(step.item)], step.modifiers);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(CaretName(), c.caret);
        EXPECT_GE(parent->Count(NM_CLICK), 1);
    }
}

TEST_F(TreeTest, PressingOnASelectionAndDraggingKeepsItAndStartsADrag)
{
    ClickWith(items[0], 0);
    ClickWith(items[2], testkit::Shift);
    ASSERT_EQ(Selected(), "abc");
    const POINT from = OnLabel(items[1]);
    testkit::Drag(from, { from.x + 20, from.y + 30 });
    Pump();
    EXPECT_EQ(Selected(), "abc");
    EXPECT_EQ(CaretName(), "b");
    EXPECT_EQ(parent->Count(TVN_BEGINDRAGW), 1);
}

TEST_F(TreeTest, ARefusedSelectionChangeLeavesTheItemUnselected)
{
    parent->vetoSelection = true;
    EXPECT_FALSE(tree->SetItemStateEx(items[3], TVIS_SELECTED, TVIS_SELECTED));
    EXPECT_FALSE(tree->IsSelected(items[3]));
    EXPECT_EQ(parent->Count(TVN_SELCHANGEDW), 0);
    parent->vetoSelection = false;
    EXPECT_TRUE(tree->SetItemStateEx(items[3], TVIS_SELECTED, TVIS_SELECTED));
    EXPECT_TRUE(tree->IsSelected(items[3]));
    EXPECT_EQ(parent->Count(TVN_SELCHANGEDW), 1);
}

TEST_F(TreeTest, ShiftArrowsExtendAndPlainArrowsCollapseTheSelection)
{
    ClickWith(items[1], 0);
    testkit::Key(VK_DOWN, testkit::Shift);
    testkit::Key(VK_DOWN, testkit::Shift);
    Pump();
    EXPECT_EQ(Selected(), "bcd");
    testkit::Key(VK_UP, testkit::Shift);
    Pump();
    EXPECT_EQ(Selected(), "bc");
    testkit::Key(VK_DOWN);
    Pump();
    EXPECT_EQ(Selected(), "d");
    EXPECT_EQ(CaretName(), "d");
}

TEST_F(TreeTest, ARubberBandWithCtrlTogglesWhatItCoversAndRestoresWhatItLeaves)
{
    ClickWith(items[0], 0);
    ClickWith(items[1], testkit::Ctrl);
    ASSERT_EQ(Selected(), "ab");
    CRect a, c;
    tree->GetItemRect(items[0], &a, TRUE);
    tree->GetItemRect(items[2], &c, TRUE);
    // From empty space right of the labels, across a..c, then back up to a only.
    const POINT start = testkit::ClientPoint(tree->m_hWnd, 200, a.top + 2);
    testkit::KeyDown(VK_CONTROL);
    testkit::Press(start);
    testkit::MoveTo(testkit::ClientPoint(tree->m_hWnd, a.left + 2, c.bottom - 2), 3);
    testkit::Release(testkit::ClientPoint(tree->m_hWnd, a.left + 2, c.bottom - 2));
    testkit::KeyUp(VK_CONTROL);
    Pump();
    EXPECT_EQ(Selected(), "c");

    // A plain click on empty space clears everything.
    testkit::Click(testkit::ClientPoint(tree->m_hWnd, 200, 200));
    Pump();
    EXPECT_EQ(Selected(), "");
}

TEST_F(TreeTest, CollapsingANodeWhoseChildIsTheCaretMovesTheCaretToIt)
{
    HTREEITEM child = tree->InsertItem(u"x", items[0]);
    tree->Expand(items[0], TVE_EXPAND);
    Pump();
    ClickWith(child, 0);
    ClickWith(items[3], testkit::Ctrl);
    ASSERT_EQ(Selected(), "xd");
    tree->FocusOrClearCaret(child);
    tree->Expand(items[0], TVE_COLLAPSE);
    Pump();
    EXPECT_FALSE(tree->IsSelected(child));
    EXPECT_EQ(CaretName(), "a");
    EXPECT_EQ(Selected(), "d");
}

TEST_F(TreeTest, SwitchingMultiSelectOffKeepsOnlyTheCaret)
{
    ClickWith(items[1], 0);
    ClickWith(items[3], testkit::Shift);
    ASSERT_EQ(Selected(), "bcd");
    EXPECT_TRUE(tree->EnableMultiSelect(FALSE));
    EXPECT_EQ(Selected(), "d");
}

struct FindCase {
    const char16_t* text;
    BOOL matchCase;
    BOOL wholeWord;
    const char16_t* found; // null: nothing
};

TEST_F(TreeTest, SearchFindsWholeWordsWithDigitsAsBoundaries)
{
    tree->DeleteAllItems();
    for (const char16_t* name : { u"action", u"act-1", u"2act", u"my_act", u"React", u"Act now" })
        tree->InsertItem(name);
    const FindCase cases[] = {
        { u"act", FALSE, TRUE, u"act-1" },
        { u"act", FALSE, FALSE, u"action" },
        { u"ACT", TRUE, TRUE, nullptr },
        { u"Act", TRUE, TRUE, u"Act now" },
        { u"react", FALSE, TRUE, u"React" },
        { u"", FALSE, FALSE, nullptr },
        { u"zzz", FALSE, FALSE, nullptr },
    };
    HTREEITEM root = tree->GetRootItem();
    for (const FindCase& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        HTREEITEM found = tree->FindItemByText(c.text, c.matchCase, TRUE, c.wholeWord, root);
        if (!c.found) {
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(tree->GetItemText(found), c.found);
        }
    }
    // Whole words after the start, wrapping round, in both directions.
    HTREEITEM act1 = tree->FindItemByText(u"act", FALSE, TRUE, TRUE, root);
    HTREEITEM twoAct = tree->FindItemByText(u"act", FALSE, TRUE, TRUE, tree->GetNextSiblingItem(act1));
    EXPECT_EQ(tree->GetItemText(twoAct), u"2act");
    HTREEITEM up = tree->FindItemByText(u"act", FALSE, FALSE, TRUE, root);
    EXPECT_EQ(tree->GetItemText(up), u"Act now");
}

TEST_F(TreeTest, ChildSearchLooksIntoChildrenFirst)
{
    HTREEITEM inner = tree->InsertItem(u"b act", items[1]);
    HTREEITEM deeper = tree->InsertItem(u"act", inner);
    EXPECT_EQ(tree->FindChildItemByText(u"act", FALSE, TRUE, nullptr), deeper);
    EXPECT_EQ(tree->FindChildItemByText(u"act", FALSE, TRUE, items[2]), nullptr);
}

TEST_F(TreeTest, TheLabelHighlightCoversExactlyTheTreesLabelRectangle)
{
    tree->SetFocus();
    ClickWith(items[1], 0);
    ::UpdateWindow(tree->m_hWnd);
    CRect label;
    ASSERT_TRUE(tree->GetItemRect(items[1], &label, TRUE));
    const testkit::Capture shot = testkit::CaptureClient(tree->m_hWnd);
    const COLORREF highlight = GetColorManager()->GetColor(COLOR_HIGHLIGHT);
    const COLORREF window = GetColorManager()->GetColor(COLOR_WINDOW);
    // Inside the label, one pixel in from each edge (the focus frame lies on the edge itself).
    EXPECT_EQ(shot.ColorAt(label.left + 1, label.top + 1), highlight);
    EXPECT_EQ(shot.ColorAt(label.right - 2, label.bottom - 2), highlight);
    // Just outside it, the tree's background.
    EXPECT_EQ(shot.ColorAt(label.right, label.CenterPoint().y), window);
    EXPECT_EQ(shot.ColorAt(label.left - 1, label.CenterPoint().y), window);
    EXPECT_EQ(shot.ColorAt(label.left + 1, label.bottom), window);
}

int CountColour(const testkit::Capture& shot, const CRect& area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            count += shot.ColorAt(x, y) == colour;
    return count;
}

// Red text, anti-aliased over any background without blue.
int CountReddish(const testkit::Capture& shot, const CRect& area)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = shot.ColorAt(x, y);
            count += GetRValue(c) > 128 && GetBValue(c) < 64;
        }
    return count;
}

TEST_F(TreeTest, AnItemsOwnColoursShowOnlyWhileItIsNotHighlighted)
{
    tree->SetItemText(items[2], u"Coloured");
    tree->SetItemColor(items[2], RGB(255, 0, 0));
    tree->SetItemBackColor(items[2], RGB(0, 255, 0));
    EXPECT_EQ(tree->GetItemColor(items[2]), RGB(255, 0, 0));
    EXPECT_EQ(tree->GetItemColor(items[3]), COLORREF(-1));
    ::UpdateWindow(tree->m_hWnd);
    CRect label;
    tree->GetItemRect(items[2], &label, TRUE);
    label.right += 40;
    testkit::Capture shot = testkit::CaptureClient(tree->m_hWnd);
    EXPECT_GT(CountReddish(shot, label), 5);
    EXPECT_GT(CountColour(shot, label, RGB(0, 255, 0)), 20);

    tree->SetFocus();
    ClickWith(items[2], 0);
    EXPECT_EQ(Selected(), "C");
    ::UpdateWindow(tree->m_hWnd);
    shot = testkit::CaptureClient(tree->m_hWnd);
    CRect inside; // the focus frame on the label's edge is drawn by inverting
    tree->GetItemRect(items[2], &inside, TRUE);
    inside.DeflateRect(1, 1);
    EXPECT_EQ(CountReddish(shot, inside), 0);
    EXPECT_EQ(CountColour(shot, label, RGB(0, 255, 0)), 0);

    // Deleting the item drops its record.
    tree->DeleteItem(items[2]);
    EXPECT_EQ(tree->GetItemColor(items[2]), COLORREF(-1));
}

TEST_F(TreeTest, TheLabelBeingEditedIsPaintedInTheBackgroundOnly)
{
    tree->ModifyStyle(0, TVS_EDITLABELS);
    tree->SetItemText(items[1], u"Editing");
    tree->SetFocus();
    ClickWith(items[1], 0);
    ASSERT_TRUE(tree->SendMessage(TVM_EDITLABELW, 0, LPARAM(items[1])));
    Pump();
    EXPECT_EQ(tree->GetEditItem(), items[1]);
    HWND edit = tree->GetEditControl();
    ASSERT_NE(edit, nullptr);
    // The tree's own paint under the edit box, drawn into a bitmap of ours.
    CRect client;
    tree->GetClientRect(&client);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.Width(), client.Height());
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    CDC dc;
    dc.Attach(memory);
    tree->OnCustomDraw(&dc);
    dc.Detach();
    CRect label;
    tree->GetItemRect(items[1], &label, TRUE);
    const COLORREF window = GetColorManager()->GetColor(COLOR_WINDOW);
    int other = 0;
    for (int y = label.top; y < label.bottom; ++y)
        for (int x = label.left; x < label.right; ++x)
            other += ::GetPixel(memory, x, y) != window;
    EXPECT_EQ(other, 0);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

TEST_F(TreeTest, ADisabledTreePaintsFaceColourAndGreyText)
{
    tree->SetItemText(items[0], u"Disabled");
    tree->EnableWindow(FALSE);
    ::UpdateWindow(tree->m_hWnd);
    CRect label;
    tree->GetItemRect(items[0], &label, TRUE);
    const testkit::Capture shot = testkit::CaptureClient(tree->m_hWnd);
    const COLORREF face = GetColorManager()->GetColor(COLOR_BTNFACE);
    EXPECT_EQ(shot.ColorAt(250, 200), face);
    EXPECT_GT(CountColour(shot, label, GetColorManager()->GetColor(COLOR_GRAYTEXT)), 3);
}

TEST_F(TreeTest, HotTrackingEndsWhenTheMouseLeavesThroughTheFrame)
{
    tree->ModifyStyle(0, TVS_TRACKSELECT);
    testkit::MoveTo(OnLabel(items[2]));
    Pump();
    EXPECT_EQ(tree->GetHotItem(), items[2]);
    tree->SendMessage(WM_NCMOUSEMOVE, HTBORDER, 0);
    EXPECT_EQ(tree->GetHotItem(), nullptr);
}

}

namespace {

// As in a dialog: the tree view exists first and the class takes it over.
TEST_F(TreeTest, ASubclassedTreeSelectsWithTheRightButtonAsWell)
{
    HWND raw = ::CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE | TVS_SHOWSELALWAYS, 0, 0, 300, 240,
        parent->m_hWnd, reinterpret_cast<HMENU>(101), nullptr, nullptr);
    tree.reset();
    tree = std::make_unique<CJQTreeCtrl>();
    ASSERT_TRUE(tree->SubclassWindow(raw));
    items.clear();
    for (const char16_t* name : { u"a", u"b", u"c", u"d" })
        items.push_back(tree->InsertItem(name));
    tree->EnableMultiSelect(TRUE);
    Pump();

    ClickWith(items[0], 0);
    ClickWith(items[2], testkit::Shift);
    ASSERT_EQ(Selected(), "abc");
    // A right click inside the selection keeps it; on another item it selects that one alone.
    ClickWith(items[1], 0, testkit::Button::Right);
    EXPECT_EQ(Selected(), "abc");
    ClickWith(items[3], 0, testkit::Button::Right);
    EXPECT_EQ(Selected(), "d");
    // Off the items, everything goes.
    testkit::Click(testkit::ClientPoint(tree->m_hWnd, 250, 200), testkit::Button::Right);
    Pump();
    EXPECT_EQ(Selected(), "");

    // Deleting an item reaches both the tree (its style record goes) and the parent.
    tree->SetItemColor(items[1], RGB(1, 2, 3));
    tree->DeleteItem(items[1]);
    EXPECT_EQ(tree->GetItemColor(items[1]), COLORREF(-1));
    EXPECT_GE(parent->Count(TVN_DELETEITEMW), 1);
}

}

namespace {

// A loop that gives windows their pre-translation, as the program's loops do.
void PumpWithPreTranslation(HWND top)
{
    MSG msg;
    for (int i = 0; i < 10000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (CWnd::WalkPreTranslateTree(top, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

TEST_F(TreeTest, EnterTogglesTheCaretItemsExpansion)
{
    tree->InsertItem(u"x", items[1]);
    ClickWith(items[1], 0);
    ASSERT_FALSE(tree->GetItemState(items[1], TVIS_EXPANDED) & TVIS_EXPANDED);
    testkit::Key(VK_RETURN);
    PumpWithPreTranslation(parent->m_hWnd);
    EXPECT_TRUE(tree->GetItemState(items[1], TVIS_EXPANDED) & TVIS_EXPANDED);
    testkit::Key(VK_RETURN);
    PumpWithPreTranslation(parent->m_hWnd);
    EXPECT_FALSE(tree->GetItemState(items[1], TVIS_EXPANDED) & TVIS_EXPANDED);
}

}

namespace {

TEST_F(TreeTest, HotTrackingEndsOnTheNextTickAfterTheMouseLeftTheTree)
{
    tree->ModifyStyle(0, TVS_TRACKSELECT);
    testkit::MoveTo(OnLabel(items[1]));
    Pump();
    ASSERT_EQ(tree->GetHotItem(), items[1]);
    testkit::MoveTo({ 600, 600 }); // far off the tree, where no window of ours is
    Pump();
    EXPECT_EQ(tree->GetHotItem(), items[1]);
    Clock().Advance(60);
    Pump();
    EXPECT_EQ(tree->GetHotItem(), nullptr);
}

}
