// Text: layout of a run into whole-pixel advances, drawing, measuring and metrics.

#include "platform/base/LastError.h"
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

BOOL TextOutW(HDC hdc, int x, int y, const WCHAR* text, int count)
{
    GdiDeviceContext* dc = TextContext(hdc, text, count);
    if (!dc)
        return FALSE;
    const DcState& state = dc->state;
    FontInstance& font = *state.fontInstance;
    const FontMetrics& m = font.Metrics();
    TextRun run;
    LayOut(font, text, count, run);

    const POINT device = ToDevice(dc, x, y);
    const long long left = device.x;
    const long long top = device.y;
    const long long baseline = top + m.ascent;
    const bool opaqueAlpha = dc->OpaqueAlpha();
    auto fill = [&](const RECT& r, COLORREF color) {
        ForEachClipped(dc, r, [&](const RECT& piece) {
            if (opaqueAlpha || dc->buffer.format == GdiPixelFormat::Gray8)
                FillRectPhysical(dc->buffer, piece, color);
            else
                PatternRect(dc, SolidBrush(color), piece, 0xF0);
        });
    };

    if (state.bkMode == OPAQUE)
        fill(MakeRect(left, top, left + run.width, top + m.ascent + m.descent), state.bkColor);

    long long pen = left;
    for (const auto& glyph : run.glyphs) {
        const long long gx = pen + glyph->left;
        const long long gy = baseline - glyph->top;
        pen += glyph->advance;
        if (glyph->width == 0 || glyph->rows == 0)
            continue;
        ForEachClipped(dc, MakeRect(gx, gy, gx + glyph->width, gy + glyph->rows), [&](const RECT& box) {
            const BYTE* coverage = glyph->coverage.data() + (box.top - gy) * glyph->width + (box.left - gx);
            BlendCoveragePhysical(dc->buffer, box.left, box.top, coverage, glyph->width,
                box.right - box.left, box.bottom - box.top, state.textColor, opaqueAlpha, dc->mono);
        });
    }

    if (state.logFont.lfUnderline) {
        const long long lineTop = baseline + m.underlineTop;
        fill(MakeRect(left, lineTop, left + run.width, lineTop + m.underlineThickness), state.textColor);
    }
    if (state.logFont.lfStrikeOut) {
        const long long lineTop = baseline - m.strikeoutTop;
        fill(MakeRect(left, lineTop, left + run.width, lineTop + m.strikeoutThickness), state.textColor);
    }
    return TRUE;
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
