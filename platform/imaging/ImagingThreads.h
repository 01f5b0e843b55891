#pragma once
// How many threads one imaging operation may use for its pixel work. Results never depend on it:
// every pixel is computed the same way whichever thread computes it.

// 0 (the default) uses every core of the machine; 1 keeps all work on the calling thread.
// Values past 64 are taken as 64. Affects operations started afterwards, on every thread.
void SetImagingThreadLimit(int threads);

// The number of threads an operation may use now (at least 1).
int GetImagingThreadLimit();
