#pragma once
// An owned name and value; a missing text reads as empty.

#include "components/foundation/TorvaneObject.h"

namespace torvane {
class StringBuffer;
}

class StringPair : public TorvaneObject {
public:
    StringPair(const char* name, const char* value);
    StringPair(const StringPair&) = delete;
    StringPair& operator=(const StringPair&) = delete;
    ~StringPair() override;

    const char* GetName() const;
    const char* GetValue() const;
    // Made empty on first request (capacities 50 and 100).
    torvane::StringBuffer& NameBuffer();
    torvane::StringBuffer& ValueBuffer();

private:
    torvane::StringBuffer* m_name = nullptr;
    torvane::StringBuffer* m_value = nullptr;
};
