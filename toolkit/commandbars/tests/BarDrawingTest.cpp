// What a person sees of a toolbar and of a menu under the default theme: the pictures are checked
// at the points that matter (face, raised and sunken edges, the dithered checked button, the menu
// highlight, grey and embossed disabled text, the etched separator, the tick and the submenu
// arrow). VORNALT_BAR_PNG_DIR=<dir> writes them for a person to look at.

#include "platform/framework/FrameWnd.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/PixelChecks.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/DefaultTheme.h"
#include "toolkit/commandbars/ToolBar.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

void Keep(const testkit::Capture& capture, const char* name)
{
    if (const char* dir = std::getenv("VORNALT_BAR_PNG_DIR"))
        testkit::SavePng(capture, std::string(dir) + "/" + name + ".png");
}

int Count(const testkit::Capture& c, const CRect& r, COLORREF color)
{
    int n = 0;
    for (int y = std::max(0, int(r.top)); y < std::min(c.height, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(c.width, int(r.right)); ++x)
            if (c.ColorAt(x, y) == color)
                ++n;
    return n;
}

// Pixels of dark text (anti-aliased edges included).
int Dark(const testkit::Capture& c, const CRect& r)
{
    int n = 0;
    for (int y = std::max(0, int(r.top)); y < std::min(c.height, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(c.width, int(r.right)); ++x) {
            const COLORREF p = c.ColorAt(x, y);
            if (GetRValue(p) + GetGValue(p) + GetBValue(p) < 250)
                ++n;
        }
    return n;
}

class BarDrawingTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        site = new CFrameWnd;
        ASSERT_TRUE(site->Create(nullptr, u"site", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(20, 20, 620, 420)));
        theme = new JQWPaintThemes::CJQWDefaultTheme;
        theme->RefreshMetrics();
    }
    void TearDown() override
    {
        site->DestroyWindow();
        theme->InternalRelease();
        testkit::DesktopTest::TearDown();
    }
    COLORREF Color(int index) const { return theme->GetColor(index); }
    CFrameWnd* site = nullptr;
    JQWPaintThemes::CJQWDefaultTheme* theme = nullptr;
};

} // namespace

