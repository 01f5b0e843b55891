#include "toolkit/commandbars/themes/Office2003Theme.h"

#include "platform/framework/DC.h"
#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/DialogBar.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/drawing/DrawHelpers.h"

#include <algorithm>

#include <cstdint>

namespace JQWPaintThemes {

namespace {
COLORREF Blend(COLORREF a, COLORREF b, int weight)
{
    return CJQWColorManager::BlendColors(a, b, weight);
}

// Intensity of each glyph pixel, column after column (entry i is x = i / 16, y = i % 16); 255 is
// transparent, 0 the gradient's second colour.
constexpr uint8_t kGlyphIntensity[256] = {
    255, 255, 255, 255, 252, 234, 198, 180, 180, 180, 198, 252, 255, 255, 255, 255,
    255, 255, 255, 234, 234, 234, 234, 198, 180, 144, 126, 126, 198, 255, 255, 255,
    255, 255, 234, 252, 252, 234, 234, 198, 180, 144, 126, 108, 90, 144, 255, 255,
    255, 234, 252, 252, 252, 234, 234, 198, 180, 144, 126, 108, 90, 54, 126, 255,
    234, 252, 252, 252, 252, 234, 234, 198, 180, 144, 126, 108, 90, 54, 36, 234,
    234, 252, 252, 252, 252, 234, 234, 198, 180, 144, 126, 108, 72, 54, 36, 90,
    234, 234, 234, 234, 234, 234, 198, 180, 144, 144, 126, 108, 72, 36, 18, 36,
    198, 234, 234, 234, 198, 198, 198, 180, 144, 126, 126, 72, 54, 36, 18, 18,
    198, 198, 198, 198, 198, 180, 180, 144, 126, 126, 108, 72, 54, 18, 18, 0,
    198, 180, 180, 180, 180, 180, 144, 126, 126, 108, 90, 54, 36, 18, 0, 0,
    198, 144, 144, 144, 144, 144, 126, 126, 108, 108, 72, 54, 36, 18, 0, 54,
    252, 144, 126, 126, 126, 126, 108, 108, 90, 90, 54, 36, 18, 0, 0, 180,
    255, 198, 108, 108, 108, 108, 90, 90, 90, 72, 54, 36, 18, 0, 72, 255,
    255, 255, 180, 108, 90, 90, 90, 72, 72, 54, 36, 18, 0, 54, 255, 255,
    255, 255, 255, 198, 90, 72, 72, 72, 54, 36, 36, 18, 108, 255, 255, 255,
    255, 255, 255, 255, 252, 180, 108, 72, 54, 90, 126, 234, 255, 255, 255, 255,
};

struct SchemeValues {
    COLORREF dock[2];
    float dockFactor;
    COLORREF band[2];
    float bandFactor;
    COLORREF shadowLine, caption, shadow;
    COLORREF open[2];
    COLORREF chevron[2];
    float chevronFactor;
    COLORREF rarely[2];
    float rarelyFactor;
    COLORREF glyph[2];
    COLORREF face[2];
    COLORREF paneBorder, tearOff;
    COLORREF e53, e51, e52, e12, e56;
    // 38, 39, 40, 41, 43, 31, 32, 37, 50, 33, 36, 30, 47
    COLORREF entries[13];
};

constexpr int kSchemeEntries[13] = { 38, 39, 40, 41, 43, 31, 32, 37, 50, 33, 36, 30, 47 };

const SchemeValues kSchemes[3] = {
    { // blue
        { RGB(158, 190, 245), RGB(196, 218, 250) }, 0.5f, { RGB(221, 236, 254), RGB(129, 169, 226) }, 0.75f,
        RGB(59, 97, 156), RGB(42, 102, 201), RGB(22, 30, 54), { RGB(227, 239, 255), RGB(147, 181, 231) },
        { RGB(117, 166, 241), RGB(0, 53, 145) }, 0.75f, { RGB(203, 221, 246), RGB(121, 161, 220) }, 0.5f,
        { RGB(227, 239, 254), RGB(129, 169, 226) }, { RGB(233, 236, 242), RGB(97, 122, 172) },
        RGB(211, 211, 211), RGB(169, 199, 240),
        RGB(203, 225, 252), RGB(216, 231, 252), RGB(158, 190, 245), RGB(144, 153, 174), RGB(189, 211, 247),
        { RGB(39, 65, 118), RGB(106, 140, 203), RGB(109, 150, 208), RGB(246, 246, 246), RGB(0, 45, 150),
            RGB(255, 238, 194), RGB(0, 0, 128), RGB(0, 0, 128), RGB(0, 0, 128), RGB(254, 128, 62),
            RGB(255, 192, 111), RGB(196, 219, 249), RGB(0, 0, 0) } },
    { // olive green
        { RGB(217, 217, 167), RGB(242, 241, 228) }, 0.5f, { RGB(244, 247, 222), RGB(183, 198, 145) }, 0.3f,
        RGB(96, 128, 88), RGB(116, 134, 94), RGB(31, 34, 25), { RGB(236, 240, 213), RGB(194, 206, 159) },
        { RGB(176, 194, 140), RGB(96, 119, 107) }, 0.3f, { RGB(230, 230, 209), RGB(164, 180, 120) }, 0.3f,
        { RGB(236, 240, 213), RGB(184, 198, 147) }, { RGB(243, 244, 240), RGB(131, 144, 113) },
        RGB(211, 211, 211), RGB(197, 212, 159),
        RGB(216, 227, 182), RGB(226, 231, 191), RGB(171, 192, 138), RGB(151, 160, 123), RGB(222, 227, 189),
        { RGB(81, 94, 51), RGB(96, 128, 88), RGB(159, 174, 122), RGB(244, 244, 238), RGB(117, 141, 94),
            RGB(255, 238, 194), RGB(63, 93, 56), RGB(63, 93, 56), RGB(63, 93, 56), RGB(254, 128, 62),
            RGB(255, 192, 111), RGB(209, 222, 173), RGB(0, 0, 0) } },
    { // silver
        { RGB(215, 215, 229), RGB(243, 243, 247) }, 0.5f, { RGB(249, 249, 255), RGB(156, 155, 183) }, 0.75f,
        RGB(124, 124, 148), RGB(122, 121, 153), RGB(36, 32, 41), { RGB(233, 231, 241), RGB(186, 185, 205) },
        { RGB(179, 178, 200), RGB(118, 116, 146) }, 0.75f, { RGB(215, 215, 226), RGB(133, 131, 162) }, 0.5f,
        { RGB(232, 232, 241), RGB(176, 174, 197) }, { RGB(247, 245, 249), RGB(122, 121, 153) },
        RGB(236, 234, 218), RGB(192, 192, 211),
        RGB(214, 211, 231), RGB(223, 223, 234), RGB(177, 176, 195), RGB(155, 154, 179), RGB(214, 215, 231),
        { RGB(84, 84, 117), RGB(110, 109, 143), RGB(168, 167, 190), RGB(253, 250, 255), RGB(124, 124, 148),
            RGB(255, 238, 194), RGB(75, 75, 111), RGB(75, 75, 111), RGB(75, 75, 111), RGB(254, 128, 62),
            RGB(255, 192, 111), RGB(219, 218, 228), RGB(0, 0, 0) } },
};
} // namespace

CJQWOffice2003Theme::CJQWOffice2003Theme()
{
    GetIconsInfo()->bUseFadedIcons = FALSE;
    GetIconsInfo()->bIconsWithShadow = FALSE;
    m_grcChecked.SetStandardValue(RGB(255, 213, 140), RGB(255, 173, 85));
    m_grcPushed.SetStandardValue(RGB(254, 142, 75), RGB(255, 207, 139));
    m_grcHot.SetStandardValue(RGB(255, 242, 200), RGB(255, 212, 151));
}

int CJQWOffice2003Theme::GetSystemColorScheme() const
{
    return GetColorManager()->GetCurrentSystemTheme();
}

int CJQWOffice2003Theme::GetCurrentSystemTheme() const
{
    if (m_schemeSelection == 5)
        return GetColorManager()->IsLunaColorsDisabled() ? 0 : GetSystemColorScheme();
    if (m_schemeSelection == 4)
        return GetSystemColorScheme();
    return m_schemeSelection;
}

void CJQWOffice2003Theme::RefreshMetrics()
{
    CJQWOfficeTheme::RefreshMetrics();
    // Entries the last refresh wrote are computed afresh.
    for (CJQWPaintManagerColor& color : m_themeColors)
        color.SetStandardValue(JQW_COLOR_UNSET);
    auto e = [this](int index) { return GetColor(index); };

    m_grcRarelyUsed.SetStandardValue(Blend(e(5), e(42), 550), e(42));
    m_grcBand.SetStandardValue(Blend(e(15), e(5), 205), e(15));
    m_grcDock.SetStandardValue(e(15), Blend(e(15), e(5), 205));
    m_clrTearOff.SetStandardValue(e(30));
    m_clrShadowLine.SetStandardValue(e(30));
    m_clrCaption.SetStandardValue(e(16));
    m_grcOpen.SetStandardValue(e(41), Blend(e(5), e(15), 550));
    m_grcChevron.SetStandardValue(Blend(e(51), e(16), 51), e(16));
    m_schemeColorsActive = false;
    m_grcGlyph.SetStandardValue(e(41), Blend(e(5), e(15), 550));
    m_clrPaneBorder.SetStandardValue(Blend(e(15), e(5), 70));
    m_grcFace.SetStandardValue(e(15), e(16));
    m_clrShadow = 0;
    m_themeColors[55].SetStandardValue(GetColorManager()->Gradient(1).clrDark);

    if (CJQWColorManager::IsLowColorDevice(nullptr)) {
        for (CJQWPaintManagerColorGradient* g : { &m_grcBand, &m_grcDock, &m_grcOpen, &m_grcChevron })
            g->SetStandardColor(e(15));
    }

    ApplySchemeColors(GetCurrentSystemTheme());
    if (m_schemeColorsActive) {
        for (int index : { 58, 60, 35 })
            m_themeColors[index].SetStandardValue(RGB(141, 141, 141));
        m_themeColors[61].SetStandardValue(m_clrCaption);
    }
    m_clrCaptionBack = m_clrCaption;
    CreateExpandGlyph();
}

void CJQWOffice2003Theme::ApplySchemeColors(int scheme)
{
    if (scheme < 1 || scheme > 3)
        return;
    const SchemeValues& v = kSchemes[scheme - 1];
    m_grcDock.SetStandardValue(v.dock[0], v.dock[1], v.dockFactor);
    m_grcBand.SetStandardValue(v.band[0], v.band[1], v.bandFactor);
    m_clrShadowLine.SetStandardValue(v.shadowLine);
    m_clrCaption.SetStandardValue(v.caption);
    m_clrShadow = v.shadow;
    m_grcOpen.SetStandardValue(v.open[0], v.open[1]);
    m_grcChevron.SetStandardValue(v.chevron[0], v.chevron[1], v.chevronFactor);
    m_grcRarelyUsed.SetStandardValue(v.rarely[0], v.rarely[1], v.rarelyFactor);
    m_grcGlyph.SetStandardValue(v.glyph[0], v.glyph[1]);
    m_grcFace.SetStandardValue(v.face[0], v.face[1]);
    m_clrPaneBorder.SetStandardValue(v.paneBorder);
    m_clrTearOff.SetStandardValue(v.tearOff);
    SetStandardColors(13, kSchemeEntries, v.entries);
    const int direct[5] = { 53, 51, 52, 12, 56 };
    const COLORREF directValues[5] = { v.e53, v.e51, v.e52, v.e12, v.e56 };
    SetStandardColors(5, direct, directValues);
    m_schemeColorsActive = true;
}

void CJQWOffice2003Theme::CreateExpandGlyph()
{
    const COLORREF a = m_grcGlyph.clrLight;
    const COLORREF b = m_grcGlyph.clrDark;
    auto channel = [](int first, int second, int v) { return second - (second - first) * v / 255; };
    for (int i = 0; i < 256; ++i) {
        const int x = i / 16, y = i % 16;
        const int v = kGlyphIntensity[i];
        m_expandGlyph[y * 16 + x] = v == 255
            ? RGB(0, 255, 0)
            : RGB(channel(GetRValue(a), GetRValue(b), v), channel(GetGValue(a), GetGValue(b), v),
                channel(GetBValue(a), GetBValue(b), v));
    }
}

void CJQWOffice2003Theme::DrawExpandGlyph(HDC dc, CPoint topLeft) const
{
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (m_expandGlyph[y * 16 + x] != RGB(0, 255, 0))
                SetPixel(dc, topLeft.x + x, topLeft.y + y, m_expandGlyph[y * 16 + x]);
}

void CJQWOffice2003Theme::FillGradient(HDC dc, const CRect& rect, COLORREF first, COLORREF second, bool horizontal)
{
    const int length = horizontal ? rect.Width() : rect.Height();
    if (length <= 0 || rect.IsRectEmpty())
        return;
    for (int i = 0; i < length; ++i) {
        auto mix = [&](int p, int q) { return length == 1 ? p : p + (q - p) * i / (length - 1); };
        const COLORREF c = RGB(mix(GetRValue(first), GetRValue(second)), mix(GetGValue(first), GetGValue(second)),
            mix(GetBValue(first), GetBValue(second)));
        const CRect line = horizontal ? CRect(rect.left + i, rect.top, rect.left + i + 1, rect.bottom)
                                      : CRect(rect.left, rect.top + i, rect.right, rect.top + i + 1);
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(dc, &line, brush);
        DeleteObject(brush);
    }
}

void CJQWOffice2003Theme::FillGradientWithBorder(HDC dc, const CRect& rect, int border, bool horizontal,
    const CJQWPaintManagerColorGradient& gradient) const
{
    FillGradient(dc, rect, gradient.clrLight, gradient.clrDark, horizontal);
    if (border != -1)
        Draw3dRectByIndex(dc, rect, border, border);
}

namespace {
bool IsRightDockBar(CWnd* window)
{
    return window && (window->GetStyle() & 0x4100) != 0;
}

// The dock gradient spans at least half the screen from `left`, so neighbouring dock bars and the
// bars on them meet in the same colour.
CRect DockGradientRect(int left, int width)
{
    return CRect(left, 0, left + std::max<int>(width, GetSystemMetrics(SM_CXFULLSCREEN) / 2), 0);
}
} // namespace

void CJQWOffice2003Theme::FillDockBar(CDC* dc, CWnd* dockBar)
{
    CRect client;
    dockBar->GetClientRect(&client);
    if (IsRightDockBar(dockBar)) {
        dc->FillSolidRect(&client, m_grcDock.clrDark);
        return;
    }
    CRect across = DockGradientRect(client.left, client.Width());
    across.top = client.top;
    across.bottom = client.bottom;
    const int saved = SaveDC(dc->GetSafeHdc());
    IntersectClipRect(dc->GetSafeHdc(), client.left, client.top, client.right, client.bottom);
    FillGradient(dc->GetSafeHdc(), across, m_grcDock.clrLight, m_grcDock.clrDark, true);
    RestoreDC(dc->GetSafeHdc(), saved);
}

bool CJQWOffice2003Theme::HasFloatingToolbarLook(CJQWCommandBar* bar) const
{
    return bar && !IsFlatBar(bar) && (bar->GetFlags() & 0x0F) != 0;
}

void CJQWOffice2003Theme::FillCommandBar(CDC* dc, CJQWCommandBar* bar)
{
    const int position = bar ? bar->GetPosition() : 0;
    const bool popup = bar && (bar->IsPopupBar() || bar->GetType() == 2);
    CRect r;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&r);
    else
        dc->GetClipBox(&r);
    const HDC hdc = dc->GetSafeHdc();
    if (bar && (position == 5 || popup) && position != 4) {
        FillWithBorder(hdc, r, 41, 43);
        DrawPopupJoint(dc, bar, GetColor(41));
        return;
    }
    CWnd* parent = bar && bar->GetSafeHwnd() ? bar->GetParent() : nullptr;
    // The dock gradient behind a docked bar starts at its parent's left edge.
    auto dockGradient = [&]() {
        CRect g = DockGradientRect(r.left, r.Width());
        if (parent && position <= 3) {
            CRect p;
            parent->GetWindowRect(&p);
            bar->ScreenToClient(&p);
            g = DockGradientRect(p.left, p.Width());
        }
        g.top = r.top;
        g.bottom = r.bottom;
        const int saved = SaveDC(hdc);
        IntersectClipRect(hdc, r.left, r.top, r.right, r.bottom);
        FillGradient(hdc, g, m_grcDock.clrLight, m_grcDock.clrDark, true);
        RestoreDC(hdc, saved);
    };
    auto floatingFrame = [&]() {
        Draw3dRectByIndex(hdc, r, 61, 61);
        CRect inner = r;
        inner.DeflateRect(1, 1);
        Draw3dRectByIndex(hdc, inner, 61, 61);
        for (CPoint p : { CPoint(2, 2), CPoint(r.right - 3, 2), CPoint(2, r.bottom - 3), CPoint(r.right - 3, r.bottom - 3) })
            SetPixel(hdc, p.x, p.y, GetColor(61));
    };
    // Bottom (or right) of the first visible control's row: where the band ends.
    auto firstRowEnd = [&](bool vertical, int fallback) {
        for (int i = 0; bar && i < bar->GetControlCount(); ++i) {
            CJQWControl* control = bar->GetControl(i);
            if (control && control->IsVisible())
                return (vertical ? control->GetRowRect().right : control->GetRowRect().bottom) + 1;
        }
        return fallback;
    };
    if (IsFlatBar(bar)) {
        dockGradient();
        if (position == 4)
            floatingFrame();
        return;
    }
    if (bar && (position == 0 || position == 1)) {
        dc->FillSolidRect(&r, GetColor(15));
        const int saved = SaveDC(hdc);
        if (parent) {
            dockGradient();
            ExcludeClipRect(hdc, r.left, r.top, r.left + 3, r.bottom);
            CJQWDrawHelpers::ExcludeCorners(hdc, CRect(r.left + 3, r.top + 1, r.right, r.bottom - 1));
        }
        const int b = std::min<int>(firstRowEnd(false, r.bottom), r.bottom - 1);
        FillGradient(hdc, CRect(r.left, r.top + 1, r.right, b), m_grcBand.clrLight, m_grcBand.clrDark, false);
        const CRect rest(r.left, b, r.right, r.bottom - 1);
        if (!rest.IsRectEmpty())
            dc->FillSolidRect(&rest, m_grcBand.clrDark);
        const CRect shadow(r.left + 5, r.bottom - 1, r.left + 5 + r.Width() - 7, r.bottom);
        dc->FillSolidRect(&shadow, m_clrShadowLine);
        RestoreDC(hdc, saved);
        return;
    }
    if (bar && (position == 2 || position == 3)) {
        dc->FillSolidRect(&r, GetColor(15));
        const int saved = SaveDC(hdc);
        if (parent) {
            if (IsRightDockBar(parent))
                dc->FillSolidRect(&r, m_grcDock.clrDark);
            else
                dockGradient();
            ExcludeClipRect(hdc, r.left, r.top, r.right, r.top + 3);
            CJQWDrawHelpers::ExcludeCorners(hdc, CRect(r.left + 1, r.top + 3, r.right - 1, r.bottom));
        }
        const int x = std::min<int>(firstRowEnd(true, r.right), r.right - 1);
        FillGradient(hdc, CRect(r.left + 1, r.top, x, r.bottom), m_grcBand.clrLight, m_grcBand.clrDark, true);
        const CRect shadow(r.right - 1, r.top + 5, r.right, r.top + 5 + r.Height() - 7);
        dc->FillSolidRect(&shadow, m_clrShadowLine);
        RestoreDC(hdc, saved);
        return;
    }
    if (position == 4 && HasFloatingToolbarLook(bar)) {
        dc->FillSolidRect(&r, GetColor(30));
        floatingFrame();
        CRect inner = r;
        inner.DeflateRect(1, 1);
        CFont* old = dc->SelectObject(GetSmallCaptionFont());
        const int h = dc->GetTextExtent(CString(u" ")).cy;
        dc->SelectObject(old);
        int y = inner.top + (h < 15 ? 17 : h + 2);
        for (int i = 0; i < bar->GetControlCount(); ++i) {
            CJQWControl* control = bar->GetControl(i);
            if (!control || !control->IsVisible() || (i > 0 && !control->GetWrap()) || control->GetRect().top <= y)
                continue;
            const int rowTop = control->GetRowRect().top;
            FillGradient(hdc, CRect(inner.left + 2, y, inner.right - 2, rowTop), m_grcBand.clrLight, m_grcBand.clrDark, false);
            y = rowTop;
        }
        FillGradient(hdc, CRect(inner.left + 2, y, inner.right - 2, inner.bottom - 2), m_grcBand.clrLight, m_grcBand.clrDark, false);
        for (CPoint p : { CPoint(2, 2), CPoint(r.right - 3, 2), CPoint(2, r.bottom - 3), CPoint(r.right - 3, r.bottom - 3) })
            SetPixel(hdc, p.x, p.y, GetColor(61));
        return;
    }
    CJQWOfficeTheme::FillCommandBar(dc, bar);
}

