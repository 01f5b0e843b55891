// Grey scale and sepia: each pixel replaced by a colour made from its brightness alone.

#include "platform/imaging/ImageColor.h"

#include "platform/imaging/ImagingInternal.h"

#include <algorithm>
#include <cmath>

using namespace imaging_internal;

namespace {

// Every pixel's blue, green and red from tables indexed by its brightness; alpha kept.
void ApplyBrightnessTables(ImageBitmap& bitmap, const ToneTables& tables)
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
                const BYTE level = GreyFromBgr(p[0], p[1], p[2]);
                p[0] = tables.channel[0][level];
                p[1] = tables.channel[1][level];
                p[2] = tables.channel[2][level];
            }
        }
    });
}

}  // namespace

int ConvertBitmapToGreyScale(ImageBitmap* bitmap)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    if (bitmap->bitsPerPixel == 8)
        return IMAGING_SUCCESS;
    ToneTables identity;
    for (int v = 0; v < 256; ++v)
        identity.channel[0][v] = identity.channel[1][v] = identity.channel[2][v] = BYTE(v);
    ApplyBrightnessTables(*bitmap, identity);
    return IMAGING_SUCCESS;
}

int ApplyBitmapSepia(ImageBitmap* bitmap, int toneRed, int toneGreen, int toneBlue, int divisor, int brightness,
                     int contrast)
{
    if (int result = CheckBitmap(bitmap); result != IMAGING_SUCCESS)
        return result;
    auto validWeight = [](int w) { return w >= 0 && w <= 10000; };
    if (!validWeight(toneRed) || !validWeight(toneGreen) || !validWeight(toneBlue) || divisor < 1 || divisor > 10000)
        return Fail(IMAGING_ERROR_INVALID_ARGUMENT, "bad sepia tone " + std::to_string(toneRed) + ", " +
                                                        std::to_string(toneGreen) + ", " + std::to_string(toneBlue) +
                                                        " / " + std::to_string(divisor));
    brightness = std::clamp(brightness, -1000, 1000);
    contrast = std::clamp(contrast, -1000, 1000);
    const int tone[3] = {toneBlue, toneGreen, toneRed};
    ToneTables tables;
    for (int v = 0; v < 256; ++v) {
        const double level = (v - 128.0) * (1.0 + contrast / 1000.0) + 128.0 + brightness * 255.0 / 1000.0;
        for (int c = 0; c < 3; ++c)
            tables.channel[c][v] = BYTE(std::clamp<long>(std::lround(level * tone[c] / divisor), 0, 255));
    }
    if (bitmap->bitsPerPixel == 8) {
        // A grey bitmap keeps the toned brightness only.
        for (int v = 0; v < 256; ++v)
            tables.channel[0][v] = GreyFromBgr(tables.channel[0][v], tables.channel[1][v], tables.channel[2][v]);
    }
    ApplyBrightnessTables(*bitmap, tables);
    return IMAGING_SUCCESS;
}
