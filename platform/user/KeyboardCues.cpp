// Keyboard cues: whether a window shows focus rectangles and accelerator underlines.

#include "platform/user/Input.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/InputInternals.h"
#include "platform/user/Window.h"
#include "platform/user/WindowRecord.h"

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;

constexpr WORD kCueFlags = UISF_HIDEFOCUS | UISF_HIDEACCEL;

WORD Apply(WORD state, WORD action, WORD flags)
{
    flags &= kCueFlags | UISF_ACTIVE;
    switch (action) {
    case UIS_SET: return WORD(state | flags);
    case UIS_CLEAR: return WORD(state & ~flags);
    case UIS_INITIALIZE: return InitialUiState();
    default: return state;
    }
}
}

WORD user_detail::InitialUiState() { return CurrentSystemModel().keyboardCues ? WORD(0) : kCueFlags; }

LRESULT user_detail::DefKeyboardCueMessage(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    auto w = TreeWindow(window);
    if (!w)
        return 0;
    const WORD action = LOWORD(DWORD(wParam));
    const WORD flags = HIWORD(DWORD(wParam));
    switch (message) {
    case WM_QUERYUISTATE: {
        Lock lock(TreeMutex());
        return w->uiState;
    }
    case WM_CHANGEUISTATE: {
        if (action != UIS_SET && action != UIS_CLEAR && action != UIS_INITIALIZE)
            return 0;
        HWND parent = nullptr;
        WORD before;
        {
            Lock lock(TreeMutex());
            if (w->style & WS_CHILD)
                parent = w->parent;
            before = w->uiState;
        }
        if (parent)
            return SendMessage(parent, WM_CHANGEUISTATE, wParam, 0);
        if (Apply(before, action, flags) != before)
            SendMessage(window, WM_UPDATEUISTATE, wParam, 0);
        return 0;
    }
    case WM_UPDATEUISTATE: {
        std::vector<HWND> children;
        {
            Lock lock(TreeMutex());
            w->uiState = Apply(w->uiState, action, flags);
            children = w->children;
        }
        for (HWND c : children)
            if (IsWindow(c))
                SendMessage(c, WM_UPDATEUISTATE, wParam, 0);
        return 0;
    }
    default: return 0;
    }
}
