#pragma once
// Faces and glyphs behind the font objects: fontconfig picks a face, FreeType renders it.
// One process-wide lock guards FreeType (its library and faces are not thread-safe); rendered
// glyphs are immutable and cached per sized instance, so drawing copies pixels outside the lock.

#include "platform/gdi/GdiTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace gdi_detail {

struct Glyph {
    int left = 0;    // bitmap's left edge, from the pen position
    int top = 0;     // rows of the bitmap above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0; // whole pixels
    std::vector<BYTE> coverage; // width * rows, 0..255
};

struct FontMetrics {
    int ppem = 0;
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int underlineTop = 0;     // rows below the baseline
    int underlineThickness = 1;
    int strikeoutTop = 0;     // rows above the baseline of the line's top edge
    int strikeoutThickness = 1;
    bool fixedPitch = false;
    BYTE family = 0;          // FF_* guess from the face
};

class FontInstance;

struct ResolveOptions {
    // Off: bold and italic are always synthesised from the regular face (tests use it to reach
    // the synthesis path on any system).
    bool useStyledFaces = true;
};

// Resolves a logical font to a sized face. Null when no scalable face can be found or loaded.
std::shared_ptr<FontInstance> ResolveFont(const LOGFONTW& logFont, ResolveOptions options = {});

// Scalable families fontconfig knows, unsorted, possibly repeated.
std::vector<std::u16string> InstalledFamilies();

class FontInstance {
public:
    FontInstance() = default;
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    const FontMetrics& Metrics() const { return m_metrics; }
    const std::u16string& FamilyName() const { return m_family; }
    bool SyntheticBold() const { return m_boldPixels > 0; }
    bool SyntheticItalic() const { return m_oblique; }
    bool Monochrome() const { return m_monochrome; }
    bool Symbol() const { return m_symbol; }
    bool StyledBold() const { return m_styledBold; }
    bool StyledItalic() const { return m_styledItalic; }

    // The glyphs of `count` code points, rendered on first use.
    void Glyphs(const char32_t* codePoints, size_t count,
        std::vector<std::shared_ptr<const Glyph>>& out);

private:
    friend std::shared_ptr<FontInstance> ResolveFont(const LOGFONTW&, ResolveOptions);
    std::shared_ptr<const Glyph> RenderLocked(char32_t codePoint);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    FontMetrics m_metrics;
    std::u16string m_family;
    int m_boldPixels = 0;
    bool m_oblique = false;
    bool m_monochrome = false;
    bool m_symbol = false;
    bool m_styledBold = false;
    bool m_styledItalic = false;
};

} // namespace gdi_detail
