#pragma once
// How a tracking bar reacts to keys: arrows move the selection or open and close popups, Enter
// chooses, Escape backs out one level, letters find a control by its access key. Popup bars and
// the menu bar key through these; the result follows the keyboard manager's rule: 1 taken, 2 let
// the key go to the program, 0 let the bar that tracked before this one have it (a drop-down hands
// Left and Right it cannot use to its menu bar).

#include "platform/user/Window.h"

class CJQWCommandBar;

// Selection moves.
enum : int {
    JQW_MOVE_NEXT = 0,
    JQW_MOVE_PREVIOUS = 1,
    JQW_MOVE_COLLAPSE = 2,
    JQW_MOVE_EXPAND = 3,
    JQW_MOVE_ESCAPE = 4,
    JQW_MOVE_EXECUTE = 5,
    JQW_MOVE_FIRST = 6,
    JQW_MOVE_LAST = 7,
};

int JQWBarHookKeyDown(CJQWCommandBar* bar, UINT key, LPARAM data);
BOOL JQWMoveSelection(CJQWCommandBar* bar, int code);
// The control of `bar` whose access key (the character after '&') or, failing that, first
// letter is `key`, searched after the selected control; -1 for none.
int JQWFindAccelIndex(CJQWCommandBar* bar, UINT key, BOOL& ambiguous);
// The key code that `key` moves to on `bar` (arrows, Home, End), or -1.
int JQWSelectionCodeForKey(const CJQWCommandBar* bar, UINT key);
