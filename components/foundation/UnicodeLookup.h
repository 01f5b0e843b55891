#pragma once
// Decoding array of a single-byte code page: entry b is the UTF-16 unit of byte b, 0 when the byte
// is unmapped. Entry 0 is unused (the byte 0 always means U+0000).

#include <cstdint>

class HashConvert;

class UnicodeLookup {
public:
    UnicodeLookup() = default;
    virtual ~UnicodeLookup() = default;

    std::uint16_t Get(unsigned char byte) const { return m_units[byte]; }
    void Set(unsigned char byte, std::uint16_t unit) { m_units[byte] = unit; }

    // Fills every entry 1-255 from a to-Unicode table: bytes below 0x80 of an ASCII-compatible
    // table map to themselves; other bytes take their 1-byte key's 2-byte value, else 0.
    void BuildFrom(const HashConvert& toUnicode);

private:
    std::uint16_t m_units[256] = {};
};

// The loader's name for UnicodeLookup::BuildFrom.
inline void BuildUnicodeLookup(const HashConvert& toUnicode, UnicodeLookup& out) { out.BuildFrom(toUnicode); }
