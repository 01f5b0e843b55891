// The tooltip control: tools by (window, id) or by window, shown after the initial delay when the
// pointer rests on a tool, hidden after the auto-pop delay, and shown after the shorter reshow
// delay when the pointer moves from one tool to the next; all on the clock. Tracking tools are
// shown and moved by their owner.

#include "platform/base/Clock.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "platform/user/Timers.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace platform::controls {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr int kDefaultInitial = 500;
constexpr int kDefaultAutoPop = 5000;
constexpr int kDefaultReshow = 100;
constexpr int kCursorDepth = 20; // the tip sits this far below the pointer

struct Tool {
    UINT flags = 0;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    RECT rect {};
    HINSTANCE hinst = nullptr;
    bool callback = false;
    std::u16string text;
    LPARAM lParam = 0;
};

enum class Phase { Idle, Waiting, Shown };

struct TipState {
    std::vector<Tool> tools;
    bool active = true;
    int initial = kDefaultInitial;
    int autoPop = kDefaultAutoPop;
    int reshow = kDefaultReshow;
    int maxWidth = -1;
    RECT margin { 0, 0, 0, 0 };
    COLORREF background = CLR_DEFAULT;
    COLORREF textColor = CLR_DEFAULT;
    std::u16string title;
    HFONT font = nullptr;
    Phase phase = Phase::Idle;
    int pending = -1; // the tool waited for
    int current = -1; // the tool shown
    DWORD showAt = 0;
    DWORD popAt = 0;
    DWORD hiddenAt = 0;
    bool recentlyShown = false;
    int suppressed = -1; // a click hides the tip of this tool until the pointer leaves it
    POINT pointer {}; // screen
    bool tracking = false;
    POINT trackPoint {};
    std::u16string shownText;
};

bool SameTool(const Tool& t, HWND hwnd, UINT_PTR id) { return t.hwnd == hwnd && t.id == id; }

int FindTool(const TipState& s, const TOOLINFOW* info)
{
    if (!info)
        return -1;
    for (size_t i = 0; i < s.tools.size(); ++i)
        if (SameTool(s.tools[i], info->hwnd, info->uId))
            return int(i);
    return -1;
}

bool ValidSize(const TOOLINFOW* info) { return info && info->cbSize >= TTTOOLINFOW_V1_SIZE; }

void ReadText(Tool& tool, const TOOLINFOW* info)
{
    tool.callback = info->lpszText == LPSTR_TEXTCALLBACKW;
    tool.text.clear();
    if (tool.callback || !info->lpszText)
        return;
    if (IS_INTRESOURCE(info->lpszText)) {
        WCHAR buffer[1024] {};
        const int n = LoadStringW(info->hinst, UINT(reinterpret_cast<ULONG_PTR>(info->lpszText)), buffer, 1024);
        tool.text.assign(buffer, size_t(std::max(n, 0)));
        return;
    }
    tool.text = info->lpszText;
}

void FillInfo(const Tool& tool, TOOLINFOW* info)
{
    info->uFlags = tool.flags;
    info->hwnd = tool.hwnd;
    info->uId = tool.id;
    info->rect = tool.rect;
    info->hinst = tool.hinst;
    if (tool.callback)
        info->lpszText = LPSTR_TEXTCALLBACKW;
    if (info->cbSize >= TTTOOLINFOW_V2_SIZE)
        info->lParam = tool.lParam;
}

// The tool under a point of `window`'s client area (window tools first, as the platform does).
int ToolAt(const TipState& s, HWND window, POINT client)
{
    for (size_t i = 0; i < s.tools.size(); ++i) {
        const Tool& t = s.tools[i];
        if ((t.flags & TTF_IDISHWND) && HWND(t.id) == window)
            return int(i);
    }
    for (size_t i = 0; i < s.tools.size(); ++i) {
        const Tool& t = s.tools[i];
        if (!(t.flags & TTF_IDISHWND) && t.hwnd == window && PointIn(t.rect, client))
            return int(i);
    }
    return -1;
}

void Notify(HWND window, const Tool& tool, UINT code)
{
    NMHDR header { window, tool.id, code };
    if (tool.hwnd)
        SendMessage(tool.hwnd, WM_NOTIFY, WPARAM(tool.id), LPARAM(&header));
}

