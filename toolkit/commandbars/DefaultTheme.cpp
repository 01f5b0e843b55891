#include "toolkit/commandbars/DefaultTheme.h"

#include "toolkit/commandbars/DialogBar.h"

#include "platform/framework/DC.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>

namespace JQWPaintThemes {

namespace {
constexpr int kActiveCaption = 2, kInactiveCaption = 3, kCaptionText = 9, kHighlight = 13, kHighlightText = 14, kFace = 15,
              kShadow = 16, kGrayText = 17, kButtonText = 18, kLight = 20, kDarkShadow = 21, kLightFace = 22;
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

CRect CJQWDefaultTheme::AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const
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

void CJQWDefaultTheme::RefreshMetrics()
{
    CJQWPaintManager::RefreshMetrics();
    m_clrCaptionBack = GetColor(kActiveCaption);
    m_clrCaptionText = GetColor(kCaptionText);
}

CRect CJQWDefaultTheme::GetCommandBarBorders(CJQWCommandBar* bar) const
{
    return GetCommandBarBorders(bar && (bar->IsPopupBar() || bar->GetType() == 2), CJQWPaintManager::GetCommandBarBorders(bar));
}

void CJQWDefaultTheme::FillCommandBar(CDC* dc, CJQWCommandBar* bar)
{
    CRect r;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&r);
    else
        dc->GetClipBox(&r);
    dc->FillSolidRect(&r, GetColor(kFace));
    const int position = bar ? bar->GetPosition() : 0;
    const HDC hdc = dc->GetSafeHdc();
    if (position == 4 || position == 5) {
        Draw3dRectByIndex(hdc, r, kFace, kDarkShadow);
        r.DeflateRect(1, 1);
        Draw3dRectByIndex(hdc, r, kLight, kShadow);
    } else {
        Draw3dRectByIndex(hdc, r, kLight, kShadow);
    }
}

CSize CJQWDefaultTheme::DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    if (bar && bar->IsKindOf(RUNTIME_CLASS(CJQWDialogBar)))
        return DrawDialogBarGripper(dc, bar, draw);
    const int position = bar ? bar->GetPosition() : 7;
    if (position == 4)
        return CJQWPaintManager::DrawCommandBarGripper(dc, bar, draw);
    if (draw && dc && bar && bar->GetSafeHwnd() && bar->HasGripper()) {
        CRect client;
        bar->GetClientRect(&client);
        if (position == 0 || position == 1)
            Draw3dRectByIndex(dc->GetSafeHdc(), CRect(3, 3, 6, client.bottom - 3), kLight, kShadow);
        else if (position == 2 || position == 3)
            Draw3dRectByIndex(dc->GetSafeHdc(), CRect(3, 3, client.right - 3, 6), kLight, kShadow);
    }
    return GetCommandBarGripperSize(position);
}

CSize CJQWDefaultTheme::DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw)
{
    const bool popup = bar && (bar->IsPopupBar() || bar->GetType() == 2);
    if (!draw || !control || !dc)
        return GetSeparatorSize(popup);
    const CRect row = control->GetRowRect();
    const CRect c = control->GetRect();
    const bool brk = control->GetWrap() != FALSE;
    const int position = bar ? bar->GetPosition() : 0;
    CRect line;
    if (popup)
        line = brk ? CRect(c.left - 5, row.top + 3, c.left - 3, row.bottom - 3) : CRect(c.left + 11, c.top - 5, c.right - 11, c.top - 3);
    else if (position == 2 || position == 3)
        line = brk ? CRect(row.right + 2, row.top + 4, row.right + 4, row.bottom) : CRect(row.left, c.top - 4, row.right, c.top - 2);
    else
        line = brk ? CRect(row.left + 4, row.top - 4, row.right, row.top - 2) : CRect(c.left - 4, row.top, c.left - 2, row.bottom);
    Draw3dRectByIndex(dc->GetSafeHdc(), line, kShadow, kLight);
    return CSize(0, 0);
}

CSize CJQWDefaultTheme::DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw,
    CSize size, BOOL hiddenControls)
{
    if (draw && control && (kind == 2 || kind == 3)
        && (control->GetPressed() || control->GetSelected() || (kind == 3 && control->IsPopupOpen()))) {
        const CRect r = control->GetRect();
        dc->FillSolidRect(&r, GetColor(kFace));
    }
    return CJQWPaintManager::DrawSpecialControl(dc, kind, control, bar, draw, size, hiddenControls);
}

