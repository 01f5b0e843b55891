#include "toolkit/commandbars/themes/OfficeTheme.h"

#include "platform/framework/DC.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"
#include "toolkit/commandbars/DialogBar.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/drawing/images/ImageManager.h"

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
    const bool flat = IsFlatBar(bar);
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
        DrawPopupJoint(dc, bar, GetColor(30));
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
    if (bar && bar->IsKindOf(RUNTIME_CLASS(CJQWDialogBar)))
        return DrawDialogBarGripper(dc, bar, draw);
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

void CJQWOfficeTheme::RefreshMetrics()
{
    CJQWDefaultTheme::RefreshMetrics();
    m_grcFace.SetStandardValue(GetColor(15), GetColor(16));
}

bool CJQWOfficeTheme::IsFlatBar(const CJQWCommandBar* bar) const
{
    return bar && bar->GetType() == 0 && m_flatMenuBar;
}

void CJQWOfficeTheme::DrawPopupJoint(CDC* dc, CJQWCommandBar* popup, COLORREF color)
{
    auto* popupBar = dynamic_cast<CJQWPopupBar*>(popup);
    CJQWControl* control = popupBar ? static_cast<CJQWControl*>(popupBar->GetControlPopup()) : nullptr;
    CJQWCommandBar* parent = control ? control->GetParent() : nullptr;
    if (!parent || IsPopup(parent) || !parent->GetSafeHwnd() || !popup->GetSafeHwnd())
        return;
    CRect controlRect = control->GetRect();
    parent->ClientToScreen(&controlRect);
    CRect window;
    popup->GetWindowRect(&window);
    CRect joint;
    if (!joint.IntersectRect(&controlRect, &window))
        return;
    popup->ScreenToClient(&joint);
    if (joint.Width() > 1)
        joint.DeflateRect(1, 0);
    if (joint.Height() > 1)
        joint.DeflateRect(0, 1);
    dc->FillSolidRect(&joint, color);
}

CRect CJQWOfficeTheme::AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const
{
    if (onPopupBar)
        rect.InflateRect(1, 0);
    else if (controlType == JQW_CONTROL_COMBO)
        ;
    else if (!vertical)
        rect.DeflateRect(0, 1);
    else
        rect.DeflateRect(1, 0);
    return rect;
}

void CJQWOfficeTheme::DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL)
{
    Draw3dRectByIndex(dc->GetSafeHdc(), rect, 16, 16);
}

void CJQWOfficeTheme::DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state)
{
    CJQWImageManagerIcon* icon = control ? control->GetImage(size.cx) : nullptr;
    if (!icon)
        return;
    const HDC hdc = dc->GetSafeHdc();
    JQW_ICONS_INFO* options = GetIconsInfo();
    auto& normal = const_cast<CJQWIconImageHandle&>(icon->GetNormalImage());
    auto drawDisabled = [&] {
        if (!options->bUseDisabledIcons && !icon->IsAlphaIcon()) {
            icon->DrawMonochrome(hdc, point, normal, size, GetColor(40));
            return;
        }
        if (options->bOfficeStyleDisabledIcons && !icon->HasDisabledImage())
            icon->BuildDerivedIcon(m_grcFace.clrLight, m_grcFace.clrDark);
        icon->Draw(hdc, point.x, point.y, icon->GetDisabledImage(), size.cx);
    };
    const int checked = control->GetChecked();
    const bool selected = state.selected;
    const int pressed = state.pressed;
    if (!state.enabled || (checked == 2 && !pressed)) {
        drawDisabled();
    } else if (state.popupOpen && !state.checked) {
        icon->Draw(hdc, point.x, point.y, normal, size.cx);
    } else if (state.checked) {
        icon->Draw(hdc, point.x, point.y, icon->GetCheckedImage(), size.cx);
    } else if (!selected && !pressed) {
        icon->Draw(hdc, point.x, point.y, options->bUseFadedIcons ? icon->GetFadedImage() : normal, size.cx);
    } else if (!selected && (pressed == 2 || pressed == 3)) {
        icon->Draw(hdc, point.x, point.y, icon->GetPressedImage(), size.cx);
    } else if (!selected && pressed == 4) {
        // Pressed elsewhere (a split button's other half): no icon.
    } else if (selected && pressed) {
        icon->Draw(hdc, point.x, point.y, icon->GetPressedImage(), size.cx);
    } else if (options->bIconsWithShadow && !icon->GetShadowImage().IsEmpty()) {
        icon->Draw(hdc, point.x + 1, point.y + 1, icon->GetShadowImage(), size.cx);
        icon->Draw(hdc, point.x - 1, point.y - 1, icon->GetHotImage(), size.cx);
    } else {
        icon->Draw(hdc, point.x, point.y, icon->GetHotImage(), size.cx);
    }
}

