#include "engine/actions/ActionImageResize.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageGeometry.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <climits>
#include <cmath>

namespace {
// ratio x given, truncated toward zero, as an int (0 for a non-positive given side).
int followingSide(double ratio, int given)
{
    if (given <= 0 || !(ratio > 0))
        return 0;
    double side = std::trunc(ratio * double(given));
    if (side < 1)
        return 1;
    return side > double(INT_MAX) ? INT_MAX : int(side);
}
}

void ComputeResizeTarget(long visibleWidth, long visibleHeight, std::u16string_view aspectEdge, int& width, int& height)
{
    if (visibleWidth <= 0 || visibleHeight <= 0)
        return;
    double w = double(visibleWidth);
    double h = double(visibleHeight);
    if (aspectEdge == u"width")
        height = followingSide(h / w, width);
    else if (aspectEdge == u"height")
        width = followingSide(w / h, height);
}

CActionImageResize::CActionImageResize()
{
    SetPropertyInt(u"width", 300);
    SetPropertyInt(u"height", 300);
    SetPropertyString(u"aspectedge", u"width");
}

std::u16string CActionImageResize::GetName() const { return LoadStringText(118); }
std::u16string CActionImageResize::GetDescription() const { return LoadStringText(248); }

bool CActionImageResize::ShowPropertyDialog(int, HWND)
{
    ResizeDialogValues values;
    GetPropertyInt(u"width", values.width);
    GetPropertyInt(u"height", values.height);
    std::u16string edge;
    GetPropertyString(u"aspectedge", edge);
    values.maintainAspect = (edge == u"width" || edge == u"height") ? TRUE : FALSE;
    values.primaryMetric = edge == u"height" ? 1 : 0;
    if (GetActionPropertyDialogs().RunResizeDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"width", values.width);
    SetPropertyInt(u"height", values.height);
    if (!values.maintainAspect)
        SetPropertyString(u"aspectedge", u"none");
    else
        SetPropertyString(u"aspectedge", values.primaryMetric == 1 ? u"height" : u"width");
    return true;
}

int CActionImageResize::Process(CActionTarget* target)
{
    CImageFileTarget* image = AsImageTarget(target);
    if (!image)
        return RESULT_ACTION_NOT_COMPATIBLE;
    // The size comes from the source before anything is decoded, so that a JPEG picture about
    // to shrink can be decoded reduced; the result is the size a whole decode would give.
    long visibleWidth = 0;
    long visibleHeight = 0;
    if (!image->GetSourceSize(visibleWidth, visibleHeight))
        return RESULT_INVALID_FILE;
    // The same rule a prefetch used, so its reduced bitmap is the one asked for here.
    int width = 0;
    int height = 0;
    GetLoadSizeRule()(visibleWidth, visibleHeight, width, height);
    ImageBitmap* bitmap = image->GetBitmapForSize(width, height);
    if (!bitmap)
        return RESULT_INVALID_FILE;
    int result = ResizeBitmap(bitmap, width, height, IMAGING_RESIZE_FLAGS);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to size bitmap", result);
    return RESULT_SUCCESS;
}

CImageFileTarget::LoadSizeRule CActionImageResize::GetLoadSizeRule()
{
    int height = 0;
    int width = 0;
    std::u16string edge;
    GetPropertyInt(u"height", height);
    GetPropertyInt(u"width", width);
    GetPropertyString(u"aspectedge", edge);
    return [width, height, edge](long sourceWidth, long sourceHeight, int& outWidth, int& outHeight) {
        outWidth = width;
        outHeight = height;
        ComputeResizeTarget(sourceWidth, sourceHeight, edge, outWidth, outHeight);
        return true;
    };
}
