#include "toolkit/commandbars/themes/OfficeTheme.h"

#include "platform/framework/DC.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"

#include <algorithm>

namespace JQWPaintThemes {

namespace {
bool IsPopup(const CJQWCommandBar* bar)
{
    return bar && (bar->IsPopupBar() || bar->GetType() == 2);
}

CRect BarRect(CDC* dc, CJQWCommandBar* bar)
{
    CRect r;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&r);
    else
        dc->GetClipBox(&r);
    return r;
}
} // namespace

CJQWOfficeTheme::CJQWOfficeTheme()
{
    JQW_ICONS_INFO* icons = GetIconsInfo();
    icons->bUseFadedIcons = TRUE;
    icons->bUseDisabledIcons = TRUE;
    icons->bIconsWithShadow = TRUE;
    icons->bOfficeStyleDisabledIcons = TRUE;
    m_embossedDisabledText = false;
}

JQW_STATE_COLORS CJQWOfficeTheme::GetStateColors(const JQW_PAINT_STATE& s, int checked)
{
    const int selected = s.selected ? 1 : 0;
    return GetStateColors(selected, s.pressed, s.enabled, checked, s.popupOpen, s.position);
}

JQW_STATE_COLORS CJQWOfficeTheme::GetStateColors(int selected, int pressed, bool enabled, int checked, bool popupOpen,
    int position)
{
    const bool keyPressed = pressed == 2 || pressed == 3;
    const bool mousePressed = pressed == 1 || pressed == 4;
    if (enabled) {
        if (popupOpen)
            return { 30, 43 };
        if (!selected && pressed == 0 && checked == 2)
            return { 51, 37 };
        if (!selected && pressed == 0 && checked != 0)
            return { 36, 37 };
        if ((selected && pressed == 0 && checked != 0) || keyPressed || (selected && mousePressed))
            return { 33, 50 };
        if ((selected && pressed == 0) || (!selected && mousePressed))
            return { 31, 32 };
        return {};
    }
    if (selected == 2 || selected == 3)
        return { position == 5 ? 41 : checked ? 33 : 31, 32 };
    if (checked != 0)
        return { position == 5 ? -1 : 36, 58 };
    return {};
}

int CJQWOfficeTheme::GetStateTextColor(const JQW_PAINT_STATE& s, int checked)
{
    const bool keyPressed = s.pressed == 2 || s.pressed == 3;
    const bool mousePressed = s.pressed == 1 || s.pressed == 4;
    if (s.barType == 2)
        return !s.enabled ? 35 : s.selected ? 45 : 44;
    if (!s.enabled)
        return 60;
    if (s.popupOpen)
        return 46;
    if (checked && !s.selected && s.pressed == 0)
        return 45;
    if (keyPressed || (s.selected && (mousePressed || checked)))
        return 47;
    if (s.selected || mousePressed)
        return 45;
    return s.position == 5 ? 44 : 46;
}

int CJQWOfficeTheme::GetRectangleTextColor(bool selected, bool enabled, int barType, int position) const
{
    JQW_PAINT_STATE s;
    s.selected = selected;
    s.enabled = enabled;
    s.barType = barType;
    s.position = position;
    return GetStateTextColor(s, 0);
}

COLORREF CJQWOfficeTheme::GetControlTextColor(CJQWControl* control)
{
    const JQW_PAINT_STATE s = control->GetPaintState();
    return GetColor(GetStateTextColor(s, s.checked ? 1 : 0));
}

