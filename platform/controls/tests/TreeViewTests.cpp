// The tree view driven through injected input and real loops: selection and its veto and action
// codes, expanding with the parent's consent, label editing, hit codes and custom draw.

#include "CommonControlTestSupport.h"

#include "platform/user/ScrollBar.h"

using namespace control_test;

namespace {

constexpr DWORD kTreeStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS;

class TreeViewTest : public CommonControlTest {
protected:
    // Image actions (Resize, Sharpen), File action (Save file), Post-process (Upload (Retry)),
    // all collapsed, at (10, 10), 250x200.
    void MakeTree(DWORD style = kTreeStyle)
    {
        m_tree = Make(WC_TREEVIEWW, style, 10, 10, 250, 200, 60);
        m_a = Insert(TVI_ROOT, u"Image actions", 1);
        m_a1 = Insert(m_a, u"Resize", 11);
        m_a2 = Insert(m_a, u"Sharpen", 12);
        m_b = Insert(TVI_ROOT, u"File action", 2);
        m_b1 = Insert(m_b, u"Save file", 21);
        m_c = Insert(TVI_ROOT, u"Post-process", 3);
        m_c1 = Insert(m_c, u"Upload", 31);
        m_c1a = Insert(m_c1, u"Retry", 311);
        Pump();
        m_notes.clear();
    }
    HTREEITEM Insert(HTREEITEM parent, const WCHAR* text, LPARAM data)
    {
        TVINSERTSTRUCTW insert {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = const_cast<WCHAR*>(text);
        insert.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(SendMessage(m_tree, TVM_INSERTITEMW, 0, LPARAM(&insert)));
    }
    RECT Rect(HTREEITEM item, bool textOnly = true) const
    {
        RECT r {};
        TreeItemIntoRect(&r, item);
        EXPECT_TRUE(SendMessage(m_tree, TVM_GETITEMRECT, textOnly, LPARAM(&r)));
        return r;
    }
    POINT LabelPoint(HTREEITEM item) const
    {
        const RECT r = Rect(item);
        return POINT { r.left + 4, (r.top + r.bottom) / 2 };
    }
    void ClickLabel(HTREEITEM item, unsigned modifiers = testkit::None)
    {
        const POINT p = LabelPoint(item);
        ClickAt(m_tree, p.x, p.y, modifiers);
    }
    HTREEITEM Caret() const { return reinterpret_cast<HTREEITEM>(SendMessage(m_tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); }
    UINT State(HTREEITEM item, UINT mask) const { return UINT(SendMessage(m_tree, TVM_GETITEMSTATE, WPARAM(item), mask)); }
    std::u16string TextOf(HTREEITEM item) const
    {
        WCHAR buffer[64] {};
        TVITEMW tv {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = buffer;
        tv.cchTextMax = 64;
        SendMessage(m_tree, TVM_GETITEMW, 0, LPARAM(&tv));
        return buffer;
    }
    void Expand(HTREEITEM item, UINT code = TVE_EXPAND) { SendMessage(m_tree, TVM_EXPAND, code, LPARAM(item)); }

    HWND m_tree = nullptr;
    HTREEITEM m_a = nullptr, m_a1 = nullptr, m_a2 = nullptr, m_b = nullptr, m_b1 = nullptr, m_c = nullptr, m_c1 = nullptr,
              m_c1a = nullptr;
};

TEST_F(TreeViewTest, SelectionCarriesItsActionCodeAndTheParentCanRefuseIt)
{
    MakeTree();
    ClickLabel(m_a);
    EXPECT_EQ(Caret(), m_a);
    EXPECT_TRUE(State(m_a, TVIS_SELECTED));
    EXPECT_EQ(GetFocus(), m_tree);
    Expand(m_a);
    testkit::Key(VK_DOWN);
    Pump();
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_b));
    const std::vector<Note> changed = NotesOf(TVN_SELCHANGEDW);
    ASSERT_EQ(changed.size(), 3u);
    struct Expected {
        UINT action;
        HTREEITEM from;
        HTREEITEM to;
    };
    const Expected expected[] = { { TVC_BYMOUSE, nullptr, m_a }, { TVC_BYKEYBOARD, m_a, m_a1 }, { TVC_UNKNOWN, m_a1, m_b } };
    for (size_t i = 0; i < changed.size(); ++i) {
        const auto& info = changed[i].As<NMTREEVIEWW>();
        EXPECT_EQ(info.action, expected[i].action) << i;
        EXPECT_EQ(info.itemOld.hItem, expected[i].from) << i;
        EXPECT_EQ(info.itemNew.hItem, expected[i].to) << i;
        EXPECT_TRUE(info.itemNew.state & TVIS_SELECTED) << "the record shows the new caret selected";
    }
    EXPECT_EQ(changed[1].As<NMTREEVIEWW>().itemNew.lParam, 11);
    // Moving the caret moves the selection with it.
    EXPECT_FALSE(State(m_a, TVIS_SELECTED));
    EXPECT_FALSE(State(m_a1, TVIS_SELECTED));
    EXPECT_TRUE(State(m_b, TVIS_SELECTED));
    EXPECT_EQ(NotesOf(TVN_SELCHANGINGW).size(), 3u);

    // The parent refuses the post-process group.
    m_answer = [this](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != TVN_SELCHANGINGW)
            return std::nullopt;
        return reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem == m_c ? 1 : 0;
    };
    m_notes.clear();
    ClickLabel(m_c);
    EXPECT_EQ(Caret(), m_b);
    EXPECT_FALSE(State(m_c, TVIS_SELECTED));
    EXPECT_TRUE(State(m_b, TVIS_SELECTED));
    testkit::Key(VK_END);
    Pump();
    EXPECT_EQ(Caret(), m_b);
    EXPECT_FALSE(SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_c)));
    EXPECT_EQ(NotesOf(TVN_SELCHANGINGW).size(), 3u);
    EXPECT_TRUE(NotesOf(TVN_SELCHANGEDW).empty());
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, ExpandingAndCollapsingAskTheParentFirst)
{
    MakeTree();
    const RECT row = Rect(m_a, false);
    const int middle = (row.top + row.bottom) / 2;
    ClickAt(m_tree, 9, middle); // the button
    EXPECT_TRUE(State(m_a, TVIS_EXPANDED));
    EXPECT_EQ(CodesAmong({ TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW }),
        (std::vector<UINT> { TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW }));
    EXPECT_EQ(NotesOf(TVN_ITEMEXPANDINGW)[0].As<NMTREEVIEWW>().action, TVE_EXPAND);
    EXPECT_EQ(NotesOf(TVN_ITEMEXPANDINGW)[0].As<NMTREEVIEWW>().itemNew.hItem, m_a);
    EXPECT_EQ(SendMessage(m_tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, LPARAM(m_a)), LRESULT(m_a1));
    EXPECT_EQ(Caret(), nullptr) << "the button does not select";

    // A refused collapse leaves it open.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != TVN_ITEMEXPANDINGW)
            return std::nullopt;
        return reinterpret_cast<NMTREEVIEWW*>(header)->action == TVE_COLLAPSE ? 1 : 0;
    };
    m_notes.clear();
    ClickAt(m_tree, 9, middle);
    EXPECT_TRUE(State(m_a, TVIS_EXPANDED));
    EXPECT_EQ(CodesAmong({ TVN_ITEMEXPANDINGW, TVN_ITEMEXPANDEDW }), (std::vector<UINT> { TVN_ITEMEXPANDINGW }));
    EXPECT_FALSE(SendMessage(m_tree, TVM_EXPAND, TVE_COLLAPSE, LPARAM(m_a)));
    m_answer = nullptr;

    // Keys: Left goes to the parent, then collapses it; Right expands, then goes to the child.
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_a2));
    SetFocus(m_tree);
    testkit::Key(VK_LEFT);
    Pump();
    EXPECT_EQ(Caret(), m_a);
    testkit::Key(VK_LEFT);
    Pump();
    EXPECT_FALSE(State(m_a, TVIS_EXPANDED));
    testkit::Key(VK_RIGHT);
    testkit::Key(VK_RIGHT);
    Pump();
    EXPECT_TRUE(State(m_a, TVIS_EXPANDED));
    EXPECT_EQ(Caret(), m_a1);

    // Collapsing over the caret brings the caret up to the collapsed item.
    Expand(m_a, TVE_COLLAPSE);
    EXPECT_EQ(Caret(), m_a);
    EXPECT_TRUE(State(m_a, TVIS_SELECTED));
    // An item without children does not expand and says nothing.
    m_notes.clear();
    EXPECT_FALSE(SendMessage(m_tree, TVM_EXPAND, TVE_EXPAND, LPARAM(m_b1)));
    EXPECT_TRUE(NotesOf(TVN_ITEMEXPANDINGW).empty());
    // Selecting a hidden item opens its parents.
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_c1a));
    EXPECT_TRUE(State(m_c, TVIS_EXPANDED));
    EXPECT_TRUE(State(m_c1, TVIS_EXPANDED));
    // A double click on a label toggles it.
    const POINT p = LabelPoint(m_b);
    testkit::DoubleClick(testkit::ClientPoint(m_tree, p.x, p.y));
    Pump();
    EXPECT_TRUE(State(m_b, TVIS_EXPANDED));
    EXPECT_EQ(NotesOf(NM_DBLCLK).size(), 1u);
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, LabelEditEndsWithEnterOrEsc)
{
    struct Case {
        int key;
        bool parentKeeps;
        std::u16string expected;
    };
    const Case cases[] = {
        { VK_RETURN, true, u"Scale" },
        { VK_RETURN, false, u"Resize" },
        { VK_ESCAPE, true, u"Resize" },
    };
    for (const Case& c : cases) {
        MakeTree();
        Expand(m_a);
        m_answer = [&](NMHDR* header) -> std::optional<LRESULT> {
            return header->code == TVN_ENDLABELEDITW ? std::optional<LRESULT>(c.parentKeeps) : std::nullopt;
        };
        HWND edit = reinterpret_cast<HWND>(SendMessage(m_tree, TVM_EDITLABELW, 0, LPARAM(m_a1)));
        ASSERT_TRUE(edit);
        Pump();
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_EQ(SendMessage(m_tree, TVM_GETEDITCONTROL, 0, 0), LRESULT(edit));
        EXPECT_EQ(WindowText(edit), u"Resize");
        testkit::TypeText(u"Scale");
        testkit::Key(c.key);
        Pump();
        EXPECT_FALSE(IsWindow(edit)) << "the edit box goes";
        EXPECT_EQ(SendMessage(m_tree, TVM_GETEDITCONTROL, 0, 0), 0);
        EXPECT_EQ(GetFocus(), m_tree);
        EXPECT_EQ(TextOf(m_a1), c.expected);
        const std::vector<Note> ends = NotesOf(TVN_ENDLABELEDITW);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].As<NMTVDISPINFOW>().item.hItem, m_a1);
        if (c.key == VK_ESCAPE)
            EXPECT_FALSE(ends[0].text.has_value()) << "a cancelled edit gives no text";
        else
            EXPECT_EQ(ends[0].text.value_or(u"?"), u"Scale");
        EXPECT_EQ(NotesOf(TVN_BEGINLABELEDITW).size(), 1u);
        m_answer = nullptr;
        DestroyWindow(m_tree);
        m_notes.clear();
    }
}

