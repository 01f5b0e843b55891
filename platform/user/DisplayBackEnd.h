#pragma once
// The seam between the window layer and a display that shows its top-level windows on a real
// screen. Without a back end (the default: tests, the command-line run) windows live only in the
// composed screen image. A back end is told what changed and pulls the rest (the top-level
// windows, their pixels) when the GUI thread is about to wait; input comes back through
// PostRawInput and ActivateOtherProgram.

#include "platform/user/Window.h"

#include <functional>
#include <string>
#include <vector>

class DisplayBackEnd {
public:
    virtual ~DisplayBackEnd() = default;
    // A GUI thread is about to wait or peeks: bring the display up to date with the windows and
    // feed its pending input in. True when that may have queued messages.
    virtual bool Pump() = 0;
    // Screen pixels changed (called with the window lock held: only note it).
    virtual void Damaged(const RECT& screen) = 0;
    virtual void CursorChanged(HCURSOR cursor) = 0;
    virtual void PointerMoved(POINT screen) = 0;
};

// Wakes a GUI thread waiting for messages, so it pumps the display (any thread may call it).
void WakeGuiThread(DWORD threadId);

// Installs the back end (null: none); the caller keeps it alive while installed.
void SetDisplayBackEnd(DisplayBackEnd* backEnd);
DisplayBackEnd* GetDisplayBackEnd();

// ---- Sharing with other programs --------------------------------------------------------------

// The desktop's text clipboard. The process's own clipboard (a layer above) offers its text when
// it is closed after a change, and takes another program's text when it is opened.
class DesktopTextClipboard {
public:
    virtual ~DesktopTextClipboard() = default;
    // Our text for other programs (empty: we offer nothing).
    virtual void Offer(const std::u16string& text) = 0;
    // Another program's text; false when no other program offers any.
    virtual bool Take(std::u16string& text) = 0;
};
void SetDesktopTextClipboard(DesktopTextClipboard* clipboard);
DesktopTextClipboard* GetDesktopTextClipboard();

// Files another program dropped on `window` (the window under the pointer that accepts files,
// WS_EX_ACCEPTFILES, or its nearest ancestor that does) at a screen point. Without a receiver,
// drops are refused.
using FileDropReceiver = std::function<void(HWND window, POINT screen, const std::vector<std::u16string>& paths)>;
void SetFileDropReceiver(FileDropReceiver receiver);
// The window a drop at `screen` would go to (null: none accepts files there, or no receiver).
HWND FileDropTarget(POINT screen);
void DeliverFileDrop(HWND window, POINT screen, const std::vector<std::u16string>& paths);

// ---- What a back end reads --------------------------------------------------------------------

struct TopLevelWindowState {
    HWND window = nullptr;
    HWND owner = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect {}; // on the screen
    bool visible = false;
    std::u16string title;
    DWORD threadId = 0;
    // The window region (SetWindowRgn), in window coordinates; none: the whole rectangle.
    bool shaped = false;
    std::vector<RECT> shape;
    // The icons it shows (WM_SETICON, else its class's); null when it has none.
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

// The top-level windows, bottom of the z-order first.
std::vector<TopLevelWindowState> TopLevelWindowsForDisplay();
// Calls `read` with the window's surface (top-down 0x00RRGGBB rows, window-rectangle sized) while
// the window lock is held; false when the window has no surface.
bool ReadTopLevelPixels(HWND window, const std::function<void(const DWORD* pixels, LONG width, LONG height)>& read);
// The minimum tracking size the window asks for (WM_GETMINMAXINFO); sends a message.
POINT MinimumTrackSize(HWND window);

// A caret in its visible blink phase at the current tick count: its top-level window, its
// rectangle on the screen, the parts of it that show, and what it XORs onto each pixel (row by
// row; one value for a solid or grey caret).
struct CaretForDisplay {
    HWND topLevel = nullptr;
    RECT screen {};
    std::vector<RECT> shown;
    std::vector<DWORD> xorPixels;
};
std::vector<CaretForDisplay> CaretsForDisplay();
