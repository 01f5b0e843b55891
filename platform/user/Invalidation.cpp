// Update regions: invalidation and validation, the generated WM_PAINT, BeginPaint and EndPaint.

#include "platform/user/PaintInternal.h"

#include "platform/base/Clock.h"
#include "platform/base/LastError.h"
#include "platform/user/Caret.h"

#include <algorithm>
#include <functional>
#include <utility>

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

void WakeOwner(const WindowRecord& w)
{
    if (w.owner == CurrentThreadQueue())
        return;
    std::lock_guard lock(w.owner->mutex);
    w.owner->paintPending = true;
    w.owner->wake.notify_all();
}

bool NeedsPaint(const WindowRecord& w) { return !w.update.Empty() || w.internalPaint || w.needFrame; }

// Runs WM_NCPAINT and WM_ERASEBKGND that are pending, outside WM_PAINT (RDW_ERASENOW).
void EraseNow(HWND window)
{
    bool frame = false;
    bool erase = false;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return;
        frame = std::exchange(w->needFrame, false);
        erase = std::exchange(w->needErase, false);
    }
    if (frame)
        SendMessage(window, WM_NCPAINT, 1, 0);
    if (erase) {
        HDC hdc = GetDCEx(window, nullptr, DCX_CACHE);
        SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0);
        ReleaseDC(window, hdc);
    }
}

void PaintNow(HWND window, UINT flags)
{
    std::vector<HWND> children;
    bool paint = false;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || !Showing(*w))
            return;
        paint = NeedsPaint(*w);
        // Children that need painting are painted too, whatever the parent's clipping.
        if (!(flags & RDW_NOCHILDREN))
            children = w->children;
        std::reverse(children.begin(), children.end()); // lower siblings first
    }
    if (paint) {
        if (flags & RDW_UPDATENOW)
            SendMessage(window, WM_PAINT, 0, 0);
        else
            EraseNow(window);
    }
    if (!(flags & RDW_NOCHILDREN))
        for (HWND h : children)
            PaintNow(h, flags);
}

Region ClientRegionToWindow(const WindowRecord& w, const RECT* rect, HRGN rgn)
{
    const RECT client = ClientInWindow(w);
    Region area;
    if (rgn) {
        ReadRegion(rgn, area);
        if (w.exStyle & WS_EX_LAYOUTRTL) {
            area = Mirrored(area, Width(client));
        }
    } else if (rect) {
        RECT r = *rect;
        if (w.exStyle & WS_EX_LAYOUTRTL)
            r = { Width(client) - rect->right, rect->top, Width(client) - rect->left, rect->bottom };
        area = Region(r);
    } else {
        area = Region({ 0, 0, Width(client), Height(client) });
    }
    area.Offset(client.left, client.top);
    return area;
}

} // namespace

Region user_detail::Mirrored(const Region& region, LONG width)
{
    Region out;
    for (const RECT& r : region.Rects())
        Unite(out, Region(Mirror(r, width)));
    return out;
}

RECT user_detail::ClientInWindow(const WindowRecord& w)
{
    const RECT ws = WindowOnScreen(w);
    return Offset(ClientOnScreen(w), -ws.left, -ws.top);
}

Region user_detail::UpdateInClient(const WindowRecord& w)
{
    const RECT client = ClientInWindow(w);
    Region area = w.update;
    area.Offset(-client.left, -client.top);
    return (w.exStyle & WS_EX_LAYOUTRTL) ? Mirrored(area, Width(client)) : area;
}

void user_detail::InvalidateWindow(const WindowPtr& w, const Region& given, UINT flags)
{
    if (!w || w->isDesktop)
        return;
    Region area = given;
    Intersect(area, Region(WholeWindow(*w)));
    if (w->windowRegion)
        Intersect(area, *w->windowRegion);
    const RECT client = ClientInWindow(*w);
    Region clientArea = area;
    Intersect(clientArea, Region(client));
    Region nonClient = area;
    Subtract(nonClient, Region(client));
    if ((flags & RDW_INVALIDATE) && Showing(*w)) {
        Unite(w->update, clientArea);
        if ((flags & RDW_ERASE) && !clientArea.Empty())
            w->needErase = true;
        if ((flags & RDW_FRAME) && !nonClient.Empty())
            w->needFrame = true;
        if (!clientArea.Empty() || w->needFrame)
            WakeOwner(*w);
    }
    if (flags & RDW_VALIDATE) {
        Subtract(w->update, clientArea);
        if (flags & RDW_NOFRAME)
            w->needFrame = false;
        if (w->update.Empty())
            w->needErase = false;
    }
    if (flags & RDW_NOERASE)
        w->needErase = false;
    if (flags & RDW_INTERNALPAINT) {
        w->internalPaint = true;
        WakeOwner(*w);
    }
    if (flags & RDW_NOINTERNALPAINT)
        w->internalPaint = false;
    if ((flags & RDW_NOCHILDREN) || (!(flags & RDW_ALLCHILDREN) && (w->style & WS_CLIPCHILDREN)))
        return;
    // Children under the area (their frames too).
    const RECT ws = WindowOnScreen(*w);
    for (HWND h : w->children) {
        auto c = TreeWindow(h);
        if (!c || !(c->style & WS_VISIBLE))
            continue;
        const RECT cs = WindowOnScreen(*c);
        Region childArea = clientArea;
        childArea.Offset(ws.left - cs.left, ws.top - cs.top);
        if (childArea.Empty())
            continue;
        InvalidateWindow(c, childArea, flags | RDW_FRAME);
    }
}

