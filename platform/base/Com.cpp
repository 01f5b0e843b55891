#include "platform/base/Com.h"

#include "platform/base/TextCase.h"

#include <cstdlib>
#include <cstring>

BSTR SysAllocStringLen(const WCHAR* text, UINT length)
{
    auto* block = static_cast<BYTE*>(std::malloc(sizeof(UINT) + (std::size_t(length) + 1) * sizeof(WCHAR)));
    if (!block)
        return nullptr;
    std::memcpy(block, &length, sizeof length);
    auto* characters = reinterpret_cast<WCHAR*>(block + sizeof(UINT));
    if (text)
        std::memcpy(characters, text, std::size_t(length) * sizeof(WCHAR));
    else
        std::memset(characters, 0, std::size_t(length) * sizeof(WCHAR));
    characters[length] = 0;
    return characters;
}

BSTR SysAllocString(const WCHAR* text)
{
    return text ? SysAllocStringLen(text, UINT(WideLength(text))) : nullptr;
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(reinterpret_cast<BYTE*>(text) - sizeof(UINT));
}

UINT SysStringLen(BSTR text)
{
    if (!text)
        return 0;
    UINT length;
    std::memcpy(&length, reinterpret_cast<BYTE*>(text) - sizeof(UINT), sizeof length);
    return length;
}
