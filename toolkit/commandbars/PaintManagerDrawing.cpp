// The paint manager's drawing interface: fonts, and measuring and drawing whole controls and bars
// from their state. The themes override the backgrounds, colours and glyphs.

#include "platform/framework/DC.h"
#include "platform/base/Clock.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>
#include <vector>

namespace {
constexpr int kFace = 15, kShadow = 16, kGrayText = 17, kButtonText = 18, kLight = 20;

LOGFONTW MenuLogFont()
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return metrics.lfMenuFont;
    LOGFONTW font {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    return font;
}

} // namespace

CSize CJQWDCTextMeasure::GetTextExtent(JQWPaintFont font, const CString& text) const
{
    CFont* chosen = font == JQWPaintFont::Bold ? m_manager->GetBoldFont()
        : font == JQWPaintFont::IconTitle      ? m_manager->GetIconFont()
                                               : m_manager->GetRegularFont();
    CFont* old = m_dc->SelectObject(chosen);
    const CSize size = m_dc->GetTextExtent(text);
    m_dc->SelectObject(old);
    return size;
}

void CJQWPaintManager::CreateFonts()
{
    m_fontRegular.DeleteObject();
    m_fontBold.DeleteObject();
    m_fontIcon.DeleteObject();
    m_fontSmallCaption.DeleteObject();
    LOGFONTW font = MenuLogFont();
    m_fontRegular.CreateFontIndirect(&font);
    font.lfWeight = FW_BOLD;
    m_fontBold.CreateFontIndirect(&font);
    LOGFONTW icon {};
    if (!::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(icon), &icon, 0))
        icon = MenuLogFont();
    m_fontIcon.CreateFontIndirect(&icon);
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW small = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)
        ? metrics.lfSmCaptionFont
        : MenuLogFont();
    m_fontSmallCaption.CreateFontIndirect(&small);
}

void CJQWPaintManager::RefreshMetrics()
{
    CreateFonts();
    HDC screen = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(screen, m_fontRegular.m_hObject);
    SIZE space {};
    ::GetTextExtentPoint32W(screen, u" ", 1, &space);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    m_baseTextHeight = space.cy + 6;
    m_clrCaptionBack = GetColor(2);
    m_clrCaptionText = GetColor(9);
}

CFont* CJQWPaintManager::GetRegularFont()
{
    if (!m_fontRegular.m_hObject)
        CreateFonts();
    return &m_fontRegular;
}

CFont* CJQWPaintManager::GetBoldFont()
{
    if (!m_fontBold.m_hObject)
        CreateFonts();
    return &m_fontBold;
}

CFont* CJQWPaintManager::GetIconFont()
{
    if (!m_fontIcon.m_hObject)
        CreateFonts();
    return &m_fontIcon;
}

CFont* CJQWPaintManager::GetSmallCaptionFont()
{
    if (!m_fontSmallCaption.m_hObject)
        CreateFonts();
    return &m_fontSmallCaption;
}

CSize CJQWPaintManager::DrawControl(CDC* dc, CJQWControl* control, BOOL draw)
{
    CJQWCommandBar* bar = control->GetParent();
    const bool popupBar = bar && (bar->IsPopupBar() || bar->GetType() == 2);
    return popupBar ? DrawControlPopupParent(dc, control, draw) : DrawControlToolBarParent(dc, control, draw);
}

int CJQWPaintManager::DrawControlText(CDC* dc, const CString& text, CRect rect, UINT format, BOOL draw, bool selected,
    bool enabled)
{
    if (!draw) {
        dc->DrawText(text, &rect, format | DT_CALCRECT);
        return rect.Height();
    }
    if (!enabled && !selected && m_embossedDisabledText) {
        const COLORREF old = dc->SetTextColor(GetColor(kLight));
        CRect shifted = rect;
        shifted.OffsetRect(1, 1);
        dc->DrawText(text, &shifted, format | DT_SINGLELINE | DT_VCENTER);
        dc->SetTextColor(old);
    }
    return dc->DrawText(text, &rect, format | DT_SINGLELINE | DT_VCENTER);
}

