#pragma once
// What the controls' window procedures share: their per-window state, notifications to the
// parent, colours asked of the parent, painting into a given DC, and the key state.

#include "platform/controls/CommonControls.h"
#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"

#include <string>

namespace platform::controls {

// Each control keeps one C++ object in its first window extra slot, made at WM_NCCREATE and
// deleted after WM_NCDESTROY.
constexpr int kStateSlot = 0;
constexpr int kExtraBytes = int(sizeof(void*));

template <class State>
State* StateOf(HWND window)
{
    return reinterpret_cast<State*>(GetWindowLongPtrW(window, kStateSlot));
}

template <class State>
State* AttachState(HWND window, State* state)
{
    SetWindowLongPtrW(window, kStateSlot, LONG_PTR(state));
    return state;
}

template <class State>
void DetachState(HWND window)
{
    delete StateOf<State>(window);
    SetWindowLongPtrW(window, kStateSlot, 0);
}

DWORD StyleOf(HWND window);
int IdOf(HWND window);
// WM_COMMAND (id, code) with the control's handle to its parent.
void NotifyParent(HWND window, WORD code);
// WM_NOTIFY with `header` filled from the control; returns the parent's answer.
LRESULT SendNotify(HWND window, NMHDR* header, UINT code);
HWND ParentOf(HWND window);

// Asks the parent for the control's colours (WM_CTLCOLOR*); a parent answering 0 gets the
// default: text in COLOR_WINDOWTEXT (COLOR_BTNTEXT for buttons and statics), background and
// brush COLOR_WINDOW (COLOR_3DFACE for buttons and statics).
HBRUSH ControlColors(HWND window, HDC hdc, UINT message);

// The control's font: the one set by WM_SETFONT, else DEFAULT_GUI_FONT.
HFONT FontOf(HFONT font);

// Paints through `paint(hdc, client)`: into the DC in wParam when given (WM_PRINTCLIENT, or a
// WM_PAINT with a DC), else between BeginPaint and EndPaint.
template <class Paint>
LRESULT PaintControl(HWND window, WPARAM wParam, Paint paint)
{
    RECT client;
    GetClientRect(window, &client);
    if (wParam) {
        paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(window, &ps);
    if (hdc)
        paint(hdc, client);
    EndPaint(window, &ps);
    return 0;
}

// Whether the key is down: the key state of the input, or what the control last saw of the
// modifier keys in messages sent to it directly.
bool KeyIsDown(int virtualKey);
// Records modifier keys from key messages the control receives.
void TrackModifierKeys(UINT message, WPARAM wParam);

// The UI-state bits (UISF_HIDEFOCUS, UISF_HIDEACCEL) a control keeps from WM_UPDATEUISTATE.
WORD ApplyUiState(WORD current, WPARAM wParam);
// A new control starts with its parent's UI state (a dialog hides the cues until the keyboard
// is used).
WORD InitialUiState(HWND window);

void FillSolid(HDC hdc, const RECT& rect, COLORREF color);
bool PointIn(const RECT& rect, POINT point);
RECT Inflated(RECT rect, int dx, int dy);
POINT PointFromLParam(LPARAM lParam);
std::u16string WindowText(HWND window);

// Registration of each class (Registration.cpp calls them once).
void RegisterStaticClass();
void RegisterButtonClass();
void RegisterEditClasses();
void RegisterListBoxClasses();
void RegisterComboBoxClass();
void RegisterScrollBarClass();
void RegisterTrackbarClass();
void RegisterProgressClass();
void RegisterTooltipClass();
void RegisterStatusBarClass();
void RegisterToolbarClass();
void RegisterHeaderClass();
void RegisterListViewClass();
void RegisterTreeViewClass();
void RegisterTabClass();

// Registers a global class with the state slot.
void RegisterControlClass(const WCHAR* name, WNDPROC procedure, UINT style, HCURSOR cursor = nullptr);

} // namespace platform::controls

namespace platform::controls {
void OffsetRectBy(RECT& rect, int dx, int dy);
void IntersectInto(RECT& rect, const RECT& bounds);
} // namespace platform::controls
