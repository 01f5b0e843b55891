#pragma once
// The counted registry behind one public zip object: it owns every archive and every entry ever
// created through it, and finds an archive by its id so that a stale handle finds nothing instead
// of freed memory. One thread at a time.

#include "components/foundation/ExtPtrArray.h"

class ClsZip2;
class ClsZipEntry2;

class ZipSystem {
public:
    ZipSystem() = default;
    ZipSystem(const ZipSystem&) = delete;
    ZipSystem& operator=(const ZipSystem&) = delete;
    virtual ~ZipSystem();

    void AddRef() { ++m_refCount; }
    // A count of 0 or less stays 0 and deletes nothing; the registry deletes itself when the
    // count falls from 1 to 0. Returns the new count.
    int Release();
    int RefCount() const { return m_refCount; }

    // The archive at *hint when its id matches, else a scan that corrects *hint; null when none.
    ClsZip2* FindZip(int id, int* hint);
    // Position of the archive (appended when new); 0 for null.
    int RegisterZip(ClsZip2* zip);
    int RegisterEntry(ClsZipEntry2* entry);

    int ZipCount() const { return m_zips.GetCount(); }
    int EntryCount() const { return m_entries.GetCount(); }

private:
    int m_refCount = 0;
    ExtPtrArray m_zips;
    ExtPtrArray m_entries;
};
