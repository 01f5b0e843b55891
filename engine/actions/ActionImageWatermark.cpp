#include "engine/actions/ActionImageWatermark.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/base/File.h"
#include "platform/gdi/Gdi.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageRegion.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kEdgeDistance = 5;
constexpr COLORREF kOpaqueAlpha = 0xFFFFFF;

int clampToInt(long long value) { return int(std::clamp(value, (long long)INT_MIN, (long long)INT_MAX)); }

// Calls place(x, y) at every tile origin, row by row, until it returns false (then false).
// Steps of 0 or less would never advance: a single copy is placed instead.
template <typename Place> bool forEachTile(int width, int height, int stepX, int stepY, int offset, Place place)
{
    if (width <= 0 || height <= 0)
        return true;
    if (stepX <= 0 || stepY <= 0)
        return place(offset, offset);
    for (long long top = 0; top < height; top += stepY) {
        for (long long left = 0; left < width; left += stepX) {
            if (!place(clampToInt(left + offset), clampToInt(top + offset)))
                return false;
        }
    }
    return true;
}

struct TilingSteps {
    int stepX;
    int stepY;
    int offset;
};

TilingSteps tilingSteps(int copyWidth, int copyHeight, int margin)
{
    return { clampToInt((long long)copyWidth + margin), clampToInt((long long)copyHeight + margin), margin / 2 };
}

// The font and the measuring context of one text watermark, released on every path.
struct TextTools {
    HDC dc = nullptr;
    HFONT font = nullptr;
    BYTE scratchPixel[4] = {};

    TextTools() = default;
    TextTools(const TextTools&) = delete;
    TextTools& operator=(const TextTools&) = delete;
    ~TextTools()
    {
        if (dc)
            DeleteDC(dc);
        if (font)
            DeleteObject(font);
    }
};

SIZE measureText(HDC dc, HFONT font, std::u16string_view text)
{
    SIZE size { 0, 0 };
    HGDIOBJ previous = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
    if (previous)
        SelectObject(dc, previous);
    return size;
}

GdiPixelBuffer grayBufferOf(ImageBitmap& bitmap)
{
    return GdiPixelBuffer { bitmap.pixels, bitmap.width, bitmap.height, bitmap.bytesPerLine, GdiPixelFormat::Gray8 };
}

// Unites the coverage of `tile` placed at (x, y) with `mask`, the way overlapping glyphs unite.
void stampCoverage(ImageBitmap& mask, const ImageBitmap& tile, int x, int y)
{
    const long long left = std::max(0LL, (long long)x);
    const long long top = std::max(0LL, (long long)y);
    const long long right = std::min((long long)mask.width, (long long)x + tile.width);
    const long long bottom = std::min((long long)mask.height, (long long)y + tile.height);
    for (long long row = top; row < bottom; ++row) {
        BYTE* to = mask.Row(LONG(row)) + left;
        const BYTE* from = tile.Row(LONG(row - y)) + (left - x);
        for (long long column = left; column < right; ++column, ++to, ++from) {
            const unsigned coverage = *from;
            if (coverage != 0)
                *to = BYTE(coverage + (*to * (255 - coverage) + 127) / 255);
        }
    }
}

void scaleCoverage(ImageBitmap& mask, int opacity)
{
    if (opacity >= 255)
        return;
    for (LONG row = 0; row < mask.height; ++row) {
        BYTE* value = mask.Row(row);
        for (LONG column = 0; column < mask.width; ++column, ++value)
            *value = BYTE((*value * unsigned(opacity) + 127) / 255);
    }
}

bool fileExists(const std::u16string& path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}

POINT WatermarkOrigin(int width, int height, int copyWidth, int copyHeight, int position)
{
    switch (position) {
    case kWatermarkTopLeft:
        return POINT { kEdgeDistance, kEdgeDistance };
    case kWatermarkTopRight:
        return POINT { width - copyWidth - kEdgeDistance, kEdgeDistance };
    case kWatermarkBottomLeft:
        return POINT { kEdgeDistance, height - copyHeight - kEdgeDistance };
    case kWatermarkBottomRight:
        return POINT { width - copyWidth - kEdgeDistance, height - copyHeight - kEdgeDistance };
    case kWatermarkCentred:
        return POINT { width / 2 - copyWidth / 2, height / 2 - copyHeight / 2 };
    default:
        return POINT { 0, 0 };
    }
}

