#include "ControlTestSupport.h"

using namespace control_test;

namespace {

using ButtonTest = ControlTest;

struct ClickCase {
    const char* name;
    std::vector<POINT> path; // press at the first point, move through the others, release at the last
    bool clicked;
};

TEST_F(ButtonTest, ClickedOnlyWhenReleasedInside)
{
    const ClickCase cases[] = {
        { "press and release inside", { { 10, 10 } }, true },
        { "release outside", { { 10, 10 }, { 120, 10 } }, false },
        { "out and back in", { { 10, 10 }, { 120, 10 }, { -5, 3 }, { 40, 12 } }, true },
        { "release on the edge just outside", { { 10, 10 }, { 75, 23 } }, false },
    };
    for (const ClickCase& c : cases) {
        HWND button = Make(WC_BUTTONW, u"OK", BS_PUSHBUTTON, 10, 10, 75, 23, 7);
        Events().clear();
        Press(button, c.path.front().x, c.path.front().y);
        EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED) << c.name;
        EXPECT_EQ(GetCapture(), button) << c.name;
        for (size_t i = 1; i < c.path.size(); ++i) {
            Move(button, c.path[i].x, c.path[i].y);
            const bool inside = c.path[i].x >= 0 && c.path[i].x < 75 && c.path[i].y >= 0 && c.path[i].y < 23;
            EXPECT_EQ((SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0, inside) << c.name << " step " << i;
        }
        EXPECT_TRUE(Commands().empty()) << c.name << ": nothing before the release";
        Release(button, c.path.back().x, c.path.back().y);
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED) << c.name;
        const std::vector<Event> expected = c.clicked ? std::vector<Event> { { WM_COMMAND, 7, BN_CLICKED, button } }
                                                       : std::vector<Event> {};
        EXPECT_EQ(Events(), expected) << c.name;
        DestroyWindow(button);
    }
}

TEST_F(ButtonTest, LosingTheCaptureCancelsThePress)
{
    HWND button = Make(WC_BUTTONW, u"OK", BS_PUSHBUTTON, 10, 10, 75, 23, 7);
    Press(button, 5, 5);
    ReleaseCapture();
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    Release(button, 5, 5);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(ButtonTest, SpaceClicksOnReleaseUnlessTheFocusLeaves)
{
    HWND button = Make(WC_BUTTONW, u"OK", BS_PUSHBUTTON, 10, 10, 75, 23, 7);
    HWND other = Make(WC_BUTTONW, u"Other", BS_PUSHBUTTON, 100, 10, 75, 23, 8);
    SetFocus(button);
    KeyDown(button, VK_SPACE);
    EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_TRUE(Commands().empty());
    KeyUp(button, VK_SPACE);
    EXPECT_EQ(Commands(), std::vector<UINT> { BN_CLICKED });

    Events().clear();
    KeyDown(button, VK_SPACE);
    SetFocus(other);
    KeyUp(button, VK_SPACE);
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
}

struct CheckCase {
    DWORD style;
    int clicks;
    LRESULT check;
};

TEST_F(ButtonTest, AutomaticButtonsChangeTheirCheckOnEachClick)
{
    const CheckCase cases[] = {
        { BS_AUTOCHECKBOX, 1, BST_CHECKED },
        { BS_AUTOCHECKBOX, 2, BST_UNCHECKED },
        { BS_AUTO3STATE, 1, BST_CHECKED },
        { BS_AUTO3STATE, 2, BST_INDETERMINATE },
        { BS_AUTO3STATE, 3, BST_UNCHECKED },
        { BS_CHECKBOX, 1, BST_UNCHECKED }, // the owner decides
        { BS_AUTORADIOBUTTON, 2, BST_CHECKED },
        { BS_PUSHBUTTON, 1, BST_UNCHECKED },
    };
    for (const CheckCase& c : cases) {
        HWND button = Make(WC_BUTTONW, u"Option", c.style | WS_GROUP, 10, 10, 120, 16, 9);
        Events().clear();
        for (int i = 0; i < c.clicks; ++i)
            Click(button, 5, 5);
        EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), c.check) << "style " << c.style << " clicks " << c.clicks;
        EXPECT_EQ(Commands(), std::vector<UINT>(size_t(c.clicks), BN_CLICKED)) << "style " << c.style;
        DestroyWindow(button);
    }
    HWND plain = Make(WC_BUTTONW, u"Plain", BS_CHECKBOX, 10, 10, 120, 16);
    SendMessage(plain, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(SendMessage(plain, BM_GETCHECK, 0, 0), BST_CHECKED) << "two-state boxes have no third state";
}

