#include "platform/controls/ControlsInternal.h"

namespace platform::controls {

namespace {

LRESULT PendingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterEditClasses()
{
    for (const WCHAR* name : { WC_EDITW, RICHEDIT_CLASSW, MSFTEDIT_CLASS, RICHEDIT_CLASSA })
        RegisterControlClass(name, PendingProc, CS_DBLCLKS);
}
void RegisterListBoxClasses()
{
    RegisterControlClass(WC_LISTBOXW, PendingProc, CS_DBLCLKS);
    RegisterControlClass(WC_COMBOLBOXW, PendingProc, CS_DBLCLKS | CS_SAVEBITS);
}
void RegisterComboBoxClass() { RegisterControlClass(WC_COMBOBOXW, PendingProc, CS_DBLCLKS); }
void RegisterScrollBarClass() { RegisterControlClass(WC_SCROLLBARW, PendingProc, CS_DBLCLKS); }
void RegisterTrackbarClass() { RegisterControlClass(TRACKBAR_CLASSW, PendingProc, 0); }
void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASSW, PendingProc, 0); }
void RegisterTooltipClass() { RegisterControlClass(TOOLTIPS_CLASSW, PendingProc, CS_SAVEBITS); }

} // namespace platform::controls
