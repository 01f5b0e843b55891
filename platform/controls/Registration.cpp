#include "platform/controls/ControlsInternal.h"
#include "platform/shell/FileDrop.h"

#include <mutex>

void RegisterControlClasses()
{
    using namespace platform::controls;
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterStaticClass();
        RegisterButtonClass();
        RegisterEditClasses();
        RegisterListBoxClasses();
        RegisterComboBoxClass();
        RegisterScrollBarClass();
        RegisterTrackbarClass();
        RegisterProgressClass();
        RegisterTooltipClass();
        RegisterStatusBarClass();
        RegisterToolbarClass();
        // Windows made from templates with WS_EX_ACCEPTFILES take drops without DragAcceptFiles.
        platform::shell::EnableFileDrops();
        RegisterHeaderClass();
        RegisterListViewClass();
        RegisterTreeViewClass();
        RegisterTabClass();
    });
}

void InitCommonControls() { RegisterControlClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init)
{
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    RegisterControlClasses();
    return TRUE;
}
