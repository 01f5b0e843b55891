// The thread carets and the overlay the presenter draws for them.

#include "platform/user/Caret.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/base/ProcessInfo.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/WindowRecord.h"

#include <map>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

struct Caret {
    HWND window = nullptr;
    SIZE size {};
    POINT at {};
    int hidden = 1;
    DWORD shownAt = 0; // the blink restarts here, visible first
    std::vector<DWORD> xorPixels;
};

// By thread id; guarded by TreeMutex().
std::map<DWORD, Caret>& Carets()
{
    static auto* carets = new std::map<DWORD, Caret>;
    return *carets;
}

// The calling thread's caret, when `window` (null for any) is its window.
Caret* Mine(HWND window)
{
    auto it = Carets().find(GetCurrentThreadId());
    if (it == Carets().end() || !IsWindow(it->second.window) || (window && window != it->second.window))
        return nullptr;
    return &it->second;
}

} // namespace

BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height)
{
    if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Caret c;
    c.window = window;
    if (bitmap && bitmap != CARET_GREY) {
        BITMAP bm {};
        if (!GetObjectW(bitmap, sizeof bm, &bm)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        c.size = { bm.bmWidth, bm.bmHeight };
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (LONG y = 0; y < bm.bmHeight; ++y)
            for (LONG x = 0; x < bm.bmWidth; ++x) {
                const COLORREF p = GetPixel(dc, x, y);
                c.xorPixels.push_back((DWORD(GetRValue(p)) << 16) | (DWORD(GetGValue(p)) << 8) | GetBValue(p));
            }
        SelectObject(dc, old);
        DeleteDC(dc);
    } else {
        c.size = { width ? width : GetSystemMetrics(SM_CXBORDER), height ? height : GetSystemMetrics(SM_CYBORDER) };
        c.xorPixels = { bitmap == CARET_GREY ? 0x00808080u : 0x00FFFFFFu };
    }
    c.shownAt = GetTickCount();
    Lock lock(TreeMutex());
    Carets()[GetCurrentThreadId()] = std::move(c);
    return TRUE;
}

BOOL DestroyCaret()
{
    Lock lock(TreeMutex());
    return Carets().erase(GetCurrentThreadId()) ? TRUE : FALSE;
}

BOOL ShowCaret(HWND window)
{
    Lock lock(TreeMutex());
    Caret* c = Mine(window);
    if (!c || c->hidden == 0)
        return FALSE;
    if (--c->hidden == 0)
        c->shownAt = GetTickCount();
    return TRUE;
}

BOOL HideCaret(HWND window)
{
    Lock lock(TreeMutex());
    Caret* c = Mine(window);
    if (!c)
        return FALSE;
    ++c->hidden;
    return TRUE;
}

BOOL SetCaretPos(int x, int y)
{
    Lock lock(TreeMutex());
    Caret* c = Mine(nullptr);
    if (!c)
        return FALSE;
    c->at = { x, y };
    c->shownAt = GetTickCount();
    return TRUE;
}

BOOL GetCaretPos(POINT* point)
{
    Lock lock(TreeMutex());
    Caret* c = Mine(nullptr);
    if (!c || !point)
        return FALSE;
    *point = c->at;
    return TRUE;
}

std::vector<CaretOverlay> user_detail::VisibleCarets(DWORD now)
{
    std::vector<CaretOverlay> out;
    Lock lock(TreeMutex());
    const DWORD period = std::max(1u, GetCaretBlinkTime());
    for (auto& [thread, c] : Carets()) {
        auto w = TreeWindow(c.window);
        if (!w || c.hidden > 0 || !Showing(*w))
            continue;
        if (((now - c.shownAt) / period) % 2 != 0)
            continue; // the dark half of the blink
        const RECT client = ClientOnScreen(*w);
        const LONG left = (w->exStyle & WS_EX_LAYOUTRTL) ? client.right - c.at.x - c.size.cx : client.left + c.at.x;
        out.push_back({ c.window, { left, client.top + c.at.y, left + c.size.cx, client.top + c.at.y + c.size.cy }, c.xorPixels });
    }
    return out;
}

void user_detail::HideCaretForPaint(HWND window)
{
    Lock lock(TreeMutex());
    if (Caret* c = Mine(window))
        ++c->hidden;
}

void user_detail::ShowCaretAfterPaint(HWND window)
{
    Lock lock(TreeMutex());
    if (Caret* c = Mine(window); c && c->hidden > 0)
        --c->hidden;
}
