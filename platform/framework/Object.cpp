#include "platform/framework/Object.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {
struct ClassRegistry {
    std::mutex lock;
    std::vector<const CRuntimeClass*> classes;
};
ClassRegistry& Registry()
{
    static ClassRegistry registry;
    return registry;
}
}

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* current = this; current; current = current->GetBaseClass())
        if (current == base)
            return TRUE;
    return FALSE;
}

void CRuntimeClass::Register(const CRuntimeClass* runtimeClass)
{
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    for (const CRuntimeClass* known : registry.classes)
        if (known == runtimeClass)
            return;
    registry.classes.push_back(runtimeClass);
}

const CRuntimeClass* CRuntimeClass::FromName(const char* className)
{
    if (!className)
        return nullptr;
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    for (const CRuntimeClass* known : registry.classes)
        if (std::strcmp(known->m_lpszClassName, className) == 0)
            return known;
    return nullptr;
}

const CRuntimeClass* CObject::GetThisClass()
{
    static const CRuntimeClass record = { "CObject", int(sizeof(CObject)), 0xFFFF, nullptr, nullptr };
    return &record;
}
static const AFX_CLASSINIT _init_CObject(CObject::GetThisClass());

const CRuntimeClass* CObject::GetRuntimeClass() const { return GetThisClass(); }

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

void CObject::Serialize(CArchive&) { }