void CJQWOffice2003Theme::DrawPopupBarGripper(CDC* dc, CRect rect, bool rarelyUsed)
{
    const CJQWPaintManagerColorGradient& g = rarelyUsed ? m_grcRarelyUsed : m_grcBand;
    FillGradient(dc->GetSafeHdc(), rect, g.clrLight, g.clrDark, true);
}

CSize CJQWOffice2003Theme::DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    if (bar && bar->IsKindOf(RUNTIME_CLASS(CJQWDialogBar)))
        return DrawDialogBarGripper(dc, bar, draw);
    const int position = bar ? bar->GetPosition() : 7;
    const bool popup = bar && (bar->IsPopupBar() || bar->GetType() == 2);
    if (popup || position == 4)
        return CJQWOfficeTheme::DrawCommandBarGripper(dc, bar, draw);
    if (position > 3)
        return CSize(0, 0);
    const bool horizontal = position == 0 || position == 1;
    if (draw && dc && bar && bar->GetSafeHwnd() && bar->HasGripper()) {
        CRect client;
        bar->GetClientRect(&client);
        const int length = horizontal ? client.Height() : client.Width();
        for (int o = 8; o - 3 < length - 7; o += 4) {
            const CRect light = horizontal ? CRect(7, o - 2, 9, o) : CRect(o - 2, 7, o, 9);
            const CRect dark = horizontal ? CRect(6, o - 3, 8, o - 1) : CRect(o - 3, 6, o - 1, 8);
            dc->FillSolidRect(&light, GetColor(5));
            dc->FillSolidRect(&dark, GetColor(38));
        }
    }
    return horizontal ? CSize(6, 0) : CSize(0, 9);
}

