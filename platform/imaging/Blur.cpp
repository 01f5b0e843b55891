// Gaussian blur. Small kernels (sigma up to 8 pixels) are convolved exactly, separably, in
// floating point; larger ones are approximated by three successive box filters with integer
// running sums (8.8 fixed point), whose cost does not grow with the size. Rows are worked in
// chunks, each recomputing the rows around it that it reads, so every output pixel is computed
// by the same arithmetic whichever thread or chunk computes it.

#include "platform/imaging/ImageEffects.h"

#include "platform/imaging/ImagingInternal.h"
#include "platform/imaging/ImagingThreads.h"
#include "platform/imaging/ImagingMemory.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

using namespace imaging_internal;

namespace {

constexpr double kLargestExactSigma = 8.0;

struct BlurKernel {
    bool boxes = false;
    int reach = 0;               // rows (and columns) read on each side of an output pixel
    std::vector<float> weights;  // exact kernel: 2 * reach + 1 taps
    int boxRadius[3] = {0, 0, 0};
};

// Box widths whose triple convolution has the variance of the Gaussian (W. Jarosz, "Fast
// image convolutions", with the rounding rule of I. Kutskir).
void ChooseBoxes(double sigma, int radius[3])
{
    const int n = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double mIdeal = (12.0 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3.0 * n) / (-4.0 * lower - 4.0);
    const int m = int(std::lround(mIdeal));
    for (int i = 0; i < n; ++i)
        radius[i] = ((i < m ? lower : upper) - 1) / 2;
}

BlurKernel MakeKernel(double sigma)
{
    BlurKernel kernel;
    if (sigma <= 0) {
        kernel.weights = {1.0f};
        return kernel;
    }
    if (sigma > kLargestExactSigma) {
        kernel.boxes = true;
        ChooseBoxes(sigma, kernel.boxRadius);
        kernel.reach = kernel.boxRadius[0] + kernel.boxRadius[1] + kernel.boxRadius[2];
        return kernel;
    }
    kernel.reach = std::max(1, int(std::ceil(3.0 * sigma)));
    std::vector<double> exact(std::size_t(2 * kernel.reach + 1));
    double sum = 0;
    for (int i = -kernel.reach; i <= kernel.reach; ++i)
        sum += exact[std::size_t(i + kernel.reach)] = std::exp(-(i * i) / (2.0 * sigma * sigma));
    for (double w : exact)
        kernel.weights.push_back(float(w / sum));
    return kernel;
}

inline LONG Clamp(LONG v, LONG high) { return v < 0 ? 0 : (v > high ? high : v); }

// ---- exact kernel ----

template <int C>
void ConvolveRow(const BYTE* in, float* out, LONG width, const BlurKernel& kernel)
{
    const int r = kernel.reach;
    const float* w = kernel.weights.data();
    for (LONG x = 0; x < width; ++x) {
        float sum[C] = {};
        const bool interior = x >= r && x + r < width;
        for (int k = -r; k <= r; ++k) {
            const LONG at = interior ? x + k : Clamp(x + k, width - 1);
            const BYTE* p = in + std::ptrdiff_t(at) * C;
            for (int c = 0; c < C; ++c)
                sum[c] += w[k + r] * p[c];
        }
        for (int c = 0; c < C; ++c)
            out[std::ptrdiff_t(x) * C + c] = sum[c];
    }
}

template <int C>
void ExactChunk(const ImageBitmap& source, const BlurKernel& kernel, LONG first, LONG last, BYTE* output,
                LONG outputTop, std::vector<float>& rows, std::vector<float>& sum)
{
    const LONG width = source.width, height = source.height;
    const int r = kernel.reach;
    const std::size_t values = std::size_t(width) * C;
    const LONG low = std::max<LONG>(0, first - r), high = std::min<LONG>(height, last + r);
    rows.resize(values * std::size_t(high - low));
    sum.resize(values);
    for (LONG y = low; y < high; ++y)
        ConvolveRow<C>(source.Row(y), &rows[values * std::size_t(y - low)], width, kernel);
    for (LONG y = first; y < last; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int k = -r; k <= r; ++k) {
            const float w = kernel.weights[std::size_t(k + r)];
            const float* line = &rows[values * std::size_t(Clamp(y + k, height - 1) - low)];
            for (std::size_t i = 0; i < values; ++i)
                sum[i] += w * line[i];
        }
        BYTE* to = output + std::ptrdiff_t(y - outputTop) * source.bytesPerLine;
        for (std::size_t i = 0; i < values; ++i) {
            const float v = sum[i] + 0.5f;
            to[i] = BYTE(v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v));
        }
    }
}

// ---- three boxes ----

