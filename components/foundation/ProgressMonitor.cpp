#include "components/foundation/ProgressMonitor.h"

#include "platform/base/Clock.h"

namespace {
constexpr DWORD kDefaultCheckInterval = 300;
}

ProgressMonitor::ProgressMonitor()
    : ProgressMonitor(nullptr, 100)
{
}

ProgressMonitor::ProgressMonitor(ProgressEvent* callback, std::int64_t total)
    : m_total(total)
    , m_callback(callback ? callback : &m_defaultCallback)
    , m_lastNotificationTick(GetTickCount())
{
}

std::uint32_t ProgressMonitor::PercentOf(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return 100;
    // Scaling keeps done * 100 within 64 bits for any size.
    while (total > 1000000) {
        total /= 10;
        done /= 10;
    }
    return std::uint32_t(done * 100 / total);
}

void ProgressMonitor::ResetTotal64(std::int64_t total)
{
    m_total = total;
    m_done = 0;
    m_lastPercent = 0;
    m_aborted = false;
}

void ProgressMonitor::AddDone(std::int64_t count)
{
    if (count < 0)
        count = 0;
    if (m_done >= m_total || count >= m_total - m_done)
        m_done = m_total > m_done ? m_total : m_done;
    else
        m_done += count;
    if (m_done > m_total)
        m_done = m_total;
}

void ProgressMonitor::ConsumeProgress(std::uint32_t count, bool* abort)
{
    if (m_suppressed)
        return;
    ConsumeProgress64(std::int64_t(count), abort);
}

void ProgressMonitor::ConsumeProgress64(std::int64_t count, bool* abort)
{
    if (m_suppressed)
        return;
    bool localFlag = false;
    bool* flag = abort ? abort : &localFlag;
    *flag = false;
    m_aborted = false;

    std::uint32_t before = PercentOf(m_done, m_total);
    AddDone(count);
    std::uint32_t after = PercentOf(m_done, m_total);
    DWORD now = GetTickCount();

    if (after > before && after > m_lastPercent) {
        m_lastNotificationTick = now;
        if (m_hold100 && after == 100)
            return;
        m_lastPercent = after;
        m_callback->OnPercentDone(int(after), flag);
        if (*flag)
            m_aborted = true;
        return;
    }
    if (m_noTimedChecks)
        return;
    DWORD interval = m_heartbeatInterval ? m_heartbeatInterval : kDefaultCheckInterval;
    if (DWORD(now - m_lastNotificationTick) > interval) {
        m_lastNotificationTick = now;
        m_lastHeartbeatTick = now;
        m_callback->OnAbortCheck(flag);
        if (*flag)
            m_aborted = true;
    }
}

void ProgressMonitor::SetDone64(std::int64_t amount, bool* abort)
{
    bool localFlag = false;
    bool* flag = abort ? abort : &localFlag;
    *flag = false;
    m_aborted = false;
    std::uint32_t before = PercentOf(m_done, m_total);
    m_done = amount < 0 ? 0 : (amount > m_total ? m_total : amount);
    std::uint32_t after = PercentOf(m_done, m_total);
    if (after > before && after > m_lastPercent && !(m_hold100 && after == 100)) {
        m_lastPercent = after;
        m_callback->OnPercentDone(int(after), flag);
        if (*flag)
            m_aborted = true;
    }
}

void ProgressMonitor::Complete()
{
    if (m_done < m_total && !m_suppressed) {
        m_aborted = false;
        std::uint32_t before = PercentOf(m_done, m_total);
        m_done = m_total;
        std::uint32_t after = PercentOf(m_done, m_total);
        if (after > before && after > m_lastPercent && !(m_hold100 && after == 100)) {
            m_lastNotificationTick = GetTickCount();
            m_lastPercent = after;
            bool ignored = false;
            m_callback->OnPercentDone(int(after), &ignored);
        }
    }
    if (m_hold100) {
        m_lastNotificationTick = GetTickCount();
        bool ignored = false;
        m_callback->OnPercentDone(100, &ignored);
    }
}

bool ProgressMonitor::CheckHeartbeat(DWORD intervalMs)
{
    m_heartbeatInterval = intervalMs;
    if (intervalMs == 0)
        return false;
    DWORD now = GetTickCount();
    if (m_lastHeartbeatTick >= now) {
        m_lastHeartbeatTick = now;
        return false;
    }
    if (now - m_lastHeartbeatTick < intervalMs)
        return false;
    m_lastHeartbeatTick = now;
    m_lastNotificationTick = now;
    m_callback->OnHeartbeat(0, &m_aborted);
    return m_aborted;
}

bool ProgressMonitor::AbortCheck(DWORD intervalMs, const char*)
{
    if (intervalMs != 0)
        return CheckHeartbeat(intervalMs);
    DWORD now = GetTickCount();
    if (DWORD(now - m_lastNotificationTick) <= kDefaultCheckInterval)
        return m_aborted;
    m_lastNotificationTick = now;
    m_lastHeartbeatTick = now;
    bool flag = false;
    m_callback->OnAbortCheck(&flag);
    if (flag)
        m_aborted = true;
    return m_aborted;
}

void ProgressMonitor::ForwardValues(int code, int value) { m_callback->OnNumericInfo(code, value); }