void CJQWOfficeTheme::DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect)
{
    const HDC hdc = dc->GetSafeHdc();
    const JQW_PAINT_STATE s = control->GetPaintState();
    const int selectedValue = control->GetSelected();
    const int pressedValue = control->GetPressed();
    const bool open = s.popupOpen;
    CJQWCommandBar* bar = control->GetParent();
    const int position = bar ? bar->GetPosition() : s.position;
    auto state = [&](bool selected, int pressed, bool checked, bool popupOpen) {
        JQW_PAINT_STATE r;
        r.selected = selected;
        r.pressed = pressed;
        r.enabled = s.enabled;
        r.checked = checked;
        r.popupOpen = popupOpen;
        r.barType = 1;
        r.position = position;
        return r;
    };
    const bool active = (selectedValue || pressedValue != selectedValue) && !open && s.enabled;
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    if (control->GetStyle() != JQW_STYLE_LARGE) {
        const int k = ToolBarSplitWidth;
        DrawRectangle(hdc, open ? rect : CRect(l, t, r - k, b), state(s.selected, s.pressed, s.checked, open));
        if (active)
            DrawRectangle(hdc, CRect(r - k - 1, t, r, b), state(true, 0, false, false));
        JQW_PAINT_STATE glyph = state(s.selected, 0, false, open);
        glyph.enabled = s.enabled && control->GetEnabledValue() != 3;
        DrawDropDownGlyph(hdc, CPoint(r - 7, (t + b) / 2), false, GetColor(GetStateTextColor(glyph, 0)));
        return;
    }
    const int split = GetSplitDropDownWidth();
    const bool vertical = position == 2 || position == 3;
    const bool pressedOnCommand = s.selected && s.pressed && !open && s.enabled;
    DrawRectangle(hdc, rect, state(s.selected, s.pressed && !pressedOnCommand ? 1 : 0, s.checked, open));
    if (active) {
        if (vertical)
            DrawVerticalLine(hdc, l + split, t, b, GetColor(32));
        else
            DrawHorizontalLine(hdc, l, b - split - 1, r, GetColor(32));
    }
    if (pressedOnCommand)
        DrawRectangle(hdc, vertical ? CRect(l + split, t, r, b) : CRect(l, t, r, b - split),
            state(s.selected, s.pressed, s.checked, open));
}

