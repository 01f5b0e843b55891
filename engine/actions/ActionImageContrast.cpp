#include "engine/actions/ActionImageContrast.h"

#include "engine/ActionDialogs.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageColor.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionImageContrast::CActionImageContrast()
{
    SetPropertyInt(u"contrast", 100);
    SetPropertyInt(u"autocontrast", 0);
}

std::u16string CActionImageContrast::GetName() const { return LoadStringText(113); }
std::u16string CActionImageContrast::GetDescription() const { return LoadStringText(245); }

bool CActionImageContrast::ShowPropertyDialog(int, HWND)
{
    ContrastDialogValues values;
    int automatic = 0;
    GetPropertyInt(u"contrast", values.contrast);
    GetPropertyInt(u"autocontrast", automatic);
    values.automatic = automatic;
    if (GetActionPropertyDialogs().RunContrastDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"contrast", values.contrast);
    SetPropertyBool(u"autocontrast", values.automatic);
    return true;
}

int CActionImageContrast::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int contrast = 0;
    int automatic = 0;
    GetPropertyInt(u"contrast", contrast);
    GetPropertyInt(u"autocontrast", automatic);
    int result;
    if (automatic != 0) {
        LogMessage(u"%s: Performing auto-contrast change", GetName());
        result = AutoLevelBitmap(bitmap, 50, 50, IMAGING_LEVELS_CONTRAST);
    } else {
        LogMessage(u"%s: Performing user selected contrast change", GetName());
        result = ChangeBitmapContrast(bitmap, contrast);
    }
    if (result != IMAGING_SUCCESS)
        return FailWithError(result);
    return RESULT_SUCCESS;
}
