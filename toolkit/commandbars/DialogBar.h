#pragma once
// A toolbar that hosts one child window under a caption strip: docked or floating like any
// toolbar, resized freely by its edges, never customizable. The strip carries a caption (with an
// optional drop-down menu) and a close button.

#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/ToolBar.h"

class CJQWDialogBar : public CJQWToolBar {
    DECLARE_DYNCREATE(CJQWDialogBar)
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kCloseCommand = 9149;
    static constexpr int kCaptionCommand = 9147;

    class CControlButtonHide : public CJQWControlButton {
    public:
        CControlButtonHide();
        void Draw(CDC* dc) override;
    };

    class CControlCaptionPopup : public CJQWControlPopup {
    public:
        CControlCaptionPopup();
        void Draw(CDC* dc) override;
        // Without a menu there is nothing to open (and that counts as done).
        BOOL SetPopupOpen(BOOL open) override;
        void AdjustExcludeRect(CRect& rect, BOOL vertical) override;
        BOOL m_bHasMenu = FALSE;
    };

    class CCaptionPopupBar : public CJQWPopupBar {
    public:
        CCaptionPopupBar() { m_popupFlags = 2; }
        // The menu hangs from the caption's bottom-left corner.
        CRect UpdatePosition(CSize size) override;
    };

    CJQWDialogBar();
    ~CJQWDialogBar() override;

    CSize CalcSize(int length, DWORD mode) override;
    CSize CalcDynamicLayout(int length, DWORD mode, int rowThickness = 0) override;
    int IsPointInBar(CPoint screenPoint) const override;
    void OnIdleUpdate() override;
    BOOL IsFreeSizing() const override { return TRUE; }
    CJQWCommandBar* Clone(BOOL recursive) const override;

    // The dock context's free resize; sizes below the minimum are ignored.
    void ResizeTo(const CRect& rect, int hitTest);
    CRect GetClientMargins() const;
    void SetChild(HWND child) { m_hwndChild = child; }
    HWND GetChild() const { return m_hwndChild; }
    void SetCaption(const CString& caption) { m_strCaption = caption; }
    void SetResizable(BOOL on) { m_bResizable = on; }
    void SetCaptionVisible(BOOL on) { m_bCaptionVisible = on; }
    void SetCaptionMenu(BOOL on) { m_bCaptionPopup = on; }
    CJQWPopupBar* GetCaptionPopupBar() const { return m_pPopupBar; }
    BOOL IsActive() const { return m_bActive; }

    CRect m_rcBorders { 3, 3, 3, 3 };
    CSize m_szMinTrackSize { 50, 50 };
    CSize m_szDockingClient { 200, 200 };
    CSize m_szFloatingClient { 200, 200 };

protected:
    CSize Layout(int length, DWORD mode, CSize client);
    int CaptionHeight() const;
    LRESULT OnNcHitTest(CPoint point);
    void OnSize(UINT type, int cx, int cy);

    BOOL m_bResizable = TRUE;
    BOOL m_bCaptionVisible = TRUE;
    BOOL m_bCaptionPopup = TRUE;
    int m_nCaptionHeight = 0;
    HWND m_hwndChild = nullptr;
    CString m_strCaption;
    CCaptionPopupBar* m_pPopupBar = nullptr;
    BOOL m_bActive = FALSE;
};
