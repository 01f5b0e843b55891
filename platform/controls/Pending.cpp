#include "platform/controls/ControlsInternal.h"

namespace platform::controls {

namespace {

LRESULT PendingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterScrollBarClass() { RegisterControlClass(WC_SCROLLBARW, PendingProc, CS_DBLCLKS); }
void RegisterTrackbarClass() { RegisterControlClass(TRACKBAR_CLASSW, PendingProc, 0); }
void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASSW, PendingProc, 0); }
void RegisterTooltipClass() { RegisterControlClass(TOOLTIPS_CLASSW, PendingProc, CS_SAVEBITS); }

} // namespace platform::controls
