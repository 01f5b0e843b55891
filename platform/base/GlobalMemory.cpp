#include "platform/base/GlobalMemory.h"

#include "platform/base/LastError.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

constexpr SIZE_T kMaxBlock = SIZE_T(1) << 30;
constexpr DWORD ERROR_NOT_LOCKED = 158;

struct Block {
    void* data = nullptr;
    SIZE_T size = 0;
    UINT lockCount = 0;
    bool fixed = false;
};

// Handles and data pointers of live blocks; a moveable block's handle is its record.
struct Registry {
    std::mutex mutex;
    std::unordered_map<const void*, Block*> byHandle;
    std::unordered_map<const void*, Block*> byData;
};

Registry& registry()
{
    static Registry* instance = new Registry;
    return *instance;
}

void* AllocateData(SIZE_T bytes, bool zero)
{
    // malloc(0) may answer null; a block of size 0 still needs a distinct address.
    const SIZE_T real = bytes ? bytes : 1;
    return zero ? std::calloc(real, 1) : std::malloc(real);
}

Block* Find(Registry& r, HGLOBAL memory)
{
    auto it = r.byHandle.find(memory);
    if (it == r.byHandle.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

HGLOBAL HandleOf(Block* block)
{
    return block->fixed ? block->data : static_cast<HGLOBAL>(block);
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > kMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* data = AllocateData(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* block = new Block { data, bytes, 0, (flags & GMEM_MOVEABLE) == 0 };
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.byHandle[HandleOf(block)] = block;
    r.byData[data] = block;
    return HandleOf(block);
}

HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags)
{
    if (bytes > kMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    if (!block)
        return nullptr;
    // A fixed or locked block would move under its users.
    if ((block->fixed || block->lockCount > 0) && bytes > block->size) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* data = std::realloc(block->data, bytes ? bytes : 1);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > block->size)
        std::memset(static_cast<BYTE*>(data) + block->size, 0, bytes - block->size);
    r.byData.erase(block->data);
    r.byHandle.erase(HandleOf(block));
    block->data = data;
    block->size = bytes;
    r.byData[data] = block;
    r.byHandle[HandleOf(block)] = block;
    return HandleOf(block);
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
    if (!memory)
        return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    if (!block)
        return memory;
    r.byHandle.erase(memory);
    r.byData.erase(block->data);
    std::free(block->data);
    delete block;
    return nullptr;
}

void* GlobalLock(HGLOBAL memory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    if (!block)
        return nullptr;
    if (!block->fixed && block->lockCount < GMEM_LOCKCOUNT)
        ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    if (!block)
        return FALSE;
    if (block->fixed || block->lockCount == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->lockCount > 0)
        return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL memory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    return block ? block->size : 0;
}

UINT GlobalFlags(HGLOBAL memory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Block* block = Find(r, memory);
    return block ? block->lockCount : GMEM_INVALID_HANDLE;
}

HGLOBAL GlobalHandle(const void* data)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.byData.find(data);
    if (it == r.byData.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return HandleOf(it->second);
}
