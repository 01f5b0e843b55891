#pragma once
// The modal loop of a tracked popup: the thread's messages are pumped (with the thread's
// pre-translation) while the popup tracks. A message that arrives after the tracking ended is put
// back for whoever runs next, and so is WM_QUIT: a quit asked for inside a menu still ends the
// program.

#include "platform/user/Window.h"

#include <functional>

// FALSE when WM_QUIT ended the loop (it is posted again with its exit code).
BOOL JQWRunTrackingLoop(const std::function<BOOL()>& tracking);

// The thread's pre-translation of one message (the windows of the message up to the main window).
BOOL JQWPreTranslateThreadMessage(MSG* msg);
