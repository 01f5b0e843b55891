// The X11 back end: one X window per top-level window, each showing exactly its surface.
// Only the GUI thread that opened the connection talks to X; a watcher thread only polls the
// connection and wakes that thread, which reads the events the next time it would wait.

#include "platform/user/x11/X11Display.h"

#include "platform/base/Modules.h"
#include "platform/base/ProcessInfo.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/DisplayBackEnd.h"
#include "platform/user/x11/X11Cursor.h"
#include "platform/user/x11/X11Keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform::x11 {

namespace {

// Requests that fail (a window gone, focus on one not yet viewable) are ignored; the code of the
// last failure is kept for the one place that checks (attaching shared memory).
std::atomic<int> g_lastError { 0 };
int IgnoreErrors(Display*, XErrorEvent* error)
{
    g_lastError.store(error->error_code);
    return 0;
}

std::atomic<bool> g_sharedMemoryAllowed { true };

long long SteadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Intersects(const RECT& a, const RECT& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Windows with a caption or a frame are managed by the window manager; captionless popups
// (menus, tips, shadows, drop-down lists) are placed by us and never take the focus.
bool IsManaged(DWORD style)
{
    if (!(style & WS_POPUP))
        return true;
    return (style & WS_CAPTION) == WS_CAPTION || (style & (WS_DLGFRAME | WS_THICKFRAME)) != 0;
}

// A shared-memory image the server reads a window's pixels from.
struct SharedImage {
    XShmSegmentInfo segment {};
    XImage* image = nullptr;
};

struct XWin {
    Window id = 0;
    bool managed = true;
    bool mapped = false;   // asked for
    bool viewable = false; // MapNotify seen
    RECT rect {};          // where X has (or will have) it
    int pendingConfigures = 0;
    std::u16string title;
    HWND owner = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    bool shaped = false;
    std::vector<RECT> shape;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

bool SameRects(const std::vector<RECT>& a, const std::vector<RECT>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameRect);
}

class X11BackEnd final : public DisplayBackEnd, public DesktopTextClipboard {
public:
    explicit X11BackEnd(std::string name)
        : m_name(std::move(name))
    {
    }
    ~X11BackEnd() override { Close(); }

    bool Pump() override;
    void Damaged(const RECT& screen) override
    {
        std::lock_guard lock(m_damageMutex);
        if (m_damage.size() >= 64) {
            RECT& all = m_damage.front();
            for (const RECT& r : m_damage) {
                all.left = std::min(all.left, r.left);
                all.top = std::min(all.top, r.top);
                all.right = std::max(all.right, r.right);
                all.bottom = std::max(all.bottom, r.bottom);
            }
            m_damage.resize(1);
        }
        m_damage.push_back(screen);
    }
    void CursorChanged(HCURSOR cursor) override
    {
        m_cursor.store(cursor);
        m_cursorChanged.store(true);
    }
    void PointerMoved(POINT screen) override
    {
        std::lock_guard lock(m_damageMutex);
        m_warp = screen;
        m_warpPending = true;
    }

    // The text clipboard.
    void Offer(const std::u16string& text) override
    {
        {
            std::lock_guard lock(m_clipMutex);
            m_offered = text;
            m_offerPending = true;
        }
        if (m_display && GetCurrentThreadId() == m_thread)
            ApplyOffer();
    }
    bool Take(std::u16string& text) override;

    void Close();
    bool Connected() const { return m_display != nullptr; }
    Window WindowOf(HWND window)
    {
        auto it = m_windows.find(window);
        return it == m_windows.end() ? 0 : it->second.id;
    }
    void Sync()
    {
        if (m_display)
            XSync(m_display, False);
    }
    bool PerPixelAlpha() const { return m_perPixelAlpha; }
    bool SharedMemory() const { return m_sharedMemory; }

private:
    void Connect();
    void Reconcile();
    XWin& Create(const TopLevelWindowState& s);
    void SetProperties(XWin& x, const TopLevelWindowState& s);
    void SetTitle(XWin& x, const std::u16string& title);
    void SetShape(XWin& x, const TopLevelWindowState& s);
    void SetIcons(XWin& x, const TopLevelWindowState& s);
    void ReadMonitors();
    void Present(HWND window, XWin& x, RECT area); // area in window coordinates
    SharedImage* SharedImageFor(HWND window, LONG width, LONG height);
    void FreeSharedImage(SharedImage& shared);
    void PresentDamage();
    void UpdateCarets();
    // XORs the carets shown in `window` onto `pixels` (rows of `stride` pixels starting at
    // `origin` in window coordinates), inside `area`.
    void DrawCarets(HWND window, const XWin& x, const RECT& area, DWORD* pixels, POINT origin, size_t stride) const;
    void ApplyCursor();
    void ApplyCapture();
    void ApplyFocus();
    bool HandleEvent(XEvent& event);
    HWND WindowFor(Window id) const
    {
        auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second;
    }
    void Post(const RawInputEvent& e) { PostRawInput(e); }
    void WatchConnection();
    void ApplyOffer();
    void AnswerSelectionRequest(const XSelectionRequestEvent& request);
    // Puts `data` of `type` into the requestor's property, in pieces when it is large; true when
    // it went as a whole or its transfer started.
    bool PutSelectionData(Window requestor, Atom property, Atom type, std::string data);
    bool ContinueTransfer(const XPropertyEvent& event);
    // The pieces of an INCR transfer and their type; false when the owner stopped sending.
    bool ReadIncremental(std::string& out, Atom& type);
    bool HandleDnd(const XClientMessageEvent& message, HWND window);
    void FinishDrop(bool accepted);
    std::string ReadProperty(Window window, Atom property, Atom* type = nullptr);

    std::string m_name;
    Display* m_display = nullptr;
    int m_screen = 0;
    Window m_root = 0;
    Visual* m_visual = nullptr;
    int m_depth = 0;
    XkbDescPtr m_xkb = nullptr;
    int m_xkbEvent = 0;
    bool m_perPixelAlpha = false;
    bool m_sharedMemory = false;
    bool m_shape = false;
    int m_randrEvent = -1;
    // The monitors of the X screen replace the model's while we are connected.
    std::unique_ptr<ScopedSystemModel> m_model;
    Atom m_netIcon = 0, m_workArea = 0;
    std::map<HWND, SharedImage> m_shared;
    DWORD m_thread = 0;
    int m_reconciling = 0;

    std::map<HWND, XWin> m_windows;
    std::unordered_map<Window, HWND> m_byId;
    std::vector<Window> m_stacking;
    HWND m_focusSet = nullptr;
    bool m_checkFocus = false;
    HWND m_grabbed = nullptr;
    std::map<HCURSOR, Cursor> m_cursors;
    Cursor m_shownCursor = None;

    Atom m_wmProtocols = 0, m_wmDelete = 0, m_ping = 0, m_wmState = 0, m_stateAbove = 0, m_motifHints = 0,
         m_windowType = 0, m_typeNormal = 0, m_typeDialog = 0, m_typeUtility = 0, m_typePopupMenu = 0,
         m_netName = 0, m_utf8 = 0, m_pid = 0, m_clipboard = 0, m_targets = 0, m_text = 0, m_selectionProperty = 0,
         m_dropProperty = 0, m_xdndAware = 0, m_xdndEnter = 0, m_xdndPosition = 0, m_xdndStatus = 0, m_xdndLeave = 0,
         m_xdndDrop = 0, m_xdndFinished = 0, m_xdndSelection = 0, m_xdndCopy = 0, m_uriList = 0;

    // Selections: an unmapped window of ours owns the clipboard.
    Window m_utility = 0;
    std::mutex m_clipMutex;
    std::u16string m_offered;
    bool m_offerPending = false;
    std::string m_ownedText; // UTF-8, while we own the clipboard
    // Large answers go in pieces (INCR): each piece once the requestor deleted the last one.
    struct Transfer {
        Window requestor = 0;
        Atom property = 0;
        Atom type = 0;
        std::string data;
        size_t sent = 0;
    };
    std::vector<Transfer> m_transfers;
    Atom m_incr = 0;

    // A drag from another program over our windows.
    Window m_dndSource = 0;
    Window m_dndWindow = 0;
    HWND m_dndTarget = nullptr;
    POINT m_dndPoint {};

    // Carets are an overlay, not in the surfaces: what we show of them, and when one was last
    // seen (the watcher wakes the thread for the blink meanwhile), in steady milliseconds.
    std::vector<CaretForDisplay> m_carets;
    std::atomic<long long> m_caretSeen { -1 };

    std::mutex m_damageMutex;
    std::vector<RECT> m_damage;
    POINT m_warp {};
    bool m_warpPending = false;
    std::atomic<HCURSOR> m_cursor { nullptr };
    std::atomic<bool> m_cursorChanged { true };

    // The watcher: polls the connection, wakes the GUI thread, waits until it read.
    std::thread m_watcher;
    int m_stopPipe[2] = { -1, -1 };
    std::mutex m_watchMutex;
    std::condition_variable m_drained;
    unsigned long m_drainCount = 0;
    bool m_stopping = false;
};

void X11BackEnd::Connect()
{
    m_display = XOpenDisplay(m_name.empty() ? nullptr : m_name.c_str());
    if (!m_display) {
        const char* shown = !m_name.empty() ? m_name.c_str() : std::getenv("DISPLAY");
        std::fprintf(stderr,
            "%s: cannot open the X display \"%s\": windows need an X11 display (set DISPLAY). "
            "The command-line run needs none.\n",
            program_invocation_short_name, shown ? shown : "");
        std::fflush(stderr);
        std::_Exit(kNoDisplayExitCode);
    }
    XSetErrorHandler(IgnoreErrors);
    m_screen = DefaultScreen(m_display);
    m_root = RootWindow(m_display, m_screen);
    m_visual = DefaultVisual(m_display, m_screen);
    m_depth = DefaultDepth(m_display, m_screen);
    m_thread = GetCurrentThreadId();
    m_sharedMemory = g_sharedMemoryAllowed.load() && XShmQueryExtension(m_display) && m_depth == 24
        && m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0xFF00 && m_visual->blue_mask == 0xFF;

    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(m_display, &opcode, &m_xkbEvent, &error, &major, &minor)) {
        Bool supported = False;
        XkbSetDetectableAutoRepeat(m_display, True, &supported);
        XkbSelectEvents(m_display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
            XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
        m_xkb = XkbGetMap(m_display, XkbAllClientInfoMask, XkbUseCoreKbd);
    }

    auto atom = [&](const char* name) { return XInternAtom(m_display, name, False); };
    m_wmProtocols = atom("WM_PROTOCOLS");
    m_wmDelete = atom("WM_DELETE_WINDOW");
    m_ping = atom("_NET_WM_PING");
    m_wmState = atom("_NET_WM_STATE");
    m_stateAbove = atom("_NET_WM_STATE_ABOVE");
    m_motifHints = atom("_MOTIF_WM_HINTS");
    m_windowType = atom("_NET_WM_WINDOW_TYPE");
    m_typeNormal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    m_typeDialog = atom("_NET_WM_WINDOW_TYPE_DIALOG");
    m_typeUtility = atom("_NET_WM_WINDOW_TYPE_UTILITY");
    m_typePopupMenu = atom("_NET_WM_WINDOW_TYPE_POPUP_MENU");
    m_netName = atom("_NET_WM_NAME");
    m_utf8 = atom("UTF8_STRING");
    m_pid = atom("_NET_WM_PID");
    m_clipboard = atom("CLIPBOARD");
    m_targets = atom("TARGETS");
    m_text = atom("TEXT");
    m_selectionProperty = atom("VORNALT_SELECTION");
    m_dropProperty = atom("VORNALT_DROP");
    m_xdndAware = atom("XdndAware");
    m_xdndEnter = atom("XdndEnter");
    m_xdndPosition = atom("XdndPosition");
    m_xdndStatus = atom("XdndStatus");
    m_xdndLeave = atom("XdndLeave");
    m_xdndDrop = atom("XdndDrop");
    m_xdndFinished = atom("XdndFinished");
    m_xdndSelection = atom("XdndSelection");
    m_xdndCopy = atom("XdndActionCopy");
    m_uriList = atom("text/uri-list");
    m_incr = atom("INCR");
    m_netIcon = atom("_NET_WM_ICON");
    m_workArea = atom("_NET_WORKAREA");
    int shapeEvent = 0, shapeError = 0;
    m_shape = XShapeQueryExtension(m_display, &shapeEvent, &shapeError);
    int randrError = 0;
    if (XRRQueryExtension(m_display, &m_randrEvent, &randrError))
        XRRSelectInput(m_display, m_root, RRScreenChangeNotifyMask);
    else
        m_randrEvent = -1;
    XSelectInput(m_display, m_root, PropertyChangeMask);
    ReadMonitors();
    XSetWindowAttributes utility {};
    utility.override_redirect = True;
    utility.event_mask = PropertyChangeMask;
    m_utility = XCreateWindow(m_display, m_root, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent,
        CWOverrideRedirect | CWEventMask, &utility);

    // True per-pixel alpha needs a compositing manager; without one the callers' solid
    // fallbacks run, because the function is reported missing.
    char selection[32];
    std::snprintf(selection, sizeof selection, "_NET_WM_CM_S%d", m_screen);
    m_perPixelAlpha = false;
    if (XGetSelectionOwner(m_display, atom(selection)) == None)
        platform::modules::RemoveExport(u"USER32.DLL", "UpdateLayeredWindow");
    // With a compositing manager we still show layered windows opaque (no ARGB windows yet), so
    // the fallbacks run there too.
    else
        platform::modules::RemoveExport(u"USER32.DLL", "UpdateLayeredWindow");

    if (pipe(m_stopPipe) == 0)
        m_watcher = std::thread([this] { WatchConnection(); });
}

void X11BackEnd::WatchConnection()
{
    const int fd = ConnectionNumber(m_display);
    for (;;) {
        pollfd fds[2] = { { fd, POLLIN, 0 }, { m_stopPipe[0], POLLIN, 0 } };
        // While a caret was shown lately, the thread wakes twice a blink period to show its phase.
        const int blink = int(std::max(50u, GetCaretBlinkTime()));
        const long long caretSeen = m_caretSeen.load();
        const int timeout = caretSeen >= 0 && SteadyMilliseconds() - caretSeen < 3LL * blink ? blink / 2 : -1;
        const int ready = poll(fds, 2, timeout);
        if (ready < 0)
            continue;
        if (fds[1].revents)
            return;
        if (ready > 0 && !(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        std::unique_lock lock(m_watchMutex);
        const unsigned long seen = m_drainCount;
        lock.unlock();
        WakeGuiThread(m_thread);
        lock.lock();
        m_drained.wait(lock, [&] { return m_stopping || m_drainCount != seen; });
        if (m_stopping)
            return;
    }
}

void X11BackEnd::Close()
{
    if (m_watcher.joinable()) {
        {
            std::lock_guard lock(m_watchMutex);
            m_stopping = true;
        }
        m_drained.notify_all();
        if (write(m_stopPipe[1], "x", 1) < 0) {
        }
        m_watcher.join();
    }
    for (int& fd : m_stopPipe)
        if (fd >= 0)
            close(std::exchange(fd, -1));
    if (!m_display)
        return;
    for (auto& [hwnd, x] : m_windows)
        XDestroyWindow(m_display, x.id);
    for (auto& [hwnd, shared] : m_shared)
        FreeSharedImage(shared);
    m_shared.clear();
    for (auto& [cursor, xc] : m_cursors)
        XFreeCursor(m_display, xc);
    if (m_xkb)
        XkbFreeKeyboard(m_xkb, 0, True);
    if (m_utility)
        XDestroyWindow(m_display, m_utility);
    XCloseDisplay(m_display);
    m_display = nullptr;
    m_model.reset();
    m_windows.clear();
    m_byId.clear();
    m_cursors.clear();
}

bool X11BackEnd::Pump()
{
    if (!m_display) {
        // Lazily: the first visible top-level window opens the connection.
        bool any = false;
        for (const TopLevelWindowState& s : TopLevelWindowsForDisplay())
            any = any || s.visible;
        if (!any)
            return false;
        Connect();
    }
    if (GetCurrentThreadId() != m_thread)
        return false;
    if (!m_reconciling) {
        ++m_reconciling;
        Reconcile();
        ApplyOffer();
        UpdateCarets();
        PresentDamage();
        ApplyCursor();
        ApplyCapture();
        ApplyFocus();
        --m_reconciling;
    }
    bool did = false;
    while (m_display && XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
        did = HandleEvent(event) || did;
    }
    if (m_display && m_checkFocus) {
        m_checkFocus = false;
        Window focus = None;
        int revert = 0;
        XGetInputFocus(m_display, &focus, &revert);
        if (!WindowFor(focus) && GetForegroundWindow()) {
            // The focus went to another program.
            m_focusSet = nullptr;
            ActivateOtherProgram();
            did = true;
        }
    }
    if (m_display)
        XFlush(m_display);
    {
        std::lock_guard lock(m_watchMutex);
        ++m_drainCount;
    }
    m_drained.notify_all();
    return did;
}

XWin& X11BackEnd::Create(const TopLevelWindowState& s)
{
    XWin x;
    x.managed = IsManaged(s.style);
    x.rect = s.rect;
    XSetWindowAttributes attributes {};
    attributes.override_redirect = x.managed ? False : True;
    attributes.background_pixmap = None;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask
        | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask | FocusChangeMask;
    const int width = std::max(1, int(s.rect.right - s.rect.left));
    const int height = std::max(1, int(s.rect.bottom - s.rect.top));
    x.id = XCreateWindow(m_display, m_root, s.rect.left, s.rect.top, unsigned(width), unsigned(height), 0, m_depth,
        InputOutput, m_visual, CWOverrideRedirect | CWBackPixmap | CWBitGravity | CWEventMask, &attributes);
    SetProperties(x, s);
    m_byId[x.id] = s.window;
    return m_windows[s.window] = x;
}

void X11BackEnd::SetProperties(XWin& x, const TopLevelWindowState& s)
{
    x.owner = s.owner;
    x.style = s.style;
    x.exStyle = s.exStyle;
    XWMHints hints {};
    hints.flags = InputHint | StateHint;
    hints.input = x.managed ? True : False;
    hints.initial_state = NormalState;
    XSetWMHints(m_display, x.id, &hints);
    XClassHint classHint { const_cast<char*>(program_invocation_short_name), const_cast<char*>("Vornalt") };
    XSetClassHint(m_display, x.id, &classHint);
    const long pid = long(getpid());
    XChangeProperty(m_display, x.id, m_pid, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    if (!x.managed) {
        const long type = long(m_typePopupMenu);
        XChangeProperty(m_display, x.id, m_windowType, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
        return;
    }
    // Files may be dropped here from other programs (where a window accepts them).
    const long xdndVersion = 5;
    XChangeProperty(m_display, x.id, m_xdndAware, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&xdndVersion), 1);
    Atom protocols[] = { m_wmDelete, m_ping };
    XSetWMProtocols(m_display, x.id, protocols, 2);
    // Our frames, not the window manager's.
    const long motif[5] = { 2, 0, 0, 0, 0 };
    XChangeProperty(m_display, x.id, m_motifHints, m_motifHints, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(motif), 5);
    long type = long(m_typeNormal);
    if (s.exStyle & WS_EX_TOOLWINDOW)
        type = long(m_typeUtility);
    else if (s.owner || (s.exStyle & WS_EX_DLGMODALFRAME))
        type = long(m_typeDialog);
    XChangeProperty(m_display, x.id, m_windowType, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
    if (s.exStyle & WS_EX_TOPMOST) {
        const long above = long(m_stateAbove);
        XChangeProperty(m_display, x.id, m_wmState, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&above), 1);
    } else {
        XDeleteProperty(m_display, x.id, m_wmState);
    }
    if (s.owner)
        if (auto it = m_windows.find(s.owner); it != m_windows.end())
            XSetTransientForHint(m_display, x.id, it->second.id);
    XSizeHints size {};
    size.flags = PPosition | USPosition | PMinSize;
    size.x = s.rect.left;
    size.y = s.rect.top;
    const POINT minimum = MinimumTrackSize(s.window);
    size.min_width = std::max<LONG>(1, minimum.x);
    size.min_height = std::max<LONG>(1, minimum.y);
    XSetWMNormalHints(m_display, x.id, &size);
}

void X11BackEnd::SetTitle(XWin& x, const std::u16string& title)
{
    x.title = title;
    const std::string utf8 = Utf16ToUtf8(title);
    XChangeProperty(m_display, x.id, m_netName, m_utf8, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));
    XStoreName(m_display, x.id, utf8.c_str());
}

void X11BackEnd::SetShape(XWin& x, const TopLevelWindowState& s)
{
    x.shaped = s.shaped;
    x.shape = s.shape;
    if (!m_shape)
        return;
    if (!s.shaped) {
        XShapeCombineMask(m_display, x.id, ShapeBounding, 0, 0, None, ShapeSet);
        return;
    }
    // The region's rectangles cut the window: outside them the screen shows what lies below,
    // and presses go there too.
    std::vector<XRectangle> rects;
    for (const RECT& r : s.shape)
        if (r.right > r.left && r.bottom > r.top)
            rects.push_back(XRectangle { short(r.left), short(r.top), static_cast<unsigned short>(r.right - r.left),
                static_cast<unsigned short>(r.bottom - r.top) });
    XShapeCombineRectangles(m_display, x.id, ShapeBounding, 0, 0, rects.data(), int(rects.size()), ShapeSet, Unsorted);
}

void X11BackEnd::SetIcons(XWin& x, const TopLevelWindowState& s)
{
    x.icon = s.icon;
    x.smallIcon = s.smallIcon;
    // Each image as width, height and its rows of straight (not premultiplied) ARGB.
    std::vector<long> data;
    for (HICON icon : { s.icon, s.smallIcon != s.icon ? s.smallIcon : nullptr }) {
        if (!icon)
            continue;
        const CursorImage image = CursorToArgb(icon);
        if (image.pixels.empty())
            continue;
        data.push_back(image.width);
        data.push_back(image.height);
        for (unsigned p : image.pixels) {
            const unsigned a = p >> 24;
            if (a == 0 || a == 255) {
                data.push_back(long(p));
                continue;
            }
            auto straight = [&](int shift) { return std::min(255u, (((p >> shift) & 0xFF) * 255 + a / 2) / a) << shift; };
            data.push_back(long((a << 24) | straight(16) | straight(8) | straight(0)));
        }
    }
    if (data.empty())
        XDeleteProperty(m_display, x.id, m_netIcon);
    else
        XChangeProperty(m_display, x.id, m_netIcon, XA_CARDINAL, 32, PropModeReplace,
            reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
}

void X11BackEnd::ReadMonitors()
{
    std::vector<SystemMonitor> monitors;
    int count = 0;
    if (m_randrEvent >= 0) {
        if (XRRMonitorInfo* info = XRRGetMonitors(m_display, m_root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                const RECT r { info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height };
                if (info[i].primary)
                    monitors.insert(monitors.begin(), SystemMonitor { r, r });
                else
                    monitors.push_back(SystemMonitor { r, r });
            }
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        const RECT r { 0, 0, DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen) };
        monitors.push_back(SystemMonitor { r, r });
    }
    // The window manager's work area (its panels left out), where it says one.
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, m_root, m_workArea, 0, 4, False, XA_CARDINAL, &type, &format, &items, &after, &data)
            == Success && data) {
        if (format == 32 && items >= 4) {
            const long* v = reinterpret_cast<const long*>(data);
            const RECT work { LONG(v[0]), LONG(v[1]), LONG(v[0] + v[2]), LONG(v[1] + v[3]) };
            for (SystemMonitor& m : monitors) {
                const RECT cut { std::max(m.monitor.left, work.left), std::max(m.monitor.top, work.top),
                    std::min(m.monitor.right, work.right), std::min(m.monitor.bottom, work.bottom) };
                if (cut.left < cut.right && cut.top < cut.bottom)
                    m.work = cut;
            }
        }
        XFree(data);
    }
    if (!m_model)
        m_model = std::make_unique<ScopedSystemModel>();
    m_model->Edit().monitors = std::move(monitors);
}

void X11BackEnd::Reconcile()
{
    const std::vector<TopLevelWindowState> tops = TopLevelWindowsForDisplay();
    std::vector<HWND> alive;
    std::vector<Window> stacking; // top first
    for (const TopLevelWindowState& s : tops) {
        alive.push_back(s.window);
        auto it = m_windows.find(s.window);
        if (!s.visible) {
            if (it != m_windows.end() && it->second.mapped) {
                XUnmapWindow(m_display, it->second.id);
                it->second.mapped = it->second.viewable = false;
                if (m_focusSet == s.window)
                    m_focusSet = nullptr;
            }
            continue;
        }
        XWin& x = it == m_windows.end() ? Create(s) : it->second;
        if (x.managed != IsManaged(s.style)) {
            XSetWindowAttributes attributes {};
            attributes.override_redirect = IsManaged(s.style) ? False : True;
            x.managed = !attributes.override_redirect;
            XChangeWindowAttributes(m_display, x.id, CWOverrideRedirect, &attributes);
        }
        if (x.owner != s.owner || x.exStyle != s.exStyle)
            SetProperties(x, s);
        if (x.title != s.title || (!x.mapped && x.title.empty()))
            SetTitle(x, s.title);
        if (x.shaped != s.shaped || !SameRects(x.shape, s.shape))
            SetShape(x, s);
        if (x.managed && (x.icon != s.icon || x.smallIcon != s.smallIcon))
            SetIcons(x, s);
        if (!SameRect(x.rect, s.rect)) {
            const bool resized = (x.rect.right - x.rect.left) != (s.rect.right - s.rect.left)
                || (x.rect.bottom - x.rect.top) != (s.rect.bottom - s.rect.top);
            x.rect = s.rect;
            ++x.pendingConfigures;
            XMoveResizeWindow(m_display, x.id, s.rect.left, s.rect.top, unsigned(std::max<LONG>(1, s.rect.right - s.rect.left)),
                unsigned(std::max<LONG>(1, s.rect.bottom - s.rect.top)));
            if (resized)
                Damaged(s.rect);
        }
        if (!x.mapped) {
            XMapWindow(m_display, x.id);
            x.mapped = true;
            Damaged(s.rect);
        }
        stacking.insert(stacking.begin(), x.id);
    }
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        if (std::find(alive.begin(), alive.end(), it->first) != alive.end()) {
            ++it;
            continue;
        }
        if (m_focusSet == it->first)
            m_focusSet = nullptr;
        if (m_grabbed == it->first) {
            XUngrabPointer(m_display, CurrentTime);
            m_grabbed = nullptr;
        }
        m_byId.erase(it->second.id);
        XDestroyWindow(m_display, it->second.id);
        if (auto shared = m_shared.find(it->first); shared != m_shared.end()) {
            FreeSharedImage(shared->second);
            m_shared.erase(shared);
        }
        it = m_windows.erase(it);
    }
    if (stacking != m_stacking && !stacking.empty()) {
        XRaiseWindow(m_display, stacking.front());
        XRestackWindows(m_display, stacking.data(), int(stacking.size()));
        m_stacking = stacking;
    }
}

void X11BackEnd::FreeSharedImage(SharedImage& shared)
{
    if (!shared.image)
        return;
    XShmDetach(m_display, &shared.segment);
    XSync(m_display, False);
    XDestroyImage(shared.image);
    shmdt(shared.segment.shmaddr);
    shared.image = nullptr;
}

SharedImage* X11BackEnd::SharedImageFor(HWND window, LONG width, LONG height)
{
    SharedImage& shared = m_shared[window];
    if (shared.image && shared.image->width == width && shared.image->height == height)
        return &shared;
    FreeSharedImage(shared);
    XImage* image = XShmCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, nullptr, &shared.segment, unsigned(width),
        unsigned(height));
    if (!image)
        return nullptr;
    shared.segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
    if (shared.segment.shmid < 0) {
        XDestroyImage(image);
        m_sharedMemory = false;
        return nullptr;
    }
    shared.segment.shmaddr = image->data = static_cast<char*>(shmat(shared.segment.shmid, nullptr, 0));
    shared.segment.readOnly = True;
    g_lastError = 0;
    const bool attached = XShmAttach(m_display, &shared.segment);
    XSync(m_display, False);
    shmctl(shared.segment.shmid, IPC_RMID, nullptr); // gone once both sides let go
    if (!attached || g_lastError.load() != 0) {
        // A server on another machine: plain requests from now on.
        XDestroyImage(image);
        shmdt(shared.segment.shmaddr);
        m_sharedMemory = false;
        return nullptr;
    }
    shared.image = image;
    return &shared;
}

void X11BackEnd::Present(HWND window, XWin& x, RECT area)
{
    ReadTopLevelPixels(window, [&](const DWORD* pixels, LONG width, LONG height) {
        area.left = std::max<LONG>(area.left, 0);
        area.top = std::max<LONG>(area.top, 0);
        area.right = std::min(area.right, width);
        area.bottom = std::min(area.bottom, height);
        if (area.left >= area.right || area.top >= area.bottom)
            return;
        GC gc = DefaultGC(m_display, m_screen);
        if (m_sharedMemory) {
            if (SharedImage* shared = SharedImageFor(window, width, height)) {
                for (LONG y = area.top; y < area.bottom; ++y)
                    std::copy(pixels + size_t(y) * size_t(width) + size_t(area.left), pixels + size_t(y) * size_t(width) + size_t(area.right),
                        reinterpret_cast<DWORD*>(shared->image->data + size_t(y) * size_t(shared->image->bytes_per_line)) + area.left);
                DrawCarets(window, x, area, reinterpret_cast<DWORD*>(shared->image->data), POINT { 0, 0 },
                    size_t(shared->image->bytes_per_line) / 4);
                XShmPutImage(m_display, x.id, gc, shared->image, area.left, area.top, area.left, area.top,
                    unsigned(area.right - area.left), unsigned(area.bottom - area.top), False);
                // The server reads the segment later: the next copy waits until it has.
                XSync(m_display, False);
                return;
            }
        }
        // The surface's rows are the image: 32-bit pixels, 0x00RRGGBB, as a 24-bit TrueColor
        // visual expects them. With a caret in the area, a copy of the area carries it.
        const DWORD* rows = pixels;
        LONG rowsWidth = width, rowsHeight = height;
        POINT from { area.left, area.top };
        std::vector<DWORD> copy;
        bool caretHere = false;
        for (const CaretForDisplay& c : m_carets)
            caretHere = caretHere || c.topLevel == window;
        if (caretHere) {
            rowsWidth = area.right - area.left;
            rowsHeight = area.bottom - area.top;
            copy.resize(size_t(rowsWidth) * size_t(rowsHeight));
            for (LONG y = area.top; y < area.bottom; ++y)
                std::copy(pixels + size_t(y) * size_t(width) + size_t(area.left), pixels + size_t(y) * size_t(width) + size_t(area.right),
                    copy.data() + size_t(y - area.top) * size_t(rowsWidth));
            DrawCarets(window, x, area, copy.data(), POINT { area.left, area.top }, size_t(rowsWidth));
            rows = copy.data();
            from = { 0, 0 };
        }
        XImage* image = XCreateImage(m_display, m_visual, unsigned(m_depth), ZPixmap, 0,
            reinterpret_cast<char*>(const_cast<DWORD*>(rows)), unsigned(rowsWidth), unsigned(rowsHeight), 32, int(rowsWidth * 4));
        if (!image)
            return;
        image->byte_order = LSBFirst;
        XPutImage(m_display, x.id, gc, image, from.x, from.y, area.left, area.top, unsigned(area.right - area.left),
            unsigned(area.bottom - area.top));
        image->data = nullptr;
        XDestroyImage(image);
    });
}

void X11BackEnd::UpdateCarets()
{
    std::vector<CaretForDisplay> now = CaretsForDisplay();
    auto same = [](const CaretForDisplay& a, const CaretForDisplay& b) {
        return a.topLevel == b.topLevel && SameRect(a.screen, b.screen) && SameRects(a.shown, b.shown) && a.xorPixels == b.xorPixels;
    };
    const bool changed = now.size() != m_carets.size() || !std::equal(now.begin(), now.end(), m_carets.begin(), same);
    if (!now.empty())
        m_caretSeen.store(SteadyMilliseconds());
    if (!changed)
        return;
    // Where a caret was and where one is now show again.
    for (const CaretForDisplay& c : m_carets)
        Damaged(c.screen);
    for (const CaretForDisplay& c : now)
        Damaged(c.screen);
    m_carets = std::move(now);
}

void X11BackEnd::DrawCarets(HWND window, const XWin& x, const RECT& area, DWORD* pixels, POINT origin, size_t stride) const
{
    for (const CaretForDisplay& c : m_carets) {
        if (c.topLevel != window)
            continue;
        const bool solid = c.xorPixels.size() == 1;
        const LONG caretWidth = c.screen.right - c.screen.left;
        for (const RECT& shown : c.shown) {
            // Screen to window coordinates, cut to the area being presented.
            const LONG left = std::max(shown.left - x.rect.left, area.left), right = std::min(shown.right - x.rect.left, area.right);
            const LONG top = std::max(shown.top - x.rect.top, area.top), bottom = std::min(shown.bottom - x.rect.top, area.bottom);
            for (LONG y = top; y < bottom; ++y)
                for (LONG xx = left; xx < right; ++xx) {
                    const LONG sx = xx + x.rect.left - c.screen.left, sy = y + x.rect.top - c.screen.top;
                    const DWORD bits = solid ? c.xorPixels[0] : c.xorPixels[size_t(sy) * size_t(caretWidth) + size_t(sx)];
                    pixels[size_t(y - origin.y) * stride + size_t(xx - origin.x)] ^= bits & 0x00FFFFFF;
                }
        }
    }
}

void X11BackEnd::PresentDamage()
{
    std::vector<RECT> damage;
    bool warp = false;
    POINT to {};
    {
        std::lock_guard lock(m_damageMutex);
        damage.swap(m_damage);
        warp = std::exchange(m_warpPending, false);
        to = m_warp;
    }
    if (warp)
        XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, to.x, to.y);
    if (damage.empty())
        return;
    for (auto& [hwnd, x] : m_windows) {
        if (!x.mapped)
            continue;
        for (const RECT& d : damage)
            if (Intersects(d, x.rect))
                Present(hwnd, x,
                    RECT { d.left - x.rect.left, d.top - x.rect.top, d.right - x.rect.left, d.bottom - x.rect.top });
    }
}

