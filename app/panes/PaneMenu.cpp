#include "app/panes/PaneMenu.h"

#include "platform/framework/Menu.h"
#include "platform/framework/WinApp.h"
#include "toolkit/commandbars/CommandBars.h"

void TrackPaneMenu(UINT menuId, CWnd* pane)
{
    CMenu menu;
    if (!menu.LoadMenu(menuId))
        return;
    CMenu* popup = menu.GetSubMenu(0);
    if (!popup)
        return;
    CWnd* owner = AfxGetMainWnd();
    if (!owner)
        owner = pane->GetParent();
    POINT at {};
    ::GetCursorPos(&at);
    CJQWCommandBars::TrackMenu(popup, 0, at.x, at.y, pane, nullptr, owner, nullptr);
}
