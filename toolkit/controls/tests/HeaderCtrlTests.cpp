#include "toolkit/controls/ListCtrl.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Cursors.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class Parent : public CWnd {
public:
    Parent()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Headers", WS_POPUP | WS_VISIBLE,
                 10, 10, 520, 260, nullptr, nullptr);
    }
    ~Parent() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
};

class SortingList : public CJQListCtrl {
public:
    BOOL SortList(int column, BOOL ascending) override
    {
        sorts.push_back({ column, bool(ascending) });
        return TRUE;
    }
    std::vector<std::pair<int, bool>> sorts;
};

// A window inside the list that counts the header clicks it hears.
class Listener : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == HDN_ITEMCLICKW)
            clicks.push_back(reinterpret_cast<NMHEADERW*>(lParam)->iItem);
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<int> clicks;
};

class HeaderCtrlTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
    std::unique_ptr<SortingList> Make(Parent& parent, int columns = 3, int width = 100, DWORD style = 0)
    {
        auto list = std::make_unique<SortingList>();
        EXPECT_TRUE(list->Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | style, { 0, 0, 500, 240 }, &parent, 300));
        for (int column = 0; column < columns; ++column)
            list->AddColumn(u"Col", width);
        EXPECT_TRUE(list->SubclassHeader());
        Pump();
        return list;
    }
    static POINT OnItem(CHeaderCtrl& header, int column, int dx = 0)
    {
        CRect rect;
        header.GetItemRect(column, &rect);
        return testkit::ClientPoint(header.m_hWnd, dx < 0 ? rect.right + dx : rect.CenterPoint().x, rect.CenterPoint().y);
    }
};

TEST_F(HeaderCtrlTest, ThemesDrawTheirBottomEdgeAndTheOffice2003HeaderIsTenPixelsTallerThanItsFont)
{
    Parent parent;
    auto list = Make(parent);
    CJQHeaderCtrl& header = list->GetFlatHeader();
    struct Case {
        CJQHeaderCtrlTheme* style;
        DWORD drawFlags;
        COLORREF bottom; // the frame's bottom row at x 1
    };
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    auto blend = [](COLORREF a, COLORREF b, double t) {
        auto mix = [t](int x, int y) { return int(x - t * (x - y)); };
        return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
    };
    Case cases[] = {
        { new CJQHeaderCtrlTheme, 7, ::GetSysColor(COLOR_3DDKSHADOW) },
        { new CJQHeaderCtrlThemeOfficeXP, 4, shadow },
        { new CJQHeaderCtrlThemeOffice2003, 4, blend(face, shadow, 0.6) },
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.style->GetDrawStyle(), c.drawFlags);
        const bool is2003 = dynamic_cast<CJQHeaderCtrlThemeOffice2003*>(c.style) != nullptr;
        header.SetStyle(c.style);
        Pump();
        CRect client;
        header.GetClientRect(&client);
        EXPECT_EQ(testkit::ClientPixel(header.m_hWnd, 1, client.bottom - 1), c.bottom) << c.drawFlags;
        if (is2003) {
            CClientDC dc(&header);
            dc.SelectObject(CFont::FromHandle(HFONT(header.SendMessage(WM_GETFONT))));
            TEXTMETRICW metrics {};
            dc.GetTextMetrics(&metrics);
            EXPECT_EQ(client.Height(), metrics.tmHeight + 10);
        }
    }
    testkit::SavePng(testkit::CaptureWindow(header.m_hWnd), testkit::TestOutputFolder() + "/header_2003.png");
}

