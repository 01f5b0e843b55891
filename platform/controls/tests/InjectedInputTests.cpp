// The controls driven the way a user drives them: raw input through the layer's router, the
// controls' own loops, timers on the test clock.

#include "ControlTestSupport.h"

#include "platform/testkit/Desktop.h"
#include "platform/testkit/FakeClock.h"
#include "platform/testkit/IdleScript.h"
#include "platform/testkit/Inject.h"
#include "platform/user/ScrollBar.h"

using namespace control_test;

namespace {

class InjectedTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(RegisterTestClasses());
        TheRecorder() = Recorder {};
        m_parent = CreateWindowExW(0, u"ControlTestParent", u"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100,
            100, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent);
        SetForegroundWindow(m_parent);
        Pump();
    }
    void TearDown() override
    {
        DestroyWindow(m_parent);
        TheRecorder() = Recorder {};
        DesktopTest::TearDown();
    }
    HWND Make(const WCHAR* className, const WCHAR* text, DWORD style, int x, int y, int w, int h, int id = 100)
    {
        return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_parent,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }
    static std::vector<UINT> Commands(int id)
    {
        std::vector<UINT> out;
        for (const Event& e : TheRecorder().events)
            if (e.message == WM_COMMAND && e.id == id)
                out.push_back(e.code);
        return out;
    }
    static std::vector<UINT> Scrolls(UINT message)
    {
        std::vector<UINT> out;
        for (const Event& e : TheRecorder().events)
            if (e.message == message)
                out.push_back(e.code);
        return out;
    }

    HWND m_parent = nullptr;
};

TEST_F(InjectedTest, AButtonClicksOnlyWhenReleasedInside)
{
    HWND button = Make(WC_BUTTONW, u"OK", BS_PUSHBUTTON, 20, 20, 75, 23, 7);
    Pump();
    testkit::Click(testkit::Center(button));
    Pump();
    EXPECT_EQ(Commands(7), std::vector<UINT> { BN_CLICKED });
    EXPECT_EQ(GetFocus(), button);

    TheRecorder().events.clear();
    testkit::Press(testkit::Center(button));
    Pump();
    EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    testkit::MoveTo(testkit::ClientPoint(button, 200, 10), 3);
    Pump();
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED) << "pushed only while the pointer is over it";
    testkit::Release(testkit::ClientPoint(button, 200, 10));
    Pump();
    EXPECT_TRUE(Commands(7).empty());
    EXPECT_EQ(GetCapture(), nullptr);

    // Space presses it from the keyboard.
    testkit::Key(VK_SPACE);
    Pump();
    EXPECT_EQ(Commands(7), std::vector<UINT> { BN_CLICKED });
}

TEST_F(InjectedTest, TypingAndShiftSelectionInAnEdit)
{
    HWND edit = Make(WC_EDITW, u"", ES_AUTOHSCROLL, 20, 20, 200, 20, 8);
    Pump();
    testkit::Click(testkit::Center(edit));
    Pump();
    ASSERT_EQ(GetFocus(), edit);
    TheRecorder().events.clear();
    testkit::TypeText(u"Hello World");
    Pump();
    WCHAR text[64] {};
    GetWindowTextW(edit, text, 64);
    EXPECT_EQ(std::u16string(text), u"Hello World");
    EXPECT_EQ(Commands(8).size(), 22u) << "EN_UPDATE and EN_CHANGE once per character";
    testkit::Key(VK_HOME, testkit::Shift);
    Pump();
    DWORD a = 0;
    DWORD b = 0;
    SendMessage(edit, EM_GETSEL, WPARAM(&a), LPARAM(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 11u);
    testkit::Key('C', testkit::Ctrl);
    testkit::Key(VK_END);
    testkit::Key('V', testkit::Ctrl);
    Pump();
    GetWindowTextW(edit, text, 64);
    EXPECT_EQ(std::u16string(text), u"Hello WorldHello World");
}

TEST_F(InjectedTest, AComboBoxChoiceByTwoClicks)
{
    HWND combo = Make(WC_COMBOBOXW, u"", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 20, 150, 150, 30);
    for (const WCHAR* item : { u"Small", u"Medium", u"Large" })
        SendMessage(combo, CB_ADDSTRING, 0, LPARAM(item));
    Pump();
    testkit::Click(testkit::Center(combo));
    Pump();
    HWND list = GetCapture();
    ASSERT_TRUE(list);
    EXPECT_TRUE(IsWindowVisible(list));
    RECT item {};
    SendMessage(list, LB_GETITEMRECT, 2, LPARAM(&item));
    testkit::MoveTo(testkit::ClientPoint(list, 10, item.top + 3), 2);
    testkit::Click(testkit::ClientPoint(list, 10, item.top + 3));
    Pump();
    EXPECT_EQ(Commands(30), (std::vector<UINT> { CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP }));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_FALSE(IsWindowVisible(list));

    // Alt+Down opens, Esc cancels.
    TheRecorder().events.clear();
    testkit::Key(VK_DOWN, testkit::Alt);
    testkit::Key(VK_ESCAPE);
    Pump();
    EXPECT_EQ(Commands(30), (std::vector<UINT> { CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP }));
}

TEST_F(InjectedTest, AScrollArrowRepeatsOnTheClockWhileHeld)
{
    HWND bar = Make(WC_SCROLLBARW, u"", SBS_VERT, 20, 20, 17, 200, 40);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 100, 10, 0, 0 };
    SetScrollInfo(bar, SB_CTL, &info, FALSE);
    Pump();
    const POINT arrow = testkit::ClientPoint(bar, 8, 195);
    const ULONGLONG start = Clock().Now();
    std::vector<std::pair<ULONGLONG, size_t>> counts;
    auto note = [&] { counts.emplace_back(Clock().Now() - start, Scrolls(WM_VSCROLL).size()); };
    // The steps run while the scroll bar's loop waits.
    Idle().SetAutoAdvance(false);
    Idle().Then([&] { note(); Clock().Advance(399); });
    Idle().Then([&] { note(); Clock().Advance(1); });
    Idle().Then([&] { note(); Clock().Advance(49); });
    Idle().Then([&] { note(); Clock().Advance(1); });
    Idle().Then([&] { note(); testkit::Release(arrow); });
    testkit::Press(arrow);
    Pump();
    const std::vector<std::pair<ULONGLONG, size_t>> expected { { 0, 1 }, { 399, 1 }, { 400, 2 }, { 449, 2 }, { 450, 3 } };
    EXPECT_EQ(counts, expected);
    EXPECT_EQ(Scrolls(WM_VSCROLL), (std::vector<UINT> { SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL }));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InjectedTest, AClickOnAWindowsOwnScrollBarScrollsItAndItsFramePaintsTheBar)
{
    HWND top = CreateWindowExW(0, u"ControlTestParent", u"", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 520, 100, 100, 120,
        nullptr, nullptr, nullptr, nullptr);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 99, 20, 0, 0 };
    SetScrollInfo(top, SB_VERT, &info, TRUE);
    Pump();
    RECT topRect;
    GetWindowRect(top, &topRect);
    RECT bar;
    ASSERT_TRUE(platform::user::WindowScrollBarRect(top, SB_VERT, &bar));
    // The frame shows the bar: its down arrow is drawn in the face colour, not left in the bar's.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetPixel(screen, topRect.left + bar.left + 3, topRect.top + bar.bottom - 3), GetSysColor(COLOR_3DFACE));
    ReleaseDC(nullptr, screen);
    const POINT downArrow { topRect.left + bar.left + 8, topRect.top + bar.bottom - 8 };
    TheRecorder().events.clear();
    testkit::Click(downArrow);
    Pump();
    EXPECT_EQ(Scrolls(WM_VSCROLL), (std::vector<UINT> { SB_LINEDOWN, SB_ENDSCROLL }));
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(top);
}

