#include "toolkit/controls/ButtonTheme.h"

#include "toolkit/controls/Button.h"
#include "toolkit/drawing/ButtonDrawing.h"
#include "toolkit/drawing/DrawHelpers.h"

#include "platform/gdi/DrawHelpers.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/ControlMessages.h"

#include <algorithm>

namespace {

constexpr int BP_PUSHBUTTON = 1;
constexpr int PBS_NORMAL = 1;
constexpr int PBS_HOT = 2;
constexpr int PBS_PRESSED = 3;
constexpr int PBS_DISABLED = 4;
constexpr int PBS_DEFAULTED = 5;
constexpr int TMT_TEXTCOLOR = 3803;

COLORREF ManagerColor(int index) { return GetColorManager()->GetColor(index); }

DWORD AlignmentOf(const CJQButton* button) { return button->CWnd::GetStyle() & BS_CENTER; }

bool IsDefaultPushButton(const CJQButton* button) { return (button->CWnd::GetStyle() & 0xF) == BS_DEFPUSHBUTTON; }

void Frame(CDC* dc, const CRect& rect, COLORREF color) { dc->Draw3dRect(&rect, color, color); }

} // namespace

void FillDitherRect(CDC* dc, const RECT* rect, COLORREF first, COLORREF second)
{
    // Rows alternate 0x55 and 0xAA: one pixel of each colour by turns, both ways.
    const WORD rows[8] = { 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA };
    HBITMAP pattern = ::CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = ::CreatePatternBrush(pattern);
    const COLORREF oldText = dc->SetTextColor(first);
    const COLORREF oldBack = dc->SetBkColor(second);
    ::FillRect(dc->m_hDC, rect, brush);
    dc->SetTextColor(oldText);
    dc->SetBkColor(oldBack);
    ::DeleteObject(brush);
    ::DeleteObject(pattern);
}

IMPLEMENT_DYNCREATE(CJQButtonThemeFactory, CJQThemeManagerStyleFactory)

CJQThemeManagerStyle* CJQButtonThemeFactory::CreateStyle(int theme)
{
    CJQThemeManagerStyle* style = nullptr;
    if (theme == 1)
        style = new CJQButtonThemeOfficeXP(FALSE);
    else if (theme == 2)
        style = new CJQButtonThemeOffice2003(FALSE);
    else
        style = new CJQButtonTheme;
    style->m_nTheme = theme;
    return style;
}

CJQButtonTheme::CJQButtonTheme() = default;

CJQButtonTheme::~CJQButtonTheme() { m_themeButton.CloseThemeData(); }

void CJQButtonTheme::RefreshMetrics()
{
    RefreshColorManager();
    m_crFace.SetStandardValue(ManagerColor(COLOR_BTNFACE));
    m_crText.SetStandardValue(ManagerColor(COLOR_BTNTEXT));
    m_crDisabledText.SetStandardValue(ManagerColor(COLOR_GRAYTEXT));
    m_crLight.SetStandardValue(ManagerColor(COLOR_BTNFACE));
    m_crShadow.SetStandardValue(ManagerColor(COLOR_BTNSHADOW));
    m_crHighlight.SetStandardValue(ManagerColor(COLOR_BTNHIGHLIGHT));
    m_crDarkShadow.SetStandardValue(ManagerColor(COLOR_3DDKSHADOW));
    if (m_themeButton.GetThemeHandle())
        m_themeButton.OpenThemeData(nullptr, u"BUTTON");
}

BOOL CJQButtonTheme::IsFlatLook(const CJQButton* button) const
{
    const DWORD flags = button->GetThemeStyleFlags();
    if (flags & (JQ_BS_FLAT | JQ_BS_SEMIFLAT))
        return TRUE;
    return const_cast<CJQButtonTheme*>(this)->IsThemed(button);
}

BOOL CJQButtonTheme::IsThemed(const CJQButton* button)
{
    if (!(button->GetThemeStyleFlags() & JQ_BS_VISUALSTYLES))
        return FALSE;
    if (!m_themeButton.GetThemeHandle())
        m_themeButton.OpenThemeData(button->m_hWnd, u"BUTTON");
    return m_themeButton.GetThemeHandle() && m_themeButton.IsAppThemeReady();
}

void CJQButtonTheme::SetFont(CFont* font)
{
    if (!font || !font->GetSafeHandle())
        return;
    LOGFONTW description {};
    if (!::GetObjectW(font->GetSafeHandle(), sizeof description, &description))
        return;
    m_font.DeleteObject();
    m_font.CreateFontIndirect(&description);
}

