#include "toolkit/drawing/MenuSoundPlayer.h"

#include "platform/base/Sound.h"

#include <cerrno>
#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

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
    // A little below the user interface: a sound may wait, a click may not. (Not the idle class:
    // on a busy machine that would never play at all.)
    const pid_t self = gettid();
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id_t(self));
    if (errno == 0)
        setpriority(PRIO_PROCESS, id_t(self), nice + 2);
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
