#pragma once
// Converts a run of bytes between encodings named by Windows code page numbers (1200 UTF-16LE,
// 1201 UTF-16BE, 65000 UTF-7, 65001 UTF-8, 65005 UTF-32LE, 65006 UTF-32BE, legacy pages through
// their tables) and appends the result. Every route passes through UTF-16LE or UTF-8. Characters
// the target cannot represent are dropped and reported by a false result; nothing is replaced.

class DataBuffer;

class EncodingConvert {
public:
    EncodingConvert() = default;
    virtual ~EncodingConvert() = default;

    // A target of 0 or equal to the source copies the bytes unchanged.
    bool Convert(int fromCodePage, int toCodePage, const unsigned char* data, unsigned length, DataBuffer& out);
    bool ConvertFromAnsi(int toCodePage, const unsigned char* data, unsigned length, DataBuffer& out);
    bool ConvertToAnsi(int fromCodePage, const unsigned char* data, unsigned length, DataBuffer& out);
    // An unknown charset name gives false and appends nothing.
    bool ConvertByName(const char* fromCharset, const char* toCharset, const unsigned char* data, unsigned length,
        DataBuffer& out);
    bool ConvertFromNamedCharset(const char* fromCharset, int toCodePage, const unsigned char* data, unsigned length,
        DataBuffer& out);
    bool ConvertToNamedCharset(int fromCodePage, const char* toCharset, const unsigned char* data, unsigned length,
        DataBuffer& out);

    // The routing below Convert, and its UTF-8/UTF-16 legs.
    bool ConvertCore(int fromCodePage, int toCodePage, const unsigned char* data, unsigned length, DataBuffer& out);
    bool Utf16ToUtf8(const unsigned char* data, unsigned length, DataBuffer& out);
    bool Utf8ToUtf16(const unsigned char* data, unsigned length, DataBuffer& out);
    bool RecodeUtf8(const unsigned char* data, unsigned length, DataBuffer& out);

    // Convert once the source passes (Mac Arabic, ISO-2022 decoding) are done: the target passes.
    bool ConvertAfterSourcePasses(int fromCodePage, int toCodePage, const unsigned char* data, unsigned length,
        DataBuffer& out);

    // Table-driven legs (legacy code pages).
    bool DecodeTableCodePage(int codePage, const unsigned char* data, unsigned length, DataBuffer& out);
    bool EncodeTableCodePage(int codePage, const unsigned char* utf16le, unsigned length, DataBuffer& out);
};