void CJQButtonTheme::SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text)
{
    m_crFace.SetCustomValue(face);
    m_crLight.SetCustomValue(highlight);
    m_crShadow.SetCustomValue(shadow);
    m_crText.SetCustomValue(text);
}

CSize CJQButtonTheme::LayoutIconSize(const CJQButton* button) const
{
    if (!m_bShowImages || !button->GetIcon())
        return CSize(0, 0);
    return button->GetIconSize();
}

BOOL CJQButtonTheme::IsPressed(UINT state, const CJQButton* button)
{
    return (state & ODS_SELECTED) || button->m_bChecked;
}

CPoint CJQButtonTheme::CalcCentredPos(CSize size, const CJQButton* button) const
{
    CRect client;
    button->GetClientRect(&client);
    CPoint point;
    point.x = (button->GetThemeStyleFlags() & JQ_BS_IMAGEABOVETEXT) ? (client.Width() - size.cx) / 2 : button->m_nImageGap;
    point.y = (client.Height() - size.cy) / 2;
    point.x = std::max<LONG>(point.x, 0);
    point.y = std::max<LONG>(point.y, 0);
    return point;
}

CPoint CJQButtonTheme::CalcTextPos(const CRect& rect, CSize textSize, const CJQButton* button) const
{
    if (button->m_bUserLayout)
        return button->m_ptText;
    const bool above = button->GetThemeStyleFlags() & JQ_BS_IMAGEABOVETEXT;
    const CSize icon = LayoutIconSize(button);
    const int gap = button->m_nImageGap;
    CPoint point(gap, CalcCentredPos(textSize, button).y);
    if (above)
        point.y += icon.cy / 2 + button->m_nImageTextGap / 2;
    const DWORD align = AlignmentOf(button);
    if (align == BS_LEFT) {
        if (!above)
            point.x = gap + button->m_nImageTextGap + icon.cx;
    } else if (align == BS_RIGHT) {
        point.x = rect.right - gap - textSize.cx;
    } else {
        const int x0 = gap + (above ? 0 : icon.cx);
        point.x = x0 + (rect.right - gap - textSize.cx - x0) / 2;
    }
    return point;
}

int CJQButtonTheme::VisualState(UINT state, CJQButton* button) const
{
    if (state & ODS_DISABLED)
        return PBS_DISABLED;
    if (IsPressed(state, button))
        return PBS_PRESSED;
    if (button->IsHotOrCaptured())
        return PBS_HOT;
    if (IsDefaultPushButton(button))
        return PBS_DEFAULTED;
    return PBS_NORMAL;
}

COLORREF CJQButtonTheme::GetTextColor(UINT state, CJQButton* button)
{
    if (IsThemed(button)) {
        COLORREF color = 0;
        if (SUCCEEDED(m_themeButton.GetThemeColor(BP_PUSHBUTTON, VisualState(state, button), TMT_TEXTCOLOR, &color)))
            return color;
    }
    return (state & ODS_DISABLED) ? COLORREF(m_crDisabledText) : COLORREF(m_crText);
}

void CJQButtonTheme::DrawButtonText(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    const CString text = button->GetButtonText(FALSE);
    if (text.IsEmpty())
        return;
    CFont* font = GetFont();
    HGDIOBJ oldFont = ::SelectObject(dc->m_hDC, font ? font->GetSafeHandle()
                                                     : HGDIOBJ(::SendMessage(button->m_hWnd, WM_GETFONT, 0, 0)));
    const CString stripped = button->GetButtonText(TRUE);
    const CSize size = dc->GetTextExtent(stripped);
    CPoint point = CalcTextPos(rect, size, button);
    if (IsPressed(state, button) && m_bOffsetWhenPressed)
        point.Offset(1, 1);
    CJQTextColorGuard color(dc, dc->SetTextColor(GetTextColor(state, button)));
    const CString& shown = (state & ODS_NOACCEL) ? stripped : text;
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, LPARAM(shown.GetString()), WPARAM(shown.GetLength()), point.x, point.y,
                 size.cx, size.cy, DST_PREFIXTEXT);
    ::SelectObject(dc->m_hDC, oldFont);
}

