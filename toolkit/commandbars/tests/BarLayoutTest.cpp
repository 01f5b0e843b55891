#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <vector>

void PrintTo(const CRect& r, std::ostream* out)
{
    *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
void PrintTo(const CSize& s, std::ostream* out)
{
    *out << s.cx << " x " << s.cy;
}

namespace {

// A collection whose controls measure as their tag says: low word width, high word height.
struct Fixture {
    CJQWControls* controls = new CJQWControls;
    Fixture()
    {
        controls->m_measure = [](CJQWControl* control, CDC*) {
            const DWORD_PTR tag = control->GetTag();
            return CSize(int(tag & 0xFFFF), int(tag >> 16));
        };
    }
    ~Fixture() { controls->InternalRelease(); }
    CJQWControl* Add(int cx, int cy, bool beginGroup = false, DWORD flags = 0)
    {
        CJQWControl* control = controls->Add(new CJQWControlButton, 0);
        control->SetTag(DWORD_PTR(cx) | (DWORD_PTR(cy) << 16));
        control->SetBeginGroup(beginGroup);
        control->SetFlags(flags);
        return control;
    }
    CSize Layout(int length, DWORD& mode, CRect borders = CRect(0, 0, 0, 0))
    {
        return controls->CalcDynamicSize(nullptr, length, mode, borders);
    }
};

const CSize kSeparator(6, 6);

} // namespace

TEST(BarLayoutTest, AllHiddenMeasuresTheEmptyBar)
{
    Fixture f;
    f.Add(20, 20)->SetVisible(FALSE);
    f.Add(30, 20)->SetHideFlags(jqwHideCustomize);
    DWORD mode = LM_HORZDOCK | LM_COMMIT;
    EXPECT_EQ(f.Layout(100, mode, CRect(2, 3, 4, 5)), CSize(2 + 4 + 23, 3 + 5 + 22));
    mode = LM_HORZDOCK;
    EXPECT_EQ(f.controls->CalcDynamicSize(nullptr, 100, mode, CRect(2, 3, 4, 5), 40), CSize(29, 40));
    mode = LM_VERTDOCK;
    EXPECT_EQ(f.controls->CalcDynamicSize(nullptr, 100, mode, CRect(2, 3, 4, 5), 40), CSize(40, 30));
}

TEST(BarLayoutTest, WrapRowsAndPlaceRowsCases)
{
    using Item = CJQWControls::LayoutItem;
    auto items = [](std::initializer_list<std::pair<int, bool>> specs) {
        std::vector<Item> list;
        for (auto [cx, group] : specs) {
            Item item;
            item.szControl = CSize(cx, 20);
            item.bVisible = TRUE;
            item.bBeginGroup = group;
            list.push_back(item);
        }
        return list;
    };
    struct Case {
        std::vector<Item> items;
        int length;
        int rows;
        std::vector<CRect> rects;
        bool stretched;
    };
    const Case cases[] = {
        // The third begins a group: it wraps to the second row with no separator gap in x.
        { items({ { 20, false }, { 20, false }, { 20, true } }), 50, 2,
            { CRect(0, 0, 20, 20), CRect(20, 0, 40, 20), CRect(0, 26, 20, 46) }, true },
        // Everything fits: one row, the separator before the group.
        { items({ { 20, false }, { 20, true } }), 50, 1, { CRect(0, 0, 20, 20), CRect(26, 0, 46, 20) }, false },
        // The wrap point is the nearest group start before the overflowing item.
        { items({ { 10, false }, { 10, true }, { 10, false }, { 10, false } }), 40, 2,
            { CRect(0, 0, 10, 20), CRect(0, 26, 10, 46), CRect(10, 26, 20, 46), CRect(20, 26, 30, 46) }, true },
        // No group start: the overflowing item itself wraps.
        { items({ { 30, false }, { 30, false }, { 30, false } }), 70, 2,
            { CRect(0, 0, 30, 20), CRect(30, 0, 60, 20), CRect(0, 20, 30, 40) }, true },
        // An item wider than the length stays alone on its row; nothing loops.
        { items({ { 80, false }, { 80, false } }), 50, 2, { CRect(0, 0, 80, 20), CRect(0, 20, 80, 40) }, true },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::vector<Item> list = cases[i].items;
        DWORD mode = LM_HORZDOCK;
        EXPECT_EQ(CJQWControls::WrapRows(list, cases[i].length, mode, kSeparator), cases[i].rows);
        EXPECT_EQ((mode & LM_STRETCH) != 0, cases[i].stretched);
        CJQWControls::PlaceRows(list, kSeparator, FALSE);
        for (size_t k = 0; k < list.size(); ++k)
            EXPECT_EQ(list[k].rcControl, cases[i].rects[k]) << k;
    }
}

TEST(BarLayoutTest, HideWrapHidesUpToTheNextForcedRow)
{
    Fixture f;
    f.Add(20, 20);
    f.Add(20, 20);
    CJQWControl* third = f.Add(20, 20);
    CJQWControl* fourth = f.Add(20, 20);
    CJQWControl* fifth = f.Add(20, 20, false, jqwFlagWrapRow);
    DWORD mode = LM_HORZDOCK | LM_HIDEWRAP | LM_COMMIT;
    f.Layout(50, mode);
    EXPECT_TRUE(mode & LM_STRETCH);
    EXPECT_TRUE(third->GetHideFlags() & jqwHideWrap);
    EXPECT_TRUE(fourth->GetHideFlags() & jqwHideWrap);
    EXPECT_FALSE(fifth->GetHideFlags() & jqwHideWrap);
    EXPECT_TRUE(fifth->GetWrap());
    EXPECT_EQ(fifth->GetRect().left, 0);
    EXPECT_EQ(fifth->GetRect().top, 20);
    // The next layout with room lays the hidden controls out again.
    mode = LM_HORZDOCK | LM_HIDEWRAP | LM_COMMIT;
    f.Layout(200, mode);
    EXPECT_FALSE(third->GetHideFlags() & jqwHideWrap);
}

TEST(BarLayoutTest, StretchedControlsShareTheFreeLength)
{
    Fixture f;
    CJQWControl* a = f.Add(10, 20, false, jqwFlagControlStretched);
    CJQWControl* b = f.Add(10, 20, false, jqwFlagControlStretched);
    CJQWControl* c = f.Add(10, 20, false, jqwFlagControlStretched);
    DWORD mode = LM_HORZDOCK | LM_STRETCH | LM_COMMIT;
    f.Layout(40, mode);
    EXPECT_EQ(a->GetRect(), CRect(0, 0, 13, 20));
    EXPECT_EQ(b->GetRect(), CRect(13, 0, 26, 20));
    EXPECT_EQ(c->GetRect(), CRect(26, 0, 40, 20));
}

TEST(BarLayoutTest, FarAlignedControlsTouchTheFarEdge)
{
    Fixture f;
    CJQWControl* a = f.Add(10, 20);
    CJQWControl* stretched = f.Add(10, 20, false, jqwFlagControlStretched);
    CJQWControl* far = f.Add(10, 20, false, jqwFlagRightAlign);
    DWORD mode = LM_HORZDOCK | LM_STRETCH | LM_COMMIT;
    f.Layout(100, mode, CRect(2, 2, 2, 2));
    EXPECT_EQ(far->GetRect(), CRect(88, 2, 98, 22));
    EXPECT_EQ(a->GetRect(), CRect(2, 2, 12, 22));
    // The stretched control takes what lies between it and the far-aligned one.
    EXPECT_EQ(stretched->GetRect(), CRect(12, 2, 88, 22));
}

TEST(BarLayoutTest, CentredInTheRowAndRowRectangles)
{
    Fixture f;
    CJQWControl* tall = f.Add(20, 30);
    CJQWControl* flat = f.Add(20, 15);
    DWORD mode = LM_HORZDOCK | LM_COMMIT;
    const CSize size = f.Layout(100, mode, CRect(1, 2, 3, 4));
    EXPECT_EQ(size, CSize(1 + 40 + 3, 2 + 30 + 4));
    EXPECT_EQ(tall->GetRect(), CRect(1, 2, 21, 32));
    EXPECT_EQ(flat->GetRect(), CRect(21, 2 + 7, 41, 2 + 7 + 15));
    EXPECT_EQ(flat->GetRowRect(), CRect(1, 2, 41, 32));
}

TEST(BarLayoutTest, VerticalBarsStackColumnsRightOfTheBorder)
{
    Fixture f;
    CJQWControl* a = f.Add(20, 20);
    CJQWControl* b = f.Add(20, 20);
    CJQWControl* c = f.Add(20, 20);
    DWORD mode = LM_VERTDOCK | LM_COMMIT;
    const CSize size = f.Layout(50, mode, CRect(2, 2, 2, 2));
    // Wrapping is reported; the bar keeps its own length unless stretching was asked for.
    EXPECT_EQ(size, CSize(2 + 40 + 2, 2 + 40 + 2));
    EXPECT_TRUE(mode & LM_STRETCH);
    mode = LM_VERTDOCK | LM_STRETCH | LM_COMMIT;
    EXPECT_EQ(f.Layout(50, mode, CRect(2, 2, 2, 2)), CSize(44, 50));
    EXPECT_EQ(a->GetRect(), CRect(22, 2, 42, 22));
    EXPECT_EQ(b->GetRect(), CRect(22, 22, 42, 42));
    EXPECT_EQ(c->GetRect(), CRect(2, 2, 22, 22));
    EXPECT_TRUE(c->GetWrap());
}

TEST(BarLayoutTest, PopupColumns)
{
    Fixture f;
    std::vector<CJQWControl*> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(f.Add(40, 30));
    const CSize size = f.controls->CalcPopupSize(nullptr, 100, CRect(2, 2, 2, 2));
    EXPECT_FALSE(items[2]->GetWrap());
    EXPECT_TRUE(items[3]->GetWrap());
    EXPECT_EQ(items[3]->GetRect(), CRect(42, 2, 82, 32));
    EXPECT_EQ(items[0]->GetRowRect(), CRect(2, 2, 42, 92));
    EXPECT_EQ(size, CSize(2 + 80 + 2, 2 + 90 + 2));

    Fixture empty;
    EXPECT_EQ(empty.controls->CalcPopupSize(nullptr, 100, CRect(2, 2, 2, 2)), CSize(24, 22));
}

// Random controls in every mode: the layout ends, no two shown controls overlap, and docked bars
// keep every shown control within the length.
TEST(BarLayoutTest, PropertyNoOverlapWithinTheLength)
{
    std::mt19937 random(4711);
    const DWORD modes[] = {
        LM_HORZDOCK,
        LM_HORZDOCK | LM_HIDEWRAP,
        LM_HORZDOCK | LM_STRETCH,
        LM_VERTDOCK,
        LM_VERTDOCK | LM_HIDEWRAP,
        0,
        LM_LENGTHY,
        LM_POPUP,
    };
    for (int round = 0; round < 300; ++round) {
        Fixture f;
        const int count = std::uniform_int_distribution<int>(1, 14)(random);
        const int length = std::uniform_int_distribution<int>(40, 300)(random);
        for (int i = 0; i < count; ++i) {
            const int cx = std::uniform_int_distribution<int>(4, 34)(random);
            const int cy = std::uniform_int_distribution<int>(4, 34)(random);
            const int bits = std::uniform_int_distribution<int>(0, 15)(random);
            DWORD flags = 0;
            if (bits == 1)
                flags |= jqwFlagWrapRow;
            if (bits == 2)
                flags |= jqwFlagControlStretched;
            if (bits == 3)
                flags |= jqwFlagRightAlign;
            CJQWControl* control = f.Add(cx, cy, bits >= 12, flags);
            if (bits == 4)
                control->SetVisible(FALSE);
        }
        for (DWORD base : modes) {
            SCOPED_TRACE(testing::Message() << "round " << round << " mode " << base << " length " << length);
            DWORD mode = base | LM_COMMIT;
            const CRect borders(2, 3, 2, 3);
            f.Layout(length, mode, borders);
            std::vector<CRect> shown;
            for (int i = 0; i < f.controls->GetCount(); ++i) {
                CJQWControl* control = f.controls->GetAt(i);
                if (!control->IsVisible())
                    continue;
                const CRect r = control->GetRect();
                shown.push_back(r);
                if (base & LM_HORZDOCK) {
                    EXPECT_LE(r.right, length - borders.right) << i;
                }
                if (base & LM_VERTDOCK) {
                    EXPECT_LE(r.bottom, length - borders.bottom) << i;
                }
                EXPECT_GE(r.left, borders.left) << i;
                EXPECT_GE(r.top, borders.top) << i;
            }
            for (size_t a = 0; a < shown.size(); ++a)
                for (size_t b = a + 1; b < shown.size(); ++b) {
                    CRect overlap;
                    EXPECT_FALSE(overlap.IntersectRect(shown[a], shown[b])) << a << " " << b;
                }
        }
    }
}

TEST(BarLayoutTest, ShapeSearchEndsWhenAWideControlDecidesTheWidth)
{
    Fixture f;
    f.Add(200, 20);
    for (int i = 0; i < 12; ++i)
        f.Add(10, 30);
    DWORD mode = LM_POPUP | LM_COMMIT;
    const CSize size = f.Layout(0, mode, CRect(1, 1, 1, 1));
    EXPECT_GE(size.cx, 202);
    for (int i = 1; i < f.controls->GetCount(); ++i)
        EXPECT_LE(f.controls->GetAt(i)->GetRect().right, size.cx - 1) << i;
}

TEST(BarLayoutTest, MeasuringAndCommittingGiveTheSameSize)
{
    Fixture f;
    for (int i = 0; i < 7; ++i)
        f.Add(12 + 3 * i, 18 + i, i == 3);
    for (DWORD base : { DWORD(LM_HORZDOCK), DWORD(LM_VERTDOCK), DWORD(0), DWORD(LM_LENGTHY), DWORD(LM_POPUP) }) {
        DWORD measure = base, commit = base | LM_COMMIT;
        EXPECT_EQ(f.Layout(70, measure, CRect(2, 3, 4, 5)), f.Layout(70, commit, CRect(2, 3, 4, 5))) << base;
    }
}

TEST(BarLayoutTest, FloatingFitKeepsTheRowCountAtTheNarrowestWidth)
{
    Fixture f;
    for (int i = 0; i < 6; ++i)
        f.Add(20, 20);
    DWORD mode = LM_COMMIT;
    // 100 wide holds five a row: two rows; the narrowest width with two rows is three a row.
    const CSize size = f.Layout(100, mode);
    EXPECT_EQ(size, CSize(60, 40));
    mode = LM_LENGTHY | LM_COMMIT;
    // 40 high: two rows again.
    EXPECT_EQ(f.Layout(40, mode), CSize(60, 40));
}

namespace {

// A strip of `count` plain buttons of `side` pixels.
HBITMAP Strip(int count, int side)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), count * side, side, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

} // namespace

