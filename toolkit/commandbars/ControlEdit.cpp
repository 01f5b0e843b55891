#include "toolkit/commandbars/ControlEdit.h"

#include "platform/base/Clock.h"
#include "platform/controls/RichEdit.h"
#include "platform/framework/DC.h"
#include "platform/user/ControlMessages.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/controls/persist/PropExchange.h"

#include <algorithm>
#include <climits>

IMPLEMENT_DYNCREATE(CJQWControlEdit, CJQWControl)

namespace {

// A decimal integer at the start of `text` (blanks and a sign allowed), 0 when there is none;
// saturated far beyond the 32-bit range so that the caller's clamp decides.
long long ParseInteger(const CString& text)
{
    const WCHAR* p = text.GetString();
    while (*p == u' ' || *p == u'\t')
        ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+')
        negative = *p++ == u'-';
    long long value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p)
        value = std::min(value * 10 + (*p - u'0'), 100LL * INT_MAX);
    return negative ? -value : value;
}

} // namespace

BOOL JQWIsFieldCaptionVisible(const CJQWControl* control, BOOL labelAsked)
{
    const CJQWCommandBar* bar = control->GetParent();
    if (bar && (bar->IsPopupBar() || bar->GetType() == jqwBarTypePopup))
        return TRUE;
    if (control->GetCaption().IsEmpty())
        return FALSE;
    switch (control->GetStyle()) {
    case JQW_STYLE_CAPTION:
    case JQW_STYLE_ICON_AND_CAPTION:
    case JQW_STYLE_LARGE:
        return TRUE;
    default:
        return labelAsked;
    }
}

// ---- The edit window ---------------------------------------------------------------------------

LRESULT CJQWControlEditCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CJQWControlEdit* control = m_pControl;
    CJQWCommandBar* bar = control ? control->GetParent() : nullptr;
    const BOOL customize = bar && bar->IsCustomizeMode();
    switch (message) {
    case WM_SETFOCUS: {
        if (customize)
            return 0;
        control->OnSetFocus(HWND(wParam));
        const LRESULT result = CJQWEdit::WindowProc(message, wParam, lParam);
        SendMessage(EM_SETSEL, WPARAM(-1), 0);
        SendMessage(EM_SCROLLCARET, 0, 0);
        PostMessage(EM_SETSEL, 0, -1);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = CJQWEdit::WindowProc(message, wParam, lParam);
        if (control)
            control->OnKillFocus();
        return result;
    }
    case WM_MOUSEMOVE: {
        const LRESULT result = CJQWEdit::WindowProc(message, wParam, lParam);
        if (bar && bar->GetSafeHwnd()) {
            POINT point { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
            ::MapWindowPoints(m_hWnd, bar->GetSafeHwnd(), &point, 1);
            bar->SendMessage(WM_MOUSEMOVE, wParam, MAKELPARAM(point.x, point.y));
        }
        return result;
    }
    case WM_RBUTTONDOWN:
        if (customize && bar) {
            POINT point { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
            ::MapWindowPoints(m_hWnd, bar->GetSafeHwnd(), &point, 1);
            bar->SendMessage(message, wParam, MAKELPARAM(point.x, point.y));
            return 0;
        }
        control->SetFocused(TRUE);
        if (!ShowContextMenu(control, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))))
            return CJQWEdit::WindowProc(message, wParam, lParam);
        return 0;
    case WM_CONTEXTMENU:
        return 0;
    case WM_DESTROY:
        if (control)
            control->OnWindowDestroyed();
        break;
    case JQWM_TOOLTIP_PASS_TO_PARENT:
        return 1;
    default:
        break;
    }
    return CJQWEdit::WindowProc(message, wParam, lParam);
}

BOOL CJQWControlEditCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && m_pControl) {
        m_pControl->OnWindowTextChanged();
        return TRUE;
    }
    return CJQWEdit::OnChildNotify(message, wParam, lParam, result);
}

// ---- The control -------------------------------------------------------------------------------

CJQWControlEdit::CJQWControlEdit()
{
    m_controlType = JQW_CONTROL_EDIT;
    m_nWidth = 100;
}

