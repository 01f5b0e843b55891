// Text: layout of a run into whole-pixel advances, drawing, measuring and metrics.

#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Raster.h"

#include <algorithm>
#include <limits>

using namespace gdi_detail;

namespace {

struct TextRun {
    std::vector<std::shared_ptr<const Glyph>> glyphs;
    long long width = 0;
};

// The one layout step every text call shares, so measuring and drawing never disagree.
void LayOut(FontInstance& font, const WCHAR* text, int count, TextRun& run)
{
    const std::u32string codePoints = Utf16ToCodePoints(std::u16string_view(text, size_t(count)));
    font.Glyphs(codePoints.data(), codePoints.size(), run.glyphs);
    run.width = 0;
    for (const auto& glyph : run.glyphs)
        run.width += glyph->advance;
}

BrushData SolidBrush(COLORREF color)
{
    BrushData brush;
    brush.color = color;
    return brush;
}

RECT MakeRect(long long left, long long top, long long right, long long bottom)
{
    return { ClampLong(left), ClampLong(top), ClampLong(right), ClampLong(bottom) };
}

// Checks the context and arguments shared by the text calls; sets the last error on failure.
GdiDeviceContext* TextContext(HDC hdc, const WCHAR* text, int count)
{
    GdiDeviceContext* dc = LookupDC(hdc);
    if (!dc)
        return nullptr;
    if (count < 0 || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!dc->state.fontInstance) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return dc;
}

} // namespace

namespace {

// Advances of a run: the glyphs' own, or the caller's, plus justification at break characters.
std::vector<long long> Advances(const GdiDeviceContext* dc, const TextRun& run, const std::u32string& codes,
    const INT* dx)
{
    std::vector<long long> out(run.glyphs.size());
    int breaks = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = dx ? dx[i] : run.glyphs[i]->advance;
        if (!dx && dc->state.breakCount > 0 && i < codes.size() && codes[i] == U' ' && breaks < dc->state.breakCount) {
            // The extra space spreads over the break characters, the remainder to the first ones.
            const int extra = dc->state.breakExtra;
            const int count = dc->state.breakCount;
            out[i] += extra / count + (breaks < extra % count ? 1 : 0);
            ++breaks;
        }
    }
    return out;
}

struct Placed {
    TextRun run;
    std::u32string codes;
    std::vector<long long> advances;
    long long width = 0;
};

void Place(GdiDeviceContext* dc, const WCHAR* text, int count, const INT* dx, Placed& placed)
{
    placed.codes = Utf16ToCodePoints(std::u16string_view(text, size_t(count)));
    dc->state.fontInstance->Glyphs(placed.codes.data(), placed.codes.size(), placed.run.glyphs);
    placed.advances = Advances(dc, placed.run, placed.codes, dx);
    placed.width = 0;
    for (long long a : placed.advances)
        placed.width += a;
}

int RotationOf(const LOGFONTW& lf)
{
    const int angle = ((lf.lfEscapement % 3600) + 3600) % 3600;
    return angle == 900 || angle == 1800 || angle == 2700 ? angle : 0;
}

// The run's coverage in its own upright cell: width x height, union of glyphs and lines.
std::vector<BYTE> RunMask(const Placed& p, const FontMetrics& m, const LOGFONTW& lf, long long width, long long height)
{
    std::vector<BYTE> mask(size_t(width) * size_t(height), 0);
    auto put = [&](long long x, long long y, BYTE c) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            BYTE& v = mask[size_t(y) * size_t(width) + size_t(x)];
            v = std::max(v, c);
        }
    };
    long long pen = 0;
    for (size_t i = 0; i < p.run.glyphs.size(); ++i) {
        const Glyph& g = *p.run.glyphs[i];
        for (int row = 0; row < g.rows; ++row)
            for (int col = 0; col < g.width; ++col)
                put(pen + g.left + col, m.ascent - g.top + row, g.coverage[size_t(row) * size_t(g.width) + size_t(col)]);
        pen += p.advances[i];
    }
    auto line = [&](long long top, int thickness) {
        for (long long y = top; y < top + thickness; ++y)
            for (long long x = 0; x < width; ++x)
                put(x, y, 255);
    };
    if (lf.lfUnderline)
        line(m.ascent + m.underlineTop, m.underlineThickness);
    if (lf.lfStrikeOut)
        line(m.ascent - m.strikeoutTop, m.strikeoutThickness);
    return mask;
}

