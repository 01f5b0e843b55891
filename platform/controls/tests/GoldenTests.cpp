#include "ControlTestSupport.h"

#include "platform/user/ScrollBar.h"

using namespace control_test;

namespace {

using ClassicLookTest = ControlTest;

// The rest of the classic controls on the dialog face: statics, a list with a selection, combo
// boxes, scroll bars, a trackbar and progress bars.
TEST_F(ClassicLookTest, GoldenListsBarsAndStatics)
{
    gdi_test::Surface surface(340, 230, GetSysColor(COLOR_3DFACE));
    struct Placed {
        HWND window;
        RECT at;
    };
    std::vector<Placed> placed;
    auto add = [&](const WCHAR* cls, const WCHAR* text, DWORD style, RECT at, int id) {
        HWND w = Make(cls, text, style, at.left, at.top, at.right - at.left, at.bottom - at.top, id);
        RECT actual;
        GetWindowRect(w, &actual);
        placed.push_back({ w, RECT { at.left, at.top, at.left + (actual.right - actual.left), at.top + (actual.bottom - actual.top) } });
        return w;
    };
    add(WC_STATICW, u"&Quality:", SS_LEFT, { 10, 10, 80, 24 }, 1);
    add(WC_STATICW, u"", SS_ETCHEDHORZ, { 10, 28, 330, 30 }, 2);
    HWND list = add(WC_LISTBOXW, u"", LBS_NOTIFY, { 10, 36, 120, 110 }, 3);
    for (const WCHAR* item : { u"Resize", u"Sharpen", u"Watermark", u"Rename", u"Upload" })
        SendMessage(list, LB_ADDSTRING, 0, LPARAM(item));
    SendMessage(list, LB_SETCURSEL, 1, 0);
    HWND dropList = add(WC_COMBOBOXW, u"", CBS_DROPDOWNLIST, { 130, 36, 250, 200 }, 4);
    HWND dropDown = add(WC_COMBOBOXW, u"", CBS_DROPDOWN, { 130, 66, 250, 200 }, 5);
    for (HWND combo : { dropList, dropDown })
        for (const WCHAR* item : { u"JPEG", u"PNG", u"TIFF" })
            SendMessage(combo, CB_ADDSTRING, 0, LPARAM(item));
    SendMessage(dropList, CB_SETCURSEL, 0, 0);
    SendMessage(dropDown, CB_SETCURSEL, 1, 0);
    SetFocus(dropList);
    HWND vertical = add(WC_SCROLLBARW, u"", SBS_VERT, { 260, 36, 277, 140 }, 6);
    HWND horizontal = add(WC_SCROLLBARW, u"", SBS_HORZ, { 10, 120, 250, 137 }, 7);
    for (HWND bar : { vertical, horizontal }) {
        SCROLLINFO info { sizeof(info), SIF_ALL, 0, 99, 25, 30, 0 };
        SetScrollInfo(bar, SB_CTL, &info, FALSE);
    }
    HWND disabled = add(WC_SCROLLBARW, u"", SBS_VERT, { 285, 36, 302, 140 }, 8);
    EnableWindow(disabled, FALSE);
    HWND track = add(TRACKBAR_CLASSW, u"", TBS_AUTOTICKS, { 10, 145, 250, 175 }, 9);
    SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessage(track, TBM_SETPOS, TRUE, 3);
    HWND blocks = add(PROGRESS_CLASSW, u"", 0, { 10, 182, 250, 198 }, 10);
    HWND smooth = add(PROGRESS_CLASSW, u"", PBS_SMOOTH, { 10, 204, 250, 220 }, 11);
    for (HWND p : { blocks, smooth })
        SendMessage(p, PBM_SETPOS, 60, 0);
    for (const Placed& p : placed) {
        Print(p.window, surface, p.at.left, p.at.top);
        // Children (the combo box's edit) print at their place inside.
        for (HWND child = GetWindow(p.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(child, &r);
            POINT corner { r.left, r.top };
            ScreenToClient(p.window, &corner);
            Print(child, surface, p.at.left + corner.x, p.at.top + corner.y);
        }
    }
    Keep(surface, "classic_controls");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "classic_controls"));
}

} // namespace
