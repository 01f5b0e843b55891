#pragma once
// Accelerator tables: ACCEL records (six bytes each, the layout stored in settings) behind a
// checked handle.

#include "platform/base/Types.h"
#include "platform/user/Messages.h"

struct HACCEL__;
using HACCEL = HACCEL__*;

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

#pragma pack(push, 2)
struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};
#pragma pack(pop)
static_assert(sizeof(ACCEL) == 6);

// Null for a count below 1 or a null table.
HACCEL CreateAcceleratorTableW(const ACCEL* entries, int count);
// With a null destination, the table's count; else copies min(count, the table's count) records
// and returns that number. 0 for an invalid handle.
int CopyAcceleratorTableW(HACCEL table, ACCEL* destination, int count);
BOOL DestroyAcceleratorTable(HACCEL table);

// For a key down (FVIRTKEY entries: the virtual key with exactly the modifiers held, as of the
// message's retrieval) or a character (other entries; FALT ones match WM_SYSCHAR), sends
// WM_COMMAND with the command in the low word and 1 in the high word of wParam to `window`.
// Returns non-zero when an entry matched.
int TranslateAcceleratorW(HWND window, HACCEL table, MSG* msg);
inline int TranslateAccelerator(HWND window, HACCEL table, MSG* msg) { return TranslateAcceleratorW(window, table, msg); }
