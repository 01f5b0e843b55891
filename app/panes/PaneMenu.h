#pragma once
// For the panes of this folder only: their context menus.

#include "platform/base/Types.h"

class CWnd;

// Shows the first popup of menu `menuId` at the cursor, `pane` tracking it; the chosen command
// goes to the application's main window (the pane's parent when there is none, as in a host
// that is not the application).
void TrackPaneMenu(UINT menuId, CWnd* pane);
