#include "tooltips/RichTipLook.h"

#include "platform/framework/WinApp.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/FrameworkChecks.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A child that takes the capture while its left button is down, as a slider or a drag does.
class CPanel : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    int movesWhileCaptured = 0;
    int downs = 0;
    int captureLosses = 0;
    void OnLButtonDown(UINT, CPoint)
    {
        ++downs;
        SetCapture();
    }
    void OnLButtonUp(UINT, CPoint)
    {
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
    }
    void OnMouseMove(UINT, CPoint)
    {
        if (::GetCapture() == m_hWnd)
            ++movesWhileCaptured;
    }
    void OnCaptureChanged(CWnd*) { ++captureLosses; }
};

BEGIN_MESSAGE_MAP(CPanel, CWnd)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

// The owner feeds every message of its loop to the tooltip, as the application's windows do.
class COwner : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    CRichToolTip* tip = nullptr;
    struct Relayed {
        UINT message;
        HWND window;
    };
    std::vector<Relayed> relayed;
    int notifications = 0;
    std::vector<std::pair<WPARAM, LPARAM>> hotKeys;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == RichTipHotKeyMessage())
            hotKeys.emplace_back(wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (tip) {
            if (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
                relayed.push_back(Relayed{ msg->message, msg->hwnd });
            if (tip->RelayMessage(msg))
                return TRUE;
        }
        return CWnd::PreTranslateMessage(msg);
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT*) override
    {
        if (reinterpret_cast<NMHDR*>(lParam)->code == TIPN_SHOW)
            ++notifications;
        return TRUE;
    }
    void OnPaint()
    {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        RECT r;
        GetClientRect(&r);
        HBRUSH brush = CreateSolidBrush(RGB(70, 110, 160));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        ::EndPaint(m_hWnd, &ps);
    }
};

BEGIN_MESSAGE_MAP(COwner, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

const char16_t kResizeTip[] = u"<b>Resize</b>\nMakes every picture fit the given box.";

class TipWindowTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        app = std::make_unique<CWinApp>(u"TipTests");
        afterLoop = std::make_unique<testkit::FrameworkAfterLoop>();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP | WS_VISIBLE, 100, 100, 500, 400, nullptr, nullptr));
        app->m_pMainWnd = &owner;
        ASSERT_TRUE(panel.CreateEx(0, nullptr, u"panel", WS_CHILD | WS_VISIBLE, CRect(20, 20, 220, 120), &owner, 1));
        ASSERT_TRUE(tip.CreateTipWindow(&owner));
        tip.ApplyStandardLook();
        owner.tip = &tip;
        Pump();
    }
    void TearDown() override
    {
        owner.tip = nullptr;
        tip.DestroyWindow();
        panel.DestroyWindow();
        owner.DestroyWindow();
        app->m_pMainWnd = nullptr;
        afterLoop.reset();
        app.reset();
        testkit::DestroyLeftoverWindows();
        DesktopTest::TearDown();
    }
    // Runs the owner's loop over the steps queued so far, then ends it.
    void RunLoop()
    {
        Idle().Then([this] { owner.EndModalLoop(1); });
        owner.RunModalLoop(CWnd::MLF_NOIDLEMSG);
        afterLoop->Check();
        EXPECT_EQ(::GetCapture(), nullptr);
    }
    // The mouse rests on the panel until the tip is shown.
    void RestOnPanel(int x = 50, int y = 40)
    {
        Idle().Then([this, x, y] { testkit::MoveTo(testkit::ClientPoint(panel, x, y)); });
        Idle().Then([this] { Clock().Advance(500); });
        Idle().Then([this] { ASSERT_EQ(tip.GetState(), CRichToolTip::Shown); });
    }

    // One timer message per step: a clock moved past several periods at once delivers one.
    void Fade()
    {
        for (int step = 0; step < 5; ++step)
            Idle().Then([this] { Clock().Advance(80); });
    }
    void LeaveAndFade()
    {
        Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(owner, 480, 380)); });
        Fade();
        Idle().Then([this] { EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden); });
    }

    std::unique_ptr<CWinApp> app;
    std::unique_ptr<testkit::FrameworkAfterLoop> afterLoop;
    COwner owner;
    CPanel panel;
    CRichTipLook tip;
};

} // namespace

