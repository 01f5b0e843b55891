#include "platform/base/Profile.h"

#include "platform/base/Unicode.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string key;
    std::string value;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
};

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Lines before the first section are kept in a section without a name.
std::vector<Section> ReadFile(const WCHAR* fileName)
{
    std::vector<Section> sections(1);
    std::ifstream in(Utf16ToUtf8(fileName), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = Trim(line);
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            sections.push_back({ Trim(text.substr(1, text.size() - 2)), {} });
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string::npos || text.empty() || text[0] == ';')
            continue;
        sections.back().entries.push_back({ Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)) });
    }
    return sections;
}

bool WriteFile(const WCHAR* fileName, const std::vector<Section>& sections)
{
    std::ostringstream out;
    for (const Section& section : sections) {
        if (section.name.empty() && section.entries.empty())
            continue;
        if (!section.name.empty() || &section != &sections.front())
            out << '[' << section.name << "]\n";
        for (const Entry& entry : section.entries)
            out << entry.key << '=' << entry.value << '\n';
    }
    const std::string path = Utf16ToUtf8(fileName);
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!(file << out.str()) || !file.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

DWORD Copy(const std::u16string& text, WCHAR* buffer, DWORD size)
{
    if (!buffer || size == 0)
        return 0;
    const DWORD count = std::min<DWORD>(DWORD(text.size()), size - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = 0;
    return count;
}

} // namespace

DWORD GetPrivateProfileStringW(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue, WCHAR* buffer,
    DWORD size, const WCHAR* fileName)
{
    if (section && key && fileName) {
        const std::string sectionName = Utf16ToUtf8(section), keyName = Utf16ToUtf8(key);
        for (const Section& s : ReadFile(fileName)) {
            if (!SameName(s.name, sectionName))
                continue;
            for (const Entry& entry : s.entries)
                if (SameName(entry.key, keyName))
                    return Copy(Utf8ToUtf16(entry.value), buffer, size);
        }
    }
    return Copy(defaultValue ? defaultValue : u"", buffer, size);
}

BOOL WritePrivateProfileStringW(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* fileName)
{
    if (!section || !fileName)
        return FALSE;
    std::vector<Section> sections = ReadFile(fileName);
    const std::string sectionName = Utf16ToUtf8(section);
    auto found = std::find_if(sections.begin() + 1, sections.end(),
        [&](const Section& s) { return SameName(s.name, sectionName); });
    if (!key) {
        if (found != sections.end())
            sections.erase(found);
        return WriteFile(fileName, sections);
    }
    const std::string keyName = Utf16ToUtf8(key);
    if (found == sections.end()) {
        if (!value)
            return TRUE;
        sections.push_back({ sectionName, {} });
        found = sections.end() - 1;
    }
    auto& entries = found->entries;
    auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return SameName(e.key, keyName); });
    if (!value) {
        if (entry == entries.end())
            return TRUE;
        entries.erase(entry);
    } else {
        // A value is one line: line breaks would start new entries.
        std::string text = Utf16ToUtf8(value);
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::replace(text.begin(), text.end(), '\r', ' ');
        if (entry == entries.end())
            entries.push_back({ keyName, text });
        else
            entry->value = text;
    }
    return WriteFile(fileName, sections);
}

DWORD GetPrivateProfileSectionNamesW(WCHAR* buffer, DWORD size, const WCHAR* fileName)
{
    if (!buffer || size < 2)
        return 0;
    std::u16string list;
    for (const Section& s : ReadFile(fileName))
        if (!s.name.empty())
            list += Utf8ToUtf16(s.name) + u'\0';
    if (list.size() + 1 > size) {
        std::copy_n(list.data(), size - 2, buffer);
        buffer[size - 2] = 0;
        buffer[size - 1] = 0;
        return size - 2;
    }
    std::copy(list.begin(), list.end(), buffer);
    buffer[list.size()] = 0;
    return DWORD(list.size());
}
