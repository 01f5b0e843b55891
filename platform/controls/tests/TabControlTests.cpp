// The tab control: the parent's veto on a change of tab, the display rectangle it gives, rows of
// tabs and the keyboard.

#include "CommonControlTestSupport.h"

using namespace control_test;

namespace {

class TabControlTest : public CommonControlTest {
protected:
    HWND MakeTabs(std::vector<const WCHAR*> titles, DWORD style = 0, int width = 300)
    {
        HWND tabs = Make(WC_TABCONTROLW, style, 10, 10, width, 150, 80);
        for (size_t i = 0; i < titles.size(); ++i) {
            TCITEMW item {};
            item.mask = TCIF_TEXT | TCIF_PARAM;
            item.pszText = const_cast<WCHAR*>(titles[i]);
            item.lParam = LPARAM(100 + i);
            EXPECT_EQ(SendMessage(tabs, TCM_INSERTITEMW, i, LPARAM(&item)), LRESULT(i));
        }
        Pump();
        m_notes.clear();
        return tabs;
    }
    static RECT TabRect(HWND tabs, int index)
    {
        RECT r {};
        EXPECT_TRUE(SendMessage(tabs, TCM_GETITEMRECT, index, LPARAM(&r)));
        return r;
    }
    void ClickTab(HWND tabs, int index)
    {
        const RECT r = TabRect(tabs, index);
        ClickAt(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

TEST_F(TabControlTest, TheParentCanRefuseAChangeOfTab)
{
    HWND tabs = MakeTabs({ u"General", u"Output", u"Advanced" });
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);
    ClickTab(tabs, 1);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(CodesAmong({ TCN_SELCHANGING, TCN_SELCHANGE }), (std::vector<UINT> { TCN_SELCHANGING, TCN_SELCHANGE }));
    EXPECT_EQ(GetFocus(), tabs);

    // A page that does not let go keeps its tab, by mouse and by keyboard.
    m_answer = [](NMHDR* header) -> std::optional<LRESULT> {
        return header->code == TCN_SELCHANGING ? std::optional<LRESULT>(TRUE) : std::nullopt;
    };
    m_notes.clear();
    ClickTab(tabs, 2);
    testkit::Key(VK_RIGHT);
    testkit::Key(VK_HOME);
    Pump();
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(CodesAmong({ TCN_SELCHANGING, TCN_SELCHANGE }),
        (std::vector<UINT> { TCN_SELCHANGING, TCN_SELCHANGING, TCN_SELCHANGING }));
    // TCN_KEYDOWN tells the parent of each key first.
    std::vector<WORD> keys;
    for (const Note& n : NotesOf(TCN_KEYDOWN))
        keys.push_back(n.As<NMTCKEYDOWN>().wVKey);
    EXPECT_EQ(keys, (std::vector<WORD> { VK_RIGHT, VK_HOME }));
    // A program's own choice is not asked about.
    m_notes.clear();
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 2, 0), 1);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(m_notes.empty());
    m_answer = nullptr;
    testkit::Key(VK_LEFT);
    Pump();
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);

    TCITEMW item {};
    item.mask = TCIF_PARAM;
    ASSERT_TRUE(SendMessage(tabs, TCM_GETITEMW, 2, LPARAM(&item)));
    EXPECT_EQ(item.lParam, 102);
    TCHITTESTINFO hit {};
    const RECT second = TabRect(tabs, 2);
    hit.pt = POINT { second.left + 3, second.top + 3 };
    EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, LPARAM(&hit)), 2);
    EXPECT_EQ(hit.flags, TCHT_ONITEM);
    hit.pt = POINT { 290, 100 };
    EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, LPARAM(&hit)), -1);
    EXPECT_EQ(hit.flags, TCHT_NOWHERE);
    DestroyWindow(tabs);
}

