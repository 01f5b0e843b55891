#include "platform/gdi/FontEngine.h"

#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/Symbols.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace gdi_detail {

namespace {

constexpr int kDefaultPpem = 16; // lfHeight 0: 12 points at 96 pixels per inch
constexpr int kMaxPpem = 2048;   // one glyph bitmap stays within a few megabytes
constexpr FT_Fixed kObliqueShear = 0x0366A; // about 12 degrees

struct FaceMatch {
    std::string file;
    int index = 0;
    std::string family;
    bool bold = false;
    bool italic = false;
    bool monospace = false;
};

using MatchKey = std::tuple<std::string, int, bool>;
using InstanceKey = std::tuple<std::string, int, int, int, bool, bool, bool>;

struct Engine {
    std::recursive_mutex lock;
    FT_Library library = nullptr;
    bool fontconfigReady = false;
    std::map<MatchKey, FaceMatch> matches;
    std::map<std::pair<std::string, int>, FT_Face> faces;
    std::map<InstanceKey, std::weak_ptr<FontInstance>> instances;
};

// Never destroyed: fonts may still be released by other static objects at exit.
Engine& GetEngine()
{
    static Engine* engine = new Engine();
    return *engine;
}

// The face names callers use, mapped to the faces this system installs; a generic family
// follows as a fallback when the first choice is missing.
std::vector<std::string> FamiliesFor(const std::string& faceName)
{
    static const std::map<std::string, std::vector<std::string>> kMap = {
        { "", { "DejaVu Sans", "sans-serif" } },
        { "verdana", { "DejaVu Sans", "sans-serif" } },
        { "tahoma", { "Liberation Sans", "DejaVu Sans", "sans-serif" } },
        { "ms shell dlg", { "Liberation Sans", "DejaVu Sans", "sans-serif" } },
        { "ms shell dlg 2", { "Liberation Sans", "DejaVu Sans", "sans-serif" } },
        { "segoe ui", { "DejaVu Sans", "sans-serif" } },
        { "arial", { "Liberation Sans", "DejaVu Sans", "sans-serif" } },
        // The symbol face borrows its metrics; its glyphs are ours.
        { "marlett", { "DejaVu Sans", "sans-serif" } },
        { "times new roman", { "Liberation Serif", "DejaVu Serif", "serif" } },
        { "courier", { "Liberation Mono", "DejaVu Sans Mono", "monospace" } },
        { "courier new", { "Liberation Mono", "DejaVu Sans Mono", "monospace" } },
    };
    auto found = kMap.find(AsciiLowerCopy(faceName));
    if (found != kMap.end())
        return found->second;
    return { faceName };
}

bool MatchFace(Engine& engine, const std::string& faceName, int weight, bool italic, FaceMatch& out)
{
    MatchKey key { AsciiLowerCopy(faceName), weight, italic };
    auto cached = engine.matches.find(key);
    if (cached != engine.matches.end()) {
        out = cached->second;
        return true;
    }
    if (!engine.fontconfigReady) {
        if (!FcInit())
            return false;
        engine.fontconfigReady = true;
    }
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    for (const std::string& family : FamiliesFor(faceName))
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;

    FaceMatch found;
    FcChar8* text = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &text) == FcResultMatch)
        found.file = reinterpret_cast<const char*>(text);
    if (FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch)
        found.family = reinterpret_cast<const char*>(text);
    int value = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &value) == FcResultMatch)
        found.index = value;
    if (FcPatternGetInteger(match, FC_WEIGHT, 0, &value) == FcResultMatch)
        found.bold = value >= FC_WEIGHT_DEMIBOLD;
    if (FcPatternGetInteger(match, FC_SLANT, 0, &value) == FcResultMatch)
        found.italic = value != FC_SLANT_ROMAN;
    if (FcPatternGetInteger(match, FC_SPACING, 0, &value) == FcResultMatch)
        found.monospace = value >= FC_MONO;
    FcPatternDestroy(match);
    if (found.file.empty())
        return false;
    engine.matches.emplace(key, found);
    out = found;
    return true;
}

