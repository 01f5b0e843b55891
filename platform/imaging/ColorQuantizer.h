#pragma once
// Reduces a bitmap to at most 256 colours for GIF and palette PNG output; private to the layer.

#include "platform/imaging/ImageBitmap.h"

#include <vector>

namespace imaging_internal {

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<BYTE> indices;     // width x height, no padding
    std::vector<BYTE> paletteRgb;  // 3 bytes per entry, red first
    int transparentIndex = -1;     // entry used for pixels with alpha below 128, or -1
    int PaletteSize() const { return int(paletteRgb.size() / 3); }
};

// A bitmap with at most 256 colours (counting the transparent entry) keeps them exactly.
// Otherwise: median cut over a 5-5-5 histogram, palette entries the mean of their boxes, and
// Floyd-Steinberg error diffusion. Throws std::bad_alloc only.
void QuantizeBitmap(const ImageBitmap& bitmap, IndexedPicture* out);

}  // namespace imaging_internal
