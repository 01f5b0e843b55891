#pragma once
// A desktop with a parent window that keeps a copy of every notification its common controls
// send (the record each code carries) and may answer them: refuse a change, set custom-draw
// colours, adjust a width.

#include "ControlTestSupport.h"

#include "platform/testkit/Desktop.h"
#include "platform/testkit/FakeClock.h"
#include "platform/testkit/IdleScript.h"
#include "platform/testkit/Inject.h"

#include <array>
#include <ostream>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <vector>

// Rectangles and points compare and print field by field in these tests.
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline void PrintTo(const RECT& r, std::ostream* out)
{
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const POINT& p, std::ostream* out) { *out << "(" << p.x << ", " << p.y << ")"; }

namespace control_test {

inline std::u16string ClassOf(HWND w)
{
    WCHAR name[64] {};
    GetClassNameW(w, name, 64);
    return name;
}

inline std::u16string WindowText(HWND w)
{
    WCHAR buffer[256] {};
    GetWindowTextW(w, buffer, 256);
    return buffer;
}

// How many bytes of the record a notification carries, from its code and its sender.
inline size_t RecordSize(const NMHDR& header)
{
    const UINT code = header.code;
    const std::u16string from = ClassOf(header.hwndFrom);
    if (code == NM_CUSTOMDRAW) {
        if (from == WC_LISTVIEWW)
            return sizeof(NMLVCUSTOMDRAW);
        if (from == WC_TREEVIEWW)
            return sizeof(NMTVCUSTOMDRAW);
        return sizeof(NMCUSTOMDRAW);
    }
    if ((code == NM_CLICK || code == NM_DBLCLK || code == NM_RCLICK || code == NM_RDBLCLK || code == LVN_ITEMACTIVATE)
        && from == WC_LISTVIEWW)
        return sizeof(NMITEMACTIVATE);
    if (code == LVN_KEYDOWN)
        return sizeof(NMLVKEYDOWN);
    if (code == TVN_KEYDOWN)
        return sizeof(NMTVKEYDOWN);
    if (code == TCN_KEYDOWN)
        return sizeof(NMTCKEYDOWN);
    if (code <= LVN_FIRST && code >= LVN_BEGINRDRAG)
        return sizeof(NMLISTVIEW);
    if (code <= TVN_SELCHANGINGW && code >= TVN_DELETEITEMW)
        return sizeof(NMTREEVIEWW);
    if (code == TVN_BEGINLABELEDITW || code == TVN_ENDLABELEDITW)
        return sizeof(NMTVDISPINFOW);
    if (code == LVN_BEGINLABELEDITW || code == LVN_ENDLABELEDITW)
        return sizeof(NMLVDISPINFOW);
    if (code <= HDN_FIRST && code >= HDN_TRACKW)
        return sizeof(NMHEADERW);
    return sizeof(NMHDR);
}

struct Note {
    UINT code = 0;
    HWND from = nullptr;
    std::array<unsigned char, 160> raw {};
    // Copies of what pointers in the record showed at the time.
    int headerWidth = -1;
    std::optional<std::u16string> text;
    template <class T>
    const T& As() const
    {
        static_assert(sizeof(T) <= sizeof(raw));
        return *reinterpret_cast<const T*>(raw.data());
    }
};

// Prints `w` and its visible children (a list view's header, an edit box) into `surface` at
// (x, y) through WM_PRINTCLIENT, each clipped to its own client area.
inline void PrintTree(HWND w, gdi_test::Surface& surface, int x = 0, int y = 0)
{
    auto print = [&](HWND window, int at_x, int at_y) {
        POINT old;
        SetViewportOrgEx(surface.dc(), at_x, at_y, &old);
        RECT client;
        GetClientRect(window, &client);
        const int saved = SaveDC(surface.dc());
        IntersectClipRect(surface.dc(), 0, 0, client.right, client.bottom);
        SendMessage(window, WM_PRINTCLIENT, WPARAM(surface.dc()), PRF_CLIENT);
        RestoreDC(surface.dc(), saved);
        SetViewportOrgEx(surface.dc(), old.x, old.y, nullptr);
    };
    print(w, x, y);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r;
        GetWindowRect(child, &r);
        POINT corner { r.left, r.top };
        ScreenToClient(w, &corner);
        print(child, x + corner.x, y + corner.y);
    }
}

// Writes the picture for looking at when VORNALT_CONTROL_PICTURES names a folder.
inline void KeepPicture(const gdi_test::Surface& surface, const std::string& name)
{
    if (const char* folder = std::getenv("VORNALT_CONTROL_PICTURES")) {
        std::vector<DWORD> pixels(surface.pixels());
        for (DWORD& p : pixels)
            p &= 0x00FFFFFF;
        gdi_test::WritePng(std::string(folder) + "/" + name + ".png", pixels, surface.width(), surface.height());
    }
}

