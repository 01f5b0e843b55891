#pragma once
// System sounds by alias. There is no sound device behind it: a sound is recorded and, while
// sounds are held, "plays" on the calling thread until they are released, so callers' timing and
// choices can be observed.

#include "platform/base/Types.h"

#include <string>
#include <vector>

constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_NOWAIT = 0x2000;
constexpr DWORD SND_ALIAS = 0x10000;

// A null sound with SND_PURGE stops what plays (nothing to stop here) and is recorded as "".
BOOL PlaySoundW(const WCHAR* sound, void* module, DWORD flags);

namespace platform::sound {
// Every alias played since the last Reset, in order.
std::vector<std::u16string> Played();
void Reset();
// While held, a synchronous sound keeps its calling thread until released (not held by default).
void HoldSounds(bool hold);
}
