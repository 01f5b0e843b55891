#include "platform/base/FileHandle.h"

#include "platform/base/LastError.h"

#include <mutex>
#include <unordered_map>

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> objects;
    // Multiples of 4 like the platform's handles, starting well above small integers that a
    // caller might confuse with a handle.
    UINT_PTR nextValue = 0x1000;
};

HandleTable& table()
{
    static HandleTable instance;
    return instance;
}

UINT_PTR keyOf(HANDLE handle) { return reinterpret_cast<UINT_PTR>(handle); }

}

KernelObject::~KernelObject() = default;

void SetLastErrorInvalidHandle() { SetLastError(ERROR_INVALID_HANDLE); }

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object)
{
    HandleTable& handles = table();
    std::lock_guard guard(handles.lock);
    UINT_PTR value = handles.nextValue;
    handles.nextValue += 4;
    handles.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle)
{
    HandleTable& handles = table();
    std::lock_guard guard(handles.lock);
    auto found = handles.objects.find(keyOf(handle));
    if (found == handles.objects.end()) {
        SetLastErrorInvalidHandle();
        return nullptr;
    }
    return found->second;
}

BOOL UnregisterKernelObject(HANDLE handle, bool (*accepts)(const KernelObject&))
{
    std::shared_ptr<KernelObject> released;
    {
        HandleTable& handles = table();
        std::lock_guard guard(handles.lock);
        auto found = handles.objects.find(keyOf(handle));
        if (found == handles.objects.end() || (accepts && !accepts(*found->second))) {
            SetLastErrorInvalidHandle();
            return FALSE;
        }
        released = std::move(found->second);
        handles.objects.erase(found);
    }
    // The object's destructor (closing a descriptor, say) runs outside the table lock.
    released.reset();
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) { return UnregisterKernelObject(handle, nullptr); }
