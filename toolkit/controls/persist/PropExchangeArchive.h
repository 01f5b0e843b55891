#pragma once
// The settings exchange as a positional stream in an archive: no names, no defaults; a loader
// makes exactly the calls of the saver, gated by the same schema tests.

#include "toolkit/controls/persist/PropExchange.h"

class CJQWPropExchangeArchive : public CJQWPropExchange {
    DECLARE_DYNAMIC(CJQWPropExchangeArchive)
public:
    // The archive stays open for the exchange's life and is not owned.
    explicit CJQWPropExchangeArchive(CArchive& archive);

    BOOL ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue) override;
    BOOL ExchangeBinary(const WCHAR* name, BYTE** data, DWORD* size) override;
    BOOL ExchangeClass(const WCHAR* name, const CRuntimeClass** runtimeClass,
                       const CRuntimeClass* defaultClass) override;
    BOOL ExchangeObject(CObject** object, const CRuntimeClass* expectedClass) override;
    CArchive* OpenArchive(const WCHAR*) override { return &m_archive; }
    void CloseArchive(const WCHAR*, CArchive*) override { }
    CJQWPropExchange* OpenChildSection(const WCHAR* name) override;
    void StoreCount(DWORD_PTR count) override { m_archive.WriteCount(count); }
    DWORD_PTR LoadCount() override { return m_archive.ReadCount(); }
    DWORD StoreRawBytes(const WCHAR* name, const BYTE* data, DWORD size) override;
    DWORD LoadRawBytes(const WCHAR* name, BYTE* buffer, DWORD capacity) override;
    BOOL CanOmitValues() const override { return FALSE; }
    BOOL StoresBinaryNatively() const override { return TRUE; }
    // A marker before the schema; a stream without one is schema 17.
    void ExchangeSchema() override;

    CArchive& GetArchive() { return m_archive; }

private:
    CArchive& m_archive;
};
