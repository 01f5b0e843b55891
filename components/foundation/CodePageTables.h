#pragma once
// The process-wide mapping tables of the legacy code pages, built from their stored texts the
// first time a page is used and kept until the process ends. Creation is guarded, so any thread
// may ask for any table at any time; once returned, a table is only read.
//
// A stored text is 'x' + base64 of the table bytes, or any other first character + base64 of a
// TorvaneBzip2 block holding them. Table bytes: 'a' (ASCII-compatible) or another byte, 'd'
// (difference table) or another byte (full table), then the body: single-byte records (byte
// delta, 16-bit unit delta; a 0 delta ends them), double-byte records (16-bit code delta, 16-bit
// unit delta; a 0 code delta ends them). A difference table lists units to remove, single-byte
// settings and double-byte settings with absolute values; it only changes a from-Unicode table.

#include <string>
#include <vector>

class DataBuffer;
class HashConvert;
class UnicodeLookup;

namespace CodePageTables {

bool IsSingleByteTablePage(int codePage);
bool IsDoubleByteTablePage(int codePage);
// Every code page with a table, in ascending order.
std::vector<int> TablePageNumbers();

// The table of the page, created on first use; null for a page without a table. 52936 gives the
// 936 tables. GetToUnicodeTable serves double-byte pages, GetUnicodeLookup single-byte pages.
const HashConvert* GetFromUnicodeTable(int codePage);
const HashConvert* GetToUnicodeTable(int codePage);
const UnicodeLookup* GetUnicodeLookup(int codePage);

// The assembled stored text of a page (empty without a table) and of the 10001 difference table.
std::string StoredText(int codePage);
std::string StoredMacJapaneseDifferenceText();

// Decodes a stored text to its table bytes; false (and `tableBytes` empty) when it cannot.
bool DecodeStoredText(const char* text, DataBuffer& tableBytes);
// Adds the entries of a stored text to `table` in the chosen direction and sets its
// ASCII-compatible flag. A text that decodes to nothing adds nothing; a difference table adds
// nothing in the to-Unicode direction. Malformed or truncated bodies stop at the damage.
void LoadTable(const char* text, HashConvert& table, bool fromUnicode);

} // namespace CodePageTables
