#pragma once
// The per-thread map from a platform handle to the class-library object that shows it: objects
// that own their handle (permanent), and temporary wrappers made by FromHandle for handles nothing
// owns, which live until the idle clean-up and never free the handle they show.

#include <memory>
#include <unordered_map>

template <class Handle, class Object> class CHandleMap {
public:
    // The owning object, else the temporary wrapper, else a new temporary wrapper from `make`
    // (a std::unique_ptr to the object showing the handle); null for a null handle.
    template <class Make> Object* FromHandle(Handle handle, Make make)
    {
        if (!handle)
            return nullptr;
        auto p = m_permanent.find(handle);
        if (p != m_permanent.end())
            return p->second;
        auto t = m_temporary.find(handle);
        if (t != m_temporary.end())
            return t->second.get();
        return (m_temporary[handle] = make()).get();
    }
    void SetPermanent(Handle handle, Object* object) { m_permanent[handle] = object; }
    Object* Permanent(Handle handle) const
    {
        auto p = m_permanent.find(handle);
        return p == m_permanent.end() ? nullptr : p->second;
    }
    size_t TemporaryCount() const { return m_temporary.size(); }
    // Only the object that owns the entry removes it.
    void RemovePermanent(Handle handle, const Object* object)
    {
        auto p = m_permanent.find(handle);
        if (p != m_permanent.end() && p->second == object)
            m_permanent.erase(p);
    }
    // `release` clears the wrapper's handle so that its destructor leaves the handle alone.
    template <class Release> void DeleteTemporary(Release release)
    {
        for (auto& [handle, object] : m_temporary)
            release(*object);
        m_temporary.clear();
    }

private:
    std::unordered_map<Handle, Object*> m_permanent;
    std::unordered_map<Handle, std::unique_ptr<Object>> m_temporary;
};
