#pragma once
// Growable array of 32-bit integers; the step follows the capacity up to 500,000.

class ExtIntArray {
public:
    ExtIntArray();
    ExtIntArray(const ExtIntArray&) = delete;
    ExtIntArray& operator=(const ExtIntArray&) = delete;
    virtual ~ExtIntArray();

    // A capacity of at most 0 becomes 2.
    void ConstructWithCapacity(int capacity, int step);

    int Append(int value);
    // A negative index returns 0 and an index past the end the count, both without change;
    // otherwise the entry is removed and the new count returned.
    int RemoveAt(int index);
    int GetAt(int index) const { return (index >= 0 && index < m_count) ? m_items[index] : 0; }
    int GetCount() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    int GetGrowthStep() const { return m_step; }

private:
    int m_step;
    int m_capacity;
    int m_count;
    int* m_items;
};
