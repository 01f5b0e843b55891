#include "toolkit/controls/ListCtrl.h"

#include "platform/controls/CommonControls.h"
#include "platform/base/Registry.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Parent : public CWnd {
public:
    Parent()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Lists", WS_POPUP | WS_VISIBLE,
                 10, 10, 420, 260, nullptr, nullptr);
    }
    ~Parent() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
};

// Records the sorts the header asks for.
class SortingList : public CJQListCtrl {
public:
    BOOL SortList(int column, BOOL ascending) override
    {
        sorts.push_back({ column, bool(ascending) });
        return TRUE;
    }
    std::vector<std::pair<int, bool>> sorts;
};

class ListCtrlTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        app = std::make_unique<CWinApp>(u"Lister");
        app->SetRegistryKey(u"Vornalt");
        // A user's profile always has its software key.
        HKEY software = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_WRITE, nullptr, &software, nullptr), ERROR_SUCCESS);
        RegCloseKey(software);
    }
    // Three columns as the batch log shows them, with a toolkit header.
    template <typename List = CJQListCtrl>
    std::unique_ptr<List> Make(Parent& parent, int rows = 0)
    {
        auto list = std::make_unique<List>();
        EXPECT_TRUE(list->Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, { 0, 0, 400, 240 }, &parent, 300));
        const int widths[] = { 120, 80, 150 };
        const WCHAR* titles[] = { u"File", u"Status", u"Message" };
        EXPECT_TRUE(list->AddColumns(3, widths, titles));
        EXPECT_TRUE(list->SubclassHeader());
        for (int row = 0; row < rows; ++row) {
            const std::u16string text = u"row " + std::u16string(1, char16_t(u'0' + row));
            list->InsertItem(row, text.c_str());
            list->SetItemText(row, 1, (u"s" + std::u16string(1, char16_t(u'0' + row))).c_str());
        }
        Pump();
        return list;
    }
    static std::vector<std::u16string> Rows(CListCtrl& list)
    {
        std::vector<std::u16string> rows;
        for (int row = 0; row < list.GetItemCount(); ++row)
            rows.push_back(std::u16string(list.GetItemText(row, 0)) + u"|" + std::u16string(list.GetItemText(row, 1)));
        return rows;
    }
    // A point in the middle of a header item.
    static POINT OnHeaderItem(CJQListCtrl& list, int column)
    {
        CRect rect;
        list.GetHeaderCtrl()->GetItemRect(column, &rect);
        return testkit::ClientPoint(list.GetHeaderCtrl()->m_hWnd, rect.CenterPoint().x, rect.CenterPoint().y);
    }
    void TearDown() override
    {
        app.reset();
        DesktopTest::TearDown();
    }
    std::unique_ptr<CWinApp> app;
};

TEST_F(ListCtrlTest, RowColoursPaintTheirCellsExceptOnASelectedRow)
{
    Parent parent;
    auto list = Make(parent, 4);
    list->EnableRowColors();
    list->SetRowColors(1, RGB(200, 0, 0), RGB(255, 230, 230));
    list->SetRowColors(2, RGB(0, 0, 200), RGB(230, 230, 255));
    list->SetRowColors(2, RGB(0, 0, 200), RGB(220, 255, 220)); // the record is updated, not doubled
    list->SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    list->SetRowColors(3, RGB(0, 0, 0), RGB(255, 255, 0));
    Pump();
    struct Case {
        int row;
        COLORREF back;
    } cases[] = {
        { 0, ::GetSysColor(COLOR_WINDOW) },
        { 1, RGB(255, 230, 230) },
        { 2, RGB(220, 255, 220) },
    };
    for (const Case& c : cases) {
        CRect bounds;
        ASSERT_TRUE(list->GetItemRect(c.row, &bounds, LVIR_BOUNDS));
        // Near the right end of the third column's cell (200 to 350): no text there.
        EXPECT_EQ(testkit::ClientPixel(list->m_hWnd, 340, bounds.CenterPoint().y), c.back) << "row " << c.row;
    }
    CRect selected;
    ASSERT_TRUE(list->GetItemRect(3, &selected, LVIR_BOUNDS));
    EXPECT_NE(testkit::ClientPixel(list->m_hWnd, 340, selected.CenterPoint().y), RGB(255, 255, 0));
    ASSERT_NE(list->FindRowColors(2), nullptr);
    EXPECT_EQ(list->FindRowColors(2)->crBack, RGB(220, 255, 220));
    EXPECT_EQ(list->FindRowColors(9), nullptr);
}

