#include "components/foundation/ExtPtrArray.h"

#include "components/foundation/TorvaneObject.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kDefaultStep = 5;
constexpr int kStepCeiling = 100000;
}

ExtPtrArray::ExtPtrArray()
    : m_step(kDefaultStep)
    , m_capacity(0)
    , m_count(0)
    , m_items(nullptr)
{
}

ExtPtrArray::~ExtPtrArray() { std::free(m_items); }

void ExtPtrArray::ConstructWithCapacity(int capacity, int step)
{
    std::free(m_items);
    m_capacity = capacity <= 0 ? kDefaultStep : capacity;
    m_step = step <= 0 ? kDefaultStep : step;
    m_count = 0;
    m_items = static_cast<void**>(std::calloc(size_t(m_capacity), sizeof(void*)));
    if (!m_items)
        m_capacity = 0;
}

bool ExtPtrArray::GrowByOne()
{
    if (!m_items) {
        m_items = static_cast<void**>(std::calloc(kDefaultStep, sizeof(void*)));
        if (!m_items)
            return false;
        m_capacity = kDefaultStep;
    }
    if (m_count == INT_MAX)
        return false;
    int count = m_count + 1;
    if (count > m_capacity) {
        long long capacity = (long long)m_capacity + m_step;
        if (capacity <= count)
            capacity = (long long)count + 1;
        if (capacity > INT_MAX)
            capacity = INT_MAX;
        auto* items = static_cast<void**>(std::calloc(size_t(capacity), sizeof(void*)));
        if (!items)
            return false;
        std::memcpy(items, m_items, size_t(m_count) * sizeof(void*));
        std::free(m_items);
        m_items = items;
        m_capacity = int(capacity);
        if (m_step <= kStepCeiling - 1)
            m_step = m_capacity > kStepCeiling ? kStepCeiling : m_capacity;
    }
    m_count = count;
    return true;
}

int ExtPtrArray::Append(TorvaneObject* object) { return AppendRaw(object); }

int ExtPtrArray::AppendRaw(void* block)
{
    if (!GrowByOne())
        return m_count;
    m_items[m_count - 1] = block;
    return m_count;
}

void ExtPtrArray::InsertAt(int index, TorvaneObject* object)
{
    if (index < 0)
        index = 0;
    if (index > m_count)
        index = m_count;
    if (!GrowByOne())
        return;
    std::memmove(m_items + index + 1, m_items + index, size_t(m_count - 1 - index) * sizeof(void*));
    m_items[index] = object;
}

void ExtPtrArray::SetAt(int index, TorvaneObject* object)
{
    if (index < 0)
        return;
    while (m_count <= index) {
        if (!GrowByOne())
            return;
        m_items[m_count - 1] = nullptr;
    }
    m_items[index] = object;
}

TorvaneObject* ExtPtrArray::GetAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return static_cast<TorvaneObject*>(m_items[index]);
}

void* ExtPtrArray::GetRawAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_items[index];
}

TorvaneObject* ExtPtrArray::Last() const { return GetAt(m_count - 1); }

TorvaneObject* ExtPtrArray::RemoveAt(int index)
{
    if (index < 0 || index >= m_count)
        return nullptr;
    void* removed = m_items[index];
    std::memmove(m_items + index, m_items + index + 1, size_t(m_count - index - 1) * sizeof(void*));
    --m_count;
    m_items[m_count] = nullptr;
    return static_cast<TorvaneObject*>(removed);
}

TorvaneObject* ExtPtrArray::Pop() { return RemoveAt(m_count - 1); }

void ExtPtrArray::DeleteAll()
{
    for (int i = 0; i < m_count; ++i) {
        delete static_cast<TorvaneObject*>(m_items[i]);
        m_items[i] = nullptr;
    }
    m_count = 0;
}

void ExtPtrArray::FreeAllRaw()
{
    for (int i = 0; i < m_count; ++i) {
        std::free(m_items[i]);
        m_items[i] = nullptr;
    }
    m_count = 0;
}
