#pragma once
// The imaging layer's working-memory budget. Decoders and operations work out what they are
// about to allocate (pixels, codec buffers, filter tables) and fail with IMAGING_ERROR_TOO_LARGE
// before allocating when one request is over the budget, so a tiny hostile file or an absurd
// setting gives a clear error instead of gigabytes. The batch's read-ahead sizes what it holds
// with the same estimate (MemoryForLoad) against a share of the same budget.

#include "platform/imaging/ImageFile.h"

#include <string>

// 1 GiB: room for the largest picture the pixel limit allows at 32 bits (800 MB).
constexpr long long IMAGING_DEFAULT_MEMORY_BUDGET = 1LL << 30;

long long GetImagingMemoryBudget();
// Process-wide; a value of 0 or less restores the default.
void SetImagingMemoryBudget(long long bytes);

// IMAGING_SUCCESS when `bytes` fit the budget, else IMAGING_ERROR_TOO_LARGE with a detail naming
// `what` and both sizes.
int CheckImagingMemory(long long bytes, const std::string& what);

// The bytes loading the file described by `info` takes at its peak (the file held whole, the
// decoded pixels, a codec's own buffers), for a load aimed at targetWidth x targetHeight (0 x 0:
// full size). A file whose header did not tell its size counts at the whole budget.
long long MemoryForLoad(const ImageFileInfo& info, int targetWidth = 0, int targetHeight = 0);
