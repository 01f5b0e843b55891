#pragma once
// ISO-2022-JP (the 7-bit mail form of Japanese text) to and from Shift_JIS. The passes never fail:
// malformed input is carried through by fixed rules; characters Shift_JIS cannot hold were
// dropped by the table conversion before the encoder runs. Null or empty input appends nothing.

class DataBuffer;

class Japanese {
public:
    Japanese() = default;
    virtual ~Japanese() = default;

    // Double-byte characters go out as JIS X 0208 after ESC $ B; every line and the text end in
    // ASCII (ESC ( B). Half-width katakana are written as their full-width forms.
    void ShiftJisToIso2022Jp(const unsigned char* data, unsigned length, DataBuffer& out);
    void Iso2022JpToShiftJis(const unsigned char* data, unsigned length, DataBuffer& out);

    // The full-width Shift_JIS code of the half-width katakana byte `kana` (0xA1-0xDF), merged
    // with a voiced or semi-voiced mark that follows it where the pair has one full-width form.
    // Returns how many of the following bytes were used (0 or 1).
    unsigned HalfwidthKanaToFullwidth(unsigned char kana, const unsigned char* following, unsigned followingCount,
        unsigned char fullwidth[2]);
};
