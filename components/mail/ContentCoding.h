#pragma once
// Bytes to mail-safe text and back: base64, quoted-printable and the Q and B encoded words of
// header fields. Encoders append to their output; decoders never fail on damaged input except the
// strict base64 ones. Arrays returned by the decoders and EncodeQ come from std::malloc and are
// freed by the caller with std::free.

#include <cstddef>
#include <functional>

class DataBuffer;
namespace torvane {
class StringBuffer;
}

class ContentCoding {
public:
    ContentCoding() = default;
    virtual ~ContentCoding() = default;

    // Stores the line length, never less than 10.
    void SetLineLength(int length) { m_lineLength = length < 10 ? 10 : length; }
    int GetLineLength() const { return m_lineLength; }

    // With CR LF after every full line and after the last group.
    void EncodeBase64(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const;
    // The same text handed to sink in slices of whole lines; false as soon as sink returns false.
    bool EncodeBase64Slices(const unsigned char* bytes, unsigned count,
        const std::function<bool(const char*, size_t)>& sink) const;
    void EncodeBase64NoBreaks(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const;
    char* EncodeBase64ToArray(const unsigned char* bytes, unsigned count, unsigned* outLength) const;
    // Tolerant: any byte decodes to something. Null for null or empty input.
    unsigned char* DecodeBase64(const char* text, unsigned length, unsigned* outCount) const;
    // Rejects bytes outside the alphabet range with null and success false.
    unsigned char* DecodeBase64Strict(const char* text, unsigned length, unsigned* outCount, bool* success) const;
    bool DecodeBase64ToData(const char* text, unsigned length, DataBuffer& out) const;
    void AppendDecodedBase64(const char* text, torvane::StringBuffer& out) const;

    void EncodeQuotedPrintable(const unsigned char* bytes, unsigned count, torvane::StringBuffer& out) const;
    unsigned char* DecodeQuotedPrintable(const char* text, unsigned length, unsigned* outCount) const;
    bool DecodeQuotedPrintableToData(const char* text, unsigned length, DataBuffer& out) const;

    char* EncodeQ(const unsigned char* bytes, unsigned count, unsigned* outCount) const;
    // A length of 0 or less means the text runs to its NUL.
    unsigned char* DecodeQ(const char* text, int length, unsigned* outCount) const;

    void AppendBWord(const unsigned char* bytes, unsigned count, const char* charset, torvane::StringBuffer& out) const;
    void AppendQWord(const unsigned char* bytes, unsigned count, const char* charset, torvane::StringBuffer& out) const;
    void AppendBWords(const unsigned char* bytes, unsigned count, const char* charset, torvane::StringBuffer& out) const;
    void AppendQWords(const unsigned char* bytes, unsigned count, const char* charset, torvane::StringBuffer& out) const;
    void AppendEncodedWord(const unsigned char* bytes, unsigned count, const char* charset,
        torvane::StringBuffer& out) const;

    void DecodeWordsToUtf8(torvane::StringBuffer& text) const;
    void DecodeWordsRaw(const torvane::StringBuffer& text, DataBuffer& out) const;
    void DecodeWordsMarkCommas(torvane::StringBuffer& text, bool* markedCommas) const;

private:
    enum class WordMode { ToUtf8, Raw, MarkCommas };
    void DecodeWords(const torvane::StringBuffer& text, DataBuffer& out, WordMode mode, bool* markedCommas) const;
    void AppendWordChunks(const unsigned char* bytes, unsigned count, const char* charset, bool base64,
        torvane::StringBuffer& out) const;

    int m_lineLength = 72;
};