// Draws a run with its top-left cell corner at logical (x, y) (alignment already applied),
// clipped to the context's clip and, when given, to a device rectangle.
void DrawPlaced(GdiDeviceContext* dc, const Placed& placed, long long x, long long y, const RECT* extraClip,
    bool fillCell)
{
    const DcState& state = dc->state;
    const FontMetrics& m = state.fontInstance->Metrics();
    const long long height = m.ascent + m.descent;
    const bool opaqueAlpha = dc->OpaqueAlpha();
    const int rotation = RotationOf(state.logFont);
    auto clipped = [&](const RECT& box, auto&& f) {
        const RECT limited = extraClip ? IntersectRects(box, *extraClip) : box;
        ForEachClipped(dc, limited, f);
    };
    auto fill = [&](const RECT& r, COLORREF color) {
        clipped(r, [&](const RECT& piece) {
            if (opaqueAlpha || dc->buffer.format == GdiPixelFormat::Gray8)
                FillRectPhysical(dc->buffer, piece, color);
            else
                PatternRect(dc, SolidBrush(color), piece, 0xF0);
        });
    };

    if (rotation != 0) {
        // Upright mask, turned about the reference point.
        const long long w = placed.width;
        std::vector<BYTE> mask = RunMask(placed, m, state.logFont, w, height);
        const bool swap = rotation != 1800;
        const long long rw = swap ? height : w;
        const long long rh = swap ? w : height;
        std::vector<BYTE> turned(size_t(rw) * size_t(rh), 0);
        long long ox = 0;
        long long oy = 0;
        for (long long v = 0; v < height; ++v)
            for (long long u = 0; u < w; ++u) {
                long long tx = 0, ty = 0;
                switch (rotation) {
                case 900: tx = v; ty = w - 1 - u; break;
                case 1800: tx = w - 1 - u; ty = height - 1 - v; break;
                default: tx = height - 1 - v; ty = u; break;
                }
                turned[size_t(ty) * size_t(rw) + size_t(tx)] = mask[size_t(v) * size_t(w) + size_t(u)];
            }
        switch (rotation) {
        case 900: ox = 0; oy = -w; break;
        case 1800: ox = -w; oy = -height; break;
        default: ox = -height; oy = 0; break;
        }
        const RECT box = RectToDevice(dc, MakeRect(x + ox, y + oy, x + ox + rw, y + oy + rh));
        if (fillCell)
            fill(box, state.bkColor);
        clipped(box, [&](const RECT& piece) {
            const BYTE* coverage = turned.data() + size_t(piece.top - box.top) * size_t(rw) + size_t(piece.left - box.left);
            BlendCoveragePhysical(dc->buffer, piece.left, piece.top, coverage, int(rw), piece.right - piece.left,
                piece.bottom - piece.top, state.textColor, opaqueAlpha, dc->mono);
        });
        return;
    }

    // Text runs left to right on the device, also in a mirrored context.
    const RECT cell = RectToDevice(dc, MakeRect(x, y, x + placed.width, y + height));
    const long long left = cell.left;
    const long long top = cell.top;
    const long long baseline = top + m.ascent;
    if (fillCell)
        fill(cell, state.bkColor);
    long long pen = left;
    for (size_t i = 0; i < placed.run.glyphs.size(); ++i) {
        const Glyph& glyph = *placed.run.glyphs[i];
        const long long gx = pen + glyph.left;
        const long long gy = baseline - glyph.top;
        pen += placed.advances[i];
        if (glyph.width == 0 || glyph.rows == 0)
            continue;
        clipped(MakeRect(gx, gy, gx + glyph.width, gy + glyph.rows), [&](const RECT& box) {
            const BYTE* coverage = glyph.coverage.data() + (box.top - gy) * glyph.width + (box.left - gx);
            BlendCoveragePhysical(dc->buffer, box.left, box.top, coverage, glyph.width, box.right - box.left,
                box.bottom - box.top, state.textColor, opaqueAlpha, dc->mono);
        });
    }
    if (state.logFont.lfUnderline) {
        const long long lineTop = baseline + m.underlineTop;
        fill(MakeRect(left, lineTop, left + placed.width, lineTop + m.underlineThickness), state.textColor);
    }
    if (state.logFont.lfStrikeOut) {
        const long long lineTop = baseline - m.strikeoutTop;
        fill(MakeRect(left, lineTop, left + placed.width, lineTop + m.strikeoutThickness), state.textColor);
    }
}

} // namespace

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx)
{
    GdiDeviceContext* dc = TextContext(hdc, text, int(std::min<UINT>(count, 0x7FFFFFFF)));
    if (!dc)
        return FALSE;
    DcState& state = dc->state;
    RECT deviceRect {};
    const bool haveRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
    if (haveRect)
        deviceRect = RectToDevice(dc, *rect);
    if (haveRect && (options & ETO_OPAQUE) && !IsEmptyRect(deviceRect)) {
        ForEachClipped(dc, deviceRect, [&](const RECT& piece) {
            if (dc->OpaqueAlpha() || dc->buffer.format == GdiPixelFormat::Gray8)
                FillRectPhysical(dc->buffer, piece, state.bkColor);
            else
                PatternRect(dc, SolidBrush(state.bkColor), piece, 0xF0);
        });
    }
    Placed placed;
    Place(dc, text, int(count), dx, placed);
    const FontMetrics& m = state.fontInstance->Metrics();
    long long px = x;
    long long py = y;
    if (state.textAlign & TA_UPDATECP) {
        px = state.currentPos.x;
        py = state.currentPos.y;
    }
    long long left = px;
    switch (state.textAlign & TA_CENTER) {
    case TA_RIGHT: left = px - placed.width; break;
    case TA_CENTER: left = px - placed.width / 2; break;
    default: break;
    }
    long long top = py;
    if ((state.textAlign & TA_BASELINE) == TA_BASELINE)
        top = py - m.ascent;
    else if (state.textAlign & TA_BOTTOM)
        top = py - (m.ascent + m.descent);
    const bool clip = haveRect && (options & ETO_CLIPPED);
    DrawPlaced(dc, placed, left, top, clip ? &deviceRect : nullptr, state.bkMode == OPAQUE);
    if (state.textAlign & TA_UPDATECP) {
        if ((state.textAlign & TA_CENTER) == TA_LEFT)
            state.currentPos.x = ClampLong(px + placed.width);
        else if ((state.textAlign & TA_CENTER) == TA_RIGHT)
            state.currentPos.x = ClampLong(px - placed.width);
    }
    return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, const WCHAR* text, int count)
{
    if (count < 0) {
        if (LookupDC(hdc))
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutW(hdc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

BOOL GetTextExtentPoint32W(HDC hdc, const WCHAR* text, int count, SIZE* size)
{
    GdiDeviceContext* dc = TextContext(hdc, text, count);
    if (!dc)
        return FALSE;
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FontInstance& font = *dc->state.fontInstance;
    TextRun run;
    LayOut(font, text, count, run);
    size->cx = ClampLong(run.width);
    size->cy = font.Metrics().ascent + font.Metrics().descent;
    return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics)
{
    GdiDeviceContext* dc = TextContext(hdc, nullptr, 0);
    if (!dc)
        return FALSE;
    if (!metrics) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const FontInstance& font = *dc->state.fontInstance;
    const FontMetrics& m = font.Metrics();
    const LOGFONTW& logFont = dc->state.logFont;
    TEXTMETRICW tm {};
    tm.tmHeight = m.ascent + m.descent;
    tm.tmAscent = m.ascent;
    tm.tmDescent = m.descent;
    tm.tmInternalLeading = m.internalLeading;
    tm.tmExternalLeading = m.externalLeading;
    tm.tmAveCharWidth = m.aveCharWidth;
    tm.tmMaxCharWidth = m.maxCharWidth;
    tm.tmWeight = logFont.lfWeight <= 0 ? FW_NORMAL : logFont.lfWeight;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = logFont.lfItalic ? 255 : 0;
    tm.tmUnderlined = logFont.lfUnderline ? 255 : 0;
    tm.tmStruckOut = logFont.lfStrikeOut ? 255 : 0;
    tm.tmPitchAndFamily = BYTE(m.family | TMPF_TRUETYPE | TMPF_VECTOR | (m.fixedPitch ? 0 : TMPF_FIXED_PITCH));
    tm.tmCharSet = logFont.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : logFont.lfCharSet;
    *metrics = tm;
    return TRUE;
}

int GetTextFaceW(HDC hdc, int count, WCHAR* faceName)
{
    GdiDeviceContext* dc = TextContext(hdc, nullptr, 0);
    if (!dc)
        return 0;
    const std::u16string& family = dc->state.fontInstance->FamilyName();
    if (!faceName)
        return int(family.size()) + 1;
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t copied = std::min(family.size(), size_t(count - 1));
    std::copy_n(family.data(), copied, faceName);
    faceName[copied] = 0;
    return int(copied) + 1;
}

BOOL RenderTextMaskW(HFONT font, int x, int y, const WCHAR* text, int count, const GdiPixelBuffer& mask)
{
    if (mask.format != GdiPixelFormat::Gray8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HDC dc = CreatePixelBufferDC(mask);
    if (!dc)
        return FALSE;
    BOOL ok = SelectObject(dc, font) != nullptr;
    if (ok) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        ok = TextOutW(dc, x, y, text, count);
    }
    DeleteDC(dc);
    return ok;
}

BOOL GetTextExtentExPointW(HDC hdc, const WCHAR* text, int count, int maxExtent, INT* fit, INT* dx, SIZE* size)
{
    GdiDeviceContext* dc = TextContext(hdc, text, count);
    if (!dc)
        return FALSE;
    Placed placed;
    Place(dc, text, count, nullptr, placed);
    long long total = 0;
    int fitting = 0;
    // Partial extents are per UTF-16 unit; a surrogate pair shares its character's extent.
    int unit = 0;
    for (size_t i = 0; i < placed.advances.size(); ++i) {
        total += placed.advances[i];
        const int units = placed.codes[i] > 0xFFFF ? 2 : 1;
        if (maxExtent < 0 || total <= maxExtent)
            fitting = unit + units;
        for (int k = 0; k < units; ++k, ++unit)
            if (dx)
                dx[unit] = int(std::min<long long>(total, 0x7FFFFFFF));
    }
    if (fit)
        *fit = fitting;
    if (size)
        *size = { ClampLong(total), dc->state.fontInstance->Metrics().ascent + dc->state.fontInstance->Metrics().descent };
    return TRUE;
}

BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, INT* widths)
{
    GdiDeviceContext* dc = TextContext(hdc, nullptr, 0);
    if (!dc || !widths || last < first || last - first > 0x10000)
        return FALSE;
    std::u32string codes;
    for (UINT c = first; c <= last; ++c)
        codes.push_back(char32_t(c));
    std::vector<std::shared_ptr<const Glyph>> glyphs;
    dc->state.fontInstance->Glyphs(codes.data(), codes.size(), glyphs);
    for (size_t i = 0; i < glyphs.size(); ++i)
        widths[i] = glyphs[i]->advance;
    return TRUE;
}

BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* widths)
{
    GdiDeviceContext* dc = TextContext(hdc, nullptr, 0);
    if (!dc || !widths || last < first || last - first > 0x10000)
        return FALSE;
    std::u32string codes;
    for (UINT c = first; c <= last; ++c)
        codes.push_back(char32_t(c));
    std::vector<std::shared_ptr<const Glyph>> glyphs;
    dc->state.fontInstance->Glyphs(codes.data(), codes.size(), glyphs);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = *glyphs[i];
        widths[i].abcA = g.width ? g.left : 0;
        widths[i].abcB = UINT(g.width);
        widths[i].abcC = g.advance - widths[i].abcA - g.width;
    }
    return TRUE;
}

