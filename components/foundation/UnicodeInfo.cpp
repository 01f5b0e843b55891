#include "components/foundation/UnicodeInfo.h"

#include "components/foundation/Charset.h"

namespace {
bool InRange(unsigned c, unsigned low, unsigned high) { return c >= low && c <= high; }
}

void UnicodeInfo::CountScripts(const WCHAR* units, int count)
{
    m_total = count;
    m_latin1 = m_greek = m_hebrew = m_arabic = m_kana = m_hangul = m_cjk = m_thai = m_cyrillic = 0;
    m_latinExtended = m_ascii = m_other = 0;
    if (!units || count <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        unsigned c = units[i];
        if (c <= 0x7F)
            ++m_ascii;
        else if (c <= 0xFF)
            ++m_latin1;
        else if (c <= 0x2FF)
            ++m_latinExtended;
        else if (InRange(c, 0x370, 0x3FF))
            ++m_greek;
        else if (InRange(c, 0x400, 0x4FF))
            ++m_cyrillic;
        else if (InRange(c, 0x590, 0x5FF))
            ++m_hebrew;
        else if (InRange(c, 0x600, 0x6FF))
            ++m_arabic;
        else if (InRange(c, 0xE00, 0xE7F))
            ++m_thai;
        else if (InRange(c, 0xAC00, 0xD7AF))
            ++m_hangul;
        else if (InRange(c, 0x4E00, 0x9FAF))
            ++m_cjk;
        else if (InRange(c, 0x3040, 0x30FF) || InRange(c, 0x2F00, 0x2FDF))
            ++m_kana;
        else if (InRange(c, 0x3200, 0x32FF) || InRange(c, 0x25A0, 0x26FF) || InRange(c, 0xFE20, 0xFE6F)
            || InRange(c, 0xFF00, 0xFFEF) || InRange(c, 0x3000, 0x303F))
            continue; // symbols and forms that fit any charset of the text
        else if (InRange(c, 0x3400, 0x4DBF))
            ++m_cjk;
        else if (InRange(c, 0x1100, 0x11FF))
            ++m_hangul;
        else
            ++m_other;
    }
}

void UnicodeInfo::ChooseCharset(Charset& charset) const
{
    if (m_total == 0 || m_ascii == m_total) {
        charset.Clear();
        return;
    }
    int codePage = 65001;
    int scripts = (m_greek != 0) + (m_hebrew != 0) + (m_arabic != 0) + (m_kana != 0) + (m_hangul != 0)
        + (m_thai != 0) + (m_cyrillic != 0);
    if (m_ascii + m_latin1 == m_total)
        codePage = 28591;
    else if (m_ascii + m_latin1 + m_latinExtended == m_total)
        codePage = 28592;
    else if (scripts >= 2)
        codePage = 65001;
    else if (m_kana)
        codePage = 932;
    else if (m_hangul)
        codePage = 949;
    else if (m_cjk)
        codePage = 936;
    else if (m_hebrew)
        codePage = 28598;
    else if (m_arabic)
        codePage = 28596;
    else if (m_cyrillic)
        codePage = 28595;
    else if (m_greek)
        codePage = 28597;
    else if (m_thai)
        codePage = 874;
    charset.SetByCodePage(codePage);
}
