#pragma once
// The hash table behind every table-driven code page: keys and values are short byte strings
// (1 to 4 bytes), hashed by their first bytes read as a little-endian number. Equal keys may be
// added twice; lookups find the one added first. Read-only use from several threads is safe.

#include <cstddef>
#include <cstdint>
#include <vector>

class HashConvert {
public:
    static constexpr unsigned kMaxKeyLength = 4;
    static constexpr unsigned kMaxValueLength = 4;

    HashConvert() = default;
    HashConvert(const HashConvert&) = delete;
    HashConvert& operator=(const HashConvert&) = delete;
    virtual ~HashConvert() = default;

    // Frees what the table holds, then makes n empty buckets.
    void Init(unsigned bucketCount);
    void Clear();
    // Keys or values of 0 or more than 4 bytes are refused (false, nothing added).
    bool Add(const unsigned char* key, unsigned keyLength, const unsigned char* value, unsigned valueLength);
    // Removes every entry with this key; an absent key changes nothing.
    void Remove(const unsigned char* key, unsigned keyLength);
    // Copies the value (at most kMaxValueLength bytes) and returns its length; 0 when absent.
    unsigned Lookup(const unsigned char* key, unsigned keyLength, unsigned char* value) const;
    // Adds to `other` every entry of this table with key and value exchanged, bucket by bucket.
    void AddInverseTo(HashConvert& other) const;

    void SetAsciiCompatible(bool compatible) { m_asciiCompatible = compatible; }
    bool IsAsciiCompatible() const { return m_asciiCompatible; }
    unsigned GetBucketCount() const { return unsigned(m_buckets.size()); }
    // Number of entries (for checks and tests).
    unsigned CountEntries() const;

    // Calls `visit(key, keyLength, value, valueLength)` for every entry in bucket order.
    template <typename Visit> void ForEachEntry(Visit&& visit) const
    {
        for (const std::vector<unsigned char>& bucket : m_buckets) {
            for (std::size_t at = 0; at < bucket.size();) {
                unsigned keyLength = bucket[at];
                const unsigned char* key = &bucket[at + 1];
                unsigned valueLength = bucket[at + 1 + keyLength];
                const unsigned char* value = &bucket[at + 2 + keyLength];
                visit(key, keyLength, value, valueLength);
                at += 2 + keyLength + valueLength;
            }
        }
    }

private:
    unsigned BucketOf(const unsigned char* key, unsigned keyLength) const;

    bool m_asciiCompatible = false;
    // Each bucket holds its entries back to back: key length, key, value length, value.
    std::vector<std::vector<unsigned char>> m_buckets;
};
