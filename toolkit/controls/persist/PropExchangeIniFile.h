#pragma once
// The settings exchange in an INI file: one section per exchange section ("Parent\Child"), one text
// entry per name. Without a file of its own it works on a temporary file that the root deletes.

#include "toolkit/controls/persist/PropExchange.h"

class CJQWPropExchangeIniFile : public CJQWPropExchange {
    DECLARE_DYNAMIC(CJQWPropExchangeIniFile)
public:
    CJQWPropExchangeIniFile(BOOL loading, const WCHAR* parentSectionName, const WCHAR* sectionName);
    ~CJQWPropExchangeIniFile() override;

    void AssignFile(const WCHAR* fileName);
    const CString& GetFileName() const { return m_strFileName; }
    const CString& GetSectionName() const { return m_strSectionName; }

    BOOL ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue) override;
    CJQWPropExchange* OpenChildSection(const WCHAR* name) override;
    void ClearSection() override;
    BOOL OpenStore() override;
    BOOL CanOmitValues() const override { return TRUE; }
    BOOL StoresBinaryNatively() const override { return FALSE; }

private:
    CString m_strSectionName;
    CString m_strFileName;
    BOOL m_bTempFile = TRUE;
};

// Date text: "%Y-%d-%mT%H:%M:%S" (day before month), the date or the time alone when the other is 0.
CString FormatExchangeDate(const COleDateTime& date);
BOOL ParseExchangeDate(const WCHAR* text, COleDateTime& date);
// Backslash, line feed, carriage return and tab as \\, \n, \r and \t, and back.
CString TranslateEscapes(const CString& text, BOOL storing);
