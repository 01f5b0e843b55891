// The input router: raw events in, queue messages out, the way the platform's input thread
// does it (hit testing, mouse activation, cursor messages, double clicks, key messages with
// their lParam bits), plus the pointer, mouse tracking and the asynchronous key state.

#include "platform/user/DisplayBackEnd.h"
#include "platform/user/Input.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/InputInternals.h"
#include "platform/user/Window.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <array>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <sstream>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

struct RawItem {
    RawInputEvent event;
    DWORD time = 0;
    WPARAM mk = 0;        // MK_* after the event
    bool wasDown = false; // keys: down before the event
    bool alt = false;     // Alt down after the event
    bool ctrl = false;
};

struct RawState {
    std::mutex mutex;
    std::deque<RawItem> queue;
    std::array<BYTE, 256> keys {};
    POINT cursor { 0, 0 };
    // The last press, for double clicks.
    UINT lastMessage = 0;
    HWND lastWindow = nullptr;
    DWORD lastTime = 0;
    POINT lastPoint {};
    bool lastWasDouble = false;
};

RawState& Raw()
{
    static auto* state = new RawState; // never destroyed: threads may end after static teardown
    return *state;
}

int GenericKey(int vk)
{
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

int ButtonKey(RawMouseButton b)
{
    return b == RawMouseButton::Left ? VK_LBUTTON : b == RawMouseButton::Right ? VK_RBUTTON : VK_MBUTTON;
}

WPARAM MkFlags(const std::array<BYTE, 256>& keys)
{
    WPARAM mk = 0;
    if (keys[VK_LBUTTON] & 0x80)
        mk |= MK_LBUTTON;
    if (keys[VK_RBUTTON] & 0x80)
        mk |= MK_RBUTTON;
    if (keys[VK_MBUTTON] & 0x80)
        mk |= MK_MBUTTON;
    if (keys[VK_SHIFT] & 0x80)
        mk |= MK_SHIFT;
    if (keys[VK_CONTROL] & 0x80)
        mk |= MK_CONTROL;
    return mk;
}

void SetKey(std::array<BYTE, 256>& keys, int vk, bool down)
{
    if (down) {
        if (!(keys[size_t(vk)] & 0x80))
            keys[size_t(vk)] ^= 1;
        keys[size_t(vk)] |= 0x80;
    } else {
        keys[size_t(vk)] &= BYTE(~0x80);
    }
}

void WakeEveryThread()
{
    for (auto& queue : AllThreadQueues())
        WakeQueue(*queue);
}

// ---- Targets -----------------------------------------------------------------------------------

// The capture of any thread (the foreground thread's first).
HWND AnyCapture()
{
    Lock lock(TreeMutex());
    if (auto fg = TreeWindow(GetForegroundWindow()))
        if (fg->owner->state.capture && TreeWindow(fg->owner->state.capture))
            return fg->owner->state.capture;
    for (auto& q : AllThreadQueues())
        if (q->state.capture && TreeWindow(q->state.capture))
            return q->state.capture;
    return nullptr;
}

bool Disabled(const WindowPtr& w)
{
    Lock lock(TreeMutex());
    for (WindowPtr r = w; r && !r->isDesktop; r = TreeWindow(r->parent)) {
        if (r->style & WS_DISABLED)
            return true;
        if (!(r->style & WS_CHILD))
            break;
    }
    return false;
}

// ---- Mouse tracking ----------------------------------------------------------------------------

constexpr LONG kHoverSize = 4;

bool InHoverRect(POINT a, POINT b) { return std::abs(a.x - b.x) <= kHoverSize / 2 && std::abs(a.y - b.y) <= kHoverSize / 2; }

// The pointer is now over `under` (hit code `hit`): the tracking of every thread follows.
void UpdateTracking(POINT pt, HWND under, LRESULT hit, DWORD time)
{
    std::vector<std::pair<HWND, UINT>> leaves;
    {
        Lock lock(TreeMutex());
        for (auto& q : AllThreadQueues()) {
            ThreadInputState& s = q->state;
            if (s.leaveWindow) {
                const bool overIt = under == s.leaveWindow && ((hit == HTCLIENT) != s.leaveNonClient);
                if (!overIt) {
                    leaves.emplace_back(s.leaveWindow, s.leaveNonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE);
                    s.leaveWindow = nullptr;
                }
            }
            if (s.hoverWindow) {
                if (under != s.hoverWindow) {
                    s.hoverWindow = nullptr;
                } else if (!InHoverRect(pt, s.hoverPoint)) {
                    s.hoverPoint = pt;
                    s.hoverStart = time;
                }
            }
        }
    }
    for (auto& [window, message] : leaves)
        PostMessage(window, message, 0, 0);
}

// ---- Routing -----------------------------------------------------------------------------------

void PostTo(const WindowPtr& w, UINT message, WPARAM wParam, LPARAM lParam, const RawItem& item, LRESULT hit)
{
    InputMessage m;
    m.msg.hwnd = w->handle;
    m.msg.message = message;
    m.msg.wParam = wParam;
    m.msg.lParam = lParam;
    m.msg.time = item.time;
    m.msg.pt = item.event.point;
    m.hit = hit;
    m.text = item.event.text;
    PostInputMessage(w, m);
}

void RouteMouse(const RawItem& item)
{
    const RawInputEvent& ev = item.event;
    const POINT pt = ev.point;
    if (ev.kind == RawInputKind::Wheel) {
        auto fg = TreeWindow(GetForegroundWindow());
        if (!fg)
            return;
        HWND target;
        {
            Lock lock(TreeMutex());
            target = fg->owner->state.focus ? fg->owner->state.focus : fg->handle;
        }
        auto w = TreeWindow(target);
        if (!w || Disabled(w))
            return;
        PostTo(w, WM_MOUSEWHEEL, MAKEWPARAM(WORD(item.mk), WORD(SHORT(ev.wheelDelta))), MAKELPARAM(WORD(pt.x), WORD(pt.y)), item,
            HTCLIENT);
        return;
    }
    const UINT base = ev.kind == RawInputKind::MouseMove ? WM_MOUSEMOVE
        : ev.button == RawMouseButton::Left              ? WM_LBUTTONDOWN
        : ev.button == RawMouseButton::Right             ? WM_RBUTTONDOWN
                                                         : WM_MBUTTONDOWN;
    const bool press = ev.kind == RawInputKind::ButtonDown;
    const UINT message = base + (ev.kind == RawInputKind::ButtonUp ? 1 : 0);

    WindowPtr target;
    LRESULT hit = HTCLIENT;
    const HWND capture = AnyCapture();
    if (capture) {
        target = TreeWindow(capture);
        const HWND under = WindowUnderPoint(pt);
        LRESULT underHit = HTNOWHERE;
        if (auto u = TreeWindow(under)) {
            Lock lock(TreeMutex());
            underHit = Contains(ClientOnScreen(*u), pt) ? HTCLIENT : HTBORDER;
        }
        UpdateTracking(pt, under, underHit, item.time);
    } else {
        hit = HitTestPoint(pt, true, &target);
        UpdateTracking(pt, target ? target->handle : nullptr, hit, item.time);
    }
    if (!target)
        return; // nothing there (a release outside every window goes nowhere)
    if (!capture) {
        if (Disabled(target))
            return;
        if (hit == HTERROR)
            return;
        bool eat = false;
        if (press) {
            WindowPtr top;
            bool inactive;
            bool noActivate;
            {
                Lock lock(TreeMutex());
                top = TopLevelOf(target);
                inactive = top && (top->owner->state.active != top->handle || GetForegroundWindow() != top->handle);
                noActivate = top && (top->exStyle & WS_EX_NOACTIVATE);
            }
            if (top && inactive) {
                const LRESULT answer = SendMessage(target->handle, WM_MOUSEACTIVATE, WPARAM(top->handle), MAKELPARAM(WORD(hit), WORD(message)));
                eat = answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
                const bool activate = answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && !noActivate;
                if (activate && top->owner == CurrentThreadQueue() && IsWindow(top->handle))
                    ActivateByClick(top->handle);
            }
        }
        if (!IsWindow(target->handle))
            return;
        SendMessage(target->handle, WM_SETCURSOR, WPARAM(target->handle), MAKELPARAM(WORD(hit), WORD(message)));
        if (eat || !IsWindow(target->handle))
            return;
    }
    UINT posted = message;
    if (press) {
        RawState& raw = Raw();
        UINT classStyle = 0;
        {
            Lock lock(TreeMutex());
            if (target->windowClass)
                classStyle = target->windowClass->info.style;
        }
        const UINT doubleClickTime = GetDoubleClickTime();
        const LONG slopX = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
        const LONG slopY = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        std::lock_guard lock(raw.mutex);
        const bool nonClient = hit != HTCLIENT;
        const bool repeat = raw.lastMessage == message && raw.lastWindow == target->handle && !raw.lastWasDouble
            && item.time - raw.lastTime <= doubleClickTime && std::abs(pt.x - raw.lastPoint.x) <= slopX
            && std::abs(pt.y - raw.lastPoint.y) <= slopY;
        if (repeat && (nonClient || (classStyle & CS_DBLCLKS))) {
            posted = message + 2; // WM_xBUTTONDBLCLK
            raw.lastWasDouble = true;
        } else {
            raw.lastWasDouble = false;
        }
        raw.lastMessage = message;
        raw.lastWindow = target->handle;
        raw.lastTime = item.time;
        raw.lastPoint = pt;
    }
    if (hit == HTCLIENT) {
        POINT client = pt;
        ScreenToClient(target->handle, &client);
        PostTo(target, posted, item.mk, MAKELPARAM(WORD(client.x), WORD(client.y)), item, hit);
    } else {
        PostTo(target, posted - WM_MOUSEMOVE + WM_NCMOUSEMOVE, WPARAM(hit), MAKELPARAM(WORD(pt.x), WORD(pt.y)), item, hit);
    }
}

void RouteKey(const RawItem& item)
{
    const RawInputEvent& ev = item.event;
    auto fg = TreeWindow(GetForegroundWindow());
    if (!fg)
        return;
    HWND focus;
    {
        Lock lock(TreeMutex());
        focus = fg->owner->state.focus;
    }
    auto target = TreeWindow(focus);
    const bool noFocus = !target;
    if (noFocus)
        target = fg;
    if (Disabled(target))
        return;
    const int vk = GenericKey(ev.virtualKey);
    const bool down = ev.kind == RawInputKind::KeyDown;
    const bool sys = noFocus || vk == VK_F10 || (vk == VK_MENU && !item.ctrl) || (item.alt && !item.ctrl);
    const UINT message = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    const WORD scan = ev.scanCode ? ev.scanCode : WORD(MapVirtualKeyExW(UINT(ev.virtualKey), MAPVK_VK_TO_VSC, nullptr));
    const bool extended = ev.extended || (!ev.scanCode && UsKeyIsExtended(ev.virtualKey));
    DWORD lParam = 1 | (DWORD(scan & 0xFF) << 16);
    if (extended)
        lParam |= 1u << 24;
    if (sys && item.alt)
        lParam |= 1u << 29;
    if (item.wasDown || !down)
        lParam |= 1u << 30;
    if (!down)
        lParam |= 1u << 31;
    PostTo(target, message, WPARAM(vk), LPARAM(lParam), item, HTCLIENT);
}

} // namespace