namespace {
// The label of a field on a bar, in the control's text colour.
void DrawFieldLabel(CDC* dc, CJQWPaintManager* theme, CJQWControl* control, int labelWidth)
{
    if (labelWidth <= 0)
        return;
    const CRect r = control->GetRect();
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(theme->GetControlTextColor(control));
    CFont* old = dc->SelectObject(theme->GetRegularFont());
    CRect label(r.left + 3, r.top, r.left + labelWidth, r.bottom);
    dc->DrawText(StripMnemonics(control->GetCaption()), &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    dc->SelectObject(old);
}
} // namespace

CSize CJQWOfficeTheme::DrawControlComboBox(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw)
{
    if (!draw || !dc || !control)
        return CJQWDefaultTheme::DrawControlComboBox(dc, control, field, draw);
    const HDC hdc = dc->GetSafeHdc();
    DrawFieldLabel(dc, this, control, field.labelWidth);
    const JQW_PAINT_STATE s = control->GetPaintState();
    const int selected = control->GetSelected();
    const CRect r = control->GetRect();
    const CRect f(r.left + field.labelWidth, r.top, r.right, r.bottom);
    const CRect b(f.right - field.dropDownWidth, f.top, f.right, f.bottom);
    if (s.enabled) {
        const CRect inside(f.left + 1, f.top + 1, b.left + 1, f.bottom - 1);
        dc->FillSolidRect(&inside, GetColor(5));
        if (selected) {
            FillWithBorder(hdc, f, 5, 32);
            JQW_PAINT_STATE button;
            button.selected = true;
            button.pressed = field.droppedDown ? 1 : 0;
            button.barType = s.barType;
            button.position = s.position;
            DrawRectangle(hdc, b, button);
        } else if (s.barType == 2) {
            Draw3dRectByIndex(hdc, f, 53, 53);
            FillWithBorder(hdc, b, 53, 5);
        } else {
            Draw3dRectByIndex(hdc, b, 5, 5);
        }
    } else {
        FillWithBorder(hdc, CRect(f.left + 1, f.top, f.right, f.bottom), 15, selected == 2 || selected == 3 ? 32 : 40);
    }
    if (field.drawText) {
        CFont* old = dc->SelectObject(GetIconFont());
        field.drawText(dc, CRect(f.left + 3, f.top + 1, b.left, f.bottom - 1));
        dc->SelectObject(old);
    }
    const int arrow = !s.enabled ? 40 : field.droppedDown ? 47 : selected ? 45 : 46;
    DrawDownTriangle(hdc, b, GetColor(arrow));
    return CSize(0, 0);
}

CSize CJQWOfficeTheme::DrawControlEdit(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw)
{
    if (!draw || !dc || !control)
        return CJQWDefaultTheme::DrawControlEdit(dc, control, field, draw);
    const HDC hdc = dc->GetSafeHdc();
    DrawFieldLabel(dc, this, control, field.labelWidth);
    const JQW_PAINT_STATE s = control->GetPaintState();
    const int selected = control->GetSelected();
    const CRect r = control->GetRect();
    const CRect e(r.left + field.labelWidth, r.top, r.right, r.bottom);
    if (s.enabled) {
        const int width = e.Width() - 18 + (field.spin ? 0 : 16);
        const CRect inside(e.left + 1, e.top + 1, e.left + 1 + width, e.bottom - 1);
        dc->FillSolidRect(&inside, GetColor(5));
        if (selected)
            Draw3dRectByIndex(hdc, e, 32, 32);
        else if (s.barType == 2)
            Draw3dRectByIndex(hdc, e, 53, 53);
    } else {
        FillWithBorder(hdc, CRect(e.left + 1, e.top, e.right, e.bottom), 15, selected == 2 || selected == 3 ? 32 : 40);
    }
    if (field.drawText)
        field.drawText(dc, CRect(e.left + 3, e.top + 1, e.right - (field.spin ? 17 : 1), e.bottom - 1));
    if (field.spin) {
        const CRect p = field.spinRect;
        const int m = (p.top + p.bottom) / 2;
        if (s.enabled && selected) {
            dc->FillSolidRect(&p, GetColor(31));
            const int pressed = control->GetPressed();
            if (pressed == 3 || pressed == 4) {
                const CRect half = pressed == 3 ? CRect(p.left, p.top, p.right, m) : CRect(p.left, m, p.right, p.bottom);
                dc->FillSolidRect(&half, GetColor(33));
            }
            DrawVerticalLine(hdc, p.left, p.top, p.bottom, GetColor(32));
            DrawHorizontalLine(hdc, p.left, m, p.right, GetColor(32));
        } else if (s.enabled) {
            Draw3dRectByIndex(hdc, p, 5, 5);
        }
        const COLORREF arrow = GetColor(s.enabled ? 18 : 17);
        const int cx = (p.left + p.right) / 2;
        const int cu = (p.top + m) / 2, cl = (m + p.bottom) / 2;
        DrawTriangle(hdc, CPoint(cx, cu), CPoint(cx - 2, cu + 2), CPoint(cx + 2, cu + 2), arrow);
        DrawTriangle(hdc, CPoint(cx, cl), CPoint(cx - 2, cl - 2), CPoint(cx + 2, cl - 2), arrow);
    }
    return CSize(0, 0);
}

CSize CJQWOfficeTheme::DrawListBoxControl(CDC* dc, CJQWControl* control, CRect rect, BOOL selected, BOOL draw,
    CJQWCommandBars* bars)
{
    CSize icon(16, 16);
    if (bars && bars->GetCommandBarsOptions() && bars->GetCommandBarsOptions()->szPopupIcons.cx > 0)
        icon = bars->GetCommandBarsOptions()->szPopupIcons;
    const int h = m_baseTextHeight;
    const int w = std::max<int>(icon.cx + 4, h + 4);
    const CSize size(w, std::max<int>(icon.cy + 6, h));
    if (!draw || !dc)
        return size;
    const HDC hdc = dc->GetSafeHdc();
    dc->FillSolidRect(&rect, GetColor(41));
    DrawPopupBarGripper(dc, CRect(0, rect.top, w + 1, rect.bottom), false);
    if (!control)
        return CSize(0, 0);
    JQW_PAINT_STATE row;
    row.selected = selected != FALSE;
    row.barType = 2;
    row.position = 5;
    if (selected)
        DrawRectangle(hdc, rect, row);
    const int type = control->GetType();
    const int style = control->GetStyle();
    if ((style == JQW_STYLE_ICON || style == JQW_STYLE_ICON_AND_CAPTION || (style == JQW_STYLE_AUTOMATIC && type != JQW_CONTROL_POPUP))
        && control->GetImage(icon.cx)) {
        JQW_PAINT_STATE iconState = row;
        iconState.enabled = control->GetEnabled() != FALSE;
        DrawImage(dc, CPoint(rect.left + (w - icon.cx) / 2, rect.top + (rect.Height() - icon.cy) / 2), icon, control, iconState);
    }
    const COLORREF text = GetColor(selected ? 45 : 44);
    dc->SetTextColor(text);
    dc->SetBkMode(TRANSPARENT);
    CFont* old = dc->SelectObject(GetRegularFont());
    const CString caption = StripMnemonics(control->GetCaption());
    CRect textRect(rect.left + w + 8, rect.top, rect.right, rect.bottom);
    const int m = rect.CenterPoint().y;
    if (type >= JQW_CONTROL_POPUP && type <= JQW_CONTROL_SPLIT_BUTTON_POPUP) {
        DrawTriangle(hdc, CPoint(rect.right - 7, m), CPoint(rect.right - 12, m - 5), CPoint(rect.right - 12, m + 5), text);
        textRect.right -= 7;
        if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP) {
            DrawVerticalLine(hdc, rect.right - 20, rect.top + 1, rect.bottom - 1, GetColor(selected ? 32 : 16));
            textRect.right = rect.right - 20;
        }
    } else if (type == JQW_CONTROL_COMBO || type == JQW_CONTROL_EDIT) {
        CRect measure(0, 0, 0, 0);
        dc->DrawText(caption, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const CRect field(rect.left + w + 13 + measure.Width(), rect.top + 1, rect.right - 1, rect.bottom - 1);
        FillWithBorder(hdc, field, 5, selected ? 32 : 15);
        if (type == JQW_CONTROL_COMBO) {
            const int bw = dc->GetTextExtent(CString(u" ")).cy + 2;
            CRect button(field.right - bw, field.top, field.right, field.bottom);
            if (selected) {
                DrawRectangle(hdc, button, row);
            } else {
                CRect inside = button;
                inside.DeflateRect(2, 2);
                dc->FillSolidRect(&inside, GetColor(15));
            }
            DrawDownTriangle(hdc, button, GetColor(selected ? 45 : 46));
        }
    }
    dc->DrawText(caption, &textRect, DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    dc->SelectObject(old);
    return size;
}

JQW_STATE_COLORS CJQWOfficeTheme::GetCheckBoxColors(bool selected, int pressed, bool enabled)
{
    if (!enabled)
        return { -1, 35 };
    if (selected && pressed)
        return { 33, 32 };
    if (selected || pressed)
        return { 31, 32 };
    return { 5, 52 };
}

JQW_STATE_COLORS CJQWOfficeTheme::GetRadioColors(bool selected, int pressed, bool enabled)
{
    // `fill` is the disc's inside, `border` its edge.
    if (!enabled)
        return { 51, 35 };
    if (selected && pressed)
        return { 33, 32 };
    if (selected || pressed)
        return { 31, 32 };
    return { 5, 52 };
}

CSize CJQWOfficeTheme::DrawCheckMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled)
{
    if (!draw || !dc)
        return CSize(13, 13);
    const HDC hdc = dc->GetSafeHdc();
    const JQW_STATE_COLORS colors = GetCheckBoxColors(selected, pressed, enabled);
    FillWithBorder(hdc, rect, colors.fill, colors.border);
    if (checked) {
        HPEN pen = CreatePen(PS_SOLID, 1, GetColor(!enabled || checked == 2 ? 35 : 18));
        HGDIOBJ old = SelectObject(hdc, pen);
        const int m = (rect.left + rect.right) / 2;
        const int o = (rect.top + rect.bottom) / 2 + 1;
        const int mirror = (GetLayout(hdc) & LAYOUT_RTL) ? -1 : 1;
        for (int d = 0; d < 3; ++d) {
            MoveToEx(hdc, m - 3 * mirror, o - 2 + d, nullptr);
            LineTo(hdc, m - 1 * mirror, o + d);
            LineTo(hdc, m + 4 * mirror, o - 5 + d);
        }
        SelectObject(hdc, old);
        DeleteObject(pen);
    }
    return CSize(13, 13);
}

namespace {
// A disc with its edge blended by coverage, so the round shape reads at 13 pixels.
void FillDisc(HDC dc, const CRect& rect, COLORREF edge, COLORREF fill)
{
    const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
    const double radius = std::min(rect.Width(), rect.Height()) / 2.0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            // Coverage of the pixel by the disc, sampled 4 x 4.
            int inside = 0, core = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double dx = x + (sx + 0.5) / 4 - cx, dy = y + (sy + 0.5) / 4 - cy;
                    const double d2 = dx * dx + dy * dy;
                    inside += d2 <= radius * radius;
                    core += d2 <= (radius - 1) * (radius - 1);
                }
            if (!inside)
                continue;
            const COLORREF target = core == 16 ? fill : edge;
            const COLORREF under = GetPixel(dc, x, y);
            auto mix = [&](int a, int b) { return (a * inside + b * (16 - inside)) / 16; };
            SetPixel(dc, x, y,
                RGB(mix(GetRValue(target), GetRValue(under)), mix(GetGValue(target), GetGValue(under)),
                    mix(GetBValue(target), GetBValue(under))));
        }
}
} // namespace

CSize CJQWOfficeTheme::DrawRadioMark(CDC* dc, CRect rect, BOOL draw, bool selected, int pressed, int checked, bool enabled)
{
    if (!draw || !dc)
        return CSize(13, 13);
    const HDC hdc = dc->GetSafeHdc();
    const JQW_STATE_COLORS colors = GetRadioColors(selected, pressed, enabled);
    FillDisc(hdc, rect, GetColor(colors.border), GetColor(colors.fill));
    if (checked) {
        const COLORREF dot = GetColor(!enabled || checked == 2 ? 35 : 18);
        FillDisc(hdc, CRect(rect.left + 4, rect.top + 4, rect.left + 9, rect.top + 9), dot, dot);
    }
    return CSize(13, 13);
}

} // namespace JQWPaintThemes
