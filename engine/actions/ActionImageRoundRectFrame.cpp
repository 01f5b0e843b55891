#include "engine/actions/ActionImageRoundRectFrame.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageEffects.h"
#include "platform/imaging/ImageRegion.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace {

constexpr int kShadowMargin = 15;
constexpr int kShadowBlurStrength = 20;

// Drops a bitmap's region when it goes out of scope, so no path leaves one behind for the
// actions that follow.
class RegionGuard {
public:
    explicit RegionGuard(ImageBitmap* bitmap)
        : m_bitmap(bitmap)
    {
    }
    ~RegionGuard() { FreeBitmapRegion(m_bitmap); }
    RegionGuard(const RegionGuard&) = delete;
    RegionGuard& operator=(const RegionGuard&) = delete;

private:
    ImageBitmap* m_bitmap;
};

}

CActionImageRoundRectFrame::CActionImageRoundRectFrame()
{
    SetPropertyInt(u"radius", 10);
    SetPropertyInt(u"bgcolor", 0xFFFFFF);
    SetPropertyInt(u"dropshadow", 1);
}

std::u16string CActionImageRoundRectFrame::GetName() const { return LoadStringText(120); }
std::u16string CActionImageRoundRectFrame::GetDescription() const { return LoadStringText(247); }

bool CActionImageRoundRectFrame::ShowPropertyDialog(int, HWND)
{
    RoundRectFrameDialogValues values;
    LONG color = LONG(values.backgroundColor);
    int dropShadow = values.dropShadow;
    GetPropertyInt(u"radius", values.radius);
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"dropshadow", dropShadow);
    values.backgroundColor = COLORREF(color);
    values.dropShadow = dropShadow;
    if (GetActionPropertyDialogs().RunRoundRectFrameDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"radius", values.radius);
    SetPropertyInt(u"bgcolor", int(values.backgroundColor));
    SetPropertyInt(u"dropshadow", values.dropShadow);
    return true;
}

int CActionImageRoundRectFrame::Process(CActionTarget* target)
{
    CImageFileTarget* image = nullptr;
    ImageBitmap* source = nullptr;
    if (int code = GetImageTarget(target, image, source))
        return code;
    LONG color = 0;
    int radius = 10;
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"radius", radius);
    const int w = source->VisibleWidth();
    const int h = source->VisibleHeight();
    // Twice a radius near the int limit is refused by the region as absurd instead of wrapping.
    const int ellipse = int(std::clamp(2LL * radius, (long long)INT_MIN, (long long)INT_MAX));
    const RECT whole { 0, 0, w, h };

    {
        RegionGuard corners(source);
        int result = SetBitmapRoundRectRegion(source, &whole, ellipse, ellipse, IMAGING_REGION_OUTSIDE);
        if (result != IMAGING_SUCCESS)
            return FailImageOperation(u"Failed to set round rect region", result);
        result = FillBitmap(source, COLORREF(color));
        if (result != IMAGING_SUCCESS)
            return FailImageOperation(u"Failed to fill region", result);
        result = FreeBitmapRegion(source);
        if (result != IMAGING_SUCCESS)
            return FailImageOperation(u"Failed to free region", result);
    }

    int dropShadow = 0;
    GetPropertyInt(u"dropshadow", dropShadow);
    if (dropShadow == 0)
        return RESULT_SUCCESS;

    auto canvas = std::make_unique<ImageBitmap>();
    int result = IMAGING_ERROR_TOO_LARGE;
    if (w <= INT_MAX - 2 * kShadowMargin && h <= INT_MAX - 2 * kShadowMargin)
        result = CreateBitmap(canvas.get(), w + 2 * kShadowMargin, h + 2 * kShadowMargin, 32, source->colorOrder,
                              nullptr, source->viewPerspective);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to create new bitmap", result);
    result = FillBitmap(canvas.get(), COLORREF(color));
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to fill new bitmap", result);

    const int dx = (canvas->VisibleWidth() - w) / 2;
    const int dy = (canvas->VisibleHeight() - h) / 2;
    const RECT shape { dx, dy, dx + w, dy + h };

    // The black shape first, then a blur of everything around it: the shape stays solid and its
    // edge fades out into the canvas.
    result = SetBitmapRoundRectRegion(canvas.get(), &shape, ellipse, ellipse, IMAGING_REGION_INSIDE);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to set new bitmap region", result);
    result = FillBitmap(canvas.get(), 0);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to fill new bitmap region", result);
    result = FreeBitmapRegion(canvas.get());
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to free new bitmap region", result);
    result = SetBitmapRoundRectRegion(canvas.get(), &shape, ellipse, ellipse, IMAGING_REGION_OUTSIDE);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to set gaussian region", result);
    result = GaussianBlurBitmap(canvas.get(), kShadowBlurStrength);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to gaussian blur region", result);
    result = FreeBitmapRegion(canvas.get());
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to free gaussian region", result);

    {
        // Only the rounded shape of the picture is copied, so the halo shows past its corners.
        RegionGuard shapeOfPicture(source);
        result = SetBitmapRoundRectRegion(source, &whole, ellipse, ellipse, IMAGING_REGION_INSIDE);
        if (result != IMAGING_SUCCESS)
            return FailImageOperation(u"Failed to set final region", result);
        result = CombineBitmaps(canvas.get(), dx, dy, w, h, source, 0, 0, 800);
        if (result != IMAGING_SUCCESS)
            return FailImageOperation(u"Failed to combine the image with its shadow", result);
    }
    image->SetBitmap(std::move(canvas)); // frees `source`
    return RESULT_SUCCESS;
}
