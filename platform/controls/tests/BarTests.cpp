// The status window and the toolbar driven through injected input and the real loops.

#include "ControlTestSupport.h"

#include "platform/controls/Toolbar.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"

using namespace control_test;

namespace {

class BarTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(RegisterTestClasses());
        TheRecorder() = Recorder {};
        m_parent = CreateWindowExW(0, u"ControlTestParent", u"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100,
            100, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent);
        SetForegroundWindow(m_parent);
        Pump();
    }
    void TearDown() override
    {
        DestroyWindow(m_parent);
        TheRecorder() = Recorder {};
        DesktopTest::TearDown();
    }
    HWND Make(const WCHAR* className, DWORD style, int x, int y, int w, int h, int id)
    {
        return CreateWindowExW(0, className, nullptr, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_parent,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }
    static RECT ClientRectIn(HWND window, HWND parent)
    {
        RECT r;
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static std::vector<int> Commands()
    {
        std::vector<int> ids;
        for (const Event& e : TheRecorder().events)
            if (e.message == WM_COMMAND)
                ids.push_back(e.id);
        return ids;
    }

    HWND m_parent = nullptr;
};

// ---- Status window ---------------------------------------------------------------------------

TEST_F(BarTest, StatusPartsAndTheirRectangles)
{
    HWND bar = Make(STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, 0, 0, 0, 0xE801);
    ASSERT_TRUE(bar);
    const RECT placed = ClientRectIn(bar, m_parent);
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.right, 400);
    EXPECT_EQ(placed.bottom, 300) << "a bar without CCS_NOPARENTALIGN sits on its parent's bottom edge";
    EXPECT_GT(placed.bottom - placed.top, 10);

    const int edges[] = { 100, 250, -1 };
    ASSERT_TRUE(SendMessage(bar, SB_SETPARTS, 3, LPARAM(edges)));
    int back[4] {};
    EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 4, LPARAM(back)), 3);
    EXPECT_EQ(back[1], 250);
    EXPECT_EQ(back[2], -1);

    int borders[3] {};
    SendMessage(bar, SB_GETBORDERS, 0, LPARAM(borders));
    RECT client;
    GetClientRect(bar, &client);
    struct Case {
        int part;
        LONG left, right;
    } cases[] = { { 0, borders[0], 100 }, { 1, 100 + borders[2], 250 }, { 2, 250 + borders[2], client.right - borders[0] } };
    for (const Case& c : cases) {
        RECT r {};
        ASSERT_TRUE(SendMessage(bar, SB_GETRECT, WPARAM(c.part), LPARAM(&r))) << c.part;
        EXPECT_EQ(r.left, c.left) << c.part;
        EXPECT_EQ(r.right, c.right) << c.part;
        EXPECT_EQ(r.top, borders[1]) << c.part;
        EXPECT_EQ(r.bottom, client.bottom) << c.part;
    }
    RECT none {};
    EXPECT_FALSE(SendMessage(bar, SB_GETRECT, 3, LPARAM(&none)));

    // Texts with their types; an owner-drawn part keeps the caller's value.
    EXPECT_TRUE(SendMessage(bar, SB_SETTEXTW, 1 | SBT_POPOUT, LPARAM(u"Ready")));
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTLENGTHW, 1, 0), MAKELONG(5, SBT_POPOUT));
    WCHAR text[16] {};
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTW, 1, LPARAM(text)), MAKELONG(5, SBT_POPOUT));
    EXPECT_EQ(std::u16string(text), u"Ready");
    SendMessage(bar, SB_SETTEXTW, 2 | SBT_OWNERDRAW, 0x5151);
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTW, 2, LPARAM(text)), 0x5151);
    Pump();
    ASSERT_FALSE(TheRecorder().drawn.empty()) << "the owner-drawn part is drawn by the parent";
    EXPECT_EQ(TheRecorder().drawn.back().itemID, 2u);
    EXPECT_EQ(TheRecorder().drawn.back().itemData, 0x5151u);

    // The parent passes its WM_SIZE on; the bar follows the new width.
    SetWindowPos(m_parent, nullptr, 0, 0, 500, 320, SWP_NOMOVE | SWP_NOZORDER);
    SendMessage(bar, WM_SIZE, 0, 0);
    const RECT moved = ClientRectIn(bar, m_parent);
    EXPECT_EQ(moved.right, 500);
    EXPECT_EQ(moved.bottom, 320);
    RECT last {};
    SendMessage(bar, SB_GETRECT, 2, LPARAM(&last));
    EXPECT_EQ(last.right, 500 - borders[0]);
}

