#include "components/zip/ZipSystem.h"

#include "components/zip/ClsZip2.h"
#include "components/zip/ClsZipEntry2.h"

ZipSystem::~ZipSystem()
{
    // Archives first: they drop their references on entries that are still alive.
    m_zips.DeleteAll();
    m_entries.DeleteAll();
}

int ZipSystem::Release()
{
    if (m_refCount <= 0) {
        m_refCount = 0;
        return 0;
    }
    if (--m_refCount == 0) {
        delete this;
        return 0;
    }
    return m_refCount;
}

ClsZip2* ZipSystem::FindZip(int id, int* hint)
{
    if (hint != nullptr && *hint >= 0 && *hint < m_zips.GetCount()) {
        ClsZip2* zip = m_zips.GetAtAs<ClsZip2>(*hint);
        if (zip != nullptr && zip->GetId() == id) return zip;
    }
    for (int i = 0; i < m_zips.GetCount(); ++i) {
        ClsZip2* zip = m_zips.GetAtAs<ClsZip2>(i);
        if (zip != nullptr && zip->GetId() == id) {
            if (hint != nullptr) *hint = i;
            return zip;
        }
    }
    return nullptr;
}

int ZipSystem::RegisterZip(ClsZip2* zip)
{
    if (zip == nullptr) return 0;
    for (int i = 0; i < m_zips.GetCount(); ++i)
        if (m_zips.GetAt(i) == static_cast<TorvaneObject*>(zip)) return i;
    return m_zips.Append(zip) - 1;
}

int ZipSystem::RegisterEntry(ClsZipEntry2* entry)
{
    return m_entries.Append(entry) - 1;
}
