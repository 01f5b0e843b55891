#pragma once
// Escaping of the XML text form (private to the foundation library's XML code).

namespace torvane {
class StringBuffer;
}

// The three writers return false when the output could not grow (it is then incomplete).
// Appends exactly n bytes or reports false.
bool AppendChecked(torvane::StringBuffer& out, const char* bytes, int n);
bool AppendChecked(torvane::StringBuffer& out, const char* text);

// Element text: '<', '>', '"', '\'' and every '&' become references, so that any text reads back
// exactly as it was; all other bytes, CR and LF included, are copied.
bool AppendEscapedText(const char* text, int length, torvane::StringBuffer& out);
// Attribute values: the same, except that an '&' followed by '#' is kept. The value ends at its
// length or its first NUL, whichever comes first.
bool AppendEscapedAttributeValue(const char* value, int length, torvane::StringBuffer& out);
// A CDATA section; "]]>" inside the text is split across two sections.
bool AppendCdataSection(const char* text, int length, torvane::StringBuffer& out);
// The five references the reader understands, decoded in one left-to-right pass (the result of
// replacing "&lt;", "&apos;", "&gt;", "&quot;" and then "&amp;" in turn). Returns the offset of
// the first reference left in the text afterwards (one that decoding "&amp;" formed), or -1.
int DecodeFiveReferences(torvane::StringBuffer& text, int from);
// The offset of the first of the five references at or after `from`, or -1.
int FindFirstReference(const torvane::StringBuffer& text, int from);
