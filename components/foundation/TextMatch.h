#pragma once
// Text matching helpers: case-insensitive substring search and '*' wildcards.

// First occurrence of needle in haystack with ASCII letters compared without case; null when
// either is null or empty, or when there is none.
const char* FindSubstringNoCase(const char* haystack, const char* needle);

// Whether the whole text matches the pattern, where '*' stands for any run of bytes.
bool WildcardMatch(const char* text, const char* pattern, bool caseSensitive);
// The same with a null on either side giving false.
bool MatchWildcardArgs(const char* pattern, const char* text, bool caseSensitive);
