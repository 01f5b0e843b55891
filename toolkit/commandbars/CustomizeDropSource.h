#pragma once
// The drag of a control in customize mode: from a toolbar (a move, or a copy with Ctrl held) or
// from the customize sheet's command list (always a copy). It captures the mouse, runs its own
// loop, lets the bar under the pointer show where the control would land, and on release asks that
// bar to take it. Bars register themselves while their windows live.

#include "platform/framework/Geometry.h"
#include "platform/user/Window.h"

#include <functional>
#include <vector>

class CJQWCommandBar;
class CJQWCommandBars;
class CJQWControl;
class CWnd;

// Results of CJQWCustomizeDropSource::DoDragDrop. Only JQW_DRAG_MOVED_AWAY and JQW_DRAG_MOVED take
// the control off its old place; a press and release without moving is JQW_DRAG_NOTHING.
enum : int {
    JQW_DRAG_MOVED_AWAY = 0, // moved and released away from every bar
    JQW_DRAG_COPIED = 1,
    JQW_DRAG_MOVED = 2,
    JQW_DRAG_NOTHING = 5, // released without moving, cancelled, capture lost or the program quitting
};

// Cursors of the drag (toolkit resources).
enum : UINT { JQW_IDC_CUSTOMIZE_COPY = 9105, JQW_IDC_CUSTOMIZE_MOVE = 9106, JQW_IDC_CUSTOMIZE_NO_DROP = 9107 };

class CJQWCustomizeDropSource {
public:
    explicit CJQWCustomizeDropSource(CJQWCommandBars* commandBars);
    CJQWCustomizeDropSource(const CJQWCustomizeDropSource&) = delete;
    CJQWCustomizeDropSource& operator=(const CJQWCustomizeDropSource&) = delete;

    void RegisterBar(CJQWCommandBar* bar);
    // Removes every occurrence of the bar.
    void UnregisterBar(CJQWCommandBar* bar);
    const std::vector<CJQWCommandBar*>& GetRegisteredBars() const { return m_bars; }

    int DoDragDrop(CJQWControl* control, BOOL copyOnly);

    // The running customize sheet: it holds the capture while a control is dragged, receives the
    // customize selection and shows the control context menu. Null when no sheet runs.
    void SetSheet(CWnd* sheet) { m_pSheet = sheet; }
    CWnd* GetSheet() const { return m_pSheet; }
    // Set by the sheet while it runs: its control context menu at a screen point.
    std::function<void(CPoint)> m_showContextMenu;

    // The cursor the drag shows now (for tests).
    HCURSOR GetCurrentCursor() const { return m_currentCursor; }
    BOOL IsDragging() const { return m_bDragging; }

private:
    int RunLoop(HWND capture);
    void FindTarget(CPoint screen);
    void UpdateCursor();

    CJQWCommandBars* m_pCommandBars;
    CWnd* m_pSheet = nullptr;
    std::vector<CJQWCommandBar*> m_bars;
    CJQWControl* m_pControl = nullptr;
    CJQWCommandBar* m_pTarget = nullptr;
    BOOL m_bMove = FALSE;
    BOOL m_bCopyOnly = FALSE;
    BOOL m_bDragging = FALSE;
    CPoint m_start;
    HCURSOR m_cursorNoDrop = nullptr;
    HCURSOR m_cursorMove = nullptr;
    HCURSOR m_cursorCopy = nullptr;
    HCURSOR m_currentCursor = nullptr;
};
