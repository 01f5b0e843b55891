#pragma once
// A test window class: a spy of the messages each window gets (labelled by window name), a
// background colour from GWLP_USERDATA, and per-window handlers that tests install.

#include "platform/user/Screen.h"
#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace window_test {

using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

struct Spy {
    bool on = true;
    std::set<UINT> ignored;
    std::vector<std::pair<std::string, UINT>> seen;
    std::map<HWND, std::string> labels;
    std::map<HWND, Handler> handlers;
};

inline Spy& TheSpy()
{
    static Spy spy;
    return spy;
}

// Answers `w`'s WM_PAINT: BeginPaint, `paint`, EndPaint.
inline void OnPaint(HWND w, std::function<void(HDC, const PAINTSTRUCT&)> paint)
{
    TheSpy().handlers[w] = [paint](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        paint(hdc, ps);
        EndPaint(hwnd, &ps);
        return 0;
    };
}

inline std::string Label(HWND window)
{
    auto it = TheSpy().labels.find(window);
    return it == TheSpy().labels.end() ? "?" : it->second;
}

inline std::string Narrow(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += char(*text);
    return out;
}

// Colour + 1 in GWLP_USERDATA paints the background.
inline void SetColor(HWND window, COLORREF color) { SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(color) + 1); }

inline LRESULT TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Spy& spy = TheSpy();
    if (spy.on && !spy.ignored.count(message))
        spy.seen.emplace_back(Label(window), message);
    auto it = spy.handlers.find(window);
    if (it != spy.handlers.end()) {
        Handler h = it->second;
        if (auto r = h(window, message, wParam, lParam))
            return *r;
    }
    if (message == WM_ERASEBKGND) {
        const LONG_PTR color = GetWindowLongPtrW(window, GWLP_USERDATA);
        if (color) {
            RECT r;
            GetClientRect(window, &r);
            HBRUSH brush = CreateSolidBrush(COLORREF(color - 1));
            FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
            DeleteObject(brush);
            return 1;
        }
    }
    if (message == WM_NCDESTROY) {
        spy.labels.erase(window);
        spy.handlers.erase(window);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

inline LRESULT LabelHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* cbt = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        TheSpy().labels[reinterpret_cast<HWND>(wParam)] = Narrow(cbt->lpcs->lpszName);
        if (TheSpy().on)
            TheSpy().seen.emplace_back(Narrow(cbt->lpcs->lpszName), 0xFFFF);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

inline const WCHAR* TestClass()
{
    static bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = TestProc;
        wc.lpszClassName = u"VornaltTestWindow";
        wc.cbWndExtra = 16;
        return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"VornaltTestWindow";
}

constexpr UINT kCbt = 0xFFFF; // the creation hook's entry in the spy

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestClass();
        m_hook = SetWindowsHookExW(WH_CBT, LabelHook, nullptr, 0);
        TheSpy() = Spy {};
    }
    void TearDown() override
    {
        std::vector<HWND> left;
        EnumWindows([](HWND w, LPARAM data) {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
            return TRUE;
        }, LPARAM(&left));
        for (HWND w : left)
            DestroyWindow(w);
        UnhookWindowsHookEx(m_hook);
        TheSpy() = Spy {};
    }

    static HWND Make(const char16_t* name, DWORD style, int x, int y, int w, int h, HWND parent = nullptr,
        DWORD exStyle = 0, int id = 0)
    {
        return CreateWindowExW(exStyle, TestClass(), name, style, x, y, w, h, parent,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }

    // Runs every pending WM_PAINT of the thread.
    static void PumpPaint()
    {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
            DispatchMessage(&msg);
    }

    static COLORREF ScreenPixel(int x, int y)
    {
        std::vector<DWORD> p;
        CaptureScreen(RECT { x, y, x + 1, y + 1 }, p);
        return RGB(BYTE(p[0] >> 16), BYTE(p[0] >> 8), BYTE(p[0]));
    }

    // A client pixel read through a fresh client DC (CLR_INVALID where the window is not visible).
    static COLORREF ClientPixel(HWND window, int x, int y)
    {
        HDC hdc = GetDCEx(window, nullptr, DCX_CACHE);
        const COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(window, hdc);
        return c;
    }

    HHOOK m_hook = nullptr;
};

} // namespace window_test