TEST_F(TipWindowTest, ShowsAfterHalfASecondPopsAfterAMinuteAndFadesOutInFiveSteps)
{
    tip.AddWindowTool(&panel, kResizeTip);
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(panel, 50, 40)); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden);
        Clock().Advance(499);
    });
    Idle().Then([this] {
        EXPECT_FALSE(tip.IsWindowVisible());
        Clock().Advance(1);
    });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        EXPECT_TRUE(tip.IsWindowVisible());
        EXPECT_EQ(::GetCapture(), tip.m_hWnd);
        EXPECT_EQ(owner.notifications, 1); // the owner is told before the tip is built
        Clock().Advance(59999);
    });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        Clock().Advance(1);
    });
    for (int step = 0; step <= 5; ++step)
        Idle().Then([this, step] {
            if (step < 5) {
                EXPECT_EQ(tip.GetState(), CRichToolTip::Hiding) << step;
                EXPECT_EQ(tip.GetTransparency(), 20 * step) << step;
                EXPECT_TRUE(tip.IsWindowVisible()) << step;
                EXPECT_EQ(::GetCapture(), nullptr) << "the capture goes as the fade starts";
                Clock().Advance(80);
            } else {
                EXPECT_EQ(tip.GetTransparency(), 100);
                EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden);
                EXPECT_FALSE(tip.IsWindowVisible());
            }
        });
    RunLoop();
}

TEST_F(TipWindowTest, EveryMoveBeforeTheTipShowsRestartsTheDelayAndAMoveInsideTheShownToolHidesIt)
{
    tip.AddWindowTool(&panel, kResizeTip);
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(panel, 50, 40)); });
    Idle().Then([this] { Clock().Advance(400); });
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(panel, 52, 40)); });
    Idle().Then([this] { Clock().Advance(400); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden) << "800 ms in the tool, but only 400 at rest";
        Clock().Advance(100);
    });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        testkit::MoveTo(testkit::ClientPoint(panel, 60, 40));
    });
    Idle().Then([this] { EXPECT_EQ(tip.GetState(), CRichToolTip::Hiding); });
    Fade();
    Idle().Then([this] {
        EXPECT_FALSE(tip.IsWindowVisible());
        Clock().Advance(2000);
    });
    Idle().Then([this] { EXPECT_FALSE(tip.IsWindowVisible()) << "the same tool shows again only after leaving it"; });
    RunLoop();
}

TEST_F(TipWindowTest, WhileShownTheTipHoldsTheCaptureAndEveryMouseMessagePassesTheRelay)
{
    tip.AddWindowTool(&panel, kResizeTip);
    RestOnPanel();
    Idle().Then([this] {
        ASSERT_EQ(::GetCapture(), tip.m_hWnd);
        owner.relayed.clear();
        // Far from the tool, over the owner: the captured move still reaches the relay.
        testkit::MoveTo(testkit::ClientPoint(owner, 400, 300));
    });
    Idle().Then([this] {
        ASSERT_FALSE(owner.relayed.empty());
        EXPECT_EQ(owner.relayed.front().message, UINT(WM_MOUSEMOVE));
        EXPECT_EQ(owner.relayed.front().window, tip.m_hWnd);
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hiding);
        EXPECT_EQ(::GetCapture(), nullptr);
    });
    Fade();
    // After the tip, the panel's own capture works as before: it follows a drag out of itself.
    Idle().Then([this] {
        EXPECT_FALSE(tip.IsWindowVisible());
        testkit::Press(testkit::ClientPoint(panel, 10, 10));
    });
    Idle().Then([this] {
        EXPECT_EQ(::GetCapture(), panel.m_hWnd);
        testkit::MoveTo(testkit::ClientPoint(owner, 300, 250));
    });
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(owner, 400, 300)); });
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(owner, 450, 350)); });
    Idle().Then([this] {
        EXPECT_EQ(panel.movesWhileCaptured, 3);
        testkit::Release(testkit::ClientPoint(owner, 450, 350));
    });
    Idle().Then([this] {
        EXPECT_EQ(::GetCapture(), nullptr);
        EXPECT_EQ(panel.downs, 1);
    });
    RunLoop();
}

