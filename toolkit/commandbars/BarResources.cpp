#include "toolkit/commandbars/BarResources.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

namespace {

UINT Word(const BYTE* p)
{
    return UINT(p[0]) | (UINT(p[1]) << 8);
}

} // namespace

BOOL JQWParseToolBarResource(const BYTE* data, std::size_t size, JQW_TOOLBAR_RESOURCE& out)
{
    out = JQW_TOOLBAR_RESOURCE {};
    if (!data || size < 8)
        return FALSE;
    const int width = int(Word(data + 2));
    const int height = int(Word(data + 4));
    const std::size_t count = Word(data + 6);
    if (width < 1 || width > JQW_MAX_TOOLBAR_ICON || height < 1 || height > JQW_MAX_TOOLBAR_ICON)
        return FALSE;
    if (count > (size - 8) / 2)
        return FALSE;
    out.iconSize = CSize(width, height);
    out.ids.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.ids.push_back(Word(data + 8 + 2 * i));
    return TRUE;
}

BOOL JQWLoadToolBarResource(HINSTANCE module, UINT id, JQW_TOOLBAR_RESOURCE& out)
{
    out = JQW_TOOLBAR_RESOURCE {};
    if (!module)
        module = AfxFindResourceHandle(MAKEINTRESOURCEW(id), RT_TOOLBAR);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_TOOLBAR);
    if (!resource)
        return FALSE;
    HGLOBAL handle = LoadResource(module, resource);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data)
        return FALSE;
    return JQWParseToolBarResource(static_cast<const BYTE*>(data), SizeofResource(module, resource), out);
}

CSize JQWButtonSizeFor(CSize barButtonSize, CSize iconSize)
{
    if (barButtonSize.cx != 0 || barButtonSize.cy != 0)
        return barButtonSize;
    return CSize(iconSize.cx + 6, iconSize.cy + 6);
}

CString JQWToolTipWithShortcut(const CString& text, const CString& shortcut)
{
    if (shortcut.IsEmpty())
        return text;
    return text + u" (" + shortcut + u")";
}