void CJQWPaintManager::DrawControlCaption(CDC* dc, CJQWControl* control, const CString& caption, CRect rect, bool centre)
{
    CJQWCommandBar* bar = control->GetParent();
    const bool cues = !bar || bar->IsKeyboardCuesVisible();
    const UINT format = DT_SINGLELINE | DT_VCENTER | (centre ? DT_CENTER : 0);
    if (!control->GetEnabled() && m_embossedDisabledText) {
        const COLORREF old = dc->SetTextColor(GetColor(kLight));
        CRect shifted = rect;
        shifted.OffsetRect(1, 1);
        dc->DrawText(StripMnemonics(caption), &shifted, format | DT_NOPREFIX);
        dc->SetTextColor(old);
    }
    if (cues)
        dc->DrawText(caption, &rect, format);
    else
        dc->DrawText(StripMnemonics(caption), &rect, format | DT_NOPREFIX);
}

void CJQWPaintManager::DrawCaptionWithArrow(CDC* dc, CJQWControl* control, CRect rect, bool centre, bool dropDown)
{
    const CString caption = control->GetCaption();
    const int captionWidth = dc->GetTextExtent(StripMnemonics(caption)).cx;
    const int width = captionWidth + (dropDown ? 5 : 0);
    int start = rect.left;
    if (centre)
        start = rect.left + (rect.right - rect.left - width + 1) / 2;
    DrawControlCaption(dc, control, caption, CRect(start, rect.top, start + captionWidth + 1, rect.bottom), false);
    const CJQWCommandBar* bar = control->GetParent();
    if (dropDown && !(bar && bar->GetType() == jqwBarTypeMenuBar)) {
        const JQW_PAINT_STATE state = control->GetPaintState();
        const COLORREF color = GetColor(GetRectangleTextColor(state.selected, state.enabled, 1, 0));
        DrawDropDownGlyph(dc->GetSafeHdc(), CPoint(start + captionWidth + 5, rect.CenterPoint().y), false, color);
    }
}

