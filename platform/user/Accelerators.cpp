#include "platform/user/Accelerators.h"

#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Handles are slot numbers with a generation count, so a destroyed table's handle stays invalid.
struct Slot {
    std::vector<ACCEL> entries;
    WORD generation = 1;
    bool live = false;
};

struct AccelTables {
    std::mutex mutex;
    std::vector<Slot> slots;
};

AccelTables& Tables()
{
    static AccelTables tables;
    return tables;
}

HACCEL MakeHandle(std::size_t slot, WORD generation)
{
    return reinterpret_cast<HACCEL>(static_cast<std::uintptr_t>((std::uintptr_t(generation) << 20) | (slot + 1)));
}

Slot* Find(AccelTables& tables, HACCEL handle)
{
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    std::size_t slot = (value & 0xFFFFF);
    if (slot == 0 || slot > tables.slots.size())
        return nullptr;
    Slot& s = tables.slots[slot - 1];
    if (!s.live || (value >> 20) != s.generation)
        return nullptr;
    return &s;
}

} // namespace

HACCEL CreateAcceleratorTableW(const ACCEL* entries, int count)
{
    if (!entries || count < 1)
        return nullptr;
    AccelTables& tables = Tables();
    std::lock_guard lock(tables.mutex);
    std::size_t slot = 0;
    while (slot < tables.slots.size() && tables.slots[slot].live)
        ++slot;
    if (slot == tables.slots.size())
        tables.slots.emplace_back();
    Slot& s = tables.slots[slot];
    s.entries.assign(entries, entries + count);
    s.live = true;
    return MakeHandle(slot, s.generation);
}

int CopyAcceleratorTableW(HACCEL table, ACCEL* destination, int count)
{
    AccelTables& tables = Tables();
    std::lock_guard lock(tables.mutex);
    Slot* s = Find(tables, table);
    if (!s)
        return 0;
    if (!destination)
        return int(s->entries.size());
    int copied = std::clamp(count, 0, int(s->entries.size()));
    std::copy_n(s->entries.begin(), copied, destination);
    return copied;
}

BOOL DestroyAcceleratorTable(HACCEL table)
{
    AccelTables& tables = Tables();
    std::lock_guard lock(tables.mutex);
    Slot* s = Find(tables, table);
    if (!s)
        return FALSE;
    s->live = false;
    s->entries.clear();
    s->generation = WORD(s->generation % 0xFFF + 1);
    return TRUE;
}

int TranslateAcceleratorW(HWND window, HACCEL table, MSG* msg)
{
    if (!window || !msg)
        return 0;
    const UINT m = msg->message;
    bool keyDown;
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN)
        keyDown = true;
    else if (m == WM_CHAR || m == WM_SYSCHAR)
        keyDown = false;
    else
        return 0;
    std::vector<ACCEL> entries;
    {
        AccelTables& tables = Tables();
        std::lock_guard lock(tables.mutex);
        Slot* s = Find(tables, table);
        if (!s)
            return 0;
        entries = s->entries;
    }
    const BYTE held = BYTE((GetKeyState(VK_SHIFT) < 0 ? FSHIFT : 0) | (GetKeyState(VK_CONTROL) < 0 ? FCONTROL : 0)
        | (GetKeyState(VK_MENU) < 0 ? FALT : 0));
    for (const ACCEL& e : entries) {
        if (e.key != msg->wParam)
            continue;
        if (e.fVirt & FVIRTKEY) {
            if (!keyDown || (e.fVirt & (FSHIFT | FCONTROL | FALT)) != held)
                continue;
        } else if (keyDown || ((e.fVirt & FALT) != 0) != (m == WM_SYSCHAR)) {
            continue;
        }
        SendMessage(window, WM_COMMAND, MAKEWPARAM(e.cmd, 1), 0);
        return 1;
    }
    return 0;
}
