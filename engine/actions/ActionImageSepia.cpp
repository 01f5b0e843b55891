#include "engine/actions/ActionImageSepia.h"

#include "engine/ResultCodes.h"
#include "platform/imaging/ImageColor.h"
#include "resources/StringTable.h"

std::u16string CActionImageSepia::GetName() const { return LoadStringText(121); }
std::u16string CActionImageSepia::GetDescription() const { return LoadStringText(254); }

int CActionImageSepia::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int result = ApplyBitmapSepia(bitmap, 500, 300, 200, 350, 100, -100);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to overlay sepia on bitmap", result);
    return RESULT_SUCCESS;
}
