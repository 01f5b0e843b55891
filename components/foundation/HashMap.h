#pragma once
// Map from text keys (exact, case-sensitive) to owned objects. A key's bucket is the CRC-32 of its
// MD5 digest, so similar keys spread over the buckets.

#include "platform/base/Types.h"

class NamedObject;
class TorvaneObject;
class TV_List;
namespace torvane {
class StringBuffer;
}

class HashMap {
public:
    explicit HashMap(unsigned bucketCount);
    HashMap(const HashMap&) = delete;
    HashMap& operator=(const HashMap&) = delete;
    virtual ~HashMap();

    // Deletes every entry with its value; the bucket count stays.
    void Clear();

    TorvaneObject* Lookup(const torvane::StringBuffer& key) const;
    TorvaneObject* LookupByName(const char* key) const;
    NamedObject* FindEntry(const torvane::StringBuffer& key) const;
    bool Contains(const char* key) const;

    void SetObject(const torvane::StringBuffer& key, TorvaneObject* value);
    void SetObjectByName(const char* key, TorvaneObject* value);
    void SetString(const char* key, const char* value);
    // Stores a plain object, so the map serves as a set.
    void AddName(const char* key);
    // Appends the value's text to out; false for a null or absent key.
    bool GetString(const char* key, torvane::StringBuffer& out) const;
    void Remove(const torvane::StringBuffer& key);
    void RemoveByName(const char* key);

    unsigned GetBucketCount() const { return m_bucketCount; }
    // The bucket a key falls in (exposed for tests of the spread).
    unsigned BucketOf(const char* key, int length) const;

private:
    NamedObject* FindEntryIn(const char* key, int length, TV_List*& bucket, void*& item) const;

    unsigned m_bucketCount;
    TV_List* m_buckets;
};
