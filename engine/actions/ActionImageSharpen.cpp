#include "engine/actions/ActionImageSharpen.h"

#include "engine/ActionDialogs.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageEffects.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionImageSharpen::CActionImageSharpen() { SetPropertyInt(u"sharpness", 200); }

std::u16string CActionImageSharpen::GetName() const { return LoadStringText(123); }
std::u16string CActionImageSharpen::GetDescription() const { return LoadStringText(262); }

bool CActionImageSharpen::ShowPropertyDialog(int, HWND)
{
    SharpenDialogValues values;
    GetPropertyInt(u"sharpness", values.sharpness);
    if (GetActionPropertyDialogs().RunSharpenDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"sharpness", values.sharpness);
    return true;
}

int CActionImageSharpen::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int sharpness = 0;
    GetPropertyInt(u"sharpness", sharpness);
    int result = SharpenBitmap(bitmap, sharpness);
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to sharpen bitmap", result);
    return RESULT_SUCCESS;
}
