// The X11 back end against a real X server: windows mapped as X windows, pixels matching the
// headless render, input through the server reaching the layer's loops.

#include "XvfbFixture.h"

#include "platform/user/x11/X11Cursor.h"

#include "platform/base/Modules.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Caret.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"

#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace xvfb_test {
namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Seen>& Log()
{
    static std::vector<Seen> log;
    return log;
}

int Count(UINT message, HWND window = nullptr)
{
    return int(std::count_if(Log().begin(), Log().end(), [&](const Seen& s) {
        return s.message == message && (!window || s.window == window);
    }));
}

const Seen* Last(UINT message)
{
    for (auto it = Log().rbegin(); it != Log().rend(); ++it)
        if (it->message == message)
            return &*it;
    return nullptr;
}

// Paints its client area in the colour kept in its user data, with a ring and a line of text.
LRESULT SceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATEAPP:
    case WM_CLOSE:
    case WM_CANCELMODE:
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_CAPTURECHANGED:
        Log().push_back({ window, message, wParam, lParam });
        break;
    case WM_MOUSEACTIVATE:
        // Drop-downs never take the activation, as the toolkit's popups.
        if ((GetWindowLongW(window, GWL_STYLE) & WS_POPUP) && (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
            return MA_NOACTIVATE;
        break;
    case WM_PAINT: {
        Log().push_back({ window, message, wParam, lParam });
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH fill = CreateSolidBrush(COLORREF(GetWindowLongPtrW(window, GWLP_USERDATA)));
        FillRect(dc, &client, fill);
        DeleteObject(fill);
        Ellipse(dc, 8, 8, std::min<LONG>(client.right - 8, 90), std::min<LONG>(client.bottom - 8, 90));
        SetBkMode(dc, TRANSPARENT);
        RECT text = client;
        text.left += 10;
        text.top = client.bottom - 30;
        DrawTextW(dc, u"Vornalt on X", -1, &text, DT_LEFT | DT_SINGLELINE);
        EndPaint(window, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class X11DisplayTest : public XvfbTest {
protected:
    void SetUp() override
    {
        XvfbTest::SetUp();
        Log().clear();
        static ATOM atom = [] {
            WNDCLASSEXW c {};
            c.cbSize = sizeof c;
            c.style = CS_HREDRAW | CS_VREDRAW;
            c.lpfnWndProc = SceneProc;
            c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            c.lpszClassName = u"X11Scene";
            return RegisterClassExW(&c);
        }();
        ASSERT_NE(atom, 0);
    }

    HWND Make(DWORD style, RECT r, COLORREF colour, HWND parent = nullptr, DWORD exStyle = 0, const char16_t* title = u"Scene")
    {
        HWND w = CreateWindowExW(exStyle, u"X11Scene", title, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
            parent, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(w, GWLP_USERDATA, LONG_PTR(colour));
        InvalidateRect(w, nullptr, TRUE);
        return w;
    }

    // A framed main window with a child, and a popup (a drop-down) over its lower edge.
    void MakeScene()
    {
        m_main = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, { 100, 80, 500, 380 }, RGB(250, 250, 240), nullptr, 0,
            u"Main window");
        m_child = Make(WS_CHILD | WS_VISIBLE | WS_BORDER, { 150, 20, 370, 150 }, RGB(90, 140, 220), m_main);
        m_popup = Make(WS_POPUP | WS_BORDER, { 180, 300, 380, 420 }, RGB(255, 230, 160), m_main, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
        SetActiveWindow(m_main);
        ShowWindow(m_popup, SW_SHOWNOACTIVATE);
        Settle();
    }
    void TearDown() override
    {
        for (HWND w : { m_popup, m_main })
            if (w && IsWindow(w))
                DestroyWindow(w);
        XvfbTest::TearDown();
    }

    // The X windows against the headless render of the same scene, each written as PNG files.
    void ExpectTheHeadlessRender(const char* tag)
    {
        // Tolerance: none. The X windows show the surfaces' bytes, so any difference is a fault.
        const Image shownMain = Capture(XOf(m_main));
        const Image surfaceMain = Surface(m_main);
        WritePng(std::string(tag) + "main_x11.png", shownMain);
        WritePng(std::string(tag) + "main_headless.png", surfaceMain);
        RECT popupRect;
        GetWindowRect(m_popup, &popupRect);
        RECT mainRect;
        GetWindowRect(m_main, &mainRect);
        // The popup covers part of the main window; compare above it.
        const int clear = int(popupRect.top - mainRect.top);
        Image a = shownMain, b = surfaceMain;
        a.height = b.height = clear;
        a.pixels.resize(size_t(a.width) * size_t(clear));
        b.pixels.resize(size_t(b.width) * size_t(clear));
        EXPECT_EQ(DifferingPixels(a, b, 0), 0);
        EXPECT_EQ(DifferingPixels(Capture(XOf(m_popup)), Surface(m_popup), 0), 0);

        // The whole screen as a person sees it, against the composed headless screen, where our
        // windows are (the root shows black where the headless desktop shows its colour).
        const RECT area { 80, 60, 540, 460 };
        Image root = Capture(DefaultRootWindow(m_driver), int(area.left), int(area.top), int(area.right - area.left),
            int(area.bottom - area.top));
        Image headless = Headless(area);
        WritePng(std::string(tag) + "scene_x11.png", root);
        WritePng(std::string(tag) + "scene_headless.png", headless);
        int differing = 0;
        for (int y = 0; y < root.height; ++y)
            for (int x = 0; x < root.width; ++x) {
                const POINT p { area.left + x, area.top + y };
                RECT m, q;
                GetWindowRect(m_main, &m);
                GetWindowRect(m_popup, &q);
                auto in = [&](const RECT& r) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
                if (!in(m) && !in(q))
                    continue;
                differing += root.At(x, y) != headless.At(x, y);
            }
        EXPECT_EQ(differing, 0);
    }

    HWND m_main = nullptr;
    HWND m_child = nullptr;
    HWND m_popup = nullptr;
};

TEST_F(X11DisplayTest, TheConnectionOpensWhenTheFirstTopLevelWindowShows)
{
    HWND hidden = Make(WS_OVERLAPPEDWINDOW, { 10, 10, 200, 200 }, RGB(0, 0, 0));
    Settle();
    EXPECT_FALSE(platform::x11::X11ConnectedForTesting()) << "a hidden window needs no display";
    ShowWindow(hidden, SW_SHOW);
    Settle();
    EXPECT_TRUE(platform::x11::X11ConnectedForTesting());
    XWindowAttributes a {};
    ASSERT_NE(XOf(hidden), 0u);
    XGetWindowAttributes(m_driver, XOf(hidden), &a);
    EXPECT_EQ(a.map_state, IsViewable);
    DestroyWindow(hidden);
    Settle();
    EXPECT_EQ(XOf(hidden), 0u);
}

TEST_F(X11DisplayTest, EveryTopLevelWindowIsAnXWindowOfItsOwnWithTheLayersFrame)
{
    MakeScene();
    HWND dialog = Make(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, { 600, 100, 800, 250 }, RGB(200, 200, 200), m_main,
        WS_EX_DLGMODALFRAME, u"Properties: Resize");
    Settle();
    ASSERT_NE(XOf(m_main), 0u);
    ASSERT_NE(XOf(m_popup), 0u);
    EXPECT_EQ(XOf(m_child), 0u) << "children draw into their top-level window";

    RECT r;
    GetWindowRect(m_main, &r);
    const RECT g = Geometry(XOf(m_main));
    EXPECT_EQ(g.left, r.left);
    EXPECT_EQ(g.top, r.top);
    EXPECT_EQ(g.right, r.right);
    EXPECT_EQ(g.bottom, r.bottom);

    XWindowAttributes a {};
    XGetWindowAttributes(m_driver, XOf(m_main), &a);
    EXPECT_FALSE(a.override_redirect);
    XGetWindowAttributes(m_driver, XOf(m_popup), &a);
    EXPECT_TRUE(a.override_redirect) << "a captionless popup is placed by us";
    // No host decorations: the frame is ours.
    const std::vector<long> motif = Property(XOf(m_main), "_MOTIF_WM_HINTS");
    ASSERT_EQ(motif.size(), 5u);
    EXPECT_EQ(motif[0] & 2, 2);
    EXPECT_EQ(motif[2], 0);
    // The dialog is transient for its owner and typed as a dialog; the title is UTF-8.
    Window transientFor = 0;
    ASSERT_TRUE(XGetTransientForHint(m_driver, XOf(dialog), &transientFor));
    EXPECT_EQ(transientFor, XOf(m_main));
    EXPECT_EQ(Property(XOf(dialog), "_NET_WM_WINDOW_TYPE"), std::vector<long> { long(AtomNamed("_NET_WM_WINDOW_TYPE_DIALOG")) });
    std::vector<long> name = Property(XOf(dialog), "_NET_WM_NAME");
    EXPECT_EQ(std::string(name.begin(), name.end()), "Properties: Resize");
    XSizeHints hints {};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(m_driver, XOf(m_main), &hints, &supplied));
    EXPECT_TRUE(hints.flags & PMinSize);
    EXPECT_GT(hints.min_width, 1);
    DestroyWindow(dialog);
}

TEST_F(X11DisplayTest, EachXWindowShowsExactlyTheHeadlessRender)
{
    MakeScene();
    EXPECT_TRUE(platform::x11::X11SharedMemoryForTesting()) << "a local server offers shared memory";
    ExpectTheHeadlessRender("");
}

TEST_F(X11DisplayTest, WithoutSharedMemoryPlainRequestsShowTheSamePixels)
{
    platform::x11::X11AllowSharedMemoryForTesting(false);
    MakeScene();
    EXPECT_FALSE(platform::x11::X11SharedMemoryForTesting());
    ExpectTheHeadlessRender("plain_");
    platform::x11::X11AllowSharedMemoryForTesting(true);
}

TEST_F(X11DisplayTest, ExposedAreasComeBackFromTheSurfaceWithoutRepainting)
{
    MakeScene();
    Log().clear();
    Window cover = Foreign({ 120, 100, 300, 200 });
    Settle();
    XUnmapWindow(m_driver, cover);
    XSync(m_driver, False);
    Settle();
    EXPECT_EQ(Count(WM_PAINT), 0);
    const Image shown = Capture(XOf(m_main), 20, 20, 150, 80);
    Image expected;
    expected.width = 150;
    expected.height = 80;
    const Image whole = Surface(m_main);
    for (int y = 20; y < 100; ++y)
        for (int x = 20; x < 170; ++x)
            expected.pixels.push_back(whole.At(x, y));
    EXPECT_EQ(DifferingPixels(shown, expected, 0), 0);
}

TEST_F(X11DisplayTest, AClickOnAnotherProgramsWindowEndsACaptureLoop)
{
    MakeScene();
    Foreign({ 900, 600, 1100, 800 });
    Settle();
    SetCapture(m_popup);
    Settle();
    POINT pressed { -1, -1 };
    Idle().Then([&] {
        Click(1000, 700);
        platform::x11::X11SyncForTesting();
    });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_LBUTTONDOWN && msg.hwnd == m_popup) {
            pressed = { GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam) };
            break;
        }
        DispatchMessageW(&msg);
    }
    ReleaseCapture();
    RECT r;
    GetWindowRect(m_popup, &r);
    // Client coordinates of the popup, far outside it.
    EXPECT_EQ(pressed.x + r.left + 1, 1000);
    EXPECT_EQ(pressed.y + r.top + 1, 700);
    Settle();
}

TEST_F(X11DisplayTest, FocusOnAnotherProgramDeactivatesAndTheCaptureEnds)
{
    MakeScene();
    SetCapture(m_main);
    Settle();
    Window foreign = Foreign({ 900, 600, 1100, 800 });
    Log().clear();
    XSetInputFocus(m_driver, foreign, RevertToParent, CurrentTime);
    Settle();
    const Seen* app = Last(WM_ACTIVATEAPP);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->wParam, WPARAM(FALSE));
    EXPECT_EQ(Count(WM_CANCELMODE, m_main), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetForegroundWindow(), nullptr);

    // Back to our window: the program is active again.
    Log().clear();
    XSetInputFocus(m_driver, XOf(m_main), RevertToParent, CurrentTime);
    Settle();
    app = Last(WM_ACTIVATEAPP);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->wParam, WPARAM(TRUE));
    EXPECT_EQ(GetForegroundWindow(), m_main);
}

