#include "platform/user/DialogKeys.h"

#include <array>

namespace {
thread_local std::array<bool, 256> t_keys {};
}

SHORT GetKeyState(int virtualKey)
{
    return virtualKey >= 0 && virtualKey < 256 && t_keys[std::size_t(virtualKey)] ? SHORT(0x8000) : SHORT(0);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

BOOL CallMsgFilterW(MSG*, int) { return FALSE; }

void platform::user::SetKeyStateForThread(int virtualKey, bool down)
{
    if (virtualKey >= 0 && virtualKey < 256)
        t_keys[std::size_t(virtualKey)] = down;
}
