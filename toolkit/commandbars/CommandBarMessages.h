#pragma once
// Private window messages between bars, controls and the window hosting them. The host may ignore
// any of them: a reply of 0 always selects the toolkit's own default behaviour. Other subsystems
// send and answer these by number, so the values are fixed.

#include "platform/base/Types.h"
#include "platform/user/Messages.h"
#include "platform/framework/String.h"

class CMenu;
class CJQWCommandBar;
class CJQWControl;

enum : UINT {
    JQWM_TOOLBAR_VISIBLE = 0x2855,         // wParam toolbar, lParam new visible flag
    JQWM_CONTROL_SELECTED = 0x2856,        // wParam control, 0 when deselected
    JQWM_CUSTOMIZE_SELECTION = 0x2857,
    JQWM_MENUBAR_TRACKING = 0x2858,        // wParam bar
    JQWM_CONTROL_RBUTTONUP = 0x2859,       // wParam POINT*, lParam control; 1 = handled
    JQWM_TRACKING_KEYDOWN = 0x285A,        // wParam JQW_TRACKING_KEY*, lParam bar
    JQWM_CUSTOMIZE_POPUP_SHOWN = 0x285B,   // lParam popup bar
    JQWM_TOOLBARS_CONTEXT_MENU = 0x285C,   // wParam bar asked on, lParam popup about to show
    JQWM_POPUP_CLOSED = 0x285D,            // lParam popup bar
    JQWM_CREATE_CONTROL = 0x285E,          // lParam JQW_CONTROL_CREATE_RECORD*
    JQWM_CONTROL_CREATED = 0x285F,         // lParam JQW_CONTROL_CREATE_RECORD*
    JQWM_GET_MDI_ICON = 0x2860,            // reply: icon handle or 0
    JQWM_CREATE_COMMANDBAR = 0x2861,       // lParam JQW_COMMANDBAR_CREATE_RECORD*
    JQWM_CONTROL_NOTIFY = 0x2862,          // wParam command id, lParam JQW_CONTROL_NOTIFY_RECORD*
    JQWM_TOOLBAR_RESET = 0x2864,           // lParam toolbar
    JQWM_CUSTOM_TOOLBAR_CREATED = 0x2865,  // lParam toolbar
    JQWM_CUSTOM_TOOLBAR_DELETING = 0x2866, // lParam toolbar
    JQWM_POPUP_TORN_OFF = 0x2867,          // wParam new floating toolbar, lParam popup bar
    JQWM_COMBO_AUTOCOMPLETE = 0x2872,      // posted to the combo box's edit window
};

// JQWM_TRACKING_KEYDOWN.
struct JQW_TRACKING_KEY {
    UINT virtualKey;
    UINT keyData; // as the lParam of the keyboard message
};

// JQWM_CREATE_CONTROL and JQWM_CONTROL_CREATED. The site may change the id, type, style and (for a
// menu item) caption, and may set a control of its own (holding its own reference).
struct JQW_CONTROL_CREATE_RECORD {
    UINT commandId = 0;
    CJQWControl* control = nullptr;
    BOOL fromToolBar = FALSE;
    int index = 0;
    CMenu* menu = nullptr;
    CJQWCommandBar* commandBar = nullptr;
    CString caption;
    int controlType = 1; // 1 button, 2 popup
    int buttonStyle = 0;
};

// JQWM_CREATE_COMMANDBAR; zero-filled before use.
struct JQW_COMMANDBAR_CREATE_RECORD {
    CJQWCommandBar* commandBar = nullptr;
    BOOL popup = FALSE;
    BOOL expand = FALSE;
    BOOL toolBar = FALSE;
    BOOL floating = FALSE;
    const WCHAR* caption = nullptr;
    UINT commandId = 0;
};

// JQWM_CONTROL_NOTIFY. The first three fields are laid out as the platform's notification header.
struct JQW_CONTROL_NOTIFY_RECORD {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
    CJQWControl* control = nullptr;
};
