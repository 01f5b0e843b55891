#include "app/SettingsStore.h"

#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "platform/base/Directory.h"
#include "platform/base/File.h"
#include "platform/base/Unicode.h"
#include "platform/shell/UserFolders.h"
#include "postprocess/flickr/FlickrAccount.h"
#include "resources/StringTable.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr char16_t kInteger[] = u"integerValue";
constexpr char16_t kDouble[] = u"doubleValue";
constexpr char16_t kXml[] = u"xmlValue";
constexpr char16_t kCdataOpen[] = u"<![CDATA[";
constexpr char16_t kCdataClose[] = u"]]>";
constexpr UINT IDS_PROGRAM_TITLE = 102;

void RemoveAll(std::u16string& text, std::u16string_view what)
{
    for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

// A number as the variant conversion reads text: optional blanks and sign, digits with '.' as the
// decimal point, an optional exponent.
bool ParseNumber(const std::u16string& text, double& out)
{
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F)
            return false;
        ascii += char(c);
    }
    const std::size_t first = ascii.find_first_not_of(" \t");
    const std::size_t last = ascii.find_last_not_of(" \t");
    if (first == std::string::npos)
        return false;
    ascii = ascii.substr(first, last - first + 1);
    if (!ascii.empty() && ascii[0] == '+')
        ascii.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

std::u16string RealText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return Utf8ToUtf16(std::string(buffer, result.ptr));
}

} // namespace

std::u16string CSettingValue::ToText() const
{
    switch (kind) {
    case Kind::Int: return Utf8ToUtf16(std::to_string(integer));
    case Kind::Real:
    case Kind::Date: return RealText(real); // a date as its day number
    case Kind::Text: return text;
    case Kind::Empty: break;
    }
    return u"";
}

bool CSettingValue::ToInt(int& out) const
{
    double value = 0;
    if (kind == Kind::Int) {
        out = integer;
        return true;
    }
    if (!ToReal(value))
        return false;
    value = std::nearbyint(value); // halves to even, as the variant conversion rounds
    if (value < double(std::numeric_limits<int>::min()) || value > double(std::numeric_limits<int>::max()))
        return false;
    out = int(value);
    return true;
}

bool CSettingValue::ToReal(double& out) const
{
    switch (kind) {
    case Kind::Int: out = integer; return true;
    case Kind::Real:
    case Kind::Date: out = real; return true;
    case Kind::Text: return ParseNumber(text, out);
    case Kind::Empty: break;
    }
    return false;
}

CSettingValue& CSettingsStore::Value(const std::u16string& name, const char16_t* kind)
{
    CSettingEntry& entry = m_entries[name];
    entry.name = name;
    return entry.values[kind];
}

int CSettingsStore::GetInt(const std::u16string& name)
{
    int value = 0;
    return Value(name, kInteger).ToInt(value) ? value : 0;
}

void CSettingsStore::SetInt(const std::u16string& name, int value)
{
    CSettingValue& v = Value(name, kInteger);
    if (v.kind != CSettingValue::Kind::Int)
        v = CSettingValue { CSettingValue::Kind::Int, 0, 0, {} };
    v.integer = value;
}

double CSettingsStore::GetNextUpdateCheck()
{
    double value = 0;
    return Value(u"NextUpdateCheck", kDouble).ToReal(value) ? value : 0.0;
}

void CSettingsStore::SetNextUpdateCheck(double date)
{
    CSettingValue& v = Value(u"NextUpdateCheck", kDouble);
    if (v.kind != CSettingValue::Kind::Real && v.kind != CSettingValue::Kind::Date)
        v = CSettingValue { CSettingValue::Kind::Real, 0, 0, {} };
    v.real = date;
}

std::u16string CSettingsStore::GetFlickrAccountsXml()
{
    std::u16string text = Value(u"flickraccounts", kXml).ToText();
    RemoveAll(text, kCdataOpen);
    RemoveAll(text, kCdataClose);
    return text;
}

void CSettingsStore::SetFlickrAccountsXml(const std::u16string& xml)
{
    CSettingValue& v = Value(u"flickraccounts", kXml);
    v = CSettingValue { CSettingValue::Kind::Text, 0, 0, {} };
    v.text = kCdataOpen + xml + kCdataClose;
}

void CSettingsStore::SaveFlickrAccounts(const std::vector<CFlickrAccount>& accounts)
{
    std::u16string xml = u"<accounts>";
    for (const CFlickrAccount& account : accounts)
        xml += u"<account>" + account.ToXml() + u"</account>";
    xml += u"</accounts>";
    SetFlickrAccountsXml(xml);
}

void CSettingsStore::LoadFlickrAccounts(std::vector<CFlickrAccount>& accounts)
{
    const std::u16string xml = GetFlickrAccountsXml();
    if (xml.empty())
        return;
    TvXml document;
    document.SetUtf8Flag(true);
    if (!document.LoadXml(Utf16ToUtf8(xml).c_str()))
        return;
    std::unique_ptr<TvXml> list(document.SearchForTag(nullptr, "accounts"));
    if (!list)
        return;
    for (int i = 0;; ++i) {
        std::unique_ptr<TvXml> item(list->GetNthChildWithTag("account", i));
        if (!item)
            break;
        TvString text;
        item->GetXml(text);
        CFlickrAccount account;
        account.FromXml(Utf8ToUtf16(text.GetUtf8()));
        accounts.push_back(account);
    }
}

bool CSettingsStore::Load()
{
    if (m_path.empty()) {
        WCHAR folder[260] {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
            return false;
        m_path = std::u16string(folder) + u"/" + LoadStringText(IDS_PROGRAM_TITLE);
        if (GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(m_path.c_str(), nullptr))
            return false;
        m_path += u"/settings.xml";
    }
    TvXml document;
    document.SetUtf8Flag(true);
    // A missing or damaged file leaves the store as it is: the program runs on defaults.
    if (!document.LoadXmlFile(Utf16ToUtf8(m_path).c_str(), false))
        return true;
    for (int i = 0; i < document.GetNumChildren(); ++i) {
        std::unique_ptr<TvXml> element(document.GetChild(i));
        if (!element)
            continue;
        CSettingEntry entry;
        TvString name;
        element->GetTag(name);
        entry.name = Utf8ToUtf16(name.GetUtf8());
        for (int a = 0; a < element->GetNumAttributes(); ++a) {
            TvString attribute, value;
            element->GetAttributeName(a, attribute);
            element->GetAttributeValue(a, value);
            CSettingValue v { CSettingValue::Kind::Text, 0, 0, {} };
            v.text = Utf8ToUtf16(value.GetUtf8());
            entry.values[Utf8ToUtf16(attribute.GetUtf8())] = v;
        }
        m_entries[entry.name] = entry; // a later element of the same name wins
    }
    return true;
}

bool CSettingsStore::Save()
{
    if (m_path.empty())
        return false;
    TvXml document;
    document.SetUtf8Flag(true);
    document.SetTag("settings");
    for (const auto& [name, entry] : m_entries) {
        std::unique_ptr<TvXml> element(document.NewChild(Utf16ToUtf8(name).c_str(), ""));
        if (!element)
            return false;
        for (const auto& [kind, value] : entry.values)
            element->AddAttribute(Utf16ToUtf8(kind).c_str(), Utf16ToUtf8(value.ToText()).c_str());
    }
    return document.SaveXml(Utf16ToUtf8(m_path).c_str());
}
