#pragma once
// The application's string table (resources/app/strings.rc, compiled at build time): UTF-16 texts
// by numeric id in the program's module.

#include "platform/base/Types.h"

#include <string>
#include <vector>

// The text of `id`, or null when the table has none. The pointer stays valid for the process.
const char16_t* FindStringResource(UINT id);

// The platform's LoadString without a module: copies at most bufferMax - 1 units and a NUL into
// `buffer` and returns the number copied (the text is cut when it does not fit); 0, with an empty
// buffer when there is room for it, when the id has no text. A bufferMax of 0 stores a pointer to
// the read-only text through `buffer` (as a const WCHAR**) and returns its length.
int LoadString(UINT id, WCHAR* buffer, int bufferMax);

// Sets `out` and returns true when the id has a text; leaves `out` untouched otherwise.
bool LoadStringResource(UINT id, std::u16string& out);
// The text, or the empty string.
std::u16string LoadStringText(UINT id);

// Every id that has a text, ascending (for tests and tools).
std::vector<UINT> StringResourceIds();