TEST_F(X11DisplayTest, ButtonsAndTheWheelReachTheWindowUnderThePointer)
{
    MakeScene();
    RECT child;
    GetWindowRect(m_child, &child);
    Log().clear();
    Click(child.left + 30, child.top + 40);
    Click(child.left + 31, child.top + 41, 3);
    Click(child.left + 31, child.top + 41, 5); // a notch towards the user
    Settle();
    const Seen* down = Last(WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, m_child);
    POINT client { child.left + 30, child.top + 40 };
    ScreenToClient(m_child, &client);
    EXPECT_EQ(GET_X_LPARAM(down->lParam), client.x);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), client.y);
    ASSERT_NE(Last(WM_RBUTTONUP), nullptr);
    EXPECT_EQ(Last(WM_RBUTTONUP)->window, m_child);
    const Seen* wheel = Last(WM_MOUSEWHEEL);
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel->wParam), -WHEEL_DELTA);
}

TEST_F(X11DisplayTest, ThePopupNeverTakesTheFocus)
{
    MakeScene();
    ASSERT_EQ(GetForegroundWindow(), m_main);
    Click(250, 350); // on the popup
    Settle();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_driver, &focus, &revert);
    EXPECT_EQ(focus, XOf(m_main));
    EXPECT_EQ(GetForegroundWindow(), m_main);
}

