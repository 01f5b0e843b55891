#include "platform/gdi/Symbols.h"

#include "platform/gdi/Raster.h"

#include <algorithm>

namespace gdi_detail {

namespace {

using Poly = std::vector<std::pair<int, int>>;
using Shape = std::vector<Poly>; // filled by the even-odd rule

// The other glyphs, scaled from the em grid; shapes of one glyph are united.
bool ShapesOf(char32_t code, std::vector<Shape>& shapes)
{
    switch (code) {
    case U'3': // left
        shapes = { { { { 10, 3 }, { 10, 13 }, { 5, 8 } } } };
        return true;
    case U'4': // right
        shapes = { { { { 6, 3 }, { 11, 8 }, { 6, 13 } } } };
        return true;
    case U'5': // up
        shapes = { { { { 3, 10 }, { 8, 5 }, { 13, 10 } } } };
        return true;
    case U'6': // down
        shapes = { { { { 3, 6 }, { 13, 6 }, { 8, 11 } } } };
        return true;
    case U'a': // check
        shapes = { { { { 3, 7 }, { 6, 10 }, { 12, 4 }, { 12, 7 }, { 6, 13 }, { 3, 10 } } } };
        return true;
    case U'h': // radio dot
        shapes = { { { { 7, 5 }, { 9, 5 }, { 11, 7 }, { 11, 9 }, { 9, 11 }, { 7, 11 }, { 5, 9 }, { 5, 7 } } } };
        return true;
    default:
        return false;
    }
}

// The caption-button glyphs, laid out on whole pixels for the size so that they stay readable
// at frame sizes (a 10-pixel cell in a 16 x 14 button): a box of `b` pixels with a margin `m`,
// boxes with a two-stroke title bar, and a cross of two-pixel strokes symmetric both ways.
bool CaptionGlyph(char32_t code, int size, std::vector<BYTE>& coverage)
{
    if (code != U'0' && code != U'1' && code != U'2' && code != U'r')
        return false;
    // Small cells (a tool window's buttons) give the glyph all of their width.
    const int m = size >= 8 ? (size + 4) / 8 : 0;
    const int b = size - 2 * m;
    if (b < 2)
        return true; // too small to show anything
    const int t = std::max(1, size / 20); // a stroke; title bars are two strokes
    auto set = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < size && y < size)
            coverage[size_t(y) * size_t(size) + size_t(x)] = 255;
    };
    auto fill = [&](int l, int tp, int r, int bt) {
        for (int y = tp; y < bt; ++y)
            for (int x = l; x < r; ++x)
                set(x, y);
    };
    // A window outline of side `n` at (x, y); `hidden` pixels (another box in front) are left out.
    auto window = [&](int x, int y, int n, RECT hidden) {
        auto keep = [&](int px, int py) { return !(px >= hidden.left && px < hidden.right && py >= hidden.top && py < hidden.bottom); };
        for (int py = y; py < y + n; ++py)
            for (int px = x; px < x + n; ++px) {
                const bool edge = py < y + 2 * t || py >= y + n - t || px < x + t || px >= x + n - t;
                if (edge && keep(px, py))
                    set(px, py);
            }
    };
    switch (code) {
    case U'0': // minimise: a bar on the base line, two thirds of the box
        fill(m, m + b - 2 * t, m + (2 * b + 1) / 3, m + b);
        return true;
    case U'1': // maximise
        window(m, m, b, RECT {});
        return true;
    case U'2': { // restore: a window behind and to the right of another
        const int r = (3 * b + 2) / 4;
        const int d = b - r;
        window(m, m + d, r, RECT {});
        window(m + d, m, r, RECT { m, m + d, m + r, m + d + r });
        return true;
    }
    case U'r': { // close
        const int stroke = b >= 6 ? 2 : 1;
        for (int y = 0; y < b; ++y) {
            const int x = (y * (b - stroke) * 2 + (b - 1)) / (2 * (b - 1));
            for (int k = 0; k < stroke; ++k) {
                set(m + x + k, m + y);
                set(m + b - stroke - x + k, m + y);
            }
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace

bool RenderSymbol(char32_t code, int size, std::vector<BYTE>& coverage)
{
    coverage.assign(size_t(size) * size_t(size), 0);
    if (size > 0 && CaptionGlyph(code, size, coverage))
        return true;
    std::vector<Shape> shapes;
    if (size <= 0 || !ShapesOf(code, shapes))
        return false;
    for (const Shape& shape : shapes) {
        std::vector<std::vector<FixedPoint>> polys;
        for (const Poly& poly : shape) {
            std::vector<FixedPoint> fixed;
            for (const auto& [x, y] : poly)
                fixed.push_back({ static_cast<long long>(x) * size, static_cast<long long>(y) * size });
            polys.push_back(std::move(fixed));
        }
        std::vector<Runs> rows;
        LONG first = 0;
        ScanPolygon(polys, 16, false, 0, size, rows, first);
        for (size_t i = 0; i < rows.size(); ++i)
            for (const auto& [a, b] : rows[i])
                for (LONG x = std::max<LONG>(a, 0); x < std::min<LONG>(b, size); ++x)
                    coverage[size_t(first + LONG(i)) * size_t(size) + size_t(x)] = 255;
    }
    return true;
}

} // namespace gdi_detail
