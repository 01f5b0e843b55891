#include "engine/actions/ActionImageRotate.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageGeometry.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

int RotationInHundredths(int degrees) { return (degrees % 360) * 100; }

CActionImageRotate::CActionImageRotate()
{
    // Stored as a real on purpose: a never-edited action reads "45.000000", also in stack files.
    SetPropertyDouble(u"rotation", 45);
    SetPropertyInt(u"bgcolor", 16777215);
}

std::u16string CActionImageRotate::GetName() const { return LoadStringText(119); }
std::u16string CActionImageRotate::GetDescription() const { return LoadStringText(251); }

bool CActionImageRotate::ShowPropertyDialog(int, HWND)
{
    RotateDialogValues values;
    LONG color = LONG(values.backgroundColor);
    GetPropertyInt(u"rotation", values.rotation);
    GetPropertyLong(u"bgcolor", color);
    values.backgroundColor = COLORREF(color);
    if (GetActionPropertyDialogs().RunRotateDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"rotation", values.rotation);
    SetPropertyInt(u"bgcolor", int(values.backgroundColor));
    return true;
}

int CActionImageRotate::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int rotation = 0;
    LONG color = 0;
    GetPropertyInt(u"rotation", rotation);
    GetPropertyLong(u"bgcolor", color);
    int result = RotateBitmap(bitmap, RotationInHundredths(rotation), IMAGING_ROTATE_FLAGS, COLORREF(color));
    if (result != IMAGING_SUCCESS)
        return FailImageOperation(u"Failed to rotate bitmap", result);
    return RESULT_SUCCESS;
}