TEST_F(BarTest, StatusSimpleModeAndSizeGrip)
{
    HWND bar = Make(STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, 0, 0, 0, 0xE801);
    const int edges[] = { 100, -1 };
    SendMessage(bar, SB_SETPARTS, 2, LPARAM(edges));
    SendMessage(bar, SB_SETTEXTW, SB_SIMPLEID, LPARAM(u"Saving the stack"));
    SendMessage(bar, SB_SIMPLE, TRUE, 0);
    EXPECT_TRUE(SendMessage(bar, SB_ISSIMPLE, 0, 0));
    ASSERT_FALSE(TheRecorder().events.empty());
    EXPECT_EQ(TheRecorder().events.back().code, SBN_SIMPLEMODECHANGE);
    RECT r {};
    ASSERT_TRUE(SendMessage(bar, SB_GETRECT, 0, LPARAM(&r)));
    RECT client;
    GetClientRect(bar, &client);
    EXPECT_EQ(r.right, client.right) << "one part over the whole width";
    SendMessage(bar, SB_SIMPLE, FALSE, 0);
    SendMessage(bar, SB_GETRECT, 0, LPARAM(&r));
    EXPECT_EQ(r.right, 100);

    // The grip in the bottom-right corner answers HTBOTTOMRIGHT; the rest of the bar is client.
    POINT corner = testkit::ClientPoint(bar, client.right - 2, client.bottom - 2);
    EXPECT_EQ(SendMessage(bar, WM_NCHITTEST, 0, MAKELPARAM(WORD(corner.x), WORD(corner.y))), HTBOTTOMRIGHT);
    POINT middle = testkit::ClientPoint(bar, 50, client.bottom / 2);
    EXPECT_EQ(SendMessage(bar, WM_NCHITTEST, 0, MAKELPARAM(WORD(middle.x), WORD(middle.y))), HTCLIENT);
    SetWindowLongW(bar, GWL_STYLE, GetWindowLongW(bar, GWL_STYLE) & ~LONG(SBARS_SIZEGRIP));
    EXPECT_EQ(SendMessage(bar, WM_NCHITTEST, 0, MAKELPARAM(WORD(corner.x), WORD(corner.y))), HTCLIENT);
}

TEST_F(BarTest, StatusTextIsPaintedInItsPart)
{
    HWND bar = Make(STATUSCLASSNAMEW, CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0, 300, 24, 0xE801);
    const int edges[] = { 150, -1 };
    SendMessage(bar, SB_SETPARTS, 2, LPARAM(edges));
    SendMessage(bar, SB_SETTEXTW, 1, LPARAM(u"WWWW"));
    gdi_test::Surface surface(300, 24);
    SendMessage(bar, WM_PRINTCLIENT, WPARAM(surface.dc()), PRF_CLIENT);
    int darkLeft = 0;
    int darkRight = 0;
    for (int y = 4; y < 20; ++y)
        for (int x = 0; x < 300; ++x)
            if (GetGValue(surface.At(x, y)) < 100)
                (x < 150 ? darkLeft : darkRight)++;
    EXPECT_EQ(darkLeft, 0) << "part 0 is empty";
    EXPECT_GT(darkRight, 10) << "the text of part 1";
}

// ---- Toolbar ---------------------------------------------------------------------------------

