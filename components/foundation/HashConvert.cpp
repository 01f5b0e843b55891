#include "components/foundation/HashConvert.h"

#include <cstring>

void HashConvert::Init(unsigned bucketCount)
{
    Clear();
    m_buckets.resize(bucketCount);
}

void HashConvert::Clear()
{
    m_buckets.clear();
    m_buckets.shrink_to_fit();
}

unsigned HashConvert::BucketOf(const unsigned char* key, unsigned keyLength) const
{
    std::uint32_t number = 0;
    for (unsigned i = 0; i < keyLength && i < 4; ++i)
        number |= std::uint32_t(key[i]) << (8 * i);
    return unsigned(number % m_buckets.size());
}

bool HashConvert::Add(const unsigned char* key, unsigned keyLength, const unsigned char* value, unsigned valueLength)
{
    if (m_buckets.empty() || !key || keyLength == 0 || keyLength > kMaxKeyLength || valueLength == 0
        || valueLength > kMaxValueLength || !value)
        return false;
    std::vector<unsigned char>& bucket = m_buckets[BucketOf(key, keyLength)];
    bucket.push_back((unsigned char)keyLength);
    bucket.insert(bucket.end(), key, key + keyLength);
    bucket.push_back((unsigned char)valueLength);
    bucket.insert(bucket.end(), value, value + valueLength);
    return true;
}

void HashConvert::Remove(const unsigned char* key, unsigned keyLength)
{
    if (m_buckets.empty() || !key || keyLength == 0 || keyLength > kMaxKeyLength)
        return;
    std::vector<unsigned char>& bucket = m_buckets[BucketOf(key, keyLength)];
    std::vector<unsigned char> kept;
    for (size_t at = 0; at < bucket.size();) {
        unsigned entryKeyLength = bucket[at];
        unsigned entryValueLength = bucket[at + 1 + entryKeyLength];
        size_t entrySize = 2 + entryKeyLength + entryValueLength;
        bool same = entryKeyLength == keyLength && std::memcmp(&bucket[at + 1], key, keyLength) == 0;
        if (!same)
            kept.insert(kept.end(), bucket.begin() + long(at), bucket.begin() + long(at + entrySize));
        at += entrySize;
    }
    bucket.swap(kept);
    if (bucket.empty())
        bucket.shrink_to_fit();
}

unsigned HashConvert::Lookup(const unsigned char* key, unsigned keyLength, unsigned char* value) const
{
    if (m_buckets.empty() || !key || keyLength == 0 || keyLength > kMaxKeyLength)
        return 0;
    const std::vector<unsigned char>& bucket = m_buckets[BucketOf(key, keyLength)];
    for (size_t at = 0; at < bucket.size();) {
        unsigned entryKeyLength = bucket[at];
        unsigned entryValueLength = bucket[at + 1 + entryKeyLength];
        if (entryKeyLength == keyLength && std::memcmp(&bucket[at + 1], key, keyLength) == 0) {
            if (value)
                std::memcpy(value, &bucket[at + 2 + entryKeyLength], entryValueLength);
            return entryValueLength;
        }
        at += 2 + entryKeyLength + entryValueLength;
    }
    return 0;
}

void HashConvert::AddInverseTo(HashConvert& other) const
{
    ForEachEntry([&other](const unsigned char* key, unsigned keyLength, const unsigned char* value,
                     unsigned valueLength) { other.Add(value, valueLength, key, keyLength); });
}

unsigned HashConvert::CountEntries() const
{
    unsigned count = 0;
    ForEachEntry([&count](const unsigned char*, unsigned, const unsigned char*, unsigned) { ++count; });
    return count;
}