TEST_F(TabControlTest, AdjustRectTurnsTheWindowIntoThePageAreaAndBack)
{
    struct Case {
        const char* name;
        DWORD style;
        int width;
    };
    const Case cases[] = {
        { "tabs", 0, 300 },
        { "buttons", TCS_BUTTONS, 300 },
        { "several rows", TCS_MULTILINE, 140 },
    };
    for (const Case& c : cases) {
        HWND tabs = MakeTabs({ u"General", u"Output", u"Advanced", u"Colour", u"Metadata" }, c.style, c.width);
        RECT client;
        GetClientRect(tabs, &client);
        RECT page = client;
        SendMessage(tabs, TCM_ADJUSTRECT, FALSE, LPARAM(&page));
        // The page lies inside the window and below every tab.
        EXPECT_GE(page.left, client.left) << c.name;
        EXPECT_LE(page.right, client.right) << c.name;
        EXPECT_LE(page.bottom, client.bottom) << c.name;
        const int count = int(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            EXPECT_GE(page.top, TabRect(tabs, i).bottom) << c.name << " tab " << i;
        RECT back = page;
        SendMessage(tabs, TCM_ADJUSTRECT, TRUE, LPARAM(&back));
        EXPECT_EQ(back, client) << c.name;
        DestroyWindow(tabs);
    }
}

TEST_F(TabControlTest, MultilineTabsWrapIntoRowsWithTheSelectedRowNextToThePage)
{
    HWND tabs = MakeTabs({ u"General", u"Output", u"Advanced", u"Colour", u"Metadata" }, TCS_MULTILINE, 140);
    const int rows = int(SendMessage(tabs, TCM_GETROWCOUNT, 0, 0));
    EXPECT_GE(rows, 2);
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j) {
            const RECT a = TabRect(tabs, i);
            const RECT b = TabRect(tabs, j);
            const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << i << " and " << j << " overlap";
        }
    ClickTab(tabs, 4);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 4);
    int lowest = 0;
    for (int i = 0; i < 5; ++i)
        lowest = std::max<int>(lowest, TabRect(tabs, i).top);
    EXPECT_EQ(TabRect(tabs, 4).top, lowest) << "the chosen tab's row moves down to the page";
    EXPECT_EQ(SendMessage(MakeTabs({ u"One", u"Two" }, 0, 300), TCM_GETROWCOUNT, 0, 0), 1);
    DestroyWindow(tabs);
}

} // namespace

namespace {

TEST_F(TabControlTest, ASingleRowTooWideScrollsByTheArrows)
{
    HWND tabs = MakeTabs({ u"General", u"Output", u"Advanced", u"Colour", u"Metadata", u"Naming" }, 0, 160);
    RECT client;
    GetClientRect(tabs, &client);
    EXPECT_EQ(SendMessage(tabs, TCM_GETROWCOUNT, 0, 0), 1);
    EXPECT_EQ(TabRect(tabs, 0).left, 2);
    EXPECT_GT(TabRect(tabs, 5).right, client.right) << "the last tab lies beyond the control";
    // The arrows are no tab.
    TCHITTESTINFO hit {};
    hit.pt = POINT { client.right - 5, TabRect(tabs, 0).top + 5 };
    EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, LPARAM(&hit)), -1);
    // The right arrow moves the row by one tab; the left one back.
    ClickAt(tabs, client.right - 8, TabRect(tabs, 0).top + 6);
    EXPECT_EQ(TabRect(tabs, 1).left, 2);
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0) << "scrolling does not choose";
    ClickAt(tabs, client.right - 24, TabRect(tabs, 0).top + 6);
    EXPECT_EQ(TabRect(tabs, 0).left, 2);
    // Choosing a tab from the keyboard brings it into view, left of the arrows.
    SetFocus(tabs);
    testkit::Key(VK_END);
    Pump();
    EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 5);
    EXPECT_LE(TabRect(tabs, 5).right, client.right - 32);
    EXPECT_GE(TabRect(tabs, 5).left, 2);
    testkit::Key(VK_HOME);
    Pump();
    EXPECT_EQ(TabRect(tabs, 0).left, 2);
    DestroyWindow(tabs);
}

} // namespace

namespace {

TEST_F(TabControlTest, GoldenScrollingRowAndSeveralRows)
{
    const std::vector<const WCHAR*> titles { u"General", u"Output", u"Advanced", u"Colour", u"Metadata", u"Naming" };
    HWND scrolling = MakeTabs(titles, 0, 170);
    SendMessage(scrolling, TCM_SETCURSEL, 3, 0);
    HWND rows = MakeTabs(titles, TCS_MULTILINE, 170);
    SendMessage(rows, TCM_SETCURSEL, 1, 0);
    MoveWindow(rows, 190, 10, 170, 150, TRUE);
    gdi_test::Surface surface(370, 120, GetSysColor(COLOR_3DFACE));
    PrintTree(scrolling, surface, 5, 5);
    PrintTree(rows, surface, 190, 5);
    KeepPicture(surface, "tab_controls");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "tab_controls"));
    DestroyWindow(scrolling);
    DestroyWindow(rows);
}

} // namespace
