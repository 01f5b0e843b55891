#pragma once
// A name with an owned value, as stored in a hash map's buckets.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"

class NamedObject : public TorvaneObject {
public:
    NamedObject(const char* name, TorvaneObject* value);
    ~NamedObject() override;

    // Deletes the old value unless it is the same object.
    void SetValue(TorvaneObject* value);
    TorvaneObject* GetValue() const { return m_value; }
    const char* GetName() const { return m_name.GetText(); }
    const torvane::StringBuffer& NameBuffer() const { return m_name; }

private:
    torvane::StringBuffer m_name;
    TorvaneObject* m_value;
};
