#pragma once
// A list view's header drawn by the toolkit: exchangeable looks, a sort arrow, hot tracking, a
// column menu, frozen columns and columns spread over the width.

#include "platform/framework/CommonCtrlClasses.h"
#include "toolkit/controls/ThemeManager.h"

#include <vector>

class CJQHeaderCtrl;

constexpr UINT JQ_IDR_HEADER_MENU = 9316;
constexpr UINT JQ_ID_HEADER_SORTASC = 9325;
constexpr UINT JQ_ID_HEADER_SORTDSC = 9326;
constexpr UINT JQ_ID_HEADER_ALIGNLEFT = 9327;
constexpr UINT JQ_ID_HEADER_ALIGNCENTER = 9328;
constexpr UINT JQ_ID_HEADER_ALIGNRIGHT = 9329;

// Draw flags of a header style.
constexpr DWORD JQ_HDR_THEMED = 1;
constexpr DWORD JQ_HDR_HOTTRACK = 2;
constexpr DWORD JQ_HDR_SORTARROW = 4;

class CJQHeaderCtrlTheme : public CJQThemeManagerStyle {
public:
    CJQHeaderCtrlTheme();
    void RefreshMetrics() override;

    virtual void DrawHeader(CDC* dc, CJQHeaderCtrl* header);
    // There are no visual styles on this platform: never themed.
    virtual BOOL IsThemed(CJQHeaderCtrl*) { return FALSE; }
    virtual void SetDrawStyle(DWORD flags, CJQHeaderCtrl* header);
    virtual DWORD GetDrawStyle() const { return m_dwDrawStyle; }
    virtual BOOL Layout(HDLAYOUT* layout, CJQHeaderCtrl* header);
    virtual void OnDestroyHeader(CJQHeaderCtrl*) { }
    virtual void DrawBackground(CDC* dc, CRect rect);
    virtual void DrawItemBackground(CDC* dc, CRect rect, BOOL pressed);
    virtual void DrawSortArrow(CDC* dc, POINT at, BOOL ascending);
    virtual void DrawItemText(CDC* dc, CRect item, const HDITEMW& record, int index, BOOL pressed, CJQHeaderCtrl* header);
    virtual void DrawArrowOutline(CDC* dc, POINT at, BOOL ascending);

    int m_nArrowGap = 10;
    int m_nTextMargin = 6;
    int m_nTextTop = 0;
    int m_nArrowWidth = 8;
    int m_nArrowHeight = 7;
    COLORREF m_clrText = 0, m_clrFace = 0, m_clrShadow = 0, m_clrDarkShadow = 0, m_clrHighlight = 0;

protected:
    DWORD m_dwDrawStyle = JQ_HDR_THEMED | JQ_HDR_HOTTRACK | JQ_HDR_SORTARROW;
    void Line(CDC* dc, int x1, int y1, int x2, int y2, COLORREF color);
    void Frame(CDC* dc, const CRect& rect, COLORREF topLeft, COLORREF bottomRight);
};

class CJQHeaderCtrlThemeOfficeXP : public CJQHeaderCtrlTheme {
public:
    CJQHeaderCtrlThemeOfficeXP() { m_dwDrawStyle = JQ_HDR_SORTARROW; }
    void DrawBackground(CDC* dc, CRect rect) override;
    void DrawItemBackground(CDC* dc, CRect rect, BOOL pressed) override;
};

class CJQHeaderCtrlThemeOffice2003 : public CJQHeaderCtrlThemeOfficeXP {
public:
    CJQHeaderCtrlThemeOffice2003() { m_nTextTop = 2; }
    void DrawBackground(CDC* dc, CRect rect) override;
    void DrawItemBackground(CDC* dc, CRect rect, BOOL pressed) override;
    BOOL Layout(HDLAYOUT* layout, CJQHeaderCtrl* header) override;
};

class CJQHeaderCtrlThemeFactory : public CJQThemeManagerStyleFactory {
    DECLARE_DYNCREATE(CJQHeaderCtrlThemeFactory)
public:
    CJQThemeManagerStyle* CreateStyle(int theme) override;
};

class CJQHeaderCtrl : public CHeaderCtrl, public CJQThemeManagerStyleHost {
    DECLARE_DYNCREATE(CJQHeaderCtrl)
public:
    CJQHeaderCtrl();

    CJQHeaderCtrlTheme* GetTheme() const { return static_cast<CJQHeaderCtrlTheme*>(CJQThemeManagerStyleHost::GetStyle()); }
    int SetSortImage(int column, BOOL ascending);
    int GetSortColumn(BOOL* ascending = nullptr) const;
    BOOL HasSortArrows() const;
    virtual void ShowSortArrow(BOOL show);
    virtual BOOL IsItemPressed(int item);
    virtual void SetFontBold(BOOL bold);
    virtual void ApplyFont(BOOL bold);
    virtual void SetMenuID(UINT menuId, int subMenu);
    void EnableMenu(BOOL enable) { m_bEnableMenu = enable; }
    virtual void SetColumnAlignment(int format);
    virtual BOOL IsRightToLeft() const { return m_bRTL; }

    void FreezeColumn(int column);
    void ThawColumn(int column);
    void ThawAllColumns() { m_arrFrozen.clear(); }
    BOOL IsColumnFrozen(int column) const;
    virtual int GetFrozenColumnsWidth();
    virtual void DistributeColumnWidths(int width);
    virtual void FitColumnsToWidth(int width);
    void EnableAutoSize(BOOL on) { m_bAutoSize = on; }
    void SetMinColWidth(int width) { m_nMinColWidth = width; }

    void RecalcLayout();
    void OnStyleChanged() override { RecalcLayout(); }
    // Handles the column menu's commands for the column under the last right click.
    void OnMenuCommand(UINT id);

    int m_nHotItem = -1;
    BOOL m_bHot = FALSE;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint();
    BOOL OnSetCursor();
    void OnRButtonDown(POINT point);
    void SendSimulatedClick(int column);
    void SetOwnStyle(CJQHeaderCtrlTheme* style);

    int m_nMinColWidth = 0;
    UINT m_nMenuID = 0;
    int m_nSubMenu = 0;
    BOOL m_bEnableMenu = TRUE;
    int m_nSortColumn = -1;
    BOOL m_bAscending = TRUE;
    BOOL m_bRTL = FALSE;
    BOOL m_bAutoSize = FALSE;
    BOOL m_bLBtnDown = FALSE;
    CPoint m_ptLastRButton;
    std::vector<int> m_arrFrozen;
};

class CJQFlatHeaderCtrl : public CJQHeaderCtrl {
    DECLARE_DYNCREATE(CJQFlatHeaderCtrl)
public:
    CJQFlatHeaderCtrl();
};