TEST_F(TipWindowTest, AClickHidesTheTipAtOnceAndAButtonHeldElsewhereKeepsItsCapture)
{
    const RECT left{ 0, 0, 100, 100 }, right{ 100, 0, 200, 100 };
    tip.AddWindowTool(&panel, kResizeTip, &left);
    tip.AddWindowTool(&panel, u"The other half", &right);
    RestOnPanel();
    Idle().Then([this] { testkit::Press(testkit::ClientPoint(panel, 50, 40), testkit::Button::Right); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden) << "no fade for a click";
        EXPECT_FALSE(tip.IsWindowVisible());
        EXPECT_EQ(::GetCapture(), nullptr);
        testkit::Release(testkit::ClientPoint(panel, 50, 40), testkit::Button::Right);
    });
    // A drag starts in the panel and rests on the other tool: its tip shows, but the drag keeps
    // the capture.
    Idle().Then([this] { testkit::Press(testkit::ClientPoint(panel, 150, 60)); });
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(panel, 160, 60)); });
    Idle().Then([this] { Clock().Advance(500); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        EXPECT_EQ(::GetCapture(), panel.m_hWnd);
        EXPECT_FALSE(tip.HoldsCapture());
        EXPECT_EQ(panel.captureLosses, 0);
        testkit::MoveTo(testkit::ClientPoint(owner, 480, 380));
    });
    Idle().Then([this] {
        EXPECT_EQ(panel.movesWhileCaptured, 2);
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hiding);
        testkit::Release(testkit::ClientPoint(owner, 480, 380));
    });
    Idle().Then([this] {
        EXPECT_EQ(::GetCapture(), nullptr);
        EXPECT_EQ(panel.captureLosses, 1);
    });
    Fade();
    RunLoop();
}

TEST_F(TipWindowTest, AFadeInStartsFromThePixelsThatWereUnderTheTip)
{
    ::MoveWindow(owner.m_hWnd, 100, 250, 500, 400, TRUE);
    tip.m_fadeInStep = 80;
    tip.AddWindowTool(&panel, kResizeTip);
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(panel, 50, 95)); });
    Idle().Then([this] { Clock().Advance(500); });
    Idle().Then([this] {
        // Fully transparent: only the snapshot of what lay under it, and no shadow.
        EXPECT_EQ(tip.GetState(), CRichToolTip::Showing);
        EXPECT_EQ(tip.GetTransparency(), 100);
        const testkit::Capture first = testkit::CaptureWindow(tip.m_hWnd);
        ASSERT_FALSE(first.Empty());
        EXPECT_TRUE(testkit::AllPixels(first, RECT{ 0, 0, first.width, first.height }, RGB(70, 110, 160)));
    });
    Fade();
    Idle().Then([this] {
        EXPECT_EQ(tip.GetTransparency(), 0);
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        const testkit::Capture opaque = testkit::CaptureWindow(tip.m_hWnd);
        EXPECT_EQ(opaque.ColorAt(3, 3), COLORREF(GetSysColor(COLOR_INFOBK)));
    });
    LeaveAndFade();
    RunLoop();
}

TEST_F(TipWindowTest, TheShownToolsHotKeyGoesToTheOwnerAndOtherKeysHideTheTip)
{
    TipTool tool;
    tool.id = 3;
    tool.text = kResizeTip;
    tool.hotKey = VK_F1;
    tool.hotKeyValue = 7;
    tip.AddTool(panel.m_hWnd, tool);
    RestOnPanel();
    Idle().Then([] { testkit::Key(VK_F1); });
    Idle().Then([this] {
        ASSERT_EQ(owner.hotKeys.size(), 1u);
        EXPECT_EQ(owner.hotKeys[0], std::make_pair(WPARAM(7), LPARAM(3)));
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        testkit::Key('A');
    });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden);
        EXPECT_EQ(owner.hotKeys.size(), 1u);
    });
    RunLoop();
}

