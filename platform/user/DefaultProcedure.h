#pragma once
// Private to platform/user: the parts of the default procedure that drive the frame, the system
// commands, the keyboard's menu keys and the messages a child passes up to its parent.

#include "platform/user/Window.h"

namespace user_detail {

// WM_SYSCOMMAND: SC_CLOSE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_MOVE, SC_SIZE, SC_KEYMENU.
LRESULT SystemCommand(HWND window, WPARAM command, LPARAM lParam);
// WM_NCLBUTTONDOWN and WM_NCLBUTTONDBLCLK with their hit code and screen point.
LRESULT NonClientButtonDown(HWND window, WPARAM hit, LPARAM point);
LRESULT NonClientDoubleClick(HWND window, WPARAM hit, LPARAM point);
// WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP and WM_SYSCHAR: the menu keys (a lone Alt,
// F10, Alt+character, Alt+Space), Alt+F4, Shift+F10 and the menu key.
LRESULT MenuKeys(HWND window, UINT message, WPARAM key, LPARAM lParam);
// WM_SETCURSOR: the parent first, then the class cursor or a sizing cursor.
LRESULT SetCursorFor(HWND window, WPARAM target, LPARAM hitAndMessage);
// WM_MOUSEACTIVATE: the parent first, else MA_ACTIVATE.
LRESULT MouseActivate(HWND window, WPARAM topLevel, LPARAM hitAndMessage);
// A child's WM_CONTEXTMENU and wheel messages go to its parent.
LRESULT PassToParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}
