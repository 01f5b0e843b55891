#pragma once
// Globally unique identifiers: random (version 4) GUIDs and their registry text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38 characters, upper-case hexadecimal).

#include "platform/base/Types.h"

#include <cstdint>
#include <string>
#include <string_view>

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    BYTE Data4[8] = {};
};

inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Fills the GUID from the kernel's random source; E_FAIL only when no random bytes can be had.
HRESULT CoCreateGuid(GUID* out);

// Writes the 38-character text and a NUL into `buffer` when it holds at least 39 units; returns
// the units written including the NUL (39), or 0 when the buffer is too small.
int StringFromGUID2(const GUID& guid, WCHAR* buffer, int bufferUnits);
std::u16string GuidToString(const GUID& guid);
// Parses the braced text form (either case); false and `out` untouched on any other text.
bool GuidFromString(std::u16string_view text, GUID& out);
// A new GUID's text: the id of every new action. Empty when the generator fails.
std::u16string NewGuidString();

// Replaces the kernel's random source (null restores it); the source returns false on failure.
using GuidRandomSource = bool (*)(BYTE* bytes, size_t count);
void SetGuidRandomSourceForTesting(GuidRandomSource source);