// The text to show: the stored one, or the owner's answer to TTN_GETDISPINFO.
std::u16string TextOf(HWND window, Tool& tool)
{
    if (!tool.callback)
        return tool.text;
    NMTTDISPINFOW info {};
    info.hdr = { window, tool.id, TTN_GETDISPINFOW };
    info.hinst = tool.hinst;
    info.uFlags = tool.flags;
    info.lParam = tool.lParam;
    if (tool.hwnd)
        SendMessage(tool.hwnd, WM_NOTIFY, WPARAM(tool.id), LPARAM(&info));
    std::u16string text;
    if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKW) {
        if (IS_INTRESOURCE(info.lpszText)) {
            WCHAR buffer[1024] {};
            const int n = LoadStringW(info.hinst, UINT(reinterpret_cast<ULONG_PTR>(info.lpszText)), buffer, 1024);
            text.assign(buffer, size_t(std::max(n, 0)));
        } else {
            text = info.lpszText;
        }
    } else {
        info.szText[79] = 0;
        text = info.szText;
    }
    if (info.uFlags & TTF_DI_SETITEM) {
        tool.callback = false;
        tool.text = text;
    }
    return text;
}

HFONT TipFont(const TipState& s) { return FontOf(s.font); }

// Without TTS_NOPREFIX an ampersand is dropped rather than shown.
UINT PrefixFlag(HWND window) { return (StyleOf(window) & TTS_NOPREFIX) ? DT_NOPREFIX : DT_HIDEPREFIX; }

constexpr int kPadding = 2;

// The window size around `text`.
SIZE TipSize(HWND window, const TipState& s, const std::u16string& text)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, TipFont(s));
    RECT r { 0, 0, s.maxWidth > 0 ? s.maxWidth : 4000, 0 };
    UINT format = DT_CALCRECT | DT_EXPANDTABS | PrefixFlag(window);
    format |= s.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE;
    DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (!s.title.empty()) {
        RECT t { 0, 0, 4000, 0 };
        DrawTextW(dc, s.title.c_str(), int(s.title.size()), &t, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        width = std::max<int>(width, t.right - t.left);
        height += (t.bottom - t.top) + 2;
    }
    DeleteDC(dc);
    return SIZE { width + 2 * (kPadding + 1) + s.margin.left + s.margin.right,
        height + 2 * (kPadding + 1) + s.margin.top + s.margin.bottom };
}

void Place(HWND window, TipState& s, Tool& tool, const SIZE& size)
{
    POINT at { s.pointer.x, s.pointer.y + kCursorDepth };
    if (s.tracking) {
        at = s.trackPoint;
        if (!(tool.flags & TTF_ABSOLUTE)) {
            at.x += 10;
            at.y += 10;
        }
    } else if (tool.flags & TTF_CENTERTIP) {
        RECT r = tool.rect;
        if (tool.flags & TTF_IDISHWND)
            GetClientRect(HWND(tool.id), &r);
        POINT corner { r.left, r.bottom };
        ClientToScreen((tool.flags & TTF_IDISHWND) ? HWND(tool.id) : tool.hwnd, &corner);
        at = POINT { corner.x + (r.right - r.left - size.cx) / 2, corner.y + 2 };
    }
    // Kept on the screen.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    at.x = std::clamp<LONG>(at.x, 0, std::max(0, screenWidth - size.cx));
    if (at.y + size.cy > screenHeight && !s.tracking)
        at.y = s.pointer.y - size.cy - 2;
    at.y = std::clamp<LONG>(at.y, 0, std::max(0, screenHeight - size.cy));
    SetWindowPos(window, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE);
}

void Hide(HWND window, TipState& s)
{
    KillTimer(window, kPopTimer);
    if (s.phase != Phase::Shown) {
        s.phase = Phase::Idle;
        s.pending = -1;
        KillTimer(window, kShowTimer);
        return;
    }
    const int was = s.current;
    s.phase = Phase::Idle;
    s.current = -1;
    s.pending = -1;
    s.hiddenAt = GetTickCount();
    s.recentlyShown = true;
    ShowWindow(window, SW_HIDE);
    if (was >= 0 && was < int(s.tools.size()))
        Notify(window, s.tools[size_t(was)], TTN_POP);
}

