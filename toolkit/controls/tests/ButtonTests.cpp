#include "toolkit/controls/Button.h"
#include "toolkit/controls/ButtonTheme.h"

#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/tests/FakeThemeModule.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"

#include "ButtonTestResources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A plain parent window for the buttons, its client filled with white.
class Parent : public CWnd {
public:
    Parent(int width, int height)
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, HBRUSH(::GetStockObject(WHITE_BRUSH))), u"Buttons",
                 WS_POPUP | WS_VISIBLE, 10, 10, width, height, nullptr, nullptr);
    }
    ~Parent() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
};

// An opaque square of one colour, as a 32-bit image with alpha.
HBITMAP SolidImage(int size, COLORREF color)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < size * size; ++i)
        pixels[i] = 0xFF000000u | (DWORD(GetRValue(color)) << 16) | (DWORD(GetGValue(color)) << 8) | GetBValue(color);
    return bitmap;
}

class ButtonTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
        m_font = ::GetStockObject(DEFAULT_GUI_FONT);
    }
    // A button of the parent at (x, y) with the flags given (the default ones when -1).
    std::unique_ptr<CJQButton> Make(CWnd& parent, const WCHAR* text, RECT rect, DWORD style = BS_PUSHBUTTON,
                                    DWORD flags = DWORD(-1), UINT id = 100)
    {
        auto button = std::make_unique<CJQButton>();
        EXPECT_TRUE(button->Create(text, WS_CHILD | WS_VISIBLE | style, rect, &parent, id));
        button->SendMessage(WM_SETFONT, WPARAM(m_font), FALSE);
        if (flags != DWORD(-1))
            button->SetThemeStyleFlags(flags, TRUE);
        return button;
    }
    static testkit::Capture Shot(CWnd& button)
    {
        ::RedrawWindow(button.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return testkit::CaptureClient(button.m_hWnd);
    }
    // The bounding box of the pixels unlike `background` inside `area`.
    static RECT Ink(const testkit::Capture& c, RECT area, COLORREF background)
    {
        RECT box { area.right, area.bottom, area.left, area.top };
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (c.ColorAt(x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }
    static void ExpectFrame(const testkit::Capture& c, int inset, COLORREF topLeft, COLORREF bottomRight,
                            const char* what)
    {
        const int r = c.width - 1 - inset, b = c.height - 1 - inset;
        EXPECT_TRUE(testkit::AllPixels(c, { inset, inset, r, inset + 1 }, topLeft)) << what << " top";
        EXPECT_TRUE(testkit::AllPixels(c, { inset, inset, inset + 1, b }, topLeft)) << what << " left";
        EXPECT_TRUE(testkit::AllPixels(c, { inset, b, r + 1, b + 1 }, bottomRight)) << what << " bottom";
        EXPECT_TRUE(testkit::AllPixels(c, { r, inset, r + 1, b + 1 }, bottomRight)) << what << " right";
    }
    HGDIOBJ m_font = nullptr;
};

TEST_F(ButtonTest, ADefaultButtonIsFlatWithAFocusRectangleAndSharesItsThreadsClassicStyle)
{
    Parent parent(200, 100);
    auto first = Make(parent, u"One", { 10, 10, 90, 35 });
    auto second = Make(parent, u"Two", { 100, 10, 180, 35 }, BS_PUSHBUTTON, DWORD(-1), 101);
    EXPECT_EQ(first->GetThemeStyleFlags(), 0x11u);
    CJQThemeManagerStyle* shared =
        GetThemeManager()->GetFactory(RUNTIME_CLASS(CJQButtonThemeFactory))->GetStyle();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(first.get()), shared);
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(second.get()), shared);
    EXPECT_EQ(typeid(*shared), typeid(CJQButtonTheme));
    EXPECT_TRUE(first->HasTheme());
    EXPECT_EQ(GetThemeStyleOfEmbeddedHost(nullptr), nullptr);

    // A private style for one button leaves the other on the shared one, and goes when asked.
    first->SetThemeStyleFlags(JQ_BS_OFFICEXP);
    EXPECT_NE(dynamic_cast<CJQButtonThemeOfficeXP*>(first->CJQThemeManagerStyleHost::GetStyle()), nullptr);
    EXPECT_EQ(second->CJQThemeManagerStyleHost::GetStyle(), shared);
    first->SetStyle(nullptr);
    EXPECT_EQ(first->CJQThemeManagerStyleHost::GetStyle(), shared);
}

