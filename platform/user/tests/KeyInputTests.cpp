// Keys through the router: the messages, their lParam bits, translation, key state, the keyboard
// model and accelerators.

#include "platform/user/Accelerators.h"
#include "platform/user/InputInternals.h"
#include "platform/user/tests/InputTestSupport.h"

using namespace input_test;

namespace {

using KeyTest = InputTest;

struct KeyCase {
    const char* what;
    std::function<void()> inject;
    std::vector<std::pair<UINT, DWORD>> expected; // key messages and their lParam
};

TEST_F(KeyTest, KeyMessagesCarryTheScanCodeExtendedAltPreviousAndTransitionBits)
{
    using namespace testkit;
    const KeyCase cases[] = {
        { "A", [] { Key('A'); }, { { WM_KEYDOWN, 0x001E0001 }, { WM_KEYUP, 0xC01E0001 } } },
        { "Right arrow", [] { Key(VK_RIGHT); }, { { WM_KEYDOWN, 0x014D0001 }, { WM_KEYUP, 0xC14D0001 } } },
        { "lone Alt", [] { TapAlt(); }, { { WM_SYSKEYDOWN, 0x20380001 }, { WM_SYSKEYUP, 0xC0380001 } } },
        { "Alt+F", [] { AltSequence(u"f"); },
            { { WM_SYSKEYDOWN, 0x20380001 }, { WM_SYSKEYDOWN, 0x20210001 }, { WM_SYSKEYUP, 0xE0210001 },
                { WM_SYSKEYUP, 0xC0380001 } } },
        { "F10", [] { Key(VK_F10); }, { { WM_SYSKEYDOWN, 0x00440001 }, { WM_SYSKEYUP, 0xC0440001 } } },
        { "Ctrl+Alt+X", [] { Key('X', Ctrl | Alt); },
            { { WM_KEYDOWN, 0x001D0001 }, { WM_KEYDOWN, 0x00380001 }, { WM_KEYDOWN, 0x002D0001 }, { WM_KEYUP, 0xC02D0001 },
                { WM_KEYUP, 0xC0380001 }, { WM_KEYUP, 0xC01D0001 } } },
        { "auto-repeat", [] { KeyDown('B'); KeyDown('B'); KeyUp('B'); },
            { { WM_KEYDOWN, 0x00300001 }, { WM_KEYDOWN, 0x40300001 }, { WM_KEYUP, 0xC0300001 } } },
        { "Delete", [] { Key(VK_DELETE); }, { { WM_KEYDOWN, 0x01530001 }, { WM_KEYUP, 0xC1530001 } } },
    };
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    ASSERT_EQ(GetFocus(), w);
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        Clear();
        k.inject();
        Pump();
        std::vector<std::pair<UINT, DWORD>> seen;
        for (const Entry& e : TheLog().entries)
            if (e.message == WM_KEYDOWN || e.message == WM_KEYUP || e.message == WM_SYSKEYDOWN || e.message == WM_SYSKEYUP)
                seen.emplace_back(e.message, DWORD(e.lParam));
        EXPECT_EQ(seen, k.expected);
    }
}

TEST_F(KeyTest, TranslationGivesCharactersAndAltCharactersGiveSysChar)
{
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    Clear();
    testkit::TypeText(u"Hi! a\r");
    Pump();
    std::u16string typed;
    for (const Entry& e : TheLog().entries)
        if (e.message == WM_CHAR)
            typed += char16_t(e.wParam);
    EXPECT_EQ(typed, u"Hi! a\r");
    Clear();
    testkit::AltSequence(u"f");
    Pump();
    ASSERT_EQ(Count(WM_SYSCHAR), 1);
    EXPECT_EQ(Last(WM_SYSCHAR)->wParam, WPARAM(u'f'));
    EXPECT_EQ(DWORD(Last(WM_SYSCHAR)->lParam), 0x20210001u);
    EXPECT_EQ(Count(WM_CHAR), 0);
    Clear();
    testkit::Key('C', testkit::Ctrl);
    Pump();
    ASSERT_EQ(Count(WM_CHAR), 1);
    EXPECT_EQ(Last(WM_CHAR)->wParam, 3u);
    (void)w;
}

