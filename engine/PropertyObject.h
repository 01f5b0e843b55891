#pragma once
// Named properties held as text, with typed access: the common base of every action and every
// target. Values live in a map ordered by UTF-16 code unit (names compare case-sensitively).
// Integers are stored with "%d", reals with "%f" ('.' whatever the locale: 45 -> "45.000000").
// Getters return false and leave the output untouched for a missing name; setters always store,
// then call OnPropertyChanged with the old text (also when it equals the new one).
// Reference counted (a new object holds one reference); used by one thread at a time.

#include "platform/base/RefCounted.h"
#include "platform/base/Types.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class CPropertyObject : public RefCounted {
public:
    CPropertyObject() = default;

    virtual bool GetPropertyLong(std::u16string_view name, LONG& out);
    virtual bool GetPropertyDouble(std::u16string_view name, double& out);
    virtual bool GetPropertyInt(std::u16string_view name, int& out);
    // Receives the full integer value, not just 0 or 1.
    virtual bool GetPropertyBool(std::u16string_view name, BOOL& out);
    virtual bool GetPropertyString(std::u16string_view name, std::u16string& out);
    virtual bool SetPropertyInt(std::u16string_view name, int value);
    virtual bool SetPropertyDouble(std::u16string_view name, double value);
    virtual bool SetPropertyLong(std::u16string_view name, LONG value);
    virtual bool SetPropertyBool(std::u16string_view name, BOOL value);
    virtual bool SetPropertyString(std::u16string_view name, std::u16string_view value);
    // The change hook: the base marks the object dirty.
    virtual void OnPropertyChanged(std::u16string_view name, std::u16string_view oldValue);

    // Appends every name and its value, in map order, without clearing the arrays; returns the
    // number of properties.
    int EnumerateProperties(std::vector<std::u16string>& names, std::vector<std::u16string>& values) const;

    bool IsDirty() const { return m_bDirty; }
    void SetDirty(bool dirty) { m_bDirty = dirty; }

protected:
    ~CPropertyObject() override = default;
    // Stores the text as it is, without the change hook and without touching the dirty flag:
    // for values read back from a saved file.
    void StorePropertyQuietly(std::u16string_view name, std::u16string_view value);

private:
    bool storeText(std::u16string_view name, std::u16string text);
    const std::u16string* find(std::u16string_view name) const;

    std::map<std::u16string, std::u16string, std::less<>> m_properties;
    bool m_bDirty = false;
};
