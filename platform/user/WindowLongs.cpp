// Window procedures as values (subclassing, CallWindowProcW) and the window longs.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"

#include <utility>
#include <vector>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

// ---- Procedure values --------------------------------------------------------------------------
// A procedure that is not a plain function (a message target's lambda) is handed out as a value
// no function can have; CallWindowProcW turns it back.

namespace {
constexpr ULONG_PTR kProcedureTag = 0xFFFF000000000000ull;

std::vector<WindowProcedure>& ProcedureTable()
{
    static auto* table = new std::vector<WindowProcedure>;
    return *table;
}
}

LONG_PTR user_detail::ProcedureValue(const WindowProcedure& procedure)
{
    if (!procedure)
        return 0;
    if (auto* plain = procedure.target<WNDPROC>())
        return reinterpret_cast<LONG_PTR>(*plain);
    Lock lock(TreeMutex());
    ProcedureTable().push_back(procedure);
    return LONG_PTR(kProcedureTag | (ProcedureTable().size() - 1));
}

WindowProcedure user_detail::ProcedureFromValue(LONG_PTR value)
{
    if (!value)
        return {};
    if ((ULONG_PTR(value) & kProcedureTag) == kProcedureTag) {
        Lock lock(TreeMutex());
        const size_t index = ULONG_PTR(value) & ~kProcedureTag;
        return index < ProcedureTable().size() ? ProcedureTable()[index] : WindowProcedure();
    }
    return WindowProcedure(reinterpret_cast<WNDPROC>(value));
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowProcedure p = ProcedureFromValue(reinterpret_cast<LONG_PTR>(procedure));
    return p ? p(window, message, wParam, lParam) : 0;
}

// ---- Long values -----------------------------------------------------------------------------

struct STYLESTRUCT {
    DWORD styleOld;
    DWORD styleNew;
};

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    auto w = FindWindowRecord(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWLP_USERDATA) {
        std::lock_guard lock(w->owner->mutex);
        return w->userData;
    }
    if (index == GWLP_WNDPROC) {
        WindowProcedure p;
        {
            std::lock_guard lock(w->owner->mutex);
            p = w->procedure;
        }
        return ProcedureValue(p);
    }
    Lock lock(TreeMutex());
    switch (index) {
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(w->exStyle);
    case GWLP_ID: return (w->style & WS_CHILD) ? w->id : LONG_PTR(w->menu);
    case GWLP_HINSTANCE: return LONG_PTR(w->instance);
    case GWLP_HWNDPARENT: return LONG_PTR((w->style & WS_CHILD) ? w->parent : w->ownerWindow);
    default:
        if (index >= 0)
            return ReadExtra(w->extra, index);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    auto w = FindWindowRecord(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWLP_USERDATA) {
        std::lock_guard lock(w->owner->mutex);
        return std::exchange(w->userData, value);
    }
    if (index == GWLP_WNDPROC)
        return ProcedureValue(SetWindowProcedure(window, ProcedureFromValue(value)));
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        STYLESTRUCT change;
        {
            Lock lock(TreeMutex());
            change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
        }
        change.styleNew = DWORD(value);
        SendMessage(window, WM_STYLECHANGING, WPARAM(index), LPARAM(&change));
        {
            Lock lock(TreeMutex());
            (index == GWL_STYLE ? w->style : w->exStyle) = change.styleNew;
        }
        SendMessage(window, WM_STYLECHANGED, WPARAM(index), LPARAM(&change));
        return LONG_PTR(index == GWL_STYLE ? LONG(change.styleOld) : LONG_PTR(change.styleOld));
    }
    Lock lock(TreeMutex());
    switch (index) {
    case GWLP_ID:
        if (w->style & WS_CHILD)
            return std::exchange(w->id, value);
        return LONG_PTR(std::exchange(w->menu, reinterpret_cast<HMENU>(value)));
    case GWLP_HINSTANCE: return LONG_PTR(std::exchange(w->instance, reinterpret_cast<HINSTANCE>(value)));
    case GWLP_HWNDPARENT:
        if (!(w->style & WS_CHILD)) {
            auto owner = TreeWindow(reinterpret_cast<HWND>(value));
            return LONG_PTR(std::exchange(w->ownerWindow, owner ? TopLevelOf(owner)->handle : nullptr));
        }
        return 0;
    default:
        if (index >= 0)
            return WriteExtra(w->extra, index, value);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}
