#include "components/foundation/AsyncProgressEvent.h"

void AsyncProgressEvent::OnPercentDone(int percent, bool* abort)
{
    m_lastPercent = percent;
    if (abort)
        *abort = m_abort;
}

void AsyncProgressEvent::OnAbortCheck(bool* abort)
{
    if (abort)
        *abort = m_abort;
}

void AsyncProgressEvent::OnHeartbeat(int, bool* abort)
{
    if (abort)
        *abort = m_abort;
}
