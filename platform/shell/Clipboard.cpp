#include "platform/shell/Clipboard.h"

#include "platform/base/CodePage.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/DisplayBackEnd.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Entry {
    UINT format;
    HANDLE data;
    bool synthesized = false;
};

struct State {
    std::mutex mutex;
    std::optional<std::thread::id> openBy;
    HWND openWindow = nullptr;
    HWND owner = nullptr;
    // In the order they were set, as enumeration lists them.
    std::vector<Entry> entries;
    std::vector<std::u16string> registered;
    bool changed = false; // since it was opened: the desktop gets the new text on closing
};

State& state()
{
    static State* instance = new State;
    return *instance;
}

bool IsGdiFormat(UINT format)
{
    return format == CF_BITMAP;
}

void Release(const Entry& entry)
{
    if (IsGdiFormat(entry.format))
        DeleteObject(static_cast<HGDIOBJ>(entry.data));
    else
        GlobalFree(entry.data);
}

bool OpenedHere(State& s)
{
    if (s.openBy && *s.openBy == std::this_thread::get_id())
        return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

Entry* Lookup(State& s, UINT format)
{
    for (Entry& entry : s.entries)
        if (entry.format == format)
            return &entry;
    return nullptr;
}

// The format that the given one can be made from, or 0: each text form from the other, a
// packed DIB from a bitmap and back.
UINT Counterpart(UINT format)
{
    switch (format) {
    case CF_TEXT: return CF_UNICODETEXT;
    case CF_UNICODETEXT: return CF_TEXT;
    case CF_DIB: return CF_BITMAP;
    case CF_BITMAP: return CF_DIB;
    default: return 0;
    }
}

UINT SourceFor(State& s, UINT format)
{
    const UINT other = Counterpart(format);
    return other && Lookup(s, other) ? other : 0;
}

// The formats set, then the forms that could be made from them: what enumeration lists.
std::vector<UINT> Offered(State& s)
{
    std::vector<UINT> formats;
    for (const Entry& entry : s.entries)
        formats.push_back(entry.format);
    for (UINT made : { CF_UNICODETEXT, CF_TEXT, CF_BITMAP, CF_DIB })
        if (!Lookup(s, made) && SourceFor(s, made))
            formats.push_back(made);
    return formats;
}

// The text up to its first NUL, never past the block's end.
template <class Unit> std::basic_string<Unit> ReadText(HANDLE data)
{
    const SIZE_T bytes = GlobalSize(data);
    const auto* units = static_cast<const Unit*>(GlobalLock(data));
    if (!units)
        return {};
    const SIZE_T count = bytes / sizeof(Unit);
    const SIZE_T length = std::find(units, units + count, Unit(0)) - units;
    std::basic_string<Unit> text(units, length);
    GlobalUnlock(data);
    return text;
}

template <class Unit> HANDLE MakeText(const std::basic_string<Unit>& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(Unit));
    if (!block)
        return nullptr;
    auto* units = static_cast<Unit*>(GlobalLock(block));
    std::memcpy(units, text.c_str(), (text.size() + 1) * sizeof(Unit));
    GlobalUnlock(block);
    return block;
}

struct ScreenDC {
    HDC dc = CreateCompatibleDC(nullptr);
    ~ScreenDC() { DeleteDC(dc); }
};

DWORD Stride(LONG width, WORD bits)
{
    return ((DWORD(width) * bits + 31) / 32) * 4;
}