// One box pass along a line of `count` values `stride` apart (8.8 fixed point in and out).
void BoxLine(const std::uint16_t* in, std::uint16_t* out, LONG count, std::ptrdiff_t stride, int radius)
{
    const std::uint32_t n = std::uint32_t(2 * radius + 1);
    std::uint32_t acc = 0;
    for (int j = -radius; j <= radius; ++j)
        acc += in[Clamp(j, count - 1) * stride];
    for (LONG x = 0; x < count; ++x) {
        out[x * stride] = std::uint16_t((acc + n / 2) / n);
        acc += in[Clamp(x + radius + 1, count - 1) * stride];
        acc -= in[Clamp(x - radius, count - 1) * stride];
    }
}

// One vertical box pass: rows [outLow, outHigh) of `out` from rows [inLow, inLow + inRows) of
// `in`, which holds every row the pass reads (edge rows standing in past the borders).
void BoxRows(const std::vector<std::uint16_t>& in, LONG inLow, std::vector<std::uint16_t>& out, LONG outLow,
             LONG outHigh, LONG height, std::size_t values, int radius, std::vector<std::uint32_t>& acc)
{
    const std::uint32_t n = std::uint32_t(2 * radius + 1);
    auto row = [&](LONG y) { return &in[values * std::size_t(Clamp(y, height - 1) - inLow)]; };
    acc.assign(values, 0);
    for (int j = -radius; j <= radius; ++j) {
        const std::uint16_t* line = row(outLow + j);
        for (std::size_t i = 0; i < values; ++i)
            acc[i] += line[i];
    }
    out.resize(values * std::size_t(outHigh - outLow));
    for (LONG y = outLow; y < outHigh; ++y) {
        std::uint16_t* to = &out[values * std::size_t(y - outLow)];
        for (std::size_t i = 0; i < values; ++i)
            to[i] = std::uint16_t((acc[i] + n / 2) / n);
        if (y + 1 == outHigh)
            break;  // the row past the window may lie outside `in`
        const std::uint16_t* add = row(y + radius + 1);
        const std::uint16_t* remove = row(y - radius);
        for (std::size_t i = 0; i < values; ++i)
            acc[i] += std::uint32_t(add[i]) - remove[i];
    }
}

template <int C>
void BoxChunk(const ImageBitmap& source, const BlurKernel& kernel, LONG first, LONG last, BYTE* output,
              LONG outputTop, std::vector<std::uint16_t> (&stage)[2], std::vector<std::uint16_t>& line,
              std::vector<std::uint32_t>& acc)
{
    const LONG width = source.width, height = source.height;
    const std::size_t values = std::size_t(width) * C;
    const int* radius = kernel.boxRadius;
    // Rows each stage must hold for the output rows [first, last).
    auto low = [&](int reach) { return std::max<LONG>(0, first - reach); };
    auto high = [&](int reach) { return std::min<LONG>(height, last + reach); };
    const int reach2 = radius[1] + radius[2], reach3 = radius[2];

    // Horizontal: three boxes along each row.
    const LONG hLow = low(kernel.reach), hHigh = high(kernel.reach);
    stage[0].resize(values * std::size_t(hHigh - hLow));
    line.resize(values * 2);
    for (LONG y = hLow; y < hHigh; ++y) {
        const BYTE* in = source.Row(y);
        std::uint16_t* a = line.data();
        std::uint16_t* b = line.data() + values;
        for (std::size_t i = 0; i < values; ++i)
            a[i] = std::uint16_t(in[i] << 8);
        std::uint16_t* done = &stage[0][values * std::size_t(y - hLow)];
        for (int c = 0; c < C; ++c) {
            BoxLine(a + c, b + c, width, C, radius[0]);
            BoxLine(b + c, a + c, width, C, radius[1]);
            BoxLine(a + c, done + c, width, C, radius[2]);
        }
    }
    // Vertical: three boxes down the columns, each stage over the rows the next one reads.
    BoxRows(stage[0], hLow, stage[1], low(reach2), high(reach2), height, values, radius[0], acc);
    BoxRows(stage[1], low(reach2), stage[0], low(reach3), high(reach3), height, values, radius[1], acc);
    BoxRows(stage[0], low(reach3), stage[1], first, last, height, values, radius[2], acc);
    for (LONG y = first; y < last; ++y) {
        const std::uint16_t* from = &stage[1][values * std::size_t(y - first)];
        BYTE* to = output + std::ptrdiff_t(y - outputTop) * source.bytesPerLine;
        for (std::size_t i = 0; i < values; ++i)
            to[i] = BYTE(std::min<std::uint32_t>(255, (from[i] + 128u) >> 8));
    }
}

