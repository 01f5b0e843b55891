#pragma once
// The toolkit's list control in report view: a sort column with an arrow in a toolkit header,
// column widths kept in the profile, per-row colours, a shaded sort column, locked widths, rows
// copied and moved, and painting through an off-screen bitmap.

#include "platform/framework/CommonCtrlClasses.h"
#include "platform/framework/DC.h"
#include "platform/framework/GdiClasses.h"
#include "toolkit/controls/HeaderCtrl.h"

#include <vector>

// Drawing goes into a bitmap of the rectangle's size (point (0, 0) is the rectangle's corner) and
// reaches the target in one block when the object goes.
class CJQMemDC : public CDC {
public:
    CJQMemDC(CDC* target, const RECT& rect, COLORREF gradientFrom = CLR_NONE, COLORREF gradientTo = CLR_NONE,
             BOOL horizontal = FALSE);
    ~CJQMemDC() override;
    CJQMemDC(const CJQMemDC&) = delete;
    CJQMemDC& operator=(const CJQMemDC&) = delete;

    BOOL IsValid() const { return m_bValid; }
    const CRect& GetRect() const { return m_rect; }

private:
    CDC* m_pTarget = nullptr;
    CRect m_rect;
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
    BOOL m_bValid = FALSE;
};

struct ROWCOLOR {
    int iRow;
    COLORREF crBack;
    COLORREF crText;
};

class CJQListBase {
public:
    CJQListBase();
    virtual ~CJQListBase() = default;
    CJQListBase(const CJQListBase&) = delete;
    CJQListBase& operator=(const CJQListBase&) = delete;

    virtual int SetSortColumn(int column, BOOL ascending);
    virtual int GetSavedColumnWidth(int column);
    virtual void RestoreColumnWidth(int column);
    virtual void RestoreColumnWidths();
    virtual void SaveColumnWidths();
    virtual void AutoSizeColumn(int column = -1);
    virtual void SetColumnWidthProfile(const WCHAR* section = nullptr, const WCHAR* entry = nullptr,
                                       const WCHAR* defaultValue = nullptr);
    virtual BOOL SubclassHeader(BOOL bold = FALSE);
    // A derived list sorts its rows here.
    virtual BOOL SortList(int column, BOOL ascending);
    virtual void AddExtendedStyle(DWORD styles);
    virtual DWORD GetExtendedStyle();
    virtual void LockColumnWidths(BOOL lock = TRUE) { m_bLockWidths = BYTE(lock); }
    virtual int HitTestCell(POINT point, int* column);
    virtual int AddColumn(const WCHAR* text, int width = -1, int format = LVCFMT_LEFT);
    virtual BOOL AddColumns(int count, const int* widths, const WCHAR* const* texts);
    virtual BOOL AddColumnsFromResources(int count, const int* widths, const UINT* stringIds);
    virtual int GetColumnCount();
    virtual int CopyRow(int from, int to);
    virtual BOOL MoveRow(int from, int to);
    virtual const ROWCOLOR* FindRowColors(int row) const;
    virtual BOOL ModifyExtendedStyle(DWORD remove, DWORD add);
    virtual BOOL InitControl();
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

    void SetRowColors(int row, COLORREF text, COLORREF back, BOOL redraw = TRUE);
    void EnableRowColors(BOOL on = TRUE) { m_bRowColors = BYTE(on); }
    void EnableSortHighlight(BOOL on = TRUE) { m_bSortHighlight = BYTE(on); }
    void SetListColors(COLORREF text, COLORREF back);
    void RefreshMetrics();
    int GetSortColumn() const { return m_nSortColumn; }
    BOOL IsAscending() const { return m_bAscending; }
    CJQFlatHeaderCtrl& GetFlatHeader() { return m_flatHeader; }

    LRESULT OnCustomDraw(NMHDR* notify);
    void OnPaint();

    int m_nMinColWidth = 0;
    int m_nMaxColWidth = 0;
    BYTE m_bDefaultFont = 0;
    BYTE m_bSaveWidths = 0;
    BYTE m_bCustomColors = 0;

protected:
    void Bind(CListCtrl* list) { m_pList = list; }
    BOOL IsReportWithHeader() const;
    CJQHeaderCtrl* ToolkitHeader() const;
    COLORREF ListBack() const;
    COLORREF ListText() const;

    int m_nSortColumn = -1;
    BYTE m_bRowColors = 0;
    BYTE m_bSortHighlight = 0;
    BYTE m_bAscending = 1;
    BYTE m_bLockWidths = 0;
    CString m_strSection;
    CString m_strEntry;
    CString m_strDefault;
    COLORREF m_crCustomText = CLR_NONE;
    COLORREF m_crCustomBack = CLR_NONE;
    COLORREF m_crSortText = CLR_NONE;
    COLORREF m_crSortBack = CLR_NONE;
    std::vector<ROWCOLOR> m_rowColors;
    CJQFlatHeaderCtrl m_flatHeader;
    CListCtrl* m_pList = nullptr;
};

class CJQListCtrlBase : public CListCtrl, public CJQListBase {
    DECLARE_DYNAMIC(CJQListCtrlBase)
public:
    CJQListCtrlBase();

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void PreSubclassWindow() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    BOOL m_bSubclassed = TRUE;
};

class CJQListCtrl : public CJQListCtrlBase {
    DECLARE_DYNCREATE(CJQListCtrl)
public:
    CJQListCtrl();
};
