#include "platform/framework/ResourceHandle.h"

#include "platform/user/Resources.h"

#include <atomic>

namespace {

std::atomic<HINSTANCE> g_resourceHandle { nullptr };

} // namespace

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE module = g_resourceHandle.load();
    return module ? module : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module) { g_resourceHandle.store(module); }

HINSTANCE AfxFindResourceHandle(const WCHAR* name, const WCHAR* type)
{
    HINSTANCE current = AfxGetResourceHandle();
    if (FindResourceW(current, name, type))
        return current;
    return AfxGetInstanceHandle();
}

bool AfxFindStringResource(HINSTANCE__* module, UINT id, const char16_t** text, int* length)
{
    const WCHAR* found = nullptr;
    int count = LoadStringW(module ? module : AfxGetResourceHandle(), id, reinterpret_cast<WCHAR*>(&found), 0);
    if (!found)
        return false;
    *text = found;
    *length = count;
    return true;
}