void CJQWDefaultTheme::DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect)
{
    JQW_PAINT_STATE state = control->GetPaintState();
    const bool open = state.popupOpen;
    const HDC hdc = dc->GetSafeHdc();
    JQW_PAINT_STATE command = state;
    command.selected = state.selected || open;
    command.popupOpen = false;
    command.barType = 1;
    JQW_PAINT_STATE arrow;
    arrow.selected = true;
    arrow.enabled = state.enabled;
    arrow.popupOpen = open;
    arrow.position = state.position;
    CRect commandRect = rect, arrowRect = rect;
    if (control->GetStyle() == JQW_STYLE_LARGE) {
        const int s = GetSplitDropDownWidth();
        if (state.position == 2 || state.position == 3) {
            commandRect.left += s;
            arrowRect.right = rect.left + s;
        } else {
            commandRect.bottom -= s;
            arrowRect.top = rect.bottom - s;
        }
    } else {
        commandRect.right -= 12;
        arrowRect.left = rect.right - 12;
    }
    DrawRectangle(hdc, commandRect, command);
    if ((state.selected || state.pressed || open) && state.enabled)
        DrawRectangle(hdc, arrowRect, arrow);
    if (control->GetStyle() != JQW_STYLE_LARGE) {
        const bool enabled = state.enabled && control->GetEnabledValue() != 3;
        const int index = GetRectangleTextColor(state.selected, enabled, 1, 0);
        DrawDropDownGlyph(hdc, CPoint(rect.right - 7, rect.CenterPoint().y), false, GetColor(index));
    }
}

CSize CJQWDefaultTheme::DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw)
{
    if (!draw)
        return CJQWPaintManager::DrawControlPopupParent(dc, control, draw);
    const HDC hdc = dc->GetSafeHdc();
    const CRect r = control->GetRect();
    const JQW_PAINT_STATE state = control->GetPaintState();
    const int type = control->GetType();
    const bool enabled = state.enabled && !(type == JQW_CONTROL_SPLIT_BUTTON_POPUP && control->GetEnabledValue() == 4);
    CJQWCommandBar* bar = control->GetParent();
    const JQW_PAINT_BAR paintBar = bar ? bar->GetPaintBar() : JQW_PAINT_BAR();
    const int w = std::max<int>(GetControlIconSize(paintBar, control->GetPaintControl()).cx + 4, m_baseTextHeight);
    CRect cell(r.left, r.top, r.left + w, r.bottom);
    const CRect glyph(r.left + w / 2 - 10, r.CenterPoint().y - 10, r.left + w / 2 + 10, r.CenterPoint().y + 10);
    int highlightStart = r.left;

    if (control->IsRarelyUsed())
        dc->FillSolidRect(&r, GetColor(kLightFace));
    dc->SetTextColor(GetControlTextColor(control));
    JQW_PAINT_STATE cellState;
    cellState.selected = state.selected;
    cellState.enabled = enabled;
    cellState.checked = state.checked;
    cellState.barType = 1;
    cellState.position = 5;
    const bool image = control->GetStyle() != JQW_STYLE_CAPTION && control->GetImage(GetControlIconSize(paintBar, control->GetPaintControl()).cx);
    if (state.checked) {
        DrawRectangle(hdc, cell, cellState);
        highlightStart = cell.right + 1;
    }
    if (image) {
        DrawRectangle(hdc, cell, cellState);
        const CSize icon = GetControlIconSize(paintBar, control->GetPaintControl());
        DrawImage(dc, CPoint(cell.left + (cell.Width() - icon.cx) / 2, cell.top + (cell.Height() - icon.cy) / 2), icon, control, state);
        highlightStart = cell.right + 1;
    }
    if (state.checked && !image) {
        const COLORREF color = GetColor(enabled ? m_popupTextColorIndex : kGrayText);
        DrawMenuCheckMark(hdc, glyph, color);
    }
    dc->SetBkMode(TRANSPARENT);
    JQW_PAINT_STATE row;
    row.selected = state.selected;
    row.enabled = true;
    row.barType = 2;
    row.position = 5;
    if (state.selected)
        DrawRectangle(hdc, CRect(highlightStart, r.top, r.right, r.bottom), row);
    if (type >= JQW_CONTROL_POPUP && type <= JQW_CONTROL_SPLIT_BUTTON_POPUP) {
        const int x = r.right - 11, m = r.CenterPoint().y;
        if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP && enabled) {
            const COLORREF line = state.selected ? GetColor(kShadow) : GetColor(m_popupTextColorIndex);
            DrawVerticalLine(hdc, r.right - 20, r.top + 1, r.bottom - 1, line);
        }
        DrawTriangle(hdc, CPoint(x, m - 3), CPoint(x + 3, m), CPoint(x, m + 3), GetControlTextColor(control));
    }
    dc->SetTextColor(GetControlTextColor(control));
    return CJQWPaintManager::DrawControlPopupParent(dc, control, draw);
}

void CJQWDefaultTheme::DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state)
{
    CJQWImageManagerIcon* icon = control->GetImage(size.cx);
    if (!icon)
        return;
    const HDC hdc = dc->GetSafeHdc();
    auto& normal = const_cast<CJQWIconImageHandle&>(icon->GetNormalImage());
    if (!state.enabled) {
        if (icon->HasDisabledImage() || icon->IsAlphaIcon()) {
            icon->Draw(hdc, point.x, point.y, icon->GetDisabledImage(), size.cx);
        } else {
            icon->DrawMonochrome(hdc, CPoint(point.x + 1, point.y + 1), normal, size, GetColor(kLight));
            icon->DrawMonochrome(hdc, point, normal, size, GetColor(kShadow));
        }
        return;
    }
    if (state.popupOpen && !state.checked) {
        icon->Draw(hdc, point.x, point.y, normal, size.cx);
    } else if (state.checked) {
        icon->Draw(hdc, point.x, point.y, icon->GetCheckedImage(), size.cx);
    } else if (state.selected && state.pressed) {
        icon->Draw(hdc, point.x + 1, point.y + 1, icon->GetPressedImage(), size.cx);
    } else if (state.selected || state.pressed == 1) {
        icon->Draw(hdc, point.x, point.y, icon->GetHotImage(), size.cx);
    } else if (state.pressed == 2 || state.pressed == 3) {
        icon->Draw(hdc, point.x + 1, point.y + 1, icon->GetPressedImage(), size.cx);
    } else if (!state.pressed) {
        icon->Draw(hdc, point.x, point.y, normal, size.cx);
    }
}