// A 16x16 image list of `count` solid squares in the given colours, each with a one-pixel
// transparent border.
inline HIMAGELIST SquareImages(std::vector<COLORREF> colors)
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, int(colors.size()), 0);
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateCompatibleBitmap(screen, 16 * int(colors.size()), 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, strip);
    RECT all { 0, 0, 16 * int(colors.size()), 16 };
    HBRUSH key = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, key);
    DeleteObject(key);
    for (size_t i = 0; i < colors.size(); ++i) {
        RECT square { int(i) * 16 + 2, 2, int(i) * 16 + 14, 14 };
        HBRUSH b = CreateSolidBrush(colors[i]);
        FillRect(dc, &square, b);
        DeleteObject(b);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ImageList_AddMasked(list, strip, RGB(255, 0, 255));
    DeleteObject(strip);
    return list;
}

class CommonControlTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(RegisterTestClasses());
        TheRecorder() = Recorder {};
        TheRecorder().handler = [this](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (message != WM_NOTIFY)
                return std::nullopt;
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            const std::optional<LRESULT> answer = m_answer ? m_answer(header) : std::nullopt;
            Note note;
            note.code = header->code;
            note.from = header->hwndFrom;
            std::memcpy(note.raw.data(), header, std::min(note.raw.size(), RecordSize(*header)));
            if (header->code <= HDN_FIRST && header->code >= HDN_TRACKW) {
                if (const HDITEMW* item = reinterpret_cast<NMHEADERW*>(header)->pitem; item && (item->mask & HDI_WIDTH))
                    note.headerWidth = item->cxy;
            }
            if (header->code == TVN_BEGINLABELEDITW || header->code == TVN_ENDLABELEDITW) {
                if (const WCHAR* t = reinterpret_cast<NMTVDISPINFOW*>(header)->item.pszText)
                    note.text = std::u16string(t);
            }
            if (header->code == LVN_BEGINLABELEDITW || header->code == LVN_ENDLABELEDITW) {
                if (const WCHAR* t = reinterpret_cast<NMLVDISPINFOW*>(header)->item.pszText)
                    note.text = std::u16string(t);
            }
            if (header->code != NM_CUSTOMDRAW || m_keepCustomDraw)
                m_notes.push_back(note);
            return answer.value_or(0);
        };
        m_parent = CreateWindowExW(0, u"ControlTestParent", u"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
            420, 320, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent);
        SetForegroundWindow(m_parent);
        SendMessage(m_parent, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
        Pump();
    }
    void TearDown() override
    {
        TheRecorder().handler = nullptr;
        DestroyWindow(m_parent);
        TheRecorder() = Recorder {};
        DesktopTest::TearDown();
    }

    HWND Make(const WCHAR* className, DWORD style, int x, int y, int w, int h, int id = 100)
    {
        return CreateWindowExW(0, className, u"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_parent,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }

    std::vector<Note> NotesOf(UINT code) const
    {
        std::vector<Note> out;
        for (const Note& n : m_notes)
            if (n.code == code)
                out.push_back(n);
        return out;
    }
    std::vector<UINT> Codes() const
    {
        std::vector<UINT> out;
        for (const Note& n : m_notes)
            out.push_back(n.code);
        return out;
    }
    // The codes among `wanted`, in the order they came.
    std::vector<UINT> CodesAmong(std::set<UINT> wanted) const
    {
        std::vector<UINT> out;
        for (const Note& n : m_notes)
            if (wanted.count(n.code))
                out.push_back(n.code);
        return out;
    }

    // Clicks at a client point of `w` with the modifiers held.
    void ClickAt(HWND w, int x, int y, unsigned modifiers = testkit::None)
    {
        if (modifiers & testkit::Shift)
            testkit::KeyDown(VK_SHIFT);
        if (modifiers & testkit::Ctrl)
            testkit::KeyDown(VK_CONTROL);
        testkit::Click(testkit::ClientPoint(w, x, y));
        if (modifiers & testkit::Ctrl)
            testkit::KeyUp(VK_CONTROL);
        if (modifiers & testkit::Shift)
            testkit::KeyUp(VK_SHIFT);
        Pump();
        // The next click is a click of its own, not the second half of a double click.
        Clock().Advance(GetDoubleClickTime() + 1);
        Pump();
    }

    HWND m_parent = nullptr;
    std::vector<Note> m_notes;
    std::function<std::optional<LRESULT>(NMHDR*)> m_answer;
    bool m_keepCustomDraw = false;
};

} // namespace control_test
