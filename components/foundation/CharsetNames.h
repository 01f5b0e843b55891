#pragma once
// Charset names and Windows code page numbers (plus 65005/65006 for UTF-32 LE/BE): one canonical
// lower-case name per code page, and the names and aliases callers may use. Names are compared
// after trimming, lower-casing and reading '_' as '-'.

namespace torvane {
class StringBuffer;
}

// Empties out, then appends the canonical name; false (out empty) when the page has none.
bool CharsetNameFromCodePage(int codePage, torvane::StringBuffer& out);
// 0 for a null or unknown name.
int CodePageFromCharsetName(const char* name);
bool IsKnownCharsetName(const char* name);

// Sizes of the two tables (for checks of their completeness).
int CanonicalCharsetNameCount();
int CharsetLookupNameCount();