// A packed DIB (header, colour table, bottom-up rows) of the bitmap, in its own depth.
HANDLE DibFromBitmap(HBITMAP bitmap)
{
    BITMAP size {};
    if (!GetObjectW(bitmap, sizeof size, &size) || size.bmWidth <= 0 || size.bmHeight == 0)
        return nullptr;
    BITMAPINFOHEADER header {};
    header.biSize = sizeof header;
    header.biWidth = size.bmWidth;
    header.biHeight = size.bmHeight < 0 ? -size.bmHeight : size.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = size.bmBitsPixel;
    header.biCompression = BI_RGB;
    header.biSizeImage = Stride(header.biWidth, header.biBitCount) * DWORD(header.biHeight);
    const std::size_t table = header.biBitCount <= 8 ? (std::size_t(1) << header.biBitCount) : 0;
    const std::size_t offset = sizeof header + table * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, offset + header.biSizeImage);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    if (!bytes)
        return nullptr;
    std::memcpy(bytes, &header, sizeof header);
    ScreenDC screen;
    const int rows = GetDIBits(screen.dc, bitmap, 0, UINT(header.biHeight), bytes + offset,
                               reinterpret_cast<BITMAPINFO*>(bytes), DIB_RGB_COLORS);
    GlobalUnlock(block);
    if (rows != header.biHeight) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

// A bitmap from a packed DIB that holds every byte its header asks for; null for any other.
HANDLE BitmapFromDib(HANDLE dib)
{
    const SIZE_T size = GlobalSize(dib);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bytes)
        return nullptr;
    HBITMAP made = nullptr;
    BITMAPINFOHEADER header {};
    if (size >= sizeof header) {
        std::memcpy(&header, bytes, sizeof header);
        const LONGLONG height = header.biHeight < 0 ? -LONGLONG(header.biHeight) : LONGLONG(header.biHeight);
        const WORD bits = header.biBitCount;
        const bool depthKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        const std::size_t maxTable = depthKnown && bits <= 8 ? (std::size_t(1) << bits) : 0;
        const std::size_t table = header.biClrUsed ? header.biClrUsed : maxTable;
        if (header.biSize == sizeof header && header.biPlanes == 1 && depthKnown && header.biCompression == BI_RGB &&
            header.biWidth > 0 && header.biWidth <= 0x8000 && height > 0 && height <= 0x8000 && table <= maxTable) {
            const std::size_t offset = sizeof header + table * sizeof(RGBQUAD);
            const std::size_t needed = offset + std::size_t(Stride(header.biWidth, bits)) * std::size_t(height);
            if (needed <= size) {
                // A screen-depth bitmap (a memory DC's own would be 1-bit).
                made = CreateBitmap(header.biWidth, int(height), 1, 32, nullptr);
                ScreenDC screen;
                if (made && SetDIBits(screen.dc, made, 0, UINT(height), bytes + offset,
                                      reinterpret_cast<const BITMAPINFO*>(bytes), DIB_RGB_COLORS) != int(height)) {
                    DeleteObject(made);
                    made = nullptr;
                }
            }
        }
    }
    GlobalUnlock(dib);
    return made;
}

// Made on first request and then kept like data that was set.
HANDLE Synthesize(State& s, UINT format, UINT source)
{
    HANDLE data = Lookup(s, source)->data;
    HANDLE made = nullptr;
    if (format == CF_UNICODETEXT) {
        const std::string ansi = ReadText<char>(data);
        made = MakeText(Utf8ToUtf16(Utf8FromAnsi(ansi)));
    } else if (format == CF_TEXT) {
        const std::u16string wide = ReadText<char16_t>(data);
        made = MakeText(AnsiFromUtf8(Utf16ToUtf8(wide)));
    } else if (format == CF_DIB) {
        made = DibFromBitmap(static_cast<HBITMAP>(data));
    } else if (format == CF_BITMAP) {
        made = BitmapFromDib(data);
    }
    if (made)
        s.entries.push_back({ format, made, true });
    return made;
}

} // namespace

