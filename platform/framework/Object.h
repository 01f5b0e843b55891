#pragma once
// The class library's object model: run-time class records, dynamic creation and the by-name
// registry that archives use to find a class from its stored name.

#include "platform/base/Types.h"

#include <cstdint>

using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;

class CObject;
class CArchive;

// A schema with this bit set accepts objects written by any schema on load.
constexpr UINT VERSIONABLE_SCHEMA = 0x80000000u;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF for classes that cannot be serialised
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* (*m_pfnGetBaseClass)();

    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    const CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr; }

    // Classes are found by their exact name; null when unknown.
    static const CRuntimeClass* FromName(const char* className);
    static void Register(const CRuntimeClass* runtimeClass);
};

inline const CRuntimeClass* FindRuntimeClassByName(const char* className) { return CRuntimeClass::FromName(className); }

// Registers a class record in the by-name list while the program starts.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(const CRuntimeClass* runtimeClass) { CRuntimeClass::Register(runtimeClass); }
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                                                                                  \
public:                                                                                                              \
    static const CRuntimeClass* GetThisClass();                                                                      \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                                \
    DECLARE_DYNAMIC(class_name)                                                                                      \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name)                                                                                   \
    DECLARE_DYNCREATE(class_name)                                                                                    \
    friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                                      \
    const CRuntimeClass* class_name::GetThisClass()                                                                  \
    {                                                                                                                \
        static const CRuntimeClass record = { #class_name, int(sizeof(class_name)), wSchema, pfnNew,                 \
            &base_class_name::GetThisClass };                                                                        \
        return &record;                                                                                              \
    }                                                                                                                \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return class_name::GetThisClass(); }                  \
    static const AFX_CLASSINIT _init_##class_name(class_name::GetThisClass());

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                               \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                             \
    CObject* class_name::CreateObject() { return new class_name; }                                                   \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, &class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                                       \
    CObject* class_name::CreateObject() { return new class_name; }                                                   \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, &class_name::CreateObject)                      \
    CArchive& operator>>(CArchive& ar, class_name*& pOb)                                                             \
    {                                                                                                                \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));                                     \
        return ar;                                                                                                   \
    }

class CObject {
public:
    virtual ~CObject() = default;

    static const CRuntimeClass* GetThisClass();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;
    BOOL IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
    virtual void Serialize(CArchive& ar);

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
