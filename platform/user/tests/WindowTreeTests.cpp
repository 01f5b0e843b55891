#include "WindowTestSupport.h"

#include "platform/base/LastError.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace window_test;

namespace {

using Seen = std::vector<std::pair<std::string, UINT>>;

// The spy's entries for the messages that tell the order.
Seen Ordered(std::initializer_list<UINT> keep)
{
    Seen out;
    for (auto& e : TheSpy().seen)
        if (std::find(keep.begin(), keep.end(), e.second) != keep.end())
            out.push_back(e);
    return out;
}

const std::initializer_list<UINT> kLifeMessages = { kCbt, WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE,
    WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_DESTROY,
    WM_NCDESTROY };

using TreeTest = WindowTest;

TEST_F(TreeTest, SpyRecordsTheCreationAndDestructionOrderOfATopLevelWindowWithTwoChildren)
{
    HWND top = Make(u"P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200);
    ASSERT_NE(top, nullptr);
    HWND a = Make(u"A", WS_CHILD | WS_VISIBLE, 5, 5, 50, 50, top, 0, 1);
    HWND b = Make(u"B", WS_CHILD, 60, 5, 50, 50, top, 0, 2);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const Seen creation {
        { "P", kCbt }, { "P", WM_GETMINMAXINFO }, { "P", WM_NCCREATE }, { "P", WM_NCCALCSIZE }, { "P", WM_CREATE },
        { "P", WM_SHOWWINDOW }, { "P", WM_WINDOWPOSCHANGING }, { "P", WM_WINDOWPOSCHANGED }, { "P", WM_SIZE },
        { "P", WM_MOVE },
        { "A", kCbt }, { "A", WM_NCCREATE }, { "A", WM_NCCALCSIZE }, { "A", WM_CREATE }, { "A", WM_SIZE },
        { "A", WM_MOVE }, { "P", WM_PARENTNOTIFY }, { "A", WM_SHOWWINDOW }, { "A", WM_WINDOWPOSCHANGING },
        { "A", WM_WINDOWPOSCHANGED },
        { "B", kCbt }, { "B", WM_NCCREATE }, { "B", WM_NCCALCSIZE }, { "B", WM_CREATE }, { "B", WM_SIZE },
        { "B", WM_MOVE }, { "P", WM_PARENTNOTIFY },
    };
    EXPECT_EQ(Ordered(kLifeMessages), creation);

    TheSpy().seen.clear();
    ASSERT_TRUE(DestroyWindow(top));
    // A was created first, so it is the top child and comes first among the children.
    const Seen destruction {
        { "P", WM_WINDOWPOSCHANGING }, { "P", WM_WINDOWPOSCHANGED },
        { "P", WM_DESTROY }, { "A", WM_DESTROY }, { "B", WM_DESTROY },
        { "A", WM_NCDESTROY }, { "B", WM_NCDESTROY }, { "P", WM_NCDESTROY },
    };
    EXPECT_EQ(Ordered(kLifeMessages), destruction);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(b));
}

std::vector<UINT> g_subclassSeen;
WNDPROC g_previous = nullptr;

LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_subclassSeen.push_back(message);
    return CallWindowProcW(g_previous, window, message, wParam, lParam);
}

TEST_F(TreeTest, SubclassChainedWithCallWindowProcSeesNcDestroyLast)
{
    HWND top = Make(u"P", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND child = Make(u"C", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
    g_subclassSeen.clear();
    g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(child, GWLP_WNDPROC, LONG_PTR(SubclassProc)));
    ASSERT_EQ(g_previous, TestProc);
    EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), LONG_PTR(SubclassProc));
    SetWindowTextW(child, u"text"); // reaches the class procedure through the chain
    WCHAR buffer[8];
    EXPECT_EQ(GetWindowTextW(child, buffer, 8), 4);
    // A posted message left in the queue is dropped with the window, never delivered.
    PostMessage(child, WM_USER + 5, 0, 0);
    DestroyWindow(top);
    PumpPaint();
    ASSERT_FALSE(g_subclassSeen.empty());
    EXPECT_EQ(g_subclassSeen.back(), UINT(WM_NCDESTROY));
    EXPECT_EQ(std::count(g_subclassSeen.begin(), g_subclassSeen.end(), WM_USER + 5), 0);
    EXPECT_EQ(SendMessage(child, WM_USER, 0, 0), 0);
    EXPECT_EQ(g_subclassSeen.back(), UINT(WM_NCDESTROY));
}

