#pragma once
// One of the four strips along a frame's edges that hold docked toolbars in rows. Rows are kept
// in one array with a null entry between rows (and at both ends); a dropped bar joins the row
// under its centre, and the row layout pushes, squeezes and wraps bars that do not fit.

#include "platform/framework/Wnd.h"

#include <vector>

class CJQWCommandBars;
class CJQWToolBar;

class CJQWDockBar : public CWnd {
    DECLARE_DYNAMIC(CJQWDockBar)
    DECLARE_MESSAGE_MAP()
public:
    // One bar of a row during layout; vertical rows are laid out with coordinates swapped.
    struct DOCK_INFO {
        CJQWToolBar* pBar = nullptr;
        CRect rcBar;
        CRect rcMRUPos;
        int nIndex = 0;
        int nMinWidth = 0;
        int nTotalMinWidth = 0;
    };
    using CDockInfoArray = std::vector<DOCK_INFO>;

    explicit CJQWDockBar(CJQWCommandBars* commandBars);
    ~CJQWDockBar() override;

    BOOL Create(CWnd* parent, DWORD style, UINT id);
    // 0 top, 1 bottom, 2 left, 3 right.
    int GetPosition() const;
    BOOL IsHorizontal() const;
    DWORD GetBarStyle() const { return m_dwStyle; }
    CJQWCommandBars* GetCommandBars() const { return m_pCommandBars; }

    int GetCount() const { return int(m_arrBars.size()); }
    // Null for a row break; an index outside the array throws CInvalidArgException.
    CJQWToolBar* GetBarAt(int index) const;
    int FindBar(const CJQWToolBar* bar, int skipIndex = -1) const;
    void DockCommandBar(CJQWToolBar* bar, const RECT* screenRect);
    int RemoveCommandBar(CJQWToolBar* bar, int skipIndex = -1);
    // Puts a bar (or, for null, a row break) at an index of the row list; the index is clamped
    // to the array and the list is tidied afterwards so its rows stay well formed.
    void InsertRowEntry(int index, CJQWToolBar* bar);
    void GetVisibleBarsInRow(int index, std::vector<CJQWToolBar*>& bars) const;
    CSize CalcDockLayout(int length, DWORD mode, AFX_SIZEPARENTPARAMS* params);
    // Whether the row list keeps its shape: breaks at both ends, one between rows, no empty row.
    BOOL IsRowListWellFormed() const;

protected:
    int InsertBar(CJQWToolBar* bar, CPoint center);
    void AdjustStretchedBars();
    // Removes empty rows and doubled breaks and restores the breaks at both ends.
    void NormalizeRows();
    DWORD BarMode(const CJQWToolBar* bar) const;
    int LayoutRowOnce(std::vector<CJQWToolBar*>& bars, int x, int y, int length, BOOL horizontal, HDWP* deferred,
        int& overflowIndex);
    int LayoutRow(std::vector<CJQWToolBar*> bars, int x, int y, int length, BOOL horizontal, HDWP* deferred);

    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    LRESULT OnPrint(WPARAM wParam, LPARAM lParam);
    void OnRButtonDown(UINT flags, CPoint point);
    LRESULT OnNcHitTest(CPoint point);
    LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);

    DWORD m_dwStyle = 0;
    std::vector<CJQWToolBar*> m_arrBars { nullptr };
    CJQWCommandBars* m_pCommandBars;
};
