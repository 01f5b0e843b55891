#include "toolkit/commandbars/DockBar.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/FrameWnd.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/Desktop.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/DockContext.h"
#include "toolkit/commandbars/ToolBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace {

// A toolbar of a fixed length (22 pixels thick) that can shrink to `least` when wrapping is hidden.
class FixedBar : public CJQWToolBar {
public:
    FixedBar(int length, char name, int least = 0) : m_length(length), m_least(least ? least : length), m_name(name) { }

    CSize CalcDynamicLayout(int length, DWORD mode, int) override
    {
        int along = m_length;
        if (mode & LM_STRETCH)
            along = length;
        else if ((mode & LM_HIDEWRAP) && length < along)
            along = std::max(m_least, length);
        if (mode & LM_COMMIT)
            m_committedLength = length;
        return (mode & LM_HORZ) ? CSize(along, 22) : CSize(22, along);
    }
    CSize CalcSize(int, DWORD) override { return CSize(m_length, 30); }

    int m_length;
    int m_least;
    char m_name;
    int m_committedLength = -1;
};

class DockBarTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        testkit::DesktopTest::SetUp();
        RegisterControlClasses();
        m_model.Edit().monitors = { { { 0, 0, 1280, 1024 }, { 0, 0, 1280, 1024 } } };
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, u"Site", WS_OVERLAPPEDWINDOW, CRect(100, 100, 500, 400)));
        m_frame->ShowWindow(SW_SHOW);
        m_bars = new CJQWCommandBars;
        m_bars->SetSite(m_frame);
        m_bars->CreateDockBars();
    }
    void TearDown() override
    {
        m_bars->InternalRelease();
        m_frame->DestroyWindow();
        testkit::DesktopTest::TearDown();
    }
    FixedBar* Add(int length, char name, int position = jqwBarTop, int least = 0)
    {
        auto* bar = new FixedBar(length, name, least);
        EXPECT_TRUE(m_bars->AttachToolBar(bar, position));
        return bar;
    }
    // The row list as text: "|" a row break, letters the bars.
    static std::string Rows(const CJQWDockBar* dock)
    {
        std::string text;
        for (int i = 0; i < dock->GetCount(); ++i)
            text += dock->GetBarAt(i) ? static_cast<FixedBar*>(dock->GetBarAt(i))->m_name : '|';
        return text;
    }
    static CRect RectIn(CWnd* window, CWnd* parent)
    {
        CRect r;
        window->GetWindowRect(&r);
        parent->ScreenToClient(&r);
        return r;
    }
    CJQWDockBar* Top() const { return m_bars->GetDockBar(0); }

    ScopedSystemModel m_model;
    CFrameWnd* m_frame = nullptr;
    CJQWCommandBars* m_bars = nullptr;
};

} // namespace

TEST_F(DockBarTest, RowsStayWellFormedAsBarsComeAndGo)
{
    EXPECT_EQ(Rows(Top()), "|");
    FixedBar* a = Add(100, 'A');
    EXPECT_EQ(Rows(Top()), "|A|");
    FixedBar* b = Add(100, 'B');
    FixedBar* c = Add(100, 'C');
    EXPECT_EQ(Rows(Top()), "|A|B|C|");
    m_bars->RemoveToolBar(b); // the only bar of a middle row: its row goes
    EXPECT_EQ(Rows(Top()), "|A|C|");
    m_bars->DockCommandBar(c, jqwBarLeft);
    EXPECT_EQ(Rows(Top()), "|A|");
    EXPECT_EQ(Rows(m_bars->GetDockBar(2)), "|C|");
    EXPECT_EQ(c->GetDockBar(), m_bars->GetDockBar(2));
    EXPECT_EQ(a->GetPosition(), jqwBarTop);
    EXPECT_EQ(c->GetPosition(), jqwBarLeft);
}

TEST_F(DockBarTest, ADropJoinsTheRowUnderItsCentreOrStartsOne)
{
    FixedBar* a = Add(100, 'A');
    FixedBar* b = Add(100, 'B');
    m_frame->RecalcLayout();
    EXPECT_EQ(Rows(Top()), "|A|B|");
    FixedBar* c = Add(80, 'C', jqwBarLeft);
    CRect top;
    Top()->GetWindowRect(&top);
    // Into the first row, to the right of A.
    m_bars->DockCommandBar(c, CRect(top.left + 150, top.top + 2, top.left + 230, top.top + 20), Top());
    EXPECT_EQ(Rows(Top()), "|CA|B|");
    m_frame->RecalcLayout();
    EXPECT_EQ(RectIn(c, Top()), CRect(150, 0, 230, 22));
    EXPECT_EQ(RectIn(a, Top()), CRect(0, 0, 100, 22));
    // Above everything: a new first row.
    m_bars->DockCommandBar(b, CRect(top.left, top.top - 30, top.left + 100, top.top - 8), Top());
    EXPECT_EQ(Rows(Top()), "|B|CA|");
    // Below everything: a new last row.
    m_frame->RecalcLayout();
    m_bars->DockCommandBar(b, CRect(top.left, top.top + 100, top.left + 100, top.top + 122), Top());
    EXPECT_EQ(Rows(Top()), "|CA|B|");
    (void)a;
}

