#pragma once
// Where a popup bar opens inside the work area of its monitor: flipped above or to the left of the
// control it opened from, pushed inside, re-laid out into columns or cut so that it scrolls. The
// popup bar feeds its fields in and takes the result back; this part needs no window.

#include "platform/framework/Geometry.h"

#include <functional>

// Direction flags of a popup.
enum : int {
    JQW_POPUP_LEFT = 1,  // opens leftwards, or right-aligned under the control
    JQW_POPUP_BELOW = 2, // opens below or above the control rather than beside it
};

struct JQW_POPUP_PLACEMENT {
    CRect workArea;        // of the monitor of the exclude rectangle (or of the point)
    CRect exclude;         // screen rectangle of the opening control; may be empty
    int direction = 0;     // JQW_POPUP_* flags
    CPoint point;          // popup point in screen coordinates
    CSize size;            // wanted window size
    bool mayAdjust = false;     // re-arranging allowed (option on, or rows already wrapped)
    bool isPopupType = false;   // the bar's type is 2 (popup)
    bool rowsWrapped = false;   // the menu layout already broke into columns
    // The control's rectangle adjusted for opening sideways, in screen coordinates; used when a
    // drop-down that fits neither below nor above turns sideways.
    CRect sidewaysExclude;
    // Lays the popup out again for the given length (columns); null keeps the size.
    std::function<CSize(int length)> calcSize;
};

struct JQW_POPUP_POSITION {
    CRect rect;
    int direction = 0;
    CRect exclude;
    bool scrolling = false; // the popup was cut and scrolls
};

JQW_POPUP_POSITION CalcPopupPosition(const JQW_POPUP_PLACEMENT& in);
