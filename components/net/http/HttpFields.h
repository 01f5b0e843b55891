#pragma once
// An ordered list of header fields with case-insensitive lookup, as requests and responses carry them.

#include <string>
#include <utility>
#include <vector>

class HttpFields {
public:
    bool Get(const char* name, std::string& out) const;
    bool Has(const char* name) const;
    void Replace(const char* name, const char* value);
    void Add(const std::string& name, const std::string& value) { m_fields.emplace_back(name, value); }
    void Remove(const char* name);
    void Clear() { m_fields.clear(); }
    // Name ": " value per field, CR LF between fields, none after the last.
    std::string Render() const;
    const std::vector<std::pair<std::string, std::string>>& All() const { return m_fields; }

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

bool HttpEqualsNoCase(const std::string& a, const char* b);
std::string HttpTrim(const std::string& s);
// CR, LF and NUL would let a value start a new header line.
bool HttpIsSafeHeaderText(const std::string& s);
