#pragma once
// The one interface through which UI-toolkit state is saved and loaded: a class writes one
// exchange routine that saves in store mode and loads in load mode, each call carrying the
// variable's address and, optionally, a default. Values are named inside nested sections.

#include "platform/base/Com.h"
#include "platform/framework/Archive.h"
#include "platform/framework/CmdTarget.h"
#include "platform/framework/DateTime.h"
#include "platform/framework/String.h"

// Value type codes: the platform's variant numbers and three of our own.
enum JQWExchangeType : WORD {
    jqwExchangeShort = 2,
    jqwExchangeLong = 3,
    jqwExchangeFloat = 4,
    jqwExchangeDouble = 5,
    jqwExchangeCurrency = 6,
    jqwExchangeDate = 7,
    jqwExchangeBstr = 8,
    jqwExchangeBool = 11,
    jqwExchangeVariant = 12,
    jqwExchangeByte = 17,
    jqwExchangeString = 30,
    jqwExchangeRect = 100,
    jqwExchangeSize = 101,
};

// Bytes of a value in memory: what comparison and copying work on.
int GetExchangeValueSize(WORD type);

class CJQWPropExchangeEnumerator;

class CJQWPropExchange : public CCmdTarget {
    DECLARE_DYNAMIC(CJQWPropExchange)
public:
    CJQWPropExchange() = default;

    BOOL IsLoading() const { return m_bLoading; }
    BOOL IsStoring() const { return !m_bLoading; }
    UINT GetSchema() const { return m_nSchema; }
    void SetSchema(UINT schema) { m_nSchema = schema; }
    BOOL IsChildSection() const { return m_bChildSection; }
    BOOL IsSectionEmptied() const { return m_bSectionEmptied; }

    virtual BOOL ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue) = 0;
    // On load a null *data gets a block from the heap (the caller frees it with std::free);
    // otherwise *data is a buffer of *size bytes.
    virtual BOOL ExchangeBinary(const WCHAR* name, BYTE** data, DWORD* size);
    virtual BOOL ExchangeClass(const WCHAR* name, const CRuntimeClass** runtimeClass,
                               const CRuntimeClass* defaultClass);
    virtual BOOL ExchangeObject(CObject** object, const CRuntimeClass* expectedClass);
    virtual CArchive* OpenArchive(const WCHAR* name);
    virtual void CloseArchive(const WCHAR* name, CArchive* archive);
    // One reference; the caller releases it (InternalRelease).
    virtual CJQWPropExchange* OpenChildSection(const WCHAR* name) = 0;
    virtual void ClearSection();
    virtual void StoreCount(DWORD_PTR count);
    virtual DWORD_PTR LoadCount();
    virtual DWORD StoreRawBytes(const WCHAR* name, const BYTE* data, DWORD size);
    virtual DWORD LoadRawBytes(const WCHAR* name, BYTE* buffer, DWORD capacity);
    virtual BOOL CanOmitValues() const { return TRUE; }
    virtual BOOL StoresBinaryNatively() const { return FALSE; }
    virtual BOOL OpenStore();
    // The caller deletes it.
    virtual CJQWPropExchangeEnumerator* CreateEnumerator(const WCHAR* baseName);
    virtual void ExchangeSchema() { ExchangeSchemaValue(); }

    void InheritSettings(const CJQWPropExchange* parent);
    static BOOL IsSameValue(WORD type, const void* value, const void* defaultValue);
    static BOOL CopyValue(WORD type, void* destination, const void* source);
    void ExchangeSchemaValue();

    void* m_pOwner = nullptr;
    BOOL m_bUseDefaultOnLoad = TRUE;
    BOOL m_bOmitDefaultOnSave = TRUE;

protected:
    // What a back end does with a default on load: copied when allowed and given.
    BOOL ApplyDefault(WORD type, void* value, const void* defaultValue) const;
    // On save: the value may be left out (equal to an allowed default).
    BOOL CanSkipAsDefault(WORD type, const void* value, const void* defaultValue) const;

    BOOL m_bLoading = FALSE;
    UINT m_nSchema = 23;
    BOOL m_bChildSection = FALSE;
    BOOL m_bSectionEmptied = FALSE;
    BOOL m_bStoreOpen = FALSE;
};

class CJQWPropExchangeEnumerator {
public:
    CJQWPropExchangeEnumerator(CJQWPropExchange* exchange, const WCHAR* baseName);
    virtual ~CJQWPropExchangeEnumerator() = default;

    // The count is exchanged; returns the first position (0 when there is nothing).
    DWORD Start(DWORD count, BOOL useStoreCount = FALSE);
    DWORD GetCount() const { return m_nCount; }
    // Opens the section of the position and moves on; the caller releases the section.
    CJQWPropExchange* NextSection(DWORD& position);

private:
    CJQWPropExchange* m_pExchange;
    CString m_strBaseName;
    DWORD m_nCount = 0;
};

BOOL ExchangeByte(CJQWPropExchange* exchange, const WCHAR* name, BYTE& value, BYTE defaultValue);
BOOL ExchangeShort(CJQWPropExchange* exchange, const WCHAR* name, short& value, short defaultValue);
BOOL ExchangeLong(CJQWPropExchange* exchange, const WCHAR* name, LONG& value, LONG defaultValue);
BOOL ExchangeLongNoDefault(CJQWPropExchange* exchange, const WCHAR* name, LONG& value);
BOOL ExchangeBool(CJQWPropExchange* exchange, const WCHAR* name, BOOL& value, BOOL defaultValue);
BOOL ExchangeString(CJQWPropExchange* exchange, const WCHAR* name, CString& value, const WCHAR* defaultValue);
BOOL ExchangeStringNoDefault(CJQWPropExchange* exchange, const WCHAR* name, CString& value);
BOOL ExchangeSize(CJQWPropExchange* exchange, const WCHAR* name, SIZE& value, SIZE defaultValue);
BOOL ExchangeRect(CJQWPropExchange* exchange, const WCHAR* name, RECT& value, RECT defaultValue);
BOOL ExchangeClassValue(CJQWPropExchange* exchange, const WCHAR* name, const CRuntimeClass** runtimeClass,
                        const CRuntimeClass* defaultClass);
BOOL ExchangeBinaryValue(CJQWPropExchange* exchange, const WCHAR* name, BYTE** data, DWORD* size);
// Runs the object's own serialisation inside a nested archive; FALSE when it threw.
BOOL ExchangeSerializedObject(CJQWPropExchange* exchange, const WCHAR* name, CObject* object);