CSize CJQWOffice2003Theme::DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw)
{
    const bool popup = bar && (bar->IsPopupBar() || bar->GetType() == 2);
    const int position = bar ? bar->GetPosition() : 0;
    const bool floating = position == 4 && !popup;
    if (!draw || !control || !dc)
        return floating ? CSize(6, 0) : CJQWOfficeTheme::DrawCommandBarSeparator(dc, bar, control, FALSE);
    if (popup || (position > 3 && !floating))
        return CJQWOfficeTheme::DrawCommandBarSeparator(dc, bar, control, draw);
    const HDC hdc = dc->GetSafeHdc();
    const CRect row = control->GetRowRect();
    const CRect c = control->GetRect();
    const bool brk = control->GetWrap() != FALSE;
    const COLORREF line = GetColor(39), light = GetColor(20);
    if (position == 2 || position == 3) {
        if (brk) {
            DrawVerticalLine(hdc, row.right + 2, row.top + 4, row.bottom, line);
            DrawVerticalLine(hdc, row.right + 3, row.top + 5, row.bottom, light);
        } else {
            DrawHorizontalLine(hdc, row.left + 4, c.top - 4, row.right - 4, line);
            if (!m_singleLineSeparators)
                DrawHorizontalLine(hdc, row.left + 5, c.top - 3, row.right - 3, light);
        }
    } else if (!brk) {
        DrawVerticalLine(hdc, c.left - 4, row.top + 4, row.bottom - 4, line);
        if (!m_singleLineSeparators)
            DrawVerticalLine(hdc, c.left - 3, row.top + 5, row.bottom - 3, light);
    } else if (!floating) {
        DrawHorizontalLine(hdc, row.left + 4, row.top - 4, row.right, line);
        DrawHorizontalLine(hdc, row.left + 5, row.top - 3, row.right, light);
    }
    return CSize(0, 0);
}

