#pragma once
// What a stuck loop leaves behind: the window tree (class, caption, style, rectangle, thread) and
// the input state of every thread that owns windows (focus, activation, capture, loops, timers,
// queued messages).

#include <string>

namespace testkit {

std::string DumpDesktop();

}