TEST_F(ButtonTest, AFlatButtonShowsOnlyItsFaceUntilTheMouseComesAndAgainAfterItLeaves)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 100, 50 });
    CJQButtonTheme* theme = button->GetButtonTheme();
    ASSERT_NE(theme, nullptr);
    const COLORREF face = theme->m_crFace;
    EXPECT_EQ(face, ::GetSysColor(COLOR_BTNFACE));
    testkit::Capture idle = Shot(*button);
    EXPECT_TRUE(testkit::AllPixels(idle, { 0, 0, idle.width, idle.height }, face));

    testkit::MoveTo(testkit::ClientPoint(button->m_hWnd, 30, 15));
    Pump();
    EXPECT_TRUE(button->m_bHot);
    testkit::Capture hot = Shot(*button);
    ExpectFrame(hot, 0, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW), "hot");

    // Out in one jump onto the parent: the button sees no move outside, only WM_MOUSELEAVE.
    testkit::MoveTo(testkit::ClientPoint(parent.m_hWnd, 180, 90));
    Pump();
    EXPECT_FALSE(button->m_bHot);
    EXPECT_TRUE(testkit::AllPixels(Shot(*button), { 0, 0, idle.width, idle.height }, face));
}

TEST_F(ButtonTest, APressedRaisedButtonInvertsBothFramesAndMovesItsTextOnePixel)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"Go", { 20, 20, 100, 50 }, BS_PUSHBUTTON, 0);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW), dark = ::GetSysColor(COLOR_3DDKSHADOW);
    testkit::Capture idle = Shot(*button);
    ExpectFrame(idle, 0, light, dark, "idle outer");
    ExpectFrame(idle, 1, face, shadow, "idle inner");
    const RECT inside { 2, 2, idle.width - 2, idle.height - 2 };
    const RECT text = Ink(idle, inside, face);
    ASSERT_LT(text.left, text.right);

    button->SendMessage(BM_SETSTATE, TRUE);
    EXPECT_TRUE(button->IsPushed());
    EXPECT_TRUE(button->CWnd::GetStyle() & WS_VISIBLE);
    testkit::Capture pressed = Shot(*button);
    ExpectFrame(pressed, 0, dark, light, "pressed outer");
    ExpectFrame(pressed, 1, shadow, face, "pressed inner");
    const RECT moved = Ink(pressed, inside, face);
    EXPECT_EQ(moved.left, text.left + 1);
    EXPECT_EQ(moved.top, text.top + 1);
    EXPECT_EQ(moved.right, text.right + 1);
    EXPECT_EQ(moved.bottom, text.bottom + 1);

    button->SendMessage(BM_SETSTATE, FALSE);
    EXPECT_TRUE(testkit::SamePixels(Shot(*button), idle));
}

TEST_F(ButtonTest, AMousePressShowsThePressedLookToo)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"Go", { 20, 20, 100, 50 }, BS_PUSHBUTTON, 0);
    testkit::Press(testkit::ClientPoint(button->m_hWnd, 40, 15));
    Pump();
    testkit::Capture pressed = Shot(*button);
    EXPECT_EQ(pressed.ColorAt(0, 0), ::GetSysColor(COLOR_3DDKSHADOW));
    testkit::Release(testkit::ClientPoint(button->m_hWnd, 40, 15));
    Pump();
    EXPECT_EQ(Shot(*button).ColorAt(0, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(ButtonTest, ADefaultPushButtonGetsADarkFrameAroundItsRaisedFrames)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"OK", { 20, 20, 100, 50 }, BS_DEFPUSHBUTTON, JQ_BS_FOCUSRECT);
    testkit::Capture c = Shot(*button);
    const COLORREF dark = ::GetSysColor(COLOR_3DDKSHADOW);
    ExpectFrame(c, 0, dark, dark, "default frame");
    ExpectFrame(c, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT), dark, "outer");
    ExpectFrame(c, 2, ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNSHADOW), "inner");
}

