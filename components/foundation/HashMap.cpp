#include "components/foundation/HashMap.h"

#include "components/foundation/Md5.h"
#include "components/foundation/NamedObject.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TV_List.h"
#include "components/foundation/ZipCRC.h"

#include <cstring>

HashMap::HashMap(unsigned bucketCount)
    : m_bucketCount(bucketCount == 0 ? 1 : bucketCount)
    , m_buckets(new TV_List[m_bucketCount])
{
}

HashMap::~HashMap()
{
    Clear();
    delete[] m_buckets;
}

void HashMap::Clear()
{
    for (unsigned i = 0; i < m_bucketCount; ++i) {
        for (TV_ListItem* item = m_buckets[i].m_head; item; item = item->m_next)
            delete item->m_object;
        m_buckets[i].Clear();
    }
}

unsigned HashMap::BucketOf(const char* key, int length) const
{
    torvane::StringBuffer keyBuffer = torvane::StringBuffer::ConstructFromBytes(key, length, 0);
    unsigned char digest[16];
    Md5Digest(keyBuffer.GetText(), unsigned(keyBuffer.GetLength()), digest);
    ZipCRC crc;
    return crc.CrcOfBytes(digest, 16) % m_bucketCount;
}

NamedObject* HashMap::FindEntryIn(const char* key, int length, TV_List*& bucket, void*& itemOut) const
{
    bucket = &m_buckets[BucketOf(key, length)];
    for (TV_ListItem* item = bucket->m_head; item; item = item->m_next) {
        auto* entry = static_cast<NamedObject*>(item->m_object);
        if (entry && std::strcmp(entry->GetName(), key) == 0) {
            itemOut = item;
            return entry;
        }
    }
    itemOut = nullptr;
    return nullptr;
}

NamedObject* HashMap::FindEntry(const torvane::StringBuffer& key) const
{
    TV_List* bucket = nullptr;
    void* item = nullptr;
    return FindEntryIn(key.GetText(), key.GetLength(), bucket, item);
}

TorvaneObject* HashMap::Lookup(const torvane::StringBuffer& key) const
{
    NamedObject* entry = FindEntry(key);
    return entry ? entry->GetValue() : nullptr;
}

TorvaneObject* HashMap::LookupByName(const char* key) const
{
    if (!key)
        return nullptr;
    TV_List* bucket = nullptr;
    void* item = nullptr;
    NamedObject* entry = FindEntryIn(key, int(std::strlen(key)), bucket, item);
    return entry ? entry->GetValue() : nullptr;
}

bool HashMap::Contains(const char* key) const
{
    if (!key)
        return false;
    TV_List* bucket = nullptr;
    void* item = nullptr;
    return FindEntryIn(key, int(std::strlen(key)), bucket, item) != nullptr;
}

void HashMap::SetObject(const torvane::StringBuffer& key, TorvaneObject* value)
{
    TV_List* bucket = nullptr;
    void* item = nullptr;
    if (NamedObject* entry = FindEntryIn(key.GetText(), key.GetLength(), bucket, item)) {
        entry->SetValue(value);
        return;
    }
    bucket->PushFront(new NamedObject(key.GetText(), value));
}

void HashMap::SetObjectByName(const char* key, TorvaneObject* value)
{
    if (!key)
        return;
    SetObject(torvane::StringBuffer(key), value);
}

void HashMap::SetString(const char* key, const char* value)
{
    if (!key)
        return;
    SetObjectByName(key, new torvane::StringBuffer(value ? value : ""));
}

void HashMap::AddName(const char* key)
{
    if (!key)
        return;
    SetObjectByName(key, new TorvaneObject());
}

bool HashMap::GetString(const char* key, torvane::StringBuffer& out) const
{
    if (!key)
        return false;
    TV_List* bucket = nullptr;
    void* item = nullptr;
    NamedObject* entry = FindEntryIn(key, int(std::strlen(key)), bucket, item);
    if (!entry)
        return false;
    auto* text = dynamic_cast<torvane::StringBuffer*>(entry->GetValue());
    if (!text)
        return false;
    out.AppendBuffer(*text);
    return true;
}

void HashMap::Remove(const torvane::StringBuffer& key)
{
    TV_List* bucket = nullptr;
    void* item = nullptr;
    NamedObject* entry = FindEntryIn(key.GetText(), key.GetLength(), bucket, item);
    if (!entry)
        return;
    bucket->RemoveItem(static_cast<TV_ListItem*>(item));
    delete entry;
}

void HashMap::RemoveByName(const char* key)
{
    if (!key)
        return;
    Remove(torvane::StringBuffer(key));
}