TEST_F(ListCtrlTest, HeaderClicksSortAscendingThenDescendingAndAnotherColumnAscending)
{
    Parent parent;
    auto list = Make<SortingList>(parent, 3);
    // Apart in time, so that no two clicks make a double click.
    testkit::Click(OnHeaderItem(*list, 0));
    Pump();
    Clock().Advance(1000);
    testkit::Click(OnHeaderItem(*list, 0));
    Pump();
    Clock().Advance(1000);
    testkit::Click(OnHeaderItem(*list, 2));
    Pump();
    const std::vector<std::pair<int, bool>> expected { { 0, true }, { 0, false }, { 2, true } };
    EXPECT_EQ(list->sorts, expected);
    BOOL ascending = FALSE;
    EXPECT_EQ(list->GetFlatHeader().GetSortColumn(&ascending), 2);
    EXPECT_TRUE(ascending);
}

TEST_F(ListCtrlTest, MovingRowsKeepsTheirTextsAndRemovesTheSource)
{
    struct Case {
        int from, to;
        std::vector<std::u16string> rows;
    } cases[] = {
        { 5, 2, { u"row 0|s0", u"row 1|s1", u"row 5|s5", u"row 2|s2", u"row 3|s3", u"row 4|s4", u"row 6|s6" } },
        { 2, 5, { u"row 0|s0", u"row 1|s1", u"row 3|s3", u"row 4|s4", u"row 2|s2", u"row 5|s5", u"row 6|s6" } },
    };
    for (const Case& c : cases) {
        Parent parent;
        auto list = Make(parent, 7);
        EXPECT_TRUE(list->MoveRow(c.from, c.to));
        EXPECT_EQ(Rows(*list), c.rows) << c.from << " -> " << c.to;
        EXPECT_EQ(list->CopyRow(3, 3), -1);
        EXPECT_FALSE(list->MoveRow(-1, 2));
    }
}

TEST_F(ListCtrlTest, SavedWidthsComeBackToTheirOwnColumnsAfterReordering)
{
    {
        Parent parent;
        auto list = Make(parent);
        list->SetColumnWidthProfile(u"Batch", u"Log Columns");
        int order[] = { 2, 0, 1 };
        list->SendMessage(LVM_SETCOLUMNORDERARRAY, 3, LPARAM(order));
        list->SetColumnWidth(0, 111);
        list->SetColumnWidth(1, 66);
        list->SetColumnWidth(2, 222);
        list->DestroyWindow();
    }
    Parent parent;
    auto list = Make(parent);
    int order[] = { 1, 2, 0 };
    list->SendMessage(LVM_SETCOLUMNORDERARRAY, 3, LPARAM(order));
    list->SetColumnWidthProfile(u"Batch", u"Log Columns");
    EXPECT_EQ(list->GetColumnWidth(0), 111);
    EXPECT_EQ(list->GetColumnWidth(1), 66);
    EXPECT_EQ(list->GetColumnWidth(2), 222);
}

TEST_F(ListCtrlTest, ASavedValueWithTwoWidthsLeavesTheThirdColumnAtZero)
{
    Parent parent;
    auto list = Make(parent);
    list->SetColumnWidthProfile(nullptr, nullptr, u"120,80,");
    EXPECT_EQ(list->GetColumnWidth(0), 120);
    EXPECT_EQ(list->GetColumnWidth(1), 80);
    EXPECT_EQ(list->GetColumnWidth(2), 0);
}

TEST_F(ListCtrlTest, LockedWidthsRefuseADividerDoubleClick)
{
    Parent parent;
    auto list = Make(parent, 2);
    list->LockColumnWidths();
    CRect rect;
    list->GetHeaderCtrl()->GetItemRect(0, &rect);
    testkit::DoubleClick(testkit::ClientPoint(list->GetHeaderCtrl()->m_hWnd, rect.right - 1, rect.CenterPoint().y));
    Pump();
    EXPECT_EQ(list->GetColumnWidth(0), 120);
}

TEST_F(ListCtrlTest, MemDCOverAnEmptyRectangleCoversTheClipBox)
{
    HDC screen = ::GetDC(nullptr);
    CDC target;
    target.CreateCompatibleDC(CDC::FromHandle(screen));
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(CDC::FromHandle(screen), 40, 30);
    CBitmap* old = target.SelectObject(&bitmap);
    {
        CJQMemDC memory(&target, CRect(), CLR_NONE, RGB(10, 20, 30));
        EXPECT_TRUE(memory.IsValid());
        EXPECT_EQ(memory.GetRect(), CRect(0, 0, 40, 30));
    }
    EXPECT_EQ(target.GetPixel(39, 29), RGB(10, 20, 30));
    target.SelectObject(old);
    ::ReleaseDC(nullptr, screen);
}

} // namespace
