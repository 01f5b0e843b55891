#include "engine/UpdateInfo.h"

#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "engine/ToTvString.h"
#include "platform/base/Unicode.h"

#include <memory>

void ParseUpdateInfo(std::u16string_view xmlText, UpdateInfoMap& info)
{
    // UTF-8, the form the parser reads, so no character of the answer is lost on the way.
    std::string text = Utf16ToUtf8(xmlText);
    TvXml document;
    document.SetUtf8Flag(true);
    if (!document.LoadXml(text.c_str()))
        return;
    std::unique_ptr<TvXml> updateInfo(document.SearchForTag(nullptr, "updateinfo"));
    if (!updateInfo)
        return;
    for (const char16_t* name : { u"major", u"minor", u"bugfix", u"build", u"changes", u"download" }) {
        TvString value;
        if (!updateInfo->GetChildContent(Utf16ToUtf8(name).c_str(), value))
            continue;
        info[name] = FromTvString(value);
    }
}
