#include "toolkit/commandbars/themes/NativeXPTheme.h"

#include "platform/framework/DC.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/PixelTestSupport.h"

#include <vector>

using namespace JQWPaintThemes;

namespace {

// Stands in for the visual styles: chosen classes are themed, every drawn part is recorded.
class RecordingParts : public CJQWNativeThemeParts {
public:
    struct Call {
        Class c;
        int part, state;
        CRect rect;
        bool operator==(const Call&) const = default;
    };
    bool themed[ClassCount] = { true, true, true, true, true };
    bool colorsReadable = true;
    std::vector<Call> calls;
    int opens = 0;

    void Open(HWND) override { ++opens; }
    BOOL IsAppThemed(Class c) override { return themed[c]; }
    HRESULT DrawBackground(Class c, HDC, int part, int state, const RECT& rect, const RECT*) override
    {
        calls.push_back({ c, part, state, CRect(rect) });
        return S_OK;
    }
    HRESULT GetColor(Class c, int part, int state, int property, COLORREF* color) override
    {
        if (!colorsReadable)
            return E_FAIL;
        *color = RGB(c, part * 10 + state, property % 256);
        return S_OK;
    }
    BOOL GetSysBool(Class, int) override { return TRUE; }
};

JQW_PAINT_STATE State(bool selected, int pressed, bool enabled, bool checked, bool open, int barType = 1)
{
    JQW_PAINT_STATE s;
    s.selected = selected;
    s.pressed = pressed;
    s.enabled = enabled;
    s.checked = checked;
    s.popupOpen = open;
    s.barType = barType;
    return s;
}

struct Themed {
    CJQWNativeXPTheme theme;
    RecordingParts* parts;
    Themed()
    {
        auto fake = std::make_unique<RecordingParts>();
        parts = fake.get();
        theme.SetThemeParts(std::move(fake));
        theme.RefreshMetrics();
        parts->calls.clear();
    }
};

} // namespace

// Without visual styles (the desktop here) the native look is the classic one, with menu text in
// the menu-text colour, faded icons at rest and menu highlights in the selection colour.
TEST(NativeXPThemeTest, WithoutVisualStylesDrawsTheClassicLook)
{
    CJQWNativeXPTheme native;
    CJQWDefaultTheme classic;
    native.RefreshMetrics();
    classic.RefreshMetrics();
    EXPECT_FALSE(native.IsNativeThemed());
    EXPECT_EQ(native.GetBaseTheme(), 3);
    EXPECT_EQ(native.m_popupTextColorIndex, 7);
    EXPECT_TRUE(native.GetIconsInfo()->bUseFadedIcons);
    EXPECT_FALSE(native.GetIconsInfo()->bIconsWithShadow);
    EXPECT_FALSE(native.m_bFlatMenus);
    EXPECT_EQ(native.GetColor(29), native.GetColor(13));
    EXPECT_EQ(native.m_clrEdgeShadow, native.GetColor(16));
    EXPECT_EQ(native.m_clrEdgeHighLight, native.GetColor(20));

    const JQW_PAINT_STATE states[] = {
        State(true, 0, true, false, false), State(true, 1, true, false, false), State(false, 0, true, true, false),
        State(false, 0, false, true, false), State(true, 0, true, false, false, 2), State(false, 0, true, false, true),
    };
    auto same = [](const gdi_test::Surface& a, const gdi_test::Surface& b, int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (a.At(x, y) != b.At(x, y))
                    return false;
        return true;
    };
    for (size_t i = 0; i < std::size(states); ++i) {
        gdi_test::Surface a(12, 10), b(12, 10);
        native.DrawRectangle(a.dc(), CRect(1, 1, 11, 9), states[i]);
        classic.DrawRectangle(b.dc(), CRect(1, 1, 11, 9), states[i]);
        EXPECT_TRUE(same(a, b, 12, 10)) << "state " << i;
    }
    {
        gdi_test::Surface a(16, 20), b(16, 20);
        CDC da, db;
        da.Attach(a.dc());
        db.Attach(b.dc());
        native.DrawComboDropButton(&da, CRect(0, 0, 16, 20), TRUE, TRUE, FALSE);
        classic.DrawComboDropButton(&db, CRect(0, 0, 16, 20), TRUE, TRUE, FALSE);
        native.DrawEditSpinButtons(&da, CRect(2, 2, 14, 18), TRUE, TRUE, 3);
        classic.DrawEditSpinButtons(&db, CRect(2, 2, 14, 18), TRUE, TRUE, 3);
        da.Detach();
        db.Detach();
        EXPECT_TRUE(same(a, b, 16, 20));
    }
    EXPECT_EQ(native.DrawDialogBarGripper(nullptr, nullptr, FALSE), classic.DrawDialogBarGripper(nullptr, nullptr, FALSE));
    EXPECT_EQ(native.AdjustExcludeRect(CRect(10, 10, 30, 30), 1, true, false),
        classic.AdjustExcludeRect(CRect(10, 10, 30, 30), 1, true, false));

    // The rebar class alone is not enough.
    Themed half;
    half.parts->themed[CJQWNativeThemeParts::Rebar] = false;
    gdi_test::Surface s(12, 10);
    half.theme.DrawRectangle(s.dc(), CRect(1, 1, 11, 9), State(true, 0, true, false, false));
    EXPECT_TRUE(half.parts->calls.empty());
}