void CJQWOffice2003Theme::DrawPopupExpandButton(HDC dc, const CRect& rect) const
{
    const int c = (rect.left + rect.right) / 2;
    const int top = rect.top;
    DrawExpandGlyph(dc, CPoint(c - 7, top + 1));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    for (int dy : { 0, 1, 4, 5 }) {
        const POINT points[3] = { { c - 2, top + 5 + dy }, { c, top + 7 + dy }, { c + 3, top + 4 + dy } };
        Polyline(dc, points, 3);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

CSize CJQWOffice2003Theme::DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw,
    CSize size, BOOL hiddenControls)
{
    if (kind == 1) {
        if (draw && dc && control) {
            DrawRectangle(dc->GetSafeHdc(), control->GetRect(), control->GetPaintState());
            DrawPopupExpandButton(dc->GetSafeHdc(), control->GetRect());
        }
        return CSize(0, 18);
    }
    if (kind != 0 || !control)
        return CJQWOfficeTheme::DrawSpecialControl(dc, kind, control, bar, draw, size, hiddenControls);
    const int position = bar ? bar->GetPosition() : 0;
    const bool sideways = position == 2 || position == 3 || position == 5;
    if (!draw) {
        control->SetRect(sideways ? CRect(0, size.cy - 12, size.cx, size.cy) : CRect(size.cx - 12, 1, size.cx, size.cy));
        return CSize(0, 0);
    }
    if (!dc)
        return CSize(0, 0);
    const HDC hdc = dc->GetSafeHdc();
    const CRect r = control->GetRect();
    const JQW_PAINT_STATE s = control->GetPaintState();
    const int saved = SaveDC(hdc);
    // The button's outer corners and its inner edge show the bar behind, so it reads as the
    // rounded end of the band.
    if (!sideways) {
        ExcludeClipRect(hdc, r.right - 1, r.top, r.right, r.top + 1);
        ExcludeClipRect(hdc, r.right - 1, r.bottom - 1, r.right, r.bottom);
        ExcludeClipRect(hdc, r.left, r.top + 1, r.left + 1, r.bottom - 1);
    } else {
        ExcludeClipRect(hdc, r.left, r.bottom - 1, r.left + 1, r.bottom);
        ExcludeClipRect(hdc, r.right - 1, r.bottom - 1, r.right, r.bottom);
        ExcludeClipRect(hdc, r.left + 1, r.top, r.right - 1, r.top + 1);
    }
    if (s.popupOpen) {
        if (m_schemeColorsActive)
            FillGradient(hdc, r, m_grcPushed.clrLight, m_grcPushed.clrDark, sideways);
        else
            dc->FillSolidRect(&r, GetColor(36));
    } else if (!s.selected) {
        FillGradient(hdc, r, m_grcChevron.clrLight, m_grcChevron.clrDark, sideways);
    } else if (m_schemeColorsActive) {
        FillGradient(hdc, r, m_grcHot.clrLight, m_grcHot.clrDark, sideways);
    } else {
        dc->FillSolidRect(&r, GetColor(31));
    }
    CRect shifted = r;
    shifted.OffsetRect(1, 1);
    DrawChevronGlyph(hdc, sideways, shifted, hiddenControls != FALSE, GetColor(20));
    DrawChevronGlyph(hdc, sideways, r, hiddenControls != FALSE, GetColor(s.popupOpen || !s.selected ? 46 : 45));
    RestoreDC(hdc, saved);
    return CSize(0, 0);
}

void CJQWOffice2003Theme::DrawChevronGlyph(HDC dc, bool vertical, CRect rect, bool doubleArrow, COLORREF color) const
{
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    if (vertical) {
        const int x0 = r - 5, y0 = (t + b) / 2;
        DrawVerticalLine(dc, x0 - 5, y0 - 2, y0 + 3, color);
        DrawTriangle(dc, CPoint(x0, y0), CPoint(x0 - 2, y0 - 2), CPoint(x0 - 2, y0 + 2), color);
        if (doubleArrow) {
            DrawTriangle(dc, CPoint(l + 5, t + 3), CPoint(l + 6, t + 4), CPoint(l + 7, t + 3), color);
            DrawTriangle(dc, CPoint(l + 5, t + 7), CPoint(l + 6, t + 8), CPoint(l + 7, t + 7), color);
        }
        return;
    }
    const int c = l + (r - l) / 2;
    DrawHorizontalLine(dc, c - 2, b - 10, c + 3, color);
    DrawTriangle(dc, CPoint(c - 2, b - 7), CPoint(c + 2, b - 7), CPoint(c, b - 5), color);
    if (doubleArrow) {
        DrawTriangle(dc, CPoint(l + 3, t + 5), CPoint(l + 4, t + 6), CPoint(l + 3, t + 7), color);
        DrawTriangle(dc, CPoint(l + 7, t + 5), CPoint(l + 8, t + 6), CPoint(l + 7, t + 7), color);
    }
}

CJQWOffice2003Theme::GradientState CJQWOffice2003Theme::GetGradientState(int selected, int pressed, bool enabled, int checked)
{
    if (enabled) {
        if (!selected && pressed == 0 && checked == 2)
            return { 1, 50 };
        if (!selected && pressed == 0 && checked != 0)
            return { 2, 37 };
        if ((selected && pressed == 0 && checked != 0) || pressed == 2 || pressed == 3 || (selected && pressed != 0))
            return { 3, 50 };
        if ((selected && pressed == 0) || (!selected && pressed != 0))
            return { 4, 32 };
        return {};
    }
    if (selected == 2 || selected == 3)
        return { checked ? 3 : 4, 50 };
    if (checked)
        return { 2, 58 };
    return {};
}

void CJQWOffice2003Theme::DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const
{
    if (state.popupOpen) {
        FillGradientWithBorder(dc, rect, 43, false, m_grcOpen);
        return;
    }
    if (!m_schemeColorsActive || state.barType == 2 || state.position > 4) {
        CJQWOfficeTheme::DrawRectangle(dc, rect, state);
        return;
    }
    const GradientState g = GetGradientState(state.selected ? 1 : 0, state.pressed, state.enabled, state.checked ? 1 : 0);
    const bool horizontal = state.position == 2 || state.position == 3;
    switch (g.gradient) {
    case 1:
        FillWithBorder(dc, rect, 51, g.border);
        break;
    case 2:
        FillGradientWithBorder(dc, rect, g.border, horizontal, m_grcChecked);
        break;
    case 3:
        FillGradientWithBorder(dc, rect, g.border, horizontal, m_grcPushed);
        break;
    case 4:
        FillGradientWithBorder(dc, rect, g.border, horizontal, m_grcHot);
        break;
    default:
        break;
    }
}

CRect CJQWOffice2003Theme::GetCommandBarBorders(CJQWCommandBar* bar) const
{
    if (bar && !bar->IsPopupBar() && (bar->GetPosition() == 0 || bar->GetPosition() == 1))
        return CRect(4, 2, 2, 2);
    return CJQWOfficeTheme::GetCommandBarBorders(bar);
}

CSize CJQWOffice2003Theme::DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    const CSize size(8, m_baseTextHeight >= 19 ? m_baseTextHeight + 6 : 25);
    if (!draw || !dc)
        return size;
    CRect r;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&r);
    else
        dc->GetClipBox(&r);
    r.DeflateRect(3, 3);
    r.bottom = std::min<int>(r.bottom, r.top + size.cy);
    const HDC hdc = dc->GetSafeHdc();
    bool active = false;
    if (bar && bar->GetSafeHwnd()) {
        const HWND focus = ::GetFocus();
        active = focus && (focus == bar->GetSafeHwnd() || ::IsChild(bar->GetSafeHwnd(), focus));
    }
    if (!active)
        FillGradient(hdc, r, m_grcBand.clrLight, m_grcBand.clrDark, false);
    else if (m_schemeColorsActive)
        FillGradient(hdc, r, m_grcChecked.clrLight, m_grcChecked.clrDark, false);
    else
        dc->FillSolidRect(&r, GetColor(36));
    for (int y = r.top + 4; y < r.bottom - 5; y += 4) {
        const CRect light(6, y + 1, 8, y + 3), dark(5, y, 7, y + 2);
        dc->FillSolidRect(&light, GetColor(5));
        dc->FillSolidRect(&dark, GetColor(38));
    }
    return size;
}

