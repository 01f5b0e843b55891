// Whole scenes on the server against their headless render: a frame whose owner draws its own
// non-client area, and the acceptance screenshot of a framed window with a modal dialog and a
// tracked popup open. Every capture is written as PNG into the test-output folder.

#include "XvfbFixture.h"

#include "platform/controls/CommonControls.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/InputMessages.h"
#include "platform/user/Mdi.h"

#include <gtest/gtest.h>

namespace xvfb_test {
namespace {

// A frame drawn by its owner: a 24-pixel caption band with the title, 5-pixel borders in one
// colour when active and another when not, and its own hit test (the band moves the window).
constexpr int kBand = 24;
constexpr int kEdge = 5;

void PaintOwnFrame(HWND window, bool active)
{
    HDC dc = GetWindowDC(window);
    RECT r;
    GetWindowRect(window, &r);
    r = { 0, 0, r.right - r.left, r.bottom - r.top };
    HBRUSH edge = CreateSolidBrush(active ? RGB(40, 90, 160) : RGB(150, 150, 160));
    RECT band { 0, 0, r.right, kBand };
    FillRect(dc, &band, edge);
    RECT left { 0, kBand, kEdge, r.bottom }, right { r.right - kEdge, kBand, r.right, r.bottom },
        bottom { 0, r.bottom - kEdge, r.right, r.bottom };
    FillRect(dc, &left, edge);
    FillRect(dc, &right, edge);
    FillRect(dc, &bottom, edge);
    DeleteObject(edge);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT text { 8, 0, r.right - 30, kBand };
    DrawTextW(dc, u"Own frame", -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    // A close box of our own.
    RECT box { r.right - 24, 4, r.right - 8, kBand - 4 };
    HBRUSH face = CreateSolidBrush(RGB(220, 80, 60));
    FillRect(dc, &box, face);
    DeleteObject(face);
    ReleaseDC(window, dc);
}

LRESULT OwnFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        r->left += kEdge;
        r->top += kBand;
        r->right -= kEdge;
        r->bottom -= kEdge;
        return 0;
    }
    case WM_NCPAINT:
        PaintOwnFrame(window, GetActiveWindow() == window);
        return 0;
    case WM_NCACTIVATE:
        PaintOwnFrame(window, wParam != 0);
        return TRUE;
    case WM_NCHITTEST: {
        RECT r;
        GetWindowRect(window, &r);
        const POINT p { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
        if (p.y < r.top + kBand)
            return HTCAPTION;
        LRESULT hit = DefWindowProcW(window, message, wParam, lParam);
        return hit == HTNOWHERE ? HTBORDER : hit;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        HBRUSH fill = CreateSolidBrush(RGB(245, 240, 225));
        FillRect(dc, &client, fill);
        DeleteObject(fill);
        Rectangle(dc, 20, 20, 140, 90);
        SetBkMode(dc, TRANSPARENT);
        RECT text { 20, 100, client.right, 130 };
        DrawTextW(dc, u"Client area under an owner-drawn frame", -1, &text, DT_LEFT | DT_SINGLELINE);
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A main window with a little content, and a drop-down list of commands drawn as a menu.
LRESULT ContentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    HBRUSH band = CreateSolidBrush(RGB(200, 220, 245));
    RECT strip { 0, 0, client.right, 28 };
    FillRect(dc, &strip, band);
    DeleteObject(band);
    SetBkMode(dc, TRANSPARENT);
    RECT line { 10, 40, client.right, 60 };
    for (const char16_t* text : { u"IMG_0001.jpg    4000 x 3000", u"IMG_0002.jpg    4000 x 3000", u"IMG_0003.jpg    3000 x 4000" }) {
        DrawTextW(dc, text, -1, &line, DT_LEFT | DT_SINGLELINE);
        line.top += 20;
        line.bottom += 20;
    }
    EndPaint(window, &ps);
    return 0;
}

const char16_t* const kItems[] = { u"Resize...", u"Rotate", u"", u"Add watermark", u"Properties" };
constexpr int kItemHeight = 20;

LRESULT MenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
        SetBkMode(dc, TRANSPARENT);
        int y = 2;
        for (int i = 0; i < int(std::size(kItems)); ++i) {
            if (!kItems[i][0]) {
                RECT sep { 4, y + 3, client.right - 4, y + 4 };
                FillRect(dc, &sep, GetSysColorBrush(COLOR_3DSHADOW));
                y += 8;
                continue;
            }
            RECT item { 2, y, client.right - 2, y + kItemHeight };
            const bool hot = i == 1;
            if (hot)
                FillRect(dc, &item, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
            RECT text = item;
            text.left += 22;
            DrawTextW(dc, kItems[i], -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            y += kItemHeight;
        }
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

class X11SceneTest : public XvfbTest {
protected:
    void SetUp() override
    {
        XvfbTest::SetUp();
        static bool registered = [] {
            WNDCLASSEXW c {};
            c.cbSize = sizeof c;
            c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            c.lpfnWndProc = OwnFrameProc;
            c.lpszClassName = u"X11OwnFrame";
            bool ok = RegisterClassExW(&c) != 0;
            c.lpfnWndProc = ContentProc;
            c.lpszClassName = u"X11Content";
            ok = ok && RegisterClassExW(&c) != 0;
            c.style = CS_DROPSHADOW;
            c.lpfnWndProc = MenuProc;
            c.lpszClassName = u"X11Menu";
            return ok && RegisterClassExW(&c) != 0;
        }();
        ASSERT_TRUE(registered);
    }

    // The root window's pixels in `area` against the headless screen, counted only where one of
    // `windows` is (the server's root is black where the headless desktop has its colour).
    // Tolerance: none; the server shows the surfaces' bytes, so any differing pixel is a fault.
    int CompareWithHeadless(const RECT& area, const std::vector<HWND>& windows, const std::string& name)
    {
        const Image shown = Capture(DefaultRootWindow(m_driver), int(area.left), int(area.top), int(area.right - area.left),
            int(area.bottom - area.top));
        const Image headless = Headless(area);
        WritePng(name + "_x11.png", shown);
        WritePng(name + "_headless.png", headless);
        std::vector<RECT> rects;
        for (HWND w : windows) {
            RECT r;
            GetWindowRect(w, &r);
            rects.push_back(r);
        }
        int differing = 0;
        Image difference = shown;
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x) {
                const POINT p { area.left + x, area.top + y };
                bool ours = false;
                for (const RECT& r : rects)
                    ours = ours || (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom);
                const bool differs = ours && shown.At(x, y) != headless.At(x, y);
                differing += differs;
                difference.pixels[size_t(y) * size_t(shown.width) + size_t(x)] = differs ? 0xFF0000 : ours ? 0xFFFFFF : 0x808080;
            }
        WritePng(name + "_difference.png", difference);
        return differing;
    }
};

TEST_F(X11SceneTest, AFrameItsOwnerDrawsLooksTheSameOnTheServerAsHeadless)
{
    HWND main = CreateWindowExW(0, u"X11OwnFrame", u"Own frame", WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE, 120, 90,
        360, 240, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(main);
    Settle();
    // The layer's frame would have a 30-odd-pixel caption; the owner's client starts 24 down.
    POINT origin { 0, 0 };
    ClientToScreen(main, &origin);
    EXPECT_EQ(origin.x, 120 + kEdge);
    EXPECT_EQ(origin.y, 90 + kBand);
    ASSERT_NE(XOf(main), 0u);
    const Image shown = Capture(XOf(main));
    const Image surface = Surface(main);
    WritePng("own_frame_window_x11.png", shown);
    EXPECT_EQ(DifferingPixels(shown, surface, 0), 0);
    EXPECT_EQ(shown.At(2, 2), 0x285AA0u) << "the owner's active caption colour";
    EXPECT_EQ(CompareWithHeadless({ 100, 70, 500, 350 }, { main }, "own_frame"), 0);

    // Dragged by the owner's caption band, and inactive: still the same pixels.
    MoveTo(200, 100);
    Button(1, true);
    MoveTo(230, 130);
    MoveTo(260, 160);
    Button(1, false);
    Settle();
    RECT moved;
    GetWindowRect(main, &moved);
    EXPECT_EQ(moved.left, 180);
    EXPECT_EQ(moved.top, 150);
    Window other = Foreign({ 900, 700, 1000, 800 });
    XSetInputFocus(m_driver, other, RevertToParent, CurrentTime);
    Settle();
    EXPECT_EQ(Capture(XOf(main)).At(2, 2), 0x9696A0u) << "the owner's inactive colour";
    EXPECT_EQ(DifferingPixels(Capture(XOf(main)), Surface(main), 0), 0);
    EXPECT_EQ(CompareWithHeadless({ 160, 130, 560, 410 }, { main }, "own_frame_moved"), 0);
    DestroyWindow(main);
}

TEST_F(X11SceneTest, AcceptanceAFramedWindowWithAModalDialogAndATrackedPopup)
{
    InitCommonControls();
    testkit::MessageBoxRecorder boxes;
    HWND main = CreateWindowExW(0, u"X11Content", u"Vornalt - holiday.stack", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 50, 640,
        420, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(main);
    Settle();

    HWND popup = nullptr;
    HWND box = nullptr;
    int differing = -1;
    Idle().Then([&] {
        box = boxes.Open();
        ASSERT_NE(box, nullptr);
        // A drop-down opened from the dialog, tracking the mouse as menus do.
        RECT b;
        GetWindowRect(box, &b);
        popup = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"X11Menu", u"", WS_POPUP | WS_BORDER, b.left + 30,
            b.bottom - 20, 170, 4 * kItemHeight + 8 + 4 + 2, box, nullptr, nullptr, nullptr);
        ShowWindow(popup, SW_SHOWNOACTIVATE);
        SetCapture(popup);
    });
    Idle().Then([] {});
    Idle().Then([&] {
        XSync(m_driver, False);
        platform::x11::X11SyncForTesting();
        ASSERT_NE(XOf(popup), 0u);
        ASSERT_NE(XOf(box), 0u);
        EXPECT_TRUE(IsWindowEnabled(main) == FALSE) << "the dialog is modal";
        RECT all { 40, 30, 720, 500 };
        differing = CompareWithHeadless(all, { main, box, popup }, "acceptance");
        // The popup on its own, too (the others are partly covered, and a server without
        // backing store leaves covered parts of a window's capture undefined).
        EXPECT_EQ(DifferingPixels(Capture(XOf(popup)), Surface(popup), 0), 0);
        WritePng("acceptance_dialog_x11.png", Capture(XOf(box)));
        ReleaseCapture();
        DestroyWindow(popup);
        Tap(9); // Escape, through the server: the box answers Cancel
    });
    const int answer = MessageBoxW(main, u"Resize the 3 selected images to 640 x 480 pixels?", u"Resize images",
        MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(differing, 0);
    Settle();
    DestroyWindow(main);
}

// An MDI frame: the client fills it; each document window paints its title's colour.
HWND g_mdiClient = nullptr;

LRESULT MdiFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        CLIENTCREATESTRUCT ccs { nullptr, 0xFF00 };
        g_mdiClient = CreateWindowExW(WS_EX_CLIENTEDGE, u"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0,
            0, frame, nullptr, nullptr, &ccs);
        return g_mdiClient ? 0 : -1;
    }
    return DefFrameProcW(frame, g_mdiClient, message, wParam, lParam);
}

LRESULT MdiDocumentProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(child, &ps);
        RECT client;
        GetClientRect(child, &client);
        WCHAR title[32] {};
        GetWindowTextW(child, title, 32);
        const COLORREF colours[] = { RGB(250, 235, 215), RGB(220, 240, 220), RGB(215, 230, 250) };
        HBRUSH fill = CreateSolidBrush(colours[(title[0] - u'A') % 3]);
        FillRect(dc, &client, fill);
        DeleteObject(fill);
        SetBkMode(dc, TRANSPARENT);
        RECT text { 10, 10, client.right, 30 };
        DrawTextW(dc, title, -1, &text, DT_LEFT | DT_SINGLELINE);
        EndPaint(child, &ps);
        return 0;
    }
    return DefMDIChildProcW(child, message, wParam, lParam);
}

TEST_F(X11SceneTest, AnMdiFrameFollowsClicksKeysAndMaximisingOnTheServer)
{
    static bool registered = [] {
        WNDCLASSEXW c {};
        c.cbSize = sizeof c;
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.lpfnWndProc = MdiFrameProc;
        c.lpszClassName = u"X11MdiFrame";
        bool ok = RegisterClassExW(&c) != 0;
        c.style = CS_DBLCLKS;
        c.lpfnWndProc = MdiDocumentProc;
        c.lpszClassName = u"X11MdiDocument";
        return ok && RegisterClassExW(&c) != 0;
    }();
    ASSERT_TRUE(registered);
    HWND frame = CreateWindowExW(0, u"X11MdiFrame", u"Vornalt - documents", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
        80, 60, 640, 460, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(frame);
    std::vector<HWND> docs;
    for (const char16_t* title : { u"A: holiday.stack", u"B: portraits.stack", u"C: web.stack" }) {
        MDICREATESTRUCTW mcs { u"X11MdiDocument", title, nullptr, CW_USEDEFAULT, CW_USEDEFAULT, 360, 240,
            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0 };
        docs.push_back(reinterpret_cast<HWND>(SendMessageW(g_mdiClient, WM_MDICREATE, 0, LPARAM(&mcs))));
        ASSERT_NE(docs.back(), nullptr);
    }
    Settle();
    auto active = [](BOOL* maximized = nullptr) {
        return reinterpret_cast<HWND>(SendMessageW(g_mdiClient, WM_MDIGETACTIVE, 0, LPARAM(maximized)));
    };
    // The frame's loop, with the MDI keys.
    auto loop = [&] {
        for (int i = 0; i < 6; ++i) {
            XSync(m_driver, False);
            platform::x11::X11SyncForTesting();
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!TranslateMDISysAccel(g_mdiClient, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
        }
    };
    ASSERT_EQ(active(), docs[2]);
    EXPECT_EQ(CompareWithHeadless({ 60, 40, 740, 540 }, { frame }, "mdi_cascade"), 0);

    // A click where only the first document shows activates it.
    RECT first;
    GetWindowRect(docs[0], &first);
    Click(first.left + 10, first.bottom - 10);
    loop();
    EXPECT_EQ(active(), docs[0]);

    // Ctrl+F6 from the keyboard of the server: the next one.
    const unsigned control = XKeysymToKeycode(m_driver, XK_Control_L), f6 = XKeysymToKeycode(m_driver, XK_F6);
    Key(control, true);
    Tap(f6);
    Key(control, false);
    loop();
    EXPECT_EQ(active(), docs[2]);

    // A double click on its caption maximises it: it fills the client, its caption out of sight.
    RECT third;
    GetWindowRect(docs[2], &third);
    Click(third.left + 100, third.top + 10);
    Click(third.left + 100, third.top + 10);
    loop();
    BOOL maximized = FALSE;
    EXPECT_EQ(active(&maximized), docs[2]);
    EXPECT_TRUE(maximized);
    RECT clientArea, shown;
    GetWindowRect(g_mdiClient, &clientArea);
    POINT origin { 0, 0 };
    ClientToScreen(docs[2], &origin);
    GetClientRect(docs[2], &shown);
    EXPECT_EQ(origin.x, clientArea.left + GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(origin.y, clientArea.top + GetSystemMetrics(SM_CYEDGE));
    EXPECT_EQ(CompareWithHeadless({ 60, 40, 740, 540 }, { frame }, "mdi_maximised"), 0);
    DestroyWindow(frame);
    g_mdiClient = nullptr;
}

} // namespace
} // namespace xvfb_test