CJQWControlEdit::~CJQWControlEdit()
{
    DestroyEditWindow();
    if (m_bLocked) {
        GetMouseManager()->UnlockMouseMove();
        m_bLocked = FALSE;
    }
}

void CJQWControlEdit::DestroyEditWindow()
{
    if (!m_pEdit)
        return;
    CJQWControlEditCtrl* edit = m_pEdit;
    if (edit->GetSafeHwnd())
        edit->DestroyWindow();
    edit->m_pControl = nullptr;
    m_pEdit = nullptr;
    delete edit;
}

void CJQWControlEdit::OnWindowDestroyed()
{
    if (m_pEdit && m_pEdit->GetSafeHwnd()) {
        m_strEditText = m_pEdit->GetText();
        m_bTextChanged = FALSE;
    }
    // A focused box whose window goes away gives its lock back: hover popups must not stay dead.
    if (m_bFocused) {
        m_bFocused = FALSE;
        if (m_bLocked) {
            GetMouseManager()->UnlockMouseMove();
            m_bLocked = FALSE;
        }
        NotifySite(JQW_CN_KILLFOCUS);
    }
}

BOOL CJQWControlEdit::HasEditWindow() const
{
    return m_pEdit && m_pEdit->GetSafeHwnd();
}

BOOL CJQWControlEdit::IsCaptionVisible() const
{
    return JQWIsFieldCaptionVisible(this, m_bLabel);
}

BOOL CJQWControlEdit::Compare(const CJQWControl* other) const
{
    return CJQWControl::Compare(other) && dynamic_cast<const CJQWControlEdit*>(other) != nullptr;
}

void CJQWControlEdit::Copy(const CJQWControl* other, BOOL deep)
{
    if (const auto* edit = dynamic_cast<const CJQWControlEdit*>(other)) {
        m_dwEditStyle = edit->m_dwEditStyle;
        ShowEditText(edit->GetEditTextNoHint());
        m_bLabel = edit->m_bLabel;
        SetReadOnly(edit->m_bReadOnly);
        SetEditHint(edit->m_strEditHint);
        EnableShellAutoComplete(edit->m_dwShellAutoCompleteFlags);
        m_bSpinButtons = edit->m_bSpinButtons;
    }
    CJQWControl::Copy(other, deep);
}

