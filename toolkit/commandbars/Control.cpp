#include "toolkit/commandbars/Control.h"

#include "platform/framework/DC.h"
#include "platform/framework/Wnd.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CJQWControl, CCmdTarget)

CJQWControl::CJQWControl() = default;

CJQWControl::~CJQWControl()
{
    if (m_pAction)
        m_pAction->RemoveControl(this);
    m_pAction = nullptr;
}

CString CJQWControl::GetCaption() const
{
    if (!m_strCustomCaption.IsEmpty())
        return m_strCustomCaption;
    if (!m_strCaption.IsEmpty())
        return m_strCaption;
    return m_pAction ? m_pAction->GetCaption() : CString();
}

CString CJQWControl::GetDescription() const
{
    if (!m_strDescriptionText.IsEmpty() || !m_pAction)
        return m_strDescriptionText;
    return m_pAction->GetDescription();
}

CString CJQWControl::GetTooltipText() const
{
    if (!m_strTooltipText.IsEmpty() || !m_pAction)
        return m_strTooltipText;
    return m_pAction->GetTooltip();
}

void CJQWControl::SetBeginGroup(BOOL beginGroup)
{
    if (m_bBeginGroup != beginGroup) {
        m_bBeginGroup = beginGroup;
        DelayLayout();
    }
}

void CJQWControl::SetEnabled(int enabled)
{
    if (m_nEnabled != enabled) {
        m_nEnabled = enabled;
        RedrawParent();
    }
}

BOOL CJQWControl::IsVisible(DWORD mask) const
{
    if (m_pAction && !m_pAction->GetVisible())
        return FALSE;
    return (m_dwHideFlags & ~mask) == 0;
}

