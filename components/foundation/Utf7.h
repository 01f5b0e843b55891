#pragma once
// UTF-7 (RFC 2152) to and from UTF-16LE. Both append to the output; empty input appends nothing.

class DataBuffer;

bool Utf16ToUtf7(const DataBuffer& utf16le, DataBuffer& out);
// Malformed input is converted as far as it goes and never fails.
bool Utf7ToUtf16(const DataBuffer& utf7, DataBuffer& out);
void InitUtf7Tables();
