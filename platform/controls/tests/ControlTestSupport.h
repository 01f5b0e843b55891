#pragma once
// A parent window that records what its controls tell it (WM_COMMAND notifications, WM_NOTIFY
// codes, owner-draw records, scroll codes), and helpers that press, type and print.

#include <gtest/gtest.h>

#include "platform/controls/CommonControls.h"
#include "platform/gdi/tests/PixelTestSupport.h"
#include "platform/shell/Clipboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace control_test {

struct Event {
    UINT message = 0;
    int id = 0;
    UINT code = 0;
    HWND from = nullptr;
    bool operator==(const Event&) const = default;
};

struct Recorder {
    std::vector<Event> events;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::vector<MEASUREITEMSTRUCT> measured;
    std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> handler;
    // Owner-draw variable heights: item i measures heights[i % size].
    std::vector<UINT> heights;
};

inline Recorder& TheRecorder()
{
    static Recorder recorder;
    return recorder;
}

inline LRESULT ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Recorder& r = TheRecorder();
    if (r.handler) {
        if (auto answer = r.handler(window, message, wParam, lParam))
            return *answer;
    }
    switch (message) {
    case WM_COMMAND:
        r.events.push_back({ message, LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), HWND(lParam) });
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        r.events.push_back({ message, int(header->idFrom), header->code, header->hwndFrom });
        return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        r.events.push_back({ message, int(short(HIWORD(DWORD(wParam)))), LOWORD(DWORD(wParam)), HWND(lParam) });
        return 0;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        r.drawn.push_back(*item);
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush((item->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        return TRUE;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!r.heights.empty() && item->itemID != UINT(-1))
            item->itemHeight = r.heights[item->itemID % r.heights.size()];
        r.measured.push_back(*item);
        return TRUE;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Registers the controls and the recording parent's class.
inline bool RegisterTestClasses()
{
    RegisterControlClasses();
    static bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"ControlTestParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
        return RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterTestClasses());
        TheRecorder() = Recorder {};
        m_parent = CreateWindowExW(0, u"ControlTestParent", u"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
            400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent);
        // The controls are looked at as a keyboard user sees them: focus rectangles and underlines
        // shown (a new window starts with both hidden).
        SendMessage(m_parent, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    }
    void TearDown() override
    {
        DestroyWindow(m_parent);
        TheRecorder() = Recorder {};
    }

    HWND Make(const WCHAR* className, const WCHAR* text, DWORD style, int x, int y, int w, int h, int id = 100,
        DWORD exStyle = 0)
    {
        return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_parent,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }

    static std::vector<Event>& Events() { return TheRecorder().events; }
    // The codes of the WM_COMMAND notifications seen so far.
    static std::vector<UINT> Commands()
    {
        std::vector<UINT> codes;
        for (const Event& e : Events())
            if (e.message == WM_COMMAND)
                codes.push_back(e.code);
        return codes;
    }

    static void Press(HWND w, int x, int y) { SendMessage(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(WORD(x), WORD(y))); }
    static void Move(HWND w, int x, int y, bool down = true)
    {
        SendMessage(w, WM_MOUSEMOVE, down ? MK_LBUTTON : 0, MAKELPARAM(WORD(x), WORD(y)));
    }
    static void Release(HWND w, int x, int y) { SendMessage(w, WM_LBUTTONUP, 0, MAKELPARAM(WORD(x), WORD(y))); }
    static void Click(HWND w, int x, int y)
    {
        Press(w, x, y);
        Release(w, x, y);
    }
    static void Key(HWND w, int vk)
    {
        SendMessage(w, WM_KEYDOWN, WPARAM(vk), 1);
        SendMessage(w, WM_KEYUP, WPARAM(vk), LPARAM(0xC0000001));
    }
    static void KeyDown(HWND w, int vk) { SendMessage(w, WM_KEYDOWN, WPARAM(vk), 1); }
    static void KeyUp(HWND w, int vk) { SendMessage(w, WM_KEYUP, WPARAM(vk), LPARAM(0xC0000001)); }
    static void Type(HWND w, const char16_t* text)
    {
        for (; *text; ++text)
            SendMessage(w, WM_CHAR, WPARAM(*text), 1);
    }
    static std::u16string Text(HWND w)
    {
        WCHAR buffer[1024] {};
        GetWindowTextW(w, buffer, 1024);
        return buffer;
    }

    // Prints the control's client area into `surface` at (x, y) through WM_PRINTCLIENT.
    static void Print(HWND w, gdi_test::Surface& surface, int x = 0, int y = 0)
    {
        POINT old;
        SetViewportOrgEx(surface.dc(), x, y, &old);
        RECT client;
        GetClientRect(w, &client);
        const int saved = SaveDC(surface.dc());
        IntersectClipRect(surface.dc(), 0, 0, client.right, client.bottom);
        SendMessage(w, WM_PRINTCLIENT, WPARAM(surface.dc()), PRF_CLIENT);
        RestoreDC(surface.dc(), saved);
        SetViewportOrgEx(surface.dc(), old.x, old.y, nullptr);
    }

    // Keeps a picture for looking at when VORNALT_CONTROL_PICTURES names a folder.
    static void Keep(const gdi_test::Surface& surface, const std::string& name)
    {
        if (const char* folder = std::getenv("VORNALT_CONTROL_PICTURES")) {
            std::vector<DWORD> pixels(surface.pixels());
            for (DWORD& p : pixels)
                p &= 0x00FFFFFF;
            gdi_test::WritePng(std::string(folder) + "/" + name + ".png", pixels, surface.width(), surface.height());
        }
    }

    HWND m_parent = nullptr;
};

} // namespace control_test
