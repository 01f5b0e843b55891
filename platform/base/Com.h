#pragma once
// The component-object types the toolkit exposes its objects through: the base interfaces,
// variants and the accessibility interface. There is no object broker behind them; objects
// hand out their own interfaces.

#include "platform/base/Guid.h"

using IID = GUID;
using REFIID = const IID&;
using BSTR = WCHAR*;
using VARTYPE = unsigned short;
using DISPID = LONG;

constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);

constexpr IID IID_IUnknown { 0x00000000, 0x0000, 0x0000, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };
constexpr IID IID_IDispatch { 0x00020400, 0x0000, 0x0000, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };
constexpr IID IID_IAccessible { 0x618736E0, 0x3C3D, 0x11CF, { 0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 } };

enum : VARTYPE { VT_EMPTY = 0, VT_I2 = 2, VT_I4 = 3, VT_BSTR = 8, VT_DISPATCH = 9, VT_VARIANT = 12, VT_BYREF = 0x4000 };

struct IDispatch;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        LONG lVal;
        short iVal;
        BSTR bstrVal;
        IDispatch* pdispVal;
        LONG* plVal;
        short* piVal;
        VARIANT* pvarVal;
    };
    VARIANT() : lVal(0) { }
};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, ULONG locale, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, WCHAR** names, UINT count, ULONG locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID iid, ULONG locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
    ~IDispatch() = default;
};

struct IAccessible : IDispatch {
    virtual HRESULT get_accParent(IDispatch** parent) = 0;
    virtual HRESULT get_accChildCount(LONG* count) = 0;
    virtual HRESULT get_accChild(VARIANT child, IDispatch** object) = 0;
    virtual HRESULT get_accName(VARIANT child, BSTR* name) = 0;
    virtual HRESULT get_accValue(VARIANT child, BSTR* value) = 0;
    virtual HRESULT get_accDescription(VARIANT child, BSTR* description) = 0;
    virtual HRESULT get_accRole(VARIANT child, VARIANT* role) = 0;
    virtual HRESULT get_accState(VARIANT child, VARIANT* state) = 0;
    virtual HRESULT get_accHelp(VARIANT child, BSTR* help) = 0;
    virtual HRESULT get_accHelpTopic(BSTR* helpFile, VARIANT child, LONG* topic) = 0;
    virtual HRESULT get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) = 0;
    virtual HRESULT get_accFocus(VARIANT* child) = 0;
    virtual HRESULT get_accSelection(VARIANT* children) = 0;
    virtual HRESULT get_accDefaultAction(VARIANT child, BSTR* action) = 0;
    virtual HRESULT accSelect(LONG flags, VARIANT child) = 0;
    virtual HRESULT accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) = 0;
    virtual HRESULT accNavigate(LONG direction, VARIANT start, VARIANT* end) = 0;
    virtual HRESULT accHitTest(LONG x, LONG y, VARIANT* child) = 0;
    virtual HRESULT accDoDefaultAction(VARIANT child) = 0;
    virtual HRESULT put_accName(VARIANT child, BSTR name) = 0;
    virtual HRESULT put_accValue(VARIANT child, BSTR value) = 0;

protected:
    ~IAccessible() = default;
};

// Counted strings: the length in front, the text NUL-terminated. Null frees nothing.
BSTR SysAllocString(const WCHAR* text);
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
