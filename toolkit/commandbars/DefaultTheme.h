#pragma once
// The classic three-dimensional look: raised and sunken edges in the system's highlight and shadow
// colours, etched separators, menus highlighted in the selection colour.

#include "toolkit/commandbars/PaintManager.h"

// What a state rectangle shows.
enum class JQWStateFrame { None, Raised, Sunken, DitheredSunken, Highlight };

// Control state as the themes read it.
struct JQW_PAINT_STATE {
    bool selected = false;
    int pressed = 0; // 0 none, 1 mouse down, 2/3 keyboard, 4 pressed elsewhere
    bool enabled = true;
    bool checked = false;
    bool popupOpen = false;
    int barType = 1; // 2 popup
    int position = 0;
};

namespace JQWPaintThemes {

class CJQWDefaultTheme : public CJQWPaintManager {
public:
    // Text of normal menu items and the tick of checked ones; the native look uses 7.
    int m_popupTextColorIndex = 18;

    CSize GetPopupBarIconSize(const JQW_PAINT_BAR& bar) const override;

    int GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const;
    static JQWStateFrame GetStateFrame(const JQW_PAINT_STATE& state);
    void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const;
    void FillDitheredChecked(HDC dc, const CRect& rect) const;

    static CSize GetCommandBarGripperSize(int position);
    CSize GetDialogBarGripperSize() const;
    static CSize GetSeparatorSize(bool popup) { return popup ? CSize(8, 8) : CSize(6, 6); }
    static CRect AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical);
    static CRect GetCommandBarBorders(bool popupBar, CRect base);
    static CSize GetTearOffGripperSize() { return CSize(0, 8); }
};

} // namespace JQWPaintThemes
