#pragma once
// The callback a ProgressMonitor uses when the caller gave none: it records the last percent and
// answers every question with its own abort flag (false unless somebody sets it).

#include "components/foundation/ProgressEvent.h"

class AsyncProgressEvent : public ProgressEvent {
public:
    void OnPercentDone(int percent, bool* abort) override;
    void OnAbortCheck(bool* abort) override;
    void OnHeartbeat(int reserved, bool* abort) override;

    bool m_abort = false;
    int m_lastPercent = 0;
};