TEST_F(X11DisplayTest, WmDeleteWindowReachesWmClose)
{
    MakeScene();
    XEvent e {};
    e.xclient.type = ClientMessage;
    e.xclient.window = XOf(m_main);
    e.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(AtomNamed("WM_DELETE_WINDOW"));
    XSendEvent(m_driver, XOf(m_main), False, NoEventMask, &e);
    Settle();
    EXPECT_EQ(Count(WM_CLOSE, m_main), 1);
    EXPECT_FALSE(IsWindow(m_main)) << "the default procedure destroys it";
    Settle();
}

TEST_F(X11DisplayTest, PingIsAnsweredToTheRoot)
{
    MakeScene();
    XSelectInput(m_driver, DefaultRootWindow(m_driver), SubstructureNotifyMask);
    XEvent e {};
    e.xclient.type = ClientMessage;
    e.xclient.window = XOf(m_main);
    e.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(AtomNamed("_NET_WM_PING"));
    e.xclient.data.l[1] = 1234;
    e.xclient.data.l[2] = long(XOf(m_main));
    XSendEvent(m_driver, XOf(m_main), False, NoEventMask, &e);
    Settle();
    XEvent reply {};
    bool answered = false;
    while (XCheckTypedEvent(m_driver, ClientMessage, &reply))
        answered = answered || (reply.xclient.window == DefaultRootWindow(m_driver) && reply.xclient.data.l[1] == 1234);
    EXPECT_TRUE(answered);
}