TEST_F(DockBarTest, RowsWrapSqueezeAndStretch)
{
    CRect client;
    m_frame->GetClientRect(&client);
    const int width = client.Width();
    // Three bars too wide for one row: the rightmost goes below; the row list keeps one row.
    FixedBar* a = Add(width / 2, 'A');
    FixedBar* b = Add(width / 2, 'B');
    FixedBar* c = Add(width / 2, 'C');
    for (FixedBar* bar : { a, b, c })
        bar->SetFlags(0, 0x20); // no hiding of controls: bars keep their length
    m_bars->RemoveToolBar(b);
    m_bars->RemoveToolBar(c);
    b = Add(width / 2, 'B');
    c = Add(width / 2, 'C');
    b->SetFlags(0, 0x20);
    c->SetFlags(0, 0x20);
    Top()->RemoveCommandBar(b);
    Top()->RemoveCommandBar(c);
    Top()->InsertRowEntry(2, b);
    Top()->InsertRowEntry(3, c);
    b->SetDockBar(Top());
    c->SetDockBar(Top());
    EXPECT_EQ(Rows(Top()), "|ABC|");
    m_frame->RecalcLayout();
    EXPECT_EQ(Rows(Top()), "|ABC|");
    EXPECT_EQ(RectIn(a, Top()).top, 0);
    EXPECT_EQ(RectIn(b, Top()).top, 0);
    EXPECT_EQ(RectIn(c, Top()), CRect(0, 22, width / 2, 44));
    EXPECT_EQ(RectIn(Top(), m_frame).Height(), 44);

    // Bars that can hide controls are squeezed instead, from the left, within the length.
    for (FixedBar* bar : { a, b, c }) {
        bar->SetFlags(0x20, 0);
        bar->m_least = 30;
    }
    m_frame->RecalcLayout();
    EXPECT_EQ(RectIn(Top(), m_frame).Height(), 22);
    EXPECT_EQ(RectIn(c, Top()).right, width);
    EXPECT_EQ(a->m_committedLength, 30);
    EXPECT_EQ(c->m_committedLength, width / 2);

    // A stretched bar sits alone in its row across the whole length.
    FixedBar* s = Add(50, 'S');
    s->SetFlags(0x40, 0);
    CRect top;
    Top()->GetWindowRect(&top);
    m_bars->DockCommandBar(s, CRect(top.left + 5, top.top + 2, top.left + 55, top.top + 20), Top());
    EXPECT_EQ(Rows(Top()), "|S|ABC|");
    m_frame->RecalcLayout();
    EXPECT_EQ(RectIn(s, Top()), CRect(0, 0, width, 22));
    EXPECT_EQ(Top()->CalcDockLayout(width, LM_STRETCH | LM_HORZ, nullptr).cx, 0x7FFF);
}

TEST_F(DockBarTest, ABarLongerThanItsRowIsLaidOutForTheRow)
{
    CRect client;
    m_frame->GetClientRect(&client);
    FixedBar* a = Add(client.Width() + 200, 'A');
    a->SetFlags(0, 0x20);
    m_frame->RecalcLayout();
    EXPECT_EQ(Rows(Top()), "|A|");
    EXPECT_EQ(RectIn(a, Top()).left, 0);
    EXPECT_EQ(a->m_committedLength, client.Width());
}

TEST_F(DockBarTest, RandomMovesKeepEveryRowListWellFormed)
{
    std::mt19937 random(7);
    std::vector<FixedBar*> bars;
    for (char name = 'A'; name < 'H'; ++name)
        bars.push_back(Add(40 + int(random() % 120), name, int(random() % 4)));
    for (int step = 0; step < 300; ++step) {
        FixedBar* bar = bars[random() % bars.size()];
        const int dockIndex = int(random() % 4);
        CJQWDockBar* dock = m_bars->GetDockBar(dockIndex);
        switch (random() % 3) {
        case 0: {
            CRect r;
            dock->GetWindowRect(&r);
            const CPoint at(r.left + int(random() % 400) - 50, r.top + int(random() % 120) - 30);
            m_bars->DockCommandBar(bar, CRect(at, CSize(bar->m_length, 22)), dock);
            break;
        }
        case 1: m_bars->DockCommandBar(bar, dockIndex); break;
        default: m_bars->FloatCommandBar(bar); break;
        }
        if (random() % 4 == 0)
            m_frame->RecalcLayout();
        std::map<FixedBar*, int> seen;
        for (int d = 0; d < 4; ++d) {
            CJQWDockBar* each = m_bars->GetDockBar(d);
            ASSERT_TRUE(each->IsRowListWellFormed()) << step << " " << Rows(each);
            for (int i = 0; i < each->GetCount(); ++i)
                if (auto* b = static_cast<FixedBar*>(each->GetBarAt(i))) {
                    ++seen[b];
                    EXPECT_EQ(b->GetDockBar(), each) << step;
                }
        }
        for (FixedBar* b : bars)
            EXPECT_EQ(seen[b], b->IsFloating() ? 0 : 1) << step << " " << b->m_name;
    }
}