CActionImageWatermark::CActionImageWatermark()
{
    SetPropertyInt(u"position", kWatermarkTiled);
    SetPropertyInt(u"margin", 50);
    SetPropertyInt(u"fontbold", 0);
    SetPropertyInt(u"fontitalics", 0);
    SetPropertyInt(u"fontunderline", 0);
    SetPropertyInt(u"fontcolor", 0x7D7D7D);
    SetPropertyString(u"fontname", u"Verdana");
    SetPropertyInt(u"fontsize", 12);
    SetPropertyInt(u"fontstrikeout", 0);
    SetPropertyInt(u"contenttype", kWatermarkText);
    SetPropertyInt(u"opacity", 255);
    SetPropertyString(u"filepath", u"");
    SetPropertyString(u"text", LoadStringText(137));
}

std::u16string CActionImageWatermark::GetName() const { return LoadStringText(124); }
std::u16string CActionImageWatermark::GetDescription() const { return LoadStringText(253); }

bool CActionImageWatermark::ShowPropertyDialog(int, HWND)
{
    WatermarkDialogValues values;
    int contentType = values.contentType;
    int position = values.position;
    LONG color = LONG(values.textColor);
    GetPropertyInt(u"contenttype", contentType);
    GetPropertyInt(u"position", position);
    GetPropertyInt(u"margin", values.margin);
    GetPropertyInt(u"fontbold", values.bold);
    GetPropertyInt(u"fontitalics", values.italic);
    GetPropertyInt(u"fontunderline", values.underline);
    GetPropertyInt(u"fontstrikeout", values.strikeOut);
    GetPropertyInt(u"fontsize", values.fontSize);
    GetPropertyInt(u"opacity", values.opacity);
    GetPropertyLong(u"fontcolor", color);
    GetPropertyString(u"fontname", values.fontName);
    GetPropertyString(u"filepath", values.imagePath);
    GetPropertyString(u"text", values.text);
    values.contentType = WORD(contentType);
    values.position = WORD(position);
    values.textColor = COLORREF(color);
    if (GetActionPropertyDialogs().RunWatermarkDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"contenttype", values.contentType);
    SetPropertyInt(u"position", values.position);
    SetPropertyInt(u"margin", values.margin);
    SetPropertyInt(u"fontbold", values.bold);
    SetPropertyInt(u"fontitalics", values.italic);
    SetPropertyInt(u"fontunderline", values.underline);
    SetPropertyInt(u"fontstrikeout", values.strikeOut);
    SetPropertyInt(u"fontsize", values.fontSize);
    SetPropertyInt(u"opacity", values.opacity);
    SetPropertyInt(u"fontcolor", int(values.textColor));
    SetPropertyString(u"fontname", values.fontName);
    SetPropertyString(u"filepath", values.imagePath);
    SetPropertyString(u"text", values.text);
    return true;
}

int CActionImageWatermark::Process(CActionTarget* target)
{
    CImageFileTarget* image = nullptr;
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, image, bitmap))
        return code;
    int opacity = 0;
    int contentType = 0;
    int position = 0;
    GetPropertyInt(u"opacity", opacity);
    GetPropertyInt(u"contenttype", contentType);
    GetPropertyInt(u"position", position);
    // Only the low 16 bits of these two count.
    contentType = WORD(contentType);
    position = WORD(position);
    opacity = std::clamp(opacity, 0, 255);

    int result;
    if (contentType == kWatermarkImage) {
        std::u16string path;
        GetPropertyString(u"filepath", path);
        result = DrawImageWatermark(bitmap, position, opacity, path);
    } else {
        result = DrawTextWatermark(bitmap, position, opacity);
    }
    return result == IMAGING_SUCCESS ? RESULT_SUCCESS : RESULT_IMAGE_OPERATION_FAILED;
}

POINT CActionImageWatermark::GetTextWatermarkOrigin(const ImageBitmap* bitmap, HFONT font, HDC dc,
                                                    std::u16string_view text, int position)
{
    SIZE size = measureText(dc, font, text);
    return WatermarkOrigin(bitmap->width, bitmap->height, size.cx, size.cy, position);
}

POINT CActionImageWatermark::GetImageWatermarkOrigin(const ImageBitmap* bitmap, const ImageBitmap* watermark,
                                                     int position)
{
    return WatermarkOrigin(bitmap->width, bitmap->height, watermark->width, watermark->height, position);
}