TEST_F(TreeTest, MessageTargetProceduresCanBeSubclassedThroughTheProcedureValue)
{
    HWND target = CreateMessageWindow([](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_USER ? 41 : 0; });
    static WNDPROC previous;
    previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(target, GWLP_WNDPROC));
    ASSERT_NE(previous, nullptr);
    SetWindowLongPtrW(target, GWLP_WNDPROC, LONG_PTR(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return CallWindowProcW(previous, w, m, wp, lp) + 1;
    }));
    EXPECT_EQ(SendMessage(target, WM_USER, 0, 0), 42);
    EXPECT_FALSE(IsWindowVisible(target));
    EXPECT_EQ(GetParent(target), nullptr);
    DestroyWindow(target);
}

TEST_F(TreeTest, CreationHookCanRefuseAndSeesTheHandleBeforeAnyMessage)
{
    static HWND hooked;
    hooked = nullptr;
    HHOOK refuse = SetWindowsHookExW(WH_CBT, [](int code, WPARAM wParam, LPARAM) -> LRESULT {
        if (code == HCBT_CREATEWND) {
            hooked = reinterpret_cast<HWND>(wParam);
            EXPECT_TRUE(IsWindow(hooked));
            return 1;
        }
        return 0;
    }, nullptr, 0);
    TheSpy().seen.clear();
    EXPECT_EQ(Make(u"X", WS_POPUP, 0, 0, 10, 10), nullptr);
    EXPECT_NE(hooked, nullptr);
    EXPECT_FALSE(IsWindow(hooked));
    EXPECT_TRUE(TheSpy().seen.empty()); // the newest hook refused before the label hook ran
    UnhookWindowsHookEx(refuse);
    HWND ok = Make(u"Y", WS_POPUP, 0, 0, 10, 10);
    EXPECT_NE(ok, nullptr);
}

TEST_F(TreeTest, CreateFailsForUnknownClassAndChildWithoutParentAndWhenCreateAnswersMinusOne)
{
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(Make(u"C", WS_CHILD, 0, 0, 1, 1), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);

    static HWND refused;
    HWND top = Make(u"P", WS_POPUP, 0, 0, 10, 10);
    TheSpy().seen.clear();
    HHOOK hook = SetWindowsHookExW(WH_CBT, [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HCBT_CREATEWND) {
            refused = reinterpret_cast<HWND>(wParam);
            TheSpy().handlers[refused] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m == WM_CREATE)
                    return -1;
                return std::nullopt;
            };
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }, nullptr, 0);
    EXPECT_EQ(Make(u"Q", WS_CHILD, 0, 0, 1, 1, top), nullptr);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(refused));
    Seen tail(TheSpy().seen.end() - 4, TheSpy().seen.end());
    EXPECT_EQ(tail, (Seen { { "Q", WM_CREATE }, { "P", WM_PARENTNOTIFY }, { "Q", WM_DESTROY }, { "Q", WM_NCDESTROY } }));
}

