#pragma once
// Private: the objects behind the handles, and the table of live handles.

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"

#include <memory>
#include <vector>

struct GdiObject {
    explicit GdiObject(DWORD objectType)
        : type(objectType)
    {
    }
    virtual ~GdiObject() = default;
    DWORD type;
    bool stock = false;
};

struct GdiFontObject final : GdiObject {
    GdiFontObject()
        : GdiObject(OBJ_FONT)
    {
    }
    LOGFONTW logFont {};
    std::shared_ptr<gdi_detail::FontInstance> instance;
};

// Everything SaveDC keeps. The clip is in device pixels, already inside the buffer.
struct DcState {
    POINT origin { 0, 0 };
    RECT clip { 0, 0, 0, 0 };
    HFONT font = nullptr;
    // Copies, so a context keeps drawing when its font handle is deleted.
    LOGFONTW logFont {};
    std::shared_ptr<gdi_detail::FontInstance> fontInstance;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
};

struct GdiDeviceContext final : GdiObject {
    GdiDeviceContext()
        : GdiObject(OBJ_MEMDC)
    {
    }
    GdiPixelBuffer buffer;
    DcState state;
    std::vector<DcState> saved;
};

namespace gdi_detail {

void RegisterObject(void* handle, GdiObject* object);
// Removes the handle; returns the object to free, or null when it was not live.
GdiObject* UnregisterObject(void* handle);
GdiObject* LookupObject(const void* handle);
GdiFontObject* LookupFont(const void* handle);
// Sets ERROR_INVALID_HANDLE when the handle is not a live device context.
GdiDeviceContext* LookupDC(HDC hdc);

} // namespace gdi_detail
