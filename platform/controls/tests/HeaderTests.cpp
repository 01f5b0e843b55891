// The header control driven through injected input: divider tracking with the parent's vetoes,
// order arrays and drag reordering, clicks and hit codes.

#include "CommonControlTestSupport.h"

using namespace control_test;

namespace {

class HeaderTest : public CommonControlTest {
protected:
    // "Name" 100, "Size" 80, "Type" 60 at (10, 10), 300 wide, as tall as its layout asks.
    HWND MakeHeader(DWORD style = HDS_BUTTONS)
    {
        HWND header = Make(WC_HEADERW, HDS_HORZ | style, 10, 10, 300, 10, 70);
        RECT area { 10, 10, 310, 200 };
        WINDOWPOS pos {};
        HDLAYOUT layout { &area, &pos };
        EXPECT_TRUE(SendMessage(header, HDM_LAYOUT, 0, LPARAM(&layout)));
        EXPECT_EQ(area.top, 10 + pos.cy);
        SetWindowPos(header, nullptr, pos.x, pos.y, pos.cx, pos.cy, pos.flags);
        const WCHAR* titles[] = { u"Name", u"Size", u"Type" };
        const int widths[] = { 100, 80, 60 };
        for (int i = 0; i < 3; ++i) {
            HDITEMW item {};
            item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
            item.pszText = const_cast<WCHAR*>(titles[i]);
            item.cxy = widths[i];
            item.fmt = HDF_STRING | HDF_LEFT;
            EXPECT_EQ(SendMessage(header, HDM_INSERTITEMW, i, LPARAM(&item)), i);
        }
        Pump();
        m_notes.clear();
        return header;
    }
    static int Width(HWND header, int index)
    {
        HDITEMW item {};
        item.mask = HDI_WIDTH;
        SendMessage(header, HDM_GETITEMW, index, LPARAM(&item));
        return item.cxy;
    }
    static std::vector<int> Order(HWND header)
    {
        std::vector<int> order(size_t(SendMessage(header, HDM_GETITEMCOUNT, 0, 0)));
        SendMessage(header, HDM_GETORDERARRAY, order.size(), LPARAM(order.data()));
        return order;
    }
};

TEST_F(HeaderTest, DividerTrackingHonoursTheVetoes)
{
    struct Case {
        const char* name;
        DWORD style;
        UINT vetoed; // the notification the parent refuses, 0 for none
        int atLeast; // the parent raises the width to this much at HDN_ENDTRACK / HDN_ITEMCHANGING
        int to;
        int expectedWidth;
        std::vector<UINT> codes;
    };
    const Case cases[] = {
        { "plain", 0, 0, 0, 140, 140, { HDN_BEGINTRACKW, HDN_ENDTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW } },
        { "begin refused", 0, HDN_BEGINTRACKW, 0, 140, 100, { HDN_BEGINTRACKW } },
        { "change refused", 0, HDN_ITEMCHANGINGW, 0, 140, 100, { HDN_BEGINTRACKW, HDN_ENDTRACKW, HDN_ITEMCHANGINGW } },
        { "raised to a minimum", 0, 0, 120, 70, 120, { HDN_BEGINTRACKW, HDN_ENDTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW } },
        { "full drag", HDS_FULLDRAG, 0, 0, 140, 140,
            { HDN_BEGINTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW, HDN_ITEMCHANGINGW,
                HDN_ITEMCHANGEDW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW, HDN_ENDTRACKW } },
        { "full drag, change refused", HDS_FULLDRAG, HDN_ITEMCHANGINGW, 0, 140, 100,
            { HDN_BEGINTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGINGW, HDN_ENDTRACKW,
                HDN_ITEMCHANGINGW } },
    };
    for (const Case& c : cases) {
        HWND header = MakeHeader(HDS_BUTTONS | c.style);
        m_answer = [&](NMHDR* info) -> std::optional<LRESULT> {
            if (c.vetoed && info->code == c.vetoed)
                return 1;
            auto* h = reinterpret_cast<NMHEADERW*>(info);
            if (c.atLeast && (info->code == HDN_ENDTRACKW || info->code == HDN_ITEMCHANGINGW) && h->pitem
                && (h->pitem->mask & HDI_WIDTH) && h->pitem->cxy < c.atLeast)
                h->pitem->cxy = c.atLeast;
            return std::nullopt;
        };
        // Each move is taken before the next comes (queued moves would merge into one).
        testkit::Press(testkit::ClientPoint(header, 100, 8));
        Pump();
        for (int step = 1; step <= 4; ++step) {
            testkit::MoveTo(testkit::ClientPoint(header, 100 + (c.to - 100) * step / 4, 8));
            Pump();
        }
        testkit::Release(testkit::ClientPoint(header, c.to, 8));
        Pump();
        EXPECT_EQ(Width(header, 0), c.expectedWidth) << c.name;
        EXPECT_EQ(CodesAmong({ HDN_BEGINTRACKW, HDN_ENDTRACKW, HDN_ITEMCHANGINGW, HDN_ITEMCHANGEDW }), c.codes) << c.name;
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        EXPECT_TRUE(NotesOf(HDN_ITEMCLICKW).empty()) << c.name << ": a divider drag is no click";
        if (c.vetoed != HDN_BEGINTRACKW) {
            EXPECT_EQ(NotesOf(HDN_TRACKW).size(), 4u) << c.name;
        }
        // The items right of it move with it.
        RECT next {};
        SendMessage(header, HDM_GETITEMRECT, 1, LPARAM(&next));
        EXPECT_EQ(next.left, c.expectedWidth) << c.name;
        m_answer = nullptr;
        DestroyWindow(header);
        m_notes.clear();
        Clock().Advance(1000);
    }
}

TEST_F(HeaderTest, OrderArraysDecideWhereItemsStand)
{
    HWND header = MakeHeader();
    EXPECT_EQ(Order(header), (std::vector<int> { 0, 1, 2 }));
    int order[] = { 2, 0, 1 };
    ASSERT_TRUE(SendMessage(header, HDM_SETORDERARRAY, 3, LPARAM(order)));
    EXPECT_EQ(Order(header), (std::vector<int> { 2, 0, 1 }));
    EXPECT_EQ(SendMessage(header, HDM_ORDERTOINDEX, 0, 0), 2);
    EXPECT_EQ(SendMessage(header, HDM_ORDERTOINDEX, 2, 0), 1);
    struct Case {
        int index;
        RECT expected;
    };
    RECT client;
    GetClientRect(header, &client);
    const Case cases[] = { { 2, { 0, 0, 60, client.bottom } }, { 0, { 60, 0, 160, client.bottom } }, { 1, { 160, 0, 240, client.bottom } } };
    for (const Case& c : cases) {
        RECT r {};
        ASSERT_TRUE(SendMessage(header, HDM_GETITEMRECT, c.index, LPARAM(&r)));
        EXPECT_EQ(r, c.expected) << c.index;
    }
    HDITEMW item {};
    item.mask = HDI_ORDER;
    SendMessage(header, HDM_GETITEMW, 0, LPARAM(&item));
    EXPECT_EQ(item.iOrder, 1);

    // Arrays that are not a permutation of the items are refused.
    int twice[] = { 0, 0, 1 };
    EXPECT_FALSE(SendMessage(header, HDM_SETORDERARRAY, 3, LPARAM(twice)));
    int outside[] = { 0, 1, 3 };
    EXPECT_FALSE(SendMessage(header, HDM_SETORDERARRAY, 3, LPARAM(outside)));
    EXPECT_FALSE(SendMessage(header, HDM_SETORDERARRAY, 2, LPARAM(order)));
    EXPECT_EQ(Order(header), (std::vector<int> { 2, 0, 1 }));

    // Inserting and deleting keep the order of the others.
    ASSERT_TRUE(SendMessage(header, HDM_DELETEITEM, 0, 0));
    EXPECT_EQ(Order(header), (std::vector<int> { 1, 0 }));
    HDITEMW made {};
    made.mask = HDI_WIDTH | HDI_ORDER;
    made.cxy = 30;
    made.iOrder = 0;
    EXPECT_EQ(SendMessage(header, HDM_INSERTITEMW, 0, LPARAM(&made)), 0);
    EXPECT_EQ(Order(header), (std::vector<int> { 0, 2, 1 }));
    DestroyWindow(header);
}

TEST_F(HeaderTest, DraggingATitleReordersWithTheParentsConsent)
{
    struct Case {
        UINT vetoed;
        std::vector<int> order;
    };
    const Case cases[] = {
        { 0, { 2, 0, 1 } },
        { HDN_BEGINDRAG, { 0, 1, 2 } },
        { HDN_ENDDRAG, { 0, 1, 2 } },
    };
    for (const Case& c : cases) {
        HWND header = MakeHeader(HDS_BUTTONS | HDS_DRAGDROP);
        m_answer = [&](NMHDR* info) -> std::optional<LRESULT> {
            return c.vetoed && info->code == c.vetoed ? std::optional<LRESULT>(1) : std::nullopt;
        };
        testkit::Drag(testkit::ClientPoint(header, 210, 8), testkit::ClientPoint(header, 20, 8), 5);
        Pump();
        EXPECT_EQ(Order(header), c.order);
        EXPECT_TRUE(NotesOf(HDN_ITEMCLICKW).empty());
        if (c.vetoed != HDN_BEGINDRAG) {
            const std::vector<Note> ends = NotesOf(HDN_ENDDRAG);
            ASSERT_EQ(ends.size(), 1u);
            EXPECT_EQ(ends[0].As<NMHEADERW>().iItem, 2);
        } else {
            EXPECT_TRUE(NotesOf(HDN_ENDDRAG).empty());
        }
        m_answer = nullptr;
        DestroyWindow(header);
        m_notes.clear();
        Clock().Advance(1000);
    }
}

TEST_F(HeaderTest, ClicksAndHitCodes)
{
    HWND header = MakeHeader();
    RECT client;
    GetClientRect(header, &client);
    struct Case {
        POINT pt;
        int item;
        UINT flags;
    };
    const Case cases[] = {
        { { 50, 5 }, 0, HHT_ONHEADER },
        { { 98, 5 }, 0, HHT_ONDIVIDER },
        { { 102, 5 }, 0, HHT_ONDIVIDER },
        { { 150, 5 }, 1, HHT_ONHEADER },
        { { 240, 5 }, 2, HHT_ONDIVIDER },
        { { 270, 5 }, -1, HHT_NOWHERE },
        { { -1, 5 }, -1, HHT_TOLEFT },
        { { 50, -1 }, -1, HHT_ABOVE },
        { { 50, client.bottom }, -1, HHT_BELOW },
        { { 400, 5 }, -1, HHT_TORIGHT },
    };
    for (const Case& c : cases) {
        HDHITTESTINFO info {};
        info.pt = c.pt;
        EXPECT_EQ(SendMessage(header, HDM_HITTEST, 0, LPARAM(&info)), c.item) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.flags, c.flags) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.iItem, c.item);
    }
    // A closed (zero-width) item is opened from its divider.
    HDITEMW closed {};
    closed.mask = HDI_WIDTH;
    closed.cxy = 0;
    ASSERT_TRUE(SendMessage(header, HDM_SETITEMW, 1, LPARAM(&closed)));
    HDHITTESTINFO info {};
    info.pt = POINT { 101, 5 };
    EXPECT_EQ(SendMessage(header, HDM_HITTEST, 0, LPARAM(&info)), 1);
    EXPECT_EQ(info.flags, HHT_ONDIVOPEN);
    closed.cxy = 80;
    SendMessage(header, HDM_SETITEMW, 1, LPARAM(&closed));
    m_notes.clear();

    ClickAt(header, 150, 8);
    std::vector<Note> clicks = NotesOf(HDN_ITEMCLICKW);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].As<NMHEADERW>().iItem, 1);
    EXPECT_EQ(clicks[0].As<NMHEADERW>().iButton, 0);
    // Released elsewhere: no click.
    m_notes.clear();
    testkit::Press(testkit::ClientPoint(header, 150, 8));
    testkit::MoveTo(testkit::ClientPoint(header, 150, 60), 2);
    testkit::Release(testkit::ClientPoint(header, 150, 60));
    Pump();
    EXPECT_TRUE(NotesOf(HDN_ITEMCLICKW).empty());
    Clock().Advance(1000);
    testkit::DoubleClick(testkit::ClientPoint(header, 100, 8));
    Pump();
    const std::vector<Note> doubles = NotesOf(HDN_DIVIDERDBLCLICKW);
    ASSERT_EQ(doubles.size(), 1u);
    EXPECT_EQ(doubles[0].As<NMHEADERW>().iItem, 0);
    testkit::Click(testkit::ClientPoint(header, 50, 8), testkit::Button::Right);
    Pump();
    EXPECT_EQ(NotesOf(NM_RCLICK).size(), 1u);
    DestroyWindow(header);
}

