#include "platform/shell/Clipboard.h"

#include "platform/base/FileSystemInternal.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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

// The text format that the given one can be made from, or 0.
UINT TextSource(State& s, UINT format)
{
    if (format != CF_TEXT && format != CF_UNICODETEXT)
        return 0;
    const UINT other = format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
    return Lookup(s, other) ? other : 0;
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

// Made on first request and then kept like data that was set.
HANDLE Synthesize(State& s, UINT format, UINT source)
{
    HANDLE data = Lookup(s, source)->data;
    HANDLE made = nullptr;
    if (format == CF_UNICODETEXT) {
        const std::string ansi = ReadText<char>(data);
        made = MakeText(Utf8ToUtf16(file_internal::Utf8FromAnsi(ansi)));
    } else {
        const std::u16string wide = ReadText<char16_t>(data);
        made = MakeText(file_internal::AnsiFromUtf8(Utf16ToUtf8(wide)));
    }
    if (made)
        s.entries.push_back({ format, made, true });
    return made;
}

std::u16string Folded(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return folded;
}

} // namespace

BOOL OpenClipboard(HWND newOwner)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.openBy && *s.openBy != std::this_thread::get_id()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    s.openBy = std::this_thread::get_id();
    s.openWindow = newOwner;
    return TRUE;
}

BOOL CloseClipboard()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return FALSE;
    s.openBy.reset();
    s.openWindow = nullptr;
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
    // A copy made from the old text in the other form would no longer match.
    if (format == CF_TEXT || format == CF_UNICODETEXT) {
        const UINT other = format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
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
    if (UINT source = TextSource(s, format))
        return Synthesize(s, format, source);
    SetLastError(ERROR_NOT_FOUND);
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return Lookup(s, format) || TextSource(s, format) ? TRUE : FALSE;
}

UINT EnumClipboardFormats(UINT format)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!OpenedHere(s))
        return 0;
    // The formats set, then the text form that could be made from them.
    std::vector<UINT> formats;
    for (const Entry& entry : s.entries)
        formats.push_back(entry.format);
    for (UINT text : { CF_UNICODETEXT, CF_TEXT })
        if (!Lookup(s, text) && TextSource(s, text))
            formats.push_back(text);
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
    int count = int(s.entries.size());
    for (UINT text : { CF_UNICODETEXT, CF_TEXT })
        if (!Lookup(s, text) && TextSource(s, text))
            ++count;
    return count;
}

UINT RegisterClipboardFormatW(const WCHAR* name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = state();
    std::lock_guard lock(s.mutex);
    const std::u16string folded = Folded(name);
    for (std::size_t i = 0; i < s.registered.size(); ++i)
        if (Folded(s.registered[i]) == folded)
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
