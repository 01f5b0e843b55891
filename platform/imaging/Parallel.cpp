#include "platform/imaging/ImagingThreads.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::atomic<int> threadLimit{0};

// Below this many pixel-steps a thread costs more to start than it saves.
constexpr long long kMinimumWorkPerBand = 1 << 18;

}  // namespace

void SetImagingThreadLimit(int threads)
{
    threadLimit.store(std::clamp(threads, 0, 64));
}

int GetImagingThreadLimit()
{
    const int limit = threadLimit.load();
    if (limit > 0)
        return limit;
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
}

namespace imaging_internal {

void ForEachRowBand(LONG rows, long long costPerRow, const std::function<void(LONG begin, LONG end)>& body)
{
    if (rows <= 0)
        return;
    const long long work = std::max(1LL, costPerRow) * rows;
    const long long byWork = std::max(1LL, work / kMinimumWorkPerBand);
    const int bands = int(std::min<long long>({GetImagingThreadLimit(), byWork, (long long)rows}));
    if (bands <= 1) {
        body(0, rows);
        return;
    }
    auto bandStart = [&](int band) { return LONG((long long)rows * band / bands); };
    std::vector<std::thread> helpers;
    helpers.reserve(std::size_t(bands - 1));
    int band = 1;
    for (; band < bands; ++band) {
        try {
            helpers.emplace_back(body, bandStart(band), bandStart(band + 1));
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the caller's thread does the rest
        }
    }
    for (int rest = band; rest < bands; ++rest)
        body(bandStart(rest), bandStart(rest + 1));
    body(0, bandStart(1));
    for (std::thread& helper : helpers)
        helper.join();
}

}  // namespace imaging_internal