TEST_F(BarDrawingTest, ToolbarStates)
{
    auto* bar = new CJQWToolBar;
    bar->SetBarPosition(jqwBarTop);
    bar->SetShowExpandButton(FALSE);
    theme->InternalAddRef();
    bar->SetPaintManager(theme);
    ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
    CJQWControls* controls = bar->GetControls();
    auto add = [&](int id, const char16_t* caption) {
        CJQWControl* control = controls->Add(JQW_CONTROL_BUTTON, id);
        control->SetCaption(CString(caption));
        return control;
    };
    add(1, u"&New");
    CJQWControl* checked = add(2, u"&Open");
    checked->SetChecked(1);
    CJQWControl* disabled = add(3, u"&Save");
    disabled->SetEnabled(0);
    CJQWControl* hot = add(4, u"&Run");
    hot->SetBeginGroup(TRUE);
    const CSize size = bar->CalcDynamicLayout(600, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
    bar->MoveWindow(0, 0, size.cx, size.cy);
    bar->SetSelected(3, 0);
    bar->RedrawWindow();

    const testkit::Capture c = testkit::CaptureClient(bar->m_hWnd);
    Keep(c, "toolbar");
    ASSERT_FALSE(c.Empty());
    // The raised bar edge and the face inside it.
    EXPECT_EQ(c.ColorAt(0, 0), Color(20));
    EXPECT_EQ(c.ColorAt(c.width - 1, c.height - 1), Color(16));
    // The gripper: a raised strip at x 3..5.
    EXPECT_EQ(c.ColorAt(3, c.height / 2), Color(20));
    EXPECT_EQ(c.ColorAt(5, c.height / 2), Color(16));
    // Checked, not under the mouse: sunken on a dithered face.
    const CRect r = checked->GetRect();
    EXPECT_EQ(c.ColorAt(r.left, r.top), Color(16));
    EXPECT_EQ(c.ColorAt(r.right - 1, r.bottom - 1), Color(20));
    EXPECT_GT(Count(c, CRect(r.left + 1, r.top + 1, r.left + 5, r.top + 5), Color(20)), 4);
    EXPECT_GT(Count(c, CRect(r.left + 1, r.top + 1, r.left + 5, r.top + 5), Color(15)), 4);
    // Under the mouse: raised.
    const CRect h = hot->GetRect();
    EXPECT_EQ(c.ColorAt(h.left, h.top), Color(20));
    EXPECT_EQ(c.ColorAt(h.right - 1, h.bottom - 1), Color(16));
    // Disabled text is grey with its highlight emboss; enabled text has no emboss.
    const CRect d = disabled->GetRect();
    EXPECT_GT(Count(c, d, Color(17)), 5);
    EXPECT_GT(Count(c, d, Color(20)), 0);
    EXPECT_EQ(Count(c, controls->GetAt(0)->GetRect(), Color(20)), 0);
    // Enabled text is in the button-text colour.
    EXPECT_GT(Count(c, controls->GetAt(0)->GetRect(), Color(18)), 5);
    // The etched separator before the group: shadow then highlight, two pixels left of the gap.
    EXPECT_EQ(c.ColorAt(h.left - 4, h.CenterPoint().y), Color(16));
    EXPECT_EQ(c.ColorAt(h.left - 3, h.CenterPoint().y), Color(20));

    bar->DestroyWindow();
    bar->InternalRelease();
}

TEST_F(BarDrawingTest, MenuItems)
{
    auto* bar = new CJQWToolBar;
    bar->SetType(jqwBarTypePopup);
    bar->SetBarPosition(jqwBarPopup);
    bar->SetShowExpandButton(FALSE);
    theme->InternalAddRef();
    bar->SetPaintManager(theme);
    ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
    CJQWControls* controls = bar->GetControls();
    auto add = [&](int type, int id, const char16_t* caption) {
        CJQWControl* control = controls->Add(type, id);
        control->SetCaption(CString(caption));
        return control;
    };
    CJQWControl* open = add(JQW_CONTROL_BUTTON, 1, u"&Open...\tCtrl+O");
    CJQWControl* checked = add(JQW_CONTROL_BUTTON, 2, u"&Preview");
    checked->SetChecked(1);
    CJQWControl* disabled = add(JQW_CONTROL_BUTTON, 3, u"&Undo");
    disabled->SetEnabled(0);
    CJQWControl* sub = add(JQW_CONTROL_POPUP, 0, u"&Recent");
    sub->SetBeginGroup(TRUE);
    CJQWControl* exit = add(JQW_CONTROL_BUTTON, 4, u"E&xit");
    exit->SetBeginGroup(TRUE);
    const CSize size = controls->CalcPopupSize(nullptr, 0, bar->GetBorders());
    ASSERT_GT(size.cx, 60);
    bar->MoveWindow(0, 0, size.cx, size.cy);
    // Items fill the menu's width.
    for (int i = 0; i < controls->GetCount(); ++i) {
        CRect r = controls->GetAt(i)->GetRect();
        r.right = size.cx - 3;
        controls->GetAt(i)->SetRect(r);
    }
    bar->SetSelected(0, 2);
    bar->RedrawWindow();

    const testkit::Capture c = testkit::CaptureClient(bar->m_hWnd);
    Keep(c, "menu");
    ASSERT_FALSE(c.Empty());
    // Popup frame: face and dark shadow outside, raised inside.
    EXPECT_EQ(c.ColorAt(c.width - 1, c.height - 1), Color(21));
    EXPECT_EQ(c.ColorAt(1, 1), Color(20));
    // The selected item without an icon is highlighted over its whole width, its text in
    // highlight text.
    const CRect o = open->GetRect();
    EXPECT_EQ(c.ColorAt(o.right - 2, o.CenterPoint().y), Color(13));
    EXPECT_EQ(c.ColorAt(o.left + 2, o.CenterPoint().y), Color(13));
    EXPECT_GT(Count(c, o, Color(14)), 10);
    // The tick of the checked item sits in the icon column.
    const CRect k = checked->GetRect();
    const int column = std::max(16 + 4, theme->m_baseTextHeight);
    EXPECT_GT(Count(c, CRect(k.left, k.top, k.left + column, k.bottom), Color(18)), 8);
    // Disabled: grey text, embossed.
    EXPECT_GT(Count(c, disabled->GetRect(), Color(17)), 5);
    EXPECT_GT(Count(c, disabled->GetRect(), Color(20)), 5);
    // The etched separator above the submenu and the submenu's arrow.
    const CRect s = sub->GetRect();
    EXPECT_EQ(c.ColorAt(s.left + 20, s.top - 5), Color(16));
    EXPECT_EQ(c.ColorAt(s.left + 20, s.top - 4), Color(20));
    EXPECT_EQ(c.ColorAt(s.right - 10, s.CenterPoint().y), Color(18));

    bar->DestroyWindow();
    bar->InternalRelease();
}

namespace {

// A strip of 16 x 16 buttons of one colour each (a white corner pixel is the transparent key).
HBITMAP Strip(std::initializer_list<COLORREF> colors)
{
    const int n = int(colors.size());
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), n * 16, 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    int i = 0;
    for (COLORREF color : colors) {
        for (int x = 0; x < 16; ++x)
            for (int y = 0; y < 16; ++y)
                SetPixel(dc, i * 16 + x, y, x == 0 && y == 0 ? RGB(255, 0, 255) : color);
        ++i;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return strip;
}

} // namespace

TEST_F(BarDrawingTest, ToolbarIcons)
{
    auto* images = new CJQWImageManager;
    HBITMAP strip = Strip({ RGB(200, 0, 0), RGB(0, 0, 200) });
    const UINT ids[] = { 10, 11 };
    ASSERT_TRUE(images->SetIconsFromBitmap(strip, ids, 2, CSize(0, 0), jqwImageNormal, FALSE));
    DeleteObject(strip);

    auto* bar = new CJQWToolBar;
    bar->SetBarPosition(jqwBarTop);
    bar->SetShowExpandButton(FALSE);
    theme->InternalAddRef();
    bar->SetPaintManager(theme);
    bar->SetImageManager(images);
    ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
    CJQWControl* red = bar->GetControls()->Add(JQW_CONTROL_BUTTON, 10);
    red->SetCaption(CString(u"Red"));
    CJQWControl* blue = bar->GetControls()->Add(JQW_CONTROL_BUTTON, 11);
    blue->SetEnabled(0);
    CJQWControl* text = bar->GetControls()->Add(JQW_CONTROL_BUTTON, 12);
    text->SetCaption(CString(u"Text"));
    EXPECT_FALSE(red->IsCaptionVisible()); // automatic style: the icon stands for the caption
    EXPECT_TRUE(text->IsCaptionVisible());
    const CSize size = bar->CalcDynamicLayout(600, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
    bar->MoveWindow(0, 0, size.cx, size.cy);
    EXPECT_EQ(red->GetRect().Size(), bar->GetButtonSize());
    bar->RedrawWindow();

    const testkit::Capture c = testkit::CaptureClient(bar->m_hWnd);
    Keep(c, "toolbar_icons");
    const CRect r = red->GetRect();
    EXPECT_EQ(c.ColorAt(r.CenterPoint().x, r.CenterPoint().y), RGB(200, 0, 0));
    EXPECT_EQ(Count(c, r, RGB(200, 0, 0)), 16 * 16 - 1);
    // Disabled: embossed silhouette, none of the icon's own colour.
    const CRect b = blue->GetRect();
    EXPECT_EQ(Count(c, b, RGB(0, 0, 200)), 0);
    EXPECT_GT(Count(c, b, Color(16)), 100);
    EXPECT_GT(Count(c, b, Color(20)), 10);

    bar->DestroyWindow();
    bar->InternalRelease();
}

namespace {

class CCueBar : public CJQWToolBar {
public:
    BOOL IsKeyboardCuesVisible() const override { return cues; }
    BOOL cues = TRUE;
};

} // namespace

TEST_F(BarDrawingTest, KeyboardCuesUnderlineTheMnemonicOnlyWhenShown)
{
    int textPixels[2][2] = {}; // [menu][cues]
    for (int menu = 0; menu < 2; ++menu)
        for (int cues = 0; cues < 2; ++cues) {
            auto* bar = new CCueBar;
            bar->cues = cues;
            if (menu) {
                bar->SetType(jqwBarTypePopup);
                bar->SetBarPosition(jqwBarPopup);
            } else {
                bar->SetBarPosition(jqwBarTop);
            }
            bar->SetShowExpandButton(FALSE);
            theme->InternalAddRef();
            bar->SetPaintManager(theme);
            ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
            CJQWControl* item = bar->GetControls()->Add(JQW_CONTROL_BUTTON, 1);
            item->SetCaption(CString(u"Save &As"));
            const CSize size = menu ? bar->GetControls()->CalcPopupSize(nullptr, 0, bar->GetBorders())
                                    : bar->CalcDynamicLayout(600, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
            bar->MoveWindow(0, 0, size.cx, size.cy);
            bar->RedrawWindow();
            const testkit::Capture c = testkit::CaptureClient(bar->m_hWnd);
            Keep(c, menu ? (cues ? "menu_cues" : "menu_nocues") : (cues ? "bar_cues" : "bar_nocues"));
            textPixels[menu][cues] = Dark(c, item->GetRect());
            bar->DestroyWindow();
            bar->InternalRelease();
        }
    for (int menu = 0; menu < 2; ++menu) {
        SCOPED_TRACE(menu);
        EXPECT_GT(textPixels[menu][0], 20);
        // The underline under the A adds a row of text pixels.
        EXPECT_GE(textPixels[menu][1] - textPixels[menu][0], 4);
    }
}

TEST_F(BarDrawingTest, DropDownArrowsOnToolbarsNotOnTheMenuBar)
{
    int glyph[2] = {};
    CSize sizes[2];
    for (int menuBar = 0; menuBar < 2; ++menuBar) {
        auto* bar = new CJQWToolBar;
        bar->SetType(menuBar ? jqwBarTypeMenuBar : jqwBarTypeNormal);
        bar->SetBarPosition(jqwBarTop);
        bar->SetShowExpandButton(FALSE);
        theme->InternalAddRef();
        bar->SetPaintManager(theme);
        ASSERT_TRUE(bar->CreateToolBarWindow(site, FALSE));
        CJQWControl* popup = bar->GetControls()->Add(JQW_CONTROL_POPUP, 0);
        popup->SetCaption(CString(u"File"));
        const CSize size = bar->CalcDynamicLayout(600, LM_HORZ | LM_HORZDOCK | LM_COMMIT);
        bar->MoveWindow(0, 0, size.cx, size.cy);
        bar->RedrawWindow();
        const testkit::Capture c = testkit::CaptureClient(bar->m_hWnd);
        Keep(c, menuBar ? "menubar_popup" : "toolbar_popup");
        const CRect r = popup->GetRect();
        sizes[menuBar] = r.Size();
        glyph[menuBar] = Dark(c, r);
        bar->DestroyWindow();
        bar->InternalRelease();
    }
    // The same caption; the toolbar's item adds the glyph's pixels.
    EXPECT_GE(glyph[0] - glyph[1], 5);
    EXPECT_EQ(sizes[0], sizes[1]); // both keep the glyph's room
}
