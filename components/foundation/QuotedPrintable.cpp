#include "components/foundation/QuotedPrintable.h"

#include "components/foundation/HexDigits.h"

#include <cstdlib>
#include <cstring>

namespace {

// Only real blanks end a line: 8-bit bytes such as 0xA0 are text.
bool IsLineTrailer(unsigned char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

} // namespace

std::string QuotedPrintableEncode(const unsigned char* bytes, unsigned count, int lineLength)
{
    std::string text;
    if (!bytes || count == 0)
        return text;
    text.reserve(size_t(count) + size_t(count) / 8 + 8);
    auto crlfAt = [&](unsigned i) { return i + 1 < count && bytes[i] == '\r' && bytes[i + 1] == '\n'; };
    int column = 0;
    for (unsigned i = 0; i < count; ++i) {
        unsigned char b = bytes[i];
        if (column == 0 && b == '.') {
            text += "=2E";
            column = 3;
        } else if (column == 0 && b == 'F' && i + 4 < count && std::memcmp(bytes + i + 1, "rom ", 4) == 0) {
            text += "=46";
            column = 3;
        } else if (b == 'F' && text.size() >= 3 && text.compare(text.size() - 3, 3, "=FF") == 0) {
            // "=FF" and then "FFFF" would read back as another mailer's sign-extended escape.
            AppendQuotedPrintableEscape(b, text);
            column += 3;
        } else if ((b >= '!' && b <= '<') || (b >= '>' && b <= '~')) {
            text += char(b);
            column += 1;
        } else if (b == ' ' || b == '\t') {
            if (i + 1 == count || crlfAt(i + 1)) {
                AppendQuotedPrintableEscape(b, text);
                column += 3;
            } else {
                text += char(b);
                column += 1;
            }
        } else if (crlfAt(i)) {
            text += "\r\n";
            column = 0;
            ++i;
            continue;
        } else {
            AppendQuotedPrintableEscape(b, text);
            column += 3;
        }
        if (column >= lineLength && !crlfAt(i + 1)) {
            text += "=\r\n";
            column = 0;
        }
    }
    return text;
}

unsigned char* QuotedPrintableDecode(const char* text, unsigned length, unsigned* outCount)
{
    if (outCount)
        *outCount = 0;
    if (!text || !outCount)
        return nullptr;
    const char* nul = static_cast<const char*>(std::memchr(text, 0, length));
    if (nul)
        length = unsigned(nul - text);
    if (length == 0)
        return nullptr;
    // Each byte gives at most one byte, except a bare LF that becomes CR LF.
    size_t lineFeeds = 0;
    for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, '\n', length - size_t(p - text))));
         ++p)
        ++lineFeeds;
    auto* out = static_cast<unsigned char*>(std::malloc(size_t(length) + lineFeeds + 1));
    if (!out)
        return nullptr;
    unsigned count = 0;
    unsigned lineStart = 0;
    while (lineStart < length) {
        unsigned lineEnd = lineStart;
        while (lineEnd < length && text[lineEnd] != '\n')
            ++lineEnd;
        bool endedWithLineFeed = lineEnd < length;
        unsigned end = lineEnd;
        while (end > lineStart && IsLineTrailer(static_cast<unsigned char>(text[end - 1])))
            --end;
        bool softBreak = false;
        for (unsigned i = lineStart; i < end; ++i) {
            auto b = static_cast<unsigned char>(text[i]);
            if (b != '=') {
                // Raw 8-bit bytes are invalid here but are someone's text: keep them whole.
                out[count++] = b;
                continue;
            }
            if (i + 1 == end) {
                softBreak = true;
                break;
            }
            if (i + 8 < end && std::memcmp(text + i + 1, "FFFFFF", 6) == 0) {
                out[count++] = (unsigned char)((QuotedPrintableDigit(text[i + 7]) << 4) | QuotedPrintableDigit(text[i + 8]));
                i += 8;
                continue;
            }
            if (i + 2 < end) {
                out[count++] = (unsigned char)((QuotedPrintableDigit(text[i + 1]) << 4) | QuotedPrintableDigit(text[i + 2]));
                i += 2;
                continue;
            }
            out[count++] = '=';
        }
        if (endedWithLineFeed && !softBreak) {
            out[count++] = '\r';
            out[count++] = '\n';
        }
        lineStart = lineEnd + 1;
    }
    out[count] = 0;
    *outCount = count;
    return out;
}
