#include "toolkit/commandbars/DefaultTheme.h"

#include <algorithm>

namespace JQWPaintThemes {

namespace {
constexpr int kHighlight = 13, kHighlightText = 14, kFace = 15, kShadow = 16, kGrayText = 17,
              kButtonText = 18, kLight = 20;
}

CSize CJQWDefaultTheme::GetPopupBarIconSize(const JQW_PAINT_BAR& bar) const
{
    return CSize(std::max<int>(bar.iconSize.cx + 4, m_baseTextHeight), std::max<int>(bar.iconSize.cy + 4, m_baseTextHeight));
}

int CJQWDefaultTheme::GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const
{
    if (!enabled)
        return kGrayText;
    if (barType == 2)
        return selected ? kHighlightText : m_popupTextColorIndex;
    return position == 5 ? m_popupTextColorIndex : kButtonText;
}

JQWStateFrame CJQWDefaultTheme::GetStateFrame(const JQW_PAINT_STATE& s)
{
    if (s.barType == 2 && !s.checked)
        return s.selected || s.pressed ? JQWStateFrame::Highlight : JQWStateFrame::None;
    if (!s.enabled)
        return s.checked || (s.selected && (s.pressed == 2 || s.pressed == 3)) ? JQWStateFrame::Sunken : JQWStateFrame::None;
    if (s.checked)
        return s.selected || s.pressed ? JQWStateFrame::Sunken : JQWStateFrame::DitheredSunken;
    if (s.popupOpen || s.pressed == 2 || s.pressed == 3)
        return JQWStateFrame::Sunken;
    if (s.selected)
        return s.pressed ? JQWStateFrame::Sunken : JQWStateFrame::Raised;
    return s.pressed == 1 || s.pressed == 4 ? JQWStateFrame::Raised : JQWStateFrame::None;
}

void CJQWDefaultTheme::FillDitheredChecked(HDC dc, const CRect& rect) const
{
    // A checkerboard of the light colour and the face, aligned to the context's origin as a pattern
    // brush is, so neighbouring buttons line up.
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            SetPixel(dc, x, y, ((x + y) & 1) ? GetColor(kFace) : GetColor(kLight));
}

void CJQWDefaultTheme::DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const
{
    switch (GetStateFrame(state)) {
    case JQWStateFrame::None:
        break;
    case JQWStateFrame::Highlight: {
        HBRUSH brush = CreateSolidBrush(GetColor(kHighlight));
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
        break;
    }
    case JQWStateFrame::DitheredSunken:
        FillDitheredChecked(dc, rect);
        Draw3dRectByIndex(dc, rect, kShadow, kLight);
        break;
    case JQWStateFrame::Sunken:
        Draw3dRectByIndex(dc, rect, kShadow, kLight);
        break;
    case JQWStateFrame::Raised:
        Draw3dRectByIndex(dc, rect, kLight, kShadow);
        break;
    }
}

CSize CJQWDefaultTheme::GetCommandBarGripperSize(int position)
{
    if (position == 0 || position == 1)
        return CSize(6, 0);
    if (position == 2 || position == 3)
        return CSize(0, 8);
    return CSize(0, 0);
}

CSize CJQWDefaultTheme::GetDialogBarGripperSize() const
{
    return CSize(6, m_baseTextHeight >= 18 ? m_baseTextHeight + 4 : 22);
}

CRect CJQWDefaultTheme::AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical)
{
    if (controlType == JQW_CONTROL_COMBO)
        return rect;
    if (onPopupBar)
        rect.DeflateRect(1, 0);
    else if (vertical)
        rect.InflateRect(0, 1);
    else
        rect.InflateRect(1, 0);
    return rect;
}

CRect CJQWDefaultTheme::GetCommandBarBorders(bool popupBar, CRect base)
{
    return popupBar ? CRect(3, 3, 3, 3) : base;
}

} // namespace JQWPaintThemes
