#pragma once
// Accompanies one long operation: turns the amount done into percent notifications (only when the
// integer percent grows) and timed abort checks on the caller's callback, and remembers the answer
// of the most recent question. The aborted flag is not latched: each consume, set-done, reset and
// heartbeat clears it before asking again, so callers test IsAborted right after each call.

#include "components/foundation/AsyncProgressEvent.h"
#include "platform/base/Types.h"

#include <cstdint>

class ProgressMonitor {
public:
    ProgressMonitor();
    // A null callback means the embedded default.
    ProgressMonitor(ProgressEvent* callback, std::int64_t total);
    ProgressMonitor(const ProgressMonitor&) = delete;
    ProgressMonitor& operator=(const ProgressMonitor&) = delete;
    virtual ~ProgressMonitor() = default;

    static ProgressMonitor ConstructWithTotal(ProgressEvent* callback, std::uint32_t total)
    {
        return ProgressMonitor(callback, std::int64_t(total));
    }
    static ProgressMonitor ConstructWithTotal64(ProgressEvent* callback, std::uint32_t low, std::uint32_t high)
    {
        return ProgressMonitor(callback, std::int64_t((std::uint64_t(high) << 32) | low));
    }

    void ResetTotal(std::uint32_t total) { ResetTotal64(std::int64_t(total)); }
    void SetTotal(std::uint32_t total) { ResetTotal(total); }
    void ResetTotal64(std::int64_t total);

    void ConsumeProgress(std::uint32_t count, bool* abort);
    void ConsumeProgress64(std::int64_t count, bool* abort);
    void SetDone(std::uint32_t amount, bool* abort) { SetDone64(std::int64_t(amount), abort); }
    void SetDone64(std::int64_t amount, bool* abort);
    // Consumes what remains without abort checks; with hold-100 set, then sends 100 percent.
    void Complete();
    // True only when a heartbeat was sent and left the monitor aborted.
    bool CheckHeartbeat(DWORD intervalMs);
    // With an interval: CheckHeartbeat. With 0: a timed abort check (at most every 300 ms) that
    // only ever sets the aborted flag; the result is the aborted flag afterwards.
    bool AbortCheck(DWORD intervalMs, const char* callSite = nullptr);
    bool IsAborted() const { return m_aborted; }
    void ForwardValues(int code, int value);
    void NotifyNumericInfo(int code, int value) { ForwardValues(code, value); }

    void SetSuppressed(bool suppressed) { m_suppressed = suppressed; }
    void SetHold100(bool hold) { m_hold100 = hold; }
    void SetNoTimedChecks(bool noChecks) { m_noTimedChecks = noChecks; }

    std::int64_t GetTotal() const { return m_total; }
    std::int64_t GetDone() const { return m_done; }
    std::uint32_t GetLastPercent() const { return m_lastPercent; }
    AsyncProgressEvent& DefaultCallback() { return m_defaultCallback; }
    // The caller's event, or the embedded default when none was given (rate notifications).
    ProgressEvent* GetProgressEvent() const { return m_callback; }

    static std::uint32_t PercentOf(std::int64_t done, std::int64_t total);

private:
    void AddDone(std::int64_t count);

    AsyncProgressEvent m_defaultCallback;
    std::int64_t m_total;
    std::int64_t m_done = 0;
    std::uint32_t m_lastPercent = 0;
    ProgressEvent* m_callback;
    bool m_aborted = false;
    DWORD m_lastNotificationTick;
    DWORD m_heartbeatInterval = 0;
    bool m_noTimedChecks = false;
    DWORD m_lastHeartbeatTick = 0;
    bool m_suppressed = false;
    bool m_hold100 = false;
};
