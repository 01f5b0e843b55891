#include "platform/imaging/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace imaging_internal {

namespace {

constexpr int kMaxColors = 256;

// Open-addressed set of 24-bit colours; gives up (returns -1) past `limit` colours.
class ExactPalette {
public:
    explicit ExactPalette(int limit) : limit_(limit) { keys_.fill(kEmpty); }

    int IndexOf(std::uint32_t color, std::vector<BYTE>& paletteRgb)
    {
        std::uint32_t slot = (color * 2654435761u) >> (32 - kBits);
        for (;; slot = (slot + 1) & (kSize - 1)) {
            if (keys_[slot] == color)
                return values_[slot];
            if (keys_[slot] != kEmpty)
                continue;
            int count = int(paletteRgb.size() / 3);
            if (count >= limit_)
                return -1;
            keys_[slot] = color;
            values_[slot] = count;
            paletteRgb.push_back(BYTE(color >> 16));
            paletteRgb.push_back(BYTE(color >> 8));
            paletteRgb.push_back(BYTE(color));
            return count;
        }
    }

private:
    static constexpr int kBits = 10;
    static constexpr std::uint32_t kSize = 1u << kBits;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    int limit_;
    std::array<std::uint32_t, kSize> keys_;
    std::array<int, kSize> values_{};
};

bool IsTransparent(const ImageBitmap& bitmap, const BYTE* pixel)
{
    return bitmap.bitsPerPixel == 32 && pixel[3] < 128;
}

bool HasTransparency(const ImageBitmap& bitmap)
{
    if (bitmap.bitsPerPixel != 32)
        return false;
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* row = bitmap.Row(y);
        for (LONG x = 0; x < bitmap.width; ++x)
            if (row[x * 4 + 3] < 128)
                return true;
    }
    return false;
}

std::uint32_t RgbAt(const ImageBitmap& bitmap, const BYTE* pixel)
{
    if (bitmap.bitsPerPixel == 8)
        return std::uint32_t(pixel[0]) * 0x010101u;
    return (std::uint32_t(pixel[2]) << 16) | (std::uint32_t(pixel[1]) << 8) | pixel[0];
}

bool TryExactPalette(const ImageBitmap& bitmap, int limit, int transparentIndex, IndexedPicture* out)
{
    ExactPalette palette(limit);
    const int step = bitmap.BytesPerPixel();
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* pixel = bitmap.Row(y);
        BYTE* index = &out->indices[std::size_t(y) * std::size_t(bitmap.width)];
        for (LONG x = 0; x < bitmap.width; ++x, pixel += step) {
            if (IsTransparent(bitmap, pixel)) {
                index[x] = BYTE(transparentIndex);
                continue;
            }
            int found = palette.IndexOf(RgbAt(bitmap, pixel), out->paletteRgb);
            if (found < 0)
                return false;
            index[x] = BYTE(found);
        }
    }
    return true;
}

// Histogram bins are 5 bits per channel: index = r << 10 | g << 5 | b.
struct Histogram {
    std::vector<std::uint32_t> count = std::vector<std::uint32_t>(1 << 15);
    std::vector<std::uint64_t> sum = std::vector<std::uint64_t>(3 << 15);  // r, g, b sums per bin
};

struct Box {
    int low[3];
    int high[3];  // inclusive
    std::uint64_t pixels;
};

int BinOf(int r, int g, int b) { return (r << 10) | (g << 5) | b; }

void ShrinkBox(const Histogram& histogram, Box& box)
{
    int low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
    std::uint64_t pixels = 0;
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                std::uint32_t n = histogram.count[std::size_t(BinOf(r, g, b))];
                if (!n)
                    continue;
                pixels += n;
                int c[3] = {r, g, b};
                for (int a = 0; a < 3; ++a) {
                    low[a] = std::min(low[a], c[a]);
                    high[a] = std::max(high[a], c[a]);
                }
            }
    box.pixels = pixels;
    if (pixels == 0)
        return;
    std::memcpy(box.low, low, sizeof low);
    std::memcpy(box.high, high, sizeof high);
}

