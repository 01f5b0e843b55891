#include "ControlTestSupport.h"

#include "platform/base/Clock.h"

#include <cstring>

using namespace control_test;

namespace {

// The tip's timers: 1 waits to show, 2 waits to pop. The tests deliver them as the clock moves.
constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;

class TooltipTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        SetTickSourceForTesting([this] { return m_now; });
        m_tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
            0, 0, m_parent, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_tip);
        m_owner = Make(WC_STATICW, u"", SS_NOTIFY, 20, 20, 300, 100, 70);
    }
    void TearDown() override
    {
        DestroyWindow(m_tip);
        SetTickSourceForTesting(nullptr);
        ControlTest::TearDown();
    }
    void AddTool(UINT_PTR id, RECT rect, const WCHAR* text, UINT flags = 0, UINT size = TTTOOLINFOW_V2_SIZE)
    {
        TOOLINFOW info {};
        info.cbSize = size;
        info.uFlags = flags;
        info.hwnd = m_owner;
        info.uId = id;
        info.rect = rect;
        info.lpszText = const_cast<WCHAR*>(text);
        info.lParam = LPARAM(0x1234 + id);
        ASSERT_TRUE(SendMessage(m_tip, TTM_ADDTOOLW, 0, LPARAM(&info)));
    }
    void Relay(UINT message, int x, int y, HWND window = nullptr)
    {
        MSG msg { window ? window : m_owner, message, 0, MAKELPARAM(WORD(x), WORD(y)), DWORD(m_now), {} };
        SendMessage(m_tip, TTM_RELAYEVENT, 0, LPARAM(&msg));
    }
    // Moves the clock to `time` and lets the tip's timers run.
    void At(ULONGLONG time)
    {
        m_now = time;
        SendMessage(m_tip, WM_TIMER, kShowTimer, 0);
        SendMessage(m_tip, WM_TIMER, kPopTimer, 0);
    }
    bool Shown() const { return IsWindowVisible(m_tip) != FALSE; }
    std::vector<UINT> Notes() const
    {
        std::vector<UINT> out;
        for (const Event& e : Events())
            if (e.message == WM_NOTIFY && e.from == m_tip)
                out.push_back(e.code);
        return out;
    }

    ULONGLONG m_now = 1000;
    HWND m_tip = nullptr;
    HWND m_owner = nullptr;
};

