#pragma once
// Conversion between UTF-16LE and the legacy single- and double-byte code pages, which work from
// mapping tables. This is the one place those tables plug in: a page without a table answers
// "no table" (false, nothing appended). Code page 1252 is built in.

class DataBuffer;

class TableCodePages {
public:
    static bool HasTable(int codePage);
    // Code page bytes to UTF-16LE; unmapped bytes are dropped and reported by false.
    static bool Decode(int codePage, const unsigned char* data, unsigned length, DataBuffer& out);
    // UTF-16LE to code page bytes; unmappable units are dropped and reported by false. An odd
    // last byte is ignored; a single byte of input gives false.
    static bool Encode(int codePage, const unsigned char* utf16le, unsigned length, DataBuffer& out);
};
