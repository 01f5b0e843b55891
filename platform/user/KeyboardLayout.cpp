// The keyboard model headless: one US layout (scan codes of set 1, key names, characters).

#include "platform/user/Input.h"

#include "platform/base/LastError.h"
#include "platform/user/InputInternals.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

constexpr ULONG_PTR kUsLayout = 0x04090409;

struct Key {
    int vk;
    WORD scan;
    bool extended;
    const char16_t* name;
    char16_t normal;
    char16_t shifted;
};

// Letters and digits are added by Lookup.
constexpr Key kKeys[] = {
    { VK_ESCAPE, 0x01, false, u"Esc", 0x1B, 0x1B },
    { VK_OEM_MINUS, 0x0C, false, u"-", u'-', u'_' },
    { VK_OEM_PLUS, 0x0D, false, u"=", u'=', u'+' },
    { VK_BACK, 0x0E, false, u"Backspace", 0x08, 0x08 },
    { VK_TAB, 0x0F, false, u"Tab", 0x09, 0x09 },
    { VK_OEM_4, 0x1A, false, u"[", u'[', u'{' },
    { VK_OEM_6, 0x1B, false, u"]", u']', u'}' },
    { VK_RETURN, 0x1C, false, u"Enter", 0x0D, 0x0D },
    { VK_CONTROL, 0x1D, false, u"Ctrl", 0, 0 },
    { VK_LCONTROL, 0x1D, false, u"Ctrl", 0, 0 },
    { VK_OEM_1, 0x27, false, u";", u';', u':' },
    { VK_OEM_7, 0x28, false, u"'", u'\'', u'"' },
    { VK_OEM_3, 0x29, false, u"`", u'`', u'~' },
    { VK_SHIFT, 0x2A, false, u"Shift", 0, 0 },
    { VK_LSHIFT, 0x2A, false, u"Shift", 0, 0 },
    { VK_OEM_5, 0x2B, false, u"\\", u'\\', u'|' },
    { VK_OEM_COMMA, 0x33, false, u",", u',', u'<' },
    { VK_OEM_PERIOD, 0x34, false, u".", u'.', u'>' },
    { VK_OEM_2, 0x35, false, u"/", u'/', u'?' },
    { VK_RSHIFT, 0x36, false, u"Right Shift", 0, 0 },
    { VK_MULTIPLY, 0x37, false, u"Num *", u'*', u'*' },
    { VK_MENU, 0x38, false, u"Alt", 0, 0 },
    { VK_LMENU, 0x38, false, u"Alt", 0, 0 },
    { VK_SPACE, 0x39, false, u"Space", u' ', u' ' },
    { VK_CAPITAL, 0x3A, false, u"Caps Lock", 0, 0 },
    { VK_F1, 0x3B, false, u"F1", 0, 0 },
    { VK_F2, 0x3C, false, u"F2", 0, 0 },
    { VK_F3, 0x3D, false, u"F3", 0, 0 },
    { VK_F4, 0x3E, false, u"F4", 0, 0 },
    { VK_F5, 0x3F, false, u"F5", 0, 0 },
    { VK_F6, 0x40, false, u"F6", 0, 0 },
    { VK_F7, 0x41, false, u"F7", 0, 0 },
    { VK_F8, 0x42, false, u"F8", 0, 0 },
    { VK_F9, 0x43, false, u"F9", 0, 0 },
    { VK_F10, 0x44, false, u"F10", 0, 0 },
    { VK_NUMLOCK, 0x45, true, u"Num Lock", 0, 0 },
    { VK_SCROLL, 0x46, false, u"Scroll Lock", 0, 0 },
    { VK_NUMPAD0 + 7, 0x47, false, u"Num 7", u'7', u'7' },
    { VK_NUMPAD0 + 8, 0x48, false, u"Num 8", u'8', u'8' },
    { VK_NUMPAD0 + 9, 0x49, false, u"Num 9", u'9', u'9' },
    { VK_SUBTRACT, 0x4A, false, u"Num -", u'-', u'-' },
    { VK_NUMPAD0 + 4, 0x4B, false, u"Num 4", u'4', u'4' },
    { VK_NUMPAD0 + 5, 0x4C, false, u"Num 5", u'5', u'5' },
    { VK_NUMPAD0 + 6, 0x4D, false, u"Num 6", u'6', u'6' },
    { VK_ADD, 0x4E, false, u"Num +", u'+', u'+' },
    { VK_NUMPAD0 + 1, 0x4F, false, u"Num 1", u'1', u'1' },
    { VK_NUMPAD0 + 2, 0x50, false, u"Num 2", u'2', u'2' },
    { VK_NUMPAD0 + 3, 0x51, false, u"Num 3", u'3', u'3' },
    { VK_NUMPAD0, 0x52, false, u"Num 0", u'0', u'0' },
    { VK_DECIMAL, 0x53, false, u"Num Del", u'.', u'.' },
    { VK_OEM_102, 0x56, false, u"\\", u'\\', u'|' },
    { VK_F11, 0x57, false, u"F11", 0, 0 },
    { VK_F12, 0x58, false, u"F12", 0, 0 },
    // The extended keys.
    { VK_RCONTROL, 0x1D, true, u"Right Ctrl", 0, 0 },
    { VK_DIVIDE, 0x35, true, u"Num /", u'/', u'/' },
    { VK_SNAPSHOT, 0x37, true, u"Prnt Scrn", 0, 0 },
    { VK_RMENU, 0x38, true, u"Right Alt", 0, 0 },
    { VK_PAUSE, 0x45, false, u"Pause", 0, 0 },
    { VK_HOME, 0x47, true, u"Home", 0, 0 },
    { VK_UP, 0x48, true, u"Up", 0, 0 },
    { VK_PRIOR, 0x49, true, u"Page Up", 0, 0 },
    { VK_LEFT, 0x4B, true, u"Left", 0, 0 },
    { VK_RIGHT, 0x4D, true, u"Right", 0, 0 },
    { VK_END, 0x4F, true, u"End", 0, 0 },
    { VK_DOWN, 0x50, true, u"Down", 0, 0 },
    { VK_NEXT, 0x51, true, u"Page Down", 0, 0 },
    { VK_INSERT, 0x52, true, u"Insert", 0, 0 },
    { VK_DELETE, 0x53, true, u"Delete", 0, 0 },
    { VK_LWIN, 0x5B, true, u"Left Windows", 0, 0 },
    { VK_RWIN, 0x5C, true, u"Right Windows", 0, 0 },
    { VK_APPS, 0x5D, true, u"Application", 0, 0 },
};

