#include "components/mail/ContentCoding.h"

#include "components/foundation/Base64.h"
#include "components/foundation/CharsetNames.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/HexDigits.h"
#include "components/foundation/QuotedPrintable.h"
#include "components/foundation/StringBuffer.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A NUL-terminated copy for the callers that free with std::free; null when memory runs out.
char* MallocCopy(const std::string& text, unsigned* outLength)
{
    auto* array = static_cast<char*>(std::malloc(text.size() + 1));
    if (!array)
        return nullptr;
    std::memcpy(array, text.c_str(), text.size() + 1);
    if (outLength)
        *outLength = unsigned(text.size());
    return array;
}

bool IsUpperHexDigit(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool IsQDirect(unsigned char b)
{
    return (b >= 0x21 && b <= 0x3C) || b == 0x3E || (b >= 0x40 && b <= 0x5E) || (b >= 0x60 && b <= 0x7E);
}

int CodePageOrUtf8(const char* charset)
{
    int codePage = CodePageFromCharsetName(charset);
    return codePage == 0 ? 65001 : codePage;
}

// A comma inside a decoded word is no address separator: it is written as "_COMMA_".
void AppendMarkingCommas(const DataBuffer& word, DataBuffer& out, bool* markedCommas)
{
    for (unsigned i = 0; i < word.GetSize(); ++i) {
        if (word.GetData()[i] != ',') {
            out.AppendByte(word.GetData()[i]);
            continue;
        }
        out.Append("_COMMA_", 7);
        if (markedCommas)
            *markedCommas = true;
    }
}

} // namespace

