#include "toolkit/drawing/Accessible.h"

CJQWAccessible::CJQWAccessible()
{
    if (!m_user32.Attach(u"user32.dll"))
        m_user32.Load(u"user32.dll");
    FARPROC notify = nullptr;
    if (m_user32.GetProcAddress("NotifyWinEvent", &notify))
        m_notifyWinEvent = reinterpret_cast<decltype(m_notifyWinEvent)>(notify);
}

CJQWAccessible::~CJQWAccessible()
{
    m_oleacc.Release();
    m_user32.Release();
}

HRESULT CJQWAccessible::GetAccParent(IDispatch**) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccChildCount(LONG*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccChild(VARIANT, IDispatch**) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccName(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccValue(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccDescription(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccRole(VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccState(VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccHelp(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccHelpTopic(BSTR*, VARIANT, LONG*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccKeyboardShortcut(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::GetAccFocus(VARIANT*) { return S_FALSE; }
HRESULT CJQWAccessible::GetAccSelection(VARIANT*) { return S_FALSE; }
HRESULT CJQWAccessible::GetAccDefaultAction(VARIANT, BSTR*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::AccSelect(LONG, VARIANT) { return E_NOTIMPL; }
HRESULT CJQWAccessible::AccLocation(LONG*, LONG*, LONG*, LONG*, VARIANT) { return E_NOTIMPL; }
HRESULT CJQWAccessible::AccNavigate(LONG, VARIANT, VARIANT*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::AccHitTest(LONG, LONG, VARIANT*) { return E_NOTIMPL; }
HRESULT CJQWAccessible::AccDoDefaultAction(VARIANT) { return E_NOTIMPL; }
HRESULT CJQWAccessible::PutAccName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT CJQWAccessible::PutAccValue(VARIANT, BSTR) { return E_NOTIMPL; }
CCmdTarget* CJQWAccessible::GetAccessibleOwner() { return nullptr; }

HRESULT CJQWAccessible::XAccessible::QueryInterface(REFIID iid, void** object)
{
    CCmdTarget* owner = m_outer.GetAccessibleOwner();
    if (!owner) {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    return owner->ExternalQueryInterface(iid, object);
}

ULONG CJQWAccessible::XAccessible::AddRef()
{
    CCmdTarget* owner = m_outer.GetAccessibleOwner();
    return owner ? owner->ExternalAddRef() : 0;
}

ULONG CJQWAccessible::XAccessible::Release()
{
    CCmdTarget* owner = m_outer.GetAccessibleOwner();
    return owner ? owner->ExternalRelease() : 0;
}

void CJQWAccessible::AccessibleNotifyWinEvent(DWORD event, HWND window, LONG objectId, LONG childId)
{
    if (m_notifyWinEvent)
        m_notifyWinEvent(event, window, objectId, childId);
}

LRESULT CJQWAccessible::CallLresultFromObject(REFIID iid, WPARAM wParam, IUnknown* object)
{
    if (!m_oleacc.GetHandle())
        m_oleacc.Load(u"oleacc.dll");
    if (!m_lresultFromObject) {
        FARPROC entry = nullptr;
        if (m_oleacc.GetProcAddress("LresultFromObject", &entry))
            m_lresultFromObject = reinterpret_cast<decltype(m_lresultFromObject)>(entry);
    }
    return m_lresultFromObject ? m_lresultFromObject(iid, wParam, object) : LRESULT(E_FAIL);
}

HRESULT CJQWAccessible::CallAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object)
{
    if (!m_oleacc.GetHandle())
        m_oleacc.Load(u"oleacc.dll");
    if (!m_accessibleObjectFromWindow) {
        FARPROC entry = nullptr;
        if (m_oleacc.GetProcAddress("AccessibleObjectFromWindow", &entry))
            m_accessibleObjectFromWindow = reinterpret_cast<decltype(m_accessibleObjectFromWindow)>(entry);
    }
    return m_accessibleObjectFromWindow ? m_accessibleObjectFromWindow(window, objectId, iid, object) : E_FAIL;
}

LONG VariantToChildId(const VARIANT* variant)
{
    // References to references are followed; a loop of them ends at a fixed depth.
    for (int depth = 0; variant && depth < 64; ++depth) {
        switch (variant->vt) {
        case VT_EMPTY: return 0;
        case VT_I2: return variant->iVal;
        case VT_I4: return variant->lVal;
        case VT_I4 | VT_BYREF: return variant->plVal ? *variant->plVal : -1;
        case VT_I2 | VT_BYREF: return variant->piVal ? *variant->piVal : -1;
        case VT_VARIANT | VT_BYREF: variant = variant->pvarVal; continue;
        default: return -1;
        }
    }
    return -1;
}