namespace {

// Splits at tabs: pieces with their start offsets from x.
long long TabbedLayout(HDC hdc, const WCHAR* text, int count, int tabCount, const INT* tabs, int origin, int x,
    std::vector<std::pair<long long, std::u16string>>* pieces)
{
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    const long long defaultTab = 8LL * tm.tmAveCharWidth;
    long long pos = 0;
    int start = 0;
    int tabIndex = 0;
    for (int i = 0; i <= count; ++i) {
        if (i < count && text[i] != u'\t')
            continue;
        SIZE size {};
        GetTextExtentPoint32W(hdc, text + start, i - start, &size);
        if (pieces)
            pieces->emplace_back(pos, std::u16string(text + start, text + i));
        pos += size.cx;
        if (i < count) {
            // Tab stops are measured from `origin`.
            const long long absolute = x + pos - origin;
            long long stop = 0;
            if (tabCount <= 0 || !tabs) {
                stop = defaultTab > 0 ? (absolute / defaultTab + 1) * defaultTab : absolute;
            } else if (tabCount == 1) {
                const long long step = std::max(1, std::abs(tabs[0]));
                stop = (absolute / step + 1) * step;
            } else {
                while (tabIndex < tabCount && tabs[tabIndex] <= absolute)
                    ++tabIndex;
                stop = tabIndex < tabCount ? tabs[tabIndex] : absolute;
            }
            pos = stop + origin - x;
        }
        start = i + 1;
    }
    return pos;
}

} // namespace