TEST_F(TreeViewTest, LabelEditStartsOnASecondClickAndTheParentMayRefuseIt)
{
    MakeTree();
    ClickLabel(m_b);
    ASSERT_EQ(Caret(), m_b);
    const POINT p = LabelPoint(m_b);
    testkit::Click(testkit::ClientPoint(m_tree, p.x, p.y));
    Pump();
    EXPECT_EQ(SendMessage(m_tree, TVM_GETEDITCONTROL, 0, 0), 0) << "not before the double-click time";
    Clock().Advance(GetDoubleClickTime());
    Pump();
    HWND edit = reinterpret_cast<HWND>(SendMessage(m_tree, TVM_GETEDITCONTROL, 0, 0));
    ASSERT_TRUE(edit);
    // Leaving the box keeps what it holds (when the parent agrees).
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        return header->code == TVN_ENDLABELEDITW ? std::optional<LRESULT>(TRUE) : std::nullopt;
    };
    EXPECT_EQ(GetFocus(), edit);
    testkit::TypeText(u"Export");
    Pump();
    EXPECT_EQ(WindowText(edit), u"Export");
    SetFocus(m_parent);
    Pump();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(TextOf(m_b), u"Export");

    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        return header->code == TVN_BEGINLABELEDITW ? std::optional<LRESULT>(TRUE) : std::nullopt;
    };
    EXPECT_EQ(SendMessage(m_tree, TVM_EDITLABELW, 0, LPARAM(m_c)), 0);
    EXPECT_EQ(SendMessage(m_tree, TVM_GETEDITCONTROL, 0, 0), 0);
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, HitTestsNameThePartUnderThePoint)
{
    MakeTree();
    HIMAGELIST images = SquareImages({ RGB(200, 0, 0) });
    SendMessage(m_tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
    Expand(m_a);
    ASSERT_EQ(SendMessage(m_tree, TVM_GETINDENT, 0, 0), 19);
    const RECT a = Rect(m_a, false);
    const int row0 = (a.top + a.bottom) / 2;
    const int row1 = row0 + (a.bottom - a.top);
    const RECT label = Rect(m_a);
    EXPECT_EQ(label.left, 19 + 16 + 3) << "after the indent of the root column, the icon and a gap";
    struct Case {
        POINT pt;
        UINT flags;
        HTREEITEM item;
    };
    const Case cases[] = {
        { { 9, row0 }, TVHT_ONITEMBUTTON, m_a },
        { { 25, row0 }, TVHT_ONITEMICON, m_a },
        { { label.left + 3, row0 }, TVHT_ONITEMLABEL, m_a },
        { { 240, row0 }, TVHT_ONITEMRIGHT, m_a },
        { { 5, row1 }, TVHT_ONITEMINDENT, m_a1 },
        { { 28, row1 }, TVHT_ONITEMINDENT, m_a1 }, // no children: no button
        { { 45, row1 }, TVHT_ONITEMICON, m_a1 },
        { { 60, row1 }, TVHT_ONITEMLABEL, m_a1 },
        { { 60, 190 }, TVHT_NOWHERE, nullptr },
        { { 60, -3 }, TVHT_ABOVE, nullptr },
        { { 60, 400 }, TVHT_BELOW, nullptr },
        { { -2, row0 }, TVHT_TOLEFT, nullptr },
        { { 300, row0 }, TVHT_TORIGHT, nullptr },
    };
    for (const Case& c : cases) {
        TVHITTESTINFO info {};
        info.pt = c.pt;
        EXPECT_EQ(SendMessage(m_tree, TVM_HITTEST, 0, LPARAM(&info)), LRESULT(c.item)) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.flags, c.flags) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.hItem, c.item);
    }
    DestroyWindow(m_tree);
    ImageList_Destroy(images);
}

