#include "ControlTestSupport.h"

using namespace control_test;

namespace {

using TrackbarTest = ControlTest;
using ProgressTest = ControlTest;

// (code, position) of the scroll messages the parent got.
std::vector<std::pair<UINT, int>> Codes(UINT message)
{
    std::vector<std::pair<UINT, int>> out;
    for (const Event& e : TheRecorder().events)
        if (e.message == message)
            out.emplace_back(e.code, e.id);
    return out;
}

struct KeyCase {
    int key;
    WORD code;
    int pos;
};

TEST_F(TrackbarTest, KeysSendTheirCodesThenEndTrack)
{
    HWND track = Make(TRACKBAR_CLASSW, u"", TBS_AUTOTICKS, 10, 10, 200, 30, 50);
    SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 50));
    SendMessage(track, TBM_SETPOS, TRUE, 25);
    EXPECT_EQ(SendMessage(track, TBM_SETPAGESIZE, 0, 10), 20);
    EXPECT_EQ(SendMessage(track, TBM_SETLINESIZE, 0, 2), 1);
    const KeyCase cases[] = {
        { VK_RIGHT, TB_LINEDOWN, 27 },
        { VK_UP, TB_LINEUP, 25 },
        { VK_NEXT, TB_PAGEDOWN, 35 },
        { VK_PRIOR, TB_PAGEUP, 25 },
        { VK_END, TB_BOTTOM, 50 },
        { VK_RIGHT, TB_LINEDOWN, 50 }, // held at the end
        { VK_HOME, TB_TOP, 0 },
    };
    for (const KeyCase& c : cases) {
        Events().clear();
        Key(track, c.key);
        EXPECT_EQ(Codes(WM_HSCROLL), (std::vector<std::pair<UINT, int>> { { c.code, 0 }, { TB_ENDTRACK, 0 } })) << c.key;
        EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), c.pos) << c.key;
        ASSERT_FALSE(Events().empty());
        EXPECT_EQ(Events()[0].from, track);
    }
    HWND vertical = Make(TRACKBAR_CLASSW, u"", TBS_VERT, 10, 50, 30, 200, 51);
    Events().clear();
    Key(vertical, VK_DOWN);
    EXPECT_EQ(Codes(WM_VSCROLL), (std::vector<std::pair<UINT, int>> { { TB_LINEDOWN, 0 }, { TB_ENDTRACK, 0 } }));
}

TEST_F(TrackbarTest, DraggingTheThumbAndClickingTheChannel)
{
    HWND track = Make(TRACKBAR_CLASSW, u"", 0, 10, 10, 216, 30, 50);
    SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    RECT thumb {};
    SendMessage(track, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
    const int x = (thumb.left + thumb.right) / 2;
    const int y = (thumb.top + thumb.bottom) / 2;
    Events().clear();
    Press(track, x, y);
    Move(track, x + 50, y);
    Move(track, x + 1000, y);
    Release(track, x + 1000, y);
    const auto codes = Codes(WM_HSCROLL);
    ASSERT_EQ(codes.size(), 4u);
    EXPECT_EQ(codes[0].first, TB_THUMBTRACK);
    EXPECT_GT(codes[0].second, 20);
    EXPECT_LT(codes[0].second, 35);
    EXPECT_EQ(codes[1], (std::pair<UINT, int> { TB_THUMBTRACK, 100 }));
    EXPECT_EQ(codes[2], (std::pair<UINT, int> { TB_THUMBPOSITION, 100 }));
    EXPECT_EQ(codes[3], (std::pair<UINT, int> { TB_ENDTRACK, 0 }));
    // A click on the channel before the thumb pages down towards it.
    Events().clear();
    Click(track, 20, y);
    EXPECT_EQ(Codes(WM_HSCROLL), (std::vector<std::pair<UINT, int>> { { TB_PAGEUP, 0 }, { TB_ENDTRACK, 0 } }));
    EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 80);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ProgressTest, TheRangeIs32Bits)
{
    HWND progress = Make(PROGRESS_CLASSW, u"", PBS_SMOOTH, 10, 10, 202, 20, 60);
    EXPECT_EQ(SendMessage(progress, PBM_SETRANGE32, 0, 90000), LRESULT(MAKELONG(0, 100)));
    PBRANGE range {};
    EXPECT_EQ(SendMessage(progress, PBM_GETRANGE, FALSE, LPARAM(&range)), 90000);
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 90000);
    EXPECT_EQ(SendMessage(progress, PBM_SETPOS, 70000, 0), 0);
    EXPECT_EQ(SendMessage(progress, PBM_GETPOS, 0, 0), 70000);
    EXPECT_EQ(SendMessage(progress, PBM_DELTAPOS, 30000, 0), 70000);
    EXPECT_EQ(SendMessage(progress, PBM_GETPOS, 0, 0), 90000) << "held at the end";
    SendMessage(progress, PBM_SETPOS, 45000, 0);
    gdi_test::Surface surface(202, 20);
    Print(progress, surface);
    // Half of the 198 inner pixels are the bar's colour.
    EXPECT_EQ(surface.At(2 + 98, 10), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(surface.At(2 + 100, 10), GetSysColor(COLOR_3DFACE));
    // Stepping: 10 by default; past the end it starts again.
    SendMessage(progress, PBM_SETRANGE32, 0, 100);
    SendMessage(progress, PBM_SETPOS, 95, 0);
    EXPECT_EQ(SendMessage(progress, PBM_SETSTEP, 10, 0), 10);
    EXPECT_EQ(SendMessage(progress, PBM_STEPIT, 0, 0), 95);
    EXPECT_EQ(SendMessage(progress, PBM_GETPOS, 0, 0), 5);
    // The 16-bit message keeps its unsigned words.
    SendMessage(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 60000));
    EXPECT_EQ(SendMessage(progress, PBM_GETRANGE, FALSE, 0), 60000);
    SendMessage(progress, PBM_SETBARCOLOR, 0, LPARAM(RGB(0, 128, 0)));
    SendMessage(progress, PBM_SETPOS, 60000, 0);
    Print(progress, surface);
    EXPECT_EQ(surface.At(150, 10), RGB(0, 128, 0));
}

} // namespace
