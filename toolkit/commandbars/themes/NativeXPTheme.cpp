#include "toolkit/commandbars/themes/NativeXPTheme.h"

#include "platform/framework/DC.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/Wnd.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/DialogBar.h"
#include "toolkit/commandbars/DockBar.h"
#include "toolkit/drawing/WinThemeWrapper.h"

#include <algorithm>

namespace JQWPaintThemes {

namespace {
constexpr int kMenu = 4, kHighlight = 13, kHighlightText = 14, kFace = 15, kShadow = 16, kButtonText = 18,
              kLight = 20, kDarkShadow = 21, kMenuHighlight = 29;
constexpr int kBorderColor = 3801, kTextColor = 3803, kEdgeHighlight = 3805, kEdgeShadow = 3806, kFlatMenus = 1001;
using Parts = CJQWNativeThemeParts;

bool IsPopupType(const CJQWCommandBar* bar)
{
    return bar && (bar->IsPopupBar() || bar->GetType() == 2);
}

CRect ClientRect(CDC* dc, CJQWCommandBar* bar)
{
    CRect r;
    if (bar && bar->GetSafeHwnd())
        bar->GetClientRect(&r);
    else
        dc->GetClipBox(&r);
    return r;
}
} // namespace

CJQWWinThemeParts::CJQWWinThemeParts()
{
    for (auto& wrapper : m_wrappers)
        wrapper = std::make_unique<CJQWWinThemeWrapper>();
}

CJQWWinThemeParts::~CJQWWinThemeParts()
{
    for (int i = ClassCount - 1; i >= 0; --i)
        m_wrappers[i]->CloseThemeData();
}

void CJQWWinThemeParts::Open(HWND window)
{
    static const WCHAR* const names[ClassCount] = { u"TOOLBAR", u"REBAR", u"COMBOBOX", u"WINDOW", u"SPIN" };
    for (int i = 0; i < ClassCount; ++i)
        m_wrappers[i]->OpenThemeData(window, names[i]);
}

BOOL CJQWWinThemeParts::IsAppThemed(Class c)
{
    return m_wrappers[c]->IsAppThemed();
}

HRESULT CJQWWinThemeParts::DrawBackground(Class c, HDC dc, int part, int state, const RECT& rect, const RECT* clip)
{
    return m_wrappers[c]->DrawThemeBackground(dc, part, state, &rect, clip);
}

HRESULT CJQWWinThemeParts::GetColor(Class c, int part, int state, int property, COLORREF* color)
{
    return m_wrappers[c]->GetThemeColor(part, state, property, color);
}

BOOL CJQWWinThemeParts::GetSysBool(Class c, int property)
{
    return m_wrappers[c]->GetThemeSysBool(property);
}

CJQWNativeXPTheme::CJQWNativeXPTheme() : m_parts(std::make_unique<CJQWWinThemeParts>())
{
    GetIconsInfo()->bUseFadedIcons = TRUE;
    GetIconsInfo()->bIconsWithShadow = FALSE;
    m_popupTextColorIndex = 7;
}

CJQWNativeXPTheme::~CJQWNativeXPTheme() = default;

void CJQWNativeXPTheme::SetThemeParts(std::unique_ptr<CJQWNativeThemeParts> parts)
{
    if (parts)
        m_parts = std::move(parts);
}

bool CJQWNativeXPTheme::Themed(Parts::Class c) const
{
    return m_parts->IsAppThemed(c) != FALSE;
}

bool CJQWNativeXPTheme::IsNativeThemed() const
{
    return Themed(Parts::Rebar) && Themed(Parts::Toolbar);
}

void CJQWNativeXPTheme::DrawPart(Parts::Class c, HDC dc, int part, int state, const CRect& rect, const RECT* clip) const
{
    m_parts->DrawBackground(c, dc, part, state, rect, clip);
}

void CJQWNativeXPTheme::RefreshMetrics()
{
    CJQWDefaultTheme::RefreshMetrics();
    CWnd* main = AfxGetMainWnd();
    m_parts->Open(main ? main->GetSafeHwnd() : nullptr);

    m_bFlatMenus = TRUE;
    if (!SystemParametersInfoW(SPI_GETFLATMENU, 0, &m_bFlatMenus, 0))
        m_bFlatMenus = FALSE;
    const bool rebar = Themed(Parts::Rebar);
    COLORREF color = 0;
    m_clrEdgeShadow = rebar && SUCCEEDED(m_parts->GetColor(Parts::Rebar, 3, 0, kEdgeShadow, &color)) ? color : GetColor(kShadow);
    m_clrEdgeHighLight = rebar && SUCCEEDED(m_parts->GetColor(Parts::Rebar, 3, 0, kEdgeHighlight, &color)) ? color : GetColor(kLight);
    if (Themed(Parts::Toolbar) && SUCCEEDED(m_parts->GetColor(Parts::Toolbar, 0, 0, kTextColor, &color)))
        m_themeColors[kButtonText].SetStandardValue(color);
    if (!m_bFlatMenus && rebar)
        m_bFlatMenus = m_parts->GetSysBool(Parts::Rebar, kFlatMenus);
    if (!m_bFlatMenus)
        m_themeColors[kMenuHighlight].SetStandardValue(GetColor(kHighlight));
}

void CJQWNativeXPTheme::FillRebarBackground(CDC* dc, CWnd* window, CWnd* reference)
{
    CRect client;
    window->GetClientRect(&client);
    if (!IsNativeThemed()) {
        dc->FillSolidRect(&client, GetColor(kFace));
        return;
    }
    CRect area = client;
    if (reference && reference->GetSafeHwnd()) {
        reference->GetWindowRect(&area);
        window->ScreenToClient(&area);
    }
    DrawPart(Parts::Rebar, dc->GetSafeHdc(), 0, 0, area, &client);
}

void CJQWNativeXPTheme::FillDockBar(CDC* dc, CWnd* dockBar)
{
    auto* dock = dynamic_cast<CJQWDockBar*>(dockBar);
    if (IsNativeThemed() && dock && dock->GetPosition() == 0) {
        FillRebarBackground(dc, dockBar, nullptr);
        return;
    }
    CJQWDefaultTheme::FillDockBar(dc, dockBar);
}

void CJQWNativeXPTheme::FillCommandBar(CDC* dc, CJQWCommandBar* bar)
{
    const int position = bar ? bar->GetPosition() : 0;
    const bool dialogBar = bar && bar->IsKindOf(RUNTIME_CLASS(CJQWDialogBar));
    if (!IsNativeThemed() || !bar || position > 5 || (position == 4 && dialogBar)) {
        CJQWDefaultTheme::FillCommandBar(dc, bar);
        return;
    }
    const HDC hdc = dc->GetSafeHdc();
    const CRect r = ClientRect(dc, bar);
    if (position == 5) {
        dc->FillSolidRect(&r, GetColor(kMenu));
        if (m_bFlatMenus) {
            Draw3dRectByIndex(hdc, r, kShadow, kShadow);
        } else {
            Draw3dRectByIndex(hdc, r, kFace, kDarkShadow);
            CRect inner = r;
            inner.DeflateRect(1, 1);
            Draw3dRectByIndex(hdc, inner, kLight, kShadow);
        }
        return;
    }
    if (position <= 3) {
        CWnd* parent = bar->GetSafeHwnd() ? bar->GetParent() : nullptr;
        if (position == 0 && bar->GetSafeHwnd())
            FillRebarBackground(dc, bar, parent);
        else
            dc->FillSolidRect(&r, GetColor(kFace));
        DrawPart(Parts::Rebar, hdc, 3, 0, r);
        // The default look has no flat bars, so the band always gets its edges.
        DrawHorizontalLine(hdc, r.left, r.top, r.right - 1, m_clrEdgeHighLight);
        DrawVerticalLine(hdc, r.left, r.top, r.bottom - 1, m_clrEdgeHighLight);
        DrawVerticalLine(hdc, r.right - 1, r.top, r.bottom, m_clrEdgeShadow);
        DrawHorizontalLine(hdc, r.left, r.bottom - 1, r.right, m_clrEdgeShadow);
        return;
    }
    if (IsPopupType(bar)) {
        dc->FillSolidRect(&r, GetColor(kMenu));
    } else {
        dc->FillSolidRect(&r, GetColor(kFace));
        DrawPart(Parts::Toolbar, hdc, 0, 0, r);
    }
    DrawPart(Parts::Window, hdc, 10, 1, CRect(r.left, r.top, r.left + 3, r.bottom));
    DrawPart(Parts::Window, hdc, 11, 1, CRect(r.right - 3, r.top, r.right, r.bottom));
    DrawPart(Parts::Window, hdc, 12, 1, CRect(r.left, r.bottom - 3, r.right, r.bottom));
}

namespace {
// A popup control on the menu bar, highlighted in the selection colour when menus are flat.
bool IsFlatMenuBarItem(CJQWControl* control, bool flatMenus)
{
    const CJQWCommandBar* bar = control->GetParent();
    return flatMenus && control->GetType() == JQW_CONTROL_POPUP && bar && bar->GetType() == 0 && bar->GetPosition() != 5;
}

bool IsHighlighted(CJQWControl* control)
{
    return control->GetSelected() || control->GetPressed() || control->IsPopupOpen();
}
} // namespace

void CJQWNativeXPTheme::DrawControlEntry(CDC* dc, CJQWControl* control)
{
    if (IsNativeThemed() && IsFlatMenuBarItem(control, m_bFlatMenus)) {
        if (IsHighlighted(control)) {
            const CRect r = control->GetRect();
            dc->FillSolidRect(&r, GetColor(kHighlight));
        }
        return;
    }
    CJQWDefaultTheme::DrawControlEntry(dc, control);
}

COLORREF CJQWNativeXPTheme::GetControlTextColor(CJQWControl* control)
{
    if (IsNativeThemed() && IsFlatMenuBarItem(control, m_bFlatMenus) && IsHighlighted(control))
        return GetColor(kHighlightText);
    return CJQWDefaultTheme::GetControlTextColor(control);
}

int CJQWNativeXPTheme::GetButtonState(bool enabled, int checked, bool selected, int pressed, bool popupOpen)
{
    if (enabled && checked == 2)
        checked = 0;
    if (!enabled)
        return checked ? 3 : 4;
    if (popupOpen)
        return 3;
    if (checked && !pressed)
        return selected ? 6 : 5;
    if ((selected && pressed) || pressed == 2 || pressed == 3)
        return 3;
    return selected ? 2 : 1;
}

void CJQWNativeXPTheme::GetSplitButtonStates(int enabledValue, bool selected, int pressed, bool checked, bool popupOpen,
    int& commandState, int& dropDownState)
{
    const bool enabled = enabledValue != 0;
    commandState = !enabled ? 4 : pressed && selected ? 3 : checked ? 5 : selected || popupOpen ? 2 : 1;
    dropDownState = enabledValue == 3 ? 4 : popupOpen ? 3 : commandState;
}

void CJQWNativeXPTheme::GetSpinStates(bool enabled, int selected, int pressed, int& upperState, int& lowerState)
{
    upperState = !enabled ? 4 : selected && pressed == 3 ? 3 : selected == 3 ? 2 : 1;
    lowerState = !enabled ? 4 : selected && pressed == 4 ? 3 : selected == 4 ? 2 : 1;
}

void CJQWNativeXPTheme::DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const
{
    if (!IsNativeThemed()) {
        CJQWDefaultTheme::DrawRectangle(dc, rect, state);
        return;
    }
    if (state.barType == 2 && !state.checked) {
        if (state.selected || state.pressed) {
            HBRUSH brush = CreateSolidBrush(GetColor(kMenuHighlight));
            FillRect(dc, &rect, brush);
            DeleteObject(brush);
            Draw3dRectByIndex(dc, rect, kHighlight, kHighlight);
        }
        return;
    }
    DrawPart(Parts::Toolbar, dc, 1,
        GetButtonState(state.enabled, state.checked ? 1 : 0, state.selected, state.pressed, state.popupOpen), rect);
}

void CJQWNativeXPTheme::DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect)
{
    if (!IsNativeThemed()) {
        CJQWDefaultTheme::DrawSplitButtonFrame(dc, control, rect);
        return;
    }
    int command = 1, dropDown = 1;
    GetSplitButtonStates(control->GetEnabled() ? control->GetEnabledValue() : 0, control->GetSelected() != 0,
        control->GetPressed(), control->GetChecked() != 0, control->IsPopupOpen() != FALSE, command, dropDown);
    const HDC hdc = dc->GetSafeHdc();
    DrawPart(Parts::Toolbar, hdc, 3, command, CRect(rect.left, rect.top, rect.right - 12, rect.bottom));
    DrawPart(Parts::Toolbar, hdc, 4, dropDown, CRect(rect.right - 12, rect.top, rect.right, rect.bottom));
}