CSize CJQWOffice2003Theme::DrawTearOffGripper(CDC* dc, CRect rect, BOOL hot, BOOL draw)
{
    if (!draw || !dc)
        return CSize(0, 9);
    const HDC hdc = dc->GetSafeHdc();
    CRect r(1, 1, rect.right + 1, rect.bottom - rect.top + 1);
    dc->FillSolidRect(&r, GetColor(41));
    r.DeflateRect(1, 1);
    if (hot)
        FillWithBorder(hdc, r, 31, 32);
    else
        dc->FillSolidRect(&r, m_clrTearOff);
    const int c = (r.left + r.right) / 2;
    const int d = (r.right - r.left) / 2;
    const int k = d > 42 ? 32 : d - 10;
    for (int x = c - k + 3; x - 3 < c + k; x += 4) {
        const CRect light(x - 2, 5, x, 7), dark(x - 3, 4, x - 1, 6);
        dc->FillSolidRect(&light, GetColor(20));
        dc->FillSolidRect(&dark, GetColor(38));
    }
    return CSize(0, 9);
}

void CJQWOffice2003Theme::DrawStatusBarPaneBorder(CDC* dc, CRect rect, BOOL)
{
    // No visual styles here: the panes get the theme's own frame.
    const HDC hdc = dc->GetSafeHdc();
    DrawHorizontalLine(hdc, rect.left, rect.top, rect.right - 1, m_clrPaneBorder);
    DrawVerticalLine(hdc, rect.left, rect.top, rect.bottom - 1, m_clrPaneBorder);
    DrawVerticalLine(hdc, rect.right - 1, rect.top, rect.bottom, m_clrPaneBorder);
    DrawHorizontalLine(hdc, rect.left, rect.bottom - 1, rect.right, m_clrPaneBorder);
}

void CJQWOffice2003Theme::DrawStatusBarGripper(CDC* dc, CRect rect)
{
    const HDC hdc = dc->GetSafeHdc();
    const int w = rect.Width(), h = rect.Height();
    auto line = [&](int x0, int y0, int x1, int y1, COLORREF color) {
        HPEN pen = CreatePen(PS_SOLID, 1, color);
        HGDIOBJ old = SelectObject(hdc, pen);
        MoveToEx(hdc, x0, y0, nullptr);
        LineTo(hdc, x1, y1);
        SelectObject(hdc, old);
        DeleteObject(pen);
    };
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j)
            line(w - 5 * k - j, h - 1, w, h - 1 - 5 * k - j, GetColor(16));
        line(w - 3 - 5 * k, h - 1, w, h - 4 - 5 * k, GetColor(20));
    }
}

} // namespace JQWPaintThemes