CSize CJQWDefaultTheme::DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw)
{
    if (draw && dc) {
        const CRect strip(rect.left, rect.top, rect.right, rect.bottom - 1);
        dc->FillSolidRect(&strip, GetColor(hot ? kActiveCaption : kInactiveCaption));
    }
    return GetTearOffGripperSize();
}

CSize CJQWDefaultTheme::DrawDialogBarGripper(CDC* dc, CJQWCommandBar*, BOOL draw)
{
    const CSize size = GetDialogBarGripperSize();
    if (draw && dc)
        Draw3dRectByIndex(dc->GetSafeHdc(), CRect(3, 3, 6, size.cy), kLight, kShadow);
    return size;
}

void CJQWDefaultTheme::DrawEditFrame(CDC* dc, CRect rect, BOOL enabled, int selected)
{
    const HDC hdc = dc->GetSafeHdc();
    if (enabled) {
        if (selected)
            Draw3dRectByIndex(hdc, rect, kShadow, kLight);
        rect.DeflateRect(1, 1);
        Draw3dRectByIndex(hdc, rect, kFace, kFace);
    } else {
        rect.DeflateRect(1, 1);
        const int index = selected == 2 || selected == 3 ? kShadow : kLight;
        Draw3dRectByIndex(hdc, rect, index, index);
    }
}

void CJQWDefaultTheme::DrawComboDropButton(CDC* dc, CRect rect, BOOL enabled, BOOL selected, BOOL droppedDown)
{
    const HDC hdc = dc->GetSafeHdc();
    CRect r(rect.left + 1, rect.top + 2, rect.right - 2, rect.bottom - 2);
    CRect arrow = r;
    if (enabled) {
        dc->FillSolidRect(&r, GetColor(kFace));
        if (droppedDown) {
            DrawVerticalLine(hdc, r.left - 1, r.top, r.bottom, GetColor(kFace));
            Draw3dRectByIndex(hdc, r, kShadow, kLight);
            arrow.OffsetRect(1, 1);
        } else if (selected) {
            DrawVerticalLine(hdc, r.left - 1, r.top, r.bottom, GetColor(kFace));
            Draw3dRectByIndex(hdc, r, kLight, kShadow);
        } else {
            Draw3dRectByIndex(hdc, r, kLight, kLight);
        }
    }
    DrawDownTriangle(hdc, arrow, GetColor(kButtonText));
}

void CJQWDefaultTheme::DrawEditSpinButtons(CDC* dc, CRect spin, BOOL enabled, BOOL selected, int pressed)
{
    const HDC hdc = dc->GetSafeHdc();
    constexpr int kWindow = 5;
    const int m = spin.CenterPoint().y;
    const CRect upper(spin.left + 1, spin.top + 1, spin.right - 1, m);
    const CRect lower(spin.left + 1, m, spin.right - 1, spin.bottom - 1);
    if (enabled && selected) {
        dc->FillSolidRect(&spin, GetColor(kFace));
        if (pressed == 3) {
            Draw3dRectByIndex(hdc, upper, kShadow, kWindow);
            Draw3dRectByIndex(hdc, lower, kWindow, kShadow);
        } else if (pressed == 4) {
            Draw3dRectByIndex(hdc, upper, kWindow, kShadow);
            Draw3dRectByIndex(hdc, lower, kShadow, kWindow);
        } else {
            Draw3dRectByIndex(hdc, upper, kWindow, kShadow);
            Draw3dRectByIndex(hdc, lower, kWindow, kShadow);
        }
    } else if (enabled) {
        CRect inner = spin;
        inner.DeflateRect(1, 1);
        dc->FillSolidRect(&inner, GetColor(kFace));
        Draw3dRectByIndex(hdc, inner, kWindow, kWindow);
    }
    const COLORREF color = GetColor(enabled ? kButtonText : kGrayText);
    const int cx = spin.CenterPoint().x;
    const int cu = (upper.top + upper.bottom) / 2, cl = (lower.top + lower.bottom) / 2;
    DrawTriangle(hdc, CPoint(cx, cu - 1), CPoint(cx - 2, cu + 1), CPoint(cx + 2, cu + 1), color);
    DrawTriangle(hdc, CPoint(cx, cl + 1), CPoint(cx - 2, cl - 1), CPoint(cx + 2, cl - 1), color);
}

} // namespace JQWPaintThemes
