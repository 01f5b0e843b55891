#pragma once
// The attributes of one XML element in the order they were added. Names and values are packed
// into one byte buffer with a parallel list of lengths (name, value, name, value, ...), so an
// element with many attributes costs two allocations. Adding never replaces: several attributes
// may share a name, and every lookup by name finds the first.

#include "components/foundation/ExtIntArray.h"
#include "components/foundation/StringBuffer.h"

class AttributeSet {
public:
    AttributeSet();
    AttributeSet(const AttributeSet&) = delete;
    AttributeSet& operator=(const AttributeSet&) = delete;
    virtual ~AttributeSet();

    // An empty or null name is never stored; a null value is stored as empty. False when the
    // name is refused or memory ran out (the set is then unchanged).
    bool Add(const char* name, const char* value);
    bool AddBytes(const char* name, int nameLength, const char* value, int valueLength);
    // Removes every attribute of the name; the others keep their order.
    void Remove(const char* name);
    bool Has(const char* name) const;
    // Empties out, then copies the first matching value; false when there is none.
    bool GetValue(const char* name, torvane::StringBuffer& out) const;
    // Whether an attribute of the name has exactly this value (see TreeNode::HasAttributeValue).
    bool HasValue(const char* name, const char* value) const;
    // Whether any attribute of the name has a value matching the '*' pattern, with case.
    bool MatchValue(const char* name, const char* pattern) const;
    int Count() const { return m_lengths.GetCount() / 2; }

    // The i-th name or value as a pointer and length into the packed text.
    const char* NameAt(int index, int* length) const;
    const char* ValueAt(int index, int* length) const;

    // Appends ` name="escaped value"` for each attribute, in stored order; false when the output
    // could not grow.
    bool Write(torvane::StringBuffer& out) const;

private:
    int FindFrom(int index, const char* name, int nameLength) const;
    int OffsetOf(int index) const;

    ExtIntArray m_lengths;
    torvane::StringBuffer m_text;
};
