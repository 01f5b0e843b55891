#pragma once
// Process-wide code-page identity. The "ANSI" code page is UTF-8 (65001) and the OEM code page
// is 437; tests may switch the ANSI page (to 1252, say) to exercise lossy conversions.

#include "platform/base/Types.h"

#include <string>
#include <string_view>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;

UINT GetACP();
UINT GetOEMCP();

// Test hook: not meant to be called while other threads convert text.
void SetAnsiCodePageForTesting(UINT codePage);

// Text between the ANSI code page and UTF-8; characters the page lacks become '?'.
std::string Utf8FromAnsi(std::string_view ansi);
std::string AnsiFromUtf8(std::string_view utf8);