// Splits along the longest side at the pixel median. Returns false when the box is one bin.
bool SplitBox(const Histogram& histogram, Box& box, Box* second)
{
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (box.high[a] - box.low[a] > box.high[axis] - box.low[axis])
            axis = a;
    if (box.high[axis] == box.low[axis])
        return false;
    std::uint64_t slice[32] = {};
    for (int r = box.low[0]; r <= box.high[0]; ++r)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int b = box.low[2]; b <= box.high[2]; ++b) {
                int c[3] = {r, g, b};
                slice[c[axis]] += histogram.count[std::size_t(BinOf(r, g, b))];
            }
    std::uint64_t running = 0;
    int cut = box.low[axis];
    for (int v = box.low[axis]; v < box.high[axis]; ++v) {
        running += slice[v];
        cut = v;
        if (running * 2 >= box.pixels)
            break;
    }
    *second = box;
    box.high[axis] = cut;
    second->low[axis] = cut + 1;
    ShrinkBox(histogram, box);
    ShrinkBox(histogram, *second);
    return true;
}

void MedianCutPalette(const ImageBitmap& bitmap, int colors, std::vector<BYTE>& paletteRgb)
{
    Histogram histogram;
    const int step = bitmap.BytesPerPixel();
    for (LONG y = 0; y < bitmap.height; ++y) {
        const BYTE* pixel = bitmap.Row(y);
        for (LONG x = 0; x < bitmap.width; ++x, pixel += step) {
            if (IsTransparent(bitmap, pixel))
                continue;
            std::uint32_t rgb = RgbAt(bitmap, pixel);
            int r = int(rgb >> 16) & 255, g = int(rgb >> 8) & 255, b = int(rgb) & 255;
            std::size_t bin = std::size_t(BinOf(r >> 3, g >> 3, b >> 3));
            ++histogram.count[bin];
            histogram.sum[bin * 3] += unsigned(r);
            histogram.sum[bin * 3 + 1] += unsigned(g);
            histogram.sum[bin * 3 + 2] += unsigned(b);
        }
    }
    std::vector<Box> boxes{{{0, 0, 0}, {31, 31, 31}, 0}};
    ShrinkBox(histogram, boxes[0]);
    // Split the most populous box that still spans several bins, weighting by its extent so
    // that rare but distinct colours still get entries.
    while (int(boxes.size()) < colors) {
        int best = -1;
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const Box& box = boxes[i];
            int extent = std::max({box.high[0] - box.low[0], box.high[1] - box.low[1], box.high[2] - box.low[2]});
            double score = double(box.pixels) * extent;
            if (extent > 0 && score > bestScore) {
                bestScore = score;
                best = int(i);
            }
        }
        if (best < 0)
            break;
        Box second{};
        if (!SplitBox(histogram, boxes[std::size_t(best)], &second))
            break;
        boxes.push_back(second);
    }
    for (const Box& box : boxes) {
        std::uint64_t total[3] = {}, pixels = 0;
        for (int r = box.low[0]; r <= box.high[0]; ++r)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int b = box.low[2]; b <= box.high[2]; ++b) {
                    std::size_t bin = std::size_t(BinOf(r, g, b));
                    pixels += histogram.count[bin];
                    for (int a = 0; a < 3; ++a)
                        total[a] += histogram.sum[bin * 3 + std::size_t(a)];
                }
        for (int a = 0; a < 3; ++a)
            paletteRgb.push_back(BYTE(pixels ? (total[a] + pixels / 2) / pixels : 0));
    }
}

class NearestColor {
public:
    NearestColor(const std::vector<BYTE>& paletteRgb, int entries) : palette_(paletteRgb), entries_(entries)
    {
        cache_.assign(1 << 15, -1);
    }

