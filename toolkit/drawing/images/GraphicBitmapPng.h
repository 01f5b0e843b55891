#pragma once
// A PNG picture as a top-down 32-bit DIB section (blue, green, red, alpha; not premultiplied),
// and whether the picture kept an alpha channel.

#include "platform/framework/File.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Resources.h"

class CJQWGraphicBitmapPng {
public:
    CJQWGraphicBitmapPng() = default;
    ~CJQWGraphicBitmapPng() { DeleteObject(); }
    CJQWGraphicBitmapPng(const CJQWGraphicBitmapPng&) = delete;
    CJQWGraphicBitmapPng& operator=(const CJQWGraphicBitmapPng&) = delete;

    BOOL LoadFromFile(const WCHAR* path);
    // A "PNG" resource of the module.
    BOOL LoadFromResource(HMODULE module, HRSRC resource);
    // The bytes of a "PNG" resource (more than 9 of them).
    BOOL LoadFromMemory(const BYTE* data, std::size_t size);
    BOOL IsAlpha() const { return m_alpha; }

    HBITMAP GetSafeHandle() const { return m_bitmap; }
    operator HBITMAP() const { return m_bitmap; }
    // The caller owns what it detaches.
    HBITMAP Detach();
    void DeleteObject();

private:
    BOOL Load(CFile& file);

    HBITMAP m_bitmap = nullptr;
    BOOL m_alpha = FALSE;
};