TEST_F(ButtonTest, AnIconOnlyButtonCentresItsIconBothWays)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 60, 50 }, BS_PUSHBUTTON | BS_CENTER | BS_VCENTER);
    HBITMAP image = SolidImage(16, RGB(200, 0, 0));
    ASSERT_TRUE(button->SetIconFromHandles(CSize(0, 0), CJQWIconImageHandle(image), CJQWIconImageHandle()));
    EXPECT_EQ(button->GetIconSize(), CSize(16, 16));
    testkit::Capture c = Shot(*button);
    const RECT ink = Ink(c, { 0, 0, c.width, c.height }, ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ink.left, (40 - 16) / 2);
    EXPECT_EQ(ink.top, (30 - 16) / 2);
    EXPECT_EQ(ink.right - ink.left, 16);
    EXPECT_EQ(ink.bottom - ink.top, 16);
    EXPECT_EQ(c.ColorAt(20, 15), RGB(200, 0, 0));

    // Without show-images the icon is neither drawn nor counted.
    button->ToggleThemeFlag();
    testkit::Capture hidden = Shot(*button);
    EXPECT_TRUE(testkit::AllPixels(hidden, { 0, 0, hidden.width, hidden.height }, ::GetSysColor(COLOR_BTNFACE)));
    button->ToggleThemeFlag();
    button.reset();
    ::DeleteObject(image);
}

TEST_F(ButtonTest, OfficeXPColoursComeFromTheColourTableAndItsTextStaysPut)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"Go", { 20, 20, 100, 50 }, BS_PUSHBUTTON, JQ_BS_OFFICEXP);
    auto* theme = dynamic_cast<CJQButtonThemeOfficeXP*>(button->GetButtonTheme());
    ASSERT_NE(theme, nullptr);
    EXPECT_EQ(theme->m_nTheme, 1);
    CJQWColorManager* colors = GetColorManager();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    testkit::Capture idle = Shot(*button);
    EXPECT_EQ(idle.ColorAt(0, 0), face); // no frame when not framed
    const RECT text = Ink(idle, { 1, 1, idle.width - 1, idle.height - 1 }, face);

    button->m_bHot = TRUE;
    testkit::Capture hot = Shot(*button);
    ExpectFrame(hot, 0, colors->GetColor(32), colors->GetColor(32), "hot border");
    EXPECT_EQ(hot.ColorAt(3, 3), colors->GetColor(31));
    button->m_bHot = FALSE;

    button->SendMessage(BM_SETSTATE, TRUE);
    testkit::Capture pressed = Shot(*button);
    ExpectFrame(pressed, 0, colors->GetColor(32), colors->GetColor(32), "pressed border");
    EXPECT_EQ(pressed.ColorAt(3, 3), colors->GetColor(33));
    const RECT still = Ink(pressed, { 1, 1, pressed.width - 1, pressed.height - 1 }, colors->GetColor(33));
    EXPECT_EQ(still.left, text.left);
    EXPECT_EQ(still.top, text.top);
    button->SendMessage(BM_SETSTATE, FALSE);

    button->m_bChecked = TRUE;
    EXPECT_EQ(Shot(*button).ColorAt(3, 3), colors->GetColor(36));
    button->m_bChecked = FALSE;

    // Flat colours: the border and both backgrounds.
    button->SetFlatColors(RGB(1, 2, 3), RGB(10, 20, 30), RGB(40, 50, 60));
    button->m_bHot = TRUE;
    testkit::Capture custom = Shot(*button);
    ExpectFrame(custom, 0, RGB(1, 2, 3), RGB(1, 2, 3), "custom border");
    EXPECT_EQ(custom.ColorAt(3, 3), RGB(10, 20, 30));
}

TEST_F(ButtonTest, FlatColoursChangeNothingOutsideTheOfficeXPLook)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"Go", { 20, 20, 100, 50 }, BS_PUSHBUTTON, JQ_BS_FLAT);
    CJQButtonTheme* theme = button->GetButtonTheme();
    const COLORREF light = theme->m_crLight, shadow = theme->m_crShadow;
    button->SetFlatColors(RGB(1, 2, 3), RGB(10, 20, 30), RGB(40, 50, 60));
    EXPECT_EQ(COLORREF(theme->m_crLight), light);
    EXPECT_EQ(COLORREF(theme->m_crShadow), shadow);
    // The colour setters reach the style; without one the shared face colour answers.
    button->SetFaceColor(RGB(9, 9, 9));
    EXPECT_EQ(button->GetFaceColor(), RGB(9, 9, 9));
}

