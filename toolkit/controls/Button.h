#pragma once
// The toolkit's push button: it paints itself completely through its theme style (classic, flat,
// Office XP or Office 2003 looks, ButtonTheme.h), with an image beside or above the text, tracks
// the mouse for its hot state and keeps working as a dialog push button.

#include "platform/framework/StdControls.h"
#include "toolkit/controls/ThemeManager.h"
#include "toolkit/drawing/images/ImageManager.h"

class CJQButtonTheme;

// Style flags of CJQButton.
constexpr DWORD JQ_BS_FLAT = 0x0001;
constexpr DWORD JQ_BS_SEMIFLAT = 0x0002;
constexpr DWORD JQ_BS_IMAGEABOVETEXT = 0x0004;
constexpr DWORD JQ_BS_FOCUSRECT = 0x0010;
constexpr DWORD JQ_BS_CHECKERPRESSED = 0x0020;
constexpr DWORD JQ_BS_OFFICEXP = 0x0040;
constexpr DWORD JQ_BS_VISUALSTYLES = 0x1000;

class CJQButton : public CButton, public CJQThemeManagerStyleHost {
    DECLARE_DYNCREATE(CJQButton)
    DECLARE_MESSAGE_MAP()
public:
    // The factory class makes the button's styles; CJQButtonThemeFactory when null.
    explicit CJQButton(const CRuntimeClass* factoryClass = nullptr);
    ~CJQButton() override;

    BOOL SetIconObject(CSize size, CJQWImageManagerIcon* icon, BOOL redraw = TRUE);
    virtual BOOL SetIconFromHandles(CSize size, const CJQWIconImageHandle& normal, const CJQWIconImageHandle& hot,
                                    BOOL redraw = TRUE);
    virtual BOOL SetIconFromResourceIds(CSize size, UINT id, UINT hotId = 0, BOOL redraw = TRUE);
    virtual BOOL SetIconFromResourceNames(CSize size, LPCWSTR name, LPCWSTR hotName = nullptr, BOOL redraw = TRUE);
    virtual BOOL SetIconFromHIcons(CSize size, HICON icon, HICON hotIcon = nullptr, BOOL redraw = TRUE);
    virtual BOOL SetBitmapFromResource(CSize size, UINT id, BOOL redraw = TRUE);
    virtual BOOL SetImageTextLayout(CPoint image, CPoint text, BOOL redraw = TRUE);
    // Returns the old flags; JQ_BS_OFFICEXP installs a private Office XP style, else JQ_BS_FLAT a
    // private classic one.
    virtual DWORD SetThemeStyleFlags(DWORD flags, BOOL redraw = TRUE);
    virtual DWORD GetThemeStyleFlags() const { return m_dwFlags; }
    virtual BOOL HasTheme() const { return CJQThemeManagerStyleHost::GetStyle() != nullptr; }
    virtual void SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text);
    virtual void SetFaceColor(COLORREF color);
    virtual COLORREF GetFaceColor() const;
    virtual void SetHighlightColor(COLORREF color);
    virtual void SetShadowColor(COLORREF color);
    virtual void SetTextColor(COLORREF color);
    // Only for the Office XP look: the border and the hot and pressed backgrounds.
    virtual void SetFlatColors(COLORREF border, COLORREF hotBack, COLORREF pressedBack);
    virtual void ToggleThemeFlag();
    virtual HFONT SetButtonFont(HFONT font);
    virtual BOOL InitControl();
    virtual void FreeImages();
    virtual CString GetButtonText(BOOL stripMnemonics) const;
    virtual void DrawButton(CDC* dc);

    void DrawItem(DRAWITEMSTRUCT* item) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CJQButtonTheme* GetButtonTheme() const;
    // Hot, or holding the mouse capture (pressed and dragged off).
    BOOL IsHotOrCaptured() const;
    BOOL IsPushed() const { return m_bPushed; }
    CJQWImageManagerIcon* GetIcon() const { return m_pIcon; }
    CSize GetIconSize() const { return m_szIcon; }

    int OnCreate(CREATESTRUCTW* cs);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    UINT OnGetDlgCode();
    void OnEnable(BOOL enable);
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetState(WPARAM wParam, LPARAM lParam);
    LRESULT OnDefaultThenInvalidate(WPARAM wParam, LPARAM lParam);

    int m_nImageGap = 4;
    int m_nImageTextGap = 8;
    BOOL m_bSubclassed = TRUE;
    BOOL m_bUserLayout = FALSE;
    CPoint m_ptImage;
    CPoint m_ptText;
    BOOL m_bChecked = FALSE;
    BOOL m_bHot = FALSE;
    BOOL m_bPushed = FALSE;
    BOOL m_bOwnerDrawn = FALSE;

private:
    DWORD m_dwFlags = JQ_BS_FLAT | JQ_BS_FOCUSRECT;
    CSize m_szIcon;
    CJQWImageManagerIcon* m_pIcon = nullptr;
};
