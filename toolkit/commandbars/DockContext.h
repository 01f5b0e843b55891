#pragma once
// The mouse loops that move a toolbar between the dock bars and a floating window, resize a
// floating toolbar by its edges, and toggle docked and floating on a double click.

#include "platform/framework/Geometry.h"

class CJQWToolBar;

class CJQWDockContext {
public:
    explicit CJQWDockContext(CJQWToolBar* bar) : m_pBar(bar) { }
    virtual ~CJQWDockContext() = default;

    // A press on the gripper or caption at a screen point.
    virtual void StartDrag(CPoint point);
    // A press on an edge (HTLEFT .. HTBOTTOMRIGHT) of a floating bar.
    virtual void StartResize(int hitTest, CPoint point);
    virtual BOOL ToggleDocking();
    virtual void Track();

    // Where the bar was last docked, and last floated.
    int m_uMRUDockPosition = 0;
    CRect m_rectMRUDockPos { 0, 0, 0, 0 };
    CPoint m_ptMRUFloatPos { 0, 0 };

protected:
    void MoveDrag(CPoint point);
    void ResizeFree(CPoint point);
    void ResizeWrap(CPoint point);
    // At least 10 pixels of the rectangle stay on the work area under the cursor.
    static void KeepOnScreen(CRect& rect);
    // Moves the rectangle so that the point lies on it (each axis separately).
    static void AdjustRectToPoint(CRect& rect, CPoint point);

    CJQWToolBar* m_pBar;
    int m_nHitTest = 0;
    CPoint m_ptLast;
    CRect m_rectDragDock;
    CRect m_rectWindow;
};
