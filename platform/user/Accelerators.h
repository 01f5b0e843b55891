#pragma once
// Accelerator tables: ACCEL records (six bytes each, the layout stored in settings) behind a
// checked handle.

#include "platform/base/Types.h"

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
