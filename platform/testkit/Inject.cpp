#include "platform/testkit/Inject.h"

#include "platform/user/Input.h"

namespace testkit {

namespace {
RawMouseButton Raw(Button b)
{
    return b == Button::Left ? RawMouseButton::Left : b == Button::Right ? RawMouseButton::Right : RawMouseButton::Middle;
}

void Mouse(RawInputKind kind, POINT at, Button button = Button::Left)
{
    RawInputEvent e;
    e.kind = kind;
    e.point = at;
    e.button = Raw(button);
    PostRawInput(e);
}

void HoldModifiers(unsigned modifiers, bool down)
{
    const int keys[] = { VK_SHIFT, VK_CONTROL, VK_MENU };
    for (int i = 0; i < 3; ++i) {
        const int k = down ? i : 2 - i;
        if (modifiers & (1u << k))
            down ? KeyDown(keys[k]) : KeyUp(keys[k]);
    }
}
}

POINT ClientPoint(HWND window, int x, int y)
{
    POINT p { x, y };
    ClientToScreen(window, &p);
    return p;
}

POINT WindowPoint(HWND window, int x, int y)
{
    RECT r {};
    GetWindowRect(window, &r);
    return { r.left + x, r.top + y };
}

POINT Center(HWND window)
{
    RECT r {};
    GetClientRect(window, &r);
    return ClientPoint(window, r.right / 2, r.bottom / 2);
}

void MoveTo(POINT to, int steps)
{
    POINT from;
    GetCursorPos(&from);
    steps = steps < 1 ? 1 : steps;
    for (int i = 1; i <= steps; ++i)
        Mouse(RawInputKind::MouseMove,
            POINT { from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps });
}

void Press(POINT at, Button button)
{
    MoveTo(at);
    Mouse(RawInputKind::ButtonDown, at, button);
}

void Release(POINT at, Button button)
{
    MoveTo(at);
    Mouse(RawInputKind::ButtonUp, at, button);
}

void Click(POINT at, Button button)
{
    Press(at, button);
    Mouse(RawInputKind::ButtonUp, at, button);
}

void DoubleClick(POINT at, Button button)
{
    Click(at, button);
    Click(at, button);
}

void Drag(POINT from, POINT to, int steps, Button button)
{
    Press(from, button);
    MoveTo(to, steps);
    Mouse(RawInputKind::ButtonUp, to, button);
}

void Wheel(int notches)
{
    RawInputEvent e;
    e.kind = RawInputKind::Wheel;
    GetCursorPos(&e.point);
    e.wheelDelta = notches * WHEEL_DELTA;
    PostRawInput(e);
}

void KeyDown(int virtualKey, bool extended)
{
    RawInputEvent e;
    e.kind = RawInputKind::KeyDown;
    e.virtualKey = virtualKey;
    e.extended = extended;
    PostRawInput(e);
}

void KeyUp(int virtualKey, bool extended)
{
    RawInputEvent e;
    e.kind = RawInputKind::KeyUp;
    e.virtualKey = virtualKey;
    e.extended = extended;
    PostRawInput(e);
}

void Key(int virtualKey, unsigned modifiers)
{
    HoldModifiers(modifiers, true);
    KeyDown(virtualKey);
    KeyUp(virtualKey);
    HoldModifiers(modifiers, false);
}

void TypeText(const std::u16string& text)
{
    for (char16_t c : text) {
        const SHORT scan = VkKeyScanW(c);
        if (scan == -1)
            continue;
        unsigned modifiers = None;
        if (scan & 0x100)
            modifiers |= Shift;
        if (scan & 0x200)
            modifiers |= Ctrl;
        if (scan & 0x400)
            modifiers |= Alt;
        Key(scan & 0xFF, modifiers);
    }
}

void AltSequence(const std::u16string& keys)
{
    KeyDown(VK_MENU);
    for (char16_t c : keys) {
        const SHORT scan = VkKeyScanW(c);
        if (scan != -1) {
            KeyDown(scan & 0xFF);
            KeyUp(scan & 0xFF);
        }
    }
    KeyUp(VK_MENU);
}

void TapAlt()
{
    KeyDown(VK_MENU);
    KeyUp(VK_MENU);
}

void AnotherProgramActivated() { ActivateOtherProgram(); }

}
