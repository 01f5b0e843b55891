#pragma once
// The per-thread map from a platform handle to the class-library object that shows it: objects
// that own their handle (permanent), and temporary wrappers made by FromHandle for handles nothing
// owns, which live until the idle clean-up and never free the handle they show.

#include <memory>
#include <unordered_map>

template <class Handle, class Object> class CHandleMap {
public:
    // The owning object, else the temporary wrapper; null when there is neither.
    Object* Lookup(Handle handle) const
    {
        auto p = m_permanent.find(handle);
        if (p != m_permanent.end())
            return p->second;
        auto t = m_temporary.find(handle);
        return t == m_temporary.end() ? nullptr : t->second.get();
    }
    void SetPermanent(Handle handle, Object* object) { m_permanent[handle] = object; }
    // Only the object that owns the entry removes it.
    void RemovePermanent(Handle handle, const Object* object)
    {
        auto p = m_permanent.find(handle);
        if (p != m_permanent.end() && p->second == object)
            m_permanent.erase(p);
    }
    Object* AddTemporary(Handle handle, std::unique_ptr<Object> object)
    {
        auto& slot = m_temporary[handle];
        slot = std::move(object);
        return slot.get();
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
