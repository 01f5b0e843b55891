#include "components/foundation/TextTrim.h"
#include "components/net/http/HttpFields.h"

#include <cstring>
#include <strings.h>

bool HttpEqualsNoCase(const std::string& a, const char* b)
{
    return b && a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

std::string HttpTrim(const std::string& s) { return TrimWhitespace(s); }

bool HttpIsSafeHeaderText(const std::string& s)
{
    return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool HttpFields::Get(const char* name, std::string& out) const
{
    for (const auto& f : m_fields)
        if (HttpEqualsNoCase(f.first, name)) {
            out = f.second;
            return true;
        }
    return false;
}

bool HttpFields::Has(const char* name) const
{
    std::string ignored;
    return Get(name, ignored);
}

void HttpFields::Replace(const char* name, const char* value)
{
    for (auto& f : m_fields)
        if (HttpEqualsNoCase(f.first, name)) {
            f.second = value ? value : "";
            return;
        }
    m_fields.emplace_back(name, value ? value : "");
}

void HttpFields::Remove(const char* name)
{
    std::vector<std::pair<std::string, std::string>> kept;
    for (auto& f : m_fields)
        if (!HttpEqualsNoCase(f.first, name))
            kept.push_back(std::move(f));
    m_fields.swap(kept);
}

std::string HttpFields::Render() const
{
    std::string out;
    for (const auto& f : m_fields) {
        if (!out.empty())
            out += "\r\n";
        out += f.first + ": " + f.second;
    }
    return out;
}
