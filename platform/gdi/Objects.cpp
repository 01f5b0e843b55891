// Handle table, font objects and object selection.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace gdi_detail {

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<const void*, GdiObject*> live;
};

// Never destroyed: handles may be released by other static objects at exit.
HandleTable& Table()
{
    static HandleTable* table = new HandleTable();
    return *table;
}

} // namespace

void RegisterObject(void* handle, GdiObject* object)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.live[handle] = object;
}

GdiObject* UnregisterObject(void* handle)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.live.find(handle);
    if (found == table.live.end())
        return nullptr;
    GdiObject* object = found->second;
    table.live.erase(found);
    return object;
}

GdiObject* LookupObject(const void* handle)
{
    if (!handle)
        return nullptr;
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.live.find(handle);
    return found == table.live.end() ? nullptr : found->second;
}

GdiFontObject* LookupFont(const void* handle)
{
    GdiObject* object = LookupObject(handle);
    return object && object->type == OBJ_FONT ? static_cast<GdiFontObject*>(object) : nullptr;
}

GdiDeviceContext* LookupDC(HDC hdc)
{
    GdiObject* object = LookupObject(hdc);
    if (!object || object->type != OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<GdiDeviceContext*>(object);
}

} // namespace gdi_detail

using namespace gdi_detail;

namespace {

HFONT MakeFont(const LOGFONTW& logFont, bool stock)
{
    auto instance = ResolveFont(logFont);
    if (!instance) {
        SetLastError(ERROR_NOT_FOUND);
        return nullptr;
    }
    auto* font = new GdiFontObject();
    font->logFont = logFont;
    font->instance = std::move(instance);
    font->stock = stock;
    RegisterObject(font, font);
    return font;
}

LOGFONTW StockLogFont(LONG height, LONG weight, const char16_t* face)
{
    LOGFONTW logFont {};
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::char_traits<char16_t>::copy(logFont.lfFaceName, face,
        std::min<size_t>(std::char_traits<char16_t>::length(face), LF_FACESIZE - 1));
    return logFont;
}

} // namespace

HFONT CreateFontIndirectW(const LOGFONTW* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return MakeFont(*logFont, false);
}

HGDIOBJ GetStockObject(int index)
{
    static std::mutex lock;
    static std::unordered_map<int, HGDIOBJ> made;
    LOGFONTW logFont {};
    switch (index) {
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
        logFont = StockLogFont(-11, FW_NORMAL, u"MS Shell Dlg");
        break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        logFont = StockLogFont(16, FW_BOLD, u"MS Shell Dlg");
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        logFont = StockLogFont(-13, FW_NORMAL, u"Courier New");
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard guard(lock);
    HGDIOBJ& object = made[index];
    if (!object)
        object = MakeFont(logFont, true);
    return object;
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* found = LookupObject(object);
    if (!found || found->type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->stock)
        return TRUE;
    delete UnregisterObject(object);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object)
{
    GdiObject* found = LookupObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->type;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer)
{
    GdiFontObject* font = LookupFont(object);
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!buffer)
        return int(sizeof(LOGFONTW));
    if (size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int copied = std::min(size, int(sizeof(LOGFONTW)));
    std::memcpy(buffer, &font->logFont, size_t(copied));
    return copied;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    GdiFontObject* font = LookupFont(object);
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HFONT previous = dc->state.font;
    dc->state.font = font;
    dc->state.logFont = font->logFont;
    dc->state.fontInstance = font->instance;
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    if (type == OBJ_FONT)
        return dc->state.font;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}