void CJQWOfficeTheme::FillWithBorder(HDC dc, const CRect& rect, int fill, int border) const
{
    if (rect.IsRectEmpty())
        return;
    if (fill != -1) {
        HBRUSH brush = CreateSolidBrush(GetColor(fill));
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
    if (border != fill && border != -1)
        Draw3dRectByIndex(dc, rect, border, border);
}

void CJQWOfficeTheme::DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const
{
    const JQW_STATE_COLORS colors = GetStateColors(state, state.checked ? 1 : 0);
    FillWithBorder(dc, rect, colors.fill, colors.border);
}

void CJQWOfficeTheme::FillCommandBar(CDC* dc, CJQWCommandBar* bar)
{
    const CRect r = BarRect(dc, bar);
    const HDC hdc = dc->GetSafeHdc();
    const int position = bar ? bar->GetPosition() : 0;
    const bool flat = bar && bar->GetType() == 0 && m_flatMenuBar;
    if (position == 4) {
        const int fill = IsPopup(bar) ? 41 : flat ? 15 : 30;
        Draw3dRectByIndex(hdc, r, 61, 61);
        CRect inner = r;
        inner.DeflateRect(1, 1);
        FillWithBorder(hdc, inner, fill, 61);
        for (CPoint p : { CPoint(2, 2), CPoint(r.right - 3, 2), CPoint(2, r.bottom - 3), CPoint(r.right - 3, r.bottom - 3) })
            SetPixel(hdc, p.x, p.y, GetColor(61));
    } else if (position == 5 || IsPopup(bar)) {
        FillWithBorder(hdc, r, 41, 43);
    } else if (flat) {
        dc->FillSolidRect(&r, GetColor(15));
    } else {
        FillWithBorder(hdc, r, 30, 15);
        for (CPoint p : { CPoint(1, 1), CPoint(r.right - 2, 1), CPoint(1, r.bottom - 2), CPoint(r.right - 2, r.bottom - 2) })
            SetPixel(hdc, p.x, p.y, GetColor(15));
    }
}

void CJQWOfficeTheme::DrawPopupBarGripper(CDC* dc, CRect rect, bool rarelyUsed)
{
    dc->FillSolidRect(&rect, GetColor(rarelyUsed ? 42 : 30));
}

CSize CJQWOfficeTheme::DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    const int position = bar ? bar->GetPosition() : 7;
    if (IsPopup(bar) && position == 5) {
        if (dc && bar) {
            const CRect client = BarRect(dc, bar);
            const CRect borders = bar->GetBorders();
            const int width = GetPopupBarGripperWidth(bar->GetPaintBar());
            DrawPopupBarGripper(dc, CRect(borders.left - 1, borders.top, borders.left - 1 + width, client.bottom - borders.bottom),
                false);
        }
        return CSize(0, 0);
    }
    if (position == 4)
        return CJQWPaintManager::DrawCommandBarGripper(dc, bar, draw);
    if (position > 3)
        return CSize(0, 0);
    const bool horizontal = position == 0 || position == 1;
    if (draw && dc && bar && bar->GetSafeHwnd() && bar->HasGripper()) {
        const CRect client = BarRect(dc, bar);
        const COLORREF color = GetColor(38);
        if (horizontal)
            for (int y = 5; y < client.Height() - 5; y += 2)
                DrawHorizontalLine(dc->GetSafeHdc(), 3, y, 7, color);
        else
            for (int x = 5; x < client.Width() - 5; x += 2)
                DrawVerticalLine(dc->GetSafeHdc(), x, 3, 7, color);
    }
    return horizontal ? CSize(6, 0) : CSize(0, 8);
}

CSize CJQWOfficeTheme::DrawDialogBarGripper(CDC* dc, CJQWCommandBar*, BOOL draw)
{
    const CSize size(6, m_baseTextHeight >= 18 ? m_baseTextHeight + 4 : 22);
    if (draw && dc)
        for (int y = 6; y < size.cy - 2; y += 2)
            DrawHorizontalLine(dc->GetSafeHdc(), 3, y, 7, GetColor(38));
    return size;
}

CSize CJQWOfficeTheme::DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw)
{
    const bool popup = IsPopup(bar);
    if (!draw || !control || !dc)
        return popup ? CSize(3, 3) : CSize(6, 6);
    const HDC hdc = dc->GetSafeHdc();
    const CRect row = control->GetRowRect();
    const CRect c = control->GetRect();
    const bool brk = control->GetWrap() != FALSE;
    const int position = bar ? bar->GetPosition() : 0;
    const COLORREF color = GetColor(39);
    if (popup) {
        if (brk)
            DrawVerticalLine(hdc, c.left - 2, row.top - 1, row.bottom + 1, color);
        else
            DrawHorizontalLine(hdc, c.left + GetPopupBarGripperWidth(bar->GetPaintBar()) + PopupTextIndent - 1, c.top - 2,
                c.right + 1, color);
    } else if (position == 2 || position == 3) {
        if (brk)
            DrawVerticalLine(hdc, row.right + 2, row.top + 4, row.bottom, color);
        else
            DrawHorizontalLine(hdc, row.left, c.top - 4, row.right, color);
    } else if (brk) {
        DrawHorizontalLine(hdc, row.left, row.top - 4, row.right, color);
    } else {
        DrawVerticalLine(hdc, c.left - 4, row.top, row.bottom, color);
    }
    return CSize(0, 0);
}

CSize CJQWOfficeTheme::DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw)
{
    if (!draw || !dc)
        return CSize(0, 9);
    const HDC hdc = dc->GetSafeHdc();
    CRect r(1, 1, rect.right + 1, rect.bottom - rect.top + 1);
    dc->FillSolidRect(&r, GetColor(41));
    r.DeflateRect(1, 1);
    const int c = (r.left + r.right) / 2;
    const int d = (r.right - r.left) / 2;
    const int k = d > 26 ? 16 : d - 10;
    const bool lines = c - k < c + k;
    if (hot) {
        FillWithBorder(hdc, r, 31, 32);
        if (lines)
            for (int y : { 4, 6 })
                DrawHorizontalLine(hdc, c - k, y, c + k, GetColor(45));
    } else {
        dc->FillSolidRect(&r, GetColor(30));
        if (lines)
            for (int y : { 3, 5, 7 })
                DrawHorizontalLine(hdc, c - k, y, c + k, GetColor(38));
    }
    return CSize(0, 9);
}