// ---- Entry points ------------------------------------------------------------------------------

void PostRawInput(const RawInputEvent& event)
{
    RawState& raw = Raw();
    {
        std::lock_guard lock(raw.mutex);
        RawItem item;
        item.event = event;
        item.time = GetTickCount();
        switch (event.kind) {
        case RawInputKind::KeyDown:
        case RawInputKind::KeyUp: {
            const bool down = event.kind == RawInputKind::KeyDown;
            const int vk = event.virtualKey & 0xFF;
            item.wasDown = (raw.keys[size_t(GenericKey(vk))] & 0x80) != 0;
            SetKey(raw.keys, vk, down);
            SetKey(raw.keys, GenericKey(vk), down);
            if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
                SetKey(raw.keys, vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU, down);
            item.event.point = raw.cursor;
            break;
        }
        case RawInputKind::ButtonDown:
        case RawInputKind::ButtonUp: SetKey(raw.keys, ButtonKey(event.button), event.kind == RawInputKind::ButtonDown); [[fallthrough]];
        case RawInputKind::MouseMove:
        case RawInputKind::Wheel: raw.cursor = event.point; break;
        }
        item.mk = MkFlags(raw.keys);
        item.alt = (raw.keys[VK_MENU] & 0x80) != 0;
        item.ctrl = (raw.keys[VK_CONTROL] & 0x80) != 0;
        // Moves coalesce: a move replaces a move not yet routed.
        if (event.kind == RawInputKind::MouseMove && !raw.queue.empty() && raw.queue.back().event.kind == RawInputKind::MouseMove)
            raw.queue.back() = item;
        else
            raw.queue.push_back(item);
    }
    WakeEveryThread();
}

