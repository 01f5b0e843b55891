#include "platform/gdi/Symbols.h"

#include "platform/gdi/Raster.h"

namespace gdi_detail {

namespace {

using Poly = std::vector<std::pair<int, int>>;
using Shape = std::vector<Poly>; // filled by the even-odd rule

Poly Box(int l, int t, int r, int b) { return { { l, t }, { r, t }, { r, b }, { l, b } }; }

// The glyphs; shapes of one glyph are united.
bool ShapesOf(char32_t code, std::vector<Shape>& shapes)
{
    switch (code) {
    case U'0': // minimise
        shapes = { { Box(3, 10, 10, 12) } };
        return true;
    case U'1': // maximise
        shapes = { { Box(2, 2, 14, 14), Box(3, 4, 13, 13) } };
        return true;
    case U'2': // restore
        shapes = { { Box(2, 6, 11, 14), Box(3, 8, 10, 13) }, { Box(5, 2, 14, 4) }, { Box(13, 4, 14, 10) },
            { Box(11, 9, 14, 10) }, { Box(5, 4, 6, 6) } };
        return true;
    case U'r': // close
        shapes = { { { { 3, 3 }, { 5, 3 }, { 13, 12 }, { 11, 12 } } }, { { { 11, 3 }, { 13, 3 }, { 5, 12 }, { 3, 12 } } } };
        return true;
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

} // namespace

bool RenderSymbol(char32_t code, int size, std::vector<BYTE>& coverage)
{
    coverage.assign(size_t(size) * size_t(size), 0);
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
