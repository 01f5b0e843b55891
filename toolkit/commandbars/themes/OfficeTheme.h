#pragma once
// The flat look: light toolbars, items highlighted by a filled rectangle with a one-pixel border,
// menus on a light background with a coloured icon column. The later flat looks derive from it.

#include "toolkit/commandbars/DefaultTheme.h"

namespace JQWPaintThemes {

// Fill and border of a state rectangle as colour entries; -1 draws nothing.
struct JQW_STATE_COLORS {
    int fill = -1;
    int border = -1;
    bool operator==(const JQW_STATE_COLORS&) const = default;
};

class CJQWOfficeTheme : public CJQWDefaultTheme {
public:
    CJQWOfficeTheme();

    static constexpr int PopupTextIndent = 8;
    // Shadow options of the drop shadows: 1 always, 2 cut the opening control out.
    int m_shadowOptions = 3;
    bool m_flatMenuBar = true;

    // `checked` 0 none, 1 checked, 2 the third state.
    static JQW_STATE_COLORS GetStateColors(const JQW_PAINT_STATE& state, int checked);
    // `selected` 1 under the mouse, 2 and 3 from the keyboard.
    static JQW_STATE_COLORS GetStateColors(int selected, int pressed, bool enabled, int checked, bool popupOpen, int position);
    static int GetStateTextColor(const JQW_PAINT_STATE& state, int checked);

    int GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const override;
    COLORREF GetControlTextColor(CJQWControl* control) override;
    void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const override;
    // Fills with `fill`, then frames with `border` when it differs (either -1: left out).
    void FillWithBorder(HDC dc, const CRect& rect, int fill, int border) const;
    void FillCommandBar(CDC* dc, CJQWCommandBar* bar) override;
    CSize DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CSize DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw) override;
    CSize DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw) override;
    CSize DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    virtual void DrawPopupBarGripper(CDC* dc, CRect rect, bool rarelyUsed);
    int GetBaseTheme() const override { return 1; }
    void RefreshMetrics() override;

    // The menu bar is flat in this look (plain face colour, no band).
    bool IsFlatBar(const CJQWCommandBar* bar) const;
    // Removes the popup's border where it touches the control that opened it (not for submenus).
    void DrawPopupJoint(CDC* dc, CJQWCommandBar* popup, COLORREF color);
    CRect AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const override;
    void DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL gripperPane) override;
    // Faded icons at rest, raised with a shadow under the mouse, tinted silhouettes when disabled.
    void DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state) override;
    void DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect) override;
    CSize DrawControlComboBox(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw) override;
    CSize DrawControlEdit(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw) override;
    CSize DrawListBoxControl(CDC* dc, CJQWControl* control, CRect rect, BOOL selected, BOOL draw,
        CJQWCommandBars* bars = nullptr) override;
    CSize DrawCheckMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled) override;
    CSize DrawRadioMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled) override;
    // Colours of the marks: fill and border (check box) or edge and fill (radio button).
    static JQW_STATE_COLORS GetCheckBoxColors(bool selected, int pressed, bool enabled);
    static JQW_STATE_COLORS GetRadioColors(bool selected, int pressed, bool enabled);

    // Tint of generated disabled icons; the gradient looks set their own.
    CJQWPaintManagerColorGradient m_grcFace;

    // Menu items: the highlight spans the whole item, the icon column stays beside it.
    CSize DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw) override;
    virtual void DrawPopupSplitDropDown(CDC* dc, CJQWControl* control);
    virtual void DrawPopupSubmenuArrow(CDC* dc, CJQWControl* control);
    virtual void FillPopupLabelBackground(CDC* dc, CRect rect);
};

} // namespace JQWPaintThemes
