#pragma once
// Atomic reference counting for objects shared between threads (stacks, actions, targets and
// batches are used by the user-interface thread and the batch worker thread at once). A new
// object starts with one reference, owned by its creator; every further holder calls AddRef and
// later Release; the object deletes itself when the last reference is released.

#include <atomic>
#include <utility>

class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    // Both return the new count (for diagnostics only: another thread may change it at once).
    long AddRef() const { return m_references.fetch_add(1, std::memory_order_relaxed) + 1; }
    long Release() const
    {
        long remaining = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (remaining == 0)
            delete this;
        return remaining;
    }
    long ReferenceCount() const { return m_references.load(std::memory_order_relaxed); }

protected:
    virtual ~RefCounted() = default;

private:
    mutable std::atomic<long> m_references { 1 };
};

// Owning handle: holds one reference. `Adopt` takes over the creator's reference; the constructor
// from a raw pointer adds one of its own.
template <typename T> class RefPtr {
public:
    RefPtr() = default;
    RefPtr(T* object)
        : m_object(object)
    {
        if (m_object)
            m_object->AddRef();
    }
    static RefPtr Adopt(T* object)
    {
        RefPtr p;
        p.m_object = object;
        return p;
    }
    RefPtr(const RefPtr& other)
        : RefPtr(other.m_object)
    {
    }
    RefPtr(RefPtr&& other) noexcept
        : m_object(std::exchange(other.m_object, nullptr))
    {
    }
    ~RefPtr()
    {
        if (m_object)
            m_object->Release();
    }
    RefPtr& operator=(RefPtr other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    // Gives up the reference without releasing it.
    T* leak() { return std::exchange(m_object, nullptr); }

private:
    T* m_object = nullptr;
};
