#pragma once
// ISO-2022-KR (the 7-bit mail form of Korean text) to and from Korean EUC (read and written as code
// page 949). The passes never fail; null or empty input appends nothing.

class DataBuffer;

class Korean {
public:
    Korean() = default;
    virtual ~Korean() = default;

    void Iso2022KrToEucKr(const unsigned char* data, unsigned length, DataBuffer& out);
    // Starts with the designation ESC $ ) C; double bytes are shifted out (SO) and back (SI).
    // A text ending in double-byte mode ends without SI.
    void EucKrToIso2022Kr(const unsigned char* data, unsigned length, DataBuffer& out);
};
