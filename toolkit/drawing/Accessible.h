#pragma once
// The second base of command bars and controls that makes them visible to accessibility
// clients: an IAccessible whose every method forwards to a virtual operation, and the three
// platform functions an accessible window needs, bound at run time.

#include "platform/base/Com.h"
#include "platform/framework/CmdTarget.h"
#include "platform/user/Messages.h"
#include "toolkit/drawing/SystemHelpers.h"

class CJQWAccessible {
public:
    CJQWAccessible();
    virtual ~CJQWAccessible();
    CJQWAccessible(const CJQWAccessible&) = delete;
    CJQWAccessible& operator=(const CJQWAccessible&) = delete;

    virtual HRESULT GetAccParent(IDispatch** parent);
    virtual HRESULT GetAccChildCount(LONG* count);
    virtual HRESULT GetAccChild(VARIANT child, IDispatch** object);
    virtual HRESULT GetAccName(VARIANT child, BSTR* name);
    virtual HRESULT GetAccValue(VARIANT child, BSTR* value);
    virtual HRESULT GetAccDescription(VARIANT child, BSTR* description);
    virtual HRESULT GetAccRole(VARIANT child, VARIANT* role);
    virtual HRESULT GetAccState(VARIANT child, VARIANT* state);
    virtual HRESULT GetAccHelp(VARIANT child, BSTR* help);
    virtual HRESULT GetAccHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic);
    virtual HRESULT GetAccKeyboardShortcut(VARIANT child, BSTR* shortcut);
    virtual HRESULT GetAccFocus(VARIANT* child);
    virtual HRESULT GetAccSelection(VARIANT* children);
    virtual HRESULT GetAccDefaultAction(VARIANT child, BSTR* action);
    virtual HRESULT AccSelect(LONG flags, VARIANT child);
    virtual HRESULT AccLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child);
    virtual HRESULT AccNavigate(LONG direction, VARIANT start, VARIANT* end);
    virtual HRESULT AccHitTest(LONG x, LONG y, VARIANT* child);
    virtual HRESULT AccDoDefaultAction(VARIANT child);
    virtual HRESULT PutAccName(VARIANT child, BSTR name);
    virtual HRESULT PutAccValue(VARIANT child, BSTR value);
    // The command target that carries the interface; every derived class names itself.
    virtual CCmdTarget* GetAccessibleOwner();

    void AccessibleNotifyWinEvent(DWORD event, HWND window, LONG objectId, LONG childId);
    LRESULT CallLresultFromObject(REFIID iid, WPARAM wParam, IUnknown* object);
    HRESULT CallAccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object);

    // What a derived interface map hands out for IID_IAccessible.
    IAccessible* GetAccessibleInterface() { return &m_xAccessible; }

    class XAccessible : public IAccessible {
    public:
        explicit XAccessible(CJQWAccessible& outer) : m_outer(outer) { }
        HRESULT QueryInterface(REFIID iid, void** object) override;
        ULONG AddRef() override;
        ULONG Release() override;
        HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT GetTypeInfo(UINT, ULONG, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT GetIDsOfNames(REFIID, WCHAR**, UINT, ULONG, DISPID*) override { return E_NOTIMPL; }
        HRESULT Invoke(DISPID, REFIID, ULONG, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
        {
            return E_NOTIMPL;
        }
        HRESULT get_accParent(IDispatch** p) override { return m_outer.GetAccParent(p); }
        HRESULT get_accChildCount(LONG* c) override { return m_outer.GetAccChildCount(c); }
        HRESULT get_accChild(VARIANT v, IDispatch** p) override { return m_outer.GetAccChild(v, p); }
        HRESULT get_accName(VARIANT v, BSTR* s) override { return m_outer.GetAccName(v, s); }
        HRESULT get_accValue(VARIANT v, BSTR* s) override { return m_outer.GetAccValue(v, s); }
        HRESULT get_accDescription(VARIANT v, BSTR* s) override { return m_outer.GetAccDescription(v, s); }
        HRESULT get_accRole(VARIANT v, VARIANT* r) override { return m_outer.GetAccRole(v, r); }
        HRESULT get_accState(VARIANT v, VARIANT* r) override { return m_outer.GetAccState(v, r); }
        HRESULT get_accHelp(VARIANT v, BSTR* s) override { return m_outer.GetAccHelp(v, s); }
        HRESULT get_accHelpTopic(BSTR* f, VARIANT v, LONG* t) override { return m_outer.GetAccHelpTopic(f, v, t); }
        HRESULT get_accKeyboardShortcut(VARIANT v, BSTR* s) override { return m_outer.GetAccKeyboardShortcut(v, s); }
        HRESULT get_accFocus(VARIANT* v) override { return m_outer.GetAccFocus(v); }
        HRESULT get_accSelection(VARIANT* v) override { return m_outer.GetAccSelection(v); }
        HRESULT get_accDefaultAction(VARIANT v, BSTR* s) override { return m_outer.GetAccDefaultAction(v, s); }
        HRESULT accSelect(LONG f, VARIANT v) override { return m_outer.AccSelect(f, v); }
        HRESULT accLocation(LONG* l, LONG* t, LONG* w, LONG* h, VARIANT v) override
        {
            return m_outer.AccLocation(l, t, w, h, v);
        }
        HRESULT accNavigate(LONG d, VARIANT s, VARIANT* e) override { return m_outer.AccNavigate(d, s, e); }
        HRESULT accHitTest(LONG x, LONG y, VARIANT* v) override { return m_outer.AccHitTest(x, y, v); }
        HRESULT accDoDefaultAction(VARIANT v) override { return m_outer.AccDoDefaultAction(v); }
        HRESULT put_accName(VARIANT v, BSTR s) override { return m_outer.PutAccName(v, s); }
        HRESULT put_accValue(VARIANT v, BSTR s) override { return m_outer.PutAccValue(v, s); }

    private:
        CJQWAccessible& m_outer;
    };

private:
    XAccessible m_xAccessible { *this };
    void (*m_notifyWinEvent)(DWORD, HWND, LONG, LONG) = nullptr;
    LRESULT (*m_lresultFromObject)(REFIID, WPARAM, IUnknown*) = nullptr;
    HRESULT (*m_accessibleObjectFromWindow)(HWND, DWORD, REFIID, void**) = nullptr;
    CJQWModuleHandle m_user32;
    CJQWModuleHandle m_oleacc;
};

// The child an IAccessible call names: 0 the object itself, -1 none that can be read.
LONG VariantToChildId(const VARIANT* variant);