TEST(BarLayoutTest, GroupedLayoutReducesLargeButtonsUntilTheyFit)
{
    auto* bar = new CJQWCommandBar;
    bar->SetFlags(JQW_FLAGS_GROUPED);
    auto* images = new CJQWImageManager;
    HBITMAP strip = Strip(6, 32);
    const UINT ids[] = { 10, 11, 12, 13, 14, 15 };
    ASSERT_TRUE(images->SetIconsFromBitmap(strip, ids, 6, CSize(32, 32), jqwImageNormal, FALSE));
    DeleteObject(strip);
    bar->SetImageManager(images);
    CJQWControls* controls = bar->GetControls();
    controls->m_measure = [](CJQWControl* control, CDC*) {
        switch (control->GetStyle()) {
        case JQW_STYLE_LARGE:
            return CSize(40, 60);
        case JQW_STYLE_ICON_AND_CAPTION:
            return CSize(60, 20);
        default:
            return CSize(22, 20);
        }
    };
    for (int id : ids)
        controls->Add(JQW_CONTROL_BUTTON, id);
    auto styles = [&] {
        std::vector<int> out;
        for (int i = 0; i < controls->GetCount(); ++i)
            out.push_back(controls->GetAt(i)->GetStyle());
        return out;
    };

    DWORD mode = LM_HORZDOCK | LM_COMMIT;
    CSize size = controls->CalcDynamicSize(nullptr, 1000, mode, CRect(0, 0, 0, 0));
    EXPECT_EQ(styles(), std::vector<int>({ 4, 4, 4, 4, 4, 4 }));
    EXPECT_EQ(size.cx, 240);
    EXPECT_FALSE(mode & LM_STRETCH);

    // The last three large buttons become one column of three.
    mode = LM_HORZDOCK | LM_COMMIT;
    size = controls->CalcDynamicSize(nullptr, 200, mode, CRect(0, 0, 0, 0));
    EXPECT_EQ(styles(), std::vector<int>({ 4, 4, 4, 3, 3, 3 }));
    EXPECT_EQ(size.cx, 180);
    EXPECT_TRUE(mode & LM_STRETCH);
    EXPECT_EQ(controls->GetAt(3)->GetRect(), CRect(120, 0, 180, 20));
    EXPECT_EQ(controls->GetAt(5)->GetRect(), CRect(120, 40, 180, 60));

    mode = LM_HORZDOCK | LM_COMMIT;
    EXPECT_EQ(controls->CalcDynamicSize(nullptr, 130, mode, CRect(0, 0, 0, 0)).cx, 120);
    EXPECT_EQ(styles(), std::vector<int>({ 3, 3, 3, 3, 3, 3 }));

    // A column of three icon-and-caption buttons loses its captions.
    mode = LM_HORZDOCK | LM_COMMIT;
    EXPECT_EQ(controls->CalcDynamicSize(nullptr, 100, mode, CRect(0, 0, 0, 0)).cx, 82);
    EXPECT_EQ(styles(), std::vector<int>({ 3, 3, 3, 2, 2, 2 }));

    // Nothing left to reduce: what still sticks out is hidden.
    mode = LM_HORZDOCK | LM_HIDEWRAP | LM_COMMIT;
    controls->CalcDynamicSize(nullptr, 30, mode, CRect(0, 0, 0, 0));
    EXPECT_TRUE(controls->GetAt(0)->IsVisible());
    EXPECT_FALSE(controls->GetAt(3)->IsVisible());
    EXPECT_FALSE(controls->GetAt(5)->IsVisible());
    bar->InternalRelease();
}