CPoint CJQButtonTheme::CalcImagePos(CDC* dc, const CRect& rect, const CJQButton* button)
{
    if (button->m_bUserLayout)
        return button->m_ptImage;
    const CSize icon = LayoutIconSize(button);
    CPoint point(button->m_nImageGap, CalcCentredPos(icon, button).y);
    const CString text = button->GetButtonText(TRUE);
    const DWORD align = AlignmentOf(button);
    const DWORD style = button->CWnd::GetStyle();
    if (button->GetThemeStyleFlags() & JQ_BS_IMAGEABOVETEXT) {
        if (!text.IsEmpty()) {
            CFont* font = GetFont();
            HGDIOBJ oldFont = ::SelectObject(dc->m_hDC, font ? font->GetSafeHandle()
                                                             : HGDIOBJ(::SendMessage(button->m_hWnd, WM_GETFONT, 0, 0)));
            const CSize size = dc->GetTextExtent(text);
            ::SelectObject(dc->m_hDC, oldFont);
            point.y -= button->m_nImageTextGap / 2 + size.cy / 2;
        }
        if (align == BS_RIGHT)
            point.x = rect.right - icon.cx - button->m_nImageGap;
        else if (align != BS_LEFT)
            point.x = std::max<LONG>(rect.left, rect.left + (rect.Width() - icon.cx) / 2);
    } else if (text.IsEmpty()) {
        if ((style & BS_CENTER) == BS_CENTER && icon.cx <= rect.Width())
            point.x = rect.left + (rect.Width() - icon.cx) / 2;
        if ((style & BS_VCENTER) == BS_VCENTER && icon.cy <= rect.Height())
            point.y = rect.top + (rect.Height() - icon.cy) / 2;
    }
    return point;
}

void CJQButtonTheme::DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    CJQWImageManagerIcon* icon = button->GetIcon();
    if (!m_bShowImages || !icon)
        return;
    CPoint point = CalcImagePos(dc, rect, button);
    const BOOL pressed = IsPressed(state, button);
    if (pressed)
        point.Offset(1, 1);
    CJQWIconImageHandle* image = nullptr;
    if (state & ODS_DISABLED)
        image = &icon->GetDisabledImage();
    else if (button->IsHotOrCaptured() || pressed)
        image = button->m_bChecked ? &icon->GetCheckedImage()
              : (state & ODS_SELECTED) ? &icon->GetPressedImage() : &icon->GetHotImage();
    else
        image = const_cast<CJQWIconImageHandle*>(&icon->GetNormalImage());
    icon->Draw(dc->m_hDC, point.x, point.y, *image);
}

void CJQButtonTheme::DrawButton(DRAWITEMSTRUCT* item, CJQButton* button)
{
    CDC* dc = CDC::FromHandle(item->hDC);
    const CRect rect(item->rcItem);
    const UINT state = item->itemState;
    if (!DrawThemedBackground(dc, state, rect, button))
        DrawBackground(dc, state, rect, button);
    CJQBkModeGuard mode(dc, dc->SetBkMode(TRANSPARENT));
    DrawButtonText(dc, state, rect, button);
    DrawButtonIcon(dc, state, rect, button);
    if ((button->GetThemeStyleFlags() & JQ_BS_FOCUSRECT) && (state & ODS_FOCUS) && !(state & ODS_NOFOCUSRECT))
        DrawFocusRect(dc, rect, button);
}

BOOL CJQButtonTheme::DrawThemedBackground(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    if (!IsThemed(button))
        return FALSE;
    HWND parent = ::GetParent(button->m_hWnd);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(::SendMessage(parent, WM_CTLCOLORBTN, WPARAM(dc->m_hDC),
                                                                    LPARAM(button->m_hWnd)))
                          : nullptr;
    if (brush)
        ::FillRect(dc->m_hDC, &rect, brush);
    else
        dc->FillSolidRect(&rect, ::GetSysColor(COLOR_BTNFACE));
    return SUCCEEDED(m_themeButton.DrawThemeBackground(dc->m_hDC, BP_PUSHBUTTON, VisualState(state, button), &rect,
                                                       nullptr));
}

