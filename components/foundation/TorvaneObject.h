#pragma once
// Common base of the component library's objects: a virtual destructor and an informational
// serial number taken from a process-wide counter that starts at 100.

class TorvaneObject {
public:
    TorvaneObject();
    TorvaneObject(const TorvaneObject&);
    TorvaneObject& operator=(const TorvaneObject&) { return *this; }
    virtual ~TorvaneObject() = default;

    int GetSerial() const { return m_serial; }

private:
    int m_serial;
};

// A counter object, as stored in maps.
class TorvaneInt : public TorvaneObject {
public:
    explicit TorvaneInt(int value = 0)
        : m_value(value)
    {
    }
    int m_value;
};