int CActionImageWatermark::DrawTextWatermark(ImageBitmap* bitmap, int position, int opacity)
{
    std::u16string text;
    int italic = 0;
    int bold = 0;
    int underline = 0;
    int strikeOut = 0;
    std::u16string faceName;
    int fontSize = 0;
    LONG color = 0;
    int margin = 0;
    GetPropertyString(u"text", text);
    GetPropertyInt(u"fontitalics", italic);
    GetPropertyInt(u"fontbold", bold);
    GetPropertyInt(u"fontunderline", underline);
    GetPropertyInt(u"fontstrikeout", strikeOut);
    GetPropertyString(u"fontname", faceName);
    GetPropertyInt(u"fontsize", fontSize);
    GetPropertyLong(u"fontcolor", color);
    GetPropertyInt(u"margin", margin);
    if (text.empty() || opacity <= 0)
        return IMAGING_SUCCESS; // nothing would show
    const int width = bitmap->width;
    const int height = bitmap->height;

    TextTools tools;
    GdiPixelBuffer scratch { tools.scratchPixel, 1, 1, 4, GdiPixelFormat::Gray8 };
    tools.dc = CreatePixelBufferDC(scratch);
    if (!tools.dc) {
        LogError(u"%s: Failed to create a device context for the text: %d", GetName(), IMAGING_ERROR_NO_MEMORY);
        return IMAGING_ERROR_NO_MEMORY;
    }
    LOGFONTW logFont {};
    logFont.lfHeight = -clampToInt(std::llround(double(fontSize) * GetDeviceCaps(tools.dc, LOGPIXELSY) / 72.0));
    logFont.lfWeight = bold != 0 ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = BYTE(italic);
    logFont.lfUnderline = BYTE(underline);
    logFont.lfStrikeOut = BYTE(strikeOut);
    // The font record holds 31 units and a terminator; longer names are cut.
    std::size_t faceLength = std::min<std::size_t>(faceName.size(), LF_FACESIZE - 1);
    std::copy_n(faceName.begin(), faceLength, logFont.lfFaceName);
    logFont.lfFaceName[faceLength] = 0;
    tools.font = CreateFontIndirectW(&logFont);
    if (!tools.font) {
        LogError(u"%s: Failed to create the font %s: %d", GetName(), faceName, IMAGING_ERROR_INVALID_ARGUMENT);
        return IMAGING_ERROR_INVALID_ARGUMENT;
    }
    const SIZE textSize = measureText(tools.dc, tools.font, text);

    // One copy's coverage is rendered once and stamped at every position. The padding catches
    // glyph parts that reach out of the text cell (italic overhang, accents).
    const int pad = std::max<int>(textSize.cy, 1);
    ImageBitmap tile;
    int result = IMAGING_ERROR_TOO_LARGE;
    long long tileWidth = (long long)textSize.cx + 2LL * pad;
    long long tileHeight = (long long)textSize.cy + 2LL * pad;
    if (tileWidth <= INT_MAX && tileHeight <= INT_MAX)
        result = CreateBitmap(&tile, int(tileWidth), int(tileHeight), 8, IMAGING_COLOR_ORDER_BGR, nullptr,
                              IMAGING_VIEW_TOP_LEFT);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to create the text bitmap: %d", GetName(), result);
        return result;
    }
    if (!RenderTextMaskW(tools.font, pad, pad, text.data(), int(text.size()), grayBufferOf(tile))) {
        LogError(u"%s: Failed to draw the text: %d", GetName(), IMAGING_ERROR_INVALID_ARGUMENT);
        return IMAGING_ERROR_INVALID_ARGUMENT;
    }

    // Only the area the copies can reach gets a mask and an ink bitmap.
    RECT area { 0, 0, width, height };
    if (position != kWatermarkTiled) {
        POINT origin = GetTextWatermarkOrigin(bitmap, tools.font, tools.dc, text, position);
        area.left = std::max(0, clampToInt((long long)origin.x - pad));
        area.top = std::max(0, clampToInt((long long)origin.y - pad));
        area.right = std::min<long long>(width, (long long)origin.x - pad + tile.width);
        area.bottom = std::min<long long>(height, (long long)origin.y - pad + tile.height);
        if (area.right <= area.left || area.bottom <= area.top)
            return IMAGING_SUCCESS; // the copy lies entirely off the picture
    }
    ImageBitmap mask;
    result = CreateBitmap(&mask, area.right - area.left, area.bottom - area.top, 8, IMAGING_COLOR_ORDER_BGR, nullptr,
                          IMAGING_VIEW_TOP_LEFT);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to create mask image: %d", GetName(), result);
        return result;
    }
    auto stamp = [&](int x, int y) {
        stampCoverage(mask, tile, x - pad - area.left, y - pad - area.top);
        return true;
    };
    if (position == kWatermarkTiled) {
        TilingSteps steps = tilingSteps(textSize.cx, textSize.cy, margin);
        forEachTile(width, height, steps.stepX, steps.stepY, steps.offset, stamp);
    } else {
        POINT origin = GetTextWatermarkOrigin(bitmap, tools.font, tools.dc, text, position);
        stamp(origin.x, origin.y);
    }
    scaleCoverage(mask, opacity);

    ImageBitmap ink;
    result = CreateBitmap(&ink, mask.width, mask.height, bitmap->bitsPerPixel, bitmap->colorOrder, nullptr,
                          IMAGING_VIEW_TOP_LEFT);
    if (result == IMAGING_SUCCESS)
        result = FillBitmap(&ink, COLORREF(color));
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to fill region: %d", GetName(), result);
        return result;
    }
    result = BlendBitmapsThroughMask(bitmap, area.left, area.top, mask.width, mask.height, &ink, 0, 0, &mask, 0, 0);
    if (result != IMAGING_SUCCESS)
        LogError(u"%s: Failed to set bitmap region: %d", GetName(), result);
    return result;
}

