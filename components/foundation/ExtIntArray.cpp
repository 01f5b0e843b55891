#include "components/foundation/ExtIntArray.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kStepCeiling = 500000;
}

ExtIntArray::ExtIntArray()
    : m_step(200)
    , m_capacity(80)
    , m_count(0)
    , m_items(static_cast<int*>(std::malloc(80 * sizeof(int))))
{
    if (!m_items)
        m_capacity = 0;
}

ExtIntArray::~ExtIntArray() { std::free(m_items); }

void ExtIntArray::ConstructWithCapacity(int capacity, int step)
{
    std::free(m_items);
    m_capacity = capacity <= 0 ? 2 : capacity;
    m_step = step <= 0 ? 200 : step;
    m_count = 0;
    m_items = static_cast<int*>(std::malloc(size_t(m_capacity) * sizeof(int)));
    if (!m_items)
        m_capacity = 0;
}

int ExtIntArray::Append(int value)
{
    if (m_count == INT_MAX)
        return m_count;
    if (m_count + 1 > m_capacity) {
        long long capacity = (long long)m_capacity + m_step;
        if (capacity < m_count + 1)
            capacity = m_count + 1;
        if (capacity > INT_MAX)
            capacity = INT_MAX;
        auto* items = static_cast<int*>(std::malloc(size_t(capacity) * sizeof(int)));
        if (!items)
            return m_count;
        if (m_items)
            std::memcpy(items, m_items, size_t(m_count) * sizeof(int));
        std::free(m_items);
        m_items = items;
        m_capacity = int(capacity);
        if (m_step <= kStepCeiling - 1)
            m_step = m_capacity > kStepCeiling ? kStepCeiling : m_capacity;
    }
    m_items[m_count++] = value;
    return m_count;
}

int ExtIntArray::RemoveAt(int index)
{
    if (index < 0)
        return 0;
    if (index >= m_count)
        return m_count;
    std::memmove(m_items + index, m_items + index + 1, size_t(m_count - index - 1) * sizeof(int));
    return --m_count;
}