class ToolbarTest : public BarTest {
protected:
    HWND MakeToolbar(DWORD style, int width, int count, int wrapEvery = 0)
    {
        HWND bar = Make(TOOLBARCLASSNAMEW, style, 10, 10, width, 100, 0xE800);
        SendMessage(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            buttons[size_t(i)].iBitmap = i;
            buttons[size_t(i)].idCommand = 9135 + i;
            buttons[size_t(i)].fsState = TBSTATE_ENABLED | (wrapEvery && (i + 1) % wrapEvery == 0 ? TBSTATE_WRAP : 0);
            buttons[size_t(i)].fsStyle = BTNS_BUTTON;
            buttons[size_t(i)].iString = -1;
        }
        EXPECT_TRUE(SendMessage(bar, TB_ADDBUTTONSW, WPARAM(count), LPARAM(buttons.data())));
        return bar;
    }
    static RECT ItemRect(HWND bar, int index)
    {
        RECT r {};
        SendMessage(bar, TB_GETITEMRECT, WPARAM(index), LPARAM(&r));
        return r;
    }
};

TEST_F(ToolbarTest, WrapsAfterEveryFourthButtonAndAtItsWidth)
{
    HWND tools = MakeToolbar(CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_FLAT, 200, 12, 4);
    EXPECT_EQ(SendMessage(tools, TB_GETROWS, 0, 0), 3);
    const LONG w = ItemRect(tools, 0).right - ItemRect(tools, 0).left;
    const LONG h = ItemRect(tools, 0).bottom - ItemRect(tools, 0).top;
    struct Case {
        int index;
        LONG left, top;
    } cases[] = { { 0, 0, 0 }, { 3, 3 * w, 0 }, { 4, 0, h }, { 7, 3 * w, h }, { 8, 0, 2 * h }, { 11, 3 * w, 2 * h } };
    for (const Case& c : cases) {
        EXPECT_EQ(ItemRect(tools, c.index).left, c.left) << c.index;
        EXPECT_EQ(ItemRect(tools, c.index).top, c.top) << c.index;
    }
    SIZE max {};
    SendMessage(tools, TB_GETMAXSIZE, 0, LPARAM(&max));
    EXPECT_EQ(max.cx, 4 * w);
    EXPECT_EQ(max.cy, 3 * h);

    // A wrapping toolbar breaks where the next button would pass its right edge, and again when
    // it is made wider.
    HWND wrapping = MakeToolbar(CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_WRAPABLE, 3 * w + w / 2, 7);
    EXPECT_EQ(SendMessage(wrapping, TB_GETROWS, 0, 0), 3);
    EXPECT_EQ(ItemRect(wrapping, 3).left, 0);
    EXPECT_EQ(ItemRect(wrapping, 3).top, h);
    SetWindowPos(wrapping, nullptr, 0, 0, 8 * w, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessage(wrapping, TB_GETROWS, 0, 0), 1);
    EXPECT_EQ(ItemRect(wrapping, 6).left, 6 * w);
}

TEST_F(ToolbarTest, ClicksChecksAndCheckGroups)
{
    HWND bar = Make(TOOLBARCLASSNAMEW, TBSTYLE_FLAT, 0, 0, 0, 0, 0xE800);
    TBBUTTON buttons[] = {
        { 0, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1 },
        { 1, 101, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, -1 },
        { 0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, -1 },
        { 2, 102, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECKGROUP, {}, 0, -1 },
        { 3, 103, TBSTATE_ENABLED, BTNS_CHECKGROUP, {}, 0, -1 },
        { 4, 104, 0, BTNS_BUTTON, {}, 0, -1 },
    };
    SendMessage(bar, TB_ADDBUTTONSW, 6, LPARAM(buttons));
    SendMessage(bar, TB_AUTOSIZE, 0, 0);
    Pump();
    auto centre = [&](int index) {
        const RECT r = ItemRect(bar, index);
        return testkit::ClientPoint(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    testkit::Click(centre(0));
    testkit::Click(centre(1));
    Pump();
    EXPECT_EQ(Commands(), (std::vector<int> { 100, 101 }));
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, 101, 0), 1);
    EXPECT_EQ(GetCapture(), nullptr);

    testkit::Click(centre(4));
    Pump();
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, 103, 0), 1);
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, 102, 0), 0) << "one button of a check group stays down";

    // Released outside, or on a disabled button: no command.
    TheRecorder().events.clear();
    testkit::Press(centre(1));
    Pump();
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONPRESSED, 101, 0), 1);
    testkit::MoveTo(testkit::ClientPoint(bar, 300, 5), 3);
    testkit::Release(testkit::ClientPoint(bar, 300, 5));
    testkit::Click(centre(5));
    Pump();
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, 101, 0), 1);
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONPRESSED, 101, 0), 0);

    // The state messages.
    EXPECT_TRUE(SendMessage(bar, TB_ENABLEBUTTON, 104, TRUE));
    EXPECT_EQ(SendMessage(bar, TB_GETSTATE, 104, 0), TBSTATE_ENABLED);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, 103, 0), 4);
    POINT onSeparator { (ItemRect(bar, 2).left + ItemRect(bar, 2).right) / 2, 5 };
    EXPECT_EQ(SendMessage(bar, TB_HITTEST, 0, LPARAM(&onSeparator)), -3);
    EXPECT_TRUE(SendMessage(bar, TB_DELETEBUTTON, 0, 0));
    EXPECT_EQ(SendMessage(bar, TB_BUTTONCOUNT, 0, 0), 5);
}

