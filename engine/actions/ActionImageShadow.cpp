#include "engine/actions/ActionImageShadow.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
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

// The corner directions let the blur start (or end) this far past the shadow's edge, so the
// side facing away from the shadow stays crisp.
constexpr int kCornerBlurInset = 5;

}

RECT ShadowBlurRectangle(int direction, int thickness, int canvasWidth, int canvasHeight)
{
    const int t = thickness;
    switch (direction) {
    case 1:
        return RECT { 0, 0, canvasWidth - t - kCornerBlurInset, canvasHeight - t - kCornerBlurInset };
    case 2:
        return RECT { t + kCornerBlurInset, t + kCornerBlurInset, canvasWidth, canvasHeight };
    case 3:
        return RECT { 0, 0, canvasWidth, canvasHeight };
    default:
        return RECT { t, t, canvasWidth - t, canvasHeight - t };
    }
}

CActionImageShadow::CActionImageShadow()
{
    SetPropertyInt(u"direction", 3);
    SetPropertyInt(u"thickness", 10);
    SetPropertyInt(u"bgcolor", 0xFFFFFF);
}

std::u16string CActionImageShadow::GetName() const { return LoadStringText(122); }
std::u16string CActionImageShadow::GetDescription() const { return LoadStringText(250); }

bool CActionImageShadow::ShowPropertyDialog(int, HWND)
{
    ShadowDialogValues values;
    LONG color = LONG(values.canvasColor);
    GetPropertyInt(u"direction", values.direction);
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"thickness", values.thickness);
    values.canvasColor = COLORREF(color);
    if (GetActionPropertyDialogs().RunShadowDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"direction", values.direction);
    SetPropertyInt(u"bgcolor", int(values.canvasColor));
    SetPropertyInt(u"thickness", values.thickness);
    return true;
}

int CActionImageShadow::Process(CActionTarget* target)
{
    CImageFileTarget* image = nullptr;
    ImageBitmap* source = nullptr;
    if (int code = GetImageTarget(target, image, source))
        return code;
    int direction = 0;
    LONG color = 0;
    int thickness = 10;
    GetPropertyInt(u"direction", direction);
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"thickness", thickness);
    const int w = source->VisibleWidth();
    const int h = source->VisibleHeight();
    const int t = thickness;
    if (t < 0) {
        LogError(u"%s: Failed to create new bitmap: the thickness %d is negative", GetName(), t);
        return RESULT_IMAGE_OPERATION_FAILED;
    }

    auto canvas = std::make_unique<ImageBitmap>();
    long long canvasWidth = w + 2LL * t;
    long long canvasHeight = h + 2LL * t;
    int result = IMAGING_ERROR_TOO_LARGE;
    if (canvasWidth <= INT_MAX && canvasHeight <= INT_MAX)
        result = CreateBitmap(canvas.get(), int(canvasWidth), int(canvasHeight), source->bitsPerPixel,
                              source->colorOrder, nullptr, source->viewPerspective);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to create new bitmap", result);
    const int nw = canvas->VisibleWidth();
    const int nh = canvas->VisibleHeight();

    result = FillBitmap(canvas.get(), COLORREF(color));
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to fill new bitmap", result);
    const RECT shape { t, t, nw - t, nh - t };
    result = SetBitmapRectRegion(canvas.get(), &shape, IMAGING_REGION_INSIDE);
    if (result == IMAGING_SUCCESS)
        result = FillBitmap(canvas.get(), 0);
    FreeBitmapRegion(canvas.get());
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to fill the shadow region", result);

    const RECT blurArea = ShadowBlurRectangle(direction, t, nw, nh);
    result = SetBitmapRectRegion(canvas.get(), &blurArea, IMAGING_REGION_INSIDE);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to set bitmap region", result);
    // Very thick shadows get the softest blur the imaging layer offers.
    result = GaussianBlurBitmap(canvas.get(), int(std::min(4LL * t, (long long)IMAGING_MAX_BLUR_STRENGTH)));
    FreeBitmapRegion(canvas.get());
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to blur the shadow", result);

    // The picture covers the shadow shape exactly: only the spill around it shows.
    result = CombineBitmaps(canvas.get(), t, t, w, h, source, 0, 0, 800);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to combine the image with its shadow", result);
    image->SetBitmap(std::move(canvas));
    return RESULT_SUCCESS;
}