TEST_F(ButtonTest, Office2003TakesTheSchemesColoursAndTheSilverBorderAsWritten)
{
    struct Case {
        const char16_t* color;
        int scheme;
        COLORREF face, shadow, border;
    };
    const Case cases[] = {
        { u"NormalColor", 1, RGB(169, 199, 240), RGB(127, 157, 185), RGB(0, 0, 128) },
        { u"HomeStead", 2, RGB(197, 212, 159), RGB(164, 185, 127), RGB(63, 93, 56) },
        { u"Metallic", 3, RGB(192, 192, 211), RGB(165, 172, 178), RGB(75, 75, 11) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scheme);
        FakeThemeModule fake;
        fake.active = true;
        fake.colorName = c.color;
        fake.Install();
        CJQButtonThemeOffice2003 plain(FALSE), framed(TRUE);
        plain.RefreshMetrics();
        framed.RefreshMetrics();
        ASSERT_EQ(GetColorManager()->GetCurrentSystemTheme(), c.scheme);
        EXPECT_EQ(COLORREF(plain.m_crFace), ::GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(COLORREF(framed.m_crFace), c.face);
        EXPECT_EQ(COLORREF(plain.m_crShadow), c.shadow);
        EXPECT_EQ(COLORREF(plain.m_crLight), c.border);
        EXPECT_EQ(COLORREF(plain.m_crHotBack), RGB(255, 238, 194));
        EXPECT_EQ(COLORREF(plain.m_crPressedBack), RGB(254, 128, 62));
        EXPECT_EQ(COLORREF(plain.m_crCheckedBack), RGB(255, 192, 111));
        EXPECT_EQ(COLORREF(plain.m_crText), RGB(0, 0, 0));
        EXPECT_FALSE(plain.m_bOffsetWhenPressed);
    }
    platform::modules::Reset();
    RefreshColorManager();
}

TEST_F(ButtonTest, Office2003DrawsItsHotGradientTopToBottomInsideTheBorder)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 100, 60 });
    auto* style = new CJQButtonThemeOffice2003(FALSE);
    style->m_nTheme = 2;
    button->SetStyle(style);
    button->m_bHot = TRUE;
    testkit::Capture c = Shot(*button);
    ExpectFrame(c, 0, style->m_crLight, style->m_crLight, "border");
    // From (255, 242, 200) at the top to (255, 212, 151) at the bottom; the border hides the ends.
    auto near = [](COLORREF a, COLORREF b) {
        return std::abs(int(GetGValue(a)) - int(GetGValue(b))) <= 2 && std::abs(int(GetBValue(a)) - int(GetBValue(b))) <= 3;
    };
    EXPECT_TRUE(near(c.ColorAt(10, 1), RGB(255, 242, 200)));
    EXPECT_TRUE(near(c.ColorAt(10, c.height - 2), RGB(255, 212, 151)));
    for (int y = 2; y < c.height - 1; ++y)
        EXPECT_LE(GetGValue(c.ColorAt(10, y)), GetGValue(c.ColorAt(10, y - 1))) << y;
    EXPECT_EQ(c.ColorAt(5, 1), c.ColorAt(60, 1)); // one colour per row
}

