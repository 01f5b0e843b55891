#include "engine/actions/ActionImageDesaturate.h"

#include "engine/ResultCodes.h"
#include "platform/imaging/ImageColor.h"
#include "resources/StringTable.h"

std::u16string CActionImageDesaturate::GetName() const { return LoadStringText(115); }
std::u16string CActionImageDesaturate::GetDescription() const { return LoadStringText(249); }

int CActionImageDesaturate::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int result = ConvertBitmapToGreyScale(bitmap);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to desaturate bitmap", result);
    return RESULT_SUCCESS;
}