void ContentCoding::EncodeBase64(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const
{
    EncodeBase64Slices(bytes, count, [&out](const char* text, size_t n) {
        out.AppendBytes(text, int(n));
        return true;
    });
}

bool ContentCoding::EncodeBase64Slices(const unsigned char* bytes, unsigned count,
    const std::function<bool(const char*, size_t)>& sink) const
{
    // Large inputs go in slices of whole lines, so the text is never held whole. Each slice but
    // the last loses the line break the encoder adds after its final line.
    const unsigned lineBytes = unsigned(m_lineLength + 3) / 4 * 3;
    const unsigned slice = lineBytes * (65536 / lineBytes);
    while (count > slice) {
        std::string text = Base64Encode(bytes, slice, m_lineLength);
        if (!sink(text.data(), text.size() - 2))
            return false;
        bytes += slice;
        count -= slice;
    }
    std::string text = Base64Encode(bytes, count, m_lineLength);
    return sink(text.data(), text.size());
}

void ContentCoding::EncodeBase64NoBreaks(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const
{
    std::string text = Base64Encode(bytes, count);
    out.AppendBytes(text.data(), int(text.size()));
}

char* ContentCoding::EncodeBase64ToArray(const unsigned char* bytes, unsigned count, unsigned* outLength) const
{
    if (outLength)
        *outLength = 0;
    if (!bytes || count == 0)
        return nullptr;
    return MallocCopy(Base64Encode(bytes, count), outLength);
}

unsigned char* ContentCoding::DecodeBase64(const char* text, unsigned length, unsigned* outCount) const
{
    return Base64Decode(text, length, outCount, false, nullptr);
}

unsigned char* ContentCoding::DecodeBase64Strict(const char* text, unsigned length, unsigned* outCount,
    bool* success) const
{
    return Base64Decode(text, length, outCount, true, success);
}

bool ContentCoding::DecodeBase64ToData(const char* text, unsigned length, DataBuffer& out) const
{
    unsigned count = 0;
    bool success = true;
    unsigned char* bytes = DecodeBase64Strict(text, length, &count, &success);
    if (!success)
        return false;
    if (bytes)
        out.TakeMemory(bytes, count);
    else
        out.Empty();
    return true;
}

void ContentCoding::AppendDecodedBase64(const char* text, torvane::StringBuffer& out) const
{
    if (!text)
        return;
    unsigned count = 0;
    unsigned char* bytes = DecodeBase64(text, unsigned(std::strlen(text)), &count);
    if (bytes)
        out.AppendBytes(bytes, int(count));
    std::free(bytes);
}

void ContentCoding::EncodeQuotedPrintable(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const
{
    std::string text = QuotedPrintableEncode(bytes, count, m_lineLength);
    out.AppendBytes(text.data(), int(text.size()));
}

unsigned char* ContentCoding::DecodeQuotedPrintable(const char* text, unsigned length, unsigned* outCount) const
{
    return QuotedPrintableDecode(text, length, outCount);
}

bool ContentCoding::DecodeQuotedPrintableToData(const char* text, unsigned length, DataBuffer& out) const
{
    unsigned count = 0;
    unsigned char* bytes = DecodeQuotedPrintable(text, length, &count);
    if (!bytes)
        return false;
    out.TakeMemory(bytes, count);
    return true;
}

char* ContentCoding::EncodeQ(const unsigned char* bytes, unsigned count, unsigned* outCount) const
{
    if (outCount)
        *outCount = 0;
    if (!bytes || count == 0)
        return nullptr;
    std::string text;
    text.reserve(size_t(count) * 3);
    for (unsigned i = 0; i < count; ++i) {
        unsigned char b = bytes[i];
        if (IsQDirect(b)) {
            text += char(b);
        } else if (b == ' ') {
            text += '_';
        } else {
            AppendQuotedPrintableEscape(b, text);
        }
    }
    return MallocCopy(text, outCount);
}

unsigned char* ContentCoding::DecodeQ(const char* text, int length, unsigned* outCount) const
{
    if (outCount)
        *outCount = 0;
    if (!text)
        return nullptr;
    unsigned n = length <= 0 ? unsigned(std::strlen(text)) : unsigned(length);
    auto* out = static_cast<unsigned char*>(std::malloc(size_t(n) + 1));
    if (!out)
        return nullptr;
    unsigned count = 0;
    for (unsigned i = 0; i < n; ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == '_') {
            out[count++] = ' ';
            continue;
        }
        if (b == '=' && i + 2 < n && IsUpperHexDigit(static_cast<unsigned char>(text[i + 1]))
            && IsUpperHexDigit(static_cast<unsigned char>(text[i + 2]))) {
            out[count++] = (unsigned char)((QuotedPrintableDigit(text[i + 1]) << 4) | QuotedPrintableDigit(text[i + 2]));
            i += 2;
            continue;
        }
        if (b < 0x20 || b == '?' || b == 0x7F || (b >= 0x80 && b <= 0x9F))
            continue;
        out[count++] = b;
    }
    out[count] = 0;
    if (outCount)
        *outCount = count;
    return out;
}

void ContentCoding::AppendBWord(const unsigned char* bytes, unsigned count, const char* charset,
    torvane::StringBuffer& out) const
{
    if (!charset || !bytes || count == 0)
        return;
    out.Append("=?");
    out.Append(charset);
    out.Append("?B?");
    EncodeBase64NoBreaks(bytes, count, out);
    out.Append("?=");
}

void ContentCoding::AppendQWord(const unsigned char* bytes, unsigned count, const char* charset,
    torvane::StringBuffer& out) const
{
    if (!bytes || count == 0)
        return;
    unsigned encodedLength = 0;
    char* encoded = EncodeQ(bytes, count, &encodedLength);
    out.Append("=?");
    out.Append(charset && *charset ? charset : "utf-8");
    out.Append("?Q?");
    out.AppendBytes(encoded, int(encodedLength));
    out.Append("?=");
    std::free(encoded);
}

void ContentCoding::AppendWordChunks(const unsigned char* bytes, unsigned count, const char* charset, bool base64,
    torvane::StringBuffer& out) const
{
    if (!bytes || count == 0)
        return;
    unsigned shortLimit = base64 ? 24 : 35;
    if (count < shortLimit) {
        if (base64)
            AppendBWord(bytes, count, charset, out);
        else
            AppendQWord(bytes, count, charset, out);
        return;
    }
    int codePage = CodePageOrUtf8(charset);
    DataBuffer utf16;
    EncodingConvert converter;
    converter.Convert(codePage, 1200, bytes, count, utf16);
    unsigned total = utf16.GetSize() & ~1u;
    if (total == 0)
        return;
    unsigned chunkBytes = base64 ? 24 : 34;
    bool first = true;
    for (unsigned start = 0; start < total;) {
        unsigned size = total - start < chunkBytes ? total - start : chunkBytes;
        // A surrogate pair is never cut between two words.
        if (start + size < total && size > 2) {
            const unsigned char* last = utf16.GetData() + start + size - 2;
            if (IsHighSurrogate(char16_t(last[0] | (last[1] << 8))))
                size -= 2;
        }
        DataBuffer piece;
        converter.Convert(1200, codePage, utf16.GetData() + start, size, piece);
        if (!first)
            out.Append("\r\n\t");
        first = false;
        if (base64)
            AppendBWord(piece.GetData(), piece.GetSize(), charset, out);
        else
            AppendQWord(piece.GetData(), piece.GetSize(), charset, out);
        start += size;
    }
}

void ContentCoding::AppendBWords(const unsigned char* bytes, unsigned count, const char* charset,
    torvane::StringBuffer& out) const
{
    AppendWordChunks(bytes, count, charset, true, out);
}

void ContentCoding::AppendQWords(const unsigned char* bytes, unsigned count, const char* charset,
    torvane::StringBuffer& out) const
{
    AppendWordChunks(bytes, count, charset, false, out);
}

void ContentCoding::AppendEncodedWord(const unsigned char* bytes, unsigned count, const char* charset,
    torvane::StringBuffer& out) const
{
    if (!bytes || count == 0)
        return;
    unsigned window = count < 100 ? count : 100;
    std::string head(reinterpret_cast<const char*>(bytes), window);
    for (char& c : head)
        c = AsciiToUpper(c);
    if (head.find("?Q?") != std::string::npos || head.find("?B?") != std::string::npos) {
        out.AppendBytes(bytes, int(count));
        return;
    }
    static const char* const kBase64Charsets[] = { "shift_jis", "shift-jis", "iso-2022-jp", "euc-jp", "euc-kr",
        "iso-2022-kr", "gb2312", "hz-gb-2312", "euc-cn", "cp-936", "euc-tw", "big5", "cp-950", "cp-932", "tis-620",
        "windows-874", "iso-8859-9", "windows-1254", "iso-8859-6", "windows-1256", "cp-1256" };
    bool base64 = false;
    if (charset) {
        for (const char* name : kBase64Charsets) {
            if (_stricmp(charset, name) == 0) {
                base64 = true;
                break;
            }
        }
    }
    if (base64)
        AppendBWord(bytes, count, charset, out);
    else
        AppendQWord(bytes, count, charset, out);
}

void ContentCoding::DecodeWords(const torvane::StringBuffer& input, DataBuffer& out, WordMode mode,
    bool* markedCommas) const
{
    if (markedCommas)
        *markedCommas = false;
    const char* text = input.GetText();
    const char* end = text + input.GetLength();
    const char* position = text;
    for (;;) {
        const char* open = std::strstr(position, "=?");
        if (!open) {
            out.Append(position, unsigned(end - position));
            return;
        }
        out.Append(position, unsigned(open - position));
        const char* charsetStart = open + 2;
        const char* charsetEnd = std::strchr(charsetStart, '?');
        // A malformed word is not a word: the rest of the text is kept as it stands.
        if (!charsetEnd || !charsetEnd[1] || charsetEnd[2] != '?') {
            out.Append(open, unsigned(end - open));
            return;
        }
        char coding = charsetEnd[1];
        const char* encodedStart = charsetEnd + 3;
        const char* close = std::strstr(encodedStart, "?=");
        if (!close) {
            out.Append(open, unsigned(end - open));
            return;
        }
        std::string charset(charsetStart, size_t(charsetEnd - charsetStart));
        if (_stricmp(charset.c_str(), "8bit") == 0)
            charset = "utf-8";
        unsigned encodedLength = unsigned(close - encodedStart);
        if (encodedLength > 0) {
            unsigned count = 0;
            unsigned char* decoded = (coding == 'B' || coding == 'b')
                ? DecodeBase64(encodedStart, encodedLength, &count)
                : DecodeQ(encodedStart, int(encodedLength), &count);
            if (decoded && count > 0) {
                DataBuffer word;
                if (mode == WordMode::Raw || _stricmp(charset.c_str(), "utf-8") == 0
                    || !IsKnownCharsetName(charset.c_str())) {
                    word.Append(decoded, count);
                } else {
                    EncodingConvert converter;
                    converter.ConvertFromNamedCharset(charset.c_str(), 65001, decoded, count, word);
                }
                if (mode == WordMode::MarkCommas)
                    AppendMarkingCommas(word, out, markedCommas);
                else
                    out.AppendBuffer(word);
            }
            std::free(decoded);
        }
        position = close + 2;
    }
}

void ContentCoding::DecodeWordsToUtf8(torvane::StringBuffer& text) const
{
    DataBuffer out;
    DecodeWords(text, out, WordMode::ToUtf8, nullptr);
    text.Clear();
    text.AppendData(out);
}

void ContentCoding::DecodeWordsRaw(const torvane::StringBuffer& text, DataBuffer& out) const
{
    DecodeWords(text, out, WordMode::Raw, nullptr);
}

void ContentCoding::DecodeWordsMarkCommas(torvane::StringBuffer& text, bool* markedCommas) const
{
    DataBuffer out;
    DecodeWords(text, out, WordMode::MarkCommas, markedCommas);
    text.Clear();
    text.AppendData(out);
}
