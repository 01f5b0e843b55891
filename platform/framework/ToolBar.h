#pragma once
// The class library's toolbar: a control bar over the toolbar control, whose buttons follow their
// commands' update handlers at idle time (enabled, checked) and whose layout comes from a toolbar
// resource or a list of command ids.

#include "platform/controls/Toolbar.h"
#include "platform/framework/FrameWnd.h"

#include <vector>

constexpr UINT ID_SEPARATOR = 0;

// Button styles as the class library gives them: the control's style in the low word, its state
// in the high word (TBBS_DISABLED is the enabled bit turned round).
constexpr UINT TBBS_BUTTON = MAKELONG(TBSTYLE_BUTTON, 0);
constexpr UINT TBBS_SEPARATOR = MAKELONG(TBSTYLE_SEP, 0);
constexpr UINT TBBS_CHECKBOX = MAKELONG(TBSTYLE_CHECK, 0);
constexpr UINT TBBS_GROUP = MAKELONG(TBSTYLE_GROUP, 0);
constexpr UINT TBBS_CHECKGROUP = TBBS_GROUP | TBBS_CHECKBOX;
constexpr UINT TBBS_CHECKED = MAKELONG(0, TBSTATE_CHECKED);
constexpr UINT TBBS_PRESSED = MAKELONG(0, TBSTATE_PRESSED);
constexpr UINT TBBS_DISABLED = MAKELONG(0, TBSTATE_ENABLED);
constexpr UINT TBBS_INDETERMINATE = MAKELONG(0, TBSTATE_INDETERMINATE);
constexpr UINT TBBS_HIDDEN = MAKELONG(0, TBSTATE_HIDDEN);
constexpr UINT TBBS_WRAPPED = MAKELONG(0, TBSTATE_WRAP);

// The control's messages for the toolbar's window.
class CToolBarCtrl {
public:
    HWND m_hWnd = nullptr;
    HIMAGELIST SetImageList(HIMAGELIST list)
    {
        return reinterpret_cast<HIMAGELIST>(::SendMessage(m_hWnd, TB_SETIMAGELIST, 0, LPARAM(list)));
    }
    HIMAGELIST SetDisabledImageList(HIMAGELIST list)
    {
        return reinterpret_cast<HIMAGELIST>(::SendMessage(m_hWnd, TB_SETDISABLEDIMAGELIST, 0, LPARAM(list)));
    }
    HIMAGELIST SetHotImageList(HIMAGELIST list)
    {
        return reinterpret_cast<HIMAGELIST>(::SendMessage(m_hWnd, TB_SETHOTIMAGELIST, 0, LPARAM(list)));
    }
    BOOL CheckButton(int id, BOOL check = TRUE) { return BOOL(::SendMessage(m_hWnd, TB_CHECKBUTTON, WPARAM(id), check)); }
    BOOL EnableButton(int id, BOOL enable = TRUE) { return BOOL(::SendMessage(m_hWnd, TB_ENABLEBUTTON, WPARAM(id), enable)); }
    BOOL IsButtonChecked(int id) const { return ::SendMessage(m_hWnd, TB_ISBUTTONCHECKED, WPARAM(id), 0) > 0; }
    BOOL IsButtonEnabled(int id) const { return ::SendMessage(m_hWnd, TB_ISBUTTONENABLED, WPARAM(id), 0) > 0; }
    int GetButtonCount() const { return int(::SendMessage(m_hWnd, TB_BUTTONCOUNT, 0, 0)); }
    BOOL GetItemRect(int index, RECT* rect) const { return BOOL(::SendMessage(m_hWnd, TB_GETITEMRECT, WPARAM(index), LPARAM(rect))); }
    int GetRows() const { return int(::SendMessage(m_hWnd, TB_GETROWS, 0, 0)); }
    HWND GetToolTips() const { return reinterpret_cast<HWND>(::SendMessage(m_hWnd, TB_GETTOOLTIPS, 0, 0)); }
    void SetExtendedStyle(DWORD style) { ::SendMessage(m_hWnd, TB_SETEXTENDEDSTYLE, 0, LPARAM(style)); }
};

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar();
    ~CToolBar() override;

    // `style`: window styles with the bar's own (CBRS_*); CBRS_TOOLTIPS gives the control a tip.
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
    // `controlStyle`: the control's own styles (TBSTYLE_FLAT...); `borders`: the bar's borders.
    BOOL CreateEx(CWnd* parent, DWORD controlStyle = TBSTYLE_FLAT,
        DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, CRect borders = CRect(0, 0, 0, 0),
        UINT id = AFX_IDW_TOOLBAR);

    // The buttons of a toolbar resource (its bitmap of the same name gives the images).
    BOOL LoadToolBar(LPCWSTR resourceName);
    BOOL LoadToolBar(UINT id) { return LoadToolBar(MAKEINTRESOURCEW(id)); }
    BOOL LoadBitmap(LPCWSTR resourceName);
    BOOL SetBitmap(HBITMAP bitmap);
    // One button per id (ID_SEPARATOR a separator), images in order; null ids make `count`
    // separators to be filled with SetButtonInfo.
    BOOL SetButtons(const UINT* ids, int count);
    void SetSizes(SIZE button, SIZE image);
    void SetHeight(int height) { m_cyFixedHeight = height; }

    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    void GetItemRect(int index, RECT* rect) const;
    UINT GetButtonStyle(int index) const;
    void SetButtonStyle(int index, UINT style);
    void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
    void SetButtonInfo(int index, UINT id, UINT style, int image);
    int GetCount() const;

    CToolBarCtrl& GetToolBarCtrl() const;

    CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
    CSize CalcDynamicLayout(int length, DWORD mode) override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

protected:
    BOOL SetButtonsFromRecords(std::vector<TBBUTTON> records);

    mutable CToolBarCtrl m_ctrl;
    int m_cyFixedHeight = 0;
    SIZE m_sizeImage { 16, 15 };
    HBITMAP m_bitmap = nullptr;
};