void X11BackEnd::ApplyCursor()
{
    if (!m_cursorChanged.exchange(false))
        return;
    HCURSOR cursor = m_cursor.load();
    Cursor shown = None;
    auto it = m_cursors.find(cursor);
    if (it != m_cursors.end()) {
        shown = it->second;
    } else {
        shown = cursor ? MakeXCursor(m_display, cursor) : MakeBlankXCursor(m_display, m_root);
        m_cursors[cursor] = shown;
    }
    m_shownCursor = shown;
    for (auto& [hwnd, x] : m_windows)
        XDefineCursor(m_display, x.id, shown);
    if (m_grabbed)
        XChangeActivePointerGrab(m_display, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, shown, CurrentTime);
}

void X11BackEnd::ApplyCapture()
{
    // While a window of ours has the capture, the pointer is grabbed, so a press anywhere (on
    // another program's window too) reaches the capture window's loop.
    HWND capture = GetCapture();
    HWND top = capture ? GetAncestor(capture, GA_ROOT) : nullptr;
    if (top == m_grabbed)
        return;
    if (m_grabbed) {
        XUngrabPointer(m_display, CurrentTime);
        m_grabbed = nullptr;
    }
    if (!top)
        return;
    auto it = m_windows.find(top);
    if (it == m_windows.end() || !it->second.viewable)
        return; // again at the next pump, once it is on the screen
    if (XGrabPointer(m_display, it->second.id, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
            GrabModeAsync, GrabModeAsync, None, m_shownCursor, CurrentTime) == GrabSuccess)
        m_grabbed = top;
}