constexpr char16_t kDigitsShifted[] = u")!@#$%^&*(";
constexpr WORD kDigitScans[] = { 0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A };
constexpr char kLetterRows[] = "qwertyuiopasdfghjklzxcvbnm";
constexpr WORD kLetterScans[] = { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1E, 0x1F, 0x20, 0x21,
    0x22, 0x23, 0x24, 0x25, 0x26, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32 };
// Names of the digit and letter keys: "0".."9", "A".."Z".
const auto kNames = [] {
    std::array<std::array<char16_t, 2>, 36> names {};
    for (int i = 0; i < 10; ++i)
        names[size_t(i)] = { char16_t(u'0' + i), 0 };
    for (int i = 0; i < 26; ++i)
        names[size_t(10 + i)] = { char16_t(u'A' + i), 0 };
    return names;
}();

// The key record of a virtual key (letters and digits built here).
bool ByVirtualKey(int vk, Key* out)
{
    if (vk >= '0' && vk <= '9') {
        const int d = vk - '0';
        *out = Key { vk, kDigitScans[d], false, kNames[size_t(d)].data(), char16_t(vk), kDigitsShifted[d] };
        return true;
    }
    if (vk >= 'A' && vk <= 'Z') {
        const char* at = std::strchr(kLetterRows, vk - 'A' + 'a');
        const int i = int(at - kLetterRows);
        *out = Key { vk, kLetterScans[i], false, kNames[size_t(10 + vk - 'A')].data(), char16_t(vk - 'A' + 'a'), char16_t(vk) };
        return true;
    }
    for (const Key& k : kKeys)
        if (k.vk == vk) {
            *out = k;
            return true;
        }
    return false;
}

bool ByScan(WORD scan, bool extended, Key* out)
{
    for (int d = 0; d < 10; ++d)
        if (!extended && kDigitScans[d] == scan)
            return ByVirtualKey('0' + d, out);
    for (int i = 0; i < 26; ++i)
        if (!extended && kLetterScans[i] == scan)
            return ByVirtualKey(kLetterRows[i] - 'a' + 'A', out);
    for (const Key& k : kKeys)
        if (k.scan == scan && k.extended == extended && k.vk != VK_LSHIFT && k.vk != VK_LCONTROL && k.vk != VK_LMENU) {
            *out = k;
            return true;
        }
    return false;
}

bool Down(const BYTE* state, int vk) { return state && (state[vk] & 0x80); }

bool IsKeypadKey(int vk) { return vk >= VK_NUMPAD0 && vk <= VK_DIVIDE; }

}

HKL GetKeyboardLayout(DWORD) { return reinterpret_cast<HKL>(kUsLayout); }

int GetKeyboardLayoutList(int count, HKL* layouts)
{
    if (count > 0 && layouts)
        layouts[0] = reinterpret_cast<HKL>(kUsLayout);
    return 1;
}

