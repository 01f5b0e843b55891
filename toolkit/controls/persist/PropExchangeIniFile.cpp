#include "toolkit/controls/persist/PropExchangeIniFile.h"

#include "platform/base/File.h"
#include "platform/base/Path.h"
#include "platform/base/Profile.h"
#include "platform/base/Unicode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

IMPLEMENT_DYNAMIC(CJQWPropExchangeIniFile, CJQWPropExchange)

namespace {

std::string Utf8(const WCHAR* text) { return Utf16ToUtf8(text ? text : u""); }
CString Wide(const std::string& text) { return CString(Utf8ToUtf16(text).c_str()); }

std::u16string ReplaceAll(std::u16string text, std::u16string_view from, std::u16string_view to)
{
    std::u16string result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != std::u16string::npos; start = at + from.size())
        result.append(text, start, at - start).append(to);
    result.append(text, start, std::u16string::npos);
    return result;
}

// The value as entry text; false when the kind has none.
bool ToText(WORD type, const void* value, std::string& text)
{
    char buffer[96];
    switch (type) {
    case jqwExchangeShort:
    case jqwExchangeLong:
    case jqwExchangeBool:
    case jqwExchangeByte: {
        DWORD stored = 0;
        std::memcpy(&stored, value, std::size_t(GetExchangeValueSize(type)));
        std::snprintf(buffer, sizeof buffer, "%i", int(stored));
        break;
    }
    case jqwExchangeFloat: std::snprintf(buffer, sizeof buffer, "%g", double(*static_cast<const float*>(value))); break;
    case jqwExchangeDouble: std::snprintf(buffer, sizeof buffer, "%g", *static_cast<const double*>(value)); break;
    case jqwExchangeDate:
        text = Utf8(FormatExchangeDate(*static_cast<const COleDateTime*>(value)).GetString());
        return true;
    case jqwExchangeString:
        text = Utf8(TranslateEscapes(*static_cast<const CString*>(value), TRUE).GetString());
        return true;
    case jqwExchangeRect: {
        const RECT& r = *static_cast<const RECT*>(value);
        std::snprintf(buffer, sizeof buffer, "%i, %i, %i, %i", int(r.left), int(r.top), int(r.right), int(r.bottom));
        break;
    }
    case jqwExchangeSize: {
        const SIZE& s = *static_cast<const SIZE*>(value);
        std::snprintf(buffer, sizeof buffer, "%i, %i", int(s.cx), int(s.cy));
        break;
    }
    default: return false;
    }
    text = buffer;
    return true;
}

// Entry text into the value; false when it does not read as the kind.
bool FromText(WORD type, const std::u16string& wide, void* value)
{
    const std::string text = Utf16ToUtf8(wide);
    switch (type) {
    case jqwExchangeShort:
    case jqwExchangeLong:
    case jqwExchangeBool:
    case jqwExchangeByte: {
        const DWORD number = DWORD(std::strtol(text.c_str(), nullptr, 10));
        std::memcpy(value, &number, std::size_t(GetExchangeValueSize(type)));
        return true;
    }
    case jqwExchangeFloat: *static_cast<float*>(value) = float(std::strtod(text.c_str(), nullptr)); return true;
    case jqwExchangeDouble: *static_cast<double*>(value) = std::strtod(text.c_str(), nullptr); return true;
    case jqwExchangeDate: return ParseExchangeDate(wide.c_str(), *static_cast<COleDateTime*>(value));
    case jqwExchangeString:
        *static_cast<CString*>(value) = TranslateEscapes(CString(wide.c_str()), FALSE);
        return true;
    case jqwExchangeRect: {
        RECT r {};
        if (std::sscanf(text.c_str(), "%i, %i, %i, %i", &r.left, &r.top, &r.right, &r.bottom) != 4)
            return false;
        *static_cast<RECT*>(value) = r;
        return true;
    }
    case jqwExchangeSize: {
        SIZE s {};
        if (std::sscanf(text.c_str(), "%i, %i", &s.cx, &s.cy) != 2)
            return false;
        *static_cast<SIZE*>(value) = s;
        return true;
    }
    default: return false;
    }
}

bool IsSupported(WORD type)
{
    switch (type) {
    case jqwExchangeShort:
    case jqwExchangeLong:
    case jqwExchangeBool:
    case jqwExchangeByte:
    case jqwExchangeFloat:
    case jqwExchangeDouble:
    case jqwExchangeDate:
    case jqwExchangeString:
    case jqwExchangeRect:
    case jqwExchangeSize: return true;
    default: return false;
    }
}

} // namespace

CString FormatExchangeDate(const COleDateTime& date)
{
    const double day = DATE(date);
    const double whole = std::trunc(day);
    char buffer[64];
    if (whole == 0)
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", date.GetHour(), date.GetMinute(), date.GetSecond());
    else if (day == whole)
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.GetYear(), date.GetDay(), date.GetMonth());
    else
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", date.GetYear(), date.GetDay(),
            date.GetMonth(), date.GetHour(), date.GetMinute(), date.GetSecond());
    return Wide(buffer);
}