TEST(NativeXPThemeTest, ButtonStates)
{
    struct Case {
        bool enabled;
        int checked;
        bool selected;
        int pressed;
        bool open;
        int expected;
    };
    const Case cases[] = {
        { false, 1, false, 0, false, 3 }, // a disabled checked button looks pressed
        { false, 0, true, 1, false, 4 },  { true, 0, false, 0, true, 3 },   { true, 1, true, 0, false, 6 },
        { true, 1, false, 0, false, 5 },  { true, 2, false, 0, false, 1 },  // the third state counts as unchecked
        { true, 2, true, 0, false, 2 },   { true, 1, true, 1, false, 3 },   { true, 0, false, 2, false, 3 },
        { true, 0, false, 3, false, 3 },  { true, 0, true, 0, false, 2 },   { true, 0, false, 1, false, 1 },
        { true, 0, false, 0, false, 1 },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(CJQWNativeXPTheme::GetButtonState(c.enabled, c.checked, c.selected, c.pressed, c.open), c.expected) << i;
    }

    // Drawn: toolbar part 1 over the rectangle, in the state of the table.
    Themed t;
    gdi_test::Surface s(20, 20);
    t.theme.DrawRectangle(s.dc(), CRect(2, 3, 18, 17), State(false, 0, false, true, false));
    t.theme.DrawRectangle(s.dc(), CRect(2, 3, 18, 17), State(true, 0, true, true, false));
    using Call = RecordingParts::Call;
    EXPECT_EQ(t.parts->calls, (std::vector<Call> { { CJQWNativeThemeParts::Toolbar, 1, 3, CRect(2, 3, 18, 17) },
                                  { CJQWNativeThemeParts::Toolbar, 1, 6, CRect(2, 3, 18, 17) } }));

    // Menu items are not parts: the menu highlight with a border in the selection colour.
    t.parts->calls.clear();
    gdi_test::Surface menu(20, 10, RGB(1, 2, 3));
    t.theme.DrawRectangle(menu.dc(), CRect(0, 0, 20, 10), State(true, 0, true, false, false, 2));
    t.theme.DrawRectangle(menu.dc(), CRect(0, 0, 20, 10), State(false, 0, true, false, false, 2));
    EXPECT_TRUE(t.parts->calls.empty());
    EXPECT_EQ(menu.At(10, 5), t.theme.GetColor(29));
    EXPECT_EQ(menu.At(0, 0), t.theme.GetColor(13));
}