TEST_F(X11DisplayTest, ACaptionDragMovesTheWindowOnTheServer)
{
    MakeScene();
    ShowWindow(m_popup, SW_HIDE);
    Settle();
    RECT before;
    GetWindowRect(m_main, &before);
    const int x = before.left + 60, y = before.top + 12; // on the caption
    MoveTo(x, y);
    Button(1, true);
    MoveTo(x + 40, y + 20);
    MoveTo(x + 80, y + 50);
    Button(1, false);
    Settle();
    RECT after;
    GetWindowRect(m_main, &after);
    EXPECT_EQ(after.left, before.left + 80);
    EXPECT_EQ(after.top, before.top + 50);
    const RECT g = Geometry(XOf(m_main));
    EXPECT_EQ(g.left, after.left);
    EXPECT_EQ(g.top, after.top);
}

TEST_F(X11DisplayTest, KeysFollowTheLayoutSetWithSetxkbmap)
{
    MakeScene();
    auto layout = [&](const char* name) {
        const std::string command = "setxkbmap -display " + m_displayName + " " + name;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        Settle();
    };
    auto typed = [&](unsigned keycode) {
        Log().clear();
        Tap(keycode);
        Settle();
        const Seen* c = Last(WM_CHAR);
        const Seen* k = Last(WM_KEYDOWN);
        return std::make_pair(c ? char16_t(c->wParam) : u'\0', k ? int(k->wParam) : 0);
    };
    layout("us");
    EXPECT_EQ(typed(29), std::make_pair(u'y', int('Y')));
    layout("de");
    EXPECT_EQ(typed(29), std::make_pair(u'z', int('Z'))) << "the German layout swaps Y and Z";
    EXPECT_EQ(typed(47).first, u'\u00F6');
    layout("us");
    EXPECT_EQ(typed(47).first, u';');
}

