#include "platform/imaging/ImageGeometry.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/ImagingMemory.h"
#include "platform/imaging/ImagingThreads.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

// Per output position: a window of `tapCount` consecutive input positions from `start`, and one
// weight per tap. Windows never leave the input and their starts never decrease, which lets
// the vertical pass keep only `tapCount` resampled rows.
struct AxisTaps {
    int tapCount = 0;
    std::vector<int> start;
    std::vector<float> weights;
};

struct Contribution {
    int position;
    double weight;
};

// Catmull-Rom: interpolating (the input pixels are met exactly), mild overshoot.
double CubicWeight(double distance)
{
    double x = std::fabs(distance);
    if (x < 1.0)
        return 1.5 * x * x * x - 2.5 * x * x + 1.0;
    if (x < 2.0)
        return -0.5 * x * x * x + 2.5 * x * x - 4.0 * x + 2.0;
    return 0.0;
}

void PlaceWindow(AxisTaps& taps, int output, int inputLength, const Contribution* parts, int count)
{
    int minPosition = inputLength;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        minPosition = std::min(minPosition, parts[i].position);
        sum += parts[i].weight;
    }
    int start = std::max(0, std::min(minPosition, inputLength - taps.tapCount));
    taps.start[std::size_t(output)] = start;
    float* weights = &taps.weights[std::size_t(output) * std::size_t(taps.tapCount)];
    for (int i = 0; i < count; ++i)
        weights[parts[i].position - start] += float(parts[i].weight / sum);
}

// Shrinking: each output pixel is the mean of the input span it covers, partial pixels at the
// span's ends counted by the covered fraction.
AxisTaps BuildAreaTaps(int inputLength, int outputLength)
{
    double scale = double(inputLength) / outputLength;
    AxisTaps taps;
    taps.tapCount = std::min(inputLength, int(std::ceil(scale)) + 1);
    taps.start.assign(std::size_t(outputLength), 0);
    taps.weights.assign(std::size_t(outputLength) * std::size_t(taps.tapCount), 0.0f);
    std::vector<Contribution> parts;
    for (int i = 0; i < outputLength; ++i) {
        double low = i * scale, high = (i + 1) * scale;
        int first = int(std::floor(low));
        int last = std::min(inputLength - 1, int(std::ceil(high)) - 1);
        parts.clear();
        for (int j = first; j <= last; ++j) {
            double covered = std::min(high, j + 1.0) - std::max(low, double(j));
            if (covered > 1e-9)
                parts.push_back({j, covered});
        }
        PlaceWindow(taps, i, inputLength, parts.data(), int(parts.size()));
    }
    return taps;
}

// Enlarging: pixel centres map onto the input; four cubic taps, clamped at the edges.
AxisTaps BuildCubicTaps(int inputLength, int outputLength)
{
    double scale = double(inputLength) / outputLength;
    AxisTaps taps;
    taps.tapCount = std::min(inputLength, 4);
    taps.start.assign(std::size_t(outputLength), 0);
    taps.weights.assign(std::size_t(outputLength) * std::size_t(taps.tapCount), 0.0f);
    for (int i = 0; i < outputLength; ++i) {
        double centre = (i + 0.5) * scale - 0.5;
        int base = int(std::floor(centre));
        Contribution parts[4];
        for (int k = 0; k < 4; ++k) {
            int position = base - 1 + k;
            parts[k] = {std::clamp(position, 0, inputLength - 1), CubicWeight(centre - position)};
        }
        PlaceWindow(taps, i, inputLength, parts, 4);
    }
    return taps;
}

AxisTaps BuildTaps(int inputLength, int outputLength)
{
    if (outputLength < inputLength)
        return BuildAreaTaps(inputLength, outputLength);
    return BuildCubicTaps(inputLength, outputLength);
}

template <int Channels>
void ResampleRowHorizontally(const BYTE* source, float* target, const AxisTaps& taps, int outputWidth)
{
    const int tapCount = taps.tapCount;
    for (int x = 0; x < outputWidth; ++x) {
        const float* weights = &taps.weights[std::size_t(x) * std::size_t(tapCount)];
        const BYTE* from = source + std::ptrdiff_t(taps.start[std::size_t(x)]) * Channels;
        float sum[Channels] = {};
        for (int k = 0; k < tapCount; ++k)
            for (int c = 0; c < Channels; ++c)
                sum[c] += weights[k] * from[k * Channels + c];
        for (int c = 0; c < Channels; ++c)
            target[x * Channels + c] = sum[c];
    }
}

