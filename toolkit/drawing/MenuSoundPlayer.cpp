#include "toolkit/drawing/MenuSoundPlayer.h"

#include "platform/base/Sound.h"

#include <chrono>
#include <pthread.h>
#include <sched.h>

namespace {
constexpr DWORD kMenuSoundFlags = SND_ALIAS | SND_NOWAIT | SND_NODEFAULT;
}

CJQWMenuSoundPlayer::~CJQWMenuSoundPlayer()
{
    Stop();
}

void CJQWMenuSoundPlayer::Play(int request)
{
    if (!m_enabled)
        return;
    {
        std::lock_guard guard(m_threadLock);
        if (!m_thread.joinable()) {
            m_pending = kNone;
            m_stop = FALSE;
            try {
                m_running = true;
                m_thread = std::thread([this] { Run(); });
                // Below the user interface: a sound may wait, a click may not.
                sched_param param {};
                pthread_setschedparam(m_thread.native_handle(), SCHED_IDLE, &param);
            } catch (const std::system_error&) {
                m_running = false;
                return; // the next request tries again
            }
        }
    }
    m_pending = request;
}

void CJQWMenuSoundPlayer::Run()
{
    while (!m_stop) {
        const int request = m_pending.load();
        const WCHAR* alias = request == kCommand ? u"MenuCommand" : request == kPopup ? u"MenuPopup" : nullptr;
        if (alias) {
            PlaySoundW(alias, nullptr, kMenuSoundFlags);
            // A request stored while the sound played is dropped with it.
            m_pending = kNone;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    PlaySoundW(nullptr, nullptr, SND_PURGE);
    m_running = false;
}

void CJQWMenuSoundPlayer::Stop()
{
    std::lock_guard guard(m_threadLock);
    if (!m_thread.joinable())
        return;
    m_stop = TRUE;
    // The thread sees the flag within one pass; it is always let finish, never killed, so it
    // cannot die holding a lock or half-way through a sound.
    m_thread.join();
}

BOOL CJQWMenuSoundPlayer::IsRunning() const
{
    return m_running;
}

CJQWMenuSoundPlayer& GetMenuSoundPlayer()
{
    static CJQWMenuSoundPlayer player;
    return player;
}