TEST_F(TipWindowTest, ABelowControlTipHangsUnderTheControlWithRoomForItsTitle)
{
    TipTool tool;
    tool.text = kResizeTip;
    tool.belowControl = true;
    tool.mask = TIPF_DIRECTION;
    tool.direction = 0x00;
    tip.AddTool(panel.m_hWnd, tool);
    RestOnPanel(70, 30);
    Idle().Then([this] {
        RECT control, shown;
        ::GetWindowRect(panel.m_hWnd, &control);
        ::GetWindowRect(tip.m_hWnd, &shown);
        EXPECT_EQ(shown.top, control.bottom);
        EXPECT_EQ(shown.left, control.left + 1 - 16);
        EXPECT_EQ(tip.TextRect().top, 2 * 4) << "the text moves down by the margin";
        EXPECT_EQ(tip.Direction(), 0x00);
    });
    LeaveAndFade();
    RunLoop();
}

TEST_F(TipWindowTest, TheTipGoesWhenAnotherProgramIsActivated)
{
    tip.AddWindowTool(&panel, kResizeTip);
    RestOnPanel();
    Idle().Then([] { testkit::AnotherProgramActivated(); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden);
        EXPECT_FALSE(tip.IsWindowVisible());
    });
    RunLoop();
}

TEST_F(TipWindowTest, WithoutTheSystemsFadeTheTipHidesAtOnce)
{
    ScopedSystemModel model;
    model.Edit().tooltipFade = FALSE;
    tip.ApplyStandardLook();
    tip.AddWindowTool(&panel, kResizeTip);
    RestOnPanel();
    Idle().Then([this] { testkit::MoveTo(testkit::ClientPoint(owner, 400, 300)); });
    Idle().Then([this] {
        EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden);
        EXPECT_FALSE(tip.IsWindowVisible());
    });
    RunLoop();
}

