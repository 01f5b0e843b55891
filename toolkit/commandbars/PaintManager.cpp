#include "toolkit/commandbars/PaintManager.h"

#include "platform/framework/DC.h"
#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/DefaultTheme.h"
#include "toolkit/commandbars/themes/NativeXPTheme.h"
#include "toolkit/commandbars/themes/WhidbeyTheme.h"
#include "toolkit/drawing/ColorManager.h"

#include <algorithm>
#include <cstdint>
#include <new>

CString StripMnemonics(const CString& caption)
{
    CString out;
    const int n = caption.GetLength();
    for (int i = 0; i < n; ++i) {
        WCHAR c = caption.GetAt(i);
        if (c == u'&') {
            if (i + 1 >= n)
                break;
            c = caption.GetAt(++i);
        }
        out += c;
    }
    return out;
}

bool SplitCaptionInTwo(const CString& caption, CString& first, CString& second)
{
    first = caption;
    second.Empty();
    const int length = caption.GetLength();
    if (length < 4 || caption.Find(u' ') < 1)
        return false;
    const int n = length / 2;
    // n, n + 1, n - 1, n + 2, n - 2, ... within [2, 2n - 1].
    for (int step = 0; n - step >= 2 || n + step <= 2 * n - 1; ++step) {
        const int candidates[2] = { n + step, n - step };
        for (int k = 0; k < (step == 0 ? 1 : 2); ++k) {
            const int i = candidates[k];
            if (i < 2 || i > 2 * n - 1 || i >= length)
                continue;
            if (caption.GetAt(i) == u' ') {
                first = caption.Left(i);
                second = caption.Mid(i + 1);
                return true;
            }
        }
    }
    return false;
}

CJQWPaintManager::CJQWPaintManager() = default;
CJQWPaintManager::~CJQWPaintManager() = default;

void CJQWPaintManager::InternalRelease()
{
    if (--m_refs == 0)
        delete this;
}

int CJQWPaintManager::GetControlHeight() const
{
    return std::max(m_baseTextHeight, 22);
}

CSize CJQWPaintManager::GetAutoIconSize(bool large) const
{
    if (!m_autoIconSize)
        return large ? CSize(32, 32) : CSize(16, 16);
    const int h = GetControlHeight();
    const int n = (large ? 2 * h - 8 : h - 4) / 8;
    const int side = std::max(n, 2) * 8;
    return CSize(side, side);
}

int CJQWPaintManager::GetSplitDropDownWidth() const
{
    const int h = m_fixedControlHeight > 0 ? m_baseTextHeight : std::max(m_baseTextHeight + 3, 22);
    return 2 * h - 17;
}

CSize CJQWPaintManager::GetPopupBarIconSize(const JQW_PAINT_BAR& bar) const
{
    return CSize(std::max<int>(bar.iconSize.cx + 4, m_baseTextHeight + 4), std::max<int>(bar.iconSize.cy + 6, m_baseTextHeight));
}

int CJQWPaintManager::GetPopupBarGripperWidth(const JQW_PAINT_BAR& bar) const
{
    if (!bar.isPopupBar)
        return 0;
    const int w = GetPopupBarIconSize(bar).cx;
    return (bar.doubleGripper ? 2 * w : w) + 1;
}

