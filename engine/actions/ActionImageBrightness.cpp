#include "engine/actions/ActionImageBrightness.h"

#include "engine/ActionDialogs.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageColor.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionImageBrightness::CActionImageBrightness()
{
    SetPropertyInt(u"brightness", 300);
    SetPropertyInt(u"autobright", 0);
}

std::u16string CActionImageBrightness::GetName() const { return LoadStringText(112); }
std::u16string CActionImageBrightness::GetDescription() const { return LoadStringText(244); }

bool CActionImageBrightness::ShowPropertyDialog(int, HWND)
{
    BrightnessDialogValues values;
    int automatic = 0;
    GetPropertyInt(u"brightness", values.brightness);
    GetPropertyInt(u"autobright", automatic);
    values.automatic = automatic;
    if (GetActionPropertyDialogs().RunBrightnessDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"brightness", values.brightness);
    SetPropertyBool(u"autobright", values.automatic);
    return true;
}

int CActionImageBrightness::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int brightness = 0;
    int automatic = 0;
    GetPropertyInt(u"brightness", brightness);
    GetPropertyInt(u"autobright", automatic);
    int result;
    if (automatic != 0) {
        LogMessage(u"%s: Performing auto-intensity change", GetName());
        result = AutoLevelBitmap(bitmap, 50, 50, IMAGING_LEVELS_INTENSITY);
    } else {
        LogMessage(u"%s: Performing user selected intensity change", GetName());
        result = ChangeBitmapIntensity(bitmap, brightness);
    }
    if (result != IMAGING_SUCCESS)
        return FailWithError(result);
    return RESULT_SUCCESS;
}