FT_Face OpenFace(Engine& engine, const std::string& file, int index)
{
    auto key = std::make_pair(file, index);
    auto cached = engine.faces.find(key);
    if (cached != engine.faces.end())
        return cached->second;
    if (!engine.library && FT_Init_FreeType(&engine.library) != 0) {
        engine.library = nullptr;
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(engine.library, file.c_str(), index, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    engine.faces.emplace(key, face);
    return face;
}

// Null when the face has no OS/2 table (FreeType marks a missing one with version 0xFFFF).
const TT_OS2* Os2TableOf(FT_Face face)
{
    auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

// The cell the platform measures: the OS/2 "win" extents when the face has them.
void CellUnits(FT_Face face, int& ascent, int& descent)
{
    const TT_OS2* os2 = Os2TableOf(face);
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    } else {
        ascent = face->ascender;
        descent = -face->descender;
    }
}

int Scale(long units, int ppem, int unitsPerEm)
{
    return int(std::lround(double(units) * ppem / unitsPerEm));
}

FontMetrics ComputeMetrics(FT_Face face, int ppem, int boldPixels, bool monospace)
{
    FontMetrics m;
    const int upem = face->units_per_EM;
    int ascentUnits = 0;
    int descentUnits = 0;
    CellUnits(face, ascentUnits, descentUnits);
    m.ppem = ppem;
    m.ascent = std::max(1, Scale(ascentUnits, ppem, upem));
    m.descent = std::max(0, Scale(descentUnits, ppem, upem));
    m.internalLeading = std::max(0, m.ascent + m.descent - ppem);
    m.externalLeading = std::max(0, Scale(face->height - (ascentUnits + descentUnits), ppem, upem));

    const TT_OS2* os2 = Os2TableOf(face);
    m.aveCharWidth = os2 && os2->xAvgCharWidth > 0
        ? Scale(os2->xAvgCharWidth, ppem, upem)
        : Scale(upem / 2, ppem, upem);
    m.aveCharWidth = std::max(1, m.aveCharWidth + boldPixels);
    m.maxCharWidth = std::max(m.aveCharWidth, Scale(face->max_advance_width, ppem, upem) + boldPixels);

    // Lines stay inside the cell, so they never reach past what GetTextExtentPoint32W measured.
    int thickness = std::max(1, Scale(face->underline_thickness, ppem, upem));
    int top = std::max(1, Scale(-face->underline_position, ppem, upem) - thickness / 2);
    thickness = std::min(thickness, std::max(1, m.descent));
    if (top + thickness > m.descent)
        top = std::max(0, m.descent - thickness);
    m.underlineTop = top;
    m.underlineThickness = thickness;

    int strikePosition = 0;
    int strikeSize = 0;
    if (os2 && os2->yStrikeoutSize > 0) {
        strikePosition = Scale(os2->yStrikeoutPosition, ppem, upem);
        strikeSize = Scale(os2->yStrikeoutSize, ppem, upem);
    } else {
        strikeSize = Scale(face->underline_thickness, ppem, upem);
        strikePosition = Scale(upem / 4, ppem, upem) + strikeSize;
    }
    m.strikeoutThickness = std::clamp(strikeSize, 1, m.ascent);
    m.strikeoutTop = std::clamp(strikePosition, m.strikeoutThickness, m.ascent);

    m.fixedPitch = monospace || FT_IS_FIXED_WIDTH(face);
    m.family = m.fixedPitch ? FF_MODERN : FF_SWISS;
    return m;
}

} // namespace

struct FontInstance::Impl {
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    std::unordered_map<char32_t, std::shared_ptr<const Glyph>> glyphs;
};

FontInstance::~FontInstance()
{
    if (m_impl && m_impl->size) {
        std::lock_guard guard(GetEngine().lock);
        FT_Done_Size(m_impl->size);
    }
}

std::shared_ptr<FontInstance> ResolveFont(const LOGFONTW& logFont, ResolveOptions options)
{
    size_t faceLength = 0;
    while (faceLength < size_t(LF_FACESIZE) && logFont.lfFaceName[faceLength] != 0)
        ++faceLength;
    const std::string faceName = Utf16ToUtf8(std::u16string_view(logFont.lfFaceName, faceLength));

    const int weight = logFont.lfWeight <= 0 ? int(FW_NORMAL) : std::min<int>(logFont.lfWeight, 1000);
    const bool wantBold = weight >= FW_SEMIBOLD;
    const bool wantItalic = logFont.lfItalic != 0;
    const bool monochrome = logFont.lfQuality == NONANTIALIASED_QUALITY;

    Engine& engine = GetEngine();
    std::lock_guard guard(engine.lock);
    FaceMatch match;
    if (!MatchFace(engine, faceName, options.useStyledFaces ? weight : int(FW_NORMAL),
            options.useStyledFaces && wantItalic, match))
        return nullptr;
    FT_Face ftFace = OpenFace(engine, match.file, match.index);
    if (!ftFace)
        return nullptr;

    int ppem = kDefaultPpem;
    if (logFont.lfHeight < 0) {
        ppem = logFont.lfHeight == std::numeric_limits<LONG>::min() ? kMaxPpem : -logFont.lfHeight;
    } else if (logFont.lfHeight > 0) {
        int ascentUnits = 0;
        int descentUnits = 0;
        CellUnits(ftFace, ascentUnits, descentUnits);
        ppem = int(std::lround(double(logFont.lfHeight) * ftFace->units_per_EM
            / std::max(1, ascentUnits + descentUnits)));
    }
    ppem = std::clamp(ppem, 1, kMaxPpem);

    const bool oblique = wantItalic && !match.italic;
    const int boldPixels = wantBold && !match.bold ? std::max(1, int(std::lround(ppem / 24.0))) : 0;

    const bool symbol = AsciiLowerCopy(faceName) == "marlett";
    InstanceKey key { match.file, match.index, ppem, boldPixels, oblique, monochrome || symbol, symbol };
    auto existing = engine.instances.find(key);
    if (existing != engine.instances.end()) {
        if (auto alive = existing->second.lock())
            return alive;
    }

    auto instance = std::make_shared<FontInstance>();
    instance->m_impl = std::make_unique<FontInstance::Impl>();
    instance->m_impl->face = ftFace;
    if (FT_New_Size(ftFace, &instance->m_impl->size) != 0) {
        instance->m_impl->size = nullptr;
        return nullptr;
    }
    FT_Activate_Size(instance->m_impl->size);
    if (FT_Set_Pixel_Sizes(ftFace, 0, FT_UInt(ppem)) != 0)
        return nullptr;
    instance->m_metrics = ComputeMetrics(ftFace, ppem, boldPixels, match.monospace);
    instance->m_family = Utf8ToUtf16(match.family);
    instance->m_boldPixels = boldPixels;
    instance->m_oblique = oblique;
    instance->m_monochrome = monochrome || symbol;
    instance->m_symbol = symbol;
    if (symbol)
        instance->m_family = u"Marlett";
    instance->m_styledBold = match.bold;
    instance->m_styledItalic = match.italic;

    for (auto it = engine.instances.begin(); it != engine.instances.end();)
        it = it->second.expired() ? engine.instances.erase(it) : std::next(it);
    engine.instances[key] = instance;
    return instance;
}

void FontInstance::Glyphs(const char32_t* codePoints, size_t count,
    std::vector<std::shared_ptr<const Glyph>>& out)
{
    out.clear();
    out.reserve(count);
    std::lock_guard guard(GetEngine().lock);
    for (size_t i = 0; i < count; ++i) {
        auto& slot = m_impl->glyphs[codePoints[i]];
        if (!slot)
            slot = RenderLocked(codePoints[i]);
        out.push_back(slot);
    }
}

std::shared_ptr<const Glyph> FontInstance::RenderLocked(char32_t codePoint)
{
    auto glyph = std::make_shared<Glyph>();
    if (m_symbol) {
        // An em square standing on the cell's internal leading; characters without a symbol
        // advance and draw nothing.
        const int size = m_metrics.ppem;
        glyph->advance = size;
        if (RenderSymbol(codePoint, size, glyph->coverage)) {
            glyph->width = size;
            glyph->rows = size;
            glyph->top = m_metrics.ascent - m_metrics.internalLeading;
        } else {
            glyph->coverage.clear();
        }
        return glyph;
    }
    FT_Face face = m_impl->face;
    FT_Activate_Size(m_impl->size);
    const FT_Int32 target = m_monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    FT_UInt index = FT_Get_Char_Index(face, FT_ULong(codePoint));
    // Outlines first, so synthesis applies; faces that only carry bitmaps still draw.
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | target) != 0
        && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | target) != 0
        && (index == 0 || FT_Load_Glyph(face, 0, FT_LOAD_DEFAULT | target) != 0)) {
        glyph->advance = m_metrics.aveCharWidth;
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    glyph->advance = int((slot->advance.x + 32) >> 6) + m_boldPixels;

    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (m_oblique) {
            FT_Matrix shear { 0x10000, kObliqueShear, 0, 0x10000 };
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (m_boldPixels > 0) {
            // Grow to the right only: the extra width is exactly what the advance gained.
            FT_Pos strength = FT_Pos(m_boldPixels) * 64;
            FT_Outline_EmboldenXY(&slot->outline, strength, 0);
            FT_Outline_Translate(&slot->outline, strength / 2, 0);
        }
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP
        && FT_Render_Glyph(slot, m_monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return glyph;

    const FT_Bitmap& bitmap = slot->bitmap;
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = int(bitmap.width);
    glyph->rows = int(bitmap.rows);
    glyph->coverage.assign(size_t(glyph->width) * size_t(glyph->rows), 0);
    const int pitch = bitmap.pitch;
    for (int y = 0; y < glyph->rows; ++y) {
        const unsigned char* row = pitch >= 0
            ? bitmap.buffer + size_t(y) * size_t(pitch)
            : bitmap.buffer + size_t(glyph->rows - 1 - y) * size_t(-pitch);
        BYTE* dst = glyph->coverage.data() + size_t(y) * size_t(glyph->width);
        for (int x = 0; x < glyph->width; ++x) {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                break;
            case FT_PIXEL_MODE_GRAY:
                dst[x] = bitmap.num_grays == 256 ? row[x]
                    : BYTE(row[x] * 255 / std::max<int>(1, bitmap.num_grays - 1));
                break;
            case FT_PIXEL_MODE_BGRA:
                dst[x] = row[x * 4 + 3];
                break;
            default:
                dst[x] = row[x] ? 255 : 0;
                break;
            }
        }
    }
    if (m_monochrome)
        for (BYTE& c : glyph->coverage)
            c = c >= 128 ? 255 : 0;
    return glyph;
}

std::vector<std::u16string> InstalledFamilies()
{
    Engine& engine = GetEngine();
    std::lock_guard guard(engine.lock);
    std::vector<std::u16string> out;
    if (!engine.fontconfigReady) {
        if (!FcInit())
            return out;
        engine.fontconfigReady = true;
    }
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_SCALABLE, nullptr);
    FcFontSet* set = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            FcBool scalable = FcFalse;
            if (FcPatternGetBool(set->fonts[i], FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable)
                continue;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
                out.push_back(Utf8ToUtf16(reinterpret_cast<const char*>(family)));
        }
        FcFontSetDestroy(set);
    }
    if (objects)
        FcObjectSetDestroy(objects);
    if (pattern)
        FcPatternDestroy(pattern);
    return out;
}

} // namespace gdi_detail
