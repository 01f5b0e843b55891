#pragma once
// Reads the update server's answer: an XML text holding an element "updateinfo" (at any depth)
// whose children "major", "minor", "bugfix", "build", "changes" and "download" are copied, as
// text, into a map under their tags.

#include <map>
#include <string>
#include <string_view>

using UpdateInfoMap = std::map<std::u16string, std::u16string, std::less<>>;

// Entries found overwrite those of the same name; others in the map are kept. Text that is not
// XML, a missing "updateinfo" element and missing children add nothing; nothing is reported.
void ParseUpdateInfo(std::u16string_view xmlText, UpdateInfoMap& info);