TEST_F(HeaderCtrlTest, TheFactoryMakesTheStyleOfEachThemeNumber)
{
    CJQHeaderCtrlThemeFactory factory;
    struct Case {
        int theme;
        int textTop;
        DWORD flags;
    } cases[] = { { 0, 0, 7 }, { 1, 0, 4 }, { 2, 2, 4 }, { 7, 0, 7 } };
    for (const Case& c : cases) {
        std::unique_ptr<CJQHeaderCtrlTheme> style(static_cast<CJQHeaderCtrlTheme*>(factory.CreateStyle(c.theme)));
        EXPECT_EQ(style->m_nTheme, c.theme);
        EXPECT_EQ(style->m_nTextTop, c.textTop);
        EXPECT_EQ(style->GetDrawStyle(), c.flags);
    }
}

TEST_F(HeaderCtrlTest, TheMenuSortsDescendingThroughAClickThatReachesTheListAndItsDescendants)
{
    Parent parent;
    auto list = Make(parent);
    Listener inner;
    ASSERT_TRUE(inner.Create(nullptr, u"", WS_CHILD, { 0, 0, 1, 1 }, list.get(), 400));
    Listener innermost;
    ASSERT_TRUE(innermost.Create(nullptr, u"", WS_CHILD, { 0, 0, 1, 1 }, &inner, 401));
    CHeaderCtrl& header = list->GetFlatHeader();
    // Sort Ascending, Sort Descending: the second item.
    Idle().Then([] {
        testkit::Key(VK_DOWN);
        testkit::Key(VK_DOWN);
        testkit::Key(VK_RETURN);
    });
    testkit::Click(OnItem(header, 1), testkit::Button::Right);
    Pump();
    const std::vector<std::pair<int, bool>> expected { { 1, false } };
    EXPECT_EQ(list->sorts, expected);
    EXPECT_EQ(inner.clicks, std::vector<int> { 1 });
    EXPECT_EQ(innermost.clicks, std::vector<int> { 1 });
    // The same direction again does nothing.
    header.SendMessage(WM_COMMAND, JQ_ID_HEADER_SORTDSC);
    EXPECT_EQ(list->sorts.size(), 1u);
    header.SendMessage(WM_COMMAND, JQ_ID_HEADER_SORTASC);
    EXPECT_EQ(list->sorts.back(), std::make_pair(1, true));
    innermost.DestroyWindow();
    inner.DestroyWindow();
}

TEST_F(HeaderCtrlTest, AListWithoutSortHeaderShowsNoMenu)
{
    Parent parent;
    auto list = Make(parent, 3, 100, LVS_NOSORTHEADER);
    testkit::Click(OnItem(list->GetFlatHeader(), 1), testkit::Button::Right);
    Pump(); // a menu would wait for input here and fail the test as a stuck loop
    EXPECT_TRUE(list->sorts.empty());
}

TEST_F(HeaderCtrlTest, AFrozenColumnCannotBeResizedAndItsDividerShowsTheArrow)
{
    struct Case {
        bool frozen;
        int width;
    } cases[] = { { false, 140 }, { true, 100 } };
    for (const Case& c : cases) {
        Parent parent;
        auto list = Make(parent);
        CJQHeaderCtrl& header = list->GetFlatHeader();
        if (c.frozen)
            header.FreezeColumn(0);
        const POINT divider = OnItem(header, 0, -1);
        testkit::MoveTo(divider);
        Pump();
        if (c.frozen) {
            EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
        }
        testkit::Drag(divider, POINT { divider.x + 40, divider.y });
        Pump();
        EXPECT_EQ(list->GetColumnWidth(0), c.width) << c.frozen;
    }
}

TEST_F(HeaderCtrlTest, FittingSpreadsTheWidthLeftByFrozenColumnsOverTheOthers)
{
    Parent parent;
    auto list = Make(parent, 5, 60);
    CJQHeaderCtrl& header = list->GetFlatHeader();
    list->SetColumnWidth(2, 100);
    header.FreezeColumn(2);
    header.FitColumnsToWidth(500);
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(list->GetColumnWidth(column), 100) << column;
    header.SetMinColWidth(150);
    header.FitColumnsToWidth(440);
    EXPECT_EQ(list->GetColumnWidth(0), 100); // a share below the minimum changes nothing
}

} // namespace
