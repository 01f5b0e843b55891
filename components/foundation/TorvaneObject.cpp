#include "components/foundation/TorvaneObject.h"

#include <atomic>

namespace {
// Atomic so that objects made on several threads never race; the numbers are informational only.
std::atomic<int> g_nextSerial { 100 };
}

TorvaneObject::TorvaneObject()
    : m_serial(g_nextSerial.fetch_add(1, std::memory_order_relaxed))
{
}

TorvaneObject::TorvaneObject(const TorvaneObject&)
    : TorvaneObject()
{
}
