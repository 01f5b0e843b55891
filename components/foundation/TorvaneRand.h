#pragma once
// Process-wide R250 shift-register generator seeded from the runtime's rand(); not for
// cryptography. Used for salts, temporary names, identifiers and ports.

#include <cstdint>

class TorvaneRand {
public:
    // The first construction in the process seeds from the clock and fills the table.
    TorvaneRand();
    virtual ~TorvaneRand() = default;

    static void Seed(std::uint32_t value);
    static std::uint32_t NextRandom();
    // low..high-1 for high > low (high itself is never drawn), high for high < low.
    static std::uint32_t RandomInRange(std::uint32_t low, std::uint32_t high);

    // The current table word at a position (for tests of the fill).
    static std::uint32_t TableWordForTesting(int index);
};