bool user_detail::RouteRawInput()
{
    RawItem item;
    {
        RawState& raw = Raw();
        std::lock_guard lock(raw.mutex);
        if (raw.queue.empty())
            return false;
        item = raw.queue.front();
        raw.queue.pop_front();
    }
    if (item.event.kind == RawInputKind::KeyDown || item.event.kind == RawInputKind::KeyUp)
        RouteKey(item);
    else
        RouteMouse(item);
    return true;
}

UINT SendInput(UINT count, const INPUT* inputs, int size)
{
    if (size != int(sizeof(INPUT)) || (count && !inputs)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (UINT i = 0; i < count; ++i) {
        const INPUT& in = inputs[i];
        RawInputEvent e;
        if (in.type == INPUT_KEYBOARD) {
            const KEYBDINPUT& k = in.ki;
            e.kind = (k.dwFlags & KEYEVENTF_KEYUP) ? RawInputKind::KeyUp : RawInputKind::KeyDown;
            if (k.dwFlags & KEYEVENTF_UNICODE) {
                // A character without a key: typed through the packet key.
                e.virtualKey = 0xE7; // VK_PACKET
                e.text = std::u16string(1, char16_t(k.wScan));
            } else if (k.dwFlags & KEYEVENTF_SCANCODE) {
                e.scanCode = k.wScan;
                e.virtualKey = int(MapVirtualKeyExW(k.wScan, MAPVK_VSC_TO_VK, nullptr));
            } else {
                e.virtualKey = k.wVk;
                e.scanCode = k.wScan;
            }
            e.extended = (k.dwFlags & KEYEVENTF_EXTENDEDKEY) != 0;
            PostRawInput(e);
            continue;
        }
        if (in.type != INPUT_MOUSE)
            continue;
        const MOUSEINPUT& m = in.mi;
        POINT at;
        GetCursorPos(&at);
        if (m.dwFlags & MOUSEEVENTF_MOVE) {
            if (m.dwFlags & MOUSEEVENTF_ABSOLUTE) {
                const int w = GetSystemMetrics(SM_CXSCREEN);
                const int h = GetSystemMetrics(SM_CYSCREEN);
                at = { LONG((LONGLONG(m.dx) * w) / 65536), LONG((LONGLONG(m.dy) * h) / 65536) };
            } else {
                at = { at.x + m.dx, at.y + m.dy };
            }
            e.kind = RawInputKind::MouseMove;
            e.point = at;
            PostRawInput(e);
        }
        e.point = at;
        const std::pair<DWORD, std::pair<RawInputKind, RawMouseButton>> buttons[] = {
            { MOUSEEVENTF_LEFTDOWN, { RawInputKind::ButtonDown, RawMouseButton::Left } },
            { MOUSEEVENTF_LEFTUP, { RawInputKind::ButtonUp, RawMouseButton::Left } },
            { MOUSEEVENTF_RIGHTDOWN, { RawInputKind::ButtonDown, RawMouseButton::Right } },
            { MOUSEEVENTF_RIGHTUP, { RawInputKind::ButtonUp, RawMouseButton::Right } },
            { MOUSEEVENTF_MIDDLEDOWN, { RawInputKind::ButtonDown, RawMouseButton::Middle } },
            { MOUSEEVENTF_MIDDLEUP, { RawInputKind::ButtonUp, RawMouseButton::Middle } },
        };
        for (auto& [flag, what] : buttons)
            if (m.dwFlags & flag) {
                e.kind = what.first;
                e.button = what.second;
                PostRawInput(e);
            }
        if (m.dwFlags & MOUSEEVENTF_WHEEL) {
            e.kind = RawInputKind::Wheel;
            e.wheelDelta = int(LONG(m.mouseData));
            PostRawInput(e);
        }
    }
    return count;
}

BOOL GetCursorPos(POINT* point)
{
    if (!point)
        return FALSE;
    RawState& raw = Raw();
    std::lock_guard lock(raw.mutex);
    *point = raw.cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    RawInputEvent e;
    e.kind = RawInputKind::MouseMove;
    e.point = { x, y };
    PostRawInput(e);
    if (DisplayBackEnd* display = GetDisplayBackEnd())
        display->PointerMoved(e.point);
    return TRUE;
}

SHORT GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255)
        return 0;
    RawState& raw = Raw();
    std::lock_guard lock(raw.mutex);
    return (raw.keys[size_t(virtualKey)] & 0x80) ? SHORT(0x8000) : SHORT(0);
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track)
{
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto queue = CurrentThreadQueue();
    if (track->dwFlags & TME_QUERY) {
        Lock lock(TreeMutex());
        const ThreadInputState& s = queue->state;
        track->dwFlags = 0;
        track->hwndTrack = nullptr;
        track->dwHoverTime = 0;
        if (s.leaveWindow) {
            track->dwFlags |= TME_LEAVE | (s.leaveNonClient ? TME_NONCLIENT : 0);
            track->hwndTrack = s.leaveWindow;
        }
        if (s.hoverWindow) {
            track->dwFlags |= TME_HOVER | (s.hoverNonClient ? TME_NONCLIENT : 0);
            track->hwndTrack = s.hoverWindow;
            track->dwHoverTime = s.hoverTime;
        }
        return TRUE;
    }
    auto w = TreeWindow(track->hwndTrack);
    if (!w || w->owner != queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool nonClient = (track->dwFlags & TME_NONCLIENT) != 0;
    if (track->dwFlags & TME_CANCEL) {
        Lock lock(TreeMutex());
        ThreadInputState& s = queue->state;
        if ((track->dwFlags & TME_LEAVE) && s.leaveWindow == w->handle)
            s.leaveWindow = nullptr;
        if ((track->dwFlags & TME_HOVER) && s.hoverWindow == w->handle)
            s.hoverWindow = nullptr;
        return TRUE;
    }
    POINT pt;
    GetCursorPos(&pt);
    // Is the pointer over the window (in the part asked for) now?
    bool over = false;
    {
        HWND under = WindowUnderPoint(pt);
        Lock lock(TreeMutex());
        if (under == w->handle)
            over = Contains(ClientOnScreen(*w), pt) != nonClient;
    }
    if (track->dwFlags & TME_LEAVE) {
        if (!over) {
            PostMessage(w->handle, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
        } else {
            Lock lock(TreeMutex());
            queue->state.leaveWindow = w->handle;
            queue->state.leaveNonClient = nonClient;
        }
    }
    if ((track->dwFlags & TME_HOVER) && over) {
        Lock lock(TreeMutex());
        ThreadInputState& s = queue->state;
        s.hoverWindow = w->handle;
        s.hoverNonClient = nonClient;
        s.hoverTime = track->dwHoverTime == HOVER_DEFAULT ? 400 : std::max<DWORD>(track->dwHoverTime, USER_TIMER_MINIMUM);
        s.hoverStart = GetTickCount64();
        s.hoverPoint = pt;
    }
    return TRUE;
}

namespace user_detail {

bool HoverDueTime(ThreadQueue& queue, ULONGLONG* due)
{
    Lock lock(TreeMutex());
    const ThreadInputState& s = queue.state;
    if (!s.hoverWindow)
        return false;
    *due = s.hoverStart + s.hoverTime;
    return true;
}

bool TakeHoverMessage(ThreadQueue& queue, HWND filter, UINT minMessage, UINT maxMessage, bool remove, MSG* msg)
{
    HWND window;
    bool nonClient;
    POINT pt;
    {
        Lock lock(TreeMutex());
        ThreadInputState& s = queue.state;
        if (!s.hoverWindow || GetTickCount64() < s.hoverStart + s.hoverTime)
            return false;
        window = s.hoverWindow;
        nonClient = s.hoverNonClient;
        pt = s.hoverPoint;
        const UINT message = nonClient ? WM_NCMOUSEHOVER : WM_MOUSEHOVER;
        if ((filter && filter != window) || (!(minMessage == 0 && maxMessage == 0) && (message < minMessage || message > maxMessage)))
            return false;
        if (remove)
            s.hoverWindow = nullptr;
    }
    *msg = MSG {};
    msg->hwnd = window;
    msg->time = GetTickCount();
    GetCursorPos(&msg->pt);
    if (nonClient) {
        msg->message = WM_NCMOUSEHOVER;
        msg->wParam = WPARAM(SendMessage(window, WM_NCHITTEST, 0, MAKELPARAM(WORD(pt.x), WORD(pt.y))));
        msg->lParam = MAKELPARAM(WORD(pt.x), WORD(pt.y));
    } else {
        ScreenToClient(window, &pt);
        RawState& raw = Raw();
        std::lock_guard lock(raw.mutex);
        msg->message = WM_MOUSEHOVER;
        msg->wParam = MkFlags(raw.keys);
        msg->lParam = MAKELPARAM(WORD(pt.x), WORD(pt.y));
    }
    return true;
}

}

bool GetNextDueTimeForTesting(ULONGLONG* due) { return due && NextDueTime(*CurrentThreadQueue(), due); }

void ResetInputForTesting()
{
    {
        RawState& raw = Raw();
        std::lock_guard lock(raw.mutex);
        raw.queue.clear();
        raw.keys.fill(0);
        raw.cursor = { 0, 0 };
        raw.lastMessage = 0;
        raw.lastWindow = nullptr;
        raw.lastWasDouble = false;
    }
    ResetActivationForTesting();
    ResetThreadKeyState();
}

std::string DescribeThreadInputForTesting(DWORD threadId)
{
    auto queue = FindThreadQueue(threadId);
    if (!queue)
        return "thread " + std::to_string(threadId) + ": no queue";
    std::ostringstream out;
    {
        Lock lock(TreeMutex());
        const ThreadInputState& s = queue->state;
        out << "thread " << threadId << ": focus " << s.focus << ", active " << s.active << ", capture " << s.capture
            << ", foreground " << GetForegroundWindow() << ", loops " << s.modalDepth;
        if (s.leaveWindow)
            out << ", leave tracking " << s.leaveWindow;
        if (s.hoverWindow)
            out << ", hover tracking " << s.hoverWindow;
    }
    std::lock_guard lock(queue->mutex);
    out << "; posted " << queue->posted.size() << ", input " << queue->input.size() << ", sent " << queue->sent.size()
        << (queue->quitPosted ? ", quit posted" : "") << "; timers:";
    for (const ThreadTimer& t : queue->timers)
        out << " (" << t.window << ", " << t.id << ", every " << t.period << " ms, due " << t.due << ")";
    if (queue->timers.empty())
        out << " none";
    return out.str();
}
