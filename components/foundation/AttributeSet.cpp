#include "components/foundation/AttributeSet.h"

#include "components/foundation/TextMatch.h"
#include "components/foundation/XmlEscape.h"

#include <cstdint>
#include <cstring>
#include <string>

AttributeSet::AttributeSet() = default;

AttributeSet::~AttributeSet() = default;

bool AttributeSet::Add(const char* name, const char* value)
{
    if (!name || !*name)
        return false;
    size_t nameLength = std::strlen(name);
    size_t valueLength = value ? std::strlen(value) : 0;
    if (nameLength > size_t(INT32_MAX) || valueLength > size_t(INT32_MAX))
        return false;
    return AddBytes(name, int(nameLength), value, int(valueLength));
}

bool AttributeSet::AddBytes(const char* name, int nameLength, const char* value, int valueLength)
{
    if (!name || nameLength <= 0)
        return false;
    if (!value || valueLength < 0)
        valueLength = 0;
    if (m_lengths.GetCapacity() == 0)
        m_lengths.ConstructWithCapacity(6, 15);
    int before = m_text.GetLength();
    if ((long long)before + nameLength + valueLength >= INT32_MAX)
        return false;
    m_text.AppendBytes(name, nameLength);
    if (valueLength > 0)
        m_text.AppendBytes(value, valueLength);
    int countBefore = m_lengths.GetCount();
    bool stored = m_text.GetLength() == before + nameLength + valueLength;
    if (stored) {
        m_lengths.Append(nameLength);
        m_lengths.Append(valueLength);
        stored = m_lengths.GetCount() == countBefore + 2;
    }
    if (stored)
        return true;
    // Out of memory half way: put the set back as it was.
    while (m_lengths.GetCount() > countBefore)
        m_lengths.RemoveAt(m_lengths.GetCount() - 1);
    m_text.ShortenBy(m_text.GetLength() - before);
    return false;
}

int AttributeSet::OffsetOf(int index) const
{
    int offset = 0;
    for (int i = 0; i < index * 2; ++i)
        offset += m_lengths.GetAt(i);
    return offset;
}

const char* AttributeSet::NameAt(int index, int* length) const
{
    if (index < 0 || index >= Count()) {
        if (length)
            *length = 0;
        return "";
    }
    if (length)
        *length = m_lengths.GetAt(index * 2);
    return m_text.GetText() + OffsetOf(index);
}

const char* AttributeSet::ValueAt(int index, int* length) const
{
    if (index < 0 || index >= Count()) {
        if (length)
            *length = 0;
        return "";
    }
    if (length)
        *length = m_lengths.GetAt(index * 2 + 1);
    return m_text.GetText() + OffsetOf(index) + m_lengths.GetAt(index * 2);
}

// The index of the first attribute at or after `index` with the name, or -1.
int AttributeSet::FindFrom(int index, const char* name, int nameLength) const
{
    int offset = OffsetOf(index);
    int count = Count();
    for (int i = index; i < count; ++i) {
        int thisName = m_lengths.GetAt(i * 2);
        if (thisName == nameLength && std::memcmp(m_text.GetText() + offset, name, size_t(nameLength)) == 0)
            return i;
        offset += thisName + m_lengths.GetAt(i * 2 + 1);
    }
    return -1;
}

void AttributeSet::Remove(const char* name)
{
    if (!name || !*name || Count() == 0)
        return;
    int nameLength = int(std::strlen(name));
    int count = Count();
    int offset = 0;
    std::string kept;
    kept.reserve(size_t(m_text.GetLength()));
    ExtIntArray lengths;
    lengths.ConstructWithCapacity(m_lengths.GetCapacity(), 15);
    for (int i = 0; i < count; ++i) {
        int thisName = m_lengths.GetAt(i * 2);
        int thisValue = m_lengths.GetAt(i * 2 + 1);
        const char* start = m_text.GetText() + offset;
        bool matches = thisName == nameLength && std::memcmp(start, name, size_t(nameLength)) == 0;
        if (!matches) {
            kept.append(start, size_t(thisName + thisValue));
            lengths.Append(thisName);
            lengths.Append(thisValue);
        }
        offset += thisName + thisValue;
    }
    if (lengths.GetCount() == m_lengths.GetCount())
        return;
    while (m_lengths.GetCount() > 0)
        m_lengths.RemoveAt(m_lengths.GetCount() - 1);
    for (int i = 0; i < lengths.GetCount(); ++i)
        m_lengths.Append(lengths.GetAt(i));
    m_text.Clear();
    m_text.AppendBytes(kept.data(), int(kept.size()));
}

bool AttributeSet::Has(const char* name) const
{
    if (!name || !*name)
        return false;
    return FindFrom(0, name, int(std::strlen(name))) >= 0;
}

bool AttributeSet::GetValue(const char* name, torvane::StringBuffer& out) const
{
    out.Clear();
    if (!name || !*name)
        return false;
    int index = FindFrom(0, name, int(std::strlen(name)));
    if (index < 0)
        return false;
    int length = 0;
    const char* value = ValueAt(index, &length);
    out.AppendBytes(value, length);
    return true;
}

bool AttributeSet::HasValue(const char* name, const char* value) const
{
    if (!name || !*name)
        return false;
    if (!value)
        value = "";
    int nameLength = int(std::strlen(name));
    size_t wanted = std::strlen(value);
    for (int index = FindFrom(0, name, nameLength); index >= 0; index = FindFrom(index + 1, name, nameLength)) {
        int length = 0;
        const char* stored = ValueAt(index, &length);
        // The scan stops at the first value that is a leading part of the one asked for.
        if (size_t(length) <= wanted && std::memcmp(stored, value, size_t(length)) == 0)
            return size_t(length) == wanted;
    }
    return false;
}

bool AttributeSet::MatchValue(const char* name, const char* pattern) const
{
    if (!name || !*name)
        return false;
    int nameLength = int(std::strlen(name));
    for (int index = FindFrom(0, name, nameLength); index >= 0; index = FindFrom(index + 1, name, nameLength)) {
        int length = 0;
        const char* stored = ValueAt(index, &length);
        std::string value(stored, size_t(length));
        if (WildcardMatch(value.c_str(), pattern ? pattern : "", true))
            return true;
    }
    return false;
}

bool AttributeSet::Write(torvane::StringBuffer& out) const
{
    bool complete = true;
    int count = Count();
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        int nameLength = m_lengths.GetAt(i * 2);
        int valueLength = m_lengths.GetAt(i * 2 + 1);
        const char* name = m_text.GetText() + offset;
        complete = AppendChecked(out, " ") && complete;
        complete = AppendChecked(out, name, nameLength) && complete;
        complete = AppendChecked(out, "=\"") && complete;
        complete = AppendEscapedAttributeValue(name + nameLength, valueLength, out) && complete;
        complete = AppendChecked(out, "\"") && complete;
        offset += nameLength + valueLength;
    }
    return complete;
}