LONG TabbedTextOutW(HDC hdc, int x, int y, const WCHAR* text, int count, int tabCount, const INT* tabs, int origin)
{
    if (!TextContext(hdc, text, count))
        return 0;
    std::vector<std::pair<long long, std::u16string>> pieces;
    const long long width = TabbedLayout(hdc, text, count, tabCount, tabs, origin, x, &pieces);
    for (const auto& [offset, piece] : pieces)
        TextOutW(hdc, ClampLong(x + offset), y, piece.data(), int(piece.size()));
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    return LONG(MAKELONG(WORD(std::min<long long>(width, 0xFFFF)), WORD(tm.tmHeight)));
}

DWORD GetTabbedTextExtentW(HDC hdc, const WCHAR* text, int count, int tabCount, const INT* tabs)
{
    if (!TextContext(hdc, text, count))
        return 0;
    const long long width = TabbedLayout(hdc, text, count, tabCount, tabs, 0, 0, nullptr);
    TEXTMETRICW tm {};
    GetTextMetricsW(hdc, &tm);
    return MAKELONG(WORD(std::min<long long>(width, 0xFFFF)), WORD(tm.tmHeight));
}

int EnumFontFamiliesExW(HDC hdc, const LOGFONTW* logFont, FONTENUMPROCW callback, LPARAM data, DWORD)
{
    if (!LookupDC(hdc) || !logFont || !callback) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<std::u16string> families = InstalledFamilies();
    for (const char16_t* alias : { u"Arial", u"Courier", u"Courier New", u"Marlett", u"MS Shell Dlg", u"Tahoma",
             u"Times New Roman", u"Verdana" })
        families.push_back(alias);
    auto lower = [](const std::u16string& s) { return AsciiLowerCopy(s); };
    std::sort(families.begin(), families.end(), [&](const auto& a, const auto& b) { return lower(a) < lower(b); });
    families.erase(std::unique(families.begin(), families.end(),
                       [&](const auto& a, const auto& b) { return lower(a) == lower(b); }),
        families.end());
    std::u16string wanted;
    for (int i = 0; i < LF_FACESIZE && logFont->lfFaceName[i]; ++i)
        wanted.push_back(logFont->lfFaceName[i]);
    int result = 1;
    for (const std::u16string& family : families) {
        if (family.size() >= size_t(LF_FACESIZE))
            continue;
        if (!wanted.empty() && lower(wanted) != lower(family))
            continue;
        ENUMLOGFONTEXW elf {};
        elf.elfLogFont.lfHeight = -16;
        elf.elfLogFont.lfWeight = FW_NORMAL;
        elf.elfLogFont.lfCharSet = family == u"Marlett" ? SYMBOL_CHARSET : ANSI_CHARSET;
        elf.elfLogFont.lfOutPrecision = OUT_TT_PRECIS;
        elf.elfLogFont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        std::copy(family.begin(), family.end(), elf.elfLogFont.lfFaceName);
        std::copy(family.begin(), family.end(), elf.elfFullName);
        const char16_t regular[] = u"Regular";
        std::copy(std::begin(regular), std::end(regular), elf.elfStyle);
        NEWTEXTMETRICW ntm {};
        ntm.tmHeight = 16;
        ntm.tmWeight = FW_NORMAL;
        ntm.tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_TRUETYPE | TMPF_VECTOR | FF_SWISS;
        ntm.tmCharSet = elf.elfLogFont.lfCharSet;
        ntm.ntmSizeEM = 2048;
        result = callback(&elf.elfLogFont, reinterpret_cast<const TEXTMETRICW*>(&ntm), TRUETYPE_FONTTYPE, data);
        if (result == 0)
            break;
    }
    return result;
}
