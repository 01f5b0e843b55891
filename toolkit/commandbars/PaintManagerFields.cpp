// The default look of edit and combo-box fields: a label, a white box with a frame that darkens
// when the field is hot or focused, spin buttons or a drop button at its right.
#include "toolkit/commandbars/PaintManager.h"

#include "platform/framework/DC.h"
#include "platform/framework/Wnd.h"

COLORREF CJQWPaintManager::GetControlEditBackColor(BOOL enabled) const
{
    return enabled ? GetColor(COLOR_WINDOW) : GetColor(COLOR_3DFACE);
}

void CJQWPaintManager::DrawField(CDC* dc, const JQW_FIELD_PAINT& field)
{
    CRect box(field.rect.left + field.labelWidth, field.rect.top + 1, field.rect.right, field.rect.bottom - 1);
    if (field.labelWidth > 0 && !field.label.IsEmpty()) {
        CRect label(field.rect.left + 2, field.rect.top, box.left, field.rect.bottom);
        CFont* old = dc->SelectObject(GetRegularFont());
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(GetColor(field.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        dc->DrawText(field.label, &label, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        dc->SelectObject(old);
    }
    const bool hot = field.enabled && (field.selected || field.focused || field.dropped);
    dc->FillSolidRect(&box, GetControlEditBackColor(field.enabled));
    const COLORREF frame = hot ? GetColor(COLOR_HIGHLIGHT) : GetColor(COLOR_3DSHADOW);
    dc->Draw3dRect(&box, frame, frame);

    if (!field.text.IsEmpty()) {
        CRect text(box.left + 3, box.top, box.right - 3 - field.dropButtonWidth, box.bottom);
        CFont* old = dc->SelectObject(GetRegularFont());
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(GetColor(!field.enabled || field.textIsHint ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        dc->DrawText(field.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        dc->SelectObject(old);
    }

    const COLORREF glyph = GetColor(field.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    if (field.dropButtonWidth > 0) {
        CRect button(box.right - field.dropButtonWidth, box.top + 1, box.right - 1, box.bottom - 1);
        dc->FillSolidRect(&button, field.dropped || hot ? GetColor(COLOR_3DLIGHT) : GetColor(COLOR_3DFACE));
        if (hot)
            DrawVerticalLine(dc->GetSafeHdc(), button.left, button.top, button.bottom, frame);
        DrawDownTriangle(dc->GetSafeHdc(), button, glyph);
    }
    if (field.spinButtons) {
        const CRect spin(field.rect.right - 18, field.rect.top + 1, field.rect.right - 1, field.rect.bottom - 1);
        const int middle = (spin.top + spin.bottom) / 2;
        const CRect up(spin.left, spin.top + 1, spin.right - 1, middle);
        const CRect down(spin.left, middle, spin.right - 1, spin.bottom - 1);
        for (int part : { 3, 4 }) {
            const CRect& half = part == 3 ? up : down;
            const bool partHot = field.spinPart == part && field.enabled;
            dc->FillSolidRect(&half, partHot ? (field.spinPressed ? GetColor(COLOR_3DSHADOW) : GetColor(COLOR_3DLIGHT))
                                             : GetColor(COLOR_3DFACE));
            const CPoint c = half.CenterPoint();
            if (part == 3)
                DrawTriangle(dc->GetSafeHdc(), CPoint(c.x - 3, c.y + 1), CPoint(c.x + 3, c.y + 1), CPoint(c.x, c.y - 2), glyph);
            else
                DrawTriangle(dc->GetSafeHdc(), CPoint(c.x - 3, c.y - 1), CPoint(c.x + 3, c.y - 1), CPoint(c.x, c.y + 2), glyph);
        }
        DrawVerticalLine(dc->GetSafeHdc(), spin.left - 1, spin.top + 1, spin.bottom - 1, frame);
    }
}

JQW_PAINT_FIELD CJQWPaintManager::MakeThemedField(const JQW_FIELD_PAINT& field)
{
    JQW_PAINT_FIELD themed;
    themed.labelWidth = field.labelWidth;
    themed.drawText = [&field, this](CDC* target, CRect rect) {
        if (field.text.IsEmpty())
            return;
        CFont* old = target->SelectObject(GetRegularFont());
        target->SetBkMode(TRANSPARENT);
        target->SetTextColor(GetColor(!field.enabled || field.textIsHint ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        target->DrawText(field.text, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        target->SelectObject(old);
    };
    themed.drawPlain = [&field, this](CDC* target) { DrawField(target, field); };
    return themed;
}

CJQWPaintManager::FieldLayout CJQWPaintManager::MeasureEditOrCombo(CDC* dc, const JQW_PAINT_BAR& bar,
    const JQW_PAINT_CONTROL& control)
{
    CClientDC screen(nullptr);
    CDC* measureDC = dc ? dc : &screen;
    CFont* old = measureDC->SelectObject(GetRegularFont());
    const CJQWDCTextMeasure measure(measureDC, this);
    const FieldLayout layout = MeasureEditOrCombo(measure, bar, control);
    measureDC->SelectObject(old);
    return layout;
}