TEST_F(KeyTest, KeysGoToTheFocusAndWithoutFocusTheActiveWindowGetsTheSysForm)
{
    HWND t = Make("T", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    HWND c = Make("C", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    SetFocus(c);
    Clear();
    testkit::Key('K');
    Pump();
    EXPECT_EQ(Seen({ WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN }), (std::vector<std::string> { "C:KEYDOWN", "C:KEYUP" }));
    SetFocus(nullptr);
    Clear();
    testkit::Key('K');
    Pump();
    EXPECT_EQ(Seen({ WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP }),
        (std::vector<std::string> { "T:SYSKEYDOWN", "T:SYSKEYUP" }));
}

TEST_F(KeyTest, KeyStateFollowsRetrievalWhileAsyncStateFollowsInjection)
{
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    SHORT stateInHandler = 0;
    Answer(w, [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_KEYDOWN && wp == 'Z')
            stateInHandler = GetKeyState(VK_SHIFT);
        return std::nullopt;
    });
    testkit::KeyDown(VK_SHIFT);
    EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0); // not retrieved yet
    testkit::KeyDown('Z');
    testkit::KeyUp('Z');
    testkit::KeyUp(VK_SHIFT);
    EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)); // Shift down
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    DispatchMessageW(&msg);
    Pump();
    EXPECT_LT(stateInHandler, 0); // as of the Z message, Shift was down
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    // Caps Lock toggles.
    const SHORT before = GetKeyState(VK_CAPITAL) & 1;
    testkit::Key(VK_CAPITAL);
    Pump();
    EXPECT_NE(GetKeyState(VK_CAPITAL) & 1, before);
}

TEST_F(KeyTest, TheUsKeyboardModelMapsKeysScanCodesCharactersAndNames)
{
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(GetKeyboardLayout(0)), 0x04090409u);
    HKL layouts[2] {};
    EXPECT_EQ(GetKeyboardLayoutList(2, layouts), 1);
    EXPECT_EQ(MapVirtualKeyW('A', MAPVK_VK_TO_VSC), 0x1Eu);
    EXPECT_EQ(MapVirtualKeyW(0x1E, MAPVK_VSC_TO_VK), UINT('A'));
    EXPECT_EQ(MapVirtualKeyW(0x36, MAPVK_VSC_TO_VK), UINT(VK_SHIFT));
    EXPECT_EQ(MapVirtualKeyW(0x2A, MAPVK_VSC_TO_VK_EX), UINT(VK_LSHIFT));
    EXPECT_EQ(MapVirtualKeyW('A', MAPVK_VK_TO_CHAR), UINT('A'));
    EXPECT_EQ(MapVirtualKeyW(VK_OEM_2, MAPVK_VK_TO_CHAR), UINT('/'));
    EXPECT_EQ(MapVirtualKeyW(VK_F1, MAPVK_VK_TO_CHAR), 0u);
    EXPECT_EQ(VkKeyScanW(u'a'), SHORT('A'));
    EXPECT_EQ(VkKeyScanW(u'A'), SHORT(0x100 | 'A'));
    EXPECT_EQ(VkKeyScanW(u'?'), SHORT(0x100 | VK_OEM_2));
    EXPECT_EQ(VkKeyScanW(u')'), SHORT(0x100 | '0'));
    EXPECT_EQ(VkKeyScanW(u' '), SHORT(VK_SPACE));
    EXPECT_EQ(VkKeyScanW(u'\u00E9'), SHORT(-1));
    BYTE state[256] {};
    WCHAR out[4] {};
    EXPECT_EQ(ToUnicodeEx('Q', 0x10, state, out, 4, 0, nullptr), 1);
    EXPECT_EQ(out[0], u'q');
    state[VK_SHIFT] = 0x80;
    EXPECT_EQ(ToUnicodeEx('2', 0x03, state, out, 4, 0, nullptr), 1);
    EXPECT_EQ(out[0], u'@');
    EXPECT_EQ(ToUnicodeEx(VK_F5, 0x3F, state, out, 4, 0, nullptr), 0);
    struct Name {
        LONG lParam;
        const char16_t* name;
    };
    const Name names[] = { { 0x001E0000, u"A" }, { 0x001D0000, u"Ctrl" }, { 0x011D0000, u"Right Ctrl" },
        { 0x01480000, u"Up" }, { 0x00480000, u"Num 8" }, { 0x00440000, u"F10" }, { 0x00390000, u"Space" },
        { 0x01530000, u"Delete" }, { 0x00010000, u"Esc" } };
    for (const Name& n : names) {
        WCHAR buffer[32] {};
        EXPECT_EQ(GetKeyNameTextW(n.lParam, buffer, 32), int(std::u16string(n.name).size()));
        EXPECT_EQ(std::u16string(buffer), n.name);
    }
}

