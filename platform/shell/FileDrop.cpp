#include "platform/shell/FileDrop.h"

#include "platform/user/DisplayBackEnd.h"

#include <cstring>
#include <mutex>

namespace {

const DROPFILES* Header(HDROP drop, SIZE_T& size)
{
    size = drop ? GlobalSize(drop) : 0;
    if (size < sizeof(DROPFILES))
        return nullptr;
    auto* header = static_cast<const DROPFILES*>(GlobalLock(drop));
    if (header && (header->pFiles < sizeof(DROPFILES) || header->pFiles > size || !header->fWide)) {
        GlobalUnlock(drop);
        return nullptr;
    }
    return header;
}

// The names of a block, read within its size (a block without its final terminators ends at
// its last byte).
std::vector<std::u16string_view> Names(const DROPFILES* header, SIZE_T size)
{
    std::vector<std::u16string_view> names;
    const auto* base = reinterpret_cast<const BYTE*>(header);
    const auto* at = reinterpret_cast<const WCHAR*>(base + header->pFiles);
    const auto* end = reinterpret_cast<const WCHAR*>(base + (size - (size - header->pFiles) % sizeof(WCHAR)));
    while (at < end && *at) {
        const WCHAR* start = at;
        while (at < end && *at)
            ++at;
        names.emplace_back(start, size_t(at - start));
        ++at;
    }
    return names;
}

} // namespace

HDROP platform::shell::MakeDropFiles(const std::vector<std::u16string>& paths, POINT point, bool nonClient)
{
    size_t units = 1;
    for (const auto& p : paths)
        units += p.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(WCHAR));
    if (!block)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = nonClient;
    header->fWide = TRUE;
    auto* at = reinterpret_cast<WCHAR*>(header + 1);
    for (const auto& p : paths) {
        std::memcpy(at, p.data(), p.size() * sizeof(WCHAR));
        at += p.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

void platform::shell::EnableFileDrops()
{
    static std::once_flag once;
    std::call_once(once, [] {
        SetFileDropReceiver([](HWND window, POINT screen, const std::vector<std::u16string>& paths) {
            if (!IsWindow(window) || paths.empty())
                return;
            POINT client = screen;
            ScreenToClient(window, &client);
            RECT area;
            GetClientRect(window, &area);
            const bool inClient = client.x >= area.left && client.x < area.right && client.y >= area.top
                && client.y < area.bottom;
            HDROP drop = MakeDropFiles(paths, client, !inClient);
            if (drop && !PostMessageW(window, WM_DROPFILES, WPARAM(drop), 0))
                GlobalFree(drop);
        });
    });
}

void DragAcceptFiles(HWND window, BOOL accept)
{
    if (!IsWindow(window))
        return;
    platform::shell::EnableFileDrops();
    const LONG ex = GetWindowLongW(window, GWL_EXSTYLE);
    SetWindowLongW(window, GWL_EXSTYLE, accept ? (ex | LONG(WS_EX_ACCEPTFILES)) : (ex & ~LONG(WS_EX_ACCEPTFILES)));
}

UINT DragQueryFileW(HDROP drop, UINT index, WCHAR* buffer, UINT count)
{
    SIZE_T size = 0;
    const DROPFILES* header = Header(drop, size);
    if (!header)
        return 0;
    const auto names = Names(header, size);
    UINT result = 0;
    if (index == 0xFFFFFFFF) {
        result = UINT(names.size());
    } else if (index < names.size()) {
        const auto name = names[index];
        if (!buffer) {
            result = UINT(name.size());
        } else if (count > 0) {
            result = UINT(std::min<size_t>(name.size(), count - 1));
            std::memcpy(buffer, name.data(), result * sizeof(WCHAR));
            buffer[result] = 0;
        }
    }
    GlobalUnlock(drop);
    return result;
}

BOOL DragQueryPoint(HDROP drop, POINT* point)
{
    SIZE_T size = 0;
    const DROPFILES* header = Header(drop, size);
    if (!header)
        return FALSE;
    if (point)
        *point = header->pt;
    const BOOL client = !header->fNC;
    GlobalUnlock(drop);
    return client;
}

void DragFinish(HDROP drop)
{
    if (drop)
        GlobalFree(drop);
}
