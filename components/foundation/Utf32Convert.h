#pragma once
// UTF-8 legality and the conversions between UTF-8 and UTF-32 (code pages 65005 little-endian and
// 65006 big-endian). All append to the target; none writes a byte-order mark.

class DataBuffer;

bool IsLegalUtf8Sequence(const unsigned char* bytes, int length);
// True when all of the source was converted; an incomplete or illegal sequence stops the
// conversion with false, keeping what was converted before it.
bool Utf8ToUtf32LE(const DataBuffer& source, DataBuffer& target);
bool Utf8ToUtf32BE(const DataBuffer& source, DataBuffer& target);
// A trailing remainder of 1 to 3 bytes is ignored; a source of only 1 to 3 bytes gives false.
bool Utf32LEToUtf8(const DataBuffer& source, DataBuffer& target);