    // Looked up per 5-5-5 bin: the entry nearest the bin's centre.
    int Find(int r, int g, int b)
    {
        std::size_t bin = std::size_t(BinOf(r >> 3, g >> 3, b >> 3));
        if (cache_[bin] >= 0)
            return cache_[bin];
        int cr = (r & ~7) + 4, cg = (g & ~7) + 4, cb = (b & ~7) + 4;
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < entries_; ++i) {
            int dr = palette_[std::size_t(i) * 3] - cr, dg = palette_[std::size_t(i) * 3 + 1] - cg,
                db = palette_[std::size_t(i) * 3 + 2] - cb;
            int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        cache_[bin] = best;
        return best;
    }

private:
    const std::vector<BYTE>& palette_;
    int entries_;
    std::vector<int> cache_;
};

void DiffuseErrors(const ImageBitmap& bitmap, int colors, int transparentIndex, IndexedPicture* out)
{
    NearestColor nearest(out->paletteRgb, colors);
    const int width = bitmap.width, step = bitmap.BytesPerPixel();
    // Errors for this row and the next, with one guard cell on each side; 3 channels.
    std::vector<int> current(std::size_t(width + 2) * 3), next(std::size_t(width + 2) * 3);
    for (LONG y = 0; y < bitmap.height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const BYTE* pixel = bitmap.Row(y);
        BYTE* index = &out->indices[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x, pixel += step) {
            if (IsTransparent(bitmap, pixel)) {
                index[x] = BYTE(transparentIndex);
                continue;
            }
            std::uint32_t rgb = RgbAt(bitmap, pixel);
            int wanted[3] = {int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255};
            int* error = &current[std::size_t(x + 1) * 3];
            int value[3];
            for (int a = 0; a < 3; ++a)
                value[a] = std::clamp(wanted[a] + error[a] / 16, 0, 255);
            int chosen = nearest.Find(value[0], value[1], value[2]);
            index[x] = BYTE(chosen);
            for (int a = 0; a < 3; ++a) {
                int e = value[a] - out->paletteRgb[std::size_t(chosen) * 3 + std::size_t(a)];
                current[std::size_t(x + 2) * 3 + std::size_t(a)] += e * 7;
                next[std::size_t(x) * 3 + std::size_t(a)] += e * 3;
                next[std::size_t(x + 1) * 3 + std::size_t(a)] += e * 5;
                next[std::size_t(x + 2) * 3 + std::size_t(a)] += e;
            }
        }
        std::swap(current, next);
    }
}

}  // namespace

void QuantizeBitmap(const ImageBitmap& bitmap, IndexedPicture* out)
{
    out->width = bitmap.width;
    out->height = bitmap.height;
    out->indices.assign(std::size_t(bitmap.width) * std::size_t(bitmap.height), 0);
    out->paletteRgb.clear();
    const bool transparent = HasTransparency(bitmap);
    const int colors = transparent ? kMaxColors - 1 : kMaxColors;
    // The transparent entry goes last, after the colours, once their count is known.
    constexpr int kPendingTransparent = 255;
    if (TryExactPalette(bitmap, colors, kPendingTransparent, out)) {
        if (transparent) {
            int entry = out->PaletteSize();
            for (BYTE& index : out->indices)
                if (index == kPendingTransparent && entry != kPendingTransparent)
                    index = BYTE(entry);
            out->paletteRgb.insert(out->paletteRgb.end(), {0, 0, 0});
            out->transparentIndex = entry;
        }
        if (out->paletteRgb.empty())
            out->paletteRgb.assign(3, 0);
        return;
    }
    out->paletteRgb.clear();
    MedianCutPalette(bitmap, colors, out->paletteRgb);
    const int entries = out->PaletteSize();
    if (transparent) {
        out->transparentIndex = entries;
        out->paletteRgb.insert(out->paletteRgb.end(), {0, 0, 0});
    }
    DiffuseErrors(bitmap, entries, out->transparentIndex, out);
}

}  // namespace imaging_internal
