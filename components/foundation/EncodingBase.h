#pragma once
// One-character codecs between an encoding and UTF-16 units, and the UTF-8 codec itself.

#include <cstdint>

class DataBuffer;

// Per-pass state handed to every DecodeChar and EncodeUnit call of one conversion pass.
class ConvertState {
public:
    std::uint32_t m_value = 0;
};

class EncodingBase {
public:
    virtual ~EncodingBase() = default;
    // Reads one character into one 16-bit unit; returns the bytes used, -1 for an invalid
    // sequence, -2 for a sequence cut off by the end of the data.
    virtual int DecodeChar(ConvertState& state, const unsigned char* bytes, int available, std::uint16_t& unit) const;
    // Appends one unit; returns the bytes written.
    virtual int EncodeUnit(ConvertState& state, std::uint16_t unit, DataBuffer& out) const;
    virtual bool IsMultiByte() const { return false; }
};

// UTF-8, including 4-byte sequences for characters beyond U+FFFF (surrogate pairs in UTF-16).
// Three-byte encodings of surrogates are still accepted on input.
class EncodingUtf8 : public EncodingBase {
public:
    // A character beyond U+FFFF gives its high surrogate here and leaves the low one pending in
    // the state for the next call, which then consumes no bytes.
    int DecodeChar(ConvertState& state, const unsigned char* bytes, int available, std::uint16_t& unit) const override;
    // A high surrogate waits in the state for its low half; the pair is written as 4 bytes. A
    // surrogate without its partner is written alone in 3 bytes, as older data holds it.
    int EncodeUnit(ConvertState& state, std::uint16_t unit, DataBuffer& out) const override;
    // Writes out a high surrogate still waiting at the end of a pass.
    int Flush(ConvertState& state, DataBuffer& out) const;
    bool IsMultiByte() const override { return true; }

    // Reads one code point (up to U+10FFFF); same results as DecodeChar.
    static int DecodeCodePoint(const unsigned char* bytes, int available, std::uint32_t& codePoint);
    static int EncodeCodePoint(std::uint32_t codePoint, DataBuffer& out);

    static const EncodingUtf8& Instance();
};