TEST_F(X11DisplayTest, WithoutACompositingManagerLayeredWindowsFallBack)
{
    HMODULE user = GetModuleHandleW(u"USER32.DLL");
    ASSERT_NE(GetProcAddress(user, "UpdateLayeredWindow"), nullptr) << "headless, layered windows blend";
    MakeScene();
    EXPECT_FALSE(platform::x11::X11PerPixelAlphaForTesting());
    user = GetModuleHandleW(u"USER32.DLL");
    EXPECT_EQ(GetProcAddress(user, "UpdateLayeredWindow"), nullptr) << "callers see it missing and draw solid shadows";
    EXPECT_NE(GetProcAddress(user, "SetLayeredWindowAttributes"), nullptr);
}

TEST_F(X11DisplayTest, CursorsBecomeArgbCursorsWithTheirHotSpots)
{
    // The arrow: a black body ringed white, clear around, its tip the hot spot.
    const platform::x11::CursorImage arrow = platform::x11::CursorToArgb(LoadCursorW(nullptr, IDC_ARROW));
    ASSERT_EQ(arrow.pixels.size(), size_t(arrow.width) * size_t(arrow.height));
    int opaqueBlack = 0, opaqueWhite = 0, clear = 0, other = 0;
    for (unsigned p : arrow.pixels) {
        if (p == 0xFF000000u)
            ++opaqueBlack;
        else if (p == 0xFFFFFFFFu)
            ++opaqueWhite;
        else if (p == 0)
            ++clear;
        else
            ++other;
    }
    EXPECT_GT(opaqueBlack, 0);
    EXPECT_GT(opaqueWhite, 0);
    EXPECT_GT(clear, opaqueBlack + opaqueWhite);
    EXPECT_EQ(other, 0) << "a two-colour cursor has no partial pixels";
    EXPECT_EQ(arrow.pixels[size_t(arrow.hot.y) * size_t(arrow.width) + size_t(arrow.hot.x)] >> 24, 0xFFu) << "the hot spot is on the shape";
    // Shown over our windows, the server takes every system cursor.
    MakeScene();
    for (LPCWSTR id : { IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_SIZEALL, IDC_HAND, IDC_NO }) {
        SetCursor(LoadCursorW(nullptr, id));
        Settle();
        EXPECT_NE(platform::x11::MakeXCursor(m_driver, LoadCursorW(nullptr, id)), Cursor(None));
    }
}

TEST_F(X11DisplayTest, AWindowRegionShapesTheXWindow)
{
    MakeScene();
    // An L: the full width for 60 rows, then only the left half.
    HRGN shape = CreateRectRgn(0, 0, 200, 60);
    HRGN foot = CreateRectRgn(0, 60, 100, 120);
    CombineRgn(shape, shape, foot, RGN_OR);
    DeleteObject(foot);
    SetWindowRgn(m_popup, shape, TRUE);
    Settle();
    auto shaped = [&](int x, int y) {
        int count = 0, ordering = 0;
        XRectangle* rects = XShapeGetRectangles(m_driver, XOf(m_popup), ShapeBounding, &count, &ordering);
        bool in = false;
        for (int i = 0; i < count; ++i)
            in = in || (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y && y < rects[i].y + rects[i].height);
        XFree(rects);
        return in;
    };
    EXPECT_TRUE(shaped(150, 30));
    EXPECT_TRUE(shaped(50, 90));
    EXPECT_FALSE(shaped(150, 90)) << "cut away";
    // Where the region cuts the popup, the main window shows through, as in the headless render.
    RECT r;
    GetWindowRect(m_popup, &r);
    const RECT area { r.left, r.top, r.left + 200, std::min<LONG>(r.top + 120, 380) };
    const Image root = Capture(DefaultRootWindow(m_driver), int(area.left), int(area.top), int(area.right - area.left),
        int(area.bottom - area.top));
    const Image headless = Headless(area);
    WritePng("shaped_x11.png", root);
    EXPECT_EQ(DifferingPixels(root, headless, 0), 0);

    SetWindowRgn(m_popup, nullptr, TRUE);
    Settle();
    EXPECT_TRUE(shaped(150, 90)) << "no region: the whole rectangle again";
}