void Show(HWND window, TipState& s, int index)
{
    if (index < 0 || index >= int(s.tools.size()))
        return;
    Tool& tool = s.tools[size_t(index)];
    std::u16string text = TextOf(window, tool);
    if (index >= int(s.tools.size()))
        return;
    if (text.empty()) {
        s.phase = Phase::Idle;
        s.pending = -1;
        return;
    }
    s.shownText = text;
    s.current = index;
    s.pending = -1;
    s.phase = Phase::Shown;
    const SIZE size = TipSize(window, s, text);
    Place(window, s, tool, size);
    NMHDR header { window, tool.id, TTN_SHOW };
    const LRESULT placed = tool.hwnd ? SendMessage(tool.hwnd, WM_NOTIFY, WPARAM(tool.id), LPARAM(&header)) : 0;
    (void)placed; // a TRUE answer means the owner placed the window itself
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, TRUE);
    if (!s.tracking) {
        s.popAt = GetTickCount() + DWORD(s.autoPop);
        SetTimer(window, kPopTimer, UINT(std::max(s.autoPop, 10)), nullptr);
    }
}

void Wait(HWND window, TipState& s, int index, int delay)
{
    s.pending = index;
    s.phase = Phase::Waiting;
    s.showAt = GetTickCount() + DWORD(std::max(delay, 0));
    SetTimer(window, kShowTimer, UINT(std::max(delay, 10)), nullptr);
}

// Without TTS_ALWAYSTIP a tip shows only while the tool's top-level window is active.
bool MayShow(HWND window, const Tool& tool)
{
    if (StyleOf(window) & TTS_ALWAYSTIP)
        return true;
    HWND target = (tool.flags & TTF_IDISHWND) ? HWND(tool.id) : tool.hwnd;
    HWND active = GetActiveWindow();
    return target && active && GetAncestor(target, GA_ROOTOWNER) == GetAncestor(active, GA_ROOTOWNER);
}

void OnPointer(HWND window, TipState& s, const MSG& msg)
{
    if (s.tracking)
        return;
    POINT client { GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam) };
    POINT screen = client;
    ClientToScreen(msg.hwnd, &screen);
    const bool buttonDown = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN
        || msg.message == WM_MBUTTONDOWN || msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP
        || msg.message == WM_MBUTTONUP;
    const int tool = ToolAt(s, msg.hwnd, client);
    if (buttonDown) {
        Hide(window, s);
        s.suppressed = tool;
        return;
    }
    if (msg.message != WM_MOUSEMOVE)
        return;
    s.pointer = screen;
    if (tool != s.suppressed)
        s.suppressed = -1;
    if (tool < 0 || !s.active || tool == s.suppressed || !MayShow(window, s.tools[size_t(tool)])) {
        Hide(window, s);
        return;
    }
    if (s.phase == Phase::Shown) {
        if (tool == s.current)
            return;
        // Straight on to the next tool after the reshow delay.
        Hide(window, s);
        Wait(window, s, tool, s.reshow);
        return;
    }
    if (s.phase == Phase::Waiting && tool == s.pending)
        return;
    const bool soonAfter = s.recentlyShown && LONG(GetTickCount() - s.hiddenAt) < s.initial;
    Wait(window, s, tool, soonAfter ? s.reshow : s.initial);
}

void OnTimer(HWND window, TipState& s, UINT_PTR id)
{
    const DWORD now = GetTickCount();
    if (id == kShowTimer) {
        if (s.phase != Phase::Waiting) {
            KillTimer(window, kShowTimer);
            return;
        }
        if (LONG(now - s.showAt) >= 0) {
            KillTimer(window, kShowTimer);
            Show(window, s, s.pending);
        } else {
            SetTimer(window, kShowTimer, std::max<UINT>(10, UINT(s.showAt - now)), nullptr);
        }
    } else if (id == kPopTimer) {
        if (s.phase != Phase::Shown || s.tracking) {
            KillTimer(window, kPopTimer);
            return;
        }
        if (LONG(now - s.popAt) >= 0) {
            // The tip stays away until the pointer leaves the tool.
            const int was = s.current;
            Hide(window, s);
            s.suppressed = was;
        } else {
            SetTimer(window, kPopTimer, std::max<UINT>(10, UINT(s.popAt - now)), nullptr);
        }
    }
}

