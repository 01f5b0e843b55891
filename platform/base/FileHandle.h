#pragma once
// Handles to kernel objects. A handle is an opaque number that names one live object in a
// process-wide table; files and directory searches use it today, and any other closable object
// can derive from `KernelObject` and live in the same table. A stale or forged handle is refused
// with ERROR_INVALID_HANDLE instead of being dereferenced. Any thread may use any handle.

#include "platform/base/Types.h"

#include <memory>

using HANDLE = void*;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(LONG_PTR(-1));

class KernelObject {
public:
    virtual ~KernelObject();
};

// Puts the object in the table and returns its new handle (never null, never
// INVALID_HANDLE_VALUE). Values are not reused while the process runs.
HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null (with ERROR_INVALID_HANDLE set) when the handle names no
// live object of that kind. The returned reference keeps the object alive even if another thread
// closes the handle meanwhile.
std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle);

template <typename Object> std::shared_ptr<Object> LookupKernelObjectAs(HANDLE handle);

// Takes the handle out of the table when `accepts` agrees (null accepts every kind); the object
// goes when its last user lets it go. FALSE with ERROR_INVALID_HANDLE otherwise.
BOOL UnregisterKernelObject(HANDLE handle, bool (*accepts)(const KernelObject&));

BOOL CloseHandle(HANDLE handle);

void SetLastErrorInvalidHandle();

template <typename Object> std::shared_ptr<Object> LookupKernelObjectAs(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<Object>(LookupKernelObject(handle));
    if (!object)
        SetLastErrorInvalidHandle();
    return object;
}
