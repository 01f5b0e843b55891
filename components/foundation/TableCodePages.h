#pragma once
// Conversion between UTF-16LE and the legacy single- and double-byte code pages, through the
// generated mapping tables (CodePageTables.h). A page without a table answers "no table" (false,
// nothing appended). Unmapped bytes and unmappable units are dropped, the rest converted, and the
// result is false; nothing is ever replaced by a substitute character.

class DataBuffer;
class HashConvert;
class UnicodeLookup;

class TableCodePages {
public:
    // Double-byte: 932, 936, 949, 950, 51932, 51936, 51949, 1361, 10001; every other page with a
    // table is single-byte. 52936 has none (its loading only makes the 936 tables).
    static bool HasTable(int codePage);
    static bool IsDoubleByte(int codePage);

    // Code page bytes to UTF-16LE.
    static bool Decode(int codePage, const unsigned char* data, unsigned length, DataBuffer& out);
    // UTF-16LE to code page bytes. An odd last byte is ignored; a single byte of input gives false.
    // 1256 and 28596 write the Arabic-Indic digits as ASCII digits.
    static bool Encode(int codePage, const unsigned char* utf16le, unsigned length, DataBuffer& out);

    // Rewrites Mac Arabic (10004) text in place before it is decoded: right-to-left runs of
    // digits and punctuation are put in reading order and mapped onto their ASCII forms.
    static void MacArabicSourcePass(unsigned char* data, unsigned length);

    // The loops themselves, over one table.
    static bool DecodeSingleByte(const UnicodeLookup& lookup, const unsigned char* data, unsigned length,
        DataBuffer& out);
    static bool DecodeWithTable(const HashConvert& table, const unsigned char* data, unsigned length, DataBuffer& out);
    static bool EncodeWithTable(const HashConvert& table, const unsigned char* utf16le, unsigned length,
        DataBuffer& out);
};
