#pragma once
// Where a control dragged in customize mode lands on a bar: the insertion point with its I-beam
// marker, and the drop itself (a copy inserted, or the control moved within its bar, where a
// small nudge changes nothing and a move onto its own far half starts a group).

#include "platform/framework/Geometry.h"
#include "platform/user/Window.h"

class CJQWCommandBar;
class CJQWControl;

// The drop effect of a control dropped where it was.
constexpr int JQW_DROPEFFECT_IN_PLACE = 5;
// How far (either direction) a drop must be from where the drag began to count as a move.
constexpr int JQW_DROP_SLOP = 4;

struct JQW_INSERTION_POINT {
    CRect marker;          // empty: no marker
    int index = -1;        // the control next to the point, -1 for none
    BOOL after = FALSE;    // the point lies beyond that control's centre
    BOOL vertical = FALSE; // controls stacked top to bottom
};

JQW_INSERTION_POINT JQWFindInsertionPoint(CJQWCommandBar* bar, const CJQWControl* dragged, CPoint point);
// Drops `dragged` at `drop` (bar client coordinates; the drag began at `start`). Returns the
// control that now stands there (the inserted copy, or the dragged control itself), null when
// nothing was dropped; `effect` becomes JQW_DROPEFFECT_IN_PLACE for a drop in place.
CJQWControl* JQWCustomizeDrop(CJQWCommandBar* bar, CJQWControl* dragged, int& effect, CPoint drop, CPoint start);