void CJQWPaintManager::DrawLargeButtonCaption(CDC* dc, CJQWControl* control, CRect rect, bool dropDown)
{
    const CString plain = StripMnemonics(control->GetCaption());
    CString first = plain, second;
    if (m_twoLineCaptions)
        SplitCaptionInTwo(plain, first, second);
    const int m = rect.CenterPoint().y;
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX;
    CRect upper(rect.left, rect.top, rect.right, m + 1);
    dc->DrawText(first, &upper, format);
    const int secondWidth = second.IsEmpty() ? 0 : dc->GetTextExtent(second).cx;
    const int width = secondWidth + (dropDown ? 9 : 0);
    const int start = rect.left + (rect.Width() - width + 1) / 2;
    if (!second.IsEmpty()) {
        CRect lower(start, m, start + secondWidth + 1, rect.bottom);
        dc->DrawText(second, &lower, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (dropDown) {
        const JQW_PAINT_STATE state = control->GetPaintState();
        const COLORREF color = GetColor(GetRectangleTextColor(state.selected, state.enabled, 1, 0));
        const int x = second.IsEmpty() ? (rect.left + rect.right) / 2 - 1 : start + secondWidth + 5;
        DrawDropDownGlyph(dc->GetSafeHdc(), CPoint(x, (m + rect.bottom) / 2), false, color);
    }
}

CSize CJQWPaintManager::DrawControlPopupParent(CDC* dc, CJQWControl* control, BOOL draw)
{
    CJQWCommandBar* bar = control->GetParent();
    const JQW_PAINT_BAR paintBar = bar ? bar->GetPaintBar() : JQW_PAINT_BAR();
    JQW_PAINT_CONTROL paintControl = control->GetPaintControl();
    if (!paintBar.keyboardCues)
        paintControl.caption = StripMnemonics(paintControl.caption);
    if (!draw) {
        CJQWDCTextMeasure measure(dc, this);
        return MeasurePopupItem(measure, paintBar, paintControl);
    }
    const CRect r = control->GetRect();
    const int q = control->GetType() == JQW_CONTROL_LABEL && !m_indentLabels ? 0 : GetPopupBarIconSize(paintBar).cx;
    const int i = PopupTextIndent;
    CRect captionRect(r.left + q + i, r.top, r.right, r.bottom);
    const CRect shortcutRect(r.left + q + 8, r.top, r.right - 19, r.bottom);
    const CString shortcut = paintControl.shortcutText;
    if (control->GetType() == JQW_CONTROL_BUTTON && !shortcut.IsEmpty())
        captionRect.right -= dc->GetTextExtent(shortcut).cx + 19;
    const UINT format = DT_END_ELLIPSIS | (paintBar.keyboardCues ? 0 : DT_NOPREFIX);
    const JQW_PAINT_STATE state = control->GetPaintState();
    const bool enabled = state.enabled && !(control->GetType() == JQW_CONTROL_SPLIT_BUTTON_POPUP && control->GetEnabledValue() == 4);
    dc->SetBkMode(TRANSPARENT);
    DrawControlText(dc, paintControl.caption, captionRect, format, TRUE, state.selected, enabled);
    if (!shortcut.IsEmpty()) {
        CRect sr = shortcutRect;
        DrawControlText(dc, shortcut, sr, DT_RIGHT | DT_NOPREFIX, TRUE, state.selected, enabled);
    }
    return CSize(0, 0);
}

CSize CJQWPaintManager::DrawControlToolBarParent(CDC* dc, CJQWControl* control, BOOL draw)
{
    CJQWCommandBar* bar = control->GetParent();
    const JQW_PAINT_BAR paintBar = bar ? bar->GetPaintBar() : JQW_PAINT_BAR();
    const JQW_PAINT_CONTROL paintControl = control->GetPaintControl();
    if (!draw) {
        CJQWDCTextMeasure measure(dc, this);
        return MeasureToolBarItem(measure, paintBar, paintControl);
    }
    const int type = control->GetType();
    if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP)
        DrawSplitButtonFrame(dc, control, control->GetRect());
    else
        DrawControlEntry(dc, control);
    const COLORREF text = GetControlTextColor(control);
    dc->SetTextColor(text);
    dc->SetBkMode(TRANSPARENT);

    CRect r = control->GetRect();
    const bool vertical = paintBar.IsVertical();
    const CSize icon = GetControlIconSize(paintBar, paintControl);
    const JQW_PAINT_STATE state = control->GetPaintState();
    // Every style but caption-only shows the icon, except plain popups of automatic style.
    const bool image = paintControl.iconShown && paintControl.style != JQW_STYLE_CAPTION
        && !(type == JQW_CONTROL_POPUP && paintControl.style == JQW_STYLE_AUTOMATIC);
    const bool popupType = type == JQW_CONTROL_POPUP || type == JQW_CONTROL_BUTTON_POPUP || type == JQW_CONTROL_SPLIT_BUTTON_POPUP;

    if (control->GetStyle() == JQW_STYLE_LARGE) {
        if (image)
            DrawImage(dc, CPoint(r.left + (r.Width() - icon.cx) / 2, r.top + 4), icon, control, state);
        if (paintControl.captionVisible)
            DrawLargeButtonCaption(dc, control, CRect(r.left, r.top + 4 + icon.cy, r.right, r.bottom), popupType);
        return CSize(0, 0);
    }
    if (paintBar.captionsBelowIcons && image) {
        if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP)
            r.right -= ToolBarSplitWidth;
        DrawImage(dc, CPoint(r.left + (r.Width() - icon.cx) / 2, r.top + 4), icon, control, state);
        DrawCaptionWithArrow(dc, control, CRect(r.left, r.top + paintControl.buttonSize.cy, r.right, r.bottom), true,
            type == JQW_CONTROL_POPUP || type == JQW_CONTROL_BUTTON_POPUP);
        return CSize(0, 0);
    }
    if (type == JQW_CONTROL_SPLIT_BUTTON_POPUP)
        r.right -= ToolBarSplitWidth;
    if (image) {
        CPoint at(r.left + 3, r.top + (r.Height() - icon.cy) / 2);
        if (vertical)
            at = CPoint(r.left + (r.Width() - icon.cx) / 2, r.top + 3);
        if (!paintControl.captionVisible && (type == JQW_CONTROL_BUTTON || type == JQW_CONTROL_BUTTON_POPUP))
            at = CPoint(r.left + (r.Width() - icon.cx) / 2, r.top + (r.Height() - icon.cy) / 2);
        DrawImage(dc, at, icon, control, state);
    }
    if (type == JQW_CONTROL_POPUP && !image) {
        DrawCaptionWithArrow(dc, control, r, true, true);
    } else if (type == JQW_CONTROL_POPUP && !paintControl.captionVisible) {
        const int y = r.CenterPoint().y;
        DrawTriangle(dc->GetSafeHdc(), CPoint(r.right - 9, y - 1), CPoint(r.right - 5, y - 1), CPoint(r.right - 7, y + 1), text);
    } else if (paintControl.captionVisible) {
        CRect textRect = r;
        if (image)
            textRect.left = r.left + paintControl.buttonSize.cx - (m_compactCaptionSpacing ? 0 : 1);
        DrawCaptionWithArrow(dc, control, textRect, !image, type == JQW_CONTROL_POPUP);
    }
    return CSize(0, 0);
}