TEST_F(TreeViewTest, CustomDrawColoursArePainted)
{
    MakeTree();
    Expand(m_a);
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_a2));
    m_keepCustomDraw = true;
    const COLORREF green = RGB(0, 128, 0);
    m_answer = [&](NMHDR* header) -> std::optional<LRESULT> {
        if (header->code != NM_CUSTOMDRAW)
            return std::nullopt;
        auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(header);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            if (draw->nmcd.dwItemSpec == DWORD_PTR(m_b) || draw->nmcd.dwItemSpec == DWORD_PTR(m_a2)) {
                draw->clrText = RGB(255, 255, 255);
                draw->clrTextBk = green;
            }
            return CDRF_NOTIFYPOSTPAINT;
        }
        return CDRF_DODEFAULT;
    };
    gdi_test::Surface surface(250, 200);
    PrintTree(m_tree, surface);
    std::vector<DWORD> stages;
    for (const Note& n : NotesOf(NM_CUSTOMDRAW))
        stages.push_back(n.As<NMTVCUSTOMDRAW>().nmcd.dwDrawStage);
    std::vector<DWORD> expected { CDDS_PREPAINT };
    for (int i = 0; i < 5; ++i) {
        expected.push_back(CDDS_ITEMPREPAINT);
        expected.push_back(CDDS_ITEMPOSTPAINT);
    }
    expected.push_back(CDDS_POSTPAINT);
    EXPECT_EQ(stages, expected);
    const std::vector<Note> notes = NotesOf(NM_CUSTOMDRAW);
    EXPECT_EQ(notes[3].As<NMTVCUSTOMDRAW>().iLevel, 1) << "Resize is one level down";
    EXPECT_EQ(notes[5].As<NMTVCUSTOMDRAW>().nmcd.uItemState & CDIS_SELECTED, CDIS_SELECTED) << "Sharpen is the caret";
    for (HTREEITEM item : { m_b, m_a2 }) {
        const RECT r = Rect(item);
        EXPECT_EQ(surface.At(r.right - 1, r.top + 1), green);
        EXPECT_EQ(surface.At(r.left, r.bottom - 1), green);
    }
    const RECT plain = Rect(m_c);
    EXPECT_EQ(surface.At(plain.right - 1, plain.top + 1), GetSysColor(COLOR_WINDOW));
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, BeginDragPastTheDragDistanceLeavesTheSelection)
{
    for (const DWORD style : { kTreeStyle, kTreeStyle | TVS_DISABLEDRAGDROP }) {
        MakeTree(style);
        const POINT p = LabelPoint(m_b);
        const int drag = GetSystemMetrics(SM_CYDRAG);
        testkit::Press(testkit::ClientPoint(m_tree, p.x, p.y));
        testkit::MoveTo(testkit::ClientPoint(m_tree, p.x, p.y + drag));
        Pump();
        EXPECT_TRUE(NotesOf(TVN_BEGINDRAGW).empty());
        testkit::MoveTo(testkit::ClientPoint(m_tree, p.x, p.y + drag + 1));
        testkit::Release(testkit::ClientPoint(m_tree, p.x, p.y + drag + 1));
        Pump();
        const std::vector<Note> drags = NotesOf(TVN_BEGINDRAGW);
        if (style & TVS_DISABLEDRAGDROP) {
            EXPECT_TRUE(drags.empty());
        } else {
            ASSERT_EQ(drags.size(), 1u);
            EXPECT_EQ(drags[0].As<NMTREEVIEWW>().itemNew.hItem, m_b);
            EXPECT_EQ(drags[0].As<NMTREEVIEWW>().itemNew.lParam, 2);
            EXPECT_EQ(drags[0].As<NMTREEVIEWW>().ptDrag, p);
        }
        EXPECT_EQ(Caret(), nullptr) << "a drag does not select";
        EXPECT_TRUE(NotesOf(NM_CLICK).empty());
        DestroyWindow(m_tree);
        m_notes.clear();
        Clock().Advance(1000);
    }
}

