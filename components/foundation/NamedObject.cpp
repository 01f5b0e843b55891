#include "components/foundation/NamedObject.h"

NamedObject::NamedObject(const char* name, TorvaneObject* value)
    : m_name(name ? name : "")
    , m_value(value)
{
    m_name.ShrinkToFit();
}

NamedObject::~NamedObject() { delete m_value; }

void NamedObject::SetValue(TorvaneObject* value)
{
    if (value != m_value)
        delete m_value;
    m_value = value;
}
