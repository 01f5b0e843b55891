#pragma once
// The pointer's shape: the system cursors and the current cursor. Headless, the current cursor is
// only recorded (GetCursor answers it).

#include "platform/user/Resources.h"
#include "platform/user/Window.h"

#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_CROSS MAKEINTRESOURCEW(32515)
#define IDC_SIZENWSE MAKEINTRESOURCEW(32642)
#define IDC_SIZENESW MAKEINTRESOURCEW(32643)
#define IDC_SIZEWE MAKEINTRESOURCEW(32644)
#define IDC_SIZENS MAKEINTRESOURCEW(32645)
#define IDC_SIZEALL MAKEINTRESOURCEW(32646)
#define IDC_NO MAKEINTRESOURCEW(32648)
#define IDC_HAND MAKEINTRESOURCEW(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEW(32650)
#define IDC_HELP MAKEINTRESOURCEW(32651)

// Makes `cursor` the pointer's shape (null hides it); returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

namespace user_detail {
// The shared system cursor of an IDC_* id, or null for another id. LoadCursorW(NULL, id) answers it.
HCURSOR SystemCursor(LPCWSTR id);
}
