#pragma once
// A thin bar between panes of a dialog. Dragging it moves and resizes the controls registered on
// its two sides; a move that would make a resized control smaller than its minimum is refused as a
// whole. The parent hears WM_DIALOGSPLITTER_MOVED when a drag ends.

#include "platform/framework/StdControls.h"

#include <vector>

constexpr UINT WM_DIALOGSPLITTER_MOVED = 0x80A;

// A control on one side of the bar.
struct CWindowResizerInfo {
    HWND hWnd = nullptr;
    RECT rc {};       // in the parent's client coordinates, taken when a drag or MoveTo starts
    int bResize = 0;  // 1: the bar resizes it; 0: the bar only moves it
    int nMinSize = 0; // the smallest width (vertical bar) or height (horizontal bar) of a resized control
};

class CDialogSplitterCtrl : public CButton {
    DECLARE_DYNAMIC(CDialogSplitterCtrl)
    DECLARE_MESSAGE_MAP()
public:
    CDialogSplitterCtrl() = default;

    // To (x, y) in the parent's client coordinates: a vertical bar takes x, a horizontal one y.
    void MoveTo(int x, int y);
    void MoveBy(int offset, BOOL recapture);
    BOOL CanMoveBy(int offset) const;
    void CaptureRects();

    void AddFirst(HWND window, int resize, int minimum = 0) { m_first.push_back({ window, {}, resize, minimum }); }
    void AddSecond(HWND window, int resize, int minimum = 0) { m_second.push_back({ window, {}, resize, minimum }); }

    void OnLButtonDown(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnPaint();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void DrawItem(DRAWITEMSTRUCT* item) override;

    // 1: a vertical bar that moves left and right; 0: a horizontal bar that moves up and down.
    int m_bVertical = 0;
    std::vector<CWindowResizerInfo> m_first;  // left of or above the bar
    std::vector<CWindowResizerInfo> m_second; // right of or below the bar
    int m_bDragging = 0;
    POINT m_ptStart {};
    RECT m_rcBar {};
    int m_nLastOffset = 0;

private:
    RECT RectInParent(HWND window) const;
};
