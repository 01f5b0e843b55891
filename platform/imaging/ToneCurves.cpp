// Intensity and contrast: one tone curve for every channel, applied through a lookup table.

#include "platform/imaging/ImageColor.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cmath>

using namespace imaging_internal;

namespace {

template <typename Curve>
ToneTables SameForAllChannels(Curve curve)
{
    ToneTables tables;
    for (int v = 0; v < 256; ++v) {
        const BYTE out = BYTE(std::clamp<long>(std::lround(curve(double(v))), 0, 255));
        tables.channel[0][v] = tables.channel[1][v] = tables.channel[2][v] = out;
    }
    return tables;
}

}  // namespace

namespace imaging_internal {

void ApplyToneTables(ImageBitmap& bitmap, const ToneTables& tables)
{
    const int step = bitmap.BytesPerPixel();
    ForEachRowBand(bitmap.height, bitmap.width, [&](LONG begin, LONG end) {
        for (LONG y = begin; y < end; ++y) {
            BYTE* p = bitmap.Row(y);
            if (step == 1) {
                for (LONG x = 0; x < bitmap.width; ++x)
                    p[x] = tables.channel[0][p[x]];
                continue;
            }
            for (LONG x = 0; x < bitmap.width; ++x, p += step) {
                p[0] = tables.channel[0][p[0]];
                p[1] = tables.channel[1][p[1]];
                p[2] = tables.channel[2][p[2]];
            }
        }
    });
}

}  // namespace imaging_internal

int ChangeBitmapIntensity(ImageBitmap* bitmap, int amount)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    amount = std::clamp(amount, -IMAGING_MAX_TONE_AMOUNT, IMAGING_MAX_TONE_AMOUNT);
    if (amount == 0)
        return IMAGING_SUCCESS;
    const double offset = amount * 255.0 / 1000.0;
    ApplyToneTables(*bitmap, SameForAllChannels([offset](double v) { return v + offset; }));
    return IMAGING_SUCCESS;
}

int ChangeBitmapContrast(ImageBitmap* bitmap, int amount)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    amount = std::clamp(amount, -IMAGING_MAX_TONE_AMOUNT, IMAGING_MAX_TONE_AMOUNT);
    if (amount == 0)
        return IMAGING_SUCCESS;
    const double factor = std::exp2(amount / 250.0);
    ApplyToneTables(*bitmap, SameForAllChannels([factor](double v) { return (v - 127.5) * factor + 127.5; }));
    return IMAGING_SUCCESS;
}
