#include "components/foundation/TorvaneRand.h"

#include "platform/base/Random.h"

#include <ctime>
#include <mutex>

namespace {

struct R250State {
    std::uint32_t table[250] = {};
    int index = 0;
    int tap = 103;
    bool seeded = false;
};

// The table is shared by all threads: one lock keeps a draw from seeing a half-filled table.
std::mutex g_lock;
R250State g_state;

void FillTableLocked()
{
    g_state.index = 0;
    g_state.tap = 103;
    for (int i = 249; i >= 0; --i) {
        std::uint32_t r1 = std::uint32_t(RuntimeRand());
        std::uint32_t r2 = std::uint32_t(RuntimeRand());
        std::uint32_t r3 = std::uint32_t(RuntimeRand());
        g_state.table[i] = ((r1 | (r2 << 15)) << 2) | (r3 & 3);
    }
    // Makes the words linearly independent.
    for (int j = 0; j < 32; ++j) {
        std::uint32_t& word = g_state.table[3 + 7 * j];
        word = (word & (0xFFFFFFFFu >> j)) | (0x80000000u >> j);
    }
}

} // namespace

TorvaneRand::TorvaneRand()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_state.seeded)
        return;
    g_state.seeded = true;
    RuntimeSrand(unsigned(std::uint64_t(std::time(nullptr)) & 0xFFFFFFFFu));
    FillTableLocked();
}

void TorvaneRand::Seed(std::uint32_t value)
{
    std::lock_guard<std::mutex> guard(g_lock);
    RuntimeSrand(value);
    FillTableLocked();
}

std::uint32_t TorvaneRand::NextRandom()
{
    std::lock_guard<std::mutex> guard(g_lock);
    std::uint32_t value = g_state.table[g_state.index] ^ g_state.table[g_state.tap];
    g_state.table[g_state.index] = value;
    g_state.index = (g_state.index + 1) % 250;
    g_state.tap = (g_state.tap + 1) % 250;
    return value;
}

std::uint32_t TorvaneRand::RandomInRange(std::uint32_t low, std::uint32_t high)
{
    if (low == high)
        return low;
    std::uint32_t d = high - low;
    double offset = double(RuntimeRand()) * double(d) / 32768.0;
    std::uint32_t result = std::uint32_t(std::uint64_t(low) + std::uint64_t(offset));
    if (result < low)
        result = low;
    if (result > high)
        result = high;
    return result;
}

std::uint32_t TorvaneRand::TableWordForTesting(int index)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return (index >= 0 && index < 250) ? g_state.table[index] : 0;
}
