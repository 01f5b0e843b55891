#pragma once
// Base64 of the mail and XML codings. Arrays returned by the decoder come from std::malloc, hold a
// NUL after the bytes, and are freed by the caller with std::free.

#include <string>

// With lineLength > 0: CR LF after every line of at least that many characters and after the last
// group; 0 writes one unbroken line.
std::string Base64Encode(const unsigned char* bytes, unsigned count, int lineLength = 0);

// Null for null or empty input (with *outCount 0 and *success true). Whitespace is skipped and
// '=' or NUL ends the text. Tolerant mode decodes any byte to something; strict mode rejects a byte
// outside the alphabet range with null and *success false.
unsigned char* Base64Decode(const char* text, unsigned length, unsigned* outCount, bool strict = false,
    bool* success = nullptr);