void CJQWPaintManager::DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect)
{
    DrawControlEntry(dc, control);
}

void CJQWPaintManager::FillCommandBar(CDC* dc, CJQWCommandBar* bar)
{
    CRect client;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&client);
    else
        dc->GetClipBox(&client);
    dc->FillSolidRect(&client, GetColor(kFace));
}

void CJQWPaintManager::DrawControlEntry(CDC* dc, CJQWControl* control)
{
    DrawRectangle(dc->GetSafeHdc(), control->GetRect(), control->GetPaintState());
}

COLORREF CJQWPaintManager::GetControlTextColor(CJQWControl* control)
{
    JQW_PAINT_STATE state = control->GetPaintState();
    if (control->GetType() == JQW_CONTROL_SPLIT_BUTTON_POPUP
        && control->GetEnabledValue() == (control->GetStyle() == JQW_STYLE_LARGE ? 3 : 4))
        state.enabled = false;
    return GetColor(GetRectangleTextColor(state.selected, state.enabled, state.barType, state.position));
}

int CJQWPaintManager::GetRectangleTextColor(bool, bool enabled, int, int) const
{
    return enabled ? kButtonText : kGrayText;
}

void CJQWPaintManager::DrawRectangle(HDC, const CRect&, const JQW_PAINT_STATE&) const { }

