#pragma once
// The three looks of CJQButton: classic (raised 3-D, flat or semi-flat), Office XP (flat coloured
// rectangles, faded idle icons, lifted hot icons) and Office 2003 (orange gradients, colours per
// colour scheme). CJQButtonThemeFactory makes them by theme number: 1 Office XP, 2 Office 2003,
// anything else classic.

#include "platform/framework/DC.h"
#include "toolkit/controls/ThemeManager.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/WinThemeWrapper.h"

class CJQButton;

class CJQButtonThemeFactory : public CJQThemeManagerStyleFactory {
    DECLARE_DYNCREATE(CJQButtonThemeFactory)
public:
    CJQThemeManagerStyle* CreateStyle(int theme) override;
};

class CJQButtonTheme : public CJQThemeManagerStyle {
public:
    CJQButtonTheme();
    ~CJQButtonTheme() override;

    void RefreshMetrics() override;

    virtual BOOL IsFlatLook(const CJQButton* button) const;
    virtual BOOL IsThemed(const CJQButton* button);
    virtual BOOL GetShowImages() const { return m_bShowImages; }
    virtual void SetShowImages(BOOL show) { m_bShowImages = show; }
    virtual CFont* GetFont() { return m_font.GetSafeHandle() ? &m_font : nullptr; }
    // Ignored when the object holds no font; the style keeps a copy.
    virtual void SetFont(CFont* font);
    virtual void SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text);
    virtual void SetFaceColor(COLORREF color) { m_crFace.SetCustomValue(color); }
    virtual COLORREF GetFaceColor() const { return m_crFace; }
    virtual void SetHighlightColor(COLORREF color) { m_crLight.SetCustomValue(color); }
    virtual void SetShadowColor(COLORREF color) { m_crShadow.SetCustomValue(color); }
    virtual void SetTextColor(COLORREF color) { m_crText.SetCustomValue(color); }
    virtual CPoint CalcCentredPos(CSize size, const CJQButton* button) const;
    virtual CPoint CalcTextPos(const CRect& rect, CSize textSize, const CJQButton* button) const;
    virtual COLORREF GetTextColor(UINT state, CJQButton* button);
    virtual void DrawButtonText(CDC* dc, UINT state, CRect rect, CJQButton* button);
    virtual CPoint CalcImagePos(CDC* dc, const CRect& rect, const CJQButton* button);
    virtual void DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button);
    virtual void DrawButton(DRAWITEMSTRUCT* item, CJQButton* button);
    virtual BOOL DrawThemedBackground(CDC* dc, UINT state, CRect rect, CJQButton* button);
    virtual void DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button);
    virtual void DrawFocusRect(CDC* dc, CRect rect, CJQButton* button);

    // The icon size the layouts count (0 x 0 without show-images or an icon).
    CSize LayoutIconSize(const CJQButton* button) const;
    // Pressed: ODS_SELECTED or the button's checked flag.
    static BOOL IsPressed(UINT state, const CJQButton* button);

    BOOL m_bShowImages = TRUE;
    BOOL m_bOffsetWhenPressed = TRUE;
    CFont m_font;
    CJQWPaintManagerColor m_crFace;
    CJQWPaintManagerColor m_crText;
    CJQWPaintManagerColor m_crDisabledText;
    CJQWPaintManagerColor m_crLight;
    CJQWPaintManagerColor m_crShadow;
    CJQWPaintManagerColor m_crHighlight;
    CJQWPaintManagerColor m_crDarkShadow;
    CJQWWinThemeWrapper m_themeButton;

protected:
    int VisualState(UINT state, CJQButton* button) const;
};

class CJQButtonThemeOfficeXP : public CJQButtonTheme {
public:
    explicit CJQButtonThemeOfficeXP(BOOL framed = FALSE);

    void RefreshMetrics() override;
    COLORREF GetTextColor(UINT state, CJQButton* button) override;
    void DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button) override;
    void DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button) override;

    virtual void SetFramed(BOOL framed);
    virtual void SetPressedBackColor(COLORREF color) { m_crPressedBack.SetCustomValue(color); }
    virtual void SetHotBackColor(COLORREF color) { m_crHotBack.SetCustomValue(color); }
    virtual void SetPressedTextColor(COLORREF color) { m_crPressedText.SetCustomValue(color); }
    virtual void SetHotTextColor(COLORREF color) { m_crHotText.SetCustomValue(color); }

    BOOL m_bFramed;
    BOOL m_bFadeIdleIcons = TRUE;
    BOOL m_bLiftHotIcons = TRUE;
    CJQWPaintManagerColor m_crPressedBack;
    CJQWPaintManagerColor m_crHotBack;
    CJQWPaintManagerColor m_crCheckedBack;
    CJQWPaintManagerColor m_crPressedText;
    CJQWPaintManagerColor m_crHotText;
};

class CJQButtonThemeOffice2003 : public CJQButtonThemeOfficeXP {
public:
    explicit CJQButtonThemeOffice2003(BOOL framed = FALSE);

    void RefreshMetrics() override;
    void DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button) override;
    void DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button) override;
};

// An 8 x 8 checker of alternating pixels in the two colours.
void FillDitherRect(CDC* dc, const RECT* rect, COLORREF first, COLORREF second);