TEST_F(InjectedTest, ATooltipShowsAfterTheInitialDelayAndPopsAfterFiveSeconds)
{
    HWND button = Make(WC_BUTTONW, u"Go", BS_PUSHBUTTON, 20, 20, 75, 23, 7);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, m_parent,
        nullptr, nullptr, nullptr);
    TOOLINFOW tool {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_parent;
    tool.uId = UINT_PTR(button);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOLW, 0, LPARAM(&tool)));
    TheRecorder().handler = [](HWND, UINT m, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = const_cast<WCHAR*>(u"Starts the batch");
            return 0;
        }
        return std::nullopt;
    };
    Pump();
    testkit::MoveTo(testkit::Center(button), 2);
    Pump();
    Clock().Advance(499);
    Pump();
    EXPECT_FALSE(IsWindowVisible(tip));
    Clock().Advance(1);
    Pump();
    EXPECT_TRUE(IsWindowVisible(tip));
    Clock().Advance(4999);
    Pump();
    EXPECT_TRUE(IsWindowVisible(tip));
    Clock().Advance(1);
    Pump();
    EXPECT_FALSE(IsWindowVisible(tip));
    std::vector<UINT> notes;
    for (const Event& e : TheRecorder().events)
        if (e.message == WM_NOTIFY && e.from == tip)
            notes.push_back(e.code);
    EXPECT_EQ(notes, (std::vector<UINT> { TTN_SHOW, TTN_POP }));
    TheRecorder().handler = nullptr;
    DestroyWindow(tip);
}

TEST_F(InjectedTest, WithoutAlwaysTipOnlyAnActiveWindowsToolsShowTips)
{
    HWND button = Make(WC_BUTTONW, u"Go", BS_PUSHBUTTON, 20, 20, 75, 23, 7);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, m_parent, nullptr,
        nullptr, nullptr);
    TOOLINFOW tool {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_parent;
    tool.uId = UINT_PTR(button);
    tool.lpszText = const_cast<WCHAR*>(u"Go on");
    ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOLW, 0, LPARAM(&tool)));
    HWND other = CreateWindowExW(0, u"ControlTestParent", u"other", WS_POPUP | WS_VISIBLE, 600, 100, 100, 100, nullptr,
        nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    Pump();
    testkit::MoveTo(testkit::Center(button), 2);
    Pump();
    Clock().Advance(1000);
    Pump();
    EXPECT_FALSE(IsWindowVisible(tip)) << "the tool's window is not active";
    SetForegroundWindow(m_parent);
    testkit::MoveTo(testkit::ClientPoint(button, 5, 5), 1);
    Pump();
    Clock().Advance(500);
    Pump();
    EXPECT_TRUE(IsWindowVisible(tip));
    DestroyWindow(tip);
    DestroyWindow(other);
}

} // namespace