BOOL ParseExchangeDate(const WCHAR* text, COleDateTime& date)
{
    const std::string narrow = Utf8(text);
    unsigned short year = 0, day = 0, month = 0, hour = 0, minute = 0, second = 0;
    const int fields = std::sscanf(narrow.c_str(), "%hu-%hu-%huT%hu:%hu:%hu", &year, &day, &month, &hour, &minute, &second);
    if (fields == 3 || fields == 5 || fields == 6) {
        COleDateTime read;
        if (read.SetDateTime(year, month, day, hour, minute, second) == 0 && read.GetStatus() == COleDateTime::valid) {
            date = read;
            return TRUE;
        }
    }
    hour = minute = second = 0;
    const int timeFields = std::sscanf(narrow.c_str(), "%hu:%hu:%hu", &hour, &minute, &second);
    if (timeFields == 2 || timeFields == 3) {
        date = COleDateTime(((double(hour) * 60 + minute) * 60 + second) / 86400.0);
        return TRUE;
    }
    return FALSE;
}

CString TranslateEscapes(const CString& text, BOOL storing)
{
    std::u16string s = text.GetString();
    if (storing) {
        s = ReplaceAll(s, u"\\", u"\\\\");
        s = ReplaceAll(s, u"\n", u"\\n");
        s = ReplaceAll(s, u"\r", u"\\r");
        s = ReplaceAll(s, u"\t", u"\\t");
        return CString(s.c_str());
    }
    if (s.find(u'\\') == std::u16string::npos)
        return text;
    s = ReplaceAll(s, u"\\\\", u"\x01\x01");
    s = ReplaceAll(s, u"\\n", u"\n");
    s = ReplaceAll(s, u"\\r", u"\r");
    s = ReplaceAll(s, u"\\t", u"\t");
    s = ReplaceAll(s, u"\x01\x01", u"\\");
    return CString(s.c_str());
}

CJQWPropExchangeIniFile::CJQWPropExchangeIniFile(BOOL loading, const WCHAR* parentSectionName,
                                                 const WCHAR* sectionName)
{
    m_bLoading = loading;
    m_bSectionEmptied = TRUE;
    std::u16string section = sectionName ? sectionName : u"";
    if (parentSectionName)
        section = std::u16string(parentSectionName) + u"\\" + section;
    m_strSectionName = section.c_str();
}

CJQWPropExchangeIniFile::~CJQWPropExchangeIniFile()
{
    if (!m_bChildSection && m_bTempFile && !m_strFileName.IsEmpty())
        DeleteFileW(m_strFileName.GetString());
}

void CJQWPropExchangeIniFile::AssignFile(const WCHAR* fileName)
{
    m_strFileName = fileName ? fileName : u"";
    m_bTempFile = FALSE;
    m_bSectionEmptied = FALSE;
}

BOOL CJQWPropExchangeIniFile::OpenStore()
{
    if (m_strFileName.IsEmpty()) {
        WCHAR folder[260] = {};
        WCHAR name[260] = {};
        if (GetTempPathW(260, folder) == 0 || GetTempFileNameW(folder, u"jqw", 0, name) == 0)
            return FALSE;
        m_strFileName = name;
        m_bTempFile = TRUE;
    }
    m_bStoreOpen = TRUE;
    return TRUE;
}

BOOL CJQWPropExchangeIniFile::ExchangeValue(const WCHAR* name, WORD type, void* value, const void* defaultValue)
{
    if (IsLoading()) {
        if (!IsSupported(type))
            return FALSE;
        if (!OpenStore())
            return ApplyDefault(type, value, defaultValue);
        std::vector<WCHAR> buffer(256);
        DWORD length = GetPrivateProfileStringW(m_strSectionName.GetString(), name, u"", buffer.data(), 256,
            m_strFileName.GetString());
        if (length == 255) {
            buffer.assign(16000, 0);
            length = GetPrivateProfileStringW(m_strSectionName.GetString(), name, u"", buffer.data(), 16000,
                m_strFileName.GetString());
        }
        if (length == 0)
            return ApplyDefault(type, value, defaultValue);
        if (!FromText(type, std::u16string(buffer.data(), length), value))
            return ApplyDefault(type, value, defaultValue);
        return TRUE;
    }
    if (!OpenStore())
        return FALSE;
    if (CanSkipAsDefault(type, value, defaultValue)) {
        if (!m_bSectionEmptied)
            WritePrivateProfileStringW(m_strSectionName.GetString(), name, nullptr, m_strFileName.GetString());
        return TRUE;
    }
    std::string text;
    if (!ToText(type, value, text))
        return FALSE;
    return WritePrivateProfileStringW(m_strSectionName.GetString(), name, Utf8ToUtf16(text).c_str(),
        m_strFileName.GetString());
}

CJQWPropExchange* CJQWPropExchangeIniFile::OpenChildSection(const WCHAR* name)
{
    OpenStore();
    auto* child = new CJQWPropExchangeIniFile(m_bLoading, m_strSectionName.GetString(), name);
    child->InheritSettings(this);
    child->m_strFileName = m_strFileName;
    child->m_bTempFile = m_bTempFile;
    return child;
}

void CJQWPropExchangeIniFile::ClearSection()
{
    if (m_bSectionEmptied || m_strSectionName.IsEmpty())
        return;
    m_bSectionEmptied = TRUE;
    if (!OpenStore())
        return;
    std::vector<WCHAR> names;
    DWORD size = 8000, length = 0;
    for (;;) {
        names.assign(size, 0);
        length = GetPrivateProfileSectionNamesW(names.data(), size, m_strFileName.GetString());
        if (length != size - 2)
            break;
        size *= 2;
    }
    const std::u16string own = m_strSectionName.GetString();
    const std::u16string prefix = own + u"\\";
    for (std::size_t at = 0; at < length && names[at];) {
        const std::u16string section(names.data() + at);
        at += section.size() + 1;
        if (section == own || section.compare(0, prefix.size(), prefix) == 0)
            WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, m_strFileName.GetString());
    }
}
