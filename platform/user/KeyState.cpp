// A thread's key state, which follows the key messages it retrieves, and the translation of key
// messages into characters.

#include "platform/user/Input.h"

#include "platform/user/InputInternals.h"
#include "platform/user/MessageQueue.h"

#include <array>

using namespace user_detail;

namespace {
thread_local std::array<BYTE, 256> t_keys {};
// The text the back end gave with the key down retrieved last, for TranslateMessage.
thread_local MSG t_lastKeyDown {};
thread_local std::u16string t_lastKeyText;

void Set(int vk, bool down)
{
    BYTE& k = t_keys[size_t(vk & 0xFF)];
    if (down) {
        if (!(k & 0x80))
            k ^= 1;
        k |= 0x80;
    } else {
        k &= BYTE(~0x80);
    }
}
}

void user_detail::NoteRetrievedInput(const InputMessage& message)
{
    const MSG& m = message.msg;
    switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Set(int(m.wParam), true);
        t_lastKeyDown = m;
        t_lastKeyText = message.text;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP: Set(int(m.wParam), false); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: Set(VK_LBUTTON, true); break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: Set(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK: Set(VK_RBUTTON, true); break;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP: Set(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK: Set(VK_MBUTTON, true); break;
    case WM_MBUTTONUP:
    case WM_NCMBUTTONUP: Set(VK_MBUTTON, false); break;
    default: break;
    }
}

SHORT GetKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255)
        return 0;
    const BYTE k = t_keys[size_t(virtualKey)];
    return SHORT(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

BOOL GetKeyboardState(BYTE* state)
{
    if (!state)
        return FALSE;
    std::copy(t_keys.begin(), t_keys.end(), state);
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    const UINT m = msg->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP)
        return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN)
        return FALSE;
    std::u16string text;
    if (t_lastKeyDown.hwnd == msg->hwnd && t_lastKeyDown.lParam == msg->lParam && t_lastKeyDown.time == msg->time
        && t_lastKeyDown.wParam == msg->wParam && !t_lastKeyText.empty()) {
        text = t_lastKeyText;
    } else {
        WCHAR buffer[4] {};
        std::array<BYTE, 256> state = t_keys;
        if (m == WM_SYSKEYDOWN)
            state[VK_MENU] = 0; // Alt+key types the key's own character
        const int n = ToUnicodeEx(UINT(msg->wParam), (DWORD(msg->lParam) >> 16) & 0xFF, state.data(), buffer, 4, 0, nullptr);
        text.assign(buffer, size_t(n > 0 ? n : 0));
    }
    for (char16_t c : text)
        PostMessage(msg->hwnd, m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(c), msg->lParam);
    return TRUE;
}

void user_detail::ResetThreadKeyState()
{
    t_keys.fill(0);
    t_lastKeyDown = MSG {};
    t_lastKeyText.clear();
}
