#pragma once
// The desktop runtime's rand/srand: a linear congruential generator (state * 214013 + 2531011)
// giving 15-bit results (0..32767) from bits 16-30 of the state. The state is per thread and starts
// at seed 1 on every thread, so unseeded threads repeat the same sequence, as on the platform.
// (glibc's rand has a 31-bit range and one process-wide state, which the callers cannot use.)

constexpr int RUNTIME_RAND_MAX = 0x7FFF;

int RuntimeRand();
void RuntimeSrand(unsigned int seed);
