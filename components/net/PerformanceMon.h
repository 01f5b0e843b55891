#pragma once
// Counts the bytes of one direction of a connection and reports the rate to the caller's
// progress event at most every 300 ms.

#include "platform/base/Types.h"

#include <cstdint>

class ProgressEvent;
class ProgressMonitor;

class PerformanceMon {
public:
    // 1 send side, 2 receive side, 0 anything else.
    explicit PerformanceMon(int kind = 0);

    void Reset();
    void AddBytes(std::uint64_t n, ProgressMonitor* monitor);
    void Notify(ProgressEvent* event);
    std::uint64_t GetByteCount() const { return m_bytes; }

private:
    DWORD m_startTick;
    std::uint64_t m_bytes = 0;
    DWORD m_lastNotifyTick = 0;
    int m_kind;
};
