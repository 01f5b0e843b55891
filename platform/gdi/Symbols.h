#pragma once
// The symbol glyphs of the "Marlett" face: filled polygons on a 16-unit em grid, drawn
// without anti-aliasing.

#include "platform/gdi/GdiTypes.h"

#include <vector>

namespace gdi_detail {

// Coverage (0 or 255) of the glyph at `size` x `size` pixels; false for characters without a
// symbol (they draw nothing).
bool RenderSymbol(char32_t code, int size, std::vector<BYTE>& coverage);

} // namespace gdi_detail
