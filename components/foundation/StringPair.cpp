#include "components/foundation/StringPair.h"

#include "components/foundation/StringBuffer.h"

StringPair::StringPair(const char* name, const char* value)
{
    if (name && *name)
        m_name = new torvane::StringBuffer(name);
    if (value && *value)
        m_value = new torvane::StringBuffer(value);
}

StringPair::~StringPair()
{
    delete m_name;
    delete m_value;
}

const char* StringPair::GetName() const { return m_name ? m_name->GetText() : ""; }

const char* StringPair::GetValue() const { return m_value ? m_value->GetText() : ""; }

torvane::StringBuffer& StringPair::NameBuffer()
{
    if (!m_name)
        m_name = new torvane::StringBuffer(torvane::StringBuffer::ConstructWithCapacity(50));
    return *m_name;
}

torvane::StringBuffer& StringPair::ValueBuffer()
{
    if (!m_value)
        m_value = new torvane::StringBuffer(torvane::StringBuffer::ConstructWithCapacity(100));
    return *m_value;
}