void X11BackEnd::ApplyFocus()
{
    HWND active = GetForegroundWindow();
    if (!active || active == m_focusSet)
        return;
    auto it = m_windows.find(active);
    if (it == m_windows.end() || !it->second.viewable || !it->second.managed)
        return;
    XSetInputFocus(m_display, it->second.id, RevertToParent, CurrentTime);
    m_focusSet = active;
}

bool X11BackEnd::HandleEvent(XEvent& event)
{
    if (m_xkbEvent && event.type == m_xkbEvent) {
        // A new layout (setxkbmap) or key map: read the description again.
        if (m_xkb)
            XkbFreeKeyboard(m_xkb, 0, True);
        m_xkb = XkbGetMap(m_display, XkbAllClientInfoMask, XkbUseCoreKbd);
        return false;
    }
    if (m_randrEvent >= 0 && event.type == m_randrEvent + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        ReadMonitors();
        return false;
    }
    if (event.type == PropertyNotify && ContinueTransfer(event.xproperty))
        return false;
    if (event.type == PropertyNotify && event.xproperty.window == m_root) {
        if (event.xproperty.atom == m_workArea)
            ReadMonitors();
        return false;
    }
    HWND window = WindowFor(event.xany.window);
    switch (event.type) {
    case Expose: {
        if (!window)
            return false;
        // Retained pixels: shown again from the surface, nothing repaints.
        auto& x = m_windows[window];
        Present(window, x, RECT { event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width, event.xexpose.y + event.xexpose.height });
        return false;
    }
    case MapNotify:
        if (window) {
            m_windows[window].viewable = true;
            ApplyFocus();
            ApplyCapture();
        }
        return false;
    case UnmapNotify:
        if (window)
            m_windows[window].viewable = false;
        return false;
    case ConfigureNotify: {
        if (!window || event.xconfigure.window != event.xconfigure.event)
            return false;
        XWin& x = m_windows[window];
        int left = event.xconfigure.x, top = event.xconfigure.y;
        if (!event.xconfigure.send_event) {
            Window child = 0;
            XTranslateCoordinates(m_display, x.id, m_root, 0, 0, &left, &top, &child);
        }
        const RECT now { left, top, left + event.xconfigure.width, top + event.xconfigure.height };
        if (SameRect(now, x.rect)) {
            x.pendingConfigures = std::max(0, x.pendingConfigures - 1);
            return false;
        }
        if (x.pendingConfigures > 0) {
            --x.pendingConfigures; // an older request of ours
            return false;
        }
        // The window manager placed it: the window follows.
        x.rect = now;
        SetWindowPos(window, nullptr, now.left, now.top, now.right - now.left, now.bottom - now.top,
            SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }
    case KeyPress:
    case KeyRelease:
        Post(TranslateKey(m_xkb, event.xkey, event.type == KeyPress));
        return true;
    case ButtonPress:
    case ButtonRelease: {
        RawInputEvent e;
        e.point = { event.xbutton.x_root, event.xbutton.y_root };
        const unsigned button = event.xbutton.button;
        if (button >= 4 && button <= 5) {
            if (event.type == ButtonRelease)
                return false;
            e.kind = RawInputKind::Wheel;
            e.wheelDelta = button == 4 ? WHEEL_DELTA : -WHEEL_DELTA;
        } else if (button >= 1 && button <= 3) {
            e.kind = event.type == ButtonPress ? RawInputKind::ButtonDown : RawInputKind::ButtonUp;
            e.button = button == 1 ? RawMouseButton::Left : button == 2 ? RawMouseButton::Middle : RawMouseButton::Right;
        } else {
            return false;
        }
        Post(e);
        return true;
    }
    case MotionNotify: {
        // Only the last of a run of moves matters.
        XEvent next;
        while (XEventsQueued(m_display, QueuedAlready)) {
            XPeekEvent(m_display, &next);
            if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window)
                break;
            XNextEvent(m_display, &event);
        }
        RawInputEvent e;
        e.kind = RawInputKind::MouseMove;
        e.point = { event.xmotion.x_root, event.xmotion.y_root };
        Post(e);
        return true;
    }
    case EnterNotify:
    case LeaveNotify: {
        if (event.xcrossing.mode != NotifyNormal)
            return false;
        RawInputEvent e;
        e.kind = RawInputKind::MouseMove;
        e.point = { event.xcrossing.x_root, event.xcrossing.y_root };
        Post(e);
        return true;
    }
    case FocusIn:
        if (!window || event.xfocus.detail == NotifyPointer || event.xfocus.detail == NotifyInferior)
            return false;
        if (GetForegroundWindow() != window && m_windows[window].managed) {
            m_focusSet = window;
            SetActiveWindow(window);
            return true;
        }
        return false;
    case FocusOut:
        if (event.xfocus.detail != NotifyPointer && event.xfocus.detail != NotifyInferior)
            m_checkFocus = true;
        return false;
    case SelectionRequest:
        AnswerSelectionRequest(event.xselectionrequest);
        return false;
    case SelectionClear:
        // An old notice may arrive after we took the clipboard back: ask who owns it now.
        if (event.xselectionclear.selection == m_clipboard && XGetSelectionOwner(m_display, m_clipboard) != m_utility)
            m_ownedText.clear();
        return false;
    case SelectionNotify:
        if (event.xselection.property == m_dropProperty && m_dndTarget) {
            const std::string list = ReadProperty(event.xselection.requestor, m_dropProperty);
            std::vector<std::u16string> paths;
            size_t start = 0;
            while (start < list.size()) {
                size_t end = list.find('\n', start);
                if (end == std::string::npos)
                    end = list.size();
                std::string line = list.substr(start, end - start);
                start = end + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.empty() || line[0] == '#' || line.compare(0, 7, "file://") != 0)
                    continue;
                const size_t slash = line.find('/', 7); // after the host, if any
                if (slash == std::string::npos)
                    continue;
                std::string path;
                for (size_t i = slash; i < line.size(); ++i) {
                    auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
                    if (line[i] == '%' && i + 2 < line.size() && hex(line[i + 1]) >= 0 && hex(line[i + 2]) >= 0) {
                        path += char(hex(line[i + 1]) * 16 + hex(line[i + 2]));
                        i += 2;
                    } else {
                        path += line[i];
                    }
                }
                if (path.find('\0') == std::string::npos)
                    paths.push_back(Utf8ToUtf16(path));
            }
            HWND target = m_dndTarget;
            const POINT at = m_dndPoint;
            FinishDrop(!paths.empty());
            if (!paths.empty())
                DeliverFileDrop(target, at, paths);
            return true;
        }
        return false;
    case ClientMessage:
        if (event.xclient.format == 32 && HandleDnd(event.xclient, window))
            return true;
        if (event.xclient.message_type != m_wmProtocols || event.xclient.format != 32)
            return false;
        if (Atom(event.xclient.data.l[0]) == m_ping) {
            XEvent reply = event;
            reply.xclient.window = m_root;
            XSendEvent(m_display, m_root, False, SubstructureNotifyMask | SubstructureRedirectMask, &reply);
            return false;
        }
        if (Atom(event.xclient.data.l[0]) == m_wmDelete && window) {
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        }
        return false;
    case MappingNotify:
        XRefreshKeyboardMapping(&event.xmapping);
        return false;
    default:
        return false;
    }
}

