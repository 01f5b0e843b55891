#pragma once
// Private to the code-page table loader: the stored table texts compiled into the library.

#include <cstddef>

struct StoredCodePageText {
    int codePage;
    bool doubleByte;
    // The pieces of the stored text, in order, ending with a null pointer.
    const char* const* pieces;
};

// Every page with a table; single-byte pages first, then double-byte pages.
const StoredCodePageText* StoredCodePageTexts(std::size_t* count);
// Applied on top of the Shift_JIS table for 10001.
const char* const* StoredMacJapaneseDifferencePieces();
