#include "platform/testkit/CommonDialogs.h"

#include "platform/controls/CommonDialogs.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"

#include <string>

namespace testkit {

namespace {

// The visible dialog that has a control with `id`.
HWND DialogWith(int id)
{
    for (HWND top : TopLevelWindows()) {
        if (IsWindowVisible(top) && ClassOf(top) == u"#32770" && GetDlgItem(top, id))
            return top;
    }
    return nullptr;
}

// Click into the field, select what it holds, type over it.
void Retype(HWND edit, const std::u16string& text)
{
    if (!edit)
        return;
    Click(Center(edit));
    Key(VK_HOME);
    Key(VK_END, Shift);
    TypeText(text);
}

std::u16string Number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

HWND FileDialogOnScreen()
{
    HWND dialog = DialogWith(kFileDialogNameEdit);
    return dialog && GetDlgItem(dialog, kFileDialogList) ? dialog : nullptr;
}

void PickFile(const std::u16string& path)
{
    HWND dialog = FileDialogOnScreen();
    if (!dialog)
        return;
    Retype(GetDlgItem(dialog, kFileDialogNameEdit), path);
    Key(VK_RETURN);
}

void PickColor(COLORREF color)
{
    HWND dialog = DialogWith(kColorDialogRed);
    if (!dialog)
        return;
    Retype(GetDlgItem(dialog, kColorDialogRed), Number(GetRValue(color)));
    Retype(GetDlgItem(dialog, kColorDialogGreen), Number(GetGValue(color)));
    Retype(GetDlgItem(dialog, kColorDialogBlue), Number(GetBValue(color)));
    Key(VK_RETURN);
}

void PickFolder(const std::u16string& path)
{
    HWND dialog = DialogWith(kFolderDialogEdit);
    if (!dialog)
        return;
    Retype(GetDlgItem(dialog, kFolderDialogEdit), path);
    Key(VK_RETURN);
}

} // namespace testkit