CSize CJQWOfficeTheme::DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw)
{
    if (!draw)
        return CJQWPaintManager::DrawControlPopupParent(dc, control, draw);
    const HDC hdc = dc->GetSafeHdc();
    const CRect r = control->GetRect();
    const int type = control->GetType();
    JQW_PAINT_STATE state = control->GetPaintState();
    if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP && control->GetEnabledValue() == 4)
        state.enabled = false;
    CJQWCommandBar* bar = control->GetParent();
    const JQW_PAINT_BAR paintBar = bar ? bar->GetPaintBar() : JQW_PAINT_BAR();
    const CSize icon = GetControlIconSize(paintBar, control->GetPaintControl());
    const int w = std::max<int>(m_baseTextHeight + 4, icon.cx + 4);
    const int column = type == JQW_CONTROL_LABEL && !m_indentLabels ? 0 : w;
    const bool gripper = bar && bar->HasGripper();

    if (control->IsRarelyUsed() && r.left <= column)
        DrawPopupBarGripper(dc, CRect(r.left - 1, r.top, r.left + column, r.bottom), true);
    if (type == JQW_CONTROL_LABEL) {
        FillPopupLabelBackground(dc, CRect(gripper && r.left <= column ? r.left + column + 1 : r.left, r.top, r.right, r.bottom));
    } else {
        JQW_PAINT_STATE row;
        row.selected = state.selected;
        row.enabled = state.enabled;
        row.barType = 2;
        row.position = 5;
        DrawRectangle(hdc, r, row);
    }
    CRect cell(r.left, r.top, r.left + w, r.bottom);
    if (!gripper)
        cell.OffsetRect(PopupTextIndent / 2, 0);
    const CPoint centre = cell.CenterPoint();
    const CRect square(centre.x - (icon.cx + 4) / 2, centre.y - (icon.cy + 4) / 2, centre.x - (icon.cx + 4) / 2 + icon.cx + 4,
        centre.y - (icon.cy + 4) / 2 + icon.cy + 4);
    if (state.checked) {
        JQW_PAINT_STATE checked;
        checked.selected = state.selected;
        checked.enabled = state.enabled;
        checked.checked = true;
        checked.barType = 2;
        checked.position = 5;
        DrawRectangle(hdc, square, checked);
    }
    const bool image = control->GetStyle() != JQW_STYLE_CAPTION && control->GetImage(icon.cx);
    if (image) {
        JQW_PAINT_STATE iconState = state;
        iconState.pressed = 0;
        iconState.popupOpen = false;
        DrawImage(dc, CPoint(cell.left + (cell.Width() - icon.cx) / 2, cell.top + (cell.Height() - icon.cy) / 2), icon, control,
            iconState);
    } else if (state.checked) {
        DrawMenuCheckMark(hdc, square, state.enabled ? RGB(0, 0, 0) : GetColor(40));
    }
    dc->SetTextColor(GetControlTextColor(control));
    dc->SetBkMode(TRANSPARENT);
    if (type >= JQW_CONTROL_POPUP && type <= JQW_CONTROL_SPLIT_BUTTON_POPUP) {
        if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP)
            DrawPopupSplitDropDown(dc, control);
        DrawPopupSubmenuArrow(dc, control);
    }
    return CJQWPaintManager::DrawControlPopupParent(dc, control, draw);
}

void CJQWOfficeTheme::DrawPopupSplitDropDown(CDC* dc, CJQWControl* control)
{
    const CRect r = control->GetRect();
    const JQW_PAINT_STATE s = control->GetPaintState();
    const bool enabled = s.enabled && control->GetEnabledValue() != 4;
    const HDC hdc = dc->GetSafeHdc();
    const CRect part(r.right - PopupSplitWidth, r.top, r.right, r.bottom);
    if (s.selected && s.popupOpen && enabled)
        FillWithBorder(hdc, part, 33, 32);
    else
        DrawVerticalLine(hdc, part.left, r.top + 1, r.bottom - 1,
            !enabled ? GetControlTextColor(control) : GetColor(s.selected ? 32 : 16));
}

void CJQWOfficeTheme::DrawPopupSubmenuArrow(CDC* dc, CJQWControl* control)
{
    const CRect r = control->GetRect();
    const JQW_PAINT_STATE s = control->GetPaintState();
    const int m = r.CenterPoint().y;
    const bool openSplit = control->GetType() == JQW_CONTROL_SPLIT_BUTTON_POPUP && s.enabled && s.selected && s.popupOpen;
    DrawTriangle(dc->GetSafeHdc(), CPoint(r.right - 11, m - 3), CPoint(r.right - 8, m), CPoint(r.right - 11, m + 3),
        openSplit ? GetColor(47) : GetControlTextColor(control));
}

void CJQWOfficeTheme::FillPopupLabelBackground(CDC* dc, CRect rect)
{
    dc->FillSolidRect(&rect, GetColor(56));
}

} // namespace JQWPaintThemes
