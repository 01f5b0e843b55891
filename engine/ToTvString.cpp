#include "engine/ToTvString.h"

#include <string>

ToTvString::ToTvString(std::u16string_view text, bool utf8)
{
    SetUtf16(std::u16string(text).c_str());
    SetUtf8Flag(utf8);
}