TEST_F(ButtonTest, AnAutomaticRadioButtonUnchecksTheRestOfItsGroupOnly)
{
    HWND a = Make(WC_BUTTONW, u"A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 80, 16, 1);
    HWND b = Make(WC_BUTTONW, u"B", BS_AUTORADIOBUTTON, 10, 30, 80, 16, 2);
    HWND c = Make(WC_BUTTONW, u"C", BS_AUTORADIOBUTTON, 10, 50, 80, 16, 3);
    HWND d = Make(WC_BUTTONW, u"D", BS_AUTORADIOBUTTON | WS_GROUP, 10, 70, 80, 16, 4);
    for (HWND w : { a, b, c, d }) // the order of the dialog: a first
        SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(d, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(GetWindowLongW(a, GWL_STYLE) & WS_TABSTOP) << "the checked radio is the group's tab stop";
    Click(c, 4, 4);
    EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(d, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group";
    EXPECT_FALSE(GetWindowLongW(a, GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP);
    // Reached from the keyboard, a radio button is chosen.
    Events().clear();
    SetFocus(b);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Events(), (std::vector<Event> { { WM_COMMAND, 2, BN_CLICKED, b } }));
}

TEST_F(ButtonTest, DialogCodesAndClickMessage)
{
    const std::pair<DWORD, LRESULT> cases[] = {
        { BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON },
        { BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON },
        { BS_AUTOCHECKBOX, DLGC_BUTTON },
        { BS_RADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON },
        { BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON },
        { BS_GROUPBOX, DLGC_STATIC },
        { BS_OWNERDRAW, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON },
    };
    for (auto [style, code] : cases) {
        HWND button = Make(WC_BUTTONW, u"x", style, 0, 0, 50, 20);
        EXPECT_EQ(SendMessage(button, WM_GETDLGCODE, 0, 0), code) << style;
        DestroyWindow(button);
    }
    HWND button = Make(WC_BUTTONW, u"OK", BS_PUSHBUTTON, 0, 0, 50, 20, 12);
    SendMessage(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(SendMessage(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    Events().clear();
    SendMessage(button, BM_CLICK, 0, 0);
    EnableWindow(button, FALSE);
    SendMessage(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Events(), (std::vector<Event> { { WM_COMMAND, 12, BN_CLICKED, button } })) << "disabled: no click";
}

TEST_F(ButtonTest, PushedLookIsDrawnByTheButton)
{
    HWND button = Make(WC_BUTTONW, u"", BS_PUSHBUTTON, 0, 0, 40, 20);
    gdi_test::Surface up(40, 20, RGB(255, 0, 255));
    Print(button, up);
    SendMessage(button, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    gdi_test::Surface down(40, 20, RGB(255, 0, 255));
    Print(button, down);
    // Raised: highlight on the top-left, dark shadow on the bottom-right. Pushed: a black frame
    // with a shadow line inside it and a flat face.
    EXPECT_EQ(up.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(up.At(39, 19), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(up.At(20, 10), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(down.At(0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(down.At(39, 19), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(down.At(1, 1), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(down.At(38, 18), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(down.At(2, 2), GetSysColor(COLOR_3DFACE));
    SendMessage(button, BM_SETSTATE, FALSE, 0);
    gdi_test::Surface again(40, 20, RGB(255, 0, 255));
    Print(button, again);
    EXPECT_EQ(again.pixels(), up.pixels());
}

TEST_F(ButtonTest, OwnerDrawButtonsDescribeTheirStateToTheOwner)
{
    HWND button = Make(WC_BUTTONW, u"", BS_OWNERDRAW, 5, 6, 60, 22, 33);
    gdi_test::Surface surface(60, 22);
    struct Step {
        std::function<void()> act;
        UINT state;
    };
    const Step steps[] = {
        { [] {}, 0 },
        { [&] { SendMessage(button, BM_SETSTATE, TRUE, 0); }, ODS_SELECTED },
        { [&] { SetFocus(button); }, ODS_SELECTED | ODS_FOCUS },
        { [&] { SendMessage(button, BM_SETSTATE, FALSE, 0); }, ODS_FOCUS },
        { [&] { SendMessage(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0); },
            ODS_FOCUS | ODS_NOFOCUSRECT | ODS_NOACCEL },
        { [&] { SetFocus(nullptr); EnableWindow(button, FALSE); }, ODS_DISABLED | ODS_NOFOCUSRECT | ODS_NOACCEL },
    };
    for (const Step& step : steps) {
        step.act();
        TheRecorder().drawn.clear();
        Print(button, surface);
        ASSERT_EQ(TheRecorder().drawn.size(), 1u);
        const DRAWITEMSTRUCT& item = TheRecorder().drawn[0];
        EXPECT_EQ(item.CtlType, ODT_BUTTON);
        EXPECT_EQ(item.CtlID, 33u);
        EXPECT_EQ(item.itemAction, ODA_DRAWENTIRE);
        EXPECT_EQ(item.itemState, step.state);
        EXPECT_EQ(item.hwndItem, button);
        EXPECT_EQ(item.hDC, surface.dc());
        EXPECT_EQ(item.rcItem.right, 60);
        EXPECT_EQ(item.rcItem.bottom, 22);
    }
}

TEST_F(ButtonTest, PushButtonsAskForButtonColoursAndCheckBoxesForStaticOnes)
{
    std::vector<UINT> asked;
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    TheRecorder().handler = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CTLCOLORBTN || message == WM_CTLCOLORSTATIC) {
            asked.push_back(message);
            SetTextColor(HDC(wParam), RGB(0, 0, 255));
            return LRESULT(yellow);
        }
        return std::nullopt;
    };
    HWND push = Make(WC_BUTTONW, u"Go", BS_PUSHBUTTON, 0, 0, 50, 20);
    HWND check = Make(WC_BUTTONW, u"Check", BS_AUTOCHECKBOX, 0, 30, 80, 20);
    gdi_test::Surface surface(80, 20);
    Print(push, surface);
    EXPECT_EQ(asked, std::vector<UINT> { WM_CTLCOLORBTN });
    asked.clear();
    Print(check, surface);
    EXPECT_EQ(asked, std::vector<UINT> { WM_CTLCOLORSTATIC });
    EXPECT_EQ(surface.At(79, 0), RGB(255, 255, 0)) << "the check box's background is the owner's brush";
    TheRecorder().handler = nullptr;
    DeleteObject(yellow);
}

// The classic look, looked at: push buttons (normal, default, pushed, disabled, focused), check
// boxes, radio buttons and a group box on the dialog face.
TEST_F(ButtonTest, GoldenClassicButtons)
{
    gdi_test::Surface surface(300, 200, GetSysColor(COLOR_3DFACE));
    struct Item {
        const WCHAR* text;
        DWORD style;
        RECT at;
        std::function<void(HWND)> prepare;
    };
    const Item items[] = {
        { u"Normal", BS_PUSHBUTTON, { 10, 10, 85, 33 }, nullptr },
        { u"Default", BS_DEFPUSHBUTTON, { 95, 10, 170, 33 }, nullptr },
        { u"Pushed", BS_PUSHBUTTON, { 180, 10, 255, 33 }, [](HWND b) { SendMessage(b, BM_SETSTATE, TRUE, 0); } },
        { u"Disabled", BS_PUSHBUTTON, { 10, 40, 85, 63 }, [](HWND b) { EnableWindow(b, FALSE); } },
        { u"&Focused", BS_DEFPUSHBUTTON, { 95, 40, 170, 63 }, [](HWND b) { SetFocus(b); } },
        { u"Group", BS_GROUPBOX, { 10, 70, 290, 190 }, nullptr },
        { u"Check box", BS_AUTOCHECKBOX, { 20, 90, 140, 106 }, nullptr },
        { u"Checked", BS_AUTOCHECKBOX, { 20, 110, 140, 126 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_CHECKED, 0); } },
        { u"Indeterminate", BS_AUTO3STATE, { 20, 130, 140, 146 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_INDETERMINATE, 0); } },
        { u"Disabled", BS_AUTOCHECKBOX, { 20, 150, 140, 166 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_CHECKED, 0); EnableWindow(b, FALSE); } },
        { u"Radio", BS_AUTORADIOBUTTON | WS_GROUP, { 150, 90, 280, 106 }, nullptr },
        { u"Chosen radio", BS_AUTORADIOBUTTON, { 150, 110, 280, 126 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_CHECKED, 0); } },
        { u"Disabled radio", BS_AUTORADIOBUTTON, { 150, 130, 280, 146 }, [](HWND b) { EnableWindow(b, FALSE); } },
    };
    std::vector<HWND> made;
    for (const Item& item : items) {
        HWND b = Make(WC_BUTTONW, item.text, item.style, item.at.left, item.at.top, item.at.right - item.at.left,
            item.at.bottom - item.at.top, 50);
        SendMessage(b, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        made.push_back(b);
    }
    for (size_t i = 0; i < made.size(); ++i)
        if (items[i].prepare)
            items[i].prepare(made[i]);
    for (size_t i = 0; i < made.size(); ++i)
        Print(made[i], surface, items[i].at.left, items[i].at.top);
    Keep(surface, "classic_buttons");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "classic_buttons"));
}

} // namespace

namespace {

// Push-like, flat, multi-line, right-hand boxes and a picture button.
TEST_F(ButtonTest, GoldenButtonVariants)
{
    gdi_test::Surface surface(280, 110, GetSysColor(COLOR_3DFACE));
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    {
        HDC mem = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(mem, picture);
        RECT all { 0, 0, 16, 16 };
        HBRUSH red = CreateSolidBrush(RGB(200, 40, 40));
        FillRect(mem, &all, red);
        DeleteObject(red);
        RECT inner { 4, 4, 12, 12 };
        FillRect(mem, &inner, GetSysColorBrush(COLOR_WINDOW));
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    struct Item {
        const WCHAR* text;
        DWORD style;
        RECT at;
        std::function<void(HWND)> prepare;
    };
    const Item items[] = {
        { u"Push-like", BS_AUTOCHECKBOX | BS_PUSHLIKE, { 10, 10, 90, 33 }, nullptr },
        { u"Checked", BS_AUTOCHECKBOX | BS_PUSHLIKE, { 100, 10, 180, 33 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_CHECKED, 0); } },
        { u"Flat", BS_PUSHBUTTON | BS_FLAT, { 190, 10, 270, 33 }, nullptr },
        { u"Two lines of text", BS_PUSHBUTTON | BS_MULTILINE, { 10, 40, 90, 76 }, nullptr },
        { u"Text first", BS_AUTOCHECKBOX | BS_LEFTTEXT, { 100, 40, 190, 56 }, [](HWND b) { SendMessage(b, BM_SETCHECK, BST_CHECKED, 0); } },
        { u"", BS_PUSHBUTTON | BS_BITMAP, { 200, 40, 230, 70 }, [&](HWND b) { SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, LPARAM(picture)); } },
        { u"", BS_PUSHBUTTON | BS_BITMAP, { 240, 40, 270, 70 }, [&](HWND b) { SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, LPARAM(picture)); EnableWindow(b, FALSE); } },
        { u"Right", BS_PUSHBUTTON | BS_RIGHT | BS_BOTTOM, { 10, 82, 130, 104 }, nullptr },
    };
    std::vector<HWND> made;
    for (const Item& item : items)
        made.push_back(Make(WC_BUTTONW, item.text, item.style, item.at.left, item.at.top, item.at.right - item.at.left,
            item.at.bottom - item.at.top, 60));
    for (size_t i = 0; i < made.size(); ++i)
        if (items[i].prepare)
            items[i].prepare(made[i]);
    for (size_t i = 0; i < made.size(); ++i)
        Print(made[i], surface, items[i].at.left, items[i].at.top);
    EXPECT_EQ(SendMessage(made[5], BM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(picture));
    Keep(surface, "button_variants");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "button_variants"));
    for (HWND b : made)
        DestroyWindow(b);
    DeleteObject(picture);
}

} // namespace

namespace {

TEST_F(ButtonTest, ANewButtonTakesItsParentsKeyboardCues)
{
    TheRecorder().handler = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_QUERYUISTATE)
            return LRESULT(UISF_HIDEFOCUS | UISF_HIDEACCEL); // as a dialog before any key
        return std::nullopt;
    };
    HWND button = Make(WC_BUTTONW, u"&Go", BS_OWNERDRAW, 0, 0, 60, 22, 34);
    TheRecorder().handler = nullptr;
    EXPECT_EQ(SendMessage(button, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEFOCUS | UISF_HIDEACCEL));
    SetFocus(button);
    gdi_test::Surface surface(60, 22);
    TheRecorder().drawn.clear();
    Print(button, surface);
    ASSERT_EQ(TheRecorder().drawn.size(), 1u);
    EXPECT_EQ(TheRecorder().drawn[0].itemState, ODS_FOCUS | ODS_NOFOCUSRECT | ODS_NOACCEL);
    // The keyboard shows them.
    SendMessage(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    TheRecorder().drawn.clear();
    Print(button, surface);
    ASSERT_EQ(TheRecorder().drawn.size(), 1u);
    EXPECT_EQ(TheRecorder().drawn[0].itemState, ODS_FOCUS);
}

} // namespace