BOOL OpenClipboard(HWND newOwner)
{
    // Text another program put on the desktop's clipboard since replaces ours.
    std::u16string foreign;
    DesktopTextClipboard* desktop = GetDesktopTextClipboard();
    const bool taken = desktop && desktop->Take(foreign);
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.openBy && *s.openBy != std::this_thread::get_id()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    s.openBy = std::this_thread::get_id();
    s.openWindow = newOwner;
    if (taken) {
        for (const Entry& entry : s.entries)
            Release(entry);
        s.entries.clear();
        s.owner = nullptr;
        if (HANDLE text = MakeText(foreign))
            s.entries.push_back({ CF_UNICODETEXT, text });
    }
    return TRUE;
}

BOOL CloseClipboard()
{
    std::u16string offered;
    bool offer = false;
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        if (!OpenedHere(s))
            return FALSE;
        s.openBy.reset();
        s.openWindow = nullptr;
        if (std::exchange(s.changed, false)) {
            offer = true;
            if (const Entry* wide = Lookup(s, CF_UNICODETEXT))
                offered = ReadText<char16_t>(wide->data);
            else if (const Entry* ansi = Lookup(s, CF_TEXT))
                offered = Utf8ToUtf16(Utf8FromAnsi(ReadText<char>(ansi->data)));
        }
    }
    if (DesktopTextClipboard* desktop = GetDesktopTextClipboard(); desktop && offer)
        desktop->Offer(offered);
    return TRUE;
}

BOOL EmptyClipboard()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return FALSE;
    for (const Entry& entry : s.entries)
        Release(entry);
    s.entries.clear();
    s.owner = s.openWindow;
    s.changed = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return nullptr;
    if (format == 0 || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    s.changed = true;
    // A copy made from the old data in the other form would no longer match.
    if (const UINT other = Counterpart(format)) {
        auto made = std::find_if(s.entries.begin(), s.entries.end(),
            [&](const Entry& e) { return e.format == other && e.synthesized; });
        if (made != s.entries.end()) {
            Release(*made);
            s.entries.erase(made);
        }
    }
    if (Entry* existing = Lookup(s, format)) {
        if (existing->data != data)
            Release(*existing);
        existing->data = data;
        existing->synthesized = false;
        return data;
    }
    s.entries.push_back({ format, data });
    return data;
}

HANDLE GetClipboardData(UINT format)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return nullptr;
    if (Entry* entry = Lookup(s, format))
        return entry->data;
    if (UINT source = SourceFor(s, format))
        return Synthesize(s, format, source);
    SetLastError(ERROR_NOT_FOUND);
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return Lookup(s, format) || SourceFor(s, format) ? TRUE : FALSE;
}

UINT EnumClipboardFormats(UINT format)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return 0;
    const std::vector<UINT> formats = Offered(s);
    SetLastError(ERROR_SUCCESS);
    if (format == 0)
        return formats.empty() ? 0 : formats.front();
    auto it = std::find(formats.begin(), formats.end(), format);
    if (it == formats.end() || ++it == formats.end())
        return 0;
    return *it;
}

int CountClipboardFormats()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return int(Offered(s).size());
}

UINT RegisterClipboardFormatW(const WCHAR* name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (std::size_t i = 0; i < s.registered.size(); ++i)
        if (EqualsNoCase(s.registered[i], name))
            return kFirstRegisteredClipboardFormat + UINT(i);
    if (s.registered.size() >= 0x4000) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    s.registered.emplace_back(name);
    return kFirstRegisteredClipboardFormat + UINT(s.registered.size() - 1);
}

int GetClipboardFormatNameW(UINT format, WCHAR* name, int maxCount)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (format < kFirstRegisteredClipboardFormat || format - kFirstRegisteredClipboardFormat >= s.registered.size() ||
        !name || maxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string& text = s.registered[format - kFirstRegisteredClipboardFormat];
    const int count = std::min(int(text.size()), maxCount - 1);
    std::copy_n(text.data(), count, name);
    name[count] = 0;
    return count;
}

HWND GetClipboardOwner()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.owner;
}

HWND GetOpenClipboardWindow()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.openBy ? s.openWindow : nullptr;
}