UINT MapVirtualKeyExW(UINT code, UINT mapType, HKL)
{
    Key k;
    switch (mapType) {
    case MAPVK_VK_TO_VSC: return ByVirtualKey(int(code), &k) ? k.scan : 0;
    case MAPVK_VSC_TO_VK:
    case MAPVK_VSC_TO_VK_EX:
        if (!ByScan(WORD(code & 0xFF), false, &k))
            return 0;
        if (mapType == MAPVK_VSC_TO_VK && (k.vk == VK_RSHIFT))
            return VK_SHIFT;
        if (mapType == MAPVK_VSC_TO_VK_EX && k.vk == VK_SHIFT)
            return VK_LSHIFT;
        if (mapType == MAPVK_VSC_TO_VK_EX && k.vk == VK_CONTROL)
            return VK_LCONTROL;
        if (mapType == MAPVK_VSC_TO_VK_EX && k.vk == VK_MENU)
            return VK_LMENU;
        return UINT(k.vk);
    case MAPVK_VK_TO_CHAR:
        if (!ByVirtualKey(int(code), &k) || !k.normal || (code >= VK_NUMPAD0 && code <= VK_DIVIDE))
            return 0;
        // Letters map to their capital, as the platform does.
        return (code >= 'A' && code <= 'Z') ? code : k.normal;
    default: return 0;
    }
}

int ToUnicodeEx(UINT virtualKey, UINT, const BYTE* keyState, WCHAR* buffer, int count, UINT, HKL)
{
    Key k;
    if (!ByVirtualKey(int(virtualKey), &k) || !k.normal || count <= 0 || !buffer)
        return 0;
    const bool shift = Down(keyState, VK_SHIFT);
    const bool ctrl = Down(keyState, VK_CONTROL);
    const bool alt = Down(keyState, VK_MENU);
    const bool caps = keyState && (keyState[VK_CAPITAL] & 1);
    if (ctrl && alt)
        return 0; // no AltGr characters on this layout
    const bool numLock = keyState && (keyState[VK_NUMLOCK] & 1);
    if (((virtualKey >= UINT(VK_NUMPAD0) && virtualKey <= UINT(VK_NUMPAD9)) || virtualKey == UINT(VK_DECIMAL)) && !numLock)
        return 0;
    char16_t c;
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        if (ctrl) {
            c = char16_t(virtualKey - 'A' + 1);
        } else {
            c = (shift != caps) ? k.shifted : k.normal;
        }
    } else if (ctrl) {
        // Ctrl gives control characters for a few keys only.
        switch (virtualKey) {
        case VK_OEM_4: c = 0x1B; break;
        case VK_OEM_5: c = 0x1C; break;
        case VK_OEM_6: c = 0x1D; break;
        case VK_RETURN: c = 0x0A; break;
        case VK_BACK: c = 0x7F; break;
        case VK_SPACE: c = u' '; break;
        default: return 0;
        }
    } else {
        c = shift ? k.shifted : k.normal;
    }
    buffer[0] = c;
    if (count > 1)
        buffer[1] = 0;
    return 1;
}

SHORT VkKeyScanExW(WCHAR character, HKL)
{
    if (character >= u'a' && character <= u'z')
        return SHORT(character - u'a' + 'A');
    if (character >= u'A' && character <= u'Z')
        return SHORT(0x100 | character);
    if (character >= u'0' && character <= u'9')
        return SHORT(character);
    if (character >= 1 && character <= 26)
        return SHORT(0x200 | (character - 1 + 'A'));
    for (int d = 0; d < 10; ++d)
        if (kDigitsShifted[d] == character)
            return SHORT(0x100 | ('0' + d));
    for (const Key& k : kKeys) {
        if (IsKeypadKey(k.vk) || k.vk == VK_OEM_102)
            continue;
        if (k.normal && k.normal == character)
            return SHORT(k.vk);
        if (k.shifted && k.shifted == character && k.vk != VK_ESCAPE && k.vk != VK_BACK && k.vk != VK_TAB && k.vk != VK_RETURN
            && k.vk != VK_SPACE)
            return SHORT(0x100 | k.vk);
    }
    return -1;
}

int GetKeyNameTextW(LONG lParam, WCHAR* buffer, int count)
{
    if (!buffer || count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WORD scan = WORD((DWORD(lParam) >> 16) & 0xFF);
    const bool extended = (DWORD(lParam) >> 24) & 1;
    Key k;
    std::u16string name;
    if (ByScan(scan, extended, &k))
        name = k.name;
    else if (extended && ByScan(scan, false, &k))
        name = k.name; // an extended form without a name of its own
    const int n = std::min(int(name.size()), count - 1);
    std::copy_n(name.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

bool user_detail::UsKeyIsExtended(int virtualKey)
{
    Key k;
    return ByVirtualKey(virtualKey, &k) && k.extended;
}