// What the bands of BlurPlane hold at once: every imaging thread keeps a chunk of rows and the
// rows its kernel reaches around them, in 16-bit stages or float sums.
long long BandBytes(const ImageBitmap& source, const BlurKernel& kernel)
{
    const long long values = (long long)source.width * source.BytesPerPixel();
    const long long chunkRows = std::max(32, 2 * kernel.reach);
    const long long perBand = values * (chunkRows + 6LL * kernel.reach + 2) * 4;
    return perBand * std::max(1, GetImagingThreadLimit());
}

template <int C>
bool BlurPlane(const ImageBitmap& source, const BlurKernel& kernel, LONG top, LONG bottom, BYTE* output)
{
    std::atomic<bool> outOfMemory{false};
    const int taps = kernel.boxes ? 12 : 2 * (2 * kernel.reach + 1);
    const LONG chunkRows = std::max<LONG>(32, 2 * kernel.reach);
    ForEachRowBand(bottom - top, (long long)source.width * C * taps, [&](LONG begin, LONG end) {
        try {
            std::vector<float> rows, sum;
            std::vector<std::uint16_t> stage[2], line;
            std::vector<std::uint32_t> acc;
            for (LONG first = top + begin; first < top + end; first += chunkRows) {
                const LONG last = std::min(top + end, first + chunkRows);
                if (kernel.boxes)
                    BoxChunk<C>(source, kernel, first, last, output, top, stage, line, acc);
                else
                    ExactChunk<C>(source, kernel, first, last, output, top, rows, sum);
            }
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    });
    return !outOfMemory;
}

}  // namespace

namespace imaging_internal {

int BlurRowsInto(const ImageBitmap& source, double sigma, LONG top, LONG bottom, BYTE* output)
{
    if (sigma <= 0) {
        for (LONG y = top; y < bottom; ++y)
            std::memcpy(output + std::ptrdiff_t(y - top) * source.bytesPerLine, source.Row(y),
                        std::size_t(source.bytesPerLine));
        return IMAGING_SUCCESS;
    }
    const BlurKernel kernel = MakeKernel(sigma);
    if (int result = CheckImagingMemory(BandBytes(source, kernel), "a blur"); result != IMAGING_SUCCESS)
        return result;
    bool done = false;
    switch (source.bitsPerPixel) {
    case 8: done = BlurPlane<1>(source, kernel, top, bottom, output); break;
    case 24: done = BlurPlane<3>(source, kernel, top, bottom, output); break;
    default: done = BlurPlane<4>(source, kernel, top, bottom, output); break;
    }
    return done ? IMAGING_SUCCESS : Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while blurring");
}

}  // namespace imaging_internal

int GaussianBlurBitmap(ImageBitmap* bitmap, int strength)
{
    if (!bitmap)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "null bitmap record");
    if (!bitmap->IsAllocated())
        return Fail(IMAGING_ERROR_NO_BITMAP, "the bitmap is empty");
    if (strength < 0 || strength > IMAGING_MAX_BLUR_STRENGTH)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "blur strength " + std::to_string(strength) + " is outside 0.." +
                                                        std::to_string(IMAGING_MAX_BLUR_STRENGTH));
    const RECT area = RegionBoundsOf(*bitmap);
    if (strength == 0 || area.left >= area.right || area.top >= area.bottom)
        return IMAGING_SUCCESS;
    const long long blurredBytes = (long long)bitmap->bytesPerLine * (area.bottom - area.top);
    if (int result = CheckImagingMemory(blurredBytes + BandBytes(*bitmap, MakeKernel(strength / 6.0)),
                                        "a blur of strength " + std::to_string(strength));
        result != IMAGING_SUCCESS)
        return result;
    std::vector<BYTE> blurred;
    try {
        blurred.resize(std::size_t(bitmap->bytesPerLine) * std::size_t(area.bottom - area.top));
    } catch (const std::bad_alloc&) {
        return Fail(IMAGING_ERROR_NO_MEMORY, "out of memory while blurring");
    }
    if (int result = BlurRowsInto(*bitmap, strength / 6.0, area.top, area.bottom, blurred.data());
        result != IMAGING_SUCCESS)
        return result;
    const int step = bitmap->BytesPerPixel();
    const ImageRegion* region = bitmap->region.get();
    ForEachRowBand(area.bottom - area.top, area.right - area.left, [&](LONG begin, LONG end) {
        for (LONG y = area.top + begin; y < area.top + end; ++y)
            WriteRowThroughCoverage(bitmap->Row(y) + std::ptrdiff_t(area.left) * step,
                                    &blurred[std::size_t(y - area.top) * std::size_t(bitmap->bytesPerLine)] +
                                        std::ptrdiff_t(area.left) * step,
                                    region ? region->Row(y) + area.left : nullptr, step,
                                    std::size_t(area.right - area.left));
    });
    return IMAGING_SUCCESS;
}
