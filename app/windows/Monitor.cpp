#include "app/windows/Monitor.h"

CMonitor::CMonitor(POINT point) : m_hMonitor(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)) { }
