#pragma once
// English texts for the error codes this layer produces, in the manner of FormatMessage with
// FORMAT_MESSAGE_FROM_SYSTEM: one sentence ending in ".\r\n". A code without a table entry that is
// the thread's current last error and came from an errno value without a counterpart is described
// by strerror of that errno; any other unknown code has no text (FormatMessage fails with
// ERROR_MR_MID_NOT_FOUND, the text helpers return an empty string).

#include "platform/base/Types.h"

#include <string>

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

// Only FORMAT_MESSAGE_FROM_SYSTEM is served (other sources fail with ERROR_INVALID_PARAMETER);
// inserts are never expanded and the language is ignored. With FORMAT_MESSAGE_ALLOCATE_BUFFER,
// `buffer` is really a char** (WCHAR**) that receives a block to free with LocalFree; otherwise
// the text is copied into `buffer` of `size` characters (ERROR_INSUFFICIENT_BUFFER when it does
// not fit). Returns the number of characters stored, without the terminator; 0 on failure.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
    void* arguments);
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId, WCHAR* buffer, DWORD size,
    void* arguments);

void* LocalAlloc(UINT flags, std::size_t bytes);
void* LocalFree(void* block); // returns null on success

// The text of a code without the final ".\r\n" trimmed: exactly what FormatMessage would store.
// Empty when the code has no text.
std::string SystemErrorText(DWORD code);
std::u16string SystemErrorTextW(DWORD code);
