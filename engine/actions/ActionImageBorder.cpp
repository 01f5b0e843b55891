#include "engine/actions/ActionImageBorder.h"

#include "engine/ActionDialogs.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageCompose.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionImageBorder::CActionImageBorder()
{
    SetPropertyInt(u"thicknessleft", 1);
    SetPropertyInt(u"thicknessright", 1);
    SetPropertyInt(u"thicknesstop", 1);
    SetPropertyInt(u"thicknessbottom", 1);
    SetPropertyInt(u"bgcolor", 0);
}

std::u16string CActionImageBorder::GetName() const { return LoadStringText(111); }
std::u16string CActionImageBorder::GetDescription() const { return LoadStringText(252); }

bool CActionImageBorder::ShowPropertyDialog(int, HWND)
{
    BorderDialogValues values;
    LONG color = LONG(values.color);
    GetPropertyInt(u"thicknessleft", values.left);
    GetPropertyInt(u"thicknessright", values.right);
    GetPropertyInt(u"thicknesstop", values.top);
    GetPropertyInt(u"thicknessbottom", values.bottom);
    GetPropertyLong(u"bgcolor", color);
    values.color = COLORREF(color);
    if (GetActionPropertyDialogs().RunBorderDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"thicknessleft", values.left);
    SetPropertyInt(u"thicknessright", values.right);
    SetPropertyInt(u"thicknesstop", values.top);
    SetPropertyInt(u"thicknessbottom", values.bottom);
    SetPropertyInt(u"bgcolor", int(values.color));
    return true;
}

int CActionImageBorder::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int left = 1;
    int top = 1;
    int right = 1;
    int bottom = 1;
    LONG color = 0;
    GetPropertyInt(u"thicknessleft", left);
    GetPropertyInt(u"thicknesstop", top);
    GetPropertyInt(u"thicknessright", right);
    GetPropertyInt(u"thicknessbottom", bottom);
    GetPropertyLong(u"bgcolor", color);
    ImageBorder border;
    border.left = left;
    border.top = top;
    border.right = right;
    border.bottom = bottom;
    border.color = COLORREF(color);
    int result = AddBitmapBorder(bitmap, &border);
    if (result != IMAGING_SUCCESS)
        return FailWithError(result);
    return RESULT_SUCCESS;
}