BOOL CJQWControl::IsCaptionVisible() const
{
    if (m_pParent && m_pParent->GetType() == jqwBarTypePopup)
        return TRUE;
    if (GetCaption().IsEmpty())
        return FALSE;
    switch (GetStyle()) {
    case JQW_STYLE_CAPTION:
    case JQW_STYLE_ICON_AND_CAPTION:
    case JQW_STYLE_LARGE:
        return TRUE;
    case JQW_STYLE_ICON:
        return FALSE;
    case JQW_STYLE_AUTOMATIC:
        break;
    default:
        return TRUE;
    }
    switch (m_controlType) {
    case JQW_CONTROL_BUTTON:
    case JQW_CONTROL_BUTTON_POPUP:
    case JQW_CONTROL_SPLIT_BUTTON_POPUP:
        return GetImage(0) == nullptr;
    case JQW_CONTROL_POPUP:
    case JQW_CONTROL_LABEL:
    case JQW_CONTROL_CHECKBOX:
    case JQW_CONTROL_RADIO:
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CJQWControl::Compare(const CJQWControl* other) const
{
    if (!other)
        return FALSE;
    return GetStyle() == other->GetStyle() && m_controlType == other->m_controlType && m_nId == other->m_nId
        && m_dwFlags == other->m_dwFlags && m_bBeginGroup == other->m_bBeginGroup
        && GetDisplayIconId() == other->GetDisplayIconId() && m_strCaption == other->m_strCaption
        && m_strTooltipText == other->m_strTooltipText && m_strDescriptionText == other->m_strDescriptionText
        && m_strCustomCaption == other->m_strCustomCaption && m_strParameter == other->m_strParameter
        && m_nCustomStyle == other->m_nCustomStyle
        && (m_dwHideFlags & jqwHideCustomize) == (other->m_dwHideFlags & jqwHideCustomize)
        && m_nWidth == other->m_nWidth;
}

CSize CJQWControl::GetSize(CDC* dc)
{
    CJQWPaintManager* manager = GetPaintManager();
    if (!manager)
        return CSize(0, 0);
    if (dc)
        return manager->DrawControl(dc, this, FALSE);
    CClientDC screen(nullptr);
    CFont* old = screen.SelectObject(manager->GetRegularFont());
    const CSize size = manager->DrawControl(&screen, this, FALSE);
    screen.SelectObject(old);
    return size;
}

void CJQWControl::Draw(CDC* dc)
{
    if (CJQWPaintManager* manager = GetPaintManager())
        manager->DrawControl(dc, this, TRUE);
}

CJQWImageManagerIcon* CJQWControl::GetImage(int width) const
{
    const int id = GetDisplayIconId();
    if (id <= 0)
        return nullptr;
    CJQWImageManager* images = m_pParent ? m_pParent->GetImageManager() : nullptr;
    if (!images)
        return nullptr;
    return images->GetImage(UINT(id), width ? width : GetIconSize().cx);
}

void CJQWControl::SetAction(CJQWControlAction* action)
{
    if (m_pAction == action)
        return;
    if (m_pAction) {
        CJQWControlAction* old = m_pAction;
        m_pAction = nullptr;
        old->RemoveControl(this);
        old->InternalRelease();
    }
    if (action) {
        action->InternalAddRef();
        m_pAction = action;
        action->AddControl(this);
    }
}

void CJQWControl::SetWidth(int width)
{
    if (m_nWidth != width) {
        m_nWidth = width;
        DelayLayout();
    }
}

void CJQWControl::SetHeight(int height)
{
    if (m_nHeight != height) {
        m_nHeight = height;
        DelayLayout();
    }
}

CSize CJQWControl::GetButtonSize() const
{
    return m_pParent ? m_pParent->GetButtonSize() : CSize(22, 22);
}

CSize CJQWControl::GetIconSize() const
{
    return m_pParent ? m_pParent->GetIconSize() : CSize(16, 16);
}

void CJQWControl::Copy(const CJQWControl* other, BOOL /*deep*/)
{
    m_nId = other->m_nId;
    SetAction(other->m_pAction);
    m_nTag = other->m_nTag;
    m_dwFlags = other->m_dwFlags;
    m_controlType = other->m_controlType;
    m_strCaption = other->m_strCaption;
    m_strShortcutText = other->m_strShortcutText;
    m_strShortcutTextAuto = other->m_strShortcutTextAuto;
    m_strTooltipText = other->m_strTooltipText;
    m_strDescriptionText = other->m_strDescriptionText;
    m_strParameter = other->m_strParameter;
    m_nCustomIconId = other->m_nCustomIconId;
    m_nIconId = other->m_nIconId;
    m_nHelpId = other->m_nHelpId;
    m_bTemporary = other->m_bTemporary;
    m_strCustomCaption = other->m_strCustomCaption;
    m_strCategory = other->m_strCategory;
    m_dwHideFlags = other->m_dwHideFlags;
    m_bDefaultItem = other->m_bDefaultItem;
    m_nEnabled = other->m_nEnabled;
    m_nChecked = other->m_nChecked;
    m_nCustomStyle = other->m_nCustomStyle;
    m_buttonStyle = other->m_buttonStyle;
    m_nWidth = std::max(other->m_nWidth, GetCustomizeMinWidth());
    m_nHeight = other->m_nHeight;
    m_bBeginGroup = other->m_bBeginGroup;
    m_bCloseSubMenuOnClick = other->m_bCloseSubMenuOnClick;
    m_nExecuteOnPressInterval = other->m_nExecuteOnPressInterval;
    m_mapDocTemplatesAssigned.clear();
    for (const auto& [id, flag] : other->m_mapDocTemplatesAssigned)
        m_mapDocTemplatesAssigned[id] = flag;
    m_mapDocTemplatesExcluded.clear();
    for (const auto& [id, flag] : other->m_mapDocTemplatesExcluded)
        m_mapDocTemplatesExcluded[id] = flag;
}

BOOL CJQWControl::OnLButtonDblClk(CPoint point)
{
    OnClick(FALSE, point);
    return TRUE;
}

void CJQWControl::OnHoverDelay()
{
    CJQWCommandBar* bar = m_pParent;
    if (!bar)
        return;
    const BOOL hadPopup = bar->GetPopupIndex() != -1;
    bar->OpenControlPopup(-1);
    if (hadPopup && bar->GetTrackingMode() == 2 && bar->GetPosition() != jqwBarPopup)
        bar->SetTrackingMode(0, TRUE, FALSE);
}

BOOL CJQWControl::SetSelected(int selected)
{
    if (m_nSelected == selected)
        return FALSE;
    if ((selected == 2 || selected == 3) && m_pParent && m_pParent->GetPopupIndex() != -1
        && m_pParent->GetPopupIndex() != m_nIndex)
        m_pParent->OpenControlPopup(-1);
    m_nSelected = selected;
    if (m_pParent)
        m_pParent->OnControlSelected(selected != 0, this);
    if (GetEnabled() || selected == 0 || selected == 2 || selected == 3)
        RedrawParent(selected == 0);
    return TRUE;
}

void CJQWControl::OnRemoved()
{
    SetAction(nullptr);
}

BOOL CJQWControl::IsCustomizeMovable() const
{
    return m_pParent && m_pParent->IsCustomizable() && (m_dwFlags & jqwFlagNoMovable) == 0;
}

CJQWControl* CJQWControl::Clone(BOOL deep) const
{
    CJQWControl* control = static_cast<CJQWControl*>(GetRuntimeClass()->CreateObject());
    if (control)
        control->Copy(this, deep);
    return control;
}

int CJQWControl::GetStyle() const
{
    if (m_nCustomStyle != -1)
        return m_nCustomStyle;
    if (m_buttonStyle != 0)
        return m_buttonStyle;
    if (m_nKindStyle != 0)
        return m_nKindStyle;
    return m_pParent ? m_pParent->GetDefaultButtonStyle() : 0;
}

void CJQWControl::SetStyle(int style)
{
    if (m_buttonStyle != style) {
        m_buttonStyle = style;
        DelayLayout();
    }
}

int CJQWControl::GetDisplayIconId() const
{
    if (m_nCustomIconId != 0)
        return m_nCustomIconId;
    if (m_nIconId > 0)
        return m_nIconId;
    if (m_pAction)
        return m_pAction->GetIconId() > 0 ? m_pAction->GetIconId() : m_pAction->GetID();
    return m_nId;
}

void CJQWControl::SetVisible(BOOL show)
{
    const DWORD flags = show ? (m_dwHideFlags & ~jqwHideGeneric) : (m_dwHideFlags | jqwHideGeneric);
    if (flags != m_dwHideFlags) {
        SetHideFlags(flags);
        DelayLayout();
    }
}

void CJQWControl::SetDefaultItem(BOOL defaultItem)
{
    if (m_bDefaultItem != defaultItem) {
        m_bDefaultItem = defaultItem;
        DelayLayout();
    }
}

void CJQWControl::SetChecked(int checked)
{
    if (m_nChecked != checked) {
        m_nChecked = checked;
        RedrawParent();
    }
}

int CJQWControl::GetChecked() const
{
    if (m_nChecked == -1)
        return m_pAction ? m_pAction->GetChecked() : 0;
    return m_nChecked;
}

BOOL CJQWControl::GetEnabled() const
{
    if (m_nEnabled == -1)
        return m_pAction ? m_pAction->GetEnabled() : TRUE;
    return m_nEnabled != 0;
}

CString CJQWControl::GetShortcutText() const
{
    if (!m_strShortcutText.IsEmpty())
        return m_strShortcutText;
    if (m_pAction && !m_pAction->GetShortcutText().IsEmpty())
        return m_pAction->GetShortcutText();
    return m_strShortcutTextAuto;
}

BOOL CJQWControl::IsImageVisible() const
{
    const BOOL hasImage = GetImage(0) != nullptr;
    if (m_pParent && m_pParent->GetType() == jqwBarTypePopup)
        return hasImage;
    const int style = GetStyle();
    return (style == JQW_STYLE_ICON || style == JQW_STYLE_ICON_AND_CAPTION) && hasImage;
}

void CJQWControl::DelayLayout()
{
    if (m_pParent)
        m_pParent->DelayLayout();
}

void CJQWControl::RedrawParent(BOOL animate)
{
    if (m_pParent && IsVisible())
        m_pParent->Redraw(&m_rcControl, animate);
}

CJQWPaintManager* CJQWControl::GetPaintManager() const
{
    if (m_pParent)
        return m_pParent->GetPaintManager();
    return GetGlobalPaintManager();
}

void CJQWControl::SetCaption(const CString& text)
{
    CString caption = text;
    CString shortcut = m_strShortcutTextAuto;
    const int tab = text.Find(u'\t');
    if (tab >= 0) {
        caption = text.Left(tab);
        shortcut = text.Mid(tab + 1);
    }
    if (caption != m_strCaption || shortcut != m_strShortcutTextAuto) {
        m_strCaption = caption;
        m_strShortcutTextAuto = shortcut;
        DelayLayout();
    }
}

void CJQWControl::SetCaptionFromResource(UINT id)
{
    CString text;
    if (GetResourceManager()->LoadString(text, id))
        SetCaption(text);
}

void CJQWControl::SetPrompt(const CString& prompt)
{
    if (prompt.IsEmpty())
        return;
    const int first = prompt.Find(u'\n');
    if (first < 0) {
        m_strDescriptionText = prompt;
        m_strTooltipText = prompt;
    } else {
        m_strDescriptionText = prompt.Left(first);
        const int second = prompt.Find(u'\n', first + 1);
        if (second < 0) {
            m_strTooltipText = prompt.Mid(first + 1);
        } else {
            m_strTooltipText = prompt.Mid(first + 1, second - first - 1);
            if (m_strCaption.IsEmpty())
                SetCaption(prompt.Mid(second + 1));
            return;
        }
    }
    if (m_strCaption.IsEmpty())
        SetCaption(m_strTooltipText);
}

void CJQWControl::SetID(int id)
{
    if (m_nId != id) {
        CString prompt;
        if (id > 0 && GetResourceManager()->LoadString(prompt, UINT(id)))
            SetPrompt(prompt);
        m_nId = id;
    }
}

void CJQWControl::ResetCustomization()
{
    if (m_nCustomIconId != 0 || !m_strCustomCaption.IsEmpty() || m_nCustomStyle != -1) {
        m_nCustomIconId = 0;
        m_strCustomCaption.Empty();
        m_nCustomStyle = -1;
        if (m_pParent)
            m_pParent->OnRecalcLayout();
    }
}

LRESULT CJQWControl::NotifySite(UINT code)
{
    JQW_CONTROL_NOTIFY_RECORD record;
    return NotifySiteEx(code, &record);
}

LRESULT CJQWControl::NotifySiteEx(UINT code, JQW_CONTROL_NOTIFY_RECORD* record)
{
    if (!m_pParent)
        return 0;
    record->hwndFrom = nullptr;
    record->idFrom = UINT_PTR(m_nId);
    record->code = code;
    record->control = this;
    CWnd* site = m_pParent->GetOwnerSite();
    if (!site || !site->GetSafeHwnd())
        return 0;
    if (LRESULT result = site->SendMessage(JQWM_CONTROL_NOTIFY, WPARAM(m_nId), LPARAM(record)))
        return result;
    LRESULT routed = 0;
    AFX_NOTIFY notify { &routed, reinterpret_cast<NMHDR*>(record) };
    if (site->OnCmdMsg(UINT(m_nId), int(MAKELONG(code, WM_NOTIFY)), &notify, nullptr))
        return routed;
    return 0;
}

BOOL CJQWControl::IsCursorOver() const
{
    if (!m_pParent || !m_pParent->GetSafeHwnd())
        return FALSE;
    POINT point;
    ::GetCursorPos(&point);
    m_pParent->ScreenToClient(&point);
    return m_rcControl.PtInRect(point);
}

JQW_PAINT_CONTROL CJQWControl::GetPaintControl() const
{
    JQW_PAINT_CONTROL control;
    control.type = m_controlType;
    control.style = GetStyle();
    control.caption = GetCaption();
    control.shortcutText = GetShortcutText();
    control.rect = m_rcControl;
    control.iconSize = GetIconSize();
    control.buttonSize = GetButtonSize();
    control.width = m_nWidth;
    control.fixedWidth = m_nWidth;
    control.fixedHeight = m_nHeight;
    control.captionVisible = IsCaptionVisible() != FALSE;
    control.iconShown = GetImage(0) != nullptr; // the theme decides by style whether it shows
    return control;
}

JQW_PAINT_STATE CJQWControl::GetPaintState() const
{
    JQW_PAINT_STATE state;
    state.selected = m_nSelected != 0;
    state.pressed = m_nPressed;
    state.enabled = GetEnabled() != FALSE;
    state.checked = GetChecked() != 0;
    state.popupOpen = IsPopupOpen() != FALSE;
    state.barType = m_pParent ? m_pParent->GetType() : jqwBarTypeNormal;
    state.position = m_pParent ? m_pParent->GetPosition() : jqwBarTop;
    return state;
}

void CJQWControl::TrackPress(CRect rect)
{
    CJQWCommandBar* bar = m_pParent;
    if (!bar || !bar->GetSafeHwnd())
        return;
    if (rect.IsRectEmpty())
        rect = m_rcControl;
    bar->SetSelected(m_nIndex);
    m_nPressed = 1;
    RedrawParent(FALSE);
    InternalAddRef();

    const BOOL popupBar = bar->GetPosition() == jqwBarPopup;
    const int interval = m_nExecuteOnPressInterval;
    auto send = [this] {
        if (m_nId == 0)
            return;
        if (NotifySite(JQW_CN_EXECUTE) == 0)
            if (CWnd* site = m_pParent ? m_pParent->GetOwnerSite() : nullptr)
                site->SendMessage(WM_COMMAND, WPARAM(m_nId), 0);
    };
    if (interval > 0) {
        bar->SetTimer(JQW_TIMER_EXECUTE_ON_PRESS, UINT(interval));
        send();
    }

    BOOL click = FALSE;
    BOOL havePoint = FALSE;
    CPoint last;
    const HWND window = bar->GetSafeHwnd();
    ::SetCapture(window);
    while (::GetCapture() == window && m_pParent == bar) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (::GetCapture() != window) {
            ::DispatchMessageW(&msg);
            break;
        }
        if (msg.message == WM_LBUTTONUP) {
            if (msg.hwnd == window) {
                last = CPoint(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
                havePoint = TRUE;
            }
            click = m_nSelected != 0 && (!havePoint || rect.PtInRect(last));
            break;
        }
        if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == JQW_TIMER_EXECUTE_ON_PRESS) {
            if (m_nSelected != 0)
                send();
            ::DispatchMessageW(&msg);
            continue;
        }
        if (msg.message == WM_MOUSEMOVE && msg.hwnd == window) {
            last = CPoint(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
            havePoint = TRUE;
            const BOOL inside = rect.PtInRect(last);
            if (inside != (m_nSelected != 0)) {
                m_nSelected = inside ? 1 : 0;
                RedrawParent(FALSE);
            }
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }

    if (::IsWindow(window))
        ::KillTimer(window, JQW_TIMER_EXECUTE_ON_PRESS);
    m_nPressed = (click && interval <= 0 && !popupBar) ? 2 : 0;
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (m_pParent == bar) {
        if (m_nSelected != 0 && bar->GetSelected() == m_nIndex)
            bar->SetSelected(-1);
        bar->SetStatusIndex(m_nIndex);
    }
    if (click && interval <= 0)
        Execute();
    else
        m_nPressed = 0;
    RedrawParent(FALSE);
    InternalRelease();
}

void CJQWControl::Execute()
{
    CJQWCommandBar* bar = m_pParent;
    m_nPressed = (bar && bar->GetPosition() != jqwBarPopup) ? 2 : 0;
    if (!bar) {
        m_nPressed = 0;
        return;
    }
    CJQWCommandBar* root = bar->GetRootParentBar();
    auto endTracking = [&] {
        if (root->IsRecursive())
            root->StopTracking();
        else if (JQWCommandBarServices().closePopups)
            JQWCommandBarServices().closePopups();
        else
            root->StopTracking();
    };
    if (int* result = root->GetReturnCommand()) {
        endTracking();
        *result = m_nId;
        m_nPressed = 0;
        return;
    }
    InternalAddRef();
    if (m_bCloseSubMenuOnClick)
        endTracking();
    if (m_nId != 0) {
        if (NotifySite(JQW_CN_EXECUTE) == 0)
            if (CWnd* site = bar->GetOwnerSite(); site && site->GetSafeHwnd())
                site->SendMessage(WM_COMMAND, WPARAM(m_nId), 0);
        if ((!m_bCloseSubMenuOnClick || m_nPressed) && m_pParent) {
            m_nPressed = 0;
            m_pParent->OnIdleUpdate();
            RedrawParent(FALSE);
        }
    }
    InternalRelease();
}