TEST_F(X11DisplayTest, TheWindowsIconsBecomeItsNetWmIcon)
{
    MakeScene();
    auto makeIcon = [](int size, DWORD top, DWORD bottom) {
        std::vector<DWORD> bits(size_t(size) * size_t(size));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                bits[size_t(y) * size_t(size) + size_t(x)] = 0xFF000000u | (y < size / 2 ? top : bottom);
        std::vector<BYTE> mask(size_t(size) * size_t(size) / 8, 0);
        ICONINFO info {};
        info.fIcon = TRUE;
        info.hbmColor = CreateBitmap(size, size, 1, 32, bits.data());
        info.hbmMask = CreateBitmap(size, size, 1, 1, mask.data());
        HICON icon = CreateIconIndirect(&info);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return icon;
    };
    HICON big = makeIcon(32, 0xFF0000, 0x0000FF);
    HICON small = makeIcon(16, 0x00FF00, 0xFFFF00);
    SendMessageW(m_main, WM_SETICON, ICON_BIG, LPARAM(big));
    SendMessageW(m_main, WM_SETICON, ICON_SMALL, LPARAM(small));
    Settle();
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(m_driver, XOf(m_main), AtomNamed("_NET_WM_ICON"), 0, 1 << 16, False, XA_CARDINAL, &type,
                  &format, &count, &after, &data),
        Success);
    ASSERT_NE(data, nullptr);
    const std::vector<long> values(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    XFree(data);
    ASSERT_EQ(values.size(), size_t(2 + 32 * 32 + 2 + 16 * 16));
    EXPECT_EQ(values[0], 32);
    EXPECT_EQ(values[1], 32);
    EXPECT_EQ(values[2] & 0xFFFFFFFF, 0xFFFF0000) << "opaque red at the top";
    EXPECT_EQ(values[2 + 31 * 32] & 0xFFFFFFFF, 0xFF0000FF) << "opaque blue at the bottom";
    const size_t second = 2 + 32 * 32;
    EXPECT_EQ(values[second], 16);
    EXPECT_EQ(values[second + 2] & 0xFFFFFFFF, 0xFF00FF00);

    // Without icons of its own, the property goes.
    SendMessageW(m_main, WM_SETICON, ICON_BIG, 0);
    SendMessageW(m_main, WM_SETICON, ICON_SMALL, 0);
    Settle();
    EXPECT_TRUE(Property(XOf(m_main), "_NET_WM_ICON").empty());
    DestroyIcon(big);
    DestroyIcon(small);
}

TEST_F(X11DisplayTest, MonitorsComeFromTheXScreen)
{
    // Two monitors side by side on the server, the right one primary. The left one takes the
    // server's output, so the output's own monitor gives way to the two.
    Window root = DefaultRootWindow(m_driver);
    XRRScreenResources* resources = XRRGetScreenResources(m_driver, root);
    ASSERT_NE(resources, nullptr);
    ASSERT_GT(resources->noutput, 0);
    RROutput output = resources->outputs[0];
    XRRFreeScreenResources(resources);
    auto monitor = [&](const char* name, int x, bool primary) {
        XRRMonitorInfo info {};
        if (!primary) {
            info.noutput = 1;
            info.outputs = &output;
        }
        info.name = AtomNamed(name);
        info.primary = primary ? True : False;
        info.x = x;
        info.y = 0;
        info.width = 640;
        info.height = 1024;
        info.mwidth = 170;
        info.mheight = 270;
        XRRSetMonitor(m_driver, root, &info);
    };
    monitor("LEFT", 0, false);
    monitor("RIGHT", 640, true);
    XSync(m_driver, False);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1) << "headless until the display opens";
    MakeScene();
    ASSERT_TRUE(platform::x11::X11ConnectedForTesting());
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640) << "the primary monitor's width";
    MONITORINFO info {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT { 100, 500 }, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcMonitor.left, 0);
    EXPECT_EQ(info.rcMonitor.right, 640);
    EXPECT_EQ(info.dwFlags & MONITORINFOF_PRIMARY, 0u);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT { 1000, 500 }, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcMonitor.left, 640);
    EXPECT_EQ(info.rcWork.right, 1280);
    EXPECT_EQ(info.dwFlags & MONITORINFOF_PRIMARY, MONITORINFOF_PRIMARY);
    // A window manager's work area leaves its panel out.
    const long work[4] = { 0, 0, 1280, 990 };
    XChangeProperty(m_driver, root, AtomNamed("_NET_WORKAREA"), XA_CARDINAL, 32, PropModeReplace,
        reinterpret_cast<const unsigned char*>(work), 4);
    Settle();
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT { 1000, 500 }, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcWork.bottom, 990);
    EXPECT_EQ(info.rcMonitor.bottom, 1024);
}