TEST_F(TreeViewTest, DeletingAnnouncesChildrenFirstAndMovesTheCaret)
{
    MakeTree();
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_c));
    m_notes.clear();
    ASSERT_TRUE(SendMessage(m_tree, TVM_DELETEITEM, 0, LPARAM(m_c)));
    std::vector<LPARAM> gone;
    for (const Note& n : NotesOf(TVN_DELETEITEMW))
        gone.push_back(n.As<NMTREEVIEWW>().itemOld.lParam);
    EXPECT_EQ(gone, (std::vector<LPARAM> { 311, 31, 3 }));
    EXPECT_EQ(Caret(), m_b) << "the previous sibling takes the caret";
    EXPECT_EQ(SendMessage(m_tree, TVM_GETCOUNT, 0, 0), 5);
    // A deleted handle is refused, not followed.
    EXPECT_FALSE(SendMessage(m_tree, TVM_DELETEITEM, 0, LPARAM(m_c1a)));
    EXPECT_EQ(SendMessage(m_tree, TVM_GETITEMSTATE, WPARAM(m_c), TVIS_SELECTED), 0);
    // A caret deep inside a deleted branch moves once, to the branch's neighbour.
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_a2));
    m_notes.clear();
    ASSERT_TRUE(SendMessage(m_tree, TVM_DELETEITEM, 0, LPARAM(m_a)));
    const std::vector<Note> moves = NotesOf(TVN_SELCHANGEDW);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].As<NMTREEVIEWW>().itemNew.hItem, m_b);
    EXPECT_EQ(moves[0].As<NMTREEVIEWW>().action, TVC_UNKNOWN);
    ASSERT_TRUE(SendMessage(m_tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT)));
    EXPECT_EQ(SendMessage(m_tree, TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Caret(), nullptr);
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, SingleExpandKeepsOneBranchOpen)
{
    MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SINGLEEXPAND);
    ClickLabel(m_a);
    EXPECT_TRUE(State(m_a, TVIS_EXPANDED));
    ClickLabel(m_a1);
    EXPECT_TRUE(State(m_a, TVIS_EXPANDED)) << "the new caret lies inside the open branch";
    ClickLabel(m_c);
    EXPECT_TRUE(State(m_c, TVIS_EXPANDED));
    ClickLabel(m_c1);
    EXPECT_TRUE(State(m_c1, TVIS_EXPANDED));
    ClickLabel(m_b);
    EXPECT_TRUE(State(m_b, TVIS_EXPANDED));
    EXPECT_FALSE(State(m_c1, TVIS_EXPANDED)) << "the branch chosen before closes";
    ClickLabel(m_b);
    EXPECT_FALSE(State(m_b, TVIS_EXPANDED)) << "chosen again, it toggles";
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, CheckBoxesToggleByClickAndSpace)
{
    MakeTree(kTreeStyle | TVS_CHECKBOXES);
    EXPECT_EQ(State(m_a, TVIS_STATEIMAGEMASK), 1u << 12) << "items start with an empty box";
    const RECT label = Rect(m_b);
    const int middle = (label.top + label.bottom) / 2;
    ClickAt(m_tree, label.left - 8, middle);
    EXPECT_EQ(State(m_b, TVIS_STATEIMAGEMASK), 2u << 12);
    TVHITTESTINFO info {};
    info.pt = POINT { label.left - 8, middle };
    SendMessage(m_tree, TVM_HITTEST, 0, LPARAM(&info));
    EXPECT_EQ(info.flags, TVHT_ONITEMSTATEICON);
    SendMessage(m_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(m_b));
    SetFocus(m_tree);
    testkit::Key(VK_SPACE);
    Pump();
    EXPECT_EQ(State(m_b, TVIS_STATEIMAGEMASK), 1u << 12);
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, TypingFindsTheNextVisibleItemByItsFirstLetters)
{
    MakeTree();
    Expand(m_a);
    SetFocus(m_tree);
    struct Step {
        std::u16string typed;
        ULONGLONG pauseAfter;
        HTREEITEM caret;
    };
    const Step steps[] = {
        { u"s", 0, m_a2 },       // Sharpen, the first visible item starting with s
        { u"s", 0, m_a2 },       // Save file is hidden, so the same letter comes round to Sharpen
        { u"", 2000, m_a2 },
        { u"po", 2000, m_c },
        { u"r", 0, m_a1 },
    };
    for (const Step& step : steps) {
        if (!step.typed.empty())
            testkit::TypeText(step.typed);
        Pump();
        EXPECT_EQ(Caret(), step.caret) << std::string(step.typed.begin(), step.typed.end());
        Clock().Advance(step.pauseAfter);
    }
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, ALabelWiderThanTheTreeScrollsSideways)
{
    MakeTree();
    Expand(m_c);
    Expand(m_c1);
    TVITEMW tv {};
    tv.mask = TVIF_HANDLE | TVIF_TEXT;
    tv.hItem = m_c1a;
    tv.pszText = const_cast<WCHAR*>(u"Retry the upload three times, waiting a minute between the attempts");
    SendMessage(m_tree, TVM_SETITEMW, 0, LPARAM(&tv));
    const RECT before = Rect(m_c1a);
    ASSERT_GT(before.right, 250);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(GetScrollInfo(m_tree, SB_HORZ, &info));
    EXPECT_EQ(info.nMax, before.right - 1);
    RECT client;
    GetClientRect(m_tree, &client);
    EXPECT_EQ(info.nPage, UINT(client.right));
    SendMessage(m_tree, WM_HSCROLL, SB_RIGHT, 0);
    const RECT after = Rect(m_c1a);
    EXPECT_EQ(after.right, client.right) << "scrolled to the end of the widest label";
    EXPECT_EQ(after.left, before.left - (before.right - client.right));
    TVHITTESTINFO hit {};
    hit.pt = POINT { 5, (after.top + after.bottom) / 2 }; // the label begins left of the tree now
    EXPECT_EQ(SendMessage(m_tree, TVM_HITTEST, 0, LPARAM(&hit)), LRESULT(m_c1a));
    EXPECT_EQ(hit.flags, TVHT_ONITEMLABEL);
    // Shortening the label takes the scrolling back.
    tv.pszText = const_cast<WCHAR*>(u"Retry");
    SendMessage(m_tree, TVM_SETITEMW, 0, LPARAM(&tv));
    EXPECT_EQ(Rect(m_c1a).left, before.left);
    DestroyWindow(m_tree);
}

