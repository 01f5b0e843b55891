#include "components/net/PerformanceMon.h"

#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/ProgressEvent.h"
#include "platform/base/Clock.h"

PerformanceMon::PerformanceMon(int kind)
    : m_startTick(GetTickCount())
    , m_kind(kind)
{
}

void PerformanceMon::Reset()
{
    m_bytes = 0;
    m_lastNotifyTick = 0;
    m_startTick = GetTickCount();
}

void PerformanceMon::AddBytes(std::uint64_t n, ProgressMonitor* monitor)
{
    m_bytes += n;
    if (monitor)
        Notify(monitor->GetProgressEvent());
}

void PerformanceMon::Notify(ProgressEvent* event)
{
    if (!event)
        return;
    DWORD now = GetTickCount();
    if (now < m_startTick || now < m_lastNotifyTick) {
        Reset();
        return;
    }
    if (m_lastNotifyTick != 0 && now - m_lastNotifyTick < 300)
        return;
    if (m_bytes > 0xFFFFFFFFull)
        return;
    m_lastNotifyTick = now;
    DWORD elapsed = now - m_startTick;
    if (elapsed == 0)
        return;
    std::uint64_t rate = m_bytes * 1000 / elapsed;
    if (rate > 0xFFFFFFFFull)
        return;
    if (m_kind == 1)
        event->OnSendRate(std::uint32_t(m_bytes), std::uint32_t(rate));
    else if (m_kind == 2)
        event->OnReceiveRate(std::uint32_t(m_bytes), std::uint32_t(rate));
    else
        event->OnThroughput(std::uint32_t(m_bytes), std::uint32_t(rate));
}