TEST_F(X11DisplayTest, TheCaretBlinksOnTheServerAsInTheHeadlessRender)
{
    MakeScene();
    ASSERT_TRUE(CreateCaret(m_child, nullptr, 2, 16));
    SetCaretPos(20, 30);
    ShowCaret(m_child);
    Settle();
    POINT at { 20, 30 };
    ClientToScreen(m_child, &at);
    const RECT area { at.x - 6, at.y - 4, at.x + 40, at.y + 20 };
    auto shown = [&] {
        return Capture(DefaultRootWindow(m_driver), int(area.left), int(area.top), int(area.right - area.left),
            int(area.bottom - area.top));
    };
    auto withCaret = [&] {
        Image out;
        out.width = int(area.right - area.left);
        out.height = int(area.bottom - area.top);
        CaptureScreen(area, out.pixels, true);
        return out;
    };
    // Visible first: inverted pixels where the caret is, exactly as the headless screen has them.
    Image now = shown();
    WritePng("caret_on_x11.png", now);
    EXPECT_EQ(DifferingPixels(now, withCaret(), 0), 0);
    EXPECT_EQ(DifferingPixels(now, Headless(area), 0), 2 * 16) << "the caret's 2 x 16 pixels";

    // Half a period on, dark; then back.
    Clock().Advance(GetCaretBlinkTime());
    Settle();
    now = shown();
    EXPECT_EQ(DifferingPixels(now, Headless(area), 0), 0) << "the dark half shows the window's own pixels";
    Clock().Advance(GetCaretBlinkTime());
    Settle();
    EXPECT_EQ(DifferingPixels(shown(), withCaret(), 0), 0);
    EXPECT_EQ(DifferingPixels(shown(), Headless(area), 0), 2 * 16);

    // Moved: the old place shows clean, the new one the caret.
    SetCaretPos(40, 30);
    Settle();
    now = shown();
    EXPECT_EQ(DifferingPixels(now, withCaret(), 0), 0);
    EXPECT_EQ(now.At(6, 4), Headless(area).At(6, 4));
    EXPECT_NE(now.At(26, 4), Headless(area).At(26, 4));
    DestroyCaret();
    Settle();
    EXPECT_EQ(DifferingPixels(shown(), Headless(area), 0), 0);
}

TEST(X11DisplayStart, AWindowedStartWithoutADisplaySaysSoAndFails)
{
    EXPECT_EXIT(
        {
            ::setenv("DISPLAY", ":9876", 1);
            platform::x11::UseX11Display();
            WNDCLASSEXW c {};
            c.cbSize = sizeof c;
            c.lpfnWndProc = DefWindowProcW;
            c.lpszClassName = u"NoDisplay";
            RegisterClassExW(&c);
            HWND w = CreateWindowExW(0, u"NoDisplay", u"x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); // no window shown: no display needed
            ShowWindow(w, SW_SHOW);
            PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
            std::exit(0);
        },
        ::testing::ExitedWithCode(platform::x11::kNoDisplayExitCode), "cannot open the X display \":9876\"");
}

TEST(X11DisplayStart, WithoutAShownWindowNoDisplayIsNeeded)
{
    EXPECT_EXIT(
        {
            ::setenv("DISPLAY", ":9876", 1);
            platform::x11::UseX11Display();
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
            std::exit(platform::x11::X11ConnectedForTesting() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace xvfb_test
