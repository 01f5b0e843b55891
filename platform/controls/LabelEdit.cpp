#include "platform/controls/LabelEdit.h"

#include "platform/user/Input.h"

namespace platform::controls {

namespace {

constexpr const WCHAR* kHookProperty = u"platform.controls.LabelEdit";

struct EditHook {
    WNDPROC original = nullptr;
    std::function<void(bool)> end;
    bool ended = false;
};

void Finish(EditHook* hook, bool cancel)
{
    if (hook->ended)
        return;
    hook->ended = true;
    // The box (and the hook with it) may be gone when `end` returns.
    const std::function<void(bool)> end = hook->end;
    end(cancel);
}

LRESULT HookProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* hook = reinterpret_cast<EditHook*>(GetPropW(edit, kHookProperty));
    if (!hook)
        return DefWindowProcW(edit, message, wParam, lParam);
    const WNDPROC original = hook->original;
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | CallWindowProcW(original, edit, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_RETURN) || wParam == WPARAM(VK_ESCAPE)) {
            Finish(hook, wParam == WPARAM(VK_ESCAPE));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == WPARAM('\r') || wParam == WPARAM(0x1B))
            return 0;
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = CallWindowProcW(original, edit, message, wParam, lParam);
        if (auto* still = reinterpret_cast<EditHook*>(GetPropW(edit, kHookProperty)))
            Finish(still, false);
        return result;
    }
    case WM_NCDESTROY: {
        RemovePropW(edit, kHookProperty);
        SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(original));
        const LRESULT result = CallWindowProcW(original, edit, message, wParam, lParam);
        delete hook;
        return result;
    }
    default:
        break;
    }
    return CallWindowProcW(original, edit, message, wParam, lParam);
}

} // namespace

HWND BeginLabelEdit(HWND owner, RECT at, const std::u16string& text, HFONT font, std::function<void(bool cancel)> end)
{
    HWND edit = CreateWindowExW(0, WC_EDITW, text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL | ES_LEFT, at.left, at.top,
        at.right - at.left, at.bottom - at.top, owner, reinterpret_cast<HMENU>(ULONG_PTR(1)), nullptr, nullptr);
    if (!edit)
        return nullptr;
    SendMessage(edit, WM_SETFONT, WPARAM(FontOf(font)), FALSE);
    auto* hook = new EditHook;
    hook->end = std::move(end);
    SetPropW(edit, kHookProperty, hook);
    hook->original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(HookProc)));
    SendMessage(edit, EM_SETSEL, 0, -1);
    ShowWindow(edit, SW_SHOW);
    SetFocus(edit);
    return edit;
}

} // namespace platform::controls