void CJQWControlEdit::UpdateWindowVisibility()
{
    if (!HasEditWindow())
        return;
    const BOOL show = m_pParent && m_pParent->GetSafeHwnd() && IsVisible();
    m_pEdit->SetWindowPos(nullptr, 0, 0, 0, 0,
        (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CJQWControlEdit::SetEnabled(int enabled)
{
    CJQWControl::SetEnabled(enabled);
    if (HasEditWindow()) {
        m_pEdit->EnableWindow(GetEnabled());
        ApplyCharFormat();
    }
}

void CJQWControlEdit::SetHideFlags(DWORD flags)
{
    CJQWControl::SetHideFlags(flags);
    UpdateWindowVisibility();
}

void CJQWControlEdit::OnRemoved()
{
    if (m_bFocused)
        SetFocused(FALSE);
    CJQWControl::OnRemoved();
    UpdateWindowVisibility();
}

void CJQWControlEdit::SetParentBar(CJQWCommandBar* bar)
{
    if (!bar) {
        if (m_bFocused)
            SetFocused(FALSE);
        DestroyEditWindow();
    }
    CJQWControl::SetParentBar(bar);
}

void CJQWControlEdit::OnActionChanged(int what)
{
    if (what == 0 && HasEditWindow()) {
        m_pEdit->EnableWindow(GetEnabled());
        ApplyCharFormat();
    } else if (what == 2) {
        UpdateWindowVisibility();
    } else if (what == 4 && GetEditText().IsEmpty()) {
        ShowEditText(CString());
    }
}

void CJQWControlEdit::OnActionChanging(int what)
{
    if (what == 4 && !GetEditHint().IsEmpty() && GetEditText() == GetEditHint())
        SetEditText(CString());
}

void CJQWControlEdit::PrepareLayout(int mode)
{
    if (mode & 0x10)
        m_dwHideFlags |= jqwHideDockingVertical;
    else
        m_dwHideFlags &= ~DWORD(jqwHideDockingVertical);
}

void CJQWControlEdit::Activate()
{
    if (CJQWCommandBars* bars = m_pParent ? m_pParent->GetCommandBars() : nullptr)
        bars->HideKeyboardTips();
    SetFocused(TRUE);
}

CString CJQWControlEdit::GetEditText() const
{
    if (m_bTextChanged && HasEditWindow()) {
        m_strEditText = m_pEdit->GetText();
        m_bTextChanged = FALSE;
    }
    return m_strEditText;
}

void CJQWControlEdit::SetEditText(const CString& text)
{
    if (HasEditWindow() && m_pEdit->GetText() != text) {
        m_pEdit->SetSettingText(TRUE);
        m_pEdit->SetWindowText(text);
        m_pEdit->SetSettingText(FALSE);
    }
    m_strEditText = text;
    m_bTextChanged = FALSE;
}

CString CJQWControlEdit::GetEditTextNoHint() const
{
    const CString text = GetEditText();
    return !text.IsEmpty() && text == GetEditHint() ? CString() : text;
}

void CJQWControlEdit::ShowEditText(const CString& text)
{
    SetEditText(text.IsEmpty() ? GetEditHint() : text);
    ApplyCharFormat();
}

CString CJQWControlEdit::GetEditHint() const
{
    if (!m_strEditHint.IsEmpty() || !m_pAction)
        return m_strEditHint;
    return m_pAction->GetEditHint();
}

void CJQWControlEdit::SetEditHint(const CString& hint)
{
    const BOOL showingHint = !GetEditHint().IsEmpty() && GetEditText() == GetEditHint();
    if (showingHint)
        SetEditText(CString());
    m_strEditHint = hint;
    if (!m_bFocused && GetEditText().IsEmpty())
        ShowEditText(CString());
}

void CJQWControlEdit::SetReadOnly(BOOL readOnly)
{
    m_bReadOnly = readOnly;
    if (HasEditWindow())
        m_pEdit->SendMessage(EM_SETREADONLY, readOnly, 0);
}

void CJQWControlEdit::GetCharFormat(CHARFORMAT2W& format) const
{
    format = CHARFORMAT2W {};
    format.cbSize = sizeof(CHARFORMAT2W);
    format.dwMask = CFM_COLOR | 0x04000000; // colour and background colour
    const CString hint = GetEditHint();
    const BOOL showingHint = !m_bFocused && !hint.IsEmpty() && m_strEditText == hint;
    format.crTextColor = ::GetSysColor(GetEnabled() && !showingHint ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    CJQWPaintManager* manager = GetPaintManager();
    format.crBackColor = manager ? manager->GetControlEditBackColor(GetEnabled()) : ::GetSysColor(COLOR_WINDOW);
}

void CJQWControlEdit::ApplyCharFormat()
{
    if (!HasEditWindow())
        return;
    CHARFORMAT2W format;
    GetCharFormat(format);
    if (!m_pEdit->IsRichEdit())
        format.cbSize = sizeof(CHARFORMATW);
    m_pEdit->SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&format));
    m_pEdit->SendMessage(EM_SETBKGNDCOLOR, 0, LPARAM(format.crBackColor));
}

void CJQWControlEdit::OnWindowTextChanged()
{
    m_bTextChanged = TRUE;
    if (::GetFocus() == m_pEdit->GetSafeHwnd() && !m_pEdit->IsSettingText())
        OnEditChanged();
    m_pEdit->SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ApplyCharFormat();
}

void CJQWControlEdit::SetFocused(BOOL focused)
{
    if (focused == m_bFocused)
        return;
    m_bFocused = focused;
    CJQWCommandBar* bar = m_pParent;
    if (focused) {
        if (HasEditWindow() && ::GetFocus() != m_pEdit->GetSafeHwnd())
            m_pEdit->SetFocus();
        if (bar) {
            if (!bar->IsTrackingMode())
                bar->SetTrackingMode(1, FALSE, FALSE);
            bar->SetSelected(m_nIndex);
        }
        if (!m_bLocked) {
            GetMouseManager()->LockMouseMove();
            m_bLocked = TRUE;
        }
        NotifySite(JQW_CN_SETFOCUS);
    } else {
        if (HasEditWindow() && ::GetFocus() == m_pEdit->GetSafeHwnd() && bar) {
            HWND back = bar->GetFocusReturnWindow();
            bar->SetFocusReturnWindow(nullptr);
            ::SetFocus(back && ::IsWindow(back) ? back : nullptr);
        }
        if (m_bLocked) {
            GetMouseManager()->UnlockMouseMove();
            m_bLocked = FALSE;
        }
        NotifySite(JQW_CN_KILLFOCUS);
    }
    RedrawParent(FALSE);
}

void CJQWControlEdit::OnSetFocus(HWND previous)
{
    if (!GetEditHint().IsEmpty() && GetEditText() == GetEditHint())
        SetEditText(CString());
    m_strTextAtFocus = GetEditText();
    if (m_pParent) {
        if (!m_pParent->GetFocusReturnWindow()) {
            CWnd* site = m_pParent->GetSite();
            m_pParent->SetFocusReturnWindow(previous ? previous : site ? site->GetSafeHwnd() : nullptr);
        }
        m_pParent->OpenControlPopup(-1);
    }
    SetFocused(TRUE);
    ApplyCharFormat();
}

void CJQWControlEdit::OnKillFocus()
{
    if (GetEditText().IsEmpty())
        ShowEditText(CString());
    SetFocused(FALSE);
    ApplyCharFormat();
}

BOOL CJQWControlEdit::SetSelected(int selected)
{
    const BOOL changed = CJQWControl::SetSelected(selected);
    if (!selected && m_bFocused)
        SetFocused(FALSE);
    ApplyCharFormat();
    return changed;
}

void CJQWControlEdit::OnHoverDelay()
{
    if (GetMouseManager()->IsMouseLocked())
        return;
    CJQWControl::OnHoverDelay();
}

CRect CJQWControlEdit::GetSpinButtonsRect() const
{
    if (!m_bSpinButtons)
        return CRect();
    return CRect(m_rcControl.right - 18, m_rcControl.top + 1, m_rcControl.right - 1, m_rcControl.bottom - 1);
}

int CJQWControlEdit::CurrentSpinPart(CPoint point) const
{
    const CRect spin = GetSpinButtonsRect();
    if (spin.IsRectEmpty() || !spin.PtInRect(point))
        return 0;
    return point.y < (spin.top + spin.bottom) / 2 ? 3 : 4;
}

void CJQWControlEdit::OnMouseMove(CPoint point)
{
    if (!m_nSelected || !GetEnabled() || !m_bSpinButtons)
        return;
    const int part = CurrentSpinPart(point);
    const int selected = part ? part : 1;
    if (selected != m_nSelected) {
        m_nSelected = selected;
        RedrawParent(FALSE);
    }
}

void CJQWControlEdit::OnClick(BOOL keyboard, CPoint point)
{
    CJQWCommandBar* bar = m_pParent;
    if (bar && bar->IsCustomizeMode()) {
        bar->OpenControlPopup(-1);
        bar->SetSelected(-1);
        OnCustomizeMouseDown(point);
        return;
    }
    if (keyboard) {
        if (m_bFocused)
            Execute();
        else
            SetFocused(TRUE);
        return;
    }
    if (const int part = CurrentSpinPart(point)) {
        SpinLoop(part == 3 ? 1 : -1);
        return;
    }
    SetFocused(TRUE);
}

void CJQWControlEdit::SpinLoop(int direction)
{
    CJQWCommandBar* bar = m_pParent;
    if (!bar || !bar->GetSafeHwnd())
        return;
    const int part = direction > 0 ? 3 : 4;
    bar->SetSelected(-1);
    bar->SetSelected(m_nIndex);
    m_nPressed = part;
    m_nSelected = part;
    RedrawParent(FALSE);
    OnSpin(1, direction);

    InternalAddRef();
    const HWND window = bar->GetSafeHwnd();
    ::SetCapture(window);
    ::SetTimer(window, JQW_TIMER_SPIN, 530, nullptr);
    DWORD start = ::GetTickCount();
    BOOL firstTick = TRUE;
    const CRect spin = GetSpinButtonsRect();
    const int middle = (spin.top + spin.bottom) / 2;
    const CRect half = direction > 0 ? CRect(spin.left, spin.top, spin.right, middle) : CRect(spin.left, middle, spin.right, spin.bottom);
    MSG msg;
    while (::GetCapture() == window && ::GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_LBUTTONUP)
            break;
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == window) {
            const BOOL inside = half.PtInRect(CPoint(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)));
            const int selected = inside ? part : 0;
            if (selected != m_nSelected) {
                m_nSelected = selected;
                start = ::GetTickCount();
                RedrawParent(FALSE);
            }
            continue;
        }
        if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == JQW_TIMER_SPIN) {
            if (m_nSelected) {
                const DWORD elapsed = (::GetTickCount() - start) / 1024;
                OnSpin(elapsed >= 5 ? 20 : elapsed >= 2 ? 5 : 1, direction);
            }
            if (firstTick) {
                ::SetTimer(window, JQW_TIMER_SPIN, 100, nullptr);
                firstTick = FALSE;
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(window, JQW_TIMER_SPIN);
    m_nPressed = 0;
    if (::GetCapture() == window)
        ::ReleaseCapture();
    RedrawParent(FALSE);
    if (m_pParent && !m_pParent->IsPopupBar() && !m_bFocused)
        m_pParent->SetTrackingMode(0);
    InternalRelease();
}

void CJQWControlEdit::OnSpin(int step, int direction)
{
    if (step <= 0 || direction == 0)
        return;
    JQW_SPIN_NOTIFY_RECORD record;
    record.delta = step * direction;
    if (NotifySiteEx(direction > 0 ? JQW_EN_SPINUP : JQW_EN_SPINDOWN, &record))
        return;
    long long value = ParseInteger(GetEditTextNoHint()) + record.delta;
    // Further by one unit in the direction until a multiple of the step (at most step - 1 units).
    for (int guard = 0; value % step != 0 && guard < step; ++guard)
        value += direction > 0 ? 1 : -1;
    // A number at the edge of the 32-bit range stays there instead of wrapping round.
    value = std::clamp(value, (long long)INT_MIN, (long long)INT_MAX);
    CString text;
    text.Format(u"%i", int(value));
    SetEditText(text);
    ApplyCharFormat();
    NotifySite(JQW_CN_EXECUTE);
}

int CJQWControlEdit::OnHookKeyDown(UINT key, LPARAM data)
{
    if (!m_bFocused || !HasEditWindow())
        return 0;
    if (m_pEdit->IsComposing())
        return 2;
    switch (key) {
    case VK_TAB:
    case VK_RETURN:
        return 0;
    case VK_ESCAPE: {
        const BOOL popup = m_pParent && m_pParent->IsPopupBar();
        SetEditText(m_strTextAtFocus);
        SetFocused(FALSE);
        return popup ? 1 : 0;
    }
    default:
        break;
    }
    const bool alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (alt && !control) {
        CJQWCommandBars* bars = m_pParent ? m_pParent->GetCommandBars() : nullptr;
        if (bars && bars->ProcessMnemonic(key))
            return 1;
    }
    if ((key == VK_UP || key == VK_DOWN) && m_bSpinButtons) {
        OnSpin(1, key == VK_UP ? 1 : -1);
        if (m_bFocused && HasEditWindow())
            m_pEdit->SendMessage(EM_SETSEL, 0, -1);
        return 1;
    }
    return m_pEdit->HandleKey(key, data) ? 1 : 2;
}

CSize CJQWControlEdit::GetSize(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return CSize(0, 0);
    const JQW_PAINT_BAR bar = m_pParent ? m_pParent->GetPaintBar() : JQW_PAINT_BAR();
    const CJQWPaintManager::FieldLayout layout = manager->MeasureEditOrCombo(dc, bar, GetPaintControl());
    m_nLabelWidth = layout.labelWidth;
    return layout.size;
}

void CJQWControlEdit::Draw(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return;
    CJQWPaintManager::JQW_FIELD_PAINT field;
    field.rect = m_rcControl;
    field.labelWidth = m_nLabelWidth;
    field.label = IsCaptionVisible() ? GetCaption() : CString();
    field.label.Remove(u'&');
    if (!HasEditWindow() || !m_pEdit->IsWindowVisible()) {
        field.text = GetEditText();
        field.textIsHint = !field.text.IsEmpty() && field.text == GetEditHint();
    }
    field.enabled = GetEnabled();
    field.selected = m_nSelected != 0;
    field.focused = m_bFocused;
    field.spinButtons = m_bSpinButtons;
    field.spinPart = m_nSelected == 3 || m_nSelected == 4 ? m_nSelected : 0;
    field.spinPressed = m_nPressed != 0;
    // A theme draws the field its own way; the paint manager's plain look is the fallback.
    JQW_PAINT_FIELD themed = manager->MakeThemedField(field);
    themed.spin = m_bSpinButtons != FALSE;
    themed.spinRect = GetSpinButtonsRect();
    manager->DrawControlEdit(dc, this, themed, TRUE);
}

void CJQWControlEdit::SetRect(CRect rect)
{
    CJQWCommandBar* bar = m_pParent;
    if (!m_pEdit)
        m_pEdit = CreateEditWindow();
    if (m_pEdit->GetSafeHwnd()
        && (m_bRecreate || (::GetWindowLongW(m_pEdit->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL)
            || !bar || ::GetParent(m_pEdit->GetSafeHwnd()) != bar->GetSafeHwnd())) {
        m_pEdit->DestroyWindow();
        m_bRecreate = FALSE;
    }
    const BOOL missing = !m_pEdit->GetSafeHwnd();
    if (rect != m_rcControl || missing || m_bRefresh) {
        m_rcControl = rect;
        if (missing && bar && bar->GetSafeHwnd()) {
            m_pEdit->CreateEdit(m_dwEditStyle | WS_CHILD | ES_AUTOHSCROLL, bar);
            if (!GetEnabled())
                m_pEdit->EnableWindow(FALSE);
        }
        if (HasEditWindow()) {
            if (CJQWPaintManager* manager = GetPaintManager())
                m_pEdit->SetFont(manager->GetRegularFont(), FALSE);
            m_pEdit->SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
            if (!m_bFocused)
                ShowEditText(GetEditTextNoHint());
            ApplyCharFormat();
            m_pEdit->SendMessage(EM_SETREADONLY, m_bReadOnly, 0);
            const CRect window(rect.left + m_nLabelWidth + 4, rect.top + 3, rect.right - (m_bSpinButtons ? 20 : 3),
                rect.bottom - 3);
            m_pEdit->MoveWindow(&window, FALSE);
            UpdateWindowVisibility();
        }
    }
    m_bRefresh = FALSE;
}

void CJQWControlEdit::DoPropExchange(CJQWPropExchange* exchange)
{
    CJQWControl::DoPropExchange(exchange);
    ExchangeBool(exchange, u"HasLabel", m_bLabel, FALSE);
    ExchangeBool(exchange, u"ReadOnly", m_bReadOnly, FALSE);
    ExchangeString(exchange, u"EditHint", m_strEditHint, u"");
    LONG flags = LONG(m_dwShellAutoCompleteFlags);
    ExchangeLong(exchange, u"ShellAutoCompleteFlags", flags, 0);
    LONG style = LONG(m_dwEditStyle);
    ExchangeLong(exchange, u"EditStyle", style, 0);
    ExchangeBool(exchange, u"ShowSpinButtons", m_bSpinButtons, FALSE);
    if (exchange->IsLoading()) {
        m_dwShellAutoCompleteFlags = DWORD(flags);
        m_dwEditStyle = DWORD(style);
    }
}