CSize CJQWNativeXPTheme::DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw)
{
    const int position = bar ? bar->GetPosition() : 0;
    if (!IsNativeThemed() || !draw || !dc || !control || IsPopupType(bar) || position == 5)
        return CJQWDefaultTheme::DrawCommandBarSeparator(dc, bar, control, draw);
    const HDC hdc = dc->GetSafeHdc();
    const CRect row = control->GetRowRect();
    const CRect c = control->GetRect();
    const bool brk = control->GetWrap() != FALSE;
    if (position == 2 || position == 3) {
        if (brk)
            DrawPart(Parts::Toolbar, hdc, 5, 0, CRect(row.right, row.top + 4, row.right + 5, row.bottom));
        else
            DrawPart(Parts::Toolbar, hdc, 6, 0, CRect(row.left, c.top - 6, row.right, c.top));
    } else if (brk) {
        DrawPart(Parts::Toolbar, hdc, 6, 0, CRect(row.left + 4, row.top - 5, row.right, row.top));
    } else {
        DrawPart(Parts::Toolbar, hdc, 5, 0, CRect(c.left - 6, row.top, c.left, row.bottom));
    }
    return CSize(0, 0);
}

CSize CJQWNativeXPTheme::DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    if (!IsNativeThemed())
        return CJQWDefaultTheme::DrawCommandBarGripper(dc, bar, draw);
    if (bar && bar->IsKindOf(RUNTIME_CLASS(CJQWDialogBar)))
        return DrawDialogBarGripper(dc, bar, draw);
    const int position = bar ? bar->GetPosition() : 7;
    const bool drawing = draw && dc && bar;
    if (position == 0 || position == 1) {
        if (drawing) {
            const CRect r = ClientRect(dc, bar);
            DrawPart(Parts::Rebar, dc->GetSafeHdc(), 1, 1, CRect(r.left + 2, r.top, r.left + 8, r.bottom));
        }
        return CSize(8, 0);
    }
    if (position == 2 || position == 3) {
        if (drawing) {
            const CRect r = ClientRect(dc, bar);
            DrawPart(Parts::Rebar, dc->GetSafeHdc(), 2, 1, CRect(r.left, r.top + 2, r.right, r.top + 8));
        }
        return CSize(0, 8);
    }
    if (position != 4 || !bar)
        return CSize(0, 0);
    CRect client;
    if (bar->GetSafeHwnd())
        bar->GetClientRect(&client);
    int h = 15;
    if (dc) {
        CFont* old = dc->SelectObject(GetSmallCaptionFont());
        h = std::max<int>(dc->GetTextExtent(CString(u" ")).cy, 15);
        if (draw) {
            const CRect caption(0, 0, client.Width(), h + 3);
            DrawPart(Parts::Window, dc->GetSafeHdc(), 2, 1, caption);
            dc->SetTextColor(m_clrCaptionText);
            dc->SetBkMode(TRANSPARENT);
            CRect text(5, 3, client.Width() - 2 * (h + 3) + 3, h + 3);
            dc->DrawText(bar->GetTitle(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
        dc->SelectObject(old);
    }
    return CSize(client.Width(), h);
}

CSize CJQWNativeXPTheme::DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw)
{
    if (!IsNativeThemed())
        return CJQWDefaultTheme::DrawDialogBarGripper(dc, bar, draw);
    const int g = m_baseTextHeight >= 18 ? m_baseTextHeight + 4 : 22;
    if (draw && dc)
        DrawPart(Parts::Rebar, dc->GetSafeHdc(), 1, 1, CRect(2, 3, 8, g));
    return CSize(8, g);
}

CRect CJQWNativeXPTheme::AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const
{
    if (!IsNativeThemed())
        return CJQWDefaultTheme::AdjustExcludeRect(rect, controlType, onPopupBar, vertical);
    if (controlType != JQW_CONTROL_COMBO && onPopupBar) {
        rect.DeflateRect(3, 0);
        rect.InflateRect(0, 3);
    }
    return rect;
}

CSize CJQWNativeXPTheme::DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw,
    CSize size, BOOL hiddenControls)
{
    // The floating bar's hide and expand buttons sit on the small caption without a face of their own.
    if ((kind == 2 || kind == 3) && Themed(Parts::Toolbar))
        return CJQWPaintManager::DrawSpecialControl(dc, kind, control, bar, draw, size, hiddenControls);
    return CJQWDefaultTheme::DrawSpecialControl(dc, kind, control, bar, draw, size, hiddenControls);
}

