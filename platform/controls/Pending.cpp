#include "platform/controls/ControlsInternal.h"

namespace platform::controls {

namespace {

LRESULT PendingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterTooltipClass() { RegisterControlClass(TOOLTIPS_CLASSW, PendingProc, CS_SAVEBITS); }

} // namespace platform::controls
