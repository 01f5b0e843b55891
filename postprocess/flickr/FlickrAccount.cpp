#include "postprocess/flickr/FlickrAccount.h"

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "engine/ToTvString.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/Unicode.h"

#include <memory>

namespace {

// A name with "&" or "<" written as it is would make the whole stored account list unreadable.
std::u16string escaped(const std::u16string& value)
{
    torvane::StringBuffer text;
    text.Append(Utf16ToUtf8(value).c_str());
    text.EscapeEntities();
    return Utf8ToUtf16(text.GetText());
}

std::u16string element(const char16_t* tag, const std::u16string& value)
{
    return u"<" + std::u16string(tag) + u">" + escaped(value) + u"</" + std::u16string(tag) + u">";
}

}

std::u16string CFlickrAccount::ToXml() const
{
    return element(u"authkey", authkey) + element(u"username", username) + element(u"fullname", fullname)
        + element(u"nsid", nsid);
}

bool CFlickrAccount::FromXml(std::u16string_view text)
{
    // The account text is a run of sibling elements, which the reader takes as one document only
    // under a common root; a text that brings its own prolog is read as it stands.
    TvXml document;
    std::string ansi = ToAnsiText(text);
    if (!document.LoadXml(("<flickraccount>" + ansi + "</flickraccount>").c_str()) && !document.LoadXml(ansi.c_str()))
        return true;
    struct Field {
        const char* tag;
        std::u16string* value;
    };
    for (const Field& field : { Field { "authkey", &authkey }, Field { "username", &username },
             Field { "fullname", &fullname }, Field { "nsid", &nsid } }) {
        std::unique_ptr<TvXml> found(document.SearchForTag(nullptr, field.tag));
        if (!found)
            continue;
        TvString content;
        found->GetContent(content);
        *field.value = FromTvString(content);
    }
    return true;
}
