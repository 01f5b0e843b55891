#pragma once
// The X11 display: every top-level window becomes an X window showing its surface. Frames are the
// layer's own (no host decorations); popups without a caption are override-redirect and never
// take the focus. The connection opens when the first top-level window becomes visible; without
// a display the program says so and exits with status 2. Only this folder includes Xlib.

#include "platform/user/Window.h"

#include <string>

namespace platform::x11 {

// Installs the back end for the process. `displayName` empty: $DISPLAY.
void UseX11Display(const std::string& displayName = {});
// Closes the connection and uninstalls the back end (the windows stay, headless).
void StopX11Display();

// The exit status of a windowed start without a display.
constexpr int kNoDisplayExitCode = 2;

// ---- Test support ------------------------------------------------------------------------------

bool X11ConnectedForTesting();
// The X window showing a top-level window (0: none yet).
unsigned long X11WindowForTesting(HWND window);
// A round trip on the back end's connection, so the next pump reads every event the server sent
// before it (input a second client just injected and synced).
void X11SyncForTesting();
// Whether the display offers true per-pixel alpha for layered windows.
bool X11PerPixelAlphaForTesting();
// Whether pixels go through shared memory; whether a connection opened from now on may use it.
bool X11SharedMemoryForTesting();
void X11AllowSharedMemoryForTesting(bool allowed);

} // namespace platform::x11
