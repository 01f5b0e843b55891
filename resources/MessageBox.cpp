#include "resources/MessageBox.h"

#include "platform/base/ProcessInfo.h"

std::u16string ApplicationName()
{
    std::u16string path = GetProgramFilePathW();
    auto slash = path.rfind(u'/');
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0)
        name.resize(dot);
    return name;
}

int AppMessageBox(const WCHAR* text, UINT style)
{
    std::u16string caption = ApplicationName();
    return MessageBoxW(nullptr, text, caption.c_str(), style);
}
