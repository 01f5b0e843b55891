#include "platform/base/Random.h"

#include <cstdint>

namespace {
thread_local std::uint32_t t_state = 1;
}

int RuntimeRand()
{
    t_state = t_state * 214013u + 2531011u;
    return int((t_state >> 16) & 0x7FFF);
}

void RuntimeSrand(unsigned int seed) { t_state = seed; }
