#pragma once
// Blends a line of text ("contenttype" other than 1) or an image file ("contenttype" 1,
// "filepath") into the target's picture, once at a corner or the centre ("position" 2-6) or
// tiled over it (1, "margin" pixels apart, the first copy half a margin from the top-left
// corner), with "opacity" 0 (invisible) to 255.
//
// Text is drawn as glyph coverage, scaled by the opacity, through which the text colour is
// blended: anti-aliased edges mix text and picture and nothing else. An image watermark brings
// its own alpha channel; its fully opaque pixels take the opacity, the partly transparent ones
// keep their alpha. A target of more than 24 bits per pixel is lowered to 24 for an image
// watermark.
//
// Placement works on the stored pixel grid; a tiling step (copy size plus margin) of 0 or less
// draws a single copy.

#include "engine/Action.h"
#include "platform/gdi/GdiTypes.h"

#include <string>
#include <string_view>

// DrawImageWatermark's answer when the watermark file does not exist.
constexpr int WATERMARK_FILE_MISSING = -10;

class CActionImageWatermark : public CActionImage {
public:
    CActionImageWatermark();

    std::u16string GetTypeKey() const override { return u"builtin__watermark"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 15 when the watermark could not be applied (logged by the drawing routine); the target's
    // picture is then unchanged, except that tiling stops at a failing copy and keeps the ones
    // before it.
    int Process(CActionTarget* target) override;
    std::vector<std::u16string> GetAcceptedValues(std::u16string_view name) const override
    {
        if (name == u"position")
            return { u"1", u"2", u"3", u"4", u"5", u"6" };
        return {};
    }

    // The drawing routines return 1 on success, else an imaging code (logged).
    int DrawTextWatermark(ImageBitmap* bitmap, int position, int opacity);
    int DrawImageWatermark(ImageBitmap* bitmap, int position, int opacity, const std::u16string& path);

    // Where a single copy of `text` in `font` starts; `dc` is used for measuring only.
    static POINT GetTextWatermarkOrigin(const ImageBitmap* bitmap, HFONT font, HDC dc, std::u16string_view text,
                                        int position);
    static POINT GetImageWatermarkOrigin(const ImageBitmap* bitmap, const ImageBitmap* watermark, int position);

protected:
    ~CActionImageWatermark() override = default;
};

// The values of "position" (stored in stacks) and of "contenttype".
enum WatermarkPosition : int {
    kWatermarkTiled = 1,
    kWatermarkTopLeft = 2,
    kWatermarkTopRight = 3,
    kWatermarkBottomLeft = 4,
    kWatermarkBottomRight = 5,
    kWatermarkCentred = 6,
};
enum WatermarkContent : int { kWatermarkImage = 1, kWatermarkText = 2 };

// A copy of copyWidth x copyHeight at `position` on a width x height picture: 5 pixels from the
// edges it is placed against, centred for kWatermarkCentred (each half truncated toward zero),
// (0, 0) for any other position.
POINT WatermarkOrigin(int width, int height, int copyWidth, int copyHeight, int position);