TEST_F(TipWindowTest, ALinkInTheTipOpensWithTheDesktopOpenerAsOneArgument)
{
    char pattern[] = "/tmp/vornalt-tiplink-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string record = folder + "/opened.txt";
    {
        std::ofstream opener(folder + "/xdg-open");
        opener << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '" << record << ".part' && mv '" << record << ".part' '"
               << record << "'\n";
    }
    chmod((folder + "/xdg-open").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder + ":" + path).c_str(), 1);

    TipTool tool;
    tool.text = u"Read <a href=\"https://example.org/a b?x=1;touch /tmp/no&y=$(id)\">the manual</a> first.";
    tool.mask = TIPF_BEHAVIOUR;
    tool.behaviour = TIPB_KEEP_OVER_TIP;
    tip.AddTool(panel.m_hWnd, tool);
    RestOnPanel();
    Idle().Then([this] {
        ASSERT_EQ(tip.Drawer().LinkAreas().size(), 1u);
        const RECT link = tip.Drawer().LinkAreas()[0].rect;
        RECT window;
        ::GetWindowRect(tip.m_hWnd, &window);
        const POINT at{ window.left + (link.left + link.right) / 2, window.top + (link.top + link.bottom) / 2 };
        testkit::MoveTo(at);
    });
    Idle().Then([this] {
        // The link under the mouse takes the hover look (blue, underlined) while the tip stays.
        EXPECT_EQ(tip.GetState(), CRichToolTip::Shown);
        EXPECT_EQ(tip.Drawer().m_nHotLink, 0);
        EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
        const testkit::Capture hovered = testkit::CaptureWindow(tip.m_hWnd);
        int blue = 0;
        for (int y = 0; y < hovered.height; ++y)
            for (int x = 0; x < hovered.width; ++x)
                blue += hovered.ColorAt(x, y) == RGB(0, 0, 255);
        EXPECT_GT(blue, 20);
        POINT at;
        ::GetCursorPos(&at);
        testkit::Click(at);
    });
    Idle().Then([this] { EXPECT_EQ(tip.GetState(), CRichToolTip::Hidden); });
    RunLoop();

    std::string opened;
    for (int i = 0; i < 500 && opened.empty(); ++i) {
        std::ifstream in(record);
        std::stringstream text;
        text << in.rdbuf();
        opened = text.str();
        if (opened.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(opened, "1|https://example.org/a b?x=1;touch /tmp/no&y=$(id)\n");
    setenv("PATH", path.c_str(), 1);
    std::filesystem::remove_all(folder);
}

TEST_F(TipWindowTest, PlacementAtTheScreenEdges)
{
    const RECT screen{ 0, 0, 1280, 1024 };
    const RECT frame{ 0, 0, 100, 40 };
    struct Case {
        const char* what;
        bool pointer; // the base look's pointer triangle (12 wide, 16 deep) instead of none
        POINT at;
        int direction;
        int expectedDirection;
        RECT expectedWindow; // screen coordinates
    } cases[] = {
        { "room everywhere: above, to the right", false, { 500, 500 }, 0x10, 0x10, { 484, 460, 584, 500 } },
        { "bottom-right corner: above, to the left", false, { 1270, 1020 }, 0x10, 0x11, { 1180, 980, 1280, 1020 } },
        { "top edge: below", false, { 500, 5 }, 0x10, 0x00, { 484, 5, 584, 45 } },
        { "left edge, asked to the left: to the right, kept on screen", false, { 3, 500 }, 0x11, 0x10,
            { 0, 460, 100, 500 } },
        { "centred near the left edge moves right", false, { 20, 500 }, 0x12, 0x12, { 0, 460, 100, 500 } },
        { "right edge, asked to open right: opens left", false, { 1250, 500 }, 0x20, 0x30, { 1150, 484, 1250, 524 } },
        { "bottom edge with a pointer: opens above, pointer below", true, { 500, 1010 }, 0x00, 0x10,
            { 484, 954, 584, 1010 } },
    };
    for (const Case& c : cases) {
        CRichToolTip placed;
        if (!c.pointer) {
            placed.m_anchorWidth = placed.m_anchorHeight = 0;
        }
        placed.PlaceTip(c.at, c.direction, screen, frame);
        const RECT& w = placed.WindowRect();
        const POINT a = placed.AnchorPoint();
        const RECT onScreen{ c.at.x - a.x, c.at.y - a.y, c.at.x - a.x + (w.right - w.left),
            c.at.y - a.y + (w.bottom - w.top) };
        EXPECT_EQ(placed.Direction(), c.expectedDirection) << c.what;
        EXPECT_EQ(onScreen.left, c.expectedWindow.left) << c.what;
        EXPECT_EQ(onScreen.top, c.expectedWindow.top) << c.what;
        EXPECT_EQ(onScreen.right, c.expectedWindow.right) << c.what;
        EXPECT_EQ(onScreen.bottom, c.expectedWindow.bottom) << c.what;
    }
}

TEST_F(TipWindowTest, TheApplicationsLookWithATableAndALink)
{
    tip.AddWindowTool(&panel,
        u"<b>Watermark</b>\nPuts a text or a picture over every image."
        u"<table border=1 cellpadding=3 bordercolor=#767676>"
        u"<tr><td bgcolor=#fff0c0><b>Position</b></td><td>bottom right</td></tr>"
        u"<tr><td bgcolor=#fff0c0><b>Opacity</b></td><td>60 %</td></tr>"
        u"</table>"
        u"See <a href=\"https://example.org/watermark\">the manual</a>.");
    // Low enough that the whole tip lies over the owner.
    ::MoveWindow(owner.m_hWnd, 100, 250, 500, 400, TRUE);
    RestOnPanel(60, 95);
    testkit::Capture shown;
    Idle().Then([&] { shown = testkit::CaptureWindow(tip.m_hWnd); });
    LeaveAndFade();
    RunLoop();
    ASSERT_FALSE(shown.Empty());
    testkit::SavePng(shown, testkit::TestOutputFolder() + "/tip_table_link.png");

    // A plain rectangle (no pointer) with the grey border, the tooltip colour inside, the shadow
    // 5 pixels to the right and below, over the owner's blue.
    const RECT& frame = tip.FrameRect();
    EXPECT_EQ(shown.width, frame.right - frame.left + 5);
    EXPECT_EQ(shown.height, frame.bottom - frame.top + 5);
    EXPECT_LE(frame.right - frame.left, 212 + 1 + 12);
    EXPECT_EQ(shown.ColorAt(frame.right / 2, 0), RGB(118, 118, 118));
    EXPECT_EQ(shown.ColorAt(3, 3), COLORREF(GetSysColor(COLOR_INFOBK)));
    const COLORREF shadow = shown.ColorAt(frame.right + 2, frame.bottom / 2);
    EXPECT_LT(GetBValue(shadow), 160);
    EXPECT_GT(GetBValue(shadow), 100);
    EXPECT_EQ(shown.ColorAt(shown.width - 1, 0), RGB(70, 110, 160)) << "outside the region: the owner";
    EXPECT_TRUE(testkit::MatchesGolden(shown, std::string(VORNALT_TEST_DATA_DIR) + "/tip_table_link.png"));
}

TEST_F(TipWindowTest, TheBaseLookPointsAtTheCursorWithAGradientAndASoftShadow)
{
    CRichToolTip base;
    ASSERT_TRUE(base.CreateTipWindow(&owner));
    owner.tip = &base;
    ::MoveWindow(owner.m_hWnd, 100, 250, 500, 400, TRUE);
    TipTool tool;
    tool.text = u"<h2>Rotate</h2>\n<font color=darkseagreen>Turns</font> every picture <i>by the angle</i>.";
    tool.mask = TIPF_EFFECT | TIPF_COLOURS | TIPF_DIRECTION;
    tool.effect = 2; // vertical gradient
    tool.crBegin = RGB(255, 255, 255);
    tool.crEnd = RGB(255, 230, 160);
    tool.direction = 0x00; // below the cursor, pointer on the top edge
    base.AddTool(panel.m_hWnd, tool);
    testkit::Capture shown;
    POINT cursor{};
    Idle().Then([&] {
        cursor = testkit::ClientPoint(panel, 40, 10);
        testkit::MoveTo(cursor);
    });
    Idle().Then([this] { Clock().Advance(500); });
    Idle().Then([&] {
        ASSERT_EQ(base.GetState(), CRichToolTip::Shown);
        RECT window;
        ::GetWindowRect(base.m_hWnd, &window);
        // The pointer's tip is at the cursor, 16 pixels in from the left edge.
        EXPECT_EQ(window.left, cursor.x - 16);
        EXPECT_EQ(window.top, cursor.y);
        shown = testkit::CaptureWindow(base.m_hWnd);
        testkit::MoveTo(testkit::ClientPoint(owner, 480, 380));
    });
    Idle().Then([&] {
        EXPECT_EQ(base.GetState(), CRichToolTip::Hidden) << "the base look does not fade";
        EXPECT_EQ(::GetCapture(), nullptr);
    });
    RunLoop();
    owner.tip = nullptr;
    base.DestroyWindow();
    ASSERT_FALSE(shown.Empty());
    testkit::SavePng(shown, testkit::TestOutputFolder() + "/tip_base_look.png");
    // Above the frame, beside the pointer: the owner shows through.
    EXPECT_EQ(shown.ColorAt(2, 2), RGB(70, 110, 160));
    EXPECT_TRUE(testkit::MatchesGolden(shown, std::string(VORNALT_TEST_DATA_DIR) + "/tip_base_look.png"));
}
