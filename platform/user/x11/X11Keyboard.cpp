// Key events through XKB: the virtual key comes from the layout's unshifted symbol (letters and
// digits follow the layout, punctuation keys keep their physical position), the scan code from
// the key's position, the text from the symbol the modifiers select.

#include "platform/user/x11/X11Keyboard.h"

#include <X11/keysym.h>

namespace platform::x11 {

namespace {

struct ScanCode {
    WORD code;
    bool extended;
};

// X key codes are the kernel's key numbers plus 8; below 89 those equal the PC scan codes.
ScanCode ScanCodeOf(unsigned keycode)
{
    const unsigned key = keycode - 8;
    if (keycode >= 8 && key < 89)
        return { WORD(key), false };
    switch (key) {
    case 96: return { 0x1C, true };  // keypad Enter
    case 97: return { 0x1D, true };  // right Ctrl
    case 98: return { 0x35, true };  // keypad /
    case 99: return { 0x37, true };  // Print
    case 100: return { 0x38, true }; // right Alt
    case 102: return { 0x47, true }; // Home
    case 103: return { 0x48, true }; // Up
    case 104: return { 0x49, true }; // Page Up
    case 105: return { 0x4B, true }; // Left
    case 106: return { 0x4D, true }; // Right
    case 107: return { 0x4F, true }; // End
    case 108: return { 0x50, true }; // Down
    case 109: return { 0x51, true }; // Page Down
    case 110: return { 0x52, true }; // Insert
    case 111: return { 0x53, true }; // Delete
    case 119: return { 0x45, false }; // Pause
    case 125: return { 0x5B, true }; // left logo key
    case 126: return { 0x5C, true }; // right logo key
    case 127: return { 0x5D, true }; // menu key
    default: return { 0, false };
    }
}

int VirtualKeyOfSymbol(KeySym s)
{
    if (s >= XK_a && s <= XK_z)
        return int('A' + (s - XK_a));
    if (s >= XK_A && s <= XK_Z)
        return int(s);
    if (s >= XK_0 && s <= XK_9)
        return int(s);
    if (s >= XK_F1 && s <= XK_F24)
        return VK_F1 + int(s - XK_F1);
    if (s >= XK_KP_0 && s <= XK_KP_9)
        return VK_NUMPAD0 + int(s - XK_KP_0);
    switch (s) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: case XK_ISO_Level3_Shift: return VK_MENU;
    case XK_Pause: return VK_PAUSE;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_KP_Begin: return VK_CLEAR;
    case XK_Print: return VK_SNAPSHOT;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Separator: return VK_SEPARATOR;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    default: return 0;
    }
}

// Punctuation keys by their position on the US keyboard (kernel key numbers).
int VirtualKeyOfPosition(unsigned keycode)
{
    switch (keycode - 8) {
    case 12: return 0xBD; // -
    case 13: return 0xBB; // =
    case 26: return 0xDB; // [
    case 27: return 0xDD; // ]
    case 39: return 0xBA; // ;
    case 40: return 0xDE; // '
    case 41: return 0xC0; // `
    case 43: return 0xDC; // backslash
    case 51: return 0xBC; // ,
    case 52: return 0xBE; // .
    case 53: return 0xBF; // /
    case 86: return 0xE2; // the key beside left Shift
    default: return 0;
    }
}

} // namespace

char32_t KeysymToCharacter(KeySym s)
{
    if ((s >= 0x20 && s <= 0x7E) || (s >= 0xA0 && s <= 0xFF))
        return char32_t(s);
    if ((s & 0xFF000000) == 0x01000000)
        return char32_t(s & 0x00FFFFFF);
    if (s >= XK_KP_0 && s <= XK_KP_9)
        return char32_t('0' + (s - XK_KP_0));
    switch (s) {
    case XK_KP_Space: return U' ';
    case XK_KP_Multiply: return U'*';
    case XK_KP_Add: return U'+';
    case XK_KP_Subtract: return U'-';
    case XK_KP_Decimal: return U'.';
    case XK_KP_Divide: return U'/';
    case XK_EuroSign: return U'\u20AC';
    default: return 0;
    }
}

RawInputEvent TranslateKey(XkbDescPtr xkb, const XKeyEvent& event, bool down)
{
    RawInputEvent e;
    e.kind = down ? RawInputKind::KeyDown : RawInputKind::KeyUp;
    const ScanCode scan = ScanCodeOf(event.keycode);
    e.scanCode = scan.code;
    e.extended = scan.extended;
    const unsigned group = XkbGroupForCoreState(event.state);
    KeySym base = NoSymbol;
    KeySym typed = NoSymbol;
    if (xkb) {
        if (xkb->map && event.keycode >= xkb->min_key_code && event.keycode <= xkb->max_key_code) {
            const unsigned groups = XkbKeyNumGroups(xkb, event.keycode);
            if (groups) {
                base = XkbKeySymEntry(xkb, event.keycode, 0, group < groups ? group : 0);
                unsigned int consumed = 0;
                XkbTranslateKeyCode(xkb, KeyCode(event.keycode), event.state, &consumed, &typed);
            }
        }
    }
    e.virtualKey = VirtualKeyOfSymbol(base);
    if (!e.virtualKey)
        e.virtualKey = VirtualKeyOfPosition(event.keycode);
    if (!e.virtualKey && e.scanCode)
        e.virtualKey = int(MapVirtualKeyW(e.scanCode, MAPVK_VSC_TO_VK));
    // With Ctrl or Alt the layer makes the control characters and menu keys itself.
    if (!(event.state & (ControlMask | Mod1Mask))) {
        const char32_t c = KeysymToCharacter(typed);
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            e.text = { char16_t(0xD800 + (v >> 10)), char16_t(0xDC00 + (v & 0x3FF)) };
        } else if (c) {
            e.text = std::u16string(1, char16_t(c));
        }
    }
    return e;
}

} // namespace platform::x11