TEST_F(ButtonTest, PrintClientDrawsOnlyWithTheClientFlag)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 0, 0, 30, 20 }, BS_PUSHBUTTON, JQ_BS_SEMIFLAT);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 30, 20);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all { 0, 0, 30, 20 };
    ::FillRect(dc, &all, HBRUSH(::GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(button->SendMessage(WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT), 1);
    EXPECT_EQ(::GetPixel(dc, 0, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(::GetPixel(dc, 29, 19), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(::GetPixel(dc, 10, 10), ::GetSysColor(COLOR_BTNFACE));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST_F(ButtonTest, TheButtonAsksForDialogKeysLikeADefaultButtonOnlyWhenOwnerDrawnAndFocused)
{
    Parent parent(200, 100);
    auto drawn = Make(parent, u"A", { 0, 0, 30, 20 }, BS_OWNERDRAW);
    auto plain = Make(parent, u"B", { 40, 0, 70, 20 }, BS_PUSHBUTTON, DWORD(-1), 101);
    EXPECT_TRUE(drawn->m_bOwnerDrawn);
    EXPECT_EQ(drawn->SendMessage(WM_GETDLGCODE), DLGC_BUTTON);
    drawn->SetFocus();
    EXPECT_EQ(drawn->SendMessage(WM_GETDLGCODE), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(plain->SendMessage(WM_GETDLGCODE), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

TEST_F(ButtonTest, IconsFromResourcesAndAMissingHotIconKeepsThePresentOne)
{
    HMODULE module = platform::modules::Register(u"toolkit_button_test_module", {});
    std::string message;
    ASSERT_TRUE(platform::resources::RegisterModuleTable(module, ButtonTestResources, &message)) << message;
    AfxSetResourceHandle(module);
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 60, 50 }, BS_PUSHBUTTON | BS_CENTER | BS_VCENTER);
    ASSERT_TRUE(button->SetIconFromResourceIds(CSize(16, 16), IDI_GREEN, IDI_ORANGE));
    CJQWImageManagerIcon* icon = button->GetIcon();
    EXPECT_EQ(Shot(*button).ColorAt(20, 15), RGB(0, 160, 0));
    button->m_bHot = TRUE;
    EXPECT_EQ(Shot(*button).ColorAt(20, 15), RGB(250, 140, 0));
    button->m_bHot = FALSE;

    EXPECT_FALSE(button->SetIconFromResourceIds(CSize(16, 16), IDI_ORANGE, 4711));
    EXPECT_FALSE(button->SetIconFromResourceIds(CSize(16, 16), 4711));
    EXPECT_EQ(button->GetIcon(), icon);
    EXPECT_EQ(Shot(*button).ColorAt(20, 15), RGB(0, 160, 0));
    EXPECT_TRUE(button->SetIconFromResourceNames(CSize(16, 16), MAKEINTRESOURCEW(IDI_ORANGE)));
    EXPECT_EQ(Shot(*button).ColorAt(20, 15), RGB(250, 140, 0));

    // A bitmap without alpha: its top-left colour turns transparent.
    EXPECT_TRUE(button->SetBitmapFromResource(CSize(16, 16), IDB_KEYED));
    testkit::Capture keyed = Shot(*button);
    EXPECT_EQ(keyed.ColorAt(20, 15), RGB(0, 0, 200));
    EXPECT_EQ(keyed.ColorAt(13, 8), ::GetSysColor(COLOR_BTNFACE)); // a key-coloured corner of the image
    EXPECT_FALSE(button->SetBitmapFromResource(CSize(16, 16), 4711));
    // A bitmap with alpha is drawn through it.
    EXPECT_TRUE(button->SetBitmapFromResource(CSize(16, 16), IDB_ALPHA));
    testkit::Capture alpha = Shot(*button);
    EXPECT_EQ(alpha.ColorAt(20, 15), RGB(0, 120, 0));
    EXPECT_EQ(alpha.ColorAt(13, 8), ::GetSysColor(COLOR_BTNFACE));
    AfxSetResourceHandle(nullptr); // the program's own again, whatever its handle is by then
}

TEST_F(ButtonTest, AColourChangeOfTheSystemReachesTheStyle)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 60, 50 }, BS_PUSHBUTTON, JQ_BS_FLAT);
    EXPECT_EQ(Shot(*button).ColorAt(5, 5), ::GetSysColor(COLOR_BTNFACE));
    {
        ScopedSystemModel model;
        model.UseClassicColors();
        ASSERT_NE(::GetSysColor(COLOR_BTNFACE), RGB(236, 233, 216));
        button->SendMessage(WM_SYSCOLORCHANGE);
        EXPECT_EQ(Shot(*button).ColorAt(5, 5), ::GetSysColor(COLOR_BTNFACE));
    }
    // The colour table is the process's: back to the desktop's colours for the tests after.
    button->SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(Shot(*button).ColorAt(5, 5), RGB(236, 233, 216));
}

TEST_F(ButtonTest, TextLayoutByAlignmentAndByTheUsersPositions)
{
    Parent parent(300, 100);
    auto button = Make(parent, u"&Save && Exit", { 10, 10, 210, 40 }, BS_PUSHBUTTON | BS_LEFT);
    EXPECT_EQ(button->GetButtonText(TRUE), u"Save & Exit");
    EXPECT_EQ(button->GetButtonText(FALSE), u"&Save && Exit");
    CJQButtonTheme* theme = button->GetButtonTheme();
    const CRect client(0, 0, 200, 30);
    const CSize text(50, 13);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(4 + 8, 8));
    button->ModifyStyle(BS_CENTER, BS_RIGHT);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(200 - 4 - 50, 8));
    button->ModifyStyle(BS_CENTER, 0);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(4 + (200 - 4 - 50 - 4) / 2, 8));
    // With a 16 x 16 icon beside the text.
    HBITMAP image = SolidImage(16, RGB(1, 2, 3));
    button->SetIconFromHandles(CSize(0, 0), CJQWIconImageHandle(image), CJQWIconImageHandle(), FALSE);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(20 + (200 - 4 - 50 - 20) / 2, 8));
    button->ModifyStyle(BS_CENTER, BS_LEFT);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(4 + 8 + 16, 8));
    // Image above the text: the text moves down by half the icon and half the gap.
    button->SetThemeStyleFlags(JQ_BS_IMAGEABOVETEXT | JQ_BS_FOCUSRECT, FALSE);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()).y, 8 + 8 + 4);
    button->SetImageTextLayout(CPoint(3, 4), CPoint(30, 9), FALSE);
    EXPECT_EQ(theme->CalcTextPos(client, text, button.get()), CPoint(30, 9));
    EXPECT_EQ(theme->CalcImagePos(nullptr, client, button.get()), CPoint(3, 4));
    button.reset();
    ::DeleteObject(image);
}