TEST_F(TreeTest, ClassesCompareWithoutCaseAndCannotBeRegisteredTwiceOrDroppedWhileInUse)
{
    WNDCLASSEXW info {};
    EXPECT_TRUE(GetClassInfoExW(nullptr, u"vornalttestwindow", &info));
    EXPECT_EQ(info.lpfnWndProc, TestProc);
    WNDCLASSEXW again {};
    again.cbSize = sizeof(again);
    again.lpfnWndProc = DefWindowProcW;
    again.lpszClassName = u"VORNALTTESTWINDOW";
    EXPECT_EQ(RegisterClassExW(&again), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    again.lpszClassName = u"Short lived";
    const ATOM atom = RegisterClassExW(&again);
    ASSERT_GE(atom, 0xC000);
    HWND w = CreateWindowExW(0, MAKEINTATOM(atom), u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    WCHAR name[32];
    EXPECT_EQ(GetClassNameW(w, name, 32), 11);
    EXPECT_EQ(std::u16string(name), u"Short lived");
    EXPECT_FALSE(UnregisterClassW(u"short LIVED", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassW(u"short LIVED", nullptr));
}

TEST_F(TreeTest, ParentsOwnersAndSiblingsAnswerTheirQueries)
{
    HWND main = Make(u"M", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
    HWND c1 = Make(u"C1", WS_CHILD, 0, 0, 10, 10, main, 0, 101);
    HWND c2 = Make(u"C2", WS_CHILD, 0, 0, 10, 10, main, 0, 102);
    HWND grand = Make(u"G", WS_CHILD, 0, 0, 5, 5, c1, 0, 103);
    HWND popup = Make(u"Pop", WS_POPUP, 0, 0, 10, 10, grand); // owned by the top-level ancestor
    EXPECT_EQ(GetParent(c1), main);
    EXPECT_EQ(GetParent(main), nullptr);
    EXPECT_EQ(GetParent(popup), main);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), main);
    EXPECT_EQ(GetAncestor(grand, GA_PARENT), c1);
    EXPECT_EQ(GetAncestor(grand, GA_ROOT), main);
    EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), main);
    EXPECT_EQ(GetAncestor(main, GA_PARENT), GetDesktopWindow());
    // A new child goes under its siblings: GW_CHILD is the first created, tab order follows creation.
    EXPECT_EQ(GetWindow(main, GW_CHILD), c1);
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    EXPECT_EQ(GetWindow(c2, GW_HWNDPREV), c1);
    EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetTopWindow(main), c1);
    EXPECT_TRUE(IsChild(main, grand));
    EXPECT_FALSE(IsChild(main, popup));
    EXPECT_EQ(GetDlgItem(main, 102), c2);
    EXPECT_EQ(GetDlgCtrlID(grand), 103);
    EXPECT_EQ(FindWindowExW(main, nullptr, u"vornaltTESTwindow", u"C1"), c1);
    // The owner's destruction takes its owned windows first.
    TheSpy().seen.clear();
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(Ordered({ WM_DESTROY }).front(), (std::pair<std::string, UINT> { "Pop", WM_DESTROY }));
}