void CJQButtonTheme::DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    const DWORD flags = button->GetThemeStyleFlags();
    const BOOL pressed = IsPressed(state, button);
    const BOOL hot = button->IsHotOrCaptured();
    if ((flags & JQ_BS_CHECKERPRESSED) && pressed)
        FillDitherRect(dc, &rect, ManagerColor(COLOR_BTNFACE), ManagerColor(COLOR_BTNHIGHLIGHT));
    else
        dc->FillSolidRect(&rect, m_crFace);
    if (flags & JQ_BS_FLAT) {
        if (pressed)
            dc->Draw3dRect(&rect, m_crShadow, m_crHighlight);
        else if (hot)
            dc->Draw3dRect(&rect, m_crHighlight, m_crShadow);
        return;
    }
    if (flags & JQ_BS_SEMIFLAT) {
        if (pressed)
            dc->Draw3dRect(&rect, m_crShadow, m_crHighlight);
        else
            dc->Draw3dRect(&rect, m_crHighlight, m_crShadow);
        return;
    }
    if (IsDefaultPushButton(button)) {
        Frame(dc, rect, m_crDarkShadow);
        rect.DeflateRect(1, 1);
    }
    if (pressed) {
        dc->Draw3dRect(&rect, m_crDarkShadow, m_crHighlight);
        rect.DeflateRect(1, 1);
        dc->Draw3dRect(&rect, m_crShadow, m_crLight);
    } else {
        dc->Draw3dRect(&rect, m_crHighlight, m_crDarkShadow);
        rect.DeflateRect(1, 1);
        dc->Draw3dRect(&rect, m_crLight, m_crShadow);
    }
}

void CJQButtonTheme::DrawFocusRect(CDC* dc, CRect rect, CJQButton* button)
{
    dc->SetTextColor(m_crText);
    const int inset = IsFlatLook(button) ? 2 : 4;
    rect.DeflateRect(inset, inset);
    dc->DrawFocusRect(&rect);
}

CJQButtonThemeOfficeXP::CJQButtonThemeOfficeXP(BOOL framed) : m_bFramed(framed) { m_bOffsetWhenPressed = FALSE; }

void CJQButtonThemeOfficeXP::RefreshMetrics()
{
    CJQButtonTheme::RefreshMetrics();
    m_crFace.SetStandardValue(ManagerColor(m_bFramed ? 30 : COLOR_BTNFACE));
    m_crLight.SetStandardValue(ManagerColor(32));
    m_crShadow.SetStandardValue(ManagerColor(COLOR_BTNSHADOW));
    m_crPressedBack.SetStandardValue(ManagerColor(33));
    m_crHotBack.SetStandardValue(ManagerColor(31));
    m_crCheckedBack.SetStandardValue(ManagerColor(36));
    m_crText.SetStandardValue(ManagerColor(46));
    m_crHotText.SetStandardValue(ManagerColor(45));
    m_crPressedText.SetStandardValue(ManagerColor(47));
}

void CJQButtonThemeOfficeXP::SetFramed(BOOL framed)
{
    m_bFramed = framed;
    RefreshMetrics();
}

COLORREF CJQButtonThemeOfficeXP::GetTextColor(UINT state, CJQButton* button)
{
    if (IsThemed(button))
        return CJQButtonTheme::GetTextColor(state, button);
    if (state & ODS_DISABLED)
        return ManagerColor(COLOR_GRAYTEXT);
    if (state & ODS_SELECTED)
        return m_crPressedText;
    if (button->IsHotOrCaptured())
        return m_crHotText;
    return m_crText;
}

void CJQButtonThemeOfficeXP::DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    CJQWImageManagerIcon* icon = button->GetIcon();
    if (!m_bShowImages || !icon)
        return;
    const CPoint point = CalcImagePos(dc, rect, button);
    if (state & ODS_DISABLED) {
        icon->Draw(dc->m_hDC, point.x, point.y, icon->GetDisabledImage());
    } else if (state & ODS_SELECTED) {
        icon->Draw(dc->m_hDC, point.x, point.y, icon->GetPressedImage());
    } else if (button->IsHotOrCaptured()) {
        if (m_bLiftHotIcons) {
            icon->Draw(dc->m_hDC, point.x + 1, point.y + 1, icon->GetShadowImage());
            icon->Draw(dc->m_hDC, point.x - 1, point.y - 1, icon->GetHotImage());
        } else {
            icon->Draw(dc->m_hDC, point.x, point.y, icon->GetHotImage());
        }
    } else if (m_bFadeIdleIcons) {
        icon->Draw(dc->m_hDC, point.x, point.y, icon->GetFadedImage());
    } else {
        icon->Draw(dc->m_hDC, point.x, point.y, const_cast<CJQWIconImageHandle&>(icon->GetNormalImage()));
    }
}