CSize CJQWPaintManager::DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    if (!bar || bar->GetPosition() != 4)
        return CSize(0, 0);
    CFont* old = dc ? dc->SelectObject(GetSmallCaptionFont()) : nullptr;
    const int h = dc ? dc->GetTextExtent(CString(u" ")).cy : 13;
    CRect client;
    if (bar->GetSafeHwnd())
        bar->GetClientRect(&client);
    const CRect caption(3, 3, client.right - 3, h < 15 ? 18 : h + 3);
    if (draw && dc) {
        dc->SetBkMode(TRANSPARENT);
        dc->FillSolidRect(&caption, m_clrCaptionBack);
        dc->SetTextColor(m_clrCaptionText);
        CRect text(5, 3, caption.right - 2 * caption.Height(), caption.bottom);
        dc->DrawText(bar->GetTitle(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (old)
        dc->SelectObject(old);
    return CSize(caption.Width(), caption.Height());
}

CSize CJQWPaintManager::DrawCommandBarSeparator(CDC*, CJQWCommandBar* bar, CJQWControl*, BOOL)
{
    return bar && bar->IsPopupBar() ? CSize(8, 8) : CSize(6, 6);
}

CRect CJQWPaintManager::AdjustExcludeRect(CRect rect, int, bool, bool) const
{
    return rect;
}

CSize CJQWPaintManager::DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw,
    CSize size, BOOL hiddenControls)
{
    if (!control)
        return CSize(0, 0);
    const int position = bar ? bar->GetPosition() : 0;
    const bool sideways = position == 2 || position == 3 || position == 5;
    if (kind == 0) {
        if (!draw) {
            control->SetRect(sideways ? CRect(2, size.cy - 13, size.cx - 2, size.cy - 2)
                                      : CRect(size.cx - 13, 2, size.cx - 2, size.cy - 2));
            return CSize(0, 0);
        }
        DrawControlEntry(dc, control);
        const COLORREF color = GetControlTextColor(control);
        const CRect r = control->GetRect();
        CPen pen;
        pen.CreatePen(PS_SOLID, 1, color);
        CPen* oldPen = dc->SelectObject(&pen);
        auto chevron = [&](CPoint a, CPoint b, CPoint c) {
            dc->MoveTo(a);
            dc->LineTo(b);
            dc->LineTo(c);
        };
        if (!sideways) {
            const int x = r.CenterPoint().x;
            DrawTriangle(dc->GetSafeHdc(), CPoint(x - 2, r.bottom - 7), CPoint(x + 2, r.bottom - 7), CPoint(x, r.bottom - 5), color);
            if (hiddenControls)
                for (int dx : { 0, 1, 4, 5 })
                    chevron(CPoint(r.left + 2 + dx, r.top + 4), CPoint(r.left + 4 + dx, r.top + 6), CPoint(r.left + 1 + dx, r.top + 9));
        } else {
            DrawTriangle(dc->GetSafeHdc(), CPoint(r.left + 6, r.top + 3), CPoint(r.left + 6, r.top + 7), CPoint(r.left + 4, r.top + 5), color);
            if (hiddenControls)
                for (int dy : { 0, 1, 4, 5 })
                    chevron(CPoint(r.right - 8, r.top + 2 + dy), CPoint(r.right - 6, r.top + 4 + dy), CPoint(r.right - 3, r.top + 1 + dy));
        }
        dc->SelectObject(oldPen);
        return CSize(0, 0);
    }
    if (kind == 1) {
        if (draw) {
            DrawControlEntry(dc, control);
            DrawPopupExpandChevrons(dc->GetSafeHdc(), control->GetRect());
        }
        return CSize(0, 12);
    }
    if (draw) {
        DrawControlEntry(dc, control);
        const CRect r = control->GetRect();
        const CPoint c = r.CenterPoint();
        const bool hot = control->GetSelected() || control->GetPressed() || (kind == 3 && control->IsPopupOpen());
        const COLORREF color = hot ? GetControlTextColor(control) : m_clrCaptionText;
        if (kind == 3) {
            DrawTriangle(dc->GetSafeHdc(), CPoint(c.x - 3, c.y - 2), CPoint(c.x + 3, c.y - 2), CPoint(c.x, c.y + 1), color);
        } else {
            // A cross drawn with lines in place of the symbol-font glyph.
            CPen pen;
            pen.CreatePen(PS_SOLID, 1, color);
            CPen* oldPen = dc->SelectObject(&pen);
            for (int d = 0; d < 2; ++d) {
                dc->MoveTo(CPoint(c.x - 3 + d, c.y - 3));
                dc->LineTo(CPoint(c.x + 4 + d, c.y + 4));
                dc->MoveTo(CPoint(c.x + 3 + d, c.y - 3));
                dc->LineTo(CPoint(c.x - 4 + d, c.y + 4));
            }
            dc->SelectObject(oldPen);
        }
    }
    return CSize(0, 0);
}

CRect CJQWPaintManager::GetCommandBarBorders(CJQWCommandBar*) const
{
    return CRect(2, 2, 2, 2);
}

void CJQWPaintManager::DrawImage(CDC* dc, CPoint point, CSize size, CJQWControl* control, const JQW_PAINT_STATE& state)
{
    CJQWImageManagerIcon* icon = control->GetImage(size.cx);
    if (!icon)
        return;
    CJQWIconImageHandle& image = state.enabled ? const_cast<CJQWIconImageHandle&>(icon->GetNormalImage())
                                               : icon->GetDisabledImage();
    icon->Draw(dc->GetSafeHdc(), point.x, point.y, image, size.cx);
}

CSize CJQWPaintManager::DrawTearOffGripper(CDC*, CRect, BOOL, BOOL)
{
    return CSize(0, 0);
}

CSize CJQWPaintManager::DrawDialogBarGripper(CDC*, CJQWCommandBar*, BOOL)
{
    return CSize(0, 0);
}

void CJQWPaintManager::AnimatePopup(CDC* destination, CDC* source, CRect rect, int kind)
{
    const int steps = m_animationSteps;
    if (steps <= 0 || !destination || !source)
        return;
    const int w = rect.Width(), h = rect.Height();
    const DWORD pause = DWORD(std::max(0, m_animationDuration / steps));
    switch (kind) {
    case 2:
        for (int k = 1; k <= steps; ++k) {
            const int cx = k * w / steps, cy = k * h / steps;
            destination->BitBlt(0, 0, cx, cy, source, rect.right - cx, rect.bottom - cy, SRCCOPY);
            if (pause)
                ::Sleep(pause);
        }
        break;
    case 3:
        for (int k = 1; k <= steps; ++k) {
            const int cy = k * h / steps;
            destination->BitBlt(0, 0, w, cy, source, 0, h - cy, SRCCOPY);
            if (pause)
                ::Sleep(pause);
        }
        break;
    case 4: {
        std::vector<COLORREF> popup(size_t(w) * size_t(h)), background(popup.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                popup[size_t(y) * size_t(w) + size_t(x)] = source->GetPixel(rect.left + x, rect.top + y);
                background[size_t(y) * size_t(w) + size_t(x)] = destination->GetPixel(x, y);
            }
        auto blend = [](COLORREF a, COLORREF b, int alpha) {
            auto channel = [&](int shift) {
                return ((int((a >> shift) & 0xFF) * alpha + int((b >> shift) & 0xFF) * (255 - alpha)) >> 8) << shift;
            };
            return COLORREF(channel(0) | channel(8) | channel(16));
        };
        for (int k = 1; k < steps; ++k) {
            const int alpha = 255 * k / steps;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    destination->SetPixel(rect.left + x, rect.top + y,
                        blend(popup[size_t(y) * size_t(w) + size_t(x)], background[size_t(y) * size_t(w) + size_t(x)], alpha));
            if (pause)
                ::Sleep(pause);
        }
        destination->BitBlt(rect.left, rect.top, w, h, source, rect.left, rect.top, SRCCOPY);
        break;
    }
    default:
        break;
    }
}

CSize CJQWPaintManager::DrawControlComboBox(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw)
{
    if (draw && dc && field.drawPlain) {
        field.drawPlain(dc);
        return CSize(0, 0);
    }
    if (draw && dc && control && field.drawText) {
        const CRect r = control->GetRect();
        field.drawText(dc, CRect(r.left + field.labelWidth + 3, r.top + 1, r.right - field.dropDownWidth, r.bottom - 1));
    }
    return CSize(0, 0);
}

CSize CJQWPaintManager::DrawControlEdit(CDC* dc, CJQWControl* control, const JQW_PAINT_FIELD& field, BOOL draw)
{
    if (draw && dc && field.drawPlain) {
        field.drawPlain(dc);
        return CSize(0, 0);
    }
    if (draw && dc && control && field.drawText) {
        const CRect r = control->GetRect();
        field.drawText(dc, CRect(r.left + field.labelWidth + 3, r.top + 1, r.right - (field.spin ? 16 : 0), r.bottom - 1));
    }
    return CSize(0, 0);
}

CSize CJQWPaintManager::DrawCheckMark(CDC* dc, CRect rect, BOOL draw, bool, int, int checked, bool enabled)
{
    if (draw && dc) {
        Draw3dRectByIndex(dc->GetSafeHdc(), rect, kShadow, kLight);
        if (checked)
            DrawMenuCheckMark(dc->GetSafeHdc(), rect, GetColor(enabled && checked != 2 ? kButtonText : kGrayText));
    }
    return CSize(13, 13);
}

CSize CJQWPaintManager::DrawRadioMark(CDC* dc, CRect rect, BOOL draw, bool, int, int checked, bool enabled)
{
    if (draw && dc) {
        Draw3dRectByIndex(dc->GetSafeHdc(), rect, kShadow, kLight);
        if (checked) {
            const CPoint c = rect.CenterPoint();
            const CRect dot(c.x - 2, c.y - 2, c.x + 2, c.y + 2);
            dc->FillSolidRect(&dot, GetColor(enabled && checked != 2 ? kButtonText : kGrayText));
        }
    }
    return CSize(13, 13);
}

void CJQWPaintManager::DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL)
{
    Draw3dRectByIndex(dc->GetSafeHdc(), rect, kShadow, kLight);
}

void CJQWPaintManager::DrawStatusBarGripper(CDC*, CRect) { }

CSize CJQWPaintManager::DrawListBoxControl(CDC*, CJQWControl*, CRect, BOOL, BOOL, CJQWCommandBars*)
{
    return CSize(0, 0);
}
