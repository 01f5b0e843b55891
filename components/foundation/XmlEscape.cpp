#include "components/foundation/XmlEscape.h"

#include "components/foundation/StringBuffer.h"

#include <cstring>

namespace {

const char* ReplacementFor(char c)
{
    switch (c) {
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&apos;";
    case '&':
        return "&amp;";
    default:
        return nullptr;
    }
}

bool AppendEscaped(const char* text, int length, bool keepAmpersandBeforeHash, torvane::StringBuffer& out)
{
    if (!text || length <= 0)
        return true;
    bool complete = true;
    int runStart = 0;
    for (int i = 0; i < length; ++i) {
        const char* replacement = ReplacementFor(text[i]);
        if (!replacement)
            continue;
        if (text[i] == '&' && keepAmpersandBeforeHash && i + 1 < length && text[i + 1] == '#')
            continue;
        complete = AppendChecked(out, text + runStart, i - runStart) && complete;
        complete = AppendChecked(out, replacement) && complete;
        runStart = i + 1;
    }
    return AppendChecked(out, text + runStart, length - runStart) && complete;
}

struct Reference {
    const char* name; // after the '&', with the ';'
    int length;
    char byte;
};

constexpr Reference kReferences[] = {
    { "lt;", 3, '<' },
    { "apos;", 5, '\'' },
    { "gt;", 3, '>' },
    { "quot;", 5, '"' },
    { "amp;", 4, '&' },
};

// The reference that starts at text[i] ('&'), or null.
const Reference* ReferenceAt(const char* text, int i, int length)
{
    for (const Reference& reference : kReferences) {
        if (i + 1 + reference.length <= length
            && std::memcmp(text + i + 1, reference.name, size_t(reference.length)) == 0)
            return &reference;
    }
    return nullptr;
}

} // namespace

bool AppendChecked(torvane::StringBuffer& out, const char* bytes, int n)
{
    if (!bytes || n <= 0)
        return true;
    int before = out.GetLength();
    out.AppendBytes(bytes, n);
    return out.GetLength() == before + n;
}

bool AppendChecked(torvane::StringBuffer& out, const char* text)
{
    return AppendChecked(out, text, text ? int(std::strlen(text)) : 0);
}

bool AppendEscapedText(const char* text, int length, torvane::StringBuffer& out)
{
    return AppendEscaped(text, length, /*keepAmpersandBeforeHash=*/false, out);
}

bool AppendEscapedAttributeValue(const char* value, int length, torvane::StringBuffer& out)
{
    if (!value || length <= 0)
        return true;
    const void* nul = std::memchr(value, 0, size_t(length));
    if (nul)
        length = int(static_cast<const char*>(nul) - value);
    return AppendEscaped(value, length, /*keepAmpersandBeforeHash=*/true, out);
}

bool AppendCdataSection(const char* text, int length, torvane::StringBuffer& out)
{
    bool complete = AppendChecked(out, "<![CDATA[");
    int start = 0;
    for (int i = 0; text && i + 2 < length; ++i) {
        if (text[i] != ']' || text[i + 1] != ']' || text[i + 2] != '>')
            continue;
        // "]]" ends this section and the '>' opens the next, so no section holds "]]>".
        complete = AppendChecked(out, text + start, i + 2 - start) && complete;
        complete = AppendChecked(out, "]]><![CDATA[") && complete;
        start = i + 2;
    }
    if (text)
        complete = AppendChecked(out, text + start, length - start) && complete;
    return AppendChecked(out, "]]>") && complete;
}

int FindFirstReference(const torvane::StringBuffer& text, int from)
{
    const char* bytes = text.GetText();
    int length = text.GetLength();
    if (from < 0)
        from = 0;
    for (int i = from; i < length; ++i) {
        const void* found = std::memchr(bytes + i, '&', size_t(length - i));
        if (!found)
            return -1;
        i = int(static_cast<const char*>(found) - bytes);
        if (ReferenceAt(bytes, i, length))
            return i;
    }
    return -1;
}

int DecodeFiveReferences(torvane::StringBuffer& text, int from)
{
    int length = text.GetLength();
    if (from < 0)
        from = 0;
    if (from >= length)
        return -1;
    char* bytes = text.PointerAt(0);
    int write = from;
    int firstFormedAmpersand = -1;
    for (int read = from; read < length;) {
        const Reference* reference = bytes[read] == '&' ? ReferenceAt(bytes, read, length) : nullptr;
        if (!reference) {
            bytes[write++] = bytes[read++];
            continue;
        }
        if (reference->byte == '&' && firstFormedAmpersand < 0)
            firstFormedAmpersand = write;
        bytes[write++] = reference->byte;
        read += 1 + reference->length;
    }
    text.ShortenBy(length - write);
    if (firstFormedAmpersand < 0)
        return -1;
    return FindFirstReference(text, firstFormedAmpersand);
}