TEST_F(KeyTest, AcceleratorsSendCommandsForTheirKeysAndModifiersOnly)
{
    HWND w = Make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 100, 100, 400, 300 });
    const ACCEL table[] = {
        { FVIRTKEY | FCONTROL, 'O', 57601 },
        { FVIRTKEY, VK_F5, 100 },
        { FVIRTKEY | FCONTROL | FSHIFT, 'S', 200 },
        { FVIRTKEY | FALT, VK_RETURN, 300 },
        { 0, u'z', 400 },
    };
    HACCEL accel = CreateAcceleratorTableW(table, 5);
    auto run = [&](std::function<void()> inject) {
        Clear();
        inject();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAcceleratorW(w, accel, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        std::vector<WPARAM> commands;
        for (const Entry& e : TheLog().entries)
            if (e.message == WM_COMMAND)
                commands.push_back(e.wParam);
        return commands;
    };
    using namespace testkit;
    EXPECT_EQ(run([] { Key('O', Ctrl); }), (std::vector<WPARAM> { MAKEWPARAM(57601, 1) }));
    EXPECT_EQ(run([] { Key('O', Ctrl | Shift); }), (std::vector<WPARAM> {}));
    EXPECT_EQ(run([] { Key('O'); }), (std::vector<WPARAM> {}));
    EXPECT_EQ(run([] { Key(VK_F5); }), (std::vector<WPARAM> { MAKEWPARAM(100, 1) }));
    EXPECT_EQ(run([] { Key('S', Ctrl | Shift); }), (std::vector<WPARAM> { MAKEWPARAM(200, 1) }));
    EXPECT_EQ(run([] { Key(VK_RETURN, Alt); }), (std::vector<WPARAM> { MAKEWPARAM(300, 1) }));
    EXPECT_EQ(run([] { TypeText(u"z"); }), (std::vector<WPARAM> { MAKEWPARAM(400, 1) }));
    EXPECT_EQ(run([] { TypeText(u"Z"); }), (std::vector<WPARAM> {}));
    DestroyAcceleratorTable(accel);
}

}

namespace {

using CueTest = input_test::InputTest;

// What the default procedure does with the keyboard-cue messages.
std::optional<LRESULT> Cues(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_CHANGEUISTATE || m == WM_UPDATEUISTATE || m == WM_QUERYUISTATE)
        return user_detail::DefKeyboardCueMessage(w, m, wp, lp);
    return std::nullopt;
}

TEST_F(CueTest, CuesStartHiddenAndAChangeAskedByAChildReachesTheWholeWindow)
{
    HWND t = Make("T", WS_OVERLAPPEDWINDOW | WS_VISIBLE, { 0, 0, 300, 300 });
    HWND a = Make("A", WS_CHILD | WS_VISIBLE, { 0, 0, 50, 50 }, t);
    HWND b = Make("B", WS_CHILD | WS_VISIBLE, { 60, 0, 110, 50 }, t);
    for (HWND w : { t, a, b })
        Answer(w, Cues);
    EXPECT_EQ(SendMessageW(a, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEFOCUS | UISF_HIDEACCEL));
    Clear();
    SendMessageW(a, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(Seen({ WM_CHANGEUISTATE, WM_UPDATEUISTATE }),
        (std::vector<std::string> { "A:0x0127", "T:0x0127", "T:0x0128", "A:0x0128", "B:0x0128" }));
    EXPECT_EQ(SendMessageW(b, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEACCEL));
    // Asking for what is already so changes nothing.
    Clear();
    SendMessageW(b, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(Count(WM_UPDATEUISTATE), 0);
    // A child created now starts with its parent's cues.
    HWND c = Make("C", WS_CHILD, { 0, 60, 50, 110 }, t);
    Answer(c, Cues);
    EXPECT_EQ(SendMessageW(c, WM_QUERYUISTATE, 0, 0), LRESULT(UISF_HIDEACCEL));
}

}