TEST_F(ButtonTest, ATransparentControlGetsTheParentsPixelsUnderIt)
{
    Parent parent(200, 100);
    auto button = Make(parent, u"", { 20, 20, 60, 50 });
    Pump();
    CJQThemeManagerStyle* style = button->CJQThemeManagerStyleHost::GetStyle();
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 30);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all { 0, 0, 40, 30 };
    ::FillRect(dc, &all, HBRUSH(::GetStockObject(BLACK_BRUSH)));
    EXPECT_FALSE(style->DrawTransparentBackground(CDC::FromHandle(dc), button.get())); // not transparent
    button->ModifyStyleEx(0, WS_EX_TRANSPARENT);
    EXPECT_TRUE(style->DrawTransparentBackground(CDC::FromHandle(dc), button.get()));
    // What the parent shows there, the control's own last picture included.
    EXPECT_EQ(::GetPixel(dc, 0, 0), testkit::ClientPixel(parent.m_hWnd, 20, 20));
    EXPECT_EQ(::GetPixel(dc, 39, 29), testkit::ClientPixel(parent.m_hWnd, 59, 49));
    EXPECT_NE(::GetPixel(dc, 39, 29), RGB(0, 0, 0));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    CWnd orphan;
    EXPECT_FALSE(style->TakeParentSnapshot(&orphan));
}

// One picture per look: a row of buttons in the states a user meets.
TEST_F(ButtonTest, GoldenButtonStatesUnderEachLook)
{
    struct Look {
        const char* name;
        DWORD flags;
        int theme; // -1: by the flags
    };
    const Look looks[] = {
        { "classic_raised", JQ_BS_FOCUSRECT, -1 },
        { "classic_flat", JQ_BS_FLAT | JQ_BS_FOCUSRECT, -1 },
        { "classic_semiflat_checker", JQ_BS_SEMIFLAT | JQ_BS_CHECKERPRESSED | JQ_BS_FOCUSRECT, -1 },
        { "office_xp", JQ_BS_OFFICEXP | JQ_BS_FOCUSRECT, -1 },
        { "office_2003", JQ_BS_FOCUSRECT, 2 },
    };
    const WCHAR* labels[] = { u"&Normal", u"Hot", u"Pressed", u"Checked", u"Disabled", u"Default", u"Focus" };
    HBITMAP image = SolidImage(12, RGB(30, 120, 200));
    for (const Look& look : looks) {
        SCOPED_TRACE(look.name);
        Parent parent(7 * 76 + 4, 34);
        std::vector<std::unique_ptr<CJQButton>> buttons;
        for (int i = 0; i < 7; ++i) {
            const DWORD style = i == 5 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            auto b = Make(parent, labels[i], { 4 + i * 76, 4, 4 + i * 76 + 72, 30 }, style, look.flags, 100 + i);
            if (look.theme >= 0) {
                auto* style2003 = new CJQButtonThemeOffice2003(TRUE);
                style2003->m_nTheme = look.theme;
                b->SetStyle(style2003);
            }
            b->SetIconFromHandles(CSize(0, 0), CJQWIconImageHandle(image), CJQWIconImageHandle(), FALSE);
            buttons.push_back(std::move(b));
        }
        buttons[1]->m_bHot = TRUE;
        buttons[2]->SendMessage(BM_SETSTATE, TRUE);
        buttons[3]->m_bChecked = TRUE;
        buttons[4]->EnableWindow(FALSE);
        ::SendMessage(parent.m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        buttons[6]->SetFocus();
        ::RedrawWindow(parent.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const testkit::Capture shot = testkit::CaptureClient(parent.m_hWnd);
        EXPECT_TRUE(testkit::MatchesGolden(shot, std::string(VORNALT_TEST_DATA_DIR "/../goldens/button_") + look.name +
                                                     ".png"));
    }
    ::DeleteObject(image);
}

} // namespace
