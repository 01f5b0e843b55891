#pragma once
// Input the way a user gives it: raw events into the layer's router (PostRawInput) and nothing
// else. Hit testing, activation, capture, hooks, pre-translation, accelerators and dispatch all
// run in the code under test when its loops retrieve the messages.
//
// Points are screen coordinates; ClientPoint and WindowPoint turn a window's coordinates into
// them.

#include "platform/user/Window.h"

#include <string>

namespace testkit {

enum class Button { Left, Right, Middle };

// Modifier keys held around a key press.
enum Modifiers : unsigned { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };

POINT ClientPoint(HWND window, int x, int y);
POINT WindowPoint(HWND window, int x, int y); // from the window rectangle's corner
POINT Center(HWND window);                    // of the client area

// Moves the pointer to `to` through `steps` evenly spaced points (the last is `to`).
void MoveTo(POINT to, int steps = 1);
void Press(POINT at, Button button = Button::Left);
void Release(POINT at, Button button = Button::Left);
void Click(POINT at, Button button = Button::Left);
void DoubleClick(POINT at, Button button = Button::Left);
// Press at `from`, `steps` moves to `to`, release there.
void Drag(POINT from, POINT to, int steps = 4, Button button = Button::Left);
// Notches of the wheel (positive: away from the user) at the pointer.
void Wheel(int notches);

void KeyDown(int virtualKey, bool extended = false);
void KeyUp(int virtualKey, bool extended = false);
// Presses and releases `virtualKey` with the modifiers held.
void Key(int virtualKey, unsigned modifiers = None);
// Types each character with the keys of the US layout (Shift where it needs it).
void TypeText(const std::u16string& text);
// Alt down, the keys in turn (letters as typed), Alt up: menus' Alt sequences.
void AltSequence(const std::u16string& keys);
// A lone Alt press and release.
void TapAlt();
// Another program takes the activation (headless: the layer's call).
void AnotherProgramActivated();

}
