#include "components/foundation/UnicodeLookup.h"

#include "components/foundation/HashConvert.h"

void UnicodeLookup::BuildFrom(const HashConvert& toUnicode)
{
    m_units[0] = 0;
    for (unsigned b = 1; b < 256; ++b) {
        if (toUnicode.IsAsciiCompatible() && b < 0x80) {
            m_units[b] = std::uint16_t(b);
            continue;
        }
        unsigned char key = (unsigned char)b;
        unsigned char value[HashConvert::kMaxValueLength];
        unsigned length = toUnicode.Lookup(&key, 1, value);
        m_units[b] = length == 2 ? std::uint16_t(value[0] | (value[1] << 8)) : 0;
    }
}
