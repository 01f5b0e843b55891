#include "platform/base/Sound.h"

#include <condition_variable>
#include <mutex>

namespace {
std::mutex g_lock;
std::condition_variable g_released;
std::vector<std::u16string> g_played;
bool g_hold = false;
}

BOOL PlaySoundW(const WCHAR* sound, void*, DWORD flags)
{
    if (!sound) {
        if (flags & SND_PURGE) {
            std::lock_guard guard(g_lock);
            g_played.emplace_back();
        }
        return TRUE;
    }
    std::unique_lock guard(g_lock);
    g_played.emplace_back(sound);
    if (!(flags & SND_ASYNC))
        g_released.wait(guard, [] { return !g_hold; });
    return TRUE;
}

namespace platform::sound {

std::vector<std::u16string> Played()
{
    std::lock_guard guard(g_lock);
    return g_played;
}

void Reset()
{
    std::lock_guard guard(g_lock);
    g_played.clear();
}

void HoldSounds(bool hold)
{
    {
        std::lock_guard guard(g_lock);
        g_hold = hold;
    }
    g_released.notify_all();
}

} // namespace platform::sound
