#pragma once
// Counts the code units of a UTF-16 text by script and chooses the charset a text is best sent in.

#include "platform/base/Types.h"

class Charset;

class UnicodeInfo {
public:
    UnicodeInfo() = default;
    virtual ~UnicodeInfo() = default;

    void CountScripts(const WCHAR* units, int count);
    void ChooseCharset(Charset& charset) const;

    int m_total = 0;
    int m_latin1 = 0;
    int m_greek = 0;
    int m_hebrew = 0;
    int m_arabic = 0;
    int m_kana = 0;
    int m_hangul = 0;
    int m_cjk = 0;
    int m_thai = 0;
    int m_cyrillic = 0;
    int m_latinExtended = 0;
    int m_ascii = 0;
    int m_other = 0;
};
