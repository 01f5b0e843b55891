#pragma once
// Gradient dock bars, rounded toolbar bands with a shadow line and a round expand glyph; the
// colours follow the desktop's colour scheme, or are blended from the system colours without one.

#include "toolkit/commandbars/themes/OfficeTheme.h"

#include <array>

namespace JQWPaintThemes {

class CJQWOffice2003Theme : public CJQWOfficeTheme {
public:
    CJQWOffice2003Theme();

    CJQWPaintManagerColorGradient m_grcDock;
    CJQWPaintManagerColorGradient m_grcBand;
    CJQWPaintManagerColorGradient m_grcChevron;
    CJQWPaintManagerColorGradient m_grcGlyph;
    CJQWPaintManagerColorGradient m_grcRarelyUsed;
    CJQWPaintManagerColorGradient m_grcOpen;
    CJQWPaintManagerColor m_clrShadowLine;
    CJQWPaintManagerColor m_clrPaneBorder;
    CJQWPaintManagerColor m_clrTearOff;
    CJQWPaintManagerColor m_clrCaption;
    COLORREF m_clrShadow = 0;
    bool m_schemeColorsActive = false;
    bool m_singleLineSeparators = false;
    // Scheme selection: 0 none, 1 blue, 2 olive green, 3 silver, 4 and 5 the desktop's scheme.
    int m_schemeSelection = 5;

    // The desktop's colour scheme (0 none, 1 blue, 2 olive green, 3 silver).
    virtual int GetSystemColorScheme() const;
    int GetCurrentSystemTheme() const;

    void RefreshMetrics() override;
    // 16 x 16, row after row; green (0, 255, 0) is transparent.
    const std::array<COLORREF, 256>& GetExpandGlyph() const { return m_expandGlyph; }
    void CreateExpandGlyph();
    void DrawExpandGlyph(HDC dc, CPoint topLeft) const;

    // A two-colour gradient, across when `horizontal`, framed in `border` unless it is -1.
    void FillGradientWithBorder(HDC dc, const CRect& rect, int border, bool horizontal,
        const CJQWPaintManagerColorGradient& gradient) const;
    static void FillGradient(HDC dc, const CRect& rect, COLORREF first, COLORREF second, bool horizontal);

    void FillCommandBar(CDC* dc, CJQWCommandBar* bar) override;
    void FillDockBar(CDC* dc, class CWnd* dockBar) override;
    void DrawPopupBarGripper(CDC* dc, CRect rect, bool rarelyUsed) override;
    // Grippers are rows of dark dots, each with a light one below and right of it.
    CSize DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CSize DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw) override;
    // The expand button at the foot of a short menu is the round glyph with double arrows, 18 high.
    CSize DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw, CSize size,
        BOOL hiddenControls = FALSE) override;
    // The glyph and arrows of that button, centred on `rect`.
    void DrawPopupExpandButton(HDC dc, const CRect& rect) const;
    int GetBaseTheme() const override { return 2; }

    // True for a bar that may dock somewhere and is not flat: floating, it keeps its band rows.
    virtual bool HasFloatingToolbarLook(CJQWCommandBar* bar) const;
    void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const override;
    // Fill and border of a state rectangle when the scheme's orange gradients are used; `gradient`
    // 0 none, 1 solid entry 51, 2 checked, 3 pressed, 4 hot.
    struct GradientState {
        int gradient = 0;
        int border = -1;
        bool operator==(const GradientState&) const = default;
    };
    static GradientState GetGradientState(int selected, int pressed, bool enabled, int checked);
    CRect GetCommandBarBorders(CJQWCommandBar* bar) const override;
    CSize DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CSize DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw) override;
    void DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL gripperPane) override;
    void DrawStatusBarGripper(CDC* dc, CRect rect) override;
    // The chevron of a toolbar's expand button; the double arrow when controls are hidden.
    void DrawChevronGlyph(HDC dc, bool vertical, CRect rect, bool doubleArrow, COLORREF color) const;

    CJQWPaintManagerColorGradient m_grcChecked;
    CJQWPaintManagerColorGradient m_grcPushed;
    CJQWPaintManagerColorGradient m_grcHot;

protected:
    void ApplySchemeColors(int scheme);

private:
    std::array<COLORREF, 256> m_expandGlyph {};
};

} // namespace JQWPaintThemes