int CActionImageWatermark::DrawImageWatermark(ImageBitmap* bitmap, int position, int opacity,
                                              const std::u16string& path)
{
    if (!fileExists(path)) {
        LogError(u"%s: Failed to find watermark image %s", GetName(), path);
        return WATERMARK_FILE_MISSING;
    }
    int margin = 0;
    GetPropertyInt(u"margin", margin);

    if (bitmap->bitsPerPixel > 24) {
        int lowered = ChangeBitmapColorResolution(bitmap, bitmap, 24, 0x10002);
        if (lowered != IMAGING_SUCCESS) {
            LogError(u"%s: Failed to lower resolution of image to 24bpp: %d", GetName(), lowered);
            return lowered;
        }
    }
    ImageBitmap watermark;
    int result = LoadImageFile(path, &watermark, 32, IMAGING_COLOR_ORDER_BGR, IMAGING_LOAD_FLAGS);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to load watermark image %s: %d", GetName(), path, result);
        return result;
    }
    ImageBitmap alpha;
    result = GetBitmapAlphaChannel(&watermark, &alpha);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to get the alpha channel from the watermark image: %d", GetName(), result);
        return result;
    }
    if (opacity != 255) {
        // Only fully opaque pixels take the opacity; soft edges keep their own alpha.
        result = SetBitmapColorRegion(&alpha, kOpaqueAlpha, IMAGING_REGION_INSIDE);
        if (result != IMAGING_SUCCESS) {
            LogError(u"%s: Failed to set the mask region to a color: %d", GetName(), result);
            return result;
        }
        result = FillBitmap(&alpha, COLORREF(opacity) * 0x010101u);
        int freed = FreeBitmapRegion(&alpha);
        if (result != IMAGING_SUCCESS) {
            LogError(u"%s: Failed to fill the mask region: %d", GetName(), result);
            return result;
        }
        if (freed != IMAGING_SUCCESS) {
            LogError(u"%s: Failed to free bitmap region: %d", GetName(), freed);
            return freed;
        }
    }

    if (position != kWatermarkTiled) {
        POINT origin = GetImageWatermarkOrigin(bitmap, &watermark, position);
        result = BlendBitmapsThroughMask(bitmap, origin.x, origin.y, watermark.width, watermark.height, &watermark, 0,
                                         0, &alpha, 0, 0);
        if (result != IMAGING_SUCCESS)
            LogError(u"%s: Failed to (single) alpha blend bitmap: %d", GetName(), result);
        return result;
    }
    TilingSteps steps = tilingSteps(watermark.width, watermark.height, margin);
    forEachTile(bitmap->width, bitmap->height, steps.stepX, steps.stepY, steps.offset, [&](int x, int y) {
        result = BlendBitmapsThroughMask(bitmap, x, y, watermark.width, watermark.height, &watermark, 0, 0, &alpha, 0,
                                         0);
        if (result == IMAGING_SUCCESS)
            return true;
        LogError(u"%s: Failed to (tile) alpha blend bitmap: %d", GetName(), result);
        return false;
    });
    return result;
}
