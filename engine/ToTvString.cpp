#include "engine/ToTvString.h"


ToTvString::ToTvString(std::u16string_view text, bool utf8)
{
    SetUtf16(std::u16string(text).c_str());
    SetUtf8Flag(utf8);
}

std::u16string FromTvString(TvString& text)
{
    const WCHAR* utf16 = text.GetUtf16();
    return utf16 ? std::u16string(utf16) : std::u16string();
}
