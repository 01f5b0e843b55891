// What accessibility clients see of a control, and the customize-mode resize grip.

#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/Control.h"

namespace {

enum : LONG {
    kRoleMenuItem = 12,
    kRolePushButton = 43,
    kRoleButtonMenu = 57,
};
enum : LONG {
    kStateUnavailable = 0x1,
    kStateSelected = 0x2,
    kStateFocused = 0x4,
    kStatePressed = 0x8,
    kStateChecked = 0x10,
    kStateHotTracked = 0x80,
    kStateInvisible = 0x8000,
    kStateFocusable = 0x100000,
    kStateHasPopup = 0x40000000,
};

bool IsSelf(VARIANT child)
{
    return VariantToChildId(&child) == 0;
}

BSTR Text(const CString& text)
{
    return SysAllocStringLen(text.GetString(), UINT(text.GetLength()));
}

} // namespace

HRESULT CJQWControl::GetAccChildCount(LONG* count)
{
    *count = GetCommandBar() ? 1 : 0;
    return S_OK;
}

HRESULT CJQWControl::GetAccName(VARIANT child, BSTR* name)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    CString text = StripMnemonics(GetCaption());
    if (text.IsEmpty()) {
        text = GetTooltipText();
    } else if (!GetShortcutText().IsEmpty()) {
        text += u'\t';
        text += GetShortcutText();
    }
    *name = Text(text);
    return S_OK;
}

HRESULT CJQWControl::GetAccDescription(VARIANT child, BSTR* description)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    *description = Text(GetDescription());
    return S_OK;
}

HRESULT CJQWControl::GetAccRole(VARIANT child, VARIANT* role)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    const int barType = m_pParent ? m_pParent->GetType() : jqwBarTypeNormal;
    role->vt = VT_I4;
    if (barType == jqwBarTypeNormal || barType == jqwBarTypeRibbon)
        role->lVal = GetCommandBar() ? kRoleButtonMenu : kRolePushButton;
    else
        role->lVal = kRoleMenuItem;
    return S_OK;
}

HRESULT CJQWControl::GetAccState(VARIANT child, VARIANT* state)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    LONG bits = kStateFocusable;
    if (m_nSelected)
        bits |= kStateSelected | kStateFocused | kStateHotTracked;
    if (!GetEnabled())
        bits |= kStateUnavailable;
    if (!m_pParent || !m_pParent->IsVisible() || !IsVisible())
        bits |= kStateInvisible;
    if (GetChecked())
        bits |= kStateChecked;
    if (GetPressed())
        bits |= kStatePressed;
    if (GetCommandBar())
        bits |= kStateHasPopup;
    state->vt = VT_I4;
    state->lVal = bits;
    return S_OK;
}

HRESULT CJQWControl::GetAccDefaultAction(VARIANT child, BSTR* action)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    *action = SysAllocString(u"Click");
    return S_OK;
}

HRESULT CJQWControl::AccDoDefaultAction(VARIANT child)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    OnClick(TRUE, CPoint(0, 0));
    return S_OK;
}

HRESULT CJQWControl::AccSelect(LONG, VARIANT child)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    if (m_pParent) {
        m_pParent->SetTrackingMode(1, FALSE, TRUE);
        m_pParent->SetSelected(m_nIndex, 2);
    }
    return S_OK;
}

HRESULT CJQWControl::AccLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child)
{
    if (!IsSelf(child))
        return E_INVALIDARG;
    *left = *top = *width = *height = 0;
    if (!m_pParent || !m_pParent->GetSafeHwnd() || !IsVisible())
        return S_OK;
    CRect r = m_rcControl;
    m_pParent->ClientToScreen(&r);
    *left = r.left;
    *top = r.top;
    *width = r.Width();
    *height = r.Height();
    return S_OK;
}

HRESULT CJQWControl::AccHitTest(LONG x, LONG y, VARIANT* child)
{
    if (!m_pParent || !m_pParent->GetSafeHwnd())
        return S_FALSE;
    CRect window;
    m_pParent->GetWindowRect(&window);
    if (!window.PtInRect(CPoint(x, y)))
        return S_FALSE;
    child->vt = VT_I4;
    child->lVal = 0;
    POINT point { x, y };
    m_pParent->ScreenToClient(&point);
    return m_rcControl.PtInRect(point) ? S_OK : S_FALSE;
}

BOOL CJQWControl::IsCustomizeResizeEdge(CPoint point) const
{
    if (!m_rcControl.PtInRect(point))
        return FALSE;
    return point.x - m_rcControl.left < 3 || m_rcControl.right - point.x <= 2;
}
