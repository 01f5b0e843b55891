#include "platform/base/Sound.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {
std::mutex g_lock;
std::vector<std::u16string> g_played;
std::atomic<int> g_playMilliseconds { 0 };
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
    {
        std::lock_guard guard(g_lock);
        g_played.emplace_back(sound);
    }
    if (const int ms = g_playMilliseconds.load(); ms > 0 && !(flags & SND_ASYNC))
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

void SetPlayMilliseconds(int milliseconds)
{
    g_playMilliseconds = milliseconds;
}

} // namespace platform::sound
