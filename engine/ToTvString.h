#pragma once
// Text handed from the application to the component library: a TvString built in place from
// UTF-16 text, e.g. xml.SetTag(ToTvString(name, true).GetString()) with a UTF-8 TvXml; and text
// handed back (FromTvString).

#include "components/foundation/TvString.h"

#include <string>
#include <string_view>

class ToTvString : public TvString {
public:
    // With `utf8` the string's 8-bit form (GetString) is UTF-8, else text in the ANSI code page
    // (which may lose characters the code page lacks).
    explicit ToTvString(std::u16string_view text, bool utf8 = false);
};

// The string's text as UTF-16; empty when it holds none.
std::u16string FromTvString(TvString& text);