TEST_F(TooltipTest, InitialAutoPopAndReshowDelaysOnTheClock)
{
    // The owner is a static: its notifications go to our recorder through the parent.
    TheRecorder().handler = nullptr;
    HWND owner = Make(u"ControlTestParent", u"owner", 0, 20, 20, 300, 100, 71);
    m_owner = owner;
    AddTool(1, RECT { 0, 0, 100, 50 }, u"Open");
    AddTool(2, RECT { 100, 0, 200, 50 }, u"Save");
    EXPECT_EQ(SendMessage(m_tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);
    EXPECT_EQ(SendMessage(m_tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 5000);
    EXPECT_EQ(SendMessage(m_tip, TTM_GETDELAYTIME, TTDT_RESHOW, 0), 100);

    struct Step {
        ULONGLONG time;
        int x; // where the pointer is (-1: stays)
        bool shown;
        UINT_PTR current;
    };
    const Step steps[] = {
        { 1000, 10, false, 0 }, // enters tool 1
        { 1200, 20, false, 0 }, // moving inside does not restart the wait
        { 1499, -1, false, 0 },
        { 1500, -1, true, 1 }, // initial delay
        { 3000, 30, true, 1 },
        { 6499, -1, true, 1 },
        { 6500, -1, false, 0 }, // auto-pop after 5 s
        { 6600, 40, false, 0 }, // stays away on the same tool
        { 6650, 150, false, 0 }, // tool 2, soon after a tip: the reshow delay
        { 6749, -1, false, 0 },
        { 6750, -1, true, 2 },
        { 6800, 60, false, 0 }, // back to tool 1: hidden at once, shown after the reshow delay
        { 6900, -1, true, 1 },
        { 7000, 250, false, 0 }, // off every tool
        { 9000, 20, false, 0 }, // long after: the initial delay again
        { 9499, -1, false, 0 },
        { 9500, -1, true, 1 },
    };
    for (const Step& step : steps) {
        m_now = step.time;
        if (step.x >= 0)
            Relay(WM_MOUSEMOVE, step.x, 10);
        At(step.time);
        EXPECT_EQ(Shown(), step.shown) << "at " << step.time;
        TOOLINFOW current {};
        current.cbSize = TTTOOLINFOW_V2_SIZE;
        const bool has = SendMessage(m_tip, TTM_GETCURRENTTOOLW, 0, LPARAM(&current)) != 0;
        EXPECT_EQ(has, step.shown) << "at " << step.time;
        if (has) {
            EXPECT_EQ(current.uId, step.current) << "at " << step.time;
        }
    }
    EXPECT_EQ(Notes(), (std::vector<UINT> { TTN_SHOW, TTN_POP, TTN_SHOW, TTN_POP, TTN_SHOW, TTN_POP, TTN_SHOW }));
}

TEST_F(TooltipTest, AClickHidesTheTipUntilThePointerLeavesTheTool)
{
    m_owner = Make(u"ControlTestParent", u"owner", 0, 20, 20, 300, 100, 71);
    AddTool(1, RECT { 0, 0, 100, 50 }, u"Open");
    Relay(WM_MOUSEMOVE, 10, 10);
    At(1500);
    ASSERT_TRUE(Shown());
    Relay(WM_LBUTTONDOWN, 10, 10);
    EXPECT_FALSE(Shown());
    Relay(WM_MOUSEMOVE, 12, 10);
    At(3000);
    EXPECT_FALSE(Shown());
    Relay(WM_MOUSEMOVE, 150, 10);
    Relay(WM_MOUSEMOVE, 12, 10);
    At(3100);
    At(3600);
    EXPECT_TRUE(Shown());
    SendMessage(m_tip, TTM_ACTIVATE, FALSE, 0);
    EXPECT_FALSE(Shown());
    Relay(WM_MOUSEMOVE, 13, 10);
    At(5000);
    EXPECT_FALSE(Shown()) << "an inactive tip never shows";
}

TEST_F(TooltipTest, TextFromTheOwnerThroughGetDispInfo)
{
    m_owner = Make(u"ControlTestParent", u"owner", 0, 20, 20, 300, 100, 71);
    int asked = 0;
    NMTTDISPINFOW seen {};
    TheRecorder().handler = [&](HWND, UINT m, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            seen = *info;
            ++asked;
            std::memcpy(info->szText, u"Save (Ctrl+S)", 14 * sizeof(WCHAR));
            if (asked == 2)
                info->uFlags |= TTF_DI_SETITEM;
            return 0;
        }
        return std::nullopt;
    };
    AddTool(7, RECT { 0, 0, 100, 50 }, LPSTR_TEXTCALLBACKW);
    for (int round = 0; round < 3; ++round) {
        Relay(WM_MOUSEMOVE, 10, 10);
        At(m_now + 500);
        ASSERT_TRUE(Shown());
        SendMessage(m_tip, TTM_POP, 0, 0);
        Relay(WM_MOUSEMOVE, 250, 10);
        m_now += 2000;
    }
    EXPECT_EQ(asked, 2) << "TTF_DI_SETITEM keeps the answer";
    EXPECT_EQ(seen.hdr.hwndFrom, m_tip);
    EXPECT_EQ(seen.hdr.idFrom, 7u);
    EXPECT_EQ(seen.lParam, LPARAM(0x1234 + 7));
    WCHAR buffer[80] {};
    TOOLINFOW info {};
    info.cbSize = TTTOOLINFOW_V1_SIZE;
    info.hwnd = m_owner;
    info.uId = 7;
    info.lpszText = buffer;
    EXPECT_EQ(SendMessage(m_tip, TTM_GETTEXTW, 80, LPARAM(&info)), 13);
    EXPECT_EQ(std::u16string(buffer), u"Save (Ctrl+S)");
    TheRecorder().handler = nullptr;
}

TEST_F(TooltipTest, ToolInfoSizesByName)
{
    static_assert(TTTOOLINFOW_V1_SIZE < TTTOOLINFOW_V2_SIZE && TTTOOLINFOW_V2_SIZE < TTTOOLINFOW_V3_SIZE);
    static_assert(TTTOOLINFOW_V2_SIZE == TTTOOLINFOW_V1_SIZE + sizeof(LPARAM));
    TOOLINFOW tooSmall {};
    tooSmall.cbSize = TTTOOLINFOW_V1_SIZE - 1;
    tooSmall.hwnd = m_owner;
    tooSmall.lpszText = const_cast<WCHAR*>(u"x");
    EXPECT_FALSE(SendMessage(m_tip, TTM_ADDTOOLW, 0, LPARAM(&tooSmall)));
    AddTool(1, RECT { 0, 0, 10, 10 }, u"one", 0, TTTOOLINFOW_V1_SIZE); // no lParam read
    AddTool(2, RECT { 0, 0, 10, 10 }, u"two", 0, TTTOOLINFOW_V2_SIZE);
    EXPECT_EQ(SendMessage(m_tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    for (UINT_PTR id : { 1, 2 }) {
        TOOLINFOW info {};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.hwnd = m_owner;
        info.uId = id;
        ASSERT_TRUE(SendMessage(m_tip, TTM_GETTOOLINFOW, 0, LPARAM(&info)));
        EXPECT_EQ(info.lParam, id == 1 ? 0 : LPARAM(0x1236));
    }
    // A V1 record is written only as far as it reaches.
    TOOLINFOW shortInfo {};
    shortInfo.cbSize = TTTOOLINFOW_V1_SIZE;
    shortInfo.hwnd = m_owner;
    shortInfo.uId = 2;
    shortInfo.lParam = 99;
    ASSERT_TRUE(SendMessage(m_tip, TTM_GETTOOLINFOW, 0, LPARAM(&shortInfo)));
    EXPECT_EQ(shortInfo.lParam, 99);
    EXPECT_EQ(shortInfo.rect.right, 10);
    TTHITTESTINFOW hit {};
    hit.hwnd = m_owner;
    hit.pt = POINT { 5, 5 };
    hit.ti.cbSize = TTTOOLINFOW_V1_SIZE;
    EXPECT_TRUE(SendMessage(m_tip, TTM_HITTESTW, 0, LPARAM(&hit)));
    EXPECT_EQ(hit.ti.uId, 1u);
    SendMessage(m_tip, TTM_DELTOOLW, 0, LPARAM(&shortInfo));
    EXPECT_EQ(SendMessage(m_tip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST_F(TooltipTest, TrackingTipsFollowTheirOwnerWithoutTimers)
{
    AddTool(3, RECT {}, u"Tracking", TTF_TRACK | TTF_ABSOLUTE);
    TOOLINFOW info {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = m_owner;
    info.uId = 3;
    SendMessage(m_tip, TTM_TRACKPOSITION, 0, MAKELPARAM(300, 200));
    SendMessage(m_tip, TTM_TRACKACTIVATE, TRUE, LPARAM(&info));
    EXPECT_TRUE(Shown());
    RECT r;
    GetWindowRect(m_tip, &r);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 200);
    SendMessage(m_tip, TTM_TRACKPOSITION, 0, MAKELPARAM(320, 240));
    GetWindowRect(m_tip, &r);
    EXPECT_EQ(r.left, 320);
    EXPECT_EQ(r.top, 240);
    At(m_now + 60000);
    EXPECT_TRUE(Shown()) << "no auto-pop for a tracking tip";
    Relay(WM_MOUSEMOVE, 500, 500);
    EXPECT_TRUE(Shown()) << "the pointer does not move a tracking tip";
    SendMessage(m_tip, TTM_TRACKACTIVATE, FALSE, LPARAM(&info));
    EXPECT_FALSE(Shown());
}

TEST_F(TooltipTest, SubclassedToolsRelayThemselvesAndDelaysCanBeSetTogether)
{
    HWND button = Make(WC_BUTTONW, u"Go", BS_PUSHBUTTON, 40, 150, 80, 24, 72);
    TOOLINFOW info {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_parent;
    info.uId = UINT_PTR(button);
    info.lpszText = const_cast<WCHAR*>(u"Starts the batch");
    ASSERT_TRUE(SendMessage(m_tip, TTM_ADDTOOLW, 0, LPARAM(&info)));
    SendMessage(m_tip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 200);
    EXPECT_EQ(SendMessage(m_tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 2000);
    EXPECT_EQ(SendMessage(m_tip, TTM_GETDELAYTIME, TTDT_RESHOW, 0), 40);
    Move(button, 5, 5, false); // straight to the button: the tip sees it through the subclass
    At(1199);
    EXPECT_FALSE(Shown());
    At(1200);
    EXPECT_TRUE(Shown());
    // Below the pointer.
    RECT r;
    GetWindowRect(m_tip, &r);
    POINT pointer { 5, 5 };
    ClientToScreen(button, &pointer);
    EXPECT_GT(r.top, pointer.y);
    gdi_test::Surface surface(r.right - r.left, r.bottom - r.top, RGB(0, 0, 0));
    Print(m_tip, surface);
    EXPECT_EQ(surface.At(0, 0), GetSysColor(COLOR_INFOTEXT)) << "framed";
    EXPECT_EQ(surface.At(2, 2), GetSysColor(COLOR_INFOBK));
    Keep(surface, "tooltip");
    // The button still works: the subclass passes everything on.
    Events().clear();
    Click(button, 5, 5);
    EXPECT_EQ(Commands(), std::vector<UINT> { BN_CLICKED });
    EXPECT_FALSE(Shown()) << "the click hid the tip";
}

} // namespace