TEST_F(TreeTest, PropertiesTextAndLongValues)
{
    HWND w = Make(u"Caption", WS_POPUP, 0, 0, 10, 10);
    WCHAR buffer[8];
    EXPECT_EQ(GetWindowTextLengthW(w), 7);
    EXPECT_EQ(GetWindowTextW(w, buffer, 5), 4);
    EXPECT_EQ(std::u16string(buffer), u"Capt");
    EXPECT_TRUE(SetWindowTextW(w, u"New"));
    EXPECT_EQ(GetWindowTextW(w, buffer, 8), 3);

    int a = 1;
    int b = 2;
    EXPECT_TRUE(SetPropW(w, u"Vornalt.Prop", &a));
    EXPECT_TRUE(SetPropW(w, MAKEINTATOM(0xC123), &b));
    EXPECT_EQ(GetPropW(w, u"VORNALT.prop"), &a); // names compare without case
    EXPECT_EQ(GetPropW(w, MAKEINTATOM(0xC123)), &b);
    EXPECT_EQ(RemovePropW(w, u"vornalt.prop"), &a);
    EXPECT_EQ(GetPropW(w, u"Vornalt.Prop"), nullptr);

    EXPECT_EQ(SetWindowLongPtrW(w, 8, 0x1234), 0);
    EXPECT_EQ(GetWindowLongPtrW(w, 8), 0x1234);
    EXPECT_EQ(GetWindowLongPtrW(w, 16), 0); // past the 16 extra bytes
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & LONG(WS_POPUP), LONG(WS_POPUP));
    TheSpy().seen.clear();
    SetWindowLongW(w, GWL_EXSTYLE, LONG(WS_EX_TOOLWINDOW));
    EXPECT_EQ(Ordered({ WM_STYLECHANGING, WM_STYLECHANGED }).size(), 2u);
    EXPECT_EQ(DWORD(GetWindowLongW(w, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);
}

TEST_F(TreeTest, PendingCrossThreadSendToADestroyedWindowIsAnsweredZero)
{
    HWND w = Make(u"W", WS_POPUP, 0, 0, 10, 10);
    std::atomic<bool> sending { false };
    auto reply = std::async(std::launch::async, [&] {
        sending = true;
        return SendMessage(w, WM_USER + 1, 0, 0);
    });
    while (!sending)
        std::this_thread::yield();
    DestroyWindow(w);
    ASSERT_EQ(reply.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(reply.get(), 0);
    EXPECT_EQ(Ordered({ WM_USER + 1 }).size(), 0u);
}

TEST_F(TreeTest, WindowsOfAnEndedThreadLeaveTheTree)
{
    HWND orphan = nullptr;
    std::thread([&] { orphan = Make(u"T", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10); }).join();
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_EQ(GetWindow(GetDesktopWindow(), GW_CHILD), nullptr);
}

} // namespace

namespace {

TEST_F(TreeTest, FocusLeavesAndCaptureIsReleasedBeforeTheWindowIsDestroyed)
{
    HWND top = Make(u"P", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND a = Make(u"A", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top);
    HWND b = Make(u"B", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, top);
    EXPECT_EQ(SetFocus(a), top); // showing the popup activated it and gave it the focus
    TheSpy().seen.clear();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(Ordered({ WM_KILLFOCUS, WM_SETFOCUS }), (Seen { { "A", WM_KILLFOCUS }, { "B", WM_SETFOCUS } }));
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(SetCapture(b), nullptr);
    EXPECT_EQ(SetCapture(a), b);
    EXPECT_EQ(SetCapture(b), a);
    TheSpy().seen.clear();
    DestroyWindow(b);
    const Seen expected { { "B", WM_KILLFOCUS }, { "P", WM_SETFOCUS }, { "B", WM_CAPTURECHANGED }, { "B", WM_DESTROY },
        { "B", WM_NCDESTROY } };
    EXPECT_EQ(Ordered({ WM_KILLFOCUS, WM_SETFOCUS, WM_CAPTURECHANGED, WM_DESTROY, WM_NCDESTROY }), expected);
    EXPECT_EQ(GetFocus(), top);
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyWindow(top);
    EXPECT_EQ(GetFocus(), nullptr);
}

} // namespace

namespace {

TEST_F(TreeTest, SystemMenuIsAPerWindowCopyWithItemsForItsState)
{
    HWND w = Make(u"W", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
    HMENU menu = GetSystemMenu(w, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetSystemMenu(w, FALSE), menu);
    EXPECT_EQ(GetMenuItemCount(menu), 7);
    EXPECT_EQ(GetMenuItemID(menu, 6), SC_CLOSE);
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), SC_CLOSE);
    EXPECT_EQ(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    ShowWindow(w, SW_SHOWMAXIMIZED);
    GetSystemMenu(w, FALSE);
    EXPECT_EQ(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(GetSystemMenu(w, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(menu));
    menu = GetSystemMenu(w, FALSE);
    DestroyWindow(w);
    EXPECT_FALSE(IsMenu(menu));
}

TEST_F(TreeTest, RefusedCreationFreesTheSystemMenuItTook)
{
    static HMENU taken;
    taken = nullptr;
    HHOOK hook = SetWindowsHookExW(WH_CBT, [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HCBT_CREATEWND)
            TheSpy().handlers[reinterpret_cast<HWND>(wParam)] = [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m != WM_NCCREATE)
                    return std::nullopt;
                taken = GetSystemMenu(hwnd, FALSE);
                return FALSE;
            };
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }, nullptr, 0);
    EXPECT_EQ(Make(u"W", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200), nullptr);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(taken, nullptr);
    EXPECT_FALSE(IsMenu(taken));
}

} // namespace
