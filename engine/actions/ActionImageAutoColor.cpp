#include "engine/actions/ActionImageAutoColor.h"

#include "engine/ResultCodes.h"
#include "platform/imaging/ImageColor.h"
#include "resources/StringTable.h"

std::u16string CActionImageAutoColor::GetName() const { return LoadStringText(108); }
std::u16string CActionImageAutoColor::GetDescription() const { return LoadStringText(256); }

int CActionImageAutoColor::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int result = AutoLevelBitmap(bitmap, 50, 50, IMAGING_LEVELS_COLOR);
    if (result != IMAGING_SUCCESS)
        return FailWithError(result);
    return RESULT_SUCCESS;
}
