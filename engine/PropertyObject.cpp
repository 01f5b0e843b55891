#include "engine/PropertyObject.h"

#include "platform/base/Format.h"
#include "platform/base/NumberParse.h"

const std::u16string* CPropertyObject::find(std::u16string_view name) const
{
    auto it = m_properties.find(name);
    return it == m_properties.end() ? nullptr : &it->second;
}

bool CPropertyObject::GetPropertyLong(std::u16string_view name, LONG& out)
{
    const std::u16string* text = find(name);
    if (!text)
        return false;
    out = WideToLong(text->c_str());
    return true;
}

bool CPropertyObject::GetPropertyDouble(std::u16string_view name, double& out)
{
    const std::u16string* text = find(name);
    if (!text)
        return false;
    out = WideToDouble(text->c_str());
    return true;
}

bool CPropertyObject::GetPropertyInt(std::u16string_view name, int& out)
{
    const std::u16string* text = find(name);
    if (!text)
        return false;
    out = WideToInt(text->c_str());
    return true;
}

bool CPropertyObject::GetPropertyBool(std::u16string_view name, BOOL& out)
{
    const std::u16string* text = find(name);
    if (!text)
        return false;
    out = WideToInt(text->c_str());
    return true;
}

bool CPropertyObject::GetPropertyString(std::u16string_view name, std::u16string& out)
{
    const std::u16string* text = find(name);
    if (!text)
        return false;
    out = *text;
    return true;
}

bool CPropertyObject::storeText(std::u16string_view name, std::u16string text)
{
    std::u16string oldValue;
    GetPropertyString(name, oldValue); // through the virtual, as derived classes may expect
    auto it = m_properties.find(name);
    if (it == m_properties.end())
        m_properties.emplace(std::u16string(name), std::move(text));
    else
        it->second = std::move(text);
    OnPropertyChanged(name, oldValue);
    return true;
}

bool CPropertyObject::SetPropertyInt(std::u16string_view name, int value) { return storeText(name, FormatText(u"%d", value)); }

bool CPropertyObject::SetPropertyDouble(std::u16string_view name, double value)
{
    return storeText(name, FormatText(u"%f", value));
}

bool CPropertyObject::SetPropertyLong(std::u16string_view name, LONG value)
{
    return storeText(name, FormatText(u"%d", value));
}

bool CPropertyObject::SetPropertyBool(std::u16string_view name, BOOL value)
{
    return storeText(name, FormatText(u"%d", value));
}

bool CPropertyObject::SetPropertyString(std::u16string_view name, std::u16string_view value)
{
    return storeText(name, std::u16string(value));
}

void CPropertyObject::StorePropertyQuietly(std::u16string_view name, std::u16string_view value)
{
    auto it = m_properties.find(name);
    if (it == m_properties.end())
        m_properties.emplace(std::u16string(name), std::u16string(value));
    else
        it->second = value;
}

void CPropertyObject::OnPropertyChanged(std::u16string_view, std::u16string_view) { m_bDirty = true; }

int CPropertyObject::EnumerateProperties(std::vector<std::u16string>& names, std::vector<std::u16string>& values) const
{
    for (const auto& [name, value] : m_properties) {
        names.push_back(name);
        values.push_back(value);
    }
    return int(m_properties.size());
}
