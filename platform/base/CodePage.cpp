#include "platform/base/CodePage.h"

#include <atomic>

namespace {
std::atomic<UINT> s_ansiCodePage { CP_UTF8 };
}

UINT GetACP() { return s_ansiCodePage.load(std::memory_order_relaxed); }

UINT GetOEMCP() { return 437; }

void SetAnsiCodePageForTesting(UINT codePage) { s_ansiCodePage.store(codePage, std::memory_order_relaxed); }
