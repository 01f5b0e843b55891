#include "toolkit/commandbars/PopupPlacement.h"

#include <algorithm>

JQW_POPUP_POSITION CalcPopupPosition(const JQW_POPUP_PLACEMENT& in)
{
    const CRect& w = in.workArea;
    CRect e = in.exclude;
    int f = in.direction;
    int x = in.point.x, y = in.point.y;
    int cx = in.size.cx, cy = in.size.cy;
    const int bottom = w.bottom - 5;
    // Halves are taken of the usable height but compared with screen coordinates, so they are
    // measured from the work area's top (a monitor need not start at 0).
    const int middle = w.top + (bottom - w.top) / 2;
    const bool flatE = e.top == e.bottom;
    bool cut = false;

    if (flatE && y > bottom) {
        y -= cy;
    } else if (y + cy > bottom) {
        if (flatE) {
            y = y >= middle ? y - cy : bottom - cy;
        } else if (!(f & JQW_POPUP_BELOW)) {
            y = bottom - cy;
        } else {
            y = e.top - cy;
            if (y < w.top) {
                if (in.mayAdjust) {
                    f &= ~JQW_POPUP_BELOW;
                    e = in.sidewaysExclude;
                    y = bottom - cy;
                    if (!(f & JQW_POPUP_LEFT))
                        x = e.right;
                } else {
                    cut = true;
                    if (middle < (e.top + e.bottom) / 2) {
                        cy = e.top - w.top;
                        y = w.top;
                    } else {
                        cy = bottom - e.bottom;
                        y = e.bottom;
                    }
                }
            }
        }
    }
    y = std::max(y, static_cast<int>(w.top));
    if (y + cy > bottom) {
        if (in.mayAdjust) {
            if (in.isPopupType && !in.rowsWrapped && in.calcSize) {
                CSize s = in.calcSize(bottom - w.top);
                cx = s.cx;
                cy = s.cy;
            }
        } else {
            cy = bottom - y;
            cut = true;
        }
    }
    cy = std::max(cy, 0);

    const bool flatWidth = e.left == e.right;
    if (f == (JQW_POPUP_LEFT | JQW_POPUP_BELOW) && !flatWidth)
        x = e.right - cx;
    else if ((f & JQW_POPUP_LEFT) && !flatWidth)
        x = e.left - cx;
    else if (f & JQW_POPUP_LEFT)
        x -= cx;

    if (x + cx > w.right) {
        if (flatWidth)
            x = x > w.right ? x - cx : w.right - cx;
        else {
            x = ((f & JQW_POPUP_BELOW) ? w.right : e.left) - cx;
            f |= JQW_POPUP_LEFT;
        }
        x = std::max(x, static_cast<int>(w.left));
    } else if (x < w.left) {
        if (flatWidth) {
            if (f & JQW_POPUP_LEFT) {
                x = w.left;
                f &= ~JQW_POPUP_LEFT;
            }
        } else {
            x = (f & JQW_POPUP_BELOW) ? w.left : e.right;
            f &= ~JQW_POPUP_LEFT;
        }
    }

    JQW_POPUP_POSITION out;
    out.rect = CRect(x, y, x + cx, y + cy);
    out.direction = f;
    out.exclude = e;
    out.scrolling = cut && in.isPopupType;
    return out;
}
