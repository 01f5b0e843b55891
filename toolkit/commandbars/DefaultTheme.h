#pragma once
// The classic three-dimensional look: raised and sunken edges in the system's highlight and shadow
// colours, etched separators, menus highlighted in the selection colour.

#include "toolkit/commandbars/PaintManager.h"

// What a state rectangle shows.
enum class JQWStateFrame { None, Raised, Sunken, DitheredSunken, Highlight };

namespace JQWPaintThemes {

class CJQWDefaultTheme : public CJQWPaintManager {
public:
    // Text of normal menu items and the tick of checked ones; the native look uses 7.
    int m_popupTextColorIndex = 18;

    CSize GetPopupBarIconSize(const JQW_PAINT_BAR& bar) const override;

    int GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const override;
    static JQWStateFrame GetStateFrame(const JQW_PAINT_STATE& state);
    void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const override;
    void RefreshMetrics() override;
    CSize DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw) override;
    void DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect) override;
    void FillCommandBar(CDC* dc, CJQWCommandBar* bar) override;
    CSize DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CSize DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw) override;
    CSize DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw, CSize size,
        BOOL hiddenControls = FALSE) override;
    CRect GetCommandBarBorders(CJQWCommandBar* bar) const override;
    void DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state) override;
    int GetBaseTheme() const override { return 0; }
    CSize DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw) override;
    CSize DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;

    // Fields on bars: the frame, the drop button of a combo box and the spin buttons of an edit
    // box (`selected` 2 or 3 when selected from the keyboard; `pressed` 3 upper, 4 lower half).
    virtual void DrawEditFrame(CDC* dc, CRect rect, BOOL enabled, int selected);
    virtual void DrawComboDropButton(CDC* dc, CRect rect, BOOL enabled, BOOL selected, BOOL droppedDown);
    virtual void DrawEditSpinButtons(CDC* dc, CRect spin, BOOL enabled, BOOL selected, int pressed);
    void FillDitheredChecked(HDC dc, const CRect& rect) const;

    static CSize GetCommandBarGripperSize(int position);
    CSize GetDialogBarGripperSize() const;
    static CSize GetSeparatorSize(bool popup) { return popup ? CSize(8, 8) : CSize(6, 6); }
    CRect AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const override;
    static CRect GetCommandBarBorders(bool popupBar, CRect base);
    static CSize GetTearOffGripperSize() { return CSize(0, 8); }
};

} // namespace JQWPaintThemes