TEST_F(DockBarTest, DraggingDocksWithinTwentyPixelsAndFloatsBeyond)
{
    FixedBar* a = Add(120, 'A');
    m_frame->RecalcLayout();
    Pump();
    CRect top;
    Top()->GetWindowRect(&top);
    const POINT grip = testkit::ClientPoint(a->GetSafeHwnd(), 2, 10);

    // 19 pixels above the top dock bar: still a dock zone.
    testkit::Press(grip);
    testkit::MoveTo({ grip.x + 30, top.top - 19 }, 3);
    testkit::Release({ grip.x + 30, top.top - 19 });
    Pump();
    EXPECT_FALSE(a->IsFloating());
    EXPECT_EQ(a->GetDockBar(), Top());
    EXPECT_EQ(::GetCapture(), nullptr);

    // 21 pixels: out of every zone, so it floats under the pointer.
    const POINT grip2 = testkit::ClientPoint(a->GetSafeHwnd(), 2, 10);
    testkit::Press(grip2);
    testkit::MoveTo({ grip2.x + 30, top.top - 21 }, 3);
    testkit::Release({ grip2.x + 30, top.top - 21 });
    Pump();
    EXPECT_TRUE(a->IsFloating());
    EXPECT_EQ(a->GetDockBar(), nullptr);
    EXPECT_EQ(Rows(Top()), "|");
    CRect floating;
    a->GetWindowRect(&floating);
    EXPECT_TRUE(floating.PtInRect(CPoint(grip2.x + 30, top.top - 21)));
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(DockBarTest, EscapeEndsADragWhereItIsAndFloatingBarsKeepTenPixelsOnScreen)
{
    FixedBar* a = Add(120, 'A', jqwBarFloating);
    a->SetWindowPos(nullptr, 600, 600, 120, 30, SWP_NOZORDER | SWP_NOACTIVATE);
    const POINT grip = testkit::WindowPoint(a->GetSafeHwnd(), 5, 5);
    testkit::Press(grip);
    testkit::MoveTo({ grip.x + 40, grip.y + 20 }, 2);
    testkit::KeyDown(VK_ESCAPE);
    testkit::MoveTo({ grip.x + 200, grip.y + 200 }, 2); // after Esc: no longer dragged
    testkit::Release({ grip.x + 200, grip.y + 200 });
    testkit::KeyUp(VK_ESCAPE);
    Pump();
    CRect r;
    a->GetWindowRect(&r);
    EXPECT_EQ(r.TopLeft(), CPoint(640, 620));
    EXPECT_TRUE(a->IsFloating());

    // Dragged far off to the right and below: ten pixels stay on the work area.
    const POINT grip2 = testkit::WindowPoint(a->GetSafeHwnd(), 5, 5);
    testkit::Press(grip2);
    testkit::MoveTo({ 1275, 1020 }, 4);
    testkit::Release({ 1275, 1020 });
    Pump();
    a->GetWindowRect(&r);
    EXPECT_EQ(r.left, 1280 - 10);
    EXPECT_EQ(r.top, 1024 - 10);
}

TEST_F(DockBarTest, UserToolbarsComeAndGoWithoutARebar)
{
    EXPECT_EQ(m_bars->GetRebar(), nullptr);
    CJQWToolBar* docked = m_bars->CreateCustomToolBar(u"Custom 1", 0xE800, FALSE);
    CJQWToolBar* floating = m_bars->CreateCustomToolBar(u"Custom 2", 0xE801, TRUE);
    ASSERT_NE(docked, nullptr);
    ASSERT_NE(floating, nullptr);
    EXPECT_FALSE(docked->IsBuiltIn());
    EXPECT_FALSE(docked->IsTearOff());
    EXPECT_TRUE(floating->IsTearOff());
    EXPECT_TRUE(floating->IsFloating());
    EXPECT_EQ(docked->GetDockBar(), Top());
    EXPECT_EQ(m_bars->FindToolBar(0xE801), floating);
    m_bars->RemoveToolBar(docked);
    m_bars->RemoveToolBar(floating);
    EXPECT_EQ(m_bars->GetCount(), 0);
    EXPECT_EQ(Rows(Top()), "|");
}
