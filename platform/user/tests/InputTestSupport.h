#pragma once
// Windows for the input tests: every message a window gets is logged with its parameters
// (label, message, wParam, lParam), and a test can answer any message of a window.

#include "platform/testkit/Desktop.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace input_test {

struct Entry {
    std::string window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

using Answer = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

struct Log {
    std::vector<Entry> entries;
    std::map<HWND, std::string> labels;
    std::map<HWND, Answer> answers;
};

inline Log& TheLog()
{
    static Log log;
    return log;
}

inline LRESULT LoggingProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    Log& log = TheLog();
    auto label = log.labels.find(w);
    log.entries.push_back(Entry { label == log.labels.end() ? "?" : label->second, m, wp, lp });
    auto a = log.answers.find(w);
    if (a != log.answers.end()) {
        Answer answer = a->second;
        if (auto r = answer(w, m, wp, lp))
            return *r;
    }
    if (m == WM_NCDESTROY) {
        log.labels.erase(w);
        log.answers.erase(w);
    }
    return DefWindowProcW(w, m, wp, lp);
}

inline const WCHAR* ClassName(bool doubleClicks)
{
    static bool registered = [] {
        for (int i = 0; i < 2; ++i) {
            WNDCLASSEXW wc {};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = LoggingProc;
            wc.style = i ? CS_DBLCLKS : 0;
            wc.lpszClassName = i ? u"InputTestDbl" : u"InputTest";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(ULONG_PTR(COLOR_WINDOW + 1));
            if (!RegisterClassExW(&wc))
                return false;
        }
        return true;
    }();
    EXPECT_TRUE(registered);
    return doubleClicks ? u"InputTestDbl" : u"InputTest";
}

class InputTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        TheLog() = Log {};
    }
    void TearDown() override
    {
        // The test's own windows; the fixture then checks nothing else is left.
        for (HWND w : Made())
            if (IsWindow(w))
                DestroyWindow(w);
        Made().clear();
        DesktopTest::TearDown();
        TheLog() = Log {};
    }

    static std::vector<HWND>& Made()
    {
        static std::vector<HWND> made;
        return made;
    }

    static HWND Make(const std::string& label, DWORD style, RECT r, HWND parent = nullptr, DWORD exStyle = 0,
        bool doubleClicks = false, int id = 0)
    {
        // The label is known before the first message.
        static std::string pending;
        pending = label;
        HHOOK hook = SetWindowsHookExW(WH_CBT, [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            if (code == HCBT_CREATEWND)
                TheLog().labels[reinterpret_cast<HWND>(wp)] = pending;
            return CallNextHookEx(nullptr, code, wp, lp);
        }, nullptr, 0);
        std::u16string name(label.begin(), label.end());
        HWND w = CreateWindowExW(exStyle, ClassName(doubleClicks), name.c_str(), style, r.left, r.top, r.right - r.left,
            r.bottom - r.top, parent, reinterpret_cast<HMENU>(ULONG_PTR(id)), nullptr, nullptr);
        UnhookWindowsHookEx(hook);
        if (w)
            Made().push_back(w);
        return w;
    }

    static void Answer(HWND w, input_test::Answer answer) { TheLog().answers[w] = std::move(answer); }
    static void Clear() { TheLog().entries.clear(); }

    // The logged messages among `only` (all when empty), as "label:message" in hex.
    static std::vector<std::string> Seen(std::initializer_list<UINT> only = {})
    {
        std::vector<std::string> out;
        for (const Entry& e : TheLog().entries) {
            if (only.size() && std::find(only.begin(), only.end(), e.message) == only.end())
                continue;
            out.push_back(e.window + ":" + Name(e.message));
        }
        return out;
    }

    // The last logged entry with `message`.
    static std::optional<Entry> Last(UINT message)
    {
        const auto& all = TheLog().entries;
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (it->message == message)
                return *it;
        return std::nullopt;
    }

    static int Count(UINT message, const std::string& window = {})
    {
        int n = 0;
        for (const Entry& e : TheLog().entries)
            n += e.message == message && (window.empty() || e.window == window);
        return n;
    }

    static std::string Name(UINT m)
    {
        static const std::map<UINT, std::string> names {
            { WM_NCHITTEST, "NCHITTEST" }, { WM_SETCURSOR, "SETCURSOR" }, { WM_MOUSEACTIVATE, "MOUSEACTIVATE" },
            { WM_LBUTTONDOWN, "LBUTTONDOWN" }, { WM_LBUTTONUP, "LBUTTONUP" }, { WM_LBUTTONDBLCLK, "LBUTTONDBLCLK" },
            { WM_RBUTTONDOWN, "RBUTTONDOWN" }, { WM_RBUTTONUP, "RBUTTONUP" }, { WM_MOUSEMOVE, "MOUSEMOVE" },
            { WM_NCLBUTTONDOWN, "NCLBUTTONDOWN" }, { WM_NCLBUTTONDBLCLK, "NCLBUTTONDBLCLK" }, { WM_NCMOUSEMOVE, "NCMOUSEMOVE" },
            { WM_MOUSEWHEEL, "MOUSEWHEEL" }, { WM_MOUSELEAVE, "MOUSELEAVE" }, { WM_MOUSEHOVER, "MOUSEHOVER" },
            { WM_NCACTIVATE, "NCACTIVATE" }, { WM_ACTIVATE, "ACTIVATE" }, { WM_ACTIVATEAPP, "ACTIVATEAPP" },
            { WM_SETFOCUS, "SETFOCUS" }, { WM_KILLFOCUS, "KILLFOCUS" }, { WM_CAPTURECHANGED, "CAPTURECHANGED" },
            { WM_CANCELMODE, "CANCELMODE" }, { WM_KEYDOWN, "KEYDOWN" }, { WM_KEYUP, "KEYUP" }, { WM_CHAR, "CHAR" },
            { WM_SYSKEYDOWN, "SYSKEYDOWN" }, { WM_SYSKEYUP, "SYSKEYUP" }, { WM_SYSCHAR, "SYSCHAR" },
            { WM_TIMER, "TIMER" }, { WM_COMMAND, "COMMAND" }, { WM_ENABLE, "ENABLE" }, { WM_SHOWWINDOW, "SHOWWINDOW" },
            { WM_PARENTNOTIFY, "PARENTNOTIFY" }, { WM_DESTROY, "DESTROY" }, { WM_NCDESTROY, "NCDESTROY" },
            { WM_SIZE, "SIZE" }, { WM_MOVE, "MOVE" }, { WM_CREATE, "CREATE" }, { WM_WINDOWPOSCHANGING, "POSCHANGING" },
            { WM_WINDOWPOSCHANGED, "POSCHANGED" }, { WM_USER, "USER" },
        };
        auto it = names.find(m);
        if (it != names.end())
            return it->second;
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%04X", m);
        return buffer;
    }
};

}
