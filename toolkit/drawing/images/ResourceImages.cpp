#include "toolkit/drawing/images/AlphaBitmaps.h"
#include "toolkit/drawing/images/GraphicBitmapPng.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A resource's bytes, or an empty span.
struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes Bytes(HMODULE module, const WCHAR* name, const WCHAR* type)
{
    HRSRC found = FindResourceW(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return {};
    return { data, SizeofResource(module, found) };
}

bool ReadInfoHeader(const ResourceBytes& bytes, BITMAPINFOHEADER* header)
{
    if (!bytes.data || bytes.size < sizeof(BITMAPINFOHEADER))
        return false;
    std::memcpy(header, bytes.data, sizeof *header);
    return true;
}

WORD Word(const BYTE* p)
{
    return WORD(p[0] | (p[1] << 8));
}

} // namespace

bool IsPngResource(HMODULE module, const WCHAR* name)
{
    const ResourceBytes bytes = Bytes(module, name, u"PNG");
    return bytes.size >= 4 && std::memcmp(bytes.data, "\x89PNG", 4) == 0;
}

bool IsBitmapResource32(HMODULE module, const WCHAR* name)
{
    BITMAPINFOHEADER header {};
    return ReadInfoHeader(Bytes(module, name, RT_BITMAP), &header) && header.biBitCount == 32;
}

HBITMAP LoadAlphaBitmapResource(HMODULE module, const WCHAR* name)
{
    const ResourceBytes bytes = Bytes(module, name, RT_BITMAP);
    BITMAPINFOHEADER header {};
    if (!ReadInfoHeader(bytes, &header) || header.biBitCount != 32)
        return nullptr;
    const LONGLONG height = header.biHeight < 0 ? -LONGLONG(header.biHeight) : LONGLONG(header.biHeight);
    if (header.biWidth <= 0 || height <= 0 || header.biWidth > 0x8000 || height > 0x8000)
        return nullptr;
    const std::size_t needed = std::size_t(header.biWidth) * std::size_t(height) * 4;
    if (bytes.size - sizeof(BITMAPINFOHEADER) < needed)
        return nullptr;
    BITMAPINFO info {};
    info.bmiHeader = header;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits)
        return section;
    std::memcpy(bits, bytes.data + sizeof(BITMAPINFOHEADER), needed);
    return section;
}

HBITMAP LoadAlphaBitmapResourceById(UINT id)
{
    return LoadAlphaBitmapResource(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}

HBITMAP LoadBitmapFromModule(HMODULE module, const WCHAR* name, BOOL* alpha)
{
    if (alpha)
        *alpha = FALSE;
    if (IsPngResource(module, name)) {
        CJQWGraphicBitmapPng png;
        if (!png.LoadFromResource(module, FindResourceW(module, name, u"PNG")))
            return nullptr;
        if (alpha)
            *alpha = png.IsAlpha();
        return png.Detach();
    }
    if (IsBitmapResource32(module, name)) {
        HBITMAP bitmap = LoadAlphaBitmapResource(module, name);
        if (alpha && bitmap)
            *alpha = TRUE;
        return bitmap;
    }
    return static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
}

HBITMAP LoadBitmapFromResource(const WCHAR* name, BOOL* alpha)
{
    return LoadBitmapFromModule(AfxGetResourceHandle(), name, alpha);
}

HBITMAP LoadBitmapFromFile(const std::u16string& path, BOOL* alpha)
{
    if (alpha)
        *alpha = FALSE;
    if (IsPngFile(path)) {
        CJQWGraphicBitmapPng png;
        if (!png.LoadFromFile(path.c_str()))
            return nullptr;
        if (alpha)
            *alpha = png.IsAlpha();
        return png.Detach();
    }
    const bool is32 = IsBitmapFile32(path);
    const UINT flags = LR_LOADFROMFILE | LR_DEFAULTSIZE | (is32 ? LR_CREATEDIBSECTION : 0);
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, flags));
    if (alpha && bitmap)
        *alpha = is32;
    return bitmap;
}

BOOL CJQWIconImageHandle::LoadIconResource(UINT id, int cx, int cy, BOOL fromGroup)
{
    HMODULE module = AfxGetResourceHandle();
    auto loadImage = [&](const WCHAR* name) {
        const ResourceBytes bytes = Bytes(module, name, RT_ICON);
        if (!bytes.data)
            return;
        BITMAPINFOHEADER header {};
        if (ReadInfoHeader(bytes, &header) && header.biSize == sizeof header && header.biBitCount == 32) {
            if (HBITMAP bitmap = AlphaBitmapFromIconImage(bytes.data, bytes.size))
                SetBitmap(bitmap);
            return;
        }
        if (HICON icon = CreateIconFromResourceEx(bytes.data, bytes.size, TRUE, 0x30000, cx, cy, LR_DEFAULTCOLOR))
            SetIcon(icon);
    };
    const ResourceBytes group = fromGroup ? Bytes(module, MAKEINTRESOURCEW(id), RT_GROUP_ICON) : ResourceBytes {};
    if (group.data) {
        const std::size_t entries =
            group.size >= 6 ? std::min<std::size_t>(Word(group.data + 4), (group.size - 6) / 14) : 0;
        for (std::size_t i = entries; i-- > 0 && IsEmpty();) {
            const BYTE* entry = group.data + 6 + i * 14;
            if (entry[0] == cx && entry[1] == cy)
                loadImage(MAKEINTRESOURCEW(Word(entry + 12)));
        }
        return !IsEmpty();
    }
    loadImage(MAKEINTRESOURCEW(id));
    return !IsEmpty();
}

BOOL CJQWImageManager::SetIconsFromResource(UINT bitmapId, const UINT* ids, int count, CSize size, int state)
{
    BOOL alpha = FALSE;
    HBITMAP bitmap = LoadBitmapFromResource(MAKEINTRESOURCEW(bitmapId), &alpha);
    if (!bitmap)
        return FALSE;
    const BOOL stored = SetIconsFromBitmap(bitmap, ids, count, size, state, alpha);
    DeleteObject(bitmap);
    return stored;
}

BOOL CJQWImageManager::SetIconsFromToolBar(UINT toolbarId, int state)
{
    const ResourceBytes bytes = Bytes(AfxGetResourceHandle(), MAKEINTRESOURCEW(toolbarId), RT_TOOLBAR);
    if (!bytes.data || bytes.size < 8)
        return FALSE;
    const std::size_t count = std::min<std::size_t>(Word(bytes.data + 6), (bytes.size - 8) / 2);
    std::vector<UINT> ids;
    for (std::size_t i = 0; i < count; ++i)
        if (WORD id = Word(bytes.data + 8 + i * 2))
            ids.push_back(id);
    return SetIconsFromResource(toolbarId, ids.data(), int(ids.size()), CSize(0, 0), state);
}
