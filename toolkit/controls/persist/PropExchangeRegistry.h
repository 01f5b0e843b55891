#pragma once
// The settings exchange in the registry: one key per section, one value per name. Numbers are
// REG_DWORD, reals and blocks REG_BINARY, texts, rectangles and sizes REG_SZ (in the ANSI code
// page with their NUL, as every other registry text of the program).

#include "toolkit/controls/persist/PropExchange.h"

#include "platform/base/Registry.h"

class CJQWPropExchangeRegistry : public CJQWPropExchange {
    DECLARE_DYNAMIC(CJQWPropExchangeRegistry)
public:
    // The section is a sub-key path under the root key, which is not owned. A null root is the
    // application's key, HKEY_CURRENT_USER\Software\<registry key>\<profile name>.
    CJQWPropExchangeRegistry(BOOL loading, HKEY rootKey, const WCHAR* sectionName);
    ~CJQWPropExchangeRegistry() override;

    BOOL ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue) override;
    BOOL ExchangeBinary(const WCHAR* name, BYTE** data, DWORD* size) override;
    CJQWPropExchange* OpenChildSection(const WCHAR* name) override;
    void ClearSection() override;
    BOOL OpenStore() override;
    BOOL CanOmitValues() const override { return TRUE; }
    BOOL StoresBinaryNatively() const override { return TRUE; }

    HKEY GetSectionKey() const { return m_hSectionKey; }

private:
    void CloseSectionKey();

    HKEY m_hSectionKey = nullptr;
    HKEY m_hRootKey = nullptr;
    BOOL m_bOwnsRootKey = FALSE;
    CString m_strSectionName;
    // One attempt to open the section per life (or per clear): a failure is not retried.
    BOOL m_bOpenTried = FALSE;
};