void CJQWNativeXPTheme::DrawEditFrame(CDC* dc, CRect rect, BOOL enabled, int selected)
{
    if (!Themed(Parts::ComboBox)) {
        CJQWDefaultTheme::DrawEditFrame(dc, rect, enabled, selected);
        return;
    }
    COLORREF color = 0;
    if (FAILED(m_parts->GetColor(Parts::ComboBox, 1, enabled ? 1 : 4, kBorderColor, &color)))
        color = GetColor(kShadow);
    const HDC hdc = dc->GetSafeHdc();
    DrawHorizontalLine(hdc, rect.left, rect.top, rect.right - 1, color);
    DrawVerticalLine(hdc, rect.left, rect.top, rect.bottom - 1, color);
    DrawVerticalLine(hdc, rect.right - 1, rect.top, rect.bottom, color);
    DrawHorizontalLine(hdc, rect.left, rect.bottom - 1, rect.right, color);
}

void CJQWNativeXPTheme::DrawComboDropButton(CDC* dc, CRect rect, BOOL enabled, BOOL selected, BOOL droppedDown)
{
    if (!Themed(Parts::ComboBox)) {
        CJQWDefaultTheme::DrawComboDropButton(dc, rect, enabled, selected, droppedDown);
        return;
    }
    const int state = !enabled ? 4 : droppedDown ? 3 : selected ? 2 : 1;
    DrawPart(Parts::ComboBox, dc->GetSafeHdc(), 1, state, CRect(rect.left - 2, rect.top + 1, rect.right - 1, rect.bottom - 1));
}

void CJQWNativeXPTheme::DrawEditSpinButtons(CDC* dc, CRect spin, BOOL enabled, BOOL selected, int pressed)
{
    if (!Themed(Parts::Spin)) {
        CJQWDefaultTheme::DrawEditSpinButtons(dc, spin, enabled, selected, pressed);
        return;
    }
    int upper = 1, lower = 1;
    GetSpinStates(enabled != FALSE, selected, pressed, upper, lower);
    const int m = (spin.top + spin.bottom) / 2;
    DrawPart(Parts::Spin, dc->GetSafeHdc(), 1, upper, CRect(spin.left, spin.top, spin.right, m));
    DrawPart(Parts::Spin, dc->GetSafeHdc(), 2, lower, CRect(spin.left, m, spin.right, spin.bottom));
}

} // namespace JQWPaintThemes
