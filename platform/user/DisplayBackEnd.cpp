// The display back-end seam and what back ends read of the window tree.

#include "platform/user/DisplayBackEnd.h"

#include "platform/base/Clock.h"
#include "platform/user/Caret.h"
#include "platform/user/PaintInternal.h"
#include "platform/user/WindowRecord.h"

#include <atomic>
#include <mutex>

using namespace user_detail;

namespace {
std::atomic<DisplayBackEnd*> g_backEnd { nullptr };
std::atomic<DesktopTextClipboard*> g_clipboard { nullptr };
std::mutex g_dropMutex;
FileDropReceiver g_dropReceiver;
}

void SetDesktopTextClipboard(DesktopTextClipboard* clipboard) { g_clipboard.store(clipboard); }

DesktopTextClipboard* GetDesktopTextClipboard() { return g_clipboard.load(); }

void SetFileDropReceiver(FileDropReceiver receiver)
{
    std::lock_guard lock(g_dropMutex);
    g_dropReceiver = std::move(receiver);
}

HWND FileDropTarget(POINT screen)
{
    {
        std::lock_guard lock(g_dropMutex);
        if (!g_dropReceiver)
            return nullptr;
    }
    for (HWND w = WindowFromPoint(screen); w; w = GetAncestor(w, GA_PARENT)) {
        if (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)
            return w;
        if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    return nullptr;
}

void DeliverFileDrop(HWND window, POINT screen, const std::vector<std::u16string>& paths)
{
    FileDropReceiver receiver;
    {
        std::lock_guard lock(g_dropMutex);
        receiver = g_dropReceiver;
    }
    if (receiver && IsWindow(window))
        receiver(window, screen, paths);
}

void SetDisplayBackEnd(DisplayBackEnd* backEnd) { g_backEnd.store(backEnd); }

DisplayBackEnd* GetDisplayBackEnd() { return g_backEnd.load(); }

void WakeGuiThread(DWORD threadId)
{
    if (auto queue = FindThreadQueue(threadId))
        WakeQueue(*queue);
}

std::vector<TopLevelWindowState> TopLevelWindowsForDisplay()
{
    std::lock_guard lock(TreeMutex());
    std::vector<TopLevelWindowState> out;
    const auto& top = DesktopRecord()->children;
    for (auto it = top.rbegin(); it != top.rend(); ++it) {
        auto w = TreeWindow(*it);
        if (!w)
            continue;
        TopLevelWindowState s;
        s.window = w->handle;
        s.owner = w->ownerWindow;
        s.style = w->style;
        s.exStyle = w->exStyle;
        s.rect = WindowOnScreen(*w);
        s.visible = (w->style & WS_VISIBLE) != 0;
        s.title = w->text;
        s.threadId = w->owner ? w->owner->threadId : 0;
        if (w->windowRegion) {
            s.shaped = true;
            s.shape = w->windowRegion->Rects();
        }
        s.icon = w->bigIcon ? w->bigIcon : w->windowClass ? w->windowClass->info.hIcon : nullptr;
        s.smallIcon = w->smallIcon ? w->smallIcon : w->windowClass ? w->windowClass->info.hIconSm : nullptr;
        out.push_back(std::move(s));
    }
    return out;
}

bool ReadTopLevelPixels(HWND window, const std::function<void(const DWORD*, LONG, LONG)>& read)
{
    std::lock_guard lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->surface || w->surface->pixels.empty())
        return false;
    read(w->surface->pixels.data(), w->surface->width, w->surface->height);
    return true;
}

POINT MinimumTrackSize(HWND window)
{
    const MINMAXINFO info = AskMinMaxInfo(window);
    return info.ptMinTrackSize;
}

std::vector<CaretForDisplay> CaretsForDisplay()
{
    std::vector<CaretForDisplay> out;
    for (CaretOverlay& caret : VisibleCarets(GetTickCount())) {
        std::lock_guard lock(TreeMutex());
        auto w = TreeWindow(caret.window);
        if (!w)
            continue;
        auto top = TopLevelOf(w);
        if (!top)
            continue;
        platform::gdi::Region shown = VisibleRegion(*w, 0);
        Intersect(shown, platform::gdi::Region(caret.screen));
        CaretForDisplay c;
        c.topLevel = top->handle;
        c.screen = caret.screen;
        c.shown = shown.Rects();
        c.xorPixels = std::move(caret.xorPixels);
        out.push_back(std::move(c));
    }
    return out;
}