void user_detail::InvalidateWhole(const WindowPtr& w)
{
    InvalidateWindow(w, Region(WholeWindow(*w)), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool user_detail::TakePaintMessage(const ThreadQueue* queue, HWND filter, UINT minMessage, UINT maxMessage, MSG* msg)
{
    if (!(minMessage == 0 && maxMessage == 0) && (WM_PAINT < minMessage || WM_PAINT > maxMessage))
        return false;
    Lock lock(TreeMutex());
    HWND found = nullptr;
    std::function<bool(const WindowPtr&)> walk = [&](const WindowPtr& w) {
        if (!(w->style & WS_VISIBLE))
            return false;
        if (w->owner.get() == queue && NeedsPaint(*w) && (!filter || filter == w->handle)) {
            found = w->handle;
            return true;
        }
        for (HWND h : w->children)
            if (auto c = TreeWindow(h); c && walk(c))
                return true;
        return false;
    };
    for (HWND h : DesktopRecord()->children)
        if (auto w = TreeWindow(h); w && walk(w))
            break;
    if (!found)
        return false;
    *msg = MSG {};
    msg->hwnd = found;
    msg->message = WM_PAINT;
    msg->time = GetTickCount();
    return true;
}

// ---- Invalidation API --------------------------------------------------------------------------

BOOL RedrawWindow(HWND window, const RECT* rect, HRGN region, UINT flags)
{
    {
        Lock lock(TreeMutex());
        auto w = window ? TreeWindow(window) : DesktopRecord();
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->isDesktop) {
            // The whole screen: every top-level window.
            for (HWND h : w->children)
                if (auto t = TreeWindow(h))
                    InvalidateWindow(t, Region(WholeWindow(*t)), flags | RDW_ALLCHILDREN);
            DamageScreen(w->window);
        } else {
            Region area = (flags & RDW_FRAME) && !rect && !region ? Region(WholeWindow(*w))
                                                                 : ClientRegionToWindow(*w, rect, region);
            InvalidateWindow(w, area, flags);
        }
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        if (window) {
            PaintNow(window, flags);
        } else {
            std::vector<HWND> top;
            {
                Lock lock(TreeMutex());
                top = DesktopRecord()->children;
            }
            for (HWND h : top)
                PaintNow(h, flags | RDW_ALLCHILDREN);
        }
    }
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    return RedrawWindow(window, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase)
{
    if (!region)
        return InvalidateRect(window, nullptr, erase);
    return RedrawWindow(window, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND window, const RECT* rect)
{
    return RedrawWindow(window, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

BOOL ValidateRgn(HWND window, HRGN region)
{
    return RedrawWindow(window, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

BOOL UpdateWindow(HWND window)
{
    if (!TreeWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    PaintNow(window, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL erase)
{
    RECT box { 0, 0, 0, 0 };
    bool empty;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return FALSE;
        const Region area = UpdateInClient(*w);
        empty = area.Empty();
        if (!empty)
            box = area.Box();
    }
    if (erase && !empty)
        EraseNow(window);
    if (rect)
        *rect = box;
    return empty ? FALSE : TRUE;
}

int GetUpdateRgn(HWND window, HRGN region, BOOL erase)
{
    Region probe;
    if (!ReadRegion(region, probe))
        return 0;
    int kind;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return 0;
        const Region update = UpdateInClient(*w);
        WriteRegion(region, update);
        kind = update.Kind();
    }
    if (erase && kind != NULLREGION)
        EraseNow(window);
    return kind;
}

// ---- Paint -------------------------------------------------------------------------------------

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool frame;
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        frame = std::exchange(w->needFrame, false);
    }
    if (frame)
        SendMessage(window, WM_NCPAINT, 1, 0);
    HDC hdc;
    bool erase;
    RECT box { 0, 0, 0, 0 };
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w)
            return nullptr;
        const Region inClient = UpdateInClient(*w);
        if (!inClient.Empty())
            box = inClient.Box();
        const RECT ws = WindowOnScreen(*w);
        Region area = w->update;
        w->update = Region();
        w->internalPaint = false;
        erase = std::exchange(w->needErase, false);
        area.Offset(ws.left, ws.top);
        hdc = MakeDC(w, 0, &area, DCX_INTERSECTRGN);
    }
    HideCaretForPaint(window);
    *paint = PAINTSTRUCT {};
    paint->hdc = hdc;
    paint->rcPaint = box;
    paint->fErase = erase ? TRUE : FALSE;
    if (erase && hdc)
        paint->fErase = SendMessage(window, WM_ERASEBKGND, WPARAM(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    ShowCaretAfterPaint(window);
    if (paint && paint->hdc)
        ReleaseDC(window, paint->hdc);
    return TRUE;
}
