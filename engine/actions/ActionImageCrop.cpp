#include "engine/actions/ActionImageCrop.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageGeometry.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <climits>
#include <memory>

CActionImageCrop::CActionImageCrop()
{
    SetPropertyInt(u"left", 0);
    SetPropertyInt(u"top", 0);
    SetPropertyInt(u"right", 300);
    SetPropertyInt(u"bottom", 300);
    SetPropertyInt(u"bgcolor", 0xFFFFFF);
    SetPropertyInt(u"expandifnec", 0);
}

std::u16string CActionImageCrop::GetName() const { return LoadStringText(114); }
std::u16string CActionImageCrop::GetDescription() const { return LoadStringText(246); }

bool CActionImageCrop::ShowPropertyDialog(int, HWND)
{
    CropDialogValues values;
    LONG color = LONG(values.backgroundColor);
    int expand = 0;
    GetPropertyInt(u"left", values.left);
    GetPropertyInt(u"top", values.top);
    GetPropertyInt(u"right", values.right);
    GetPropertyInt(u"bottom", values.bottom);
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"expandifnec", expand);
    values.backgroundColor = COLORREF(color);
    values.expand = expand;
    if (GetActionPropertyDialogs().RunCropDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"left", values.left);
    SetPropertyInt(u"top", values.top);
    SetPropertyInt(u"right", values.right);
    SetPropertyInt(u"bottom", values.bottom);
    SetPropertyInt(u"bgcolor", int(values.backgroundColor));
    SetPropertyInt(u"expandifnec", values.expand);
    return true;
}

int CActionImageCrop::Process(CActionTarget* target)
{
    CImageFileTarget* image = nullptr;
    ImageBitmap* source = nullptr;
    if (int code = GetImageTarget(target, image, source))
        return code;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    LONG color = 0;
    int expand = 0;
    GetPropertyInt(u"left", left);
    GetPropertyInt(u"right", right);
    GetPropertyInt(u"top", top);
    GetPropertyInt(u"bottom", bottom);
    GetPropertyLong(u"bgcolor", color);
    GetPropertyInt(u"expandifnec", expand);

    // Sizes are taken in 64 bits: opposite edges near the ends of the int range must not wrap
    // into a plausible size.
    long long width = (long long)right - left;
    long long height = (long long)bottom - top;
    // Measured before the trim, which shrinks the picture to the rectangle.
    bool needsExpansion = width > source->VisibleWidth() || height > source->VisibleHeight();

    int result = IMAGING_ERROR_INVALID_ARGUMENT;
    if (width >= 0 && width <= INT_MAX && height >= 0 && height <= INT_MAX)
        result = TrimBitmap(source, left, top, int(width), int(height));
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to trim the bitmap to %d, %d - %d, %d: Error %d", GetName(), left, top, right, bottom,
                 result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }
    if (!needsExpansion || expand == 0)
        return RESULT_SUCCESS;

    LogMessage(u"%s: Expanding file bitmap", GetName());
    auto canvas = std::make_unique<ImageBitmap>();
    result = CreateBitmap(canvas.get(), int(width), int(height), source->bitsPerPixel, source->colorOrder, nullptr,
                          source->viewPerspective);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to create the destination bitmap: Error %d", GetName(), result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }
    result = FillBitmap(canvas.get(), COLORREF(color));
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to fill the destination bitmap: Error %d", GetName(), result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }
    // Odd differences are halved toward zero: the extra pixel goes to the right and bottom.
    int x = int((canvas->VisibleWidth() - source->VisibleWidth()) / 2);
    int y = int((canvas->VisibleHeight() - source->VisibleHeight()) / 2);
    result = CombineBitmaps(canvas.get(), x, y, source->VisibleWidth(), source->VisibleHeight(), source, 0, 0, 800);
    if (result != IMAGING_SUCCESS) {
        LogError(u"%s: Failed to combine the destination bitmap with the source: Error %d", GetName(), result);
        return RESULT_IMAGE_OPERATION_FAILED;
    }
    image->SetBitmap(std::move(canvas));
    return RESULT_SUCCESS;
}
