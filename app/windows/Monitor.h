#pragma once
// The display monitor nearest to a screen point.

#include "platform/framework/Object.h"
#include "platform/gdi/SystemModel.h"

class CMonitor : public CObject {
public:
    explicit CMonitor(POINT point);

    HMONITOR m_hMonitor = nullptr;
};