void StoreRow(const float* from, BYTE* to, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        float v = from[i] + 0.5f;
        v = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
        to[i] = BYTE(v);
    }
}

template <int Channels>
void ResamplePlane(const ImageBitmap& source, ImageBitmap& target)
{
    const int outputWidth = target.width;
    const AxisTaps horizontal = BuildTaps(source.width, target.width);
    const AxisTaps vertical = BuildTaps(source.height, target.height);
    const std::size_t rowValues = std::size_t(outputWidth) * Channels;

    // Bands of output rows go to the imaging threads. Each band keeps its own horizontally
    // resampled input rows (row r in slot r % tapCount); a row shared by two bands is resampled
    // by both, identically, so the result does not depend on the banding.
    const int slots = vertical.tapCount;
    std::atomic<bool> outOfMemory{false};
    ForEachRowBand(target.height, (long long)rowValues * (slots + horizontal.tapCount), [&](LONG begin, LONG end) {
        std::vector<float> cache, sum;
        std::vector<int> cachedRow;
        try {
            cache.resize(rowValues * std::size_t(slots));
            cachedRow.assign(std::size_t(slots), -1);
            sum.resize(rowValues);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            return;
        }
        for (int y = begin; y < end; ++y) {
            const int start = vertical.start[std::size_t(y)];
            const float* weights = &vertical.weights[std::size_t(y) * std::size_t(slots)];
            std::fill(sum.begin(), sum.end(), 0.0f);
            for (int k = 0; k < slots; ++k) {
                const int row = start + k;
                float* line = &cache[std::size_t(row % slots) * rowValues];
                if (cachedRow[std::size_t(row % slots)] != row) {
                    ResampleRowHorizontally<Channels>(source.Row(row), line, horizontal, outputWidth);
                    cachedRow[std::size_t(row % slots)] = row;
                }
                const float w = weights[k];
                if (w == 0.0f)
                    continue;
                for (std::size_t i = 0; i < rowValues; ++i)
                    sum[i] += w * line[i];
            }
            StoreRow(sum.data(), target.Row(y), rowValues);
        }
    });
    if (outOfMemory)
        throw std::bad_alloc();
}

}  // namespace

int ResizeBitmap(ImageBitmap* bitmap, int width, int height, DWORD /*flags*/)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (width == bitmap->width && height == bitmap->height)
        return IMAGING_SUCCESS;
    // The filter tables hold a start and a few weights per output column and row: an absurd
    // target size makes them larger than any picture.
    auto tapsOf = [](long long input, long long output) {
        return output < input ? std::min(input, (input + output - 1) / std::max(1LL, output) + 1) : std::min(input, 4LL);
    };
    if (width > 0 && height > 0) {
        const long long verticalTaps = tapsOf(bitmap->height, height);
        const long long tables = width * (4 + 4 * tapsOf(bitmap->width, width)) + height * (4 + 4 * verticalTaps);
        // Each band caches as many resampled rows as the vertical filter has taps, plus a sum.
        const long long bands = (long long)width * bitmap->BytesPerPixel() * 4 * (verticalTaps + 1) *
                                std::max(1, GetImagingThreadLimit());
        const long long bytes = tables + bands;
        if (int result = CheckImagingMemory(bytes, "resizing to " + std::to_string(width) + " x " + std::to_string(height));
            result != IMAGING_SUCCESS)
            return result;
    }
    ImageBitmap resized;
    int result = AllocatePixels(&resized, width, height, bitmap->bitsPerPixel, false);
    if (result != IMAGING_SUCCESS)
        return result;
    try {
        switch (bitmap->bitsPerPixel) {
        case 8: ResamplePlane<1>(*bitmap, resized); break;
        case 24: ResamplePlane<3>(*bitmap, resized); break;
        default: ResamplePlane<4>(*bitmap, resized); break;
        }
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while resizing");
    }
    resized.colorOrder = bitmap->colorOrder;
    resized.viewPerspective = bitmap->viewPerspective;
    *bitmap = std::move(resized);
    return IMAGING_SUCCESS;
}
