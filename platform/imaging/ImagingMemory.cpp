#include "platform/imaging/ImagingMemory.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/codecs/Codecs.h"

#include <algorithm>
#include <atomic>

using namespace imaging_internal;

namespace {
std::atomic<long long> g_budget { IMAGING_DEFAULT_MEMORY_BUDGET };

std::string Megabytes(long long bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }
}

long long GetImagingMemoryBudget() { return g_budget.load(std::memory_order_relaxed); }

void SetImagingMemoryBudget(long long bytes)
{
    g_budget.store(bytes > 0 ? bytes : IMAGING_DEFAULT_MEMORY_BUDGET, std::memory_order_relaxed);
}

int CheckImagingMemory(long long bytes, const std::string& what)
{
    const long long budget = GetImagingMemoryBudget();
    if (bytes >= 0 && bytes <= budget)
        return IMAGING_SUCCESS;
    return Fail(IMAGING_ERROR_TOO_LARGE, what + " needs " + (bytes < 0 ? std::string("more than 8 EB") : Megabytes(bytes)) +
                                             " of working memory, over the imaging budget of " + Megabytes(budget));
}

long long MemoryForLoad(const ImageFileInfo& info, int targetWidth, int targetHeight)
{
    const long long budget = GetImagingMemoryBudget();
    if (info.width <= 0 || info.height <= 0)
        return budget;
    long long width = info.width, height = info.height;
    if (info.format == IMAGE_FORMAT_JPEG && (targetWidth > 0 || targetHeight > 0)) {
        const int scale = JpegScaleFor(width, height, targetWidth, targetHeight);
        width = (width * scale + 7) / 8;
        height = (height * scale + 7) / 8;
    }
    const long long pixels = width * height;
    const int bytesPerPixel = info.bitsPerPixel == 32 ? 4 : 3;
    return std::min(info.fileSize + pixels * bytesPerPixel + info.decoderBytes, budget);
}
