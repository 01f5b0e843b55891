#pragma once
// Global memory blocks: the currency of the clipboard and of data objects. A handle is an opaque
// record (for GMEM_FIXED the data pointer itself); every call checks that the handle is live, so a
// stale or made-up handle fails with ERROR_INVALID_HANDLE instead of touching memory.

#include "platform/base/Types.h"

#include <cstddef>

using HGLOBAL = void*;
using SIZE_T = std::size_t;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = GMEM_SHARE;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;

// Null with ERROR_NOT_ENOUGH_MEMORY when the block cannot be had (blocks above 1 GiB are refused).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Keeps the handle when it can; GMEM_ZEROINIT clears what the block grows by.
HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);
// Null on success, the handle when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL memory);
void* GlobalLock(HGLOBAL memory);
// TRUE while the block stays locked; FALSE with ERROR_SUCCESS when the last lock went, and with
// ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
// The lock count in the low byte; GMEM_INVALID_HANDLE for a dead handle.
UINT GlobalFlags(HGLOBAL memory);
// The handle of a locked block's data pointer.
HGLOBAL GlobalHandle(const void* data);

constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