TEST_F(ToolbarTest, AsksItsParentForTipTexts)
{
    HWND bar = MakeToolbar(TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 4);
    HWND tip = HWND(SendMessage(bar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_TRUE(tip);
    std::vector<UINT_PTR> asked;
    TheRecorder().handler = [&](HWND, UINT m, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_NEEDTEXTW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            asked.push_back(info->hdr.idFrom);
            info->lpszText = const_cast<WCHAR*>(u"Pencil");
            return 0;
        }
        return std::nullopt;
    };
    Pump();
    const RECT r = ItemRect(bar, 2);
    testkit::MoveTo(testkit::ClientPoint(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2), 2);
    Pump();
    Clock().Advance(500);
    Pump();
    EXPECT_TRUE(IsWindowVisible(tip));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), 9137u) << "the tool is the button's command";
    TOOLINFOW current {};
    current.cbSize = sizeof(current);
    ASSERT_TRUE(SendMessage(tip, TTM_GETCURRENTTOOLW, 0, LPARAM(&current)));
    EXPECT_EQ(current.uId, 9137u);
    EXPECT_EQ(current.hwnd, bar);
    RECT tipRect;
    GetWindowRect(tip, &tipRect);
    EXPECT_GT(tipRect.right - tipRect.left, 20) << "sized to the parent's text";
    TheRecorder().handler = nullptr;
}

TEST_F(ToolbarTest, DisabledButtonsAreEmbossedWithoutADisabledList)
{
    HWND bar = Make(TOOLBARCLASSNAMEW, TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0, 0, 100, 30,
        0xE800);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all { 0, 0, 16, 16 };
    FillRect(memory, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT square { 4, 4, 12, 12 };
    FillRect(memory, &square, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(memory, old);
    DeleteDC(memory);
    ImageList_AddMasked(list, bitmap, RGB(255, 255, 255));
    DeleteObject(bitmap);
    SendMessage(bar, TB_SETIMAGELIST, 0, LPARAM(list));
    TBBUTTON button { 0, 100, 0, BTNS_BUTTON, {}, 0, -1 };
    SendMessage(bar, TB_ADDBUTTONSW, 1, LPARAM(&button));
    const RECT r = ItemRect(bar, 0);
    gdi_test::Surface surface(100, 30);
    SendMessage(bar, WM_PRINTCLIENT, WPARAM(surface.dc()), PRF_CLIENT);
    const int x0 = r.left + (r.right - r.left - 16) / 2;
    const int y0 = r.top + (r.bottom - r.top - 16) / 2;
    EXPECT_EQ(surface.At(x0 + 6, y0 + 6), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(surface.At(x0 + 12, y0 + 12), GetSysColor(COLOR_3DHILIGHT))
        << "the highlight copy one pixel down and right";
    EXPECT_EQ(surface.At(x0 + 2, y0 + 2), GetSysColor(COLOR_3DFACE));
    DestroyWindow(bar);
    ImageList_Destroy(list);
}

} // namespace