TEST_F(TreeViewTest, GoldenTreeView)
{
    MakeTree();
    HIMAGELIST images = SquareImages({ RGB(220, 160, 40), RGB(40, 130, 60), RGB(40, 90, 200) });
    SendMessage(m_tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
    for (HTREEITEM item : { m_a1, m_a2, m_b1, m_c1, m_c1a }) {
        TVITEMW tv {};
        tv.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tv.hItem = item;
        tv.iImage = tv.iSelectedImage = item == m_b1 ? 1 : 2;
        SendMessage(m_tree, TVM_SETITEMW, 0, LPARAM(&tv));
    }
    TVITEMW bold {};
    bold.mask = TVIF_HANDLE | TVIF_STATE;
    bold.hItem = m_c;
    bold.state = TVIS_BOLD;
    bold.stateMask = TVIS_BOLD;
    SendMessage(m_tree, TVM_SETITEMW, 0, LPARAM(&bold));
    Expand(m_a);
    Expand(m_c);
    Expand(m_c1);
    ClickLabel(m_a2);
    gdi_test::Surface surface(250, 200);
    PrintTree(m_tree, surface);
    KeepPicture(surface, "tree_view");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "tree_view"));
    DestroyWindow(m_tree);
    ImageList_Destroy(images);
}

} // namespace