TEST_F(HeaderTest, CustomDrawAsksForEachItemInDisplayOrder)
{
    HWND header = MakeHeader();
    int order[] = { 1, 0, 2 };
    SendMessage(header, HDM_SETORDERARRAY, 3, LPARAM(order));
    m_keepCustomDraw = true;
    m_answer = [](NMHDR* info) -> std::optional<LRESULT> {
        if (info->code != NM_CUSTOMDRAW)
            return std::nullopt;
        auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(info);
        if (draw->dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW;
        if (draw->dwDrawStage == CDDS_ITEMPREPAINT && draw->dwItemSpec == 0) {
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(draw->hdc, &draw->rc, red);
            DeleteObject(red);
            return CDRF_SKIPDEFAULT;
        }
        return CDRF_DODEFAULT;
    };
    RECT client;
    GetClientRect(header, &client);
    gdi_test::Surface surface(300, client.bottom);
    PrintTree(header, surface);
    std::vector<std::pair<DWORD, DWORD_PTR>> stages;
    for (const Note& n : NotesOf(NM_CUSTOMDRAW))
        stages.emplace_back(n.As<NMCUSTOMDRAW>().dwDrawStage, n.As<NMCUSTOMDRAW>().dwItemSpec);
    const std::vector<std::pair<DWORD, DWORD_PTR>> expected {
        { CDDS_PREPAINT, 0 }, { CDDS_ITEMPREPAINT, 1 }, { CDDS_ITEMPREPAINT, 0 }, { CDDS_ITEMPREPAINT, 2 }
    };
    EXPECT_EQ(stages, expected);
    EXPECT_EQ(surface.At(120, client.bottom / 2), RGB(255, 0, 0)) << "Name stands second, drawn by the parent";
    EXPECT_EQ(surface.At(40, 2), GetSysColor(COLOR_3DFACE)) << "Size stands first, drawn by the header";
    DestroyWindow(header);
}

} // namespace
