#pragma once
// Private to platform/user: the classic non-client frame the default procedure draws, hit-tests
// and tracks.

#include "platform/user/Window.h"

namespace user_detail {

// Where the parts of a frame lie, in window coordinates; empty rectangles for absent parts.
struct FrameLayout {
    int border = 0; // the sizing, fixed or thin border
    bool sizing = false;
    RECT caption {}; // the caption bar without the line under it
    RECT icon {};
    RECT close {};
    RECT maximize {};
    RECT minimize {};
    RECT text {};
    RECT menu {};
};

FrameLayout LayOutFrame(DWORD style, DWORD exStyle, LONG width, LONG height, bool menu);
// The frame: edges, border, caption with its gradient, icon, text and buttons; into `target`
// (window coordinates) when given, else into the window.
void DrawFrame(HWND window, HDC target = nullptr);
// The hit code of a screen point.
LRESULT NonClientHitTest(HWND window, POINT screen);
// Holds a caption button down while the left button is: drawn pressed while the pointer is over
// it. True when the button was released over it.
bool TrackCaptionButton(HWND window, LRESULT button);

}
