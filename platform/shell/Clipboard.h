#pragma once
// The clipboard, kept in the process. One thread at a time has it open; data handed over with
// SetClipboardData belongs to the clipboard until the next EmptyClipboard (global memory blocks
// are freed, bitmaps deleted). CF_TEXT and CF_UNICODETEXT are each offered from the other, and
// CF_DIB (a packed DIB in global memory) and CF_BITMAP likewise.

#include "platform/base/GlobalMemory.h"
#include "platform/base/Types.h"
#include "platform/user/Messages.h"

using HANDLE = void*;

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_LOCALE = 16;
// Registered formats take ids from this range.
constexpr UINT kFirstRegisteredClipboardFormat = 0xC000;

constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;

// FALSE with ERROR_ACCESS_DENIED while another thread has it open. The window may be any value
// (null included); it becomes the owner on EmptyClipboard.
BOOL OpenClipboard(HWND newOwner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Null data (delayed rendering) is not offered: there is no owner to render it later.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The clipboard keeps the returned block: read it, never free it.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
// 0 starts; 0 at the end with ERROR_SUCCESS, or when the clipboard is not open.
UINT EnumClipboardFormats(UINT format);
int CountClipboardFormats();
// The same id for names equal without case; 0 for an empty name.
UINT RegisterClipboardFormatW(const WCHAR* name);
// Copies at most maxCount - 1 units and a NUL; 0 for a format that was not registered.
int GetClipboardFormatNameW(UINT format, WCHAR* name, int maxCount);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
