#include "resources/StringTable.h"

#include "AppCommandBars.h"
#include "AppStrings.h"
#include "platform/user/Resources.h"

#include <algorithm>

const char16_t* FindStringResource(UINT id)
{
    // Reading the tables here links them, and with them the start-up registration, into every
    // program that uses this file.
    if (AppStrings.count == 0 || AppCommandBars.count == 0)
        return nullptr;
    const WCHAR* text = nullptr;
    LoadStringW(nullptr, id, reinterpret_cast<WCHAR*>(&text), 0);
    return text;
}

int LoadString(UINT id, WCHAR* buffer, int bufferMax)
{
    return LoadStringW(nullptr, id, buffer, bufferMax);
}

bool LoadStringResource(UINT id, std::u16string& out)
{
    const char16_t* text = FindStringResource(id);
    if (!text)
        return false;
    out = text;
    return true;
}

std::u16string LoadStringText(UINT id)
{
    const char16_t* text = FindStringResource(id);
    return text ? std::u16string(text) : std::u16string();
}

std::vector<UINT> StringResourceIds()
{
    std::vector<UINT> ids;
    EnumResourceNamesW(
        nullptr, RT_STRING,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
            if (IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<UINT>*>(param)->push_back(UINT(reinterpret_cast<ULONG_PTR>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
