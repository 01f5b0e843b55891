#include "engine/actions/ActionImageFlip.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionTarget.h"
#include "engine/ResultCodes.h"
#include "platform/imaging/ImageGeometry.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionImageFlip::CActionImageFlip() { SetPropertyInt(u"fliptype", 1); }

std::u16string CActionImageFlip::GetName() const { return LoadStringText(116); }
std::u16string CActionImageFlip::GetDescription() const { return LoadStringText(255); }

bool CActionImageFlip::ShowPropertyDialog(int, HWND)
{
    int flipType = 1;
    GetPropertyInt(u"fliptype", flipType);
    FlipDialogValues values;
    values.flipType = WORD(flipType);
    if (GetActionPropertyDialogs().RunFlipDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"fliptype", values.flipType);
    return true;
}

int CActionImageFlip::Process(CActionTarget* target)
{
    ImageBitmap* bitmap = nullptr;
    if (int code = GetImageTarget(target, bitmap))
        return code;
    int flipType = 1;
    GetPropertyInt(u"fliptype", flipType);
    int result = flipType == 1 ? FlipBitmapTopToBottom(bitmap) : FlipBitmapLeftToRight(bitmap);
    return result == IMAGING_SUCCESS ? RESULT_SUCCESS : RESULT_IMAGE_OPERATION_FAILED;
}