CRect CJQWPaintManager::GetSplitButtonCommandRect(const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const
{
    CRect r = control.rect;
    if (bar.isPopupBar)
        r.right -= PopupSplitWidth;
    else if (control.style == JQW_STYLE_LARGE) {
        if (bar.IsVertical())
            r.left += GetSplitDropDownWidth();
        else
            r.bottom -= GetSplitDropDownWidth();
    } else
        r.right -= ToolBarSplitWidth + 1;
    return r;
}

CSize CJQWPaintManager::GetControlIconSize(const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const
{
    if (control.style == JQW_STYLE_LARGE && !bar.isPopupBar)
        return bar.largeIconSize;
    return control.iconSize;
}

void CJQWPaintManager::ApplyControlSizeOverride(CSize& size, const JQW_PAINT_CONTROL& control, bool vertical) const
{
    if (control.fixedWidth > 0)
        (vertical ? size.cy : size.cx) = control.fixedWidth;
    if (control.fixedHeight > 0)
        (vertical ? size.cx : size.cy) = control.fixedHeight;
}

CSize CJQWPaintManager::MeasurePopupItem(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const
{
    const CSize iconArea = GetPopupBarIconSize(bar);
    int q = bar.doubleGripper ? 2 * iconArea.cx : iconArea.cx;
    if (control.type == JQW_CONTROL_LABEL && !m_indentLabels)
        q = 0;
    const CString caption = StripMnemonics(control.caption);
    const int captionWidth = caption.IsEmpty() ? 0 : text.GetTextExtent(JQWPaintFont::Regular, caption).cx;
    const int shortcutWidth = control.shortcutText.IsEmpty() ? 0 : text.GetTextExtent(JQWPaintFont::Regular, control.shortcutText).cx;
    CSize size(shortcutWidth + PopupTextIndent + captionWidth + q + 32, iconArea.cy);
    ApplyControlSizeOverride(size, control, false);
    return size;
}

CSize CJQWPaintManager::MeasureIconAndCaption(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const CString& caption,
    int bw, int bh, bool image) const
{
    const CSize c = text.GetTextExtent(JQWPaintFont::Regular, StripMnemonics(caption));
    if (bar.IsVertical()) {
        // The caption runs downwards: its width is the length along the bar.
        const int across = std::max<int>(bw, c.cy + 6);
        return image ? CSize(across, c.cx + bw + 3) : CSize(across, c.cx + 8);
    }
    const int high = std::max<int>(bh, c.cy + 6);
    if (image)
        return CSize(c.cx + bw + (m_compactCaptionSpacing ? 4 : 3), high);
    return CSize(c.cx + 8, high);
}

CSize CJQWPaintManager::MeasureCaptionWithArrow(const CJQWTextMeasure& text, const CString& caption, bool vertical, bool dropDown) const
{
    CString plain = StripMnemonics(caption);
    if (plain.IsEmpty())
        plain = u" ";
    CSize s = text.GetTextExtent(JQWPaintFont::Regular, plain);
    if (dropDown)
        s.cx += m_compactCaptionSpacing ? 8 : 10;
    if (vertical)
        std::swap(s.cx, s.cy);
    return s;
}

CSize CJQWPaintManager::MeasureLargeButtonCaption(const CJQWTextMeasure& text, const CString& caption, bool vertical, bool dropDown) const
{
    const CString plain = StripMnemonics(caption);
    CString first = plain, second;
    if (m_twoLineCaptions)
        SplitCaptionInTwo(plain, first, second);
    auto width = [&](const CString& line) {
        return static_cast<int>(text.GetTextExtent(JQWPaintFont::Regular, line.IsEmpty() ? CString(u" ") : line).cx);
    };
    CSize s(std::max(width(first), width(second) + (dropDown ? 8 : 0)), 24);
    if (vertical)
        std::swap(s.cx, s.cy);
    return s;
}

CSize CJQWPaintManager::MeasureLargeButton(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const
{
    const bool vertical = bar.IsVertical();
    const CSize icon = GetControlIconSize(bar, control);
    int along = std::max(2 * GetControlHeight() - 3, 42);
    int across = m_fixedControlHeight > 0 ? 3 * m_fixedControlHeight : icon.cy + GetSplitDropDownWidth() + 7;
    const bool dropDown = control.type == JQW_CONTROL_POPUP || control.type == JQW_CONTROL_BUTTON_POPUP
        || control.type == JQW_CONTROL_SPLIT_BUTTON_POPUP;
    if (control.captionVisible) {
        const CSize c = MeasureLargeButtonCaption(text, control.caption, false, dropDown);
        along = std::max<int>(along, c.cx + (vertical ? 6 : 5));
    }
    CSize size = vertical ? CSize(across, along) : CSize(along, across);
    ApplyControlSizeOverride(size, control, vertical);
    return size;
}

CSize CJQWPaintManager::MeasureToolBarItem(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar, const JQW_PAINT_CONTROL& control) const
{
    const int type = control.type;
    if (type == JQW_CONTROL_COMBO || type == JQW_CONTROL_EDIT || type == JQW_CONTROL_CUSTOM || type < 1 || type > 10)
        return CSize(0, 0);
    if (control.style == JQW_STYLE_LARGE)
        return MeasureLargeButton(text, bar, control);
    const bool vertical = bar.IsVertical();
    const bool image = control.iconShown && control.style != JQW_STYLE_CAPTION
        && !(type == JQW_CONTROL_POPUP && control.style == JQW_STYLE_AUTOMATIC);
    const bool split = type == JQW_CONTROL_SPLIT_BUTTON_POPUP;
    const CSize icon = GetControlIconSize(bar, control);
    const CSize button = control.buttonSize;
    CSize size;
    if (bar.captionsBelowIcons && image) {
        const CSize c = MeasureCaptionWithArrow(text, control.caption, false,
            type == JQW_CONTROL_POPUP || type == JQW_CONTROL_BUTTON_POPUP);
        int width = std::max<int>(c.cx, icon.cx + 10) + (split ? ToolBarSplitWidth : 0);
        const int height = c.cy + button.cy;
        size = CSize(std::max(width, height), height);
    } else if (type == JQW_CONTROL_POPUP) {
        if (image && control.captionVisible)
            size = MeasureIconAndCaption(text, bar, control.caption, button.cx, button.cy, true);
        else if (image)
            size = CSize(button.cx + 7, button.cy);
        else {
            size = MeasureCaptionWithArrow(text, control.caption, vertical, true);
            size += CSize(6, 6);
        }
    } else if (split) {
        const CSize b = image ? button : CSize(22, 22);
        if (control.captionVisible) {
            size = MeasureIconAndCaption(text, bar, control.caption, b.cx, b.cy, image);
            size.cx += ToolBarSplitWidth;
        } else
            size = CSize(b.cx + ToolBarSplitWidth, b.cy);
    } else if (control.captionVisible)
        size = MeasureIconAndCaption(text, bar, control.caption, image ? button.cx : 22, button.cy, image);
    else
        size = button;
    ApplyControlSizeOverride(size, control, vertical);
    return size;
}

CJQWPaintManager::FieldLayout CJQWPaintManager::MeasureEditOrCombo(const CJQWTextMeasure& text, const JQW_PAINT_BAR& bar,
    const JQW_PAINT_CONTROL& control) const
{
    FieldLayout out;
    const bool combo = control.type == JQW_CONTROL_COMBO;
    const CString caption = StripMnemonics(control.caption);
    const int titleSpace = text.GetTextExtent(JQWPaintFont::IconTitle, u" ").cy;
    int h;
    if (m_fixedControlHeight > 0)
        h = m_fixedControlHeight;
    else if (!combo)
        h = titleSpace + 7;
    else
        h = titleSpace >= 13 ? titleSpace + 7 : 20;
    if (combo) {
        const int m = static_cast<int>((static_cast<int64_t>(h) * 9 + 7) / 14); // rounded as MulDiv does
        out.dropDownWidth = m >= 14 ? m + 1 : 15;
    }
    if (control.captionVisible && m_fixedControlHeight <= 0)
        h = std::max(h, static_cast<int>(text.GetTextExtent(JQWPaintFont::Regular, u" ").cy) + 7);
    const int label = (caption.IsEmpty() ? 0 : static_cast<int>(text.GetTextExtent(JQWPaintFont::Regular, caption).cx)) + 5;
    if (bar.isPopupBar) {
        const int gripper = GetPopupBarGripperWidth(bar);
        out.labelWidth = gripper + PopupTextIndent + label;
        out.size = CSize(gripper + control.width, h);
        return out;
    }
    const int g = control.iconShown ? static_cast<int>(GetControlIconSize(bar, control).cx) + 4 : 0;
    const int buttonHeight = combo ? bar.buttonSize.cy : control.buttonSize.cy;
    h = std::max(h, buttonHeight);
    out.labelWidth = control.captionVisible ? g + label : g;
    out.size = CSize(control.width, h);
    return out;
}

std::array<CPoint, 3> CJQWPaintManager::DownTrianglePoints(const CRect& rect)
{
    const int s = std::max(rect.Width() / 2 - 4, 2);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2 - s / 2;
    return { CPoint(x - s, y), CPoint(x + s, y), CPoint(x, y + s) };
}

void CJQWPaintManager::DrawTriangle(HDC dc, CPoint a, CPoint b, CPoint c, COLORREF color)
{
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const POINT points[3] = { a, b, c };
    Polygon(dc, points, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void CJQWPaintManager::DrawDownTriangle(HDC dc, const CRect& rect, COLORREF color) const
{
    const std::array<CPoint, 3> p = DownTrianglePoints(rect);
    DrawTriangle(dc, p[0], p[1], p[2], color);
}

namespace {

// One-pixel polyline; the last point is not drawn, as with every line.
void Polyline3(HDC dc, CPoint a, CPoint b, CPoint c, int dx, int dy)
{
    MoveToEx(dc, a.x + dx, a.y + dy, nullptr);
    LineTo(dc, b.x + dx, b.y + dy);
    LineTo(dc, c.x + dx, c.y + dy);
}

class PenScope {
public:
    PenScope(HDC dc, COLORREF color) : m_dc(dc), m_pen(CreatePen(PS_SOLID, 1, color)), m_old(SelectObject(dc, m_pen)) { }
    ~PenScope()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_pen);
    }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    HDC m_dc;
    HPEN m_pen;
    HGDIOBJ m_old;
};

} // namespace

COLORREF CJQWPaintManager::GetColor(int index) const
{
    if (index < 0 || index > 62)
        return static_cast<COLORREF>(index);
    const COLORREF own = m_themeColors[index];
    return own != JQW_COLOR_UNSET ? own : GetColorManager()->GetColor(index);
}

void CJQWPaintManager::SetStandardColors(int count, const int* indexes, const COLORREF* values)
{
    for (int i = 0; i < count; ++i)
        if (indexes[i] >= 0 && indexes[i] < JQW_COLOR_COUNT)
            m_themeColors[indexes[i]].SetStandardValue(values[i]);
}

void CJQWPaintManager::DrawHorizontalLine(HDC dc, int x0, int y, int x1, COLORREF color)
{
    PenScope pen(dc, color);
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1, y);
}

void CJQWPaintManager::DrawVerticalLine(HDC dc, int x, int y0, int y1, COLORREF color)
{
    PenScope pen(dc, color);
    MoveToEx(dc, x, y0, nullptr);
    LineTo(dc, x, y1);
}

void CJQWPaintManager::Draw3dRectByIndex(HDC dc, const CRect& r, int topLeft, int bottomRight) const
{
    if (r.IsRectEmpty())
        return;
    const COLORREF tl = GetColor(topLeft), br = GetColor(bottomRight);
    DrawHorizontalLine(dc, r.left, r.top, r.right - 1, tl);
    DrawVerticalLine(dc, r.left, r.top, r.bottom - 1, tl);
    DrawVerticalLine(dc, r.right - 1, r.top, r.bottom, br);
    DrawHorizontalLine(dc, r.left, r.bottom - 1, r.right, br);
}

void CJQWPaintManager::DrawDropDownGlyph(HDC dc, CPoint p, bool left, COLORREF color) const
{
    if (left)
        DrawTriangle(dc, CPoint(p.x + 2, p.y - 2), CPoint(p.x + 2, p.y + 2), p, color);
    else
        DrawTriangle(dc, CPoint(p.x - 2, p.y - 1), CPoint(p.x + 2, p.y - 1), CPoint(p.x, p.y + 1), color);
}

void CJQWPaintManager::DrawMenuCheckMark(HDC dc, const CRect& rect, COLORREF color) const
{
    PenScope pen(dc, color);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    const bool mirrored = (GetLayout(dc) & LAYOUT_RTL) != 0;
    const CPoint a = mirrored ? CPoint(x - 4, y - 3) : CPoint(x - 4, y - 1);
    const CPoint b = mirrored ? CPoint(x, y + 1) : CPoint(x - 2, y + 1);
    const CPoint c = mirrored ? CPoint(x + 3, y - 2) : CPoint(x + 3, y - 4);
    const int passes = m_thickCheckMark ? 3 : 2;
    for (int dy = 0; dy < passes; ++dy)
        Polyline3(dc, a, b, c, 0, dy);
}

void CJQWPaintManager::DrawPopupExpandChevrons(HDC dc, const CRect& rect) const
{
    PenScope pen(dc, RGB(0, 0, 0));
    const int x = (rect.left + rect.right) / 2;
    const int t = rect.top;
    for (int dy : { 0, 1, 4, 5 })
        Polyline3(dc, CPoint(x - 2, t + 2), CPoint(x, t + 4), CPoint(x + 3, t + 1), 0, dy);
}

namespace {
CJQWPaintManager* g_current = nullptr;
}

CJQWPaintManager* CreatePaintTheme(int number)
{
    // Numbers without a look of their own get the default one and keep their number.
    CJQWPaintManager* manager = nullptr;
    switch (number) {
    case 1:
        manager = new (std::nothrow) JQWPaintThemes::CJQWOfficeTheme();
        break;
    case 2:
        manager = new (std::nothrow) JQWPaintThemes::CJQWOffice2003Theme();
        break;
    case 3:
        manager = new (std::nothrow) JQWPaintThemes::CJQWNativeXPTheme();
        break;
    case 4:
        manager = new (std::nothrow) JQWPaintThemes::CJQWWhidbeyTheme();
        break;
    default:
        manager = new (std::nothrow) JQWPaintThemes::CJQWDefaultTheme();
        break;
    }
    if (manager)
        manager->m_themeCode = number;
    return manager;
}

void SetGlobalPaintManager(CJQWPaintManager* manager)
{
    // Installing nothing would leave the bars without a theme: keep the current one.
    if (!manager)
        return;
    if (g_current && g_current != manager)
        g_current->InternalRelease();
    g_current = manager;
    g_current->m_themeCode = 7;
}

CJQWPaintManager* SetGlobalPaintTheme(int number)
{
    CJQWPaintManager* manager = CreatePaintTheme(number);
    if (!manager)
        return g_current;
    SetGlobalPaintManager(manager);
    manager->m_themeCode = number;
    // Colours and fonts are measured once the manager is in place: a theme made before any bar
    // asked for it would otherwise draw with empty colours.
    manager->RefreshMetrics();
    return manager;
}

CJQWPaintManager* GetGlobalPaintManager()
{
    if (!g_current)
        SetGlobalPaintTheme(0);
    return g_current;
}

void ReleaseGlobalPaintManager()
{
    if (g_current)
        g_current->InternalRelease();
    g_current = nullptr;
}

void CJQWPaintManager::FillDockBar(CDC* dc, CWnd* dockBar)
{
    CRect client;
    dockBar->GetClientRect(&client);
    dc->FillSolidRect(&client, GetColor(COLOR_3DFACE));
}