void CJQButtonThemeOfficeXP::DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    if (state & ODS_SELECTED) {
        dc->FillSolidRect(&rect, m_crPressedBack);
        Frame(dc, rect, m_crLight);
    } else if (button->IsHotOrCaptured()) {
        dc->FillSolidRect(&rect, button->m_bChecked ? COLORREF(m_crPressedBack) : COLORREF(m_crHotBack));
        Frame(dc, rect, m_crLight);
    } else if (button->m_bChecked) {
        dc->FillSolidRect(&rect, m_crCheckedBack);
        Frame(dc, rect, m_crLight);
    } else {
        dc->FillSolidRect(&rect, m_crFace);
        if (m_bFramed)
            Frame(dc, rect, m_crShadow);
    }
    if (m_bFramed && IsDefaultPushButton(button)) {
        const COLORREF highlight = ManagerColor(COLOR_HIGHLIGHT);
        Frame(dc, rect, highlight);
        rect.DeflateRect(1, 1);
        Frame(dc, rect, highlight);
    }
}

CJQButtonThemeOffice2003::CJQButtonThemeOffice2003(BOOL framed) : CJQButtonThemeOfficeXP(framed)
{
    m_bFadeIdleIcons = FALSE;
    m_bLiftHotIcons = FALSE;
    m_bOffsetWhenPressed = FALSE;
}

void CJQButtonThemeOffice2003::RefreshMetrics()
{
    CJQButtonThemeOfficeXP::RefreshMetrics();
    const int scheme = GetColorManager()->GetCurrentSystemTheme();
    struct SchemeColors {
        COLORREF face, shadow, light;
    };
    static const SchemeColors kSchemes[] = {
        { RGB(169, 199, 240), RGB(127, 157, 185), RGB(0, 0, 128) },  // blue
        { RGB(197, 212, 159), RGB(164, 185, 127), RGB(63, 93, 56) }, // olive
        { RGB(192, 192, 211), RGB(165, 172, 178), RGB(75, 75, 11) }, // silver
    };
    if (scheme >= 1 && scheme <= 3) {
        const SchemeColors& s = kSchemes[scheme - 1];
        m_crFace.SetStandardValue(m_bFramed ? s.face : ManagerColor(COLOR_BTNFACE));
        m_crShadow.SetStandardValue(s.shadow);
        m_crLight.SetStandardValue(s.light);
    }
    if (scheme != 0) {
        m_crHotBack.SetStandardValue(RGB(255, 238, 194));
        m_crPressedBack.SetStandardValue(RGB(254, 128, 62));
        m_crCheckedBack.SetStandardValue(RGB(255, 192, 111));
        m_crText.SetStandardValue(RGB(0, 0, 0));
    }
    m_crHotText.SetStandardValue(RGB(0, 0, 0));
    m_crPressedText.SetStandardValue(RGB(0, 0, 0));
}

void CJQButtonThemeOffice2003::DrawButtonIcon(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    CJQWImageManagerIcon* icon = button->GetIcon();
    if (!m_bShowImages || !icon)
        return;
    const CPoint point = CalcImagePos(dc, rect, button);
    if (state & ODS_DISABLED)
        icon->Draw(dc->m_hDC, point.x, point.y, icon->GetDisabledImage());
    else if (state & ODS_SELECTED)
        icon->Draw(dc->m_hDC, point.x, point.y, icon->GetPressedImage());
    else
        icon->Draw(dc->m_hDC, point.x, point.y, const_cast<CJQWIconImageHandle&>(icon->GetNormalImage()));
}

void CJQButtonThemeOffice2003::DrawBackground(CDC* dc, UINT state, CRect rect, CJQButton* button)
{
    CJQWColorManager* colors = GetColorManager();
    const CJQWPaintManagerColorGradient* gradient = nullptr;
    if (state & ODS_SELECTED)
        gradient = &colors->Gradient(8);
    else if (button->IsHotOrCaptured())
        gradient = &colors->Gradient(9);
    else if (button->m_bChecked)
        gradient = &colors->Gradient(7);
    if (gradient) {
        GetDrawHelpers()->GradientFillWithFactor(dc->m_hDC, &rect, *gradient, FALSE);
        Frame(dc, rect, m_crLight);
    } else {
        dc->FillSolidRect(&rect, m_crFace);
        if (m_bFramed)
            Frame(dc, rect, m_crShadow);
    }
    if (m_bFramed && IsDefaultPushButton(button)) {
        const COLORREF highlight = ManagerColor(COLOR_HIGHLIGHT);
        Frame(dc, rect, highlight);
        rect.DeflateRect(1, 1);
        Frame(dc, rect, highlight);
    }
}
