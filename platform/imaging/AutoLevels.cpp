#include "platform/imaging/ImageColor.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

using namespace imaging_internal;

namespace {

using Histogram = std::array<long long, 256>;

struct Histograms {
    Histogram channel[3]{};  // blue, green, red (an 8-bit bitmap fills all three with its grey)
    Histogram brightness{};
};

Histograms CountLevels(const ImageBitmap& bitmap)
{
    Histograms total;
    std::mutex merge;
    const int step = bitmap.BytesPerPixel();
    ForEachRowBand(bitmap.height, bitmap.width, [&](LONG begin, LONG end) {
        Histograms local;
        for (LONG y = begin; y < end; ++y) {
            const BYTE* p = bitmap.Row(y);
            for (LONG x = 0; x < bitmap.width; ++x, p += step) {
                if (step == 1) {
                    ++local.brightness[p[0]];
                    continue;
                }
                ++local.channel[0][p[0]];
                ++local.channel[1][p[1]];
                ++local.channel[2][p[2]];
                ++local.brightness[GreyFromBgr(p[0], p[1], p[2])];
            }
        }
        std::lock_guard<std::mutex> lock(merge);
        for (int v = 0; v < 256; ++v) {
            for (int c = 0; c < 3; ++c)
                total.channel[c][v] += local.channel[c][v];
            total.brightness[v] += local.brightness[v];
        }
    });
    if (step == 1)
        total.channel[0] = total.channel[1] = total.channel[2] = total.brightness;
    return total;
}

// The levels below which `blackShare` and above which `whiteShare` (in 1/10000) of the counted
// values lie.
void FindEnds(const Histogram& histogram, int blackShare, int whiteShare, int* low, int* high)
{
    long long total = 0;
    for (long long n : histogram)
        total += n;
    const long long blackCount = total * blackShare / 10000, whiteCount = total * whiteShare / 10000;
    long long seen = 0;
    *low = 0;
    while (*low < 255 && (seen += histogram[std::size_t(*low)]) <= blackCount)
        ++*low;
    seen = 0;
    *high = 255;
    while (*high > 0 && (seen += histogram[std::size_t(*high)]) <= whiteCount)
        --*high;
}

void Stretch(BYTE* table, int low, int high)
{
    for (int v = 0; v < 256; ++v) {
        if (high <= low) {
            table[v] = BYTE(v);
            continue;
        }
        const double t = (v - low) * 255.0 / (high - low);
        table[v] = BYTE(std::clamp<long>(std::lround(t), 0, 255));
    }
}

int MedianOf(const Histogram& histogram)
{
    long long total = 0;
    for (long long n : histogram)
        total += n;
    long long seen = 0;
    for (int v = 0; v < 256; ++v)
        if ((seen += histogram[std::size_t(v)]) * 2 >= total)
            return v;
    return 255;
}

}  // namespace

int AutoLevelBitmap(ImageBitmap* bitmap, int blackClip, int whiteClip, int mode)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (blackClip < 0 || whiteClip < 0 || blackClip > 5000 || whiteClip > 5000 || blackClip + whiteClip >= 10000)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT,
                    "level clips " + std::to_string(blackClip) + " and " + std::to_string(whiteClip) + " out of range");
    if (mode != IMAGING_LEVELS_COLOR && mode != IMAGING_LEVELS_CONTRAST && mode != IMAGING_LEVELS_INTENSITY)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "unknown levels mode " + std::to_string(mode));

    const Histograms counted = CountLevels(*bitmap);
    ToneTables tables;
    if (mode == IMAGING_LEVELS_COLOR) {
        for (int c = 0; c < 3; ++c) {
            int low = 0, high = 255;
            FindEnds(counted.channel[c], blackClip, whiteClip, &low, &high);
            Stretch(tables.channel[c], low, high);
        }
    } else if (mode == IMAGING_LEVELS_CONTRAST) {
        Histogram all{};
        for (int v = 0; v < 256; ++v)
            all[std::size_t(v)] = counted.channel[0][v] + counted.channel[1][v] + counted.channel[2][v];
        int low = 0, high = 255;
        FindEnds(all, blackClip, whiteClip, &low, &high);
        for (int c = 0; c < 3; ++c)
            Stretch(tables.channel[c], low, high);
    } else {
        // (median / 255) ^ exponent = 1/2.
        const int median = std::clamp(MedianOf(counted.brightness), 1, 254);
        const double exponent = std::clamp(std::log(0.5) / std::log(median / 255.0), 0.5, 2.0);
        for (int v = 0; v < 256; ++v) {
            const BYTE out = BYTE(std::clamp<long>(std::lround(255.0 * std::pow(v / 255.0, exponent)), 0, 255));
            tables.channel[0][v] = tables.channel[1][v] = tables.channel[2][v] = out;
        }
    }
    ApplyToneTables(*bitmap, tables);
    return IMAGING_SUCCESS;
}