void Paint(HWND window, TipState& s, HDC hdc, RECT client)
{
    const COLORREF back = s.background == CLR_DEFAULT ? GetSysColor(COLOR_INFOBK) : s.background;
    const COLORREF fore = s.textColor == CLR_DEFAULT ? GetSysColor(COLOR_INFOTEXT) : s.textColor;
    FillSolid(hdc, client, back);
    HBRUSH frame = CreateSolidBrush(fore);
    FrameRect(hdc, &client, frame);
    DeleteObject(frame);
    RECT text { client.left + 1 + kPadding + s.margin.left, client.top + 1 + kPadding + s.margin.top,
        client.right - 1 - kPadding - s.margin.right, client.bottom - 1 - kPadding - s.margin.bottom };
    HGDIOBJ oldFont = SelectObject(hdc, TipFont(s));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, fore);
    if (!s.title.empty()) {
        LOGFONTW bold {};
        GetObjectW(TipFont(s), sizeof(bold), &bold);
        bold.lfWeight = 700;
        HFONT boldFont = CreateFontIndirectW(&bold);
        HGDIOBJ previous = SelectObject(hdc, boldFont);
        RECT t = text;
        const int h = DrawTextW(hdc, s.title.c_str(), int(s.title.size()), &t, DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(hdc, previous);
        DeleteObject(boldFont);
        text.top += h + 2;
    }
    UINT format = PrefixFlag(window) | DT_EXPANDTABS | (s.maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    DrawTextW(hdc, s.shownText.c_str(), int(s.shownText.size()), &text, format);
    SelectObject(hdc, oldFont);
}

// ---- TTF_SUBCLASS: the tool window's mouse messages reach the tip without the owner's help ----

struct Subclass {
    WNDPROC original = nullptr;
    std::vector<HWND> tips;
};

std::map<HWND, Subclass>& Subclasses()
{
    static std::map<HWND, Subclass> table;
    return table;
}

LRESULT SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = Subclasses().find(window);
    if (it == Subclasses().end())
        return DefWindowProcW(window, message, wParam, lParam);
    if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_NCMOUSEMOVE) {
        MSG msg { window, message, wParam, lParam, GetTickCount(), {} };
        for (HWND tip : std::vector<HWND>(it->second.tips))
            if (IsWindow(tip))
                SendMessage(tip, TTM_RELAYEVENT, 0, LPARAM(&msg));
        it = Subclasses().find(window);
        if (it == Subclasses().end())
            return DefWindowProcW(window, message, wParam, lParam);
    }
    WNDPROC original = it->second.original;
    if (message == WM_NCDESTROY)
        Subclasses().erase(it);
    return CallWindowProcW(original, window, message, wParam, lParam);
}

void Hook(HWND tip, HWND target)
{
    if (!IsWindow(target))
        return;
    auto it = Subclasses().find(target);
    if (it == Subclasses().end()) {
        Subclass entry;
        entry.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(target, GWLP_WNDPROC, LONG_PTR(SubclassProc)));
        it = Subclasses().emplace(target, entry).first;
    }
    if (std::find(it->second.tips.begin(), it->second.tips.end(), tip) == it->second.tips.end())
        it->second.tips.push_back(tip);
}

void Unhook(HWND tip)
{
    for (auto& [target, entry] : Subclasses())
        entry.tips.erase(std::remove(entry.tips.begin(), entry.tips.end(), tip), entry.tips.end());
}

HWND ToolWindow(const Tool& tool) { return (tool.flags & TTF_IDISHWND) ? HWND(tool.id) : tool.hwnd; }