void X11BackEnd::ApplyOffer()
{
    std::u16string text;
    {
        std::lock_guard lock(m_clipMutex);
        if (!m_offerPending)
            return;
        m_offerPending = false;
        text = m_offered;
    }
    if (text.empty()) {
        if (!m_ownedText.empty() && XGetSelectionOwner(m_display, m_clipboard) == m_utility)
            XSetSelectionOwner(m_display, m_clipboard, None, CurrentTime);
        m_ownedText.clear();
        return;
    }
    m_ownedText = Utf16ToUtf8(text);
    XSetSelectionOwner(m_display, m_clipboard, m_utility, CurrentTime);
    if (XGetSelectionOwner(m_display, m_clipboard) != m_utility)
        m_ownedText.clear();
}

std::string X11BackEnd::ReadProperty(Window window, Atom property, Atom* type)
{
    std::string out;
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // Up to 16 MB in one property; larger texts come in pieces (INCR).
    if (XGetWindowProperty(m_display, window, property, 0, 4 * 1024 * 1024, True, AnyPropertyType, &actual, &format,
            &count, &after, &data) == Success && data) {
        if (format == 8)
            out.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (type)
        *type = actual;
    return out;
}

bool X11BackEnd::Take(std::u16string& text)
{
    if (!m_display || GetCurrentThreadId() != m_thread)
        return false;
    ApplyOffer();
    const Window owner = XGetSelectionOwner(m_display, m_clipboard);
    if (owner == None || owner == m_utility)
        return false;
    for (Atom target : { m_utf8, Atom(XA_STRING) }) {
        XConvertSelection(m_display, m_clipboard, target, m_selectionProperty, m_utility, CurrentTime);
        XFlush(m_display);
        // The owner answers through the server; a program that never does is given two seconds.
        XEvent reply {};
        bool answered = false;
        for (int waited = 0; waited < 2000 && !answered; waited += 20) {
            if (XCheckTypedWindowEvent(m_display, m_utility, SelectionNotify, &reply)) {
                answered = true;
                break;
            }
            pollfd fd { ConnectionNumber(m_display), POLLIN, 0 };
            poll(&fd, 1, 20);
        }
        if (!answered || reply.xselection.property == None)
            continue;
        Atom type = None;
        std::string bytes = ReadProperty(m_utility, m_selectionProperty, &type);
        if (type == m_incr) {
            // Reading the INCR property deleted it, which asks the owner for the pieces.
            if (!ReadIncremental(bytes, type))
                continue;
        }
        if (type == m_utf8) {
            text = Utf8ToUtf16(bytes);
        } else {
            text.clear();
            for (unsigned char c : bytes)
                text += char16_t(c); // STRING is Latin-1
        }
        return true;
    }
    return false;
}

void X11BackEnd::AnswerSelectionRequest(const XSelectionRequestEvent& request)
{
    XEvent reply {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = m_display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    const Atom property = request.property != None ? request.property : request.target;
    if (request.selection == m_clipboard && request.owner == m_utility && !m_ownedText.empty()) {
        if (request.target == m_targets) {
            const Atom targets[] = { m_targets, m_utf8, XA_STRING, m_text };
            XChangeProperty(m_display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                reinterpret_cast<const unsigned char*>(targets), 4);
            reply.xselection.property = property;
        } else if (request.target == m_utf8 || request.target == m_text) {
            if (PutSelectionData(request.requestor, property, m_utf8, m_ownedText))
                reply.xselection.property = property;
        } else if (request.target == XA_STRING) {
            std::string latin1;
            for (char16_t c : Utf8ToUtf16(m_ownedText))
                latin1 += c < 0x100 ? char(c) : '?';
            if (PutSelectionData(request.requestor, property, XA_STRING, std::move(latin1)))
                reply.xselection.property = property;
        }
    }
    XSendEvent(m_display, request.requestor, False, NoEventMask, &reply);
}

namespace {
// Text above this size goes in pieces of kIncrPiece bytes.
constexpr size_t kIncrThreshold = 256 * 1024;
constexpr size_t kIncrPiece = 64 * 1024;
}

bool X11BackEnd::PutSelectionData(Window requestor, Atom property, Atom type, std::string data)
{
    if (data.size() <= kIncrThreshold) {
        XChangeProperty(m_display, requestor, property, type, 8, PropModeReplace,
            reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
        return true;
    }
    // A requestor asking again into the same property starts over.
    std::erase_if(m_transfers, [&](const Transfer& t) { return t.requestor == requestor && t.property == property; });
    XSelectInput(m_display, requestor, PropertyChangeMask);
    const long size = long(data.size());
    XChangeProperty(m_display, requestor, property, m_incr, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
    // Requestors that went away never take their last piece: only the latest few are kept.
    if (m_transfers.size() >= 8)
        m_transfers.erase(m_transfers.begin());
    m_transfers.push_back(Transfer { requestor, property, type, std::move(data), 0 });
    return true;
}

bool X11BackEnd::ContinueTransfer(const XPropertyEvent& event)
{
    if (event.state != PropertyDelete)
        return false;
    auto it = std::find_if(m_transfers.begin(), m_transfers.end(),
        [&](const Transfer& t) { return t.requestor == event.window && t.property == event.atom; });
    if (it == m_transfers.end())
        return false;
    // The next piece; an empty one says the text is complete.
    const size_t piece = std::min(kIncrPiece, it->data.size() - it->sent);
    XChangeProperty(m_display, it->requestor, it->property, it->type, 8, PropModeReplace,
        reinterpret_cast<const unsigned char*>(it->data.data() + it->sent), int(piece));
    it->sent += piece;
    if (piece == 0) {
        const Window requestor = it->requestor;
        m_transfers.erase(it);
        const bool other = std::any_of(m_transfers.begin(), m_transfers.end(), [&](const Transfer& t) { return t.requestor == requestor; });
        if (!other && !WindowFor(requestor) && requestor != m_utility)
            XSelectInput(m_display, requestor, NoEventMask);
    }
    return true;
}

bool X11BackEnd::ReadIncremental(std::string& out, Atom& type)
{
    out.clear();
    XFlush(m_display);
    // Each piece arrives as a new value of the property; a program that stops sending is given
    // two seconds per piece.
    for (;;) {
        XEvent event {};
        bool arrived = false;
        for (int waited = 0; waited < 2000 && !arrived; waited += 20) {
            if (XCheckTypedWindowEvent(m_display, m_utility, PropertyNotify, &event)) {
                arrived = true;
                break;
            }
            pollfd fd { ConnectionNumber(m_display), POLLIN, 0 };
            poll(&fd, 1, 20);
        }
        if (!arrived)
            return false;
        if (event.xproperty.atom != m_selectionProperty || event.xproperty.state != PropertyNewValue)
            continue;
        Atom pieceType = None;
        const std::string piece = ReadProperty(m_utility, m_selectionProperty, &pieceType);
        if (pieceType == None || pieceType == m_incr)
            continue; // an old notice: the property is gone already, or still the announcement
        type = pieceType;
        if (piece.empty())
            return true;
        out += piece;
        if (out.size() > (size_t(256) << 20))
            return false; // more text than any clipboard holds
    }
}

bool X11BackEnd::HandleDnd(const XClientMessageEvent& message, HWND window)
{
    const Atom type = message.message_type;
    if (type == m_xdndEnter) {
        m_dndSource = Window(message.data.l[0]);
        m_dndWindow = message.window;
        m_dndTarget = nullptr;
        return false;
    }
    if (type == m_xdndPosition) {
        m_dndSource = Window(message.data.l[0]);
        m_dndWindow = message.window;
        m_dndPoint = { LONG((message.data.l[2] >> 16) & 0xFFFF), LONG(message.data.l[2] & 0xFFFF) };
        m_dndTarget = window ? FileDropTarget(m_dndPoint) : nullptr;
        XEvent status {};
        status.xclient.type = ClientMessage;
        status.xclient.display = m_display;
        status.xclient.window = m_dndSource;
        status.xclient.message_type = m_xdndStatus;
        status.xclient.format = 32;
        status.xclient.data.l[0] = long(message.window);
        status.xclient.data.l[1] = m_dndTarget ? 3 : 2; // accepted; positions wanted everywhere
        status.xclient.data.l[4] = m_dndTarget ? long(m_xdndCopy) : 0;
        XSendEvent(m_display, m_dndSource, False, NoEventMask, &status);
        return false;
    }
    if (type == m_xdndLeave) {
        m_dndSource = 0;
        m_dndTarget = nullptr;
        return false;
    }
    if (type == m_xdndDrop) {
        m_dndSource = Window(message.data.l[0]);
        if (!m_dndTarget) {
            FinishDrop(false);
            return false;
        }
        XConvertSelection(m_display, m_xdndSelection, m_uriList, m_dropProperty, message.window, Time(message.data.l[2]));
        return false;
    }
    return false;
}

void X11BackEnd::FinishDrop(bool accepted)
{
    if (m_dndSource) {
        XEvent finished {};
        finished.xclient.type = ClientMessage;
        finished.xclient.display = m_display;
        finished.xclient.window = m_dndSource;
        finished.xclient.message_type = m_xdndFinished;
        finished.xclient.format = 32;
        finished.xclient.data.l[0] = long(m_dndWindow);
        finished.xclient.data.l[1] = accepted ? 1 : 0;
        finished.xclient.data.l[2] = accepted ? long(m_xdndCopy) : 0;
        XSendEvent(m_display, m_dndSource, False, NoEventMask, &finished);
    }
    m_dndSource = 0;
    m_dndTarget = nullptr;
}

X11BackEnd* g_backEnd = nullptr;

} // namespace

void UseX11Display(const std::string& displayName)
{
    StopX11Display();
    g_backEnd = new X11BackEnd(displayName);
    SetDisplayBackEnd(g_backEnd);
    SetDesktopTextClipboard(g_backEnd);
}

void StopX11Display()
{
    if (!g_backEnd)
        return;
    SetDisplayBackEnd(nullptr);
    SetDesktopTextClipboard(nullptr);
    delete std::exchange(g_backEnd, nullptr);
}

bool X11ConnectedForTesting() { return g_backEnd && g_backEnd->Connected(); }

unsigned long X11WindowForTesting(HWND window) { return g_backEnd ? g_backEnd->WindowOf(window) : 0; }

void X11SyncForTesting()
{
    if (g_backEnd)
        g_backEnd->Sync();
}

bool X11PerPixelAlphaForTesting() { return g_backEnd && g_backEnd->PerPixelAlpha(); }

bool X11SharedMemoryForTesting() { return g_backEnd && g_backEnd->SharedMemory(); }

void X11AllowSharedMemoryForTesting(bool allowed) { g_sharedMemoryAllowed.store(allowed); }

} // namespace platform::x11
