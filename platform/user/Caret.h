#pragma once
// The caret: one per thread, in a window of that thread. It is never drawn into the window's
// pixels: it is an inverting overlay the presenter adds, blinking on the clock (GetCaretBlinkTime,
// visible for the first period after it is shown or moved).

#include "platform/user/Window.h"

#include <vector>

// A grey caret instead of a solid one.
#define CARET_GREY reinterpret_cast<HBITMAP>(static_cast<ULONG_PTR>(1))

// Replaces the thread's caret with a hidden one of `width` x `height` (0: the border width or
// height) or of the bitmap's size and pixels (XORed onto the screen); the window must be the
// calling thread's.
BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// ShowCaret undoes one HideCaret (a new caret starts hidden once); the window is the caret's or null.
BOOL ShowCaret(HWND window);
BOOL HideCaret(HWND window);
// In the caret window's client coordinates.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);

namespace user_detail {

// A caret the screen shows now: its rectangle on the screen, the window whose visible region cuts
// it, and what it XORs onto each pixel (row by row; one value for a solid or grey caret).
struct CaretOverlay {
    HWND window;
    RECT screen;
    std::vector<DWORD> xorPixels;
};

// The carets in their visible blink phase at `now` (GetTickCount time). Takes TreeMutex().
std::vector<CaretOverlay> VisibleCarets(DWORD now);
// BeginPaint and EndPaint hide the caret of the window being painted.
void HideCaretForPaint(HWND window);
void ShowCaretAfterPaint(HWND window);

}