LRESULT TooltipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TipState* state = StateOf<TipState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        AttachState(window, new TipState);
        break;
    case WM_CREATE: {
        // Always a topmost pop-up tool window.
        const DWORD style = StyleOf(window);
        if (!(style & WS_POPUP) && !(style & WS_CHILD))
            SetWindowLongPtrW(window, GWL_STYLE, LONG_PTR(style | WS_POPUP));
        SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
        return 0;
    }
    case WM_DESTROY:
        Unhook(window);
        break;
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<TipState>(window);
        return r;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_TIMER:
        OnTimer(window, *state, wParam);
        return 0;
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case TTM_ADDTOOLW: {
        auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (!ValidSize(info))
            return FALSE;
        Tool tool;
        tool.flags = info->uFlags;
        tool.hwnd = info->hwnd;
        tool.id = info->uId;
        tool.rect = info->rect;
        tool.hinst = info->hinst;
        if (info->cbSize >= TTTOOLINFOW_V2_SIZE)
            tool.lParam = info->lParam;
        ReadText(tool, info);
        const int existing = FindTool(*state, info);
        if (existing >= 0)
            state->tools[size_t(existing)] = tool;
        else
            state->tools.push_back(tool);
        if (tool.flags & TTF_SUBCLASS)
            Hook(window, ToolWindow(tool));
        return TRUE;
    }
    case TTM_DELTOOLW: {
        const int index = FindTool(*state, reinterpret_cast<const TOOLINFOW*>(lParam));
        if (index < 0)
            return 0;
        if (index == state->current || index == state->pending)
            Hide(window, *state);
        state->tools.erase(state->tools.begin() + index);
        if (state->current > index)
            --state->current;
        if (state->pending > index)
            --state->pending;
        state->suppressed = -1;
        return 0;
    }
    case TTM_NEWTOOLRECTW: {
        auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        const int index = FindTool(*state, info);
        if (index >= 0)
            state->tools[size_t(index)].rect = info->rect;
        return 0;
    }
    case TTM_GETTOOLINFOW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        const int index = ValidSize(info) ? FindTool(*state, info) : -1;
        if (index < 0)
            return FALSE;
        FillInfo(state->tools[size_t(index)], info);
        return TRUE;
    }
    case TTM_SETTOOLINFOW: {
        auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        const int index = ValidSize(info) ? FindTool(*state, info) : -1;
        if (index < 0)
            return 0;
        Tool& tool = state->tools[size_t(index)];
        tool.flags = info->uFlags;
        tool.rect = info->rect;
        tool.hinst = info->hinst;
        if (info->cbSize >= TTTOOLINFOW_V2_SIZE)
            tool.lParam = info->lParam;
        ReadText(tool, info);
        return 0;
    }
    case TTM_UPDATETIPTEXTW: {
        auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        const int index = ValidSize(info) ? FindTool(*state, info) : -1;
        if (index < 0)
            return 0;
        ReadText(state->tools[size_t(index)], info);
        if (index == state->current && state->phase == Phase::Shown) {
            Tool& tool = state->tools[size_t(index)];
            state->shownText = TextOf(window, tool);
            Place(window, *state, tool, TipSize(window, *state, state->shownText));
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    }
    case TTM_GETTEXTW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        const int index = ValidSize(info) ? FindTool(*state, info) : -1;
        if (index < 0 || !info->lpszText)
            return 0;
        const std::u16string& text = state->tools[size_t(index)].text;
        // wParam: the buffer's size in characters (80 when the caller gives none).
        const size_t room = wParam ? size_t(wParam) : 80;
        const size_t n = std::min(text.size(), room - 1);
        std::memcpy(info->lpszText, text.data(), n * sizeof(WCHAR));
        info->lpszText[n] = 0;
        return LRESULT(n);
    }
    case TTM_GETTOOLCOUNT:
        return LRESULT(state->tools.size());
    case TTM_HITTESTW: {
        auto* hit = reinterpret_cast<TTHITTESTINFOW*>(lParam);
        if (!hit)
            return FALSE;
        const int index = ToolAt(*state, hit->hwnd, hit->pt);
        if (index < 0)
            return FALSE;
        if (hit->ti.cbSize >= TTTOOLINFOW_V1_SIZE)
            FillInfo(state->tools[size_t(index)], &hit->ti);
        return TRUE;
    }
    case TTM_GETCURRENTTOOLW: {
        if (state->phase != Phase::Shown || state->current < 0)
            return FALSE;
        if (auto* info = reinterpret_cast<TOOLINFOW*>(lParam); ValidSize(info))
            FillInfo(state->tools[size_t(state->current)], info);
        return TRUE;
    }
    case TTM_WINDOWFROMPOINT:
        return lParam ? LRESULT(WindowFromPoint(*reinterpret_cast<const POINT*>(lParam))) : 0;
    case TTM_RELAYEVENT:
        if (auto* msg = reinterpret_cast<const MSG*>(lParam); msg && IsWindow(msg->hwnd))
            OnPointer(window, *state, *msg);
        return 0;
    case TTM_ACTIVATE:
        state->active = wParam != 0;
        if (!state->active)
            Hide(window, *state);
        return 0;
    case TTM_POP:
        Hide(window, *state);
        return 0;
    case TTM_UPDATE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TTM_SETDELAYTIME: {
        const int value = short(LOWORD(DWORD(lParam)));
        switch (wParam) {
        case TTDT_AUTOMATIC:
            state->initial = value < 0 ? kDefaultInitial : value;
            state->autoPop = value < 0 ? kDefaultAutoPop : value * 10;
            state->reshow = value < 0 ? kDefaultReshow : value / 5;
            break;
        case TTDT_INITIAL: state->initial = value < 0 ? kDefaultInitial : value; break;
        case TTDT_AUTOPOP: state->autoPop = value < 0 ? kDefaultAutoPop : value; break;
        case TTDT_RESHOW: state->reshow = value < 0 ? kDefaultReshow : value; break;
        default: break;
        }
        return 0;
    }
    case TTM_GETDELAYTIME:
        switch (wParam) {
        case TTDT_INITIAL: return state->initial;
        case TTDT_AUTOPOP: return state->autoPop;
        case TTDT_RESHOW: return state->reshow;
        default: return state->initial;
        }
    case TTM_SETMAXTIPWIDTH: {
        const int old = state->maxWidth;
        state->maxWidth = int(LONG(lParam));
        return old;
    }
    case TTM_GETMAXTIPWIDTH:
        return state->maxWidth;
    case TTM_SETTIPBKCOLOR:
        state->background = COLORREF(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TTM_SETTIPTEXTCOLOR:
        state->textColor = COLORREF(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case TTM_GETTIPBKCOLOR:
        return LRESULT(state->background == CLR_DEFAULT ? GetSysColor(COLOR_INFOBK) : state->background);
    case TTM_GETTIPTEXTCOLOR:
        return LRESULT(state->textColor == CLR_DEFAULT ? GetSysColor(COLOR_INFOTEXT) : state->textColor);
    case TTM_SETMARGIN:
        if (lParam)
            state->margin = *reinterpret_cast<const RECT*>(lParam);
        return 0;
    case TTM_GETMARGIN:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = state->margin;
        return 0;
    case TTM_SETTITLEW:
        state->title = lParam ? std::u16string(reinterpret_cast<const WCHAR*>(lParam)) : u"";
        return TRUE;
    case TTM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r)
            return 0;
        const int dx = 1 + kPadding;
        if (wParam) {
            r->left -= dx + state->margin.left;
            r->top -= dx + state->margin.top;
            r->right += dx + state->margin.right;
            r->bottom += dx + state->margin.bottom;
        } else {
            r->left += dx + state->margin.left;
            r->top += dx + state->margin.top;
            r->right -= dx + state->margin.right;
            r->bottom -= dx + state->margin.bottom;
        }
        return LRESULT(r);
    }
    case TTM_TRACKACTIVATE: {
        auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (!wParam) {
            state->tracking = false;
            Hide(window, *state);
            return 0;
        }
        const int index = ValidSize(info) ? FindTool(*state, info) : -1;
        if (index < 0 || !(state->tools[size_t(index)].flags & TTF_TRACK))
            return 0;
        Hide(window, *state);
        state->tracking = true;
        Show(window, *state, index);
        return 0;
    }
    case TTM_TRACKPOSITION:
        state->trackPoint = POINT { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
        if (state->tracking && state->phase == Phase::Shown && state->current >= 0) {
            Tool& tool = state->tools[size_t(state->current)];
            Place(window, *state, tool, TipSize(window, *state, state->shownText));
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterTooltipClass() { RegisterControlClass(TOOLTIPS_CLASSW, TooltipProc, CS_SAVEBITS | CS_DBLCLKS); }

} // namespace platform::controls