TEST(NativeXPThemeTest, SplitAndSpinStates)
{
    struct Split {
        int enabledValue;
        bool selected;
        int pressed;
        bool checked, open;
        int command, dropDown;
    };
    const Split splits[] = {
        { 0, true, 1, false, false, 4, 4 }, { 1, true, 1, true, false, 3, 3 }, { 1, false, 0, true, false, 5, 5 },
        { 1, false, 0, false, true, 2, 3 }, { 1, true, 0, false, false, 2, 2 }, { 1, false, 0, false, false, 1, 1 },
        { 3, true, 0, false, false, 2, 4 }, // the command part only: the arrow is disabled
    };
    for (size_t i = 0; i < std::size(splits); ++i) {
        const Split& c = splits[i];
        int command = 0, dropDown = 0;
        CJQWNativeXPTheme::GetSplitButtonStates(c.enabledValue, c.selected, c.pressed, c.checked, c.open, command, dropDown);
        EXPECT_EQ(command, c.command) << i;
        EXPECT_EQ(dropDown, c.dropDown) << i;
    }

    struct Spin {
        bool enabled;
        int selected, pressed, upper, lower;
    };
    const Spin spins[] = {
        { false, 3, 3, 4, 4 }, { true, 3, 3, 3, 1 }, { true, 4, 4, 1, 3 },
        { true, 3, 0, 2, 1 },  { true, 4, 0, 1, 2 }, { true, 0, 0, 1, 1 },
    };
    for (size_t i = 0; i < std::size(spins); ++i) {
        const Spin& c = spins[i];
        int upper = 0, lower = 0;
        CJQWNativeXPTheme::GetSpinStates(c.enabled, c.selected, c.pressed, upper, lower);
        EXPECT_EQ(upper, c.upper) << i;
        EXPECT_EQ(lower, c.lower) << i;
    }

    Themed t;
    gdi_test::Surface s(20, 24);
    CDC dc;
    dc.Attach(s.dc());
    t.theme.DrawEditSpinButtons(&dc, CRect(4, 2, 16, 22), TRUE, 4, 4);
    t.theme.DrawComboDropButton(&dc, CRect(4, 2, 16, 22), TRUE, FALSE, TRUE);
    dc.Detach();
    using Call = RecordingParts::Call;
    EXPECT_EQ(t.parts->calls, (std::vector<Call> { { CJQWNativeThemeParts::Spin, 1, 1, CRect(4, 2, 16, 12) },
                                  { CJQWNativeThemeParts::Spin, 2, 3, CRect(4, 12, 16, 22) },
                                  { CJQWNativeThemeParts::ComboBox, 1, 3, CRect(2, 3, 15, 21) } }));
}

TEST(NativeXPThemeTest, ThemedColoursFramesAndGrippers)
{
    Themed t;
    EXPECT_TRUE(t.theme.IsNativeThemed());
    EXPECT_EQ(t.parts->opens, 1);
    // Band edges and button text from the rebar and toolbar classes; flat menus from the rebar's
    // system setting.
    EXPECT_EQ(t.theme.m_clrEdgeShadow, RGB(CJQWNativeThemeParts::Rebar, 30, 3806 % 256));
    EXPECT_EQ(t.theme.m_clrEdgeHighLight, RGB(CJQWNativeThemeParts::Rebar, 30, 3805 % 256));
    EXPECT_EQ(t.theme.GetColor(18), RGB(CJQWNativeThemeParts::Toolbar, 0, 3803 % 256));
    EXPECT_TRUE(t.theme.m_bFlatMenus);

    gdi_test::Surface s(20, 12, RGB(1, 2, 3));
    CDC dc;
    dc.Attach(s.dc());
    t.theme.DrawEditFrame(&dc, CRect(0, 0, 20, 12), FALSE, 0);
    EXPECT_EQ(s.At(0, 0), RGB(CJQWNativeThemeParts::ComboBox, 14, 3801 % 256));
    EXPECT_EQ(s.At(19, 11), RGB(CJQWNativeThemeParts::ComboBox, 14, 3801 % 256));
    EXPECT_EQ(s.At(5, 5), RGB(1, 2, 3));
    t.parts->colorsReadable = false;
    t.theme.DrawEditFrame(&dc, CRect(0, 0, 20, 12), TRUE, 0);
    EXPECT_EQ(s.At(0, 0), t.theme.GetColor(16));

    t.theme.m_baseTextHeight = 19;
    EXPECT_EQ(t.theme.DrawDialogBarGripper(&dc, nullptr, TRUE), CSize(8, 23));
    dc.Detach();
    using Call = RecordingParts::Call;
    EXPECT_EQ(t.parts->calls, (std::vector<Call> { { CJQWNativeThemeParts::Rebar, 1, 1, CRect(2, 3, 8, 23) } }));

    // On popups, the excluded rectangle is narrower and taller; combo boxes keep theirs.
    EXPECT_EQ(t.theme.AdjustExcludeRect(CRect(10, 10, 30, 30), JQW_CONTROL_BUTTON, true, false), CRect(13, 7, 27, 33));
    EXPECT_EQ(t.theme.AdjustExcludeRect(CRect(10, 10, 30, 30), JQW_CONTROL_COMBO, true, false), CRect(10, 10, 30, 30));
    EXPECT_EQ(t.theme.AdjustExcludeRect(CRect(10, 10, 30, 30), JQW_CONTROL_BUTTON, false, false), CRect(10, 10, 30, 30));

    // Colours that cannot be read leave the classic ones.
    Themed unreadable;
    unreadable.parts->colorsReadable = false;
    unreadable.theme.RefreshMetrics();
    EXPECT_EQ(unreadable.theme.m_clrEdgeShadow, unreadable.theme.GetColor(16));
    EXPECT_EQ(unreadable.theme.m_clrEdgeHighLight, unreadable.theme.GetColor(20));
}
